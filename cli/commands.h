// The commands of vexillor-cli. main.cpp owns the command-line grammar (CLI11); each command
// takes its parsed arguments and returns the exit code: 0 done, 1 failed, 2 usage error.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include <string>

enum { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

struct CheckArguments {
    std::string picture;
};
struct ConvertArguments {
    std::string picture;
    std::string output;
};
struct InspectArguments {
    std::string file;
    std::string pngPrefix;  // empty: no PNG export
};
struct InstallArguments {
    std::string picture;
    std::string player;  // a row number or a name
    bool inGame = false;
};

int RunCheckCommand(const CheckArguments& args);
int RunConvertCommand(const ConvertArguments& args);
int RunInspectCommand(const InspectArguments& args);
// Player profiles of the game installation, and installing a banner into one of them.
int RunPlayersCommand();
int RunInstallCommand(const InstallArguments& args);

// Prints "vexillor-cli COMMAND: TEXT" and a pointer to the command's --help on standard error;
// returns 2.
int UsageError(const char* command, const char* text);
// The user's path in core form into `out` (MAX_PATH bytes). Prints an error and returns 0
// when it does not fit.
int CorePathArgument(const char* command, const char* path, char* out);
// String-table text `id` used as a format with one text argument, then a line feed, to `stream`.
void PrintTableMessage(FILE* stream, unsigned id, const char* argument);
