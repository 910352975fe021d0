"""The install flow of the real Norvane.exe when the fetch cannot succeed:
failure screen with Close and Retry, cancel during the version request, and
background runs that fail without any window."""
import glob
import os
import socket
import subprocess
import threading
import time

from . import config
from .journey import WineJourney
from .wine import Prefix

CLOSE = "닫기"
RETRY = "다시 시도"
CANCEL = "취소"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class StallingServer:
    """Accepts connections on loopback and closes each after `hold` seconds
    without answering: a release server that hangs."""

    def __init__(self, hold):
        self.hold = hold
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.accepted = 0
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            self.accepted += 1
            threading.Timer(self.hold, connection.close).start()

    def stop(self):
        self.listener.close()


class FlowJourney(WineJourney):
    def setUp(self):
        # Both release servers refuse connections unless a test says otherwise.
        self.set_servers(f"https://localhost:{free_port()}/r/latest/download",
                         f"https://127.0.0.1:{free_port()}/r/latest/download")
        self.download = self.stamped("Norvane-acme.exe")
        log = self.log_path()
        if os.path.exists(log):
            os.remove(log)

    def set_servers(self, primary, secondary):
        self.prefix.env["NORVANE_TEST_PRIMARY_URL"] = primary
        self.prefix.env["NORVANE_TEST_SECONDARY_URL"] = secondary

    def window(self, *args, timeout=30):
        return self.prefix.run(config.wine_helper("window_helper.exe"), [*args], timeout=timeout).returncode

    def staging_folders(self):
        return glob.glob(os.path.join(self.prefix.drive_c, "users", "*", "**", "Temp", "Norvane-download-*"),
                         recursive=True)

    def version_requests_logged(self):
        return sum(1 for m in self.log_messages() if "판올림" in m and "받는다" in m)


class FailedFetch(FlowJourney):
    def test_close_on_the_failure_screen_exits_with_1(self):
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("click", CLOSE, "30000"), 0)
        self.assertEqual(program.wait(30), 1)
        self.assertEqual(self.staging_folders(), [])

    def test_closing_the_failure_window_counts_as_close(self):
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("click", RETRY, "30000"), 0)  # first failure: retry once
        time.sleep(1)
        self.assertEqual(self.window("close", "30000"), 0)  # then Alt+F4 on the second failure screen
        self.assertEqual(program.wait(30), 1)

    def test_retry_starts_a_new_attempt(self):
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("click", RETRY, "30000"), 0)
        time.sleep(2)
        self.assertEqual(self.window("click", CLOSE, "30000"), 0)
        self.assertEqual(program.wait(30), 1)
        # Each attempt falls back from the primary to the secondary source once.
        fallbacks = [m for m in self.log_messages() if "에서 받지 못해" in m]
        self.assertEqual(len(fallbacks), 2, self.log_messages())

    def test_background_failure_exits_1_without_window_or_box(self):
        code, text = self.run_with_box_watch(self.download, ["--background"], box_timeout_ms=1000)
        self.assertEqual(code, 1)
        self.assertIsNone(text)
        self.assertEqual(self.window("shown", "0"), 2)


class CancelDuringVersionRequest(FlowJourney):
    def test_cancel_while_the_version_request_hangs_gives_1223(self):
        stalling = StallingServer(hold=6)
        try:
            url = f"https://127.0.0.1:{stalling.port}/r/latest/download"
            self.set_servers(url, url)
            program = self.prefix.start_program(self.download)
            self.assertEqual(self.window("click", CANCEL, "30000"), 0)
            # The cancelling screen has no buttons and ignores closing.
            time.sleep(1)
            self.assertEqual(self.window("click", CANCEL, "500"), 2)
            self.window("close", "500")
            self.assertEqual(program.wait(60), 1223)
            self.assertGreaterEqual(stalling.accepted, 1)
            self.assertEqual(self.staging_folders(), [])
        finally:
            stalling.stop()
