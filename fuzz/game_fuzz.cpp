// The game part's readers on a Wine-style prefix in a temporary folder (drive_c, dosdevices/c:,
// the native layer's prefix; removed at exit), its files served from memory through the same
// CreateFileA and registry paths that read files on disk. VEX_FUZZ_PROFILE: the input becomes
// Players\Ann\UserInfo.dat and is scanned and sorted as the player list does it; the first byte
// chooses whether the rest is written as it is (damaged zlib data) or compressed first (damaged
// records). VEX_FUZZ_REGISTRY: the input follows system.reg's first line, and the game's lookup
// and a few direct queries run over it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <zlib.h>

#include "game/players.h"
#include "platform/posix_path.h"
#include "platform/test_hooks.h"
#include "platform/win32.h"
#include "platform/wine_prefix.h"

namespace {
// The prefix, made once; returns the native path of `relative` below it.
std::string PrefixPath(const char* relative)
{
    static const std::string prefix = [] {
        char folder[] = "/tmp/vexillor-fuzz-XXXXXX";
        if (!mkdtemp(folder)) abort();
        const std::string root = folder;
        std::filesystem::create_directories(root + "/drive_c/Games/Quillmere/Players/Ann");
        std::filesystem::create_directories(root + "/dosdevices");
        if (symlink("../drive_c", (root + "/dosdevices/c:").c_str()) != 0) abort();
        UseWinePrefix(folder);
        atexit([] {
            char made[4096];
            std::error_code ec;
            if (WinePrefixFolder(made, sizeof made)) std::filesystem::remove_all(made, ec);
        });
        return root;
    }();
    return prefix + "/" + relative;
}
}  // namespace

#ifdef VEX_FUZZ_PROFILE
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char kRegistry[] =
        "WINE REGISTRY Version 2\n#arch=win64\n\n"
        "[Software\\\\Wow6432Node\\\\Tamrivo\\\\Quillmere\\\\BaseGame\\\\FileSystem] 1700000000\n"
        "\"OutputDir\"=\"C:\\\\Games\\\\Quillmere\"\n";
    static const std::string registry = PrefixPath("system.reg");
    static const std::string profile = [] {
        std::string native;  // as the layer maps the core path the scan opens
        PrefixPath("");
        if (!CoreToNativePath("C:\\Games\\Quillmere\\Players\\Ann\\UserInfo.dat", native)) abort();
        return native;
    }();
    PlatformSetMemoryFile(registry.c_str(), kRegistry, sizeof kRegistry - 1);
    if (size == 0) return 0;
    static std::vector<uint8_t> body;  // served while the scan runs
    body.assign(data + 1, data + size);
    if (data[0] & 1) {
        // One compressor per level, reset for each input: a new one would cost far more than
        // the scan under test.
        static z_stream packers[10];
        static bool ready[10];
        int level = (data[0] >> 4) % 10;  // 0 (stored blocks) to 9
        z_stream& z = packers[level];
        if (!ready[level] && deflateInit(&z, level) != Z_OK) abort();
        ready[level] = true;
        if (deflateReset(&z) != Z_OK) abort();
        std::vector<uint8_t> packed(deflateBound(&z, uLong(body.size())));
        z.next_in = body.data();
        z.avail_in = uInt(body.size());
        z.next_out = packed.data();
        z.avail_out = uInt(packed.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) abort();
        uLongf packedSize = uLongf(packed.size() - z.avail_out);
        body.assign(packed.begin(), packed.begin() + packedSize);
    }
    PlatformSetMemoryFile(profile.c_str(), body.data(), body.size());

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
    static const std::string registry = PrefixPath("system.reg");
    static std::string text;  // served while the lookup runs
    text.assign("WINE REGISTRY Version 2\n").append(reinterpret_cast<const char*>(data), size);
    PlatformSetMemoryFile(registry.c_str(), text.data(), text.size());

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
