#!/usr/bin/env bash
# vexillor-cli from the outside: exit codes, messages, and that inspect reads back a set that
# convert writes (its PNG export compared through Pillow with the pictures it came from).
# Usage: cli_test.sh PATH/TO/vexillor-cli FIXTURE_DIR            natively
#        cli_test.sh PATH/TO/vexillor-cli.exe FIXTURE_DIR PREFIX  under Wine (Unix paths reach it
#                                                                 through drive Z:)
set -u
cli=$1 fixtures=$2 work=$(mktemp -d) failures=0 wine=${3:-}
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# run CODE ARGS...: runs the tool with stdout in $out and stderr in $err, and checks the code.
run() {
    local want=$1; shift
    if [ -n "$wine" ]; then
        "$tools/wine-run" "$wine" "$cli" "$@" >"$work/out" 2>"$work/err"
    else
        "$cli" "$@" >"$work/out" 2>"$work/err"
    fi
    local got=$?
    out=$(tr -d '\r' <"$work/out"); err=$(tr -d '\r' <"$work/err")
    [ "$got" -eq "$want" ] || fail "vexillor-cli $* exited $got, expected $want (stderr: $err)"
}
# os NATIVE WINDOWS: the system's own words differ between strerror and FormatMessage.
os() { if [ -n "$wine" ]; then echo "$2"; else echo "$1"; fi; }
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
banners: statistics only
convert makes a single banner"
run 1 check "$fixtures/gradient32.rgba"
is "$err" "File 'gradient32.rgba' is not a valid bitmap file."

# Each refused picture is named with what was found and what a banner needs, and, when fit can
# take it, a closing line saying what to run; convert and install say to add --fit.
fitline() { echo "To make it a banner picture: vexillor-cli fit $1 --in-game (or --statistic)"; }
while IFS='|' read -r file reason; do
    run 1 check "$fixtures/$file"
    if [ "$file" = bad_tga_colourmap_32.tga ]; then  # a colour map it lacks: fit cannot read it either
        is "$err" "$fixtures/$file: $reason"
    else
        is "$err" "$fixtures/$file: $reason"$'\n'"$(fitline "$fixtures/$file")"
    fi
done <<'ROWS'
bad_bmp24_16.bmp|16×16, 24-bit BMP; a banner is 32×32 or 64×64
bad_pil_bmp32_32.bmp|32-bit BMP; a BMP banner has 1, 4, 8 or 24 bits
bad_gimp_bmp32_32.bmp|a 32-bit BMP with transparency, as GIMP saves it; a BMP banner has 1, 4, 8 or 24 bits
bad_bmp_topdown_32.bmp|rows stored top first; a BMP banner stores the bottom row first
bad_im_bmp_rle8_64.bmp|RLE compression; a BMP banner is uncompressed
bad_bmp_core12_32.bmp|a BMP with the old 12-byte header; a banner needs one of 40 bytes or more
bad_bmp_300_colours.bmp|a palette of 300 colours; a BMP banner has at most 256
bad_im_tga24_32.tga|24-bit TGA; a TGA banner has 32 bits with alpha
bad_im_tga_topdown_32.tga|rows stored top first; a TGA banner stores the bottom row first
bad_tga_mirrored_32.tga|rows stored right to left; a TGA banner stores them left to right
bad_pil_tga_rle_32.tga|RLE compression; a TGA banner is uncompressed
bad_tga_colourmap_32.tga|a colour-mapped TGA; a TGA banner is true colour with alpha
bad_tga32_16.tga|16×16, 32-bit TGA; a banner is 32×32 or 64×64
ROWS
# Another kind of picture: the window program's words, then the way on; its name quoted for
# the shell when it needs to be.
/usr/bin/python3 -c 'import sys; from PIL import Image; Image.new("RGB", (40, 30)).save(sys.argv[1])' "$work/My crest.png"
cp "$work/My crest.png" "$work/crest.png"; cp "$work/My crest.png" "$work/png.bmp"
run 1 check "$work/My crest.png"
is "$err" "File 'My crest.png' is not a valid bitmap file."$'\n'"$(fitline "$(os "'$work/My crest.png'" "\"$work/My crest.png\"")")"
run 1 check "$work/png.bmp"
is "$err" "$work/png.bmp: a PNG picture, not a BMP"$'\n'"$(fitline "$work/png.bmp")"
run 1 convert "$work/crest.png" "$work/crest.tex"
is "$err" "Error converting file 'crest.png'.
$work/crest.png: a PNG picture, not a BMP
To make it the banner first: add --fit --in-game (or --fit --statistic)"

# Files that cannot be read at all: the system's reason, never "invalid format".
w=$work
mkdir "$w/dir.bmp"; : >"$w/empty.bmp"
while IFS='|' read -r file native windows; do
    run 1 check "$w/$file"; is "$err" "$w/$file: $(os "$native" "$windows")"
done <<'ROWS'
absent.bmp|No such file or directory|File not found
dir.bmp|Is a directory|Access denied
empty.bmp|the file is empty|the file is empty
ROWS

# A set of four, into folders that do not exist yet, read back and exported.
cp "$fixtures/own_tga32_32.tga" "$work/four.tga"; cp "$fixtures/im_tga_alpha32.tga" "$work/four#1.tga"
cp "$fixtures/pil_tga32_64.tga" "$work/four#2.tga"; cp "$fixtures/own_tga_id_32.tga" "$work/four#3.tga"
run 0 convert "$work/four.tga" "$work/Players/P1/four.tex"
is "$err" "made folder $work/Players/P1/"
run 0 inspect "$work/Players/P1/four.tex" --png "$work/png"
is "$(head -1 <<<"$out")" "banner texture, TGA source, 32×32, with 3 destroyed variants"
has "$out" "set: 4 records, flags 0x43000022 (set format width height tga)"
has "$out" "record 2 at 11004: 64x64, 5 levels, flags 0x03000026 (format width height levels tga)"
/usr/bin/python3 - "$work" "$fixtures" <<'PY' || fail "the exported PNGs differ from the pictures"
import sys
from PIL import Image
names = ["banner", "destroyed1", "destroyed2", "destroyed3"]
for name, rgba in zip(names, ["alpha32", "alpha32", "alpha64", "alpha32"]):
    want = open("%s/%s.rgba" % (sys.argv[2], rgba), "rb").read()
    if Image.open("%s/png-%s.png" % (sys.argv[1], name)).tobytes() != want:
        sys.exit("png-%s.png differs from %s.rgba" % (name, rgba))
PY

# A folder as the prefix gets the plain names inside it.
mkdir "$w/pngs"; run 0 inspect "$work/Players/P1/four.tex" --png "$w/pngs/"
is "$(cd "$w/pngs" && echo *)" "banner.png destroyed1.png destroyed2.png destroyed3.png"

run 1 convert "$work/absent.bmp" "$work/x.tex"
has "$out" "Can't open file ("
is "$err" "Error converting file 'absent.bmp'.
$work/absent.bmp: $(os 'No such file or directory' 'File not found')"
[ -e "$work/x.tex" ] && fail "a failed conversion wrote x.tex"

# The destroyed variants, each combination: what check says convert will do, and what convert
# then does. "bad" is a 48x48 picture, which counts as no variant at all.
bmp() {  # SIZE FILE: a 24-bit BMP of one colour
    python3 -c 'import struct, sys; n = int(sys.argv[1]); px = bytes([30, 30, 200]) * n * n
open(sys.argv[2], "wb").write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(px), 0, 0, 54,
    40, n, n, 1, 24, 0, len(px), 0, 0, 0, 0) + px)' "$@"
}
mkdir "$w/v"; bmp 32 "$w/v/c.bmp"; bmp 48 "$w/bad48.bmp"
while IFS='|' read -r variants story code; do
    rm -f "$w/v/c#"* "$w/v/c.tex"
    for k in $variants; do
        case $k in bad*) cp "$w/bad48.bmp" "$w/v/c#${k#bad}.bmp" ;; *) cp "$w/v/c.bmp" "$w/v/c#$k.bmp" ;; esac
    done
    run 0 check "$w/v/c.bmp"
    [ "$code" = 1 ] && story="$story: destroyed pictures are #1 alone, or #1, #2 and #3"
    is "$(tail -1 <<<"$out")" "${story//V/$w/v/c}"
    run "$code" convert "$w/v/c.bmp" "$w/v/c.tex"
    if [ "$code" = 1 ]; then
        rule=${story#convert will refuse: }
        is "$err" "Error converting file 'c.bmp'."$'\n'"${rule//V/$w/v/c}"
        [ -e "$w/v/c.tex" ] && fail "variants $variants: c.tex written"
    else
        is "$err" ""
    fi
done <<'ROWS'
|convert makes a single banner|0
1|convert makes a set of 2|0
1 2 3|convert makes a set of 4|0
2|convert will refuse: V#1.bmp is missing|1
3|convert will refuse: V#1.bmp is missing|1
2 3|convert will refuse: V#1.bmp is missing|1
1 2|convert will refuse: V#3.bmp is missing|1
1 3|convert will refuse: V#2.bmp is missing|1
1 bad2 3|convert will refuse: V#2.bmp cannot be used (48×48, 24-bit BMP; a banner is 32×32 or 64×64)|1
ROWS
rm -f "$w/v/c#"*; cp "$w/bad48.bmp" "$w/v/c#2.bmp"
run 0 check "$w/v/c.bmp"; has "$out" "destroyed 2: $w/v/c#2.bmp: not used: 48×48, 24-bit BMP; a banner is"

# A picture cut short converts as the rules say, with a warning of the rows it lacks (rows are
# stored bottom first, so the top ones go): black in a BMP, transparent in a TGA.
head -c $((54 + 96 * 20)) "$w/v/c.bmp" >"$w/short.bmp"
head -c $((18 + 128 * 31 + 5)) "$fixtures/own_tga32_32.tga" >"$w/short.tga"
head -c $((18 + 256 * 50 + 10)) "$fixtures/own_tga32_64.tga" >"$w/short64.tga"  # read in several pieces
while IFS='|' read -r file says; do
    run 0 convert "$w/$file" "$w/short.tex"
    is "$err" "warning: $w/$file is shorter than its pixel data: $says"
done <<'ROWS'
short.bmp|the top 12 rows come out black
short.tga|the top 1 row comes out transparent
short64.tga|the top 14 rows come out transparent
ROWS

# Never an input as the output: refused before anything is read or written, the picture intact.
cp "$w/v/c.bmp" "$w/keep.bmp"; cp "$w/v/c.bmp" "$w/v/c#1.bmp"
ln -s c.bmp "$w/v/alias.tex"
while IFS='|' read -r output says; do
    run 2 convert "$w/v/c.bmp" "$output"
    has "$err" "vexillor-cli convert: $says"
    cmp -s "$w/v/c.bmp" "$w/keep.bmp" || fail "convert to $output changed the picture"
    cmp -s "$w/v/c#1.bmp" "$w/keep.bmp" || fail "convert to $output changed its variant"
done <<ROWS
$w/v/c.bmp|OUTPUT $w/v/c.bmp is the picture itself
$w/v/../v/c.bmp|OUTPUT $w/v/../v/c.bmp is the picture itself
$w/v/alias.tex|OUTPUT $w/v/alias.tex is the picture itself
$w/v/c#1.bmp|OUTPUT $w/v/c#1.bmp is a destroyed variant of the picture
$w/v/c.png|OUTPUT must end in .tex: $w/v/c.png
ROWS
[ -e "$w/v/c.png" ] && fail "a refused output was written"
# A name that begins with '-' is a file name only after --.
cd "$w"; run 0 convert v/c.bmp -- -c.tex; cd - >/dev/null
[ -s "$w/-c.tex" ] || fail "convert -- -c.tex wrote no file"

# Destinations that are no regular file: refused with the reason, left as they are.
mkdir "$w/folder.tex"
run 1 convert "$w/keep.bmp" "$w/folder.tex"; has "$err" "$w/folder.tex: a folder is there, not a file"
[ -d "$w/folder.tex" ] || fail "the folder destination changed"
if [ -z "$wine" ]; then  # Wine has no FIFOs or device nodes to offer a Windows program
    mkfifo "$w/fifo.tex"
    run 1 convert "$w/keep.bmp" "$w/fifo.tex"; has "$err" "$w/fifo.tex: a device, FIFO or socket is there"
    [ -p "$w/fifo.tex" ] || fail "the FIFO was replaced"
    if mknod "$w/null.tex" c 1 3 2>/dev/null; then  # root only: a copy of /dev/null
        run 1 convert "$w/keep.bmp" "$w/null.tex"; has "$err" "$w/null.tex: a device, FIFO or socket is there"
        [ -c "$w/null.tex" ] || fail "the device node was replaced"
    fi
fi

# A folder that cannot be made: a file is where it would be.
run 1 convert "$w/keep.bmp" "$w/keep.bmp/sub/x.tex"
is "$(tail -1 <<<"$err")" "$w/keep.bmp/sub/x.tex: $w/keep.bmp is a file, not a folder"

# A link as the destination is written through: the link stays, its target gets the banner.
mkdir "$w/elsewhere"; echo old >"$w/elsewhere/real.tex"; ln -s ../elsewhere/real.tex "$w/v/link.tex"
run 0 convert "$w/keep.bmp" "$w/v/link.tex"
[ -L "$w/v/link.tex" ] || fail "the link destination was replaced by a file"
run 0 inspect "$w/elsewhere/real.tex"; has "$out" "record 0 at"
head -c 1000 "$work/Players/P1/four.tex" >"$work/cut.tex"
run 1 inspect "$work/cut.tex";   has "$err" "offset 64: file ends inside level 0 of record 0"

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all CLI checks passed"
