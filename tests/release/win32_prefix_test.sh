#!/usr/bin/env bash
# The 32-bit vexillor.exe where a 64-bit one cannot start: a 32-bit Wine prefix, as PlayOnLinux
# and many Lutris installers make them. A throw-away prefix made by the system's Wine with
# WINEARCH=win32, the program started in it, its main window on the screen (screenshot in
# build/screenshots/win32-main-window.png).
# Usage: win32_prefix_test.sh VEXILLOR.exe WORK   (needs DISPLAY: build.sh runs it inside Xvfb)
# Exits 77 (skipped) without a display, or where Wine's 32-bit loader cannot start: no wine32,
# or a kernel that runs no 32-bit x86 programs.
set -euo pipefail
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/release/main_window.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }

[ -n "${DISPLAY:-}" ] || { echo "SKIP: no DISPLAY for the window"; exit 77; }
if ! wine --version >/dev/null 2>&1; then
    echo "SKIP: the system's wine does not start here: $(wine --version 2>&1 | tail -1)"
    exit 77
fi
expect "the program" "PE32 executable (GUI) Intel 80386, for MS Windows" "$(file -b "$exe" | sed 's/, [0-9]* sections$//')"

mkdir -p "$work" && work=$(cd "$work" && pwd)
prefix=$work/wineprefix
rm -rf "$prefix"
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
openbox_pid=
cleanup() {
    wineserver -k 2>/dev/null || true  # this prefix's programs only
    if [ -n "$openbox_pid" ]; then kill "$openbox_pid" 2>/dev/null || true; fi
    wineserver -w 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT

# Made without the display: with one, the new prefix's desktop process stays and keeps
# wineserver -w waiting.
env -u DISPLAY wine wineboot -i >/dev/null 2>&1 || fail "wineboot: exit $?"
wineserver -w
expect "the prefix's architecture" "#arch=win32" "$(grep -m1 '^#arch=' "$prefix/system.reg" 2>/dev/null)"
[ ! -e "$prefix/drive_c/windows/syswow64" ] || fail "a 32-bit prefix with a syswow64 folder"

window_fonts "$prefix"
openbox >/dev/null 2>&1 &
openbox_pid=$!
(WINEDEBUG=err+all exec wine "$exe" >"$work/vexillor.log" 2>&1) &
await_main_window "$root/build/screenshots" win32 "$work/vexillor.log" ||
    fail "the 32-bit vexillor.exe showed no main window in a 32-bit prefix"

[ $failures -eq 0 ] && echo "32-bit prefix: all checks passed"
exit $((failures > 0))
