// EXIF orientation: the tag read from JPEG and PNG files made by Pillow and from blocks built
// here, damaged ones left as stored, and the eight turns on pixels, through the picture reader.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/zero_alloc.h"
#include "image/exif_orientation.h"
#include "image/source_picture.h"
#include "tests/support/test_support.h"

namespace {

std::string ExifFixture(const std::string& name) { return CorePath(VEX_FIXTURES_DIR "/exif/" + name); }
Bytes ExifFixtureBytes(const std::string& name) { return ReadFileBytes(NativePath(ExifFixture(name))); }

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes Text(const char* s, size_t n) { return Bytes(s, s + n); }
void PutBig16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); }
void PutBig32(Bytes& b, uint32_t v) { PutBig16(b, v >> 16), PutBig16(b, v & 0xFFFF); }

// One IFD entry; a SHORT value sits in the first two of the four value bytes.
struct Entry {
    uint16_t tag, type;
    uint32_t count;
    uint16_t value;
};
const Entry kSix = {0x0112, 3, 1, 6};

// A TIFF block in either byte order: header, then IFD0 at `ifdAt` with the entries and a next
// pointer of 0. `entryCount` overrides the count written (0xFFFFFFFF: the true one).
Bytes Tiff(bool big, std::vector<Entry> entries, uint32_t ifdAt = 8, uint32_t magic = 42,
           uint32_t entryCount = 0xFFFFFFFF)
{
    Bytes b;
    auto u16 = [&](uint32_t v) { big ? PutBig16(b, v) : PutU16(b, uint16_t(v)); };
    auto u32 = [&](uint32_t v) { big ? PutBig32(b, v) : PutU32(b, v); };
    b.push_back(big ? 'M' : 'I'), b.push_back(big ? 'M' : 'I');
    u16(magic);
    u32(ifdAt);
    while (b.size() < ifdAt && b.size() < 64) b.push_back(0);
    u16(entryCount == 0xFFFFFFFF ? uint32_t(entries.size()) : entryCount);
    for (const Entry& e : entries) {
        u16(e.tag), u16(e.type), u32(e.count), u16(e.value), u16(0);
    }
    u32(0);
    return b;
}

Bytes Segment(uint8_t marker, const Bytes& payload, size_t length = 0)
{
    Bytes b = {0xFF, marker};
    PutBig16(b, uint32_t(length ? length : payload.size() + 2));
    return Cat({b, payload});
}
Bytes ExifApp1(const Bytes& tiff) { return Segment(0xE1, Cat({Text("Exif\0\0", 6), tiff})); }
const Bytes kSoi = {0xFF, 0xD8}, kScan = {0xFF, 0xDA, 0, 2, 0x12, 0x34}, kEoi = {0xFF, 0xD9};
Bytes Jpeg(std::initializer_list<Bytes> segments) { return Cat({kSoi, Cat(segments), kScan, kEoi}); }

Bytes Chunk(const char* type, const Bytes& data, uint32_t crcFlip = 0)
{
    Bytes b;
    PutBig32(b, uint32_t(data.size()));
    Bytes body = Cat({Text(type, 4), data});
    uLong crc = crc32(crc32(0, nullptr, 0), body.data(), uInt(body.size()));
    b = Cat({b, body});
    PutBig32(b, uint32_t(crc) ^ crcFlip);
    return b;
}
const Bytes kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
Bytes Png(std::initializer_list<Bytes> chunks)
{
    Bytes ihdr = {0, 0, 0, 7, 0, 0, 0, 4, 8, 6, 0, 0, 0};  // 7x4 RGBA
    return Cat({kPngSignature, Chunk("IHDR", ihdr), Cat(chunks), Chunk("IEND", {})});
}
const Bytes kIdat = Chunk("IDAT", {0x78, 0x9C, 0x03, 0, 0, 0, 0, 1});

// A w by h picture in a zeroAlloc block: pixel i holds i + 1, i * 3, 255 - i and i / 2.
uint8_t* Numbered(uint32_t w, uint32_t h)
{
    uint8_t* p = static_cast<uint8_t*>(zeroAlloc(size_t(w) * h * 4));
    for (uint32_t i = 0; i < w * h; ++i) {
        p[4 * i] = uint8_t(i + 1), p[4 * i + 1] = uint8_t(i * 3);
        p[4 * i + 2] = uint8_t(255 - i), p[4 * i + 3] = uint8_t(i / 2);
    }
    return p;
}
// The pixels as letters, a for the first stored pixel, rows joined by '/'; '?' for a pixel
// whose bytes do not belong together.
std::string Letters(const uint8_t* p, uint32_t w, uint32_t h)
{
    std::string s;
    for (uint32_t y = 0; y < h; ++y) {
        if (y) s += '/';
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* q = p + (size_t(y) * w + x) * 4;
            uint32_t i = q[0] - 1u;
            bool whole = q[1] == uint8_t(i * 3) && q[2] == uint8_t(255 - i) && q[3] == uint8_t(i / 2);
            s += whole ? char('a' + i) : '?';
        }
    }
    return s;
}

// The largest difference between a decoded picture and Pillow's decoding in NAME.rgba.
int WorstDifference(const SourcePicture& p, const std::string& rgbaName)
{
    Bytes want = ExifFixtureBytes(rgbaName);
    if (want.size() != size_t(p.width) * p.height * 4) return 1000;
    int worst = 0;
    for (size_t i = 0; i < want.size(); ++i) worst = std::max(worst, std::abs(want[i] - p.pixels[i]));
    return worst;
}

}  // namespace

// Every orientation stored by Pillow, in both byte orders, comes out as the upright picture: a
// PNG exactly, a JPEG of flat 8 by 8 blocks within a level or two of Pillow's decoder.
TEST(ExifFixtures, EachOrientationDecodesUpright)
{
    for (const char* kind : {"png", "jpg"}) {
        for (int n = 1; n <= 8; ++n) {
            std::string name = std::string(kind) + "_" + std::to_string(n) + "." + kind;
            SCOPED_TRACE(name);
            Bytes file = ExifFixtureBytes(name);
            ASSERT_FALSE(file.empty());
            EXPECT_EQ(n, ExifOrientation(file.data(), file.size()));
            SourcePicture p;
            SourceError e;
            ASSERT_EQ(1, ReadSourcePicture(ExifFixture(name).c_str(), p, e)) << e.text;
            EXPECT_LE(WorstDifference(p, std::string("upright_") + kind + ".rgba"), *kind == 'j' ? 2 : 0);
        }
    }
    // The tag among a camera's other entries, behind an XMP segment, after a PNG's data.
    for (const char* name : {"camera_6.jpg", "xmp_first_6.jpg", "after_data_6.png"}) {
        SCOPED_TRACE(name);
        Bytes file = ExifFixtureBytes(name);
        EXPECT_EQ(6, ExifOrientation(file.data(), file.size()));
        SourcePicture p;
        SourceError e;
        ASSERT_EQ(1, ReadSourcePicture(ExifFixture(name).c_str(), p, e)) << e.text;
        EXPECT_LE(WorstDifference(p, strstr(name, ".png") ? "upright_png.rgba" : "upright_jpg.rgba"), 2);
    }
}

// Damaged blocks that claim 6, or hold a value out of range: the picture as stored, turned.
TEST(ExifFixtures, DamagedBlocksLeaveThePictureAsStored)
{
    const char* damage[] = {"value_0", "value_9", "type_long", "count_2", "magic", "order", "offset",
                            "offset_header", "entry_count", "cut", "loop"};
    std::vector<std::string> names = {"bad_crc.png", "bad_after_end.png", "bad_prefix.jpg"};
    for (const char* d : damage)
        for (const char* ext : {".jpg", ".png"}) names.push_back(std::string("bad_") + d + ext);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Bytes file = ExifFixtureBytes(name);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(1, ExifOrientation(file.data(), file.size()));
        SourcePicture p;
        SourceError e;
        ASSERT_EQ(1, ReadSourcePicture(ExifFixture(name).c_str(), p, e)) << e.text;
        bool png = name.find(".png") != std::string::npos;
        EXPECT_LE(WorstDifference(p, png ? "stored6_png.rgba" : "stored6_jpg.rgba"), png ? 0 : 2);
    }
}

// Blocks built byte by byte: what is found, and every way of being wrong that gives 1.
TEST(ExifBlocks, FoundOrLeftAsStored)
{
    const Bytes ii6 = Tiff(false, {kSix}), mm3 = Tiff(true, {{0x0112, 3, 1, 3}});
    const Bytes app0 = Segment(0xE0, Text("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    const Bytes xmp = Segment(0xE1, Text("http://ns.adobe.com/xap/1.0/\0<x/>", 33));
    const Bytes camera = Tiff(true, {{0x010F, 2, 4, 0x5658}, {0x0110, 2, 2, 0x4142}, {0x0112, 3, 1, 8}});
    Bytes lastByte = Tiff(false, {kSix});  // IFD0 ends the block: no next pointer
    lastByte.resize(lastByte.size() - 4);
    // Offset 6 points at its own last two bytes, 00 06; an orientation entry follows at 8.
    Bytes inHeader = {'M', 'M', 0, 42, 0, 0, 0, 6, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0};
    inHeader.resize(8 + 6 * 12 + 4);
    struct Case {
        const char* what;
        Bytes data;
        int want;
    } cases[] = {
        {"II", Jpeg({ExifApp1(ii6)}), 6},
        {"MM", Jpeg({ExifApp1(mm3)}), 3},
        {"after other entries", Jpeg({ExifApp1(camera)}), 8},
        {"IFD0 ending with the block", Jpeg({ExifApp1(lastByte)}), 6},
        {"IFD0 further on", Jpeg({ExifApp1(Tiff(false, {kSix}, 20))}), 6},
        {"behind JFIF and XMP", Jpeg({app0, xmp, ExifApp1(ii6)}), 6},
        {"fill bytes and a restart marker first", Jpeg({{0xFF, 0xD0, 0xFF, 0xFF}, ExifApp1(mm3)}), 3},
        {"the first of two", Jpeg({ExifApp1(mm3), ExifApp1(ii6)}), 3},
        {"value 0", Jpeg({ExifApp1(Tiff(false, {{0x0112, 3, 1, 0}}))}), 1},
        {"value 9", Jpeg({ExifApp1(Tiff(true, {{0x0112, 3, 1, 9}}))}), 1},
        {"value 0xFFFF", Jpeg({ExifApp1(Tiff(true, {{0x0112, 3, 1, 0xFFFF}}))}), 1},
        {"a LONG", Jpeg({ExifApp1(Tiff(false, {{0x0112, 4, 1, 6}}))}), 1},
        {"count 0", Jpeg({ExifApp1(Tiff(false, {{0x0112, 3, 0, 6}}))}), 1},
        {"count 2", Jpeg({ExifApp1(Tiff(true, {{0x0112, 3, 2, 6}}))}), 1},
        {"no tag", Jpeg({ExifApp1(Tiff(false, {{0x0128, 3, 1, 6}}))}), 1},
        {"magic 43", Jpeg({ExifApp1(Tiff(false, {kSix}, 8, 43))}), 1},
        {"IFD0 in the header", Jpeg({ExifApp1(Tiff(false, {kSix}, 6))}), 1},
        {"IFD0 in the header, counting 6 entries from 8", Jpeg({ExifApp1(inHeader)}), 1},
        {"IFD0 at 0xFFFFFFFF", Jpeg({ExifApp1(Tiff(true, {kSix}, 0xFFFFFFFF))}), 1},
        {"entry count 0xFFFF", Jpeg({ExifApp1(Tiff(false, {kSix}, 8, 42, 0xFFFF))}), 1},
        {"entries past the block", Jpeg({ExifApp1(Tiff(false, {kSix}, 8, 42, 2))}), 1},
        {"block of 7 bytes", Jpeg({ExifApp1(Bytes(ii6.begin(), ii6.begin() + 7))}), 1},
        {"first block damaged, second fine", Jpeg({ExifApp1(Tiff(false, {kSix}, 8, 43)), ExifApp1(ii6)}), 1},
        {"Exif\\0 alone", Jpeg({Segment(0xE1, Text("Exif\0", 5))}), 1},
        {"APP1 length 1", Jpeg({Segment(0xE1, Cat({Text("Exif\0\0", 6), ii6}), 1)}), 1},
        {"APP1 past the end", Cat({kSoi, Segment(0xE1, Cat({Text("Exif\0\0", 6), ii6}), 200)}), 1},
        {"after the scan", Cat({kSoi, {0xFF, 0xDA, 0, 2}, ExifApp1(ii6), kEoi}), 1},
        {"a second start of image", Jpeg({kSoi, ExifApp1(ii6)}), 1},
        {"not a marker", Jpeg({{0x00}, ExifApp1(ii6)}), 1},
        {"PNG: before the data", Png({Chunk("eXIf", ii6), kIdat}), 6},
        {"PNG: after the data", Png({kIdat, Chunk("eXIf", mm3)}), 3},
        {"PNG: the first of two", Png({Chunk("eXIf", mm3), Chunk("eXIf", ii6), kIdat}), 3},
        {"PNG: CRC wrong", Png({Chunk("eXIf", ii6, 1), kIdat}), 1},
        {"PNG: empty chunk", Png({Chunk("eXIf", {}), kIdat}), 1},
        {"PNG: after IEND", Cat({Png({kIdat}), Chunk("eXIf", ii6)}), 1},
        {"PNG: a chunk past the end", Cat({kPngSignature, Bytes{0, 0, 1, 0}, Text("tEXt", 4), Chunk("eXIf", ii6)}), 1},
        {"PNG: signature alone", kPngSignature, 1},
        {"no signature", Cat({{0x00, 0xD8}, ExifApp1(ii6)}), 1},
        {"GIF", Cat({Text("GIF89a", 6), ExifApp1(ii6)}), 1},
        {"empty", {}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.want, ExifOrientation(c.data.data(), c.data.size())) << c.what << ": " << Hex(c.data);
    }
    EXPECT_EQ(1, ExifOrientation(nullptr, 0));
}

// Cut at every length: 1 until the whole segment or chunk is there, then the value, and no
// read past the cut (AddressSanitizer watches a block of exactly that size).
TEST(ExifBlocks, EveryCutGivesOneUntilTheBlockIsWhole)
{
    const Bytes tiff = Tiff(true, {{0x010F, 2, 4, 0x5658}, kSix, {0x0128, 3, 1, 2}});
    const Bytes jpeg = Jpeg({ExifApp1(tiff)}), png = Png({Chunk("eXIf", tiff), kIdat});
    const size_t jpegWhole = 2 + 4 + 6 + tiff.size(), pngWhole = 8 + 25 + 12 + tiff.size();
    for (const Bytes* file : {&jpeg, &png}) {
        size_t whole = file == &jpeg ? jpegWhole : pngWhole;
        for (size_t cut = 0; cut <= file->size(); ++cut) {
            std::vector<uint8_t> exact(file->begin(), file->begin() + cut);
            EXPECT_EQ(cut >= whole ? 6 : 1, ExifOrientation(exact.data(), exact.size()))
                << (file == &jpeg ? "JPEG" : "PNG") << " cut at " << cut;
        }
    }
}

// Each turn on a 3 by 2 picture, as EXIF defines them:  a b c
//                                                         d e f
TEST(ApplyOrientation, EachOfTheEight)
{
    const char* want[] = {"abc/def", "abc/def", "cba/fed", "fed/cba", "def/abc",
                          "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad", "abc/def"};
    for (int n = 0; n <= 9; ++n) {
        uint32_t w = 3, h = 2;
        uint8_t* p = Numbered(w, h);
        uint8_t* before = p;
        ASSERT_EQ(1, ApplyOrientation(n, p, w, h));
        EXPECT_EQ(want[n], Letters(p, w, h)) << "orientation " << n;
        bool sideways = n >= 5 && n <= 8;
        EXPECT_EQ(sideways ? 2u : 3u, w) << "orientation " << n;
        EXPECT_EQ(before, p) << "orientation " << n << " must work in place";
        zeroFree(p);
    }
}

// Single rows and columns, squares, odd and even sides, sides of which one divides the other
// (whose cycles are short) and prime ones (whose cycles are long): each turn against the EXIF
// table pixel by pixel, and undone by its inverse.
TEST(ApplyOrientation, AnySizeAndUndoneByItsInverse)
{
    const int inverse[9] = {0, 1, 2, 3, 4, 5, 8, 7, 6};
    const uint32_t sizes[][2] = {{1, 1}, {1, 5}, {6, 1}, {2, 2}, {70, 37}, {33, 64}, {64, 33}, {64, 128}, {127, 3}};
    for (const auto& s : sizes) {
        for (int n = 1; n <= 8; ++n) {
            SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]) + ", orientation " + std::to_string(n));
            uint32_t w = s[0], h = s[1];
            uint8_t* p = Numbered(w, h);
            ASSERT_EQ(1, ApplyOrientation(n, p, w, h));
            ASSERT_EQ(n >= 5 ? s[1] : s[0], w);
            const uint32_t sw = s[0], sh = s[1];
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x) {
                    // Where the displayed pixel (x, y) is stored.
                    uint32_t sx[9] = {0, x, sw - 1 - x, sw - 1 - x, x, y, y, sw - 1 - y, sw - 1 - y};
                    uint32_t sy[9] = {0, y, y, sh - 1 - y, sh - 1 - y, x, sh - 1 - x, sh - 1 - x, x};
                    uint32_t stored = sy[n] * sw + sx[n];
                    ASSERT_EQ(uint8_t(stored + 1), p[(size_t(y) * w + x) * 4]) << "at " << x << "," << y;
                    ASSERT_EQ(uint8_t(stored * 3), p[(size_t(y) * w + x) * 4 + 1]) << "at " << x << "," << y;
                }
            ASSERT_EQ(1, ApplyOrientation(inverse[n], p, w, h));
            uint8_t* original = Numbered(s[0], s[1]);
            EXPECT_EQ(0, memcmp(original, p, size_t(w) * h * 4));
            zeroFree(original);
            zeroFree(p);
        }
    }
}

// Without memory for the bookkeeping, the sideways turns fail and leave the picture whole;
// the others need none. The reader then refuses the picture with the reason, holding nothing.
TEST(ApplyOrientation, NoMemoryLeavesThePictureAsItWas)
{
    for (int n = 1; n <= 8; ++n) {
        uint32_t w = 3, h = 2;
        uint8_t* p = Numbered(w, h);
        uint8_t* before = p;
        zeroAllocFailAfter(0);
        int ok = ApplyOrientation(n, p, w, h);
        zeroAllocFailAfter(-1);
        EXPECT_EQ(n < 5 ? 1 : 0, ok) << "orientation " << n;
        if (!ok) {
            EXPECT_EQ(before, p);
            EXPECT_EQ("abc/def", Letters(p, w, h));
            EXPECT_EQ(3u, w);
        }
        zeroFree(p);
    }

    Bytes jpeg = ExifFixtureBytes("jpg_6.jpg");
    bool refused = false;
    for (long allowed = 0; allowed < 1000; ++allowed) {
        SourcePicture p;
        SourceError e;
        zeroAllocFailAfter(allowed);
        int ok = DecodeSourcePicture(jpeg.data(), jpeg.size(), false, kSourceLimits, p, e);
        zeroAllocFailAfter(-1);
        if (ok) {
            EXPECT_LE(WorstDifference(p, "upright_jpg.rgba"), 2);
            break;
        }
        EXPECT_EQ(nullptr, p.pixels);
        refused = refused || strcmp(e.text, "not enough memory to turn the picture upright") == 0;
    }
    EXPECT_TRUE(refused) << "no allocation count reached the turn";
}
