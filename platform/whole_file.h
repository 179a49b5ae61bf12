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

// Gives back to the system the whole memory pages inside data[0..size) of a block the caller
// owns and will read no more (a file's bytes, once decoded): they stop counting against the
// process's memory and read as zero, or as they were, if touched again. The block stays
// allocated and is freed as usual. Blocks smaller than a few pages are left alone.
void ReleaseReadPages(void* data, size_t size);
