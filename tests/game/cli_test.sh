#!/usr/bin/env bash
# vexillor-cli players and install on a demo installation laid out as a player's would be.
# Usage: cli_test.sh CLI              natively, in a Wine-style prefix made here
#        cli_test.sh CLI.exe PREFIX   under Wine, in the suite's prefix, through the real registry
set -euo pipefail
cli=$1 tools=$(cd "$(dirname "$0")/../../tools" && pwd) work=$(mktemp -d /tmp/vexillor-cli-test-XXXXXX) failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }

if [ $# -eq 1 ]; then
    prefix=$work/prefix pictures=$work at=$work/
    mkdir -p "$prefix/drive_c" "$prefix/dosdevices" && ln -s ../drive_c "$prefix/dosdevices/c:"
    printf '%s\n' 'WINE REGISTRY Version 2' '#arch=win64' \
        '[Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem] 1700000000' \
        '"OutputDir"="C:\\Games\\Quillmere\\"' >"$prefix/system.reg"
    python3 "$tools/make_demo_install.py" "$prefix/drive_c/Games/Quillmere" >/dev/null
    export WINEPREFIX=$prefix
    run() { "$cli" "$@"; }
    cleanup() { :; }
else
    prefix=$2 at='C:\vexillor-cli-test\'
    pictures=$prefix/drive_c/vexillor-cli-test
    "$tools/wine-run" "$prefix" cmd /c exit >/dev/null 2>&1 || true  # makes the prefix on first use
    "$tools/setup-demo-install" "$prefix" >/dev/null
    run() { "$tools/wine-run" "$prefix" "$cli" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
    cleanup() {
        run reg delete 'HKLM\Software\Tamrivo' /f /reg:32 >/dev/null 2>&1 || true
        rm -rf "$prefix/drive_c/Games/Quillmere" "$pictures"
    }
fi
trap 'cleanup; rm -rf "$work"' EXIT
players=$prefix/drive_c/Games/Quillmere/Players
mkdir -p "$pictures"
bmp() {  # SIZE FILE: a 24-bit BMP of one colour
    python3 -c 'import struct, sys; n = int(sys.argv[1]); px = bytes([30, 30, 200]) * n * n
open(sys.argv[2], "wb").write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(px), 0, 0, 54,
    40, n, n, 1, 24, 0, len(px), 0, 0, 0, 0) + px)' "$@"
}
bmp 32 "$pictures/Banner.bmp" && bmp 64 "$pictures/Big.bmp"

out=$(run players) || fail "players: exit status $?"
expect "players lists the profiles in the dialog's order, race 1 (RZ) first" \
"Row  Player     Race     Folder
1    Brenna     RZ       C:\\Games\\Quillmere\\Players\\Brenna\\
2    Aldric     KSV      C:\\Games\\Quillmere\\Players\\Aldric\\
3    Corvin     OB       C:\\Games\\Quillmere\\Players\\Corvin\\
4    Skirmisher Skirmish C:\\Games\\Quillmere\\Players\\Skirmish\\" "$out"

# installs PICTURE PLAYER KIND FOLDER FILE: reported as text 1125, and there in the folder.
installs() {
    out=$(run install "$at$1" --player "$2" "$3") || fail "install $1 for $2: exit status $?"
    expect "install $1 for $2" "File '$1' converted to 'C:\\Games\\Quillmere\\Players\\$4\\$5'." "$(tail -1 <<<"$out")"
    [ -s "$players/$4/$5" ] || fail "no $5 in $4's folder"
}
installs Banner.bmp Aldric --in-game Aldric BannerUser.tex
installs Big.bmp 3 --statistic Corvin BannerUserStat.tex
# Any picture with --fit: a wide PNG becomes Brenna's 32x32 in-game banner.
convert -size 90x40 xc:'#2040c0' "$pictures/Wide.png"
out=$(run install "${at}Wide.png" --player Brenna --in-game --fit) || fail "install --fit: exit status $?"
expect "install --fit" "File 'Wide.png' converted to 'C:\\Games\\Quillmere\\Players\\Brenna\\BannerUser.tex'." "$(tail -1 <<<"$out")"
[ "$(stat -c %s "$players/Brenna/BannerUser.tex")" = 5504 ] || fail "install --fit: not one 32x32 record"

# refuses WHAT PATTERN ARGS...: exit status 1, and PATTERN in what it says.
refuses() {
    local what=$1 pattern=$2 status=0
    shift 2
    run "$@" >/dev/null 2>"$work/err" || status=$?
    expect "$what: exit status" 1 "$status"
    grep -q -- "$pattern" "$work/err" || fail "$what: no \"$pattern\" in: $(cat "$work/err")"
}
refuses "64x64 in game" "only a 32x32 picture can be the in-game banner" \
    install "${at}Big.bmp" --player Brenna --in-game
mkdir -p "$players/Twin" && cp "$players/Brenna/UserInfo.dat" "$players/Twin/"
refuses "a name two profiles share" 'Players\\Twin\\' install "${at}Banner.bmp" --player Brenna --statistic
[ -z "$(ls "$players"/Brenna/BannerUserStat* "$players"/Twin/BannerUser* 2>/dev/null)" ] || fail "a refused banner was written"

if [ $# -eq 1 ]; then  # an empty WINEPREFIX counts as unset: ~/.wine
    WINEPREFIX= HOME=$work/home refuses "no installation" "the registry key is missing" players
    grep -q "$work/home/.wine/system.reg" "$work/err" || fail "no installation: where it looked"
fi
[ $failures -eq 0 ] && echo "cli_test: all checks passed"
exit $((failures > 0))
