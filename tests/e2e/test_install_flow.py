"""The install flow of the real Norvane.exe when the fetch cannot succeed:
failure screen with Close and Retry, cancel during the version request, and
background runs that fail without any window."""
import glob
import os
import shutil
import socket
import subprocess
import threading
import time

from . import config
from .journey import FromDownloadsWithStandIns, WineJourney
from .wine import Prefix
from tests.server.release_server import ConnectProxy

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

    def staging_folders(self, pattern="Norvane-download-*"):
        return glob.glob(os.path.join(self.prefix.drive_c, "users", "*", "**", "Temp", pattern), recursive=True)

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
        # Then Alt+F4 on the second failure screen (on the progress screen it would cancel).
        self.assertEqual(self.window("close-when", RETRY, "30000"), 0)
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

    def test_a_quick_second_click_after_retry_does_not_cancel_the_new_attempt(self):
        stalling = StallingServer(hold=2)  # keeps the progress screen up for the second click
        try:
            url = f"https://127.0.0.1:{stalling.port}/r/latest/download"
            self.set_servers(url, url)
            program = self.prefix.start_program(self.download)
            # As when the second click of a double click on Retry lands on Cancel, which the
            # progress screen shows in about the same place.
            self.assertEqual(self.window("quick-clicks", RETRY, CANCEL, "30000"), 0)
            self.assertEqual(self.window("click", CLOSE, "20000"), 0)  # the retry failed too: not cancelled
            self.assertEqual(program.wait(30), 1)
            self.assertEqual(len([m for m in self.log_messages() if "에서 받지 못해" in m]), 2, self.log_messages())
        finally:
            stalling.stop()

    def test_a_log_folder_swapped_for_a_link_after_the_first_line_is_never_written_through(self):
        # Another account renames the log folder and links its name elsewhere while the
        # run waits on its failure screen. Windows refuses that rename while the run holds
        # the folder; a Unix rename under Wine does not ask. The run acts only inside the
        # folder it holds (Wine cannot name a file in a folder renamed under it, so the
        # run then stops logging), never through the link.
        logs, outside = os.path.dirname(self.log_path()), os.path.join(self.files, "swap-target")
        held = logs + "-held"
        os.makedirs(outside, exist_ok=True)
        victim = os.path.join(outside, "victim.txt")
        with open(victim, "wb") as f:
            f.write(b"not a log")
        os.chmod(outside, 0o755)
        program = self.prefix.start_program(self.download)
        try:
            for _ in range(300):
                if self.log_messages():
                    break
                time.sleep(0.1)
            os.rename(logs, held)
            os.symlink(outside, logs)
            self.assertEqual(self.window("click", RETRY, "30000"), 0)
            time.sleep(2)
            self.assertEqual(self.window("click", CLOSE, "30000"), 0)
            self.assertEqual(program.wait(30), 1)
        finally:
            if os.path.islink(logs):
                os.remove(logs)
            if os.path.isdir(held):
                os.rename(held, logs)
        self.assertEqual(os.listdir(outside), ["victim.txt"])
        with open(victim, "rb") as f:
            self.assertEqual(f.read(), b"not a log")
        self.assertEqual(os.stat(outside).st_mode & 0o777, 0o755)
        self.assertIn("에서 받지 못해", " ".join(self.log_messages()))  # the first attempt, in the held folder

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


class ReleaseJourney(FlowJourney):
    """A published release on the two loopback release servers, a prefix that
    trusts their test CA, and the stand-in installer's record of its runs."""
    installer_padding = 4 * 1024 * 1024  # enough pieces for a slow body to be cancelled in
    trust_test_root = True
    installer_image = "fake_installer_1_4_12.exe"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        from . import fetch_fixtures as ff
        cls.ff = ff
        cls.release_work = ff.work_dir("flow-")
        release = ff.publish(os.path.join(cls.release_work, "release"), config.wine_helper(cls.installer_image),
                             padding=cls.installer_padding)
        cls.servers = ff.ReleaseServers(release)
        if cls.trust_test_root:
            trusted = subprocess.run(["wine", config.wine_helper("fetch_driver.exe"), "trust-root",
                                      Prefix.windows_path(os.path.join(ff.pki_dir(), "root.der"))],
                                     env=cls.prefix.env, capture_output=True, timeout=60)
            assert trusted.returncode == 0, "the test root could not be trusted"

    @classmethod
    def tearDownClass(cls):
        cls.servers.stop()
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.servers.reset()
        self.prefix.env.update(self.servers.env())
        self.record = os.path.join(self.files, "record.txt")
        if os.path.exists(self.record):
            os.remove(self.record)
        self.prefix.env["NORVANE_FAKE_RECORD"] = Prefix.windows_path(self.record)
        self.prefix.env.pop("NORVANE_FAKE_EXIT", None)

    def installer_runs(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8") as f:
            return [line.split("|", 1)[1] for line in f.read().splitlines()]

    def assertInstallerRanWith(self, arguments):
        runs = self.installer_runs()
        self.assertEqual(len(runs), 1, runs)
        path, _, rest = runs[0][1:].partition('" ')
        self.assertRegex(path, r"\\Temp\\Norvane-download-\{[0-9A-F-]{36}\}\\Norvane--0123456789abcdef0123456789abcdef\.exe$")
        self.assertEqual(rest, arguments)

    def requested(self, name):
        return [p for server in (self.servers.primary, self.servers.secondary) for p in server.requested_paths()
                if p.endswith(name)]


class FirstInstall(ReleaseJourney):
    """No installed copy: the real fetch from the loopback release servers,
    the verified installer run with the forwarded arguments, and nothing left
    in the temporary folder afterwards."""

    def test_first_install_runs_the_verified_installer_and_passes_its_exit_code(self):
        self.prefix.env["NORVANE_FAKE_EXIT"] = "7"
        program = self.prefix.start_program(self.download)
        self.assertEqual(program.wait(120), 7, self.log_messages())
        self.assertInstallerRanWith("")  # the quoted path and one blank: no arguments of ours
        self.assertEqual(self.staging_folders(), [])
        self.assertEqual(len(self.requested("/download/v1.4.12/Norvane-x64.exe")), 1)

    def test_automatic_proxy_detection_left_on_does_not_hold_up_a_direct_install(self):
        if "." in socket.getfqdn():
            self.skipTest("with a DNS domain, automatic detection would ask the network for wpad")
        self.addCleanup(self.ff.set_user_proxy, self.prefix.env, self.ff.PROXY_DIRECT)
        self.ff.set_user_proxy(self.prefix.env, None)  # the Windows default: detect automatically
        started = time.monotonic()
        self.assertEqual(self.prefix.start_program(self.download, ["--background"]).wait(120), 0)
        self.assertLess(time.monotonic() - started, 60)
        self.assertInstallerRanWith(" --background")
        self.assertFalse([m for m in self.log_messages() if "프록시" in m], self.log_messages())

    def test_the_staged_installer_runs_from_a_folder_that_only_system_administrators_and_the_user_may_use(self):
        rights = os.path.join(self.files, "folder-rights.txt")
        if os.path.exists(rights):
            os.remove(rights)
        self.prefix.env["NORVANE_FAKE_FOLDER_RIGHTS"] = Prefix.windows_path(rights)
        try:
            self.assertEqual(self.prefix.start_program(self.download, ["--background"]).wait(120), 0)
            # The control: a folder with inherited rights, read the same way, names Everyone.
            self.prefix.run(config.wine_helper("fake_installer_1_4_12_x64.exe"))
        finally:
            del self.prefix.env["NORVANE_FAKE_FOLDER_RIGHTS"]
        with open(rights, encoding="utf-8") as f:
            staged, control = f.read().splitlines()
        self.assertTrue(staged.startswith("D:") and ";SY)" in staged, staged)
        self.assertNotIn(";WD)", staged)
        self.assertNotIn(";BU)", staged)
        self.assertIn(";WD)", control)

    def test_stale_staging_folders_go_unless_in_use_linked_young_or_not_ours(self):
        temp = glob.glob(os.path.join(self.prefix.drive_c, "users", "*", "Temp"))[0]
        exe = "Norvane--0123456789abcdef0123456789abcdef.exe"
        stale, running, linked, young, planted = (
            os.path.join(temp, "Norvane-download-{%s-4567-89EF-0A1B-2C3D4E5F6789}" % g)
            for g in ("0123ABCD", "11111111", "AAAAAAAA", "22222222", "33333333"))
        other, target = os.path.join(temp, "Norvane-download-old"), os.path.join(self.files, "link-target")
        for folder in (stale, running, other, target, young, planted):
            os.makedirs(folder, exist_ok=True)
            shutil.copy(config.wine_helper("fake_host.exe"), os.path.join(folder, exe))
        os.symlink(target, linked)
        # A link planted as a file (Wine shows it as a plain file) to a file outside.
        outside = os.path.join(self.files, "outside.txt")
        with open(outside, "w") as f:
            f.write("keep")
        os.remove(os.path.join(planted, exe))
        os.symlink(outside, os.path.join(planted, exe))
        quiet = time.time() - 600  # past the five quiet minutes; `young` was written just now
        for folder in (stale, running, other, target, planted):
            os.utime(folder, (quiet, quiet))
        # The installer of an earlier run, still running from its staging folder.
        holder_record = os.path.join(self.files, "holder.txt")
        record, self.prefix.env["NORVANE_FAKE_RECORD"] = self.prefix.env["NORVANE_FAKE_RECORD"], holder_record
        holder = self.prefix.start(os.path.join(running, exe))
        self.prefix.env["NORVANE_FAKE_RECORD"] = record
        try:
            for _ in range(100):
                if os.path.exists(holder_record):
                    break
                time.sleep(0.1)
            self.assertEqual(self.prefix.start_program(self.download, ["--background"]).wait(120), 0)
            self.assertInstallerRanWith(" --background")
            self.assertEqual(sorted(self.staging_folders()), sorted([running, linked, other, young, planted]))
            self.assertEqual([os.listdir(f) for f in (running, target, other, young, planted)], [[exe]] * 5)
            with open(outside) as f:
                self.assertEqual(f.read(), "keep")
        finally:
            holder.kill()
            holder.wait()
            os.remove(linked)
            for folder in (stale, running, other, target, young, planted):
                shutil.rmtree(folder, ignore_errors=True)

    def test_two_runs_at_once_both_install(self):
        # A double click: each run stages, verifies and runs its own copy, and
        # neither clears the other's folder as stale.
        programs = [self.prefix.start_program(self.download, ["--background"]) for _ in range(2)]
        self.assertEqual([program.wait(120) for program in programs], [0, 0], self.log_messages())
        runs = self.installer_runs()
        self.assertEqual(len(set(runs)), 2, runs)
        self.assertEqual(self.staging_folders(), [])

    def test_requested_tenant_and_background_are_forwarded_without_a_window(self):
        code, text = self.run_with_box_watch(self.download, ["--tenant", "Acme-Desk", "--background"],
                                             box_timeout_ms=3000, run_timeout=120)
        self.assertEqual((code, text), (0, None))
        self.assertInstallerRanWith("--tenant=Acme-Desk --background")
        self.assertEqual(self.staging_folders(), [])

    def test_open_link_is_forwarded_to_the_installer(self):
        program = self.prefix.start_program(self.download, ["--uri", "norvane://open/?tenant=beta"])
        self.assertEqual(program.wait(120), 0)
        self.assertInstallerRanWith('--uri "norvane://open?tenant=beta"')

    def test_cancel_during_the_download_leaves_nothing(self):
        for server in (self.servers.primary, self.servers.secondary):
            server.add_rule("Norvane-x64.exe", chunk_delay=0.25)
        program = self.prefix.start_program(self.download)
        for _ in range(200):
            if self.requested("Norvane-x64.exe"):
                break
            time.sleep(0.1)
        time.sleep(1)
        self.assertEqual(self.window("click", CANCEL, "10000"), 0)
        self.assertEqual(program.wait(120), 1223)
        self.assertEqual(self.installer_runs(), [])
        self.assertEqual(self.staging_folders(), [])

    def test_failure_then_retry_then_success(self):
        for server in (self.servers.primary, self.servers.secondary):
            server.add_rule("version.txt", status=404, times=1)
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("click", RETRY, "60000"), 0)
        self.assertEqual(program.wait(120), 0)
        self.assertInstallerRanWith("")
        self.assertIn("판올림 서버가 404 를 줬다", self.log_messages())

    def retry_after_a_cut(self, first=None, later=None):
        """Both sources break the installer off at 60 % once; Retry must complete
        the install. Returns (whole size, cut, Range asked, bytes sent) of the retry."""
        size = len(self.servers.primary.read_file(f"{self.ff.PRIMARY_MOUNT}/download/v1.4.12/Norvane-x64.exe"))
        for server in (self.servers.primary, self.servers.secondary):
            server.add_rule("Norvane-x64.exe", truncate_at=size * 6 // 10, times=1, **(first or {}))
            server.add_rule("Norvane-x64.exe", **(later or {}))
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("wait", RETRY, "60000"), 0)
        self.parked_while_failed = [os.path.getsize(path) for path in self.staging_folders("Norvane-partial-*")]
        self.assertEqual(self.window("click", RETRY, "10000"), 0)
        self.assertEqual(program.wait(120), 0)
        self.assertInstallerRanWith("")
        return (size, size * 6 // 10, *self.servers.primary.bodies[-1][1:])

    def test_retry_asks_for_the_rest_of_a_broken_off_download(self):
        size, cut, wanted, sent = self.retry_after_a_cut()
        self.assertEqual((wanted, sent), (f"bytes={cut}-", size - cut))
        self.assertIn(f"끊긴 다운로드를 이어받는다 ({cut} / {size}바이트)", self.log_messages())
        # Both sources' starts waited on disk, not in memory, and went with the install.
        self.assertEqual(self.parked_while_failed, [cut, cut])
        self.assertEqual(self.staging_folders("Norvane-partial-*"), [])

    def test_retry_starts_over_when_range_is_ignored_or_the_file_changed(self):
        for first, later in (({}, {"ignore_range": True}), ({"etag": '"before"'}, {})):
            self.servers.reset()
            size, cut, wanted, sent = self.retry_after_a_cut(first, later)
            self.assertEqual((wanted, sent), (f"bytes={cut}-", size))
            self.assertIn("끊긴 다운로드를 잇지 못해 처음부터 받는다 (HTTP 200)", self.log_messages())
            os.remove(self.record)
        # A 206 of another ETag is another file; a weak ETag is never asked to be continued.
        self.servers.reset()
        self.retry_after_a_cut({"etag": '"before"'}, {"etag": '"after"', "ignore_if_range": True})
        self.assertIn("끊긴 다운로드를 잇지 못해 처음부터 받는다 (HTTP 206)", self.log_messages())
        os.remove(self.record)
        self.servers.reset()
        size, cut, wanted, sent = self.retry_after_a_cut({"etag": 'W/"weak"'})
        self.assertEqual((wanted, sent), (None, size))

    def test_retry_trusts_a_date_a_minute_old_and_starts_over_on_another_date_or_416(self):
        stamp = int(time.time())
        dated = {"no_etag": True, "last_modified": stamp - 120}
        size, cut, wanted, sent = self.retry_after_a_cut(dated, dated)
        self.assertEqual((wanted, sent), (f"bytes={cut}-", size - cut))
        # Within a minute of the answer's Date the file may have changed unseen: never continued.
        for later in ({"no_etag": True, "last_modified": int(time.time()) - 30}, ):
            os.remove(self.record)
            self.servers.reset()
            self.assertEqual(self.retry_after_a_cut(later, later)[2], None)
        # A 206 of another date, and a 416 (the file shrank), drop the kept bytes and ask for the whole file.
        for later, status in (({"no_etag": True, "last_modified": stamp - 100, "ignore_if_range": True}, 206),
                              ({"range_416": True}, 416)):
            os.remove(self.record)
            self.servers.reset()
            size, cut, wanted, sent = self.retry_after_a_cut(dated if status == 206 else {}, later)
            self.assertEqual((wanted, sent), (None, size))
            self.assertIn(f"끊긴 다운로드를 잇지 못해 처음부터 받는다 (HTTP {status})", self.log_messages())

    def test_bad_signature_is_refused_and_nothing_runs(self):
        for server in (self.servers.primary, self.servers.secondary):
            server.add_rule("Norvane-x64.exe.sig", body=bytes(64))
        code, text = self.run_with_box_watch(self.download, ["--background"], box_timeout_ms=2000, run_timeout=120)
        self.assertEqual((code, text), (1, None))
        self.assertEqual(self.installer_runs(), [])
        self.assertIn("받은 설치기의 서명이 맞지 않는다. 버린다", self.log_messages())
        self.assertEqual(self.staging_folders(), [])


class FirstInstallFromDownloads(FromDownloadsWithStandIns, ReleaseJourney):
    test_first_install_beside_planted_dlls = \
        FirstInstall.test_first_install_runs_the_verified_installer_and_passes_its_exit_code


class FirstInstall32(ReleaseJourney):
    """32-bit Windows fetches the 32-bit installer."""
    arch = "win32"
    installer_padding = 0

    def test_32_bit_windows_fetches_the_x86_installer(self):
        program = self.prefix.start_program(self.download, ["--background"])
        self.assertEqual(program.wait(120), 0)
        self.assertEqual(len(self.requested("/download/v1.4.12/Norvane-x86.exe")), 1)
        self.assertEqual(self.requested("Norvane-x64.exe"), [])
        self.assertInstallerRanWith(" --background")


class ThroughUserProxy(ReleaseJourney):
    """Release servers under a name that resolves nowhere, reachable only
    through a loopback proxy that the user's settings may name."""
    installer_padding = 0

    def setUp(self):
        super().setUp()
        self.proxy = ConnectProxy()
        self.addCleanup(self.proxy.stop)
        self.prefix.env.update(self.servers.env(host=self.ff.UNRESOLVABLE_HOST))
        self.fixed = f"127.0.0.1:{self.proxy.port}"

    def install(self, flags, **settings):
        self.ff.set_user_proxy(self.prefix.env, flags, **settings)
        if os.path.exists(self.log_path()):
            os.remove(self.log_path())
        return self.prefix.start_program(self.download, ["--background"]).wait(120)

    def test_fixed_proxy_and_pac_file_of_the_user_carry_the_install(self):
        for flags, settings in ((self.ff.PROXY_FIXED, {"proxy": self.fixed, "bypass": "<local>"}),
                                (self.ff.PROXY_FIXED, {"proxy": f"http://alice:s3/cret@{self.fixed}"}),
                                (self.ff.PROXY_PAC, {"pac": self.proxy.pac_naming_proxy_for("releases.invalid")})):
            self.proxy.tunnels.clear()
            self.assertEqual(self.install(flags, **settings), 0)
            # Found once; the version file, signature and installer then all go through it.
            self.assertEqual(self.log_messages().count(f"사용자 프록시로 다시 묻는다: {self.fixed}"), 1)
            self.assertFalse([m for m in self.log_messages() if "alice" in m or "cret" in m])
            self.assertEqual(len(self.proxy.tunnels), 3, self.proxy.tunnels)
            self.assertInstallerRanWith(" --background")
            os.remove(self.record)

    def test_bypassed_host_and_no_settings_go_direct_and_fail_as_before(self):
        self.assertEqual(self.install(self.ff.PROXY_FIXED, proxy=self.fixed, bypass="*.invalid"), 1)
        direct = self.log_messages()
        # Neither a proxy that does not reduce to host and port nor a fixed proxy after a script's DIRECT.
        for flags, settings in ((self.ff.PROXY_FIXED, {"proxy": f"https=alice:pa ss3cret@{self.fixed}"}),
                                (self.ff.PROXY_FIXED | self.ff.PROXY_PAC,
                                 {"proxy": self.fixed, "pac": self.proxy.pac_naming_proxy_for("elsewhere.invalid")})):
            self.assertEqual(self.install(flags, **settings), 1)
            self.assertEqual(self.log_messages(), direct)
        if "." in socket.getfqdn():
            self.skipTest("with a DNS domain, automatic detection would ask the network for wpad")
        self.assertEqual(self.install(None), 1)
        self.assertEqual(self.log_messages(), direct)
        self.assertEqual(self.proxy.tunnels, [])
        self.assertFalse(any("프록시" in line for line in direct), direct)


    def test_a_proxy_whose_body_broke_off_stays_the_way_out_on_retry(self):
        self.ff.set_user_proxy(self.prefix.env, self.ff.PROXY_FIXED, proxy=self.fixed)
        for server in (self.servers.primary, self.servers.secondary):
            server.add_rule("version.txt", truncate_at=2, times=1)
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("click", RETRY, "60000"), 0)
        self.assertEqual(program.wait(120), 0)
        # Found once: the second source and the retry go through it without asking directly first.
        self.assertEqual(self.log_messages().count(f"사용자 프록시로 다시 묻는다: {self.fixed}"), 1, self.log_messages())
        self.assertInstallerRanWith("")

    def test_the_pac_file_gets_its_turn_before_slow_detection(self):
        # Detection left on beside a PAC URL, as policy sets it, on a network where it takes seconds.
        self.prefix.env["NORVANE_TEST_DETECTION_DELAY_MS"] = "6000"
        self.addCleanup(self.prefix.env.pop, "NORVANE_TEST_DETECTION_DELAY_MS")
        self.assertEqual(self.install(self.ff.PROXY_PAC | self.ff.PROXY_AUTO_DETECT,
                                      pac=self.proxy.pac_naming_proxy_for("releases.invalid")), 0)
        self.assertEqual(self.log_messages().count(f"사용자 프록시로 다시 묻는다: {self.fixed}"), 1)
        self.assertFalse([m for m in self.log_messages() if "프록시 자동 설정" in m], self.log_messages())
        # A PAC file that cannot be had gives detection its turn, within its own deadline, once.
        self.assertEqual(self.install(self.ff.PROXY_PAC | self.ff.PROXY_AUTO_DETECT,
                                      pac=f"http://127.0.0.1:{free_port()}/proxy.pac"), 1)
        self.assertEqual(sum("프록시 자동 설정이 4000 ms 안에" in m for m in self.log_messages()), 1)

    def test_a_pac_server_that_never_answers_or_drips_cannot_hold_the_run(self):
        for stall in ("silent", "drip"):
            self.proxy.pac_stall = stall
            pac = self.proxy.pac_naming_proxy_for("releases.invalid")
            self.ff.set_user_proxy(self.prefix.env, self.ff.PROXY_PAC, pac=pac)
            asked = self.proxy.pac_requests
            program = self.prefix.start_program(self.download)
            for _ in range(300):
                if self.proxy.pac_requests > asked:
                    break
                time.sleep(0.1)
            self.assertGreater(self.proxy.pac_requests, asked)
            self.assertEqual(self.window("click", CANCEL, "10000"), 0)
            clicked = time.monotonic()
            self.assertEqual(program.wait(30), 1223)
            self.assertLess(time.monotonic() - clicked, 3)
            # Without anyone to cancel: the look-up runs out of time once for the host, both sources fail.
            started = time.monotonic()
            self.assertEqual(self.install(self.ff.PROXY_PAC, pac=pac), 1)
            self.assertLess(time.monotonic() - started, 30)
            messages = self.log_messages()
            self.assertEqual(sum("프록시 자동 설정이 4000 ms 안에" in m for m in messages), 1, messages)
            self.assertEqual(sum("에서 받지 못해" in m for m in messages), 1, messages)
            self.assertEqual(self.proxy.tunnels, [])


class UnstartableInstaller(ReleaseJourney):
    """A signed release file with the right version that is no program (a
    DLL): Windows would classify it as an image and fail to start it (the
    run-failure box), Wine's GetBinaryTypeW refuses a DLL, so here the
    installer image check throws it away before it is started: the failure
    screen, exit 1, the staged file removed, nothing run."""
    installer_image = "fake_installer_dll.dll"
    installer_padding = 0

    def test_windowed_run_is_refused_before_it_starts_and_exits_1(self):
        program = self.prefix.start_program(self.download)
        self.assertEqual(self.window("click", CLOSE, "60000"), 0)
        self.assertEqual(program.wait(30), 1)
        self.assertEqual(self.log_messages()[-1], "받은 설치기가 이 컴퓨터의 설치기가 아니다. 버린다")
        self.assertEqual((self.staging_folders(), self.installer_runs()), ([], []))

    def test_background_run_exits_1_without_a_box(self):
        code, text = self.run_with_box_watch(self.download, ["--background"], box_timeout_ms=3000, run_timeout=120)
        self.assertEqual((code, text), (1, None))
        self.assertEqual(self.staging_folders(), [])


class WithoutASystemDll(ReleaseJourney):
    """One delay-loaded system DLL that cannot be loaded (Wine's override
    "d"): without GDI+ or DWM the install still goes through (flat painting,
    no frame attributes); without WinHTTP or CRYPT32 the fetch fails like a
    network failure. Never an unhandled delay-load exception."""
    installer_padding = 0

    def run_without(self, dll, args):
        overrides = self.prefix.env["WINEDLLOVERRIDES"]
        self.prefix.env["WINEDLLOVERRIDES"] = f"{overrides};{dll}=d"
        try:
            program = self.prefix.start_program(self.download, args)
            if dll in ("winhttp", "crypt32") and not args:
                self.assertEqual(self.window("click", CLOSE, "60000"), 0, dll)
            return program.wait(120)
        finally:
            self.prefix.env["WINEDLLOVERRIDES"] = overrides

    def test_each_dll_missing_windowed_and_in_the_background(self):
        for dll, installs in (("gdiplus", True), ("dwmapi", True), ("winhttp", False), ("crypt32", False)):
            for args in ([], ["--background"]):
                with self.subTest(dll=dll, args=args):
                    if os.path.exists(self.record):
                        os.remove(self.record)
                    self.assertEqual(self.run_without(dll, args), 0 if installs else 1, self.log_messages())
                    self.assertEqual(len(self.installer_runs()), 1 if installs else 0)
                    if not installs:
                        self.assertIn(f"시스템 DLL {dll}.dll 를 불러오지 못했다. 받지 않는다", self.log_messages())
                    self.assertFalse(any("시스템 DLL" in m and "쓸 수 없다" in m for m in self.log_messages()))
                    self.assertEqual(self.staging_folders(), [])


class PinnedInstall(ReleaseJourney):
    """A Windows 7 prefix that knows neither ISRG Root X1 nor the test CA,
    which the test build pins: the real program asks the secondary first,
    follows five redirects checking each hop against the pinned roots, and
    runs the verified installer."""
    trust_test_root = False
    installer_padding = 0

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        ff = cls.ff
        folder = ff.ca_folder_without("CABD2A79A1076A31F21D253635CB039D4329A5E8",  # ISRG Root X1
                                      os.path.join(cls.release_work, "host-roots"))
        cls.wrapper = ff.hidden_host_roots_command(folder)
        subprocess.run(["wine", "winecfg", "-v", "win7"], env=cls.prefix.env, capture_output=True, timeout=60)

    def setUp(self):
        if self.wrapper is None:
            self.skipTest("no private mount namespace here to hide ISRG Root X1 from Wine")
        super().setUp()
        self.prefix.env["NORVANE_TEST_PINNED_ROOT"] = Prefix.windows_path(os.path.join(self.ff.pki_dir(), "root.der"))

    def run_hidden(self, args):
        code_file = os.path.join(self.files, "exit-code.txt")
        if os.path.exists(code_file):
            os.remove(code_file)
        subprocess.run([*self.wrapper, "wine", config.wine_helper("exit_code_helper.exe"),
                        Prefix.windows_path(code_file), self.download, *args],
                       env=self.prefix.env, capture_output=True, timeout=120)
        with open(code_file) as f:
            return int(f.read())

    def test_installer_through_five_redirects_in_pinned_mode(self):
        self.servers.secondary.add_rule("Norvane-x64.exe", redirects=5)
        self.assertEqual(self.run_hidden(["--background"]), 0)
        self.assertInstallerRanWith(" --background")
        self.assertEqual(self.servers.primary.requests, [])
        hops = [p for p in self.servers.secondary.requested_paths() if "Norvane-x64.exe" in p and "/hop/" in p]
        self.assertEqual(len(hops), 5, self.servers.secondary.requested_paths())
        self.assertEqual(self.log_messages(), ["이 PC 는 ISRG Root X1 을 모른다. 고정 루트로 확인한다",
                                               "고정 루트로 받아들였다: localhost (Norvane Test Root)"])
        self.assertEqual(self.staging_folders(), [])
