// The compressed mode of Stream (zlib streams back to back, 512 bytes a step) and the stream
// header that any stream may start with.
#include <string.h>
#include <zlib.h>

#include "core/stream.h"
#include "core/zero_alloc.h"

namespace {

const uint8_t kMagic[3] = {0xFF, 0xA1, 0xD0};
enum : uint8_t {
    HeaderCompressed = 0x01,
    HeaderText = 0x04,
    HeaderName = 0x08,
    HeaderValue = 0x10,
    HeaderBlock = 0x20,
};

}  // namespace

// A fresh codec for the stream's direction; the read side starts with no input.
int Stream::setUpCodec()
{
    if (!codecBuffer) codecBuffer = static_cast<uint8_t*>(zeroAlloc(bufferSize));
    if (!codecBuffer) return 0;
    codec = static_cast<z_stream*>(zeroAlloc(sizeof(z_stream)));
    if (!codec) return 0;
    int r;
    if (mode & ModeWrite) {
        codec->next_out = codecBuffer;
        codec->avail_out = bufferSize;
        r = deflateInit_(codec, int((mode & ModeLevelMask) >> 12), ZLIB_VERSION, int(sizeof(z_stream)));
    } else {
        r = inflateInit_(codec, ZLIB_VERSION, int(sizeof(z_stream)));
    }
    codecReady = r == Z_OK;
    codecEnded = false;
    return codecReady ? 1 : 0;
}

// Ends an initialised codec (results ignored) and frees the codec and its buffer.
void Stream::endCodec()
{
    freeCodec();
    zeroFree(codecBuffer);
    codecBuffer = nullptr;
}

void Stream::freeCodec()
{
    if (codec && codecReady) {
        if (mode & ModeWrite) deflateEnd(codec);
        else inflateEnd(codec);
    }
    zeroFree(codec);
    codec = nullptr;
    codecReady = false;
    codecEnded = false;
}

// Inflates into `buffer` from compressed input fetched 512 bytes at a time. Repeats until some
// output came or the stream stopped, so a step that only consumed input (a zlib header, the
// start of a long block) never leaves an empty buffer behind a good status.
void Stream::fillCompressed()
{
    if (codecEnded) {  // the bytes after a zlib stream are not read, let alone interpreted
        status = StreamEnd;
        return;
    }
    codec->next_out = buffer;
    codec->avail_out = bufferSize;
    for (;;) {
        bool noInput = false;
        if (codec->avail_in == 0) {
            uint32_t want = bufferSize;
            if (limit >= 0 && uint64_t(codec->total_in) + want > uint64_t(limit))
                want = uint64_t(codec->total_in) < uint64_t(limit) ? uint32_t(limit - int64_t(codec->total_in)) : 0;
            if (want > 0) {
                uint32_t count = want;
                uint32_t r = rawRead(codecBuffer, &count, -1);
                if (r == StreamFailed) {
                    status = StreamFailed;
                    return;
                }
                if (count > want) count = 0;  // a raw stream claiming more gave nothing
                codec->next_in = codecBuffer;
                codec->avail_in = count;
            }
            noInput = codec->avail_in == 0;
        }
        // With no input left the codec may still hold output it could not hand out before
        // (the buffer was full); one more call gives it, and only then has the data ended.
        int r = inflate(codec, Z_NO_FLUSH);
        uint32_t produced = bufferSize - codec->avail_out;
        if (r == Z_STREAM_END) codecEnded = true;
        if (r == Z_STREAM_END || (noInput && (r == Z_OK || r == Z_BUF_ERROR))) {
            if (produced == 0) {
                status = StreamEnd;
                return;
            }
        } else if (r != Z_OK) {
            status = StreamFailed;
            return;
        }
        if (produced > 0) {
            bufferPos = 0;
            bufferEnd = produced;
            return;
        }
    }
}

uint32_t Stream::drainCompressed(int flush)
{
    codec->next_in = buffer;
    codec->avail_in = bufferPos;
    int r = deflate(codec, flush);
    for (;;) {
        if (r == Z_STREAM_ERROR || r == Z_BUF_ERROR) {
            status = StreamFailed;
            return 0;
        }
        if (codec->avail_out != 0 && flush == Z_NO_FLUSH) break;  // all input taken
        bool finished = false;
        for (;;) {
            uint32_t waiting = bufferSize - codec->avail_out;
            if (waiting > 0) {
                uint32_t n = waiting;
                status = rawWrite(codecBuffer, &n, -1);
                if (n > waiting) n = 0;  // a raw stream claiming more took nothing
                memmove(codecBuffer, codecBuffer + n, waiting - n);
                codec->next_out = codecBuffer + (waiting - n);
                codec->avail_out += n;
            }
            if (r != Z_STREAM_END) break;
            if (flush == Z_NO_FLUSH || codec->avail_out == bufferSize || !isGood()) {
                finished = true;
                break;
            }
        }
        if (finished || !isGood()) break;  // after a failed write there is nothing to do
        // Nothing left to take and no flush asked for: the rest waits in the codec.
        if (flush == Z_NO_FLUSH && codec->avail_in == 0) break;
        r = deflate(codec, flush);
    }
    uint32_t kept = codec->avail_in;
    memmove(buffer, buffer + (bufferPos - kept), kept);
    done += bufferPos - kept;
    bufferPos = kept;
    return flush != Z_NO_FLUSH ? rawFlush() : 0;
}

Stream& Stream::restartCodec()
{
    if (!compressed()) return *this;
    if (isGood() && (mode & ModeWrite)) drainBuffer(FlushFinish);
    // The fresh decompressor goes on with the compressed bytes already fetched and with the
    // running input count: dropping them would lose the data behind them, and a count that
    // started again at 0 would let the limit be passed.
    Bytef* pendingInput = codec && (mode & ModeRead) ? codec->next_in : nullptr;
    uInt pendingCount = codec && (mode & ModeRead) ? codec->avail_in : 0;
    uLong consumed = codec && (mode & ModeRead) ? codec->total_in : 0;
    if (!codecBuffer) return *this;  // begin failed and said so; nothing to restart
    freeCodec();
    if (!setUpCodec()) {
        status = StreamRejected;
        return *this;
    }
    if (mode & ModeRead) {
        codec->next_in = pendingInput;
        codec->avail_in = pendingCount;
        codec->total_in = consumed;
    }
    return *this;
}

Stream& Stream::writeHeader(const void* block16, const char* name, uint32_t value, int restart)
{
    // The header must be the first bytes of the logical content: not after a drain, and not
    // after bytes still waiting in the buffer either.
    if (!isGood() || done != 0 || ((mode & ModeWrite) && bufferPos != 0)) {
        status = StreamFailed;
        return *this;
    }
    size_t nameLength = name ? strlen(name) : 0;
    if (nameLength == 0 && !block16 && value == 0) return *this;
    if (nameLength > 255) {  // its length byte could not say so
        status = StreamFailed;
        return *this;
    }
    uint8_t flags = 0;
    if (compressed()) flags |= HeaderCompressed;
    if (mode & ModeText) flags |= HeaderText;
    if (nameLength) flags |= HeaderName;
    if (value) flags |= HeaderValue;
    if (block16) flags |= HeaderBlock;

    write(kMagic, 3);
    write(&flags, 1);
    if (nameLength) {
        uint8_t length = uint8_t(nameLength);
        write(&length, 1);
        write(name, int32_t(nameLength));
    }
    if (value) write(&value, 4);
    if (block16) write(block16, 16);
    if (restart) restartCodec();
    return *this;
}

// Skips a header at the start of the logical content. A compressed stream is restarted only
// in the form a header written with restart has: the first zlib stream ended right after the
// header's bytes. Restarting anywhere else would throw away the data after the header.
void Stream::probeHeader()
{
    if (peek() < 0) return;
    if (bufferEnd - bufferPos < 3 || memcmp(buffer + bufferPos, kMagic, 3) != 0) return;
    uint8_t head[4] = {0, 0, 0, 0};
    read(head, 4);
    uint32_t headerLength = 4;
    uint8_t flags = head[3];
    if (flags & HeaderName) {
        uint8_t length = 0;
        read(&length, 1);
        skip(length, -1);
        headerLength += 1 + length;
    }
    if (flags & HeaderValue) {
        skip(4, -1);
        headerLength += 4;
    }
    if (flags & HeaderBlock) {
        skip(16, -1);
        headerLength += 16;
    }
    if (compressed() && isGood() && codecEnded && codec->total_out == headerLength &&
        bufferPos == bufferEnd)
        restartCodec();
}
