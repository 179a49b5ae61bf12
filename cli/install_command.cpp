// install: what the banner dialog's OK button does with a picture, the chosen profile and the
// banner kind.
#include <stdio.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/banner_request.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/game_prefix.h"
#include "cli/player_list.h"
#include "image/picture.h"
#include "platform/file_facts.h"
#include "resource.h"

namespace {

const char kCommand[] = "install";

struct InstallArguments {
    std::string picture;
    std::string player;  // a row number or a name
    KindChoice kind;
    bool fit = false;
    FitChoice choice;  // with --fit
};

// With --fit, any picture made the banner first; else the banner job's checks, then what the
// dialog offers for the picture's size.
bool ReadInstallPicture(BannerRequest& request, Failure& failure)
{
    if (request.fitting) return FitRequestedPicture(request, failure);
    const std::string fileName = FileNameOf(request.picture);
    const char hint[] = "To make it the banner first: add --fit";
    if (!PassesExtensionTest(request.picture)) {
        Fail(failure, FailPlain, TableMessage(IDS_NOT_A_BITMAP, fileName.c_str()));
        OfferFit(request, failure, hint);
        return false;
    }
    ExamineBannerPicture(request);
    const PictureVerdict& v = request.verdict;
    if (!v.banner) {
        Fail(failure, FailFile, v.problem.text, request.typedPicture);
        OfferFit(request, failure, hint);
        return false;
    }
    if (request.fit.kind == BannerInGame && v.width != 32) {
        Fail(failure, FailPlain,
             "'" + fileName + "' is " + std::to_string(v.width) + "x" + std::to_string(v.height) +
                 ": only a 32x32 picture can be the in-game banner; use --statistic.");
        OfferFit(request, failure, "Or, to make it the in-game banner: add --fit");
        return false;
    }
    return true;
}

// The profile the user means, and its banner file as the destination.
bool ChooseDestination(BannerRequest& request, const std::string& player, Failure& failure)
{
#ifndef _WIN32
    UseGamePrefix();
#endif
    if (!CheckInstallation(failure)) return false;
    PlayerList list;
    LoadPlayers(list);
    if (list.names.count == 0) return Fail(failure, FailPlain, "The game installation has no player profiles.");
    int32_t row = ChoosePlayer(list, player.c_str(), failure);
    if (row < 0) return false;
    if (!BannerPathOf(list, row, request.fit.kind == BannerInGame, request.destination)) {
        failure.picture = FileNameOf(request.picture);
        return Fail(failure, FailConversion,
                    "(the banner path in " + list.shownFolders[size_t(row)] + " would be longer than " +
                        std::to_string(MAX_PATH - 1) + " characters)");
    }
    request.typedDestination = request.destination;
    return true;
}

// The success message as the window program formats it: text 1125 as the format, the file
// name and the destination path as its arguments, each into 1024 bytes.
void PrintConverted(const char* fileName, const char* destination)
{
    char text[1024];
    snprintf(text, sizeof text, TableText(IDS_CONVERTED).c_str(), fileName, destination);
    printf("%s\n", text);
}

int RunInstall(const InstallArguments& args)
{
    BannerRequest request;
    Failure failure;
    request.fitting = args.fit;
    request.fit.kind = args.kind.inGame ? BannerInGame : BannerStatistic;
    if (!args.fit && args.choice.given()) return Report(kCommand, {FailUsage, "--size, --crop and --smooth go with --fit"});
    if (args.fit && !ResolveFitOptions(args.kind, args.choice, request.fit, failure)) return Report(kCommand, failure);
    if (!SetPicture(request, args.picture, failure) || !ReadInstallPicture(request, failure) ||
        !ChooseDestination(request, args.player, failure) ||
        !CheckNotAnInput(request, request.destination, request.typedDestination, failure))
        return Report(kCommand, failure);

    char before[32];
    uint64_t beforeSize = 0;
    bool replacing = KindOfFile(request.destination) == FileRegular &&
                     FileStampOf(request.destination, &beforeSize, before, sizeof before);
    if (!WriteRequestedBanner(request, failure)) return Report(kCommand, failure);
    if (replacing)
        printf("Replaced the %s banner of %s (%llu bytes).\n", request.fit.kind == BannerInGame ? "in-game" : "statistics",
               before, (unsigned long long)beforeSize);
    std::string host = HostPathOf(request.destination);
    if (!host.empty()) printf("On Linux: %s\n", host.c_str());
    PrintConverted(FileNameOf(request.picture), request.destination);
    return ExitDone;
}

}  // namespace

void AddInstallCommand(CLI::App& app)
{
    auto args = std::make_shared<InstallArguments>();
    CLI::App* install = app.add_subcommand("install", "Write a banner into a player profile as the dialog's OK does");
    install->add_option("PICTURE", args->picture, "The picture (.bmp or .tga)")->required()->type_name("");
    install
        ->add_option("--player", args->player,
                     "The profile: its row in 'players', its name (any letter case) or its folder's name")
        ->type_name("ROW|NAME")
        ->required();
    AddBannerKind(*install, args->kind, true);
    install->add_flag("--fit", args->fit, "Any picture (PNG, JPEG, GIF, BMP, TGA, any size) made the banner first");
    AddFitChoice(*install, args->choice);
    install->callback([args] { Exit(RunInstall(*args)); });
}
