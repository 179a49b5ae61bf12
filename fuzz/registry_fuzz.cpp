// The native registry's reading of a Wine prefix's system.reg: the input follows the file's
// first line, and the game's lookup and a few direct queries run over it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzz/fake_prefix.h"
#include "game/players.h"
#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text = "WINE REGISTRY Version 2\n" + std::string(reinterpret_cast<const char*>(data), size);
    WritePrefixFile("system.reg", text.data(), text.size());

    char dir[kGameDirSize];
    size_t n = FindGameOutputDir(dir) ? strlen(dir) : 0;
    if (n && (n > MAX_PATH || dir[n - 1] != '\\')) abort();
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
        for (const char* name : {"", "V", "OutputDir"}) {
            BYTE buffer[64];
            DWORD type = 0, room = sizeof buffer, needed = 0;
            if (RegQueryValueExA(key, name, nullptr, &type, buffer, &room) == ERROR_SUCCESS && room > sizeof buffer)
                abort();
            RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &needed);
        }
        RegCloseKey(key);
    }
    return 0;
}
