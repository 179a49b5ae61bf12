// Fitting a picture with its variants, and writing the results as banner pictures.
#include "image/banner_files.h"

#include <stdio.h>
#include <string.h>

#include "core/file_stream.h"
#include "core/zero_alloc.h"
#include "image/source_picture.h"
#include "platform/win32.h"

namespace {

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

int WriteWhole(const char* path, const uint8_t* data, uint32_t size)
{
    FileStream out(path, ModeWrite);
    out.write(data, int32_t(size));
    int ok = out.isGood();
    ok = out.close() && ok;
    if (!ok) DeleteFileA(path);
    return ok;
}

}  // namespace

int MakePictureVariantName(const char* path, int k, char* out, size_t size)
{
    const char* name = path;  // the file name: after the last backslash (or slash, as the user typed it)
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char* dot = strrchr(name, '.');
    size_t stem = dot && dot != name ? size_t(dot - path) : strlen(path);
    if (strlen(path) + 3 > size || k < 1 || k > 3) return 0;
    memcpy(out, path, stem);
    out[stem] = '#';
    out[stem + 1] = char('0' + k);
    strcpy(out + stem + 2, path + stem);
    return 1;
}

int FitBannerSet(const char* source, const FitOptions& options, FittedBanner& banner,
                 char* error, size_t errorSize)
{
    banner.count = 0;
    SourcePicture picture;
    SourceError why;
    if (!ReadSourcePicture(source, picture, why)) {
        snprintf(error, errorSize, "Can't read picture '%s': %s", FileNameOf(source), why.text);
        return 0;
    }
    if (!FitBanner(picture, options, banner.pictures[0])) {
        snprintf(error, errorSize, "Can't fit picture '%s': not enough memory", FileNameOf(source));
        return 0;
    }
    bool present[3] = {false, false, false};
    int found = 0;
    for (int k = 1; k <= 3; ++k) {
        char name[MAX_PATH];
        if (!MakePictureVariantName(source, k, name, sizeof name) || !PathExists(name)) continue;
        // As in the window program, a variant that cannot be read counts as absent.
        if (!ReadSourcePicture(name, picture, why)) continue;
        if (!FitBanner(picture, options, banner.pictures[k])) {
            snprintf(error, errorSize, "Can't fit picture '%s': not enough memory", FileNameOf(name));
            return 0;
        }
        present[k - 1] = true;
        ++found;
    }
    if (found == 2 || (found > 0 && !present[0])) {
        snprintf(error, errorSize, "Can't collect all 'destroyed' textures");
        return 0;
    }
    banner.count = found == 0 ? 1 : found == 1 ? 2 : 4;
    return 1;
}

int WriteBannerBmp(const char* path, const Picture& banner)
{
    const uint32_t w = banner.width, h = banner.height, row = (w * 3 + 3) & ~3u;
    const uint32_t size = 54 + row * h;
    uint8_t* file = static_cast<uint8_t*>(zeroAlloc(size));
    if (!file) return 0;
    file[0] = 'B';
    file[1] = 'M';
    Put32(file + 2, size);
    Put32(file + 10, 54);
    Put32(file + 14, 40);
    Put32(file + 18, w);
    Put32(file + 22, h);
    Put16(file + 26, 1);   // planes
    Put16(file + 28, 24);  // bits per pixel; compression 0
    Put32(file + 34, row * h);
    Put32(file + 38, 2835);  // 72 dots per inch
    Put32(file + 42, 2835);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* out = file + 54 + (h - 1 - y) * row;  // bottom row first
        const uint8_t* in = banner.pixels + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, in += 4, out += 3) {
            bool key = in[3] < 128;
            out[0] = key ? 255 : in[2];
            out[1] = key ? 0 : in[1];
            out[2] = key ? 255 : in[0];
        }
    }
    int ok = WriteWhole(path, file, size);
    zeroFree(file);
    return ok;
}

int WriteBannerTga(const char* path, const Picture& banner)
{
    const uint32_t w = banner.width, h = banner.height, size = 18 + w * h * 4;
    uint8_t* file = static_cast<uint8_t*>(zeroAlloc(size));
    if (!file) return 0;
    file[2] = 2;  // uncompressed true colour, no colour map, no identification
    Put16(file + 12, w);
    Put16(file + 14, h);
    file[16] = 32;
    file[17] = 8;  // 8 alpha bits, bottom row first, left to right
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* out = file + 18 + size_t(h - 1 - y) * w * 4;
        const uint8_t* in = banner.pixels + size_t(y) * w * 4;
        for (uint32_t x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
    }
    int ok = WriteWhole(path, file, size);
    zeroFree(file);
    return ok;
}
