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

// The banner file written for the test picture: the stream header FF A1 D0 20 with an identifier,
// then the texture record with five levels, each the truncated 2 by 2 average of the one before.
inline ::testing::AssertionResult IsBannerFile(const Bytes& file, int size)
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
    if (file.size() != 20 + record.size())
        return ::testing::AssertionFailure() << "expected " << 20 + record.size() << " bytes, got " << file.size();
    if (Bytes(file.begin(), file.begin() + 4) != Bytes{0xFF, 0xA1, 0xD0, 0x20})
        return ::testing::AssertionFailure() << "expected stream header ff a1 d0 20, got " << Hex(file, 4);
    for (size_t i = 0; i < record.size(); ++i)
        if (file[20 + i] != record[i])
            return ::testing::AssertionFailure() << "at file offset " << 20 + i << " expected " << int(record[i])
                                                 << ", got " << int(file[20 + i]);
    return ::testing::AssertionSuccess();
}

// A game installation in a scratch folder, announced by the value the game's installer writes
// (HKLM\Software\Tamrivo\Quillmere\BaseGame\FileSystem, OutputDir, 32-bit view) in the suite's
// own Wine prefix; the keys go again with the object.
class GameInstallation {
public:
    GameInstallation() : game(temp.core("Game"))
    {
        HKEY key;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tamrivo\\Quillmere\\BaseGame\\FileSystem",
                                                 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr));
        RegSetValueExA(key, "OutputDir", 0, REG_SZ, (const BYTE*)game.c_str(), DWORD(game.size() + 1));
        RegCloseKey(key);
    }
    ~GameInstallation()
    {
        HKEY software;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &software) != ERROR_SUCCESS)
            return;
        RegDeleteTreeA(software, "Tamrivo");
        RegCloseKey(software);
    }

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

// Pictures in a scratch folder, and the banner target dialog over one, as a job opens it.
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
    // The job's picture, as a passed banner check leaves it.
    void UsePicture(const std::string& name, int size)
    {
        snprintf(sourcePath, sizeof sourcePath, "%s", Put(name, BmpFile(size)).c_str());
        bannerWidth = bannerHeight = size;
        caption = "Save '" + name + "' as banner ...";
    }
    // Opens the dialog for the picture and lets `player` act on it; returns how it ended.
    INT_PTR OpenTargetDialog(const std::function<void(HWND dialog)>& player)
    {
        INT_PTR result = 0;
        RunWithPlayer(
            [&] { result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_BANNER_TARGET), 0, BannerTargetDialog, 0); },
            [&] {
                if (HWND dialog = WaitForDialog(caption)) player(dialog);
            });
        return result;
    }
    TempDir files;
    std::string caption;
};
