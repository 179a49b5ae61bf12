#!/usr/bin/env bash
# File names in any script, in a UTF-8 locale: pictures named in Polish and Russian are checked,
# converted and fitted, the messages name them as typed, and a name the file system cannot hold
# is refused with the system's reason. Under Wine (vexillor-cli.exe asks for UTF-8 in its
# manifest) also on a console, a pseudo-terminal here: the same text, stdout's lines before
# stderr's; and started alone on its console without arguments, it explains itself and waits.
# Usage: names_cli_test.sh CLI              natively
#        names_cli_test.sh CLI.exe PREFIX   under Wine
set -u
export LANG=C.UTF-8 LC_ALL=C.UTF-8
cli=$1 prefix=${2:-} tools=$(cd "$(dirname "$0")/../../tools" && pwd)
work=$(mktemp -d /tmp/vexillor-names-test-XXXXXX) failures=0
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
if [ -n "$prefix" ]; then
    tool() { "$tools/wine-run" "$prefix" "$cli" "$@"; }
else
    tool() { "$cli" "$@"; }
fi
# run CODE ARGS...: stdout in $out, stderr in $err, and the exit code checked.
run() {
    local want=$1; shift
    tool "$@" >"$work/out" 2>"$work/err"
    local got=$?
    out=$(tr -d '\r' <"$work/out"); err=$(tr -d '\r' <"$work/err")
    [ "$got" -eq "$want" ] || fail "vexillor-cli $* exited $got, expected $want (stderr: $err)"
}
is() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }
has() { case "$2" in *"$3"*) ;; *) fail "$1: expected '$3' in: $2" ;; esac; }
utf8() { iconv -f UTF-8 -t UTF-8 "$2" >/dev/null 2>&1 || fail "$1: not valid UTF-8: $(od -c "$2" | head -5)"; }

cd "$work"
python3 -c 'import struct; n = 32; px = bytes([30, 30, 200]) * n * n
open("herb_łódź.bmp", "wb").write(b"BM" + struct.pack("<IHHIIiiHHIIiiII", 54 + len(px), 0, 0, 54,
    40, n, n, 1, 24, 0, len(px), 0, 0, 0, 0) + px)'
convert -size 90x40 xc:'#2040c0' знамя.png

run 0 check herb_łódź.bmp
is "check herb_łódź.bmp" "herb_łódź.bmp: 32x32 BMP
banners: in game, statistics
convert makes a single banner" "$out"
utf8 "check's output" "$work/out"
run 0 convert herb_łódź.bmp herb_łódź.tex
has "convert herb_łódź.bmp" "$out" "herb_łódź.bmp->     herb_łódź.tex"
[ -s herb_łódź.tex ] || fail "convert wrote no herb_łódź.tex: $(ls)"
run 0 inspect herb_łódź.tex
has "inspect herb_łódź.tex" "$out" "herb_łódź.tex: 5504 bytes"
run 0 fit знамя.png --in-game
is "fit знамя.png" "wrote знамя-banner.bmp (32x32, in game banner)" "$out"
run 0 check знамя-banner.bmp
has "the fitted знамя" "$out" "знамя-banner.bmp: 32x32 BMP"
run 0 fit знамя.png --statistic -o "Флаг Дёрте.tga"
[ -s "Флаг Дёрте.tga" ] || fail "fit -o 'Флаг Дёрте.tga' wrote nothing: $(ls)"

if [ -n "$prefix" ]; then
    # A name the file system cannot hold (Windows takes no '?'; natively only a component over
    # 255 bytes is one, and the path limit of 259 comes first).
    bad='зн?мя' why='Invalid name' before=$(ls)
    run 1 fit знамя.png --in-game -o "$bad.bmp"
    is "fit -o $bad.bmp" "vexillor-cli fit: cannot write '$bad.bmp': $why" "$err"
    run 1 check "$bad.bmp"
    is "check $bad.bmp" "$bad.bmp: $why" "$err"
    run 1 convert herb_łódź.bmp "$bad.tex"
    is "convert to $bad.tex" "Error converting file 'herb_łódź.bmp'.
$bad.tex: $why" "$err"
    is "refused names leave the folder as it was" "$before" "$(ls)"

    # on_console COMMAND...: the tool on a pseudo-terminal (Wine gives it a console there), what
    # the terminal received in $work/console without carriage returns and cursor codes.
    on_console() {
        script -qec "$(printf '%q ' "$tools/wine-run" "$prefix" "$cli" "$@")" /dev/null </dev/null >"$work/raw"
        local status=$?
        sed -e 's/\r//g' -e 's/\x1b\[?25[lh]//g' -e 's/\x1b\[K//g' -e 's/ *$//' "$work/raw" >"$work/console"
        return $status
    }
    on_console check herb_łódź.bmp || fail "check on a console: exit status $?"
    is "check on a console" "herb_łódź.bmp: 32x32 BMP
banners: in game, statistics
convert makes a single banner" "$(cat "$work/console")"
    utf8 "the console's text" "$work/console"
    # The conversion's own lines on stdout, then the refusal on stderr, in that order (the
    # terminal keeps no trailing spaces).
    on_console convert herb_łódź.bmp "$bad.tex"
    is "a refused conversion on a console" "herb_łódź.bmp->     $bad.tex
Can't open output file ($bad.tex)
Error converting file 'herb_łódź.bmp'.
$bad.tex: $why" "$(cat "$work/console")"
    on_console --version
    is "--version on a console" "vexillor-cli 1.1" "$(cat "$work/console")"

    # Alone on its console without arguments: the explanation stays until a key comes.
    mkfifo "$work/keys"
    script -qec "$(printf '%q ' "$tools/wine-run" "$prefix" "$cli")" /dev/null <"$work/keys" >"$work/raw" &
    pid=$!
    exec 7>"$work/keys"
    for _ in $(seq 1200); do grep -q "Press a key" "$work/raw" && break; sleep 0.1; done
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "double-clicked: closed before a key"
    printf x >&7
    exec 7>&-
    wait "$pid" || fail "double-clicked: exit status $?"
    text=$(tr -d '\r' <"$work/raw")
    has "double-clicked" "$text" "It runs in a Command Prompt, not by a double-click. Start \"Vexillor command
prompt\" from the Start menu"
    has "double-clicked" "$text" "  vexillor-cli fit \"C:\\Users\\Ann\\Pictures\\crest.png\" --in-game"
    has "double-clicked" "$text" "Press a key to close this window."
fi
# Without a console, no arguments is a usage error as ever.
run 2
has "no arguments through pipes" "$err" "vexillor-cli: no command given"

[ $failures -eq 0 ] && echo "names_cli_test: all checks passed"
exit $((failures > 0))
