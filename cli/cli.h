// What the commands of vexillor-cli share: the exit statuses, the failure value and the one
// function that words it, paths as typed turned into core form, the window program's texts,
// and the banner options.
#pragma once

#include <stdio.h>

#include <string>

#include "image/banner_fit.h"

namespace CLI {
class App;
}

enum { ExitDone = 0, ExitFailed = 1, ExitUsage = 2 };

// Why a command stops. Report words it and gives the exit status.
enum FailureKind {
    FailUsage,          // 2: "vexillor-cli COMMAND: TEXT" and where to read more
    FailInputAsOutput,  // 2: the output names an input; said as a usage error
    FailCommand,        // 1: "vexillor-cli COMMAND: TEXT"
    FailFile,           // 1: "FILE: TEXT" (a picture refused, a file that cannot be read)
    FailConversion,     // 1: the window program's "Error converting file 'PICTURE'.", then
                        //    "FILE: TEXT", or TEXT alone when no file is named
    FailPlain,          // 1: TEXT as it is, its lines already worded
};
struct Failure {
    Failure() = default;
    Failure(FailureKind k, const std::string& t, const std::string& f = std::string()) : kind(k), text(t), file(f) {}
    FailureKind kind = FailPlain;
    std::string text;
    std::string file;     // as the user typed it
    std::string picture;  // FailConversion: the picture's file name
    std::string hint;     // a closing line: what to run instead
};
// Prints the failure on standard error (after what standard output holds) for `command`;
// returns its exit status.
int Report(const char* command, const Failure& failure);
// Shorthands that fill `failure` and return false, for checks that fail.
bool Fail(Failure& failure, FailureKind kind, const std::string& text, const std::string& file = std::string());

// Ends the command that runs with `status`: 0 returns; any other leaves the parse, and main
// returns it as the exit status.
void Exit(int status);

// The user's path in core form into `out` (MAX_PATH bytes); false with the failure when it does
// not fit.
bool CorePathArgument(const std::string& path, char* out, Failure& failure);

// String-table text `id`.
std::string TableText(unsigned id);
// Text `id` used as a format with one text argument, as the window program formats its messages
// (1024 bytes); PrintTableMessage writes it and a line feed to `stream`.
std::string TableMessage(unsigned id, const char* argument);
void PrintTableMessage(FILE* stream, unsigned id, const char* argument);

// The banner kind as the user chose it: an option group of --in-game and --statistic.
struct KindChoice {
    bool inGame = false;
    bool statistic = false;
    bool given() const { return inGame || statistic; }
};
// Adds the group to `command`. `required`: exactly one of them; otherwise at most one. The
// parser's complaint about it is worded by main as "choose one banner kind".
void AddBannerKind(CLI::App& command, KindChoice& kind, bool required);
extern const char kChooseOneKind[];

// --size, --crop and --smooth: how a picture of any kind is fitted.
struct FitChoice {
    int size = 0;  // 0: the kind's own, 32 in game and 64 for statistics
    bool crop = false;
    bool smooth = false;
    bool given() const { return size || crop || smooth; }
};
void AddFitChoice(CLI::App& command, FitChoice& choice);
// The fit options of a banner kind and choice, checked as a whole (one kind; --size 64 only
// for statistics). False with the usage failure.
bool ResolveFitOptions(const KindChoice& kind, const FitChoice& choice, FitOptions& options, Failure& failure);
