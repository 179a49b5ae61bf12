// The conversion's refusals, and failures that must leave the previous banner exactly as it was
// (the files it writes, and the markers, are checked byte for byte in tex_test.cpp).
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <map>

#include "core/zero_alloc.h"
#include "image/convert.h"
#include "image/tex_reader.h"
#include "tests/image/image_test_util.h"

#ifndef _WIN32
#include "platform/test_hooks.h"
#endif

namespace fs = std::filesystem;

namespace {

const size_t kSetOf2 = 20 + 16 + 2 * (28 + 5456);  // two 32 by 32 records with a stream header

class Conversion : public ::testing::Test {
protected:
    void Put(const std::string& name, const Bytes& bytes) { ASSERT_TRUE(WriteFileBytes(dir.native(name), bytes)); }
    // Every entry below the scratch folder with its bytes: what a failure must leave as it was.
    std::map<std::string, Bytes> Snapshot()
    {
        std::map<std::string, Bytes> all;
        for (auto& e : fs::recursive_directory_iterator(NativePath(dir.path())))
            all[e.path().string()] = e.is_directory() ? Bytes{'/'} : ReadFileBytes(e.path().string());
        return all;
    }
    TempDir dir;
};

}  // namespace

TEST_F(Conversion, VariantCombinationsThatFailWriteNothing)
{
    Put("logo.bmp", NoiseFile(false, 32, 1));
    Put("BannerUser.tex", {1, 2, 3});
    for (std::string combo : {"2", "3", "12", "23", "13"}) {
        for (char k : combo) Put(std::string("logo#") + k + ".bmp", NoiseFile(false, 32, 2));
        auto before = Snapshot();
        for (const char* dest : {"BannerUser.tex", "New.tex"}) {
            Outcome r = Converted(dir.core("logo.bmp"), dir.core(dest));
            EXPECT_EQ(0, r.result) << "variants " << combo;
            EXPECT_EQ("Can't collect all 'destroyed' textures\n", r.out) << "variants " << combo;
        }
        EXPECT_TRUE(before == Snapshot()) << "variants " << combo << ": the folder changed";
        for (char k : combo) fs::remove(dir.native(std::string("logo#") + k + ".bmp"));
    }
}

TEST(VariantNames, NumberGoesBeforeTheLastFourCharacters)
{
    EXPECT_STREQ("D:\\Art\\m#1ytga", MakeVariantName("D:\\Art\\mytga", 1));
    EXPECT_STREQ("#3.bmp", MakeVariantName(".bmp", 3));
    EXPECT_EQ(nullptr, MakeVariantName("bmp", 1)) << "no four characters to put the number before";
}

// The old banner stays byte for byte, nothing stray is left, and the lines printed give the
// reason: about the picture for "Can't open file", else about the destination.
TEST_F(Conversion, FailuresKeepTheOldBanner)
{
    // Long names below a folder of 240 characters, built of pieces of 100 so that no single name
    // is too long for the file system.
    std::string folder = dir.path();
    while (folder.size() + 101 < 240) folder += "\\" + std::string(100, 'f');
    folder += "\\" + std::string(240 - folder.size() - 1, 'g');
    ASSERT_TRUE(MakeFolder(NativePath(folder)));
    auto named = [&](size_t n, const char* ext) {
        return folder + "\\" + std::string(n - folder.size() - 1 - strlen(ext), 'n') + ext;
    };
    const std::string logo = dir.core("logo.tga"), banner = dir.core("BannerUser.tex");
    const std::string longest = named(257, ".tga");  // the longest picture whose variant names fit
    for (const std::string& picture : {logo, longest}) {
        ASSERT_TRUE(WriteFileBytes(NativePath(picture), NoiseFile(true, 32, 1)));
        ASSERT_TRUE(WriteFileBytes(NativePath(MakeVariantName(picture.c_str(), 1)), NoiseFile(true, 32, 2)));
    }
    Put("small.tga", NoiseFile(true, 16, 3));
    Put("BannerUser.tex", FixtureBytes("own_bmp24_32.bmp"));
    Put("plain", {1});
    ASSERT_TRUE(MakeFolder(dir.native("Folder.tex")));
    const char *open = "Can't open output file", *read = "Can't open file";
    struct Case {
        const char* what;
        std::string source, dest;
        int64_t failWritesAfter;  // -1: writes do not fail
        const char* says;
    } cases[] = {
        {"missing picture", dir.core("absent.tga"), banner, -1, read},
        {"unreadable picture", dir.core("small.tga"), banner, -1, read},
        {"read-only destination", logo, banner, -1, open},
        {"a folder in the way", logo, dir.core("Folder.tex"), -1, open},
        {"a folder that cannot be made", logo, dir.core("plain\\B.tex"), -1, open},
        {"picture of 258 characters", named(258, ".tga"), banner, -1, read},
        {"destination of 259 characters", longest, named(259, ""), -1, open},
        {"destination of 256: no room for .tmp", longest, named(256, ""), -1, open},
#ifndef _WIN32
        {"first write fails", logo, banner, 0, "Can't write output file"},
        {"second block fails", logo, banner, 512, "Can't write output file"},
        {"last byte fails", logo, banner, int64_t(kSetOf2) - 1, "Can't write output file"},
#endif
    };
    for (const Case& c : cases) {
        auto before = Snapshot();
        bool readOnly = strstr(c.what, "read-only") != nullptr;
        ASSERT_TRUE(!readOnly || SetReadOnly(NativePath(c.dest), true));
#ifndef _WIN32
        PlatformFailWritesAfter(c.failWritesAfter);
#endif
        Outcome r = Converted(c.source, c.dest);
#ifndef _WIN32
        PlatformFailWritesAfter(-1);
#endif
        if (readOnly) SetReadOnly(NativePath(c.dest), false);
        EXPECT_EQ(0, r.result) << c.what;
        // Refused before the picture is read: no line naming both.
        bool arrow = c.says != read && c.dest.size() < 259;
        std::string want = arrow ? c.source + "->     " + c.dest + "\n" : "";
        EXPECT_EQ(want + c.says + " (" + (c.says == read ? c.source : c.dest) + ")\n", r.out) << c.what;
        EXPECT_TRUE(before == Snapshot()) << c.what << ": the folder changed";
    }
    Outcome r = Converted(longest, named(255, ""));
    EXPECT_EQ(longest + "->     " + named(255, "") + "\n", r.out) << "the longest names that fit";
    EXPECT_EQ(kSetOf2, ReadFileBytes(NativePath(named(255, ""))).size());
}

// Running out of storage may cost a variant (it then counts as absent) but never leaves a broken
// file or loses the old one.
TEST_F(Conversion, StorageRunningOutFailsCleanly)
{
    Put("logo.bmp", NoiseFile(false, 32, 1));
    Put("logo#1.bmp", NoiseFile(false, 32, 2));
    const Bytes old(333, 0x33);
    bool whole = false;
    for (long n = 0; n < 500 && !whole; ++n) {
        Put("BannerUser.tex", old);
        zeroAllocFailAfter(n);
        Outcome r = Converted(dir.core("logo.bmp"), dir.core("BannerUser.tex"));
        zeroAllocFailAfter(-1);
        Bytes file = ReadFileBytes(dir.native("BannerUser.tex"));
        EXPECT_EQ(3u, Snapshot().size()) << "allocation " << n << ": a file was left behind";
        TexLayout layout;
        TexError error;
        if (r.result) {
            EXPECT_EQ(1, ParseTexLayout(file.data(), uint32_t(file.size()), layout, error)) << n << ": " << error.text;
        } else {
            EXPECT_TRUE(old == file) << "allocation " << n << ": the old banner changed";
            EXPECT_NE(std::string::npos, r.out.find("Can't")) << "allocation " << n << ": " << r.out;
        }
        whole = file.size() == kSetOf2;
    }
    EXPECT_TRUE(whole) << "no run got as far as the whole set";
}
