# Sourced by the command-line scripts of this folder: the demo installation laid out as a
# player's would be, and `run`, which starts the tool the way the script was asked to.
# demo_install NAME [PREFIX]: without PREFIX natively, in a Wine-style prefix made in $work;
# with PREFIX under Wine, in that prefix through the real registry, pictures in C:\NAME.
# Needs $cli, $tools and $work; sets prefix, pictures, at, players, run and cleanup, and the
# EXIT trap that undoes it all.
demo_install() {
    if [ $# -eq 1 ]; then
        prefix=$work/prefix pictures=$work/pictures at=$work/pictures/
        mkdir -p "$prefix/drive_c" "$prefix/dosdevices" && ln -s ../drive_c "$prefix/dosdevices/c:"
        printf '%s\n' 'WINE REGISTRY Version 2' '#arch=win64' \
            '[Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem] 1700000000' \
            '"OutputDir"="C:\\Games\\Quillmere\\"' >"$prefix/system.reg"
        python3 "$tools/make_demo_install.py" "$prefix/drive_c/Games/Quillmere" >/dev/null
        export WINEPREFIX=$prefix
        run() { "$cli" "$@"; }
        cleanup() { :; }
    else
        prefix=$2 at="C:\\$1\\"
        pictures=$prefix/drive_c/$1
        "$tools/wine-run" "$prefix" cmd /c exit >/dev/null 2>&1 || true  # makes the prefix on first use
        "$tools/setup-demo-install" "$prefix" >/dev/null
        run() { "$tools/wine-run" "$prefix" "$cli" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
        cleanup() {
            run reg delete 'HKLM\Software\Tamrivo' /f /reg:32 >/dev/null 2>&1 || true
            rm -rf "$prefix/drive_c/Games/Quillmere" "$pictures"
        }
    fi
    trap 'cleanup; rm -rf "$work"' EXIT
    players=$prefix/drive_c/Games/Quillmere/Players
    mkdir -p "$pictures"
}
