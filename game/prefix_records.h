// Inside the prefix search: each kind's walk over one root, reading that kind's records of its
// prefixes and their Wines. Not for callers outside game/.
#pragma once

#ifndef _WIN32
#include <string>
#include <vector>

#include "game/prefix_search.h"

// Where the walks hand their findings.
class CandidateSink {
public:
    virtual ~CandidateSink() = default;
    // A prefix and its Wine as its record says; true when the walk is to stop.
    virtual bool offer(const PrefixCandidate& candidate) = 0;
    // A record that could not be used: its candidate is passed over.
    virtual void skip(const std::string& file, const std::string& why) = 0;
};

// What the walks share: the home folder and the system's Wine.
struct WalkPlaces {
    std::string home;
    std::string systemWine;
};

// Walks `root`, offering each candidate below it; true when the sink stopped the walk.
bool WalkPrefixRoot(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink);
// The Wine installations the kind of `root` keeps there, added to `wines`.
void CollectRootWines(const PrefixRoot& root, const std::string& home, std::vector<FoundWine>& wines);

// The sub-folders (or, with `suffix`, the regular files named so) of `folder`, sorted by name;
// none when it cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder, const char* suffix = nullptr);
#endif
