#!/usr/bin/env bash
# The release artifacts as a player gets them, without Wine: the zips' members, their programs'
# processor, imports, manifest, version blocks and icons, the players' guide, the Debian package
# (lintian, contents, depends, the CLI inside it, its manual pages and its bash, zsh and fish
# completions against --help, the launcher when no prefix holds the game), and, given a second
# independent build, equal checksums.
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

# The players' guide: UTF-8 with a byte-order mark (older Notepads read it as such), every
# chapter in its list of contents, the window program's messages word for word, no build or
# package text, and no sentence that ends on a colon with nothing after it (where a picture
# stood in the project's README).
check_guide() {
    local guide=$1 text
    [ "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$guide has no byte-order mark"
    text=$(tail -c +4 "$guide" | tr -d '\r')
    local chapters
    chapters=$(awk '/^=+$/ && prev ~ /^[0-9]+\. / {print prev} {prev = $0}' <<<"$text")
    expect "guide chapters" "$(printf '%s\n' "1. What Vexillor does" "2. Pictures Vexillor takes" \
        "3. Making a banner" "4. Destroyed banners" "5. Messages" "6. The command line" \
        "7. Installing and uninstalling")" "$chapters"
    expect "guide contents" "$chapters" "$(sed -n 's/^-   \([0-9]\+\. \)/\1/p' <<<"$text" | head -7)"
    local id line
    for id in IDS_NOT_A_BITMAP IDS_INVALID_FORMAT IDS_CONVERTED IDS_CONVERSION_FAILED; do
        while IFS= read -r line; do
            grep -qxF -- "    $line" <<<"$text" || fail "guide: no message line '$line'"
        done < <(sed -n "s/^ *X($id, \"\(.*\)\") \\\\\$/\1/p" "$root/resources/string_texts.h" |
                 sed "s/%s/…/g; s/\\\\n/\n/g")
    done
    local words
    words=$(grep -n -i -o -w -E 'build\.sh|apt|apt-get|sudo|deb|dpkg|man|linux|wine|debian|ubuntu|cmake|pandoc|make-dist' <<<"$text" || true)
    [ -z "$words" ] || fail "guide: build or package words:"$'\n'"$words"
    local dangling
    # A paragraph that ends on a colon must lead into something indented deeper than itself,
    # or, standing on its own, into a list; a colon at the end of a line inside a paragraph is
    # only where the text wrapped.
    dangling=$(awk 'function depth(s) { match(s, /^ */); return RLENGTH }
                    function item(s) { return s ~ /^ *(-|[0-9]+\.) / }
                    pending && NF {
                        if (depth($0) <= depth(first_of_pending) && (item(first_of_pending) || !item($0)))
                            print pending
                        pending = ""
                    }
                    !NF && last ~ /:$/ { pending = lastno ": " last; first_of_pending = first }
                    NF && !inpara { first = $0 }
                    { inpara = NF > 0 }
                    NF { last = $0; lastno = NR }
                    END { if (pending || last ~ /:$/) print (pending ? pending : lastno ": " last) }' <<<"$text")
    [ -z "$dangling" ] || fail "guide: sentences end on a colon that leads nowhere:"$'\n'"$dangling"
    [[ $text == *"/D= must come last, and it takes"*"no quotes"* ]] || fail "guide: /D= not said to come last, unquoted"
}

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
check_guide "$z/README.txt"
grep -q '^MIT License' "$z/LICENSE.txt" || fail "LICENSE.txt is not the MIT license"

# --- the icons, read back with icoutils ---
# Explorer shows a program's first icon group: the shell icon, true colour with alpha at every
# size it asks for. The window keeps group 103 exactly as it was drawn.
shell_icon=$(printf -- '--icon --index=%d --width=%d --height=%d --bit-depth=32 --palette-size=0\n' \
    1 16 16 2 24 24 3 32 32 4 48 48 5 256 256)
icon_list() {  # EXE GROUP: the group's images as icotool lists them, smallest first
    rm -f "$work/group.ico"
    wrestool -x --type=14 --name="$2" "$1" -o "$work/group.ico" 2>/dev/null &&
        icotool -l "$work/group.ico" | sed 's/--index=[0-9]* //' | sort -t= -k2,2n -k4,4n |
        awk '{sub(/^--icon /, "--icon --index=" NR " "); print}'
}
expect "vexillor.exe icon groups, in Explorer's order" "$(printf '%s\n' 100 103)" \
    "$(wrestool -l --type=14 "$z/vexillor.exe" | sed -n 's/.*--name=\([0-9]*\).*/\1/p')"
expect "vexillor.exe icon group 100" "$shell_icon" "$(icon_list "$z/vexillor.exe" 100)"
expect "vexillor.exe icon group 103" "$(printf -- '--icon --index=%d --width=%d --height=%d --bit-depth=%d --palette-size=%d\n' \
    1 16 16 4 16  2 32 32 4 16  3 32 32 8 256  4 48 48 4 16  5 48 48 8 256)" "$(icon_list "$z/vexillor.exe" 103)"
problems=$(/usr/bin/python3 "$root/tests/release/same_icon_group.py" "$z/vexillor.exe" 103 "$root/resources/vexillor.ico" 1) ||
    fail "vexillor.exe icon group 103 is not the one drawn: $problems"
problems=$(/usr/bin/python3 "$root/tests/release/same_icon_group.py" "$z/vexillor.exe" 100 "$root/resources/vexillor-shell.ico" 6) ||
    fail "vexillor.exe icon group 100 is not resources/vexillor-shell.ico: $problems"
[ "$(wrestool -x --raw --type=3 --name=10 "$z/vexillor.exe" | head -c 4 | od -An -c | tr -d ' ')" = '211PNG' ] ||
    fail "vexillor.exe: the 256-pixel image is not PNG-compressed"
expect "vexillor-cli.exe icon" "$shell_icon" "$(icon_list "$z/vexillor-cli.exe" 100)"
expect "32-bit vexillor.exe icon" "$shell_icon" "$(icon_list "$work/zip32/vexillor-$version/vexillor.exe" 100)"
expect "setup icon" "$shell_icon" "$(icon_list "$setup" 103)"

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
drwxr-xr-x ./usr/share/fish/
drwxr-xr-x ./usr/share/fish/vendor_completions.d/
-rw-r--r-- ./usr/share/fish/vendor_completions.d/vexillor-cli.fish
drwxr-xr-x ./usr/share/icons/
drwxr-xr-x ./usr/share/icons/hicolor/
drwxr-xr-x ./usr/share/icons/hicolor/16x16/
drwxr-xr-x ./usr/share/icons/hicolor/16x16/apps/
-rw-r--r-- ./usr/share/icons/hicolor/16x16/apps/vexillor.png
drwxr-xr-x ./usr/share/icons/hicolor/256x256/
drwxr-xr-x ./usr/share/icons/hicolor/256x256/apps/
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/vexillor.png
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
drwxr-xr-x ./usr/share/zsh/
drwxr-xr-x ./usr/share/zsh/vendor-completions/
-rw-r--r-- ./usr/share/zsh/vendor-completions/_vexillor-cli
LIST
)" "$(dpkg-deb -c "$deb" | awk '{print $1, $2 == "root/root" ? $6 : "OWNER:" $2 " " $6}')"
expect "deb fields" "vexillor $version-1 amd64 wine" \
    "$(dpkg-deb -f "$deb" Package Version Architecture Recommends | sed 's/^[^:]*: //' | tr '\n' ' ' | sed 's/ $//')"
dpkg-deb -x "$deb" "$work/deb"
cmp -s "$work/deb/usr/lib/vexillor/vexillor.exe" "$z/vexillor.exe" || fail "the .deb and the x64 zip carry different vexillor.exe"
cmp -s "$work/deb/usr/lib/vexillor/i386/vexillor.exe" "$work/zip32/vexillor-$version/vexillor.exe" ||
    fail "the .deb and the x86 zip carry different 32-bit vexillor.exe"
desktop-file-validate "$work/deb/usr/share/applications/vexillor.desktop" || fail "desktop file"
for size in 16 32 48 256; do
    file "$work/deb/usr/share/icons/hicolor/${size}x$size/apps/vexillor.png" | grep -q "PNG image data, $size x $size, 8-bit/color RGBA" ||
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

# Every command --help lists is in both manual pages and the three completions, and no other.
commands=$("$cli" --help | awk '/^Subcommands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {on = 0}' | sort)
[ -n "$commands" ] || fail "no commands in --help"
expect "man page commands" "$commands" \
    "$(zcat "$work/deb/usr/share/man/man1/vexillor-cli.1.gz" | sed -n 's/^\.BI\{0,1\} \([a-z]*\).*/\1/p' | sort -u | grep -xF "$commands" ; true)"
expect "man page synopsis" "$commands" \
    "$(zcat "$work/deb/usr/share/man/man1/vexillor-cli.1.gz" | sed -n '/^\.SH SYNOPSIS/,/^\.SH DESCRIPTION/s/^\.B vexillor-cli \([a-z]*\)$/\1/p' | sort)"
bash_file=$work/deb/usr/share/bash-completion/completions/vexillor-cli
zsh_file=$work/deb/usr/share/zsh/vendor-completions/_vexillor-cli
fish_file=$work/deb/usr/share/fish/vendor_completions.d/vexillor-cli.fish
expect "bash completion commands" "$commands" \
    "$(sed -n "s/^ *COMPREPLY=(\$(compgen -W '\([^']*\)' -- \"\$cur\"))$/\1/p" "$bash_file" | head -1 | tr ' ' '\n' | grep -v '^-' | sort)"
expect "zsh completion commands" "$commands" "$(sed -n "s/^    '\([a-z]*\):.*'$/\1/p" "$zsh_file" | sort)"
expect "fish completion commands" "$commands" \
    "$(sed -n 's/^complete -c vexillor-cli -n __fish_use_subcommand -a \([a-z]*\) .*/\1/p' "$fish_file" | sort)"
# And every option of every command is described in the manual page and offered by each
# completion for that command.
manual=$(zcat "$work/deb/usr/share/man/man1/vexillor-cli.1.gz" | LC_ALL=C.UTF-8 MANWIDTH=200 man -l - 2>/dev/null)
for command in $commands; do
    in_bash=$(sed -n "s/^ *$command) COMPREPLY=(\$(compgen -W '\([^']*\)'.*/\1/p" "$bash_file")
    in_zsh=$(sed -n "/^        $command) _arguments/,/;;\$/p" "$zsh_file")
    in_fish=$(grep -F -- "__fish_seen_subcommand_from $command'" "$fish_file")
    for option in $("$cli" "$command" --help | sed -n '/^Options:/,/^$/s/^  \(-[-a-z]*\).*/\1/p' | grep -vx -- '-h'); do
        grep -qw -- "$option" <<<"$manual" || fail "man page: no $option of $command"
        grep -qw -- "$option" <<<"$in_bash" || fail "bash completion: no $option of $command"
        grep -qF -- "'$option[" <<<"$in_zsh" || fail "zsh completion: no $option of $command"
        case $option in
            --*) grep -qF -- " -l ${option#--} " <<<"$in_fish" || fail "fish completion: no $option of $command" ;;
            *) grep -qF -- " -s ${option#-} " <<<"$in_fish" || fail "fish completion: no $option of $command" ;;
        esac
    done
done
for page in vexillor vexillor-cli; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/deb/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man $page: $out"
done
# The places the prefix search looks: the manual pages and the launcher's help list them as the
# tool's own table does.
roots=$("$cli" prefix --roots)
[ "$(wc -l <<<"$roots")" -ge 5 ] || fail "prefix --roots lists too little: $roots"
for page in vexillor vexillor-cli; do
    expect "man $page: the places the search looks" "$roots" \
        "$(zcat "$work/deb/usr/share/man/man1/$page.1.gz" | sed -n '/^\.IP \\(bu 2$/{n;s/\\://g;p}')"
done
expect "launcher --help: the places the search looks" "$roots" \
    "$(env -i HOME=/nonexistent PATH=/usr/bin:/bin "$work/deb/usr/bin/vexillor" --help | sed -n '/looking in this order:$/,$s/^  //p')"

# The launcher with no prefix anywhere: says what it looked for and the ways out, exits 1,
# writes nothing, never starts Wine. The Wine on PATH is a fake installation (bin/wine and
# share/wine/wine.inf) whose wine.inf time the prefixes below carry as their stamp.
home=$work/home bin=$work/fakewine/bin
mkdir -p "$home" "$bin" "$work/fakewine/share/wine"
touch -d @1500000000 "$work/fakewine/share/wine/wine.inf"
printf '#!/bin/sh\necho "wine started" >>"%s/wine-ran"\n' "$work" >"$bin/wine" && chmod +x "$bin/wine"
launch() { env -i HOME="$home" PATH="$bin:/usr/bin:/bin" "$work/deb/usr/bin/vexillor" "$@"; }
rc=0; msg=$(launch 2>&1 </dev/null) || rc=$?
expect "launcher without a prefix: exit" 1 "$rc"
for part in "found no Wine prefix with Quillmere" "vexillor --prefix" "WINEPREFIX" "vexillor-cli install" \
            "vexillor-cli prefix --all"; do
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
[[ ${msg//$'\n'/ } == *"is not a Wine prefix"* ]] || fail "launcher --prefix message: $msg"
rc=0; launch --bogus >/dev/null 2>&1 || rc=$?
expect "launcher, unknown argument: exit" 2 "$rc"
expect "nothing written by the launcher" "" "$(find "$home" "$work/nothing-here" -mindepth 1 2>/dev/null)"
[ ! -e "$work/wine-ran" ] || fail "the launcher started Wine without a prefix"
# With a prefix it hands the packaged program to Wine in that prefix.
mkdir -p "$work/pfx" && : >"$work/pfx/system.reg" && echo 1500000000 >"$work/pfx/.update-timestamp"
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
echo 1500000000 >"$home/.wine/.update-timestamp"
expect "launcher finds the prefix" "$home/.wine $work/deb/usr/lib/vexillor/vexillor.exe" "$(launch)"

[ $failures -eq 0 ] && echo "release artifacts: all checks passed"
exit $((failures > 0))
