// The test double of the core suites: a Stream over a byte vector that records its raw calls;
// and zlib run directly, to check what a stream wrote.
#pragma once

#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "core/stream.h"
#include "tests/support/test_support.h"

struct RawCall {
    char kind;       // 'r' read, 'w' write, 'f' flush
    uint32_t count;  // bytes asked for or offered
};

class VectorStream : public Stream {
public:
    // Raw reads deliver `input` from `pos` on, at most `readChunk` bytes each; raw writes append.
    explicit VectorStream(uint32_t mode = ModeWrite, const Bytes& input = {}, int32_t offset = 0, int32_t limit = -1)
        : bytes(input)
    {
        began = begin(mode, offset, limit);
    }
    explicit VectorStream(const Bytes& input, uint32_t chunk = kBufferSize) : VectorStream(ModeRead, input)
    {
        readChunk = chunk;
    }
    ~VectorStream() override { close(); }  // while the raw operations still exist

    const Bytes& written()  // closes first, so every buffered byte has been handed on
    {
        close();
        return bytes;
    }
    size_t unread() const { return bytes.size() - pos; }
    int beginAgain(uint32_t mode) { return begin(mode, 0, -1); }
    void probe() { probeHeader(); }
    uint32_t total(char kind) const  // bytes the raw calls of a kind asked for or offered
    {
        uint32_t n = 0;
        for (const RawCall& c : log) n += c.kind == kind ? c.count : 0;
        return n;
    }

    int began = 0;
    Bytes bytes;
    size_t pos = 0;
    uint32_t readChunk = kBufferSize;
    std::vector<RawCall> log;

protected:
    uint32_t rawRead(void* destination, uint32_t* count, int32_t position) override
    {
        log.push_back({'r', *count});
        if (position >= 0) pos = std::min(size_t(position), bytes.size());
        size_t n = std::min({size_t(*count), size_t(readChunk), unread()});
        if (n) memcpy(destination, bytes.data() + pos, n);
        pos += n;
        *count = uint32_t(n);
        return n ? StreamOk : StreamEnd;
    }
    uint32_t rawWrite(const void* source, uint32_t* count, int32_t) override
    {
        log.push_back({'w', *count});
        bytes.insert(bytes.end(), static_cast<const uint8_t*>(source), static_cast<const uint8_t*>(source) + *count);
        return StreamOk;
    }
    uint32_t rawFlush() override
    {
        log.push_back({'f', 0});
        return StreamOk;
    }
};

// n bytes that repeat neither at 256 nor at 512 (a shifted chunk shows) and compress well; with
// `noise`, bytes that hardly compress.
inline Bytes Pattern(size_t n, uint32_t seed = 1, bool noise = false)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = uint8_t(noise ? seed >> 23 : (seed >> 16) % 7 == 0 ? seed >> 8 : i % 251);
    }
    return b;
}

inline Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes ReadAll(Stream& s)  // one byte at a time until the stream stops
{
    Bytes all;
    for (uint8_t b = 0; s.read(&b, 1).isGood();) all.push_back(b);
    return all;
}

inline Bytes Deflated(const Bytes& content)
{
    uLongf size = compressBound(uLong(content.size()));
    Bytes out(size);
    compress2(out.data(), &size, content.data(), uLong(content.size()), 6);
    out.resize(size);
    return out;
}

// zlib's own uncompress2 over data[from, end): what came out. `used` gets the bytes it took;
// `result` is Z_OK only for a whole zlib stream.
inline Bytes Inflated(const Bytes& data, size_t from = 0, size_t end = SIZE_MAX, size_t* used = nullptr,
                      int* result = nullptr)
{
    Bytes out(1 << 20);
    uLongf size = uLongf(out.size());
    uLong taken = uLong(std::min(end, data.size()) - from);
    int r = uncompress2(out.data(), &size, data.data() + from, &taken);
    out.resize(size);
    if (used) *used = taken;
    if (result) *result = r;
    return out;
}

// The contents of the zlib streams `data` holds back to back; none when it is anything else.
inline std::vector<Bytes> InflatedStreams(const Bytes& data)
{
    std::vector<Bytes> streams;
    int r = Z_OK;
    for (size_t at = 0, used = 0; at < data.size() && r == Z_OK; at += used)
        streams.push_back(Inflated(data, at, SIZE_MAX, &used, &r));
    return r == Z_OK ? streams : std::vector<Bytes>();
}
