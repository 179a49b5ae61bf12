// The search for the Wine prefix that holds the game. The kinds' walks (prefix_records.cpp) offer
// candidates; each is judged by the registry and file layer of the native build itself, pointed
// at the candidate for the moment, so that "holds the game" means exactly what the players list
// will find there.
#include "game/prefix_search.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "core/string_table.h"
#include "game/players.h"
#include "game/prefix_records.h"
#include "platform/posix_files.h"
#include "platform/win32.h"
#include "platform/wine_prefix.h"
#include "resource.h"

// The places, in the order the search walks them. Steam may live natively, in Flatpak or in Snap;
// Lutris keeps its games' files in one of two folders by version, and in Flatpak's; the folders
// a launcher made by itself without a record (~/Games) come last, as guesses.
const PrefixRoot kPrefixRoots[] = {
    {PrefixProton, ".steam/steam", RootSteamLibraries, nullptr},
    {PrefixProton, ".local/share/Steam", RootSteamLibraries, nullptr},
    {PrefixProton, ".var/app/com.valvesoftware.Steam/.local/share/Steam", RootSteamLibraries, nullptr},
    {PrefixProton, ".var/app/com.valvesoftware.Steam/data/Steam", RootSteamLibraries, nullptr},
    {PrefixProton, "snap/steam/common/.local/share/Steam", RootSteamLibraries, nullptr},
    {PrefixLutris, ".config/lutris/games", RootLutrisGames, ".local/share/lutris/runners/wine"},
    {PrefixLutris, ".local/share/lutris/games", RootLutrisGames, ".local/share/lutris/runners/wine"},
    {PrefixLutris, ".var/app/net.lutris.Lutris/config/lutris/games", RootLutrisGames,
     ".var/app/net.lutris.Lutris/data/lutris/runners/wine"},
    {PrefixLutris, ".var/app/net.lutris.Lutris/data/lutris/games", RootLutrisGames,
     ".var/app/net.lutris.Lutris/data/lutris/runners/wine"},
    {PrefixBottles, ".local/share/bottles", RootBottles, nullptr},
    {PrefixBottles, ".var/app/com.usebottles.bottles/data/bottles", RootBottles, nullptr},
    {PrefixHeroic, ".config/heroic", RootHeroicGames, nullptr},
    {PrefixHeroic, ".var/app/com.heroicgameslauncher.hgl/config/heroic", RootHeroicGames, nullptr},
    {PrefixHeroic, "Games/Heroic/Prefixes", RootEachFolderBelow, nullptr},
    {PrefixPlayOnLinux, ".PlayOnLinux", RootPlayOnLinux, nullptr},
    {PrefixPlainWine, ".wine", RootIsPrefix, nullptr},
    {PrefixLutris, "Games", RootEachFolder, nullptr},
};
const size_t kPrefixRootCount = sizeof kPrefixRoots / sizeof kPrefixRoots[0];

const char* PrefixKindName(PrefixKind kind)
{
    switch (kind) {
    case PrefixPlainWine: return "Wine";
    case PrefixProton: return "Steam Proton";
    case PrefixLutris: return "Lutris";
    case PrefixBottles: return "Bottles";
    case PrefixHeroic: return "Heroic";
    case PrefixPlayOnLinux: return "PlayOnLinux";
    }
    return "";
}

std::string DescribePrefixRoot(const PrefixRoot& root, const std::string& home)
{
    std::string where = home + "/" + root.folder;
    switch (root.layout) {
    case RootIsPrefix: break;
    case RootSteamLibraries:
        where += "/steamapps/compatdata/*/pfx and the libraries its libraryfolders.vdf lists";
        break;
    case RootLutrisGames: where += "/*.yml: the prefix each game names"; break;
    case RootBottles: where += "/bottles/*"; break;
    case RootHeroicGames: where += "/GamesConfig/*.json: the prefix each game names"; break;
    case RootPlayOnLinux: where += "/wineprefix/*"; break;
    case RootEachFolder: where += "/*"; break;
    case RootEachFolderBelow: where += "/*/*"; break;
    }
    return where + " (" + PrefixKindName(root.kind) + ")";
}

namespace {

// Points the native layer at one candidate while it is judged, then back at the prefix it had.
class PrefixOverride {
public:
    explicit PrefixOverride(const std::string& prefix)
    {
        char folder[4096];
        if (WinePrefixFolder(folder, sizeof folder)) previous = folder;
        UseWinePrefix(prefix.c_str());
    }
    ~PrefixOverride() { UseWinePrefix(previous.c_str()); }
    PrefixOverride(const PrefixOverride&) = delete;
    PrefixOverride& operator=(const PrefixOverride&) = delete;

private:
    std::string previous;
};

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Takes the walks' candidates: each folder once (by its real path), judged, up to the first
// that holds the game unless every one is wanted.
class Search : public CandidateSink {
public:
    Search(PrefixSearchResult& r, SearchScope s) : result(r), scope(s) {}

    bool offer(const PrefixCandidate& offered) override
    {
        char real[PATH_MAX];
        if (!realpath(offered.folder.c_str(), real)) return false;  // missing, dangling or unreadable
        if (!IsFolder(real) || !seen.insert(real).second) return false;
        PrefixCandidate candidate = offered;
        bool holds = PrefixHoldsGame(candidate.folder, candidate.passedOver);
        result.looked.push_back(candidate);
        if (holds && !result.found) {
            result.found = true;
            result.prefix = candidate;
        }
        return holds && scope == SearchFirst;
    }
    void skip(const std::string& file, const std::string& why) override
    {
        std::string line = file + ": " + why;
        if (said.insert(line).second) result.skipped.push_back(line);  // two roots may reach one file
    }

private:
    PrefixSearchResult& result;
    SearchScope scope;
    std::set<std::string> seen, said;
};

}  // namespace

bool PrefixHoldsGame(const std::string& prefix, std::string& why)
{
    why.clear();
    if (!IsFolder(prefix)) {
        why = "not a folder";
        return false;
    }
    PrefixOverride use(prefix);
    char gameDir[kGameDirSize];
    switch (LookUpGameOutputDir(gameDir)) {
    case GameFound: break;
    case GameKeyMissing: why = "no Quillmere registry key in system.reg (or no readable system.reg)"; return false;
    case GameSubKeyMissing:
    case GameValueMissing: why = "no OutputDir value in the Quillmere registry key"; return false;
    case GameValueTooLong:
    case GameValueNotString:
    case GameValueEmpty: why = "the OutputDir value is not a usable folder"; return false;
    }
    char name[MAX_PATH], players[MAX_PATH];
    LoadTableString(IDS_PLAYERS_FOLDER, name, sizeof name);
    if (snprintf(players, sizeof players, "%s%s\\*.*", gameDir, name) >= int(sizeof players)) {
        why = "the players folder's path is too long";
        return false;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(players, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        why = std::string("no players folder ") + gameDir + name;
        return false;
    }
    FindClose(search);
    return true;
}

PrefixSearchResult FindGamePrefix(const std::string& home, SearchScope scope, const std::string& systemWine)
{
    PrefixSearchResult result;
    Search search(result, scope);
    const WalkPlaces places{home, systemWine};
    for (size_t i = 0; i < kPrefixRootCount; ++i)
        if (WalkPrefixRoot(kPrefixRoots[i], places, search)) break;
    return result;
}

std::vector<FoundWine> FindWines(const std::string& home, const std::string& systemWine)
{
    std::vector<FoundWine> all, wines;
    if (!systemWine.empty()) all.push_back(FoundWine{systemWine, "the system's Wine"});
    for (size_t i = 0; i < kPrefixRootCount; ++i) CollectRootWines(kPrefixRoots[i], home, all);
    std::set<std::string> seen;
    for (const FoundWine& wine : all) {
        char real[PATH_MAX];
        if (realpath(wine.folder.c_str(), real) && seen.insert(real).second) wines.push_back(wine);
    }
    return wines;
}
