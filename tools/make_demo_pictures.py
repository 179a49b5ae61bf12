#!/usr/bin/env python3
"""Writes sample banner pictures for trying Vexillor out.

Usage: make_demo_pictures.py OUTPUT_DIR

    crest.bmp            32x32, 24-bit BMP; magenta (255, 0, 255) around the shield is transparent
    crest#1.bmp .. #3    the same crest more and more battered: the "destroyed" variants
    emblem.tga           64x64, 32-bit TGA whose alpha channel fades the emblem's rim
    sketch.bmp           48x48, 24-bit BMP: a size the game cannot use, to see the refusal

Standard library only; the output is the same on every run.
"""
import math
import os
import random
import struct
import sys

KEY = (255, 0, 255)


def write_bmp(path, size, pixel):
    """24-bit, bottom row first; pixel(x, y) gives (r, g, b) with y counted from the top."""
    rows = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray()
        for x in range(size):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes((-len(row)) % 4)
        rows += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


def write_tga(path, size, pixel):
    """32-bit uncompressed, bottom row first; pixel(x, y) gives (r, g, b, a), y from the top."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, size, size, 32, 0x08)
    data = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = pixel(x, y)
            data += bytes((b, g, r, a))
    with open(path, "wb") as f:
        f.write(header + data)


def inside_shield(x, y, size):
    """A heater shield filling most of the square."""
    u = (x + 0.5) / size * 2 - 1
    v = (y + 0.5) / size
    if v < 0.08 or v > 0.95 or abs(u) > 0.86:
        return False
    if v < 0.55:
        return True
    return abs(u) < 0.86 * math.cos((v - 0.55) / 0.40 * math.pi / 2) ** 0.7


def crest(x, y, size=32):
    if not inside_shield(x, y, size):
        return KEY
    if not (inside_shield(x - 1, y, size) and inside_shield(x + 1, y, size)
            and inside_shield(x, y - 1, size) and inside_shield(x, y + 1, size)):
        return (40, 30, 10)  # the rim
    u = (x + 0.5) / size * 2 - 1
    v = (y + 0.5) / size
    # A gold chevron across a blue field, a silver star above it.
    if abs(v - (0.78 - abs(u) * 0.55)) < 0.09:
        return (236, 184, 50)
    sx, sy = u * 0.5, v - 0.34  # the same units across and down
    ang = math.atan2(sy, sx)
    rad = math.hypot(sx, sy)
    if rad < 0.14 * (0.72 + 0.38 * math.cos(5 * (ang + math.pi / 2))):
        return (235, 235, 245)
    shade = int(30 * (1 - v))
    return (24 + shade, 52 + shade, 150 + shade)


def battered(level):
    """Crest `level` (1 to 3): cracks and scorch marks, the same each run."""
    rng = random.Random(level * 7919)
    damage = set()
    for _ in range(level * 3):  # cracks: short random walks
        x, y = rng.randrange(4, 28), rng.randrange(4, 28)
        for _ in range(6 + level * 3):
            damage.add((x, y))
            x = max(0, min(31, x + rng.choice((-1, 0, 1))))
            y = max(0, min(31, y + 1))
    burn = level * 4.0  # a scorched corner that grows

    def pixel(x, y):
        c = crest(x, y)
        if c == KEY:
            return c
        if (x, y) in damage:
            return (30, 20, 15)
        d = math.hypot(x - 30, y - 4)
        if d < burn:
            return KEY if d < burn - 3 else (60, 35, 20)
        return c
    return pixel


def emblem(x, y, size=64):
    """A golden sun on a green disc; alpha fades over the rim."""
    cx = cy = (size - 1) / 2
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy) / (size / 2)
    if r > 1.0:
        return (0, 0, 0, 0)
    alpha = 255 if r < 0.86 else int(255 * (1.0 - r) / 0.14)
    ang = math.atan2(dy, dx)
    rays = 0.42 + 0.1 * math.cos(12 * ang)
    if r < 0.28:
        return (252, 214, 70, alpha)
    if r < rays:
        return (240, 170, 40, alpha)
    g = int(120 - 50 * r)
    return (20, g, 40, alpha)


def sketch(x, y):
    return (250, 250, 240) if (x // 6 + y // 6) % 2 else (120, 150, 200)


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "crest.bmp"), 32, crest)
    for level in (1, 2, 3):
        write_bmp(os.path.join(out, "crest#%d.bmp" % level), 32, battered(level))
    write_tga(os.path.join(out, "emblem.tga"), 64, emblem)
    write_bmp(os.path.join(out, "sketch.bmp"), 48, sketch)
    for name in ("crest.bmp", "crest#1.bmp", "crest#2.bmp", "crest#3.bmp", "emblem.tga", "sketch.bmp"):
        print(os.path.join(out, name))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
