// The game installation and its player profiles: the output folder from the registry, the
// profile folders of its players folder with each profile's name and race, sorted by race.
#pragma once

#include <stdint.h>

#include "core/serial_array.h"
#include "platform/win32.h"

// Folder of every listed profile, ending in a backslash; entry i belongs to row i of the list.
// Static lifetime: constructed empty before the main function, destroyed at exit.
extern SerialStringArray playerFolders;

// Bound on the name taken from a profile file. The format sets none, and a damaged length
// must not make the reader allocate or read gigabytes; real names are a few dozen bytes.
enum { kMaxPlayerNameLength = 4096 };

// The profile file's record: magic, race code, name length, name bytes.
enum : uint32_t { kProfileMagic = 0x02004955 };  // bytes 55 49 00 02: "UI", 00 02
enum : uint32_t { kProfileMode = 0x6001 };        // ModeRead, zlib level 6

// Buffer size FindGameOutputDir needs: a value of 259 characters still gets its backslash.
enum { kGameDirSize = MAX_PATH + 1 };

// How the lookup of the output folder ended, ordered by how far it got.
enum GameLookupResult {
    GameKeyMissing,      // no key "Software\Tamrivo\Quillmere\BaseGame"
    GameSubKeyMissing,   // the key, but no sub-key "FileSystem"
    GameValueMissing,    // the sub-key, but no value "OutputDir"
    GameValueTooLong,    // a value that does not fit MAX_PATH bytes
    GameValueNotString,  // a value of a type other than REG_SZ (REG_EXPAND_SZ too)
    GameValueEmpty,      // an empty REG_SZ value
    GameFound,
};

// The game's output folder, ending in "\", into `path` (kGameDirSize bytes); on failure `path`
// is empty. Reads HKEY_LOCAL_MACHINE, read only: the 32-bit view first (the game is a 32-bit
// program, so a 64-bit system keeps its installer's keys there), then the 64-bit view. The
// result is that of the view that got furthest.
GameLookupResult LookUpGameOutputDir(char* path);
// True when LookUpGameOutputDir finds the folder.
bool FindGameOutputDir(char* path);

// The banner file of listed profile `row` into `path` (MAX_PATH bytes): its folder from
// playerFolders and "BannerUser.tex" or "BannerUserStat.tex". False, with `path` empty, when the
// whole path would not fit: nothing may be written to a path cut short.
bool ComposeBannerPath(int32_t row, bool inGame, char* path);
// The same for the profile folder `folder` (ending in a backslash), wherever the list is kept.
bool ComposeBannerPathIn(const char* folder, bool inGame, char* path);

// Rebuilds the three parallel lists from the players folder: folder (ending in "\"), name and
// race code of every profile folder with a valid UserInfo.dat, in the order the folder
// enumeration delivers them. Reports nothing: what cannot be read is left out.
void ScanPlayerProfiles(SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races);
// Orders the lists by race: 1, 0, 2, 3, then higher codes ascending (a selection sort, so the
// order within one race is what the exchanges leave).
void SortPlayersByRace(SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races);
