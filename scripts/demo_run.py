"""The main job end to end: a signed test release on loopback release servers,
a download stamped for a sample tenant, and the real Norvane.exe fetching,
verifying and running the installer under Wine."""
import os
import shutil
import subprocess
import time

from tests.e2e import config, fetch_fixtures
from tests.e2e.wine import Display, Prefix
from tests.server import test_pki
from tests.server.release_server import ReleaseServer

TENANT = "acme-demo"
DOWNLOAD_ID = "5eed0123456789abcdef0123456789ab"
VERSION = "1.4.12"
INSTALLER_PADDING = 24 * 1024 * 1024   # bytes of the stand-in host program
PIECE_DELAY = 0.02                     # seconds per 64 KiB piece: about 8 s in all
SHOT_EVERY = 1.0
RUN_LIMIT = 180


def pack(*args):
    subprocess.run([config.pack(), *args], check=True, stdout=subprocess.DEVNULL)


def make_release(work):
    """Full installers for both widths, signed with the test update key and laid
    out for the servers by norvane-pack publish."""
    installers = {}
    for bits in (64, 32):
        # A large host program makes a download long enough to watch, and keeps
        # the payload trailer at the end of the file where it belongs.
        host = os.path.join(work, f"host-{bits}.bin")
        with open(host, "wb") as f:
            f.write(os.urandom(INSTALLER_PADDING))
        image = os.path.join(work, f"installer-{bits}.exe")
        pack("bundle", "--bits", str(bits), "--file", f"NorvaneHost.exe={host}",
             "--file", f"NorvaneHostService.exe={config.wine_helper('fake_host.exe')}",
             "--file", f"NorvaneAgent.exe={config.wine_helper('fake_host.exe')}",
             config.wine_helper("fake_installer_1_4_12_x64.exe" if bits == 64 else "fake_installer_1_4_12.exe"), image)
        installers[bits] = image
    release = os.path.join(work, "release")
    pack("publish", "--secret", fetch_fixtures.UPDATE_SECRET, "--version", VERSION,
         "--x64", installers[64], "--x86", installers[32], release)
    return release


def screenshot(display, path):
    subprocess.run(["import", "-display", display, "-window", "root", path],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


def main():
    work = os.path.join(config.ROOT, "build", "demo")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    print("== making a signed test release")
    release = make_release(work)
    pki = test_pki.make(os.path.join(config.WORK, "pki"))
    servers = [ReleaseServer(release, pki, fetch_fixtures.PRIMARY_MOUNT).start(),
               ReleaseServer(release, pki, fetch_fixtures.SECONDARY_MOUNT).start()]
    for server in servers:
        for name in ("Norvane-x64.exe", "Norvane-x86.exe"):
            server.add_rule(name, chunk_delay=PIECE_DELAY)
    print(f"   release servers on https://localhost:{servers[0].port} and :{servers[1].port} (loopback only)")

    xvfb = None
    display = os.environ.get("DISPLAY")
    if not display:
        xvfb = Display()
        display = xvfb.start()
        print(f"   no X display: running under Xvfb {display}, screenshots in {work}")
    prefix = Prefix("win64", display=display)
    try:
        trusted = subprocess.run(["wine", config.wine_helper("fetch_driver.exe"), "trust-root",
                                  Prefix.windows_path(os.path.join(pki, "root.der"))], env=prefix.env,
                                 capture_output=True, timeout=60)
        assert trusted.returncode == 0, "could not trust the test root in the demo prefix"
        prefix.env.update({
            "NORVANE_TEST_PRIMARY_URL": f"https://localhost:{servers[0].port}{fetch_fixtures.PRIMARY_MOUNT}/latest/download",
            "NORVANE_TEST_SECONDARY_URL": f"https://localhost:{servers[1].port}{fetch_fixtures.SECONDARY_MOUNT}/latest/download",
            "NORVANE_FAKE_RECORD": Prefix.windows_path(os.path.join(work, "installer-runs.txt")),
        })

        print(f"== stamping Norvane.exe for tenant {TENANT}")
        stamped = os.path.join(work, f"Norvane-{TENANT}.exe")
        pack("stamp", "--download-id", DOWNLOAD_ID, "--tenant", TENANT, config.test_exe(), stamped)
        subprocess.run([config.pack(), "inspect", stamped], check=True)

        print("== running it under Wine")
        program = prefix.start_program(stamped)
        started = time.monotonic()
        shots = 0
        while program.poll() is None and time.monotonic() - started < RUN_LIMIT:
            time.sleep(SHOT_EVERY)
            if xvfb:
                shots += 1
                screenshot(display, os.path.join(work, f"screen-{shots:03d}.png"))
        if program.poll() is None:
            print("   still running after the time limit; stopping it")
            program.kill()
        else:
            print(f"   exit code: {program.wait()}")
        runs = os.path.join(work, "installer-runs.txt")
        if os.path.exists(runs):
            with open(runs, encoding="utf-8") as f:
                print("   the verified installer ran as:", f.read().strip().split("|", 1)[1])
        leftovers = [p for p in prefix_temp_folders(prefix)]
        print(f"   staged folders left behind: {len(leftovers)}")
        if xvfb:
            print(f"   {shots} screenshots: {work}/screen-*.png")
        log = prefix.host_path(r"C:\ProgramData\Norvane\logs\host.log")
        print("== host.log")
        if os.path.exists(log):
            with open(log, encoding="utf-8-sig") as f:
                print("".join("   " + line for line in f), end="")
        else:
            print("   (no lines written)")
    finally:
        prefix.close()
        for server in servers:
            server.stop()
        if xvfb:
            xvfb.stop()


def prefix_temp_folders(prefix):
    found = []
    for dirpath, dirnames, _ in os.walk(os.path.join(prefix.drive_c, "users")):
        found += [os.path.join(dirpath, d) for d in dirnames if d.startswith("Norvane-download-")]
    return found


if __name__ == "__main__":
    main()
