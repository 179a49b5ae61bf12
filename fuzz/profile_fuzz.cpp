// The player profile reader: the input becomes Players\Ann\UserInfo.dat of a fake installation
// and is scanned and sorted as the player list does it. The first byte chooses whether the rest
// is written as it is (damaged zlib data) or compressed first (damaged records).
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include <zlib.h>

#include "fuzz/fake_prefix.h"
#include "game/players.h"

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
