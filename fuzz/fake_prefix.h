// A Wine-style prefix in a temporary folder for the game fuzz targets: system.reg, drive_c and
// dosdevices/c:, named by WINEPREFIX; made on first use, removed at exit.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// Replaces a file below the prefix (native relative path) with exactly these bytes.
inline void WritePrefixFile(const std::string& relative, const void* data, size_t size)
{
    static const std::string prefix = [] {
        char folder[] = "/tmp/vexillor-fuzz-XXXXXX";
        if (!mkdtemp(folder)) abort();
        std::filesystem::create_directories(std::string(folder) + "/drive_c/Games/Quillmere/Players/Ann");
        std::filesystem::create_directories(std::string(folder) + "/dosdevices");
        if (symlink("../drive_c", (std::string(folder) + "/dosdevices/c:").c_str()) != 0) abort();
        setenv("WINEPREFIX", folder, 1);
        atexit([] { std::error_code ec; std::filesystem::remove_all(getenv("WINEPREFIX"), ec); });
        return std::string(folder);
    }();
    FILE* f = fopen((prefix + "/" + relative).c_str(), "wb");
    if (!f || (size && fwrite(data, 1, size, f) != size) || fclose(f) != 0) abort();
}
