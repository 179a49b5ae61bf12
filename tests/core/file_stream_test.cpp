// FileStream over real files: what lands on disk, the probe, read windows, text mode, folders,
// sharing and failures.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "core/file_stream.h"
#include "platform/win32.h"
#include "tests/core/vector_stream.h"

#ifndef _WIN32
#include "platform/test_hooks.h"
#endif

namespace {

bool WriteStream(const std::string& path, uint32_t mode, const Bytes& data)
{
    FileStream s(path.c_str(), mode);
    s.write(data.data(), int32_t(data.size()));
    return s.close() == 1;
}

}  // namespace

TEST(FileStreamRoundTrip, SizesAroundTheBufferOneByteAtATime)
{
    TempDir dir;
    std::string path = dir.core("r.dat");
    for (uint32_t level : {0x0000u, 0x6000u}) {
        for (size_t n : {0, 511, 512, 513, 10000}) {
            SCOPED_TRACE((level ? "level 6, " : "plain, ") + std::to_string(n) + " bytes");
            Bytes data = Pattern(n, uint32_t(n));
            FileStream out(path.c_str(), ModeWrite | level);
            for (uint8_t b : data) out.write(&b, 1);
            EXPECT_EQ(1, out.close());
            Bytes file = ReadFileBytes(dir.native("r.dat"));
            if (level) EXPECT_EQ(std::vector<Bytes>{data}, InflatedStreams(file)) << "exactly one zlib stream";
            else EXPECT_EQ(data, file);

            FileStream in(path.c_str(), ModeRead | level);
            EXPECT_EQ(n ? data[0] : -1, in.peek());
            EXPECT_EQ(data, ReadAll(in));
            EXPECT_EQ(StreamEnd, in.getStatus());
        }
    }
}

TEST(FileStreamProbe, EveryHeaderFormReadsBackWhole)
{
    Bytes data = Pattern(3000, 3, true);
    Bytes header = {0xFF, 0xA1, 0xD0, 0x09, 6, 'p', 'l', 'a', 'y', 'e', 'r'};  // compressed, a name
    struct Case { const char* what; uint32_t mode; Bytes file, content; } cases[] = {
        {"no header", ModeRead | 0x6000, Deflated(data), data},
        {"header in its own zlib stream", ModeRead | 0x6000, Cat(Deflated(header), Deflated(data)), data},
        {"header and data in one zlib stream", ModeRead | 0x6000, Deflated(Cat(header, data)), data},
        {"plain, a value", ModeRead, {0xFF, 0xA1, 0xD0, 0x10, 1, 2, 3, 4, 0x99, 0x98}, {0x99, 0x98}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.native("h.dat"), c.file));
        FileStream in(dir.core("h.dat").c_str(), c.mode);
        EXPECT_EQ(c.content, ReadAll(in)) << c.what;
        EXPECT_EQ(StreamEnd, in.getStatus()) << c.what;
    }
}

TEST(FileStreamOpen, ReadWindowsAndFailures)
{
    TempDir dir;
    Bytes data = Pattern(1000);
    ASSERT_TRUE(WriteFileBytes(dir.native("w.dat"), data));
    ASSERT_TRUE(WriteFileBytes(dir.native("empty"), Bytes()));
    // `readable` bytes from `offset` can be read before StreamEnd; `status` is the one after the open.
    struct Case { const char* name; uint32_t mode; int32_t offset, length; size_t readable; uint32_t status; };
    const Case cases[] = {
        {"w.dat", ModeRead, 100, 10, 10, StreamOk},        {"w.dat", ModeRead, 0, 2000, 1000, StreamOk},
        {"w.dat", ModeRead, 1001, -1, 0, StreamFailed},     {"empty", ModeRead, 0, -1, 0, StreamEnd},
        {"missing", ModeRead, 0, -1, 0, StreamFailed},
    };
    for (const Case& c : cases) {
        FileStream s(dir.core(c.name).c_str(), c.mode, c.offset, c.length);
        std::string what = c.name + (" " + std::to_string(c.offset)) + "/" + std::to_string(c.length);
        EXPECT_EQ(c.status, s.getStatus()) << what;
        Bytes expected = c.readable ? Bytes(data.begin() + c.offset, data.begin() + c.offset + c.readable) : Bytes();
        EXPECT_EQ(expected, ReadAll(s)) << what;
        EXPECT_EQ(c.status == StreamFailed ? StreamFailed : StreamEnd, s.getStatus()) << what;
    }
    FileStream bad(dir.core("never.dat").c_str(), ModeWrite, 4);
    EXPECT_EQ(StreamFailed, bad.getStatus());
    EXPECT_FALSE(FileExists(dir.native("never.dat"))) << "a bad mode creates nothing";
}

TEST(FileStreamOpen, KeepExistingOverwritesOnlyTheStart)
{
    TempDir dir;
    Bytes old = Pattern(100), fresh = Pattern(10, 1, true), expected = old;
    std::copy(fresh.begin(), fresh.end(), expected.begin());
    ASSERT_TRUE(WriteFileBytes(dir.native("k.dat"), old));
    ASSERT_TRUE(WriteStream(dir.core("k.dat"), ModeWrite | ModeKeepExisting, fresh));
    EXPECT_EQ(expected, ReadFileBytes(dir.native("k.dat")));
    ASSERT_TRUE(WriteStream(dir.core("k.dat"), ModeWrite, fresh));
    EXPECT_EQ(fresh, ReadFileBytes(dir.native("k.dat"))) << "without the bit the file is replaced";
}

TEST(FileStreamText, LineEndsBothWays)
{
    Bytes a511(511, 'a');
    struct Case { const char* what; Bytes file, stream; } cases[] = {
        {"CR LF", {0x61, 0x0D, 0x0A, 0x62}, {0x61, 0x0A, 0x62}},
        {"lone CR", {0x61, 0x0D, 0x62}, {0x61, 0x0D, 0x62}},
        {"CR LF split by the chunk", Cat(a511, {0x0D, 0x0A, 0x62}), Cat(a511, {0x0A, 0x62})},
        {"CR at the chunk end, no LF", Cat(a511, {0x0D, 0x63}), Cat(a511, {0x0D, 0x63})},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.native("t.txt"), c.file));
        FileStream s(dir.core("t.txt").c_str(), ModeRead | ModeText);
        EXPECT_EQ(Hex(c.stream, 600), Hex(ReadAll(s), 600)) << c.what;
    }
    EXPECT_TRUE(WriteStream(dir.core("w.txt"), ModeWrite | ModeText, Bytes{0x61, 0x0A, 0x0A, 0x62}));
    EXPECT_EQ(Hex(Bytes{0x61, 0x0D, 0x0A, 0x0D, 0x0A, 0x62}), Hex(ReadFileBytes(dir.native("w.txt"))));
}

TEST(FileStreamFolders, CreatedOutermostFirst)
{
    TempDir dir;
    ASSERT_TRUE(MakeFolder(dir.native("A")));
    ASSERT_TRUE(WriteStream(dir.core("A\\B\\C\\out.tex"), ModeWrite, Bytes{1, 2, 3}));
    EXPECT_EQ(Hex(Bytes{1, 2, 3}), Hex(ReadFileBytes(dir.native("A/B/C/out.tex"))));
    EXPECT_EQ(0, createFolders("\\\\srv")) << "UNC without a share";
    EXPECT_EQ(0, createFolders("\\\\srv\\share")) << "UNC share without a folder";
}

#ifndef _WIN32
namespace {
std::vector<std::string> asked;
void Record(const char* path) { asked.push_back(path); }
}  // namespace

TEST(FileStreamFolders, AsksForEachPrefixInOrder)
{
    struct Case { const char* path; std::vector<std::string> folders; } cases[] = {
        {"D:\\A\\B\\out.tex", {"D:", "D:\\A", "D:\\A\\B"}}, {"\\\\srv\\share\\dir\\f.dat", {"\\\\srv\\share\\dir"}},
        {"\\\\srv\\share\\f.dat", {}}, {"out.tex", {}},
    };
    // Drive paths map into the Wine prefix: point it at a folder that is not there.
    TempDir dir;
    {
        UsingWinePrefix missing(dir.native("no-prefix"));
        PlatformOnCreateDirectory(Record);
        for (const Case& c : cases) {
            asked.clear();
            createFolders(c.path);
            EXPECT_EQ(c.folders, asked) << c.path;
        }
        PlatformOnCreateDirectory(nullptr);
    }
    EXPECT_FALSE(FileExists(dir.native("no-prefix")));
}

TEST(FileStreamFaults, FullDiskIsReportedAndNothingHangs)
{
    TempDir dir;
    for (uint32_t mode : {uint32_t(ModeWrite), uint32_t(ModeWrite | 0x6000)}) {
        PlatformFailWritesAfter(100);
        EXPECT_FALSE(WriteStream(dir.core("f.dat"), mode, Pattern(5000, 1, true))) << mode;
        PlatformFailWritesAfter(-1);
        EXPECT_EQ(100u, ReadFileBytes(dir.native("f.dat")).size()) << mode;
    }
}
#endif

TEST(FileStreamSharing, ReaderSharesOnlyReading)
{
    TempDir dir;
    std::string path = dir.core("s.dat");
    ASSERT_TRUE(WriteFileBytes(dir.native("s.dat"), Bytes{5, 6, 7}));
    {
        FileStream reader(path.c_str(), ModeRead), second(path.c_str(), ModeRead);
        EXPECT_TRUE(reader.isGood() && second.isGood()) << "readers share";
        SetLastError(0xdeadbeef);
        FileStream writer(path.c_str(), ModeWrite);
        EXPECT_EQ(StreamFailed, writer.getStatus());
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    }
    EXPECT_EQ(Hex(Bytes{5, 6, 7}), Hex(ReadFileBytes(dir.native("s.dat")))) << "the refused writer truncated";
    FileStream writer(path.c_str(), ModeWrite), reader(path.c_str(), ModeRead);
    EXPECT_TRUE(writer.isGood());
    EXPECT_EQ(StreamFailed, reader.getStatus()) << "a writer shares nothing";
}
