// The TGA reader over arbitrary files, and the writer over what it accepts.
#include <stdint.h>
#include <stdlib.h>

#include "core/stream.h"
#include "fuzz/picture_file.h"
#include "image/picture.h"
#include "image/tex_writer.h"

namespace {
// Counts what the writer hands on, so the record's size can be checked.
class CountingStream : public Stream {
public:
    CountingStream() { begin(ModeWrite, 0, -1); }
    ~CountingStream() override { close(); }
    uint64_t bytes = 0;

protected:
    uint32_t rawRead(void*, uint32_t* count, int32_t) override
    {
        *count = 0;
        return StreamFailed;
    }
    uint32_t rawWrite(const void*, uint32_t* count, int32_t) override
    {
        bytes += *count;
        return *count ? StreamOk : StreamFailed;
    }
    uint32_t rawFlush() override { return StreamOk; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = PutScratchFile("tga", data, size);
    Picture picture;
    if (!ReadTgaPicture(picture, path)) {
        if (picture.pixels) abort();
        return 0;
    }
    if (picture.width != picture.height || (picture.width != 32 && picture.width != 64)) abort();
    CountingStream out;
    WriteTextureRecord(picture, out, 0x03000022, 5);
    out.close();
    uint64_t w = picture.width, chain = 0;
    for (int k = 0; k < 5; ++k, w /= 2) chain += w * w * 4;
    if (out.bytes != 28 + chain) abort();
    return 0;
}
