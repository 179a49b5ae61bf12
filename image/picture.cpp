// The TGA and BMP readers under the banner rules, the banner check and the extension test.
#include "image/picture.h"

#include <string.h>

#include "core/file_stream.h"
#include "core/string_table.h"
#include "core/zero_alloc.h"
#include "image/le_fields.h"
#include "platform/win32.h"
#include "resource.h"

Picture::~Picture() { zeroFree(pixels); }

void Picture::clear()
{
    zeroFree(pixels);
    pixels = nullptr;
    width = 0;
    height = 0;
}

int Picture::reset(uint32_t w, uint32_t h)
{
    clear();
    uint64_t bytes = uint64_t(w) * h * 4;
    if (bytes > kMaxPictureBytes) return 0;
    pixels = static_cast<uint8_t*>(zeroAlloc(size_t(bytes)));
    if (!pixels) return 0;
    width = w;
    height = h;
    return 1;
}

namespace {

bool IsBannerSize(int64_t width, int64_t height)
{
    return width == height && (width == 32 || width == 64);
}

// Stores one decoded colour; the colour key 255, 0, 255 becomes fully transparent black.
void PutKeyed(uint8_t* out, uint8_t red, uint8_t green, uint8_t blue)
{
    if (red == 255 && green == 0 && blue == 255) {
        out[0] = out[1] = out[2] = out[3] = 0;
        return;
    }
    out[0] = red;
    out[1] = green;
    out[2] = blue;
    out[3] = 255;
}

// The palette index of pixel x in a row of 1, 4 or 8 bits per pixel, leftmost pixel in the
// high bits of its byte.
unsigned PaletteIndex(const uint8_t* row, uint32_t x, unsigned bits)
{
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
    return (row[x / 8] >> (7 - x % 8)) & 0x01;
}

// Reads the BMP pixel bytes: from `in` where it stands (right after header and palette), or
// from the file header's offset when that offset lies further on and inside the file, so
// files with a gap before their pixels decode correctly. A short file leaves the rest zero.
void ReadBmpBits(const char* path, Stream& in, uint32_t position, uint32_t offset, uint8_t* bits,
                 uint32_t n)
{
    if (offset > position && offset <= 0x7FFFFFFFu) {
        FileStream at(path, ModeRead | ModeNoHeaderProbe, int32_t(offset));
        if (at.isGood() && at.peek() >= 0) {
            at.read(bits, int32_t(n));
            return;
        }
    }
    in.read(bits, int32_t(n));
}

}  // namespace

int ReadTgaPicture(Picture& picture, const char* path)
{
    picture.clear();
    FileStream in(path, ModeRead);
    if (!in.isGood()) return 0;
    uint8_t header[18];
    in.read(header, sizeof header);
    if (!in.isGood()) return 0;
    if (header[1] != 0) return 0;       // colour map type: none
    if (header[2] != 2) return 0;       // image type: uncompressed true colour
    if (header[16] != 32) return 0;     // bits per pixel
    if (header[17] & 0x30) return 0;    // rows must run bottom first, left to right
    in.skip(header[0], -1);             // the image identification field
    uint32_t width = Le16(header + 12);
    uint32_t height = Le16(header + 14);
    if (!IsBannerSize(width, height)) return 0;
    if (!picture.reset(width, height)) return 0;

    uint8_t* pixels = picture.pixels;
    uint32_t rowBytes = width * 4;
    in.read(pixels, int32_t(rowBytes * height));  // bytes the file lacks stay transparent black
    for (uint32_t i = 0; i < width * height; ++i) {
        uint8_t blue = pixels[4 * i];
        pixels[4 * i] = pixels[4 * i + 2];
        pixels[4 * i + 2] = blue;
    }
    uint8_t row[64 * 4];
    for (uint32_t i = 0; i < height / 2; ++i) {
        uint8_t* top = pixels + i * rowBytes;
        uint8_t* bottom = pixels + (height - 1 - i) * rowBytes;
        memcpy(row, top, rowBytes);
        memcpy(top, bottom, rowBytes);
        memcpy(bottom, row, rowBytes);
    }
    return 1;
}

int ReadBmpPicture(Picture& picture, const char* path)
{
    picture.clear();
    FileStream in(path, ModeRead);
    if (!in.isGood()) return 0;
    uint8_t fileHeader[14];
    uint8_t info[40];
    in.read(fileHeader, sizeof fileHeader);
    in.read(info, sizeof info);
    if (!in.isGood()) return 0;

    uint32_t infoSize = Le32(info);
    if (infoSize < 40) return 0;             // the 12-byte core header has another layout
    if (infoSize > 0x10000) return 0;        // no information header is anywhere near this
    if (Le16(info + 12) != 1) return 0;       // planes
    if (Le32(info + 16) != 0) return 0;       // compression: none
    int32_t width = int32_t(Le32(info + 4));
    int32_t height = int32_t(Le32(info + 8));  // negative: top row first, which fails here
    if (!IsBannerSize(width, height)) return 0;
    unsigned bits = Le16(info + 14);
    // 16 and 32 bits carry colour masks this reader does not follow.
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return 0;
    uint32_t entries = 0;
    if (bits != 24) {
        entries = Le32(info + 32);
        if (entries == 0) entries = 1u << bits;
        if (entries > 256) return 0;         // the palette table has 256 entries
    }
    if (infoSize > 40) {
        in.skip(int32_t(infoSize - 40), -1);  // the rest of a larger information header
        if (!in.isGood()) return 0;
    }

    // Entries the file does not hold, and indexes past the last entry, are opaque black.
    uint8_t palette[256 * 4] = {};
    in.read(palette, int32_t(entries * 4));

    if (!picture.reset(uint32_t(width), uint32_t(height))) return 0;
    uint32_t rowBytes = uint32_t(width) * bits / 8;  // a multiple of 4 at these sizes: no fill
    uint32_t bitsSize = rowBytes * uint32_t(height);
    uint8_t* rows = static_cast<uint8_t*>(zeroAlloc(bitsSize));
    if (!rows) {
        picture.clear();
        return 0;
    }
    ReadBmpBits(path, in, 14 + infoSize + entries * 4, Le32(fileHeader + 10), rows, bitsSize);

    for (uint32_t y = 0; y < uint32_t(height); ++y) {
        const uint8_t* row = rows + (uint32_t(height) - 1 - y) * rowBytes;  // bottom row first
        uint8_t* out = picture.pixels + y * uint32_t(width) * 4;
        for (uint32_t x = 0; x < uint32_t(width); ++x, out += 4) {
            if (bits == 24) {
                PutKeyed(out, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            } else {
                const uint8_t* entry = palette + 4 * PaletteIndex(row, x, bits);
                PutKeyed(out, entry[2], entry[1], entry[0]);
            }
        }
    }
    zeroFree(rows);
    return 1;
}

bool HasTgaExtension(const char* path)
{
    size_t n = strlen(path);
    if (n < 3) return false;
    const char* tail = path + n - 3;
    for (int i = 0; i < 3; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != "tga"[i]) return false;
    }
    return true;
}

bool PathExists(const char* path)
{
    if (!path[0] || strpbrk(path, "*?")) return false;  // a pattern would find other files
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

int CheckBannerPicture(const char* path, int32_t* width, int32_t* height)
{
    *width = 0;
    *height = 0;
    bool isTga = HasTgaExtension(path);
    if (!PathExists(path)) return 0;
    Picture picture;
    int ok = isTga ? ReadTgaPicture(picture, path) : ReadBmpPicture(picture, path);
    if (ok) {
        *width = int32_t(picture.width);
        *height = int32_t(picture.height);
    }
    return ok;
}

namespace {
void Lowercase(char* s)
{
    for (; *s; ++s)
        if (*s >= 'A' && *s <= 'Z') *s = char(*s - 'A' + 'a');
}
}  // namespace

const char* FileNameOf(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

bool PassesExtensionTest(const char* path)
{
    char extensions[256];
    LoadTableString(IDS_PICTURE_EXTENSIONS, extensions, sizeof extensions);
    char copy[MAX_PATH];
    size_t n = strlen(path);
    if (n >= sizeof copy) return false;  // the job's path buffer could not have held it
    memcpy(copy, path, n + 1);
    Lowercase(copy);
    Lowercase(extensions);
    const char* dot = strrchr(copy, '.');  // a dot in a folder name counts too
    if (!dot) return false;
    return strstr(extensions, dot + 1) != nullptr;
}
