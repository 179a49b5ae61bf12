// Helpers of the stream suites: test data, and zlib run directly to check what a stream wrote.
#pragma once

#include <zlib.h>

#include "tests/support/test_support.h"

// n bytes that repeat neither at 256 nor at 512, so a shifted or repeated chunk shows.
inline Bytes Pattern(size_t n, uint32_t seed = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = uint8_t((seed >> 16) % 7 == 0 ? seed >> 8 : i % 251);
    }
    return b;
}

// n bytes that hardly compress.
inline Bytes Noise(size_t n, uint32_t seed = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = uint8_t(seed >> 23);
    }
    return b;
}

// One zlib stream of `content` at `level`.
inline Bytes Deflated(const Bytes& content, int level = 6)
{
    uLongf size = compressBound(uLong(content.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, content.data(), uLong(content.size()), level) != Z_OK) return {};
    out.resize(size);
    return out;
}

// Everything zlib inflates from the first `n` bytes of one zlib stream.
inline Bytes InflatedPrefix(const Bytes& stream, size_t n)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return {};
    Bytes out;
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(n < stream.size() ? n : stream.size());
    int r;
    do {
        uint8_t chunk[4096];
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        r = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - z.avail_out));
    } while (r == Z_OK && z.avail_out == 0);
    inflateEnd(&z);
    return out;
}

// The contents of the zlib streams that `data` holds back to back. Sets `ok` false when the data
// is not exactly such streams (corrupt, cut short, or followed by other bytes).
inline std::vector<Bytes> InflatedStreams(const Bytes& data, bool& ok)
{
    std::vector<Bytes> streams;
    ok = true;
    size_t at = 0;
    while (at < data.size()) {
        z_stream z{};
        if (inflateInit(&z) != Z_OK) break;
        z.next_in = const_cast<Bytef*>(data.data() + at);
        z.avail_in = uInt(data.size() - at);
        Bytes content;
        int r;
        do {
            uint8_t chunk[4096];
            z.next_out = chunk;
            z.avail_out = sizeof chunk;
            r = inflate(&z, Z_NO_FLUSH);
            content.insert(content.end(), chunk, chunk + (sizeof chunk - z.avail_out));
        } while (r == Z_OK);
        at = data.size() - z.avail_in;
        inflateEnd(&z);
        if (r != Z_STREAM_END) {
            ok = false;
            break;
        }
        streams.push_back(content);
    }
    return streams;
}
