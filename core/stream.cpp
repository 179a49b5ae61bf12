// The buffered stream: mode checks, the 512-byte buffer, exact-size transfers and the plain
// buffer operations. The compressed branches and the stream header are in compressed_stream.cpp.
#include "core/stream.h"

#include <string.h>

#include "core/zero_alloc.h"

int StreamBase::close()
{
    status = 0;
    mode = 0;
    return 1;
}

int StreamBase::claim(uint32_t newMode)
{
    if (mode != 0 || status != 0) {
        status = StreamFailed;
        return 0;
    }
    status = StreamOk;
    mode = newMode;
    return 1;
}

Stream::Stream()
    : buffer(nullptr), bufferSize(0), bufferEnd(0), bufferPos(0), done(0), limit(-1),
      baseOffset(0), codec(nullptr), codecBuffer(nullptr), codecReady(false), codecEnded(false)
{
}

// The raw operations are gone by now, so nothing can be drained here: a concrete stream
// closes itself in its own destructor. This only releases what is left.
Stream::~Stream()
{
    endCodec();
    zeroFree(buffer);
    buffer = nullptr;
}

int Stream::begin(uint32_t newMode, int32_t offset, int32_t newLimit)
{
    uint32_t direction = newMode & (ModeRead | ModeWrite);
    bool modeOk = direction == ModeRead || direction == ModeWrite;
    if (modeOk && (newMode & ModeText) && (newMode & ModePositioned)) modeOk = false;
    if (modeOk && direction == ModeWrite && offset != 0) modeOk = false;
    if (!modeOk) {
        status = StreamFailed;
        return 0;
    }
    if (!claim(newMode)) return 0;

    bufferSize = kBufferSize;
    buffer = static_cast<uint8_t*>(zeroAlloc(bufferSize));
    if (!buffer) {
        status = StreamFailed;
        return 0;
    }
    bufferEnd = direction == ModeRead ? 0 : bufferSize;
    bufferPos = 0;
    done = 0;
    baseOffset = offset;
    limit = newLimit;
    if (compressed() && !setUpCodec()) {
        status = StreamFailed;
        return 0;
    }
    return 1;
}

int Stream::close()
{
    if (isGood() && (mode & ModeWrite)) drainBuffer(FlushFinish);
    endCodec();
    zeroFree(buffer);
    buffer = nullptr;
    bufferPos = bufferEnd = 0;
    int result = isGood() ? 1 : 0;
    StreamBase::close();
    return result;
}

Stream& Stream::read(void* destination, int32_t n)
{
    readSome(destination, n);
    return *this;
}

int32_t Stream::readSome(void* destination, int32_t n)
{
    if (n <= 0 || !(mode & (ModeRead | ModeWrite)) || status != StreamOk) return 0;
    if (mode & ModeWrite) {
        status = StreamRejected;
        return 0;
    }
    uint8_t* out = static_cast<uint8_t*>(destination);
    int32_t left = n;
    if (bufferPos == bufferEnd) fillBuffer(FlushNone);
    while (isGood() && left > 0) {
        if (bufferPos == bufferEnd) {
            fillBuffer(FlushNone);
            if (!isGood()) break;
        }
        uint32_t k = bufferEnd - bufferPos;
        if (k > uint32_t(left)) k = uint32_t(left);
        memcpy(out, buffer + bufferPos, k);
        out += k;
        bufferPos += k;
        left -= int32_t(k);
    }
    return n - left;
}

Stream& Stream::write(const void* source, int32_t n)
{
    if (n <= 0 || !(mode & (ModeRead | ModeWrite)) || status != StreamOk) return *this;
    if (mode & ModeRead) {
        status = StreamRejected;
        return *this;
    }
    const uint8_t* in = static_cast<const uint8_t*>(source);
    if (bufferPos == bufferEnd) drainBuffer(FlushNone);
    while (isGood() && n > 0) {
        uint32_t k = bufferEnd - bufferPos;
        if (k > uint32_t(n)) k = uint32_t(n);
        memcpy(buffer + bufferPos, in, k);
        in += k;
        bufferPos += k;
        n -= int32_t(k);
        if (bufferPos == bufferEnd) drainBuffer(FlushNone);
    }
    return *this;
}

Stream& Stream::skip(int32_t n, int delimiter)
{
    if (n <= 0 || !(mode & (ModeRead | ModeWrite)) || status != StreamOk) return *this;
    if (mode & ModeWrite) {
        status = StreamRejected;
        return *this;
    }
    if (bufferPos == bufferEnd) fillBuffer(FlushNone);
    while (isGood() && n > 0) {
        uint32_t k = bufferEnd - bufferPos;
        if (k > uint32_t(n)) k = uint32_t(n);
        if (delimiter >= 0 && delimiter <= 255) {
            const void* hit = memchr(buffer + bufferPos, delimiter, k);
            if (hit) {
                bufferPos = uint32_t(static_cast<const uint8_t*>(hit) - buffer) + 1;
                return *this;
            }
        }
        bufferPos += k;
        n -= int32_t(k);
        if (n > 0) fillBuffer(FlushNone);
    }
    return *this;
}

int Stream::peek()
{
    if (!(mode & (ModeRead | ModeWrite)) || status != StreamOk) return -1;
    if (mode & ModeWrite) {
        status = StreamRejected;
        return -1;
    }
    if (bufferPos == bufferEnd) fillBuffer(FlushNone);
    if (!isGood() || bufferPos == bufferEnd) return -1;
    return buffer[bufferPos];
}

void Stream::fillBuffer(int flush)
{
    (void)flush;  // reading never flushes; the argument mirrors drainBuffer
    if (compressed()) fillCompressed();
    else fillPlain();
}

void Stream::fillPlain()
{
    done += bufferPos;
    bufferPos = 0;
    bufferEnd = bufferSize;
    if (limit >= 0 && int64_t(done) + bufferSize > int64_t(limit))
        bufferEnd = uint32_t(limit) > done ? uint32_t(limit) - done : 0;
    if (bufferEnd == 0) {
        status = StreamEnd;
        return;
    }
    int64_t at = int64_t(baseOffset) + done;
    int32_t position = (mode & ModePositioned) || at == 0 ? int32_t(at) : -1;
    uint32_t count = bufferEnd;
    status = rawRead(buffer, &count, position);
    bufferEnd = count <= bufferSize ? count : 0;  // a raw stream claiming more gave nothing
}

uint32_t Stream::drainBuffer(int flush)
{
    return compressed() ? drainCompressed(flush) : drainPlain(flush);
}

uint32_t Stream::drainPlain(int flush)
{
    if (bufferPos > 0 && isGood()) {
        do {
            uint32_t n = bufferPos;
            int32_t position = (mode & ModePositioned) ? int32_t(done) : -1;
            status = rawWrite(buffer, &n, position);
            if (n > bufferPos) n = 0;  // a raw stream claiming more took nothing
            memmove(buffer, buffer + n, bufferPos - n);
            done += n;
            bufferPos -= n;
        } while (flush != FlushNone && bufferPos > 0 && isGood());
    }
    return flush != FlushNone ? rawFlush() : 0;
}
