// Inputs of the GUI tests made in code: banner pictures, a game installation with player
// profiles, and the texture file a conversion must write for a picture.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

// A square picture as red, green, blue, alpha bytes, rows top to bottom.
struct Rgba {
    int size;
    Bytes pixels;
};
// A picture with a different colour in every pixel; the BMP form keys (255, 0, 255) at 0, 0.
Rgba PatternPicture(int size, bool withAlpha);
// The picture as an uncompressed 24-bit BMP (alpha ignored) or 32-bit TGA, bottom row first.
Bytes BmpFile(const Rgba& picture);
Bytes TgaFile(const Rgba& picture);
// What the program reads from BmpFile: alpha 255, the colour key as four zero bytes.
Rgba AsReadFromBmp(const Rgba& picture);

// The texture record written for `picture` (flags byte 0x16 for BMP, 0x26 for TGA), five
// levels, each the truncated 2 by 2 average of the one before.
Bytes ExpectedTextureRecord(const Rgba& picture, bool fromTga);
// Checks a whole banner file: the stream header FF A1 D0 20 with some identifier, then `record`.
::testing::AssertionResult IsBannerFile(const Bytes& file, const Bytes& record);

// A game installation in a scratch folder, announced by the registry value the game's installer
// writes (HKLM\Software\Tamrivo\Quillmere\BaseGame\FileSystem, OutputDir, 32-bit view) in the
// test's own Wine prefix; the value and its keys are removed again when the object goes.
class GameInstallation {
public:
    GameInstallation();
    ~GameInstallation();
    GameInstallation(const GameInstallation&) = delete;
    GameInstallation& operator=(const GameInstallation&) = delete;

    // Players\<folder>\UserInfo.dat for a player of `race` named `name`. Returns the profile
    // folder as the program lists it (ending in a backslash).
    std::string AddPlayer(const std::string& folder, int32_t race, const std::string& name);
    // The players folder, ending in a backslash.
    std::string PlayersDir() const { return game + "\\Players\\"; }
    const TempDir& root() const { return temp; }

private:
    TempDir temp;
    std::string game;
};

// No game installation: the registry value is removed (and stays so while the object lives).
class NoGameInstallation {
public:
    NoGameInstallation();
};
