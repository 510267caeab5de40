#!/usr/bin/env python3
"""Draws QlmFile's icon, a padlock on a quill-green square, with the standard library only.

Writes QlmFile.png (256 x 256, for the desktop) and QlmFile.ico (16, 32 and 48 as 32-bit DIBs with
their AND masks, 256 as PNG), the file the program's icon group 102 is made from.
Run it from this folder: python3 make_icon.py
"""
import math
import struct
import zlib

GREEN = (46, 125, 79)
DARK_GREEN = (28, 84, 52)
CREAM = (244, 235, 208)
SHACKLE = (214, 220, 226)
KEYHOLE = (40, 52, 46)
SUPERSAMPLE = 4


def rounded_rect(x, y, left, top, right, bottom, radius):
    """Whether (x, y) lies in the rectangle with rounded corners (unit square coordinates)."""
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def colour_at(x, y):
    """The colour of the icon at (x, y) in [0, 1)^2, or None where it is transparent."""
    if not rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.16):
        return None
    colour = GREEN
    if y > 0.86 and rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.16):
        colour = DARK_GREEN  # a darker foot gives the square some depth
    # The shackle: a ring above the body, open at the bottom.
    ring = math.hypot(x - 0.5, y - 0.42)
    if 0.13 <= ring <= 0.21 and y <= 0.5:
        colour = SHACKLE
    if 0.13 <= abs(x - 0.5) <= 0.21 and 0.42 <= y <= 0.5:
        colour = SHACKLE
    # The body.
    if rounded_rect(x, y, 0.22, 0.48, 0.78, 0.86, 0.06):
        colour = CREAM
        # The keyhole: a round head and a slot below it.
        if math.hypot(x - 0.5, y - 0.62) <= 0.055 or (abs(x - 0.5) <= 0.025 and 0.62 <= y <= 0.76):
            colour = KEYHOLE
    return colour


def render(size):
    """RGBA rows, top to bottom, supersampled for smooth edges."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            totals = [0, 0, 0]
            covered = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    c = colour_at((px + (sx + 0.5) / SUPERSAMPLE) / size, (py + (sy + 0.5) / SUPERSAMPLE) / size)
                    if c is not None:
                        covered += 1
                        for i in range(3):
                            totals[i] += c[i]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * covered / SUPERSAMPLE ** 2)
                row.append(tuple(round(t / covered) for t in totals) + (alpha,))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(rows):
    """An icon image: BITMAPINFOHEADER (height doubled), BGRA rows bottom-up, then the AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the images."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        dimension = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return out + data


def main():
    big = render(256)
    with open("QlmFile.png", "wb") as f:
        f.write(png(big))
    images = [(size, dib(render(size))) for size in (16, 32, 48)] + [(256, png(big))]
    with open("QlmFile.ico", "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()
