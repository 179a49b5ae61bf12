// The one place where a core path (Windows-style bytes, backslashes) becomes a path of this
// system. Every path argument of the native layer goes through CoreToNativePath.
#pragma once

#ifndef _WIN32
#include <string>

// Maps `corePath` to the native path in `out`. Returns false, with `out` empty, when the path
// names nothing this system can reach: a null path, a UNC path (\\server\share\...), or a path
// on a drive letter that is not mapped. Names on a drive are matched as Wine matches them, in
// any letter case; with `matchCase` false they are taken as given (a caller that tries the
// exact name first, and matches only when it is missing).
bool CoreToNativePath(const char* corePath, std::string& out, bool matchCase = true);
#endif
