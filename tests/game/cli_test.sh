#!/usr/bin/env bash
# vexillor-cli players and install on a demo installation laid out as a player's would be.
# Usage: cli_test.sh CLI              natively, in a Wine-style prefix made here
#        cli_test.sh CLI.exe PREFIX   under Wine, in the suite's prefix, through the real registry
set -euo pipefail
export LANG=C.UTF-8 LC_ALL=C.UTF-8  # names and folders outside ASCII, as a player's terminal shows them
cli=$1 tools=$(cd "$(dirname "$0")/../../tools" && pwd) work=$(mktemp -d /tmp/vexillor-cli-test-XXXXXX) failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }

source "$(dirname "$0")/demo_install.sh"
demo_install vexillor-cli-test "${@:2}"
bmp() {  # SIZE FILE: a 24-bit BMP of one colour
    python3 -c 'import struct, sys; n = int(sys.argv[1]); px = bytes([30, 30, 200]) * n * n
open(sys.argv[2], "wb").write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(px), 0, 0, 54,
    40, n, n, 1, 24, 0, len(px), 0, 0, 0, 0) + px)' "$@"
}
bmp 32 "$pictures/Banner.bmp" && bmp 64 "$pictures/Big.bmp"

out=$(run players) || fail "players: exit status $?"
expect "players lists the profiles in the dialog's order, race 1 (RZ) first" \
"Row  Player     Race     Banners Folder
1    Brenna     RZ       none    C:\\Games\\Quillmere\\Players\\Brenna\\
2    Aldric     KSV      none    C:\\Games\\Quillmere\\Players\\Aldric\\
3    Corvin     OB       none    C:\\Games\\Quillmere\\Players\\Corvin\\
4    Skirmisher Skirmish none    C:\\Games\\Quillmere\\Players\\Skirmish\\" "$out"
# For completion: the names --player takes, each once, nothing else on either stream.
out=$(run players --names 2>"$work/err") || fail "players --names: exit status $?"
expect "players --names" "Brenna
Aldric
Corvin
Skirmisher
Skirmish" "$out"
expect "players --names says nothing else" "" "$(tr -d '\r' <"$work/err")"
out=$(run players --paths) || fail "players --paths: exit status $?"
# (Under Wine the path may lead through the prefix's drive link: compared where it leads.)
header=$(head -1 <<<"$out") row=$(sed -n 3p <<<"$out")
[[ $header == *" Folder "*" Linux path" ]] || fail "players --paths: no Linux path column in: $header"
before=${header%%Linux path*}
expect "players --paths: the column lines up" " /" "${row:$((${#before} - 1)):2}"
expect "players --paths: each folder's Linux path closes its row" "$players/Aldric" \
    "$(realpath -m "$(sed -n 3p <<<"$out" | sed 's/.*Aldric\\ *//')")"

# installs PICTURE PLAYER KIND FOLDER FILE: reported as text 1125, and there in the folder.
installs() {
    out=$(run install "$at$1" --player "$2" "$3") || fail "install $1 for $2: exit status $?"
    expect "install $1 for $2" "File '$1' converted to 'C:\\Games\\Quillmere\\Players\\$4\\$5'." "$(tail -1 <<<"$out")"
    [ -s "$players/$4/$5" ] || fail "no $5 in $4's folder"
}
installs Banner.bmp Aldric --in-game Aldric BannerUser.tex
expect "install names what it wrote on Linux" "$players/Aldric/BannerUser.tex" "$(realpath -m "$(grep '^On Linux' <<<"$out" | sed 's/^On Linux: //')")"
installs Big.bmp 3 --statistic Corvin BannerUserStat.tex
# A second install says what it replaced: its date and size.
touch -d '2026-11-30 08:15' "$players/Aldric/BannerUser.tex"
installs Banner.bmp 2 --in-game Aldric BannerUser.tex
expect "install replacing a banner" "Replaced the in-game banner of 2026-11-30 08:15 (5504 bytes)." \
    "$(grep '^Replaced' <<<"$out")"
touch -d '2026-12-01 10:00' "$players/Aldric/BannerUser.tex" "$players/Corvin/BannerUserStat.tex"
cp -p "$players/Corvin/BannerUserStat.tex" "$players/Aldric/"
expect "players shows the banners each profile has, with their dates" \
"Row  Player     Race     Banners                                   Folder
1    Brenna     RZ       none                                      C:\\Games\\Quillmere\\Players\\Brenna\\
2    Aldric     KSV      in game 2026-12-01, statistics 2026-12-01 C:\\Games\\Quillmere\\Players\\Aldric\\
3    Corvin     OB       statistics 2026-12-01                     C:\\Games\\Quillmere\\Players\\Corvin\\
4    Skirmisher Skirmish none                                      C:\\Games\\Quillmere\\Players\\Skirmish\\" "$(run players)"
has() { grep -qF -- "$2" <<<"$3" || fail "$1: no \"$2\" in: $3"; }

# --player: a row, the exact name, the name in any case, the folder's name (in any case).
for chosen in 2 Aldric aldric ALDRIC; do
    out=$(run install "${at}Banner.bmp" --player "$chosen" --in-game) || fail "--player $chosen: exit status $?"
    has "--player $chosen" "Players\\Aldric\\BannerUser.tex" "$out"
done
for chosen in Skirmish skirmish; do
    out=$(run install "${at}Banner.bmp" --player "$chosen" --statistic) || fail "--player $chosen: exit status $?"
    has "--player $chosen is the folder of Skirmisher" "Players\\Skirmish\\BannerUserStat.tex" "$out"
done

# A name stored in the game's code page (cp1252 here) is shown in UTF-8, the columns still line
# up, and it is found as typed.
python3 - "$players/Joerg" <<'PY'
import os, struct, sys, zlib
os.makedirs(sys.argv[1], exist_ok=True)
raw = "Jörg".encode("cp1252")
open(os.path.join(sys.argv[1], "UserInfo.dat"), "wb").write(
    zlib.compress(struct.pack("<IiI", 0x02004955, 2, len(raw)) + raw + bytes(16), 6))
PY
rm -f "$players"/*/Banner*.tex
expect "a cp1252 name, in UTF-8 and aligned" \
"Row  Player     Race     Banners Folder
1    Brenna     RZ       none    C:\\Games\\Quillmere\\Players\\Brenna\\
2    Aldric     KSV      none    C:\\Games\\Quillmere\\Players\\Aldric\\
3    Corvin     OB       none    C:\\Games\\Quillmere\\Players\\Corvin\\
4    Jörg       OB       none    C:\\Games\\Quillmere\\Players\\Joerg\\
5    Skirmisher Skirmish none    C:\\Games\\Quillmere\\Players\\Skirmish\\" "$(run players)"
for chosen in Jörg jÖRG; do
    out=$(run install "${at}Banner.bmp" --player "$chosen" --statistic) || fail "--player $chosen: exit status $?"
    has "--player $chosen" "Players\\Joerg\\BannerUserStat.tex" "$out"
done

# A profile folder named with a letter outside ASCII: the name (cp1252 in the profile) and the
# folder (the file system's) come out alike in UTF-8, through a pipe as a script reads them,
# the Linux path column still lined up; --player finds it by either.
python3 - "$players/Dörte" <<'PY'
import os, struct, sys, zlib
os.makedirs(sys.argv[1], exist_ok=True)
raw = "Dörte".encode("cp1252")
open(os.path.join(sys.argv[1], "UserInfo.dat"), "wb").write(
    zlib.compress(struct.pack("<IiI", 0x02004955, 0, len(raw)) + raw + bytes(16), 6))
PY
run players --paths >"$work/paths" || fail "players --paths with Dörte: exit status $?"
iconv -f UTF-8 -t UTF-8 "$work/paths" >/dev/null 2>&1 || fail "players --paths is not valid UTF-8: $(od -c "$work/paths" | head)"
row=$(grep '^3 ' "$work/paths")
[[ $row == "3    Dörte      KSV "*" C:\\Games\\Quillmere\\Players\\Dörte\\ "* ]] || fail "Dörte's row: $row"
linux=${row##*Dörte\\}
expect "Dörte's Linux path" "$players/Dörte" "$(realpath -m "${linux#"${linux%%[! ]*}"}")"
header=$(head -1 "$work/paths") before=${header%%Linux path*} row2=$(sed -n 2p "$work/paths")
expect "the Linux path column lines up after Dörte's folder" " /" "${row:$((${#before} - 1)):2}"
expect "and on the row above it" " /" "${row2:$((${#before} - 1)):2}"
for chosen in Dörte DÖRTE; do
    out=$(run install "${at}Banner.bmp" --player "$chosen" --in-game) || fail "--player $chosen: exit status $?"
    expect "install --player $chosen" "File 'Banner.bmp' converted to 'C:\\Games\\Quillmere\\Players\\Dörte\\BannerUser.tex'." \
        "$(tail -1 <<<"$out")"
done
[ -s "$players/Dörte/BannerUser.tex" ] || fail "no banner in Dörte's folder: $(ls "$players")"
rm -rf "$players/Dörte"

# Folders the list leaves out are named, with the reason, on one closing line.
mkdir -p "$players/Empty" "$players/Junk" && echo junk >"$players/Junk/UserInfo.dat"
expect "the skipped folders" "Skipped: Empty (no UserInfo.dat), Junk (not a profile)" "$(run players | tail -1)"
rm -rf "$players/Empty" "$players/Junk" "$players/Joerg"

# Names on disk in another letter case are found as Wine finds them, and an existing banner in
# lower case is replaced, not joined by a twin.
mv "$players" "${players%/*}/players" && mv "${players%/*}/players/Brenna" "${players%/*}/players/brenna"
players=${players%/*}/players
rm -f "$players"/*/Banner*.tex
out=$(run players | sed -n 2p)
expect "a players folder in lower case" "1    Brenna     RZ       none    C:\\Games\\Quillmere\\Players\\brenna\\" "$out"
echo old >"$players/brenna/banneruser.tex"
run install "${at}Banner.bmp" --player Brenna --in-game >/dev/null || fail "install into brenna: exit status $?"
[ "$(ls "$players/brenna")" = "$(printf 'UserInfo.dat\nbanneruser.tex')" ] || fail "a twin of banneruser.tex: $(ls "$players/brenna")"
[ "$(head -c 4 "$players/brenna/banneruser.tex")" = old ] && fail "banneruser.tex was not replaced"
mv "$players" "${players%/*}/Players" && mv "${players%/*}/Players/brenna" "${players%/*}/Players/Brenna"
players=${players%/*}/Players
rm -f "$players"/*/Banner*.tex "$players"/*/banner*.tex
# Any picture with --fit: a wide PNG becomes Brenna's 32x32 in-game banner.
convert -size 90x40 xc:'#2040c0' "$pictures/Wide.png"
out=$(run install "${at}Wide.png" --player Brenna --in-game --fit) || fail "install --fit: exit status $?"
expect "install --fit" "File 'Wide.png' converted to 'C:\\Games\\Quillmere\\Players\\Brenna\\BannerUser.tex'." "$(tail -1 <<<"$out")"
[ "$(stat -c %s "$players/Brenna/BannerUser.tex")" = 5504 ] || fail "install --fit: not one 32x32 record"
rm -f "$players/Brenna/BannerUser.tex"
# Without --fit the picture is refused with the way on; with it, a variant set that lacks one
# names it with the rule.
status=0; run install "${at}Wide.png" --player Brenna --in-game >/dev/null 2>"$work/err" || status=$?
expect "install of a PNG without --fit" "1: File 'Wide.png' is not a valid bitmap file.
To make it the banner first: add --fit" "$status: $(tr -d '\r' <"$work/err")"
cp "$pictures/Wide.png" "$pictures/Wide#2.png"
status=0; run install "${at}Wide.png" --player Brenna --in-game --fit >/dev/null 2>"$work/err" || status=$?
expect "install --fit with #2 alone" "1: vexillor-cli install: ${at}Wide#1.png is missing: destroyed pictures are #1 alone, or #1, #2 and #3" \
    "$status: $(tr -d '\r' <"$work/err")"
rm -f "$pictures/Wide#2.png"
[ -e "$players/Brenna/BannerUser.tex" ] && fail "a refused install wrote a banner"

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
[ -z "$(ls "$players"/{Brenna,Twin}/BannerUser* 2>/dev/null)" ] || fail "a refused banner was written"

if [ $# -eq 1 ]; then
    # Natively the lookup says which part is missing: the prefix, its registry file, the key.
    # An empty WINEPREFIX counts as unset: ~/.wine.
    WINEPREFIX= HOME=$work/home refuses "no prefix" \
        "the Wine prefix $work/home/.wine is missing (No such file or directory)" players
    grep -q "$work/home/.wine/system.reg" "$work/err" || fail "no installation: where it looked"
    mkdir -p "$work/bare"
    WINEPREFIX=$work/bare refuses "no registry file" \
        "the registry file $work/bare/system.reg cannot be read (No such file or directory)" players
    printf '%s\n' 'WINE REGISTRY Version 2' >"$work/bare/system.reg"
    WINEPREFIX=$work/bare refuses "no key" "the registry key is missing" players
    status=0; out=$(WINEPREFIX=$work/bare "$cli" players --names 2>&1) || status=$?
    expect "players --names without an installation: status 1, not a word" "1:" "$status:$out"
    # The output folder named in another letter case than the folder on disk.
    sed -i 's/Games\\\\Quillmere/games\\\\QUILLMERE/' "$prefix/system.reg"
    out=$(run players) || fail "an OutputDir in another case: exit status $?"
    expect "an OutputDir in another case" "1    Brenna     RZ       none    C:\\games\\QUILLMERE\\Players\\Brenna\\" "$(sed -n 2p <<<"$out")"
fi
[ $failures -eq 0 ] && echo "cli_test: all checks passed"
exit $((failures > 0))
