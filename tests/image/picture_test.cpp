// The BMP and TGA readers against hand-built files and real encoders' files, the banner check
// and the two extension tests.
#include <gtest/gtest.h>
#include <string.h>

#include "image/picture.h"
#include "tests/image/image_test_util.h"

namespace {

// Writes `file` to a scratch file and reads it with the reader of its kind.
int Read(const Bytes& file, bool tga, Picture& p)
{
    TempDir dir;
    std::string name = tga ? "p.tga" : "p.bmp";
    EXPECT_TRUE(WriteFileBytes(dir.native(name), file));
    return tga ? ReadTgaPicture(p, dir.core(name).c_str()) : ReadBmpPicture(p, dir.core(name).c_str());
}

// Four entries: blue, green, red, unused.
const Bytes kPalette4 = {60, 50, 40, 0, 4, 5, 6, 0, 255, 0, 255, 0, 7, 8, 9, 0};

}  // namespace

TEST(PictureReaders, FirstFilePixelIsBottomLeftChannelsAndColourKey)
{
    Bytes px(32 * 32 * 4, 0);
    px[0] = 10, px[1] = 20, px[2] = 30, px[3] = 40;  // blue green red alpha, first in the file
    Picture p;
    ASSERT_EQ(1, Read(TgaFile(TgaHeader(), px), true, p));
    EXPECT_EQ((Bytes{30, 20, 10, 40}), PixelAt(p, 0, 31)) << "TGA: the first pixel is bottom left";
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 0, 0));

    Bytes rows(32 * 32 * 3, 0);
    rows[0] = 255, rows[2] = 255;                   // blue 255 green 0 red 255: the key
    rows[3] = 254, rows[5] = 255;                   // one blue step off it
    rows[31 * 96] = 7, rows[31 * 96 + 1] = 8, rows[31 * 96 + 2] = 9;  // the file's last row
    ASSERT_EQ(1, Read(BmpFile(BmpHeader(), {}, rows), false, p));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 0, 31)) << "the key is transparent black";
    EXPECT_EQ((Bytes{255, 0, 254, 255}), PixelAt(p, 1, 31));
    EXPECT_EQ((Bytes{0, 0, 0, 255}), PixelAt(p, 2, 31)) << "black is opaque";
    EXPECT_EQ((Bytes{9, 8, 7, 255}), PixelAt(p, 0, 0)) << "BMP: the file's last row is the top";
}

// Files of real encoders (ImageMagick BMP2/BMP3/BMP v5/TGA, Pillow) and of our generator: 1, 4,
// 8 and 24 bits, 40/108/124-byte headers, a gap before the pixels, an identification field,
// alpha, each against the picture Pillow decodes it to; refused ones (no picture named) and
// paths that name no file must report a size of 0 by 0.
TEST(PictureReaders, Fixtures)
{
    const char* cases[][2] = {
        {"own_bmp24_32.bmp", "gradient32"},     {"own_bmp24_v5_32.bmp", "gradient32"},
        {"own_bmp24_v4_64.bmp", "gradient64"},  {"own_bmp8_64.bmp", "pal256_64"},
        {"own_bmp8_v5_64.bmp", "pal256_64"},    {"own_bmp8_gap_64.bmp", "pal256_64"},
        {"own_bmp4_32.bmp", "pal16_32"},        {"own_bmp4_v5_32.bmp", "pal16_32"},
        {"own_bmp1_32.bmp", "pal2_32"},         {"own_tga32_64.tga", "alpha64"},
        {"own_tga_id_32.tga", "alpha32"},       {"im_bmp3_24_64.bmp", "gradient64"},
        {"im_bmp5_24_32.bmp", "gradient32"},    {"im_bmp3_pal2_32.bmp", "pal2_32"},
        {"im_bmp3_pal16_32.bmp", "pal16_32"},   {"im_bmp3_pal256_64.bmp", "pal256_64"},
        {"im_bmp5_pal2_32.bmp", "pal2_32"},     {"im_bmp5_pal16_32.bmp", "pal16_32"},
        {"im_bmp5_pal256_64.bmp", "pal256_64"}, {"im_tga_alpha32.tga", "alpha32"},
        {"pil_bmp24_64.bmp", "gradient64"},     {"pil_bmp8_64.bmp", "pal256_64"},
        {"pil_bmp1_32.bmp", "bw_32"},           {"pil_tga32_32.tga", "alpha32"},
        {"bad_bmp16_32.bmp"}, {"bad_bmp32_32.bmp"}, {"bad_pil_bmp32_32.bmp"}, {"bad_bmp_300_colours.bmp"},
        {"bad_bmp_core12_32.bmp"}, {"im_bmp2_24_32.bmp"}, {"bad_bmp_rle8_32.bmp"}, {"bad_im_bmp_rle8_64.bmp"},
        {"bad_bmp24_16.bmp"}, {"bad_bmp_topdown_32.bmp"}, {"bad_tga24_32.tga"}, {"bad_im_tga24_32.tga"},
        {"bad_pil_tga24_32.tga"}, {"bad_tga_topdown_32.tga"}, {"bad_im_tga_topdown_32.tga"}, {"bad_tga32_16.tga"},
        {"bad_tga_mirrored_32.tga"}, {"bad_tga_rle_32.tga"}, {"bad_im_tga_rle_32.tga"}, {"bad_pil_tga_rle_32.tga"},
        {"bad_tga_colourmap_32.tga"}, {"no-such-picture.bmp"}, {"own_bmp*.bmp"},
    };
    for (const auto& c : cases) {
        std::string path = Fixture(c[0]);
        int32_t w = 7, h = 7;
        int ok = CheckBannerPicture(path.c_str(), &w, &h);
        if (!c[1]) {
            EXPECT_TRUE(FileExists(NativePath(path)) || !strncmp(c[0], "no-", 3) || strchr(c[0], '*')) << c[0];
            EXPECT_TRUE(!ok && !w && !h) << c[0] << ": expected refused, 0x0; got " << ok << ", " << w << "x" << h;
            continue;
        }
        Bytes want = FixtureBytes(std::string(c[1]) + ".rgba");
        ASSERT_EQ(1, ok) << c[0];
        EXPECT_EQ(want.size(), size_t(w) * h * 4) << c[0] << ": " << w << "x" << h;
        Picture p;
        ASSERT_EQ(1, HasTgaExtension(c[0]) ? ReadTgaPicture(p, path.c_str()) : ReadBmpPicture(p, path.c_str()));
        EXPECT_EQ("", Difference(want, PixelsOf(p))) << c[0];
    }
}

// Each rule on its own, from a file that passes; the fixtures above cover the rest.
TEST(PictureReaders, HeaderRules)
{
    struct Case { const char* what; bool tga; void (*change)(BmpHeader&, TgaHeader&); int ok; } cases[] = {
        {"TGA as built", true, [](BmpHeader&, TgaHeader&) {}, 1},
        {"TGA alpha bits 0", true, [](BmpHeader&, TgaHeader& t) { t.descriptor = 0x00; }, 1},
        {"TGA colour-mapped type", true, [](BmpHeader&, TgaHeader& t) { t.imageType = 1; }, 0},
        {"BMP as built", false, [](BmpHeader&, TgaHeader&) {}, 1},
        {"BMP compression 3", false, [](BmpHeader& b, TgaHeader&) { b.compression = 3; }, 0},
        {"BMP two planes", false, [](BmpHeader& b, TgaHeader&) { b.planes = 2; }, 0},
        {"BMP 64 x 32", false, [](BmpHeader& b, TgaHeader&) { b.width = 64; }, 0},
        {"BMP 128 x 128", false, [](BmpHeader& b, TgaHeader&) { b.width = b.height = 128; }, 0},
        {"BMP 2 bits", false, [](BmpHeader& b, TgaHeader&) { b.bitCount = 2; }, 0},
        {"BMP 257 colours", false, [](BmpHeader& b, TgaHeader&) { b.bitCount = 8, b.colours = 257; }, 0},
        {"BMP 39-byte header", false, [](BmpHeader& b, TgaHeader&) { b.infoSize = 39; }, 0},
    };
    for (const Case& c : cases) {
        BmpHeader b;
        TgaHeader t;
        c.change(b, t);
        Picture p;
        Bytes file = c.tga ? TgaFile(t, Bytes(32 * 32 * 4, 9)) : BmpFile(b, kPalette4, Bytes(128 * 128 * 3, 9));
        EXPECT_EQ(c.ok, Read(file, c.tga, p)) << c.what;
        EXPECT_EQ(c.ok != 0, p.pixels != nullptr) << c.what;
    }
}

// Pixel bytes the file lacks read as zero; headers cut short fail.
TEST(PictureReaders, TruncatedFiles)
{
    BmpHeader pal;
    pal.bitCount = 8;
    pal.colours = 4;
    BmpHeader v5;
    v5.infoSize = 124;
    // Pixel 3 of rows 15 (missing) and 16 (in the file); none: the file is refused.
    struct Case { const char* what; bool tga; Bytes file, top, bottom; } cases[] = {
        {"TGA, half the rows", true, TgaFile({}, Bytes(32 * 16 * 4, 9)), {0, 0, 0, 0}, {9, 9, 9, 9}},
        {"24 bits, half the rows", false, BmpFile({}, {}, Bytes(32 * 16 * 3, 9)), {0, 0, 0, 255}, {9, 9, 9, 255}},
        {"palette, half the rows", false, BmpFile(pal, kPalette4, Bytes(512, 3)), {40, 50, 60, 255}, {9, 8, 7, 255}},
        {"ending before the palette", false, Head(BmpFile(pal, kPalette4, {}), 54), {0, 0, 0, 255}, {0, 0, 0, 255}},
        {"TGA header of 17 bytes", true, Head(TgaFile({}, {}), 17), {}, {}},
        {"BMP headers of 53 bytes", false, Head(BmpFile({}, {}, {}), 53), {}, {}},
        {"inside a 124-byte header", false, Head(BmpFile(v5, {}, {}), 100), {}, {}},
    };
    for (const Case& c : cases) {
        Picture p;
        ASSERT_EQ(c.top.empty() ? 0 : 1, Read(c.file, c.tga, p)) << c.what;
        if (c.top.empty()) continue;
        EXPECT_EQ(c.top, PixelAt(p, 3, 15)) << c.what << ": a missing top row";
        EXPECT_EQ(c.bottom, PixelAt(p, 3, 16)) << c.what << ": a row the file holds";
    }
}

// The file header's pixel offset is followed when it lies beyond header and palette and inside
// the file; otherwise the pixels follow the palette.
TEST(PictureReaders, BmpPixelOffset)
{
    Bytes rows(32 * 32 * 3);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = uint8_t(i % 199 + 1);
    Picture want, p;
    ASSERT_EQ(1, Read(BmpFile(BmpHeader(), {}, rows), false, want));
    BmpHeader withPalette, v5;
    withPalette.colours = 16;  // a 24-bit file may carry a palette: only the offset skips it
    v5.infoSize = 124;
    const Bytes v5File = BmpFile(v5, {}, rows);
    struct Case { const char* what; Bytes file; uint32_t offset; } cases[] = {  // offset 0: as written
        {"24 bits after a palette", BmpFile(withPalette, Bytes(64, 0xEE), rows), 0},
        {"offset inside the 124-byte header", v5File, 54},
        {"offset at the end of the file", v5File, uint32_t(v5File.size())},
        {"offset past any file", v5File, 0x80000000u},
    };
    for (Case& c : cases) {
        for (int i = 0; i < 4 && c.offset; ++i) c.file[10 + i] = uint8_t(c.offset >> (8 * i));
        ASSERT_EQ(1, Read(c.file, false, p)) << c.what;
        EXPECT_EQ("", Difference(PixelsOf(want), PixelsOf(p))) << c.what;
    }
}

TEST(PictureExtensions, TgaByLastThreeLettersAndTheBannerJobTest)
{
    struct Case { const char* path; bool tga, passes; } cases[] = {
        {"D:\\Pictures\\Banner.BMP", false, true},  // lowercased before the test
        {"D:\\a\\flag.TGA", true, true},           {"D:\\a\\flag.tga.bmp", false, true},
        {"D:\\a\\mytga", true, false},             // no dot at all
        {"D:\\pics.old\\banner", false, false},    // the last dot belongs to a folder
        {"D:\\pics\\banner.bm", false, true},      // any piece of the extension list passes
        {"D:\\pics\\banner.ga", false, true},      {"D:\\pics\\banner.", false, true},
        {"D:\\pics\\banner.png", false, false},    {"D:\\a\\ga", false, false},  {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.tga, HasTgaExtension(c.path)) << "read as TGA: " << c.path;
        EXPECT_EQ(c.passes, PassesExtensionTest(c.path)) << "extension test: " << c.path;
    }
}
