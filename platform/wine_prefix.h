// Natively, the game lives in a Wine prefix: its registry is the prefix's system.reg and its
// drive letters are the prefix's dosdevices links. Not part of the Win32 surface.
#pragma once

#ifndef _WIN32
#include <stddef.h>

// The prefix folder: WINEPREFIX when set and not empty, else ~/.wine (no trailing slash).
// Returns 1, or 0 with `out` empty when it does not fit or no home folder is known.
int WinePrefixFolder(char* out, size_t size);
// The registry file read for HKEY_LOCAL_MACHINE: the prefix folder, then "/system.reg".
int WineRegistryFile(char* out, size_t size);
#endif
