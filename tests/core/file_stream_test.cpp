// FileStream over real files: what lands on disk, read windows, text mode, folders, sharing.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "core/file_stream.h"
#include "core/zero_alloc.h"
#include "platform/win32.h"
#include "tests/core/stream_checks.h"

#ifndef _WIN32
#include "platform/test_hooks.h"
#endif

namespace {

const uint32_t kWrite6 = ModeWrite | 0x6000;
const uint32_t kRead6 = ModeRead | 0x6000;

Bytes ReadAll(Stream& s)
{
    Bytes all;
    uint8_t b = 0;
    for (;;) {
        s.read(&b, 1);
        if (!s.isGood()) return all;
        all.push_back(b);
    }
}

// Wine run by root opens a file with the read-only attribute for writing all the same; Windows
// and the native layer refuse it.
bool ReadOnlyIsHonoured()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return !wine;
#else
    return true;
#endif
}

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
    for (bool compressed : {false, true}) {
        for (size_t n : {0, 511, 512, 513}) {
            SCOPED_TRACE((compressed ? "compressed, " : "plain, ") + std::to_string(n) + " bytes");
            Bytes data = Pattern(n, uint32_t(n));
            std::string path = dir.core("r.dat");
            FileStream out(path.c_str(), compressed ? kWrite6 : ModeWrite);
            ASSERT_TRUE(out.isGood());
            for (uint8_t b : data) out.write(&b, 1);
            EXPECT_EQ(1, out.close());

            Bytes file = ReadFileBytes(dir.native("r.dat"));
            if (compressed) {
                bool ok = false;
                std::vector<Bytes> streams = InflatedStreams(file, ok);
                EXPECT_TRUE(ok);
                ASSERT_EQ(1u, streams.size());
                EXPECT_EQ(data, streams[0]);
            } else {
                EXPECT_EQ(data, file);
            }

            FileStream in(path.c_str(), compressed ? kRead6 : ModeRead);
            if (n == 0) {
                EXPECT_EQ(StreamEnd, in.getStatus()) << "the probe finds no data";
                continue;
            }
            Bytes back;
            for (size_t i = 0; i < n; ++i) {
                int next = in.peek();
                uint8_t b = 0;
                in.read(&b, 1);
                ASSERT_TRUE(in.isGood()) << "at byte " << i;
                ASSERT_EQ(next, b) << "peek disagrees with read at byte " << i;
                back.push_back(b);
            }
            EXPECT_EQ(data, back);
            uint8_t extra = 0;
            in.read(&extra, 1);
            EXPECT_EQ(StreamEnd, in.getStatus());
        }
    }
}

TEST(FileStreamOpen, ReadWindows)
{
    TempDir dir;
    Bytes data = Pattern(1000);
    ASSERT_TRUE(WriteFileBytes(dir.native("w.dat"), data));
    std::string path = dir.core("w.dat");
    struct Case {
        int32_t offset, length;
        size_t readable;  // bytes from `offset` that can be read before StreamEnd
    } cases[] = {{100, 10, 10}, {100, -1, 900}, {100, 50, 50}, {0, 2000, 1000}, {999, -1, 1}};
    for (const Case& c : cases) {
        FileStream s(path.c_str(), ModeRead, c.offset, c.length);
        ASSERT_TRUE(s.isGood()) << c.offset << "/" << c.length;
        Bytes got = ReadAll(s);
        EXPECT_EQ(StreamEnd, s.getStatus());
        EXPECT_EQ(Bytes(data.begin() + c.offset, data.begin() + c.offset + c.readable), got)
            << c.offset << "/" << c.length;
    }
    FileStream beyond(path.c_str(), ModeRead, 1001, -1);
    EXPECT_EQ(StreamFailed, beyond.getStatus());
    FileStream negative(path.c_str(), ModeRead, -1, -1);
    EXPECT_EQ(StreamFailed, negative.getStatus());
}

TEST(FileStreamOpen, EmptyFileAndMissingFile)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("empty"), Bytes()));
    FileStream probed(dir.core("empty").c_str(), ModeRead);
    EXPECT_EQ(StreamEnd, probed.getStatus());
    FileStream unprobed(dir.core("empty").c_str(), ModeRead | ModeNoHeaderProbe);
    ASSERT_TRUE(unprobed.isGood());
    uint8_t b;
    unprobed.read(&b, 1);
    EXPECT_EQ(StreamEnd, unprobed.getStatus());

    FileStream missing(dir.core("missing").c_str(), ModeRead);
    EXPECT_EQ(StreamFailed, missing.getStatus());
    EXPECT_EQ(0, missing.close()) << "there was no file to close";
    FileStream bad(dir.core("never.dat").c_str(), ModeWrite, 4);
    EXPECT_EQ(StreamFailed, bad.getStatus());
    EXPECT_FALSE(FileExists(dir.native("never.dat"))) << "a bad mode creates nothing";
}

TEST(FileStreamText, LineEndsBothWays)
{
    Bytes a511(511, 'a');
    auto with = [&](std::initializer_list<uint8_t> tail) {
        Bytes b = a511;
        b.insert(b.end(), tail);
        return b;
    };
    struct Case {
        const char* what;
        Bytes file, stream;
    } cases[] = {
        {"CR LF", {0x61, 0x0D, 0x0A, 0x62}, {0x61, 0x0A, 0x62}},
        {"lone CR", {0x61, 0x0D, 0x62}, {0x61, 0x0D, 0x62}},
        {"CR at the end of the file", {0x61, 0x0D}, {0x61, 0x0D}},
        {"CR LF split by the chunk", with({0x0D, 0x0A, 0x62}), with({0x0A, 0x62})},
        {"CR at the chunk end, no LF", with({0x0D, 0x63}), with({0x0D, 0x63})},
        {"CR CR LF", {0x0D, 0x0D, 0x0A}, {0x0D, 0x0A}},
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

TEST(FileStreamCompressed, TenThousandBytesAreExactlyOneZlibStream)
{
    TempDir dir;
    Bytes data = Pattern(10000);
    ASSERT_TRUE(WriteStream(dir.core("c.dat"), kWrite6, data));
    Bytes file = ReadFileBytes(dir.native("c.dat"));
    Bytes back(data.size() + 1);
    uLongf backSize = uLongf(back.size());
    uLong used = uLong(file.size());
    ASSERT_EQ(Z_OK, uncompress2(back.data(), &backSize, file.data(), &used));
    EXPECT_EQ(file.size(), used) << "bytes after the zlib stream";
    back.resize(backSize);
    EXPECT_EQ(data, back);
}

TEST(FileStreamCompressed, HeaderThenDataReadsBackWholeThroughTheProbe)
{
    TempDir dir;
    uint8_t id[16];
    for (int i = 0; i < 16; ++i) id[i] = uint8_t(0xA0 + i);
    Bytes data = Noise(3000);
    for (int restart : {1, 0}) {
        FileStream out(dir.core("h.dat").c_str(), kWrite6);
        out.writeHeader(id, "player", 42, restart);
        out.write(data.data(), int32_t(data.size()));
        ASSERT_EQ(1, out.close());
        bool ok = false;
        EXPECT_EQ(restart ? 2u : 1u, InflatedStreams(ReadFileBytes(dir.native("h.dat")), ok).size());

        FileStream in(dir.core("h.dat").c_str(), kRead6);
        ASSERT_TRUE(in.isGood());
        Bytes back(data.size());
        in.read(back.data(), int32_t(back.size()));
        EXPECT_TRUE(in.isGood()) << "restart " << restart;
        EXPECT_EQ(data, back) << "restart " << restart;
        in.read(back.data(), 1);
        EXPECT_EQ(StreamEnd, in.getStatus());
    }
}

TEST(FileStreamFolders, CreatedOutermostFirst)
{
    TempDir dir;
    ASSERT_TRUE(MakeFolder(dir.native("A")));
    std::string path = dir.core("A\\B\\C\\out.tex");
    ASSERT_TRUE(WriteStream(path, ModeWrite, Bytes{1, 2, 3}));
    EXPECT_EQ(Hex(Bytes{1, 2, 3}), Hex(ReadFileBytes(dir.native("A/B/C/out.tex"))));

    EXPECT_EQ(0, createFolders("\\\\srv")) << "UNC without a share";
    EXPECT_EQ(0, createFolders("\\\\srv\\share")) << "UNC share without a folder";

    zeroAllocFailAfter(1);  // the buffer, then not the scratch copy of the path
    FileStream starved(dir.core("X\\out.tex").c_str(), ModeWrite);
    zeroAllocFailAfter(-1);
    EXPECT_EQ(StreamFailed, starved.getStatus());
    EXPECT_FALSE(FileExists(dir.native("X")));
}

#ifndef _WIN32
namespace {
std::vector<std::string> asked;
void Record(const char* path) { asked.push_back(path); }
}  // namespace

TEST(FileStreamFolders, AsksForEachPrefixInOrder)
{
    struct Case {
        const char* path;
        std::vector<std::string> folders;
    } cases[] = {
        {"D:\\A\\B\\out.tex", {"D:", "D:\\A", "D:\\A\\B"}},
        {"\\\\srv\\share\\dir\\f.dat", {"\\\\srv\\share\\dir"}},
        {"\\\\srv\\share\\f.dat", {}},
        {"\\\\srv", {}},
        {"out.tex", {}},
        {"\\f", {""}},
    };
    // Drive paths map into the Wine prefix: point it at a folder that is not there.
    TempDir dir;
    std::string oldPrefix = getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "";
    setenv("WINEPREFIX", dir.native("no-prefix").c_str(), 1);
    PlatformOnCreateDirectory(Record);
    for (const Case& c : cases) {
        asked.clear();
        createFolders(c.path);
        EXPECT_EQ(c.folders, asked) << c.path;
    }
    asked.clear();
    FileStream s("D:\\A\\B\\out.tex", ModeWrite);
    EXPECT_EQ(3u, asked.size()) << "opening for writing makes the folders first";
    EXPECT_EQ(StreamFailed, s.getStatus()) << "the drive does not exist";
    PlatformOnCreateDirectory(nullptr);
    if (oldPrefix.empty()) unsetenv("WINEPREFIX");
    else setenv("WINEPREFIX", oldPrefix.c_str(), 1);
    EXPECT_FALSE(FileExists(dir.native("no-prefix")));
}
#endif

TEST(FileStreamSharing, ReaderSharesOnlyReading)
{
    TempDir dir;
    std::string path = dir.core("s.dat");
    ASSERT_TRUE(WriteFileBytes(dir.native("s.dat"), Bytes{5, 6, 7}));
    {
        FileStream reader(path.c_str(), ModeRead);
        ASSERT_TRUE(reader.isGood());
        FileStream second(path.c_str(), ModeRead);
        EXPECT_TRUE(second.isGood()) << "readers share";
        FileStream writer(path.c_str(), ModeWrite);
        EXPECT_EQ(StreamFailed, writer.getStatus());
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    }
    EXPECT_EQ(Hex(Bytes{5, 6, 7}), Hex(ReadFileBytes(dir.native("s.dat")))) << "the refused writer truncated";
    FileStream writer(path.c_str(), ModeWrite);
    ASSERT_TRUE(writer.isGood());
    FileStream reader(path.c_str(), ModeRead);
    EXPECT_EQ(StreamFailed, reader.getStatus()) << "a writer shares nothing";
}

TEST(FileStreamOpen, KeepExistingOverwritesOnlyTheStart)
{
    TempDir dir;
    Bytes old = Pattern(100), fresh = Noise(10);
    ASSERT_TRUE(WriteFileBytes(dir.native("k.dat"), old));
    ASSERT_TRUE(WriteStream(dir.core("k.dat"), ModeWrite | ModeKeepExisting, fresh));
    Bytes expected = old;
    std::copy(fresh.begin(), fresh.end(), expected.begin());
    EXPECT_EQ(expected, ReadFileBytes(dir.native("k.dat")));
    ASSERT_TRUE(WriteStream(dir.core("k.dat"), ModeWrite, fresh));
    EXPECT_EQ(fresh, ReadFileBytes(dir.native("k.dat"))) << "without the bit the file is replaced";
}

TEST(FileStreamOpen, ReadOnlyFileRefusesWriting)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("ro.dat"), Bytes{9}));
    ASSERT_TRUE(SetReadOnly(dir.native("ro.dat"), true));
    if (!ReadOnlyIsHonoured()) GTEST_SKIP() << "Wine as root ignores the read-only attribute";
    FileStream s(dir.core("ro.dat").c_str(), ModeWrite);
    EXPECT_EQ(StreamFailed, s.getStatus());
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(Bytes{9}, ReadFileBytes(dir.native("ro.dat")));
    SetReadOnly(dir.native("ro.dat"), false);
}

TEST(FileStreamClose, ReportsOnceAndOnlyForGoodStreams)
{
    TempDir dir;
    FileStream s(dir.core("c.dat").c_str(), ModeWrite);
    EXPECT_EQ(1, s.close());
    EXPECT_EQ(0, s.close()) << "the handle is gone";
    uint8_t b = 1;
    s.write(&b, 1);
    EXPECT_EQ(0u, s.getStatus()) << "a closed stream does nothing";
}

#ifndef _WIN32
TEST(FileStreamFaults, FullDiskIsReportedAndNothingHangs)
{
    TempDir dir;
    for (uint32_t mode : {uint32_t(ModeWrite), kWrite6, uint32_t(ModeWrite | ModeText)}) {
        PlatformFailWritesAfter(100);
        FileStream s(dir.core("f.dat").c_str(), mode);
        Bytes data = Noise(5000);
        s.write(data.data(), int32_t(data.size()));
        EXPECT_EQ(0, s.close()) << mode;
        PlatformFailWritesAfter(-1);
        EXPECT_EQ(100u, ReadFileBytes(dir.native("f.dat")).size()) << mode;
    }
}
#endif
