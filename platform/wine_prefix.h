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

// While one lives, this thread's registry calls read system.reg once (the first key opened
// reads it) instead of once per key: a lookup sees one state of the file.
class WineRegistrySnapshot {
public:
    WineRegistrySnapshot();
    ~WineRegistrySnapshot();
    WineRegistrySnapshot(const WineRegistrySnapshot&) = delete;
    WineRegistrySnapshot& operator=(const WineRegistrySnapshot&) = delete;
};

// Why the last reading of system.reg refused the file ("is not a regular file", "is larger
// than 64 MiB", ...), to follow its path in a message; empty when it was read or is missing.
const char* WineRegistryRefusal();
#endif
