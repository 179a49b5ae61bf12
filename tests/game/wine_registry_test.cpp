// The native registry: HKEY_LOCAL_MACHINE read from a Wine prefix's system.reg.
#include <stdlib.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "game/players.h"
#include "platform/win32.h"
#include "platform/wine_prefix.h"
#include "tests/game/fake_install.h"

namespace {

const char kHeader[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

struct Query {
    LONG rc;
    DWORD type;
    std::string data;
};

// Opens `key` (in `view`) and queries `name` with a buffer of `room` bytes.
Query Get(const char* key, const char* name, REGSAM view = KEY_WOW64_64KEY, DWORD room = 512)
{
    Query q{ERROR_SUCCESS, 0xdeadbeef, ""};
    HKEY h = nullptr;
    q.rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &h);
    if (q.rc != ERROR_SUCCESS) {
        EXPECT_EQ(nullptr, h);
        return q;
    }
    char buffer[512];
    DWORD size = room;
    q.rc = RegQueryValueExA(h, name, nullptr, &q.type, (LPBYTE)buffer, &size);
    if (q.rc == ERROR_SUCCESS) q.data.assign(buffer, size);
    if (q.rc == ERROR_MORE_DATA) q.data = "needs " + std::to_string(size);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    return q;
}

}  // namespace

TEST(WineRegistryStrings, EscapesAsWineWritesThem)
{
    FakeInstallation install;
    install.WriteRegistryText(std::string(kHeader) +
                              "[Software\\\\Test] 1700000000\n"
                              "#time=1d9\n"
                              "\"Backslash\"=\"C:\\\\Games\\\\\"\n"
                              "\"Quote\"=\"say \\\"hi\\\"\"\n"
                              "\"Accent\"=\"Jos\\xe9 \\x20ac\"\n"
                              "\"Digits\"=\"\\x00e9\\x20\"\n"  // four digits at most per escape
                              "\"Octal\"=\"a\\101\\tb\"\n"
                              "\"Surrogates\"=\"\\xd83d\\xde00\"\n"
                              "\"Lone\"=\"\\xd83dx\"\n"
                              "\"Other\"=\"\\q\"\n");
    struct Case {
        const char* name;
        std::string expected;  // what the A call hands out, terminator included
    } cases[] = {
        {"Backslash", std::string("C:\\Games\\\0", 10)},
        {"Quote", std::string("say \"hi\"\0", 9)},
        {"Accent", std::string("Jos\xc3\xa9 \xe2\x82\xac\0", 10)},
        {"Digits", std::string("\xc3\xa9 \0", 4)},
        {"Octal", std::string("aA\tb\0", 5)},
        {"Surrogates", std::string("\xf0\x9f\x98\x80\0", 5)},
        {"Lone", std::string("?x\0", 3)},
        {"Other", std::string("q\0", 2)},
    };
    for (const Case& c : cases) {
        Query q = Get("Software\\Test", c.name);
        EXPECT_EQ(ERROR_SUCCESS, q.rc) << c.name;
        EXPECT_EQ(REG_SZ, q.type) << c.name;
        EXPECT_EQ(c.expected, q.data) << c.name;
    }
}

TEST(WineRegistryTypes, EveryFormOfValue)
{
    FakeInstallation install;
    install.WriteRegistryText(std::string(kHeader) +
                              "[Software\\\\Test] 1700000000\n"
                              "@=\"default\"\n"
                              "\"Str\"=str:\"plain\"\n"
                              "\"Expand\"=str(2):\"%SystemRoot%\"\n"
                              "\"Multi\"=str(7):\"a\\0b\\0\"\n"
                              "\"Dword\"=dword:0000002a\n"
                              "\"Binary\"=hex:01,02,ff\n"
                              // REG_SZ without its terminator, as Wine saves such a value: UTF-16 hex
                              "\"HexSz\"=hex(1):43,00,3a,00,\\\n  5c,00,47,00\n"
                              "\"HexExpand\"=hex(2):41,00,00,00\n");
    struct Case {
        const char* name;
        DWORD type;
        std::string expected;
    } cases[] = {
        {nullptr, REG_SZ, std::string("default\0", 8)},
        {"", REG_SZ, std::string("default\0", 8)},
        {"Str", REG_SZ, std::string("plain\0", 6)},
        {"Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13)},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"Dword", REG_DWORD, std::string("\x2a\0\0\0", 4)},
        {"Binary", REG_BINARY, std::string("\x01\x02\xff", 3)},
        {"HexSz", REG_SZ, std::string("C:\\G", 4)},
        {"HexExpand", REG_EXPAND_SZ, std::string("A\0", 2)},
    };
    for (const Case& c : cases) {
        Query q = Get("Software\\Test", c.name);
        const char* label = c.name ? c.name : "(null)";
        EXPECT_EQ(ERROR_SUCCESS, q.rc) << label;
        EXPECT_EQ(c.type, q.type) << label;
        EXPECT_EQ(c.expected, q.data) << label;
    }
}

TEST(WineRegistryNames, CaseDoesNotMatterKeysMayHaveOnlySubKeys)
{
    FakeInstallation install;
    install.WriteRegistryText(std::string(kHeader) +
                              "[Software\\\\Tamrivo\\\\Quillmere\\\\BaseGame\\\\FileSystem] 1700000000\n"
                              "\"OutputDir\"=\"C:\\\\Games\\\\\"\n");
    EXPECT_EQ(std::string("C:\\Games\\\0", 10), Get("SOFTWARE\\tamrivo\\QUILLMERE\\basegame\\filesystem", "outputdir").data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Tamrivo\\Quillmere\\BaseGame", "OutputDir").rc)
        << "a key without a section of its own exists, but holds no values";
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tamrivo", 0, KEY_READ, &h));
    HKEY sub;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(h, "Quillmere\\BaseGame\\FileSystem", 0, KEY_READ, &sub))
        << "a key opened below an open key";
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(sub, "OutputDir", nullptr, &type, nullptr, &size));
    EXPECT_EQ(10u, size) << "without a buffer the query tells the size";
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(sub));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(h)) << "a closed key is no key";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Tamrivo\\Quill", "x").rc) << "a prefix of a name is not the name";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Tamrivo\\Quillmere\\BaseGame\\FileSystem\\More", "x").rc);
}

TEST(WineRegistryNames, EscapedAndPlainHeadersNameTheSameKeys)
{
    FakeInstallation install;
    install.WriteRegistryText(std::string(kHeader) +
                              "[Software\\\\TamrivoX] 1\n\"V\"=\"longer name\"\n"
                              "[Software\\\\T\\x61mrivo\\\\Esc] 1\n\"V\"=\"escaped\"\n"
                              "[SOFTWARE\\\\TAMRIVO\\\\Upper] 1\n\"V\"=\"upper\"\n"
                              "[Software\\\\Tamrivo\\\\Br\\[ack\\]] 1\n\"V\"=\"brackets\"\n"
                              "[Software\\\\Caf\\xe9] 1\n\"V\"=\"accent\"\n");
    EXPECT_EQ(std::string("escaped\0", 8), Get("Software\\Tamrivo\\Esc", "V").data);
    EXPECT_EQ(std::string("upper\0", 6), Get("Software\\Tamrivo\\upper", "V").data);
    EXPECT_EQ(std::string("brackets\0", 9), Get("Software\\Tamrivo\\Br[ack]", "V").data);
    EXPECT_EQ(std::string("accent\0", 7), Get("Software\\Caf\xc3\xa9", "V").data);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Tamrivo", "V").rc) << "TamrivoX is another key";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Tamrivo\\Es", "V").rc);
}

TEST(WineRegistryBuffer, TooSmallTellsTheSizeNeeded)
{
    FakeInstallation install;
    install.WriteRegistryText(std::string(kHeader) + "[Software\\\\Test] 1\n\"V\"=\"abcd\"\n");
    EXPECT_EQ(std::string("abcd\0", 5), Get("Software\\Test", "V", KEY_WOW64_64KEY, 5).data);
    Query q = Get("Software\\Test", "V", KEY_WOW64_64KEY, 4);
    EXPECT_EQ(ERROR_MORE_DATA, q.rc);
    EXPECT_EQ("needs 5", q.data);
    EXPECT_EQ(REG_SZ, q.type) << "the type comes back with ERROR_MORE_DATA too";
}

TEST(WineRegistryFile, DamagedLinesAreSkippedLaterSectionsMerge)
{
    FakeInstallation install;
    install.WriteRegistryText(std::string(kHeader) +
                              "[Software\\\\Test] 1\n"
                              "\"Unterminated\"=\"abc\n"
                              "\"BadHex\"=hex:123,4\n"
                              "\"BadType\"=hex(zz):00\n"
                              "\"NoEquals\" \"x\"\n"
                              "garbage line\n"
                              "\"Good\"=\"yes\"\n"
                              "\"Again\"=\"first\"\n"
                              "[Software\\\\Other] 1\n"
                              "\"Good\"=\"other\"\n"
                              "[Software\\\\Test] 2\n"
                              "\"Again\"=\"second\"\n"
                              "[Software\\\\Broken\n"
                              "\"Good\"=\"broken\"\n");
    EXPECT_EQ(std::string("yes\0", 4), Get("Software\\Test", "Good").data);
    EXPECT_EQ(std::string("second\0", 7), Get("Software\\Test", "Again").data) << "a later section of a key wins";
    for (const char* name : {"Unterminated", "BadHex", "BadType", "NoEquals"})
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Test", name).rc) << name;
}

TEST(WineRegistryFile, MissingOrForeignFileHasNoKeys)
{
    FakeInstallation install;
    install.WriteRegistryText("REGEDIT4\n[Software\\\\Test]\n\"V\"=\"x\"\n");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Test", "V").rc) << "only Wine's own format is read";
    unlink(install.root().native("prefix/system.reg").c_str());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Get("Software\\Test", "V").rc);
}

TEST(WineRegistryViews, ThirtyTwoBitViewOfBothKindsOfPrefix)
{
    FakeInstallation install;
    const std::string sections =
        "[Software\\\\Wow6432Node\\\\Test] 1\n\"V\"=\"32\"\n"
        "[Software\\\\Test] 1\n\"V\"=\"64\"\n";
    install.WriteRegistryText(std::string(kHeader) + sections);
    EXPECT_EQ(std::string("32\0", 3), Get("Software\\Test", "V", KEY_WOW64_32KEY).data);
    EXPECT_EQ(std::string("64\0", 3), Get("Software\\Test", "V", KEY_WOW64_64KEY).data);
    EXPECT_EQ(std::string("32\0", 3), Get("Software\\Wow6432Node\\Test", "V", KEY_WOW64_32KEY).data)
        << "a path that names the node already is not redirected twice";

    // A 32-bit prefix has no Wow6432Node: its one view is the plain key.
    install.WriteRegistryText("WINE REGISTRY Version 2\n#arch=win32\n\n" + sections);
    EXPECT_EQ(std::string("64\0", 3), Get("Software\\Test", "V", KEY_WOW64_32KEY).data);
}

TEST(WineRegistryPrefix, WineprefixElseHomeDotWine)
{
    FakeInstallation install;
    char file[4096];
    ASSERT_TRUE(WineRegistryFile(file, sizeof file));
    EXPECT_EQ(install.root().native("prefix") + "/system.reg", file);

    std::string home = install.root().native("home");
    const char* oldHome = getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", home.c_str(), 1);
    setenv("WINEPREFIX", "", 1);  // empty counts as unset, as for Wine
    ASSERT_TRUE(WinePrefixFolder(file, sizeof file));
    EXPECT_EQ(home + "/.wine", file);
    char small[8];
    EXPECT_EQ(0, WinePrefixFolder(small, sizeof small));
    EXPECT_STREQ("", small);
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
    else unsetenv("HOME");
}

TEST(WineRegistryHandles, ForeignHandlesAndArgumentsAreRefused)
{
    FakeInstallation install;
    int dummy = 0;
    HKEY h = &dummy;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(h, "x", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(h, "x", 0, KEY_READ, &h));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, nullptr));
}

// The game's folders through the prefix's drive links: a drive-letter path of the core lands in
// dosdevices, whatever the letter's case.
TEST(WineDrives, DriveLettersMapIntoThePrefix)
{
    FakeInstallation install;
    install.SetOutputDir("c:\\Games\\Quillmere");
    install.WriteProfileFile("Ann", CompressWithZlib(ProfileRecord(1, "Ann")));
    std::vector<ScannedProfile> found = ScanOnly();
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ("c:\\Games\\Quillmere\\Players\\Ann\\", found[0].folder);
}
