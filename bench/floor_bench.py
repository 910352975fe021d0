"""Benchmark, not a test: the program's whole background install of a signed
64 MiB release from the loopback TLS server, against the floor in the same
prefix: bench/wine/floor_install.exe, a bare WinHTTP GET of the same file
into memory, written to a file, that file started and waited for. Both are
processes timed by startup_timer.exe ("run": wall time from CreateProcessW to
the end, peak working set or commit sampled while it runs), taking turns run
by run so a busy machine slows both alike. The stand-in installer exits at
once.

    python3 -m bench.floor_bench [--build build/test] [--native build/native]
                                 [--bench-wine build/bench-wine] [--runs 5]
"""
import argparse
import os
import shutil
import statistics
import subprocess

from tests.e2e import config, payload

RUN_TIMEOUT_MS = 180000
RUN_TIMEOUT_S = RUN_TIMEOUT_MS / 1000 + 30
INSTALLER_BYTES = 67108864
RETRY = "다시 시도"


def _timed_run(box, timer, program, *args, retry=False):
    """(wall ms, peak MiB); with `retry` the failure screen's Retry is clicked once."""
    started = subprocess.Popen(["wine", timer, "run", str(RUN_TIMEOUT_MS), program, *args], env=box.env(),
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if retry:
        subprocess.run(["wine", config.wine_helper("window_helper.exe"), "click", RETRY, "60000"], env=box.env(),
                       capture_output=True, timeout=90)
    out, _ = started.communicate(timeout=RUN_TIMEOUT_S)
    result = subprocess.CompletedProcess(started.args, started.returncode, out)
    facts = dict(line.strip().partition(" ")[::2] for line in result.stdout.decode("utf-8", "replace").splitlines())
    if result.returncode != 0 or facts.get("exit-code") != "0":
        raise RuntimeError(f"{os.path.basename(program)} failed ({result.returncode}): {facts}\n"
                           f"log: {box.log_messages()[-8:]}")
    return int(facts["exit-us"]) / 1000, int(facts["peak-bytes"]) / 1048576


def measure(bench_wine, runs, resumed=False):
    """{'program': {...}, 'floor': {...}} with median ms and the largest peak MiB."""
    from tests.e2e import fetch_fixtures as ff
    from tests.e2e.wine import Display, Prefix

    timer = os.path.join(bench_wine, "startup_timer.exe")
    floor = os.path.join(bench_wine, "floor_install.exe")
    work = ff.work_dir("bench-floor-")
    image = ff.helper("fake_installer_1_4_12.exe")
    release = ff.publish_at_most(os.path.join(work, "release"), image, INSTALLER_BYTES)
    installer = os.path.join(release, "latest", "download", "Norvane-x64.exe")
    servers = ff.ReleaseServers(release)
    display = Display()
    box = ff.FetchPrefix(display=display.start() if resumed else None)  # the window shows the Retry button
    try:
        box.driver("trust-root", Prefix.windows_path(os.path.join(ff.pki_dir(), "root.der")))
        box.extra_env.update(servers.env())
        box.extra_env["NORVANE_FAKE_RECORD"] = Prefix.windows_path(os.path.join(work, "installer-runs.txt"))
        download = os.path.join(box.prefix.root, "Norvane-acme.exe")
        payload.stamp(config.test_exe(), download, payload.online_entries(download_id=ff.DOWNLOAD_ID))
        url = servers.primary.base_url("localhost").replace("/latest/download",
                                                              f"/download/v{ff.VERSION}/Norvane-x64.exe")
        floor_file = Prefix.windows_path(os.path.join(box.prefix.root, "floor-installer.exe"))
        samples = {"program": [], "floor": []}
        for run in range(runs + 1):  # the first pair warms the prefix and is dropped
            if resumed:
                for server in (servers.primary, servers.secondary):
                    server.add_rule("Norvane-x64.exe", truncate_at=os.path.getsize(installer) * 6 // 10, times=1)
                program = _timed_run(box, timer, Prefix.windows_path(download), retry=True)
            else:
                program = _timed_run(box, timer, Prefix.windows_path(download), "--background")
            bare = _timed_run(box, timer, floor, url, floor_file)
            if run:
                samples["program"].append(program)
                samples["floor"].append(bare)
        with open(os.path.join(work, "installer-runs.txt"), encoding="utf-8", errors="replace") as f:
            started = len(f.read().splitlines())
        if started != 2 * (runs + 1):
            raise RuntimeError(f"the stand-in installer ran {started} times, not {2 * (runs + 1)}")
        resumes = sum("끊긴 다운로드를 이어받는다" in line for line in box.log_messages())
        if resumed and resumes != runs + 1:
            raise RuntimeError(f"{resumes} of {runs + 1} runs continued the broken-off installer")
        return {name: {"median_ms": statistics.median(ms for ms, _ in rows),
                       "range_ms": (min(ms for ms, _ in rows), max(ms for ms, _ in rows)),
                       "peak_mib": max(mib for _, mib in rows), "runs": runs}
                for name, rows in samples.items()}
    finally:
        box.close()
        display.stop()
        servers.stop()
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=config.TEST_BUILD)
    parser.add_argument("--native", default=config.NATIVE_BUILD)
    parser.add_argument("--bench-wine", default=os.path.join(config.ROOT, "build", "bench-wine"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--resumed", action="store_true", help="break the installer off once; Retry continues it")
    args = parser.parse_args()
    config.TEST_BUILD = os.path.abspath(args.build)
    config.NATIVE_BUILD = os.path.abspath(args.native)
    result = measure(os.path.abspath(args.bench_wine), args.runs, args.resumed)
    for name, row in result.items():
        print(f"{name}: {row['median_ms']:.0f} ms (range {row['range_ms'][0]:.0f}-{row['range_ms'][1]:.0f}), "
              f"peak {row['peak_mib']:.1f} MiB")
    print(f"ratio: time {result['program']['median_ms'] / result['floor']['median_ms']:.2f}, "
          f"peak {result['program']['peak_mib'] / result['floor']['peak_mib']:.2f}")


if __name__ == "__main__":
    main()
