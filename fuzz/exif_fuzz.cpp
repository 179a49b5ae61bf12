// The EXIF orientation reader over arbitrary bytes, and the turn it finds applied to a small
// numbered picture whose size comes from the input's length: turned back by the inverse, every
// pixel must be where it started.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/zero_alloc.h"
#include "image/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int orientation = ExifOrientation(data, size);
    if (orientation < 1 || orientation > 8) abort();
    static const int kInverse[9] = {0, 1, 2, 3, 4, 5, 8, 7, 6};
    const uint32_t w0 = 1 + uint32_t(size % 13), h0 = 1 + uint32_t(size / 13 % 11);
    uint32_t w = w0, h = h0;
    const size_t bytes = size_t(w) * h * 4;
    uint8_t* pixels = static_cast<uint8_t*>(zeroAlloc(bytes));
    uint8_t* original = static_cast<uint8_t*>(zeroAlloc(bytes));
    if (!pixels || !original) abort();
    for (size_t i = 0; i < bytes; ++i) original[i] = pixels[i] = uint8_t(i * 7 + i / 251);
    if (!ApplyOrientation(orientation, pixels, w, h)) abort();
    if (orientation >= 5 ? (w != h0 || h != w0) : (w != w0 || h != h0)) abort();
    if (!ApplyOrientation(kInverse[orientation], pixels, w, h)) abort();
    if (w != w0 || h != h0 || memcmp(pixels, original, bytes) != 0) abort();
    zeroFree(pixels);
    zeroFree(original);
    return 0;
}
