// The game part on fake installations the suite makes itself: the output folder from the
// registry, the scan of the players folder, the sort by race; natively also Wine's system.reg.
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "core/file_stream.h"
#include "core/zero_alloc.h"
#include "game/player_names.h"
#include "game/players.h"
#ifndef _WIN32
#include "game/steam_files.h"
#endif
#include "platform/win32.h"
#include "tests/support/test_support.h"

using namespace std::string_literals;

namespace {

const char kGameKey[] = "Software\\Tamrivo\\Quillmere\\BaseGame";
const char kFileSystemKey[] = "Software\\Tamrivo\\Quillmere\\BaseGame\\FileSystem";

// Natively: a Wine-style prefix in a temporary folder (system.reg, drive_c, dosdevices/c: ->
// ../drive_c), the native layer's prefix while the object lives. On Windows: values written with the
// real registry calls into the prefix the suite runs in, the vendor key deleted afterwards.
class FakeInstallation {
public:
#ifndef _WIN32
    // A lower-case drive letter here; the CLI test's prefix names the folder with "C:".
    FakeInstallation() : game("c:\\Games\\Quillmere"), using_(temp.native("prefix"))
    {
        const std::string prefix = temp.native("prefix");
        EXPECT_TRUE(MakeFolder(prefix + "/drive_c/Games/Quillmere") && MakeFolder(prefix + "/dosdevices"));
        EXPECT_EQ(0, symlink("../drive_c", (prefix + "/dosdevices/c:").c_str()));
        WriteRegistryText(registry);
    }
    std::string native(const std::string& relative) const
    {
        return temp.native("prefix") + "/drive_c/Games/Quillmere/" + NativePath(relative);
    }
    // REG_SZ or REG_EXPAND_SZ, in a section of its own: a later section of a key replaces its
    // values, as when Wine loads the file. Test strings are ASCII: only \ and " are escaped.
    void SetValue(const std::string& key, const char* name, DWORD type, const std::string& text,
                  REGSAM view = KEY_WOW64_32KEY)
    {
        auto escaped = [](const std::string& s) {
            std::string e;
            for (char c : s) e += c == '\\' || c == '"' ? "\\"s + c : std::string(1, c);
            return e;
        };
        registry += "\n[" + escaped(view == KEY_WOW64_32KEY ? "Software\\Wow6432Node" + key.substr(8) : key) +
                    "] 1700000000\n\"" + name + "\"=" + (type == REG_EXPAND_SZ ? "str(2):\"" : "\"") + escaped(text) +
                    "\"\n";
        WriteRegistryText(registry);
    }
    void WriteRegistryText(const std::string& text)
    {
        ASSERT_TRUE(WriteFileBytes(temp.native("prefix") + "/system.reg", Bytes(text.begin(), text.end())));
    }
#else
    FakeInstallation() : game(temp.core("Games\\Quillmere"))
    {
        EXPECT_TRUE(MakeFolder(NativePath(game)));
        DeleteVendorKey();  // a key left by an interrupted run must not decide this test
    }
    ~FakeInstallation() { DeleteVendorKey(); }
    std::string native(const std::string& relative) const { return NativePath(game + "\\" + relative); }
    void SetValue(const std::string& key, const char* name, DWORD type, const std::string& text,
                  REGSAM view = KEY_WOW64_32KEY)
    {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE | view,
                                                 nullptr, &h, nullptr)) << key;
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(h, name, 0, type, (const BYTE*)text.c_str(), DWORD(text.size() + 1)));
        RegCloseKey(h);
    }
    static void DeleteVendorKey()  // from both views
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Tamrivo");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Tamrivo");
    }
#endif
    void SetOutputDir() { SetValue(kFileSystemKey, "OutputDir", REG_SZ, game); }
    std::string playersDir() const { return game + "\\Players\\"; }
    void WriteProfile(const std::string& folder, const Bytes& bytes)
    {
        ASSERT_TRUE(MakeFolder(native("Players\\" + folder)));
        ASSERT_TRUE(WriteFileBytes(native("Players\\" + folder + "\\UserInfo.dat"), bytes));
    }

private:
    TempDir temp;
    std::string game;  // the output folder, core form, no trailing backslash
#ifndef _WIN32
    UsingWinePrefix using_;
    std::string registry = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
#endif
};

// The profile record: magic 55 49 00 02, race code, name length, then the name bytes given.
Bytes ProfileRecord(int32_t race, int32_t length, const std::string& nameBytes)
{
    Bytes b;
    for (uint32_t field : {uint32_t(kProfileMagic), uint32_t(race), uint32_t(length)}) PutU32(b, field);
    b.insert(b.end(), nameBytes.begin(), nameBytes.end());
    return b;
}
Bytes ProfileRecord(int32_t race, const std::string& name) { return ProfileRecord(race, int32_t(name.size()), name); }

// One zlib stream written by our own FileStream (mode 0x6002) ...
Bytes CompressWithStream(const Bytes& plain)
{
    TempDir scratch;
    FileStream out(scratch.core("UserInfo.dat").c_str(), 0x6002);
    EXPECT_TRUE(out.isGood());
    out.write(plain.data(), int32_t(plain.size()));
    EXPECT_EQ(1, out.close()) << "the stream and its handle are closed";
    return ReadFileBytes(scratch.native("UserInfo.dat"));
}
// ... and by plain zlib, so that the format is not only consistent with itself.
Bytes CompressWithZlib(const Bytes& plain)
{
    uLongf size = compressBound(uLong(plain.size()));
    Bytes out(size);
    EXPECT_EQ(Z_OK, compress2(out.data(), &size, plain.data(), uLong(plain.size()), 6));
    out.resize(size);
    return out;
}

typedef std::map<std::string, std::string> Listed;

// One scan as the player list runs it: profile folder (below the players folder) -> "name:race".
// The three lists must stay parallel. Without an allocation limit into lists an earlier scan
// left filled; with one into fresh lists, so that every list's first Add allocates.
Listed Scan(const FakeInstallation& install, long allocations = -1)
{
    SerialStringArray names;
    SerialIntArray races;
    if (allocations < 0) names.Add("stale"), races.Add(9), playerFolders.Add("C:\\stale\\");
    zeroAllocFailAfter(allocations);
    ScanPlayerProfiles(playerFolders, names, races);
    zeroAllocFailAfter(-1);
    EXPECT_TRUE(names.count == races.count && races.count == playerFolders.count)
        << names.count << " names, " << races.count << " races, " << playerFolders.count << " folders";
    Listed found;
    const std::string players = install.playersDir();
    for (int32_t i = 0; i < names.count && i < races.count && i < playerFolders.count; ++i) {
        std::string folder = playerFolders.data[i].c_str();  // kept whole unless below the players folder
        if (!folder.compare(0, players.size(), players) && folder.back() == '\\')
            folder = folder.substr(players.size(), folder.size() - players.size() - 1);
        found[folder] = names.data[i].c_str() + (":" + std::to_string(races.data[i]));
    }
    return found;
}

// "Result:folder". Both entries must agree, and a failed lookup leaves the buffer empty.
std::string Lookup()
{
    static const char* const kNames[] = {"KeyMissing", "SubKeyMissing", "ValueMissing", "ValueTooLong",
                                         "ValueNotString", "ValueEmpty", "Found"};
    char path[kGameDirSize] = "left over";
    GameLookupResult r = LookUpGameOutputDir(path);
    EXPECT_EQ(r == GameFound, FindGameOutputDir(path)) << "the two entries disagree";
    return kNames[r] + (":" + std::string(path));
}

typedef std::vector<std::pair<std::string, int32_t>> Rows;

// The rows as "name:race" after SortPlayersByRace; each folder must move with its name.
std::vector<std::string> Sorted(const Rows& rows, bool walk = false)
{
    SerialStringArray folders, names;
    SerialIntArray races;
    for (const auto& r : rows) {
        names.Add(r.first.c_str());
        races.Add(r.second);
        folders.Add(r.first.c_str());  // each folder named as its player
    }
    zeroAllocFailAfter(walk ? 0 : -1);  // without storage for the tree: the plain walk
    SortPlayersByRace(folders, names, races);
    zeroAllocFailAfter(-1);
    std::vector<std::string> out;
    for (int32_t i = 0; i < names.count; ++i) {
        EXPECT_STREQ(names.data[i].c_str(), folders.data[i].c_str()) << "row " << i << ": folder and name came apart";
        out.push_back(names.data[i].c_str() + (":" + std::to_string(races.data[i])));
    }
    return out;
}

}  // namespace

TEST(GameLookup, OutputDirValues)
{
    const std::string dir = "C:\\Games\\Quillmere";
    struct Case {
        const char *key, *name;
        DWORD type;
        std::string value, expected;
    } cases[] = {
        {kFileSystemKey, "OutputDir", REG_SZ, dir, "Found:" + dir + "\\"},
        {kFileSystemKey, "OutputDir", REG_SZ, dir + "\\", "Found:" + dir + "\\"},
        {kFileSystemKey, "OutputDir", REG_EXPAND_SZ, dir, "ValueNotString:"},
        {kFileSystemKey, "OutputDir", REG_SZ, "", "ValueEmpty:"},
        {nullptr, nullptr, REG_SZ, "", "KeyMissing:"},
        {kGameKey, "OutputDir", REG_SZ, dir, "SubKeyMissing:"},  // the value lives in FileSystem
    };
    for (const Case& c : cases) {
        FakeInstallation install;
        if (c.key) install.SetValue(c.key, c.name, c.type, c.value);
        EXPECT_EQ(c.expected, Lookup()) << (c.name ? c.name : "no value") << ", type " << c.type << ": " << c.value;
    }
}

TEST(GameLookup, ThirtyTwoBitViewFirst)
{
    FakeInstallation install;
    install.SetValue(kFileSystemKey, "OutputDir", REG_SZ, "C:\\Game64", KEY_WOW64_64KEY);
    EXPECT_EQ("Found:C:\\Game64\\", Lookup()) << "no usable 32-bit value: the 64-bit view";
    install.SetValue(kFileSystemKey, "OutputDir", REG_SZ, "C:\\Game32", KEY_WOW64_32KEY);
    EXPECT_EQ("Found:C:\\Game32\\", Lookup()) << "the 32-bit view, where the game's installer writes, wins";
}

TEST(PlayerSort, RaceOneFirstThenAscendingAsTheSelectionSortLeavesThem)
{
    const std::pair<Rows, std::vector<std::string>> cases[] = {
        {{{"Ann", 0}, {"Cid", 1}}, {"Cid:1", "Ann:0"}},
        {{{"Ann", 0}, {"Bob", 0}, {"Cid", 1}}, {"Cid:1", "Bob:0", "Ann:0"}},
        {{{"Eve", 7}, {"Dan", 3}, {"Ann", 2}, {"Bob", 0}, {"Cid", 1}}, {"Cid:1", "Bob:0", "Ann:2", "Dan:3", "Eve:7"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, Sorted(c.first));
        EXPECT_EQ(c.second, Sorted(c.first, true)) << "the plain walk";
    }
    // Long lists: the tree must make exactly the plain walk's exchanges.
    uint32_t seed = 12345;
    for (int round = 0; round < 40; ++round) {
        Rows rows;
        for (int i = 0; i < round * 37 % 700; ++i, seed = seed * 1103515245u + 12345u)
            rows.push_back({"P" + std::to_string(i), int32_t((seed >> 16) % (round % 3 ? 6 : 2))});
        EXPECT_EQ(Sorted(rows, true), Sorted(rows)) << rows.size() << " rows";
    }
}

typedef Bytes (*Writer)(const Bytes&);
class PlayerScan : public testing::TestWithParam<Writer> {};
INSTANTIATE_TEST_SUITE_P(Writers, PlayerScan, testing::Values(&CompressWithStream, &CompressWithZlib),
                         [](const testing::TestParamInfo<Writer>& p) { return p.index ? "Compress2" : "FileStream"; });

TEST_P(PlayerScan, ProfileFileVariants)
{
    FakeInstallation install;
    install.SetOutputDir();
    // The profile file's path, the players folder, the name, "\UserInfo.dat", has 259 at most.
    const size_t room = 259 - install.playersDir().size() - strlen("\\UserInfo.dat");
    ASSERT_LT(room, 250u) << "the temporary folder is too long for this test";
    const std::string fits(room, 'f'), bound(kMaxPlayerNameLength, 'B');
    Bytes wrongMagic = ProfileRecord(0, "Magic");
    wrongMagic[3] = 0x01;  // 55 49 00 01
    struct Case {
        std::string folder;
        Bytes record;
        std::string listed;  // "name:race", empty when the folder is not listed
    } cases[] = {
        {"Ann", ProfileRecord(0, "Ann"), "Ann:0"},
        {"Race7", ProfileRecord(7, "Seven"), "Seven:7"},
        {"RaceMinus1", ProfileRecord(-1, "None"), ""},
        {"WrongMagic", wrongMagic, ""},
        {"EmptyName", ProfileRecord(2, ""), ":2"},
        {"EndsInName", ProfileRecord(2, 6, "Art"), "Art:2"},
        {"Negative", ProfileRecord(2, -5, "Neg"), ":2"},
        {"Huge", ProfileRecord(2, 0x7fffffff, "Hugo"), "Hugo:2"},
        {"OverBound", ProfileRecord(2, bound + "tail"), bound + ":2"},
        {fits, ProfileRecord(0, "Fits"), "Fits:0"},
        {fits + "t", ProfileRecord(0, "TooLong"), ""},  // skipped, never cut short
    };
    Listed expected;
    for (const Case& c : cases) {
        install.WriteProfile(c.folder, GetParam()(c.record));
        if (!c.listed.empty()) expected[c.folder] = c.listed;
    }
    install.WriteProfile("Plain", ProfileRecord(0, "Plain"));  // the record, not compressed
    install.WriteProfile("EmptyFile", Bytes());
    // Plain files in the players folder are never examined, whatever they hold.
    ASSERT_TRUE(WriteFileBytes(install.native("Players\\UserInfo.dat"), GetParam()(ProfileRecord(0, "Top"))));
    EXPECT_EQ(expected, Scan(install));
}

TEST(PlayerRescan, KeepsOnlyItsOwnEntriesAndTheListsParallel)
{
    FakeInstallation install;
    EXPECT_EQ(Listed(), Scan(install)) << "no installation";
    install.SetOutputDir();
    install.WriteProfile("Ann", CompressWithZlib(ProfileRecord(0, "Ann")));
    install.WriteProfile("Bob", CompressWithZlib(ProfileRecord(2, "Bob")));
    EXPECT_EQ((Listed{{"Ann", "Ann:0"}, {"Bob", "Bob:2"}}), Scan(install));
    install.WriteProfile("Bob", Bytes());  // Bob's profile is gone
    install.WriteProfile("Cid", CompressWithZlib(ProfileRecord(1, "Cid")));
    EXPECT_EQ((Listed{{"Ann", "Ann:0"}, {"Cid", "Cid:1"}}), Scan(install));

    // Out of memory part way: fewer entries, never a name beside another profile's folder.
    for (long allocations = 0; allocations < 40; ++allocations)
        for (const auto& entry : Scan(install, allocations))
            EXPECT_EQ(entry.first + (entry.first == "Ann" ? ":0" : ":1"), entry.second) << "after " << allocations;
}

#ifndef _WIN32
namespace {

const std::string kHeader = "WINE REGISTRY Version 2\n#arch=win64\n\n";

// The native registry's "type:bytes" as RegQueryValueExA hands them out, or what was missing.
std::string Get(const char* key, const char* name, REGSAM view = KEY_WOW64_64KEY)
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &h) != ERROR_SUCCESS) return "no key";
    char buffer[512];
    DWORD type = 0, size = sizeof buffer;
    LONG rc = RegQueryValueExA(h, name, nullptr, &type, (LPBYTE)buffer, &size);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    return rc == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(buffer, size) : "no value";
}

}  // namespace

TEST(WineRegistryFile, ValuesAndKeyNamesAsWineWritesThem)
{
    FakeInstallation install;
    const std::string sections = "[Software\\\\Wow6432Node\\\\Test] 1\n\"V\"=\"32\"\n[Software\\\\Test] 1\n\"V\"=\"64\"\n";
    install.WriteRegistryText(kHeader + sections +
                              "[Software\\\\Values] 1700000000\n"
                              "#time=1d9\n"
                              "\"Backslash\"=\"C:\\\\Games\\\\\"\n"
                              "\"Quote\"=\"say \\\"hi\\\"\"\n"
                              "\"Accent\"=\"Jos\\xe9 \\x20ac\"\n"
                              "\"Digits\"=\"\\x00e9b\"\n"  // four digits at most per escape
                              "\"Expand\"=str(2):\"%SystemRoot%\"\n"
                              "[Software\\\\Tamrivo\\\\Quillmere\\\\BaseGame\\\\FileSystem] 1\n\"V\"=\"game\"\n"
                              "[Software\\\\T\\x61mrivo\\\\Br\\[ack\\]] 1\n\"V\"=\"escaped\"\n");
    struct Case { const char *key, *name; std::string value; REGSAM view = KEY_WOW64_64KEY; } cases[] = {
        {"Software\\Values", "Backslash", "1:C:\\Games\\\0"s},
        {"Software\\Values", "quote", "1:say \"hi\"\0"s},  // value names ignore case
        {"Software\\Values", "Accent", "1:Jos\xc3\xa9 \xe2\x82\xac\0"s},
        {"Software\\Values", "Digits", "1:\xc3\xa9" "b\0"s},
        {"Software\\Values", "Expand", "2:%SystemRoot%\0"s},
        {"SOFTWARE\\tamrivo\\QUILLMERE\\basegame\\filesystem", "V", "1:game\0"s},  // key names too
        {"Software\\Tamrivo\\Br[ack]", "V", "1:escaped\0"s},
        {"Software\\Test", "V", "1:32\0"s, KEY_WOW64_32KEY},  // Wow6432Node: the 32-bit view
        {"Software\\Test", "V", "1:64\0"s},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, Get(c.key, c.name, c.view)) << c.key << ", " << c.name;
    install.WriteRegistryText("WINE REGISTRY Version 2\n#arch=win32\n\n" + sections);
    EXPECT_EQ("1:64\0"s, Get("Software\\Test", "V", KEY_WOW64_32KEY)) << "a 32-bit prefix has the plain key only";
}

// Steam's library list in the forms it has had, and the damage a hand-edited one may carry.
TEST(SteamLibraryList, PathsInEveryFormAndNothingElse)
{
    struct Case { const char* what; std::string text; std::vector<std::string> paths; } cases[] = {
        {"today's form", "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/a/.local/share/Steam\"\n"
         "\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"1\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"Path\"\t\"/mnt/lib\"\n\t}\n}\n",
         {"/home/a/.local/share/Steam", "/mnt/lib"}},
        {"older form: numbered entries of the top block",
         "\"LibraryFolders\" { \"TimeNextStatsReport\" \"17\" \"1\" \"/mnt/old lib\" }", {"/mnt/old lib"}},
        {"escapes and a comment", "// saved by Steam\n\"libraryfolders\" { \"0\" { \"path\" \"/a \\\"b\\\" \\\\c\" } }",
         {"/a \"b\" \\c"}},
        {"numbers deeper down are app ids, not folders", "\"x\" { \"0\" { \"apps\" { \"1\" \"/not\" } } }", {}},
        {"relative and empty paths are left out", "\"x\" { \"0\" { \"path\" \"lib\" } \"1\" { \"path\" \"\" } }", {}},
        {"an unclosed string ends the list", "\"x\" { \"0\" { \"path\" \"/ok\" } \"1\" { \"path\" \"/cut", {"/ok"}},
        {"stray braces and a value with no key", "} } \"path\" { \"path\" \"/after\" } }", {"/after"}},
        {"a zero byte inside a path", "\"x\" { \"0\" { \"path\" \"/a\0b\" } }"s, {}},
        {"empty", "", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.paths, ReadLibraryFolders(c.text.data(), c.text.size())) << c.what;
}
#endif

// Profile names in the game's code page, as the terminal shows them and the player types them.
TEST(PlayerNames, DecodedMeasuredAndMatched)
{
    struct Decode { std::string bytes; unsigned page; std::string text; } decodes[] = {
        {"J\xf6rg", 1252, "J\xc3\xb6rg"},
        {"\x80uro", 1252, "\xe2\x82\xac" "uro"},
        {"\xc8\xe2\xe0\xed", 1251, "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd"},  // Ivan in Cyrillic
        {"Aldric", 1252, "Aldric"},
    };
    for (const Decode& d : decodes) EXPECT_EQ(d.text, DecodeName(d.bytes, d.page)) << d.bytes;

    struct Width { std::string text; size_t columns; } widths[] = {
        {"Aldric", 6}, {"J\xc3\xb6rg", 4}, {"Jo\xcc\x88rg", 4}, {"", 0},  // a combining mark takes none
    };
    for (const Width& w : widths) EXPECT_EQ(w.columns, DisplayWidth(w.text)) << w.text;

    struct Same { std::string a, b; bool same; } pairs[] = {
        {"aldric", "Aldric", true}, {"j\xc3\x96RG", "J\xc3\xb6rg", true}, {"Jorg", "J\xc3\xb6rg", false},
        {"Ald", "Aldric", false},
    };
    for (const Same& p : pairs) EXPECT_EQ(p.same, SameIgnoringCase(p.a, p.b)) << p.a << " " << p.b;
}

#ifndef _WIN32
TEST(PlayerNames, CodePageFromThePrefix)
{
    FakeInstallation install;
    EXPECT_EQ(1252u, GameCodePage()) << "no value: the Western code page";
    install.WriteRegistryText(kHeader + "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1\n\"ACP\"=\"1251\"\n");
    EXPECT_EQ(1251u, GameCodePage());
}
#endif
