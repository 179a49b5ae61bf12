// Fitting: the framing (whole and centred, or cropped), then either a whole-factor nearest
// enlargement that keeps pixel art crisp or stb's Mitchell filter, then the banner kind's rule.
#include "image/banner_fit.h"

#include <string.h>

#include "image/stb_bridge.h"

namespace {

// Nearest-neighbour enlargement of a w by h region (rows `stride` bytes apart) by `factor`.
void Enlarge(const uint8_t* in, uint32_t w, uint32_t h, size_t stride, uint32_t factor,
             uint8_t* out)
{
    uint32_t ow = w * factor;
    for (uint32_t y = 0; y < h * factor; ++y)
        for (uint32_t x = 0; x < ow; ++x)
            memcpy(out + (size_t(y) * ow + x) * 4, in + size_t(y / factor) * stride + (x / factor) * 4, 4);
}

// The in-game banner's rule: under half coverage becomes the colour key, the rest opaque, and
// an opaque colour-key colour moves one step so it does not vanish.
void HardenAlpha(Picture& banner)
{
    uint8_t* p = banner.pixels;
    for (uint32_t i = 0; i < banner.width * banner.height; ++i, p += 4) {
        if (p[3] < 128) {
            p[0] = p[1] = p[2] = p[3] = 0;
            continue;
        }
        p[3] = 255;
        if (p[0] == 255 && p[1] == 0 && p[2] == 255) p[0] = 254;
    }
}

}  // namespace

int FitBanner(const SourcePicture& source, const FitOptions& options, Picture& banner)
{
    const uint32_t side = options.size;
    if (!source.pixels || !banner.reset(side, side)) return 0;

    // The source region that is framed: all of it, or its central square when cropping.
    uint32_t rw = source.width, rh = source.height, rx = 0, ry = 0;
    if (options.crop) {
        rw = rh = rw < rh ? rw : rh;
        rx = (source.width - rw) / 2;
        ry = (source.height - rh) / 2;
    }
    const size_t stride = size_t(source.width) * 4;
    const uint8_t* region = source.pixels + ry * stride + size_t(rx) * 4;

    // Its size in the banner: the longer side fills the square, the shorter keeps the ratio.
    uint32_t fw = side, fh = side;
    if (rw > rh)
        fh = uint32_t((uint64_t(rh) * side + rw / 2) / rw);
    else if (rh > rw)
        fw = uint32_t((uint64_t(rw) * side + rh / 2) / rh);
    if (fw == 0) fw = 1;
    if (fh == 0) fh = 1;

    uint8_t* fitted = banner.pixels;
    Picture scratch;
    if (fw != side || fh != side) {
        if (!scratch.reset(fw, fh)) return banner.clear(), 0;
        fitted = scratch.pixels;
    }
    int ok = 1;
    if (fw % rw == 0 && fh % rh == 0 && fw / rw == fh / rh && (!options.smooth || fw == rw))
        Enlarge(region, rw, rh, stride, fw / rw, fitted);
    else
        ok = StbResize(region, int(rw), int(rh), int(stride), fitted, int(fw), int(fh));
    if (!ok) return banner.clear(), 0;
    if (fitted != banner.pixels) {  // centred on a transparent square
        uint32_t ox = (side - fw) / 2, oy = (side - fh) / 2;
        for (uint32_t y = 0; y < fh; ++y)
            memcpy(banner.pixels + ((size_t(oy) + y) * side + ox) * 4, fitted + size_t(y) * fw * 4, size_t(fw) * 4);
    }
    if (options.kind == BannerInGame || options.keyedAlpha) HardenAlpha(banner);
    return 1;
}
