// Fault injection for the tests of the native layer's callers. Not part of the Win32 surface.
#pragma once

#ifndef _WIN32
#include <stdint.h>

// After `bytes` more bytes have been written through WriteFile, every further WriteFile fails
// with ERROR_DISK_FULL (a write that would cross the mark writes what fits, then fails). A
// negative value switches the fault off, as it starts.
void PlatformFailWritesAfter(int64_t bytes);

// Calls `probe` with the path (as the caller gave it) of every CreateDirectoryA, before it is
// mapped, so tests can see which folders are asked for, also ones this system cannot reach.
// Null stops it.
typedef void (*PlatformPathProbe)(const char* path);
void PlatformOnCreateDirectory(PlatformPathProbe probe);
#endif
