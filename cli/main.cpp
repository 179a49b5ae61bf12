// vexillor-cli: banners without the window. This file holds the command-line grammar (CLI11);
// each command lives in a file of its own and takes its parsed arguments.
#include <stdio.h>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "core/string_table.h"
#include "image/banner_fit.h"
#include "platform/native_path.h"
#include "platform/win32.h"

namespace {

const char kName[] = "vexillor-cli";

// A usage error from the parser, said the way UsageError says ours: the command it was in, what
// was wrong, where to look. Help and --version are not errors: CLI11 prints them.
int ReportParseError(const CLI::App& app, const CLI::ParseError& e)
{
    if (e.get_exit_code() == 0) return app.exit(e);
    const std::vector<CLI::App*> parsed = app.get_subcommands();
    const CLI::App& where = parsed.empty() ? app : *parsed.back();
    const char* command = parsed.empty() ? nullptr : where.get_name().c_str();
    // The parser checks what is missing before what is left over; the stray word is the better
    // clue ("convert a.bmp -x" lacks OUTPUT because -x is no file name).
    for (const std::string& word : where.remaining()) {
        std::string text;
        if (word.size() > 1 && word[0] == '-')
            text = "unknown option '" + word + "' (put -- before a file name that begins with '-')";
        else if (!command)
            text = "unknown command '" + word + "'";
        else
            continue;
        return UsageError(command, text.c_str());
    }
    if (!command && dynamic_cast<const CLI::RequiredError*>(&e))
        return UsageError(nullptr, "no command given");
    return UsageError(command, e.what());
}

// The banner options of the commands that fit pictures; the kinds are flags of their own
// where the command has them already (install).
void AddFitChoice(CLI::App* command, FitChoice& choice, bool kinds)
{
    if (kinds) {
        command->add_flag("--in-game", choice.inGame, "The in-game banner: 32x32, alpha only on or off");
        command->add_flag("--statistic", choice.statistic, "The statistics banner: 64x64 (or --size 32), alpha kept");
    }
    command->add_option("--size", choice.size, "Banner size; 64 only for --statistic")
        ->check(CLI::IsMember({32, 64}).description(""))
        ->type_name("32|64");
    command->add_flag("--crop", choice.crop, "Fill the square from the centre instead of fitting the whole picture");
    command->add_flag("--smooth", choice.smooth, "Filter whole-factor enlargements too (default: crisp pixels)");
}

bool AnyFitChoice(const FitChoice& c) { return c.inGame || c.statistic || c.size || c.crop || c.smooth; }

}  // namespace

int UsageError(const char* command, const char* text)
{
    if (command) {
        fprintf(stderr, "%s %s: %s\n", kName, command, text);
        fprintf(stderr, "Try '%s %s --help'.\n", kName, command);
    } else {
        fprintf(stderr, "%s: %s\n", kName, text);
        fprintf(stderr, "Try '%s --help'.\n", kName);
    }
    return ExitUsage;
}

int CorePathArgument(const char* command, const char* path, char* out)
{
    if (PathToCoreForm(path, out, MAX_PATH)) return 1;
    fprintf(stderr, "%s %s: path too long (at most %d characters): %s\n", kName, command,
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
    SetConsoleOutputCP(CP_UTF8);  // names and reasons are written in UTF-8
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

    CheckArguments check;
    CLI::App* checkCommand =
        app.add_subcommand("check", "Tell whether a BMP or TGA picture can become a banner");
    checkCommand->add_option("PICTURE", check.picture, "The picture (.bmp or .tga)")
        ->required()
        ->type_name("");

    ConvertArguments convert;
    CLI::App* convertCommand =
        app.add_subcommand("convert", "Write the banner texture for a picture");
    convertCommand->add_option("PICTURE", convert.picture, "The picture (.bmp or .tga)")
        ->required()
        ->type_name("");
    convertCommand->add_option("OUTPUT", convert.output, "The texture file to write (.tex)")
        ->required()
        ->type_name("");
    convertCommand->add_flag("--fit", convert.fit,
                             "Any picture (PNG, JPEG, GIF, BMP, TGA, any size) made the banner first");
    AddFitChoice(convertCommand, convert.choice, true);

    FitArguments fit;
    CLI::App* fitCommand = app.add_subcommand(
        "fit", "Make any picture a banner picture that the window program accepts");
    fitCommand->add_option("PICTURE", fit.picture, "The picture: PNG, JPEG, GIF, BMP or TGA, any size")
        ->required()
        ->type_name("");
    fitCommand
        ->add_option("-o", fit.output,
                     "The banner picture: .bmp in game, .tga for statistics (default: STEM-banner beside the picture)")
        ->type_name("OUT");
    AddFitChoice(fitCommand, fit.choice, true);

    PreviewArguments preview;
    CLI::App* previewCommand = app.add_subcommand(
        "preview", "Show every record and level of a texture, or of a picture as convert --fit makes it");
    previewCommand->add_option("INPUT", preview.input, "A texture file (.tex) or a picture")
        ->required()
        ->type_name("");
    previewCommand->add_option("-o", preview.output, "The sheet to write (.png)")->required()->type_name("SHEET");
    previewCommand->add_option("--scale", preview.scale, "Magnification of every level (default 4)")
        ->check(CLI::Range(1, 16))
        ->type_name("N");
    AddFitChoice(previewCommand, preview.choice, true);

    InspectArguments inspect;
    CLI::App* inspectCommand =
        app.add_subcommand("inspect", "Check a texture file's layout and describe it");
    inspectCommand->add_option("FILE", inspect.file, "The texture file (.tex)")
        ->required()
        ->type_name("");
    inspectCommand
        ->add_option("--png", inspect.pngPrefix,
                     "Also export each record's full-size picture as PREFIX-banner.png, "
                     "PREFIX-destroyed1.png, ...")
        ->type_name("PREFIX");

    PlayersArguments players;
    CLI::App* playersCommand = app.add_subcommand(
        "players", "List the game's player profiles as the banner dialog shows them");
    playersCommand->add_flag("--paths", players.paths,
                             "Also show each profile's folder as a Linux path");

#ifndef _WIN32
    CLI::App* prefixCommand =
        app.add_subcommand("prefix", "Print the Wine prefix that holds the game (Linux)");
#endif

    InstallArguments install;
    bool statistic = false;
    CLI::App* installCommand = app.add_subcommand(
        "install", "Write a banner into a player profile as the dialog's OK does");
    installCommand->add_option("PICTURE", install.picture, "The picture (.bmp or .tga)")
        ->required()
        ->type_name("");
    installCommand
        ->add_option("--player", install.player, "The profile: its row in 'players', its name (any letter case) or its folder's name")
        ->type_name("ROW|NAME")
        ->required();
    installCommand->add_flag("--in-game", install.inGame, "The in-game banner (BannerUser.tex)");
    installCommand->add_flag("--statistic", statistic,
                             "The statistics banner (BannerUserStat.tex)");
    installCommand->add_flag("--fit", install.fit,
                             "Any picture (PNG, JPEG, GIF, BMP, TGA, any size) made the banner first");
    AddFitChoice(installCommand, install.choice, false);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return ReportParseError(app, e);
    }
    // Checked here rather than by the parser, so that one message names both
    // choices.
    if (installCommand->parsed() && install.inGame == statistic)
        return UsageError("install", "choose one banner kind: --in-game or --statistic");

    install.choice.inGame = install.inGame;
    install.choice.statistic = statistic;
    if (installCommand->parsed() && !install.fit &&
        (install.choice.size || install.choice.crop || install.choice.smooth))
        return UsageError("install", "--size, --crop and --smooth go with --fit");
    FitOptions unused;
    if (installCommand->parsed() && install.fit && ResolveFitChoice("install", install.choice, unused) != ExitDone)
        return ExitUsage;
    if (convertCommand->parsed() && !convert.fit && AnyFitChoice(convert.choice))
        return UsageError("convert", "--in-game, --statistic, --size, --crop and --smooth go with --fit");

    if (checkCommand->parsed()) return RunCheckCommand(check);
    if (fitCommand->parsed()) return RunFitCommand(fit);
    if (previewCommand->parsed()) return RunPreviewCommand(preview);
    if (convertCommand->parsed()) return RunConvertCommand(convert);
    if (inspectCommand->parsed()) return RunInspectCommand(inspect);
    if (playersCommand->parsed()) return RunPlayersCommand(players);
#ifndef _WIN32
    if (prefixCommand->parsed()) return RunPrefixCommand();
#endif
    return RunInstallCommand(install);
}
