#!/usr/bin/env bash
# vexillor-cli from the outside: exit codes, messages, and that inspect reads back a set that
# convert writes (its PNG export compared through Pillow with the pictures it came from).
# Usage: cli_test.sh PATH/TO/vexillor-cli FIXTURE_DIR
set -u
cli=$1 fixtures=$2 work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# run CODE ARGS...: runs the tool with stdout in $out and stderr in $err, and checks the code.
run() {
    local want=$1; shift
    "$cli" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    out=$(cat "$work/out"); err=$(cat "$work/err")
    [ "$got" -eq "$want" ] || fail "vexillor-cli $* exited $got, expected $want (stderr: $err)"
}
is() { [ "$1" = "$2" ] || fail "expected '$2', got '$1'"; }
has() { case "$1" in *"$2"*) ;; *) fail "expected '$2' in: $1" ;; esac; }

run 0 --help;          has "$out" "inspect                     Check a texture file's layout"
run 0 --version;       is "$out" "vexillor-cli 1.1"
run 0 inspect --help;  has "$out" "--png PREFIX"
run 2;                 has "$err" "vexillor-cli: no command given"
run 2 paint;           has "$err" "vexillor-cli: unknown command 'paint'"
run 2 convert a.bmp;   has "$err" "vexillor-cli convert: OUTPUT is required"
run 2 check -a.bmp;    has "$err" "vexillor-cli check: unknown option '-a.bmp' (put -- before"
# Help after the files is help, not a file name: nothing is written.
cd "$work"; run 0 convert a.bmp --help; cd - >/dev/null
[ -e "$work/--help" ] && fail "convert a.bmp --help wrote a file"
run 0 check "$fixtures/im_tga_alpha64.tga"
is "$out" "$fixtures/im_tga_alpha64.tga: 64x64 TGA
banners: statistics only"
run 1 check "$fixtures/gradient32.rgba"
is "$err" "File 'gradient32.rgba' is not a valid bitmap file."
run 1 check "$fixtures/bad_bmp24_16.bmp"
is "$err" "File 'bad_bmp24_16.bmp' has an invalid format and cannot be used as a banner.
Banner must have the format:
- 32x32x16M for in-game banners,
- 32x32x16M or 64x64x16M for statistic banners."

# A set of four, into folders that do not exist yet, read back and exported.
cp "$fixtures/own_tga32_32.tga" "$work/four.tga"; cp "$fixtures/im_tga_alpha32.tga" "$work/four#1.tga"
cp "$fixtures/pil_tga32_64.tga" "$work/four#2.tga"; cp "$fixtures/own_tga_id_32.tga" "$work/four#3.tga"
run 0 convert "$work/four.tga" "$work/Players/P1/four.tex"
run 0 inspect "$work/Players/P1/four.tex" --png "$work/png"
has "$out" "set: 4 records, flags 0x43000022 (set format width height tga)"
has "$out" "record 2 at 11004: 64x64, 5 levels, flags 0x03000026 (format width height levels tga)"
/usr/bin/python3 - "$work" "$fixtures" <<'PY' || fail "the exported PNGs differ from the pictures"
import sys
from PIL import Image
for i, rgba in enumerate(["alpha32", "alpha32", "alpha64", "alpha32"]):
    want = open("%s/%s.rgba" % (sys.argv[2], rgba), "rb").read()
    if Image.open("%s/png-%d.png" % (sys.argv[1], i)).tobytes() != want:
        sys.exit("png-%d.png differs from %s.rgba" % (i, rgba))
PY

run 1 convert "$work/absent.bmp" "$work/x.tex"
has "$out" "Can't open file ("; is "$err" "Error converting file 'absent.bmp'."
[ -e "$work/x.tex" ] && fail "a failed conversion wrote x.tex"
head -c 1000 "$work/Players/P1/four.tex" >"$work/cut.tex"
run 1 inspect "$work/cut.tex";   has "$err" "offset 64: file ends inside level 0 of record 0"

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all CLI checks passed"
