"""Runs a stamped Norvane.exe under Wine and tells what it did."""
import os
import subprocess
import time

from tests.e2e import config
from tests.e2e.wine import Display, Prefix

TENANT = "acme-demo"
DOWNLOAD_ID = "5eed0123456789abcdef0123456789ab"


def screenshot(display, path):
    subprocess.run(["import", "-display", display, "-window", "root", path], check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print(f"  screenshot: {path}")


def main():
    own_display = os.environ.get("DISPLAY")
    xvfb = None
    if not own_display:
        xvfb = Display()
        display = xvfb.start()
    else:
        display = own_display
    shots = os.path.join(config.ROOT, "build", "demo")
    os.makedirs(shots, exist_ok=True)
    prefix = Prefix("win64", display=display)
    try:
        stamped = os.path.join(prefix.root, "Norvane-acme-demo.exe")
        subprocess.run([config.pack(), "stamp", "--download-id", DOWNLOAD_ID, "--tenant", TENANT,
                        config.test_exe(), stamped], check=True)
        print(f"stamped {stamped} for tenant {TENANT}")
        subprocess.run([config.pack(), "inspect", stamped], check=True)
        program = prefix.start(stamped)
        step = 0
        while program.poll() is None and step < 120:
            time.sleep(1)
            step += 1
            if xvfb and step % 3 == 0:
                screenshot(display, os.path.join(shots, f"screen-{step:03d}.png"))
        if program.poll() is None:
            print("the program is still running after two minutes; stopping it")
            program.kill()
        print(f"exit code: {program.wait()}")
        log = prefix.host_path(r"C:\ProgramData\Norvane\logs\host.log")
        if os.path.exists(log):
            print("host.log:")
            with open(log, encoding="utf-8-sig") as f:
                print("".join("  " + line for line in f))
        else:
            print("host.log: (no lines written)")
    finally:
        prefix.close()
        if xvfb:
            xvfb.stop()


if __name__ == "__main__":
    main()
