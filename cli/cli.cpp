// The commands' shared pieces: the one place a failure becomes a message and an exit status.
#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include "core/string_table.h"
#include "platform/native_path.h"
#include "platform/win32.h"
#include "resource.h"

namespace {
const char kName[] = "vexillor-cli";
}

const char kChooseOneKind[] = "choose one banner kind: --in-game or --statistic";

int Report(const char* command, const Failure& f)
{
    fflush(stdout);  // a conversion's own lines come first
    switch (f.kind) {
    case FailUsage:
    case FailInputAsOutput:
        if (command) {
            fprintf(stderr, "%s %s: %s\n", kName, command, f.text.c_str());
            fprintf(stderr, "Try '%s %s --help'.\n", kName, command);
        } else {
            fprintf(stderr, "%s: %s\n", kName, f.text.c_str());
            fprintf(stderr, "Try '%s --help'.\n", kName);
        }
        return ExitUsage;
    case FailCommand: fprintf(stderr, "%s %s: %s\n", kName, command, f.text.c_str()); break;
    case FailFile: fprintf(stderr, "%s: %s\n", f.file.c_str(), f.text.c_str()); break;
    case FailConversion:
        PrintTableMessage(stderr, IDS_CONVERSION_FAILED, f.picture.c_str());
        if (f.file.empty()) fprintf(stderr, "%s\n", f.text.c_str());
        else fprintf(stderr, "%s: %s\n", f.file.c_str(), f.text.c_str());
        break;
    case FailPlain: fprintf(stderr, "%s\n", f.text.c_str()); break;
    }
    if (!f.hint.empty()) fprintf(stderr, "%s\n", f.hint.c_str());
    return ExitFailed;
}

bool Fail(Failure& failure, FailureKind kind, const std::string& text, const std::string& file)
{
    failure.kind = kind;
    failure.text = text;
    failure.file = file;
    return false;
}

void Exit(int status)
{
    if (status != ExitDone) throw CLI::RuntimeError(status);
}

bool CorePathArgument(const std::string& path, char* out, Failure& failure)
{
    if (PathToCoreForm(path.c_str(), out, MAX_PATH)) return true;
    return Fail(failure, FailCommand, "path too long (at most " + std::to_string(MAX_PATH - 1) + " characters): " + path);
}

std::string TableText(unsigned id)
{
    char text[1024];
    LoadTableString(id, text, sizeof text);
    return text;
}

std::string TableMessage(unsigned id, const char* argument)
{
    char text[1024];
    snprintf(text, sizeof text, TableText(id).c_str(), argument);
    return text;
}

void PrintTableMessage(FILE* stream, unsigned id, const char* argument)
{
    fprintf(stream, "%s\n", TableMessage(id, argument).c_str());
}

void AddBannerKind(CLI::App& command, KindChoice& kind, bool required)
{
    CLI::Option_group* group = command.add_option_group("Banner kind", "Which of the two banners");
    group->add_flag("--in-game", kind.inGame, "The in-game banner (BannerUser.tex): 32x32, alpha only on or off");
    group->add_flag("--statistic", kind.statistic,
                    "The statistics banner (BannerUserStat.tex): 64x64 (or --size 32), alpha kept");
    if (required) group->require_option(1);
    else group->require_option(0, 1);
}

void AddFitChoice(CLI::App& command, FitChoice& choice)
{
    command.add_option("--size", choice.size, "Banner size; 64 only for --statistic")
        ->check(CLI::IsMember({32, 64}).description(""))
        ->type_name("32|64");
    command.add_flag("--crop", choice.crop, "Fill the square from the centre instead of fitting the whole picture");
    command.add_flag("--smooth", choice.smooth, "Filter whole-factor enlargements too (default: crisp pixels)");
}

bool ResolveFitOptions(const KindChoice& kind, const FitChoice& choice, FitOptions& options, Failure& failure)
{
    if (!kind.given()) return Fail(failure, FailUsage, kChooseOneKind);
    options.kind = kind.inGame ? BannerInGame : BannerStatistic;
    if (kind.inGame && choice.size == 64)
        return Fail(failure, FailUsage, "the in-game banner is 32x32; --size 64 is for --statistic");
    options.size = choice.size ? uint32_t(choice.size) : kind.inGame ? 32 : 64;
    options.crop = choice.crop;
    options.smooth = choice.smooth;
    return true;
}
