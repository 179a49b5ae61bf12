// The compressed mode and the stream header, checked against zlib run directly.
#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "tests/core/recording_stream.h"
#include "tests/core/stream_checks.h"

namespace {

const uint32_t kWrite6 = ModeWrite | 0x6000;
const uint32_t kRead6 = ModeRead | 0x6000;
const uint8_t kBlock[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                            0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

Bytes HeaderWithBlock()
{
    Bytes h{0xFF, 0xA1, 0xD0, 0x20};  // magic, flags: block follows
    h.insert(h.end(), kBlock, kBlock + 16);
    return h;
}

// Reads until the stream stops, in steps of `step` bytes.
Bytes ReadAll(Stream& s, int32_t step = 300)
{
    Bytes all, part(size_t(step), 0);
    while (s.isGood()) {
        s.read(part.data(), step);
        if (s.isGood()) all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(CompressedWrite, HundredBytesMakeOneZlibStreamAndOneFlush)
{
    Bytes data = Pattern(100);
    RecordingStream s(kWrite6);
    s.write(data.data(), 100);
    EXPECT_EQ(1, s.close());
    bool ok = false;
    std::vector<Bytes> streams = InflatedStreams(s.output, ok);
    EXPECT_TRUE(ok) << Hex(s.output);
    ASSERT_EQ(1u, streams.size());
    EXPECT_EQ(data, streams[0]);
    EXPECT_EQ(1u, Writes(s.calls, 'f').size());
}

TEST(CompressedWrite, LevelOutOfRangeFailsOnlyForWriting)
{
    RecordingStream w(ModeWrite | 0xC000);
    EXPECT_EQ(StreamFailed, w.getStatus());
    RecordingStream r(ModeRead | 0xC000);
    EXPECT_TRUE(r.isGood()) << "inflating takes no level";
}

TEST(CompressedWrite, FailingRawWriteEndsTheDrain)
{
    // deflate keeps answering Z_OK into a full output area; the drain must not loop on it.
    Bytes data = Noise(20000, 7);
    RecordingStream s(ModeWrite | 0x1000);
    s.writesBeforeFailure = 2;
    s.write(data.data(), int32_t(data.size()));
    EXPECT_EQ(StreamFailed, s.getStatus());
    EXPECT_EQ(0, s.close());
    EXPECT_EQ(3u, Writes(s.calls).size());
}

TEST(StreamHeader, PlainFormsAreByteExact)
{
    RecordingStream block(ModeWrite);
    block.writeHeader(kBlock, nullptr, 0, 1);
    EXPECT_EQ(1, block.close());
    EXPECT_EQ(Hex(HeaderWithBlock()), Hex(block.output));

    RecordingStream named(ModeWrite);
    named.writeHeader(nullptr, "abc", 7, 1);
    EXPECT_EQ(1, named.close());
    EXPECT_EQ(Hex(Bytes{0xFF, 0xA1, 0xD0, 0x18, 0x03, 'a', 'b', 'c', 0x07, 0, 0, 0}), Hex(named.output));

    RecordingStream nothing(kWrite6);
    nothing.writeHeader(nullptr, "", 0, 1);
    uint8_t b = 'x';
    nothing.write(&b, 1);
    EXPECT_EQ(1, nothing.close());
    bool ok = false;
    EXPECT_EQ(1u, InflatedStreams(nothing.output, ok).size()) << "nothing to write, no restart";
}

TEST(StreamHeader, CompressedWithRestartIsAloneInTheFirstZlibStream)
{
    Bytes data = Pattern(3000);
    RecordingStream s(kWrite6);
    s.writeHeader(kBlock, nullptr, 0, 1);
    s.write(data.data(), int32_t(data.size()));
    EXPECT_EQ(1, s.close());
    bool ok = false;
    std::vector<Bytes> streams = InflatedStreams(s.output, ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(2u, streams.size());
    Bytes header = HeaderWithBlock();
    header[3] |= 0x01;  // written compressed
    EXPECT_EQ(Hex(header), Hex(streams[0]));
    EXPECT_EQ(data, streams[1]);
}

TEST(StreamHeader, RefusedWhenNotFirstOrUnsayable)
{
    uint8_t b[600] = {};
    RecordingStream drained(ModeWrite);
    drained.write(b, 600);
    drained.writeHeader(kBlock, nullptr, 0, 0);
    EXPECT_EQ(StreamFailed, drained.getStatus()) << "after the first drain";

    RecordingStream buffered(ModeWrite);
    buffered.write(b, 10);
    buffered.writeHeader(kBlock, nullptr, 0, 0);
    EXPECT_EQ(StreamFailed, buffered.getStatus()) << "behind bytes still in the buffer";

    std::string longName(256, 'n');
    RecordingStream tooLong(ModeWrite);
    tooLong.writeHeader(nullptr, longName.c_str(), 0, 0);
    EXPECT_EQ(StreamFailed, tooLong.getStatus()) << "a name its length byte cannot hold";
    EXPECT_EQ(0, tooLong.close());
    EXPECT_TRUE(tooLong.output.empty());

    RecordingStream reading(ModeRead, Bytes{1, 2, 3});
    reading.writeHeader(kBlock, nullptr, 0, 0);
    EXPECT_EQ(StreamRejected, reading.getStatus());
}

TEST(CompressedRead, WholeContentThenEndAtAnyRawChunking)
{
    Bytes data = Pattern(5000);
    Bytes file = Deflated(data);
    for (uint32_t chunk : {512u, 3u, 1u}) {
        RecordingStream s(kRead6, file, 0, int32_t(file.size()));
        s.readChunk = chunk;
        EXPECT_EQ(data[0], s.peek()) << "peek after steps that only consumed input, chunk " << chunk;
        EXPECT_EQ(data, ReadAll(s, 1)) << chunk;
        EXPECT_EQ(StreamEnd, s.getStatus()) << chunk;
    }
}

static uint32_t Fetched(const RecordingStream& s)
{
    uint32_t n = 0;
    for (const RawCall& c : Writes(s.calls, 'r')) n += c.count;
    return n;
}

TEST(CompressedRead, LimitCutsTheInputShort)
{
    // Long matches, so a cut often falls where zlib still holds output it could not hand out.
    Bytes data = Pattern(3000);
    Bytes file = Deflated(data);
    for (int32_t cut = 3; cut < int32_t(file.size()); cut += 3) {
        RecordingStream s(kRead6, file, 0, cut);
        Bytes expected = InflatedPrefix(file, size_t(cut)), got = ReadAll(s, 1);
        ASSERT_TRUE(expected == got) << "cut at " << cut << ": zlib gives " << expected.size()
                                     << " bytes, the stream " << got.size();
        EXPECT_EQ(StreamEnd, s.getStatus());
        EXPECT_EQ(uint32_t(cut), Fetched(s)) << "no compressed byte past the limit is asked for";
    }
}

TEST(CompressedRead, CorruptDataFails)
{
    Bytes file = Deflated(Pattern(3000));
    file[10] ^= 0x55;
    RecordingStream s(kRead6, file, 0, int32_t(file.size()));
    ReadAll(s);
    EXPECT_EQ(StreamFailed, s.getStatus());
}

// The forms a reader meets; each must read back whole after the probe.
TEST(HeaderProbe, EveryWrittenFormReadsBackWhole)
{
    Bytes data = Pattern(2000, 3);
    Bytes header = HeaderWithBlock();
    header[3] |= 0x01;
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"no header", Deflated(data)},
        {"header, then the data in a second zlib stream", Cat(Deflated(header), Deflated(data))},
        {"header and data in one zlib stream", Deflated(Cat(header, data))},
    };
    for (const Case& c : cases) {
        RecordingStream s(kRead6, c.file, 0, int32_t(c.file.size()));
        s.probe();
        EXPECT_EQ(data, ReadAll(s, 1)) << c.what;
        EXPECT_EQ(StreamEnd, s.getStatus()) << c.what;
    }
}

TEST(HeaderProbe, LimitStillHoldsAfterTheRestart)
{
    Bytes header = HeaderWithBlock();
    Bytes first = Deflated(header);
    Bytes data = Noise(4000, 5);
    Bytes second = Deflated(data);
    int32_t cut = int32_t(first.size()) + 600;
    RecordingStream s(kRead6, Cat(first, second), 0, cut);
    s.probe();
    EXPECT_EQ(InflatedPrefix(second, size_t(cut) - first.size()), ReadAll(s, 1));
    EXPECT_EQ(StreamEnd, s.getStatus());
    EXPECT_EQ(uint32_t(cut), Fetched(s)) << "the count of consumed input went on after the restart";
}

TEST(HeaderProbe, PlainValueHeaderLeavesTheNinthByte)
{
    RecordingStream s(ModeRead, Bytes{0xFF, 0xA1, 0xD0, 0x10, 1, 2, 3, 4, 0x99, 0x98});
    s.probe();
    EXPECT_EQ(0x99, s.peek());
    RecordingStream shortOne(ModeRead, Bytes{0xFF, 0xA1});
    shortOne.probe();
    EXPECT_EQ(0xFF, shortOne.peek()) << "too short to be a header";
}

TEST(RestartCodec, AllocationFailureRejects)
{
    RecordingStream s(kWrite6);
    zeroAllocFailAfter(0);
    s.restartCodec();
    zeroAllocFailAfter(-1);
    EXPECT_EQ(StreamRejected, s.getStatus());
    uint8_t b = 1;
    s.write(&b, 1);
    EXPECT_EQ(0, s.close());
}
