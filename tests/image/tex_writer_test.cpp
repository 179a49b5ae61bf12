// The TEX writers: record and set headers byte for byte, level counts, the halving rule.
#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "image/tex_writer.h"
#include "tests/image/image_test_util.h"

namespace {

const Bytes kMagic = {'T', 'E', 'X', 0, 1, 0, 0, 0};

Bytes Words(std::initializer_list<uint32_t> words)
{
    Bytes b;
    for (uint32_t w : words) PutU32(b, w);
    return b;
}

Bytes Head(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void Scramble(Picture& p, uint32_t w, uint32_t h)
{
    p.reset(w, h);
    uint32_t v = 12345;
    for (uint32_t i = 0; i < w * h * 4; ++i) {
        v = v * 1103515245u + 12345u;
        p.pixels[i] = uint8_t(v >> 16);
    }
}

Bytes Record(const Picture& p, uint32_t flags, uint32_t requested)
{
    MemoryStream out;
    EXPECT_EQ(1, WriteTextureRecord(p, out, flags, requested));
    EXPECT_EQ(1, out.close());
    return out.bytes;
}

// The 2 by 2 picture of four pixels, in reading order.
void TwoByTwo(Picture& p, const Bytes& a, const Bytes& b, const Bytes& c, const Bytes& d)
{
    p.reset(2, 2);
    Bytes all = Cat(Cat(a, b), Cat(c, d));
    memcpy(p.pixels, all.data(), 16);
}

}  // namespace

TEST(TexRecord, BannerOf32ByteForByte)
{
    Picture p;
    Scramble(p, 32, 32);
    Bytes got = Record(p, 0x03000012, 5);
    Bytes header = Cat(kMagic, {0x16, 0x00, 0x00, 0x03, 0x88, 0x88, 0x00, 0x00});
    header = Cat(header, Words({32, 32, 5}));
    Bytes expected = Cat(header, ReferenceChain(p, 5));
    ASSERT_EQ(28u + 4 * (1024 + 256 + 64 + 16 + 4), got.size());
    EXPECT_EQ(Hex(header), Hex(Head(got, 28)));
    EXPECT_TRUE(expected == got) << "level bytes differ from the plain halving";
}

TEST(TexRecord, TgaFlagsAndA64Picture)
{
    Picture p;
    Scramble(p, 64, 64);
    Bytes got = Record(p, 0x03000022, 5);
    Bytes expected = Cat(Cat(kMagic, Words({0x03000026, 0x8888, 64, 64, 5})), ReferenceChain(p, 5));
    EXPECT_TRUE(expected == got) << Hex(Head(got, 28));
    EXPECT_EQ(28u + 4 * (4096 + 1024 + 256 + 64 + 16), got.size());
}

TEST(TexRecord, RequestedLevelCounts)
{
    struct Case {
        uint32_t width, requested, declared;
    } cases[] = {
        {32, 1, 1}, {32, 0, 1}, {32, 2, 2}, {32, 6, 6}, {32, 9, 6}, {64, 9, 7}, {64, 7, 7},
    };
    for (const Case& c : cases) {
        Picture p;
        Scramble(p, c.width, c.width);
        Bytes got = Record(p, 0x03000012, c.requested);
        bool word = c.declared > 1;
        uint32_t flags = 0x03000012 | (word ? 0x4 : 0);
        Bytes header = Cat(kMagic, Words({flags, 0x8888, c.width, c.width}));
        if (word) header = Cat(header, Words({c.declared}));
        Bytes expected = Cat(header, ReferenceChain(p, int(c.declared)));
        EXPECT_EQ(Hex(header), Hex(Head(got, header.size()))) << c.width << " asked " << c.requested;
        EXPECT_EQ(expected.size(), got.size()) << c.width << " asked " << c.requested;
        EXPECT_TRUE(expected == got) << c.width << " asked " << c.requested;
    }
}

TEST(TexRecord, OnePixelWideOrHighLeavesItsWordOut)
{
    Picture p;
    Fill(p, 1, 4, 1, 2, 3, 4);
    Bytes got = Record(p, 0, 5);
    // Width 1 has one significant bit: one level, so no level count either.
    Bytes expected = Cat(Cat(kMagic, Words({0x02000002, 0x8888, 4})), PixelsOf(p));
    EXPECT_EQ(Hex(expected), Hex(got));
    Fill(p, 4, 1, 1, 2, 3, 4);
    got = Record(p, 0, 5);
    expected = Cat(kMagic, Words({0x01000006, 0x8888, 4, 3}));
    EXPECT_EQ(Hex(expected), Hex(Head(got, expected.size())));
    EXPECT_EQ(expected.size() + 16, got.size()) << "4x1, then 2x0 and 1x0 levels are empty";
}

TEST(TexLevels, TwoByTwoAveragesTruncate)
{
    struct Case {
        Bytes a, b, c, d, average;
    } cases[] = {
        {{0, 0, 0, 255}, {255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 0}, {127, 127, 127, 191}},
        {{0, 0, 0, 0}, {255, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}, {191, 0, 0, 191}},
        {{1, 2, 3, 3}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255},
         {255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        Picture p;
        TwoByTwo(p, c.a, c.b, c.c, c.d);
        MemoryStream out;
        EXPECT_EQ(1, WriteLevelChain(p, out, 1));
        out.close();
        ASSERT_EQ(20u, out.bytes.size());
        EXPECT_EQ(Hex(c.average), Hex(Bytes(out.bytes.begin() + 16, out.bytes.end())));
    }
}

TEST(TexLevels, EachLevelComesFromTheOneBefore)
{
    // Red in the four 2x2 blocks of a 4x4 picture sums to 3, 3, 3 and 7: level 1 holds
    // 0, 0, 0, 1 and level 2 is 0, while an average of all 16 pixels would give 1.
    Picture p;
    Fill(p, 4, 4, 0, 0, 0, 0);
    p.pixels[(0 * 4 + 0) * 4] = 3;
    p.pixels[(0 * 4 + 2) * 4] = 3;
    p.pixels[(2 * 4 + 0) * 4] = 3;
    p.pixels[(2 * 4 + 2) * 4] = 7;
    MemoryStream out;
    EXPECT_EQ(1, WriteLevelChain(p, out, 2));
    out.close();
    ASSERT_EQ(4u * (16 + 4 + 1), out.bytes.size());
    EXPECT_EQ(Hex({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}),
              Hex(Bytes(out.bytes.begin() + 64, out.bytes.begin() + 80)));
    EXPECT_EQ(0, out.bytes[80]);
}

TEST(TexLevels, StorageFailureIsReported)
{
    Picture p;
    Scramble(p, 32, 32);
    for (long n = 0; n < 4; ++n) {
        MemoryStream out;
        zeroAllocFailAfter(n);
        int ok = WriteLevelChain(p, out, 4);
        zeroAllocFailAfter(-1);
        EXPECT_EQ(0, ok) << "allocation " << n << " failed, yet the chain reported success";
    }
}

TEST(TexSet, HeaderForTwoAndFour)
{
    struct Case {
        uint32_t flags, count;
        Bytes expected;
    } cases[] = {
        {0x03000012, 2, Cat(kMagic, {0x12, 0, 0, 0x43, 2, 0, 0, 0})},
        {0x03000022, 4, Cat(kMagic, {0x22, 0, 0, 0x43, 4, 0, 0, 0})},
        {0x03000012, 1, Cat(kMagic, {0x12, 0, 0, 0x03})},  // one record announces no count
    };
    for (const Case& c : cases) {
        MemoryStream out;
        EXPECT_EQ(1, WriteTextureSetHeader(out, c.flags, c.count));
        out.close();
        EXPECT_EQ(Hex(c.expected), Hex(out.bytes)) << c.count;
    }
}
