// prefix (Linux): the Wine prefix that holds the game, found by the one search the launcher and
// the players and install commands share. --all lists every candidate with its Wine and verdict;
// --roots lists the places, for the launcher's messages and the manual pages; --launch gives the
// launcher its plan: the prefix and the Wine that may start in it, or the refusal.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/game_prefix.h"
#include "game/launch_plan.h"
#include "game/prefix_search.h"
#include "game/wine_install.h"

namespace {

struct PrefixArguments {
    bool roots = false;
    bool all = false;
    bool launch = false;
    std::string prefix;  // --launch: the prefix the player named
    std::string wine;
    bool updatePrefix = false;
};

// One line per place the search looks, in its order, below `home`.
std::string RootLines(const std::string& home, const char* indent)
{
    std::string text;
    for (size_t i = 0; i < kPrefixRootCount; ++i) text += indent + DescribePrefixRoot(kPrefixRoots[i], home) + "\n";
    return text;
}

std::string SystemWine()
{
    return SystemWineFolder(getenv("PATH"));
}

// What the launcher would make of one candidate with its own Wine.
std::string Verdict(const PrefixCandidate& c)
{
    if (!c.passedOver.empty()) return "passed over: " + c.passedOver;
    if (c.wine.empty()) return "holds the game; no Wine of its own is known";
    const PrefixStamp stamp = ReadPrefixStamp(c.folder);
    if (!WouldUpdatePrefix(stamp, c.wine)) return "holds the game; its Wine leaves the prefix as it is";
    unsigned long time = 0;
    std::string inf = WineInfTime(c.wine, time) ? std::to_string(time) : "none";
    return "holds the game; its Wine would update the prefix (stamp " + DescribeStamp(stamp) + ", wine.inf time " +
           inf + ")";
}

int ListEveryCandidate(const std::string& home)
{
    const std::string systemWine = SystemWine();
    PrefixSearchResult search = FindGamePrefix(home, SearchEvery, systemWine);
    for (const PrefixCandidate& c : search.looked) {
        printf("%s %s\n", PrefixKindName(c.kind), c.folder.c_str());
        if (c.wine.empty()) printf("  wine: none known: %s\n", c.noWine.c_str());
        else printf("  wine: %s (%s)\n", c.wine.c_str(), c.wineFrom.c_str());
        printf("  verdict: %s\n", Verdict(c).c_str());
    }
    for (const std::string& line : search.skipped) printf("skipped %s\n", line.c_str());
    std::vector<FoundWine> wines = FindWines(home, systemWine);
    printf("%s\n", wines.empty() ? "No Wine installation found." : "Wines found:");
    for (const FoundWine& wine : wines) printf("  %s (%s)\n", wine.folder.c_str(), wine.name.c_str());
    return ExitDone;
}

// `path` absolute (below the current folder when relative), without a trailing slash.
std::string AbsolutePath(std::string path)
{
    if (path.empty()) return path;
    if (path[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here)) path = std::string(here) + "/" + path;
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The plan as KEY=VALUE lines for the launcher, which reads them without a shell's evaluation;
// a value that would break a line, or LD_LIBRARY_PATH, is refused here.
int PrintPlan(const LaunchPlan& plan)
{
    std::string libraries;
    for (const std::string& folder : plan.libraryFolders) {
        if (folder.find(':') != std::string::npos)
            return Report("prefix", {FailPlain, "Vexillor cannot start " + plan.wine + ": its library folder " + folder +
                                                    " holds a ':', which LD_LIBRARY_PATH cannot carry."});
        libraries += (libraries.empty() ? "" : ":") + folder;
    }
    const std::pair<const char*, std::string> lines[] = {
        {"prefix", plan.prefix}, {"kind", PrefixKindName(plan.kind)}, {"wine", plan.wine + "/bin/wine"},
        {"why", plan.why},       {"library_path", libraries},         {"bits", std::to_string(plan.bits)},
    };
    for (const auto& line : lines)
        if (line.second.find('\n') != std::string::npos)
            return Report("prefix", {FailPlain, "Vexillor cannot start Wine: the " + std::string(line.first) +
                                                    " path holds a line break."});
    for (const auto& line : lines) printf("%s=%s\n", line.first, line.second.c_str());
    return ExitDone;
}

int RunLaunchPlan(const PrefixArguments& args, const std::string& home)
{
    LaunchRequest request;
    request.home = home;
    request.systemWine = SystemWine();
    request.prefix = AbsolutePath(args.prefix.empty() ? PrefixFromEnvironment() : args.prefix);
    request.wine = AbsolutePath(args.wine);
    request.updatePrefix = args.updatePrefix;
    LaunchPlan plan = PlanLaunch(request);
    if (!plan.ready) return Report("prefix", {FailPlain, plan.refusal});
    return PrintPlan(plan);
}

int RunPrefix(const PrefixArguments& args)
{
    if (args.roots) {
        fputs(RootLines("~", "").c_str(), stdout);
        return ExitDone;
    }
    const std::string home = HomeFolder();
    if (args.launch) return RunLaunchPlan(args, home);
    if (args.all) return ListEveryCandidate(home);
    PrefixSearchResult search = home.empty() ? PrefixSearchResult() : FindGamePrefix(home);
    if (search.found) {
        printf("%s\n", search.prefix.folder.c_str());
        return ExitDone;
    }
    std::string text = "No Wine prefix with Quillmere found.\nLooked in, in this order:\n" + RootLines(home, "  ");
    if (!search.looked.empty()) text += "Passed over:\n";
    for (const PrefixCandidate& c : search.looked) text += "  " + c.folder + ": " + c.passedOver + "\n";
    for (const std::string& line : search.skipped) text += "  " + line + "\n";
    text.pop_back();  // Report ends the last line
    return Report("prefix", {FailPlain, text});
}

}  // namespace

void AddPrefixCommand(CLI::App& app)
{
    auto args = std::make_shared<PrefixArguments>();
    CLI::App* prefix = app.add_subcommand("prefix", "Print the Wine prefix that holds the game (Linux)");
    prefix->add_flag("--all", args->all, "List every prefix looked at: its kind, its Wine and the verdict");
    // For the launcher and the manual pages, which list the places and take the plan from here:
    // not in --help.
    prefix->add_flag("--roots", args->roots, "")->group("");
    prefix->add_flag("--launch", args->launch, "")->group("");
    prefix->add_option("--prefix", args->prefix, "")->group("");
    prefix->add_option("--wine", args->wine, "")->group("");
    prefix->add_flag("--update-prefix", args->updatePrefix, "")->group("");
    prefix->callback([args] { Exit(RunPrefix(*args)); });
}
