"""Crafts appended payloads byte by byte, defects included."""
import struct

MAGIC = b"TDPAYLD1"
GOOD_ID = "0123456789abcdef0123456789abcdef"


def build(entries, base_offset, version=2, count=None, carried=(0, 1, 325, 0), padding=6):
    """entries: list of (name: bytes|str, tag, value: bytes|str). Returns the payload bytes
    for a file whose payload starts at base_offset."""
    values = b""
    offsets = []
    for _, _, value in entries:
        value = value.encode() if isinstance(value, str) else value
        offsets.append(base_offset + len(values))
        values += value
    directory = b""
    for (name, tag, value), offset in zip(entries, offsets):
        name = name.encode() if isinstance(name, str) else name
        length = len(value.encode() if isinstance(value, str) else value)
        directory += name[:40].ljust(40, b"\0") + struct.pack("<IIQQ", tag, 0, offset, length)
    directory_offset = base_offset + len(values)
    trailer = MAGIC + struct.pack("<IIQ4H", version, len(entries) if count is None else count, directory_offset,
                                  *carried)
    return values + directory + trailer + b"\0" * padding


def online_entries(download_id=GOOD_ID, slug="acme", online_version="1"):
    return [("online.version", 0, online_version), ("download.id", 0, download_id), ("tenant.slug", 0, slug)]


def stamp(image_path, out_path, entries, **kwargs):
    with open(image_path, "rb") as f:
        image = f.read()
    with open(out_path, "wb") as f:
        f.write(image + build(entries, len(image), **kwargs))
