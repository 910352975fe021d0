"""What the production Norvane.exe carries, and what only the test build may."""
import os
import re
import unittest

from . import config
from .pe_image import KNOWN_DLLS, RELOCATION_DIRECTORY, PeImage
from .wine import Prefix

PRODUCTION_KEYS = (b"2d2b4886f8b60435be8e68a838eac768f14c635cc509df2c12fd119a0a86c031",
                   b"b6902c8dbaa100177f970310a8afb5f58348fdb253e62d11e7a0c1adafff2468")
TEST_KEYS = (b"42854f47e3d38e22dc551104bb323c7003c193b7c9626164b2edececcdb31aec",
             b"d4f8e6f267271177c11d17d39810d747166572a1b6db8e352363d9786eb07983")


def wide(text):
    return text.encode("utf-16-le")


# What only the test build compiles: the #ifdef NORVANE_TEST_BUILD branch and
# the #else of #ifndef NORVANE_TEST_BUILD, up to the next #else or #endif.
TEST_ONLY = re.compile(r"#if(?:def|\s+defined\()\s*NORVANE_TEST_BUILD\)?\n(.*?)#(?:else|endif)|"
                       r"#ifndef\s+NORVANE_TEST_BUILD\n.*?#else\n(.*?)#endif", re.S)
MIN_SCANNED_LENGTH = 4  # shorter literals ("rb") turn up in any image by chance


def strings_only_in_the_test_build():
    """Every NORVANE_TEST_ name and every string literal of a test-only branch,
    read from the source so that a new switch cannot be missed."""
    found = set()
    for folder, _, names in os.walk(os.path.join(config.ROOT, "src")):
        for name in (n for n in names if n.endswith((".cpp", ".h"))):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                text = f.read()
            found.update(re.findall(r"NORVANE_TEST_\w+", text))
            for branch in TEST_ONLY.findall(text):
                code = re.sub(r"^\s*//.*$", "", "".join(branch), flags=re.M)  # comment lines
                found.update(m for m in re.findall(r'"((?:[^"\\]|\\.)*)"', code) if len(m) >= MIN_SCANNED_LENGTH)
    found.discard("NORVANE_TEST_BUILD")  # the macro itself
    return sorted(found)


class ReleaseProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(config.release_exe(), "rb") as f:
            cls.image = f.read()
        with open(config.test_exe(), "rb") as f:
            cls.test_image = f.read()

    def test_is_a_32_bit_gui_image_with_no_payload(self):
        image = PeImage(self.image)  # checks the "PE\0\0" signature
        self.assertEqual(image.machine, 0x14C)  # i386
        self.assertEqual(image.magic, 0x10B)  # PE32
        self.assertEqual(image.subsystem, 2)  # GUI subsystem
        self.assertNotIn(b"TDPAYLD1", self.image[-131072:])

    def test_imports_plainly_only_known_dlls_and_delay_loads_the_rest(self):
        image = PeImage(self.image)
        self.assertEqual([name for name in image.imports() if name not in KNOWN_DLLS], [])
        self.assertIn("winhttp.dll", image.delay_imports())  # proves the reader finds them
        self.assertEqual([name for name in image.delay_imports() if name in KNOWN_DLLS], [])

    def test_aslr_with_relocations_nx_terminal_server_aware_and_no_writable_code(self):
        image = PeImage(self.image)
        dynamic_base, nx_compat, terminal_server_aware = 0x0040, 0x0100, 0x8000
        for flag in (dynamic_base, nx_compat, terminal_server_aware):
            self.assertTrue(image.dll_characteristics & flag, hex(flag))
        self.assertFalse(image.file_characteristics & 0x0001, "relocations stripped")
        self.assertGreater(image.directories[RELOCATION_DIRECTORY][1], 8)
        writable_code = [s.name for s in image.sections if s.characteristics & 0xA0000000 == 0xA0000000]
        self.assertEqual(writable_code, [])

    def test_carries_the_production_keys_and_not_the_test_keys(self):
        for key in PRODUCTION_KEYS:
            self.assertIn(key, self.image)
        for key in TEST_KEYS:
            self.assertNotIn(key, self.image)
            self.assertIn(key, self.test_image)  # proves the scan would see them

    def test_has_no_security_descriptor_sidecar(self):
        self.assertNotIn(wide(".acl"), self.image)
        self.assertIn(wide(".acl"), self.test_image)  # proves the scan would see it

    def test_carries_no_test_only_string_or_environment_name(self):
        strings = strings_only_in_the_test_build()
        names = [s for s in strings if s.startswith("NORVANE_TEST_")]
        self.assertGreaterEqual(len(names), 3, strings)
        for text in strings:
            for encoded in (text.encode(), wide(text)):
                self.assertNotIn(encoded, self.image, text)
        for name in names:  # proves the scan would see them
            self.assertTrue(name.encode() in self.test_image or wide(name) in self.test_image, name)

    def test_accepts_every_release_version_unless_release_engineering_sets_a_floor(self):
        with open(os.path.join(config.RELEASE_BUILD, "CMakeCache.txt"), encoding="utf-8") as f:
            self.assertIn("NORVANE_MINIMUM_VERSION:STRING=0.0.0\n", f.read())

    def test_manifest_asks_for_no_elevation_and_declares_dpi_awareness(self):
        manifest = re.search(rb"<assembly.*?</assembly>", self.image, re.S).group(0)
        self.assertIn(b'name="Holmtide.TetherDesk.Setup" version="1.0.0.0"', manifest)
        self.assertIn(b'level="asInvoker" uiAccess="false"', manifest)
        self.assertIn(b"<dpiAware", manifest)
        self.assertIn(b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', manifest)


class ReleaseVersionResource(unittest.TestCase):
    def test_version_resource_reads_back_through_the_system(self):
        with Prefix("win64") as prefix:
            result = prefix.run(config.wine_helper("version_info_helper.exe"),
                                [Prefix.windows_path(config.release_exe())])
        self.assertEqual(result.returncode, 0)
        fields = dict(line.split(" ", 1) for line in result.stdout.decode("utf-8").replace("\r", "").splitlines())
        self.assertEqual(fields, {
            "FixedFileVersion": "0.1.325.0",
            "FixedProductVersion": "0.1.325.0",
            "CompanyName": "Norvane",
            "FileDescription": "Norvane 원격 온라인 설치",
            "FileVersion": "0.1.325.0",
            "InternalName": "Norvane.exe",
            "OriginalFilename": "Norvane.exe",
            "ProductName": "원격 지원",
            "ProductVersion": "0.1.325.0",
        })

    def test_icon_group_one_has_the_ten_sizes(self):
        with open(os.path.join(config.ROOT, "src", "res", "norvane.ico"), "rb") as f:
            ico = f.read()
        count = int.from_bytes(ico[4:6], "little")
        sizes = sorted((ico[6 + 16 * i] or 256) for i in range(count))
        self.assertEqual(sizes, [16, 20, 24, 32, 40, 48, 64, 96, 128, 256])
        bits = {int.from_bytes(ico[6 + 16 * i + 6:6 + 16 * i + 8], "little") for i in range(count)}
        self.assertEqual(bits, {32})
