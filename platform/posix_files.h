// What the native layer's registry needs from its file calls. Not part of the Win32 surface.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>

#include "platform/whole_file.h"
#include "platform/win32.h"

// ReadWholeFile for the native `path`, as the layer's own readers (the registry) and the prefix
// search need it.
DWORD ReadRegularFile(const std::string& path, size_t most, std::string& out,
                      WholeFileLimit limit = RefuseLonger);

// No exception leaves the layer: inside a catch, the error the caught exception stands for
// (ERROR_NOT_ENOUGH_MEMORY for a failed allocation).
DWORD ErrorOfCurrentException();
#endif
