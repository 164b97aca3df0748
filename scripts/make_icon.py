#!/usr/bin/env python3
"""Draws DRUVO's 32 x 32, 24-bit image and writes it as the window icon (druvo.ico) and as
the bitmap of Image1 (image1.bmp). The generated files are committed, so the build needs
no Python; run this again only to change the picture:

    python3 scripts/make_icon.py app/win32
"""
import struct
import sys
from pathlib import Path

SIZE = 32

BLUE = (0x1F, 0x4E, 0x8C)
BLUE_DARK = (0x12, 0x30, 0x5A)
WHITE = (0xFF, 0xFF, 0xFF)
PAPER = (0xF4, 0xF1, 0xE6)
BLACK = (0x10, 0x10, 0x10)
ORANGE = (0xF2, 0x8C, 0x1C)


def draw():
    """Returns the picture as rows of (r, g, b), top row first.

    A book label with a bar code on a blue tile, and an orange double arrow under it: the
    book number turned from one form into the other."""
    px = [[BLUE for _ in range(SIZE)] for _ in range(SIZE)]

    # Darker rim, with the corners rounded off.
    for i in range(SIZE):
        for j in (0, SIZE - 1):
            px[i][j] = BLUE_DARK
            px[j][i] = BLUE_DARK
    for (y, x) in ((0, 0), (0, 31), (31, 0), (31, 31), (0, 1), (1, 0), (0, 30), (1, 31),
                   (30, 0), (31, 1), (30, 31), (31, 30)):
        px[y][x] = WHITE

    # The label: paper with a bar code of EAN-like widths.
    for y in range(4, 21):
        for x in range(5, 27):
            px[y][x] = PAPER
    bars = [1, 0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0, 1, 0, 1, 1, 0, 0, 1]
    for k, bar in enumerate(bars):
        if not bar:
            continue
        x = 7 + k
        tall = k in (0, 2, 9, 10, 17, 18)  # guard bars run a little longer
        for y in range(6, 18 if tall else 16):
            px[y][x] = BLACK
    # Digits under the bars, as small grey dashes.
    for x in range(8, 25):
        if x % 3 != 1:
            px[18][x] = (0x70, 0x70, 0x70)

    # The double arrow: a shaft with a head at each end.
    for x in range(8, 24):
        for y in (25, 26):
            px[y][x] = ORANGE
    for d in range(4):  # heads: narrow at the tips, wide where they meet the shaft
        for y in range(25 - d, 27 + d):
            px[y][4 + d] = ORANGE
            px[y][27 - d] = ORANGE
    return px


def bgr_rows_bottom_up(px):
    out = bytearray()
    for row in reversed(px):
        for (r, g, b) in row:
            out += bytes((b, g, r))
    return bytes(out)  # 32 * 3 = 96 bytes a row: already a multiple of 4


def info_header(height):
    return struct.pack("<IiiHHIIiiII", 40, SIZE, height, 1, 24, 0, SIZE * SIZE * 3, 0, 0, 0, 0)


def write_bmp(path, px):
    pixels = bgr_rows_bottom_up(px)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    path.write_bytes(header + info_header(SIZE) + pixels)


def write_ico(path, px):
    pixels = bgr_rows_bottom_up(px)
    mask = bytes(SIZE * 4)  # every pixel opaque; 32 bits a row
    image = info_header(SIZE * 2) + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    path.write_bytes(directory + entry + image)


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    px = draw()
    write_bmp(folder / "image1.bmp", px)
    write_ico(folder / "druvo.ico", px)


if __name__ == "__main__":
    main()
