// The one place where a core path (Windows-style bytes, backslashes) becomes a path of this
// system. Every path argument of the native layer goes through CoreToNativePath.
#pragma once

#ifndef _WIN32
#include <string>

// Maps `corePath` to the native path in `out`. Returns false, with `out` empty, when the path
// names nothing this system can reach: a null path, a UNC path (\\server\share\...), or a path
// on a drive letter that is not mapped.
bool CoreToNativePath(const char* corePath, std::string& out);
#endif
