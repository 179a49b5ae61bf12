// The commands of vexillor-cli. Each takes the arguments after its own name (argv[0] is the
// command name) and returns the exit code: 0 done, 1 failed, 2 usage error.
#pragma once

#include <stddef.h>
#include <stdio.h>

int RunCheckCommand(int argc, char** argv);
int RunConvertCommand(int argc, char** argv);
int RunInspectCommand(int argc, char** argv);
// Player profiles of the game installation, and installing a banner into one of them.
int RunPlayersCommand(int argc, char** argv);
int RunInstallCommand(int argc, char** argv);

enum { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Prints "vexillor-cli COMMAND: TEXT" and a pointer to --help on standard error; returns 2.
int UsageError(const char* command, const char* text);
// The user's path in core form into `out` (MAX_PATH bytes). Prints an error and returns 0
// when it does not fit.
int CorePathArgument(const char* command, const char* path, char* out);
// String-table text `id` used as a format with one text argument, then a line feed, to `stream`.
void PrintTableMessage(FILE* stream, unsigned id, const char* argument);
