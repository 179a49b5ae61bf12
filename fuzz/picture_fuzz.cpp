// The BMP or TGA reader (chosen by VEX_EXT, the input file's extension) over arbitrary files
// through the real file stream on a memory file, the command line's account of the picture
// (which runs the banner check as the banner job does), and the writer over what the reader
// accepts.
#include <stdint.h>
#include <stdlib.h>

#include "core/stream.h"
#include "image/picture.h"
#include "image/picture_report.h"
#include "image/tex_writer.h"
#include "platform/test_hooks.h"

namespace {
// Counts what the writer hands on, so the record's size can be checked.
class CountingStream : public Stream {
public:
    CountingStream() { begin(ModeWrite, 0, -1); }
    ~CountingStream() override { close(); }
    uint64_t bytes = 0;

protected:
    uint32_t rawRead(void*, uint32_t* n, int32_t) override { *n = 0; return StreamFailed; }
    uint32_t rawWrite(const void*, uint32_t* n, int32_t) override { bytes += *n; return *n ? StreamOk : StreamFailed; }
    uint32_t rawFlush() override { return StreamOk; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlatformSetMemoryFile("/vexillor-fuzz/picture." VEX_EXT, data, size);
    const char* path = "\\vexillor-fuzz\\picture." VEX_EXT;
    Picture picture;
    const bool tga = HasTgaExtension(path);
    const bool read = tga ? ReadTgaPicture(picture, path) : ReadBmpPicture(picture, path);
    // The account (the banner check, then its own look at the bytes) agrees with the readers:
    // the same size, a reason for every refusal, none for a banner, and never more missing
    // rows than the picture has.
    PictureVerdict verdict = ExaminePicture(path);
    if (verdict.banner != read || !verdict.problem.text[0] == !read) abort();
    if (verdict.width != int32_t(picture.width) || verdict.height != int32_t(picture.height)) abort();
    if (verdict.missingRows > uint32_t(verdict.height)) abort();
    if (!read) {
        if (picture.pixels) abort();
        return 0;
    }
    if (picture.width != picture.height || (picture.width != 32 && picture.width != 64)) abort();
    // The colour key is a BMP's only way to transparency; every other pixel is opaque.
    for (uint32_t i = 0; !tga && i < picture.width * picture.height; ++i) {
        const uint8_t* p = picture.pixels + 4 * i;
        if (p[3] != 255 && (p[0] | p[1] | p[2] | p[3])) abort();
    }
    CountingStream out;
    WriteTextureRecord(picture, out, 0x03000022, 5);
    out.close();
    uint64_t side = picture.width, chain = 0;
    for (int k = 0; k < 5; ++k, side /= 2) chain += side * side * 4;
    if (out.bytes != 28 + chain) abort();
    return 0;
}
