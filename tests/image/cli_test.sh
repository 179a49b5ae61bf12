#!/usr/bin/env bash
# vexillor-cli from the outside: exit codes, messages, and that inspect reads back every file
# that convert writes (PNG export checked with Pillow when it is there).
# Usage: cli_test.sh PATH/TO/vexillor-cli FIXTURE_DIR
set -u
cli=$1
fixtures=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run CODE ARGS...: runs the tool, keeps stdout and stderr in $out and $err, checks the code.
run() {
    local want=$1; shift
    "$cli" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    out=$(cat "$work/out"); err=$(cat "$work/err")
    [ "$got" -eq "$want" ] || fail "vexillor-cli $* exited $got, expected $want (stderr: $err)"
}
has() { case "$1" in *"$2"*) ;; *) fail "expected '$2' in: $1" ;; esac; }

# Usage and options.
run 0 --help;                       has "$out" "check PICTURE"; has "$out" "inspect FILE.tex"
run 0 --version;                    [ "$out" = "vexillor-cli 1.1" ] || fail "version: $out"
run 2;                              has "$err" "no command given"
run 2 frobnicate;                   has "$err" "unknown command 'frobnicate'"
run 2 check;                        has "$err" "missing PICTURE"
run 2 check a.bmp b.bmp;            has "$err" "too many arguments"
run 2 convert a.bmp;                has "$err" "expected PICTURE and OUTPUT.tex"
run 2 inspect;                      has "$err" "missing FILE.tex"
run 2 inspect x.tex --png;          has "$err" "--png needs a PREFIX"
run 2 inspect x.tex --bogus;        has "$err" "unknown option '--bogus'"

# check: size, kind and banners, or the window program's messages.
run 0 check "$fixtures/own_bmp24_32.bmp"
has "$out" "32x32 BMP"; has "$out" "banners: in game, statistics"
run 0 check "$fixtures/im_tga_alpha64.tga"
has "$out" "64x64 TGA"; has "$out" "banners: statistics only"
run 1 check "$fixtures/gradient32.rgba"
[ "$err" = "File 'gradient32.rgba' is not a valid bitmap file." ] || fail "1120: $err"
run 1 check "$work/no-dot-here"
[ "$err" = "File 'no-dot-here' is not a valid bitmap file." ] || fail "1120 without dot: $err"
run 1 check "$fixtures/bad_bmp24_16.bmp"
want="File 'bad_bmp24_16.bmp' has an invalid format and cannot be used as a banner.
Banner must have the format:
- 32x32x16M for in-game banners,
- 32x32x16M or 64x64x16M for statistic banners."
[ "$err" = "$want" ] || fail "1119: $err"
run 1 check "$fixtures/bad_bmp16_32.bmp"; has "$err" "File 'bad_bmp16_32.bmp' has an invalid format"
run 1 check "$work/missing.tga";    has "$err" "File 'missing.tga' has an invalid format"

# convert, then inspect what it wrote.
cp "$fixtures/own_bmp24_32.bmp" "$work/one.bmp"
cp "$fixtures/own_tga32_64.tga" "$work/big.tga"
cp "$fixtures/own_tga32_32.tga" "$work/big#1.tga"
cp "$fixtures/own_tga32_32.tga" "$work/four.tga"
cp "$fixtures/im_tga_alpha32.tga" "$work/four#1.tga"
cp "$fixtures/pil_tga32_64.tga" "$work/four#2.tga"
cp "$fixtures/own_tga_id_32.tga" "$work/four#3.tga"
for case in "one.bmp 1 32 bmp" "big.tga 2 64 tga" "four.tga 4 32 tga"; do
    set -- $case
    run 0 convert "$work/$1" "$work/Players/P1/$1.tex"
    has "$out" "->     "
    run 0 inspect "$work/Players/P1/$1.tex" --png "$work/png-$1"
    has "$out" "identifier: {"
    has "$out" "record 0 at "
    has "$out" "$3x$3, 5 levels"
    has "$out" "levels $4"
    if [ "$2" -gt 1 ]; then has "$out" "set: $2 records"; fi
    for ((i = 0; i < $2; i++)); do
        [ -s "$work/png-$1-$i.png" ] || fail "no PNG for record $i of $1"
    done
done
[ -e "$work/png-one.bmp-1.png" ] && fail "a single record gave two PNGs"

# The PNG holds level 0: what the reader decoded. Compare with the fixture's expectation.
if /usr/bin/python3 -c 'import PIL' 2>/dev/null; then
    /usr/bin/python3 - "$work/png-one.bmp-0.png" "$fixtures/gradient32.rgba" \
        "$work/png-four.tga-2.png" "$fixtures/alpha64.rgba" <<'PY' || fail "PNG pixels differ"
import sys
from PIL import Image
args = sys.argv[1:]
for png, rgba in zip(args[::2], args[1::2]):
    got = Image.open(png).convert("RGBA").tobytes()
    if got != open(rgba, "rb").read():
        sys.exit("%s differs from %s" % (png, rgba))
PY
fi

# convert failures: diagnostics on standard output, the verdict on standard error.
run 1 convert "$work/absent.bmp" "$work/x.tex"
has "$out" "Can't open file ("; [ "$err" = "Error converting file 'absent.bmp'." ] || fail "1126: $err"
[ -e "$work/x.tex" ] && fail "a failed conversion wrote x.tex"
cp "$fixtures/own_bmp24_64.bmp" "$work/keep.tex"
chmod a-w "$work/keep.tex"
run 1 convert "$work/one.bmp" "$work/keep.tex"
has "$out" "Can't open output file ("
cmp -s "$fixtures/own_bmp24_64.bmp" "$work/keep.tex" || fail "the read-only banner changed"
ls "$work" | grep -q '\.tmp$' && fail "a temporary file was left behind"

# inspect refuses damaged files and names the offset.
head -c 1000 "$work/Players/P1/one.bmp.tex" >"$work/cut.tex"
run 1 inspect "$work/cut.tex";      has "$err" "offset 48: file ends inside level 0 of record 0"
{ cat "$work/Players/P1/one.bmp.tex"; printf 'x'; } >"$work/long.tex"
run 1 inspect "$work/long.tex";     has "$err" "offset 5504: 1 bytes left over"
run 1 inspect "$fixtures/own_bmp24_32.bmp"; has "$err" "offset 0: expected the magic"
run 1 inspect "$work/absent.tex";   has "$err" "cannot open"

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all CLI checks passed"
