// Fuzzes the read path of FileStream over a real file: compressed (or plain) content with the
// header probe and its codec restart, read windows, text mode, and a mix of reads, peeks, skips
// and restarts. Plain compressed reads are also checked against zlib run directly.
//
// Input: 4 control bytes, then the file's content.
//   [0] bit 0: ModeNoHeaderProbe, bit 1: a read window, bit 2: ModeText, bit 3: restart the
//       codec along the way, bit 4: plain instead of level 6
//   [1] window offset, [2] window length (255: to the end), [3] seed of the operation mix
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/file_stream.h"

namespace {

const size_t kMostOutput = 1 << 20;  // past this, a tiny input inflating hugely is cut off
const size_t kMostCompared = 1 << 16;

std::string nativePath, corePath;

void SetUpFile()
{
    char folder[] = "/tmp/vexillor-stream-fuzz-XXXXXX";
    if (!mkdtemp(folder)) abort();
    nativePath = std::string(folder) + "/in.dat";
    corePath = nativePath;
    for (char& c : corePath)
        if (c == '/') c = '\\';
}

// What zlib makes of `content` as one zlib stream, up to kMostOutput bytes.
std::vector<uint8_t> Reference(const uint8_t* content, size_t size)
{
    std::vector<uint8_t> out;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) abort();
    z.next_in = const_cast<Bytef*>(content);
    z.avail_in = uInt(size);
    uint8_t chunk[4096];
    for (;;) {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        int r = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - z.avail_out));
        if (r != Z_OK || out.size() >= kMostOutput) break;
    }
    inflateEnd(&z);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    if (nativePath.empty()) SetUpFile();
    const uint8_t flags = data[0];
    const uint8_t* content = data + 4;
    const size_t contentSize = size - 4;
    FILE* f = fopen(nativePath.c_str(), "wb");
    if (!f) abort();
    if (contentSize && fwrite(content, 1, contentSize, f) != contentSize) abort();
    fclose(f);

    uint32_t mode = ModeRead;
    if (!(flags & 0x10)) mode |= 0x6000;
    if (flags & 0x01) mode |= ModeNoHeaderProbe;
    if (flags & 0x04) mode |= ModeText;
    int32_t offset = 0, length = -1;
    if (flags & 0x02) {
        offset = data[1];
        length = data[2] == 255 ? -1 : data[2] * 4;
    }
    // Compressed, the whole file, nothing but reads: the stream must agree with zlib.
    const bool compare = (mode & 0xF000) && (mode & ModeNoHeaderProbe) && !(flags & 0x0E);

    std::vector<uint8_t> got;
    {
        FileStream s(corePath.c_str(), mode, offset, length);
        uint32_t seed = data[3] * 2654435761u + 1;
        uint8_t part[700];
        bool restarted = false;
        // Compared reads go a byte at a time, so a short read loses nothing from the count.
        const size_t most = compare ? kMostCompared : kMostOutput;
        while (s.isGood() && got.size() < most) {
            seed = seed * 1103515245u + 12345u;
            uint32_t pick = seed >> 16;
            int32_t n = compare ? 1 : int32_t(pick % 700);
            if (compare || pick % 5 < 3) {
                memset(part, 0xEE, sizeof part);
                s.read(part, n);
                if (s.isGood()) got.insert(got.end(), part, part + n);
            } else if (pick % 5 == 3) {
                int b = s.peek();
                if (s.isGood() != (b >= 0)) abort();  // a byte exactly when the stream is good
            } else if ((flags & 0x08) && !restarted && pick % 2) {
                s.restartCodec();
                restarted = true;
            } else {
                s.skip(n, pick & 0x100 ? -1 : int(pick & 0xFF));
            }
        }
        uint32_t status = s.getStatus();
        if (status == StreamOk ? got.size() < most : status != StreamEnd && status != StreamFailed && status != StreamRejected)
            abort();  // stopped for no reason, or with a status that does not exist
        if (compare) {
            std::vector<uint8_t> expected = Reference(content, contentSize);
            if (got.size() >= kMostCompared) expected.resize(std::min(expected.size(), got.size()));
            // The stream hands out 512-byte steps and drops the last one of a failing call, so it
            // has a prefix of zlib's output; having ended cleanly, all of it.
            if (got.size() > expected.size() ||
                (!got.empty() && memcmp(got.data(), expected.data(), got.size()) != 0))
                abort();
            if (status == StreamEnd && got.size() != expected.size()) abort();
        }
        s.close();
    }
    return 0;
}
