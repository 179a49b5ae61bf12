// Natively: which Wine prefix holds the game. The launcher (through `vexillor-cli prefix`) and
// vexillor-cli's players and install share this one search, over one table of places.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>
#include <vector>

// Who made a prefix: it tells where its Wine is to be found.
enum PrefixKind { PrefixPlainWine, PrefixProton, PrefixLutris, PrefixBottles, PrefixPlayOnLinux };
// "Wine", "Steam Proton", "Lutris", "Bottles", "PlayOnLinux".
const char* PrefixKindName(PrefixKind kind);

// How the candidates below a root are found.
enum RootLayout {
    RootIsPrefix,        // the folder itself
    RootEachFolder,      // each of its sub-folders, by name
    RootSteamLibraries,  // steamapps/compatdata/*/pfx in it and in the libraries its
                         // libraryfolders.vdf lists
};

// The places the search walks, in order: `folder` is below the home folder.
struct PrefixRoot {
    PrefixKind kind;
    const char* folder;
    RootLayout layout;
};
extern const PrefixRoot kPrefixRoots[];
extern const size_t kPrefixRootCount;

// One root as people read it, below `home` ("~" for the manual): "~/Games/* (Lutris)".
std::string DescribePrefixRoot(const PrefixRoot& root, const std::string& home);

// The Wine that runs a prefix. An empty folder stands for the system's own `wine`: which Wine
// belongs to which kind of prefix is not told apart yet.
struct WineInstallation {
    std::string folder;
};

// A folder the search tried.
struct PrefixCandidate {
    std::string folder;
    PrefixKind kind = PrefixPlainWine;
    std::string passedOver;  // why it does not hold the game; empty when it does
    WineInstallation wine;
};

struct PrefixSearchResult {
    bool found = false;
    PrefixCandidate prefix;               // the first that holds the game, when found
    std::vector<PrefixCandidate> looked;  // every candidate tried, in order
};

// True when `prefix` holds the game: its system.reg names the output folder (either registry
// view, through the same lookup the player list uses) and that folder's players folder exists.
// Otherwise `why` says what was missing. Reads only; the native layer works in the prefix it
// had before afterwards.
bool PrefixHoldsGame(const std::string& prefix, std::string& why);

// The first prefix below `home` that holds the game, walking kPrefixRoots. Each folder is tried
// once, however many ways lead to it; one that cannot be read is skipped.
PrefixSearchResult FindGamePrefix(const std::string& home);

// The library folders a Steam libraryfolders.vdf lists: every "path" value, and in the older
// form every numbered entry of the top block that is a plain string. Tolerant: what it cannot
// read it leaves out.
std::vector<std::string> ReadLibraryFolders(const char* text, size_t size);
#endif
