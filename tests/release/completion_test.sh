#!/usr/bin/env bash
# The shell completions made from the tool's own account of its command line, as a player meets
# them: an interactive bash with the bash-completion package, typed into through a terminal,
# Tab and Esc-* (every completion into the line), then Enter to a stand-in for the tool that
# shows how the words arrived; zsh and fish load theirs without a word of complaint.
# Usage: completion_test.sh CLI
set -uo pipefail
cli=$(realpath "$1") root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/vexillor-completion-test-XXXXXX) failures=0
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for need in /usr/share/bash-completion/bash_completion /usr/bin/zsh /usr/bin/fish; do
    [ -e "$need" ] || { echo "FAIL: $need is missing (./build.sh deps installs it)"; exit 1; }
done
/usr/bin/python3 "$root/tools/make_completions.py" "$cli" "$work/completions" || { echo "FAIL: make_completions"; exit 1; }

# Pictures as a player's folder holds them, and a demo installation whose profiles include a
# name with a space and letters beyond ASCII.
mkdir -p "$work/home/Pictures/Holiday shots" "$work/prefix/drive_c" "$work/prefix/dosdevices"
cd "$work/home/Pictures"
/usr/bin/python3 - <<'PY'
from PIL import Image
for name in ["Screenshot from 2024-05-01 12-00-00.png", "it's mine.jpg", "Jörg's crest.gif", "Wappen.BMP",
             "old.tga", "Holiday shots/beach.png"]:
    Image.new("RGB", (40, 30)).save(name, format={"png": "PNG", "jpg": "JPEG", "gif": "GIF", "bmp": "BMP",
                                                    "tga": "TGA"}[name.rsplit(".", 1)[1].lower()])
open("banner.tex", "wb").write(b"TEX")
open("notes.txt", "w").write("not a picture")
PY
ln -s ../drive_c "$work/prefix/dosdevices/c:"
printf '%s\n' 'WINE REGISTRY Version 2' '#arch=win64' \
    '[Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem] 1700000000' \
    '"OutputDir"="C:\\Games\\Quillmere\\"' >"$work/prefix/system.reg"
/usr/bin/python3 "$root/tools/make_demo_install.py" "$work/prefix/drive_c/Games/Quillmere" >/dev/null
/usr/bin/python3 - "$work/prefix/drive_c/Games/Quillmere/Players/Joerg" <<'PY'
import os, struct, sys, zlib
os.makedirs(sys.argv[1], exist_ok=True)
raw = "Jörg Æthelstan".encode("cp1252")
open(os.path.join(sys.argv[1], "UserInfo.dat"), "wb").write(
    zlib.compress(struct.pack("<IiI", 0x02004955, 2, len(raw)) + raw + bytes(16), 6))
PY

# The shell: bash-completion, the completion under test, and a vexillor-cli that prints its
# arguments one by one, except for the listing the completion asks the real tool for.
cat >"$work/bashrc" <<RC
PS1='READY> '
. /usr/share/bash-completion/bash_completion
. "$work/completions/vexillor-cli"
bind 'set enable-bracketed-paste off'
bind 'set bell-style none'
bind '"\x1bi": insert-completions'
vexillor-cli() {
    if [ "\$*" = "players --names" ]; then WINEPREFIX="$work/prefix" "$cli" "\$@"; return; fi
    printf 'ARGS:'; printf '[%s]' "\$@"; echo
}
RC
/usr/bin/python3 - "$work" <<'PY' >"$work/results"
import os, pty, select, sys, time
work = sys.argv[1]
# What is typed (Tab, Esc-i for every completion), and the words the tool must receive.
cases = [
    ("vexillor-cli fit Scr\t", ["fit", "Screenshot from 2024-05-01 12-00-00.png"]),
    ("vexillor-cli fit it\t", ["fit", "it's mine.jpg"]),
    ("vexillor-cli fit J\t", ["fit", "Jörg's crest.gif"]),
    ("vexillor-cli fit Hol\tbe\t", ["fit", "Holiday shots/beach.png"]),
    ("vexillor-cli fit \x1bi", ["fit", "Holiday shots", "Jörg's crest.gif", "Screenshot from 2024-05-01 12-00-00.png",
                                "Wappen.BMP", "it's mine.jpg", "old.tga"]),
    ("vexillor-cli check \x1bi", ["check", "Holiday shots", "Wappen.BMP", "old.tga"]),
    ("vexillor-cli inspect \x1bi", ["inspect", "Holiday shots", "banner.tex"]),
    ("vexillor-cli convert old.tga \x1bi", ["convert", "old.tga", "Holiday shots", "banner.tex"]),
    ("vexillor-cli convert --fit --size 32 old.tga b\t", ["convert", "--fit", "--size", "32", "old.tga", "banner.tex"]),
    ("vexillor-cli fit old.tga --size \x1bi", ["fit", "old.tga", "--size", "32", "64"]),
    ("vexillor-cli preview banner.tex --scale 2 -o \x1bi",
     ["preview", "banner.tex", "--scale", "2", "-o", "Holiday shots", "Screenshot from 2024-05-01 12-00-00.png"]),
    ("vexillor-cli install old.tga --player \x1bi",
     ["install", "old.tga", "--player", "Aldric", "Brenna", "Corvin", "Joerg", "Jörg Æthelstan", "Skirmish",
      "Skirmisher"]),
    ("vexillor-cli install old.tga --player Jö\t", ["install", "old.tga", "--player", "Jörg Æthelstan"]),
    ("vexillor-cli install old.tga --player=Cor\t", ["install", "old.tga", "--player=Corvin"]),
    ("vexillor-cli inst\t", ["install"]),
    ("vexillor-cli fit --st\t", ["fit", "--statistic"]),
    ("vexillor-cli players --\x1bi", ["players", "--help", "--names", "--paths"]),
    ("vexillor-cli fit -- \x1bi", ["fit", "--", "Holiday shots", "Jörg's crest.gif",
                                  "Screenshot from 2024-05-01 12-00-00.png", "Wappen.BMP", "it's mine.jpg", "old.tga"]),
]
env = dict(os.environ, TERM="dumb", INPUTRC="/dev/null", HOME=work + "/home", LC_ALL="C.UTF-8")
pid, fd = pty.fork()
if pid == 0:
    os.chdir(work + "/home/Pictures")
    os.execve("/bin/bash", ["bash", "--noprofile", "--rcfile", work + "/bashrc", "-i"], env)

def read_until(marker, seconds=20):
    data, end = b"", time.time() + seconds
    while marker not in data and time.time() < end:
        if select.select([fd], [], [], 0.2)[0]:
            try:
                data += os.read(fd, 65536)
            except OSError:
                break
    return data.decode("utf-8", "replace")

read_until(b"READY> ")
failed = 0
for typed, want in cases:
    os.write(fd, typed.encode() + b"\n")
    screen = read_until(b"READY> ")
    got = None
    for line in screen.replace("\r", "").split("\n"):
        if line.startswith("ARGS:"):
            got = line[5:]
    expected = "".join("[%s]" % w for w in want)
    if got != expected:
        print("FAIL: typed %r\n  expected %s\n  got      %s" % (typed, expected, got))
        failed += 1
os.write(fd, b"exit\n")
os.waitpid(pid, 0)
print("bash: %d of %d completions as expected" % (len(cases) - failed, len(cases)))
sys.exit(1 if failed else 0)
PY
cat "$work/results"
grep -q '^bash: ' "$work/results" || fail "the terminal session did not run"
grep -q '^FAIL' "$work/results" && failures=$((failures + 1))

# zsh and fish load theirs cleanly, and define what they should.
out=$(cd "$work" && HOME=$work/home zsh -f -c "fpath=($work/completions \$fpath); autoload -Uz compinit; \
    compinit -u -d $work/zcompdump; autoload +X _vexillor-cli; print -r -- \${_comps[vexillor-cli]}" 2>&1)
[ "$out" = _vexillor-cli ] || fail "zsh: $out"
zsh -n "$work/completions/_vexillor-cli" || fail "zsh: syntax"
out=$(HOME=$work/home fish --no-config -c "source $work/completions/vexillor-cli.fish; and complete -c vexillor-cli | \
    string match -q '*--player*'; and echo loaded" 2>&1)
[ "$out" = loaded ] || fail "fish: $out"
out=$(cd "$work/home/Pictures" && HOME=$work/home fish --no-config -c \
    "source $work/completions/vexillor-cli.fish; complete -C 'vexillor-cli fit --size '" 2>&1)
[ "$(echo "$out" | cut -f1 | tr '\n' ' ')" = "32 64 " ] || fail "fish --size offers: $out"

if [ "$failures" -ne 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all completion checks passed"
