// Banner pictures, expected texture files and game installations for the GUI tests.
#include "tests/app/app_fixtures.h"

#include <string.h>

#include <zlib.h>

#include "platform/win32.h"

namespace {
const char kFileSystemKey[] = "Software\\Tamrivo\\Quillmere\\BaseGame\\FileSystem";

// Removes Software\Tamrivo from the 32-bit and the 64-bit view: this prefix is the suite's own.
void RemoveGameKeys()
{
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY software;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS)
            continue;
        RegDeleteTreeA(software, "Tamrivo");
        RegCloseKey(software);
    }
}

void PutBytes(Bytes& b, const void* data, size_t n)
{
    const uint8_t* p = (const uint8_t*)data;
    b.insert(b.end(), p, p + n);
}

// One level of the chain: every byte the truncated mean of its 2 by 2 block.
Rgba HalfLevel(const Rgba& level)
{
    Rgba next = {level.size / 2, Bytes(size_t(level.size / 2) * (level.size / 2) * 4)};
    for (int y = 0; y < next.size; ++y)
        for (int x = 0; x < next.size; ++x)
            for (int c = 0; c < 4; ++c) {
                auto at = [&](int sx, int sy) { return level.pixels[(size_t(sy) * level.size + sx) * 4 + c]; };
                int sum = at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1);
                next.pixels[(size_t(y) * next.size + x) * 4 + c] = uint8_t(sum / 4);
            }
    return next;
}
}  // namespace

Rgba PatternPicture(int size, bool withAlpha)
{
    Rgba p = {size, Bytes(size_t(size) * size * 4)};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            uint8_t* px = &p.pixels[(size_t(y) * size + x) * 4];
            px[0] = uint8_t(x * 255 / (size - 1));
            px[1] = uint8_t(y * 255 / (size - 1));
            px[2] = uint8_t((x * 7 + y * 13) & 0xFF);
            px[3] = withAlpha ? uint8_t((x + y) * 4) : 255;
        }
    if (!withAlpha) {  // one colour-key pixel at the top left
        p.pixels[0] = 255;
        p.pixels[1] = 0;
        p.pixels[2] = 255;
    }
    return p;
}

Bytes BmpFile(const Rgba& picture)
{
    int n = picture.size;
    uint32_t imageSize = uint32_t(n) * n * 3;
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    PutU32(b, 54 + imageSize);  // file size
    PutU32(b, 0);               // reserved
    PutU32(b, 54);              // pixel data offset
    PutU32(b, 40);              // header size
    PutU32(b, n);               // width
    PutU32(b, n);               // height, bottom row first
    PutU16(b, 1);               // planes
    PutU16(b, 24);              // bits per pixel
    PutU32(b, 0);               // uncompressed
    PutU32(b, imageSize);
    PutU32(b, 2835);
    PutU32(b, 2835);
    PutU32(b, 0);               // colours used
    PutU32(b, 0);               // colours important
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            const uint8_t* px = &picture.pixels[(size_t(y) * n + x) * 4];
            b.push_back(px[2]);
            b.push_back(px[1]);
            b.push_back(px[0]);
        }
    return b;
}

Bytes TgaFile(const Rgba& picture)
{
    int n = picture.size;
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // no id, no colour map, true colour
    PutU16(b, n);                                  // width
    PutU16(b, n);                                  // height
    b.push_back(32);                               // bits per pixel
    b.push_back(0x08);                             // 8 alpha bits, bottom row first
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            const uint8_t* px = &picture.pixels[(size_t(y) * n + x) * 4];
            b.push_back(px[2]);
            b.push_back(px[1]);
            b.push_back(px[0]);
            b.push_back(px[3]);
        }
    return b;
}

Rgba AsReadFromBmp(const Rgba& picture)
{
    Rgba read = picture;
    for (size_t i = 0; i < read.pixels.size(); i += 4) {
        uint8_t* px = &read.pixels[i];
        bool key = px[0] == 255 && px[1] == 0 && px[2] == 255;
        px[3] = 255;
        if (key) memset(px, 0, 4);
    }
    return read;
}

Bytes ExpectedTextureRecord(const Rgba& picture, bool fromTga)
{
    Bytes b = {'T', 'E', 'X', 0, 1, 0, 0, 0};
    PutU32(b, fromTga ? 0x03000026u : 0x03000016u);  // sizes, format, levels, picture kind
    PutU32(b, 0x8888);                               // 8 bits each of red, green, blue, alpha
    PutU32(b, picture.size);
    PutU32(b, picture.size);
    PutU32(b, 5);
    Rgba level = picture;
    for (int k = 0; k < 5; ++k) {
        PutBytes(b, level.pixels.data(), level.pixels.size());
        level = HalfLevel(level);
    }
    return b;
}

::testing::AssertionResult IsBannerFile(const Bytes& file, const Bytes& record)
{
    if (file.size() != 20 + record.size())
        return ::testing::AssertionFailure() << "expected " << 20 + record.size() << " bytes, got "
                                             << file.size();
    if (file[0] != 0xFF || file[1] != 0xA1 || file[2] != 0xD0 || file[3] != 0x20)
        return ::testing::AssertionFailure() << "stream header " << Hex(Bytes(file.begin(), file.begin() + 4));
    for (size_t i = 0; i < record.size(); ++i)
        if (file[20 + i] != record[i])
            return ::testing::AssertionFailure() << "first difference at file offset " << 20 + i << ": expected "
                                                 << int(record[i]) << ", got " << int(file[20 + i]);
    return ::testing::AssertionSuccess();
}

GameInstallation::GameInstallation()
{
    RemoveGameKeys();
    game = temp.core("Game");
    MakeFolder(NativePath(PlayersDir()));
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFileSystemKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the game's registry key";
        return;
    }
    RegSetValueExA(key, "OutputDir", 0, REG_SZ, (const BYTE*)game.c_str(), DWORD(game.size() + 1));
    RegCloseKey(key);
}

GameInstallation::~GameInstallation() { RemoveGameKeys(); }

std::string GameInstallation::AddPlayer(const std::string& folder, int32_t race, const std::string& name)
{
    Bytes record;
    PutU32(record, 0x02004955);  // magic 55 49 00 02
    PutU32(record, uint32_t(race));
    PutU32(record, uint32_t(name.size()));
    record.insert(record.end(), name.begin(), name.end());
    uLongf size = compressBound(record.size());
    Bytes packed(size);
    compress2(packed.data(), &size, record.data(), record.size(), 6);
    packed.resize(size);
    std::string profile = PlayersDir() + folder + "\\";
    MakeFolder(NativePath(profile));
    WriteFileBytes(NativePath(profile + "UserInfo.dat"), packed);
    return profile;
}

NoGameInstallation::NoGameInstallation() { RemoveGameKeys(); }
