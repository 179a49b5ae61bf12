#!/usr/bin/python3
"""Rebuilds the picture fixtures of the image suites in tests/image/fixtures/.

Our own files (own_*) are written here with the standard library alone, field by field. The
real-encoder files come from ImageMagick's `convert` (im_*) and from Pillow (pil_*), fed the
same patterns, so the readers are tested against more writers than this one. Each accepted
fixture decodes to one of the expected pictures (*.rgba: red, green, blue, alpha, rows top to
bottom), which this script derives from the pattern and the colour-key rule.

Usage: tools/make_fixtures.py [--own-only] [OUTPUT_DIR]
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

KEY = (255, 0, 255)  # becomes fully transparent in a BMP


# Patterns: functions of (x, y), y counted from the top. None of them is symmetric, so a
# flipped or mirrored decode cannot pass.
def gradient(x, y, w):
    if (x, y) == (w - 1, 0):
        return KEY  # top right: the colour key
    return ((x * 4) & 255, (y * 4) & 255, ((x + 2 * y) * 2) & 255)


def alpha(x, y, w):
    r, g, b = ((x * 4) & 255, (y * 4) & 255, ((x + 2 * y) * 2) & 255)
    return (r, g, b, (255 - (x + y) * 2) & 255)


PAL2 = [(10, 20, 30), (240, 200, 100)]
PAL16 = [((i * 16) & 255, 255 - i * 16, (i * 37) & 255) for i in range(16)]
PAL16[7] = KEY
PAL256 = [(i, 255 - i, (i * 7) & 255) for i in range(256)]
BW = [(0, 0, 0), (255, 255, 255)]


def index2(x, y, w):
    return 1 if (x * x + 3 * y) % 7 < 3 else 0


def index16(x, y, w):
    return (x // 8 + (y // 8) * 3 + (x % 3)) % 16


def index256(x, y, w):
    return (x + y * 5) & 255


def rgb_rows(fn, w):
    return [[fn(x, y, w) for x in range(w)] for y in range(w)]


def indexed(index_fn, palette):
    return lambda x, y, w: palette[index_fn(x, y, w)]


def expected_bmp(rows):
    out = bytearray()
    for row in rows:
        for c in row:
            out += bytes((0, 0, 0, 0)) if tuple(c[:3]) == KEY else bytes((c[0], c[1], c[2], 255))
    return bytes(out)


def expected_tga(rows):
    return b"".join(bytes(c) for row in rows for c in row)


# BMP: 14-byte file header, information header of `info_size` bytes (40, 108 or 124), palette,
# optional gap, then the rows bottom first.
def bmp(w, bits, rows_bytes, palette=None, info_size=40, colours=None, gap=0, compression=0,
        height=None, planes=1, offset=None):
    height = w if height is None else height
    pal = b""
    if palette is not None:
        pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    pixel_offset = 14 + info_size + len(pal) + gap if offset is None else offset
    data = b"".join(reversed(rows_bytes))
    size = 14 + info_size + len(pal) + gap + len(data)
    info = struct.pack("<IiiHHIIiiII", info_size, w, height, planes, bits, compression, len(data),
                       2835, 2835, len(palette) if colours is None and palette else
                       (colours or 0), 0)
    info += bytes(info_size - 40)
    return (b"BM" + struct.pack("<IHHI", size, 0, 0, pixel_offset) + info + pal + bytes(gap)
            + data)


def pack_indexes(indexes, bits):
    out = bytearray()
    per = 8 // bits
    for i in range(0, len(indexes), per):
        v = 0
        for j in range(per):
            v = (v << bits) | indexes[i + j]
        out.append(v)
    return bytes(out)


def bmp_rows24(rows):
    return [b"".join(bytes((c[2], c[1], c[0])) for c in row) for row in rows]


def bmp_rows_indexed(index_fn, w, bits):
    return [pack_indexes([index_fn(x, y, w) for x in range(w)], bits) for y in range(w)]


# TGA: 18-byte header, identification field, pixels blue, green, red, alpha, bottom row first.
def tga(w, rows, image_type=2, depth=32, descriptor=8, ident=b"", colour_map=0):
    header = struct.pack("<BBBHHBHHHHBB", len(ident), colour_map, image_type, 0, 0, 0, 0, 0, w, w,
                         depth, descriptor)
    px = b"".join(bytes((c[2], c[1], c[0], c[3])) for row in reversed(rows) for c in row)
    return header + ident + px


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def own_fixtures(out):
    g32, g64 = rgb_rows(gradient, 32), rgb_rows(gradient, 64)
    a32, a64 = rgb_rows(alpha, 32), rgb_rows(alpha, 64)
    p2 = rgb_rows(indexed(index2, PAL2), 32)
    p16 = rgb_rows(indexed(index16, PAL16), 32)
    p256 = rgb_rows(indexed(index256, PAL256), 64)
    write(out, "gradient32.rgba", expected_bmp(g32))
    write(out, "gradient64.rgba", expected_bmp(g64))
    write(out, "alpha32.rgba", expected_tga(a32))
    write(out, "alpha64.rgba", expected_tga(a64))
    write(out, "pal2_32.rgba", expected_bmp(p2))
    write(out, "pal16_32.rgba", expected_bmp(p16))
    write(out, "pal256_64.rgba", expected_bmp(p256))

    write(out, "own_bmp24_32.bmp", bmp(32, 24, bmp_rows24(g32)))
    write(out, "own_bmp24_v4_64.bmp", bmp(64, 24, bmp_rows24(g64), info_size=108))
    write(out, "own_bmp8_64.bmp", bmp(64, 8, bmp_rows_indexed(index256, 64, 8), PAL256, colours=0))
    write(out, "own_bmp8_gap_64.bmp",
          bmp(64, 8, bmp_rows_indexed(index256, 64, 8), PAL256, gap=70))
    write(out, "own_bmp4_32.bmp", bmp(32, 4, bmp_rows_indexed(index16, 32, 4), PAL16))
    write(out, "own_bmp1_32.bmp", bmp(32, 1, bmp_rows_indexed(index2, 32, 1), PAL2))
    write(out, "own_tga32_32.tga", tga(32, a32))
    write(out, "own_tga32_64.tga", tga(64, a64))
    write(out, "own_tga_id_32.tga", tga(32, a32, ident=b"hello"))

    # Refused: each breaks one rule.
    rows16 = [bytes(64) for _ in range(32)]
    write(out, "bad_bmp16_32.bmp", bmp(32, 16, rows16))
    write(out, "bad_bmp32_32.bmp", bmp(32, 32, [bytes(128) for _ in range(32)]))
    write(out, "bad_bmp_300_colours.bmp", bmp(32, 8, [bytes(32)] * 32, PAL256, colours=300))
    write(out, "bad_bmp24_16.bmp", bmp(16, 24, bmp_rows24(rgb_rows(gradient, 16))))
    write(out, "bad_bmp_topdown_32.bmp", bmp(32, 24, bmp_rows24(g32), height=-32))
    core = (b"BM" + struct.pack("<IHHI", 26 + 32 * 96, 0, 0, 26) +
            struct.pack("<IHHHH", 12, 32, 32, 1, 24) + b"".join(bmp_rows24(g32)))
    write(out, "bad_bmp_core12_32.bmp", core)
    write(out, "bad_tga_mirrored_32.tga", tga(32, a32, descriptor=0x18))
    write(out, "bad_tga32_16.tga", tga(16, rgb_rows(alpha, 16)))
    write(out, "bad_tga_colourmap_32.tga", tga(32, a32, colour_map=1))
    # As GIMP saves a picture with transparency: a 124-byte header whose bit fields give the
    # colours and an alpha channel.
    rows32 = [bytes(c for (r, g, b) in row for c in (b, g, r, 128)) for row in g32]
    gimp = bytearray(bmp(32, 32, rows32, info_size=124, compression=3))
    gimp[14 + 40:14 + 56] = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    gimp[14 + 56:14 + 60] = b"BGRs"
    write(out, "bad_gimp_bmp32_32.bmp", bytes(gimp))


def encoder_fixtures(out):
    work = tempfile.mkdtemp(prefix="vex-fixtures-")
    try:
        def pam(name, rows, with_alpha):
            w = len(rows)
            depth, tupl = (4, "RGB_ALPHA") if with_alpha else (3, "RGB")
            head = ("P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n"
                    % (w, w, depth, tupl)).encode()
            body = b"".join(bytes(c[:depth]) for row in rows for c in row)
            path = os.path.join(work, name)
            with open(path, "wb") as f:
                f.write(head + body)
            return path

        g32 = pam("g32.pam", rgb_rows(gradient, 32), False)
        g64 = pam("g64.pam", rgb_rows(gradient, 64), False)
        a32 = pam("a32.pam", rgb_rows(alpha, 32), True)
        a64 = pam("a64.pam", rgb_rows(alpha, 64), True)
        p2 = pam("p2.pam", rgb_rows(indexed(index2, PAL2), 32), False)
        p16 = pam("p16.pam", rgb_rows(indexed(index16, PAL16), 32), False)
        p256 = pam("p256.pam", rgb_rows(indexed(index256, PAL256), 64), False)

        def im(src, kind, dest, *options):
            subprocess.run(["convert", src, *options, "%s:%s" % (kind, os.path.join(out, dest))],
                           check=True)

        # BMP2 writes the 12-byte core header, BMP3 the 40-byte one, BMP the 124-byte one.
        for kind, tag in (("BMP2", "bmp2"), ("BMP", "bmp5")):
            im(g32, kind, "im_%s_24_32.bmp" % tag, "-type", "TrueColor")
        im(g64, "BMP3", "im_bmp3_24_64.bmp", "-type", "TrueColor")
        for kind, tag, src, name in (("BMP3", "bmp3", p2, "pal2_32"), ("BMP3", "bmp3", p16, "pal16_32"),
                                     ("BMP", "bmp5", p256, "pal256_64")):
            im(src, kind, "im_%s_%s.bmp" % (tag, name), "-type", "Palette", "-compress", "None")
        # ImageMagick 6.9 stores the rows of a picture without orientation top first while its
        # descriptor announces bottom first; flipping first gives a file that other readers
        # (Pillow, and the check below) see the right way up.
        for src, name in ((a32, "alpha32"), (a64, "alpha64")):
            im(src, "TGA", "im_tga_%s.tga" % name, "-flip", "-type", "TrueColorAlpha",
               "-compress", "None")
        im(a32, "TGA", "bad_im_tga_topdown_32.tga", "-orient", "TopLeft", "-compress", "None")
        im(g32, "TGA", "bad_im_tga24_32.tga", "-type", "TrueColor", "-compress", "None")
        im(p256, "BMP3", "bad_im_bmp_rle8_64.bmp", "-type", "Palette", "-compress", "RLE")

        from PIL import Image  # noqa: E402  (optional: only this half needs it)

        def pil(rows, mode):
            w = len(rows)
            flat = b"".join(bytes(c[:len(mode)]) for row in rows for c in row)
            return Image.frombytes(mode, (w, w), flat)

        pil(rgb_rows(gradient, 64), "RGB").save(os.path.join(out, "pil_bmp24_64.bmp"))
        img = Image.frombytes("P", (64, 64), bytes(index256(x, y, 64) for y in range(64)
                                                   for x in range(64)))
        img.putpalette([v for c in PAL256 for v in c])
        img.save(os.path.join(out, "pil_bmp8_64.bmp"))
        bw = Image.frombytes("L", (32, 32), bytes(255 * index2(x, y, 32) for y in range(32)
                                                  for x in range(32))).convert("1")
        bw.save(os.path.join(out, "pil_bmp1_32.bmp"))
        write(out, "bw_32.rgba", expected_bmp(rgb_rows(indexed(index2, BW), 32)))
        pil(rgb_rows(alpha, 32), "RGBA").save(os.path.join(out, "pil_tga32_32.tga"))
        pil(rgb_rows(alpha, 64), "RGBA").save(os.path.join(out, "pil_tga32_64.tga"))
        pil(rgb_rows(alpha, 32), "RGBA").save(os.path.join(out, "bad_pil_bmp32_32.bmp"))
        pil(rgb_rows(alpha, 32), "RGBA").save(os.path.join(out, "bad_pil_tga_rle_32.tga"),
                                               compression="tga_rle")
        cross_check(out)
    finally:
        shutil.rmtree(work)


# Each accepted fixture and the picture it must decode to. Pillow decodes them too, so the
# expectations are what an independent reader sees, not only what ours does.
ACCEPTED = {
    "own_bmp24_32.bmp": "gradient32", "own_bmp24_v4_64.bmp": "gradient64",
    "own_bmp8_64.bmp": "pal256_64", "own_bmp8_gap_64.bmp": "pal256_64",
    "own_bmp4_32.bmp": "pal16_32", "own_bmp1_32.bmp": "pal2_32",
    "own_tga32_32.tga": "alpha32", "own_tga32_64.tga": "alpha64", "own_tga_id_32.tga": "alpha32",
    "im_bmp3_24_64.bmp": "gradient64", "im_bmp5_24_32.bmp": "gradient32",
    "im_bmp3_pal2_32.bmp": "pal2_32", "im_bmp3_pal16_32.bmp": "pal16_32",
    "im_bmp5_pal256_64.bmp": "pal256_64",
    "im_tga_alpha32.tga": "alpha32", "im_tga_alpha64.tga": "alpha64",
    "pil_bmp24_64.bmp": "gradient64",
    "pil_bmp8_64.bmp": "pal256_64", "pil_bmp1_32.bmp": "bw_32",
    "pil_tga32_32.tga": "alpha32", "pil_tga32_64.tga": "alpha64",
}


def cross_check(out):
    from PIL import Image
    for name, expected in sorted(ACCEPTED.items()):
        im = Image.open(os.path.join(out, name)).convert("RGBA")
        got = bytearray()
        for px in im.getdata():
            if name.endswith(".bmp"):
                px = (0, 0, 0, 0) if px[:3] == KEY else px[:3] + (255,)
            got += bytes(px)
        with open(os.path.join(out, expected + ".rgba"), "rb") as f:
            want = f.read()
        if bytes(got) != want:
            sys.exit("%s does not decode to %s.rgba with Pillow" % (name, expected))


def main(argv):
    own_only = "--own-only" in argv
    args = [a for a in argv if not a.startswith("--")]
    out = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                           "tests", "image", "fixtures")
    os.makedirs(out, exist_ok=True)
    own_fixtures(out)
    if not own_only:
        encoder_fixtures(out)


if __name__ == "__main__":
    main(sys.argv[1:])
