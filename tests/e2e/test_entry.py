"""The start-up check of the real Norvane.exe: payload and command line."""
import os
import shutil
import subprocess

from . import config, payload, pe_image
from .journey import START_ERROR_TEXT, FromDownloadsWithStandIns, WineJourney
from .test_install_flow import ReleaseJourney
from tests.server import test_pki


class StartRefusal(WineJourney):
    """Every defect ends the run with the one error box and exit code 1."""

    def assertRefused(self, exe, args=()):
        code, text = self.run_with_box_watch(exe, args)
        self.assertEqual(text, START_ERROR_TEXT)
        self.assertEqual(code, 1)

    def test_defective_payloads_show_the_error_box(self):
        cases = {
            "four-entries.exe": payload.online_entries() + [("extra", 0, "x")],
            "version-2.exe": payload.online_entries(online_version="2"),
            "upper-case-id.exe": payload.online_entries(download_id="0123456789ABCDEF0123456789abcdef"),
            "slug-32.exe": payload.online_entries(slug="a" * 32),
        }
        for name, entries in cases.items():
            with self.subTest(name):
                self.assertRefused(self.stamped(name, entries))

    def test_stripped_copy_shows_the_error_box(self):
        self.assertRefused(config.test_exe())

    def test_unknown_argument_with_a_good_payload_shows_the_error_box(self):
        good = self.stamped("good.exe")
        for args in (["--help"], ["--background", "--background"], ["--tenant", "Acme Corp"]):
            with self.subTest(args=args):
                self.assertRefused(good, args)

    def test_background_does_not_silence_a_defective_payload(self):
        self.assertRefused(self.stamped("bg.exe", payload.online_entries(slug="-x")), ["--background"])

    def test_payload_version_defect_is_logged(self):
        self.assertRefused(self.stamped("format-3.exe", version=3))
        self.assertIn("붙어 온 조각의 판이 다르다 (3)", self.log_messages())


class AcceptedStart(WineJourney):
    """A good payload with an accepted command line reaches the install flow:
    no start-up box; with no installed copy and no reachable server the flow
    shows its window (or, in background, ends with 1 and shows nothing)."""

    def setUp(self):
        for name in ("NORVANE_TEST_PRIMARY_URL", "NORVANE_TEST_SECONDARY_URL"):
            self.prefix.env[name] = "https://127.0.0.1:9/r/latest/download"  # discard port: refused

    def test_accepted_command_lines_reach_the_install_flow(self):
        good = self.stamped("good.exe")
        # The arguments go through the real CommandLineToArgvW, quoting included.
        for args in ([], ["--tenant", "Acme-Corp"], ["--uri", "norvane://open?tenant=acme-1"],
                     ["--uri", "norvane://open/?tenant=acme"]):
            with self.subTest(args=args):
                program = self.prefix.start_program(good, args)
                clicked = self.prefix.run(config.wine_helper("window_helper.exe"), ["click", "닫기", "30000"])
                self.assertEqual(clicked.returncode, 0, "the setup window never offered Close")
                self.assertEqual(program.wait(30), 1)

    def test_background_run_reaches_the_flow_without_any_window(self):
        code, text = self.run_with_box_watch(self.stamped("good.exe"), ["--tenant=x", "--background"],
                                             box_timeout_ms=3000)
        self.assertIsNone(text)
        self.assertEqual(code, 1)


class AcceptedStartFromDownloads(FromDownloadsWithStandIns, AcceptedStart):
    """The same runs beside planted DLLs: none of them is loaded."""


class SignedDownload(ReleaseJourney):
    """A stamped download Authenticode-signed afterwards, with the commands of
    docs/stamping.md: the certificate table follows the payload. A second
    payload planted inside the table, where the signature does not reach, is
    never read: the install runs with the signed download id."""
    installer_padding = 0

    def test_signed_after_stamping_verifies_reads_back_and_installs_with_the_signed_payload(self):
        pki = test_pki.make(os.path.join(config.WORK, "pki"))
        stamped, signed = os.path.join(self.files, "stamped.exe"), os.path.join(self.files, "signed.exe")
        injected = os.path.join(self.files, "injected.exe")
        verify = ["osslsigncode", "verify", "-CAfile", os.path.join(pki, "root.pem"), "-in"]
        for command in ([config.pack(), "stamp", "--download-id", payload.GOOD_ID, "--tenant", "acme-seoul",
                         config.test_exe(), stamped],
                        ["osslsigncode", "sign", "-pkcs12", os.path.join(pki, "codesign.pfx"),
                         "-readpass", os.path.join(pki, "codesign.pass"), "-h", "sha256",
                         "-n", "Norvane 원격 온라인 설치", "-in", stamped, "-out", signed]):
            result = subprocess.run(command, capture_output=True, text=True, timeout=120)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(signed, "rb") as f:
            data = f.read()
        planted = payload.build(payload.online_entries(download_id="f" * 32, slug="evil"), len(data), padding=0)
        with open(injected, "wb") as f:
            f.write(pe_image.grow_certificate_table(data, planted))
        self.prefix.env["NORVANE_FAKE_EXIT"] = "7"
        for exe in (signed, injected):
            with self.subTest(os.path.basename(exe)):
                verified = subprocess.run(verify + [exe], capture_output=True, text=True, timeout=120)
                self.assertIn("Signature verification: ok", verified.stdout, verified.stdout + verified.stderr)
                inspected = subprocess.run([config.pack(), "inspect", exe], capture_output=True, text=True,
                                           timeout=120)
                self.assertRegex(inspected.stdout, r'tenant\.slug +0 +\d+ +10 +"acme-seoul"')
                self.assertIn(f'"{payload.GOOD_ID}"', inspected.stdout)
                if os.path.exists(self.record):
                    os.remove(self.record)
                self.assertEqual(self.prefix.start_program(exe).wait(120), 7, self.log_messages())
                self.assertInstallerRanWith("")  # named after the signed download id


class Logging(WineJourney):
    """host.log: path, byte-order mark, line shape, rotation, legacy move, fallback."""

    def setUp(self):
        shutil.rmtree(self.prefix.host_path(r"C:\ProgramData\Norvane"), ignore_errors=True)
        self.bad = self.stamped("format-1.exe", version=1)

    def run_logging_once(self):
        code, text = self.run_with_box_watch(self.bad)
        self.assertEqual(code, 1)

    def test_new_log_starts_with_a_bom_and_lines_follow_without_another(self):
        self.run_logging_once()
        self.run_logging_once()
        raw = self.read_log()
        self.assertTrue(raw.startswith(b"\xef\xbb\xbf"))
        self.assertEqual(raw.count(b"\xef\xbb\xbf"), 1)
        self.assertNotIn(b"\r", raw)
        self.assertEqual(self.log_messages(), ["붙어 온 조각의 판이 다르다 (1)"] * 2)

    def test_a_full_log_is_rotated_after_the_line_that_fills_it(self):
        log = self.log_path()
        os.makedirs(os.path.dirname(log), exist_ok=True)
        with open(log, "wb") as f:
            f.write(b"\xef\xbb\xbf" + b"x" * (4 * 1024 * 1024 - 40) + b"\n")
        with open(log + ".1", "wb") as f:
            f.write(b"previous generation\n")
        self.run_logging_once()
        self.assertFalse(os.path.exists(log))
        with open(log + ".1", "rb") as f:
            rotated = f.read()
        self.assertGreaterEqual(len(rotated), 4 * 1024 * 1024)
        self.assertTrue(rotated.endswith("붙어 온 조각의 판이 다르다 (1)\n".encode()))
        self.run_logging_once()
        self.assertTrue(self.read_log().startswith(b"\xef\xbb\xbf["))

    def user_log(self):
        """The per-user log folder that holds a host.log (exactly one may) and its messages."""
        folders = [d for d, _, files in os.walk(self.prefix.drive_c) if "host.log" in files and "Local" in d]
        self.assertEqual(len(folders), 1, folders)
        windows = "C:\\" + os.path.relpath(os.path.join(folders[0], "host.log"), self.prefix.drive_c).replace("/", "\\")
        return folders[0], self.log_messages(windows)

    def test_links_planted_for_the_log_are_never_written_through(self):
        root = self.prefix.host_path(r"C:\ProgramData\Norvane")
        logs, outside = os.path.dirname(self.log_path()), os.path.join(self.files, "outside")
        target = os.path.join(outside, "victim.txt")
        for name, plant in (("symbolic link", lambda: os.symlink(target, self.log_path())),
                            ("hard link", lambda: os.link(target, self.log_path())),
                            ("linked folder", lambda: os.rmdir(logs) or os.symlink(outside, logs)),
                            ("linked machine folder", lambda: shutil.rmtree(root) or os.symlink(outside, root))):
            with self.subTest(name):
                if os.path.islink(root):
                    os.remove(root)
                for folder in (root, outside):
                    shutil.rmtree(folder, ignore_errors=True)
                os.makedirs(outside)
                os.makedirs(logs)
                with open(target, "wb") as f:
                    f.write(b"not a log")
                os.chmod(target, 0o640)
                os.chmod(outside, 0o755)
                plant()
                self.run_logging_once()
                with open(target, "rb") as f:
                    self.assertEqual(f.read(), b"not a log")
                self.assertEqual(os.stat(target).st_mode & 0o777, 0o640)
                self.assertEqual(os.stat(outside).st_mode & 0o777, 0o755)  # no rights set on a link's target
                self.assertEqual(os.listdir(outside), ["victim.txt"])
        os.remove(root)
        folder, _ = self.user_log()  # linked folders are passed over for the user's own
        os.remove(os.path.join(folder, "host.log"))

    def test_old_logs_stay_in_a_linked_machine_folder(self):
        # Moving them out of a folder an ordinary account chose is what a planted
        # link would turn into moving any file of the machine.
        root, planted = self.prefix.host_path(r"C:\ProgramData\Norvane"), os.path.join(self.files, "planted")
        shutil.rmtree(planted, ignore_errors=True)
        os.makedirs(planted)
        old_logs = ("audit.log", "service.log", "service.log.1")
        for name in old_logs:
            with open(os.path.join(planted, name), "w") as f:
                f.write(name)
        os.symlink(planted, root)
        try:
            self.run_logging_once()
        finally:
            os.remove(root)
        self.assertEqual(sorted(os.listdir(planted)), list(old_logs))
        self.assertEqual([open(os.path.join(planted, n)).read() for n in old_logs], list(old_logs))
        folder, messages = self.user_log()
        self.assertEqual(os.listdir(folder), ["host.log"])
        self.assertEqual(messages[0], "붙어 온 조각의 판이 다르다 (1)")
        self.assertTrue(messages[1].startswith("공용 기록 폴더를 얻지 못해 이 자리로 물러났다: "), messages)
        os.remove(os.path.join(folder, "host.log"))

    def test_a_full_log_that_cannot_be_rotated_stops_growing_until_it_can(self):
        log = self.log_path()
        os.makedirs(log + ".1")  # a folder where the rotated log goes: every rename fails
        with open(log, "wb") as f:
            f.write(b"\xef\xbb\xbf" + b"x" * (8 * 1024 * 1024) + b"\n")
        for _ in range(2):
            self.run_logging_once()
        self.assertEqual(os.path.getsize(log), 3 + 8 * 1024 * 1024 + 1)
        os.rmdir(log + ".1")  # rotation works again: the oversized log moves aside
        self.run_logging_once()
        self.assertEqual(os.path.getsize(log + ".1"), 3 + 8 * 1024 * 1024 + 1)

    def test_a_log_below_the_limit_is_not_rotated(self):
        log = self.log_path()
        os.makedirs(os.path.dirname(log), exist_ok=True)
        with open(log, "wb") as f:
            f.write(b"\xef\xbb\xbf" + b"x" * (4 * 1024 * 1024 - 400) + b"\n")
        self.run_logging_once()
        self.assertTrue(os.path.exists(log))
        self.assertFalse(os.path.exists(log + ".1"))

    def test_legacy_logs_move_into_the_log_folder_without_replacing(self):
        root = self.prefix.host_path(r"C:\ProgramData\Norvane")
        os.makedirs(os.path.join(root, "logs"))
        for name in ("service.log", "service.log.1", "audit.log"):
            with open(os.path.join(root, name), "w") as f:
                f.write(name)
        with open(os.path.join(root, "logs", "service.log.1.old"), "w") as f:
            f.write("already there")
        self.run_logging_once()
        logs = os.path.join(root, "logs")
        with open(os.path.join(logs, "service.log.old")) as f:
            self.assertEqual(f.read(), "service.log")
        self.assertEqual(open(os.path.join(logs, "audit.log")).read(), "audit.log")
        self.assertEqual(open(os.path.join(logs, "service.log.1.old")).read(), "already there")
        self.assertTrue(os.path.exists(os.path.join(root, "service.log.1")))
        self.assertFalse(os.path.exists(os.path.join(root, "service.log")))

    def test_without_a_machine_folder_the_user_folder_is_used_with_one_notice(self):
        blocker = self.prefix.host_path(r"C:\ProgramData\Norvane")
        with open(blocker, "w") as f:
            f.write("a file where the folder should be")
        try:
            self.run_logging_once()
            self.run_logging_once()
            user_logs = [os.path.join(dirpath, "host.log") for dirpath, _, files in os.walk(self.prefix.drive_c)
                         if "host.log" in files and "Local" in dirpath]
            self.assertEqual(len(user_logs), 1, user_logs)
            windows = "C:\\" + os.path.relpath(user_logs[0], self.prefix.drive_c).replace("/", "\\")
            messages = self.log_messages(windows)
            notice = "공용 기록 폴더를 얻지 못해 이 자리로 물러났다: " + windows
            self.assertEqual(messages, ["붙어 온 조각의 판이 다르다 (1)", notice, "붙어 온 조각의 판이 다르다 (1)", notice])
        finally:
            os.remove(blocker)

    def test_a_long_message_is_cut_to_2047_characters(self):
        # A release host of 1,500 characters makes the fallback message far longer than the limit.
        host = "a" * 1500 + ".invalid"
        self.prefix.env["NORVANE_TEST_PRIMARY_URL"] = f"https://{host}/r/latest/download"
        self.prefix.env["NORVANE_TEST_SECONDARY_URL"] = f"https://b{host}/r/latest/download"
        try:
            self.assertEqual(self.run_quietly(self.stamped("good.exe"), ["--background"]), 1)
        finally:
            del self.prefix.env["NORVANE_TEST_PRIMARY_URL"], self.prefix.env["NORVANE_TEST_SECONDARY_URL"]
        fallback = [m for m in self.log_messages() if m.startswith("판올림을 ")]
        self.assertEqual(len(fallback), 1)
        self.assertEqual(len(fallback[0]), 2047)
        self.assertEqual(fallback[0], ("판올림을 " + host + " 에서 받지 못해 b" + host)[:2047])
