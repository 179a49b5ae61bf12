#!/usr/bin/env bash
# Writes that the system refuses, as an ordinary user: every command that writes (convert and
# install, with and without --fit, fit, preview, inspect --png) into a folder it may not write
# to, and over a read-only file. Each says on standard error which file and why, once; the
# conversion's own lines on standard output stay as they are; nothing is written. Root passes
# every permission check, so the commands run as a throw-away user, natively or as the Windows
# program in a Wine prefix of that user's own.
# Usage: as_user_cli_test.sh CLI              natively
#        as_user_cli_test.sh CLI.exe wine     under Wine
# Skips (exit 0, saying why) when not run as root or when the user cannot be made.
set -uo pipefail
cli=$(realpath "$1") mode=${2:-native} tools=$(cd "$(dirname "$0")/../../tools" && pwd) user=vexillor-cli-ro-test
source "$(dirname "$0")/../support/throwaway_user.sh"
throwaway_user "$user" /tmp/vexillor-cli-as-user
# The program and the tools are copied out: the source tree may lie where the user cannot go.
mkdir "$work/tools"
cp "$cli" "$work/"
cp "$tools/wine-run" "$tools/setup-demo-install" "$tools/make_demo_install.py" "$work/tools/"
cat >"$work/checks.sh" <<'CHECKS'
set -u
work=$1 cli=$2 mode=$3 failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
is() { [ "$1" = "$2" ] || fail "expected:"$'\n'"$2"$'\n'"got:"$'\n'"$1"; }
cd "$work"
if [ "$mode" = wine ]; then
    prefix=$work/prefix
    tool() { "$work/tools/wine-run" "$prefix" "$cli" "$@"; }
    denied="Access denied" ro=ro\\ at="C:\\Games\\Quillmere\\"
    tools/wine-run "$prefix" cmd /c exit >/dev/null 2>&1
    tools/setup-demo-install "$prefix" >/dev/null || fail "no demo installation"
else
    prefix=$work/prefix
    tool() { "$cli" "$@"; }
    denied="Permission denied" ro=ro\\ at="C:\\Games\\Quillmere\\"
    mkdir -p "$prefix/drive_c" "$prefix/dosdevices" && ln -s ../drive_c "$prefix/dosdevices/c:"
    printf '%s\n' 'WINE REGISTRY Version 2' '#arch=win64' \
        '[Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem] 1700000000' \
        '"OutputDir"="C:\\Games\\Quillmere\\"' >"$prefix/system.reg"
    python3 tools/make_demo_install.py "$prefix/drive_c/Games/Quillmere" >/dev/null
    export WINEPREFIX=$prefix
fi
# run CODE ARGS...: stdout in $out, stderr in $err, the exit status checked.
run() {
    local want=$1; shift
    tool "$@" >out.txt 2>err.txt
    local got=$?
    out=$(tr -d '\r' <out.txt) err=$(tr -d '\r' <err.txt)
    [ "$got" -eq "$want" ] || fail "vexillor-cli $* exited $got, expected $want (stderr: $err)"
}
/usr/bin/python3 - <<'PY'
import struct
from PIL import Image
px = bytes([30, 30, 200]) * 32 * 32
open("c.bmp", "wb").write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(px), 0, 0, 54, 40, 32, 32, 1, 24, 0,
                                               len(px), 0, 0, 0, 0) + px)
Image.new("RGBA", (40, 30), (200, 30, 30, 255)).save("crest.png")
PY
run 0 convert c.bmp c.tex
mkdir ro && chmod 555 ro
cp c.bmp locked.bmp && chmod 444 locked.bmp

run 1 convert c.bmp ro/x.tex
is "$out" "c.bmp          ->     ${ro}x.tex            "$'\n'"Can't open output file (${ro}x.tex)"
is "$err" "Error converting file 'c.bmp'."$'\n'"ro/x.tex: $denied"
run 1 convert crest.png ro/x.tex --fit --in-game
is "$out" "crest.png      ->     ${ro}x.tex            "$'\n'"Can't open output file (${ro}x.tex)"
is "$err" "Error converting file 'crest.png'."$'\n'"ro/x.tex: $denied"
run 1 fit crest.png --in-game -o ro/x.bmp
is "$out" ""
is "$err" "vexillor-cli fit: cannot write 'ro/x.bmp': $denied"
run 1 fit crest.png --in-game -o locked.bmp
is "$err" "vexillor-cli fit: cannot write 'locked.bmp': the file is read-only"
run 1 preview crest.png --in-game -o ro/x.png
is "$err" "vexillor-cli preview: cannot write 'ro/x.png': $denied"
run 1 preview c.tex -o ro/x.png
is "$err" "vexillor-cli preview: cannot write 'ro/x.png': $denied"
run 1 inspect c.tex --png ro/x
is "$err" "vexillor-cli inspect: cannot write ro/x-banner.png: $denied"
[ -z "$(ls -A ro)" ] || fail "refused writes left: $(ls -A ro)"
cmp -s c.bmp locked.bmp || fail "the read-only file changed"

# install, into a profile folder the user may not write to.
aldric=$prefix/drive_c/Games/Quillmere/Players/Aldric
chmod 555 "$aldric"
for fit in "" --fit; do
    picture=c.bmp
    [ -n "$fit" ] && picture=crest.png
    [ "$mode" = wine ] && picture="Z:$work/$picture"
    run 1 install "$picture" --player Aldric --in-game $fit
    is "$err" "Error converting file '${picture##*[/\\]}'."$'\n'"${at}Players\\Aldric\\BannerUser.tex: $denied"
done
[ -e "$aldric/BannerUser.tex" ] && fail "a refused install wrote a banner"
chmod 755 "$aldric"
[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
CHECKS
chown -R "$user" "$work"
chmod 755 "$work"
runuser -u "$user" -- env -i PATH="$PATH" HOME="$work" TMPDIR="$work" \
    bash "$work/checks.sh" "$work" "$work/$(basename "$cli")" "$mode"
status=$?
if [ $status -ne 0 ]; then
    echo "FAIL: the checks failed as $user"
    exit 1
fi
echo "as_user_cli_test: every refused write said why, as $user"
