#!/usr/bin/env bash
# vexillor-cli fit, convert --fit and preview from the outside, on pictures made here with
# ImageMagick and Pillow: the quality rules measured on the files written (and ImageMagick's
# own linear-light Mitchell resize as the yardstick), the variant rule, the refusals.
# Usage: fit_cli_test.sh CLI              natively
#        fit_cli_test.sh CLI.exe PREFIX   under Wine (paths handed over as Z:)
set -u
cli=$1 tools=$(cd "$(dirname "$0")/../../tools" && pwd) work=$(mktemp -d /tmp/vexillor-fit-test-XXXXXX) failures=0
trap 'rm -rf "$work"' EXIT
py=/usr/bin/python3  # Debian's, with Pillow
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
if [ $# -eq 1 ]; then
    at=$work/
    tool() { "$cli" "$@"; }
else
    at=Z:$work/
    tool() { "$tools/wine-run" "$2" "$cli" "${@:3}"; }
    prefix=$2
    tool() { "$tools/wine-run" "$prefix" "$cli" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fi
# run CODE ARGS...: stdout in $out, stderr in $err, and the exit code checked.
run() {
    local want=$1; shift
    tool "$@" >"$work/out" 2>"$work/err"
    local got=$?
    out=$(tr -d '\r' <"$work/out"); err=$(tr -d '\r' <"$work/err")
    [ "$got" -eq "$want" ] || fail "vexillor-cli $* exited $got, expected $want (stderr: $err)"
}
has() { case "$1" in *"$2"*) ;; *) fail "expected '$2' in: $1" ;; esac; }
is() { [ "$1" = "$2" ] || fail "expected '$2', got '$1'"; }
# measure SCRIPT ARGS...: Python with Pillow over the files; prints what it measured, fails on exit 1.
measure() { $py -c "$@" || fail "measured: $1"; }

cd "$work"
$py - <<'PY'
import math
from PIL import Image
# An opaque picture with detail at every scale, a red disc on transparent black, a one-pixel
# checkerboard, bands of 300 by 150 (blue, green, red), 8 by 8 pixel art.
photo = Image.new("RGB", (512, 384))
photo.putdata([(int(128 + 120 * math.sin(x / 9.0) * math.cos(y / 13.0)), (x * y) // 800 % 256,
                int(128 + 100 * math.sin((x + 2 * y) / 31.0))) for y in range(384) for x in range(512)])
photo.save("photo.png")
disc = Image.new("RGBA", (512, 512))
disc.putdata([(255, 0, 0, 255) if (x + .5 - 256) ** 2 + (y + .5 - 256) ** 2 < 200 ** 2 else (0, 0, 0, 0)
              for y in range(512) for x in range(512)])
disc.save("disc.png")
Image.new("L", (256, 256)).save("black.png")
check = Image.new("L", (256, 256))
check.putdata([255 * ((x + y) % 2) for y in range(256) for x in range(256)])
check.save("check.png")
bands = Image.new("RGB", (300, 150))
bands.putdata([(0, 0, 255) if x < 75 else (0, 255, 0) if x < 225 else (255, 0, 0)
               for y in range(150) for x in range(300)])
bands.save("bands.jpg", quality=95)
art = Image.new("RGBA", (8, 8))
art.putdata([(x * 30, y * 30, 200, 255) for y in range(8) for x in range(8)])
art.save("art.gif")
PY

# Opaque pixels against ImageMagick's linear-light Mitchell resize.
run 0 fit "${at}photo.png" --statistic --crop -o "${at}photo.tga"
/usr/bin/convert photo.png -gravity center -crop 384x384+0+0 +repage -colorspace RGB -filter Mitchell \
    -resize 64x64 -colorspace sRGB im.png
measure '
from PIL import Image
a = Image.open("photo.tga").convert("RGBA").tobytes(); b = Image.open("im.png").convert("RGBA").tobytes()
d = [abs(a[i] - b[i]) for i in range(len(a)) if i % 4 != 3]
print("against ImageMagick: mean %.2f, largest %d" % (sum(d) / len(d), max(d)))
raise SystemExit(sum(d) / len(d) > 3 or max(d) > 40)'

# The disc keeps red edges; the checkerboard becomes the grey of half the light.
run 0 fit "${at}disc.png" --statistic -o "${at}disc.tga"
measure '
from PIL import Image
px = [p for p in Image.open("disc.tga").getdata() if 0 < p[3] < 255]
print("disc edge: %d soft pixels, darkest red %d, most green+blue %d" % (len(px), min(p[0] for p in px), max(p[1] + p[2] for p in px)))
raise SystemExit(len(px) < 20 or min(p[0] for p in px) < 250 or max(p[1] + p[2] for p in px) > 4)'
run 0 fit "${at}check.png" --statistic -o "${at}check.tga"
measure '
from PIL import Image
g = [p[0] for p in Image.open("check.tga").getdata()]
print("checkerboard grey: %.1f (%d..%d)" % (sum(g) / len(g), min(g), max(g)))
raise SystemExit(abs(sum(g) / len(g) - 188) > 1)'

# In game: a BMP with alpha only on or off, bands of the key above and below; --crop fills.
run 0 fit "${at}bands.jpg" --in-game
has "$out" "wrote ${at}bands-banner.bmp (32x32, in game banner)"
run 0 check "${at}bands-banner.bmp"
run 0 fit "${at}bands.jpg" --in-game --crop -o "${at}cropped.bmp"
measure '
from PIL import Image
rows = lambda f: [list(Image.open(f).getdata())[y * 32:(y + 1) * 32] for y in range(32)]
b, c = rows("bands-banner.bmp"), rows("cropped.bmp")
key = (255, 0, 255)
ok = all(p == key for y in list(range(8)) + list(range(24, 32)) for p in b[y])
ok = ok and not any(p == key for y in range(8, 24) for p in b[y]) and b[16][0][2] > 200 and b[16][31][0] > 200
ok = ok and all(p[1] > 200 and p[0] < 40 and p[2] < 40 for r in c for p in r[3:29])  # JPEG blurs the band edges
raise SystemExit(not ok)'
run 0 fit "${at}disc.png" --in-game -o "${at}disc.bmp"
measure '
from PIL import Image
px = list(Image.open("disc.bmp").getdata()); key = (255, 0, 255)
raise SystemExit(px.count(key) in (0, len(px)) or any(p != key and p[0] < 250 for p in px))'

# Pixel art: whole-factor enlargement by nearest neighbour, or filtered with --smooth.
run 0 fit "${at}art.gif" --statistic -o "${at}art.tga"
run 0 fit "${at}art.gif" --statistic --smooth -o "${at}smooth.tga"
measure '
from PIL import Image
a = Image.open("art.tga").convert("RGBA"); s = Image.open("smooth.tga").convert("RGBA")
g = Image.open("art.gif").convert("RGBA")
crisp = all(a.getpixel((x, y)) == g.getpixel((x // 8, y // 8)) for y in range(64) for x in range(64))
raise SystemExit(not crisp or a.tobytes() == s.tobytes())'

# Variants: #1 beside the picture gives a #1 beside the output; #2 alone is refused.
cp disc.png v.png; cp check.png "v#1.png"
run 0 fit "${at}v.png" --in-game
[ -e "v-banner.bmp" ] && [ -e "v-banner#1.bmp" ] || fail "fit with a variant: $(ls)"
run 0 convert "${at}v.png" "${at}v.tex" --fit --statistic --size 32
run 0 inspect "${at}v.tex"
has "$out" "set: 2 records"
has "$out" "record 1 at 5520: 32x32, 5 levels, flags 0x03000026"
run 0 preview "${at}v.tex" -o "${at}sheet.png" --scale 2
has "$out" "(172x152: 2 records, every level x2)"
run 0 preview "${at}v.png" -o "${at}sheet2.png" --statistic --size 32 --scale 2
cmp -s sheet.png sheet2.png || fail "a picture's preview differs from its texture's"
rm "v#1.png"; cp check.png "v#2.png"
rule="destroyed pictures are #1 alone, or #1, #2 and #3"
run 1 fit "${at}v.png" --in-game -o "${at}w.bmp"
is "$err" "vexillor-cli fit: ${at}v#1.png is missing: $rule"
[ -e w.bmp ] && fail "a refused fit wrote w.bmp"
# The variant a set lacks is named on every way to a banner; one that is there but unreadable
# is named with its reason.
cp check.png "v#1.png"
run 1 convert "${at}v.png" "${at}w.tex" --fit --in-game
is "$err" "vexillor-cli convert: ${at}v#3.png is missing: $rule"
run 1 preview "${at}v.png" -o "${at}w.png" --in-game
is "$err" "vexillor-cli preview: ${at}v#3.png is missing: $rule"
echo "not a picture" >"v#3.png"; cp check.png "v#2.png"; rm "v#1.png"
run 1 fit "${at}v.png" --statistic -o "${at}w.tga"
is "$err" "vexillor-cli fit: ${at}v#1.png is missing: $rule"
cp check.png "v#1.png"
run 1 fit "${at}v.png" --statistic -o "${at}w.tga"
is "$err" "vexillor-cli fit: ${at}v#3.png cannot be used (not a PNG, JPEG, GIF, BMP or TGA picture): $rule"
rm "v#1.png" "v#2.png" "v#3.png"
ls w.* >/dev/null 2>&1 && fail "a refused set left $(ls w.*)"

# Refused pictures: exit 1 with the reason, nothing written.
head -c 300 photo.png >cut.png
/usr/bin/convert photo.png -quality 90 photo.jpg && head -c 2000 photo.jpg >cut.jpg
$py -c '
import struct, zlib
ihdr = struct.pack(">IIBBBBB", 100000, 100000, 8, 6, 0, 0, 0)
chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
open("huge.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"\0" * 1000)))'
: >empty.png
echo "not a picture at all" >text.png
for c in "cut.png:truncated or damaged PNG" "cut.jpg:truncated or damaged JPEG" \
         "huge.png:100000x100000 pixels, more than 16384 a side" "empty.png:empty file" \
         "text.png:not a PNG, JPEG, GIF, BMP or TGA picture" "absent.png:cannot open the file"; do
    f=${c%%:*}
    run 1 fit "$at$f" --statistic -o "${at}bad.tga"
    has "$err" "Can't read picture '"; has "$err" "${c#*:}"
    run 1 convert "$at$f" "${at}bad.tex" --fit --in-game
    has "$err" "${c#*:}"
done
# A size the file is too small to hold is refused before anything is decoded.
$py -c '
import struct, zlib
ihdr = struct.pack(">IIBBBBB", 16000, 16000, 8, 6, 0, 0, 0)
chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d))
open("claims.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"\0" * 1000)))'
run 1 fit "${at}claims.png" --statistic -o "${at}bad.tga"
has "$err" "Can't read picture 'claims.png': truncated or damaged PNG (16000x16000 pixels need at least 992263 bytes; the file has"
ls bad.* >/dev/null 2>&1 && fail "a refused picture left $(ls bad.*)"
# Memory that cannot be had: the reason, exit 1, nothing written. Natively only, where the
# process's memory can be held down (AddressSanitizer's own limit in a sanitized build).
if [ -z "${prefix:-}" ]; then
    $py -c 'from PIL import Image; Image.new("RGBA", (6000, 6000), (20, 90, 200, 255)).save("big.png")'
    if grep -q AddressSanitizer "$cli"; then
        ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=64 run 1 fit "${at}big.png" --statistic -o "${at}big.tga"
        err=$(grep -v '^==[0-9]*==WARNING: AddressSanitizer failed to allocate' <<<"$err")  # the sanitizer's own note
    else
        (ulimit -v 262144; run 1 fit "${at}big.png" --statistic -o "${at}big.tga"; echo "$err" >err.txt)
        err=$(cat err.txt)
    fi
    is "$err" "vexillor-cli fit: Can't read picture 'big.png': not enough memory to decode a 6000x6000 picture"
    [ -e big.tga ] && fail "a picture refused for memory left big.tga"
fi

# Never over its own input, refused as convert refuses it; usage errors are exit 2.
cp bands-banner.bmp own.bmp; cp own.bmp own.before
run 2 fit "${at}own.bmp" --in-game -o "${at}own.bmp"
has "$err" "vexillor-cli fit: OUTPUT ${at}own.bmp is the picture itself; it is left as it is"
cmp -s own.bmp own.before || fail "fit wrote over its input"
run 2 preview "${at}v.tex" -o "${at}v.tex"
has "$err" "vexillor-cli preview: OUTPUT ${at}v.tex is the picture itself; it is left as it is"
# convert --fit writes through a link as convert does, and says why a destination cannot take it.
mkdir -p real && echo old >real/banner.tex && ln -s real/banner.tex link.tex
run 0 convert "${at}disc.png" "${at}link.tex" --fit --statistic
[ -L link.tex ] || fail "convert --fit replaced the link"
run 0 inspect "${at}real/banner.tex"; has "$out" "record 0 at"
mkdir folder.tex
run 1 convert "${at}disc.png" "${at}folder.tex" --fit --statistic
has "$err" "Error converting file 'disc.png'."
has "$err" "${at}folder.tex: a folder is there, not a file"
run 2 fit "${at}disc.png" --in-game --size 64
has "$err" "the in-game banner is 32x32; --size 64 is for --statistic"
run 2 fit "${at}disc.png";                             has "$err" "choose one banner kind"
run 2 fit "${at}disc.png" --statistic -o "${at}x.png"; has "$err" "OUT must end in .tga or .bmp for the statistics banner"
run 2 fit "${at}disc.png" --in-game -o "${at}x.tga";   has "$err" "OUT must end in .bmp for the in-game banner"
run 2 convert "${at}disc.png" "${at}x.tex" --crop;     has "$err" "go with --fit"
run 2 install "${at}disc.png" --player 1 --in-game --crop;          has "$err" "go with --fit"
run 2 install "${at}disc.png" --player 1 --in-game --fit --size 64; has "$err" "--size 64 is for --statistic"
run 2 preview "${at}v.tex" -o "${at}x.png" --in-game;  has "$err" "a texture file is shown as it is"
run 0 fit --help;                                      has "$out" "--smooth"

# The statistics banner as a BMP: 64x64, alpha on or off, converted by the window program's
# rules as a BMP (flags 0x03000016); the soft edge of the disc is either kept or keyed.
run 0 fit "${at}disc.png" --statistic -o "${at}stat.bmp"
is "$out" "wrote ${at}stat.bmp (64x64, statistics banner)"
run 0 check "${at}stat.bmp"; has "$out" "64x64 BMP"
measure '
from PIL import Image
px = list(Image.open("stat.bmp").getdata()); key = (255, 0, 255)
raise SystemExit(len(px) != 64 * 64 or px.count(key) in (0, len(px)) or any(p != key and p[0] < 250 for p in px))'
run 0 convert "${at}stat.bmp" "${at}stat.tex"
run 0 inspect "${at}stat.tex"; has "$out" "record 0 at 20: 64x64, 5 levels, flags 0x03000016"

# preview without -o: STEM-preview.png beside the picture, as fit names its banner.
run 0 preview "${at}disc.png" --statistic
is "$out" "wrote ${at}disc-preview.png (544x272: 1 record, every level x4)"
[ -s disc-preview.png ] || fail "preview wrote no disc-preview.png"
run 0 preview "${at}stat.tex" --scale 1
is "$out" "wrote ${at}stat-preview.png (172x80: 1 record, every level x1)"

# Folders the writing makes are named, as typed; writes that fail say why, once, and leave
# nothing behind.
run 0 fit "${at}disc.png" --in-game -o "${at}made/a/disc.bmp"
is "$err" "made folder ${at}made/a/"
run 0 preview "${at}disc.png" --in-game -o "${at}made/b/sheet.png"
is "$err" "made folder ${at}made/b/"
run 0 inspect "${at}stat.tex" --png "${at}made/c/d/stat"
is "$err" "made folder ${at}made/c/d/"
run 0 convert "${at}disc.png" "${at}made/e/disc.tex" --fit --in-game
is "$err" "made folder ${at}made/e/"
[ -s made/a/disc.bmp ] && [ -s made/b/sheet.png ] && [ -s made/c/d/stat-banner.png ] && [ -s made/e/disc.tex ] ||
    fail "the writes into made folders: $(find made)"
run 0 fit "${at}disc.png" --in-game -o "${at}made/a/again.bmp"
is "$err" ""
: >plain; mkdir -p taken taken.bmp taken.png taken-banner.png taken.tex
while IFS='|' read -r output why; do
    case $output in
        *.bmp) run 1 fit "${at}disc.png" --in-game -o "$at$output"; what="vexillor-cli fit: cannot write '$at$output'" ;;
        *.png) run 1 preview "${at}disc.png" --in-game -o "$at$output"; what="vexillor-cli preview: cannot write '$at$output'" ;;
        *.tex) run 1 convert "${at}disc.png" "$at$output" --fit --in-game
               what="Error converting file 'disc.png'."$'\n'"$at$output" ;;
        *) run 1 inspect "${at}stat.tex" --png "$at$output"; what="vexillor-cli inspect: cannot write $at$output-banner.png" ;;
    esac
    is "$err" "$what: $why"
done <<ROWS
plain/x.bmp|${at}plain is a file, not a folder
plain/x.png|${at}plain is a file, not a folder
plain/x.tex|${at}plain is a file, not a folder
plain/x|${at}plain is a file, not a folder
taken.bmp|a folder is there, not a file
taken.png|a folder is there, not a file
taken.tex|a folder is there, not a file
taken|a folder is there, not a file
ROWS
[ "$(ls -d plain* taken* | tr '\n' ' ')" = "plain taken taken-banner.png taken.bmp taken.png taken.tex " ] ||
    fail "failed writes left: $(ls -d plain* taken*)"

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all fit checks passed"
