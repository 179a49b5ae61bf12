// The command line's pictures: the reader against Pillow's decoding of files from real
// encoders, its refusals with their reasons, the fitting's quality rules on pictures built
// here, the banner files the window program's readers accept, and the destroyed variants.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <cmath>
#include <functional>
#include <string>

#include "image/banner_files.h"
#include "image/banner_fit.h"
#include "image/convert.h"
#include "image/png_writer.h"
#include "image/source_picture.h"
#include "image/tex_reader.h"
#include "tests/support/test_support.h"

namespace {

std::string FitFixture(const std::string& name) { return CorePath(VEX_FIXTURES_DIR "/fit/" + name); }

// A picture built in memory, as the reader would hand it over.
struct Built {
    uint32_t w, h;
    std::function<void(uint32_t x, uint32_t y, uint8_t* rgba)> paint;
};
void Make(SourcePicture& p, const Built& b)
{
    p.clear();
    p.pixels = static_cast<uint8_t*>(calloc(size_t(b.w) * b.h, 4));
    p.width = b.w;
    p.height = b.h;
    for (uint32_t y = 0; y < b.h; ++y)
        for (uint32_t x = 0; x < b.w; ++x) b.paint(x, y, p.pixels + (size_t(y) * b.w + x) * 4);
}
const uint8_t* At(const Picture& p, uint32_t x, uint32_t y) { return p.pixels + (size_t(y) * p.width + x) * 4; }

Picture& Fit(const Built& b, BannerKind kind, uint32_t size, bool crop = false, bool smooth = false)
{
    static Picture banner;
    SourcePicture source;
    Make(source, b);
    FitOptions o;
    o.kind = kind, o.size = size, o.crop = crop, o.smooth = smooth;
    EXPECT_EQ(1, FitBanner(source, o, banner));
    return banner;
}

// A PNG header claiming w by h, then nothing: only the header may be looked at.
Bytes PngHeaderOnly(uint32_t w, uint32_t h)
{
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
    for (uint8_t v : {8, 6, 0, 0, 0, 0, 0, 0, 0}) b.push_back(v);  // depth, RGBA, methods, CRC
    return b;
}

}  // namespace

// Every format and variety against Pillow's decoding (JPEG decoders differ a little, so those
// within a few levels).
TEST(SourcePictures, DecodeAsPillowDoes)
{
    const char* names[] = {"rgba.png", "palette_trns.png", "grey.png", "interlaced.png", "deep16.png",
                           "baseline.jpg", "progressive.jpg", "frame.gif", "rgb24.bmp", "pal8.bmp",
                           "pal1.bmp", "rle8.bmp", "rle4.bmp", "core.bmp", "bitfields.bmp",
                           "topdown.bmp", "rgba32.tga", "rle.tga", "rgb24.tga", "colourmap.tga",
                           "topfirst.tga"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::string stem(name);
        stem[stem.rfind('.')] = '_';
        Bytes want = ReadFileBytes(NativePath(FitFixture(stem + ".rgba")));
        SourcePicture p;
        SourceError e;
        ASSERT_EQ(1, ReadSourcePicture(FitFixture(name).c_str(), p, e)) << e.text;
        ASSERT_EQ(want.size(), size_t(p.width) * p.height * 4);
        int tolerance = strstr(name, ".jpg") ? 6 : 0, worst = 0;
        for (size_t i = 0; i < want.size(); ++i)  // the colour of a transparent pixel is free
            if (want[i | 3] || p.pixels[i | 3]) worst = std::max(worst, std::abs(want[i] - p.pixels[i]));
        EXPECT_LE(worst, tolerance);
        EXPECT_EQ(strstr(name, ".bmp") != nullptr, p.fromBmp);
    }
}

// Refused with a reason, before anything is decoded; nothing is handed out.
TEST(SourcePictures, RefusalsSayWhy)
{
    Bytes png = ReadFileBytes(NativePath(FitFixture("rgba.png")));
    Bytes jpg = ReadFileBytes(NativePath(FitFixture("progressive.jpg")));
    Bytes rle = ReadFileBytes(NativePath(FitFixture("rle8.bmp")));
    const std::string text = "just some text, saved as a picture name\n";
    // stb 2.27 overruns its table on a Huffman table of more than 256 codes: 255 more here.
    // stb reads a table whole even when the segment's length ends inside it.
    Bytes dht = ReadFileBytes(NativePath(FitFixture("baseline.jpg"))), shortDht;
    for (size_t i = 0; i + 1 < dht.size(); ++i)
        if (dht[i] == 0xFF && dht[i + 1] == 0xC4) {
            dht[i + 5 + 15] = 255;
            shortDht = dht;
            shortDht[i + 2] = 0, shortDht[i + 3] = 16;
            break;
        }
    struct Case {
        const char* what;
        Bytes data;
        bool maybeTga;
        const char* reason;
    } cases[] = {
        {"empty", {}, false, "empty file"},
        {"text", Bytes(text.begin(), text.end()), false, "not a PNG, JPEG, GIF, BMP or TGA picture"},
        {"huge PNG", PngHeaderOnly(100000, 100000), false, "100000x100000 pixels, more than 16384 a side"},
        {"wide PNG", PngHeaderOnly(16385, 1), false, "16385x1 pixels, more than 16384 a side"},
        {"too many pixels", PngHeaderOnly(16384, 16384), false, "16384x16384 pixels, more than 64 million in all"},
        {"truncated PNG", Bytes(png.begin(), png.begin() + 60), false, "truncated or damaged PNG"},
        {"truncated JPEG", Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2), false, "truncated or damaged JPEG"},
        {"Huffman overrun", dht, false, "damaged JPEG (a Huffman table of more than 256 codes)"},
        {"Huffman overrun past the length", shortDht, false, "damaged JPEG (a Huffman table of more than 256 codes)"},
        {"truncated RLE", Bytes(rle.begin(), rle.end() - 30), false, "truncated BMP (run-length data ends early)"},
        {"bad TGA", Bytes{0, 7, 99, 0, 0}, true, "truncated or damaged TGA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SourcePicture p;
        SourceError e;
        EXPECT_EQ(0, DecodeSourcePicture(c.data.data(), c.data.size(), c.maybeTga, kSourceLimits, p, e));
        EXPECT_EQ(0, strncmp(e.text, c.reason, strlen(c.reason))) << e.text;
        EXPECT_EQ(nullptr, p.pixels);
    }
    SourcePicture p;
    SourceError e;
    SourceLimits small = {16, 1000, 100};
    EXPECT_EQ(0, DecodeSourcePicture(png.data(), png.size(), false, small, p, e));
    EXPECT_STREQ("file larger than 64 MiB", e.text);
    EXPECT_EQ(0, ReadSourcePicture(FitFixture("absent.png").c_str(), p, e));
    EXPECT_STREQ("cannot open the file", e.text);
}

// The quality rules: flat colour kept, soft edges keep their colour, a fine pattern becomes
// the grey the eye sees, not the average of its sRGB values.
TEST(FitBanner, LinearLightAndAlphaWeighting)
{
    Picture& flat = Fit({300, 200, [](uint32_t, uint32_t, uint8_t* p) { p[0] = 200, p[1] = 120, p[2] = 40, p[3] = 255; }},
                        BannerStatistic, 64);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const uint8_t* p = At(flat, x, y);
            if (!p[3]) continue;
            ASSERT_EQ(255, p[3]) << x << "," << y;
            ASSERT_NEAR(200, p[0], 1);
            ASSERT_NEAR(120, p[1], 1);
            ASSERT_NEAR(40, p[2], 1);
        }

    // A red disc on fully transparent black: every visible pixel stays red.
    auto disc = [](uint32_t x, uint32_t y, uint8_t* p) {
        double dx = x + 0.5 - 256, dy = y + 0.5 - 256;
        if (dx * dx + dy * dy < 200.0 * 200.0) p[0] = 255, p[3] = 255;
    };
    int soft = 0;
    Picture& edge = Fit({512, 512, disc}, BannerStatistic, 64);
    for (uint32_t i = 0; i < 64 * 64; ++i) {
        const uint8_t* p = edge.pixels + 4 * i;
        if (!p[3]) continue;
        soft += p[3] < 255;
        ASSERT_GE(p[0], 250) << "dark fringe at pixel " << i << " alpha " << int(p[3]);
        ASSERT_LE(p[1] + p[2], 4);
    }
    EXPECT_GT(soft, 20) << "the edge is soft";

    Picture& grey = Fit({256, 256, [](uint32_t x, uint32_t y, uint8_t* p) {
                             p[0] = p[1] = p[2] = (x + y) % 2 ? 255 : 0;
                             p[3] = 255;
                         }},
                        BannerStatistic, 64);
    // 188 is half the light; averaging the sRGB values would give 128. The corners, where
    // the pattern is clamped at two edges, come within 3.
    for (uint32_t i = 0; i < 64 * 64; ++i) ASSERT_NEAR(188, grey.pixels[4 * i], 3) << i;
    EXPECT_EQ(188, grey.pixels[4 * (64 * 20 + 30)]);
}

// Not square: whole and centred with transparent bands, or cropped from the centre. Three
// bands left to right: blue, green (the central square), red.
TEST(FitBanner, ContainAndCrop)
{
    Built bands = {300, 150, [](uint32_t x, uint32_t, uint8_t* p) {
                       p[x < 75 ? 2 : x < 225 ? 1 : 0] = 255;
                       p[3] = 255;
                   }};
    Picture& whole = Fit(bands, BannerStatistic, 64);
    for (uint32_t y = 0; y < 64; ++y) {
        bool band = y < 16 || y >= 48;
        EXPECT_EQ(band ? 0 : 255, At(whole, 0, y)[3]) << y;
        EXPECT_EQ(band ? 0 : 255, At(whole, 63, y)[3]) << y;
    }
    EXPECT_EQ(255, At(whole, 0, 32)[2]) << "blue at the left";
    EXPECT_EQ(255, At(whole, 63, 32)[0]) << "red at the right";

    Picture& cropped = Fit(bands, BannerInGame, 32, true);
    for (uint32_t i = 0; i < 32 * 32; ++i) {
        const uint8_t* p = cropped.pixels + 4 * i;
        ASSERT_EQ(255, p[3]);
        ASSERT_EQ(255, p[1]) << "only the middle band is left";
    }
    // Tall: bands at the sides.
    Picture& tall = Fit({10, 40, [](uint32_t, uint32_t, uint8_t* p) { p[0] = p[3] = 255; }}, BannerInGame, 32);
    EXPECT_EQ(0, At(tall, 11, 16)[3]);
    EXPECT_EQ(255, At(tall, 12, 16)[3]);
    EXPECT_EQ(255, At(tall, 19, 16)[3]);
    EXPECT_EQ(0, At(tall, 20, 16)[3]);
}

// Whole-factor enlargement is by nearest neighbour unless smoothing is asked for; the same
// size is an exact copy.
TEST(FitBanner, PixelArtStaysCrisp)
{
    auto art = [](uint32_t x, uint32_t y, uint8_t* p) {
        p[0] = uint8_t(x * 30), p[1] = uint8_t(y * 30), p[2] = uint8_t((x ^ y) * 20), p[3] = (x + y) % 3 ? 255 : 90;
    };
    for (uint32_t n : {8u, 16u, 32u}) {
        SCOPED_TRACE(n);
        Picture& big = Fit({n, n, art}, BannerStatistic, 64);
        uint32_t f = 64 / n;
        for (uint32_t y = 0; y < 64; ++y)
            for (uint32_t x = 0; x < 64; ++x) {
                uint8_t want[4];
                art(x / f, y / f, want);
                ASSERT_EQ(0, memcmp(want, At(big, x, y), 4)) << x << "," << y;
            }
    }
    Picture& smooth = Fit({8, 8, art}, BannerStatistic, 64, false, true);
    uint8_t corner[4];
    art(1, 0, corner);
    EXPECT_NE(0, memcmp(corner, At(smooth, 15, 4), 4)) << "the filter blends neighbours";
}

// The in-game rule: alpha only 0 or 255, the cut at half coverage, no opaque colour key; a
// BMP's colour key is transparent before fitting.
TEST(FitBanner, InGameHardAlphaAndColourKey)
{
    Picture& b = Fit({32, 32, [](uint32_t x, uint32_t, uint8_t* p) {
                          p[0] = 255, p[2] = 255;
                          p[3] = x < 8 ? 127 : x < 16 ? 128 : 255;
                      }},
                     BannerInGame, 32);
    const uint8_t key[4] = {0, 0, 0, 0}, moved[4] = {254, 0, 255, 255};
    EXPECT_EQ(0, memcmp(key, At(b, 7, 3), 4));
    EXPECT_EQ(0, memcmp(moved, At(b, 8, 3), 4));
    EXPECT_EQ(0, memcmp(moved, At(b, 31, 3), 4));

    Picture& disc = Fit({512, 512, [](uint32_t x, uint32_t y, uint8_t* p) {
                             double dx = x - 256.0, dy = y - 256.0;
                             if (dx * dx + dy * dy < 180.0 * 180.0) p[0] = 255, p[2] = 255, p[3] = 255;
                         }},
                        BannerInGame, 32);
    for (uint32_t i = 0; i < 32 * 32; ++i) {
        const uint8_t* p = disc.pixels + 4 * i;
        ASSERT_TRUE(p[3] == 0 || p[3] == 255);
        ASSERT_FALSE(p[3] == 255 && p[0] == 255 && p[1] == 0 && p[2] == 255);
    }

    SourcePicture bmp;
    SourceError e;
    ASSERT_EQ(1, ReadSourcePicture(FitFixture("rgb24.bmp").c_str(), bmp, e));
    const uint8_t* k = bmp.pixels + 4;  // (1, 0) holds the key in the file
    EXPECT_EQ(0, k[0] | k[1] | k[2] | k[3]);
}

// fit's files: the window program's readers accept them and see the banner as fitted.
TEST(BannerFiles, ReadBackByTheWindowProgramsReaders)
{
    TempDir dir;
    Bytes png = ReadFileBytes(NativePath(FitFixture("rgba.png")));
    ASSERT_TRUE(WriteFileBytes(dir.native("logo.png"), png));
    for (BannerKind kind : {BannerInGame, BannerStatistic}) {
        FitOptions o;
        o.kind = kind;
        o.size = kind == BannerInGame ? 32 : 64;
        FittedBanner set;
        char error[300];
        ASSERT_EQ(1, FitBannerSet(dir.core("logo.png").c_str(), o, set, error, sizeof error)) << error;
        ASSERT_EQ(1, set.count);
        std::string out = dir.core(kind == BannerInGame ? "b.bmp" : "b.tga");
        ASSERT_EQ(1, kind == BannerInGame ? WriteBannerBmp(out.c_str(), set.pictures[0])
                                          : WriteBannerTga(out.c_str(), set.pictures[0]));
        int32_t w = 0, h = 0;
        ASSERT_EQ(1, CheckBannerPicture(out.c_str(), &w, &h));
        EXPECT_EQ(int32_t(o.size), w);
        Picture back;
        ASSERT_EQ(1, kind == BannerInGame ? ReadBmpPicture(back, out.c_str()) : ReadTgaPicture(back, out.c_str()));
        EXPECT_EQ(0, memcmp(back.pixels, set.pictures[0].pixels, o.size * o.size * 4));
    }
}

// Variants beside the picture: none, #1, or all three; an unreadable one counts as absent.
// The TEX file holds the records in that order.
TEST(BannerFiles, VariantsFollowTheRule)
{
    struct Case {
        const char* present;  // digits of the variants beside logo.png
        const char* broken;   // digits of variants that exist but cannot be read
        int count;            // 0: refused
    } cases[] = {{"", "", 1}, {"1", "", 2}, {"123", "", 4}, {"2", "", 0}, {"3", "", 0},
                 {"12", "", 0}, {"23", "", 0}, {"", "1", 1}, {"1", "23", 2}, {"13", "2", 0}};
    Bytes png = ReadFileBytes(NativePath(FitFixture("rgba.png")));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.present) + "/" + c.broken);
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.native("logo.png"), png));
        for (const char* d = c.present; *d; ++d) WriteFileBytes(dir.native(std::string("logo#") + *d + ".png"), png);
        for (const char* d = c.broken; *d; ++d) WriteFileBytes(dir.native(std::string("logo#") + *d + ".png"), {'x'});
        FitOptions o;
        FittedBanner set;
        char error[300] = "";
        EXPECT_EQ(c.count ? 1 : 0, FitBannerSet(dir.core("logo.png").c_str(), o, set, error, sizeof error));
        EXPECT_EQ(c.count, set.count);
        if (!c.count) {
            EXPECT_STREQ("Can't collect all 'destroyed' textures", error);
            continue;
        }
        const Picture* records[4] = {&set.pictures[0], &set.pictures[1], &set.pictures[2], &set.pictures[3]};
        testing::internal::CaptureStdout();
        EXPECT_EQ(1, WriteBannerTexture(records, set.count, dir.core("out.tex").c_str(), false));
        testing::internal::GetCapturedStdout();
        TexBytes tex;
        TexLayout layout;
        TexError te;
        ASSERT_EQ(1, LoadTexFile(dir.core("out.tex").c_str(), tex, te)) << te.text;
        ASSERT_EQ(1, ParseTexLayout(tex.data, tex.size, layout, te)) << te.text;
        EXPECT_EQ(uint32_t(c.count), layout.recordCount);
        EXPECT_EQ(0x03000016u, layout.records[0].flags) << "the BMP kind, five levels";
    }
    char name[MAX_PATH];
    ASSERT_EQ(1, MakePictureVariantName("D:\\a.b\\logo.jpeg", 2, name, sizeof name));
    EXPECT_STREQ("D:\\a.b\\logo#2.jpeg", name);
    ASSERT_EQ(1, MakePictureVariantName("D:\\a.b\\logo", 1, name, sizeof name));
    EXPECT_STREQ("D:\\a.b\\logo#1", name);
}
