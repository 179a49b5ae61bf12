#!/usr/bin/env bash
# vexillor-cli players and install on a demo installation laid out as a player's would be.
# Usage: cli_test.sh native CLI            a Wine-style prefix made here, read natively
#        cli_test.sh wine CLI.exe PREFIX   the suite's Wine prefix, through the real registry
set -euo pipefail
mode=$1 cli=$2
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
work=$(mktemp -d /tmp/vexillor-cli-test-XXXXXX)
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() {  # what expected actual
    if [ "$2" != "$3" ]; then fail "$1"; echo "--- expected"; echo "$2"; echo "--- got"; echo "$3"; fi
}

# A 24-bit BMP of the given size, one colour.
make_bmp() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
path, size = sys.argv[1], int(sys.argv[2])
row = bytes([30, 30, 200]) * size
pixels = row * size
header = b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(path, 'wb').write(header + info + pixels)
PY
}

if [ "$mode" = native ]; then
    prefix=$work/prefix
    mkdir -p "$prefix/drive_c" "$prefix/dosdevices"
    ln -s ../drive_c "$prefix/dosdevices/c:"
    cat >"$prefix/system.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem] 1700000000
#time=1da1b2c3d4e5f60
"OutputDir"="C:\\Games\\Quillmere\\"
REG
    python3 "$tools/make_demo_install.py" "$prefix/drive_c/Games/Quillmere" >/dev/null
    export WINEPREFIX=$prefix
    run() { "$cli" "$@"; }
    pictures=$work
    picture_arg() { echo "$work/$1"; }
    cleanup() { rm -rf "$work"; }
else
    prefix=$3
    wine_run() { "$tools/wine-run" "$prefix" "$@"; }
    wine_run cmd /c exit >/dev/null 2>&1 || true  # makes the prefix on first use
    "$tools/setup-demo-install" "$prefix" >/dev/null
    run() { wine_run "$cli" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
    pictures=$prefix/drive_c/vexillor-cli-test
    mkdir -p "$pictures"
    picture_arg() { echo "C:\\vexillor-cli-test\\$1"; }
    cleanup() {
        WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 reg delete 'HKLM\Software\Tamrivo' /f /reg:32 >/dev/null 2>&1 || true
        rm -rf "$prefix/drive_c/Games/Quillmere" "$pictures" "$work"
    }
fi
trap cleanup EXIT
players=$prefix/drive_c/Games/Quillmere/Players
make_bmp "$pictures/Banner.bmp" 32
make_bmp "$pictures/Big.bmp" 64

# The list: sorted by race, RZ first.
out=$(run players) || fail "players exit status $?"
expect_eq "players lists the profiles in the dialog's order" \
"Row  Player     Race     Folder
1    Brenna     RZ       C:\\Games\\Quillmere\\Players\\Brenna\\
2    Aldric     KSV      C:\\Games\\Quillmere\\Players\\Aldric\\
3    Corvin     OB       C:\\Games\\Quillmere\\Players\\Corvin\\
4    Skirmisher Skirmish C:\\Games\\Quillmere\\Players\\Skirmish\\" "$out"

# In-game banner by name, statistic banner by row.
out=$(run install "$(picture_arg Banner.bmp)" --player Aldric --in-game) || fail "install by name: exit $?"
expect_eq "install reports text 1125" \
    "File 'Banner.bmp' converted to 'C:\\Games\\Quillmere\\Players\\Aldric\\BannerUser.tex'." "$(tail -1 <<<"$out")"
[ -s "$players/Aldric/BannerUser.tex" ] || fail "no BannerUser.tex in Aldric's folder"
out=$(run install "$(picture_arg Big.bmp)" --player 3 --statistic) || fail "install by row: exit $?"
expect_eq "row 3 is Corvin" \
    "File 'Big.bmp' converted to 'C:\\Games\\Quillmere\\Players\\Corvin\\BannerUserStat.tex'." "$(tail -1 <<<"$out")"
[ -s "$players/Corvin/BannerUserStat.tex" ] || fail "no BannerUserStat.tex in Corvin's folder"

# Refusals: a 64x64 picture in game, a name two profiles share, a row that is not there.
status=0; run install "$(picture_arg Big.bmp)" --player Brenna --in-game >/dev/null 2>"$work/err" || status=$?
expect_eq "64x64 in game is refused" 1 "$status"
grep -q "only a 32x32 picture can be the in-game banner" "$work/err" || fail "no clear message for 64x64 in game"
[ ! -e "$players/Brenna/BannerUser.tex" ] || fail "a refused banner was written"

mkdir -p "$players/Twin"
cp "$players/Brenna/UserInfo.dat" "$players/Twin/UserInfo.dat"
status=0; run install "$(picture_arg Banner.bmp)" --player Brenna --statistic >/dev/null 2>"$work/err" || status=$?
expect_eq "a shared name is refused" 1 "$status"
grep -q "Players\\\\Brenna\\\\" "$work/err" && grep -q "Players\\\\Twin\\\\" "$work/err" || fail "both profiles named Brenna are listed"
[ ! -e "$players/Brenna/BannerUserStat.tex" ] && [ ! -e "$players/Twin/BannerUserStat.tex" ] || fail "a banner was written for an ambiguous name"

status=0; run install "$(picture_arg Banner.bmp)" --player 9 --statistic >/dev/null 2>"$work/err" || status=$?
expect_eq "row 9 of 5 is refused" 1 "$status"

# No installation: says where it looked and what was missing.
if [ "$mode" = native ]; then
    status=0; WINEPREFIX=$work/empty "$cli" players >/dev/null 2>"$work/err" || status=$?
    expect_eq "no installation: exit 1" 1 "$status"
    grep -q "the registry key is missing" "$work/err" || fail "no installation: what was missing"
    grep -q "$work/empty/system.reg" "$work/err" || fail "no installation: where it looked"
    rm -rf "$players"
    status=0; run players >/dev/null 2>"$work/err" || status=$?
    expect_eq "no players folder: exit 1" 1 "$status"
    grep -q "the players folder is missing" "$work/err" || fail "no players folder: what was missing"
fi

[ $failures -eq 0 ] && echo "cli_test $mode: all checks passed"
exit $((failures > 0))
