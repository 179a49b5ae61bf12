#!/usr/bin/python3
"""Prints a Windows shortcut (.lnk) as "target | working folder | arguments | icon", read the way
the shell reads it: the target from LinkInfo's local base path, the rest from StringData."""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH = 0x1, 0x2, 0x4, 0x8
HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON, IS_UNICODE = 0x10, 0x20, 0x40, 0x80


def fields(data):
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError("not a shell link")
    flags = struct.unpack_from("<I", data, 0x14)[0]
    pos = 0x4C
    if flags & HAS_ID_LIST:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        size, _, info_flags, _, base = struct.unpack_from("<IIIII", data, pos)
        if info_flags & 1:  # VolumeIDAndLocalBasePath
            end = data.index(b"\0", pos + base)
            target = data[pos + base:end].decode("cp1252")
        pos += size
    strings = {}
    for flag in (HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON):
        if flags & flag:
            count = struct.unpack_from("<H", data, pos)[0]
            width = 2 if flags & IS_UNICODE else 1
            raw = data[pos + 2:pos + 2 + count * width]
            # Wine counts the terminating zero too.
            strings[flag] = raw.decode("utf-16-le" if width == 2 else "cp1252").rstrip("\0")
            pos += 2 + count * width
    return [target] + [strings.get(f, "") for f in (HAS_WORKING_DIR, HAS_ARGUMENTS, HAS_ICON)]


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        print(" | ".join(fields(f.read())))
