#!/usr/bin/env bash
# The search for the Wine prefix that holds the game (vexillor-cli prefix, and players when
# WINEPREFIX is unset), over fake home folders with prefixes of every kind. Each row: a home
# laid out by a few calls, then the prefix that must be found ("" for none). Every home must
# come out of the search exactly as it went in.
# Usage: prefix_search_test.sh CLI
set -euo pipefail
cli=$1
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
work=$(mktemp -d /tmp/vexillor-prefix-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }

. "$(dirname "$0")/fake_prefixes.sh"

# Each home: a function that lays it out in $h, and the prefix expected.
home_empty() { :; }
home_wine() { prefix "$h/.wine" game; }
home_proton_second_library() {
    prefix "$h/.wine" nogame
    mkdir -p "$h/.local/share/Steam/steamapps/compatdata" "$h/.steam"
    ln -s ../.local/share/Steam "$h/.steam/steam"             # as Steam lays it out
    prefix "$h/.local/share/Steam/steamapps/compatdata/400/pfx" nogame
    vdf "$h/.local/share/Steam/steamapps/libraryfolders.vdf" "$h/.local/share/Steam" "$h/lib2"
    prefix "$h/lib2/steamapps/compatdata/228980/pfx" game
}
home_bottles() {
    prefix "$h/.local/share/bottles/bottles/a-empty" noplayers
    prefix "$h/.local/share/bottles/bottles/b-game" game64
    echo 'Runner: sys-wine-9.0' >"$h/.local/share/bottles/bottles/b-game/bottle.yml"
}
home_skips_the_broken() {
    prefix "$h/.wine" damaged
    mkdir -p "$h/.local/share/Steam/steamapps"
    printf '"libraryfolders" { "0" { "path" "/nowhere" } } } { "path \x00 \xff' \
        >"$h/.local/share/Steam/steamapps/libraryfolders.vdf"     # odd form: skipped
    mkdir -p "$h/.steam/steam/config" && mkfifo "$h/.steam/steam/config/libraryfolders.vdf"  # never waited on
    prefix "$h/Games/a-unreadable" folder
    mkdir -p "$h/Games" && ln -s "$h/gone" "$h/Games/b-dangling"
    prefix "$h/Games/c-noplayers" noplayers
    prefix "$h/.PlayOnLinux/wineprefix/Quillmere" game
}
home_none_holds_it() {
    prefix "$h/.wine" nogame
    prefix "$h/Games/quillmere" noplayers
    prefix "$h/.local/share/bottles/bottles/other" damaged
}

rows=(
    "home_empty|"
    "home_wine|.wine"
    "home_proton_second_library|lib2/steamapps/compatdata/228980/pfx"
    "home_bottles|.local/share/bottles/bottles/b-game"
    "home_skips_the_broken|.PlayOnLinux/wineprefix/Quillmere"
    "home_none_holds_it|"
)
for row in "${rows[@]}"; do
    name=${row%%|*} want=${row#*|}
    h=$work/$name
    mkdir -p "$h"
    "$name"
    before=$(snapshot "$h")
    rc=0
    got=$(env -u WINEPREFIX HOME="$h" "$cli" prefix 2>"$work/err") || rc=$?
    if [ -n "$want" ]; then
        expect "$name: prefix found" "$h/$want" "$got"
        expect "$name: exit" 0 "$rc"
        # players uses the same search and says so.
        rc=0
        env -u WINEPREFIX HOME="$h" "$cli" players >"$work/out" 2>"$work/err" || rc=$?
        expect "$name: players exit" 0 "$rc"
        expect "$name: players names the prefix" "Using Wine prefix $h/$want" "$(cat "$work/err")"
        grep -q 'Aldric' "$work/out" || fail "$name: players did not list the demo profiles"
    else
        expect "$name: nothing found" "" "$got"
        expect "$name: exit" 1 "$rc"
        grep -q "No Wine prefix with Quillmere found" "$work/err" || fail "$name: message: $(cat "$work/err")"
        grep -qF "$h/.PlayOnLinux/wineprefix/*" "$work/err" || fail "$name: the message does not say where it looked"
    fi
    expect "$name: the home is left as it was" "$before" "$(snapshot "$h")"
done

# A WINEPREFIX that is set wins over the search: players names no prefix then.
h=$work/home_wine
rc=0
WINEPREFIX=$work/home_bottles/.local/share/bottles/bottles/b-game HOME="$h" "$cli" players >/dev/null 2>"$work/err" || rc=$?
expect "WINEPREFIX set: players exit" 0 "$rc"
expect "WINEPREFIX set: no search" "" "$(cat "$work/err")"

[ $failures -eq 0 ] && echo "prefix search: ${#rows[@]} homes, all checks passed"
exit $((failures > 0))
