// prefix (Linux): the Wine prefix that holds the game, found by the one search the launcher and
// the players and install commands share. --roots lists the places it looks, for the launcher's
// messages and the manual pages.
#include <stdio.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/game_prefix.h"
#include "game/prefix_search.h"

namespace {

// One line per place the search looks, in its order, below `home`.
std::string RootLines(const std::string& home, const char* indent)
{
    std::string text;
    for (size_t i = 0; i < kPrefixRootCount; ++i) text += indent + DescribePrefixRoot(kPrefixRoots[i], home) + "\n";
    return text;
}

int RunPrefix(bool roots)
{
    if (roots) {
        fputs(RootLines("~", "").c_str(), stdout);
        return ExitDone;
    }
    const std::string home = HomeFolder();
    PrefixSearchResult search = home.empty() ? PrefixSearchResult() : FindGamePrefix(home);
    if (search.found) {
        printf("%s\n", search.prefix.folder.c_str());
        return ExitDone;
    }
    std::string text = "No Wine prefix with Quillmere found.\nLooked in, in this order:\n" + RootLines(home, "  ");
    if (!search.looked.empty()) text += "Passed over:\n";
    for (const PrefixCandidate& c : search.looked) text += "  " + c.folder + ": " + c.passedOver + "\n";
    text.pop_back();  // Report ends the last line
    return Report("prefix", {FailPlain, text});
}

}  // namespace

void AddPrefixCommand(CLI::App& app)
{
    auto roots = std::make_shared<bool>(false);
    CLI::App* prefix = app.add_subcommand("prefix", "Print the Wine prefix that holds the game (Linux)");
    // For the launcher and the manual pages, which list the places from here: not in --help.
    prefix->add_flag("--roots", *roots, "")->group("");
    prefix->callback([roots] { Exit(RunPrefix(*roots)); });
}
