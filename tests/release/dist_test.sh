#!/usr/bin/env bash
# The release artifacts as a player gets them, without Wine: the zips' members, their programs'
# processor, imports, manifest and version blocks, the Debian package (lintian, contents, depends, the CLI inside it, its manual pages
# and completion against --help, the launcher when no prefix holds the game), and, given a
# second independent build, equal checksums.
# Usage: dist_test.sh DIST [SECOND_DIST]
set -euo pipefail
dist=$(cd "$1" && pwd) second=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/vexillor-dist-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() { [ "$2" = "$3" ] || fail "$1"$'\n--- expected\n'"$2"$'\n--- got\n'"$3"; }

version=$(sed -n 's/^project(vexillor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip=$dist/vexillor-$version-windows-x64.zip zip32=$dist/vexillor-$version-windows-x86.zip
setup=$dist/vexillor-$version-setup.exe deb=$dist/vexillor_${version}-1_amd64.deb

# --- checksums ---
expect "SHA256SUMS names the four artifacts" \
    "$(printf '%s\n' "$(basename "$zip")" "$(basename "$zip32")" "$(basename "$setup")" "$(basename "$deb")")" \
    "$(awk '{print $2}' "$dist/SHA256SUMS")"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the files"
if [ -n "$second" ]; then
    if cmp -s "$dist/SHA256SUMS" "$second/SHA256SUMS"; then
        echo "reproducible: two builds give the same SHA256SUMS"
    else
        fail "two builds differ:"$'\n'"$(diff "$dist/SHA256SUMS" "$second/SHA256SUMS")"
    fi
fi

# --- the zips ---
# check_zip ZIP DIR PE MANIFEST: ZIP unpacked into DIR holds the two programs for the processor
# that `file` calls PE ("PE32+ executable (GUI) x86-64") and the manifest calls MANIFEST, with
# their version blocks, and the documents.
check_zip() {
    local zip=$1 dir=$2 pe=$3 manifest=$4 exe f kind text pair
    expect "$(basename "$zip"): members" \
        "$(for f in LICENSE.txt README.txt vexillor-cli.exe vexillor.exe; do echo "vexillor-$version/$f"; done)" \
        "$(unzip -Z1 "$zip")"
    unzip -q "$zip" -d "$dir"
    for exe in vexillor vexillor-cli; do
        f=$dir/vexillor-$version/$exe.exe kind=GUI
        [ $exe = vexillor ] || kind=console
        expect "$(basename "$zip"): $exe.exe" "${pe/GUI/$kind}, for MS Windows" \
            "$(file -b "$f" | sed 's/, [0-9]* sections$//')"
        # The C and C++ runtimes linked in: nothing to load but Windows' own DLLs.
        expect "$(basename "$zip"): $exe.exe imports only Windows' DLLs" "" \
            "$(objdump -p "$f" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' |
               grep -vxE '(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|MSVCRT|OLE32|SHELL32|USER32)\.DLL' || true)"
        # The version block, as UTF-16 strings: each name followed by its value.
        text=$(strings -n 3 -el "$f" | tr '\n' '|')
        for pair in "ProductName|Vexillor" "ProductVersion|$version" "FileVersion|$version" \
                    "CompanyName|Vexillor developers" "OriginalFilename|$exe.exe" \
                    "LegalCopyright|Copyright (c) 2026 Vexillor developers, MIT License"; do
            [[ $text == *"|$pair|"* ]] || fail "$(basename "$zip"): $exe.exe: no version string $pair"
        done
        [[ $text == *"|FileDescription|"* ]] || fail "$(basename "$zip"): $exe.exe: no FileDescription"
    done
    grep -q "name=\"Vexillor\" version=\"[0-9.]*\" processorArchitecture=\"$manifest\"" \
        "$dir/vexillor-$version/vexillor.exe" || fail "$(basename "$zip"): the manifest names no $manifest"
}
check_zip "$zip" "$work/zip" "PE32+ executable (GUI) x86-64" amd64
check_zip "$zip32" "$work/zip32" "PE32 executable (GUI) Intel 80386" x86
z=$work/zip/vexillor-$version
for f in README.txt LICENSE.txt; do
    cmp -s "$z/$f" "$work/zip32/vexillor-$version/$f" || fail "the two zips carry different $f"
    lines=$(wc -l <"$z/$f") crlf=$(grep -c $'\r$' "$z/$f" || true)
    [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] || fail "$f: $crlf of $lines lines end in CR LF"
done
for heading in "Using Vexillor" "Pictures Vexillor accepts" "Making a banner" "Messages" "The command line" "Installing"; do
    grep -q "^$heading"$'\r$' "$z/README.txt" || fail "README.txt has no section '$heading'"
done
for gone in "Building and testing" "build.sh test" "Making a release" "docs/"; do
    ! grep -q "$gone" "$z/README.txt" || fail "README.txt still holds developer text: $gone"
done
grep -q '^MIT License' "$z/LICENSE.txt" || fail "LICENSE.txt is not the MIT license"

# --- the Debian package ---
lint=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
echo "lintian: ${lint:-(nothing reported)}"
! grep -qE '^[EW]:' <<<"$lint" || fail "lintian reports errors or warnings"
expect "deb contents" "$(cat <<LIST
drwxr-xr-x ./
drwxr-xr-x ./usr/
drwxr-xr-x ./usr/bin/
-rwxr-xr-x ./usr/bin/vexillor
-rwxr-xr-x ./usr/bin/vexillor-cli
drwxr-xr-x ./usr/lib/
drwxr-xr-x ./usr/lib/vexillor/
drwxr-xr-x ./usr/lib/vexillor/i386/
-rw-r--r-- ./usr/lib/vexillor/i386/vexillor.exe
-rw-r--r-- ./usr/lib/vexillor/vexillor.exe
drwxr-xr-x ./usr/share/
drwxr-xr-x ./usr/share/applications/
-rw-r--r-- ./usr/share/applications/vexillor.desktop
drwxr-xr-x ./usr/share/bash-completion/
drwxr-xr-x ./usr/share/bash-completion/completions/
-rw-r--r-- ./usr/share/bash-completion/completions/vexillor-cli
drwxr-xr-x ./usr/share/doc/
drwxr-xr-x ./usr/share/doc/vexillor/
-rw-r--r-- ./usr/share/doc/vexillor/changelog.Debian.gz
-rw-r--r-- ./usr/share/doc/vexillor/copyright
drwxr-xr-x ./usr/share/icons/
drwxr-xr-x ./usr/share/icons/hicolor/
drwxr-xr-x ./usr/share/icons/hicolor/16x16/
drwxr-xr-x ./usr/share/icons/hicolor/16x16/apps/
-rw-r--r-- ./usr/share/icons/hicolor/16x16/apps/vexillor.png
drwxr-xr-x ./usr/share/icons/hicolor/32x32/
drwxr-xr-x ./usr/share/icons/hicolor/32x32/apps/
-rw-r--r-- ./usr/share/icons/hicolor/32x32/apps/vexillor.png
drwxr-xr-x ./usr/share/icons/hicolor/48x48/
drwxr-xr-x ./usr/share/icons/hicolor/48x48/apps/
-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/vexillor.png
drwxr-xr-x ./usr/share/lintian/
drwxr-xr-x ./usr/share/lintian/overrides/
-rw-r--r-- ./usr/share/lintian/overrides/vexillor
drwxr-xr-x ./usr/share/man/
drwxr-xr-x ./usr/share/man/man1/
-rw-r--r-- ./usr/share/man/man1/vexillor-cli.1.gz
-rw-r--r-- ./usr/share/man/man1/vexillor.1.gz
LIST
)" "$(dpkg-deb -c "$deb" | awk '{print $1, $2 == "root/root" ? $6 : "OWNER:" $2 " " $6}')"
expect "deb fields" "vexillor $version-1 amd64 wine" \
    "$(dpkg-deb -f "$deb" Package Version Architecture Recommends | sed 's/^[^:]*: //' | tr '\n' ' ' | sed 's/ $//')"
dpkg-deb -x "$deb" "$work/deb"
cmp -s "$work/deb/usr/lib/vexillor/vexillor.exe" "$z/vexillor.exe" || fail "the .deb and the x64 zip carry different vexillor.exe"
cmp -s "$work/deb/usr/lib/vexillor/i386/vexillor.exe" "$work/zip32/vexillor-$version/vexillor.exe" ||
    fail "the .deb and the x86 zip carry different 32-bit vexillor.exe"
desktop-file-validate "$work/deb/usr/share/applications/vexillor.desktop" || fail "desktop file"
for size in 16 32 48; do
    file "$work/deb/usr/share/icons/hicolor/${size}x$size/apps/vexillor.png" | grep -q "PNG image data, $size x $size" ||
        fail "icon ${size}x$size"
done

# Depends: one entry for the package of every library the CLI loads, and nothing else.
cli=$work/deb/usr/bin/vexillor-cli
needed=$(objdump -p "$cli" | awk '/NEEDED/ {print $2}')
# The amd64 copy of each (a machine may also carry libc6-i386's /lib32/libm.so.6, say).
want=$(for lib in $needed; do dpkg -S "*/x86_64-linux-gnu/$lib" 2>/dev/null | head -1 | cut -d: -f1 | cut -d, -f1; done | sort -u)
have=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort -u)
expect "Depends names the packages of the libraries the CLI loads" "$want" "$have"

# The CLI from the package runs.
expect "packaged CLI --version" "vexillor-cli $version" "$("$cli" --version)"
"$cli" check "$root/tests/image/fixtures/im_bmp3_pal16_32.bmp" >/dev/null || fail "packaged CLI: check of a good picture"

# Every command --help lists is in both manual pages and the completion, and no other.
commands=$("$cli" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {on = 0}' | sort)
[ -n "$commands" ] || fail "no commands in --help"
expect "man page commands" "$commands" \
    "$(zcat "$work/deb/usr/share/man/man1/vexillor-cli.1.gz" | sed -n 's/^\.BI\{0,1\} \([a-z]*\).*/\1/p' | sort -u | grep -xF "$commands" ; true)"
expect "man page synopsis" "$commands" \
    "$(zcat "$work/deb/usr/share/man/man1/vexillor-cli.1.gz" | sed -n '/^\.SH SYNOPSIS/,/^\.SH DESCRIPTION/s/^\.B vexillor-cli \([a-z]*\)$/\1/p' | sort)"
expect "completion commands" "$commands" \
    "$(sed -n 's/^ *local commands="\(.*\)"/\1/p' "$work/deb/usr/share/bash-completion/completions/vexillor-cli" | tr ' ' '\n' | grep -v '^-' | sort)"
# And every option of every command is described in the manual page and offered by the completion.
manual=$(zcat "$work/deb/usr/share/man/man1/vexillor-cli.1.gz" | LC_ALL=C.UTF-8 MANWIDTH=200 man -l - 2>/dev/null)
completion=$(cat "$work/deb/usr/share/bash-completion/completions/vexillor-cli")
for command in $commands; do
    for option in $("$cli" "$command" --help | sed -n '/^Options:/,/^$/s/^  \(-[-a-z]*\).*/\1/p' | grep -vx -- '-h'); do
        grep -qw -- "$option" <<<"$manual" || fail "man page: no $option of $command"
        grep -qw -- "$option" <<<"$completion" || fail "completion: no $option of $command"
    done
done
for page in vexillor vexillor-cli; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/deb/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man $page: $out"
done

# The launcher with no prefix anywhere: says where it looked and how to choose one, exits 1,
# writes nothing, never starts Wine.
home=$work/home bin=$work/fakebin
mkdir -p "$home" "$bin"
printf '#!/bin/sh\necho "wine started" >>"%s/wine-ran"\n' "$work" >"$bin/wine" && chmod +x "$bin/wine"
launch() { env -i HOME="$home" PATH="$bin:/usr/bin:/bin" "$work/deb/usr/bin/vexillor" "$@"; }
rc=0; msg=$(launch 2>&1 </dev/null) || rc=$?
expect "launcher without a prefix: exit" 1 "$rc"
for part in "found no Wine prefix with Quillmere" "$home/.wine" "$home/.local/share/bottles/bottles/*" \
            "vexillor --prefix" "WINEPREFIX"; do
    [[ $msg == *"$part"* ]] || fail "launcher message lacks '$part':"$'\n'"$msg"
done
# Started from the menu (no terminal, a display): the same text in a window too.
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/zenity-said"\n' "$work" >"$bin/zenity" && chmod +x "$bin/zenity"
env -i HOME="$home" PATH="$bin:/usr/bin:/bin" DISPLAY=:99 "$work/deb/usr/bin/vexillor" >/dev/null 2>&1 </dev/null || true
grep -q "found no Wine prefix with Quillmere" "$work/zenity-said" 2>/dev/null ||
    fail "started from the menu, the launcher showed no message window"
grep -qx -- "--error" "$work/zenity-said" 2>/dev/null || fail "the message window is no error dialog"
rm -f "$bin/zenity"
rc=0; msg=$(launch --prefix "$work/nothing-here" 2>&1) || rc=$?
expect "launcher, --prefix without system.reg: exit" 1 "$rc"
[[ $msg == *"is not a Wine prefix"* ]] || fail "launcher --prefix message: $msg"
rc=0; launch --bogus >/dev/null 2>&1 || rc=$?
expect "launcher, unknown argument: exit" 2 "$rc"
expect "nothing written by the launcher" "" "$(find "$home" "$work/nothing-here" -mindepth 1 2>/dev/null)"
[ ! -e "$work/wine-ran" ] || fail "the launcher started Wine without a prefix"
# With a prefix it hands the packaged program to Wine in that prefix.
mkdir -p "$work/pfx" && : >"$work/pfx/system.reg"
printf '#!/bin/sh\necho "$WINEPREFIX $*"\n' >"$bin/wine"
expect "launcher starts wine" "$work/pfx $work/deb/usr/lib/vexillor/vexillor.exe" \
    "$(launch --prefix "$work/pfx")"
expect "launcher takes WINEPREFIX" "$work/pfx $work/deb/usr/lib/vexillor/vexillor.exe" \
    "$(env -i HOME="$home" PATH="$bin:/usr/bin:/bin" WINEPREFIX="$work/pfx" "$work/deb/usr/bin/vexillor")"

# Without either, the prefix the search finds: here ~/.wine of a home that holds the game.
mkdir -p "$home/.wine/drive_c/Games" "$home/.wine/dosdevices" && ln -s ../drive_c "$home/.wine/dosdevices/c:"
printf '%s\n' 'WINE REGISTRY Version 2' '#arch=win64' \
    '[Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem] 1700000000' \
    '"OutputDir"="C:\\Games\\Quillmere\\"' >"$home/.wine/system.reg"
python3 "$root/tools/make_demo_install.py" "$home/.wine/drive_c/Games/Quillmere" >/dev/null
expect "launcher finds the prefix" "$home/.wine $work/deb/usr/lib/vexillor/vexillor.exe" "$(launch)"

[ $failures -eq 0 ] && echo "release artifacts: all checks passed"
exit $((failures > 0))
