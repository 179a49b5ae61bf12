// The game part's readers on a Wine-style prefix in a temporary folder (system.reg, drive_c,
// dosdevices/c:, named by WINEPREFIX; removed at exit). VEX_FUZZ_PROFILE: the input becomes
// Players\Ann\UserInfo.dat and is scanned and sorted as the player list does it; the first byte
// chooses whether the rest is written as it is (damaged zlib data) or compressed first (damaged
// records). VEX_FUZZ_REGISTRY: the input follows system.reg's first line, and the game's lookup
// and a few direct queries run over it.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <zlib.h>

#include "game/players.h"
#include "platform/win32.h"

namespace {
// Replaces a file below the prefix (native relative path) with exactly these bytes.
void WritePrefixFile(const std::string& relative, const void* data, size_t size)
{
    static const std::string prefix = [] {
        char folder[] = "/tmp/vexillor-fuzz-XXXXXX";
        if (!mkdtemp(folder)) abort();
        const std::string root = folder;
        std::filesystem::create_directories(root + "/drive_c/Games/Quillmere/Players/Ann");
        std::filesystem::create_directories(root + "/dosdevices");
        if (symlink("../drive_c", (root + "/dosdevices/c:").c_str()) != 0 || setenv("WINEPREFIX", folder, 1)) abort();
        atexit([] { std::error_code ec; std::filesystem::remove_all(getenv("WINEPREFIX"), ec); });
        return root;
    }();
    FILE* f = fopen((prefix + "/" + relative).c_str(), "wb");
    if (!f || (size && fwrite(data, 1, size, f) != size) || fclose(f) != 0) abort();
}
}  // namespace

#ifdef VEX_FUZZ_PROFILE
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char kRegistry[] =
        "WINE REGISTRY Version 2\n#arch=win64\n\n"
        "[Software\\\\Wow6432Node\\\\Tamrivo\\\\Quillmere\\\\BaseGame\\\\FileSystem] 1700000000\n"
        "\"OutputDir\"=\"C:\\\\Games\\\\Quillmere\"\n";
    static const bool ready = (WritePrefixFile("system.reg", kRegistry, sizeof kRegistry - 1), true);
    if (size == 0 || !ready) return 0;
    std::vector<uint8_t> body(data + 1, data + size);
    if (data[0] & 1) {
        uLongf packedSize = compressBound(uLong(body.size()));
        std::vector<uint8_t> packed(packedSize);
        int level = (data[0] >> 4) % 10;  // 0 (stored blocks) to 9
        if (compress2(packed.data(), &packedSize, body.data(), uLong(body.size()), level) != Z_OK) abort();
        body.assign(packed.begin(), packed.begin() + packedSize);
    }
    WritePrefixFile("drive_c/Games/Quillmere/Players/Ann/UserInfo.dat", body.data(), body.size());

    SerialStringArray names;
    SerialIntArray races;
    ScanPlayerProfiles(playerFolders, names, races);
    SortPlayersByRace(playerFolders, names, races);
    if (names.count != races.count || names.count != playerFolders.count || names.count > 1) abort();
    if (names.count == 1 && (races.data[0] < 0 || names.data[0].length() > uint32_t(kMaxPlayerNameLength) ||
                             strcmp(playerFolders.data[0].c_str(), "C:\\Games\\Quillmere\\Players\\Ann\\") != 0))
        abort();
    return 0;
}
#else
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
#endif
