#!/usr/bin/env bash
# The Windows installer as a player runs it, under Wine in a fresh prefix: a silent install into
# a folder of the player's choice, the files, the three Start-menu entries and the uninstall
# key; an update without /D= through every page of the wizard (a screenshot of each in
# build/screenshots/setup-*.png), which goes into the first folder and ends by starting the
# program; a second setup refused while one runs; the PATH component on and off, with PATH
# restored exactly; a PATH too long to extend, an unusable /D= and a read-only folder refused
# with nothing changed; the uninstaller, waited for with _?= or not, leaving no program file,
# shortcut or key and none of the player's own files touched.
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
# Wine makes a new prefix in seconds without a display, and in minutes with Xvfb's.
env -u DISPLAY "$root/tools/wine-run" "$prefix" cmd /c exit >/dev/null 2>&1 || true
"$server" -w

drive=$prefix/drive_c
menu=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexillor'
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
installed="$(printf '%s\n' LICENSE.txt README.txt uninstall.exe vexillor-cli.exe vexillor.exe)"

# Runs the installer (or an uninstaller) and prints its exit code; waits for what it started.
setup_rc() { local rc=0; run "$@" >/dev/null 2>&1 || rc=$?; "$server" -w; echo "$rc"; }
values() {
    run reg query "$key" 2>/dev/null | tr -d '\r' |
        awk 'NF >= 3 {n = $1; t = $2; $1 = $2 = ""; sub(/^ +/, ""); print n, t, $0}' | sort
}
machine_path() { run reg query "$environment" /v PATH 2>/dev/null | tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]* *//p'; }
set_machine_path() { run reg add "$environment" /v PATH /t REG_EXPAND_SZ /d "$1" /f >/dev/null 2>&1; }
shortcuts() { (cd "$menu" && ls Vexillor*.lnk 2>/dev/null) || true; }
shortcut() { /usr/bin/python3 "$root/tests/release/shortcut_fields.py" "$menu/$1"; }
# Runs a command line in a batch file, as typed at a Command Prompt: Wine would quote arguments
# that hold spaces or quotes, which a player's command line does not have.
typed() {
    cp "$setup" "$drive/vexillor-setup.exe"
    printf '%s\r\nexit /b %%ERRORLEVEL%%\r\n' "$1" >"$drive/typed.bat"
    local rc=0
    run cmd /c 'C:\typed.bat' >/dev/null 2>&1 || rc=$?
    "$server" -w
    rm -f "$drive/typed.bat" "$drive/vexillor-setup.exe"
    echo "$rc"
}

# The uninstall key of an install in $1 (a Windows path), with or without a PATH entry.
expect_key() {
    local dir=$1 unix=$2 path_entry=${3:-}
    expect "uninstall key for $dir" "$(
        {
            printf '%s\n' "DisplayIcon REG_SZ $dir\\vexillor.exe,0" "DisplayName REG_SZ Vexillor" \
                "DisplayVersion REG_SZ $version" "InstallLocation REG_SZ $dir" \
                "NoModify REG_DWORD 0x1" "NoRepair REG_DWORD 0x1" "Publisher REG_SZ Vexillor developers" \
                "QuietUninstallString REG_SZ \"$dir\\uninstall.exe\" /S" \
                "UninstallString REG_SZ \"$dir\\uninstall.exe\""
            printf 'EstimatedSize REG_DWORD 0x%x\n' "$(( ($(cat "$unix"/vexillor.exe "$unix"/vexillor-cli.exe \
                "$unix"/README.txt "$unix"/LICENSE.txt | wc -c) + 1023) / 1024 ))"
            [ -z "$path_entry" ] || echo "PathEntry REG_SZ $path_entry"
        } | sort)" "$(values)"
}

# The wizard's window as raw pixels, to tell when a key press has changed the page.
pixels() { timeout 30 import -window "$1" rgb:- 2>/dev/null | md5sum; }
# A key as the player presses it, into the window brought to the front first.
press() { timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; xdotool key "$2"; }
# Waits until window $1 no longer shows $2 (a pixels() sum) and holds still, then saves it as
# build/screenshots/$3.png. The loaded 2-core machine may take a while to draw a page.
shoot_page() {
    local window=$1 before=$2 name=$3 now last= deadline=$((SECONDS + 120))
    while [ $SECONDS -lt $deadline ]; do
        now=$(pixels "$window")
        [ "$now" != "$before" ] && [ "$now" = "$last" ] && break
        last=$now
        sleep 1
    done
    [ $SECONDS -lt $deadline ] || fail "the wizard did not get to its $name page"
    timeout 30 import -window "$window" -define png:exclude-chunks=date,time "$shots/$name.png" || true
    page=$now
}
find_window() {  # NAME: the first visible window of that name, waiting for it
    local window= deadline=$((SECONDS + 300))  # starting Wine's desktop may take minutes
    while [ $SECONDS -lt $deadline ] && [ -z "$window" ]; do
        window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$window" ] || sleep 0.5
    done
    echo "$window"
}

# The update as a player clicks through it: Enter takes each page's default button. While the
# welcome page shows, a second setup is refused, in a window and silently.
walk_wizard() {
    (exec "$wine" "$setup" >"$work/wizard.log" 2>&1) &
    local wizard
    wizard=$(find_window "^Vexillor $version Setup\$")
    [ -n "$wizard" ] || { fail "the wizard did not open"; return; }
    page=
    shoot_page "$wizard" "" setup-1-welcome
    local rc=0
    (exec "$wine" "$setup"; ) >/dev/null 2>&1 & local second=$!
    local message= deadline=$((SECONDS + 120))
    while [ $SECONDS -lt $deadline ] && [ -z "$message" ]; do
        message=$(xdotool search --onlyvisible --name "^Vexillor $version Setup\$" 2>/dev/null | grep -vx "$wizard" | head -1 || true)
        sleep 0.5
    done
    if [ -n "$message" ]; then
        sleep 1
        import -window root -define png:exclude-chunks=date,time "$shots/setup-already-running.png"
        press "$message" Return
    else
        fail "a second setup showed no message"
    fi
    wait "$second" || rc=$?
    expect "a second setup while one runs: exit" 2 "$rc"
    rc=0; run "$setup" /S '/D=C:\Tools\VexB' >/dev/null 2>&1 || rc=$?
    expect "a second silent setup while one runs: exit" 2 "$rc"
    [ ! -e "$drive/Tools/VexB" ] || fail "the second setup installed"

    local name
    sleep 1
    page=$(pixels "$wizard")  # without the message in front of it
    for name in setup-2-licence setup-3-components setup-4-folder; do
        press "$wizard" Return
        shoot_page "$wizard" "$page" "$name"
    done
    touch "$work/before-install"
    press "$wizard" Return  # Install
    local deadline=$((SECONDS + 120))
    until [ "$vexa/uninstall.exe" -nt "$work/before-install" ] || [ $SECONDS -ge $deadline ]; do sleep 0.5; done
    shoot_page "$wizard" "$page" setup-5-installed
    press "$wizard" Return
    shoot_page "$wizard" "$page" setup-6-finish
    press "$wizard" Return  # Finish, with Run Vexillor ticked
    await_main_window "$shots" installed "$work/wizard.log" || fail "Run Vexillor showed no main window"
    echo "wizard pages: $shots/setup-*.png"
    "$server" -k 2>/dev/null || true
    "$server" -w
}

# A folder on a read-only file system (bind-mounted read-only in a mount namespace of its own,
# since root writes anywhere else): refused before anything is written. The wine server runs
# inside that namespace, so none of this prefix may be running when it starts.
install_into_read_only_folder() {
    local folder=$drive/Tools/ReadOnly rc=0
    mkdir -p "$folder" && : >"$folder/players-file.txt"
    "$server" -k 2>/dev/null || true
    "$server" -w
    unshare -m bash -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" || exit 99
        rc=0; "$2" "$3" "$4" /S "/D=C:\Tools\ReadOnly" >/dev/null 2>&1 || rc=$?
        "$5" -k 2>/dev/null; exit $rc' _ "$folder" "$root/tools/wine-run" "$prefix" "$setup" "$server" || rc=$?
    if [ "$rc" = 99 ]; then
        echo "SKIP: no read-only mount here (unshare -m and mount --bind need root)"
    else
        expect "install into a read-only folder: exit" 2 "$rc"
    fi
    expect "the read-only folder is untouched" players-file.txt "$(ls "$folder")"
    rm -r "$folder"
}

# --- A silent install into a folder of the player's choice ------------------------------------
vexa=$drive/Tools/VexA
rc=$(setup_rc "$setup" /S '/D=C:\Tools\VexA')
expect "silent install with /D=: exit" 0 "$rc"
path_before=$(machine_path)
[ -n "$path_before" ] || fail "the fresh prefix has no PATH"
expect "installed files" "$installed" "$(ls "$vexa" 2>/dev/null)"
expect "Start-menu entries" "$(printf '%s\n' 'Vexillor command prompt.lnk' 'Vexillor guide.lnk' 'Vexillor.lnk')" "$(shortcuts)"
expect "shortcut Vexillor" 'C:\Tools\VexA\vexillor.exe | C:\Tools\VexA |  | C:\Tools\VexA\vexillor.exe' \
    "$(shortcut Vexillor.lnk)"
expect "shortcut Vexillor guide" 'C:\Tools\VexA\README.txt | C:\Tools\VexA |  | ' "$(shortcut 'Vexillor guide.lnk')"
expect "shortcut Vexillor command prompt" \
    "C:\\windows\\system32\\cmd.exe | C:\\Tools\\VexA | /k echo Vexillor's command line: type vexillor-cli --help to see what it does. | C:\\Tools\\VexA\\vexillor-cli.exe" \
    "$(shortcut 'Vexillor command prompt.lnk')"
expect_key 'C:\Tools\VexA' "$vexa"
expect "PATH without the component" "$path_before" "$(machine_path)"
# The command prompt as the shortcut opens it: its one line, then vexillor-cli at hand.
prompt=$(cd "$vexa" && printf 'vexillor-cli --version\r\nexit\r\n' |
    run cmd /k "echo Vexillor's command line: type vexillor-cli --help to see what it does." 2>/dev/null | tr -d '\r')
[[ $prompt == "Vexillor's command line: type vexillor-cli --help to see what it does."* ]] ||
    fail "the command prompt does not open with its line:"$'\n'"$prompt"
[[ $prompt == *"vexillor-cli $version"* ]] || fail "vexillor-cli is not at hand in the command prompt:"$'\n'"$prompt"
# The uninstaller carries the shell icon, 256 pixels included.
wrestool -x -t14 "$vexa/uninstall.exe" -o "$work/uninstall.ico" 2>/dev/null || true
icotool -l "$work/uninstall.ico" 2>/dev/null | grep -q -- '--width=256 --height=256 --bit-depth=32' ||
    fail "uninstall.exe has no 256-pixel icon: $(icotool -l "$work/uninstall.ico" 2>&1 | tr '\n' ' ')"

# --- An update through every page: where the first install went, and Run Vexillor -------------
window_fonts "$prefix"
openbox >/dev/null 2>&1 &
openbox_pid=$!
walk_wizard

expect "files after the update" "$installed" "$(ls "$vexa" 2>/dev/null)"
[ ! -e "$drive/Program Files/Vexillor" ] || fail "the update made a second copy in C:\\Program Files\\Vexillor"
expect_key 'C:\Tools\VexA' "$vexa"

# --- The PATH component --------------------------------------------------------------------------
rc=$(setup_rc "$setup" /S /PATH=yes)
expect "install with /PATH=yes: exit" 0 "$rc"
expect "PATH with the component" "$path_before;C:\\Tools\\VexA" "$(machine_path)"
expect_key 'C:\Tools\VexA' "$vexa" 'C:\Tools\VexA'
"$server" -k 2>/dev/null || true; "$server" -w  # a new session reads the new PATH
expect "vexillor-cli through PATH" "vexillor-cli $version" "$(cd "$work" && run cmd /c vexillor-cli --version 2>/dev/null | tr -d '\r')"
rc=$(setup_rc "$setup" /S)
expect "an update keeps the component" "$path_before;C:\\Tools\\VexA" "$(machine_path)"
rc=$(setup_rc "$setup" /S /PATH=no)
expect "PATH after /PATH=no" "$path_before" "$(machine_path)"
expect_key 'C:\Tools\VexA' "$vexa"

# The entry goes where the separators say, and only it goes: not a longer path that begins like
# it, not the player's entries around it, whatever its letter case has become.
set_machine_path 'C:\Tools\VexA\bin;X:\y;'
rc=$(setup_rc "$setup" /S /PATH=yes)
expect "PATH ending in a separator, with the component" 'C:\Tools\VexA\bin;X:\y;C:\Tools\VexA;' "$(machine_path)"
set_machine_path 'C:\Tools\VexA\bin;X:\y;c:\tools\vexa;Z:\after'
: >"$vexa/my-banner.bmp"
# _?= runs the uninstaller in place: when it returns, it is done.
rc=0; run 'C:\Tools\VexA\uninstall.exe' /S '_?=C:\Tools\VexA' >/dev/null 2>&1 || rc=$?
expect "uninstall with _?=: exit" 0 "$rc"
expect "files left by the uninstaller run in place" "$(printf '%s\n' my-banner.bmp uninstall.exe)" "$(ls "$vexa")"
expect "PATH after the uninstall" 'C:\Tools\VexA\bin;X:\y;Z:\after' "$(machine_path)"
expect "Start-menu entries after the uninstall" "" "$(shortcuts)"
run reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is left behind"
"$server" -w
rm -f "$vexa/uninstall.exe" "$vexa/my-banner.bmp" && rmdir "$vexa"

# A PATH too long to take the folder stays as it was, and nothing is recorded to take off.
long=$(printf 'C:\\Long\\Folder%04d;' $(seq 60))
set_machine_path "$long"
rc=$(setup_rc "$setup" /S /PATH=yes '/D=C:\Tools\VexA')
expect "install with a long PATH: exit" 0 "$rc"
expect "a long PATH is left as it was" "$long" "$(machine_path)"
expect_key 'C:\Tools\VexA' "$vexa"
set_machine_path "$path_before"

# --- Refusals that change nothing ------------------------------------------------------------------
rc=$(setup_rc "$setup" /S '/D=Q:\Vexillor')
expect "/D= on a drive that does not exist: exit" 2 "$rc"
rc=$(typed 'C:\vexillor-setup.exe /S /D="C:\Tools\Vex B"')
expect "a quoted /D=: exit" 2 "$rc"
[ ! -e "$drive/Tools/Vex B" ] || fail "a quoted /D= made a folder"
install_into_read_only_folder
expect_key 'C:\Tools\VexA' "$vexa"
expect "the refused installs changed no file" "$installed" "$(ls "$vexa")"

# --- Uninstall: waited for by the wine server, the player's files kept ---------------------------
: >"$vexa/my-banner.bmp"
rc=$(setup_rc 'C:\Tools\VexA\uninstall.exe' /S)
expect "silent uninstall: exit" 0 "$rc"
expect "only the player's file is left" "my-banner.bmp" "$(ls "$vexa")"
rm "$vexa/my-banner.bmp" && rmdir "$vexa"
# /D= takes a folder with a space as it stands, unquoted. Emptied by hand but for the
# uninstaller, that folder's uninstall still removes the entries and the key.
vexb="$drive/Tools/Vex B"
rc=$(typed 'C:\vexillor-setup.exe /S /D=C:\Tools\Vex B')
expect "install with /D= and a space: exit" 0 "$rc"
expect "files in the folder with a space" "$installed" "$(ls "$vexb" 2>/dev/null)"
expect_key 'C:\Tools\Vex B' "$vexb"
rm "$vexb/vexillor.exe" "$vexb/vexillor-cli.exe" "$vexb/README.txt"
rc=$(setup_rc 'C:\Tools\Vex B\uninstall.exe' /S)
expect "uninstall of an emptied folder: exit" 0 "$rc"
[ ! -e "$vexb" ] || fail "left behind: $(ls -A "$vexb")"
[ -d "$drive/Tools" ] || fail "the uninstaller removed the folder above its own"
expect "Start-menu entries after the last uninstall" "" "$(shortcuts)"
run reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is left behind"
expect "PATH after everything" "$path_before" "$(machine_path)"

[ $failures -eq 0 ] && echo "installer: all checks passed"
exit $((failures > 0))
