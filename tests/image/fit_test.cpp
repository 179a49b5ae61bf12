// The command line's pictures: the reader against Pillow's decoding of files from real
// encoders, its refusals with their reasons, the fitting's rules on pictures built here, the
// banner files the window program's readers accept, and the destroyed variants.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/zero_alloc.h"
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
    void (*paint)(uint32_t x, uint32_t y, uint8_t* rgba);
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

Picture& Fit(const Built& b, BannerKind kind, uint32_t size)
{
    static Picture banner;
    SourcePicture source;
    Make(source, b);
    FitOptions o;
    o.kind = kind, o.size = size;
    EXPECT_EQ(1, FitBanner(source, o, banner));
    return banner;
}

Bytes Concat(Bytes a, const Bytes& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// A PNG header claiming w by h, then nothing: only the header may be looked at.
Bytes PngHeaderOnly(uint32_t w, uint32_t h)
{
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
    for (uint8_t v : {8, 6, 0, 0, 0, 0, 0, 0, 0}) b.push_back(v);  // depth, RGBA, methods, CRC
    return b;
}

// A 24-bit BMP's headers claiming w by h, with no pixels.
Bytes BmpHeaderOnly(uint32_t w, uint32_t h)
{
    Bytes b(54, 0);
    b[0] = 'B', b[1] = 'M', b[10] = 54, b[14] = 40, b[26] = 1, b[28] = 24;
    for (int i = 0; i < 4; ++i) b[18 + i] = uint8_t(w >> 8 * i), b[22 + i] = uint8_t(h >> 8 * i);
    return b;
}

// The JPEG with its frame header's size changed to w by h.
Bytes JpegClaiming(Bytes jpeg, uint16_t w, uint16_t h)
{
    for (size_t i = 0; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = uint8_t(h >> 8), jpeg[i + 6] = uint8_t(h);  // height, then width, big-endian
            jpeg[i + 7] = uint8_t(w >> 8), jpeg[i + 8] = uint8_t(w);
            break;
        }
    return jpeg;
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
        {"the largest size in a tiny PNG", PngHeaderOnly(16384, 16384), false,
         "truncated or damaged PNG (16384x16384 pixels need at least 1040463 bytes; the file has 33 bytes)"},
        {"a JPEG frame of 16000x12000 in a small file",
         JpegClaiming(ReadFileBytes(NativePath(FitFixture("baseline.jpg"))), 16000, 12000), false,
         "truncated or damaged JPEG (16000x12000 pixels need at least 375000 bytes; the file has "},
        {"a GIF screen of 16384x16384", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0x40, 0, 0x40, 0, 0, 0, ';'}, false,
         "truncated or damaged GIF (16384x16384 pixels need at least 24 KiB"},
        {"a BMP of 16384x16384 in its headers alone", BmpHeaderOnly(16384, 16384), false,
         "truncated or damaged BMP (16384x16384 pixels need at least 16 KiB; the file has 54 bytes)"},
        {"truncated PNG", Bytes(png.begin(), png.begin() + 60), false, "truncated or damaged PNG"},
        {"truncated JPEG", Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2), false, "truncated or damaged JPEG"},
        {"Huffman overrun", dht, false, "damaged JPEG (a Huffman table of more than 256 codes)"},
        {"Huffman overrun past the length", shortDht, false, "damaged JPEG (a Huffman table of more than 256 codes)"},
        {"chunk past the end", Concat(Bytes(png.begin(), png.begin() + 33), {0x7F, 0, 0, 0, 'I', 'D', 'A', 'T', 0x78}), false,
         "truncated or damaged PNG (a chunk runs past the end of the file)"},
        {"the same behind fill bytes, named .tga", Concat({0xFF, 0xFF}, dht), true, "damaged TGA (a Huffman table"},
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
    EXPECT_STREQ("file larger than 100 bytes", e.text);
    EXPECT_EQ(0, ReadSourcePicture(FitFixture("absent.png").c_str(), p, e));
    EXPECT_EQ(0, strncmp("cannot open the file (", e.text, 22)) << e.text;  // and the system's reason
}

// Without memory at any step of the reading, a picture is refused for that reason, never as
// damaged, and nothing is held; a JPEG's widening and a sideways turn included.
TEST(SourcePictures, NoMemorySaysSo)
{
    for (const char* name : {"baseline.jpg", "progressive.jpg", "rgba.png", "interlaced.png", "frame.gif",
                             "rgb24.bmp", "rle8.bmp", "rgba32.tga"}) {
        Bytes data = ReadFileBytes(NativePath(FitFixture(name)));
        long allowed = 0;
        for (;; ++allowed) {
            SourcePicture p;
            SourceError e;
            zeroAllocFailAfter(allowed);
            int ok = DecodeSourcePicture(data.data(), data.size(), true, kSourceLimits, p, e);
            zeroAllocFailAfter(-1);
            if (ok) break;
            EXPECT_EQ(0, strncmp(e.text, "not enough memory ", 18))
                << name << ", " << allowed << " allowed: " << e.text;
            EXPECT_EQ(nullptr, p.pixels);
            ASSERT_LT(allowed, 5000) << name;
        }
        EXPECT_GT(allowed, 0) << name << " was read without memory";
    }
}

// The fitting's rules on pictures built here (the quality figures on real files are measured
// end to end by fit_cli_test.sh): each picture, the banner asked for, and the pixels expected
// at a few places, within 1.
TEST(FitBanner, Rules)
{
    auto flat = [](uint32_t, uint32_t, uint8_t* p) { p[0] = 200, p[1] = 120, p[2] = 40, p[3] = 255; };
    auto art = [](uint32_t x, uint32_t y, uint8_t* p) { p[0] = uint8_t(x * 30), p[1] = uint8_t(y * 30), p[2] = 9, p[3] = 255; };
    auto redTall = [](uint32_t, uint32_t, uint8_t* p) { p[0] = p[3] = 255; };
    // Magenta whose coverage steps up from the left: 127, 128, 255.
    auto steps = [](uint32_t x, uint32_t, uint8_t* p) { p[0] = p[2] = 255, p[3] = x < 8 ? 127 : x < 16 ? 128 : 255; };
    struct Probe {
        uint32_t x, y;
        uint8_t rgba[4];
    };
    struct Case {
        const char* what;
        Built picture;
        BannerKind kind;
        uint32_t size;
        std::vector<Probe> probes;
    } cases[] = {
        {"flat 300x200 as 64x43: the colour kept, bands above and below", {300, 200, flat}, BannerStatistic, 64,
         {{0, 9, {0, 0, 0, 0}}, {0, 10, {200, 120, 40, 255}}, {63, 32, {200, 120, 40, 255}},
          {40, 52, {200, 120, 40, 255}}, {40, 53, {0, 0, 0, 0}}}},
        {"tall 10x40 in game: bands at the sides", {10, 40, redTall}, BannerInGame, 32,
         {{11, 16, {0, 0, 0, 0}}, {12, 16, {255, 0, 0, 255}}, {19, 16, {255, 0, 0, 255}}, {20, 16, {0, 0, 0, 0}}}},
        {"8x8 art: nearest neighbour", {8, 8, art}, BannerStatistic, 64,
         {{0, 0, {0, 0, 9, 255}}, {7, 7, {0, 0, 9, 255}}, {8, 7, {30, 0, 9, 255}}, {63, 56, {210, 210, 9, 255}}}},
        {"in game: cut at half coverage, no opaque key", {32, 32, steps}, BannerInGame, 32,
         {{7, 3, {0, 0, 0, 0}}, {8, 3, {254, 0, 255, 255}}, {31, 3, {254, 0, 255, 255}}}},
        {"statistics: alpha kept", {32, 32, steps}, BannerStatistic, 32,
         {{7, 3, {255, 0, 255, 127}}, {8, 3, {255, 0, 255, 128}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Picture& b = Fit(c.picture, c.kind, c.size);
        ASSERT_EQ(c.size, b.width);
        for (const Probe& p : c.probes)
            for (int k = 0; k < 4; ++k) EXPECT_NEAR(p.rgba[k], At(b, p.x, p.y)[k], 1) << p.x << "," << p.y << " byte " << k;
        for (uint32_t i = 0; c.kind == BannerInGame && i < c.size * c.size; ++i)
            ASSERT_TRUE(b.pixels[4 * i + 3] == 0 || b.pixels[4 * i + 3] == 255);
    }

    // A BMP's colour key is transparent before fitting: (1, 0) holds it in the file.
    SourcePicture bmp;
    SourceError e;
    ASSERT_EQ(1, ReadSourcePicture(FitFixture("rgb24.bmp").c_str(), bmp, e));
    EXPECT_EQ(0, bmp.pixels[4] | bmp.pixels[5] | bmp.pixels[6] | bmp.pixels[7]);
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
        ImageError error;
        ASSERT_EQ(1, FitBannerSet(dir.core("logo.png").c_str(), o, set, error)) << error.text;
        ASSERT_EQ(1, set.count);
        std::string out = dir.core(kind == BannerInGame ? "b.bmp" : "b.tga");
        ASSERT_EQ(1, kind == BannerInGame ? WriteBannerBmp(out.c_str(), set.pictures[0], error)
                                          : WriteBannerTga(out.c_str(), set.pictures[0], error));
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
        ImageError error;
        EXPECT_EQ(c.count ? 1 : 0, FitBannerSet(dir.core("logo.png").c_str(), o, set, error));
        EXPECT_EQ(c.count, set.count);
        for (int k = 1; k <= 3; ++k) {
            bool there = strchr(c.present, '0' + k) || strchr(c.broken, '0' + k);
            EXPECT_EQ(there, set.present[k - 1]) << "variant " << k;
            EXPECT_EQ(strchr(c.present, '0' + k) != nullptr, set.taken[k - 1]) << "variant " << k;
            if (strchr(c.broken, '0' + k)) {
                EXPECT_STREQ("not a PNG, JPEG, GIF, BMP or TGA picture", set.refused[k - 1].text);
            }
        }
        if (!c.count) {
            EXPECT_STREQ("Can't collect all 'destroyed' textures", error.text);
            continue;
        }
        const Picture* records[4] = {&set.pictures[0], &set.pictures[1], &set.pictures[2], &set.pictures[3]};
        testing::internal::CaptureStdout();
        EXPECT_EQ(1, WriteBannerTexture(records, set.count, dir.core("out.tex").c_str(), false, error));
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
