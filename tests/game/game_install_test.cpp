// The lookup of the game's output folder in the registry, against fake installations.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "game/players.h"
#include "tests/game/fake_install.h"

namespace {

std::string Lookup(GameLookupResult* result = nullptr)
{
    char path[kGameDirSize];
    memset(path, 'x', sizeof path);
    GameLookupResult r = LookUpGameOutputDir(path);
    if (result) *result = r;
    EXPECT_EQ(r == GameFound, FindGameOutputDir(path)) << "the two entries must agree";
    if (r != GameFound) {
        EXPECT_EQ(0, path[0]) << "a failed lookup leaves the buffer empty";
    }
    return r == GameFound ? std::string(path) : std::string("<not found>");
}

}  // namespace

TEST(GameLookupBackslash, AppendedWhenMissingKeptWhenPresent)
{
    FakeInstallation install;
    const std::string dir = install.gameDir();
    struct Case {
        std::string value, expected;
    } cases[] = {
        {dir, dir + "\\"},
        {dir + "\\", dir + "\\"},
        {"C:\\", "C:\\"},
        {"D:", "D:\\"},
    };
    for (const Case& c : cases) {
        install.SetOutputDir(c.value);
        EXPECT_EQ(c.expected, Lookup()) << "value " << c.value;
    }
}

TEST(GameLookupRefuses, ExpandableEmptyAndOtherTypes)
{
    FakeInstallation install;
    struct Case {
        DWORD type;
        std::string data;
        GameLookupResult expected;
    } cases[] = {
        {REG_EXPAND_SZ, install.gameDir(), GameValueNotString},
        {REG_SZ, "", GameValueEmpty},
        {REG_DWORD, std::string("\x2a\0\0\0", 4), GameValueNotString},
        {REG_BINARY, "C:\\Games", GameValueNotString},
    };
    for (const Case& c : cases) {
        install.SetValue(kFileSystemKey, "OutputDir", c.type, c.data);
        GameLookupResult r;
        EXPECT_EQ("<not found>", Lookup(&r)) << "type " << c.type;
        EXPECT_EQ(c.expected, r) << "type " << c.type;
    }
}

TEST(GameLookupRefuses, MissingPieces)
{
    FakeInstallation install;
    GameLookupResult r;
    EXPECT_EQ("<not found>", Lookup(&r));
    EXPECT_EQ(GameKeyMissing, r);

    // OutputDir directly under BaseGame does not count: the value lives in FileSystem.
    install.SetValue(kGameKey, "OutputDir", REG_SZ, install.gameDir());
    EXPECT_EQ("<not found>", Lookup(&r));
    EXPECT_EQ(GameSubKeyMissing, r);

    install.SetValue(kFileSystemKey, "OutputFolder", REG_SZ, install.gameDir());
    EXPECT_EQ("<not found>", Lookup(&r));
    EXPECT_EQ(GameValueMissing, r);
}

TEST(GameLookupLength, ValueOf259CharactersGetsItsBackslash)
{
    FakeInstallation install;
    std::string value = "C:\\" + std::string(256, 'g');  // 259 characters
    install.SetOutputDir(value);
    std::string found = Lookup();
    EXPECT_EQ(260u, found.size());
    EXPECT_EQ(value + "\\", found);

    install.SetOutputDir(value + "\\");  // 260 characters do not fit the query's 260 bytes
    GameLookupResult r;
    EXPECT_EQ("<not found>", Lookup(&r));
    EXPECT_EQ(GameValueTooLong, r);
}

TEST(GameLookupViews, ThirtyTwoBitViewFirstSixtyFourBitSecond)
{
    FakeInstallation install;
    install.SetOutputDir("C:\\Only64", View64);
    EXPECT_EQ("C:\\Only64\\", Lookup()) << "the 64-bit view is read when the 32-bit one has nothing";

    install.SetOutputDir("C:\\Game32", View32);
    EXPECT_EQ("C:\\Game32\\", Lookup()) << "the 32-bit view, where the game's installer writes, wins";
}

TEST(GameLookupViews, BrokenThirtyTwoBitValueFallsBackAndReportsFurthest)
{
    FakeInstallation install;
    install.SetValue(kFileSystemKey, "OutputDir", REG_EXPAND_SZ, "C:\\Game32", View32);
    GameLookupResult r;
    EXPECT_EQ("<not found>", Lookup(&r));
    EXPECT_EQ(GameValueNotString, r) << "the view that got furthest tells what was wrong";

    install.SetOutputDir("C:\\Game64", View64);
    EXPECT_EQ("C:\\Game64\\", Lookup());
}
