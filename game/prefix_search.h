// Natively: which Wine prefix holds the game. The launcher (through `vexillor-cli prefix`) and
// vexillor-cli's players and install share this one search.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>
#include <vector>

// One place the search looked, and why it was passed over (empty `why`: it holds the game).
struct PrefixLook {
    std::string prefix;
    std::string why;
};

// True when `prefix` holds the game: its system.reg names the output folder (either registry
// view, through the same lookup the player list uses) and that folder's players folder exists.
// Otherwise `why` says what was missing. Reads only; WINEPREFIX is as before afterwards.
bool PrefixHoldsGame(const std::string& prefix, std::string& why);

// The first prefix below `home` that holds the game, in this order: ~/.wine; Steam's Proton
// prefixes (steamapps/compatdata/*/pfx) in ~/.steam/steam and ~/.local/share/Steam and in the
// library folders their libraryfolders.vdf lists; Lutris (~/Games/*); Bottles
// (~/.local/share/bottles/bottles/*); PlayOnLinux (~/.PlayOnLinux/wineprefix/*). Each folder is
// tried once, however many ways lead to it; one that cannot be read is skipped. Empty when none
// holds the game; `looked` (optional) gets every candidate tried, in order.
std::string FindGamePrefix(const std::string& home, std::vector<PrefixLook>* looked);

// The library folders a Steam libraryfolders.vdf lists: every "path" value, and in the older
// form every numbered entry of the top block that is a plain string. Tolerant: what it cannot
// read it leaves out.
std::vector<std::string> ReadLibraryFolders(const char* text, size_t size);
#endif
