#!/usr/bin/env bash
# The Windows installer as a player runs it, under Wine in a fresh prefix: silent install, the
# files, the Start-menu shortcut and the uninstall key; the installed program starts and shows
# its main window (screenshot in build/screenshots/installed-main-window.png); the silent
# uninstaller leaves no file, shortcut or key behind.
# Usage: installer_test.sh SETUP.exe WORK   (needs DISPLAY: build.sh runs it inside Xvfb)
set -euo pipefail
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/release/main_window.sh"
version=$(sed -n 's/^project(vexillor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
shots=$root/build/screenshots
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }

mkdir -p "$work" && work=$(cd "$work" && pwd)
prefix=$work/wineprefix
rm -rf "$prefix" "$prefix.lock"
mkdir -p "$work" "$shots"
export WINEPREFIX=$prefix WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
server=${wine%wine64}wineserver
[ -x "$server" ] || server=$(command -v wineserver)
run() { "$root/tools/wine-run" "$prefix" "$@"; }
openbox_pid=
cleanup() {
    "$server" -k 2>/dev/null || true  # this prefix's programs only
    if [ -n "$openbox_pid" ]; then kill "$openbox_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

dir=$prefix/drive_c/Program\ Files/Vexillor
lnk=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vexillor.lnk
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexillor'

run "$setup" /S >/dev/null 2>&1 || fail "silent install: exit $?"
"$server" -w
expect "installed files" "$(printf '%s\n' LICENSE.txt README.txt uninstall.exe vexillor-cli.exe vexillor.exe)" \
    "$(ls "$dir" 2>/dev/null)"
[ -f "$lnk" ] || fail "no Start-menu shortcut: $lnk"
values=$(run reg query "$key" 2>/dev/null | tr -d '\r' | awk 'NF >= 3 {n = $1; t = $2; $1 = $2 = ""; sub(/^ +/, ""); print n, t, $0}' | sort)
expect "uninstall key" "$(cat <<VALUES | sort
DisplayIcon REG_SZ C:\\Program Files\\Vexillor\\vexillor.exe,0
DisplayName REG_SZ Vexillor
DisplayVersion REG_SZ $version
EstimatedSize REG_DWORD 0x$(printf '%x' "$(( ($(cat "$dir"/vexillor.exe "$dir"/vexillor-cli.exe "$dir"/README.txt "$dir"/LICENSE.txt | wc -c) + 1023) / 1024 ))")
InstallLocation REG_SZ C:\\Program Files\\Vexillor
NoModify REG_DWORD 0x1
NoRepair REG_DWORD 0x1
Publisher REG_SZ Vexillor developers
QuietUninstallString REG_SZ "C:\\Program Files\\Vexillor\\uninstall.exe" /S
UninstallString REG_SZ "C:\\Program Files\\Vexillor\\uninstall.exe"
VALUES
)" "$values"
expect "installed CLI runs" "vexillor-cli $version" "$(run "C:\\Program Files\\Vexillor\\vexillor-cli.exe" --version | tr -d '\r')"

# The installed program shows its main window.
window_fonts "$prefix"
openbox >/dev/null 2>&1 &
openbox_pid=$!
(WINEDEBUG=err+all exec "$wine" "C:\\Program Files\\Vexillor\\vexillor.exe" >"$work/vexillor.log" 2>&1) &
await_main_window "$shots" installed "$work/vexillor.log" || fail "the installed vexillor.exe showed no main window"
"$server" -k 2>/dev/null || true
"$server" -w

# Uninstall: the uninstaller copies itself to the temporary folder and returns at once;
# wineserver -w waits for that copy.
run "C:\\Program Files\\Vexillor\\uninstall.exe" /S >/dev/null 2>&1 || fail "silent uninstall: exit $?"
"$server" -w
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir")"
[ ! -e "$lnk" ] || fail "the shortcut is left behind"
run reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is left behind"

# /D= chooses the folder; the uninstaller then removes that one.
other=$prefix/drive_c/Tools/Vexillor
run "$setup" /S '/D=C:\Tools\Vexillor' >/dev/null 2>&1 || fail "install with /D=: exit $?"
"$server" -w
[ -f "$other/vexillor.exe" ] || fail "/D= did not choose the folder"
run 'C:\Tools\Vexillor\uninstall.exe' /S >/dev/null 2>&1 || true
"$server" -w
[ ! -e "$other" ] || fail "left behind in the /D= folder: $(ls -A "$other")"
[ -d "$prefix/drive_c/Tools" ] || fail "the uninstaller removed the folder above its own"

[ $failures -eq 0 ] && echo "installer: all checks passed"
exit $((failures > 0))
