// Natively: which Wine prefix holds the game, and which Wine each prefix belongs to. The launcher
// (through `vexillor-cli prefix`) and vexillor-cli's players and install share this one search,
// over one table of places.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>
#include <vector>

// Who made a prefix: it tells where its Wine is to be found.
enum PrefixKind { PrefixPlainWine, PrefixProton, PrefixLutris, PrefixBottles, PrefixHeroic, PrefixPlayOnLinux };
// "Wine", "Steam Proton", "Lutris", "Bottles", "Heroic", "PlayOnLinux".
const char* PrefixKindName(PrefixKind kind);

// How the candidates below a root are found, and where their Wine is recorded.
enum RootLayout {
    RootIsPrefix,         // the folder itself; the system's Wine
    RootSteamLibraries,   // Steam's data folder: steamapps/compatdata/*/pfx in it and in every
                          // library its libraryfolders.vdf lists; the Proton that config_info
                          // names, else the tool config.vdf maps to the game
    RootLutrisGames,      // *.yml, one per game: its prefix, and its runner among `wines`/*
    RootBottles,          // bottles/*, each with its bottle.yml: the runner among runners/*
    RootHeroicGames,      // GamesConfig/*.json: each game's winePrefix and wineVersion
    RootPlayOnLinux,      // wineprefix/*, each with its playonlinux.cfg: wine/linux-ARCH/VERSION
    RootEachFolder,       // each sub-folder, a guess: no record names its Wine
    RootEachFolderBelow,  // each sub-folder of each sub-folder (its pfx/ when it has one), a guess
};

// The places the search walks, in order: `folder` and `wines` are below the home folder.
struct PrefixRoot {
    PrefixKind kind;
    const char* folder;
    RootLayout layout;
    const char* wines;  // RootLutrisGames: the runners' folder
};
extern const PrefixRoot kPrefixRoots[];
extern const size_t kPrefixRootCount;

// One root as people read it, below `home` ("~" for the manual): "~/Games/* (Lutris)".
std::string DescribePrefixRoot(const PrefixRoot& root, const std::string& home);

// A folder the search tried.
struct PrefixCandidate {
    std::string folder;
    PrefixKind kind = PrefixPlainWine;
    std::string passedOver;  // why it does not hold the game; empty when it does
    std::string wine;        // the Wine installation its kind's own record names; empty when none
    std::string wineFrom;    // that record: "config_info", "bottle.yml: Runner caffe-7.20", ...
    std::string noWine;      // when `wine` is empty: why no Wine is known for it
};

struct PrefixSearchResult {
    bool found = false;
    PrefixCandidate prefix;                // the first that holds the game, when found
    std::vector<PrefixCandidate> looked;   // every candidate tried, in order
    std::vector<std::string> skipped;      // "FILE: why" for each record that could not be used;
                                           // the candidate it stood for is not tried
};

// True when `prefix` holds the game: its system.reg names the output folder (either registry
// view, through the same lookup the player list uses) and that folder's players folder exists.
// Otherwise `why` says what was missing. Reads only; the native layer works in the prefix it
// had before afterwards.
bool PrefixHoldsGame(const std::string& prefix, std::string& why);

enum SearchScope {
    SearchFirst,  // up to the first prefix that holds the game
    SearchEvery,  // every candidate, each judged
};
// The prefixes below `home`, walking kPrefixRoots. Each folder is tried once, however many
// ways lead to it; one that cannot be read is skipped. `systemWine` is the system's Wine
// installation (SystemWineFolder), or empty when there is none. Reads only.
PrefixSearchResult FindGamePrefix(const std::string& home, SearchScope scope = SearchFirst,
                                  const std::string& systemWine = std::string());

// A Wine installation found where a launcher keeps its Wines.
struct FoundWine {
    std::string folder;
    std::string name;  // "Proton 8.0 (Steam)", "lutris-7.2-2-x86_64 (Lutris)", "the system's Wine"
};
// Every Wine installation below `home` that the kinds of kPrefixRoots keep, and the system's
// first; each once.
std::vector<FoundWine> FindWines(const std::string& home, const std::string& systemWine);
#endif
