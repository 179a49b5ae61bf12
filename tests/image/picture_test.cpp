// The BMP and TGA readers, the banner check and the extension tests.
#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "image/picture.h"
#include "tests/image/image_test_util.h"

namespace {

// Writes `file` into a scratch folder and runs a reader over it.
class PictureFiles : public ::testing::Test {
protected:
    int Bmp(const Bytes& file, Picture& p) { return ReadBmpPicture(p, Put("p.bmp", file).c_str()); }
    int Tga(const Bytes& file, Picture& p) { return ReadTgaPicture(p, Put("p.tga", file).c_str()); }
    std::string Put(const std::string& name, const Bytes& file)
    {
        EXPECT_TRUE(WriteFileBytes(dir.native(name), file));
        return dir.core(name);
    }
    TempDir dir;
};

Bytes Repeat(const Bytes& unit, size_t times)
{
    Bytes b;
    for (size_t i = 0; i < times; ++i) b.insert(b.end(), unit.begin(), unit.end());
    return b;
}

// A palette of n entries where entry k is blue k, green 2k, red 3k (all modulo 256).
Bytes RampPalette(int n)
{
    Bytes p;
    for (int k = 0; k < n; ++k) {
        p.push_back(uint8_t(k));
        p.push_back(uint8_t(2 * k));
        p.push_back(uint8_t(3 * k));
        p.push_back(0x77);  // the fourth byte is not a colour
    }
    return p;
}
Bytes RampColour(int k) { return {uint8_t(3 * k), uint8_t(2 * k), uint8_t(k), 255}; }

}  // namespace

using TgaReads = PictureFiles;
using TgaRejects = PictureFiles;
using BmpReads = PictureFiles;
using BmpRejects = PictureFiles;
using BmpShortFile = PictureFiles;
using BmpHeaderVersions = PictureFiles;
using ReaderAllocation = PictureFiles;

TEST_F(TgaReads, ChannelsSwappedAlphaKeptFirstPixelBottomLeft)
{
    Bytes px(32 * 32 * 4, 0);
    px[0] = 10, px[1] = 20, px[2] = 30, px[3] = 40;          // first in the file
    px[32 * 31 * 4 + 4] = 99;                                // last row, second pixel: blue 99
    Picture p;
    ASSERT_EQ(1, Tga(TgaFile(TgaSpec(), px), p));
    ASSERT_EQ(32u, p.width);
    ASSERT_EQ(32u, p.height);
    EXPECT_EQ((Bytes{30, 20, 10, 40}), PixelAt(p, 0, 31)) << "the first pixel is bottom left";
    EXPECT_EQ((Bytes{0, 0, 99, 0}), PixelAt(p, 1, 0)) << "the last row is the top row";
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 0, 0));
}

TEST_F(TgaReads, IdentificationFieldIsSkipped)
{
    TgaSpec s;
    s.id = "ABCDE";  // pixels start at offset 23
    Bytes px(32 * 32 * 4, 0);
    px[32 * 31 * 4] = 1, px[32 * 31 * 4 + 1] = 2, px[32 * 31 * 4 + 2] = 3, px[32 * 31 * 4 + 3] = 4;
    Bytes file = TgaFile(s, px);
    ASSERT_EQ(23u + 32 * 32 * 4, file.size());
    Picture p;
    ASSERT_EQ(1, Tga(file, p));
    EXPECT_EQ((Bytes{3, 2, 1, 4}), PixelAt(p, 0, 0));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 0, 31)) << "the ID bytes must not become pixels";
}

TEST_F(TgaReads, AlphaBitsOfTheDescriptorAreNotExamined)
{
    for (uint8_t descriptor : {0x00, 0x08, 0x0F}) {
        TgaSpec s;
        s.descriptor = descriptor;
        s.width = s.height = 64;
        Picture p;
        EXPECT_EQ(1, Tga(TgaFile(s, Bytes(64 * 64 * 4, 5)), p)) << "descriptor " << int(descriptor);
    }
}

TEST_F(TgaReads, MissingTopRowsAreTransparentBlack)
{
    Bytes px = Repeat({1, 2, 3, 4}, 32 * 16);  // half the rows: the bottom half of the picture
    Picture p;
    ASSERT_EQ(1, Tga(TgaFile(TgaSpec(), px), p));
    EXPECT_EQ((Bytes{3, 2, 1, 4}), PixelAt(p, 5, 16));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 5, 15));
}

TEST_F(TgaRejects, EveryRuleOnItsOwn)
{
    struct Case {
        const char* what;
        void (*change)(TgaSpec&);
    } cases[] = {
        {"top row first", [](TgaSpec& s) { s.descriptor = 0x28; }},
        {"right to left", [](TgaSpec& s) { s.descriptor = 0x18; }},
        {"bit 0x20 alone", [](TgaSpec& s) { s.descriptor = 0x20; }},
        {"run-length encoded", [](TgaSpec& s) { s.imageType = 10; }},
        {"colour-mapped type", [](TgaSpec& s) { s.imageType = 1; }},
        {"24 bits", [](TgaSpec& s) { s.depth = 24; }},
        {"colour map present", [](TgaSpec& s) { s.colourMapType = 1; }},
        {"64 x 32", [](TgaSpec& s) { s.width = 64; }},
        {"16 x 16", [](TgaSpec& s) { s.width = s.height = 16; }},
        {"128 x 128", [](TgaSpec& s) { s.width = s.height = 128; }},
        {"0 x 0", [](TgaSpec& s) { s.width = s.height = 0; }},
    };
    for (const Case& c : cases) {
        TgaSpec s;
        c.change(s);
        Picture p;
        EXPECT_EQ(0, Tga(TgaFile(s, Bytes(128 * 128 * 4, 9)), p)) << c.what;
        EXPECT_EQ(nullptr, p.pixels) << c.what;
    }
}

TEST_F(TgaRejects, ShortHeaderAndMissingFile)
{
    Bytes header = TgaFile(TgaSpec(), Bytes());
    Picture p;
    EXPECT_EQ(0, Tga(Bytes(header.begin(), header.begin() + 17), p));
    EXPECT_EQ(0, ReadTgaPicture(p, dir.core("absent.tga").c_str()));
    EXPECT_EQ(0, Tga(Bytes(), p));
}

TEST_F(BmpReads, TwentyFourBitsWithColourKey)
{
    Bytes rows(32 * 32 * 3, 0);
    rows[0] = 255, rows[1] = 0, rows[2] = 255;  // blue green red: the key, bottom left
    rows[3] = 254, rows[4] = 0, rows[5] = 255;  // one blue step off the key
    rows[32 * 31 * 3] = 7, rows[32 * 31 * 3 + 1] = 8, rows[32 * 31 * 3 + 2] = 9;  // top left
    Picture p;
    ASSERT_EQ(1, Bmp(BmpFile(BmpSpec(), {}, rows), p));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 0, 31));
    EXPECT_EQ((Bytes{255, 0, 254, 255}), PixelAt(p, 1, 31));
    EXPECT_EQ((Bytes{9, 8, 7, 255}), PixelAt(p, 0, 0)) << "the last row of the file is the top";
    EXPECT_EQ((Bytes{0, 0, 0, 255}), PixelAt(p, 2, 31)) << "black is opaque";
}

TEST_F(BmpReads, EightBitsPaletteSizeFollowsTheColourCount)
{
    // Colour count 0 means 256 entries; 16 means 64 bytes of palette before the indexes.
    for (int colours : {0, 16, 256}) {
        int n = colours ? colours : 256;
        BmpSpec s;
        s.bitCount = 8;
        s.colours = uint32_t(colours);
        Bytes rows(32 * 32, 0);
        for (size_t i = 0; i < rows.size(); ++i) rows[i] = uint8_t(i % n);
        Picture p;
        ASSERT_EQ(1, Bmp(BmpFile(s, RampPalette(n), rows), p)) << colours;
        EXPECT_EQ(RampColour(1), PixelAt(p, 1, 31)) << colours;
        EXPECT_EQ(RampColour(int(32 % n)), PixelAt(p, 0, 30)) << colours;
        EXPECT_EQ(RampColour(int((31 * 32 + 5) % n)), PixelAt(p, 5, 0)) << colours;
    }
}

TEST_F(BmpReads, PaletteKeyAndIndexesPastThePalette)
{
    BmpSpec s;
    s.bitCount = 8;
    s.colours = 4;
    Bytes palette = RampPalette(4);
    palette[8] = 255, palette[9] = 0, palette[10] = 255;  // entry 2 is the key
    Bytes rows(32 * 32, 2);
    rows[0] = 3;
    rows[1] = 200;  // no such entry: black
    Picture p;
    ASSERT_EQ(1, Bmp(BmpFile(s, palette, rows), p));
    EXPECT_EQ((Bytes{0, 0, 0, 0}), PixelAt(p, 10, 10));
    EXPECT_EQ(RampColour(3), PixelAt(p, 0, 31));
    EXPECT_EQ((Bytes{0, 0, 0, 255}), PixelAt(p, 1, 31));
}

TEST_F(BmpReads, OneAndFourBitIndexesLeftmostPixelInTheHighBits)
{
    BmpSpec one;
    one.bitCount = 1;
    Bytes rows1(32 * 4, 0);
    rows1[0] = 0x80;  // bottom row: pixel 0 uses entry 1
    rows1[7] = 0x01;  // second row: pixel 31
    Picture p;
    ASSERT_EQ(1, Bmp(BmpFile(one, RampPalette(2), rows1), p));
    EXPECT_EQ(RampColour(1), PixelAt(p, 0, 31));
    EXPECT_EQ(RampColour(0), PixelAt(p, 1, 31));
    EXPECT_EQ(RampColour(1), PixelAt(p, 31, 30));
    EXPECT_EQ(RampColour(0), PixelAt(p, 30, 30));

    BmpSpec four;
    four.bitCount = 4;
    four.width = four.height = 64;
    Bytes rows4(64 * 32, 0);
    rows4[0] = 0xA3;   // bottom row: pixels 0 and 1 use entries 10 and 3
    rows4[63] = 0x0F;  // the second row's last byte: its pixel 63 uses entry 15
    ASSERT_EQ(1, Bmp(BmpFile(four, RampPalette(16), rows4), p));
    EXPECT_EQ(RampColour(10), PixelAt(p, 0, 63));
    EXPECT_EQ(RampColour(3), PixelAt(p, 1, 63));
    EXPECT_EQ(RampColour(15), PixelAt(p, 63, 62));
    EXPECT_EQ(RampColour(0), PixelAt(p, 62, 62));
    EXPECT_EQ(RampColour(0), PixelAt(p, 63, 63));
}

TEST_F(BmpRejects, EveryRuleOnItsOwn)
{
    struct Case {
        const char* what;
        void (*change)(BmpSpec&);
    } cases[] = {
        {"compression 1", [](BmpSpec& s) { s.compression = 1; }},
        {"compression 2", [](BmpSpec& s) { s.compression = 2; }},
        {"compression 3", [](BmpSpec& s) { s.compression = 3; }},
        {"two planes", [](BmpSpec& s) { s.planes = 2; }},
        {"64 x 32", [](BmpSpec& s) { s.width = 64; }},
        {"16 x 16", [](BmpSpec& s) { s.width = s.height = 16; }},
        {"128 x 128", [](BmpSpec& s) { s.width = s.height = 128; }},
        {"top row first", [](BmpSpec& s) { s.height = -32; }},
        {"16 bits", [](BmpSpec& s) { s.bitCount = 16; }},
        {"32 bits", [](BmpSpec& s) { s.bitCount = 32; }},
        {"2 bits", [](BmpSpec& s) { s.bitCount = 2; }},
        {"0 bits", [](BmpSpec& s) { s.bitCount = 0; }},
        {"257 colours", [](BmpSpec& s) { s.bitCount = 8, s.colours = 257; }},
        {"core header", [](BmpSpec& s) { s.infoSize = 12; }},
        {"39-byte header", [](BmpSpec& s) { s.infoSize = 39; }},
    };
    for (const Case& c : cases) {
        BmpSpec s;
        c.change(s);
        Picture p;
        EXPECT_EQ(0, Bmp(BmpFile(s, RampPalette(16), Bytes(128 * 128 * 4, 9)), p)) << c.what;
        EXPECT_EQ(nullptr, p.pixels) << c.what;
    }
}

TEST_F(BmpRejects, HeadersCutShort)
{
    Bytes file = BmpFile(BmpSpec(), {}, Bytes(32 * 32 * 3, 1));
    Picture p;
    EXPECT_EQ(0, Bmp(Bytes(file.begin(), file.begin() + 53), p)) << "one byte short of 14 + 40";
    BmpSpec v5;
    v5.infoSize = 124;
    file = BmpFile(v5, {}, {});
    EXPECT_EQ(0, Bmp(Bytes(file.begin(), file.begin() + 100), p)) << "inside a 124-byte header";
    EXPECT_EQ(0, ReadBmpPicture(p, dir.core("absent.bmp").c_str()));
}

TEST_F(BmpShortFile, MissingRowsReadAsZero)
{
    Picture p;
    ASSERT_EQ(1, Bmp(BmpFile(BmpSpec(), {}, Bytes(32 * 16 * 3, 100)), p));
    EXPECT_EQ((Bytes{100, 100, 100, 255}), PixelAt(p, 3, 16));
    EXPECT_EQ((Bytes{0, 0, 0, 255}), PixelAt(p, 3, 15)) << "24 bits: opaque black";

    BmpSpec s;
    s.bitCount = 8;
    Bytes palette = RampPalette(256);
    palette[0] = 40, palette[1] = 50, palette[2] = 60;
    ASSERT_EQ(1, Bmp(BmpFile(s, palette, Bytes(32 * 16, 9)), p));
    EXPECT_EQ(RampColour(9), PixelAt(p, 3, 16));
    EXPECT_EQ((Bytes{60, 50, 40, 255}), PixelAt(p, 3, 15)) << "palette: the colour of entry 0";
}

TEST_F(BmpShortFile, FileEndingInsideThePaletteLeavesTheRestBlack)
{
    BmpSpec s;
    s.bitCount = 8;
    Bytes file = BmpFile(s, RampPalette(256), Bytes(32 * 32, 3));
    file.resize(54 + 4 * 5);  // five entries, no pixels
    Picture p;
    ASSERT_EQ(1, Bmp(file, p));
    EXPECT_EQ((Bytes{0, 0, 0, 255}), PixelAt(p, 0, 0));
}

TEST_F(BmpHeaderVersions, PaletteFollowsTheLargerHeader)
{
    for (uint32_t infoSize : {40u, 52u, 56u, 108u, 124u}) {
        BmpSpec s;
        s.bitCount = 8;
        s.colours = 8;
        s.infoSize = infoSize;
        Bytes rows(32 * 32, 5);
        rows[0] = 7;
        Picture p;
        ASSERT_EQ(1, Bmp(BmpFile(s, RampPalette(8), rows), p)) << infoSize;
        EXPECT_EQ(RampColour(5), PixelAt(p, 1, 31)) << infoSize;
        EXPECT_EQ(RampColour(7), PixelAt(p, 0, 31)) << infoSize;
    }
}

TEST_F(BmpHeaderVersions, PixelsAtTheFileHeaderOffsetWhenItIsUsable)
{
    Bytes rows(32 * 32 * 3, 0);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = uint8_t(i % 200 + 1);
    Picture expected;
    ASSERT_EQ(1, Bmp(BmpFile(BmpSpec(), {}, rows), expected));

    BmpSpec gap;  // a 124-byte header and 30 bytes of something before the pixels
    gap.infoSize = 124;
    gap.offset = 14 + 124 + 30;
    Picture p;
    ASSERT_EQ(1, Bmp(BmpFile(gap, {}, rows), p));
    EXPECT_EQ(PixelsOf(expected), PixelsOf(p)) << "the gap must be skipped";

    // Offsets inside the headers, or past the end of the file, are not usable: the pixels
    // are then taken to follow the header and palette.
    for (uint32_t offset : {1u, 54u, 137u, 100000u, 0x80000000u}) {
        BmpSpec s;
        s.infoSize = 124;
        Bytes file = BmpFile(s, {}, rows);
        file[10] = uint8_t(offset), file[11] = uint8_t(offset >> 8);
        file[12] = uint8_t(offset >> 16), file[13] = uint8_t(offset >> 24);
        ASSERT_EQ(1, Bmp(file, p)) << offset;
        EXPECT_EQ(PixelsOf(expected), PixelsOf(p)) << offset;
    }
}

TEST_F(BmpHeaderVersions, OffsetAtTheVeryEndIsNotInsideTheFile)
{
    Bytes rows(32 * 32 * 3, 0x42);
    BmpSpec s;
    Bytes file = BmpFile(s, {}, rows);
    uint32_t end = uint32_t(file.size());
    file[10] = uint8_t(end), file[11] = uint8_t(end >> 8);
    Picture p;
    ASSERT_EQ(1, Bmp(file, p));
    EXPECT_EQ((Bytes{0x42, 0x42, 0x42, 255}), PixelAt(p, 0, 0));
}

TEST_F(BmpHeaderVersions, ClassicPaletteFileIgnoresAnOffsetIntoItsPalette)
{
    BmpSpec s;
    s.bitCount = 8;
    s.offset = 54;  // points at the palette: the pixels still come after it
    Bytes file = BmpFile(s, {}, {});
    Bytes palette = RampPalette(256);
    file.insert(file.end(), palette.begin(), palette.end());
    Bytes rows(32 * 32, 4);
    file.insert(file.end(), rows.begin(), rows.end());
    Picture p;
    ASSERT_EQ(1, Bmp(file, p));
    EXPECT_EQ(RampColour(4), PixelAt(p, 9, 9));
}

TEST_F(ReaderAllocation, FailuresAreCleanAndLeaveNoPicture)
{
    std::string bmp = Put("a.bmp", BmpFile(BmpSpec(), {}, Bytes(32 * 32 * 3, 60)));
    std::string tga = Put("a.tga", TgaFile(TgaSpec(), Bytes(32 * 32 * 4, 60)));
    for (int reader = 0; reader < 2; ++reader) {
        bool succeeded = false;
        for (long n = 0; n < 20 && !succeeded; ++n) {
            Picture p;
            zeroAllocFailAfter(n);
            int ok = reader ? ReadTgaPicture(p, tga.c_str()) : ReadBmpPicture(p, bmp.c_str());
            zeroAllocFailAfter(-1);
            if (ok) {
                succeeded = true;
                EXPECT_EQ((Bytes{60, 60, 60, reader ? uint8_t(60) : uint8_t(255)}), PixelAt(p, 3, 3));
            } else {
                EXPECT_EQ(nullptr, p.pixels) << "allocation " << n;
            }
        }
        EXPECT_TRUE(succeeded) << "reader " << reader;
    }
}

// Every fixture, from our generator and from real encoders, against the picture it holds.
TEST(FixturePictures, AcceptedDecodeToTheirPattern)
{
    struct Case {
        const char* file;
        const char* expected;
    } cases[] = {
        {"own_bmp24_32.bmp", "gradient32.rgba"},      {"own_bmp24_64.bmp", "gradient64.rgba"},
        {"own_bmp24_v5_32.bmp", "gradient32.rgba"},   {"own_bmp24_v4_64.bmp", "gradient64.rgba"},
        {"own_bmp8_64.bmp", "pal256_64.rgba"},        {"own_bmp8_v5_64.bmp", "pal256_64.rgba"},
        {"own_bmp8_gap_64.bmp", "pal256_64.rgba"},    {"own_bmp4_32.bmp", "pal16_32.rgba"},
        {"own_bmp4_v5_32.bmp", "pal16_32.rgba"},      {"own_bmp1_32.bmp", "pal2_32.rgba"},
        {"own_tga32_32.tga", "alpha32.rgba"},         {"own_tga32_64.tga", "alpha64.rgba"},
        {"own_tga_id_32.tga", "alpha32.rgba"},        {"im_bmp3_24_32.bmp", "gradient32.rgba"},
        {"im_bmp3_24_64.bmp", "gradient64.rgba"},     {"im_bmp5_24_32.bmp", "gradient32.rgba"},
        {"im_bmp5_24_64.bmp", "gradient64.rgba"},     {"im_bmp3_pal2_32.bmp", "pal2_32.rgba"},
        {"im_bmp3_pal16_32.bmp", "pal16_32.rgba"},    {"im_bmp3_pal256_64.bmp", "pal256_64.rgba"},
        {"im_bmp5_pal2_32.bmp", "pal2_32.rgba"},      {"im_bmp5_pal16_32.bmp", "pal16_32.rgba"},
        {"im_bmp5_pal256_64.bmp", "pal256_64.rgba"},  {"im_tga_alpha32.tga", "alpha32.rgba"},
        {"im_tga_alpha64.tga", "alpha64.rgba"},       {"pil_bmp24_32.bmp", "gradient32.rgba"},
        {"pil_bmp24_64.bmp", "gradient64.rgba"},      {"pil_bmp8_64.bmp", "pal256_64.rgba"},
        {"pil_bmp1_32.bmp", "bw_32.rgba"},            {"pil_tga32_32.tga", "alpha32.rgba"},
        {"pil_tga32_64.tga", "alpha64.rgba"},
    };
    for (const Case& c : cases) {
        Bytes expected = FixtureBytes(c.expected);
        ASSERT_FALSE(expected.empty()) << c.expected;
        std::string path = Fixture(c.file);
        Picture p;
        int ok = HasTgaExtension(path.c_str()) ? ReadTgaPicture(p, path.c_str())
                                               : ReadBmpPicture(p, path.c_str());
        ASSERT_EQ(1, ok) << c.file;
        Bytes got = PixelsOf(p);
        ASSERT_EQ(expected.size(), got.size()) << c.file;
        size_t first = 0;
        while (first < got.size() && got[first] == expected[first]) ++first;
        EXPECT_EQ(got.size(), first) << c.file << ": first difference in pixel " << first / 4
                                     << " (x " << first / 4 % p.width << ", y "
                                     << first / 4 / p.width << ")";
    }
}

TEST(FixturePictures, RefusedByTheBannerCheck)
{
    const char* files[] = {
        "bad_bmp16_32.bmp",        "bad_bmp32_32.bmp",      "bad_bmp_rle8_32.bmp",
        "bad_bmp_300_colours.bmp", "bad_bmp24_16.bmp",      "bad_bmp_topdown_32.bmp",
        "bad_bmp_core12_32.bmp",   "bad_tga24_32.tga",      "bad_tga_topdown_32.tga",
        "bad_tga_mirrored_32.tga", "bad_tga32_16.tga",      "bad_tga_rle_32.tga",
        "bad_tga_colourmap_32.tga", "im_bmp2_24_32.bmp",    "bad_im_tga_rle_32.tga",
        "bad_im_tga24_32.tga",     "bad_im_bmp_rle8_64.bmp", "bad_pil_bmp32_32.bmp",
        "bad_pil_tga24_32.tga",    "bad_pil_tga_rle_32.tga", "bad_im_tga_topdown_32.tga",
    };
    for (const char* f : files) {
        std::string path = Fixture(f);
        ASSERT_TRUE(FileExists(NativePath(path))) << f;
        int32_t w = 7, h = 7;
        EXPECT_EQ(0, CheckBannerPicture(path.c_str(), &w, &h)) << f;
        EXPECT_EQ(0, w) << f;
        EXPECT_EQ(0, h) << f;
    }
}

TEST(BannerCheck, ReportsTheSizeOrZero)
{
    int32_t w = 7, h = 7;
    EXPECT_EQ(1, CheckBannerPicture(Fixture("own_tga32_64.tga").c_str(), &w, &h));
    EXPECT_EQ(64, w);
    EXPECT_EQ(64, h);
    EXPECT_EQ(1, CheckBannerPicture(Fixture("im_bmp3_pal16_32.bmp").c_str(), &w, &h));
    EXPECT_EQ(32, w);
    EXPECT_EQ(0, CheckBannerPicture(Fixture("no-such-picture.bmp").c_str(), &w, &h));
    EXPECT_EQ(0, w);
    EXPECT_EQ(0, h);
    w = h = 7;
    EXPECT_EQ(0, CheckBannerPicture(Fixture("own_bmp*.bmp").c_str(), &w, &h)) << "a pattern";
    EXPECT_EQ(0, w);
}

TEST(BannerCheck, ReaderFollowsTheLastThreeLetters)
{
    // A TGA file named .bmp is read as a BMP and fails; renamed with a TGA ending it passes.
    TempDir dir;
    Bytes tga = FixtureBytes("own_tga32_32.tga");
    ASSERT_TRUE(WriteFileBytes(dir.native("flag.bmp"), tga));
    ASSERT_TRUE(WriteFileBytes(dir.native("flagTGA"), tga));
    int32_t w, h;
    EXPECT_EQ(0, CheckBannerPicture(dir.core("flag.bmp").c_str(), &w, &h));
    EXPECT_EQ(1, CheckBannerPicture(dir.core("flagTGA").c_str(), &w, &h));
}

TEST(TgaExtension, LastThreeCharactersAnyCase)
{
    struct Case {
        const char* path;
        bool tga;
    } cases[] = {
        {"D:\\a\\flag.TGA", true}, {"D:\\a\\mytga", true},      {"D:\\a\\flag.tga.bmp", false},
        {"D:\\a\\ga", false},      {"ga", false},               {"", false},
        {"tga", true},             {"D:\\a\\flag.tgA", true},   {"D:\\a\\flag.tg", false},
        {"D:\\a\\flag.bmp", false}, {"D:\\a\\flag.t\xc7" "a", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.tga, HasTgaExtension(c.path)) << c.path;
}

TEST(ExtensionTest, BannerJobCases)
{
    struct Case {
        const char* path;
        bool passes;
    } cases[] = {
        {"D:\\Pictures\\Banner.BMP", true},  // lowercased before the test
        {"D:\\Pictures\\banner.tga", true},
        {"D:\\Pictures\\banner", false},     // no dot at all
        {"D:\\pics.old\\banner", false},     // the last dot belongs to a folder
        {"D:\\pics\\banner.bm", true},       // a substring of the list
        {"D:\\pics\\banner.ga", true},
        {"D:\\pics\\banner.", true},         // the empty text occurs in every text
        {"D:\\pics\\banner.png", false},
        {"D:\\pics\\banner.bmp.png", false},
        {"banner.TgA", true},
        {"D:\\pics\\banner.p;*.t", true},  // any piece of the list, separators too
    };
    for (const Case& c : cases) EXPECT_EQ(c.passes, PassesExtensionTest(c.path)) << c.path;
}
