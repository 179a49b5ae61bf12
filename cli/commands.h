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
// How a picture of any kind becomes a banner: fit, preview, convert --fit and install --fit.
struct FitChoice {
    bool inGame = false;
    bool statistic = false;
    int size = 0;  // 0: the kind's own, 32 in game and 64 for statistics
    bool crop = false;
    bool smooth = false;
};

struct ConvertArguments {
    std::string picture;
    std::string output;
    bool fit = false;
    FitChoice choice;
};
struct FitArguments {
    std::string picture;
    std::string output;  // empty: STEM-banner.bmp or .tga beside the picture
    FitChoice choice;
};
struct PreviewArguments {
    std::string input;
    std::string output;
    FitChoice choice;
    int scale = 4;
};
struct InspectArguments {
    std::string file;
    std::string pngPrefix;  // empty: no PNG export
};
struct PlayersArguments {
    bool paths = false;  // each profile's folder as a Linux path too
};
struct InstallArguments {
    std::string picture;
    std::string player;  // a row number or a name
    bool inGame = false;
    bool fit = false;
    FitChoice choice;  // with --fit
};

int RunCheckCommand(const CheckArguments& args);
int RunConvertCommand(const ConvertArguments& args);
int RunInspectCommand(const InspectArguments& args);
// Player profiles of the game installation, and installing a banner into one of them.
int RunPlayersCommand(const PlayersArguments& args);
int RunInstallCommand(const InstallArguments& args);
int RunFitCommand(const FitArguments& args);
int RunPreviewCommand(const PreviewArguments& args);
int RunConvertFitted(const ConvertArguments& args);

// The banner options checked as a whole (one kind; --size 64 only for statistics): ExitDone,
// or ExitUsage after the message.
struct FitOptions;
int ResolveFitChoice(const char* command, const FitChoice& choice, FitOptions& options);
// install --fit: the picture and its variants fitted, or 0 after the message; then written as
// the texture file with the same safe replacement as a conversion.
struct FittedBanner;
int FitPictureForCommand(const char* command, const char* source, const FitChoice& choice, FittedBanner& fitted);
int WriteFittedTexture(const FittedBanner& fitted, const char* destination, const FitChoice& choice);
#ifndef _WIN32
// Prints the Wine prefix that holds the game, or says where it looked and returns 1.
int RunPrefixCommand();
// For players and install when WINEPREFIX is unset: the prefix the search finds becomes
// WINEPREFIX, and standard error says which it is.
void UseFoundPrefix();
#endif

// Prints "vexillor-cli COMMAND: TEXT" and a pointer to the command's --help on standard error;
// returns 2.
int UsageError(const char* command, const char* text);
// The user's path in core form into `out` (MAX_PATH bytes). Prints an error and returns 0
// when it does not fit.
int CorePathArgument(const char* command, const char* path, char* out);
// String-table text `id` used as a format with one text argument, then a line feed, to `stream`.
void PrintTableMessage(FILE* stream, unsigned id, const char* argument);
