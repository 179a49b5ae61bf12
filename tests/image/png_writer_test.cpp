// The PNG writer: chunk layout, CRCs, and pixels that inflate back unchanged.
#include <gtest/gtest.h>

#include <zlib.h>

#include "image/png_writer.h"
#include "tests/image/image_test_util.h"

namespace {
uint32_t Big32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
}  // namespace

TEST(PngWriter, ChunksCrcsAndPixels)
{
    TempDir dir;
    Bytes rgba;
    for (int i = 0; i < 5 * 3; ++i) rgba.insert(rgba.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), uint8_t(255 - i)});
    ASSERT_EQ(1, WritePngFile(dir.core("a.png").c_str(), rgba.data(), 5, 3));
    Bytes f = ReadFileBytes(dir.native("a.png"));
    ASSERT_GT(f.size(), 8u + 25 + 12 + 12);
    EXPECT_EQ(Hex({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), Hex(Bytes(f.begin(), f.begin() + 8)));

    std::vector<std::string> types;
    Bytes idat;
    size_t at = 8;
    while (at + 12 <= f.size()) {
        uint32_t n = Big32(f, at);
        ASSERT_LE(at + 12 + n, f.size());
        std::string type(f.begin() + at + 4, f.begin() + at + 8);
        types.push_back(type);
        uLong crc = crc32(0L, f.data() + at + 4, 4 + n);
        EXPECT_EQ(uint32_t(crc), Big32(f, at + 8 + n)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(5u, Big32(f, at + 8));
            EXPECT_EQ(3u, Big32(f, at + 12));
            EXPECT_EQ(8, f[at + 16]);
            EXPECT_EQ(6, f[at + 17]);
        }
        if (type == "IDAT") idat.insert(idat.end(), f.begin() + at + 8, f.begin() + at + 8 + n);
        at += 12 + n;
    }
    EXPECT_EQ(f.size(), at);
    EXPECT_EQ((std::vector<std::string>{"IHDR", "IDAT", "IEND"}), types);

    Bytes raw(3 * (1 + 5 * 4) + 1);
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(Z_OK, uncompress(raw.data(), &rawSize, idat.data(), uLong(idat.size())));
    ASSERT_EQ(3u * 21, rawSize);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(0, raw[y * 21]) << "filter type of row " << y;
        EXPECT_TRUE(std::equal(rgba.begin() + y * 20, rgba.begin() + y * 20 + 20, raw.begin() + y * 21 + 1));
    }
}

TEST(PngWriter, RefusesEmptyPicturesAndUnwritablePaths)
{
    TempDir dir;
    uint8_t px[4] = {1, 2, 3, 4};
    EXPECT_EQ(0, WritePngFile(dir.core("a.png").c_str(), px, 0, 1));
    ASSERT_TRUE(WriteFileBytes(dir.native("plain"), {1}));
    EXPECT_EQ(0, WritePngFile(dir.core("plain\\a.png").c_str(), px, 1, 1));
    EXPECT_FALSE(FileExists(dir.native("a.png")));
}
