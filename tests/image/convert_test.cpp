// The conversion end to end: files on disk byte for byte, variants, markers, diagnostics, and
// failures that must leave the previous banner exactly as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/zero_alloc.h"
#include "image/convert.h"
#include "image/tex_reader.h"
#include "tests/image/image_test_util.h"

#ifndef _WIN32
#include "platform/test_hooks.h"
#endif

namespace fs = std::filesystem;

namespace {

const Bytes kMagic = {'T', 'E', 'X', 0, 1, 0, 0, 0};
const size_t kChain32 = 4 * (1024 + 256 + 64 + 16 + 4);
const size_t kChain64 = 4 * (4096 + 1024 + 256 + 64 + 16);

struct Outcome {
    int result;
    std::string out;
};

Bytes Solid24(uint8_t blue, uint8_t green, uint8_t red, int32_t size = 32)
{
    BmpSpec s;
    s.width = s.height = size;
    Bytes rows;
    for (int i = 0; i < size * size; ++i) rows.insert(rows.end(), {blue, green, red});
    return BmpFile(s, {}, rows);
}

Bytes Solid32(uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha, uint16_t size = 32)
{
    TgaSpec s;
    s.width = s.height = size;
    Bytes px;
    for (int i = 0; i < size * size; ++i) px.insert(px.end(), {blue, green, red, alpha});
    return TgaFile(s, px);
}

Bytes Slice(const Bytes& b, size_t at, size_t n)
{
    if (at > b.size()) return Bytes();
    return Bytes(b.begin() + at, b.begin() + std::min(b.size(), at + n));
}

class Conversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        zeroAllocFailAfter(-1);
#ifndef _WIN32
        PlatformFailWritesAfter(-1);
#endif
    }
    void TearDown() override
    {
        zeroAllocFailAfter(-1);
#ifndef _WIN32
        PlatformFailWritesAfter(-1);
#endif
    }
    void Put(const std::string& name, const Bytes& file) { ASSERT_TRUE(WriteFileBytes(dir.native(name), file)); }
    Outcome Banner(const std::string& source, const std::string& destination)
    {
        testing::internal::CaptureStdout();
        int r = ConvertBannerPicture(source.c_str(), destination.c_str());
        return {r, testing::internal::GetCapturedStdout()};
    }
    Outcome Banner(const char* source, const char* destination)
    {
        return Banner(dir.core(source), dir.core(destination));
    }
    Bytes Out(const std::string& name) { return ReadFileBytes(dir.native(name)); }
    // Names in the scratch folder (one level), to see that nothing stray was left behind.
    std::set<std::string> Names(const std::string& sub = "")
    {
        std::set<std::string> names;
        std::error_code ec;
        for (auto& e : fs::directory_iterator(sub.empty() ? NativePath(dir.path()) : dir.native(sub), ec))
            names.insert(e.path().filename().string());
        return names;
    }
    std::string Arrow(const std::string& source, const std::string& name)
    {
        char line[1024];
        snprintf(line, sizeof line, "%-15s->     %-20s\n", source.c_str(), name.c_str());
        return line;
    }
    TempDir dir;
};

using ConversionFiles = Conversion;
using ConversionVariants = Conversion;
using ConversionMarkers = Conversion;
using ConversionFailures = Conversion;
using ConversionLimits = Conversion;

}  // namespace

TEST_F(ConversionFiles, SingleBmpRecordByteForByte)
{
    Put("logo.bmp", FixtureBytes("own_bmp24_32.bmp"));
    Outcome r = Banner("logo.bmp", "BannerUser.tex");
    ASSERT_EQ(1, r.result) << r.out;
    EXPECT_EQ(Arrow(dir.core("logo.bmp"), dir.core("BannerUser.tex")), r.out);

    Bytes file = Out("BannerUser.tex");
    ASSERT_EQ(20 + 28 + kChain32, file.size());
    EXPECT_EQ(Hex({0xFF, 0xA1, 0xD0, 0x20}), Hex(Slice(file, 0, 4)));
    Bytes id(reinterpret_cast<const uint8_t*>(&conversionId),
             reinterpret_cast<const uint8_t*>(&conversionId) + 16);
    EXPECT_EQ(Hex(id), Hex(Slice(file, 4, 16)));
    EXPECT_NE(Hex(Bytes(16, 0)), Hex(id));
    Bytes header = kMagic;
    header.insert(header.end(), {0x16, 0, 0, 0x03, 0x88, 0x88, 0, 0, 0x20, 0, 0, 0, 0x20, 0, 0, 0, 5, 0, 0, 0});
    EXPECT_EQ(Hex(header), Hex(Slice(file, 20, 28)));

    Picture source;
    ASSERT_EQ(1, ReadBmpPicture(source, Fixture("own_bmp24_32.bmp").c_str()));
    EXPECT_TRUE(ReferenceChain(source, 5) == Slice(file, 48, kChain32)) << "levels differ";
    EXPECT_EQ((std::set<std::string>{"logo.bmp", "BannerUser.tex"}), Names());
}

TEST_F(ConversionFiles, SingleTgaRecordDiffersOnlyInFlagsAndPixels)
{
    Put("logo.tga", Solid32(10, 20, 30, 40));
    Outcome r = Banner("logo.tga", "BannerUserStat.tex");
    ASSERT_EQ(1, r.result) << r.out;
    Bytes file = Out("BannerUserStat.tex");
    ASSERT_EQ(20 + 28 + kChain32, file.size());
    EXPECT_EQ(Hex({0x26, 0, 0, 0x03}), Hex(Slice(file, 28, 4)));
    EXPECT_EQ(Hex({30, 20, 10, 40}), Hex(Slice(file, 48, 4)));
    EXPECT_EQ(Hex({30, 20, 10, 40}), Hex(Slice(file, file.size() - 4, 4))) << "last 2x2 level";
}

TEST_F(ConversionFiles, EveryConversionHasItsOwnIdentifier)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    std::set<std::string> ids;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(1, Banner("logo.bmp", "out.tex").result);
        Bytes file = Out("out.tex");
        EXPECT_EQ(Hex({0xFF, 0xA1, 0xD0, 0x20}), Hex(Slice(file, 0, 4)));
        ids.insert(Hex(Slice(file, 4, 16)));
    }
    EXPECT_EQ(4u, ids.size());
}

TEST_F(ConversionFiles, ReplacesALargerOldFileCompletely)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Put("BannerUser.tex", Bytes(100000, 0xEE));
    ASSERT_EQ(1, Banner("logo.bmp", "BannerUser.tex").result);
    EXPECT_EQ(20 + 28 + kChain32, Out("BannerUser.tex").size());
    EXPECT_EQ((std::set<std::string>{"logo.bmp", "BannerUser.tex"}), Names());
}

TEST_F(ConversionFiles, MissingFoldersAreCreated)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Outcome r = Banner("logo.bmp", "Players\\Ann\\BannerUser.tex");
    ASSERT_EQ(1, r.result) << r.out;
    EXPECT_EQ(20 + 28 + kChain32, Out("Players\\Ann\\BannerUser.tex").size());
}

TEST_F(ConversionFiles, WithoutIdentifierThereIsNoStreamHeader)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    conversionId = GUID();
    requestedLevelCount = 1;
    testing::internal::CaptureStdout();
    int r = ConvertPicture(dir.core("logo.bmp").c_str(), ("#" + dir.core("o.tex")).c_str(), false);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(1, r);
    Bytes file = Out("o.tex");
    ASSERT_EQ(24 + 4096u, file.size()) << "one level, no level count word";
    EXPECT_EQ(Hex(kMagic), Hex(Slice(file, 0, 8)));
    EXPECT_EQ(Hex({0x12, 0, 0, 0x03}), Hex(Slice(file, 8, 4)));
}

TEST_F(ConversionVariants, SetOfTwo)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Put("logo#1.bmp", Solid24(4, 5, 6));
    ASSERT_EQ(1, Banner("logo.bmp", "b.tex").result);
    Bytes file = Out("b.tex");
    ASSERT_EQ(20 + 16 + 2 * (28 + kChain32), file.size());
    Bytes set = kMagic;
    set.insert(set.end(), {0x12, 0, 0, 0x43, 2, 0, 0, 0});
    EXPECT_EQ(Hex(set), Hex(Slice(file, 20, 16)));
    size_t second = 36 + 28 + kChain32;
    EXPECT_EQ(Hex(kMagic), Hex(Slice(file, 36, 8)));
    EXPECT_EQ(Hex(kMagic), Hex(Slice(file, second, 8)));
    EXPECT_EQ(Hex({0x16, 0, 0, 0x03}), Hex(Slice(file, second + 8, 4)));
    EXPECT_EQ(Hex({3, 2, 1, 255}), Hex(Slice(file, 36 + 28, 4))) << "the picture comes first";
    EXPECT_EQ(Hex({6, 5, 4, 255}), Hex(Slice(file, second + 28, 4)));
}

TEST_F(ConversionVariants, SetOfFourInOrder)
{
    Put("logo.tga", Solid32(1, 1, 1, 1));
    Put("logo#3.tga", Solid32(4, 4, 4, 4));
    Put("logo#1.tga", Solid32(2, 2, 2, 2));
    Put("logo#2.tga", Solid32(3, 3, 3, 3));
    ASSERT_EQ(1, Banner("logo.tga", "b.tex").result);
    Bytes file = Out("b.tex");
    ASSERT_EQ(20 + 16 + 4 * (28 + kChain32), file.size());
    EXPECT_EQ(Hex({0x22, 0, 0, 0x43, 4, 0, 0, 0}), Hex(Slice(file, 28, 8)));
    for (int k = 0; k < 4; ++k) {
        size_t at = 36 + k * (28 + kChain32);
        EXPECT_EQ(Hex(kMagic), Hex(Slice(file, at, 8))) << k;
        EXPECT_EQ(Hex({0x26, 0, 0, 0x03}), Hex(Slice(file, at + 8, 4))) << k;
        uint8_t v = uint8_t(k + 1);
        EXPECT_EQ(Hex({v, v, v, v}), Hex(Slice(file, at + 28, 4))) << "record " << k;
    }
}

TEST_F(ConversionVariants, BigPictureWithSmallVariant)
{
    Put("logo.bmp", Solid24(1, 2, 3, 64));
    Put("logo#1.bmp", Solid24(4, 5, 6, 32));
    ASSERT_EQ(1, Banner("logo.bmp", "b.tex").result);
    Bytes file = Out("b.tex");
    ASSERT_EQ(20 + 16 + 28 + kChain64 + 28 + kChain32, file.size());
    EXPECT_EQ(Hex({64, 0, 0, 0, 64, 0, 0, 0, 5, 0, 0, 0}), Hex(Slice(file, 36 + 16, 12)));
    size_t second = 36 + 28 + kChain64;
    EXPECT_EQ(Hex({32, 0, 0, 0, 32, 0, 0, 0, 5, 0, 0, 0}), Hex(Slice(file, second + 16, 12)));
}

TEST_F(ConversionVariants, CombinationsThatFailWriteNothing)
{
    const std::vector<std::vector<int>> combos = {{2}, {3}, {1, 2}, {2, 3}, {1, 3}};
    for (const auto& combo : combos) {
        TempDir d;
        ASSERT_TRUE(WriteFileBytes(d.native("logo.bmp"), Solid24(1, 2, 3)));
        ASSERT_TRUE(WriteFileBytes(d.native("BannerUser.tex"), Bytes{1, 2, 3}));
        for (int k : combo)
            ASSERT_TRUE(WriteFileBytes(d.native("logo#" + std::to_string(k) + ".bmp"), Solid24(9, 9, 9)));
        testing::internal::CaptureStdout();
        int r = ConvertBannerPicture(d.core("logo.bmp").c_str(), d.core("BannerUser.tex").c_str());
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(0, r) << combo.size();
        EXPECT_EQ("Can't collect all 'destroyed' textures\n", out);
        EXPECT_EQ(Hex({1, 2, 3}), Hex(ReadFileBytes(d.native("BannerUser.tex"))));
        testing::internal::CaptureStdout();
        ConvertBannerPicture(d.core("logo.bmp").c_str(), d.core("New.tex").c_str());
        testing::internal::GetCapturedStdout();
        EXPECT_FALSE(FileExists(d.native("New.tex"))) << "nothing may be created";
        EXPECT_FALSE(FileExists(d.native("New.tex.tmp")));
    }
}

TEST_F(ConversionVariants, UnreadableVariantCountsAsAbsent)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Put("logo#1.bmp", Solid24(4, 5, 6, 16));
    ASSERT_EQ(1, Banner("logo.bmp", "b.tex").result);
    EXPECT_EQ(20 + 28 + kChain32, Out("b.tex").size());
}

TEST_F(ConversionVariants, VariantsOfATgaAreReadAsTga)
{
    Put("logo.tga", Solid32(1, 1, 1, 1));
    Put("logo#1.tga", Solid24(4, 5, 6));  // a BMP under a TGA name: fails the TGA reader
    ASSERT_EQ(1, Banner("logo.tga", "b.tex").result);
    EXPECT_EQ(20 + 28 + kChain32, Out("b.tex").size());
}

TEST_F(ConversionVariants, LetterCaseOfTheNameIsKept)
{
    Put("LOGO.BMP", Solid24(1, 2, 3));
    Put("LOGO#1.BMP", Solid24(4, 5, 6));
    ASSERT_EQ(1, Banner("LOGO.BMP", "b.tex").result);
    EXPECT_EQ(20 + 16 + 2 * (28 + kChain32), Out("b.tex").size());
}

TEST(VariantNames, NumberGoesBeforeTheLastFourCharacters)
{
    struct Case {
        const char* source;
        int k;
        const char* name;
    } cases[] = {
        {"D:\\Art\\logo.bmp", 1, "D:\\Art\\logo#1.bmp"}, {"D:\\Art\\LOGO.BMP", 2, "D:\\Art\\LOGO#2.BMP"},
        {"D:\\Art\\logo.tga", 3, "D:\\Art\\logo#3.tga"}, {"D:\\Art\\logo.bmp", 4, "D:\\Art\\logo#.bmp"},
        {"D:\\Art\\mytga", 1, "D:\\Art\\m#1ytga"},      {".bmp", 1, "#1.bmp"},
    };
    for (const Case& c : cases) {
        const char* got = MakeVariantName(c.source, c.k);
        ASSERT_NE(nullptr, got) << c.source;
        EXPECT_STREQ(c.name, got);
    }
    EXPECT_EQ(nullptr, MakeVariantName("bmp", 1));
    std::string fits(257, 'a'), too(258, 'a');
    ASSERT_NE(nullptr, MakeVariantName(fits.c_str(), 1));
    EXPECT_EQ(259u, strlen(MakeVariantName(fits.c_str(), 1)));
    EXPECT_EQ(nullptr, MakeVariantName(too.c_str(), 1));
}

// The markers need a relative destination, so these run in the scratch folder.
class ConversionInFolder : public Conversion {
protected:
    void SetUp() override
    {
        Conversion::SetUp();
        previous = fs::current_path();
        fs::current_path(NativePath(dir.path()));
        conversionId = GUID{0x04030201, 0x0605, 0x0807, {9, 10, 11, 12, 13, 14, 15, 16}};
        requestedLevelCount = 5;
    }
    void TearDown() override
    {
        fs::current_path(previous);
        Conversion::TearDown();
    }
    Outcome Convert(const char* source, const char* spec, bool isTga)
    {
        testing::internal::CaptureStdout();
        int r = ConvertPicture(source, spec, isTga);
        return {r, testing::internal::GetCapturedStdout()};
    }
    fs::path previous;
};

TEST_F(ConversionInFolder, MarkersBecomeFlags)
{
    Put("x.tga", Solid32(1, 2, 3, 4));
    Put("x.bmp", Solid24(1, 2, 3));
    struct Case {
        const char* source;
        const char* spec;
        bool tga;
        const char* file;
        uint32_t flags;
    } cases[] = {
        {"x.tga", "#$name.tex", true, "name.tex", 0x03000426},
        {"x.bmp", "~#name.tex", false, "#name.tex", 0x03000106},
        {"x.bmp", "#name.tex", false, "name.tex", 0x03000016},
        {"x.tga", "@4name.tex", true, "name.tex", 0x03000206},
        {"x.tga", "@5name.tex", true, "@5name.tex", 0x03000006},
        {"x.bmp", "name.tex", false, "name.tex", 0x03000006},
        {"x.tga", "#$@4name.tex", true, "name.tex", 0x03000626},
    };
    for (const Case& c : cases) {
        fs::remove(c.file);
        Outcome r = Convert(c.source, c.spec, c.tga);
        ASSERT_EQ(1, r.result) << c.spec << ": " << r.out;
        EXPECT_EQ(Arrow(c.source, c.file), r.out) << c.spec;
        Bytes file = Out(c.file);
        ASSERT_EQ(20 + 28 + kChain32, file.size()) << c.spec;
        EXPECT_EQ(c.flags, GetU32(file, 28)) << c.spec;
    }
}

TEST_F(ConversionInFolder, ArrowLinePadsBothNames)
{
    Put("x.bmp", Solid24(1, 2, 3));
    Outcome r = Convert("x.bmp", "#o.tex", false);
    ASSERT_EQ(1, r.result);
    EXPECT_EQ("x.bmp          ->     o.tex               \n", r.out);
}

TEST_F(ConversionFailures, MissingOrBadSource)
{
    Put("bad.bmp", Solid24(1, 2, 3, 16));
    Put("BannerUser.tex", Bytes{7, 7});
    for (const char* source : {"absent.bmp", "bad.bmp"}) {
        Outcome r = Banner(source, "BannerUser.tex");
        EXPECT_EQ(0, r.result);
        EXPECT_EQ("Can't open file (" + dir.core(source) + ")\n", r.out);
        EXPECT_EQ(Hex({7, 7}), Hex(Out("BannerUser.tex")));
    }
}

TEST_F(ConversionFailures, ReadOnlyDestinationIsKept)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Bytes old = FixtureBytes("own_bmp24_32.bmp");
    Put("BannerUser.tex", old);
    ASSERT_TRUE(SetReadOnly(dir.native("BannerUser.tex"), true));
    Outcome r = Banner("logo.bmp", "BannerUser.tex");
    SetReadOnly(dir.native("BannerUser.tex"), false);
    EXPECT_EQ(0, r.result);
    EXPECT_EQ(Arrow(dir.core("logo.bmp"), dir.core("BannerUser.tex")) + "Can't open output file (" +
                  dir.core("BannerUser.tex") + ")\n",
              r.out);
    EXPECT_TRUE(old == Out("BannerUser.tex"));
    EXPECT_EQ((std::set<std::string>{"logo.bmp", "BannerUser.tex"}), Names());
}

TEST_F(ConversionFailures, FolderThatCannotBeWritten)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Put("plain", Bytes{1});
    Outcome r = Banner("logo.bmp", "plain\\BannerUser.tex");
    EXPECT_EQ(0, r.result);
    EXPECT_NE(std::string::npos, r.out.find("Can't open output file (" + dir.core("plain\\BannerUser.tex") + ")\n"))
        << r.out;
    EXPECT_EQ(Hex({1}), Hex(Out("plain")));

    ASSERT_TRUE(MakeFolder(dir.native("BannerUser.tex")));  // a folder where the file should be
    r = Banner("logo.bmp", "BannerUser.tex");
    EXPECT_EQ(0, r.result);
    EXPECT_NE(std::string::npos, r.out.find("Can't open output file")) << r.out;
    EXPECT_EQ((std::set<std::string>{"logo.bmp", "plain", "BannerUser.tex"}), Names());
}

#ifndef _WIN32
TEST_F(ConversionFailures, WriteFailingPartWayKeepsTheOldBanner)
{
    Put("logo.tga", Solid32(1, 2, 3, 4));
    Put("logo#1.tga", Solid32(5, 6, 7, 8));
    Bytes old(777, 0x5A);
    Put("BannerUser.tex", old);
    const size_t total = 20 + 16 + 2 * (28 + kChain32);
    for (int64_t after : {int64_t(0), int64_t(1), int64_t(20), int64_t(511), int64_t(512),
                          int64_t(5000), int64_t(total - 1)}) {
        PlatformFailWritesAfter(after);
        Outcome r = Banner("logo.tga", "BannerUser.tex");
        PlatformFailWritesAfter(-1);
        EXPECT_EQ(0, r.result) << "failing after " << after;
        EXPECT_EQ(Arrow(dir.core("logo.tga"), dir.core("BannerUser.tex")) + "Can't write output file (" +
                      dir.core("BannerUser.tex") + ")\n",
                  r.out)
            << after;
        EXPECT_TRUE(old == Out("BannerUser.tex")) << "failing after " << after;
        EXPECT_EQ((std::set<std::string>{"logo.tga", "logo#1.tga", "BannerUser.tex"}), Names()) << after;
    }
    PlatformFailWritesAfter(int64_t(total));  // exactly enough
    EXPECT_EQ(1, Banner("logo.tga", "BannerUser.tex").result);
    PlatformFailWritesAfter(-1);
    EXPECT_EQ(total, Out("BannerUser.tex").size());
}
#endif

// Running out of storage may cost a variant (it then counts as absent, like any variant
// that cannot be read) but never leaves a broken file or loses the old one.
TEST_F(ConversionFailures, StorageRunningOutFailsCleanly)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    Put("logo#1.bmp", Solid24(4, 5, 6));
    Bytes old(333, 0x33);
    const size_t set = 20 + 16 + 2 * (28 + kChain32);
    bool complete = false;
    for (long n = 0; n < 500 && !complete; ++n) {
        Put("BannerUser.tex", old);
        testing::internal::CaptureStdout();
        zeroAllocFailAfter(n);
        int r = ConvertBannerPicture(dir.core("logo.bmp").c_str(), dir.core("BannerUser.tex").c_str());
        zeroAllocFailAfter(-1);
        std::string out = testing::internal::GetCapturedStdout();
        Bytes file = Out("BannerUser.tex");
        EXPECT_EQ((std::set<std::string>{"logo.bmp", "logo#1.bmp", "BannerUser.tex"}), Names()) << n;
        if (!r) {
            EXPECT_NE(std::string::npos, out.find("Can't")) << "allocation " << n << ": " << out;
            EXPECT_TRUE(old == file) << "allocation " << n;
            continue;
        }
        TexLayout layout;
        TexError error;
        EXPECT_EQ(1, ParseTexLayout(file.data(), uint32_t(file.size()), layout, error))
            << "allocation " << n << ": " << error.text;
        complete = file.size() == set;
    }
    EXPECT_TRUE(complete);
}

TEST_F(ConversionLimits, DestinationTooLongForTheBuffer)
{
    Put("logo.bmp", Solid24(1, 2, 3));
    std::string destination = dir.path() + "\\" + std::string(259 - dir.path().size() - 1, 'd');
    ASSERT_EQ(259u, destination.size());
    Outcome r = Banner(dir.core("logo.bmp"), destination);
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("Can't open output file (" + destination + ")\n", r.out);

    std::string spec(300, '#');
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, ConvertPicture(dir.core("logo.bmp").c_str(), spec.c_str(), false));
    EXPECT_EQ("Can't open output file (" + spec + ")\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::set<std::string>{"logo.bmp"}), Names());
}

TEST_F(ConversionLimits, SourceTooLongForItsVariantNames)
{
    std::string source = dir.path() + "\\" + std::string(258 - dir.path().size() - 5, 's') + ".bmp";
    ASSERT_EQ(258u, source.size());
    Outcome r = Banner(source, dir.core("out.tex"));
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("Can't open file (" + source + ")\n", r.out);
    EXPECT_FALSE(FileExists(dir.native("out.tex")));
}

#ifndef _WIN32
// Natively the file system takes paths this long, so the edge itself can be converted.
TEST_F(ConversionLimits, LongestPathsThatFit)
{
    // Folders of 100 characters, so that no single name is too long for the file system.
    std::string folder = dir.path();
    while (folder.size() + 101 < 240) folder += "\\" + std::string(100, 'f');
    folder += "\\" + std::string(240 - folder.size() - 1, 'g');
    ASSERT_TRUE(MakeFolder(NativePath(folder)));
    std::string source = folder + "\\" + std::string(257 - folder.size() - 5, 'p') + ".bmp";
    ASSERT_EQ(257u, source.size());
    ASSERT_TRUE(WriteFileBytes(NativePath(source), Solid24(1, 2, 3)));
    ASSERT_TRUE(WriteFileBytes(NativePath(MakeVariantName(source.c_str(), 1)), Solid24(4, 5, 6)));
    std::string destination = folder + "\\" + std::string(255 - folder.size() - 1, 'o');
    ASSERT_EQ(255u, destination.size());
    Outcome r = Banner(source, destination);
    ASSERT_EQ(1, r.result) << r.out;
    EXPECT_EQ(20 + 16 + 2 * (28 + kChain32), ReadFileBytes(NativePath(destination)).size());

    destination += "o";  // 256: the temporary name beside it would not fit
    r = Banner(source, destination);
    EXPECT_EQ(0, r.result);
    EXPECT_NE(std::string::npos, r.out.find("Can't open output file (" + destination + ")\n"));
}
#endif
