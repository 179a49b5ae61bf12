// The game installation and its player profiles.
#pragma once

#include <stdint.h>

#include "core/serial_array.h"

// Folder of every listed profile, ending in a backslash; entry i belongs to row i of the list.
extern SerialStringArray playerFolders;

// Bound on the player name taken from a profile file.
enum { kMaxPlayerNameLength = 4096 };

// The game's output folder, ending in "\", into `path` (MAX_PATH + 1 bytes, so that a value of
// 259 characters still gets its backslash). False when the installation is not found.
bool FindGameOutputDir(char* path);

// Rebuilds the three parallel lists from the players folder: folder, name, race code.
void ScanPlayerProfiles(SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races);
// Orders the lists by race: 1, 0, 2, 3, then higher codes ascending.
void SortPlayersByRace(SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races);
