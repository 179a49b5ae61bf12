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

#ifdef VEX_MEMORY_FILES
#include <stddef.h>
// Builds for fuzzing only: opening the native path `nativePath` for reading (CreateFileA, the
// registry's system.reg) serves the `size` bytes at `data`, which the caller keeps alive and
// unchanged while the file is open. Writing to it is refused. A null `data` removes the file.
void PlatformSetMemoryFile(const char* nativePath, const void* data, size_t size);
#endif
#endif
