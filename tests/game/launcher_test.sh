#!/usr/bin/env bash
# The packaged launcher (packaging/vexillor in a staged /usr tree beside the built vexillor-cli)
# over fake homes of every kind, with fake Wine installations whose bin/wine records how it was
# started: which Wine it starts, in which prefix, with which program and libraries; what it
# refuses; and that no home changes by a byte. No real Wine runs.
# Usage: launcher_test.sh CLI
set -euo pipefail
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
repo=$(cd "$here/../.." && pwd)
work=$(mktemp -d /tmp/vexillor-launcher-test-XXXXXX)
holder=
server_dir=
cleanup() {
    if [ -n "$holder" ]; then kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null; fi
    if [ -n "$server_dir" ]; then rm -rf "$server_dir"; fi
    rm -rf "$work"
}
trap cleanup EXIT
failures=0 checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { checks=$((checks + 1)); [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }
has() { checks=$((checks + 1)); grep -qF -- "$2" <<<"$3" || fail "$1: no '$2' in"$'\n'"$3"; }
. "$here/fake_prefixes.sh"

# The staged package: the launcher, the tool beside it, both programs as placeholders.
stage=$work/stage
mkdir -p "$stage/usr/bin" "$stage/usr/lib/vexillor/i386"
install -m 0755 "$repo/packaging/vexillor" "$stage/usr/bin/vexillor"
ln -s "$cli" "$stage/usr/bin/vexillor-cli"
echo 64 >"$stage/usr/lib/vexillor/vexillor.exe"
echo 32 >"$stage/usr/lib/vexillor/i386/vexillor.exe"
program64=$stage/usr/lib/vexillor/vexillor.exe
program32=$stage/usr/lib/vexillor/i386/vexillor.exe

# A Wine installation at $1 whose wine.inf has the time $2; its bin/wine writes how it was
# started into $record and exits with FAKE_WINE_STATUS.
record=$work/record
fake_wine() {
    mkdir -p "$1/bin" "$1/share/wine" "$1/lib64" "$1/lib"
    cat >"$1/bin/wine" <<WINE
#!/bin/bash
{ echo "wine=\$0"; echo "args=\$*"; echo "WINEPREFIX=\$WINEPREFIX"; echo "LD_LIBRARY_PATH=\${LD_LIBRARY_PATH-}"
  echo "WINEDEBUG=\${WINEDEBUG-unset}"; } >"$record"
exit \${FAKE_WINE_STATUS:-0}
WINE
    chmod 0755 "$1/bin/wine"
    touch -d "@$2" "$1/share/wine/wine.inf"
}
# The system's Wine, reached on PATH through a link as Debian's /usr/bin/wine is.
E_SYS=1500000000
fake_wine "$work/system" $E_SYS
mkdir -p "$work/pathbin" && ln -s ../system/bin/wine "$work/pathbin/wine"

launch() {  # HOME, then the launcher's arguments; standard output and error into $out
    local home=$1; shift
    rm -f "$record"
    env -u WINEPREFIX -u WINEDEBUG -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" \
        PATH="$work/pathbin:$PATH" "$stage/usr/bin/vexillor" "$@" >"$work/out" 2>&1
}
out() { cat "$work/out"; }

# check NAME PREFIX KIND WINE BITS WHY [LIBS]: --dry-run names them, and the launcher then starts
# WINE/bin/wine with the program in PREFIX, LIBS first on LD_LIBRARY_PATH, WINEDEBUG=-all.
check() {
    local name=$1 prefix=$2 kind=$3 wine=$4 bits=$5 why=$6 libs=${7-$4/lib64:$4/lib} program=$program64 rc=0
    [ "$bits" = 32 ] && program=$program32
    launch "$h" --dry-run || rc=$?
    expect "$name: dry run exit" 0 "$rc"
    expect "$name: dry run" "prefix: $prefix ($kind)"$'\n'"wine: $wine/bin/wine ($why)"$'\n'"program: $program ($bits-bit)" "$(out)"
    [ -e "$record" ] && fail "$name: the dry run started Wine"
    rc=0
    launch "$h" || rc=$?
    expect "$name: exit" 0 "$rc"
    expect "$name: started" "wine=$wine/bin/wine"$'\n'"args=$program"$'\n'"WINEPREFIX=$prefix"$'\n'"LD_LIBRARY_PATH=$libs"$'\n'"WINEDEBUG=-all" \
        "$(cat "$record" 2>/dev/null)"
}

# --- One home per kind: the Wine each kind records ------------------------------------------
E_P8=1600000800 E_PX=1600000900 E_GE=1600001000 E_P7=1600000700 E_L72=1600007200 E_GE8=1600008000
E_CAFFE=1600002000 E_HW=1600003000 E_HP=1600004000 E_POL4=1600000403 E_POL5=1600000503

home_steam_native() {  # config_info names the Proton; the game is in a second library
    local s=$h/.local/share/Steam
    mkdir -p "$h/.steam" "$s" && ln -s ../.local/share/Steam "$h/.steam/steam"
    fake_wine "$s/steamapps/common/Proton 8.0/files" $E_P8
    vdf "$s/steamapps/libraryfolders.vdf" "$s" "$h/lib2"
    STAMP=$E_P8 prefix "$h/lib2/steamapps/compatdata/2440510/pfx" game
    printf '8.0-104\n%s\n%s\n' "$s/steamapps/common/Proton 8.0/files/share/fonts/" "$s/steamapps/common/Proton 8.0/files/lib/" \
        >"$h/lib2/steamapps/compatdata/2440510/config_info"
    want=("$h/lib2/steamapps/compatdata/2440510/pfx" "Steam Proton" "$h/.steam/steam/steamapps/common/Proton 8.0/files" 64
          "config_info: the Proton that last set it up")
}
config_vdf() {  # FILE: Steam's config.vdf mapping app 2440510 to GE-Proton8-25, every other to Experimental
    mkdir -p "$(dirname "$1")"
    printf '"InstallConfigStore"\n{\n\t"Software"\n\t{\n\t\t"Valve"\n\t\t{\n\t\t\t"Steam"\n\t\t\t{\n\t\t\t\t"CompatToolMapping"\n\t\t\t\t{\n%s\t\t\t\t}\n\t\t\t}\n\t\t}\n\t}\n}\n' \
        "$(printf '\t\t\t\t\t"%s"\n\t\t\t\t\t{\n\t\t\t\t\t\t"name"\t\t"%s"\n\t\t\t\t\t\t"config"\t\t""\n\t\t\t\t\t\t"priority"\t\t"250"\n\t\t\t\t\t}\n' \
            0 proton_experimental 2440510 GE-Proton8-25)" >"$1"
}
home_steam_flatpak() {  # no config_info: config.vdf's mapping, a custom tool named in its compatibilitytool.vdf
    local s=$h/.var/app/com.valvesoftware.Steam/.local/share/Steam
    fake_wine "$s/steamapps/common/Proton - Experimental/files" $E_PX
    fake_wine "$s/compatibilitytools.d/ge8/files" $E_GE
    printf '"compatibilitytools"\n{\n  "compat_tools"\n  {\n    "GE-Proton8-25"\n    {\n      "install_path" "."\n      "display_name" "GE-Proton8-25"\n    }\n  }\n}\n' \
        >"$s/compatibilitytools.d/ge8/compatibilitytool.vdf"
    config_vdf "$s/config/config.vdf"
    STAMP=$E_PX prefix "$s/steamapps/compatdata/400/pfx" nogame
    STAMP=$E_GE prefix "$s/steamapps/compatdata/2440510/pfx" game
    want=("$s/steamapps/compatdata/2440510/pfx" "Steam Proton" "$s/compatibilitytools.d/ge8/files" 64
          "config.vdf: the tool Steam maps to app 2440510, GE-Proton8-25")
}
home_steam_snap() {  # config_info as the sandbox wrote it: a path that is not there outside
    local s=$h/snap/steam/common/.local/share/Steam
    fake_wine "$s/steamapps/common/Proton 7.0/files" $E_P7
    STAMP=$E_P7 prefix "$s/steamapps/compatdata/2440510/pfx" game
    printf '7.0-6\n%s\n' "$h/.local/share/Steam/steamapps/common/Proton 7.0/files/share/fonts/" \
        >"$s/steamapps/compatdata/2440510/config_info"
    want=("$s/steamapps/compatdata/2440510/pfx" "Steam Proton" "$s/steamapps/common/Proton 7.0/files" 64
          "config_info: the Proton that last set it up")
}
home_lutris() {
    local r=$h/.local/share/lutris/runners/wine/lutris-7.2-2-x86_64
    fake_wine "$r" $E_L72
    STAMP=$E_L72 prefix "$h/Games/quillmere" game
    mkdir -p "$h/.config/lutris/games"
    printf 'game:\n  exe: %s\n  prefix: %s\nsystem: {}\nwine:\n  version: lutris-7.2-2-x86_64\n' \
        "$h/Games/quillmere/drive_c/Games/Quillmere/Quillmere.exe" "$h/Games/quillmere" \
        >"$h/.config/lutris/games/quillmere-1700000000.yml"
    want=("$h/Games/quillmere" Lutris "$r" 64 "wine: version lutris-7.2-2-x86_64")
}
home_lutris_flatpak_default() {  # no version in the game: runners/wine.yml's; a ~ prefix
    local d=$h/.var/app/net.lutris.Lutris/data/lutris
    fake_wine "$d/runners/wine/wine-ge-8-26-x86_64" $E_GE8
    printf 'wine:\n  version: wine-ge-8-26-x86_64\n' >"$d/runners/wine.yml"
    STAMP=$E_GE8 prefix "$h/Prefixes/quill" game
    mkdir -p "$d/games" && printf 'game:\n  prefix: ~/Prefixes/quill\n' >"$d/games/quill.yml"
    want=("$h/Prefixes/quill" Lutris "$d/runners/wine/wine-ge-8-26-x86_64" 64 "runners/wine.yml: version wine-ge-8-26-x86_64")
}
home_bottles() {
    local b=$h/.local/share/bottles
    fake_wine "$b/runners/caffe-7.20" $E_CAFFE
    STAMP=$E_CAFFE prefix "$b/bottles/Quillmere" game
    printf 'Arch: win64\nName: Quillmere\nPath: Quillmere\nRunner: caffe-7.20\n' >"$b/bottles/Quillmere/bottle.yml"
    want=("$b/bottles/Quillmere" Bottles "$b/runners/caffe-7.20" 64 "bottle.yml: Runner caffe-7.20")
}
home_bottles_flatpak_system() {  # a sys-wine runner: the system's Wine, no libraries of its own
    local b=$h/.var/app/com.usebottles.bottles/data/bottles
    STAMP=$E_SYS prefix "$b/bottles/Quillmere" game
    printf 'Runner: sys-wine-9.0\n' >"$b/bottles/Quillmere/bottle.yml"
    want=("$b/bottles/Quillmere" Bottles "$work/system" 64 "bottle.yml: Runner sys-wine-9.0" "")
}
home_heroic_wine() {
    local c=$h/.config/heroic p=$h/Games/Heroic/Prefixes/default/Quillmere
    fake_wine "$c/tools/wine/Wine-GE-Proton8-26" $E_HW
    STAMP=$E_HW prefix "$p" game
    mkdir -p "$c/GamesConfig"
    printf '{"Quillmere":{"autoInstallDxvk":true,"winePrefix":"%s","wineVersion":{"bin":"%s","name":"Wine-GE-Proton8-26","type":"wine"}},"version":"v0","explicit":true}\n' \
        "$p" "$c/tools/wine/Wine-GE-Proton8-26/bin/wine" >"$c/GamesConfig/Quillmere.json"
    want=("$p" Heroic "$c/tools/wine/Wine-GE-Proton8-26" 64 "wineVersion: $c/tools/wine/Wine-GE-Proton8-26/bin/wine")
}
home_heroic_proton_flatpak() {  # a Proton: the prefix is winePrefix/pfx, the Wine its files/
    local c=$h/.var/app/com.heroicgameslauncher.hgl/config/heroic p=$h/Games/Heroic/Prefixes/default/Quill
    fake_wine "$c/tools/proton/GE-Proton8-25/files" $E_HP
    touch "$c/tools/proton/GE-Proton8-25/proton"
    STAMP=$E_HP prefix "$p/pfx" game
    mkdir -p "$c/GamesConfig"
    printf '{\n  "Quill": {\n    "winePrefix": "%s",\n    "wineVersion": {\n      "bin": "%s",\n      "name": "Proton - GE-Proton8-25",\n      "type": "proton"\n    }\n  }\n}\n' \
        "$p" "$c/tools/proton/GE-Proton8-25/proton" >"$c/GamesConfig/Quill.json"
    want=("$p/pfx" Heroic "$c/tools/proton/GE-Proton8-25/files" 64 "wineVersion: $c/tools/proton/GE-Proton8-25/proton")
}
home_playonlinux_x86() {  # a 32-bit prefix: the i386 program
    local p=$h/.PlayOnLinux
    fake_wine "$p/wine/linux-x86/4.0.3" $E_POL4
    ARCH=win32 STAMP=$E_POL4 prefix "$p/wineprefix/Quillmere" game64  # a 32-bit registry has one view
    printf 'PLAYONLINUX_VERSION=4.4\nARCH=x86\nVERSION=4.0.3\n' >"$p/wineprefix/Quillmere/playonlinux.cfg"
    want=("$p/wineprefix/Quillmere" PlayOnLinux "$p/wine/linux-x86/4.0.3" 32 "playonlinux.cfg: VERSION 4.0.3, ARCH x86")
}
home_playonlinux_amd64() {
    local p=$h/.PlayOnLinux
    fake_wine "$p/wine/linux-x86/5.0.3" $E_POL4  # the same version for the other architecture: not this one
    fake_wine "$p/wine/linux-amd64/5.0.3" $E_POL5
    STAMP=$E_POL5 prefix "$p/wineprefix/Quillmere" game
    printf 'ARCH=amd64\r\nVERSION=5.0.3\r\n' >"$p/wineprefix/Quillmere/playonlinux.cfg"
    want=("$p/wineprefix/Quillmere" PlayOnLinux "$p/wine/linux-amd64/5.0.3" 64 "playonlinux.cfg: VERSION 5.0.3, ARCH amd64")
}
home_wine() {
    STAMP=$E_SYS prefix "$h/.wine" game
    want=("$h/.wine" Wine "$work/system" 64 "the system's Wine" "")
}
home_stamp_matches_a_runner() {  # a guessed prefix: no record, the runner whose wine.inf has its stamp
    fake_wine "$h/.local/share/lutris/runners/wine/lutris-7.2-2-x86_64" $E_L72
    STAMP=$E_L72 prefix "$h/Games/quillmere" game
    want=("$h/Games/quillmere" Lutris "$h/.local/share/lutris/runners/wine/lutris-7.2-2-x86_64" 64
          "its wine.inf time matches the prefix's stamp: lutris-7.2-2-x86_64 (Lutris)")
}

kinds=(home_steam_native home_steam_flatpak home_steam_snap home_lutris home_lutris_flatpak_default home_bottles
       home_bottles_flatpak_system home_heroic_wine home_heroic_proton_flatpak home_playonlinux_x86
       home_playonlinux_amd64 home_wine home_stamp_matches_a_runner)
for name in "${kinds[@]}"; do
    h=$work/$name
    mkdir -p "$h"
    "$name"
    before=$(snapshot "$h")
    check "$name" "${want[@]}"
    expect "$name: the home is left as it was" "$before" "$(snapshot "$h")"
done

# --- The mapping's fallback, and what prefix --all says of each candidate ----------------------
h=$work/home_steam_flatpak
s=$h/.var/app/com.valvesoftware.Steam/.local/share/Steam
HOME=$h "$cli" prefix --all >"$work/all" 2>&1 || fail "prefix --all: exit $?"
has "--all: the game's prefix, its Wine, its verdict" "Steam Proton $s/steamapps/compatdata/2440510/pfx
  wine: $s/compatibilitytools.d/ge8/files (config.vdf: the tool Steam maps to app 2440510, GE-Proton8-25)
  verdict: holds the game; its Wine leaves the prefix as it is" "$(cat "$work/all")"
has "--all: Steam's default tool for other apps" "Steam Proton $s/steamapps/compatdata/400/pfx
  wine: $s/steamapps/common/Proton - Experimental/files (config.vdf: the tool Steam maps to app 400, proton_experimental)
  verdict: passed over: no Quillmere registry key" "$(cat "$work/all")"
has "--all: the Wines found" "  $s/steamapps/common/Proton - Experimental/files (Proton - Experimental (Steam))" "$(cat "$work/all")"

# --- Damaged records of each kind: each candidate skipped with its line, the search goes on ------
h=$work/home_damaged
mkdir -p "$h"
s=$h/.local/share/Steam
STAMP=$E_SYS prefix "$h/.wine" game                            # where the search ends
prefix "$s/steamapps/compatdata/10/pfx" game
printf '8.0-104' >"$s/steamapps/compatdata/10/config_info"          # one line only
prefix "$s/steamapps/compatdata/20/pfx" game
printf '8.0-104\n/nowhere/Proton 8.0/files/share/fonts/\n' >"$s/steamapps/compatdata/20/config_info"
prefix "$s/steamapps/compatdata/30/pfx" game                   # no config_info: config.vdf, cut short
mkdir -p "$s/config" && printf '"InstallConfigStore"\n{\n\t"Software"\n\t{\n' >"$s/config/config.vdf"
mkdir -p "$h/.config/lutris/games" "$h/.local/share/lutris/runners/wine/lutris-8/bin"
printf 'game:\n  prefix: [%s\n' "$h/Games/a" >"$h/.config/lutris/games/a.yml"
printf 'game:\n  prefix: %s\nwine:\n  version: lutris-8\n' "$h/Games/b" >"$h/.config/lutris/games/b.yml"
printf 'game:\n  prefix: %s\nwine:\n  version: ../../elsewhere\n' "$h/Games/a" >"$h/.config/lutris/games/c.yml"
printf 'game:\n  exe: /usr/bin/true\n' >"$h/.config/lutris/games/d.yml"     # a native game
prefix "$h/Games/a" game && prefix "$h/Games/b" game           # reached again as guesses, without their records
prefix "$h/.local/share/bottles/bottles/q" game
printf 'Name: q\nRunner: {a: b}\n' >"$h/.local/share/bottles/bottles/q/bottle.yml"
mkdir -p "$h/.config/heroic/GamesConfig"
printf '{"Quill": {"winePrefix": "%s", ' "$h/Heroic/Quill" >"$h/.config/heroic/GamesConfig/Quill.json"
printf '{"Other": {"winePrefix": "%s", "wineVersion": {"bin": "/x/wine", "type": "crossover"}}}' "$h/Heroic/Other" \
    >"$h/.config/heroic/GamesConfig/Other.json"
prefix "$h/.PlayOnLinux/wineprefix/q" game
printf 'ARCH=sparc\nVERSION=4.0.3\n' >"$h/.PlayOnLinux/wineprefix/q/playonlinux.cfg"
prefix "$h/.PlayOnLinux/wineprefix/r" game
printf 'VERSION 4.0.3\n' >"$h/.PlayOnLinux/wineprefix/r/playonlinux.cfg"
before=$(snapshot "$h")
HOME=$h PATH="$work/pathbin:$PATH" "$cli" prefix --all >"$work/all" 2>&1 || fail "damaged: prefix --all exit $?"
skipped=$(grep '^skipped ' "$work/all" || true)
expect "damaged: each record's line" "skipped $s/steamapps/compatdata/10/config_info: it has no second line
skipped $s/steamapps/compatdata/20/config_info: it names /nowhere/Proton 8.0/files, which is no Wine installation
skipped $s/config/config.vdf: a block is not closed
skipped $h/.config/lutris/games/a.yml: not YAML: did not find expected ',' or ']' on line 3
skipped $h/.config/lutris/games/b.yml: its Wine $h/.local/share/lutris/runners/wine/lutris-8 is no Wine installation (no bin/wine and share/wine/wine.inf)
skipped $h/.config/lutris/games/c.yml: wine: version '../../elsewhere' names no folder
skipped $h/.config/lutris/games/d.yml: it names no game: prefix (not a Wine game)
skipped $h/.local/share/bottles/bottles/q/bottle.yml: it names no Runner
skipped $h/.config/heroic/GamesConfig/Other.json: its wineVersion's type 'crossover' is not run here
skipped $h/.config/heroic/GamesConfig/Quill.json: not JSON
skipped $h/.PlayOnLinux/wineprefix/q/playonlinux.cfg: ARCH 'sparc' is neither x86 nor amd64
skipped $h/.PlayOnLinux/wineprefix/r/playonlinux.cfg: line 1 is no KEY=VALUE" "$skipped"
has "damaged: the search goes on to ~/.wine" "Wine $h/.wine
  wine: $work/system (the system's Wine)
  verdict: holds the game; its Wine leaves the prefix as it is" "$(cat "$work/all")"
has "damaged: a guess has no Wine of its own" "Lutris $h/Games/a
  wine: none known: no record of its launcher names its Wine
  verdict: holds the game; no Wine of its own is known" "$(cat "$work/all")"
launch "$h" --dry-run || true
has "damaged: the launcher starts in ~/.wine" "prefix: $h/.wine (Wine)" "$(out)"
expect "damaged: the home is left as it was" "$before" "$(snapshot "$h")"

# --- The prefix as the player names it --------------------------------------------------------
h=$work/home_wine
(cd "$h" && launch "$h" --dry-run --prefix .wine) || true
has "relative --prefix made absolute" "prefix: $h/.wine (Wine)" "$(out)"
launch "$h" --dry-run --prefix '~/.wine/' || true
has "~ --prefix made absolute" "prefix: $h/.wine (Wine)" "$(out)"
h=$work/home_steam_native
launch "$h" --dry-run "--prefix=$h/lib2/steamapps/compatdata/2440510/pfx" || true
has "a named Proton prefix keeps its Proton" "wine: $h/.steam/steam/steamapps/common/Proton 8.0/files/bin/wine (config_info" "$(out)"
rc=0; launch "$h" --prefix "$h/lib2" || rc=$?
expect "--prefix without system.reg: exit" 1 "$rc"
has "--prefix without system.reg" "Vexillor: $h/lib2 is"$'\n'"not a Wine prefix (it has no system.reg)." "$(out)"
[ -e "$record" ] && fail "--prefix without system.reg: Wine started"
rc=0
env -u WINEDEBUG -u DISPLAY HOME=$work/home_empty WINEPREFIX="$work/home_wine/.wine" PATH="$work/pathbin:$PATH" \
    "$stage/usr/bin/vexillor" --dry-run >"$work/out" 2>&1 || rc=$?
expect "WINEPREFIX: exit" 0 "$rc"
has "WINEPREFIX names the prefix" "prefix: $work/home_wine/.wine (Wine)" "$(out)"

# --- Manners: the player's WINEDEBUG, --version, a Wine that cannot start ---------------------
h=$work/home_wine
rm -f "$record"
env -u DISPLAY HOME="$h" WINEDEBUG=warn+all PATH="$work/pathbin:$PATH" "$stage/usr/bin/vexillor" >/dev/null 2>&1 || true
has "the player's WINEDEBUG is kept" "WINEDEBUG=warn+all" "$(cat "$record")"
launch "$h" --version || true
expect "--version" "vexillor $(sed -n 's/^project(vexillor VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")" "$(out)"
h=$work/home_steam_native
rc=0; FAKE_WINE_STATUS=127 launch "$h" || rc=$?
expect "a Wine that cannot start: exit" 127 "$rc"
has "a Wine that cannot start: said" "could not start here (exit status 127)" "$(out)"
has "a Wine that cannot start: the way out" "'vexillor-cli install' writes a banner with no Wine at all." "$(out)"

# --- Refusals: a prefix stamped by a Wine that is not here ------------------------------------
lines_fit() {  # NAME TEXT: no line longer than 72 columns
    checks=$((checks + 1))
    local long; long=$(awk 'length > 72' <<<"$2")
    [ -z "$long" ] || fail "$1: lines over 72 columns:"$'\n'"$long"
}
h=$work/home_refused
mkdir -p "$h"
STAMP=1111111111 prefix "$h/.wine" game
fake_wine "$work/other" 1111111111
mkdir -p "$work/nowine/bin" && touch "$work/nowine/bin/wine"
before=$(snapshot "$h")
rc=0; launch "$h" || rc=$?
expect "refused: exit" 1 "$rc"
[ -e "$record" ] && fail "refused: Wine started"
expect "refused: the message" "Vexillor will not start Wine in the Wine prefix
  $h/.wine (Wine)
Every Wine at hand would update that prefix, as Wine does when its stamp
(.update-timestamp: 1111111111) is not its own wine.inf time, and an
update can break the game.
Its own Wine (the system's Wine):
  $work/system: wine.inf time $E_SYS
No Wine found here has the stamp's time: the Wine that made it is not
here.
Wines found:
  $work/system (the system's Wine):
  wine.inf time $E_SYS
Ways out:
- 'vexillor-cli install' writes a banner with no Wine at all.
- 'vexillor --wine DIR' starts the Wine installation DIR instead.
- 'vexillor --update-prefix' lets that Wine update the prefix." "$(out)"
lines_fit "refused" "$(out)"
rc=0; launch "$h" --dry-run || rc=$?
expect "refused, dry run: exit" 1 "$rc"
has "refused, dry run: the same refusal" "Ways out:" "$(out)"
launch "$h" --dry-run --update-prefix || true
has "--update-prefix: the system's Wine, said" "wine: $work/system/bin/wine (the system's Wine; with --update-prefix it updates the prefix)" "$(out)"
launch "$h" --update-prefix || true
has "--update-prefix: started" "wine=$work/system/bin/wine" "$(cat "$record" 2>/dev/null)"
launch "$h" --wine "$work/other" || true
has "--wine with the prefix's time: started" "wine=$work/other/bin/wine" "$(cat "$record" 2>/dev/null)"
launch "$h" --dry-run --wine "$work/other/" || true
has "--wine: said" "wine: $work/other/bin/wine (named with --wine)" "$(out)"
rc=0; launch "$h" --wine "$work/nowine" || rc=$?
expect "--wine that is no installation: exit" 1 "$rc"
has "--wine that is no installation" "--wine $work/nowine is no Wine"$'\n'"installation (it needs bin/wine and share/wine/wine.inf)." "$(out)"
rc=0; launch "$h" --wine "$work/home_lutris/.local/share/lutris/runners/wine/lutris-7.2-2-x86_64" || rc=$?
expect "--wine with another time: exit" 1 "$rc"
has "--wine with another time: said" "The Wine named with --wine:" "$(out)"
expect "refused: the home is left as it was" "$before" "$(snapshot "$h")"
h=$work/home_stamp_matches_a_runner
rc=0; launch "$h" --wine "$work/system" || rc=$?
expect "made by: exit" 1 "$rc"
has "made by: the runner with the stamp's time" "Made by, as its wine.inf time matches the stamp:
  $h/.local/share/lutris/runners/wine/lutris-7.2-2-x86_64 (lutris-7.2-2-x86_64
  (Lutris))" "$(out)"

h=$work/home_empty
mkdir -p "$h"
rc=0; launch "$h" || rc=$?
expect "no prefix: exit" 1 "$rc"
expect "no prefix: the message" "Vexillor found no Wine prefix with Quillmere installed. It looked for
the prefixes of Steam's Proton, Lutris, Bottles, Heroic and PlayOnLinux,
and in ~/.wine and ~/Games.
Ways out:
- 'vexillor --prefix DIR' starts it in the Wine prefix DIR.
- 'vexillor-cli install' writes a banner with no Wine at all (with
  WINEPREFIX set to the prefix).
- 'vexillor-cli prefix --all' says why each prefix was passed over." "$(out)"
lines_fit "no prefix" "$(out)"
[ -e "$record" ] && fail "no prefix: Wine started"

# --- Beside the running game: a wineserver holding its lock -----------------------------------
# hold WINESERVER PREFIX: WINESERVER (a copy of Python standing in for a server's binary) holds the
# fcntl lock in PREFIX's socket folder as Wine's server does.
hold() {
    local dev ino
    read -r dev ino < <(stat -c '%d %i' "$2")
    mkdir -p -m 0700 "/tmp/.wine-$(id -u)"
    server_dir=/tmp/.wine-$(id -u)/$(printf 'server-%x-%x' "$dev" "$ino")
    mkdir -m 0700 "$server_dir"
    rm -f "$work/held"
    "$1" -c 'import fcntl, sys, time
f = open(sys.argv[1], "a+"); fcntl.lockf(f, fcntl.LOCK_EX); open(sys.argv[2], "w").close(); time.sleep(300)' \
        "$server_dir/lock" "$work/held" &
    holder=$!
    for _ in $(seq 100); do [ -e "$work/held" ] && return 0; sleep 0.05; done
    fail "the fake wineserver did not take its lock"
}
release() { kill "$holder"; wait "$holder" 2>/dev/null || true; holder=; rm -rf "$server_dir"; server_dir=; }
h=$work/home_refused   # stamped by a Wine that is not among the Wines found
fake_wine "$work/running" 1111111111
python=$(readlink -f /usr/bin/python3)  # Debian's binary itself: a shim would run by its name
cp "$python" "$work/running/bin/wineserver"
hold "$work/running/bin/wineserver" "$h/.wine"
launch "$h" --dry-run || true
has "a running wineserver: its Wine" "wine: $work/running/bin/wine (the Wine of the wineserver that serves the prefix now (process $holder))" "$(out)"
rc=0; launch "$h" --wine "$work/other" || rc=$?
expect "a running wineserver and another --wine: exit" 1 "$rc"
has "a running wineserver and another --wine" "close the game first, or leave out --wine" "$(out)"
release
hold "$python" "$h/.wine"
rc=0; launch "$h" || rc=$?
expect "a lock whose owner is no wineserver: exit" 1 "$rc"
has "a lock whose owner is no wineserver" "close the game first" "$(out)"
[ -e "$record" ] && fail "a lock whose owner is no wineserver: Wine started"
release
expect "the running game's prefix is left as it was" "$before" "$(snapshot "$h")"

[ $failures -eq 0 ] && echo "launcher: ${#kinds[@]} kinds of home, $checks checks passed"
exit $((failures > 0))
