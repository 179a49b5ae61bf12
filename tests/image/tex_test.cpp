// TEX files as the conversion writes them, byte for byte, and the checking reader that reads
// them back and names the offset where a damaged file stops making sense.
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <set>

#include "image/convert.h"
#include "image/tex_reader.h"
#include "image/tex_writer.h"
#include "tests/image/image_test_util.h"

namespace fs = std::filesystem;

namespace {

const Bytes kMagic = {'T', 'E', 'X', 0, 1, 0, 0, 0};

}  // namespace

// In the scratch folder, with relative names: "~" is a marker only at the very start.
TEST(TexFiles, ByteForByteAndReadBack)
{
    // Sizes of the picture and its variants (16 cannot be read: left out); the markers for
    // ConvertPicture, without identifier (none: ConvertBannerPicture); the levels asked and
    // declared; the flags of the records and of the set; the file written when not Banner.tex.
    struct Case {
        const char* what;
        bool tga;
        std::vector<uint16_t> sizes;
        const char* markers;
        uint32_t asked, levels, flags, setFlags;
        const char* file = "Banner.tex";
    } cases[] = {
        {"BMP", false, {32}, nullptr, 5, 5, 0x03000016, 0},
        {"TGA", true, {32}, nullptr, 5, 5, 0x03000026, 0},
        {"set of 2", false, {32, 32}, nullptr, 5, 5, 0x03000016, 0x43000012},
        {"set of 4", true, {32, 32, 32, 32}, nullptr, 5, 5, 0x03000026, 0x43000022},
        {"64 with a 32 variant", false, {64, 32}, nullptr, 5, 5, 0x03000016, 0x43000012},
        {"unreadable variant", true, {64, 16}, nullptr, 5, 5, 0x03000026, 0},
        {"one level asked", false, {32}, "#", 1, 1, 0x03000012, 0},
        {"nine asked of 32", true, {32}, "#", 9, 6, 0x03000026, 0},
        {"nine asked of 64", false, {64}, "#", 9, 7, 0x03000016, 0},
        {"#$ with a TGA", true, {32}, "#$", 5, 5, 0x03000426, 0},
        {"~# with a BMP", false, {32}, "~#", 5, 5, 0x03000106, 0, "#Banner.tex"},
        {"@5 is no marker", true, {32}, "@5", 5, 5, 0x03000006, 0, "@5Banner.tex"},
        {"no marker", false, {32}, "", 5, 5, 0x03000006, 0},
        {"#$@4", true, {32}, "#$@4", 5, 5, 0x03000626, 0},
    };
    TempDir dir;
    struct Back {
        fs::path to = fs::current_path();
        ~Back() { fs::current_path(to); }
    } back;
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
        EXPECT_FALSE(FileExists(file + ".tmp")) << c.what;

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
        {{255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}, {255, 255, 255, 255}},
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
    // A set of two 32 by 32 records as the conversion writes it: stream header, set header at
    // 20, records at 36 and 5520, 11004 bytes.
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
        EXPECT_TRUE(n != 1000 || error.offset == 64) << "cut inside level 0 of record 0 (at 64): " << error.offset;
    }
    const uint32_t r0 = 36, r1 = 5520;
    // `value` is written as a 32-bit word at `at`; past the end, one byte is appended instead.
    struct Case { const char* what; size_t at; uint32_t value, offset; const char* says; } cases[] = {
        {"second record's magic", r1, 0x00585854, r1, "magic"},
        {"unknown record flag", r0 + 8, 0x03008016, r0 + 8, "unknown flag bits 0x00008000"},
        {"more levels than the width has", r0 + 24, 7, r0, "7 levels"},
        {"three records", 32, 3, 32, "3 records"},
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
