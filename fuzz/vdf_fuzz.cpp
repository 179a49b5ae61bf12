// Steam's files as the prefix search reads them, on any bytes: the KeyValues reader with what is
// taken from libraryfolders.vdf, config.vdf and compatibilitytool.vdf, and config_info. None may
// crash or hand back a library or Wine folder that is not absolute or that holds a zero byte.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "game/steam_files.h"

namespace {

void CheckFolder(const std::string& path)
{
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    for (const std::string& path : ReadLibraryFolders(text, size)) CheckFolder(path);
    VdfNode root;
    std::string why;
    bool whole = ReadVdf(text, size, root, why);
    if (whole != why.empty()) abort();  // a damaged file always says why
    MappedCompatTool(root, "2440510");
    for (const CompatTool& tool : ReadCompatTools(root))
        if (tool.name.empty() || tool.installPath.empty()) abort();
    std::string wine;
    if (ReadConfigInfo(text, size, wine, why)) CheckFolder(wine);
    ValveProtonName(std::string(text, size < 64 ? size : 64));
    return 0;
}
