// The TEX writers: set header, record header and the chain of halved levels.
#include "image/tex_writer.h"

#include "core/stream.h"
#include "image/tex_format.h"

const uint8_t kTexMagic[8] = {'T', 'E', 'X', 0, 1, 0, 0, 0};

namespace {
void WriteWord(Stream& out, uint32_t v) { out.write(&v, 4); }  // little-endian machine
}  // namespace

int WriteTextureSetHeader(Stream& out, uint32_t flags, uint32_t count)
{
    out.write(kTexMagic, sizeof kTexMagic);
    if (count > 1) flags |= TexSetCount;
    WriteWord(out, flags);
    if (count > 1) WriteWord(out, count);
    return 1;
}

int WriteTextureRecord(const Picture& picture, Stream& out, uint32_t flags, uint32_t requested)
{
    out.write(kTexMagic, sizeof kTexMagic);
    flags |= TexFormatWord;
    if (picture.width > 1) flags |= TexWidthWord;
    if (picture.height > 1) flags |= TexHeightWord;
    uint32_t levels = requested ? requested : 1;
    if (levels > 1) {
        uint32_t most = SignificantBits(picture.width);  // from the width alone
        if (most < levels) levels = most;
        if (levels > 1) flags |= TexLevelCountWord;
    }
    WriteWord(out, flags);
    WriteWord(out, kTexPixelFormat);
    if (picture.width > 1) WriteWord(out, picture.width);
    if (picture.height > 1) WriteWord(out, picture.height);
    if (levels > 1) WriteWord(out, levels);
    return WriteLevelChain(picture, out, levels - 1);
}

int HalveLevel(const Picture& level, Picture& next)
{
    uint32_t w = level.width / 2;
    uint32_t h = level.height / 2;
    if (!next.reset(w, h)) return 0;
    const uint32_t stride = level.width * 4;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* top = level.pixels + 2 * y * stride;
        const uint8_t* bottom = top + stride;
        uint8_t* out = next.pixels + y * w * 4;
        for (uint32_t x = 0; x < w; ++x, top += 8, bottom += 8, out += 4) {
            // No rounding and no weighting by alpha: colour-key pixels darken their block.
            for (int c = 0; c < 4; ++c)
                out[c] = uint8_t((top[c] + top[c + 4] + bottom[c] + bottom[c + 4]) / 4);
        }
    }
    return 1;
}

int WriteLevelChain(const Picture& level, Stream& out, uint32_t further)
{
    // Two scratch levels in turn, so that a long chain costs no stack.
    Picture scratch[2];
    const Picture* current = &level;
    for (uint32_t k = 0;; ++k) {
        out.write(current->pixels, int32_t(current->width * current->height * 4));
        if (k == further) return 1;
        if (current->width < 2 || current->height < 2) return 1;  // the rest would be empty
        Picture& next = scratch[k % 2];
        if (!HalveLevel(*current, next)) return 0;
        current = &next;
    }
}
