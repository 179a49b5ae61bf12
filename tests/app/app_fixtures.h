// Inputs of the GUI tests made in code: banner pictures, the texture file a conversion must
// write for them, and a game installation with player profiles.
#pragma once

#include <stdint.h>

#include <zlib.h>

#include "app/banner_target_dialog.h"
#include "tests/app/gui_harness.h"
#include "tests/support/test_support.h"

// The test picture of `size` pixels as an uncompressed 24-bit BMP, and as the red, green, blue,
// alpha bytes the program reads from it, rows top down: a different colour in every pixel, never
// the colour key, so every pixel is opaque.
inline Bytes Pattern(int size)
{
    Bytes p;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            p.insert(p.end(), {uint8_t(x * 255 / (size - 1)), uint8_t(y * 255 / (size - 1)),
                               uint8_t((x * 7 + y * 13) & 0xFF), 255});
    return p;
}
inline Bytes BmpFile(int n)
{
    Bytes b = {'B', 'M'}, p = Pattern(n);
    uint32_t side = n, bytes = n * n * 3;
    for (uint32_t field : {54 + bytes, 0u, 54u, 40u, side, side, 0x180001u, 0u, bytes, 2835u, 2835u, 0u, 0u})
        PutU32(b, field);  // file size, 0, pixel offset; header size, width, height, 1 plane of 24 bits, BI_RGB,
                           // image size, pixels per metre both ways, colours used and important
    for (int y = n - 1; y >= 0; --y)  // bottom row first, blue green red
        for (int x = 0; x < n; ++x) {
            const uint8_t* px = &p[(size_t(y) * n + x) * 4];
            b.insert(b.end(), {px[2], px[1], px[0]});
        }
    return b;
}

// The banner file written for the test picture after its stream header FF A1 D0 20 and the
// identifier: the texture record with five levels, each the truncated 2 by 2 average of the one before.
inline Bytes BannerRecord(int size)
{
    Bytes record = {'T', 'E', 'X', 0, 1, 0, 0, 0}, level = Pattern(size);
    for (uint32_t field : {0x03000016u, 0x8888u, uint32_t(size), uint32_t(size), 5u})
        PutU32(record, field);  // sizes, format, levels, kind (from a BMP); 8 bits a channel; width; height; levels
    for (int k = 0; k < 5; ++k, size /= 2) {
        record.insert(record.end(), level.begin(), level.end());
        Bytes next;
        for (int y = 0; y < size / 2; ++y)
            for (int x = 0; x < size / 2; ++x)
                for (int c = 0; c < 4; ++c) {
                    auto at = [&](int dx, int dy) { return level[(size_t(2 * y + dy) * size + 2 * x + dx) * 4 + c]; };
                    next.push_back(uint8_t((at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1)) / 4));
                }
        level = next;
    }
    return record;
}
inline void ExpectBannerFile(const Bytes& file, int size)
{
    ASSERT_GE(file.size(), 20u);
    EXPECT_EQ("ff a1 d0 20", Hex(Bytes(file.begin(), file.begin() + 4))) << "stream header";
    EXPECT_TRUE(Bytes(file.begin() + 20, file.end()) == BannerRecord(size)) << "the texture record differs";
}

// A game installation in a scratch folder, announced where the game's installer writes it: the
// 32-bit view of HKLM\Software\Tamrivo\Quillmere\BaseGame\FileSystem, OutputDir, in the suite's
// own Wine prefix. The keys go again with the object.
class GameInstallation {
public:
    GameInstallation() : game(temp.core("Game"))
    {
        const char* key = "Software\\Wow6432Node\\Tamrivo\\Quillmere\\BaseGame\\FileSystem";
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "OutputDir", REG_SZ, game.c_str(), DWORD(game.size() + 1)));
    }
    ~GameInstallation() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Tamrivo"); }

    std::string PlayersDir() const { return game + "\\Players\\"; }
    // Players\<folder>\UserInfo.dat for a player of `race` named `name`; returns the profile
    // folder as the program lists it, ending in a backslash.
    std::string AddPlayer(const std::string& folder, int32_t race, const std::string& name)
    {
        Bytes record;
        for (uint32_t field : {0x02004955u, uint32_t(race), uint32_t(name.size())})
            PutU32(record, field);  // magic 55 49 00 02, race, name length
        record.insert(record.end(), name.begin(), name.end());
        uLongf size = compressBound(record.size());
        Bytes packed(size);
        compress2(packed.data(), &size, record.data(), record.size(), 6);
        packed.resize(size);
        MakeFolder(NativePath(PlayersDir() + folder));
        WriteFileBytes(NativePath(PlayersDir() + folder + "\\UserInfo.dat"), packed);
        return PlayersDir() + folder + "\\";
    }

private:
    TempDir temp;
    std::string game;
};

// Pictures in a scratch folder.
class BannerTest : public GuiTest {
protected:
    // Writes `bytes` to `name` below the scratch folder, sub-folders made; returns its path.
    std::string Put(const std::string& name, const Bytes& bytes)
    {
        std::string path = files.core(name);
        MakeFolder(NativePath(path.substr(0, path.rfind('\\'))));
        WriteFileBytes(NativePath(path), bytes);
        return path;
    }
    TempDir files;
};
