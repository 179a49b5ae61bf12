#!/usr/bin/python3
"""Exits 0 when icon group GROUP of the program EXE holds exactly the images of the icon file
ICO, byte for byte and in its order, numbered FIRST, FIRST + 1, ...; else says what differs.
Usage: same_icon_group.py EXE GROUP ICO FIRST   (reads the resources with icoutils' wrestool)"""
import struct
import subprocess
import sys


def raw_resource(exe, kind, name):
    return subprocess.run(["wrestool", "-x", "--raw", "--type=%d" % kind, "--name=%d" % name, exe],
                          check=True, capture_output=True).stdout


def main(exe, group, ico_path, first):
    with open(ico_path, "rb") as f:
        ico = f.read()
    count = struct.unpack_from("<H", ico, 4)[0]
    expected = bytearray(ico[:6])
    images = []
    for i in range(count):
        entry = ico[6 + 16 * i:6 + 16 * (i + 1)]
        size, offset = struct.unpack_from("<II", entry, 8)
        expected += entry[:12] + struct.pack("<H", first + i)  # GRPICONDIRENTRY: id for offset
        images.append(ico[offset:offset + size])
    problems = []
    got = raw_resource(exe, 14, group)
    if got != bytes(expected):
        problems.append("group %d: %s, expected %s" % (group, got.hex(), bytes(expected).hex()))
    for i, image in enumerate(images):
        if raw_resource(exe, 3, first + i) != image:
            problems.append("icon image %d differs from image %d of %s" % (first + i, i + 1, ico_path))
    print("\n".join(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])))
