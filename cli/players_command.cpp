// players: the game's player profiles as the banner target dialog lists them.
#include <stdio.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/game_prefix.h"
#include "cli/player_list.h"

namespace {

struct PlayersArguments {
    bool paths = false;  // each profile's folder as a Linux path too
};

int RunPlayers(const PlayersArguments& args)
{
#ifndef _WIN32
    UseGamePrefix();
#endif
    Failure failure;
    if (!CheckInstallation(failure)) return Report("players", failure);
    PlayerList list;
    LoadPlayers(list);
    if (list.names.count == 0) printf("No player profiles in %s\n", PlayersFolderShown().c_str());
    else fputs(FormatPlayers(list, args.paths).c_str(), stdout);
    std::string skipped = SkippedFolders(list);
    if (!skipped.empty()) printf("%s\n", skipped.c_str());
    return ExitDone;
}

}  // namespace

void AddPlayersCommand(CLI::App& app)
{
    auto args = std::make_shared<PlayersArguments>();
    CLI::App* players =
        app.add_subcommand("players", "List the game's player profiles as the banner dialog shows them");
    players->add_flag("--paths", args->paths, "Also show each profile's folder as a Linux path");
    players->callback([args] { Exit(RunPlayers(*args)); });
}
