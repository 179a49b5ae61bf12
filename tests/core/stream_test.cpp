// The buffered stream over memory: begin and the sticky status, buffering and the raw calls,
// the compressed mode and the stream header, checked against zlib run directly.
#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "tests/core/vector_stream.h"

namespace {

const uint32_t kWrite6 = ModeWrite | 0x6000, kRead6 = ModeRead | 0x6000;
const uint8_t kBlock[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                            0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};

Bytes HeaderWithBlock(uint8_t flags = 0x20)
{
    Bytes h{0xFF, 0xA1, 0xD0, flags};  // magic, flags (0x20: the block follows)
    h.insert(h.end(), kBlock, kBlock + 16);
    return h;
}

}  // namespace

TEST(StreamBegin, BadModesAndMissingMemoryStopTheStream)
{
    struct Case { uint32_t mode; int32_t offset; long allocations; const char* what; } cases[] = {  // -1: all succeed
        {0x3, 0, -1, "read and write"}, {ModeRead | ModeText | ModePositioned, 0, -1, "text and positioned"},
        {ModeWrite, 5, -1, "write with an offset"}, {ModeWrite | 0xC000, 0, -1, "zlib level 12"},
        {ModeWrite, 0, 0, "no memory for the buffer"}, {kWrite6, 0, 2, "no memory for the codec"},
    };
    for (const Case& c : cases) {
        zeroAllocFailAfter(c.allocations);
        VectorStream s(c.mode, Bytes(), c.offset);
        zeroAllocFailAfter(-1);
        s.write("x", 1);
        EXPECT_EQ(0, s.began) << c.what;
        EXPECT_EQ(StreamFailed, s.getStatus()) << c.what;
        EXPECT_TRUE(s.log.empty()) << c.what << ": nothing may reach the raw stream";
    }
    VectorStream r(ModeRead);
    EXPECT_EQ(0, r.beginAgain(ModeRead)) << "begun twice";
    r.close();
    EXPECT_EQ(1, r.beginAgain(ModeRead)) << "a closed stream may be begun again";
}

TEST(StreamStatus, FirstStopSticksAndLaterTransfersDoNothing)
{
    uint8_t b[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    VectorStream w, s(Bytes{0x11, 0x22});
    w.read(b, 1).write(b, 4);
    EXPECT_EQ(StreamRejected, w.getStatus()) << "a read on a write stream";
    EXPECT_TRUE(w.written().empty()) << "a stopped stream writes nothing, not even at close";
    EXPECT_EQ(2, s.readSome(b, 4)) << "a short read counts what came";
    EXPECT_EQ(Hex(Bytes{0x11, 0x22, 0xEE, 0xEE}), Hex(Bytes(b, b + 4))) << "a short read keeps what came";
    size_t calls = s.log.size();
    s.skip(1, -1).read(b, 1);
    EXPECT_EQ(StreamEnd, s.getStatus());
    EXPECT_EQ(calls, s.log.size()) << "transfers after the end must do nothing";
}

TEST(StreamRead, PeekSkipAndDelimiterAcrossRefills)
{
    Bytes data = Pattern(1500);
    std::replace(data.begin(), data.end(), uint8_t(0xAB), uint8_t(0xAC));
    data[700] = 0xAB;
    for (uint32_t chunk : {512u, 7u}) {
        VectorStream s(data, chunk);
        s.skip(600, -1);
        EXPECT_EQ(data[600], s.peek()) << chunk;
        uint8_t b = 0;
        s.skip(5000, 0xAB).read(&b, 1);  // stops after the delimiter, which is gone too
        EXPECT_EQ(data[701], b) << chunk;
    }
}

TEST(StreamWrite, ThousandBytesGoOnAs512Then488AndOneFlush)
{
    Bytes data = Pattern(1000);
    VectorStream s;
    for (size_t i = 0; i < data.size(); i += 100) s.write(&data[i], 100);
    EXPECT_EQ(1u, s.log.size()) << "one full buffer during the writes";
    EXPECT_EQ(1, s.close());
    std::string calls;
    for (const RawCall& c : s.log) calls += c.kind + std::to_string(c.count) + " ";
    EXPECT_EQ("w512 w488 f0 ", calls);
    EXPECT_EQ(data, s.bytes);
}

TEST(StreamCompressed, AnyRawChunkingTruncationEndsWhereZlibDoesCorruptionFails)
{
    Bytes data = Pattern(3000), file = Deflated(data);
    for (uint32_t chunk : {512u, 1u}) {
        VectorStream s(kRead6, file, 0, int32_t(file.size()));
        s.readChunk = chunk;
        EXPECT_EQ(data, ReadAll(s)) << chunk;
        EXPECT_EQ(StreamEnd, s.getStatus()) << chunk;
    }
    // Long matches, so a cut often falls where zlib still holds output it could not hand out.
    for (int32_t cut = 3; cut < int32_t(file.size()); cut += 3) {
        VectorStream s(kRead6, file, 0, cut);
        Bytes expected = Inflated(file, 0, size_t(cut)), got = ReadAll(s);
        ASSERT_TRUE(expected == got) << "cut at " << cut << ": zlib gives " << expected.size()
                                     << " bytes, the stream " << got.size();
        EXPECT_EQ(uint32_t(cut), s.total('r')) << "no compressed byte past the limit is asked for";
    }
    file[10] ^= 0x55;
    VectorStream s(kRead6, file, 0, int32_t(file.size()));
    ReadAll(s);
    EXPECT_EQ(StreamFailed, s.getStatus());
}

TEST(StreamHeader, FormsAreByteExact)
{
    VectorStream block, named, compressed(kWrite6), late;
    block.writeHeader(kBlock, nullptr, 0, 1);
    EXPECT_EQ(Hex(HeaderWithBlock()), Hex(block.written()));
    named.writeHeader(nullptr, "abc", 7, 1);
    EXPECT_EQ(Hex(Bytes{0xFF, 0xA1, 0xD0, 0x18, 0x03, 'a', 'b', 'c', 0x07, 0, 0, 0}), Hex(named.written()));

    Bytes data = Pattern(3000);
    compressed.writeHeader(kBlock, nullptr, 0, 1).write(data.data(), int32_t(data.size()));
    std::vector<Bytes> streams = InflatedStreams(compressed.written());
    ASSERT_EQ(2u, streams.size()) << "the restart ends the first zlib stream after the header";
    EXPECT_EQ(Hex(HeaderWithBlock(0x21)), Hex(streams[0])) << "flagged compressed";
    EXPECT_EQ(data, streams[1]);
    late.write("x", 1).writeHeader(kBlock, nullptr, 0, 0);
    EXPECT_EQ(StreamFailed, late.getStatus()) << "a header behind bytes already written";
}

TEST(StreamHeader, ProbeRestartCarriesTheInputCountOver)
{
    Bytes first = Deflated(HeaderWithBlock(0x21)), data = Pattern(4000, 5, true), second = Deflated(data);
    // Cut inside the second stream: the count of consumed input goes on after the restart.
    int32_t cut = int32_t(first.size()) + 600;
    VectorStream s(kRead6, Cat(first, second), 0, cut);
    s.probe();
    EXPECT_EQ(Inflated(second, 0, size_t(cut) - first.size()), ReadAll(s));
    EXPECT_EQ(StreamEnd, s.getStatus());
    EXPECT_EQ(uint32_t(cut), s.total('r')) << "compressed bytes asked for, limit " << cut;
}
