// Natively: what the launcher weighs before it starts a Wine in a player's prefix. The update
// rule as wineboot applies it, the architecture line, a wineserver's installation, the records
// of Steam and the other launchers, and the wrapping of its messages.
#include <sys/stat.h>
#include <utime.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/launch_plan.h"
#include "game/launcher_files.h"
#include "game/steam_files.h"
#include "game/wine_install.h"
#include "tests/support/test_support.h"

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A Wine installation in `folder` (native) whose wine.inf has the time `time`.
void MakeWine(const std::string& folder, long time)
{
    MakeFolder(folder);
    MakeFolder(folder + "/bin");
    MakeFolder(folder + "/share");
    MakeFolder(folder + "/share/wine");
    WriteFileBytes(folder + "/bin/wine", Text("#!/bin/sh\n"));
    WriteFileBytes(folder + "/share/wine/wine.inf", Text("[Version]\n"));
    struct utimbuf times = {time, time};
    utime((folder + "/share/wine/wine.inf").c_str(), &times);
}

}  // namespace

// wineboot: "disable" at the start turns updates off; else strtoul of the first 99 bytes must be
// the wine.inf time, or the prefix is updated.
TEST(WineUpdateRule, StampsAsWinebootReadsThem)
{
    TempDir temp;
    const std::string wine = temp.native("wine"), prefix = temp.native("pfx");
    MakeWine(wine, 1600000000);
    MakeFolder(prefix);
    struct Case { const char* what; std::string stamp; bool updates; } cases[] = {
        {"its own time", "1600000000\n", false},
        {"another Wine's time", "1600000001\n", true},
        {"leading blanks, as strtoul skips them", "  1600000000", false},
        {"text after the number", "1600000000 by Proton", false},
        {"disable", "disable", false},
        {"disable, any ending", "disabled\n", false},
        {"Disable is not disable", "Disable", true},
        {"empty", "", true},
        {"the number past the 99 bytes wineboot reads", std::string(99, ' ') + "1600000000", true},
    };
    for (const Case& c : cases) {
        WriteFileBytes(prefix + "/.update-timestamp", Text(c.stamp));
        EXPECT_EQ(c.updates, WouldUpdatePrefix(ReadPrefixStamp(prefix), wine)) << c.what;
    }
    remove((prefix + "/.update-timestamp").c_str());
    EXPECT_EQ(PrefixStamp::Missing, ReadPrefixStamp(prefix).state);
    EXPECT_TRUE(WouldUpdatePrefix(ReadPrefixStamp(prefix), wine)) << "no stamp: Wine sets the prefix up again";
    MakeFolder(prefix + "/.update-timestamp");
    EXPECT_EQ(PrefixStamp::Unreadable, ReadPrefixStamp(prefix).state);
    EXPECT_TRUE(WouldUpdatePrefix(ReadPrefixStamp(prefix), wine)) << "a stamp that cannot be read is never safe";
    PrefixStamp own;
    own.state = PrefixStamp::Time;
    own.time = 1600000000;
    EXPECT_TRUE(WouldUpdatePrefix(own, temp.native("no-wine"))) << "a Wine without wine.inf";
}

TEST(WineInstallations, LayoutsAndTheServersInstallation)
{
    TempDir temp;
    MakeFolder(temp.native("proton"));
    MakeWine(temp.native("proton/files"), 1);
    EXPECT_EQ(temp.native("proton/files"), WineInstallationIn(temp.native("proton")));
    MakeFolder(temp.native("old"));
    MakeWine(temp.native("old/dist"), 1);
    EXPECT_EQ(temp.native("old/dist"), WineInstallationIn(temp.native("old")));
    MakeFolder(temp.native("half"));
    MakeFolder(temp.native("half/bin"));
    WriteFileBytes(temp.native("half/bin/wine"), Text("x"));
    EXPECT_EQ("", WineInstallationIn(temp.native("half"))) << "no share/wine/wine.inf";

    // Debian keeps the server in lib/wine, Proton in bin/.
    MakeWine(temp.native("usr"), 1);
    MakeFolder(temp.native("usr/lib"));
    MakeFolder(temp.native("usr/lib/wine"));
    WriteFileBytes(temp.native("usr/lib/wine/wineserver64"), Text("x"));
    WriteFileBytes(temp.native("proton/files/bin/wineserver"), Text("x"));
    WriteFileBytes(temp.native("usr/lib/wine/python3"), Text("x"));
    EXPECT_EQ(temp.native("usr"), WineOfServerBinary(temp.native("usr/lib/wine/wineserver64")));
    EXPECT_EQ(temp.native("proton/files"), WineOfServerBinary(temp.native("proton/files/bin/wineserver")));
    EXPECT_EQ("", WineOfServerBinary(temp.native("usr/lib/wine/python3"))) << "only a wineserver tells";
    EXPECT_EQ("", WineOfServerBinary(temp.native("proton/files/bin/wineserver (deleted)"))) << "replaced since";

    // The system's Wine: the first `wine` on PATH, its link followed.
    MakeFolder(temp.native("path"));
    symlink(temp.native("usr/bin/wine").c_str(), temp.native("path/wine").c_str());
    chmod(temp.native("usr/bin/wine").c_str(), 0755);
    EXPECT_EQ(temp.native("usr"), SystemWineFolder(("relative:" + temp.native("path") + ":/usr/bin").c_str()));
    EXPECT_EQ("", SystemWineFolder(temp.native("nowhere").c_str()));

    MakeFolder(temp.native("proton/files/lib64"));
    MakeFolder(temp.native("proton/files/lib"));
    EXPECT_EQ((std::vector<std::string>{temp.native("proton/files/lib64"), temp.native("proton/files/lib")}),
              WineLibraryFolders(temp.native("proton/files")));
    EXPECT_EQ(PrefixServer::None, FindPrefixServer(temp.native("proton")).state) << "no socket folder: no server";
}

TEST(WinePrefixArchitecture, TheArchLineBeforeTheFirstKey)
{
    TempDir temp;
    struct Case { std::string reg; int bits; } cases[] = {
        {"WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n[Software] 1\n", 32},
        {"WINE REGISTRY Version 2\r\n#arch=win32\r\n", 32},
        {"WINE REGISTRY Version 2\n#arch=win64\n", 64},
        {"WINE REGISTRY Version 2\n[Software] 1\n#arch=win32\n", 64},  // a value's line, not the header's
        {"", 64},
    };
    for (const Case& c : cases) {
        WriteFileBytes(temp.native("system.reg"), Text(c.reg));
        EXPECT_EQ(c.bits, PrefixBits(temp.native(""))) << c.reg;
    }
}

TEST(SteamFiles, ToolMappingNamesAndConfigInfo)
{
    const std::string config =
        "\"InstallConfigStore\" { \"Software\" { \"valve\" { \"Steam\" { \"CompatToolMapping\" {"
        " \"0\" { \"name\" \"proton_experimental\" } \"228980\" { \"name\" \"\" }"
        " \"2440510\" { \"name\" \"GE-Proton8-25\" } } } } } }";
    VdfNode root;
    std::string why;
    ASSERT_TRUE(ReadVdf(config.data(), config.size(), root, why)) << why;
    EXPECT_EQ("GE-Proton8-25", MappedCompatTool(root, "2440510"));
    EXPECT_EQ("proton_experimental", MappedCompatTool(root, "400")) << "Steam Play for all other titles";
    EXPECT_EQ("proton_experimental", MappedCompatTool(root, "228980")) << "an empty name maps nothing";

    struct Damaged { std::string text, why; } damaged[] = {
        {"\"a\" { \"b\" \"c\"", "a block is not closed"},
        {"\"a\" { \"b\" \"c", "a string is not closed"},
        {"\"a\" } \"b\" \"c\"", "a key has no value"},
        {"{ \"b\" \"c\" }", "a block has no name"},
        {std::string(40, '{'), "a block has no name"},
        {"\"a\" " + std::string(40, '{'), "a block has no name"},
    };
    for (const Damaged& d : damaged) {
        EXPECT_FALSE(ReadVdf(d.text.data(), d.text.size(), root, why)) << d.text;
        EXPECT_EQ(d.why, why) << d.text;
    }
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += "\"k\" { ";
    EXPECT_FALSE(ReadVdf(deep.data(), deep.size(), root, why));
    EXPECT_EQ("blocks nest too deeply", why);

    const std::string tools = "\"compatibilitytools\" { \"compat_tools\" { \"GE-Proton8-25\" { \"install_path\" \"./files-x\" }"
                              " \"Bare\" { \"display_name\" \"Bare\" } \"flat\" \"x\" } }";
    ASSERT_TRUE(ReadVdf(tools.data(), tools.size(), root, why)) << why;
    std::vector<CompatTool> list = ReadCompatTools(root);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("GE-Proton8-25", list[0].name);
    EXPECT_EQ("./files-x", list[0].installPath);
    EXPECT_EQ(".", list[1].installPath) << "no install_path: the tool's own folder";

    struct Name { const char *folder, *name; } names[] = {
        {"Proton 8.0", "proton_8"}, {"Proton 5.13", "proton_513"}, {"Proton 6.3", "proton_63"},
        {"Proton - Experimental", "proton_experimental"}, {"Proton Hotfix", "proton_hotfix"},
        {"Proton EasyAntiCheat Runtime", ""}, {"Steam Linux Runtime 3.0 (sniper)", ""}, {"Proton 8.x", ""},
    };
    for (const Name& n : names) EXPECT_EQ(n.name, ValveProtonName(n.folder)) << n.folder;

    struct Info { std::string text; const char* wine; } infos[] = {
        {"8.0-104\n/s/common/Proton 8.0/files/share/fonts/\n/s/lib/\n", "/s/common/Proton 8.0/files"},
        {"5.0-10\n/s/common/Proton 5.0/dist/share/fonts", "/s/common/Proton 5.0/dist"},
        {"8.0-104", ""},
        {"8.0-104\nfiles/share/fonts/\n", ""},
        {"8.0-104\n/s/share/other/\n", ""},
        {"8.0-104\n/share/fonts\n", ""},
    };
    for (const Info& i : infos) {
        std::string wine;
        EXPECT_EQ(*i.wine != 0, ReadConfigInfo(i.text.data(), i.text.size(), wine, why)) << i.text;
        EXPECT_EQ(i.wine, wine) << i.text;
    }
}

TEST(LauncherFiles, WhatEachRecordGives)
{
    std::string prefix, version, why, arch;
    const std::string lutris = "game:\n  prefix: &p /g/quill\n  exe: x.exe\nsystem: {}\nwine:\n  version: lutris-7.2\n";
    ASSERT_TRUE(ReadLutrisGame(lutris.data(), lutris.size(), prefix, version, why)) << why;
    EXPECT_EQ("/g/quill", prefix);
    EXPECT_EQ("lutris-7.2", version);
    struct Refused { std::string text, why; } refused[] = {
        {"game: [a\n", "not YAML: did not find expected ',' or ']' on line 2"},
        {"- a\n- b\n", "its top level is no mapping"},
        {"game:\n  prefix: [a, b]\n", "it names no game: prefix (not a Wine game)"},
        {"game: {prefix: /p}\nwine: {version: ..}\n", "wine: version '..' names no folder"},
        {"? [a]\n: b\n", "a key is not plain text"},
        {"", "its top level is no mapping"},
    };
    for (const Refused& r : refused) {
        EXPECT_FALSE(ReadLutrisGame(r.text.data(), r.text.size(), prefix, version, why)) << r.text;
        EXPECT_EQ(r.why, why) << r.text;
    }
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += "[";
    EXPECT_FALSE(ReadLutrisGame(deep.data(), deep.size(), prefix, version, why));

    const std::string bottle = "Name: q\nRunner: sys-wine-9.0\nParameters:\n  dxvk: true\n";
    ASSERT_TRUE(ReadBottle(bottle.data(), bottle.size(), version, why)) << why;
    EXPECT_EQ("sys-wine-9.0", version);

    HeroicGame game;
    const std::string heroic = "{\"Other\": {\"winePrefix\": \"/h/o\"}, \"Quill\": {\"winePrefix\": \"/h/q\","
                               " \"wineVersion\": {\"bin\": \"/t/proton\", \"type\": \"proton\", \"name\": 3}}}";
    ASSERT_TRUE(ReadHeroicGame(heroic.data(), heroic.size(), "Quill", game, why)) << why;
    EXPECT_EQ("/h/q", game.winePrefix);
    EXPECT_EQ("/t/proton", game.wineBin);
    EXPECT_EQ("proton", game.wineType);
    ASSERT_TRUE(ReadHeroicGame(heroic.data(), heroic.size(), "Renamed", game, why)) << "the first game entry";
    EXPECT_EQ("/h/o", game.winePrefix);
    const std::string notText = "{\"Quill\": {\"winePrefix\": 5}}";
    EXPECT_FALSE(ReadHeroicGame(notText.data(), notText.size(), "Quill", game, why));
    EXPECT_EQ("its winePrefix is no text", why);

    const std::string pol = "ARCH=amd64\r\n\r\nVERSION=5.0.3\r\nEXTRA==x\r\n";
    ASSERT_TRUE(ReadPlayOnLinuxConfig(pol.data(), pol.size(), version, arch, why)) << why;
    EXPECT_EQ("5.0.3", version);
    EXPECT_EQ("amd64", arch);
    const std::string old = "VERSION=4.0.3\n";
    ASSERT_TRUE(ReadPlayOnLinuxConfig(old.data(), old.size(), version, arch, why)) << why;
    EXPECT_EQ("x86", arch) << "before ARCH was written, every prefix was 32-bit";
    const std::string zero("VERSION=4\0x\n", 12);
    EXPECT_FALSE(ReadPlayOnLinuxConfig(zero.data(), zero.size(), version, arch, why));
    EXPECT_EQ("it holds a zero byte", why);
}

TEST(LaunchMessages, WrappedForADialog)
{
    const std::string path = "/home/someone/.local/share/Steam/steamapps/compatdata/2440510/pfx/and/more/folders";
    const std::string text = "Vexillor will not start Wine in the Wine prefix " + path + " (Steam Proton) today.\n"
                             "- 'vexillor --wine DIR' starts the Wine installation DIR instead of the one found.\n"
                             "  " + path + " (the system's Wine): wine.inf time 1500000000";
    EXPECT_EQ("Vexillor will not start Wine in the Wine prefix\n" + path + "\n(Steam Proton) today.\n"
              "- 'vexillor --wine DIR' starts the Wine installation DIR instead of the\n"
              "  one found.\n"
              "  " + path + "\n"
              "  (the system's Wine): wine.inf time 1500000000",
              WrapText(text, 72));
}
