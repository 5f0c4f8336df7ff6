#!/usr/bin/env python3
"""Writes the program icon: res/cardloom.ico and res/hicolor/*/apps/cardloom.png.

The icon holds two images, 32 x 32 and 16 x 16, each in 16 colours (4 bits per
pixel, the standard 16-colour palette) with a 1-bit transparency (AND) mask. The
PNGs are the desktop's icon sizes on Linux, laid out as in the hicolor theme:
the same two pictures, each pixel enlarged to a square of whole pixels. Plain
Python 3; run it again after changing a picture and commit all outputs;
"make_icon.py DIR" writes them into DIR instead.
"""

import os
import struct
import sys
import zlib

# The standard 16-colour palette as (red, green, blue), in palette order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Picture letters -> palette index; "." is transparent.
COLOURS = {"K": 0, "r": 1, "b": 4, "S": 7, "G": 8, "R": 9, "B": 12, "W": 15}

# A white card with a red diamond and lines of text in front of a card back.
CARD_32 = [
    "................................",
    "............KKKKKKKKKKKKKKKKKK..",
    "...........KbbBbbbBbbbBbbbBbbbK.",
    "...........KbBbBbBbBbBbBbBbBbBK.",
    "...........KBbbbBbbbBbbbBbbbBbK.",
    "..KKKKKKKKKKKKKKKKKKKBbBbBbBbBK.",
    ".KWWWWWWWWWWWWWWWWWWWKBbbbBbbbK.",
    ".KWRRWWWWWWWWWWWWWWWWKbBbBbBbBK.",
    ".KWRWWWWWWWRWWWWWWWWWKbbBbbbBbK.",
    ".KWWWWWWWWRRRWWWWWWWWKbBbBbBbBK.",
    ".KWWWWWWWRRRRRWWWWWWWKBbbbBbbbK.",
    ".KWWWWWWRRRRRRRWWWWWWKbBbBbBbBK.",
    ".KWWWWWRRRRRRRRRWWWWWKbbBbbbBbK.",
    ".KWWWWRRRRRRRRRRRWWWWKbBbBbBbBK.",
    ".KWWWRRRRRRRRRRRRrWWWKBbbbBbbbK.",
    ".KWWWWRRRRRRRRRRrWWWWKbBbBbBbBK.",
    ".KWWWWWRRRRRRRRrWWWWWKbbBbbbBbK.",
    ".KWWWWWWRRRRRRrWWWWWWKbBbBbBbBK.",
    ".KWWWWWWWRRRRrWWWWWWWKBbbbBbbbK.",
    ".KWWWWWWWWRRrWWWWWWWWKbBbBbBbBK.",
    ".KWWWWWWWWWRWWWWWWWWWKbbBbbbBbK.",
    ".KWWWWWWWWWWWWWWWWWWWKbBbBbBbBK.",
    ".KWWWWWWWWWWWWWWWWWWWKBbbbBbbbK.",
    ".KWWGGGGGGGGGGGGGGGWWKbBbBbBbBK.",
    ".KWWWWWWWWWWWWWWWWWWWKbbBbbbBbK.",
    ".KWWGGGGGGGGGGGGGWWWWKbBbBbBbBK.",
    ".KWWWWWWWWWWWWWWWWWWWKKKKKKKKK..",
    ".KWWGGGGGGGGGWWWWWWWWK..........",
    ".KWWWWWWWWWWWWWWWWWWWK..........",
    ".KWWWWWWWWWWWWWWWWWWWK..........",
    "..KKKKKKKKKKKKKKKKKKK...........",
    "................................",
]

CARD_16 = [
    "......KKKKKKKKK.",
    ".....KbbBbbBbbBK",
    ".....KbBbbBbbBbK",
    ".KKKKKKKKKbbBbbK",
    "KWWWWWWWWWKBbbBK",
    "KWWWWRWWWWKbbBbK",
    "KWWWRRRWWWKbBbbK",
    "KWWRRRRRWWKBbbBK",
    "KWRRRRRRrWKbbBbK",
    "KWWRRRRrWWKbBbbK",
    "KWWWRRrWWWKBbbBK",
    "KWWWWRWWWWKbbBbK",
    "KWWWWWWWWWKKKKK.",
    "KWGGGGGGGWK.....",
    "KWWWWWWWWWK.....",
    ".KKKKKKKKK......",
]


# The desktop's sizes: (size, picture, enlargement).
HICOLOR = [(16, CARD_16, 1), (32, CARD_32, 1), (48, CARD_16, 3), (64, CARD_32, 2), (128, CARD_32, 4),
           (256, CARD_32, 8)]


def check(picture, size):
    if len(picture) != size or any(len(row) != size for row in picture):
        raise SystemExit("picture is not %d x %d" % (size, size))
    for row in picture:
        for ch in row:
            if ch != "." and ch not in COLOURS:
                raise SystemExit("unknown colour letter %r" % ch)


def padded(row_bytes):
    """Pads one bitmap row to a multiple of four bytes."""
    return row_bytes + bytes(-len(row_bytes) % 4)


def dib(picture):
    """The icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask, rows bottom-up."""
    size = len(picture)
    xor = b""
    mask = b""
    for row in reversed(picture):
        indices = [COLOURS.get(ch, 0) for ch in row]
        xor += padded(bytes((indices[x] << 4) | indices[x + 1] for x in range(0, size, 2)))
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == "." else 0)
        mask += padded(bits.to_bytes(size // 8, "big"))
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + xor + mask


def ico(pictures):
    images = [dib(p) for p in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for picture, image in zip(pictures, images):
        size = len(picture)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def enlarged(picture, factor):
    """Each pixel as a factor x factor square."""
    return ["".join(ch * factor for ch in row) for row in picture for _ in range(factor)]


def png(picture):
    """An RGBA PNG of one picture."""
    raw = b""
    for row in picture:
        raw += b"\0"
        for ch in row:
            raw += bytes(PALETTE[COLOURS[ch]] + (255,)) if ch != "." else bytes(4)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(picture)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    check(CARD_32, 32)
    check(CARD_16, 16)
    # The output folder: this script's own unless given (to compare with the committed files).
    here = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "cardloom.ico"), "wb") as f:
        f.write(ico([CARD_32, CARD_16]))
    for size, picture, factor in HICOLOR:
        folder = os.path.join(here, "hicolor", "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "cardloom.png"), "wb") as f:
            f.write(png(enlarged(picture, factor)))


if __name__ == "__main__":
    main()
