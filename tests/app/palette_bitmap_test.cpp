// PaletteBitmap: the palette it builds for each kind of bitmap, painting at its position, and
// the handles it owns.
#include <string.h>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "app/palette_bitmap.h"
#include "core/string_table.h"
#include "resource.h"
#include "tests/app/gui_driver.h"

namespace {

class PaletteBitmapTest : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_DISPLAY(); }
};

int PaletteEntries(HPALETTE palette)
{
    WORD count = 0;
    if (!palette || !GetObjectA(palette, sizeof count, &count)) return 0;
    return count;
}

// A DIB section of `bits` per pixel; colours of the table are (i, 255 - i, i / 2).
HBITMAP MakeSection(int width, int height, int bits, int tableEntries, DWORD clrUsed)
{
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    BITMAPINFO* bi = (BITMAPINFO*)info.data();
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi->bmiHeader.biWidth = width;
    bi->bmiHeader.biHeight = height;
    bi->bmiHeader.biPlanes = 1;
    bi->bmiHeader.biBitCount = WORD(bits);
    bi->bmiHeader.biCompression = BI_RGB;
    bi->bmiHeader.biClrUsed = clrUsed;
    for (int i = 0; i < tableEntries; ++i)
        bi->bmiColors[i] = RGBQUAD{BYTE(i / 2), BYTE(255 - i), BYTE(i), 0};
    void* bitsOut = nullptr;
    return CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &bitsOut, nullptr, 0);
}

// The palette holds the colour table in order. Wine's DIB sections report a full table of
// 2^bits entries where Windows keeps biClrUsed; entries beyond the table must then be black.
void ExpectTableOrder(HPALETTE palette, int tableEntries, const std::function<PALETTEENTRY(int)>& colour)
{
    int entries = PaletteEntries(palette);
    ASSERT_GE(entries, tableEntries);
    ASSERT_LE(entries, 256);
    std::vector<PALETTEENTRY> got(entries);
    GetPaletteEntries(palette, 0, entries, got.data());
    for (int i = 0; i < entries; ++i) {
        PALETTEENTRY e = i < tableEntries ? colour(i) : PALETTEENTRY{0, 0, 0, 0};
        ASSERT_EQ(e.peRed, got[i].peRed) << "entry " << i;
        ASSERT_EQ(e.peGreen, got[i].peGreen) << "entry " << i;
        ASSERT_EQ(e.peBlue, got[i].peBlue) << "entry " << i;
        ASSERT_EQ(0, got[i].peFlags) << "entry " << i;
    }
}

struct PaletteKind {
    const char* name;
    int bits;
    DWORD clrUsed;
    int expectedEntries;  // -1: the halftone palette
};

TEST_F(PaletteBitmapTest, BuildsThePaletteTheBitmapCallsFor)
{
    HDC screen = GetDC(nullptr);
    HPALETTE halftone = CreateHalftonePalette(screen);
    int halftoneEntries = PaletteEntries(halftone);
    DeleteObject(halftone);
    ReleaseDC(nullptr, screen);
    const PaletteKind kKinds[] = {
        {"8 bits, no colour count", 8, 0, 256},
        {"8 bits, 16 colours used", 8, 16, 16},
        {"4 bits, no colour count", 4, 0, 16},
        {"24 bits", 24, 0, -1},
        {"32 bits", 32, 0, -1},
    };
    for (const PaletteKind& k : kKinds) {
        SCOPED_TRACE(k.name);
        PaletteBitmap picture;
        int table = k.bits <= 8 ? (k.clrUsed ? int(k.clrUsed) : 1 << k.bits) : 0;
        ASSERT_EQ(1, picture.Attach(MakeSection(8, 4, k.bits, table, k.clrUsed), 1, 0, 0));
        EXPECT_EQ(8, picture.Width());
        EXPECT_EQ(4, picture.Height());
        int entries = PaletteEntries(picture.Palette());
        if (k.expectedEntries < 0) {
            EXPECT_EQ(halftoneEntries, entries);
            continue;
        }
        ExpectTableOrder(picture.Palette(), k.expectedEntries, [](int i) {
            return PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
        });
    }
}

TEST_F(PaletteBitmapTest, TheBackgroundGetsItsOwn255ColoursInTableOrder)
{
    PaletteBitmap picture;
    ASSERT_NE(0, picture.LoadFromResource(appInstance, IDB_BACKGROUND, 1, 0, 0));
    EXPECT_EQ(300, picture.Width());
    EXPECT_EQ(170, picture.Height());
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDB_BACKGROUND), RT_BITMAP);
    const RGBQUAD* table = (const RGBQUAD*)((const char*)LockResource(LoadResource(appInstance, found)) + 40);
    ExpectTableOrder(picture.Palette(), 255, [&](int i) {
        return PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    });
}

TEST_F(PaletteBitmapTest, WithoutPaletteTheSizeStillComesFromTheBitmap)
{
    PaletteBitmap picture;
    ASSERT_EQ(1, picture.Attach(CreateBitmap(12, 7, 1, 1, nullptr), 0, 0, 0));
    EXPECT_EQ(12, picture.Width());
    EXPECT_EQ(7, picture.Height());
    EXPECT_EQ(nullptr, picture.Palette());
}

// A 24-bit canvas filled with one colour, for painting into.
struct Canvas {
    Canvas(int w, int h) : dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits;
        bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all = {0, 0, w, h};
        HBRUSH grey = CreateSolidBrush(RGB(10, 20, 30));
        FillRect(dc, &all, grey);
        DeleteObject(grey);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

TEST_F(PaletteBitmapTest, PaintCopiesTheWholePictureAtItsPosition)
{
    PaletteBitmap picture;
    ASSERT_NE(0, picture.LoadFromResource(appInstance, IDB_BACKGROUND, 1, 7, 5));
    Canvas target(320, 200);
    picture.Paint(target.dc);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, picture.Bitmap());
    int wrong = 0;
    for (int y = 0; y < 170; y += 3)
        for (int x = 0; x < 300; x += 3) wrong += GetPixel(target.dc, x + 7, y + 5) != GetPixel(source, x, y);
    SelectObject(source, old);
    DeleteDC(source);
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(RGB(10, 20, 30), GetPixel(target.dc, 6, 5)) << "painted left of its place";
    EXPECT_EQ(RGB(10, 20, 30), GetPixel(target.dc, 7, 4)) << "painted above its place";
    EXPECT_EQ(RGB(10, 20, 30), GetPixel(target.dc, 307, 175)) << "painted beyond its size";
}

TEST_F(PaletteBitmapTest, AnEmptyObjectPaintsNothingAndReleasingTwiceIsHarmless)
{
    PaletteBitmap picture;
    EXPECT_EQ(0, picture.Attach(nullptr, 1, 0, 0));
    Canvas target(8, 8);
    picture.Paint(target.dc);
    EXPECT_EQ(RGB(10, 20, 30), GetPixel(target.dc, 0, 0));

    ASSERT_NE(0, picture.LoadFromResource(appInstance, IDB_BACKGROUND, 1, 0, 0));
    HBITMAP bitmap = picture.Bitmap();
    HPALETTE palette = picture.Palette();
    picture.Release();
    EXPECT_EQ(0u, GetObjectType(bitmap)) << "the bitmap was not deleted";
    EXPECT_EQ(0u, GetObjectType(palette)) << "the palette was not deleted";
    picture.Release();
    EXPECT_EQ(nullptr, picture.Bitmap());
    EXPECT_EQ(300, picture.Width()) << "the size stays after a release";
    EXPECT_EQ(0, picture.LoadFromResource(appInstance, 9999, 1, 0, 0)) << "no such bitmap";
    EXPECT_EQ(nullptr, picture.Bitmap());
}

}  // namespace
