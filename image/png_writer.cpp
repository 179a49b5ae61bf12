// PNG files for looking at texture levels: signature, IHDR, one IDAT, IEND.
#include "image/png_writer.h"

#include <string.h>

#include <zlib.h>

#include "core/file_stream.h"
#include "core/zero_alloc.h"
#include "platform/win32.h"

namespace {

void PutBig32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Length, type, data, then the CRC over type and data.
void WriteChunk(Stream& out, const char* type, const uint8_t* data, uint32_t n)
{
    uint8_t head[8];
    PutBig32(head, n);
    memcpy(head + 4, type, 4);
    out.write(head, 8);
    if (n) out.write(data, int32_t(n));
    uLong crc = crc32(0L, head + 4, 4);
    if (n) crc = crc32(crc, data, n);
    uint8_t tail[4];
    PutBig32(tail, uint32_t(crc));
    out.write(tail, 4);
}

}  // namespace

int WritePngFile(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height, ImageError& error)
{
    error = ImageError();
    if (width == 0 || height == 0 || width > 0x4000 || height > 0x4000)
        return FailImage(error, "a sheet of %ux%u pixels is too large", width, height);
    // Each row is preceded by its filter type, 0 (none).
    uLong rawSize = uLong(height) * (1 + uLong(width) * 4);
    uLong packedSize = compressBound(rawSize);
    uint8_t* raw = static_cast<uint8_t*>(zeroAlloc(rawSize));
    uint8_t* packed = static_cast<uint8_t*>(zeroAlloc(packedSize));
    int ok = raw && packed;
    if (ok) {
        for (uint32_t y = 0; y < height; ++y)
            memcpy(raw + y * (1 + width * 4) + 1, rgba + y * width * 4, width * 4);
        ok = compress2(packed, &packedSize, raw, rawSize, Z_BEST_COMPRESSION) == Z_OK;
    }
    if (!ok) FailImage(error, "not enough memory");
    if (ok) {
        static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        uint8_t header[13] = {};
        PutBig32(header, width);
        PutBig32(header + 4, height);
        header[8] = 8;  // bits per channel
        header[9] = 6;  // colour type: true colour with alpha
        FileStream out(path, ModeWrite);
        bool opened = out.isGood();
        if (!opened) SetSystemError(error, path, GetLastError());
        out.write(kSignature, 8);
        WriteChunk(out, "IHDR", header, sizeof header);
        WriteChunk(out, "IDAT", packed, uint32_t(packedSize));
        WriteChunk(out, "IEND", nullptr, 0);
        ok = out.isGood();
        ok = out.close() && ok;
        if (!ok && opened) SetSystemError(error, path, GetLastError());
        if (!ok) FailImage(error, "cannot write");
        if (!ok && opened) DeleteFileA(path);
    }
    zeroFree(raw);
    zeroFree(packed);
    return ok;
}
