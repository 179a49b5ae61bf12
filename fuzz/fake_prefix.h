// A Wine-style prefix in a temporary folder for the game fuzz targets: system.reg, drive_c and
// dosdevices/c:, named by WINEPREFIX; removed at exit.
#pragma once

#include <stddef.h>

#include <string>

// Makes the prefix once; returns its folder.
const std::string& FakePrefix();
// Replaces a file below the prefix (native relative path) with exactly these bytes.
void WritePrefixFile(const std::string& relative, const void* data, size_t size);
