"""Helpers shared by the journeys: stamping copies, running with a message-box
watcher, reading the log."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from . import config, payload
from .pe_image import KNOWN_DLLS, PeImage
from .wine import Display, Prefix

CAPTION = "Norvane 원격"
START_ERROR_TEXT = "설치 파일이나 실행 인수를 확인할 수 없습니다. 고객 다운로드 주소에서 다시 받아 주세요."
LOG_LINE = re.compile(r"^\[(\d\d):(\d\d):(\d\d)\.(\d{3})\] \[(SYS|ADM|USR) (\d+)\] (.*)$")
MACHINE_LOG = r"C:\ProgramData\Norvane\logs\host.log"
# DLLs that Windows programs commonly pull in, besides those the program imports.
COMMONLY_LOADED = ("uxtheme", "secur32", "dnsapi", "iphlpapi", "userenv", "cryptbase", "wintrust", "bcrypt", "ncrypt",
                   "msasn1", "rsaenh", "winmm", "wtsapi32", "netapi32", "mswsock", "sspicli", "cryptsp", "propsys")


class WineJourney(unittest.TestCase):
    """One display and one prefix per test class; subclasses may make more."""
    arch = "win64"

    @classmethod
    def setUpClass(cls):
        if cls.arch == "win32" and config.runs_only_64bit():
            raise unittest.SkipTest("a 32-bit prefix needs a kernel that runs 32-bit programs")
        cls.display = Display()
        cls.display.start()
        cls.prefix = Prefix(cls.arch, display=cls.display.name)
        cls.files = tempfile.mkdtemp(prefix="files-", dir=cls.prefix.root)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.close()
        cls.display.stop()

    def stamped(self, name, entries=None, image=None, **kwargs):
        out = os.path.join(self.files, name)
        payload.stamp(image or config.test_exe(), out, entries or payload.online_entries(), **kwargs)
        return out

    def run_with_box_watch(self, exe, args=(), box_timeout_ms=20000, run_timeout=60):
        """Runs exe; a watcher in the same prefix answers one message box.
        Returns (exit code, box text or None)."""
        text_file = os.path.join(self.files, "box.txt")
        if os.path.exists(text_file):
            os.remove(text_file)
        watcher = self.prefix.start(config.wine_helper("msgbox_helper.exe"),
                                    [CAPTION, str(box_timeout_ms), Prefix.windows_path(text_file)])
        program = self.prefix.start_program(exe, args)
        code = program.wait(run_timeout)
        try:
            watcher.wait(2)
        except subprocess.TimeoutExpired:
            watcher.kill()  # the program ended without a box
            watcher.wait()
        text = None
        if watcher.returncode == 0:
            with open(text_file, encoding="utf-8") as f:
                text = f.read()
        return code, text

    def run_quietly(self, exe, args=(), timeout=60):
        """Runs exe where no box is expected: a box would block it until the timeout."""
        program = self.prefix.start_program(exe, args)
        try:
            return program.wait(timeout)
        except subprocess.TimeoutExpired:
            program.kill()
            self.fail(f"{os.path.basename(exe)} {' '.join(args)} did not end by itself (a message box?)")

    def log_path(self, windows_path=MACHINE_LOG):
        return self.prefix.host_path(windows_path)

    def read_log(self, windows_path=MACHINE_LOG):
        path = self.log_path(windows_path)
        if not os.path.exists(path):
            return b""
        with open(path, "rb") as f:
            return f.read()

    def log_messages(self, windows_path=MACHINE_LOG):
        raw = self.read_log(windows_path)
        text = raw[3:].decode("utf-8") if raw.startswith(b"\xef\xbb\xbf") else raw.decode("utf-8")
        messages = []
        for line in text.split("\n")[:-1]:
            match = LOG_LINE.match(line)
            self.assertIsNotNone(match, f"malformed log line: {line!r}")
            messages.append(match.group(7))
        return messages
WINE_OWN_LOADS = ("version", "secur32")


class FromDownloadsWithStandIns:
    """Mixin before a WineJourney: the downloads lie in a "Downloads" folder beside
    a stand-in for every DLL the program imports (plainly or delayed) and for
    DLLs that programs commonly pull in, and Wine prefers DLLs found there, as
    Windows does for every DLL that is not a KnownDLL. After each test no
    stand-in may have been loaded. Measured Wine artefacts keep some names on
    Wine's copies: Wine ignores KnownDLLs; its user32 loads version.dll before
    any of our code runs; its winhttp delay-loads secur32.dll past the default
    DLL directories (LoadLibraryW in our process honours them). On Windows
    KnownDLLs and their dependencies come from System32 and the default DLL
    directories hold for every load; the import-table test checks the rest."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.files = cls.prefix.host_path(r"C:\users\Public\Downloads")
        os.makedirs(cls.files, exist_ok=True)
        with open(config.test_exe(), "rb") as f:
            image = PeImage(f.read())
        names = {name[:-4] for name in image.imports() + image.delay_imports()} | set(COMMONLY_LOADED)
        for name in names:
            shutil.copyfile(config.wine_helper("standin_dll.dll"), os.path.join(cls.files, name + ".dll"))
        preferred = sorted(name for name in names if name + ".dll" not in KNOWN_DLLS and name not in WINE_OWN_LOADS)
        cls.prefix.env["WINEDLLOVERRIDES"] += ";" + ",".join(preferred) + "=n,b"

    def tearDown(self):
        loaded = sorted(name for name in os.listdir(self.files) if name.endswith(".loaded"))
        super().tearDown()
        self.assertEqual(loaded, [])
