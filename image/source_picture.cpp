// The command line's picture reader: stb_image for what it decodes, our own decoder for the
// run-length encoded BMPs it refuses, and limits checked from the headers before decoding.
#include "image/source_picture.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "core/zero_alloc.h"
#include "image/exif_orientation.h"
#include "image/picture.h"
#include "image/stb_bridge.h"
#include "image/le_fields.h"
#include "platform/whole_file.h"

// The sides are the limit: 16,384 by 16,384 is as many pixels as a picture may have, and the
// largest file is about what such a picture takes uncompressed.
const SourceLimits kSourceLimits = {16384, uint64_t(16384) * 16384, uint64_t(1) << 30};

void SourcePicture::clear()
{
    zeroFree(pixels);
    pixels = nullptr;
    width = height = 0;
    fromBmp = false;
}

namespace {

enum Kind { KindUnknown, KindPng, KindJpeg, KindGif, KindBmp, KindTga };
const char* const kKindNames[] = {"picture", "PNG", "JPEG", "GIF", "BMP", "TGA"};

Kind KindOf(const uint8_t* d, size_t n, bool maybeTga)
{
    if (n >= 8 && memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return KindPng;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return KindJpeg;
    if (n >= 6 && (memcmp(d, "GIF87a", 6) == 0 || memcmp(d, "GIF89a", 6) == 0)) return KindGif;
    if (n >= 2 && d[0] == 'B' && d[1] == 'M') return KindBmp;
    return maybeTga ? KindTga : KindUnknown;
}

// The size in the header of a PNG, GIF or BMP, read here because stb's own look refuses a
// large picture without saying so. 0 for the other kinds or a header too short.
int HeaderSize(Kind kind, const uint8_t* d, size_t n, uint64_t* w, uint64_t* h)
{
    if (kind == KindPng && n >= 24) {
        *w = uint64_t(d[16]) << 24 | d[17] << 16 | d[18] << 8 | d[19];
        *h = uint64_t(d[20]) << 24 | d[21] << 16 | d[22] << 8 | d[23];
    } else if (kind == KindGif && n >= 10) {
        *w = Le16(d + 6);
        *h = Le16(d + 8);
    } else if (kind == KindBmp && n >= 26 && Le32(d + 14) == 12) {
        *w = Le16(d + 18);
        *h = Le16(d + 20);
    } else if (kind == KindBmp && n >= 26) {
        int32_t sw = int32_t(Le32(d + 18)), sh = int32_t(Le32(d + 22));
        *w = uint64_t(sw < 0 ? -int64_t(sw) : sw);
        *h = uint64_t(sh < 0 ? -int64_t(sh) : sh);  // negative: stored top row first
    } else {
        return 0;
    }
    return 1;
}

// stb_image 2.27 writes past its table when a JPEG Huffman table declares more than 256
// codes; such files are refused before stb sees them. Every FF C4 pair is taken for a table
// definition: in coded data an FF is always followed by 00 or a restart marker, so no valid
// file is refused, and stb cannot reach a table that this scan did not see.
bool JpegTablesFit(const uint8_t* d, size_t n)
{
    auto byte = [d, n](size_t at) -> size_t { return at < n ? d[at] : 0; };  // stb reads 0 past the end
    for (size_t p = 0; p + 1 < n; ++p) {
        if (d[p] != 0xFF || d[p + 1] != 0xC4) continue;
        // As stb walks the segment: tables while its length lasts, each a class byte, 16 counts
        // and the codes, even when a table runs past the length.
        long left = long(byte(p + 2) << 8 | byte(p + 3)) - 2;
        for (size_t q = p + 4; left > 0 && q < n;) {
            size_t codes = 0;
            for (int i = 1; i <= 16; ++i) codes += byte(q + i);
            if (codes > 256) return false;
            left -= long(17 + codes);
            q += 17 + codes;
        }
    }
    return true;
}

// stb takes for a JPEG whatever begins with FF bytes and then D8, the start-of-image marker
// behind fill bytes: such a file named .tga reaches its JPEG decoder too.
bool LooksLikeJpegToStb(const uint8_t* d, size_t n)
{
    size_t p = 0;
    while (p < n && d[p] == 0xFF) ++p;
    return p > 0 && p < n && d[p] == 0xD8;
}

// stb_image 2.27 grows its buffer for a PNG data chunk by the length the chunk declares,
// before reading it: a tiny file could ask for gigabytes. Every chunk must lie in the file.
bool PngChunksFit(const uint8_t* d, size_t n)
{
    for (size_t p = 8; p + 8 <= n;) {
        size_t length = size_t(d[p]) << 24 | d[p + 1] << 16 | d[p + 2] << 8 | d[p + 3];
        if (length > n - p - 8) return false;
        if (memcmp(d + p + 4, "IEND", 4) == 0) break;
        p += 12 + length;
    }
    return true;
}

// stb's own word for what went wrong, when it has one.
int FailDamaged(SourceError& error, const char* kind)
{
    const char* why = StbFailure();
    if (why && *why) return FailImage(error, "truncated or damaged %s (%s)", kind, why);
    return FailImage(error, "truncated or damaged %s", kind);
}

int CheckSize(uint64_t w, uint64_t h, const SourceLimits& limits, SourceError& error)
{
    char size[48];
    snprintf(size, sizeof size, "%llux%llu", (unsigned long long)w, (unsigned long long)h);
    if (w == 0 || h == 0) return FailImage(error, "%s pixels: an empty picture", size);
    if (w > limits.maxSide || h > limits.maxSide) {
        char most[24];
        snprintf(most, sizeof most, "%u", limits.maxSide);
        return FailImage(error, "%s pixels, more than %s a side", size, most);
    }
    if (w * h > limits.maxPixels)
        return FailImage(error, "%s pixels, more than %llu in all", size, (unsigned long long)limits.maxPixels);
    return 1;
}

// "1 GiB", "64 MiB", "16 KiB", or bytes when none is whole.
std::string SizeText(uint64_t bytes)
{
    static const char* const kUnits[] = {" GiB", " MiB", " KiB"};
    for (int i = 0; i < 3; ++i) {
        const int shift = 30 - 10 * i;
        if (bytes >= (uint64_t(1) << shift) && bytes % (uint64_t(1) << shift) == 0)
            return std::to_string(bytes >> shift) + kUnits[i];
    }
    return std::to_string(bytes) + " bytes";
}

// Refuses a size that the file is too small to hold, before a decoder allocates for it: so
// many pixels need at least so many bytes in a file of that kind, however well it compresses.
// A JPEG codes each 8x8 block of its largest component with a bit at least; deflate makes at
// most 1032 bytes of a PNG's rows from one; a GIF's codes have 3 bits or more and stand for
// 4,096 pixels at most. BMP and TGA, which may leave pixels out (a run-length code can end the
// picture anywhere, a short file reads as black), get a floor of one byte per 16,384 pixels.
int CheckFileHolds(Kind kind, const uint8_t* d, size_t n, uint64_t w, uint64_t h, SourceError& error)
{
    uint64_t least = w * h / 16384;
    if (kind == KindJpeg) {
        least = ((w + 7) / 8 * ((h + 7) / 8) + 7) / 8;
    } else if (kind == KindPng && n >= 26) {
        static const uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};  // by colour type
        uint64_t bits = uint64_t(d[24]) * (d[25] < 7 && kChannels[d[25]] ? kChannels[d[25]] : 1);
        least = h * (1 + (w * bits + 7) / 8) / 1032;  // each row starts with its filter byte
    } else if (kind == KindGif) {
        least = w * h * 3 / (8 * 4096);
    }
    if (n >= least) return 1;
    return FailImage(error, "truncated or damaged %s (%llux%llu pixels need at least %s; the file has %s)",
                     kKindNames[kind], (unsigned long long)w, (unsigned long long)h, SizeText(least).c_str(),
                     SizeText(n).c_str());
}

// Run-length encoded BMP (compression 1 with 8 bits, 2 with 4 bits), which stb refuses. The
// header has been checked to lie inside the data. Pixels that the codes skip stay transparent.
int DecodeRleBmp(const uint8_t* d, size_t n, const SourceLimits& limits, SourcePicture& picture,
                 SourceError& error)
{
    uint32_t infoSize = Le32(d + 14);
    int32_t w = int32_t(Le32(d + 18)), h = int32_t(Le32(d + 22));
    uint32_t bits = Le16(d + 28), compression = Le32(d + 30), colours = Le32(d + 46);
    if (!((bits == 8 && compression == 1) || (bits == 4 && compression == 2)))
        return FailImage(error, "damaged BMP (run-length coding does not match the bit depth)");
    if (w <= 0 || h <= 0)  // RLE rows are always stored bottom first
        return FailImage(error, "damaged BMP (run-length picture with a negative size)");
    if (!CheckSize(uint32_t(w), uint32_t(h), limits, error) ||
        !CheckFileHolds(KindBmp, d, n, uint32_t(w), uint32_t(h), error))
        return 0;
    uint32_t maxColours = 1u << bits;
    if (colours == 0 || colours > maxColours) colours = maxColours;
    uint8_t palette[256][4] = {};
    size_t paletteAt = 14 + size_t(infoSize);
    for (uint32_t i = 0; i < colours && paletteAt + 4 * i + 4 <= n; ++i) {
        const uint8_t* e = d + paletteAt + 4 * i;
        palette[i][0] = e[2];
        palette[i][1] = e[1];
        palette[i][2] = e[0];
        palette[i][3] = 255;
    }
    uint32_t offset = Le32(d + 10);
    if (offset >= n) return FailImage(error, "truncated BMP (no pixel data)");
    picture.pixels = static_cast<uint8_t*>(zeroAlloc(size_t(w) * size_t(h) * 4));
    if (!picture.pixels) return FailImage(error, "not enough memory for the picture");
    picture.width = uint32_t(w);
    picture.height = uint32_t(h);

    uint32_t x = 0, y = 0;  // y counts from the bottom row
    auto put = [&](uint32_t index) {
        if (x < uint32_t(w) && y < uint32_t(h))
            memcpy(picture.pixels + ((size_t(h) - 1 - y) * size_t(w) + x) * 4, palette[index], 4);
        ++x;
    };
    size_t p = offset;
    while (p + 2 <= n && y < uint32_t(h)) {
        uint8_t count = d[p], value = d[p + 1];
        p += 2;
        if (count > 0) {  // a run: one index, or two alternating nibbles
            for (uint32_t i = 0; i < count; ++i)
                put(bits == 8 ? value : (i & 1) ? value & 15 : value >> 4);
        } else if (value == 0) {  // end of row
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return 1;
        } else if (value == 2) {  // move right and up
            if (p + 2 > n) break;
            x += d[p];
            y += d[p + 1];
            p += 2;
        } else {  // `value` literal pixels, padded to a 16-bit boundary
            size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            if (p + bytes > n) break;
            for (uint32_t i = 0; i < value; ++i)
                put(bits == 8 ? d[p + i] : (i & 1) ? d[p + i / 2] & 15 : d[p + i / 2] >> 4);
            p += bytes + (bytes & 1);
        }
    }
    if (y < uint32_t(h)) {
        picture.clear();
        return FailImage(error, "truncated BMP (run-length data ends early)");
    }
    return 1;
}

// What the first step of reading leaves to the second, once the file's bytes are gone.
struct Decoded {
    Kind kind = KindUnknown;
    int orientation = 1;
    int channels = 4;  // a JPEG comes as red, green, blue: 3
};

// The checks, the orientation and the decoding, from the file's bytes; with `ownsData`, the
// bytes are the caller's copy, given back to the system as they are decoded.
int DecodeStored(const uint8_t* data, size_t size, bool ownsData, bool maybeTga, const SourceLimits& limits,
                 SourcePicture& picture, Decoded& decoded, SourceError& error)
{
    if (size == 0) return FailImage(error, "empty file");
    if (size > limits.maxFileBytes)
        return FailImage(error, "file larger than %s", SizeText(limits.maxFileBytes).c_str());
    Kind kind = decoded.kind = KindOf(data, size, maybeTga);
    if (kind == KindUnknown) return FailImage(error, "not a PNG, JPEG, GIF, BMP or TGA picture");
    const char* name = kKindNames[kind];
    if (kind == KindPng && !PngChunksFit(data, size))
        return FailImage(error, "truncated or damaged PNG (a chunk runs past the end of the file)");
    if (LooksLikeJpegToStb(data, size) && !JpegTablesFit(data, size))
        return FailImage(error, "damaged %s (a Huffman table of more than 256 codes)", name);
    uint64_t headerWidth = 0, headerHeight = 0;
    if (HeaderSize(kind, data, size, &headerWidth, &headerHeight) &&
        !CheckSize(headerWidth, headerHeight, limits, error))
        return 0;

    if (kind == KindBmp && size >= 54 && Le32(data + 14) >= 40 && size >= 14 + size_t(Le32(data + 14)) &&
        (Le32(data + 30) == 1 || Le32(data + 30) == 2))
        return DecodeRleBmp(data, size, limits, picture, error);
    int w = 0, h = 0;
    if (!StbInfo(data, size, &w, &h))
        return StbOutOfMemory() ? FailImage(error, "not enough memory to read the header") : FailDamaged(error, name);
    // A BMP stored top row first gives its height negative here.
    const uint32_t width = uint32_t(w < 0 ? -int64_t(w) : w), height = uint32_t(h < 0 ? -int64_t(h) : h);
    if (!CheckSize(width, height, limits, error) || !CheckFileHolds(kind, data, size, width, height, error))
        return 0;
    // stb leaves the EXIF orientation alone; read while the file's bytes are at hand.
    decoded.orientation = ExifOrientation(data, size);
    // A JPEG has no alpha: its pixels come in three bytes, widened once stb's planes are gone.
    decoded.channels = kind == KindJpeg ? 3 : 4;
    uint8_t* pixels = StbDecode(const_cast<uint8_t*>(data), size, ownsData, decoded.channels, &w, &h);
    if (!pixels && StbOutOfMemory())
        return FailImage(error, "not enough memory to decode a %ux%u picture", width, height);
    if (!pixels) return FailDamaged(error, name);
    picture.pixels = pixels;  // stb allocates through zeroAlloc
    picture.width = uint32_t(w);
    picture.height = uint32_t(h);
    return 1;
}

// Red, green, blue pixels widened to four bytes with alpha 255, in the same block grown: from
// the last pixel back, so that none is overwritten before it is read.
int WidenToRgba(SourcePicture& picture)
{
    const size_t count = size_t(picture.width) * picture.height;
    uint8_t* p = static_cast<uint8_t*>(resizeBlock(picture.pixels, count * 4));
    if (!p) return 0;
    picture.pixels = p;
    for (size_t i = count; i-- > 0;) {
        const uint8_t r = p[3 * i], g = p[3 * i + 1], b = p[3 * i + 2];
        p[4 * i] = r;
        p[4 * i + 1] = g;
        p[4 * i + 2] = b;
        p[4 * i + 3] = 255;
    }
    return 1;
}

// The second step, without the file's bytes: four bytes a pixel, turned as a viewer shows it,
// and the BMP's colour key.
int FinishDecoded(const Decoded& decoded, SourcePicture& picture, SourceError& error)
{
    if (decoded.channels == 3 && !WidenToRgba(picture)) {
        picture.clear();
        return FailImage(error, "not enough memory for a %ux%u picture", picture.width, picture.height);
    }
    if (!ApplyOrientation(decoded.orientation, picture.pixels, picture.width, picture.height)) {
        picture.clear();
        return FailImage(error, "not enough memory to turn the picture upright");
    }
    if (decoded.kind == KindBmp) {
        // The banner rule for BMP: the colour key is the one way to transparency.
        picture.fromBmp = true;
        size_t count = size_t(picture.width) * picture.height;
        for (uint8_t* p = picture.pixels; count--; p += 4)
            if (p[0] == 255 && p[1] == 0 && p[2] == 255) p[0] = p[2] = p[3] = 0;
    }
    return 1;
}

}  // namespace

int DecodeSourcePicture(const uint8_t* data, size_t size, bool maybeTga,
                        const SourceLimits& limits, SourcePicture& picture, SourceError& error)
{
    picture.clear();
    error.text[0] = 0;
    Decoded decoded;
    if (!DecodeStored(data, size, false, maybeTga, limits, picture, decoded, error)) return 0;
    return FinishDecoded(decoded, picture, error);
}

int ProbeSourcePicture(const char* path, uint32_t* width, uint32_t* height)
{
    *width = *height = 0;
    std::string head;  // enough for the headers a JPEG keeps before its frame
    if (ReadWholeFile(path, size_t(1) << 20, head, CutLonger) != ERROR_SUCCESS) return 0;
    const uint8_t* d = reinterpret_cast<const uint8_t*>(head.data());
    const size_t n = head.size();
    Kind kind = KindOf(d, n, HasTgaExtension(path));
    if (kind == KindUnknown) return 0;
    // The same guards as before a decoding: stb's look at a JPEG's header reads its tables.
    if ((kind == KindPng && !PngChunksFit(d, n)) || (LooksLikeJpegToStb(d, n) && !JpegTablesFit(d, n))) return 0;
    uint64_t w = 0, h = 0;
    int sw = 0, sh = 0;
    if (StbInfo(d, n, &sw, &sh)) {
        w = uint64_t(sw < 0 ? -int64_t(sw) : sw);
        h = uint64_t(sh < 0 ? -int64_t(sh) : sh);
    } else if (kind != KindBmp || !HeaderSize(kind, d, n, &w, &h)) {  // stb's look refuses run lengths
        return 0;
    }
    SourceError ignored;
    if (!CheckSize(w, h, kSourceLimits, ignored)) return 0;
    *width = uint32_t(w);
    *height = uint32_t(h);
    return 1;
}

int ReadSourcePicture(const char* path, SourcePicture& picture, SourceError& error)
{
    picture.clear();
    error = SourceError();
    Decoded decoded;
    {
        std::string data;
        DWORD failed = ReadWholeFile(path, size_t(kSourceLimits.maxFileBytes), data);
        if (failed == kErrorFileTooLarge)
            return FailImage(error, "file larger than %s", SizeText(kSourceLimits.maxFileBytes).c_str());
        if (failed == ERROR_NOT_ENOUGH_MEMORY) return FailImage(error, "not enough memory to read the file");
        if (failed != ERROR_SUCCESS) {
            SetSystemError(error, path, failed);
            return FailImage(error, "cannot open the file (%s)", error.reason);
        }
        if (!DecodeStored(reinterpret_cast<const uint8_t*>(&data[0]), data.size(), true, HasTgaExtension(path),
                          kSourceLimits, picture, decoded, error))
            return 0;
    }  // the file's bytes are freed here, before the pixels are widened, turned and fitted
    return FinishDecoded(decoded, picture, error);
}
