// A Stream over a byte vector: the test double for byte-exact checks of what the string and
// array code reads and writes, without files in between.
#pragma once

#include <stdint.h>
#include <string.h>

#include "core/stream.h"
#include "tests/support/test_support.h"

class VectorStream : public Stream {
public:
    // A read stream over `input`; each raw read delivers at most `chunk` bytes, so small
    // chunks make the stream refill in the middle of a value.
    explicit VectorStream(const Bytes& input, uint32_t chunk = kBufferSize)
        : bytes(input), pos(0), chunk(chunk)
    {
        begin(ModeRead, 0, -1);
    }
    // A write stream; written() hands back what arrived.
    VectorStream() : pos(0), chunk(kBufferSize) { begin(ModeWrite, 0, -1); }
    ~VectorStream() override { close(); }  // while the raw operations still exist

    // Closes the stream, so every buffered byte has been handed on, and returns the bytes.
    const Bytes& written()
    {
        close();
        return bytes;
    }
    // Read streams: bytes not yet fetched from the vector.
    size_t unread() const { return bytes.size() - pos; }

protected:
    uint32_t rawRead(void* destination, uint32_t* count, int32_t position) override
    {
        if (position >= 0) pos = static_cast<size_t>(position);
        size_t n = *count;
        if (n > chunk) n = chunk;
        if (n > unread()) n = unread();
        if (n) memcpy(destination, bytes.data() + pos, n);
        pos += n;
        *count = static_cast<uint32_t>(n);
        return n ? 0 : 1;
    }
    uint32_t rawWrite(const void* source, uint32_t* count, int32_t) override
    {
        const uint8_t* p = static_cast<const uint8_t*>(source);
        bytes.insert(bytes.end(), p, p + *count);
        return *count ? 0 : 4;
    }
    uint32_t rawFlush() override { return 0; }

private:
    Bytes bytes;
    size_t pos;
    uint32_t chunk;
};
