"""The real fetch (WinHTTP, CryptoAPI, staging) under Wine against the
loopback release servers, through tests/fetch/fetch_driver.cpp."""
import os
import shutil
import subprocess
import time
import unittest

from . import config
from . import fetch_fixtures as ff
from .wine import Prefix
from tests.server.release_server import ConnectProxy

ID = ff.DOWNLOAD_ID
TOO_LARGE = "판올림 파일이 너무 크다"
NO_SIGNATURE = "판올림 서명을 받지 못했다"
BAD_SIGNATURE = "받은 설치기의 서명이 맞지 않는다. 버린다"
WRONG_VERSION = "받은 설치기의 버전이 요청한 것과 다르다. 버린다"
WRONG_WIDTH = "받은 설치기가 이 컴퓨터의 설치기가 아니다. 버린다"
BELOW_FLOOR = "판올림 버전 0.9.9 은 받아도 되는 가장 낮은 버전 1.0.0 보다 낮다. 받지 않는다"  # the test build's floor
NO_ISRG = "이 PC 는 ISRG Root X1 을 모른다. 고정 루트로 확인한다"
RETRY_NORMAL = "고정 루트가 아닌 사슬이다. 평소대로 한 번 더 묻는다"
SHARING_VIOLATION = "32"
ISRG_ROOT_X1_SHA1 = "CABD2A79A1076A31F21D253635CB039D4329A5E8"


class FetchJourney(unittest.TestCase):
    """One prefix and one pair of servers per class; each test resets both."""
    pinned = False

    @classmethod
    def setUpClass(cls):
        cls.work = ff.work_dir("fetch-")
        cls.release = ff.publish(os.path.join(cls.work, "release"), ff.helper("fake_installer_1_4_12.exe"))
        cls.servers = ff.ReleaseServers(cls.release)
        cls.box = ff.FetchPrefix()
        cls.root_der = os.path.join(ff.pki_dir(), "root.der")
        cls.prepare_prefix()

    @classmethod
    def tearDownClass(cls):
        cls.box.close()
        cls.servers.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.servers.reset()
        self.box.extra_env.update(self.servers.env())
        self.box.clear_log()

    @property
    def primary(self):
        return self.servers.primary

    @property
    def secondary(self):
        return self.servers.secondary

    def host(self, server):
        return f"localhost:{server.port}"

    def fallback_line(self, first, second):
        return f"판올림을 {self.host(first)} 에서 받지 못해 {self.host(second)} 에서 받는다"

    def installer(self, *extra):
        return self.box.driver("installer", "64", ID, "--version", ff.VERSION, *extra)

    def assertNothingStaged(self, facts):
        self.assertEqual(facts.get("installer-failed"), "empty")
        self.assertEqual(self.box.staging_folders(), [])

    def assertRefusedForGood(self, line, image, signature=None):
        """The primary serves this installer (and signature): refused with one
        log line, nothing staged, and no other source tried."""
        self.primary.add_rule("Norvane-x64.exe", body=image)
        if signature is not None:
            self.primary.add_rule("Norvane-x64.exe.sig", body=signature)
        code, facts = self.installer()
        self.assertEqual(code, 1, facts)
        self.assertNothingStaged(facts)
        self.assertEqual(self.box.log_messages(), [line])
        self.assertEqual(self.secondary.requests, [])

    def versioned(self, server, name):
        return f"{server.mount}/download/v{ff.VERSION}/{name}"


class FetchNormalTrust(FetchJourney):
    """Windows 7 prefix that knows ISRG Root X1 and trusts the test CA: the
    system decides, WinHTTP follows redirects, the primary is asked first."""

    @classmethod
    def prepare_prefix(cls):
        code, facts = cls.box.driver("trust-root", Prefix.windows_path(cls.root_der))
        assert code == 0 and "trusted" in facts, facts

    def test_version_then_installer_staged_verified_and_discarded(self):
        code, facts = self.box.driver("installer", "64", ID)
        self.assertEqual(code, 0, facts)
        self.assertEqual(facts["version"], "1.4.12.0")
        staged = facts["staged"]
        folder = facts["directory"]
        self.assertRegex(folder, r"\\Temp\\Norvane-download-\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}$")
        self.assertEqual(staged, folder + "\\Norvane--" + ID + ".exe")
        self.assertEqual(facts["final"], staged, "the started path has no \\\\?\\ prefix")
        self.assertEqual(facts["progress"].split(",")[-1], "100")
        self.assertEqual(facts["cancelled-after"], "unhooked")
        self.assertEqual(facts["discarded"], "file-gone directory-gone")
        self.assertEqual(self.primary.requested_paths(), [
            f"{ff.PRIMARY_MOUNT}/latest/download/version.txt",
            self.versioned(self.primary, "Norvane-x64.exe.sig"),
            self.versioned(self.primary, "Norvane-x64.exe")])
        self.assertEqual({agent for _, agent in self.primary.requests}, {"Norvane"})
        self.assertEqual(self.secondary.requests, [])
        self.assertEqual(self.box.log_messages(), [])

    def test_thirty_two_bit_flavour_and_bad_identifiers(self):
        code, facts = self.box.driver("installer", "32", ID, "--version", ff.VERSION)
        self.assertEqual(code, 0, facts)
        self.assertEqual(self.primary.requested_paths()[-1], self.versioned(self.primary, "Norvane-x86.exe"))
        self.primary.reset()
        for bits, download_id in (("64", ID.upper()), ("64", ID[:31]), ("64", ID + "0"), ("48", ID)):
            with self.subTest(bits=bits, id=download_id):
                code, facts = self.box.driver("installer", bits, download_id, "--version", ff.VERSION)
                self.assertEqual(code, 1)
                self.assertNothingStaged(facts)
        self.assertEqual(self.primary.requests, [], "nothing is fetched for a bad identifier")
        self.assertEqual(self.box.log_messages(), [])

    def test_version_file_limits(self):
        cases = [
            # (rule for the primary's version.txt, served by, log lines)
            (dict(body="1.4.12" + " " * 58), "primary", []),
            (dict(body="1.4.12" + " " * 58, content_length="omit"), "primary", []),
            (dict(body="1.4.12" + " " * 59), "secondary", [f"{TOO_LARGE} (65)"]),
            (dict(body="1.4.12" + " " * 59, content_length="omit"), "secondary", [TOO_LARGE]),
            (dict(body=""), "secondary", ["다운로드 본문이 비었거나 덜 왔다 (0 / 0바이트)"]),
            (dict(body="v1.4.12"), "secondary", []),
            (dict(status=404), "secondary", ["판올림 서버가 404 를 줬다"]),
        ]
        for rule, served_by, lines in cases:
            with self.subTest(rule=rule):
                self.setUp()
                self.primary.add_rule("version.txt", **rule)
                code, facts = self.box.driver("version")
                self.assertEqual(code, 0, facts)
                self.assertEqual(facts["version"], "1.4.12.0")
                expected = lines + ([self.fallback_line(self.primary, self.secondary)] if served_by == "secondary" else [])
                self.assertEqual(self.box.log_messages(), expected)

    def test_signature_limits_move_to_the_other_source(self):
        for length in (63, 65, 1025):
            with self.subTest(length=length):
                self.setUp()
                self.primary.add_rule("Norvane-x64.exe.sig", body=b"\0" * length)
                code, facts = self.installer()
                self.assertEqual(code, 0, facts)
                lines = self.box.log_messages()
                if length > 1024:
                    self.assertEqual(lines[0], f"{TOO_LARGE} (1025)")
                    lines = lines[1:]
                self.assertEqual(lines, [NO_SIGNATURE, self.fallback_line(self.primary, self.secondary)])
                self.assertNotIn(self.versioned(self.primary, "Norvane-x64.exe"), self.primary.requested_paths())

    def test_installer_body_limits(self):
        size = os.path.getsize(os.path.join(self.release, "latest", "download", "Norvane-x64.exe"))
        cases = [
            (dict(content_length=67108865), f"{TOO_LARGE} (67108865)"),
            (dict(content_length=size + 100, truncate_at=size), f"다운로드 본문이 비었거나 덜 왔다 ({size} / {size + 100}바이트)"),
            (dict(body=b"MZ" + b"\0" * 67108863, content_length="omit"), TOO_LARGE),
        ]
        for rule, line in cases:
            with self.subTest(rule={k: v for k, v in rule.items() if k != "body"}):
                self.setUp()
                self.primary.add_rule("Norvane-x64.exe", **rule)
                self.secondary.add_rule("Norvane-x64.exe", status=404)
                code, facts = self.installer()
                self.assertEqual(code, 1, facts)
                self.assertNothingStaged(facts)
                self.assertEqual(self.box.log_messages(), [
                    line, self.fallback_line(self.primary, self.secondary), "판올림 서버가 404 를 줬다"])

    def test_redirects_are_followed_by_winhttp(self):
        self.primary.add_rule("version.txt", redirects=3)
        code, facts = self.box.driver("version")
        self.assertEqual(code, 0, facts)
        self.assertEqual(len(self.primary.requests), 4)

    def test_primary_down_secondary_serves_and_is_remembered_for_the_installer(self):
        self.box.extra_env.update(self.servers.env(primary_down=True))
        code, facts = self.box.driver("version")
        self.assertEqual(code, 0, facts)
        messages = self.box.log_messages()
        self.assertRegex(messages[0], r"^다운로드 통신 실패: 요청 전송 \(WinHTTP \d+\)$")
        self.assertRegex(messages[1], rf"^판올림을 localhost:\d+ 에서 받지 못해 localhost:{self.secondary.port} 에서 받는다$")

        # Primary up again but without a version file: the version comes from
        # the secondary, and the installer fetch starts there too.
        self.setUp()
        self.primary.add_rule("version.txt", status=404)
        code, facts = self.box.driver("installer", "64", ID)
        self.assertEqual(code, 0, facts)
        self.assertEqual(self.primary.requested_paths(), [f"{ff.PRIMARY_MOUNT}/latest/download/version.txt"])
        self.assertEqual(self.secondary.requested_paths()[1:], [
            self.versioned(self.secondary, "Norvane-x64.exe.sig"), self.versioned(self.secondary, "Norvane-x64.exe")])
        self.assertEqual(self.box.log_messages(), [
            "판올림 서버가 404 를 줬다", self.fallback_line(self.primary, self.secondary)])

    def test_a_remembered_proxy_that_stops_answering_gives_way_to_the_direct_route(self):
        proxy = ConnectProxy()
        self.addCleanup(ff.set_user_proxy, self.box.env(), ff.PROXY_DIRECT)
        self.addCleanup(proxy.stop)
        ff.set_user_proxy(self.box.env(), ff.PROXY_FIXED, proxy=f"127.0.0.1:{proxy.port}")
        # The primary is reachable only through the proxy, which carries version.txt and then
        # refuses connections: both servers are "localhost", so the secondary is asked through the
        # remembered proxy first and then directly.
        env = self.servers.env(primary_down=True)
        self.box.extra_env.update(env)
        proxy.port_map[int(env["NORVANE_TEST_PRIMARY_URL"].split(":")[2].split("/")[0])] = self.primary.port
        proxy.tunnel_limit = 1
        code, facts = self.box.driver("installer", "64", ID)
        self.assertEqual(code, 0, facts)
        self.assertEqual(len(proxy.tunnels), 1, proxy.tunnels)
        messages = self.box.log_messages()
        self.assertEqual(messages.count(f"프록시 127.0.0.1:{proxy.port} 가 답하지 않아 바로 연결해 본다"), 2, messages)
        self.assertEqual(len(self.secondary.requested_paths()), 2)  # .sig and installer, directly

    def test_a_407_is_answered_with_the_users_logon_once_else_named_and_left(self):
        # Wine shows no 407 of a CONNECT tunnel, so the origin itself asks; WinHTTP reports the proxy target.
        ff.set_user_proxy(self.box.env(), ff.PROXY_DIRECT)
        for schemes, asked in ((["Negotiate", "NTLM"], (1, 2)), (['Basic realm="corp"', 'Digest realm="corp"'], (1,))):
            with self.subTest(schemes=schemes):
                self.setUp()
                self.primary.add_rule("Norvane-x64.exe", status=407, proxy_authenticate=schemes)
                code, facts = self.installer()
                self.assertEqual(code, 0, facts)
                self.assertIn(self.primary.requested_paths().count(self.versioned(self.primary, "Norvane-x64.exe")),
                              asked, "one logon at most, never a loop")
                wanted = "Negotiate" if "Negotiate" in schemes else "Digest"
                self.assertEqual(self.box.log_messages(), [f"프록시가 {wanted} 인증을 요구한다 (407): localhost",
                                                           self.fallback_line(self.primary, self.secondary)])

    def test_host_name_mismatch_and_unknown_root_are_refused(self):
        for tls in ("wronghost", "untrusted", "tls13"):
            with self.subTest(tls=tls):
                self.setUp()
                self.servers.reset(tls)
                code, facts = self.box.driver("version")
                self.assertEqual(code, 1, facts)
                self.assertEqual(self.primary.requests + self.secondary.requests, [], "no request got through")
                messages = self.box.log_messages()
                self.assertEqual(len(messages), 3, messages)
                self.assertRegex(messages[0], r"^다운로드 통신 실패: (요청 전송|응답 수신) \(WinHTTP \d+\)$")

    def test_one_byte_off_deletes_the_installer_and_tries_no_other_source(self):
        with open(os.path.join(self.release, "latest", "download", "Norvane-x64.exe"), "rb") as f:
            image = bytearray(f.read())
        image[len(image) // 2] ^= 0x01
        self.assertRefusedForGood(BAD_SIGNATURE, bytes(image))

    def test_installer_of_another_version_or_without_one_is_refused(self):
        for name in ("fake_installer_1_4_12_1.exe", "fake_installer_noversion.exe"):
            with self.subTest(name=name):
                self.setUp()
                copy = os.path.join(self.work, name)
                shutil.copyfile(ff.helper(name), copy)
                self.assertRefusedForGood(WRONG_VERSION, *ff.signed(copy))

    def test_the_other_widths_installer_or_a_release_below_the_floor_is_refused_for_good(self):
        # The signed 32-bit full installer served as the 64-bit one to this 64-bit prefix.
        with open(os.path.join(self.release, "latest", "download", "Norvane-x86.exe"), "rb") as f:
            image = f.read()
        with open(os.path.join(self.release, "latest", "download", "Norvane-x86.exe.sig"), "rb") as f:
            signature = f.read()
        self.assertRefusedForGood(WRONG_WIDTH, image, signature)
        self.setUp()
        self.primary.add_rule("version.txt", body="0.9.9")
        code, facts = self.box.driver("version")
        self.assertEqual(code, 1, facts)
        self.assertEqual(self.box.log_messages(), [BELOW_FLOOR])
        self.assertEqual(self.secondary.requests, [])
        self.setUp()
        self.primary.add_rule("version.txt", body="1.0.0")
        self.assertEqual(self.box.driver("version")[1].get("version"), "1.0.0.0", "the floor itself is accepted")

    def test_staged_file_is_pinned_against_other_processes(self):
        signal = os.path.join(self.work, "release-hold")
        holder = self.box.start_driver("installer", "64", ID, "--version", ff.VERSION, "--hold",
                                       Prefix.windows_path(signal))
        try:
            staged = None
            deadline = time.time() + ff.RUN_TIMEOUT
            while staged is None and time.time() < deadline:
                line = holder.stdout.readline().decode().strip()
                if not line:
                    break
                if line.startswith("staged "):
                    staged = line[len("staged "):]
            self.assertIsNotNone(staged, "the driver never staged the installer")
            code, facts = self.box.driver("try-change", staged)
            self.assertEqual(facts.get("write"), f"{SHARING_VIOLATION} delete {SHARING_VIOLATION}")
            self.assertTrue(os.path.exists(self.box.prefix.host_path(staged)))
        finally:
            open(signal, "w").close()
            rest = holder.communicate(timeout=ff.RUN_TIMEOUT)[0].decode()
        self.assertIn("discarded file-gone directory-gone", rest)
        self.assertEqual(self.box.staging_folders(), [])

    def test_cancel_during_the_body_leaves_nothing_behind(self):
        padded = ff.publish(os.path.join(self.work, "padded"), ff.helper("fake_installer_1_4_12.exe"),
                            padding=4 * 1048576)
        with open(os.path.join(padded, "latest", "download", "Norvane-x64.exe"), "rb") as f:
            image = f.read()
        with open(os.path.join(padded, "latest", "download", "Norvane-x64.exe.sig"), "rb") as f:
            signature = f.read()
        for server in (self.primary, self.secondary):
            server.add_rule("Norvane-x64.exe.sig", body=signature)
            server.add_rule("Norvane-x64.exe", body=image, chunk_delay=0.02)
        code, facts = self.installer("--cancel-at", "10")
        self.assertEqual(code, 1, facts)
        self.assertNothingStaged(facts)
        percents = [int(p) for p in facts["progress"].split(",")]
        self.assertTrue(10 <= percents[-1] < 100, percents)
        self.assertEqual(facts["cancelled-after"], "unhooked")
        self.assertEqual(self.box.log_messages(), [], "a cancel is not a failure")
        self.assertEqual(self.secondary.requests, [], "no other source after a cancel")


class FetchPinnedTrust(FetchJourney):
    """Windows 7 prefix without ISRG Root X1 that does not trust the test CA,
    which the test build pins as an extra root: the secondary is asked first
    and every hop is checked against the pinned roots."""

    @classmethod
    def prepare_prefix(cls):
        folder = ff.ca_folder_without(ISRG_ROOT_X1_SHA1, os.path.join(cls.work, "host-roots"))
        command = ff.hidden_host_roots_command(folder)
        if command is None:
            raise unittest.SkipTest("no private mount namespace here to hide ISRG Root X1 from Wine")
        cls.box.wrapper = command
        subprocess.run(["wine", "winecfg", "-v", "win7"], env=cls.box.prefix.env, capture_output=True, timeout=60)
        cls.box.extra_env["NORVANE_TEST_PINNED_ROOT"] = Prefix.windows_path(cls.root_der)

    def accepted_line(self, server):
        return f"고정 루트로 받아들였다: localhost (Norvane Test Root)"

    def test_pinned_first_asks_the_secondary_first_and_accepts_the_pinned_root_once(self):
        code, facts = self.box.driver("installer", "64", ID)
        self.assertEqual(code, 0, (facts, self.box.log_messages()))
        self.assertEqual(facts["discarded"], "file-gone directory-gone")
        self.assertEqual(self.primary.requests, [])
        self.assertEqual(len(self.secondary.requests), 3)
        self.assertEqual(self.box.log_messages(), [NO_ISRG, self.accepted_line(self.secondary)])

    def test_through_the_users_proxy_the_release_servers_chain_is_checked(self):
        proxy = ConnectProxy()
        self.addCleanup(ff.set_user_proxy, self.box.env(), None)
        self.addCleanup(proxy.stop)
        ff.set_user_proxy(self.box.env(), ff.PROXY_FIXED, proxy=f"127.0.0.1:{proxy.port}")
        self.box.extra_env.update(self.servers.env(host=ff.UNRESOLVABLE_HOST))
        self.assertEqual(self.box.driver("installer", "64", ID)[0], 0, self.box.log_messages())
        # The proxy has no certificate: what was checked is the server's, under its own name.
        self.assertIn(f"고정 루트로 받아들였다: {ff.UNRESOLVABLE_HOST} (Norvane Test Root)", self.box.log_messages())
        self.assertEqual(len(proxy.tunnels), 3, proxy.tunnels)

    def test_a_redirect_hop_to_a_bypassed_host_leaves_the_proxy(self):
        proxy = ConnectProxy()
        self.addCleanup(ff.set_user_proxy, self.box.env(), None)
        self.addCleanup(proxy.stop)
        ff.set_user_proxy(self.box.env(), ff.PROXY_FIXED, proxy=f"127.0.0.1:{proxy.port}", bypass="localhost")
        self.box.extra_env.update(self.servers.env(host=ff.UNRESOLVABLE_HOST))
        self.secondary.add_rule("version.txt", redirects=1, redirect_host="localhost")
        code, facts = self.box.driver("version")
        self.assertEqual(code, 0, (facts, self.box.log_messages()))
        self.assertEqual(proxy.tunnels, [f"{ff.UNRESOLVABLE_HOST}:{self.secondary.port}"])
        self.assertEqual(self.secondary.requested_paths()[-1], f"/hop/0{self.secondary.mount}/latest/download/version.txt")

    def test_an_unknown_root_is_refused_and_asked_exactly_once_more_normally(self):
        self.servers.reset("untrusted")
        code, facts = self.box.driver("version")
        self.assertEqual(code, 1, facts)
        rejected = "고정 루트 확인 실패: localhost: 사슬 오류 0x00000020, 고정 루트 아님"
        messages = self.box.log_messages()
        self.assertEqual(messages[:3], [NO_ISRG, rejected, RETRY_NORMAL])
        self.assertRegex(messages[3], r"^다운로드 통신 실패: 요청 전송 \(WinHTTP \d+\)$")
        self.assertEqual(messages[4], self.fallback_line(self.secondary, self.primary))
        self.assertEqual(messages[5:7], [rejected, RETRY_NORMAL])
        self.assertEqual(len(messages), 8)
        self.assertEqual(messages.count(RETRY_NORMAL), 2, "exactly one retry per source")
        for server in (self.primary, self.secondary):
            self.assertEqual(len(server.requests), 1, "the pinned attempt's request; its body was never read")
            self.assertEqual(server.handshakes["ok"] + server.handshakes["failed"], 2, "one pinned, one normal")

    def test_five_redirects_are_followed_a_sixth_is_refused(self):
        for hops, ok in ((5, True), (6, False)):
            with self.subTest(hops=hops):
                self.setUp()
                self.secondary.add_rule("version.txt", redirects=hops)
                self.primary.add_rule("version.txt", status=404)
                code, facts = self.box.driver("version")
                self.assertEqual(len(self.secondary.requests), min(hops, 5) + 1)
                messages = self.box.log_messages()
                if ok:
                    self.assertEqual(code, 0, facts)
                    self.assertEqual(messages, [NO_ISRG, self.accepted_line(self.secondary)])
                else:
                    self.assertEqual(code, 1, facts)
                    self.assertEqual(messages[:3], [NO_ISRG, self.accepted_line(self.secondary), "리디렉션이 너무 많다"])
                    self.assertEqual(messages[3], self.fallback_line(self.secondary, self.primary))
                    self.assertNotIn(RETRY_NORMAL, messages)

    def test_a_relative_redirect_fails_in_the_next_hop(self):
        self.secondary.add_rule("version.txt", redirects=1, relative=True)
        self.primary.add_rule("version.txt", status=404)
        code, facts = self.box.driver("version")
        self.assertEqual(code, 1, facts)
        self.assertEqual(len(self.secondary.requests), 1)
        messages = self.box.log_messages()
        self.assertRegex(messages[2], r"^다운로드 통신 실패: 주소 해석 \(WinHTTP \d+\)$")

    def test_a_certificate_for_another_name_is_refused_under_a_pinned_root(self):
        self.servers.reset("wronghost")
        self.box.extra_env.update(self.servers.env())
        code, facts = self.box.driver("version")
        self.assertEqual(code, 1, facts)
        self.assertEqual(self.primary.requests + self.secondary.requests, [])
        messages = self.box.log_messages()
        self.assertEqual(messages[0], NO_ISRG)
        self.assertNotIn(self.accepted_line(self.secondary), messages)
        self.assertRegex(messages[1], r"^(다운로드 통신 실패: 요청 전송 \(WinHTTP \d+\)|고정 루트 확인 실패: localhost: SSL 정책 실패 \(0x800b010f\))$")


class FetchProductionBuild(unittest.TestCase):
    """The production build carries the six pinned roots byte for byte and
    none of the test build's switches."""
    TEST_MARKS = ("NORVANE_TEST", "localhost:4744", "127.0.0.1:4744", "Norvane Test Root", "norvane-test/")
    PRODUCTION_URLS = ("https://github.com/norvane-remote/norvane-host/releases/latest/download",
                       "https://releases.norvane.net/api/host/releases/latest/download")

    @staticmethod
    def read(path):
        with open(path, "rb") as f:
            return f.read()

    def roots(self):
        folder = os.path.join(config.ROOT, "pinned-roots")
        names = sorted(n for n in os.listdir(folder) if n.endswith(".der"))
        self.assertEqual(len(names), 6)
        return [self.read(os.path.join(folder, n)) for n in names]

    def assertNoTestMarks(self, image, what):
        for mark in self.TEST_MARKS:
            self.assertFalse(mark.encode() in image, f"{what} holds {mark}")
            self.assertFalse(mark.encode("utf-16-le") in image, f"{what} holds {mark} (wide)")

    def test_fetch_library_of_the_release_build(self):
        image = self.read(os.path.join(config.RELEASE_BUILD, "src", "fetch", "libnorvane_fetch.a"))
        for index, der in enumerate(self.roots()):
            self.assertTrue(der in image, f"pinned root {index} is not embedded byte for byte")
        for url in self.PRODUCTION_URLS:
            self.assertTrue(url.encode("utf-16-le") in image, f"{url} is not compiled in")
        self.assertNoTestMarks(image, "libnorvane_fetch.a")

    def test_release_program(self):
        image = self.read(config.release_exe())
        self.assertNoTestMarks(image, "Norvane.exe")
        if "/latest/download".encode("utf-16-le") in image:  # the program links the fetch
            for index, der in enumerate(self.roots()):
                self.assertTrue(der in image, f"pinned root {index} is not in Norvane.exe")
