// players: the game's player profiles as the banner target dialog lists them.
#include <stdio.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/game_prefix.h"
#include "cli/player_list.h"

namespace {

struct PlayersArguments {
    bool paths = false;  // each profile's folder as a Linux path too
    bool names = false;  // only what --player takes, for completion
};

// What --player takes by name, one a line: each profile's name and its folder's name, each once.
// No installation, no profiles: nothing, and nothing said.
int ListNames()
{
    Failure failure;
    if (!CheckInstallation(failure)) return ExitFailed;
    PlayerList list;
    LoadPlayers(list);
    std::vector<std::string> said;
    for (int32_t i = 0; i < list.names.count; ++i)
        for (const std::string& name : {list.shown[size_t(i)], ProfileFolderName(list, i)}) {
            if (name.empty() || std::find(said.begin(), said.end(), name) != said.end()) continue;
            said.push_back(name);
            printf("%s\n", name.c_str());
        }
    return ExitDone;
}

int RunPlayers(const PlayersArguments& args)
{
#ifndef _WIN32
    UseGamePrefix(args.names);
#endif
    if (args.names) return ListNames();
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
    CLI::Option* paths = players->add_flag("--paths", args->paths, "Also show each profile's folder as a Linux path");
    players->add_flag("--names", args->names, "Only the names --player takes, one a line, and nothing else")
        ->excludes(paths);
    players->callback([args] { Exit(RunPlayers(*args)); });
}
