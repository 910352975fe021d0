"""Throw-away Wine prefixes and an X display for running the real program.

A template prefix per architecture is made once per test run and copied for
each test (a copy takes seconds, a fresh wineboot much longer). Every prefix
lives under build/e2e and is never the user's own."""
import os
import shutil
import struct
import subprocess
import tempfile
import time

from . import config

_templates = {}
MALGUN_REPLACEMENT = "NanumGothic"
CONNECTIONS_KEY = r"Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections"
PROXY_DIRECT, PROXY_FIXED, PROXY_PAC, PROXY_AUTO_DETECT = 1, 2, 4, 8


def connection_settings(flags, proxy="", bypass="", pac=""):
    """The binary DefaultConnectionSettings value, the only proxy setting Wine's WinHTTP reads."""
    blob = struct.pack("<III", 0x46, 1, flags)
    for text in (proxy, bypass, pac):
        blob += struct.pack("<I", len(text)) + text.encode("ascii")
    return blob + bytes(32)


def _base_env(prefix, arch, display=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    if display:
        env["DISPLAY"] = display
    if arch == "win32":
        env["WINEARCH"] = "win32"
    return env


def _make_template(arch):
    path = os.path.join(config.WORK, "templates", arch)
    if os.path.isdir(path) and os.path.exists(os.path.join(path, "system.reg")):
        return path
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    env = _base_env(path, arch)
    subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    # The window's face is mapped to a Korean font that Debian ships.
    subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", "Malgun Gothic",
                    "/t", "REG_SZ", "/d", MALGUN_REPLACEMENT, "/f"], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    subprocess.run(["wineserver", "-w"], env=env)
    return path


class Display:
    """A private Xvfb server; stopped by pid."""

    def __init__(self):
        self.number = None
        self.process = None

    def start(self):
        for number in range(91, 140):
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            self.process = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    self.number = number
                    return f":{number}"
                if self.process.poll() is not None:
                    break
                time.sleep(0.05)
            self.stop()
        raise RuntimeError("no Xvfb display could be started")

    @property
    def name(self):
        return f":{self.number}"

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.process = None


class Prefix:
    """A fresh copy of the template prefix for one test."""

    def __init__(self, arch="win64", display=None):
        self.arch = arch
        template = _templates.get(arch) or _make_template(arch)
        _templates[arch] = template
        os.makedirs(config.WORK, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix=f"prefix-{arch}-", dir=config.WORK)
        self.path = os.path.join(self.root, "prefix")
        subprocess.run(["cp", "-a", template, self.path], check=True)
        # Direct connections unless a journey says otherwise: without settings Wine
        # detects a proxy automatically, which may ask the network's DNS for "wpad".
        with open(os.path.join(self.path, "user.reg"), "a") as f:
            value = ",".join(f"{b:02x}" for b in connection_settings(PROXY_DIRECT))
            f.write(f'\n[{CONNECTIONS_KEY.replace(chr(92), chr(92) * 2)}] 0\n"DefaultConnectionSettings"=hex:{value}\n')
        self.env = _base_env(self.path, arch, display)
        subprocess.run(["wineserver", "-p"], env=self.env)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    @property
    def drive_c(self):
        return os.path.join(self.path, "drive_c")

    def host_path(self, windows_path):
        """C:\\x\\y inside the prefix as a host path."""
        drive, rest = windows_path[0].lower(), windows_path[3:]
        assert drive == "c", windows_path
        return os.path.join(self.drive_c, *rest.split("\\"))

    @staticmethod
    def windows_path(host_path):
        return "Z:" + os.path.abspath(host_path).replace("/", "\\")

    def start(self, exe, args=(), stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs):
        return subprocess.Popen(["wine", exe, *args], env=self.env, stdout=stdout, stderr=stderr, **kwargs)

    def run(self, exe, args=(), timeout=60, **kwargs):
        return subprocess.run(["wine", exe, *args], env=self.env, capture_output=True, timeout=timeout, **kwargs)

    def start_program(self, exe, args=()):
        """Starts a program whose full 32-bit exit code matters; see Program."""
        return Program(self, exe, args)

    def wine(self, *args, timeout=60):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, timeout=timeout)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        subprocess.run(["wineserver", "-w"], env=self.env)
        shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Program:
    """A Windows program started through exit_code_helper.exe, so that its
    whole exit code (1223 included) can be read back after it ends."""

    def __init__(self, prefix, exe, args):
        handle, self.code_file = tempfile.mkstemp(prefix="exit-", suffix=".txt", dir=prefix.root)
        os.close(handle)
        os.remove(self.code_file)
        self.process = prefix.start(config.wine_helper("exit_code_helper.exe"),
                                    [Prefix.windows_path(self.code_file), exe, *args],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait(self, timeout=60):
        self.process.wait(timeout)
        with open(self.code_file) as f:
            return int(f.read())

    def poll(self):
        return self.process.poll()

    def kill(self):
        self.process.kill()
