// The generated artwork and the manifest as the program finds them in its module, read with
// the real resource calls; no display needed.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/win32.h"

#include "core/string_table.h"
#include "resource.h"

namespace {

std::string ResourceBytes(LPCSTR type, UINT id)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(id), type);
    if (!found) return std::string();
    const char* bytes = (const char*)LockResource(LoadResource(appInstance, found));
    return std::string(bytes, SizeofResource(appInstance, found));
}

const BITMAPINFOHEADER* BitmapHeader(const std::string& bytes)
{
    return bytes.size() >= sizeof(BITMAPINFOHEADER) ? (const BITMAPINFOHEADER*)bytes.data() : nullptr;
}

TEST(BitmapResources, BackgroundIs300By170With255Colours)
{
    std::string bytes = ResourceBytes(RT_BITMAP, IDB_BACKGROUND);
    const BITMAPINFOHEADER* h = BitmapHeader(bytes);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(300, h->biWidth);
    EXPECT_EQ(170, h->biHeight);
    EXPECT_EQ(8, h->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, h->biCompression);
    EXPECT_EQ(255u, h->biClrUsed);
    EXPECT_EQ(40 + 255 * 4 + 300 * 170, (int)bytes.size());
    // Every pixel uses one of the 255 colours.
    const uint8_t* pixels = (const uint8_t*)bytes.data() + 40 + 255 * 4;
    int outside = 0;
    for (int i = 0; i < 300 * 170; ++i) outside += pixels[i] >= 255;
    EXPECT_EQ(0, outside);
}

TEST(BitmapResources, RaceIconsAreFourOnPureRedInTheStandard16Colours)
{
    static const RGBQUAD kStandard[16] = {
        {0, 0, 0, 0}, {0, 0, 128, 0}, {0, 128, 0, 0}, {0, 128, 128, 0}, {128, 0, 0, 0}, {128, 0, 128, 0},
        {128, 128, 0, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {0, 0, 255, 0}, {0, 255, 0, 0},
        {0, 255, 255, 0}, {255, 0, 0, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
    std::string bytes = ResourceBytes(RT_BITMAP, IDB_RACE_ICONS);
    const BITMAPINFOHEADER* h = BitmapHeader(bytes);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(64, h->biWidth);
    EXPECT_EQ(16, h->biHeight);
    EXPECT_EQ(4, h->biBitCount);
    EXPECT_EQ((DWORD)BI_RGB, h->biCompression);
    ASSERT_EQ(40u + 16 * 4 + 32 * 16, bytes.size());
    EXPECT_EQ(0, memcmp(kStandard, bytes.data() + 40, sizeof kStandard)) << "not the standard palette";
    const uint8_t* rows = (const uint8_t*)bytes.data() + 40 + 64;
    auto index = [&](int x, int y) {  // top-down coordinates into the bottom-up rows
        uint8_t b = rows[(15 - y) * 32 + x / 2];
        return x % 2 ? b & 15 : b >> 4;
    };
    for (int k = 0; k < 4; ++k) {
        int red = 0, distinct = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                red += index(16 * k + x, y) == 9;
                distinct += k > 0 && index(16 * k + x, y) != index(16 * (k - 1) + x, y);
            }
        EXPECT_GT(red, 16) << "icon " << k << " has almost no red (transparent) background";
        EXPECT_LT(red, 200) << "icon " << k << " is almost empty";
        if (k > 0) {
            EXPECT_GT(distinct, 40) << "icon " << k << " looks like icon " << k - 1;
        }
    }
}

TEST(IconResources, GroupHoldsFiveImagesInTheListedSizes)
{
#pragma pack(push, 2)
    struct GroupEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bitCount;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    std::string group = ResourceBytes(RT_GROUP_ICON, IDI_APP);
    ASSERT_GE(group.size(), 6u);
    const WORD* head = (const WORD*)group.data();
    ASSERT_EQ(1, head[1]) << "not an icon group";
    ASSERT_EQ(5, head[2]);
    const GroupEntry* e = (const GroupEntry*)(group.data() + 6);
    const struct { int size, bits; } kExpected[5] = {{16, 4}, {32, 4}, {32, 8}, {48, 4}, {48, 8}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        EXPECT_EQ(kExpected[i].size, e[i].width);
        EXPECT_EQ(kExpected[i].size, e[i].height);
        EXPECT_EQ(kExpected[i].bits, e[i].bitCount);
        std::string image = ResourceBytes(RT_ICON, e[i].id);
        const BITMAPINFOHEADER* h = BitmapHeader(image);
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(kExpected[i].size, h->biWidth);
        EXPECT_EQ(2 * kExpected[i].size, h->biHeight) << "colour and mask rows";
        EXPECT_EQ(kExpected[i].bits, h->biBitCount);
    }
    // The class icon loads from the group, at both sizes the system asks for.
    EXPECT_NE(nullptr, LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(nullptr, LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 48, 48, 0));
}

TEST(ManifestResource, AsksForCommonControls6)
{
    std::string manifest = ResourceBytes(MAKEINTRESOURCEA(24), 1);
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
}

}  // namespace
