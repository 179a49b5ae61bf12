// The player profile scan and the sort by race.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "game/players.h"
#include "tests/game/fake_install.h"

namespace {

// Set membership: the scan's order is the file system's.
std::vector<std::string> NamesOf(std::vector<ScannedProfile> profiles)
{
    std::vector<std::string> names;
    for (const ScannedProfile& p : profiles) names.push_back(p.name);
    std::sort(names.begin(), names.end());
    return names;
}

const ScannedProfile* Find(const std::vector<ScannedProfile>& profiles, const std::string& name)
{
    for (const ScannedProfile& p : profiles)
        if (p.name == name) return &p;
    return nullptr;
}

Bytes FirstBytes(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + std::min(n, b.size())); }

typedef Bytes (*Compressor)(const Bytes&);
Bytes ByStream(const Bytes& b) { return CompressWithStream(b); }
Bytes ByZlib(const Bytes& b) { return CompressWithZlib(b); }

// Fills the three lists in the given order, as a scan would have left them.
struct Lists {
    SerialStringArray folders, names;
    SerialIntArray races;
    Lists(std::initializer_list<std::pair<const char*, int32_t>> entries)
    {
        for (const auto& e : entries) {
            names.Add(e.first);
            races.Add(e.second);
            folders.Add((std::string("C:\\Games\\Quillmere\\Players\\") + e.first + "\\").c_str());
        }
    }
    std::vector<std::string> sorted()
    {
        SortPlayersByRace(folders, names, races);
        std::vector<std::string> out;
        for (int32_t i = 0; i < names.count; ++i) {
            std::string folder = std::string("C:\\Games\\Quillmere\\Players\\") + names.data[i].c_str() + "\\";
            EXPECT_EQ(folder, folders.data[i].c_str()) << "row " << i << ": folder and name came apart";
            out.push_back(std::string(names.data[i].c_str()) + ":" + std::to_string(races.data[i]));
        }
        return out;
    }
};

}  // namespace

TEST(PlayerSort, OrdersOfTheSelectionSort)
{
    struct Case {
        Lists lists;
        std::vector<std::string> expected;
    };
    Case cases[] = {
        {{{"Ann", 0}, {"Cid", 1}}, {"Cid:1", "Ann:0"}},
        {{{"Ann", 0}, {"Bob", 0}, {"Cid", 1}}, {"Cid:1", "Bob:0", "Ann:0"}},
        {{{"Ann", 2}, {"Bob", 0}, {"Cid", 1}, {"Dan", 3}}, {"Cid:1", "Bob:0", "Ann:2", "Dan:3"}},
        {{{"Eve", 7}, {"Dan", 3}, {"Ann", 2}, {"Bob", 0}, {"Cid", 1}},
         {"Cid:1", "Bob:0", "Ann:2", "Dan:3", "Eve:7"}},
        {{{"Ann", 5}, {"Bob", 4}}, {"Bob:4", "Ann:5"}},
        {{{"Ann", 1}}, {"Ann:1"}},
    };
    for (Case& c : cases) EXPECT_EQ(c.expected, c.lists.sorted());
}

// The selection sort exactly as the player list has always ordered its rows.
std::vector<std::string> ReferenceSort(std::vector<std::pair<std::string, int32_t>> rows)
{
    for (auto& r : rows) r.second = r.second == 0 ? 1 : r.second == 1 ? 0 : r.second;
    for (size_t p = 0; p + 1 < rows.size(); ++p) {
        int32_t key = rows[p].second;
        size_t best = rows.size();
        for (size_t j = p + 1; j < rows.size(); ++j)
            if (rows[j].second < key) {
                key = rows[j].second;
                best = j;
            }
        if (best != rows.size()) std::swap(rows[p], rows[best]);
    }
    std::vector<std::string> out;
    for (auto& r : rows)
        out.push_back(r.first + ":" + std::to_string(r.second == 0 ? 1 : r.second == 1 ? 0 : r.second));
    return out;
}

TEST(PlayerSort, LongListsOrderExactlyAsTheSelectionSort)
{
    uint32_t seed = 12345;
    for (int round = 0; round < 40; ++round) {
        size_t n = round < 10 ? size_t(round) : size_t(round * 37 % 700);
        std::vector<std::pair<std::string, int32_t>> rows;
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            rows.push_back({"P" + std::to_string(i), int32_t((seed >> 16) % (round % 3 == 0 ? 2 : 6))});
        }
        for (bool walk : {false, true}) {
            Lists lists({});
            for (auto& r : rows) {
                lists.names.Add(r.first.c_str());
                lists.races.Add(r.second);
                lists.folders.Add(("C:\\Games\\Quillmere\\Players\\" + r.first + "\\").c_str());
            }
            if (walk) zeroAllocFailAfter(0);  // no storage for the tree: the plain walk
            std::vector<std::string> got = lists.sorted();
            zeroAllocFailAfter(-1);
            EXPECT_EQ(ReferenceSort(rows), got) << n << " rows, " << (walk ? "walk" : "tree");
        }
    }
}

TEST(PlayerSort, EmptyListsAndListsOfDifferentLengths)
{
    Lists empty({});
    EXPECT_TRUE(empty.sorted().empty());

    Lists uneven({{"Ann", 2}, {"Bob", 1}});
    uneven.folders.SetSize(1, -1, true);  // a caller's mistake must not reach past an end
    SortPlayersByRace(uneven.folders, uneven.names, uneven.races);
    EXPECT_STREQ("Ann", uneven.names.data[0].c_str());
    EXPECT_EQ(2, uneven.races.data[0]);
}

class PlayerScan : public testing::TestWithParam<Compressor> {
protected:
    void Profile(const std::string& folder, int32_t race, const std::string& name)
    {
        install.WriteProfileFile(folder, GetParam()(ProfileRecord(race, name)));
    }
    FakeInstallation install;
};

INSTANTIATE_TEST_SUITE_P(Writers, PlayerScan, testing::Values(&ByStream, &ByZlib),
                         [](const testing::TestParamInfo<Compressor>& info) {
                             return std::string(info.param == &ByStream ? "FileStream" : "Compress2");
                         });

TEST_P(PlayerScan, ListsValidProfilesWithTheirFolders)
{
    install.SetOutputDir(install.gameDir());
    Profile("Ann", 0, "Ann");
    install.MakeProfileFolder("Bob");  // no UserInfo.dat
    Profile("Cid", 1, "Cid");

    std::vector<ScannedProfile> sorted = ScanAndSort();
    ASSERT_EQ(2u, sorted.size());
    EXPECT_EQ((ScannedProfile{install.playersDir() + "Cid\\", "Cid", 1}), sorted[0]);
    EXPECT_EQ((ScannedProfile{install.playersDir() + "Ann\\", "Ann", 0}), sorted[1]);
    EXPECT_STREQ((install.playersDir() + "Cid\\").c_str(), playerFolders.data[0].c_str());
}

TEST_P(PlayerScan, RaceCodes)
{
    install.SetOutputDir(install.gameDir());
    Profile("Ann", 3, "Ann");
    Profile("Bob", 7, "Bob");
    Profile("Cid", -1, "Cid");
    Profile("Dan", 1, "Dan");
    std::vector<ScannedProfile> sorted = ScanAndSort();
    ASSERT_EQ(3u, sorted.size()) << "race -1 is not a profile";
    EXPECT_EQ("Dan", sorted[0].name);
    EXPECT_EQ("Ann", sorted[1].name);
    EXPECT_EQ("Bob", sorted[2].name) << "race 7 is listed, after race 3";
    EXPECT_EQ(7, sorted[2].race);
}

TEST_P(PlayerScan, NameLengths)
{
    install.SetOutputDir(install.gameDir());
    const std::string longName(600, 'L');   // reaches past the first 512 inflated bytes
    const std::string bound(kMaxPlayerNameLength, 'B');
    struct Case {
        const char* folder;
        Bytes record;
        std::string expected;
    } cases[] = {
        {"Empty", ProfileRecord(2, ""), ""},
        {"Long", ProfileRecord(2, longName), longName},
        {"ZeroInside", ProfileRecord(2, std::string("Al\0ce", 5)), "Al"},
        {"EndsInName", ProfileRecordWithLength(2, 6, "Art"), "Art"},
        {"EndsAfterRace", FirstBytes(ProfileRecord(2, "x"), 8), ""},
        {"Negative", ProfileRecordWithLength(2, -5, "Neg"), ""},
        {"Huge", ProfileRecordWithLength(2, 0x7fffffff, "Hugo"), "Hugo"},
        {"OverBound", ProfileRecord(2, bound + "tail"), bound},
    };
    for (const Case& c : cases) install.WriteProfileFile(c.folder, GetParam()(c.record));

    std::vector<ScannedProfile> found = ScanOnly();
    EXPECT_EQ(sizeof cases / sizeof cases[0], found.size());
    for (const Case& c : cases) {
        const ScannedProfile* p = nullptr;
        for (const ScannedProfile& f : found)
            if (f.folder == install.playersDir() + c.folder + "\\") p = &f;
        ASSERT_TRUE(p) << c.folder << " is listed: its folder and race are valid";
        EXPECT_EQ(c.expected.size(), p->name.size()) << c.folder;
        EXPECT_EQ(c.expected, p->name) << c.folder;
    }
}

TEST_P(PlayerScan, FilesThatAreNotProfiles)
{
    install.SetOutputDir(install.gameDir());
    Profile("Good", 0, "Good");
    Bytes wrongMagic = ProfileRecord(0, "Magic");
    wrongMagic[3] = 0x01;  // 55 49 00 01
    install.WriteProfileFile("WrongMagic", GetParam()(wrongMagic));
    install.WriteProfileFile("Plain", ProfileRecord(0, "Plain"));  // the record, not compressed
    install.WriteProfileFile("EmptyFile", Bytes());
    Bytes damaged = GetParam()(ProfileRecord(0, "Damaged"));
    damaged[0] ^= 0xff;  // no zlib header
    install.WriteProfileFile("Damaged", damaged);
    install.WriteProfileFile("Cut", FirstBytes(GetParam()(ProfileRecord(0, "Cut")), 2));  // header only
    // A plain file in the players folder is never examined, whatever it holds.
    ASSERT_TRUE(WriteFileBytes(install.native("Players\\Loose"), GetParam()(ProfileRecord(0, "Loose"))));
    ASSERT_TRUE(WriteFileBytes(install.native("Players\\UserInfo.dat"), GetParam()(ProfileRecord(0, "Top"))));

    EXPECT_EQ(std::vector<std::string>{"Good"}, NamesOf(ScanOnly()));
}

TEST_P(PlayerScan, SecondScanKeepsOnlyItsOwnEntries)
{
    install.SetOutputDir(install.gameDir());
    Profile("Ann", 0, "Ann");
    Profile("Bob", 2, "Bob");
    SerialStringArray names;
    SerialIntArray races;
    names.Add("stale");
    races.Add(9);
    ScanPlayerProfiles(playerFolders, names, races);
    EXPECT_EQ(2, names.count);

    install.WriteProfileFile("Bob", Bytes());  // Bob's profile is gone
    Profile("Cid", 1, "Cid");
    ScanPlayerProfiles(playerFolders, names, races);
    ASSERT_EQ(2, names.count);
    ASSERT_EQ(2, races.count);
    ASSERT_EQ(2, playerFolders.count);
    std::vector<std::string> seen = {names.data[0].c_str(), names.data[1].c_str()};
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ((std::vector<std::string>{"Ann", "Cid"}), seen);
}

TEST(PlayerScanEmpty, NoInstallationOrNoPlayersFolderGivesEmptyLists)
{
    FakeInstallation install;
    SerialStringArray names;
    SerialIntArray races;
    names.Add("stale");
    races.Add(1);
    playerFolders.Add("C:\\stale\\");
    ScanPlayerProfiles(playerFolders, names, races);
    EXPECT_EQ(0, names.count);
    EXPECT_EQ(0, races.count);
    EXPECT_EQ(0, playerFolders.count);

    install.SetOutputDir(install.gameDir() + "\\Elsewhere");  // no Players folder there
    EXPECT_TRUE(ScanOnly().empty());
}

TEST(PlayerScanPaths, EntriesWhosePathsDoNotFitAreSkipped)
{
    FakeInstallation install;
    install.SetOutputDir(install.gameDir());
    // The profile file path is the players folder, the name, "\UserInfo.dat": 259 at most.
    const size_t room = 259 - install.playersDir().size() - strlen("\\UserInfo.dat");
    ASSERT_LT(room, 250u) << "the temporary folder is too short for this test";
    const std::string fits(room, 'f'), tooLong(room + 1, 't');
    install.WriteProfileFile(fits, CompressWithZlib(ProfileRecord(0, "Fits")));
    install.WriteProfileFile(tooLong, CompressWithZlib(ProfileRecord(0, "TooLong")));
    install.WriteProfileFile("Short", CompressWithZlib(ProfileRecord(0, "Short")));

    std::vector<ScannedProfile> found = ScanOnly();
    EXPECT_EQ((std::vector<std::string>{"Fits", "Short"}), NamesOf(found));
    const ScannedProfile* p = Find(found, "Fits");
    ASSERT_TRUE(p);
    EXPECT_EQ(install.playersDir() + fits + "\\", p->folder);
}

TEST(PlayerScanPaths, GameFolderFillingTheBufferListsNothing)
{
    FakeInstallation install;
    install.SetOutputDir("C:\\" + std::string(256, 'g'));  // found, 260 with its backslash
    char dir[kGameDirSize];
    ASSERT_TRUE(FindGameOutputDir(dir));
    EXPECT_TRUE(ScanOnly().empty()) << "the players folder cannot be formed, so there is nothing";
}

TEST(PlayerScanMemory, FailedAllocationsKeepTheListsParallel)
{
    FakeInstallation install;
    install.SetOutputDir(install.gameDir());
    for (const char* name : {"Ann", "Bob", "Cid", "Dan", "Eve", "Fay"})
        install.WriteProfileFile(name, CompressWithZlib(ProfileRecord(2, name)));
    size_t complete = ScanOnly().size();
    ASSERT_EQ(6u, complete);
    for (long allowed = 0; allowed < 60; ++allowed) {
        SerialStringArray names;
        SerialIntArray races;
        zeroAllocFailAfter(allowed);
        ScanPlayerProfiles(playerFolders, names, races);
        zeroAllocFailAfter(-1);
        ASSERT_EQ(names.count, races.count) << "after " << allowed << " allocations";
        ASSERT_EQ(names.count, playerFolders.count) << "after " << allowed << " allocations";
        for (int32_t i = 0; i < names.count; ++i)
            EXPECT_EQ(install.playersDir() + names.data[i].c_str() + "\\", playerFolders.data[i].c_str());
    }
}
