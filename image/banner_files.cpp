// Fitting a picture with its variants, and writing the results as banner pictures.
#include "image/banner_files.h"

#include <stdio.h>
#include <string.h>

#include <string>

#include "core/file_stream.h"
#include "core/zero_alloc.h"
#include "image/convert.h"
#include "image/le_fields.h"
#include "image/source_picture.h"
#include "platform/win32.h"

namespace {

int WriteWhole(const char* path, const uint8_t* data, uint32_t size)
{
    FileStream out(path, ModeWrite);
    out.write(data, int32_t(size));
    int ok = out.isGood();
    ok = out.close() && ok;
    if (!ok) {
        DWORD why = GetLastError();  // the writer's reason, not the removal's
        DeleteFileA(path);
        SetLastError(why);
    }
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
    // The conversion's own naming puts "#k" before the last four characters: a stand-in of four
    // takes the place of the extension, whatever its length, and is then replaced by it.
    std::string standIn = std::string(path, stem) + "....";
    const char* variant = MakeVariantName(standIn.c_str(), k);
    if (!variant) return 0;
    snprintf(out, size, "%.*s%s", int(strlen(variant) - 4), variant, path + stem);
    return 1;
}

int FitBannerSet(const char* source, const FitOptions& options, FittedBanner& banner, ImageError& error)
{
    banner.count = 0;
    error = ImageError();
    SourcePicture picture;
    if (!ReadSourcePicture(source, picture, error)) {
        char why[sizeof error.text];
        snprintf(why, sizeof why, "%s", error.text);
        return FailImage(error, "Can't read picture '%s': %s", FileNameOf(source), why);
    }
    if (!FitBanner(picture, options, banner.pictures[0]))
        return FailImage(error, "Can't fit picture '%s': not enough memory", FileNameOf(source));
    bool present[3] = {false, false, false};
    for (int k = 1; k <= 3; ++k) {
        char name[MAX_PATH];
        if (!MakePictureVariantName(source, k, name, sizeof name) || !PathExists(name)) continue;
        // As in the window program, a variant that cannot be read counts as absent.
        ImageError ignored;
        if (!ReadSourcePicture(name, picture, ignored)) continue;
        if (!FitBanner(picture, options, banner.pictures[k]))
            return FailImage(error, "Can't fit picture '%s': not enough memory", FileNameOf(name));
        present[k - 1] = true;
    }
    banner.count = VariantRecordCount(present);
    if (banner.count == 0) return FailImage(error, "Can't collect all 'destroyed' textures");
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
    PutLe32(file + 2, size);
    PutLe32(file + 10, 54);
    PutLe32(file + 14, 40);
    PutLe32(file + 18, w);
    PutLe32(file + 22, h);
    PutLe16(file + 26, 1);   // planes
    PutLe16(file + 28, 24);  // bits per pixel; compression 0
    PutLe32(file + 34, row * h);
    PutLe32(file + 38, 2835);  // 72 dots per inch
    PutLe32(file + 42, 2835);
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
    PutLe16(file + 12, w);
    PutLe16(file + 14, h);
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
