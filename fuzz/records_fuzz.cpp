// The game launchers' records as the prefix search reads them, on any bytes. The first byte
// chooses the reader: a Lutris game or runners/wine.yml, a Bottles bottle.yml (libyaml), a Heroic
// game's JSON (nlohmann), a PlayOnLinux playonlinux.cfg. None may crash or throw, and what one
// accepts names a prefix, and a version or runner that is one plain folder name.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "game/launcher_files.h"

namespace {

void CheckName(const std::string& name)
{
    if (!name.empty() && !IsPlainFolderName(name)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const char* text = reinterpret_cast<const char*>(data) + 1;
    const size_t n = size - 1;
    std::string prefix, version, why, arch;
    HeroicGame game;
    switch (data[0] % 5) {
    case 0:
        if (!ReadLutrisGame(text, n, prefix, version, why)) break;
        if (prefix.empty()) abort();
        CheckName(version);
        break;
    case 1:
        if (ReadLutrisDefault(text, n, version, why)) CheckName(version);
        break;
    case 2:
        if (ReadBottle(text, n, version, why) && !IsPlainFolderName(version)) abort();
        break;
    case 3:
        if (ReadHeroicGame(text, n, "Quill", game, why) && game.winePrefix.empty()) abort();
        break;
    case 4:
        if (!ReadPlayOnLinuxConfig(text, n, version, arch, why)) break;
        if (arch != "x86" && arch != "amd64") abort();
        CheckName(version);
        break;
    }
    return 0;
}
