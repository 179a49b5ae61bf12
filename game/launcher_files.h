// Natively: the records the game launchers keep about a game's prefix and its Wine, as far as
// the prefix search reads them: Lutris's and Bottles' YAML, Heroic's JSON, PlayOnLinux's
// playonlinux.cfg. Each reader takes the file's bytes; false with `why` for a file it cannot use.
#pragma once

#ifndef _WIN32
#include <stddef.h>

#include <string>

// A Lutris game's YAML (games/*.yml): `game: prefix:` and `wine: version:` (empty when the game
// names none). False for damaged YAML or a game without a prefix (not a Wine game).
bool ReadLutrisGame(const char* text, size_t size, std::string& prefix, std::string& version, std::string& why);
// Lutris's runners/wine.yml: the default `wine: version:`; empty when it names none.
bool ReadLutrisDefault(const char* text, size_t size, std::string& version, std::string& why);
// A Bottles bottle.yml: its `Runner:`.
bool ReadBottle(const char* text, size_t size, std::string& runner, std::string& why);

// Heroic's GamesConfig/KEY.json: under `key`, winePrefix and wineVersion's bin and type ("wine",
// "proton", ...); `wineBin` empty when the game names no Wine.
struct HeroicGame {
    std::string winePrefix;
    std::string wineBin;
    std::string wineType;
};
bool ReadHeroicGame(const char* text, size_t size, const std::string& key, HeroicGame& game, std::string& why);

// A PlayOnLinux prefix's playonlinux.cfg (KEY=VALUE lines): VERSION (empty: the system's Wine)
// and ARCH ("x86" when not given, else "x86" or "amd64").
bool ReadPlayOnLinuxConfig(const char* text, size_t size, std::string& version, std::string& arch, std::string& why);

// True when `name` can stand for one folder inside another: not empty, not "." or "..", no
// slash or zero byte. Versions and runner names become folder names.
bool IsPlainFolderName(const std::string& name);
#endif
