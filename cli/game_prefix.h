// Natively: the Wine prefix a command works in, chosen once and handed to the native layer.
#pragma once

#ifndef _WIN32
#include <string>

// The user's home folder: HOME, else the password database's; empty when neither says.
std::string HomeFolder();

// WINEPREFIX as set; empty when it is not.
std::string PrefixFromEnvironment();

// For every command: WINEPREFIX when set and not empty, else ~/.wine, so that drive letters
// in paths name the prefix's drives.
void UsePathPrefix();
// For the commands that need the game: WINEPREFIX when set and not empty; else the first
// prefix the search finds, said on standard error unless `quietly`; else ~/.wine.
void UseGamePrefix(bool quietly = false);
#endif
