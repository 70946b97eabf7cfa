#!/usr/bin/env python3
"""Writes velmora.ico: a printer with a picture coming out of it, in 48, 32 and 16 pixels at
16 colours (4 bits per pixel). The output depends on nothing but this script. The 48 and 32-pixel
images are stored as PNG, as Windows Vista and later read them, in a fifth of the room their
bitmaps would take in Velmora.exe; the 16-pixel one, the title bar's, stays a bitmap."""

import struct
import sys
import zlib
from pathlib import Path

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, LIGHT_GREY, WHITE = 0, 8, 7, 15
NAVY, BLUE, GREEN, YELLOW, TEAL = 4, 12, 10, 11, 6
CLEAR = None

SIZES = (48, 32, 16)

# Shapes in a 48-unit square, painted in order: (left, top, right, bottom, colour), right and
# bottom exclusive. Each size scales them; the 16-pixel image keeps the same layout.
SHAPES = [
    (12, 3, 36, 20, BLACK),        # paper waiting on top, outlined
    (13, 4, 35, 20, WHITE),
    (16, 8, 32, 9, LIGHT_GREY),    # text lines on it
    (16, 12, 29, 13, LIGHT_GREY),
    (3, 17, 45, 36, BLACK),        # printer body, outlined
    (4, 18, 44, 35, LIGHT_GREY),
    (4, 29, 44, 35, DARK_GREY),    # lower half in shadow
    (37, 21, 41, 24, GREEN),       # power light
    (9, 30, 39, 33, BLACK),        # output slot
    (10, 31, 38, 46, BLACK),       # picture coming out, outlined
    (11, 32, 37, 45, WHITE),
    (12, 33, 36, 44, TEAL),        # sky
    (12, 40, 36, 44, GREEN),       # hill
    (28, 35, 32, 39, YELLOW),      # sun
    (12, 43, 36, 44, NAVY),
]


def render(size):
    """Rows of palette indices (None where transparent), top row first."""
    pixels = [[CLEAR] * size for _ in range(size)]
    for left, top, right, bottom, colour in SHAPES:
        x0, y0 = left * size // 48, top * size // 48
        x1, y1 = max(x0 + 1, right * size // 48), max(y0 + 1, bottom * size // 48)
        for y in range(y0, min(y1, size)):
            for x in range(x0, min(x1, size)):
                pixels[y][x] = colour
    return pixels


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def image(size):
    """One icon image: header, palette, 4-bit colour rows and 1-bit mask, bottom row first."""
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(row_bytes(size * 4))
        bits = bytearray(row_bytes(size))
        for x, value in enumerate(row):
            index = 0 if value is CLEAR else value
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if value is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += line
        mask += bits
    return header + palette + bytes(colour) + bytes(mask)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(size):
    """The image as a 4-bit palette PNG: the colours it uses, then one transparent entry."""
    pixels = render(size)
    used = sorted({value for row in pixels for value in row if value is not CLEAR})
    index = {colour: i for i, colour in enumerate(used)}
    clear = len(used)
    rows = b""
    for row in pixels:
        line = bytearray(1 + (size + 1) // 2)  # filter type 0, then two pixels a byte
        for x, value in enumerate(row):
            line[1 + x // 2] |= (clear if value is CLEAR else index[value]) << (4 if x % 2 == 0 else 0)
        rows += bytes(line)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(PALETTE[c]) for c in used) + b"\0\0\0")
            + chunk(b"tRNS", b"\xff" * clear + b"\0")
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def icon():
    images = [png(size) if size > 16 else image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in zip(SIZES, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(images)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("velmora.ico")
    target.write_bytes(icon())


if __name__ == "__main__":
    main()
