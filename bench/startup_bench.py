"""Start-up of the stamped test Norvane.exe under Wine, timed from inside
Windows by startup_timer.exe (QueryPerformanceCounter from just before
CreateProcessW, polled every millisecond):

- to the first painted window: release servers that accept the connection but
  never answer keep the window up; the moment is when the window's background
  colour is on the screen (and, for reference, when it became visible);
- to the hand-off: with a sound fake product installed, the moment the
  installed setup program's process exists;
- the floor of the first: bench/wine/bare_window.exe, a bare Win32 window of
  the same size and colour, timed the same way, taking turns with the program
  run by run.

One warm-up run each is discarded; the prefix is a throw-away copy with its
own Xvfb display."""
import os
import shutil
import socket
import statistics
import subprocess

from tests.e2e import config, payload
from tests.e2e.product import InstalledProduct
from tests.e2e.wine import Display, Prefix

RUN_TIMEOUT_MS = 30000
RUN_TIMEOUT_S = RUN_TIMEOUT_MS / 1000 + 30
SILENT_SERVER_BACKLOG = 256
INSTALLED_SETUP_NAME = "Norvane.exe"
DOWNLOAD_NAME = "Norvane-acme.exe"
MACHINE_LOG = r"C:\ProgramData\Norvane\logs\host.log"
LOG_TAIL_CHARS = 3000


class SilentServer:
    """A loopback port that takes connections and never answers."""

    def __init__(self):
        self.socket = socket.socket()
        self.socket.bind(("127.0.0.1", 0))
        self.socket.listen(SILENT_SERVER_BACKLOG)
        self.port = self.socket.getsockname()[1]

    def url(self):
        return f"https://localhost:{self.port}/r/latest/download"

    def close(self):
        self.socket.close()


class StartupTimer:
    def __init__(self, prefix, timer_exe):
        self.prefix = prefix
        self.timer = timer_exe

    def run(self, *args):
        result = subprocess.run(["wine", self.timer, *args], env=self.prefix.env, capture_output=True,
                                timeout=RUN_TIMEOUT_S)
        facts = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            key, _, value = line.strip().partition(" ")
            facts[key] = value
        if result.returncode != 0:
            raise RuntimeError(f"startup_timer {' '.join(args[:2])} failed with {result.returncode}: {facts}\n"
                               + result.stderr.decode("utf-8", "replace")[-2000:])
        return facts


def _log_text(prefix):
    path = prefix.host_path(MACHINE_LOG)
    if not os.path.exists(path):
        return "(no log)"
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()[-LOG_TAIL_CHARS:]


def _median_ms(samples_us):
    return statistics.median(samples_us) / 1000


def _spread_ms(samples_us):
    return min(samples_us) / 1000, max(samples_us) / 1000


def measure(timer_exe, runs, bare_window_exe):
    """{'window': {...}, 'bare': {...}, 'handoff': {...}} with medians and ranges in ms."""
    display = Display()
    display.start()
    server = SilentServer()
    prefix = None
    try:
        prefix = Prefix("win64", display=display.name)
        for name in ("NORVANE_TEST_PRIMARY_URL", "NORVANE_TEST_SECONDARY_URL"):
            prefix.env[name] = server.url()
        download = os.path.join(prefix.root, DOWNLOAD_NAME)
        payload.stamp(config.test_exe(), download, payload.online_entries())
        timer = StartupTimer(prefix, timer_exe)
        program = Prefix.windows_path(download)
        bare_copy = os.path.join(prefix.root, os.path.basename(bare_window_exe))
        shutil.copyfile(bare_window_exe, bare_copy)
        bare_program = Prefix.windows_path(bare_copy)

        painted, visible, bare = [], [], []
        for run in range(runs + 1):
            facts = timer.run("window", str(RUN_TIMEOUT_MS), program)
            floor = timer.run("window", str(RUN_TIMEOUT_MS), bare_program)
            if int(facts["painted-us"]) < 0 or int(floor["painted-us"]) < 0:
                raise RuntimeError("a window was shown but its colour never reached the screen")
            if run:
                painted.append(int(facts["painted-us"]))
                visible.append(int(facts["visible-us"]))
                bare.append(int(floor["painted-us"]))

        InstalledProduct(prefix).install()
        record = os.path.join(prefix.root, "handoff-record.txt")
        prefix.env["NORVANE_FAKE_RECORD"] = Prefix.windows_path(record)
        prefix.env["NORVANE_FAKE_EXIT"] = "0"
        handed = []
        for run in range(runs + 1):
            try:
                facts = timer.run("process", INSTALLED_SETUP_NAME, str(RUN_TIMEOUT_MS), program)
            except RuntimeError as failure:
                raise RuntimeError(f"{failure}\nlog of the run:\n{_log_text(prefix)}") from None
            if facts.get("exit-code") != "0":
                raise RuntimeError(f"the hand-off run ended with {facts.get('exit-code')}")
            if run:
                handed.append(int(facts["process-us"]))
        with open(record, encoding="utf-8") as f:
            started = [line for line in f.read().splitlines() if line.startswith(INSTALLED_SETUP_NAME + "|")]
        if len(started) != runs + 1:
            raise RuntimeError(f"the installed setup program ran {len(started)} times, not {runs + 1}")

        return {
            "window": {"median_ms": _median_ms(painted), "range_ms": _spread_ms(painted),
                       "visible_median_ms": _median_ms(visible), "runs": runs},
            "bare": {"median_ms": _median_ms(bare), "range_ms": _spread_ms(bare), "runs": runs},
            "handoff": {"median_ms": _median_ms(handed), "range_ms": _spread_ms(handed), "runs": runs},
        }
    finally:
        if prefix:
            prefix.close()
        server.close()
        display.stop()
