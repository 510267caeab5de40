#!/usr/bin/env python3
"""Draws the control's toolbox bitmap: 16 x 15 pixels, 4 bits per pixel, the 16 standard colours.

Writes ToolboxBitmap.bmp beside this script (a Windows bitmap file; the library's bitmap resource 30000
is the file without its 14-byte file header). Standard library only:  python3 make_toolbox_bitmap.py
"""
import os
import struct

# The 16 standard colours, as (blue, green, red, 0) entries.
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]  # (red, green, blue)

# A padlock (the protection the control sets up), top row first. Each character is a palette index in
# hex; 7 (light grey) is the toolbox's background, E (yellow) the lock's body.
PIXELS = [
    "7777777777777777",
    "7777700000077777",
    "7777077777707777",
    "7777077777707777",
    "7777077777707777",
    "7777077777707777",
    "7777077777707777",
    "7000000000000007",
    "70EEEEEEEEEEEE07",
    "70EEEEE00EEEEE07",
    "70EEEE0000EEEE07",
    "70EEEEE00EEEEE07",
    "70EEEEE00EEEEE07",
    "70EEEEEEEEEEEE07",
    "7000000000000007",
]
WIDTH, HEIGHT = 16, 15


def main():
    rows = []
    for line in PIXELS:
        assert len(line) == WIDTH
        rows.append(bytes(int(line[i], 16) << 4 | int(line[i + 1], 16) for i in range(0, WIDTH, 2)))
    bits = b"".join(reversed(rows))  # bottom-up; 8 bytes a row is already a multiple of 4
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(bits), 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ToolboxBitmap.bmp")
    with open(out, "wb") as f:
        f.write(header + info + palette + bits)


if __name__ == "__main__":
    main()
