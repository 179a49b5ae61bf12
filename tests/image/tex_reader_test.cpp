// The TEX reader: every file the conversion writes reads back, and damaged files are refused
// with the offset where the layout stopped making sense.
#include <gtest/gtest.h>

#include "core/stream.h"
#include "image/convert.h"
#include "image/tex_reader.h"
#include "image/tex_writer.h"
#include "tests/image/image_test_util.h"

namespace {

int Parse(const Bytes& b, TexLayout& layout, TexError& error)
{
    return ParseTexLayout(b.data(), uint32_t(b.size()), layout, error);
}

// A banner set as the conversion writes it: stream header, set header, records of 32 and 16.
Bytes SampleSet(bool withHeader = true)
{
    MemoryStream out;
    if (withHeader) {
        const uint8_t id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        out.writeHeader(id, nullptr, 0, 1);
    }
    Picture a, b;
    Fill(a, 32, 32, 1, 2, 3, 255);
    Fill(b, 16, 16, 4, 5, 6, 255);
    WriteTextureSetHeader(out, 0x03000012, 2);
    WriteTextureRecord(a, out, 0x03000012, 5);
    WriteTextureRecord(b, out, 0x03000012, 5);
    out.close();
    return out.bytes;
}

void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace

TEST(TexReader, ReadsWhatTheConversionWrites)
{
    TempDir dir;
    struct Case {
        const char* picture;
        std::vector<const char*> variants;
        uint32_t records;
        uint32_t flags;
        uint32_t firstWidth;
    } cases[] = {
        {"own_bmp24_32.bmp", {}, 1, 0x03000016, 32},
        {"own_tga32_64.tga", {}, 1, 0x03000026, 64},
        {"own_bmp24_64.bmp", {"own_bmp24_32.bmp"}, 2, 0x03000016, 64},
        {"own_tga32_32.tga", {"im_tga_alpha32.tga", "pil_tga32_64.tga", "own_tga_id_32.tga"}, 4,
         0x03000026, 32},
    };
    for (const Case& c : cases) {
        std::string ext = HasTgaExtension(c.picture) ? ".tga" : ".bmp";
        ASSERT_TRUE(WriteFileBytes(dir.native("p" + ext), FixtureBytes(c.picture)));
        for (size_t k = 0; k < c.variants.size(); ++k)
            ASSERT_TRUE(WriteFileBytes(dir.native("p#" + std::to_string(k + 1) + ext),
                                       FixtureBytes(c.variants[k])));
        testing::internal::CaptureStdout();
        int r = ConvertBannerPicture(dir.core("p" + ext).c_str(), dir.core("out.tex").c_str());
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(1, r) << c.picture;

        TexBytes bytes;
        TexError error;
        ASSERT_EQ(1, LoadTexFile(dir.core("out.tex").c_str(), bytes, error)) << error.text;
        EXPECT_EQ(ReadFileBytes(dir.native("out.tex")).size(), bytes.size);
        TexLayout layout;
        ASSERT_EQ(1, ParseTexLayout(bytes.data, bytes.size, layout, error))
            << c.picture << ": offset " << error.offset << ": " << error.text;
        EXPECT_TRUE(layout.hasIdentifier);
        EXPECT_EQ(0, memcmp(layout.identifier, &conversionId, 16));
        EXPECT_EQ(c.records > 1, layout.isSet);
        EXPECT_EQ(c.records, layout.recordCount);
        EXPECT_EQ(c.firstWidth, layout.records[0].width);
        for (uint32_t i = 0; i < layout.recordCount; ++i) {
            EXPECT_EQ(c.flags, layout.records[i].flags) << c.picture << " record " << i;
            EXPECT_EQ(5u, layout.records[i].levels);
        }
        for (size_t k = 0; k < c.variants.size(); ++k)
            ASSERT_TRUE(std::remove(dir.native("p#" + std::to_string(k + 1) + ext).c_str()) == 0);
    }
}

TEST(TexReader, LayoutOfASet)
{
    Bytes set = SampleSet();
    TexLayout layout;
    TexError error;
    ASSERT_EQ(1, Parse(set, layout, error)) << error.text;
    EXPECT_EQ(0x20, layout.streamFlags);
    EXPECT_EQ(1, layout.identifier[0]);
    EXPECT_EQ(16, layout.identifier[15]);
    EXPECT_EQ(20u, layout.setOffset);
    EXPECT_EQ(0x43000012u, layout.setFlags);
    EXPECT_EQ(36u, layout.records[0].offset);
    EXPECT_EQ(64u, layout.records[0].chainOffset);
    EXPECT_EQ(4u * (1024 + 256 + 64 + 16 + 4), layout.records[0].chainBytes);
    EXPECT_EQ(36u + 28 + 5456, layout.records[1].offset);
    EXPECT_EQ(16u, layout.records[1].width);
    EXPECT_EQ(4u * (256 + 64 + 16 + 4 + 1), layout.records[1].chainBytes);

    ASSERT_EQ(1, Parse(SampleSet(false), layout, error)) << "no stream header: " << error.text;
    EXPECT_FALSE(layout.hasStreamHeader);
    EXPECT_EQ(0u, layout.setOffset);
}

TEST(TexReader, StreamHeaderWithNameAndValue)
{
    MemoryStream out;
    out.writeHeader(nullptr, "abc", 7, 1);
    Picture p;
    Fill(p, 2, 2, 1, 1, 1, 1);
    WriteTextureRecord(p, out, 0, 5);
    out.close();
    TexLayout layout;
    TexError error;
    ASSERT_EQ(1, Parse(out.bytes, layout, error)) << error.text;
    EXPECT_TRUE(layout.hasName);
    EXPECT_STREQ("abc", layout.name);
    EXPECT_TRUE(layout.hasValue);
    EXPECT_EQ(7u, layout.value);
    EXPECT_FALSE(layout.hasIdentifier);
    EXPECT_EQ(2u, layout.records[0].levels);
}

TEST(TexReader, EveryTruncationIsRefusedAtOrBeforeTheCut)
{
    Bytes set = SampleSet();
    for (size_t n = 0; n < set.size(); ++n) {
        Bytes cut(set.begin(), set.begin() + n);
        TexLayout layout;
        TexError error;
        ASSERT_EQ(0, Parse(cut, layout, error)) << "cut at " << n;
        EXPECT_LE(error.offset, n) << "cut at " << n << ": " << error.text;
        EXPECT_NE(0u, strlen(error.text));
    }
}

TEST(TexReader, DamageIsNamedWithItsOffset)
{
    const size_t r0 = 36, r1 = 36 + 28 + 5456;
    struct Case {
        const char* what;
        void (*damage)(Bytes&);
        uint32_t offset;
        const char* says;
    } cases[] = {
        {"second magic", [](Bytes& b) { b[r1 + 1] = 'X'; }, r1, "magic"},
        {"set bit on a record", [](Bytes& b) { b[r0 + 11] |= 0x40; }, r0 + 8, "set bit"},
        {"unknown record bit", [](Bytes& b) { b[r0 + 9] |= 0x80; }, r0 + 8, "unknown flag bits 0x00008000"},
        {"no format bit", [](Bytes& b) { b[r0 + 8] &= ~0x02; }, r0 + 8, "no pixel format"},
        {"other pixel format", [](Bytes& b) { b[r0 + 12] = 0x80; }, r0 + 12, "pixel format 0x00008880"},
        {"width of 1", [](Bytes& b) { Put32(b, r0 + 16, 1); }, r0 + 16, "width 1"},
        {"too many levels", [](Bytes& b) { Put32(b, r0 + 24, 7); }, r0, "7 levels"},
        {"three records", [](Bytes& b) { b[32] = 3; }, 32, "3 records"},
        {"unknown set bit", [](Bytes& b) { b[28] |= 0x01; }, 28, "unknown flag bits 0x00000001"},
        {"compressed stream", [](Bytes& b) { b[3] |= 0x01; }, 3, "compressed"},
        {"text stream", [](Bytes& b) { b[3] |= 0x04; }, 3, "text"},
        {"a byte too many", [](Bytes& b) { b.push_back(0); }, uint32_t(r1 + 28 + 1364), "1 bytes left over"},
        {"height past the file", [](Bytes& b) { Put32(b, r1 + 20, 4000); }, r1 + 28, "level 0 of record 1"},
    };
    for (const Case& c : cases) {
        Bytes b = SampleSet();
        c.damage(b);
        TexLayout layout;
        TexError error;
        ASSERT_EQ(0, Parse(b, layout, error)) << c.what;
        EXPECT_EQ(c.offset, error.offset) << c.what << ": " << error.text;
        EXPECT_NE(nullptr, strstr(error.text, c.says)) << c.what << ": " << error.text;
    }
}

TEST(TexReader, MissingAndEmptyFiles)
{
    TempDir dir;
    TexBytes bytes;
    TexError error;
    EXPECT_EQ(0, LoadTexFile(dir.core("absent.tex").c_str(), bytes, error));
    ASSERT_TRUE(WriteFileBytes(dir.native("empty.tex"), {}));
    ASSERT_EQ(1, LoadTexFile(dir.core("empty.tex").c_str(), bytes, error)) << error.text;
    EXPECT_EQ(0u, bytes.size);
    TexLayout layout;
    EXPECT_EQ(0, ParseTexLayout(bytes.data, bytes.size, layout, error));
    EXPECT_STREQ("file is empty", error.text);
}

TEST(TexReader, FlagNamesAndIdentifier)
{
    char text[128];
    DescribeTexFlags(0x03000016, text, sizeof text);
    EXPECT_STREQ("format width height levels bmp", text);
    DescribeTexFlags(0x43000622, text, sizeof text);
    EXPECT_STREQ("set format width height tga @4 $", text);
    DescribeTexFlags(0x00000101, text, sizeof text);
    EXPECT_STREQ("~ 0x00000001", text);
    const uint8_t id[16] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                            0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
    FormatIdentifier(id, text, sizeof text);
    EXPECT_STREQ("{04030201-0605-0807-090A-0B0C0D0E0F10}", text);
}
