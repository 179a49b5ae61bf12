// The implementations of Debian's stb_image (decoding) and stb_image_resize (fitting), built
// once, with only the formats the command line reads. Their allocations come zero-filled: a
// damaged JPEG can leave coefficient blocks unwritten, and reading them must not give noise.
// Grown blocks too: stb tells the old size, so the block is moved into a zero-filled one.
#include <stdlib.h>
#include <string.h>

#include "core/zero_alloc.h"

namespace {
// Whether an allocation failed during the current call: stb's own reason may be overwritten as
// it goes on to try the other formats ("unknown image type").
bool allocationFailed = false;

void* StbAlloc(size_t size)
{
    void* block = zeroAlloc(size);
    if (!block) allocationFailed = true;
    return block;
}

// stb's realloc: the old bytes in a new zero-filled block. On failure the old block stays the
// caller's, as with realloc.
void* ZeroGrow(void* block, size_t oldSize, size_t newSize)
{
    void* grown = StbAlloc(newSize);
    if (!grown) return nullptr;
    if (block) memcpy(grown, block, oldSize < newSize ? oldSize : newSize);
    zeroFree(block);
    return grown;
}
}  // namespace

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MALLOC(size) StbAlloc(size)
#define STBI_REALLOC_SIZED(block, oldSize, newSize) ZeroGrow(block, oldSize, newSize)
#define STBI_FREE(block) zeroFree(block)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION

#define STBIR_MALLOC(size, context) ((void)(context), zeroAlloc(size))
#define STBIR_FREE(block, context) ((void)(context), zeroFree(block))
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#if defined(__GNUC__) && !defined(__clang__)
// GCC follows the file-reading path that a decoder working from memory never takes.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "stb/stb_image.h"
#include "stb/stb_image_resize.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "image/stb_bridge.h"
#include "platform/whole_file.h"

namespace {

// The file's bytes handed to stb through its reading callbacks, a buffer of 128 bytes at a
// time, so that what it has read can be given back while it decodes: a JPEG's decoder holds its
// planes and then its pixels, and the file need not be held beside them.
struct MemoryReader {
    uint8_t* data;
    size_t size;
    size_t at = 0;
    size_t releasedTo = 0;
    bool release;

    void advance(size_t n)
    {
        at += n < size - at ? n : size - at;
        const size_t step = size_t(4) << 20;
        if (release && at - releasedTo >= step) {
            ReleaseReadPages(data, at);
            releasedTo = at;
        }
    }
};

int ReadSome(void* user, char* out, int wanted)
{
    MemoryReader& r = *static_cast<MemoryReader*>(user);
    size_t n = wanted < 0 ? 0 : size_t(wanted) < r.size - r.at ? size_t(wanted) : r.size - r.at;
    memcpy(out, r.data + r.at, n);
    r.advance(n);
    return int(n);
}

void SkipSome(void* user, int n)
{
    if (n > 0) static_cast<MemoryReader*>(user)->advance(size_t(n));
}

int AtEnd(void* user)
{
    const MemoryReader& r = *static_cast<const MemoryReader*>(user);
    return r.at >= r.size;
}

}  // namespace

int StbInfo(const uint8_t* data, size_t size, int* width, int* height)
{
    allocationFailed = false;
    int channels = 0;
    return stbi_info_from_memory(data, int(size), width, height, &channels);
}

uint8_t* StbDecode(uint8_t* data, size_t size, bool releaseAsRead, int channels, int* width, int* height)
{
    allocationFailed = false;
    int stored = 0;
    MemoryReader reader = {data, size, 0, 0, releaseAsRead};
    static const stbi_io_callbacks kCallbacks = {ReadSome, SkipSome, AtEnd};
    return stbi_load_from_callbacks(&kCallbacks, &reader, width, height, &stored, channels);
}

const char* StbFailure() { return stbi_failure_reason(); }

bool StbOutOfMemory() { return allocationFailed; }

void StbRelease(uint8_t* pixels) { stbi_image_free(pixels); }

int StbResize(const uint8_t* in, int width, int height, int stride, uint8_t* out, int outWidth,
              int outHeight)
{
    // Alpha-weighted (flags 0: stb premultiplies, filters and divides), sRGB decoded to linear
    // light before filtering and encoded after; alpha itself is filtered linearly.
    return stbir_resize_uint8_generic(in, width, height, stride, out, outWidth, outHeight,
                                      outWidth * 4, 4, 3, 0, STBIR_EDGE_CLAMP,
                                      STBIR_FILTER_MITCHELL, STBIR_COLORSPACE_SRGB, nullptr);
}
