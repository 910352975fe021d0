"""Helpers shared by the journeys: stamping copies, running with a message-box
watcher, reading the log."""
import os
import re
import subprocess
import tempfile
import unittest

from . import config, payload
from .wine import Display, Prefix

CAPTION = "Norvane 원격"
START_ERROR_TEXT = "설치 파일이나 실행 인수를 확인할 수 없습니다. 고객 다운로드 주소에서 다시 받아 주세요."
LOG_LINE = re.compile(r"^\[(\d\d):(\d\d):(\d\d)\.(\d{3})\] \[(SYS|ADM|USR) (\d+)\] (.*)$")
MACHINE_LOG = r"C:\ProgramData\Norvane\logs\host.log"


class WineJourney(unittest.TestCase):
    """One display and one prefix per test class; subclasses may make more."""
    arch = "win64"

    @classmethod
    def setUpClass(cls):
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
