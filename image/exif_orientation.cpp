// The EXIF orientation: found in a JPEG's APP1 segment or a PNG's eXIf chunk, read from IFD0
// of the TIFF block inside, and applied to decoded pixels in the eight ways EXIF defines.
#include "image/exif_orientation.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>

#include "core/zero_alloc.h"

namespace {

const uint16_t kOrientationTag = 0x0112;
const uint16_t kTypeShort = 3;

// JPEG and PNG store their own numbers big-endian.
uint16_t BigU16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t BigU32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// TIFF numbers in the block's own order: "II" little-endian like the rest of this project,
// "MM" big-endian as Pillow and many cameras write it.
struct TiffOrder {
    bool big;
    uint16_t u16(const uint8_t* p) const { return big ? BigU16(p) : uint16_t(p[0] | p[1] << 8); }
    uint32_t u32(const uint8_t* p) const
    {
        return big ? BigU32(p) : p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
    }
};

// The orientation in the TIFF block t[0..n). Only IFD0 is read and no offset is followed out
// of it, so no chain of IFDs can loop; its entries must all lie inside the block.
int TiffOrientation(const uint8_t* t, size_t n)
{
    if (n < 8) return 1;
    TiffOrder order;
    if (t[0] == 'I' && t[1] == 'I')
        order.big = false;
    else if (t[0] == 'M' && t[1] == 'M')
        order.big = true;
    else
        return 1;
    if (order.u16(t + 2) != 42) return 1;
    uint32_t ifd = order.u32(t + 4);
    if (ifd < 8 || ifd > n - 2) return 1;  // inside the header, or past the block
    uint32_t count = order.u16(t + ifd);
    if (count > (n - ifd - 2) / 12) return 1;  // cut short, or an absurd count
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = t + ifd + 2 + 12 * size_t(i);
        if (order.u16(entry) != kOrientationTag) continue;
        if (order.u16(entry + 2) != kTypeShort) return 1;
        if (order.u32(entry + 4) != 1) return 1;
        uint16_t value = order.u16(entry + 8);  // a SHORT sits in the first two value bytes
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

// The first APP1 segment that begins "Exif\0\0", among the segments before the scan.
int JpegOrientation(const uint8_t* d, size_t n)
{
    size_t p = 2;  // past the start-of-image marker
    while (p + 2 <= n) {
        if (d[p] != 0xFF) return 1;  // not a marker where one must be
        uint8_t marker = d[p + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++p;
            continue;
        }
        p += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xDA || marker == 0xD9 || marker == 0xD8) return 1;  // scan, end, or a second start
        if (p + 2 > n) return 1;
        size_t length = BigU16(d + p);
        if (length < 2 || length > n - p) return 1;  // damaged, or cut short
        if (marker == 0xE1 && length >= 8 && memcmp(d + p + 2, "Exif\0\0", 6) == 0)
            return TiffOrientation(d + p + 8, length - 8);
        p += length;
    }
    return 1;
}

// The first eXIf chunk before IEND; the PNG standard puts it before the data, but readers
// take it anywhere. A chunk whose CRC is wrong is damaged and left out, as libpng does.
int PngOrientation(const uint8_t* d, size_t n)
{
    for (size_t p = 8; p + 12 <= n;) {
        size_t length = BigU32(d + p);
        if (length > 0x7FFFFFFF || length > n - p - 12) return 1;  // the PNG limit, or cut short
        const uint8_t* type = d + p + 4;
        if (memcmp(type, "IEND", 4) == 0) return 1;
        if (memcmp(type, "eXIf", 4) == 0) {
            if (crc32(crc32(0, nullptr, 0), type, uInt(4 + length)) != BigU32(type + 4 + length)) return 1;
            return TiffOrientation(type + 4, length);
        }
        p += 12 + length;
    }
    return 1;
}

void SwapPixels(uint8_t* a, uint8_t* b)
{
    uint8_t t[4];
    memcpy(t, a, 4);
    memcpy(a, b, 4);
    memcpy(b, t, 4);
}

// 2: each row read right to left.
void MirrorRows(uint8_t* pixels, uint32_t width, uint32_t height)
{
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = pixels + size_t(y) * width * 4;
        for (uint32_t l = 0, r = width - 1; l < r; ++l, --r) SwapPixels(row + 4 * size_t(l), row + 4 * size_t(r));
    }
}

// 3: turned half round is the whole picture read backwards, pixel by pixel.
void TurnHalfRound(uint8_t* pixels, size_t count)
{
    for (size_t l = 0, r = count - 1; l < r; ++l, --r) SwapPixels(pixels + 4 * l, pixels + 4 * r);
}

// 4: the rows in the opposite order.
void FlipRows(uint8_t* pixels, uint32_t width, uint32_t height)
{
    const size_t stride = size_t(width) * 4;
    for (uint32_t t = 0, b = height - 1; t < b; ++t, --b)
        std::swap_ranges(pixels + t * stride, pixels + (t + 1) * stride, pixels + b * stride);
}

// The width by height picture read column by column: pixel (x, y) moves to x * height + y,
// in place. A pixel at k < n - 1 goes to k * height mod (n - 1), so the pixels move round
// cycles of that map; each cycle is followed once from its first pixel, and `visited` (one bit
// a pixel, zero-filled) marks where a pixel has been put.
void TransposeInPlace(uint8_t* pixels, uint32_t width, uint32_t height, uint64_t* visited)
{
    const size_t last = size_t(width) * height - 1;  // the first and last pixels stay
    for (size_t start = 1; start < last; ++start) {
        if (visited[start / 64] == ~uint64_t(0)) {
            start |= 63;  // a whole word of pixels already in place
            continue;
        }
        if (visited[start / 64] >> (start % 64) & 1) continue;
        uint8_t carried[4], held[4];
        memcpy(carried, pixels + 4 * start, 4);
        size_t k = start;
        do {
            k = size_t(uint64_t(k) * height % last);
            visited[k / 64] |= uint64_t(1) << (k % 64);
            memcpy(held, pixels + 4 * k, 4);
            memcpy(pixels + 4 * k, carried, 4);
            memcpy(carried, held, 4);
        } while (k != start);
    }
}

}  // namespace

int ExifOrientation(const uint8_t* data, size_t size)
{
    if (!data) return 1;
    if (size >= 8 && memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return PngOrientation(data, size);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return JpegOrientation(data, size);
    return 1;
}

int ApplyOrientation(int orientation, uint8_t*& pixels, uint32_t& width, uint32_t& height)
{
    if (!pixels || width == 0 || height == 0) return 1;
    switch (orientation) {
    case 2: MirrorRows(pixels, width, height); return 1;
    case 3: TurnHalfRound(pixels, size_t(width) * height); return 1;
    case 4: FlipRows(pixels, width, height); return 1;
    case 5: case 6: case 7: case 8: break;
    default: return 1;
    }
    // Sideways: read column by column, then the rows or columns reversed as the turn needs.
    // Only the bits that track the move are extra, 1 a pixel.
    const size_t count = size_t(width) * height;
    uint64_t* visited = static_cast<uint64_t*>(zeroAlloc((count + 63) / 64 * 8));
    if (!visited) return 0;
    TransposeInPlace(pixels, width, height, visited);
    zeroFree(visited);
    std::swap(width, height);
    if (orientation == 6) MirrorRows(pixels, width, height);       // in (y, h-1-x)
    if (orientation == 7) TurnHalfRound(pixels, count);           // in (w-1-y, h-1-x)
    if (orientation == 8) FlipRows(pixels, width, height);        // in (w-1-y, x)
    return 1;
}
