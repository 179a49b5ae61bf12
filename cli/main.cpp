// vexillor-cli: banners without the window. Each command lives in a file of its own and adds
// itself; this file makes the application, parses, and words the parser's complaints.
#include <stdio.h>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/completion_table.h"
#include "cli/console.h"
#include "cli/game_prefix.h"
#include "core/string_table.h"
#include "platform/win32.h"

namespace {

const char kName[] = "vexillor-cli";

// The parser's complaint about a command's banner kind group.
bool IsBannerKindComplaint(const CLI::ParseError& e)
{
    return dynamic_cast<const CLI::RequiredError*>(&e) &&
           std::string(e.what()).find("[--in-game,--statistic]") != std::string::npos;
}

// A usage error from the parser, said the way Report says ours: the command it was in, what was
// wrong, where to look. Help and --version are not errors: CLI11 prints them. A command that ran
// and failed leaves through RuntimeError with its exit status, said already.
int ReportParseError(const CLI::App& app, const CLI::ParseError& e)
{
    if (e.get_exit_code() == 0 || dynamic_cast<const CLI::RuntimeError*>(&e)) return app.exit(e);
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    const CLI::App& where = parsed.empty() ? app : *parsed.back();
    const char* command = parsed.empty() ? nullptr : where.get_name().c_str();
    // The parser checks what is missing before what is left over; the stray word is the better
    // clue ("convert a.bmp -x" lacks OUTPUT because -x is no file name).
    for (const std::string& word : where.remaining()) {
        if (word.size() > 1 && word[0] == '-')
            return Report(command, {FailUsage, "unknown option '" + word + "' (put -- before a file name that begins with '-')"});
        if (!command) return Report(command, {FailUsage, "unknown command '" + word + "'"});
    }
    if (!command && dynamic_cast<const CLI::RequiredError*>(&e)) return Report(command, {FailUsage, "no command given"});
    if (IsBannerKindComplaint(e)) return Report(command, {FailUsage, kChooseOneKind});
    return Report(command, {FailUsage, e.what()});
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    appInstance = GetModuleHandleA(nullptr);  // the string table is linked into this program
    if (IntroduceWhenDoubleClicked(argc)) return ExitDone;
    UseConsoleOutput();  // names and reasons are written in UTF-8
#else
    UsePathPrefix();
#endif
    CLI::App app{"Banners for Quillmere without the window: check pictures, convert them to the "
                 "game's texture files, and install them into player profiles.",
                 kName};
    app.set_version_flag("--version", std::string(kName) + " " + VEX_VERSION);
    app.require_subcommand(1);
    // Under Wine a Unix path such as /home/me/crest.bmp is a file name, not a "/h" option.
    app.allow_windows_style_options(false);
    app.footer("Exit status: 0 done, 1 failed, 2 usage error.\n"
               "'vexillor-cli COMMAND --help' describes a command. '--' ends the options, for "
               "file names that begin with '-'.");
    AddCheckCommand(app);
    AddConvertCommand(app);
    AddFitCommand(app);
    AddPreviewCommand(app);
    AddInspectCommand(app);
    AddPlayersCommand(app);
#ifndef _WIN32
    AddPrefixCommand(app);
#endif
    AddInstallCommand(app);
    // For the shell completions that make-dist builds; not in --help.
    app.add_flag_callback("--completion-table", [&app] {
           PrintCompletionTable(app);
           throw CLI::Success();
       })->group("");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return ReportParseError(app, e);
    }
    return ExitDone;
}
