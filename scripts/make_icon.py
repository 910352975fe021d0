#!/usr/bin/env python3
"""Draws the program icon (blue rounded badge, white pointer arrow) into
src/res/norvane.ico: ten 32-bit images, 16 to 256 pixels. Sizes below 256 are
stored as DIBs, 256 as PNG, as Windows expects."""
import struct
import sys
import zlib

SIZES = [16, 20, 24, 32, 40, 48, 64, 96, 128, 256]
ACCENT = (0, 120, 212)
WHITE = (255, 255, 255)
# The pointer arrow on a 16 x 16 design grid, as drawn in the setup window's badge.
ARROW = [(4, 2), (4, 13.5), (6.8, 10.9), (8.9, 14.9), (10.8, 14), (8.8, 10.1), (12.6, 10.1)]
SUPERSAMPLE = 4


def inside_rounded_square(x, y, size, radius):
    cx = min(max(x, radius), size - radius)
    cy = min(max(y, radius), size - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def inside_polygon(x, y, points):
    inside = False
    for i, (x1, y1) in enumerate(points):
        x2, y2 = points[i - 1]
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
            inside = not inside
    return inside


def render(size):
    """Returns rows of (r, g, b, a), top row first."""
    radius = size * 0.22
    margin = size * 0.16
    scale = (size - 2 * margin) / 16.0
    arrow = [(margin + px * scale + 0.04 * size, margin + py * scale) for px, py in ARROW]
    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            badge = glyph = 0
            for sy in range(n):
                for sx in range(n):
                    px, py = x + (sx + 0.5) / n, y + (sy + 0.5) / n
                    if inside_rounded_square(px, py, size, radius):
                        badge += 1
                        if inside_polygon(px, py, arrow):
                            glyph += 1
            total = n * n
            if badge == 0:
                row.append((0, 0, 0, 0))
                continue
            mix = glyph / badge
            colour = tuple(round(a + (b - a) * mix) for a, b in zip(ACCENT, WHITE))
            row.append(colour + (round(255 * badge / total),))
        rows.append(row)
    return rows


def as_dib(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_stride * size)  # alpha decides; the AND mask stays clear


def as_png(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main(out_path):
    images = [(s, as_png(s, render(s)) if s == 256 else as_dib(s, render(s))) for s in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        side = 0 if size == 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    with open(out_path, "wb") as f:
        f.write(directory + body)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/res/norvane.ico")
