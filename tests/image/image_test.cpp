// The image part: the BMP and TGA readers against hand-built files and real encoders' files,
// the banner check and the extension tests; TEX files as the conversion writes them, byte for
// byte, and the checking reader that names the offset where a damaged file stops making sense;
// the conversion's refusals, and failures that must leave the previous banner exactly as it was.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "core/zero_alloc.h"
#include "image/convert.h"
#include "image/picture.h"
#include "image/tex_reader.h"
#include "image/tex_writer.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include "platform/test_hooks.h"
#else
void PlatformFailWritesAfter(int64_t) {}  // writes fail on purpose only natively
#endif

namespace fs = std::filesystem;

namespace {

// A fixture of tests/image/fixtures in core form; under Wine the Linux root is drive Z:.
std::string Fixture(const std::string& name) { return CorePath(VEX_FIXTURES_DIR "/" + name); }
Bytes FixtureBytes(const std::string& name) { return ReadFileBytes(NativePath(Fixture(name))); }

Bytes Head(Bytes b, size_t n) { return b.resize(n), b; }
Bytes PixelsOf(const Picture& p) { return Bytes(p.pixels, p.pixels + p.width * p.height * 4); }
// One RGBA pixel, x from the left, y from the top.
Bytes PixelAt(const Picture& p, uint32_t x, uint32_t y)
{
    return Bytes(p.pixels + (y * p.width + x) * 4, p.pixels + (y * p.width + x) * 4 + 4);
}

// Empty when equal; else the sizes and the first 8 bytes from where the two part.
std::string Difference(const Bytes& want, const Bytes& got)
{
    size_t i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
    if (i == want.size() && i == got.size()) return "";
    auto at = [i](const Bytes& b) { return "[" + Hex(Bytes(b.begin() + i, b.begin() + std::min(i + 8, b.size()))); };
    return std::to_string(want.size()) + " bytes expected, " + std::to_string(got.size()) + " came; from byte " +
           std::to_string(i) + " expected " + at(want) + "], got " + at(got) + "]";
}

// BMP: file header, information header of `infoSize` bytes, the palette as given (blue, green,
// red, unused), then the rows as stored (bottom first).
struct BmpHeader {
    int32_t width = 32, height = 32;
    uint16_t planes = 1, bitCount = 24;
    uint32_t compression = 0, colours = 0, infoSize = 40;
};
Bytes BmpFile(const BmpHeader& s, const Bytes& palette, const Bytes& rows)
{
    uint32_t offset = 14 + std::max(s.infoSize, 40u) + uint32_t(palette.size());
    Bytes f = {'B', 'M'};
    for (uint32_t v : {offset + uint32_t(rows.size()), 0u, offset}) PutU32(f, v);  // size, reserved, offset
    for (uint32_t v : {s.infoSize, uint32_t(s.width), uint32_t(s.height)}) PutU32(f, v);
    PutU16(f, s.planes);
    PutU16(f, s.bitCount);
    // compression, image size, pixels per metre both ways, colour count, important colours
    for (uint32_t v : {s.compression, uint32_t(rows.size()), 2835u, 2835u, s.colours, 0u}) PutU32(f, v);
    f.resize(14 + std::max(s.infoSize, 40u), 0);
    f.insert(f.end(), palette.begin(), palette.end());
    f.insert(f.end(), rows.begin(), rows.end());
    return f;
}

// TGA: 18-byte header without identification field, then the pixels as stored (blue, green,
// red, alpha, bottom row first).
struct TgaHeader {
    uint16_t width = 32, height = 32;
    uint8_t colourMapType = 0, imageType = 2, depth = 32, descriptor = 0x08;
};
Bytes TgaFile(const TgaHeader& s, const Bytes& pixels)
{
    Bytes f = {0, s.colourMapType, s.imageType, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // ID length, map, origin
    PutU16(f, s.width);
    PutU16(f, s.height);
    f.insert(f.end(), {s.depth, s.descriptor});
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// A square picture file of noise, a 24-bit BMP or a 32-bit TGA, different for every seed.
Bytes NoiseFile(bool tga, uint16_t size, uint32_t seed)
{
    Bytes px(size_t(size) * size * (tga ? 4 : 3));
    for (uint8_t& b : px) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
    return tga ? TgaFile({size, size}, px) : BmpFile({size, size}, {}, px);
}

// Reference halving, written out plainly: level k + 1 from level k, truncating averages.
Bytes ReferenceChain(const Picture& p, uint32_t levels)
{
    Bytes all, level = PixelsOf(p);
    for (uint32_t k = 0, w = p.width, h = p.height; k < levels; ++k, w /= 2, h /= 2) {
        all.insert(all.end(), level.begin(), level.end());
        Bytes next((w / 2) * (h / 2) * 4);
        auto at = [&](uint32_t x, uint32_t y, int c) { return level[(y * w + x) * 4 + c]; };
        for (uint32_t y = 0; y < h / 2; ++y)
            for (uint32_t x = 0; x < w / 2; ++x)
                for (int c = 0; c < 4; ++c)
                    next[(y * (w / 2) + x) * 4 + c] = uint8_t(
                        (at(2 * x, 2 * y, c) + at(2 * x + 1, 2 * y, c) + at(2 * x, 2 * y + 1, c) +
                         at(2 * x + 1, 2 * y + 1, c)) / 4);
        level = next;
    }
    return all;
}

// What a conversion returned and printed.
struct Outcome { int result; std::string out; };
template <class F> Outcome Captured(F run)
{
    testing::internal::CaptureStdout();
    int r = run();
    return {r, testing::internal::GetCapturedStdout()};
}
Outcome Converted(const std::string& source, const std::string& destination)
{
    return Captured([&] { return ConvertBannerPicture(source.c_str(), destination.c_str()); });
}

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
const Bytes kMagic = {'T', 'E', 'X', 0, 1, 0, 0, 0};
const size_t kSetOf2 = 20 + 16 + 2 * (28 + 5456);  // two 32 by 32 records with a stream header

class Conversion : public ::testing::Test {
protected:
    void Put(const std::string& name, const Bytes& bytes) { ASSERT_TRUE(WriteFileBytes(dir.native(name), bytes)); }
    // Every entry below the scratch folder with its bytes: what a failure must leave as it was.
    std::map<std::string, Bytes> Snapshot()
    {
        std::map<std::string, Bytes> all;
        for (auto& e : fs::recursive_directory_iterator(NativePath(dir.path())))
            all[e.path().string()] = e.is_directory() ? Bytes{'/'} : ReadFileBytes(e.path().string());
        return all;
    }
    TempDir dir;
};

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
        {"own_bmp24_32.bmp", "gradient32"},    {"own_bmp24_v4_64.bmp", "gradient64"}, {"own_bmp8_64.bmp", "pal256_64"},
        {"own_bmp8_gap_64.bmp", "pal256_64"},  {"own_bmp4_32.bmp", "pal16_32"},       {"own_bmp1_32.bmp", "pal2_32"},
        {"own_tga32_64.tga", "alpha64"},       {"own_tga_id_32.tga", "alpha32"},      {"im_bmp3_24_64.bmp", "gradient64"},
        {"im_bmp5_24_32.bmp", "gradient32"},   {"im_bmp3_pal2_32.bmp", "pal2_32"},    {"im_bmp3_pal16_32.bmp", "pal16_32"},
        {"im_bmp5_pal256_64.bmp", "pal256_64"}, {"im_tga_alpha32.tga", "alpha32"},    {"pil_bmp24_64.bmp", "gradient64"},
        {"pil_bmp8_64.bmp", "pal256_64"},      {"pil_bmp1_32.bmp", "bw_32"},          {"pil_tga32_32.tga", "alpha32"},
        {"bad_bmp16_32.bmp"}, {"bad_bmp32_32.bmp"}, {"bad_pil_bmp32_32.bmp"}, {"bad_bmp_300_colours.bmp"},
        {"bad_bmp_core12_32.bmp"}, {"im_bmp2_24_32.bmp"}, {"bad_im_bmp_rle8_64.bmp"}, {"bad_bmp24_16.bmp"},
        {"bad_bmp_topdown_32.bmp"}, {"bad_im_tga24_32.tga"}, {"bad_pil_tga_rle_32.tga"}, {"bad_im_tga_topdown_32.tga"},
        {"bad_tga32_16.tga"}, {"bad_tga_mirrored_32.tga"}, {"bad_tga_colourmap_32.tga"}, {"no-such-picture.bmp"},
        {"own_bmp*.bmp"},
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

// Each header rule on its own (the fixtures cover the rest), and truncated files: pixel bytes
// the file lacks read as zero; headers cut short fail.
TEST(PictureReaders, HeaderRulesAndTruncatedFiles)
{
    const BmpHeader pal = {32, 32, 1, 8, 0, 4};  // four colours
    const Bytes half24(32 * 16 * 3, 9);
    // Pixel 3 of rows 15 (missing when truncated) and 16 (in the file); none: the file is refused.
    struct Case { const char* what; bool tga; Bytes file, top, bottom; } cases[] = {
        {"TGA alpha bits 0", true, TgaFile({32, 32, 0, 2, 32, 0x00}, Bytes(32 * 32 * 4, 9)), {9, 9, 9, 9}, {9, 9, 9, 9}},
        {"BMP two planes", false, BmpFile({32, 32, 2}, {}, half24), {}, {}},
        {"BMP 64 x 32", false, BmpFile({64, 32}, {}, half24), {}, {}},
        {"BMP 39-byte header", false, BmpFile({32, 32, 1, 24, 0, 0, 39}, {}, half24), {}, {}},
        {"TGA, half the rows", true, TgaFile({}, Bytes(32 * 16 * 4, 9)), {0, 0, 0, 0}, {9, 9, 9, 9}},
        {"24 bits, half the rows", false, BmpFile({}, {}, half24), {0, 0, 0, 255}, {9, 9, 9, 255}},
        {"palette, half the rows", false, BmpFile(pal, kPalette4, Bytes(512, 3)), {40, 50, 60, 255}, {9, 8, 7, 255}},
        {"ending before the palette", false, Head(BmpFile(pal, kPalette4, {}), 54), {0, 0, 0, 255}, {0, 0, 0, 255}},
        {"TGA header of 17 bytes", true, Head(TgaFile({}, {}), 17), {}, {}},
        {"BMP headers of 53 bytes", false, Head(BmpFile({}, {}, {}), 53), {}, {}},
    };
    for (const Case& c : cases) {
        Picture p;
        ASSERT_EQ(c.top.empty() ? 0 : 1, Read(c.file, c.tga, p)) << c.what;
        EXPECT_EQ(!c.top.empty(), p.pixels != nullptr) << c.what;
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
    // A 24-bit file may carry a palette: only the offset skips it.
    const BmpHeader withPalette = {32, 32, 1, 24, 0, 16}, v5 = {32, 32, 1, 24, 0, 0, 124};
    const Bytes v5File = BmpFile(v5, {}, rows);
    struct Case { const char* what; Bytes file; uint32_t offset; } cases[] = {  // offset 0: as written
        {"24 bits after a palette", BmpFile(withPalette, Bytes(64, 0xEE), rows), 0},
        {"offset inside the 124-byte header", v5File, 54},
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
        {"D:\\pics\\banner.", false, true},        {"D:\\pics\\banner.png", false, false}, {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.tga, HasTgaExtension(c.path)) << "read as TGA: " << c.path;
        EXPECT_EQ(c.passes, PassesExtensionTest(c.path)) << "extension test: " << c.path;
    }
}

// In the scratch folder, with relative names: "~" is a marker only at the very start.
TEST(TexFiles, ByteForByteAndReadBack)
{
    // Sizes of the picture and its variants (16 cannot be read: left out); the markers for
    // ConvertPicture, without identifier (none: ConvertBannerPicture); the levels asked and
    // declared; the flags of the records and of the set; the file written when not Banner.tex.
    struct Case { const char* what; bool tga; std::vector<uint16_t> sizes; const char* markers;
                  uint32_t asked, levels, flags, setFlags; const char* file = "Banner.tex"; } cases[] = {
        {"BMP", false, {32}, nullptr, 5, 5, 0x03000016, 0},
        {"TGA", true, {32}, nullptr, 5, 5, 0x03000026, 0},
        {"set of 2", false, {32, 32}, nullptr, 5, 5, 0x03000016, 0x43000012},
        {"set of 4", true, {32, 32, 32, 32}, nullptr, 5, 5, 0x03000026, 0x43000022},
        {"64 with a 32 variant", false, {64, 32}, nullptr, 5, 5, 0x03000016, 0x43000012},
        {"unreadable variant", true, {64, 16}, nullptr, 5, 5, 0x03000026, 0},
        {"one level asked", false, {32}, "#", 1, 1, 0x03000012, 0},
        {"nine asked of 64", false, {64}, "#", 9, 7, 0x03000016, 0},
        {"#$ with a TGA", true, {32}, "#$", 5, 5, 0x03000426, 0},
        {"~# with a BMP", false, {32}, "~#", 5, 5, 0x03000106, 0, "#Banner.tex"},
        {"#$@4", true, {32}, "#$@4", 5, 5, 0x03000626, 0},
    };
    TempDir dir;
    struct Back { fs::path to = fs::current_path(); ~Back() { fs::current_path(to); } } back;
    std::set<std::string> ids;  // of the conversions with identifier
    for (const Case& c : cases) {
        std::string folder = dir.native(std::to_string(&c - cases));
        ASSERT_TRUE(MakeFolder(folder));
        fs::current_path(folder);
        std::vector<std::string> names;
        for (size_t k = 0; k < c.sizes.size(); ++k) {
            // Upper-case names: the variants' names keep the letter case of the picture's.
            names.push_back("LOGO" + (k ? "#" + std::to_string(k) : "") + (c.tga ? ".TGA" : ".BMP"));
            ASSERT_TRUE(WriteFileBytes(names[k], NoiseFile(c.tga, c.sizes[k], uint32_t(k))));
        }
        ASSERT_TRUE(WriteFileBytes("Banner.tex", Bytes(100000, 0xEE)));  // longer than any new one
        std::string file = c.file;
        Outcome r;
        if (c.markers) {
            conversionId = GUID();
            requestedLevelCount = c.asked;
            std::string destination = c.markers + std::string("Banner.tex");
            r = Captured([&] { return ConvertPicture(names[0].c_str(), destination.c_str(), c.tga); });
        } else {
            r = Converted(names[0], "Banner.tex");
        }
        ASSERT_EQ(1, r.result) << c.what << ": " << r.out;
        // The picture's name padded to 15 characters, the file's to 20.
        EXPECT_EQ(names[0] + "       ->     " + file + std::string(20 - file.size(), ' ') + "\n", r.out);

        Bytes want;
        auto words = [&](std::initializer_list<uint32_t> list) { for (uint32_t w : list) PutU32(want, w); };
        if (!c.markers) {  // the stream header: its flags, then the identifier
            const uint8_t* id = reinterpret_cast<const uint8_t*>(&conversionId);
            words({0x20D0A1FF});
            want.insert(want.end(), id, id + 16);
            ids.insert(Hex(want));
        }
        if (c.setFlags) {
            want.insert(want.end(), kMagic.begin(), kMagic.end());
            words({c.setFlags, uint32_t(c.sizes.size())});
        }
        std::vector<uint32_t> chains;
        for (size_t k = 0; k < c.sizes.size(); ++k) {
            Picture p;
            if (c.sizes[k] == 16) continue;
            ASSERT_EQ(1, c.tga ? ReadTgaPicture(p, names[k].c_str()) : ReadBmpPicture(p, names[k].c_str()));
            want.insert(want.end(), kMagic.begin(), kMagic.end());
            words({c.flags, 0x8888u, p.width, p.height});
            if (c.levels > 1) words({c.levels});
            chains.push_back(uint32_t(want.size()));
            Bytes chain = ReferenceChain(p, c.levels);
            want.insert(want.end(), chain.begin(), chain.end());
        }
        EXPECT_EQ("", Difference(want, ReadFileBytes(file))) << c.what;
        EXPECT_TRUE(LeftoverTemporaries(".").empty()) << c.what;

        // What inspect reads: every file the conversion writes, with its records where they are.
        TexBytes bytes;
        TexLayout layout;
        TexError error;
        ASSERT_TRUE(LoadTexFile(file.c_str(), bytes, error) && ParseTexLayout(bytes.data, bytes.size, layout, error))
            << c.what << ": offset " << error.offset << ": " << error.text;
        ASSERT_EQ(chains.size(), layout.recordCount) << c.what;
        for (size_t k = 0; k < chains.size(); ++k)
            EXPECT_EQ(chains[k], layout.records[k].chainOffset) << c.what << ": level 0 of record " << k;
    }
    EXPECT_EQ(6u, ids.size()) << "six conversions, six identifiers";
    EXPECT_EQ(0u, ids.count(Hex(Head({0xFF, 0xA1, 0xD0, 0x20}, 20)))) << "an identifier of zeros";
}

TEST(TexFiles, TwoByTwoAveragesTruncate)
{
    // The pixels top left, top right, bottom left, bottom right, and their average.
    struct Case { uint8_t pixels[16], average[4]; } cases[] = {
        {{0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 0}, {127, 127, 127, 191}},
        {{0, 0, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255}, {191, 0, 0, 191}},
    };
    for (const Case& c : cases) {
        Picture level, next;
        ASSERT_EQ(1, level.reset(2, 2));
        memcpy(level.pixels, c.pixels, 16);
        ASSERT_EQ(1, HalveLevel(level, next));
        EXPECT_EQ(Hex(Bytes(c.average, c.average + 4)), Hex(PixelsOf(next)));
    }
}

// Every cut and every damage is refused with the offset where the layout stops making sense.
TEST(TexReader, TruncationAndDamageNamedWithTheirOffset)
{
    // A set of two 32 by 32 records as the conversion writes it, 11004 bytes.
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("p.bmp"), NoiseFile(false, 32, 1)));
    ASSERT_TRUE(WriteFileBytes(dir.native("p#1.bmp"), NoiseFile(false, 32, 2)));
    ASSERT_EQ(1, Converted(dir.core("p.bmp"), dir.core("p.tex")).result);
    const Bytes set = ReadFileBytes(dir.native("p.tex"));
    ASSERT_EQ(11004u, set.size());
    TexLayout layout;
    TexError error;
    auto refused = [&](const Bytes& b) { return !ParseTexLayout(b.data(), uint32_t(b.size()), layout, error); };
    for (size_t n = 0; n < set.size(); ++n) {
        ASSERT_TRUE(refused(Head(set, n))) << "cut at " << n;
        EXPECT_TRUE(error.offset <= n && error.text[0]) << "cut at " << n << ", offset " << error.offset;
    }
    const uint32_t r0 = 36, r1 = 5520;  // the records
    // `value` is written as a 32-bit word at `at`; past the end, one byte is appended instead.
    struct Case { const char* what; size_t at; uint32_t value, offset; const char* says; } cases[] = {
        {"second record's magic", r1, 0x00585854, r1, "magic"},
        {"unknown record flag", r0 + 8, 0x03008016, r0 + 8, "unknown flag bits 0x00008000"},
        {"height past the file", r1 + 20, 4000, r1 + 28, "level 0 of record 1"},
        {"a byte too many", 11004, 0, 11004, "1 bytes left over"},
    };
    for (const Case& c : cases) {
        Bytes b = set;
        for (int i = 0; i < 4 && c.at < b.size(); ++i) b[c.at + i] = uint8_t(c.value >> (8 * i));
        if (c.at >= b.size()) b.push_back(0);
        ASSERT_TRUE(refused(b)) << c.what;
        EXPECT_EQ(c.offset, error.offset) << c.what << ": " << error.text;
        EXPECT_NE(nullptr, strstr(error.text, c.says)) << c.what << ": expected " << c.says << ": " << error.text;
    }
}

TEST(TexReader, FlagNamesAndIdentifier)
{
    char text[128];
    DescribeTexFlags(0x43000622, text, sizeof text);
    EXPECT_STREQ("set format width height tga @4 $", text);
    const uint8_t id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    FormatIdentifier(id, text, sizeof text);
    EXPECT_STREQ("{04030201-0605-0807-090A-0B0C0D0E0F10}", text);
}

TEST_F(Conversion, VariantCombinationsThatFailWriteNothing)
{
    Put("logo.bmp", NoiseFile(false, 32, 1));
    Put("BannerUser.tex", {1, 2, 3});
    for (std::string combo : {"2", "13", "23"}) {
        for (char k : combo) Put(std::string("logo#") + k + ".bmp", NoiseFile(false, 32, 2));
        auto before = Snapshot();
        for (const char* dest : {"BannerUser.tex", "New.tex"}) {
            Outcome r = Converted(dir.core("logo.bmp"), dir.core(dest));
            EXPECT_EQ(0, r.result) << "variants " << combo;
            EXPECT_EQ("Can't collect all 'destroyed' textures\n", r.out) << "variants " << combo;
        }
        EXPECT_TRUE(before == Snapshot()) << "variants " << combo << ": the folder changed";
        for (char k : combo) fs::remove(dir.native(std::string("logo#") + k + ".bmp"));
    }
}

// The old banner stays byte for byte, nothing stray is left, and the lines printed give the
// reason: about the picture for "Can't open file", else about the destination.
TEST_F(Conversion, FailuresKeepTheOldBanner)
{
    // Long names below a folder of 240 characters, built of pieces of 100 so that no single name
    // is too long for the file system.
    std::string folder = dir.path();
    while (folder.size() + 101 < 240) folder += "\\" + std::string(100, 'f');
    folder += "\\" + std::string(240 - folder.size() - 1, 'g');
    ASSERT_TRUE(MakeFolder(NativePath(folder)));
    auto named = [&](size_t n, const char* ext) {
        return folder + "\\" + std::string(n - folder.size() - 1 - strlen(ext), 'n') + ext;
    };
    const std::string logo = dir.core("logo.tga"), banner = dir.core("BannerUser.tex");
    Put("logo.tga", NoiseFile(true, 32, 1));
    Put("logo#1.tga", NoiseFile(true, 32, 2));
    Put("small.tga", NoiseFile(true, 16, 3));
    Put("BannerUser.tex", FixtureBytes("own_bmp24_32.bmp"));
    Put("plain", {1});
    const char *open = "Can't open output file", *read = "Can't open file";
    // failWritesAfter -1: writes do not fail.
    struct Case { const char* what; std::string source, dest; int64_t failWritesAfter; const char* says; } cases[] = {
        {"missing picture", dir.core("absent.tga"), banner, -1, read},
        {"unreadable picture", dir.core("small.tga"), banner, -1, read},
        {"read-only destination", logo, banner, -1, open},
        {"a folder that cannot be made", logo, dir.core("plain\\B.tex"), -1, open},
        {"picture of 258 characters", named(258, ".tga"), banner, -1, read},
        {"destination of 259 characters", logo, named(259, ""), -1, open},
#ifndef _WIN32
        {"second block fails", logo, banner, 512, "Can't write output file"},
        {"last byte fails", logo, banner, int64_t(kSetOf2) - 1, "Can't write output file"},
#endif
    };
    for (const Case& c : cases) {
        auto before = Snapshot();
        bool readOnly = strstr(c.what, "read-only") != nullptr;
        ASSERT_TRUE(!readOnly || SetReadOnly(NativePath(c.dest), true));
        PlatformFailWritesAfter(c.failWritesAfter);
        Outcome r = Converted(c.source, c.dest);
        PlatformFailWritesAfter(-1);
        if (readOnly) SetReadOnly(NativePath(c.dest), false);
        EXPECT_EQ(0, r.result) << c.what;
        // Refused before the picture is read: no line naming both.
        bool arrow = c.says != read && c.dest.size() < 259;
        std::string want = arrow ? c.source + "->     " + c.dest + "\n" : "";
        EXPECT_EQ(want + c.says + " (" + (c.says == read ? c.source : c.dest) + ")\n", r.out) << c.what;
        EXPECT_TRUE(before == Snapshot()) << c.what << ": the folder changed";
    }
}

// Running out of storage may cost a variant (it then counts as absent) but never leaves a broken
// file or loses the old one.
TEST_F(Conversion, StorageRunningOutFailsCleanly)
{
    Put("logo.bmp", NoiseFile(false, 32, 1));
    Put("logo#1.bmp", NoiseFile(false, 32, 2));
    const Bytes old(333, 0x33);
    bool whole = false;
    for (long n = 0; n < 500 && !whole; ++n) {
        Put("BannerUser.tex", old);
        zeroAllocFailAfter(n);
        Outcome r = Converted(dir.core("logo.bmp"), dir.core("BannerUser.tex"));
        zeroAllocFailAfter(-1);
        Bytes file = ReadFileBytes(dir.native("BannerUser.tex"));
        EXPECT_EQ(3u, Snapshot().size()) << "allocation " << n << ": a file was left behind";
        TexLayout layout;
        TexError error;
        if (r.result) {
            EXPECT_EQ(1, ParseTexLayout(file.data(), uint32_t(file.size()), layout, error)) << n << ": " << error.text;
        } else {
            EXPECT_TRUE(old == file) << "allocation " << n << ": the old banner changed";
            EXPECT_NE(std::string::npos, r.out.find("Can't")) << "allocation " << n << ": " << r.out;
        }
        whole = file.size() == kSetOf2;
    }
    EXPECT_TRUE(whole) << "no run got as far as the whole set";
}
