// The plain buffered stream: mode checks, the sticky status, buffering and the raw calls.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/zero_alloc.h"
#include "tests/core/recording_stream.h"
#include "tests/core/stream_checks.h"

TEST(StreamBegin, BadModesFail)
{
    struct Case {
        uint32_t mode;
        int32_t offset;
        const char* what;
    } cases[] = {
        {0x3, 0, "read and write"},
        {0x0, 0, "neither read nor write"},
        {ModeRead | ModeText | ModePositioned, 0, "text and positioned"},
        {ModeWrite, 5, "write with an offset"},
    };
    for (const Case& c : cases) {
        RecordingStream s(c.mode, Bytes(), c.offset);
        EXPECT_EQ(0, s.began) << c.what;
        EXPECT_EQ(StreamFailed, s.getStatus()) << c.what;
        EXPECT_FALSE(s.isGood()) << c.what;
    }
    RecordingStream twice(ModeRead);
    ASSERT_TRUE(twice.isGood());
    EXPECT_EQ(0, twice.beginAgain(ModeRead));
    EXPECT_EQ(StreamFailed, twice.getStatus());
    EXPECT_EQ(0, twice.close());
    EXPECT_EQ(1, twice.beginAgain(ModeRead)) << "a closed stream may be begun again";
}

TEST(StreamBegin, AllocationFailureStopsTheStream)
{
    // Plain: the buffer. Compressed: the buffer, the codec buffer, the codec.
    for (long allowed : {0L, 1L, 2L}) {
        zeroAllocFailAfter(allowed);
        RecordingStream s(allowed == 0 ? ModeWrite : ModeWrite | 0x6000);
        zeroAllocFailAfter(-1);
        EXPECT_EQ(0, s.began) << allowed;
        EXPECT_EQ(StreamFailed, s.getStatus()) << allowed;
        uint8_t b = 1;
        s.write(&b, 1);
        EXPECT_EQ(0, s.close()) << allowed;
        EXPECT_TRUE(s.calls.empty()) << "nothing may reach the raw stream";
    }
}

TEST(StreamStatus, WrongDirectionIsRejectedAndSticks)
{
    uint8_t b[4] = {};
    RecordingStream w(ModeWrite);
    w.read(b, 0);
    EXPECT_EQ(StreamOk, w.getStatus()) << "a read of nothing does nothing";
    w.read(b, 1);
    EXPECT_EQ(StreamRejected, w.getStatus());
    w.write(b, 4);
    EXPECT_EQ(0, w.close());
    EXPECT_TRUE(w.output.empty()) << "a stopped stream writes nothing, not even at close";

    RecordingStream r(ModeRead, Bytes{1, 2, 3});
    r.write(b, 1);
    EXPECT_EQ(StreamRejected, r.getStatus());
    EXPECT_EQ(-1, r.peek());
    EXPECT_TRUE(r.calls.empty());

    RecordingStream p(ModeWrite);
    EXPECT_EQ(-1, p.peek());
    EXPECT_EQ(StreamRejected, p.getStatus());
}

TEST(StreamRead, ShortReadKeepsWhatCameAndStops)
{
    RecordingStream s(ModeRead, Bytes{0x11, 0x22});
    uint8_t b[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    s.read(b, 4);
    EXPECT_EQ(Hex(Bytes{0x11, 0x22, 0xEE, 0xEE}), Hex(Bytes(b, b + 4)));
    EXPECT_EQ(StreamEnd, s.getStatus());
    size_t callsBefore = s.calls.size();
    EXPECT_EQ(-1, s.peek());
    s.skip(1, -1);
    s.read(b, 1);
    EXPECT_EQ(callsBefore, s.calls.size()) << "transfers after the end must do nothing";
}

TEST(StreamRead, PeekSkipAndDelimiterAcrossRefills)
{
    Bytes data = Pattern(1500);
    std::replace(data.begin(), data.end(), uint8_t(0xAB), uint8_t(0xAC));
    data[700] = 0xAB;
    for (uint32_t chunk : {512u, 7u, 1u}) {
        RecordingStream s(ModeRead, data);
        s.readChunk = chunk;
        EXPECT_EQ(data[0], s.peek()) << chunk;
        s.skip(600, -1);
        EXPECT_EQ(data[600], s.peek()) << chunk;
        s.skip(5000, 0xAB);  // stops after the delimiter, which is gone too
        uint8_t b = 0;
        s.read(&b, 1);
        EXPECT_EQ(data[701], b) << chunk;
        s.skip(1500, -1);
        EXPECT_EQ(StreamEnd, s.getStatus()) << chunk;
    }
}

TEST(StreamRead, PositionsOnlyWhereAsked)
{
    Bytes data = Pattern(1200);
    RecordingStream plain(ModeRead, data);
    Bytes b(1200);
    plain.read(b.data(), 1200);
    ASSERT_EQ(3u, plain.calls.size());
    EXPECT_EQ(0, plain.calls[0].position) << "the first read of a stream at 0 is positioned";
    EXPECT_EQ(-1, plain.calls[1].position);

    RecordingStream positioned(ModeRead | ModePositioned, data, 100, 1000);
    positioned.readAt = 100;
    positioned.read(b.data(), 1000);
    ASSERT_EQ(2u, positioned.calls.size());
    EXPECT_EQ(100, positioned.calls[0].position);
    EXPECT_EQ(612, positioned.calls[1].position);
    EXPECT_EQ(488u, positioned.calls[1].count) << "the limit caps the last raw read";
    EXPECT_EQ(Hex(Bytes(data.begin() + 100, data.end() - 100)), Hex(Bytes(b.begin(), b.end() - 200)));
}

TEST(StreamWrite, ThousandBytesGoOnAs512Then488AndOneFlush)
{
    Bytes data = Pattern(1000);
    RecordingStream s(ModeWrite);
    for (size_t i = 0; i < data.size(); i += 100) s.write(&data[i], 100);
    ASSERT_EQ(1u, s.calls.size()) << "one full buffer during the writes";
    EXPECT_EQ(512u, s.calls[0].count);
    EXPECT_EQ(1, s.close());
    ASSERT_EQ(3u, s.calls.size());
    EXPECT_EQ('w', s.calls[1].kind);
    EXPECT_EQ(488u, s.calls[1].count);
    EXPECT_EQ('f', s.calls[2].kind);
    EXPECT_EQ(data, s.output);
}

TEST(StreamWrite, ShortRawWritesAreOfferedAgain)
{
    Bytes data = Pattern(1300);
    RecordingStream s(ModeWrite | ModePositioned);
    s.acceptAtMost = 100;
    s.write(data.data(), 1300);
    EXPECT_EQ(1, s.close());
    EXPECT_EQ(data, s.output);
    uint32_t at = 0;
    for (const RawCall& c : Writes(s.calls)) {
        EXPECT_EQ(int32_t(at), c.position) << "a positioned write names where its bytes go";
        at += c.count < 100 ? c.count : 100;
    }
}

TEST(StreamWrite, FailedRawWriteStopsAndCloseReportsIt)
{
    RecordingStream s(ModeWrite);
    s.writesBeforeFailure = 1;
    Bytes data = Pattern(2000);
    s.write(data.data(), 2000);
    EXPECT_EQ(StreamFailed, s.getStatus());
    EXPECT_EQ(2u, Writes(s.calls).size()) << "no write after the failed one";
    EXPECT_EQ(0, s.close());
    EXPECT_TRUE(Writes(s.calls, 'f').empty()) << "a stopped stream is not flushed";
}
