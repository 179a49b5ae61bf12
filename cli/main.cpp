// vexillor-cli: banners without the window. A table of commands; each lives in its own file.
#include <stdio.h>
#include <string.h>

#include "cli/commands.h"
#include "core/string_table.h"
#include "platform/native_path.h"
#include "platform/win32.h"

namespace {

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(int argc, char** argv);
};

// One line per command. The usage text is built from this table.
const Command kCommands[] = {
    {"check", "PICTURE", "tell whether a BMP or TGA picture can become a banner", RunCheckCommand},
    {"convert", "PICTURE OUTPUT.tex", "write the banner texture for a picture", RunConvertCommand},
    {"inspect", "FILE.tex [--png PREFIX]", "check a texture file's layout and describe it",
     RunInspectCommand},
    {"players", "", "list the game's player profiles as the banner dialog shows them",
     RunPlayersCommand},
    {"install", "PICTURE --player ROW|NAME KIND",
     "write a banner into a profile as the dialog's OK does; KIND --in-game or --statistic",
     RunInstallCommand},
};

void PrintUsage(FILE* out)
{
    fprintf(out, "Usage: vexillor-cli COMMAND [ARGUMENTS]\n\nCommands:\n");
    for (const Command& c : kCommands) {
        char head[128];
        snprintf(head, sizeof head, "%s %s", c.name, c.arguments);
        if (strlen(head) <= 36)
            fprintf(out, "  %-36s %s\n", head, c.summary);
        else  // a long synopsis gets a line of its own
            fprintf(out, "  %s\n  %-36s %s\n", head, "", c.summary);
    }
    fprintf(out,
            "\nOptions:\n  --help                               show this text\n"
            "  --version                            show the version\n"
            "\nExit status: 0 done, 1 failed, 2 usage error.\n");
}

}  // namespace

int UsageError(const char* command, const char* text)
{
    if (command)
        fprintf(stderr, "vexillor-cli %s: %s\n", command, text);
    else
        fprintf(stderr, "vexillor-cli: %s\n", text);
    fprintf(stderr, "Try 'vexillor-cli --help'.\n");
    return ExitUsage;
}

int CorePathArgument(const char* command, const char* path, char* out)
{
    if (PathToCoreForm(path, out, MAX_PATH)) return 1;
    fprintf(stderr, "vexillor-cli %s: path too long (at most %d characters): %s\n", command,
            MAX_PATH - 1, path);
    return 0;
}

void PrintTableMessage(FILE* stream, unsigned id, const char* argument)
{
    char format[1024];
    char text[1024];
    LoadTableString(id, format, sizeof format);
    snprintf(text, sizeof text, format, argument);
    fprintf(stream, "%s\n", text);
}

int main(int argc, char** argv)
{
#ifdef _WIN32
    appInstance = GetModuleHandleA(nullptr);  // the string table is linked into this program
#endif
    if (argc < 2) return UsageError(nullptr, "no command given");
    const char* name = argv[1];
    if (strcmp(name, "--help") == 0 || strcmp(name, "-h") == 0) {
        PrintUsage(stdout);
        return ExitDone;
    }
    if (strcmp(name, "--version") == 0) {
        printf("vexillor-cli %s\n", VEX_VERSION);
        return ExitDone;
    }
    for (const Command& c : kCommands)
        if (strcmp(name, c.name) == 0) return c.run(argc - 1, argv + 1);
    char text[160];
    snprintf(text, sizeof text, "unknown command '%.100s'", name);
    return UsageError(nullptr, text);
}
