// The BMP reader over arbitrary files, through the banner check as the banner job runs it.
#include <stdint.h>
#include <stdlib.h>

#include "fuzz/picture_file.h"
#include "image/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = PutScratchFile("bmp", data, size);
    Picture picture;
    if (ReadBmpPicture(picture, path)) {
        if (picture.width != picture.height) abort();
        if (picture.width != 32 && picture.width != 64) abort();
        // The colour key is the only way to transparency; every other pixel is opaque.
        for (uint32_t i = 0; i < picture.width * picture.height; ++i) {
            const uint8_t* p = picture.pixels + 4 * i;
            if (p[3] != 255 && (p[0] | p[1] | p[2] | p[3])) abort();
        }
    } else if (picture.pixels) {
        abort();
    }
    int32_t w = -1, h = -1;
    CheckBannerPicture(path, &w, &h);
    if (w != int32_t(picture.width) || h != int32_t(picture.height)) abort();
    return 0;
}
