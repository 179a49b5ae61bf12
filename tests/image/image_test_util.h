// Inputs for the image suites: hand-built BMP and TGA files, fixture paths, a memory stream.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>

#include "core/stream.h"
#include "image/picture.h"
#include "tests/support/test_support.h"

// A fixture of tests/image/fixtures in core form. The folder comes from the build as an
// absolute native path; under Wine the Linux root is drive Z:.
inline std::string Fixture(const std::string& name)
{
    std::string dir = VEX_FIXTURES_DIR;
#ifdef _WIN32
    dir = "Z:" + dir;
#endif
    return CorePath(dir + "/" + name);
}
inline Bytes FixtureBytes(const std::string& name) { return ReadFileBytes(NativePath(Fixture(name))); }

// The decoded picture's bytes, for comparisons.
inline Bytes PixelsOf(const Picture& p)
{
    return p.pixels ? Bytes(p.pixels, p.pixels + p.width * p.height * 4) : Bytes();
}

// One RGBA pixel of a decoded picture, x from the left, y from the top.
inline Bytes PixelAt(const Picture& p, uint32_t x, uint32_t y)
{
    const uint8_t* q = p.pixels + (y * p.width + x) * 4;
    return Bytes(q, q + 4);
}

// BMP: file header, information header of `infoSize` bytes, palette (4 bytes an entry, blue
// green red 0), then `bits` as stored (rows bottom first). `offset` 0 means "right after the
// palette"; `colours` is the colour count field.
struct BmpSpec {
    int32_t width = 32;
    int32_t height = 32;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t colours = 0;
    uint32_t infoSize = 40;
    uint32_t offset = 0;
};
inline Bytes BmpFile(const BmpSpec& s, const Bytes& palette, const Bytes& bits)
{
    Bytes f;
    uint32_t offset = s.offset ? s.offset : 14 + s.infoSize + uint32_t(palette.size());
    f.push_back('B');
    f.push_back('M');
    PutU32(f, uint32_t(14 + s.infoSize + palette.size() + bits.size()));  // file size
    PutU32(f, 0);                                                          // reserved
    PutU32(f, offset);                                                     // pixel offset
    PutU32(f, s.infoSize);
    PutU32(f, uint32_t(s.width));
    PutU32(f, uint32_t(s.height));
    PutU16(f, s.planes);
    PutU16(f, s.bitCount);
    PutU32(f, s.compression);
    PutU32(f, uint32_t(bits.size()));  // image size
    PutU32(f, 2835);                   // pixels per metre, both ways
    PutU32(f, 2835);
    PutU32(f, s.colours);
    PutU32(f, 0);  // important colours
    f.resize(14 + (s.infoSize > 40 ? s.infoSize : 40), 0);
    f.insert(f.end(), palette.begin(), palette.end());
    while (f.size() < offset) f.push_back(0);
    f.insert(f.end(), bits.begin(), bits.end());
    return f;
}

// TGA: 18-byte header, identification field, then `pixels` as stored (blue green red alpha,
// bottom row first).
struct TgaSpec {
    uint16_t width = 32;
    uint16_t height = 32;
    uint8_t colourMapType = 0;
    uint8_t imageType = 2;
    uint8_t depth = 32;
    uint8_t descriptor = 0x08;
    std::string id;
};
inline Bytes TgaFile(const TgaSpec& s, const Bytes& pixels)
{
    Bytes f;
    f.push_back(uint8_t(s.id.size()));
    f.push_back(s.colourMapType);
    f.push_back(s.imageType);
    for (int i = 0; i < 5; ++i) f.push_back(0);  // colour map specification
    PutU16(f, 0);                                // origin x
    PutU16(f, 0);                                // origin y
    PutU16(f, s.width);
    PutU16(f, s.height);
    f.push_back(s.depth);
    f.push_back(s.descriptor);
    f.insert(f.end(), s.id.begin(), s.id.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// Stored pixels whose every byte tells where it came from: pixel i (in file order) holds
// i % 251, (i / 251) % 251, channel marks 1 and 2 added.
inline Bytes CountingPixels(size_t count, int bytesPerPixel)
{
    Bytes b;
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < bytesPerPixel; ++c) b.push_back(uint8_t((i * 7 + c * 50 + i / 64) % 251));
    return b;
}

// Reference halving, written out plainly: level k + 1 from level k, truncating averages.
inline Bytes ReferenceChain(const Picture& p, int levels)
{
    Bytes all, level = PixelsOf(p);
    uint32_t w = p.width, h = p.height;
    for (int k = 0; k < levels; ++k) {
        all.insert(all.end(), level.begin(), level.end());
        Bytes next((w / 2) * (h / 2) * 4);
        for (uint32_t y = 0; y < h / 2; ++y)
            for (uint32_t x = 0; x < w / 2; ++x)
                for (int c = 0; c < 4; ++c) {
                    auto at = [&](uint32_t xx, uint32_t yy) { return level[(yy * w + xx) * 4 + c]; };
                    next[(y * (w / 2) + x) * 4 + c] = uint8_t(
                        (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                         at(2 * x + 1, 2 * y + 1)) / 4);
                }
        level = next;
        w /= 2;
        h /= 2;
    }
    return all;
}

// A picture of one colour.
inline void Fill(Picture& p, uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    p.reset(w, h);
    for (uint32_t i = 0; i < w * h; ++i) {
        p.pixels[4 * i] = r;
        p.pixels[4 * i + 1] = g;
        p.pixels[4 * i + 2] = b;
        p.pixels[4 * i + 3] = a;
    }
}

// A write stream over memory; close() hands on the last bytes.
class MemoryStream : public Stream {
public:
    MemoryStream() { begin(ModeWrite, 0, -1); }
    ~MemoryStream() override { close(); }
    Bytes bytes;

protected:
    uint32_t rawRead(void*, uint32_t* count, int32_t) override
    {
        *count = 0;
        return StreamFailed;
    }
    uint32_t rawWrite(const void* source, uint32_t* count, int32_t) override
    {
        const uint8_t* s = static_cast<const uint8_t*>(source);
        bytes.insert(bytes.end(), s, s + *count);
        return *count ? StreamOk : StreamFailed;
    }
    uint32_t rawFlush() override { return StreamOk; }
};
