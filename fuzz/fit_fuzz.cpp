// The command line's picture reader over arbitrary bytes, and the fitting of whatever it
// decodes; its look at a file's header alone (which says whether fit can take a picture the
// banner readers refuse) must see every picture it decodes, at its size. The options come from
// the input's length, so each input always takes the same way.
#include <stdint.h>
#include <stdlib.h>

#include "image/banner_fit.h"
#include "image/source_picture.h"
#include "platform/test_hooks.h"

namespace {
// Smaller than the tool's own limits so that a few header bytes cannot make the decoders ask
// for gigabytes and every input stays quick; the checks that refuse larger pictures are the
// same code.
const SourceLimits kFuzzLimits = {1024, uint64_t(1) << 17, uint64_t(1) << 20};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SourcePicture source;
    SourceError error;
    if (!DecodeSourcePicture(data, size, true, kFuzzLimits, source, error)) {
        if (source.pixels || !error.text[0]) abort();
        return 0;
    }
    if (!source.width || !source.height || source.width > 1024 || source.height > 1024) abort();
    PlatformSetMemoryFile("/vexillor-fuzz/picture.tga", data, size);
    uint32_t w = 0, h = 0;
    if (!ProbeSourcePicture("\\vexillor-fuzz\\picture.tga", &w, &h)) abort();
    if (!((w == source.width && h == source.height) || (w == source.height && h == source.width))) abort();
    FitOptions options;
    options.kind = size & 1 ? BannerStatistic : BannerInGame;
    options.size = options.kind == BannerStatistic && (size & 8) ? 64 : 32;
    options.crop = (size & 2) != 0;
    options.smooth = (size & 4) != 0;
    Picture banner;
    if (!FitBanner(source, options, banner)) abort();
    if (banner.width != options.size || banner.height != options.size) abort();
    for (uint32_t i = 0; options.kind == BannerInGame && i < banner.width * banner.height; ++i) {
        const uint8_t* p = banner.pixels + 4 * i;
        if (p[3] != 0 && p[3] != 255) abort();
        if (p[3] == 255 && p[0] == 255 && p[1] == 0 && p[2] == 255) abort();
    }
    return 0;
}
