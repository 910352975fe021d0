"""Reads what the journeys check in a PE32 (or PE32+) image: header flags,
sections, data directories and the DLLs it imports, plainly or delay-loaded."""
import collections
import struct

# KnownDLLs of every Windows the program runs on (7 to 11): the loader takes
# these from System32 whatever the search order, so only they may be plain imports.
KNOWN_DLLS = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
              "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll",
              "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll"}
IMPORT_DIRECTORY, CERTIFICATE_DIRECTORY, RELOCATION_DIRECTORY = 1, 4, 5
CHECKSUM_AT = 64  # in the optional header
PE32_PLUS = 0x20B


def directories_at(magic):
    """Where the data directories start in the optional header: PE32+ has wider fields before them."""
    return 112 if magic == PE32_PLUS else 96

Section = collections.namedtuple("Section", "name rva raw_offset raw_size characteristics")


class PeImage:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0"
        self.machine, count, optional_size, self.file_characteristics = struct.unpack_from("<HH12xHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        at = optional + directories_at(self.magic)
        directories = struct.unpack_from("<I", data, at - 4)[0]
        self.directories = [struct.unpack_from("<II", data, at + 8 * i) for i in range(directories)]
        self.sections = []
        for i in range(count):
            at = optional + optional_size + 40 * i
            rva, raw_size, raw_offset = struct.unpack_from("<4xIII", data, at + 8)
            self.sections.append(Section(data[at:at + 8].rstrip(b"\0").decode(), rva, raw_offset, raw_size,
                                         struct.unpack_from("<I", data, at + 36)[0]))

    def offset(self, rva):
        for s in self.sections:
            if s.rva <= rva < s.rva + s.raw_size:
                return s.raw_offset + rva - s.rva
        return None

    def name_at(self, rva):
        at = self.offset(rva)
        return None if at is None else self.data[at:self.data.index(b"\0", at)].decode("latin-1").lower()

    def imports(self):
        names, at = [], self.offset(self.directories[IMPORT_DIRECTORY][0])
        while at is not None and any(struct.unpack_from("<5I", self.data, at)):
            names.append(self.name_at(struct.unpack_from("<I", self.data, at + 12)[0]))
            at += 20
        return names

    def delay_imports(self):
        """Found by the descriptors' shape: GNU ld leaves their data directory empty."""
        names = []
        for s in self.sections:
            for at in range(s.raw_offset, s.raw_offset + s.raw_size - 32, 4):
                attributes, name, module, iat, int_, *unused = struct.unpack_from("<8I", self.data, at)
                if attributes == 1 and not any(unused) and module and None not in map(self.offset, (name, iat, int_)):
                    text = self.name_at(name)
                    if text.endswith(".dll"):
                        names.append(text)
        return names


def pe_checksum(data, checksum_at):
    """The PE checksum: 16-bit one's-complement sum, the checksum field left out, plus the length."""
    padded = bytes(data[:checksum_at]) + b"\0\0\0\0" + bytes(data[checksum_at + 4:]) + b"\0" * (len(data) % 2)
    total = sum(word for (word,) in struct.iter_unpack("<H", padded))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def grow_certificate_table(data, extra):
    """Puts `extra` inside the certificate table of a signed image that has one
    WIN_CERTIFICATE entry: the table's size and the entry's dwLength grow to
    cover it and the checksum is fixed. Authenticode hashes neither the table
    nor those fields, so the signature still verifies."""
    optional = struct.unpack_from("<I", data, 0x3C)[0] + 24
    image = PeImage(data)
    table_at, table_size = image.directories[CERTIFICATE_DIRECTORY]
    assert table_at + table_size == len(data), "the table must end the file"
    out = bytearray(data + extra)
    out += b"\0" * (-len(out) % 8)
    struct.pack_into("<I", out, optional + directories_at(image.magic) + 8 * CERTIFICATE_DIRECTORY + 4, len(out) - table_at)
    struct.pack_into("<I", out, table_at, len(out) - table_at)
    struct.pack_into("<I", out, optional + CHECKSUM_AT, pe_checksum(out, optional + CHECKSUM_AT))
    return bytes(out)
