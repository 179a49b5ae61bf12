// Reading a whole file into memory under a size limit: the one way the programs read a file
// whole (pictures, texture files, the registry file, Steam's library lists).
#pragma once

#include <stddef.h>

#include <string>

#include "platform/win32.h"

// Reading a whole file, refused as too large (Windows' ERROR_FILE_TOO_LARGE).
const DWORD kErrorFileTooLarge = 223;

// What a file longer than the limit gives: a refusal, or its first bytes.
enum WholeFileLimit { RefuseLonger, CutLonger };

// Reads the regular file at `path` (core form) into `out`, at most `most` bytes, taking no more
// memory than it reads. Returns ERROR_SUCCESS, or why not: the system's error (which
// SystemErrorText words), ERROR_ACCESS_DENIED also for a folder, FIFO, socket or device (never
// waited on), kErrorFileTooLarge, ERROR_NOT_ENOUGH_MEMORY. `out` is empty on failure.
DWORD ReadWholeFile(const char* path, size_t most, std::string& out, WholeFileLimit limit = RefuseLonger);
