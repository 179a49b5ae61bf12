// Fuzzes the read path of FileStream over a memory file (reached through CreateFileA as a file
// on disk is): compressed (or plain) content with the
// header probe and its codec restart, read windows, text mode, and a mix of reads, peeks, skips
// and restarts. Plain compressed reads are also checked against zlib run directly.
//
// Input: 4 control bytes, then the file's content.
//   [0] bit 0: ModeNoHeaderProbe, bit 1: a read window, bit 2: ModeText, bit 3: restart the
//       codec along the way, bit 4: plain instead of level 6
//   [1] window offset, [2] window length (255: to the end), [3] seed of the operation mix
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <vector>

#include "core/file_stream.h"
#include "platform/test_hooks.h"

namespace {

const size_t kMostOutput = 1 << 20;  // past this, a tiny input inflating hugely is cut off
const size_t kMostCompared = 1 << 16;

// What zlib makes of `content` as one zlib stream, up to `most` bytes. One decompressor and
// one buffer serve every input: making them anew would cost more than the stream under test.
std::vector<uint8_t> Reference(const uint8_t* content, size_t size, size_t most)
{
    static z_stream z;
    static bool ready = inflateInit(&z) == Z_OK;
    static std::vector<uint8_t> room(kMostOutput);
    if (!ready || most > room.size() || inflateReset(&z) != Z_OK) abort();
    z.next_in = const_cast<Bytef*>(content);
    z.avail_in = uInt(size);
    z.next_out = room.data();
    z.avail_out = uInt(most);
    while (inflate(&z, Z_NO_FLUSH) == Z_OK && z.avail_out) {}
    return std::vector<uint8_t>(room.begin(), room.begin() + (most - z.avail_out));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    const uint8_t flags = data[0], *content = data + 4;
    PlatformSetMemoryFile("/vexillor-fuzz/stream.dat", content, size - 4);

    uint32_t mode = ModeRead | (flags & 0x10 ? 0 : 0x6000) | (flags & 0x01 ? ModeNoHeaderProbe : 0) |
                    (flags & 0x04 ? ModeText : 0);
    int32_t offset = flags & 0x02 ? data[1] : 0, length = flags & 0x02 && data[2] != 255 ? data[2] * 4 : -1;
    // Compressed, the whole file, nothing but reads: the stream must agree with zlib.
    const bool compare = (mode & 0xF000) && (mode & ModeNoHeaderProbe) && !(flags & 0x0E);
    const size_t most = compare ? kMostCompared : kMostOutput;

    std::vector<uint8_t> got;
    FileStream s("\\vexillor-fuzz\\stream.dat", mode, offset, length);
    uint32_t seed = data[3] * 2654435761u + 1;
    uint8_t part[700];
    bool restarted = false;
    while (s.isGood() && got.size() < most) {
        seed = seed * 1103515245u + 12345u;
        uint32_t pick = seed >> 16;
        int32_t n = int32_t(pick % 700) + (compare ? 1 : 0);
        if (compare || pick % 5 < 3) {
            int32_t came = s.readSome(part, n);
            if (came < 0 || came > n || (s.isGood() && came != n)) abort();  // short only at a stop
            got.insert(got.end(), part, part + came);
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
        // A prefix of zlib's output; having ended cleanly, all of it.
        std::vector<uint8_t> expected = Reference(content, size - 4, got.size() >= most ? got.size() : kMostOutput);
        if (got.size() > expected.size() || (!got.empty() && memcmp(got.data(), expected.data(), got.size()))) abort();
        if (status == StreamEnd && got.size() != expected.size()) abort();
    }
    return 0;
}
