// Natively: the launcher's decision, which prefix and which Wine, made here so that it can be
// tested and the bash launcher stays thin. A Wine is chosen only if it leaves the prefix as it
// is; otherwise the plan is a refusal that says why and what the player can do.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>
#include <vector>

#include "game/prefix_search.h"

struct LaunchRequest {
    std::string home;
    std::string systemWine;    // SystemWineFolder of PATH; empty when there is none
    std::string prefix;        // --prefix or WINEPREFIX, absolute; empty: the search's
    std::string wine;          // --wine DIR, absolute; empty: none named
    bool updatePrefix = false; // --update-prefix: the player accepts that Wine updates the prefix
};

struct LaunchPlan {
    bool ready = false;
    std::string prefix;
    PrefixKind kind = PrefixPlainWine;
    std::string wine;  // the installation: its bin/wine is started
    std::string why;   // why this Wine
    std::vector<std::string> libraryFolders;  // first on LD_LIBRARY_PATH
    int bits = 64;                            // the program to start: 32- or 64-bit
    std::string refusal;                      // when not ready, wrapped at 72 columns
};

// Reads only: the launchers' records, the prefix's stamp and registry header, the wineserver's
// lock. Starts and writes nothing.
LaunchPlan PlanLaunch(const LaunchRequest& request);

// `text` wrapped at `columns`: each line broken at spaces, its continuation indented as the line
// (two more after a "- " bullet). A word longer than a line (a path) is kept whole.
std::string WrapText(const std::string& text, size_t columns);
#endif
