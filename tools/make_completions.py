#!/usr/bin/python3
"""Writes the bash, zsh and fish completions of vexillor-cli from the tool's own account of its
command line (vexillor-cli --completion-table): every command, option and argument it has, in
one place. What each argument holds is said here, by its name:

  pictures        PNG, JPEG, GIF, BMP, TGA (a banner picture for check)
  textures        .tex
  names           the profile names and folder names that `players --names` lists
  words           a fixed choice (--size: 32 64)
  nothing         a number (--scale)
  files           any file or folder: every value not named below

Usage: tools/make_completions.py CLI OUTDIR
  writes OUTDIR/vexillor-cli (bash), OUTDIR/_vexillor-cli (zsh), OUTDIR/vexillor-cli.fish
"""

import os
import subprocess
import sys

PICTURES = "png|jpg|jpeg|gif|bmp|tga"
# (command, word) -> (kind, detail); command "*" for any command. First match wins.
KINDS = [
    (("check", "PICTURE"), ("files", "bmp|tga")),
    (("*", "PICTURE"), ("files", PICTURES)),
    (("*", "OUTPUT"), ("files", "tex")),
    (("inspect", "FILE"), ("files", "tex")),
    (("preview", "INPUT"), ("files", "tex|" + PICTURES)),
    (("fit", "-o"), ("files", "bmp|tga")),
    (("preview", "-o"), ("files", "png")),
    (("*", "--player"), ("names", "")),
    (("*", "--size"), ("words", "32 64")),
    (("*", "--scale"), ("nothing", "")),
]


def kind_of(command, word):
    for (c, w), kind in KINDS:
        if w == word and c in ("*", command):
            return kind
    return ("files", "")


class Command:
    def __init__(self, name, description):
        self.name, self.description = name, description
        self.options = []      # (name, takes_value, description)
        self.positionals = []  # (name, description)


def read_table(cli):
    table = subprocess.run([cli, "--completion-table"], check=True, capture_output=True, text=True).stdout
    top = Command("", "")
    commands = []
    for line in table.splitlines():
        name, word, value, description = line.split("\t")
        if value == "command":
            commands.append(Command(name, description))
            continue
        owner = commands[-1] if name else top
        if name and owner.name != name:
            sys.exit("make_completions: %s listed outside its command" % word)
        if value == "positional":
            owner.positionals.append((word, description))
        else:
            owner.options.append((word, value != "-", description))
    if not commands:
        sys.exit("make_completions: %s listed no commands" % cli)
    return top, commands


def sh_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"


# --- bash ----------------------------------------------------------------------------------

def bash_value(kind, detail, players_from):
    what, arg = kind, detail
    if what == "files":
        return "_filedir %s" % sh_quote(arg) if arg else "_filedir"
    if what == "names":
        return "_vexillor_cli_names %s" % players_from
    if what == "words":
        return "COMPREPLY=($(compgen -W %s -- \"$cur\"))" % sh_quote(arg)
    return ":"


def bash(top, commands):
    out = ["# bash completion for vexillor-cli. Made by tools/make_completions.py from the tool's own",
           "# account of its command line; the helpers are bash-completion's.",
           "",
           "# The profile names and folder names --player takes, as the tool lists them; readline quotes",
           "# what it puts in the line.",
           "_vexillor_cli_names()",
           "{",
           "    local name word=${cur//\\\\/}",
           "    word=${word#[\\\"\\']}",
           "    COMPREPLY=()",
           "    while IFS= read -r name; do",
           "        [[ $name == \"$word\"* ]] && COMPREPLY+=(\"$name\")",
           "    done < <(\"$1\" players --names 2>/dev/null)",
           "    compopt -o filenames",
           "}",
           "",
           "_vexillor_cli()",
           "{",
           "    local cur prev words cword split",
           "    _init_completion -s -n : || return",
           "    if ((cword == 1)); then",
           "        COMPREPLY=($(compgen -W %s -- \"$cur\"))" %
           sh_quote(" ".join([c.name for c in commands] + [o[0] for o in top.options])),
           "        return",
           "    fi",
           "    local command=${words[1]} i n=0 skip=0 plain=0",
           "    # The arguments before this word: options and their values do not count; after --",
           "    # every word is an argument.",
           "    for ((i = 2; i < cword; i++)); do",
           "        if ((skip)); then skip=0; continue; fi",
           "        if ((!plain)); then",
           "            case \"$command ${words[i]}\" in",
           "                *\" --\") plain=1; continue ;;"]
    valued = ["%s %s" % (c.name, o[0]) for c in commands for o in c.options if o[1]]
    if valued:
        out.append("                %s) skip=1; continue ;;" % "|".join(sh_quote(v) for v in valued))
    out += ["                *\" -\"*) continue ;;",
            "            esac",
            "        fi",
            "        ((n++))",
            "    done",
            "    case \"$command $prev\" in"]
    for c in commands:
        for name, takes, _ in c.options:
            if takes:
                out.append("        %s) %s; return ;;" % (sh_quote(c.name + " " + name),
                                                         bash_value(*kind_of(c.name, name), "\"$1\"")))
    out += ["    esac",
            "    if ((!plain)) && [[ $cur == -* ]]; then",
            "        case $command in"]
    for c in commands:
        out.append("            %s) COMPREPLY=($(compgen -W %s -- \"$cur\")) ;;" %
                   (c.name, sh_quote(" ".join(o[0] for o in c.options))))
    out += ["        esac",
            "        return",
            "    fi",
            "    case \"$command $n\" in"]
    for c in commands:
        for i, (name, _) in enumerate(c.positionals):
            out.append("        %s) %s ;;" % (sh_quote("%s %d" % (c.name, i)),
                                              bash_value(*kind_of(c.name, name), "\"$1\"")))
    out += ["    esac",
            "} &&",
            "    complete -F _vexillor_cli vexillor-cli",
            ""]
    return "\n".join(out)


# --- zsh -----------------------------------------------------------------------------------

def zsh_text(text):
    """An option's explanation: brackets end it unless quoted."""
    return text.replace("\\", "\\\\").replace("[", "\\[").replace("]", "\\]")


def zsh_action(kind, detail):
    if kind == "files":
        return "_files -g %s" % sh_quote("*.(#i)(%s)(-.)" % detail) if detail else "_files"
    if kind == "names":
        return "_vexillor_cli_names"
    if kind == "words":
        return "(%s)" % detail
    return " "


def zsh_specs(command, options, positionals):
    specs = []
    for name, takes, description in options:
        spec = "%s[%s]" % (name, zsh_text(description))
        if takes:
            kind, detail = kind_of(command, name)
            spec += ":%s:%s" % (name.lstrip("-").lower(), zsh_action(kind, detail))
        specs.append(sh_quote(spec))
    for name, description in positionals:
        kind, detail = kind_of(command, name)
        specs.append(sh_quote(":%s:%s" % (name.lower(), zsh_action(kind, detail))))
    return specs


def zsh(top, commands):
    out = ["#compdef vexillor-cli",
           "# zsh completion for vexillor-cli. Made by tools/make_completions.py from the tool's own",
           "# account of its command line.",
           "",
           "# The profile names and folder names --player takes, as the tool lists them.",
           "_vexillor_cli_names() {",
           "  local -a names",
           "  names=(${(f)\"$(_call_program names vexillor-cli players --names 2>/dev/null)\"})",
           "  compadd -a names",
           "}",
           "",
           "_vexillor-cli() {",
           "  local curcontext=$curcontext state line",
           "  local -a commands",
           "  commands=("]
    for c in commands:
        out.append("    %s" % sh_quote("%s:%s" % (c.name, c.description.replace(":", "\\:"))))
    out += ["  )",
            "  _arguments -C \\"]
    for spec in zsh_specs("", top.options, []):
        out.append("    %s \\" % spec)
    out += ["    ':command:->command' \\",
            "    '*::argument:->argument' && return",
            "  case $state in",
            "    command) _describe -t commands 'vexillor-cli command' commands ;;",
            "    argument)",
            "      case $line[1] in"]
    for c in commands:
        out.append("        %s) _arguments \\" % c.name)
        for spec in zsh_specs(c.name, c.options, c.positionals):
            out.append("            %s \\" % spec)
        out[-1] = out[-1][:-2] + " ;;"
    out += ["      esac ;;",
            "  esac",
            "}",
            "",
            "_vexillor-cli \"$@\"",
            ""]
    return "\n".join(out)


# --- fish ----------------------------------------------------------------------------------

def fish_quote(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def fish_arguments(kind, detail):
    if kind == "files":
        return "-r -a %s" % fish_quote("(__vexillor_cli_files '%s')" % detail) if detail else "-r -F"
    if kind == "names":
        return "-x -a %s" % fish_quote("(vexillor-cli players --names 2>/dev/null)")
    if kind == "words":
        return "-x -a %s" % fish_quote(detail)
    return "-x"


def fish_option(condition, name, takes, description, command):
    flag = "-l %s" % name[2:] if name.startswith("--") else "-s %s" % name[1:]
    line = "complete -c vexillor-cli -n %s %s" % (fish_quote(condition), flag)
    if takes:
        line += " " + fish_arguments(*kind_of(command, name))
    return line + " -d %s" % fish_quote(description)


def fish(top, commands):
    out = ["# fish completion for vexillor-cli. Made by tools/make_completions.py from the tool's own",
           "# account of its command line.",
           "",
           "# Folders, and the files whose names end in one of the extensions (EXT|EXT...).",
           "function __vexillor_cli_files",
           "    set -l token (commandline -ct)",
           "    for path in \"$token\"*",
           "        if test -d \"$path\"",
           "            echo $path/",
           "        else if string match -qir -- \"\\.($argv[1])\\$\" $path",
           "            echo $path",
           "        end",
           "    end",
           "end",
           "",
           "complete -c vexillor-cli -f"]
    for name, takes, description in top.options:
        out.append(fish_option("__fish_use_subcommand", name, takes, description, ""))
    for c in commands:
        out.append("complete -c vexillor-cli -n __fish_use_subcommand -a %s -d %s" %
                   (c.name, fish_quote(c.description)))
    for c in commands:
        condition = "__fish_seen_subcommand_from %s" % c.name
        for name, takes, description in c.options:
            out.append(fish_option(condition, name, takes, description, c.name))
        for name, description in c.positionals:
            kind, detail = kind_of(c.name, name)
            action = fish_arguments(kind, detail).replace("-r ", "").replace("-x ", "")
            if action.startswith("-a"):
                out.append("complete -c vexillor-cli -n %s %s" % (fish_quote(condition), action))
    out.append("")
    return "\n".join(out)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    top, commands = read_table(sys.argv[1])
    outdir = sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    for name, text in (("vexillor-cli", bash(top, commands)), ("_vexillor-cli", zsh(top, commands)),
                       ("vexillor-cli.fish", fish(top, commands))):
        with open(os.path.join(outdir, name), "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
