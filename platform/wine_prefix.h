// Natively, the game lives in a Wine prefix: its registry is the prefix's system.reg and its
// drive letters are the prefix's dosdevices links. Not part of the Win32 surface.
#pragma once

#ifndef _WIN32
#include <stddef.h>

// The prefix the layer works in, as its caller chose it (the command line: WINEPREFIX, the
// search, or ~/.wine; a test: its own folder). The layer never looks at the environment. Null or
// empty: none, so that drive paths and the registry reach nothing. A trailing slash is dropped.
void UseWinePrefix(const char* folder);
// The prefix in use into `out`. Returns 1, or 0 with `out` empty when none is set or it does
// not fit.
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
