#!/usr/bin/env bash
# fit on phone-sized photos beside ImageMagick, as whole processes in one run: 12, 48 and 108
# megapixel JPEGs (tools/make_big_photo.py: soft colour fields, light and grain, 4:2:0 at
# quality 90), and the 108 megapixel one stored sideways (EXIF orientation 6). For each, the
# wall time and the peak resident memory from GNU time -v, and the bound the tool keeps: 4
# bytes a pixel and 64 MiB.
# Usage: bench/big_photo_bench.sh [PATH/TO/vexillor-cli]   (default: the release build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/release/cli/vexillor-cli}
work=$(mktemp -d /tmp/vexillor-big-photo-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
[ -x /usr/bin/time ] || { echo "big_photo_bench: GNU time (/usr/bin/time) is needed"; exit 1; }
cd "$work"

# measure NAME ARGS...: "SECONDS KB" of one run, or "failed" and the program's complaint.
measure() {
    if ! /usr/bin/time -v "${@:2}" >/dev/null 2>"$1.time"; then
        echo "failed $(grep -v -e '^	' -e '^Command exited' "$1.time" | head -1)"
        return
    fi
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /Maximum resident set size/ { kb = $2 }
                END { printf "%.2f %d\n", s, kb }' "$1.time"
}

printf '%-22s %10s %10s %10s   %10s %10s\n' "picture" "fit s" "peak MiB" "bound MiB" "IM s" "IM MiB"
for size in "4000 3000 1" "8000 6000 1" "12000 9000 1" "12000 9000 6"; do
    read -r w h orientation <<<"$size"
    photo=photo-${w}x$h-$orientation.jpg
    /usr/bin/python3 "$root/tools/make_big_photo.py" "$w" "$h" "$photo" 1 "$orientation"
    read -r ours oursKb <<<"$(measure ours "$cli" fit "$photo" --in-game -o ours.bmp)"
    read -r theirs theirsKb <<<"$(measure theirs /usr/bin/convert "$photo" -auto-orient -resize 32x32 theirs.bmp)"
    bound=$(( (w * h * 4 + (64 << 20)) >> 20 ))
    label="$((w * h / 1000000)) Mpx $(du -m "$photo" | cut -f1) MiB"
    [ "$orientation" = 1 ] || label="$label, turned"
    [ "$ours" = failed ] && { echo "$label: fit failed: $oursKb"; exit 1; }
    if [ "$theirs" = failed ]; then
        printf '%-22s %10s %10s %10s   ImageMagick: %s\n' "$label" "$ours" "$((oursKb >> 10))" "$bound" "$theirsKb"
    else
        printf '%-22s %10s %10s %10s   %10s %10s\n' "$label" "$ours" "$((oursKb >> 10))" "$bound" "$theirs" \
            "$((theirsKb >> 10))"
    fi
    [ $((oursKb >> 10)) -le "$bound" ] || echo "  above the bound"
    rm -f "$photo"
done
