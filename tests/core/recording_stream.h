// A Stream over memory that records every raw call, for checks of what the buffering hands on.
#pragma once

#include <string.h>

#include <vector>

#include "core/stream.h"
#include "tests/support/test_support.h"

struct RawCall {
    char kind;         // 'r' read, 'w' write, 'f' flush
    uint32_t count;    // bytes asked for or offered
    int32_t position;  // as passed, -1 for the current one
};

class RecordingStream : public Stream {
public:
    explicit RecordingStream(uint32_t mode, const Bytes& input = Bytes(), int32_t offset = 0,
                             int32_t limit = -1)
        : input(input)
    {
        began = begin(mode, offset, limit);
    }
    ~RecordingStream() override { close(); }  // while the raw operations still exist

    int beginAgain(uint32_t mode) { return begin(mode, 0, -1); }
    uint32_t handedOn() const { return done; }
    int32_t readLimit() const { return limit; }
    void probe() { probeHeader(); }

    int began = 0;
    Bytes input;                  // what raw reads deliver
    size_t readAt = 0;
    uint32_t readChunk = 512;     // most bytes a raw read delivers
    uint32_t acceptAtMost = 512;  // most bytes a raw write takes
    int writesBeforeFailure = -1; // raw writes that succeed before every later one fails
    Bytes output;                 // what raw writes took
    std::vector<RawCall> calls;

protected:
    uint32_t rawRead(void* destination, uint32_t* count, int32_t position) override
    {
        calls.push_back({'r', *count, position});
        if (position >= 0) readAt = size_t(position);
        size_t n = *count;
        if (n > readChunk) n = readChunk;
        if (readAt > input.size()) readAt = input.size();
        if (n > input.size() - readAt) n = input.size() - readAt;
        if (n) memcpy(destination, input.data() + readAt, n);
        readAt += n;
        *count = uint32_t(n);
        return n ? StreamOk : StreamEnd;
    }
    uint32_t rawWrite(const void* source, uint32_t* count, int32_t position) override
    {
        calls.push_back({'w', *count, position});
        if (writesBeforeFailure == 0) {
            *count = 0;
            return StreamFailed;
        }
        if (writesBeforeFailure > 0) --writesBeforeFailure;
        if (*count > acceptAtMost) *count = acceptAtMost;
        const uint8_t* p = static_cast<const uint8_t*>(source);
        output.insert(output.end(), p, p + *count);
        return *count ? StreamOk : StreamFailed;
    }
    uint32_t rawFlush() override
    {
        calls.push_back({'f', 0, -1});
        return StreamOk;
    }
};

inline std::vector<RawCall> Writes(const std::vector<RawCall>& calls, char kind = 'w')
{
    std::vector<RawCall> out;
    for (const RawCall& c : calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}
