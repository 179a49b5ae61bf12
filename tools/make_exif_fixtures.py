#!/usr/bin/python3
"""Rebuilds the pictures of the orientation suites in tests/image/fixtures/exif/.

An asymmetric picture, upright.png (7 by 4, every pixel different, with alpha) and upright.jpg
(32 by 16, four flat quadrants on whole 8 by 8 blocks, 4:4:4 at quality 100, so that every
turn of it decodes to the same colours), is stored turned as each EXIF orientation needs and
given the matching tag: png_N.png and jpg_N.jpg for N = 1 to 8, the TIFF block in both byte
orders. Pillow's own exif_transpose must give the upright picture back from each.

Beside them: the tag among the entries a camera writes (6 in each case), behind an XMP
segment, after the PNG's data; and damaged blocks (bad_*), all stored turned as for 6,
which must be left as stored: stored6.jpg and stored6.png are that picture with no EXIF at all.
NAME_ext.rgba holds the upright and stored pictures as Pillow decodes them.
The same files seed the fuzz target: fuzz/corpus/exif.

Usage: tools/make_exif_fixtures.py [OUTPUT_DIR]
"""

import io
import os
import struct
import sys
import zlib

from PIL import Image, ImageOps

ORIENTATION = 0x0112
SHORT, LONG, ASCII, RATIONAL = 3, 4, 2, 5
# The turn that stores an upright picture so that orientation N shows it upright again.
STORE = {1: None, 2: Image.FLIP_LEFT_RIGHT, 3: Image.ROTATE_180, 4: Image.FLIP_TOP_BOTTOM,
         5: Image.TRANSPOSE, 6: Image.ROTATE_90, 7: Image.TRANSVERSE, 8: Image.ROTATE_270}


def upright_png():
    im = Image.new("RGBA", (7, 4))
    im.putdata([(x * 36, y * 80, (x * 7 + y * 13) * 5 & 255, 255 - x * 10 - y * 30)
                for y in range(4) for x in range(7)])
    return im


def upright_jpg():
    im = Image.new("RGB", (32, 16))
    quads = [(200, 40, 40), (40, 160, 60), (50, 70, 210), (230, 210, 60)]
    im.putdata([quads[(y >= 8) * 2 + (x >= 16)] for y in range(16) for x in range(32)])
    return im


def turned(im, n):
    return im if STORE[n] is None else im.transpose(STORE[n])


def fmt(order):
    return "<" if order == "II" else ">"


def tiff(order, ifd0, next_ifd=0, ifd1=None):
    """A TIFF block: header, IFD0 at 8 (entries of tag, type, count, packed value; values over
    four bytes placed after it), then optionally IFD1, whose next pointer leads back to IFD0."""
    e = fmt(order)

    def ifd(entries, at, next_at):
        data_at = at + 2 + 12 * len(entries) + 4
        out, extra = struct.pack(e + "H", len(entries)), b""
        for tag, kind, count, value in entries:
            if len(value) > 4:
                value, extra = struct.pack(e + "I", data_at + len(extra)), extra + value
            out += struct.pack(e + "HHI", tag, kind, count) + value.ljust(4, b"\0")
        return out + struct.pack(e + "I", next_at) + extra

    block = order.encode() + struct.pack(e + "HI", 42, 8)
    first = ifd(ifd0, 8, 0)
    if ifd1 is not None:
        first = ifd(ifd0, 8, 8 + len(first))
        return block + first + ifd(ifd1, 8 + len(first), 8)
    return block + ifd(ifd0, 8, next_ifd)


def short(order, *values):
    return struct.pack(fmt(order) + "H" * len(values), *values)


def camera_entries(order, value):
    """What a phone writes around the tag: make, model, orientation, resolution."""
    e = fmt(order)
    return [(0x010F, ASCII, 9, b"Vexillor\0"), (0x0110, ASCII, 6, b"Flag 1\0"),
            (ORIENTATION, SHORT, 1, short(order, value)),
            (0x011A, RATIONAL, 1, struct.pack(e + "II", 72, 1)),
            (0x011B, RATIONAL, 1, struct.pack(e + "II", 72, 1)), (0x0128, SHORT, 1, short(order, 2))]


def with_app1(jpeg, *payloads):
    """APP1 segments put right after the JFIF segment that Pillow writes first."""
    assert jpeg[2:4] == b"\xff\xe0"
    at = 4 + struct.unpack(">H", jpeg[4:6])[0]
    segments = b"".join(b"\xff\xe1" + struct.pack(">H", len(p) + 2) + p for p in payloads)
    return jpeg[:at] + segments + jpeg[at:]


def chunk(kind, data, crc=None):
    crc = zlib.crc32(kind + data) if crc is None else crc
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def with_exif_chunk(png, block, where="IDAT", crc=None):
    """An eXIf chunk put before the first chunk of kind `where` ("END" puts it after IEND)."""
    if where == "END":
        return png + chunk(b"eXIf", block, crc)
    at = png.index(where.encode()) - 4
    return png[:at] + chunk(b"eXIf", block, crc) + png[at:]


def encode(im, kind):
    out = io.BytesIO()
    if kind == "jpg":
        im.save(out, "JPEG", quality=100, subsampling=0)
    else:
        im.save(out, "PNG")
    return out.getvalue()


def damaged_blocks():
    """(name, TIFF block) of blocks that claim 6 in some broken way, or hold a value out of range."""
    ok = tiff("II", camera_entries("II", 6))
    cases = [("bad_value_0", tiff("MM", camera_entries("MM", 0))),
             ("bad_value_9", tiff("II", camera_entries("II", 9))),
             ("bad_type_long", tiff("MM", [(ORIENTATION, LONG, 1, struct.pack(">I", 6))])),
             ("bad_count_2", tiff("II", [(ORIENTATION, SHORT, 2, short("II", 6, 6))])),
             ("bad_magic", ok[:2] + struct.pack("<H", 43) + ok[4:]),
             ("bad_order", b"IM" + ok[2:]),
             ("bad_offset", ok[:4] + struct.pack("<I", 0x10000) + ok[8:]),
             ("bad_offset_header", ok[:4] + struct.pack("<I", 2) + ok[8:]),
             ("bad_entry_count", ok[:8] + struct.pack("<H", 0xFFFF) + ok[10:]),
             ("bad_cut", ok[:8 + 2 + 12 * 3]),
             # The tag only in IFD1 (a thumbnail's), whose next pointer loops back to IFD0.
             ("bad_loop", tiff("MM", camera_entries("MM", 1)[:2],
                               ifd1=[(ORIENTATION, SHORT, 1, short("MM", 6))]))]
    return cases


def main(argv):
    out = argv[0] if argv else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                            "tests", "image", "fixtures", "exif")
    os.makedirs(out, exist_ok=True)
    files = {}
    ups = {"png": upright_png(), "jpg": upright_jpg()}
    for kind, up in ups.items():
        files["upright." + kind] = encode(up, kind)
        for n in range(1, 9):
            order = "II" if (n + (kind == "jpg")) % 2 else "MM"
            block = tiff(order, [(ORIENTATION, SHORT, 1, short(order, n))])
            plain = encode(turned(up, n), kind)
            files["%s_%d.%s" % (kind, n, kind)] = (
                with_app1(plain, b"Exif\0\0" + block) if kind == "jpg" else with_exif_chunk(plain, block))
    stored_jpg, stored_png = encode(turned(ups["jpg"], 6), "jpg"), encode(turned(ups["png"], 6), "png")
    files["stored6.jpg"], files["stored6.png"] = stored_jpg, stored_png
    camera = tiff("MM", camera_entries("MM", 6))
    files["camera_6.jpg"] = with_app1(stored_jpg, b"Exif\0\0" + camera)
    files["xmp_first_6.jpg"] = with_app1(stored_jpg, b"http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>",
                                         b"Exif\0\0" + camera)
    files["after_data_6.png"] = with_exif_chunk(stored_png, camera, where="IEND")
    for name, block in damaged_blocks():
        files[name + ".jpg"] = with_app1(stored_jpg, b"Exif\0\0" + block)
        files[name + ".png"] = with_exif_chunk(stored_png, block)
    good = tiff("II", camera_entries("II", 6))
    files["bad_crc.png"] = with_exif_chunk(stored_png, good, crc=zlib.crc32(b"eXIf" + good) ^ 1)
    files["bad_after_end.png"] = with_exif_chunk(stored_png, good, where="END")
    files["bad_prefix.jpg"] = with_app1(stored_jpg, b"Exif\0\xff" + good)

    for name, data in sorted(files.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        stem, ext = name.rsplit(".", 1)
        if name.startswith(("upright", "stored")):
            with open(os.path.join(out, stem + "_" + ext + ".rgba"), "wb") as f:
                f.write(Image.open(io.BytesIO(data)).convert("RGBA").tobytes())
        elif not name.startswith("bad_"):  # Pillow's own reading of the tag must agree
            shown = ImageOps.exif_transpose(Image.open(io.BytesIO(data))).convert("RGBA")
            upright = Image.open(io.BytesIO(files["upright." + ext])).convert("RGBA")
            assert shown.tobytes() == upright.tobytes(), name

if __name__ == "__main__":
    main(sys.argv[1:])
