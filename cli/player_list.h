// The player profiles as the banner target dialog lists them, kept by the command line itself:
// names, races and folders in row order (the window program's process-wide lists stay its own).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "cli/cli.h"
#include "core/serial_array.h"

struct PlayerList {
    SerialStringArray folders;  // each ending in a backslash
    SerialStringArray names;    // as the game stores them
    SerialIntArray races;
    std::vector<std::string> shown;         // the names as the terminal shows them, in UTF-8
    std::vector<std::string> shownFolders;  // the folders likewise
};

// True when the installation and its players folder are there; otherwise the failure says where
// the lookup looked and what was missing.
bool CheckInstallation(Failure& failure);
// Scans and sorts, as the dialog's list filling does.
void LoadPlayers(PlayerList& list);

// The list as a table, one line per row (with `paths`, each folder's Linux path closing it).
std::string FormatPlayers(const PlayerList& list, bool paths);
// The folders of the players folder the list leaves out, and why: "Skipped: ..." or empty.
std::string SkippedFolders(const PlayerList& list);
// Where the profiles would be, for "No player profiles in ...".
std::string PlayersFolderShown();

// The row the user means by `typed`: a row number as the table prints it (from 1), a player's
// name, the name in any letter case, then a profile's folder name. -1 with the failure (the
// candidates listed) when none or several match.
int32_t ChoosePlayer(const PlayerList& list, const char* typed, Failure& failure);
// The name of a row's profile folder ("C:\...\Players\Aldric\" gives "Aldric").
std::string ProfileFolderName(const PlayerList& list, int32_t row);
// The banner file of a row, from the list's own folder. False when it would not fit MAX_PATH.
bool BannerPathOf(const PlayerList& list, int32_t row, bool inGame, char* path);
