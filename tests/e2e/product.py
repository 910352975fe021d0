"""Installs the fake product into a prefix for real: files in Program Files,
the link scheme in the 64-bit registry view, the host service, and security
descriptors through sidecar files (Wine stores no DACLs)."""
import os
import shutil
import subprocess

from . import config

SAFE_FILE_SDDL = "O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)"
SAFE_FOLDER_SDDL = "O:BAD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;FA;;;CO)"
INSTALL_DIR = r"C:\Program Files\Norvane"
SETUP = INSTALL_DIR + r"\Norvane.exe"
HOST = INSTALL_DIR + r"\NorvaneHost.exe"


def bundle_installer(out_path, bits, entries=("NorvaneHost.exe", "NorvaneHostService.exe", "NorvaneAgent.exe"),
                     image=None):
    """A full installer: the fake installer with a payload for `bits`."""
    files = []
    for name in entries:
        files += ["--file", f"{name}={config.wine_helper('fake_host.exe')}"]
    subprocess.run([config.pack(), "bundle", "--bits", str(bits), *files,
                    image or config.wine_helper("fake_installer_1_4_12.exe"), out_path], check=True)
    return out_path


class InstalledProduct:
    def __init__(self, prefix, bits=None):
        self.prefix = prefix
        self.bits = bits or (64 if prefix.arch == "win64" else 32)
        self.folder = prefix.host_path(INSTALL_DIR)

    def install(self):
        os.makedirs(self.folder, exist_ok=True)
        bundle_installer(os.path.join(self.folder, "Norvane.exe"), self.bits)
        for name in ("NorvaneHost.exe", "NorvaneHostService.exe", "NorvaneAgent.exe", "uninstall.exe"):
            shutil.copy(config.wine_helper("fake_host.exe"), os.path.join(self.folder, name))
        self.set_acl(SETUP, SAFE_FILE_SDDL)
        self.set_acl(HOST, SAFE_FILE_SDDL)
        self.set_acl(INSTALL_DIR, SAFE_FOLDER_SDDL)
        self.register_scheme()
        self.register_service()
        return self

    def set_acl(self, windows_path, sddl):
        with open(self.prefix.host_path(windows_path) + ".acl", "w") as f:
            f.write(sddl)

    def reg(self, *args):
        result = self.prefix.wine("reg", *args, "/f", "/reg:64")
        assert result.returncode == 0, result.stderr

    def register_scheme(self, command=None, version=("REG_DWORD", "1")):
        key = r"HKLM\Software\Classes\norvane"
        self.reg("add", key, "/v", "URL Protocol", "/t", "REG_SZ", "/d", "")
        self.reg("add", key, "/v", "NorvaneProtocolVersion", "/t", version[0], "/d", version[1])
        self.reg("add", key + r"\shell\open\command", "/ve", "/t", "REG_SZ", "/d",
                 command if command is not None else f'"{SETUP}" --uri "%1"')

    def register_service(self, command_line=None):
        binary = command_line or f'"{INSTALL_DIR}\\NorvaneHostService.exe" --service'
        result = self.prefix.wine("sc", "create", "NorvaneHostSvc", "binPath=", binary)
        assert result.returncode == 0, result.stdout + result.stderr

    def remove_service(self):
        self.prefix.wine("sc", "delete", "NorvaneHostSvc")

    def uninstall(self):
        self.remove_service()
        self.prefix.wine("reg", "delete", r"HKLM\Software\Classes\norvane", "/f", "/reg:64")
        shutil.rmtree(self.folder, ignore_errors=True)
        for sidecar in (self.folder + ".acl",):
            if os.path.exists(sidecar):
                os.remove(sidecar)
