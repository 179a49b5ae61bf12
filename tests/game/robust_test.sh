#!/usr/bin/env bash
# vexillor-cli under pressure: many conversions and installs into one banner at once, a player's
# own files beside the banner, the longest destination, and (natively) FIFOs, devices and
# conversions killed half-way. Nothing here depends on timing: every outcome that timing can
# produce is one the checks accept.
# Usage: robust_test.sh CLI              natively, in a Wine-style prefix made here
#        robust_test.sh CLI.exe PREFIX   under Wine, in the suite's prefix
set -uo pipefail
cli=$1 tools=$(cd "$(dirname "$0")/../../tools" && pwd) work=$(mktemp -d /tmp/vexillor-robust-XXXXXX) failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
native=1
[ $# -ge 2 ] && native=0
concurrent=${VEX_CONCURRENT:-40}

source "$(dirname "$0")/demo_install.sh"
demo_install vexillor-robust-test "${@:2}"
bmp() {  # SIZE FILE [BLUE]: a 24-bit BMP of one colour
    python3 -c 'import struct, sys; n = int(sys.argv[1]); px = bytes([int(sys.argv[3]), 30, 200]) * n * n
open(sys.argv[2], "wb").write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(px), 0, 0, 54,
    40, n, n, 1, 24, 0, len(px), 0, 0, 0, 0) + px)' "$1" "$2" "${3:-30}"
}
bmp 32 "$pictures/Banner.bmp" && bmp 32 "$pictures/Old.bmp" 90

# A banner's bytes behind the stream header (its flags and the conversion's own identifier).
body() { tail -c +21 "$1" 2>/dev/null; }
# sound FILE REFERENCE WHAT: FILE is a whole banner with the reference's content.
sound() { cmp -s <(body "$1") <(body "$2") && [ "$(wc -c <"$1")" = "$(wc -c <"$2")" ] || fail "$3: not one whole banner"; }
# no_leftovers FOLDER WHAT: no conversion left a temporary file behind.
no_leftovers() {
    local left
    left=$(cd "$1" && ls -A | grep '^~vx')
    [ -z "$left" ] || fail "$2: temporary files left: $left"
}

run convert "${at}Banner.bmp" "${at}reference.tex" >/dev/null || fail "reference conversion: exit status $?"
run convert "${at}Old.bmp" "${at}old.tex" >/dev/null || fail "old banner conversion: exit status $?"
ref=$pictures/reference.tex old=$pictures/old.tex

# Many conversions at once into one destination: each one succeeds, one whole banner is left.
# together NAME COMMAND...: runs the command $concurrent times at once, checks every exit status.
together() {
    local name=$1 i bad=0
    shift
    local pids=()
    for i in $(seq "$concurrent"); do
        run "$@" >"$work/$name-$i.out" 2>&1 &
        pids+=($!)
    done
    for i in "${!pids[@]}"; do
        wait "${pids[$i]}" || { bad=$((bad + 1)); echo "  $name $((i + 1)): $(tail -2 "$work/$name-$((i + 1)).out")"; }
    done
    [ $bad -eq 0 ] || fail "$name: $bad of $concurrent failed"
}
mkdir -p "$pictures/same" && cp "$old" "$pictures/same/BannerUser.tex"
together convert convert "${at}Banner.bmp" "${at}same\\BannerUser.tex"
sound "$pictures/same/BannerUser.tex" "$ref" "$concurrent conversions"
no_leftovers "$pictures/same" "$concurrent conversions"

cp "$old" "$players/Aldric/BannerUser.tex"
together install install "${at}Banner.bmp" --player Aldric --in-game
sound "$players/Aldric/BannerUser.tex" "$ref" "$concurrent installs"
no_leftovers "$players/Aldric" "$concurrent installs"

# A player's own file and folder named as the old fixed temporary name are left alone.
mkdir -p "$pictures/own/BannerUser.tex.tmp" "$pictures/mine"
echo "a player's notes" >"$pictures/own/BannerUser.tex.tmp/notes.txt"
echo "a player's file" >"$pictures/mine/BannerUser.tex.tmp"
for folder in own mine; do
    run convert "${at}Banner.bmp" "${at}$folder\\BannerUser.tex" >/dev/null || fail "beside $folder's .tmp: exit status $?"
    sound "$pictures/$folder/BannerUser.tex" "$ref" "beside $folder's .tmp"
done
[ "$(cat "$pictures/own/BannerUser.tex.tmp/notes.txt")" = "a player's notes" ] || fail "the player's folder was touched"
[ "$(cat "$pictures/mine/BannerUser.tex.tmp")" = "a player's file" ] || fail "the player's file was touched"

# The longest destination the conversion takes: 258 characters.
deep=long
core_dir="${at}long"
# Parts of 20 while there is room behind them for a last part of 1 to 21 characters.
while [ $((${#core_dir} + 21)) -le 241 ]; do deep="$deep/aaaaaaaaaaaaaaaaaaaa"; core_dir="$core_dir\\aaaaaaaaaaaaaaaaaaaa"; done
pad=$((258 - ${#core_dir} - 2 - 14))
deep="$deep/$(printf 'b%.0s' $(seq $pad))"
core_dir="$core_dir\\$(printf 'b%.0s' $(seq $pad))"
long_core="$core_dir\\BannerUser.tex"
[ ${#long_core} -eq 258 ] || fail "the long destination has ${#long_core} characters"
run convert "${at}Banner.bmp" "$long_core" >/dev/null || fail "258-character destination: exit status $?"
sound "$pictures/$deep/BannerUser.tex" "$ref" "258-character destination"

if [ $native -eq 1 ]; then
    # Special files: never waited on, each with the outcome of a file that cannot be opened.
    limit() { timeout 60 "$cli" "$@"; }
    cd "$pictures"
    cp Banner.bmp v.bmp && mkfifo 'v#1.bmp'
    limit convert v.bmp v.tex >/dev/null; status=$?
    [ $status -eq 0 ] || fail "FIFO as variant: exit status $status (124: it waited)"
    sound v.tex "$ref" "FIFO as variant (counts as absent)"
    mkfifo f.tex
    out=$(limit convert Banner.bmp f.tex 2>/dev/null); status=$?
    [ $status -eq 1 ] || fail "FIFO as destination: exit status $status"
    case "$out" in *"Can't open output file"*) ;; *) fail "FIFO as destination: $out" ;; esac
    [ -p f.tex ] || fail "FIFO as destination: replaced"
    no_leftovers . "FIFO as destination"
    mkfifo p.bmp
    limit convert p.bmp p.tex >/dev/null 2>&1; status=$?
    [ $status -eq 1 ] || fail "FIFO as picture: exit status $status"
    limit check p.bmp >/dev/null 2>&1; status=$?
    [ $status -eq 1 ] || fail "FIFO as picture to check: exit status $status"
    cd - >/dev/null

    mkdir -p "$players/Piper" && mkfifo "$players/Piper/UserInfo.dat"
    out=$(limit players); status=$?
    [ $status -eq 0 ] || fail "FIFO as UserInfo.dat: exit status $status"
    # Not a row of the list; the closing line may name it as skipped.
    grep -q '^[0-9].*Piper' <<<"$out" && fail "FIFO as UserInfo.dat: listed"
    case "$out" in *Aldric*) ;; *) fail "FIFO as UserInfo.dat: $out" ;; esac
    rm -rf "$players/Piper"

    # system.reg as something else than a prefix's registry file: no installation, and why.
    # registry WHAT TEXT: players fails saying TEXT, with bounded memory (its peak in KiB).
    registry() {
        WINEPREFIX=$work/odd python3 - "$cli" "$work/err" <<'PY'
import resource, subprocess, sys
with open(sys.argv[2], "wb") as err:
    code = subprocess.run(["timeout", "60", sys.argv[1], "players"], stdout=subprocess.DEVNULL, stderr=err).returncode
print(code, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
    }
    mkdir -p "$work/odd"
    for kind in fifo zero large; do
        rm -f "$work/odd/system.reg"
        case $kind in
        fifo) mkfifo "$work/odd/system.reg"; why="is not a regular file" ;;
        zero) ln -s /dev/zero "$work/odd/system.reg"; why="is not a regular file" ;;
        large) truncate -s 65M "$work/odd/system.reg"; why="is larger than 64 MiB" ;;
        esac
        read -r status peak < <(registry)
        [ "$status" = 1 ] || fail "system.reg as $kind: exit status $status"
        grep -q "No Quillmere installation found: the registry file $work/odd/system.reg $why." "$work/err" ||
            fail "system.reg as $kind: $(cat "$work/err")"
        [ "$peak" -lt 400000 ] || fail "system.reg as $kind: $peak KiB at the peak"
    done

    # Conversions killed at every moment: the old banner byte for byte, or the new one whole.
    mkdir -p "$work/kill"
    for i in $(seq 0 39); do
        cp "$old" "$work/kill/BannerUser.tex"
        "$cli" convert "$pictures/Banner.bmp" "$work/kill/BannerUser.tex" >/dev/null 2>&1 &
        pid=$!
        sleep "0.$(printf '%03d' $((i * 5)))"
        kill -9 $pid 2>/dev/null
        wait $pid 2>/dev/null
        if ! cmp -s "$work/kill/BannerUser.tex" "$old"; then
            sound "$work/kill/BannerUser.tex" "$ref" "killed after $((i * 5)) ms"
        fi
        rm -f "$work/kill/"~vx*  # a killed conversion leaves its own file; only its own
    done
fi

[ $failures -eq 0 ] && echo "robust_test: all checks passed"
exit $((failures > 0))
