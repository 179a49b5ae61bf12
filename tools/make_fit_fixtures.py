#!/usr/bin/python3
"""Rebuilds the pictures of the fitting suites in tests/image/fixtures/fit/.

Each picture is written by Pillow or ImageMagick (PNG of every colour type, interlaced and
16-bit; JPEG baseline and progressive; GIF; BMP of the core, 40-byte and v4 headers, 1, 8 and
24 bits, bitfields, top-down, RLE4 and RLE8; TGA 24 and 32 bits, RLE, colour-mapped and top
row first) and beside it NAME.rgba, the picture as Pillow decodes it (red, green, blue,
alpha, rows top to bottom; in a BMP the colour key 255, 0, 255 already transparent black).
The same files seed the fuzz target: fuzz/corpus/fit.

Usage: tools/make_fit_fixtures.py [OUTPUT_DIR]
"""

import io
import os
import struct
import subprocess
import sys

from PIL import Image

KEY = (255, 0, 255)


def pattern(w, h, mode):
    im = Image.new(mode, (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            v = ((x * 37 + y * 11) & 255, (x * 29) & 255, (y * 41) & 255, (x * y * 23 + 40) & 255)
            if mode == "RGBA":
                px[x, y] = v
            elif mode == "RGB":
                px[x, y] = KEY if (x, y) == (1, 0) else v[:3]
            elif mode == "L":
                px[x, y] = v[0]
            elif mode == "P":
                px[x, y] = (x + 3 * y) % 16
    if mode == "P":
        pal = [((i * 47) & 255, (i * 89) & 255, (255 - i * 13) & 255) for i in range(16)]
        pal[5] = KEY
        im.putpalette([c for p in pal for c in p])
    return im


def smooth(w, h):  # for JPEG, whose decoders differ a little on sharp edges
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            px[x, y] = (60 + x * 8, 90 + y * 6, 200 - x * 4)
    return im


def rle4_bmp():
    """6 by 3, 4 bits: two runs, an absolute run, a move, end of picture. Hand-built: no
    common encoder writes RLE4."""
    pal = b"".join(bytes((i * 16, 255 - i * 16, i * 5, 0)) for i in range(16))
    data = bytes([4, 0x12, 2, 0x34, 0, 0, 0, 3, 0x56, 0x70, 3, 0x89, 0, 0, 0, 2, 1, 0, 2, 0xAB,
                  0, 1])
    info = struct.pack("<IiiHHIIiiII", 40, 6, 3, 1, 4, 2, len(data), 2835, 2835, 16, 0)
    off = 14 + 40 + len(pal)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + pal + data


def rle4_expected():
    pal = [(i * 5, 255 - i * 16, i * 16) for i in range(16)]  # red, green, blue
    rows = [[None] * 6 for _ in range(3)]  # bottom row first
    rows[0][:6] = [1, 2, 1, 2, 3, 4]
    rows[1][:6] = [5, 6, 7, 8, 9, 8]
    rows[2][1:3] = [10, 11]  # after a move of one to the right
    out = bytearray()
    for row in reversed(rows):
        for i in row:
            out += bytes((0, 0, 0, 0)) if i is None else bytes(pal[i] + (255,))
    return bytes(out)


def main(argv):
    out = argv[0] if argv else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                            "tests", "image", "fixtures", "fit")
    os.makedirs(out, exist_ok=True)

    def path(name):
        return os.path.join(out, name)

    def save(name, im, fmt, **kw):
        im.save(path(name), fmt, **kw)

    def im(src, dest, *options):
        subprocess.run(["convert", path(src), *options, dest if ":" in dest else path(dest)],
                       check=True)

    save("rgba.png", pattern(7, 5, "RGBA"), "PNG")
    save("palette_trns.png", pattern(6, 6, "P"), "PNG", transparency=3)
    save("grey.png", pattern(5, 3, "L"), "PNG")
    im("rgba.png", "interlaced.png", "-interlace", "PNG")
    im("rgba.png", "png64:" + path("deep16.png"))
    save("baseline.jpg", smooth(16, 9), "JPEG", quality=95)
    save("progressive.jpg", smooth(17, 8), "JPEG", quality=95, progressive=True)
    save("frame.gif", pattern(6, 4, "P"), "GIF", transparency=2)
    save("rgb24.bmp", pattern(5, 3, "RGB"), "BMP")
    save("pal8.bmp", pattern(6, 5, "P"), "BMP")
    save("pal1.bmp", pattern(9, 2, "L").convert("1"), "BMP")
    im("pal8.bmp", "bmp3:" + path("rle8.bmp"), "-compress", "RLE")
    im("rgb24.bmp", "bmp2:" + path("core.bmp"))
    im("rgba.png", "bmp:" + path("bitfields.bmp"), "-define", "bmp:format=bmp4")
    with open(path("rle4.bmp"), "wb") as f:
        f.write(rle4_bmp())
    # Top row first: the height turned negative and the rows turned over.
    flipped = io.BytesIO()
    pattern(5, 3, "RGB").transpose(Image.FLIP_TOP_BOTTOM).save(flipped, "BMP")
    data = bytearray(flipped.getvalue())
    data[22:26] = struct.pack("<i", -3)
    with open(path("topdown.bmp"), "wb") as f:
        f.write(data)
    save("rgba32.tga", pattern(4, 3, "RGBA"), "TGA")
    save("rle.tga", pattern(5, 4, "RGBA"), "TGA", compression="tga_rle")
    save("rgb24.tga", pattern(4, 4, "RGB"), "TGA")
    save("colourmap.tga", pattern(4, 4, "P"), "TGA")
    im("rgba.png", "topfirst.tga", "-orient", "TopLeft", "-compress", "None")

    for name in sorted(os.listdir(out)):
        if name.endswith(".rgba"):
            continue
        stem = name.rsplit(".", 1)[0] + "_" + name.rsplit(".", 1)[1]
        if name == "rle4.bmp":
            want = rle4_expected()
        else:
            px = Image.open(path(name)).convert("RGBA").tobytes()
            want = bytearray(px)
            if name.endswith(".bmp"):
                for i in range(0, len(want), 4):
                    if tuple(want[i:i + 3]) == KEY:
                        want[i:i + 4] = b"\0\0\0\0"
            want = bytes(want)
        with open(path(stem + ".rgba"), "wb") as f:
            f.write(want)


if __name__ == "__main__":
    main(sys.argv[1:])
