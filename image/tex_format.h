// The TEX texture layout shared by the writer and the reader: magic, flag bits, pixel format.
#pragma once

#include <stdint.h>

// Every record and every set header begins with "TEX", a zero byte and the word 1.
extern const uint8_t kTexMagic[8];

// Flag bits of records and set headers. In a record the Word bits announce the optional words
// that follow the flags, in this order: format, width, height, level count. In a set header
// only TexSetCount announces a word (the record count).
enum : uint32_t {
    TexFormatWord = 0x00000002,
    TexLevelCountWord = 0x00000004,
    TexFromBmp = 0x00000010,     // alpha only 0 or 255
    TexFromTga = 0x00000020,     // alpha taken from the file
    TexMarkerTilde = 0x00000100, // carried from the destination markers
    TexMarkerAt4 = 0x00000200,
    TexMarkerDollar = 0x00000400,
    TexWidthWord = 0x01000000,
    TexHeightWord = 0x02000000,
    TexSetCount = 0x40000000,
};

// Bits a record may carry, and bits a set header may carry.
enum : uint32_t {
    kTexRecordFlags = TexFormatWord | TexLevelCountWord | TexFromBmp | TexFromTga |
                      TexMarkerTilde | TexMarkerAt4 | TexMarkerDollar | TexWidthWord |
                      TexHeightWord,
    kTexSetFlags = (kTexRecordFlags & ~TexLevelCountWord) | TexSetCount,
};

// The one pixel format: 8 bits each of red, green, blue, alpha.
enum : uint32_t { kTexPixelFormat = 0x00008888 };

// Number of significant bits of v (6 for 32, 7 for 64): the most levels a record of width v
// declares.
inline uint32_t SignificantBits(uint32_t v)
{
    uint32_t n = 0;
    for (; v; v >>= 1) ++n;
    return n;
}
