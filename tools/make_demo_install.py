#!/usr/bin/env python3
"""Writes the player profiles of a demo Quillmere installation.

Usage: make_demo_install.py GAME_DIR

Makes GAME_DIR/Players/<name>/UserInfo.dat for four sample players, one of each race the
player list knows (KSV, RZ, OB, Skirmish). Each file is one zlib stream (level 6) holding the
profile record: magic 55 49 00 02, race code, name length, name bytes (little-endian), then a
few bytes the tool does not read, as a game's profile has. Running it again rewrites the same
files, so it can be repeated safely; other folders under Players are left alone.
"""
import os
import struct
import sys
import zlib

MAGIC = 0x02004955
# (folder, player name, race code): 0 KSV, 1 RZ, 2 OB, 3 Skirmish.
PLAYERS = [
    ("Aldric", "Aldric", 0),
    ("Brenna", "Brenna", 1),
    ("Corvin", "Corvin", 2),
    ("Skirmish", "Skirmisher", 3),
]


def profile_bytes(name, race):
    raw = name.encode("latin-1")
    record = struct.pack("<IiI", MAGIC, race, len(raw)) + raw + bytes(16)
    return zlib.compress(record, 6)


def main(argv):
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write(__doc__)
        return 2
    players = os.path.join(argv[1], "Players")
    for folder, name, race in PLAYERS:
        path = os.path.join(players, folder)
        os.makedirs(path, exist_ok=True)
        with open(os.path.join(path, "UserInfo.dat"), "wb") as out:
            out.write(profile_bytes(name, race))
        print(os.path.join(path, ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
