#!/usr/bin/env bash
# convert --fit against ImageMagick doing the resize alone, as whole processes, side by side in
# one run: a 1024x1024 8-bit RGBA PNG (soft-edged disc over a gradient) to the statistics banner.
# Prints the mean times, their ratio (goal: at most 0.5) and the peak memory of both.
# Usage: bench/fit_bench.sh [PATH/TO/vexillor-cli]   (default: the release build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/release/cli/vexillor-cli}
work=$(mktemp -d /tmp/vexillor-fit-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
/usr/bin/convert -size 1024x1024 gradient:'#3060c0-#f0c020' \
    \( -size 1024x1024 xc:black -fill white -draw 'circle 512,512 512,80' -blur 0x12 \) \
    -alpha off -compose CopyOpacity -composite -depth 8 PNG32:logo.png
ours=("$cli" convert logo.png out.tex --fit --statistic)
theirs=(/usr/bin/convert logo.png -colorspace RGB -filter Mitchell -resize 64x64 -colorspace sRGB out.tga)

# Mean wall time of N runs in milliseconds: hyperfine when it is there, else a plain loop.
mean_ms() {
    if command -v hyperfine >/dev/null; then
        hyperfine -N --warmup 3 --runs 30 --export-json t.json "$(printf '%q ' "$@")" >/dev/null 2>&1
        python3 -c 'import json; print("%.1f" % (json.load(open("t.json"))["results"][0]["mean"] * 1000))'
    else
        local start end
        "$@" >/dev/null
        start=$(date +%s%N)
        for _ in $(seq 30); do "$@" >/dev/null; done
        end=$(date +%s%N)
        echo "$(( (end - start) / 30000000 ))"
    fi
}
peak_kb() {  # GNU time (Debian's `time`), when it is there
    if [ -x /usr/bin/time ]; then /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; else echo "?"; fi
}

a=$(mean_ms "${ours[@]}")
b=$(mean_ms "${theirs[@]}")
printf 'convert --fit --statistic  %8s ms   peak %6s KB\n' "$a" "$(peak_kb "${ours[@]}")"
printf 'ImageMagick resize alone   %8s ms   peak %6s KB\n' "$b" "$(peak_kb "${theirs[@]}")"
python3 -c 'import sys; print("ratio %.2f (goal: at most 0.50)" % (float(sys.argv[1]) / float(sys.argv[2])))' "$a" "$b"
