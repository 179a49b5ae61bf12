// Shared by the image suites: fixture paths, hand-built BMP and TGA files, the reference level
// chain, conversions with what they print, and a byte comparison that names the first difference.
#pragma once

#include <gtest/gtest.h>
#include <stdint.h>

#include <algorithm>
#include <string>

#include "image/convert.h"
#include "image/picture.h"
#include "tests/support/test_support.h"

// A fixture of tests/image/fixtures in core form; under Wine the Linux root is drive Z:.
inline std::string Fixture(const std::string& name)
{
#ifdef _WIN32
    return CorePath("Z:" VEX_FIXTURES_DIR "/" + name);
#else
    return CorePath(VEX_FIXTURES_DIR "/" + name);
#endif
}
inline Bytes FixtureBytes(const std::string& name) { return ReadFileBytes(NativePath(Fixture(name))); }

inline Bytes Head(Bytes b, size_t n) { return b.resize(n), b; }
inline Bytes PixelsOf(const Picture& p) { return Bytes(p.pixels, p.pixels + p.width * p.height * 4); }
// One RGBA pixel, x from the left, y from the top.
inline Bytes PixelAt(const Picture& p, uint32_t x, uint32_t y)
{
    return Bytes(p.pixels + (y * p.width + x) * 4, p.pixels + (y * p.width + x) * 4 + 4);
}

// Empty when equal; else the sizes and the first 8 bytes from where the two part.
inline std::string Difference(const Bytes& want, const Bytes& got)
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
inline Bytes BmpFile(const BmpHeader& s, const Bytes& palette, const Bytes& rows)
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
inline Bytes TgaFile(const TgaHeader& s, const Bytes& pixels)
{
    Bytes f = {0, s.colourMapType, s.imageType, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // ID length, map, origin
    PutU16(f, s.width);
    PutU16(f, s.height);
    f.insert(f.end(), {s.depth, s.descriptor});
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// A square picture file of noise, a 24-bit BMP or a 32-bit TGA, different for every seed.
inline Bytes NoiseFile(bool tga, uint16_t size, uint32_t seed)
{
    Bytes px(size_t(size) * size * (tga ? 4 : 3));
    for (uint8_t& b : px) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
    BmpHeader bmp;
    bmp.width = bmp.height = size;
    return tga ? TgaFile({size, size}, px) : BmpFile(bmp, {}, px);
}

// Reference halving, written out plainly: level k + 1 from level k, truncating averages.
inline Bytes ReferenceChain(const Picture& p, uint32_t levels)
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
inline Outcome Converted(const std::string& source, const std::string& destination)
{
    return Captured([&] { return ConvertBannerPicture(source.c_str(), destination.c_str()); });
}
