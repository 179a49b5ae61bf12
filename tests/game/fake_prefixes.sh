# Sourced by the prefix and launcher suites: fake Wine prefixes and Steam library lists.
# Needs $tools (the repository's tools/ folder).

# A prefix at $1. $2: game (the key in the 32-bit view, players folder there), game64 (the key
# in the 64-bit view), noplayers (the key, no players folder), nogame (a prefix of another
# program), damaged (system.reg of garbage), folder (system.reg is a folder: unreadable).
# ARCH (win64 unless set) goes into system.reg's header; STAMP, when set, into .update-timestamp.
prefix() {
    local p=$1 kind=$2 node='Software\\Wow6432Node' arch=${ARCH:-win64}
    mkdir -p "$p/drive_c/Games" "$p/dosdevices"
    ln -sfn ../drive_c "$p/dosdevices/c:"
    [ "$kind" = game64 ] && node=Software
    case $kind in
        game|game64|noplayers)
            printf '%s\n' 'WINE REGISTRY Version 2' "#arch=$arch" \
                "[$node\\\\Tamrivo\\\\Quillmere\\\\BaseGame\\\\FileSystem] 1700000000" \
                '"OutputDir"="C:\\Games\\Quillmere"' >"$p/system.reg"
            mkdir -p "$p/drive_c/Games/Quillmere"
            [ "$kind" = noplayers ] || python3 "$tools/make_demo_install.py" "$p/drive_c/Games/Quillmere" >/dev/null ;;
        nogame)
            printf '%s\n' 'WINE REGISTRY Version 2' "#arch=$arch" '[Software\\Other] 1700000000' '"A"="b"' >"$p/system.reg" ;;
        damaged) head -c 3000 /dev/urandom >"$p/system.reg" ;;
        folder) mkdir -p "$p/system.reg" ;;
    esac
    if [ -n "${STAMP:-}" ]; then printf '%s\n' "$STAMP" >"$p/.update-timestamp"; fi
}

vdf() {  # FILE PATH...: a libraryfolders.vdf in today's form
    mkdir -p "$(dirname "$1")"
    local f=$1 i=0; shift
    { echo '"libraryfolders"'; echo '{'
      for lib in "$@"; do printf '\t"%d"\n\t{\n\t\t"path"\t\t"%s"\n\t\t"apps"\n\t\t{\n\t\t}\n\t}\n' $i "$lib"; i=$((i + 1)); done
      echo '}'; } >"$f"
}

# Everything about the folder $1 that a write would change: each entry's path, type, size,
# mode and modification time, and each file's checksum.
snapshot() {
    (cd "$1" && find . -printf '%p %y %s %m %T@\n' | sort && find . -type f -exec md5sum {} + | sort)
}
