// What the native layer's registry needs from its file calls. Not part of the Win32 surface.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>

#include "platform/win32.h"

// Reading a whole file, refused as too large (Windows' ERROR_FILE_TOO_LARGE).
const DWORD kErrorFileTooLarge = 223;

// Reads the regular file at the native `path`, of at most `most` bytes, into `out`, taking no
// more memory than the file holds. Returns ERROR_SUCCESS, or why not: ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED (also for a FIFO, socket, device or folder, which
// are never waited on), kErrorFileTooLarge, ERROR_NOT_ENOUGH_MEMORY.
DWORD ReadRegularFile(const std::string& path, size_t most, std::string& out);

// No exception leaves the layer: inside a catch, the error the caught exception stands for
// (ERROR_NOT_ENOUGH_MEMORY for a failed allocation).
DWORD ErrorOfCurrentException();
#endif
