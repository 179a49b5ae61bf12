// Steam's libraryfolders.vdf reader on any bytes: it must neither crash nor hand back a path
// that is not absolute or that holds a zero byte.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "game/prefix_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const std::string& path : ReadLibraryFolders(reinterpret_cast<const char*>(data), size))
        if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) abort();
    return 0;
}
