"""Hand-off to a sound installed copy, and every single defect that makes the
run fall back to a fetch instead."""
import os
import shutil
import subprocess
import time

from . import config
from .journey import FromDownloadsWithStandIns, WineJourney
from .product import HOST, INSTALL_DIR, SAFE_FILE_SDDL, SETUP, InstalledProduct
from .wine import Prefix

OPEN_LINK = '--uri "norvane://open?tenant=acme"'


class HandOffJourney(WineJourney):
    def setUp(self):
        self.product = InstalledProduct(self.prefix).install()
        self.record = os.path.join(self.files, "record.txt")
        if os.path.exists(self.record):
            os.remove(self.record)
        self.prefix.env["NORVANE_FAKE_RECORD"] = Prefix.windows_path(self.record)
        self.prefix.env.pop("NORVANE_FAKE_EXIT", None)
        self.download = self.stamped("Norvane-acme.exe")

    def tearDown(self):
        self.product.uninstall()

    def records(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8") as f:
            return f.read().splitlines()

    def run_download(self, args=(), exit_code=None):
        if exit_code is not None:
            self.prefix.env["NORVANE_FAKE_EXIT"] = str(exit_code)
        return self.run_quietly(self.download, args, timeout=90)

    def assertHandedOff(self, arguments):
        self.assertEqual(self.records(), [f'Norvane.exe|"{SETUP}" {arguments}'])

    def assertNotHandedOff(self):
        self.assertEqual([r for r in self.records() if r.startswith("Norvane.exe|")], [])


class SoundInstall(HandOffJourney):
    def test_windowed_run_opens_the_link_and_passes_the_exit_code(self):
        self.assertEqual(self.run_download(exit_code=5), 5)
        self.assertHandedOff(OPEN_LINK)

    def test_zero_exit_code_is_passed_through_without_a_tenant_step(self):
        self.assertEqual(self.run_download(exit_code=0), 0)
        self.assertHandedOff(OPEN_LINK)

    def test_open_link_tenant_replaces_the_payload_tenant(self):
        self.assertEqual(self.run_download(["--uri", "norvane://open/?tenant=other-co"], exit_code=0), 0)
        self.assertHandedOff('--uri "norvane://open?tenant=other-co"')

    def test_background_run_forwards_its_arguments(self):
        self.assertEqual(self.run_download(["--tenant=Acme", "--background"], exit_code=7), 7)
        self.assertHandedOff("--tenant=Acme --background")


class SoundInstallFromDownloads(FromDownloadsWithStandIns, HandOffJourney):
    test_windowed_run_beside_planted_dlls = SoundInstall.test_windowed_run_opens_the_link_and_passes_the_exit_code


class DefectiveInstall(HandOffJourney):
    """Each single defect: the installed copy is not started and the run
    fetches instead (in background, against servers that refuse, so the
    fetch fails with 1 and no window)."""

    def setUp(self):
        super().setUp()
        for name in ("NORVANE_TEST_PRIMARY_URL", "NORVANE_TEST_SECONDARY_URL"):
            self.prefix.env[name] = "https://127.0.0.1:9/r/latest/download"  # discard port: refused
        log = self.log_path()
        if os.path.exists(log):
            os.remove(log)

    def assertFallsBackToFetch(self):
        self.assertEqual(self.run_download(["--background"], exit_code=0), 1)
        self.assertNotHandedOff()
        self.assertTrue(any("받지 못해" in m for m in self.log_messages()), "no fetch was tried")

    def test_sound_install_is_the_control_case(self):
        self.assertEqual(self.run_download(["--background"], exit_code=0), 0)
        self.assertHandedOff(" --background")

    def test_folder_writable_by_users(self):
        self.product.set_acl(INSTALL_DIR, "D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1301bf;;;BU)")
        self.assertFallsBackToFetch()

    def test_setup_program_writable_by_everyone(self):
        self.product.set_acl(SETUP, "D:(A;;FA;;;SY)(A;;0x2;;;WD)")
        self.assertFallsBackToFetch()

    def test_missing_uninstaller(self):
        os.remove(os.path.join(self.product.folder, "uninstall.exe"))
        self.assertFallsBackToFetch()

    def test_agent_is_a_folder(self):
        agent = os.path.join(self.product.folder, "NorvaneAgent.exe")
        os.remove(agent)
        os.makedirs(agent)
        self.assertFallsBackToFetch()

    def test_scheme_points_elsewhere(self):
        self.product.register_scheme(command=r'"C:\Program Files\Other\Norvane.exe" --uri "%1"')
        self.assertFallsBackToFetch()

    def test_scheme_path_in_another_letter_case(self):
        self.product.register_scheme(command=f'"{SETUP.upper()}" --uri "%1"')
        self.assertFallsBackToFetch()

    def test_scheme_version_2(self):
        self.product.register_scheme(version=("REG_DWORD", "2"))
        self.assertFallsBackToFetch()

    def test_scheme_version_as_text(self):
        self.product.register_scheme(version=("REG_SZ", "1"))
        self.assertFallsBackToFetch()

    def test_service_missing(self):
        self.product.remove_service()
        self.assertFallsBackToFetch()

    def test_service_executable_without_the_host_beside_it(self):
        self.product.remove_service()
        other = self.prefix.host_path(r"C:\Service")
        os.makedirs(other, exist_ok=True)
        shutil.copy(config.wine_helper("fake_host.exe"), os.path.join(other, "svc.exe"))
        shutil.copy(config.wine_helper("fake_host.exe"), os.path.join(other, "NorvaneAgent.exe"))
        self.product.register_service(r'"C:\Service\svc.exe"')
        self.assertFallsBackToFetch()

    def test_setup_program_without_the_payload_for_this_width(self):
        other_bits = 32 if self.product.bits == 64 else 64
        from .product import bundle_installer
        bundle_installer(os.path.join(self.product.folder, "Norvane.exe"), other_bits)
        self.assertFallsBackToFetch()

    def test_setup_program_that_is_not_an_image(self):
        with open(os.path.join(self.product.folder, "Norvane.exe"), "w") as f:
            f.write("not a program")
        self.assertFallsBackToFetch()


class SoundInstall32(HandOffJourney):
    """32-bit Windows: no WOW64, so the install folder comes from the shell and
    the installed setup program must carry the 32-bit programs."""
    arch = "win32"

    def test_windowed_run_opens_the_link_and_passes_the_exit_code(self):
        self.assertEqual(self.run_download(exit_code=5), 5)
        self.assertHandedOff(OPEN_LINK)


class TenantHandOff(HandOffJourney):
    """--tenant after a windowed hand-off that ended with 0: markers, then the
    running host is woken, or the host is started when none listens."""
    TENANT_ID = "00112233445566778899aabbccddeeff"

    def setUp(self):
        super().setUp()
        self.tenants = os.path.join(self.product.folder, "tenants")
        os.makedirs(self.tenants, exist_ok=True)
        self.user_root = None

    def add_tenant(self, slug, tenant_id=TENANT_ID, file_name=None):
        out = os.path.join(self.files, "tenant-out")
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        subprocess.run([config.pack(), "tenant", "--secret", os.path.join(config.ROOT, "tests", "keys",
                                                                         "tenant-file-test.key"),
                        "--id", tenant_id, "--slug", slug, "--name", "에이크미", "--text", "Acme Corp",
                        "--out-dir", out], check=True, capture_output=True)
        shutil.move(os.path.join(out, f"{tenant_id}.cfg"), os.path.join(self.tenants, file_name or f"{tenant_id}.cfg"))

    def marker(self, name):
        for dirpath, _, files in os.walk(os.path.join(self.prefix.drive_c, "users")):
            if name in files and dirpath.endswith(os.path.join("Local", "Norvane")):
                return os.path.join(dirpath, name)
        return None

    def clear_markers(self):
        for name in ("select-tenant", "show-on-start"):
            path = self.marker(name)
            if path:
                os.remove(path)

    def start_running_host(self):
        host = self.prefix.start(os.path.join(self.product.folder, "NorvaneHost.exe"))
        for _ in range(100):
            if any(r.startswith("host started") for r in self.records()):
                return host
            time.sleep(0.1)
        self.fail("the fake host did not start")

    def test_running_host_is_signalled_after_the_markers(self):
        self.clear_markers()
        self.add_tenant("acme")
        host = self.start_running_host()
        self.assertEqual(self.run_download(["--tenant=Acme-Desk"], exit_code=0), 0)
        host.wait(30)
        with open(self.marker("select-tenant"), "rb") as f:
            self.assertEqual(f.read(), b"Acme-Desk")
        self.assertEqual(os.path.getsize(self.marker("show-on-start")), 0)
        for name in ("select-tenant", "show-on-start"):
            windows = "C:\\" + os.path.relpath(self.marker(name), self.prefix.drive_c).replace("/", "\\")
            attributes = self.prefix.wine("cmd", "/c", "attrib", windows).stdout.decode(errors="replace")
            self.assertIn("H", attributes.split(windows[:2])[0], attributes)
        self.assertEqual(self.records()[-2:], [f'Norvane.exe|"{SETUP}" {OPEN_LINK}', "host signalled"])

    def test_without_a_running_host_the_host_is_started_managed(self):
        self.clear_markers()
        self.add_tenant("acme")
        self.assertEqual(self.run_download(["--tenant", "x"], exit_code=0), 0)
        # The host is started without waiting for it: give it a moment to record itself.
        for _ in range(200):
            started = [r for r in self.records() if r.startswith("host started")]
            if started:
                break
            time.sleep(0.1)
        self.assertEqual(len(started), 1, self.records())
        self.assertIn("NorvaneHost.exe", started[0])
        self.assertTrue(started[0].endswith("--managed --resume"), started[0])
        with open(self.marker("select-tenant"), "rb") as f:
            self.assertEqual(f.read(), b"x")

    def test_a_host_writable_by_everyone_or_owned_by_a_user_is_not_started(self):
        self.add_tenant("acme")
        refused = "설치된 호스트를 아무나 바꿀 수 있다. 실행하지 않는다"
        user_owned = "O:S-1-5-21-1-2-3-1001" + SAFE_FILE_SDDL[SAFE_FILE_SDDL.index("D:"):]
        for sddl in ("D:(A;;FA;;;SY)(A;;0x2;;;WD)", user_owned):
            with self.subTest(sddl):
                self.clear_markers()
                self.product.set_acl(HOST, sddl)
                before = self.log_messages().count(refused)
                self.assertEqual(self.run_download(["--tenant", "x"], exit_code=0), 0)
                time.sleep(2)  # a started host would have recorded itself by now (see the test above)
                self.assertFalse(any(r.startswith("host started") for r in self.records()), self.records())
                self.assertEqual(self.log_messages().count(refused), before + 1)

    def test_no_tenant_step_without_a_matching_signed_file(self):
        self.clear_markers()
        self.add_tenant("other")
        self.add_tenant("acme", file_name=self.TENANT_ID.upper() + ".cfg")  # misnamed: not listed
        self.assertEqual(self.run_download(["--tenant=x"], exit_code=0), 0)
        self.assertIsNone(self.marker("select-tenant"))
        self.assertIsNone(self.marker("show-on-start"))
        self.assertFalse(any(r.startswith("host") for r in self.records()))

    def test_no_tenant_step_after_a_failed_setup_program(self):
        self.clear_markers()
        self.add_tenant("acme")
        self.assertEqual(self.run_download(["--tenant=x"], exit_code=3), 3)
        self.assertIsNone(self.marker("select-tenant"))
