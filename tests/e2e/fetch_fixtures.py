"""Shared set-up of the fetch journeys: the test CA, a published release,
two loopback release servers and the fetch driver run in a prefix."""
import base64
import glob
import hashlib
import os
import re
import shutil
import socket
import subprocess
import tempfile

from . import config
from .wine import CONNECTIONS_KEY, PROXY_AUTO_DETECT, PROXY_DIRECT, PROXY_FIXED, PROXY_PAC, Prefix, connection_settings  # noqa: F401
from tests.server import test_pki
from tests.server.release_server import ReleaseServer

VERSION = "1.4.12"
DOWNLOAD_ID = "0123456789abcdef0123456789abcdef"
PRIMARY_MOUNT = "/norvane-test/host/releases"
SECONDARY_MOUNT = "/api/host/releases"
UPDATE_SECRET = os.path.join(config.ROOT, "tests", "keys", "update-signing-test.key")
MACHINE_LOG = r"C:\ProgramData\Norvane\logs\host.log"
RUN_TIMEOUT = 90
UNRESOLVABLE_HOST = "releases.invalid"  # in the test leaf certificate; only a test proxy reaches it


def pki_dir():
    return test_pki.make(os.path.join(config.WORK, "pki"))


def helper(name):
    return config.wine_helper(name)


def pack(*args):
    subprocess.run([config.pack(), *args], check=True, capture_output=True, timeout=900)


def publish(out_dir, installer, version=VERSION, padding=0):
    """A signed release of full installers made from the 32-bit stand-in
    `installer` and its 64-bit twin "<name>_x64<ext>", each bundled with the
    programs for its width; `padding` random bytes ride in the host program."""
    work = out_dir + "-parts"
    os.makedirs(work, exist_ok=True)
    host = os.path.join(work, "NorvaneHost.exe")
    shutil.copyfile(helper("fake_host.exe"), host)
    with open(host, "ab") as f:
        f.write(os.urandom(padding))
    stem, extension = os.path.splitext(installer)
    full = {}
    for bits, image in ((64, stem + "_x64" + extension), (32, config.x86_twin(installer))):
        full[bits] = os.path.join(work, f"installer-{bits}{extension}")
        pack("bundle", "--bits", str(bits), "--file", f"NorvaneHost.exe={host}",
             "--file", f"NorvaneHostService.exe={helper('fake_host.exe')}",
             "--file", f"NorvaneAgent.exe={helper('fake_host.exe')}", image, full[bits])
    pack("publish", "--secret", UPDATE_SECRET, "--version", version, "--x64", full[64], "--x86", full[32], out_dir)
    return out_dir


def publish_at_most(out_dir, installer, limit):
    """A release whose larger full installer is within 1 MiB of `limit` bytes:
    the bundled programs come on top of the image, so they are measured first."""
    unpadded = os.path.join(publish(out_dir + "-unpadded", installer), "latest", "download")
    largest = max(os.path.getsize(os.path.join(unpadded, f"Norvane-{w}.exe")) for w in ("x64", "x86"))
    return publish(out_dir, installer, padding=limit - largest)


def signed(path):
    """The bytes of `path` and their signature under the test update key."""
    sig = path + ".sig"
    pack("sign", "--secret", UPDATE_SECRET, path, "--out", sig)
    with open(path, "rb") as f, open(sig, "rb") as s:
        return f.read(), s.read()


def set_user_proxy(env, flags, **settings):
    """The user's proxy settings; flags None removes them (Wine then detects automatically)."""
    value = [] if flags is None else ["/t", "REG_BINARY", "/d", connection_settings(flags, **settings).hex()]
    subprocess.run(["wine", "reg", "delete" if flags is None else "add", "HKCU\\" + CONNECTIONS_KEY, "/v",
                    "DefaultConnectionSettings", *value, "/f"], env=env, capture_output=True, timeout=60)


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def sha1_hex(der):
    return hashlib.sha1(der).hexdigest().upper()


HOST_CA_BUNDLE = "/etc/ssl/certs/ca-certificates.crt"


def ca_folder_without(sha1, out_dir):
    """A copy of the host's CA bundle without one root. Wine copies the
    host's roots into every prefix's ROOT store each time a process opens it,
    so a prefix lacks a root only while the host bundle that Wine reads does."""
    with open(HOST_CA_BUNDLE) as f:
        text = f.read()
    kept = []
    for block in re.findall(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", text, re.S):
        der = base64.b64decode("".join(block.splitlines()[1:-1]))
        if sha1_hex(der) != sha1:
            kept.append(block + "\n")
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "ca-certificates.crt"), "w") as f:
        f.write("".join(kept))
    return out_dir


def hidden_host_roots_command(ca_folder):
    """Runs a command in a private mount namespace that sees ca_folder as
    /etc/ssl/certs; None when this machine cannot make one."""
    command = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
               'mount --bind "$0" /etc/ssl/certs && exec "$@"', ca_folder]
    try:
        probe = subprocess.run(command + ["true"], capture_output=True, timeout=10)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return command if probe.returncode == 0 else None


class FetchPrefix:
    """A prefix with the two servers' URLs and the log at hand."""

    def __init__(self, arch="win64", display=None):
        self.prefix = Prefix(arch, display)
        self.extra_env = {}
        self.wrapper = []

    def env(self):
        env = dict(self.prefix.env)
        env.update(self.extra_env)
        return env

    def driver(self, *args, timeout=RUN_TIMEOUT):
        result = subprocess.run([*self.wrapper, "wine", helper("fetch_driver.exe"), *args], env=self.env(),
                                capture_output=True, timeout=timeout)
        lines = result.stdout.decode("utf-8", "replace").replace("\r\n", "\n").splitlines()
        facts = {}
        for line in lines:
            key, _, value = line.partition(" ")
            facts[key] = value
        return result.returncode, facts

    def start_driver(self, *args):
        return subprocess.Popen([*self.wrapper, "wine", helper("fetch_driver.exe"), *args], env=self.env(),
                                stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)

    def log_messages(self):
        path = self.prefix.host_path(MACHINE_LOG)
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            raw = f.read()
        text = raw[3:].decode("utf-8") if raw.startswith(b"\xef\xbb\xbf") else raw.decode("utf-8")
        return [line.split("] ", 2)[2] for line in text.split("\n") if line.count("] ") >= 2]

    def clear_log(self):
        path = self.prefix.host_path(MACHINE_LOG)
        if os.path.exists(path):
            os.remove(path)

    def staging_folders(self):
        users = os.path.join(self.prefix.drive_c, "users")
        return glob.glob(os.path.join(users, "*", "Temp", "Norvane-download-*")) + \
            glob.glob(os.path.join(users, "*", "AppData", "Local", "Temp", "Norvane-download-*"))

    def close(self):
        self.prefix.close()


class ReleaseServers:
    """Two servers of one release, both named localhost: Wine matches no IP address in a certificate."""

    def __init__(self, release_root):
        pki = pki_dir()
        self.primary = ReleaseServer(release_root, pki, PRIMARY_MOUNT, host="127.0.0.1").start()
        self.secondary = ReleaseServer(release_root, pki, SECONDARY_MOUNT, host="127.0.0.1").start()

    def env(self, primary_down=False, host="localhost"):
        primary_port = closed_port() if primary_down else self.primary.port
        return {
            "NORVANE_TEST_PRIMARY_URL": f"https://{host}:{primary_port}{PRIMARY_MOUNT}/latest/download",
            "NORVANE_TEST_SECONDARY_URL": self.secondary.base_url(host),
        }

    def reset(self, tls="good"):
        self.primary.reset(tls)
        self.secondary.reset(tls)

    def stop(self):
        self.primary.stop()
        self.secondary.stop()


def work_dir(prefix):
    os.makedirs(config.WORK, exist_ok=True)
    return tempfile.mkdtemp(prefix=prefix, dir=config.WORK)
