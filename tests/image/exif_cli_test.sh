#!/usr/bin/env bash
# vexillor-cli fit on pictures stored turned, with an EXIF orientation (fixtures/exif from
# tools/make_exif_fixtures.py): the banner is byte for byte the upright picture's, and a
# damaged block leaves the picture as stored, sideways.
# Usage: exif_cli_test.sh CLI FIXTURES              natively
#        exif_cli_test.sh CLI.exe FIXTURES PREFIX   under Wine (paths handed over as Z:)
set -u
cli=$(realpath "$1") fixtures=$(realpath "$2") tools=$(cd "$(dirname "$0")/../../tools" && pwd)
work=$(mktemp -d /tmp/vexillor-exif-test-XXXXXX) failures=0
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
if [ $# -eq 2 ]; then
    at=$work/
    tool() { "$cli" "$@"; }
else
    at=Z:$work/
    prefix=$3
    tool() { "$tools/wine-run" "$prefix" "$cli" "$@"; }
fi
cp "$fixtures"/*.jpg "$fixtures"/*.png "$work"/
cd "$work"

# banner PICTURE KIND: the banner of PICTURE in PICTURE.KIND.bmp (in game) or .tga (statistic).
banner() {
    local ext=bmp
    [ "$2" = statistic ] && ext=tga
    tool fit "$at$1" "--$2" -o "$at$1.$2.$ext" >/dev/null 2>err.txt ||
        fail "fit $1 --$2 exited $?: $(tr -d '\r' <err.txt)"
    out=$1.$2.$ext
}
# same A B: the two banners are the same bytes.
same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }

for kind in in-game statistic; do
    for ext in jpg png; do
        banner "upright.$ext" $kind; up=$out
        banner "stored6.$ext" $kind; stored=$out
        cmp -s "$up" "$stored" && fail "the stored picture's banner is the upright one's: the test shows nothing"
        for n in 1 2 3 4 5 6 7 8; do
            banner "${ext}_$n.$ext" $kind; same "$out" "$up"
        done
    done
done
# The tag behind an XMP segment, or after a PNG's data; then damaged blocks, left as stored.
banner xmp_first_6.jpg in-game; same "$out" upright.jpg.in-game.bmp
banner after_data_6.png statistic; same "$out" upright.png.statistic.tga
for f in bad_value_9.jpg bad_entry_count.jpg bad_loop.jpg bad_crc.png bad_cut.png; do
    ext=${f##*.}
    banner "$f" statistic; same "$out" "stored6.$ext.statistic.tga"
done

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all orientation checks passed"
