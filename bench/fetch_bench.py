"""Benchmark, not a test: a 64 MiB installer fetched from the loopback release
server by fetchInstaller under Wine (download, write, read-back, signature and
version check), timed inside the process, next to curl fetching the same file
from the same server in the same run; and the fetch's peak committed memory.

    python3 -m bench.fetch_bench [--build build/test] [--native build/native] [--runs 3]
"""
import argparse
import os
import shutil
import subprocess
import time

from tests.e2e import config


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=config.TEST_BUILD)
    parser.add_argument("--native", default=config.NATIVE_BUILD)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    config.TEST_BUILD = os.path.abspath(args.build)
    config.NATIVE_BUILD = os.path.abspath(args.native)
    from tests.e2e import fetch_fixtures as ff
    from tests.e2e.wine import Prefix

    limit = 67108864
    work = ff.work_dir("bench-fetch-")
    image = ff.helper("fake_installer_1_4_12.exe")
    release = ff.publish_at_most(os.path.join(work, "release"), image, limit)
    installer = os.path.join(release, "latest", "download", "Norvane-x64.exe")
    assert os.path.getsize(installer) > limit - 1048576
    servers = ff.ReleaseServers(release)
    box = ff.FetchPrefix()
    try:
        box.driver("trust-root", Prefix.windows_path(os.path.join(ff.pki_dir(), "root.der")))
        box.extra_env.update(servers.env())
        url = servers.primary.base_url("localhost").replace("/latest/download", f"/download/v{ff.VERSION}/Norvane-x64.exe")
        ca = os.path.join(ff.pki_dir(), "root.pem")
        for run in range(args.runs):
            code, facts = box.driver("installer", "64", ff.DOWNLOAD_ID, "--version", ff.VERSION, timeout=600)
            if code != 0 or facts.get("progress", "").split(",")[-1] != "100":
                raise SystemExit(f"fetch failed: {facts}")
            started = time.monotonic()
            subprocess.run(["curl", "-sS", "--fail", "--cacert", ca, "--tlsv1.2", "--tls-max", "1.2", "-o", os.devnull,
                            url], check=True, timeout=600)
            curl_ms = (time.monotonic() - started) * 1000
            # Wine's commit counter misses most heap growth; the working set is the better measure there.
            peak = max(int(facts["peak-commit-bytes"]), int(facts["peak-working-set-bytes"]))
            print(f"run {run + 1}: fetchInstaller {int(facts['fetch-ms'])} ms, curl {curl_ms:.0f} ms, "
                  f"peak memory {peak / 1048576:.1f} MiB ({peak / limit:.2f} x installer)")
    finally:
        box.close()
        servers.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
