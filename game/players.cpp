// The player profiles of the game installation: scanning the players folder, sorting by race.
#include <string.h>

#include "core/file_stream.h"
#include "core/string_table.h"
#include "core/zero_alloc.h"
#include "game/players.h"
#include "platform/win32.h"
#include "resource.h"

SerialStringArray playerFolders;

namespace {

// Appends `s` to the text in `buffer` (MAX_PATH bytes). False, with the buffer unchanged, when
// the result and its terminator would not fit: such a path is skipped, never cut short.
bool AppendPath(char* buffer, const char* s)
{
    size_t used = strlen(buffer), add = strlen(s);
    if (used + add >= MAX_PATH) return false;
    memcpy(buffer + used, s, add + 1);
    return true;
}

// Reads one profile folder's UserInfo.dat and appends the profile to the three lists; leaves
// them untouched when the file is not a profile.
void ReadProfile(const char* playersFolder, const char* entryName, const char* profileFile,
                 SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races)
{
    char path[MAX_PATH];
    strcpy(path, playersFolder);  // the caller checked that it fits
    if (!AppendPath(path, entryName) || !AppendPath(path, "\\")) return;
    size_t folderLength = strlen(path);
    if (!AppendPath(path, profileFile)) return;

    FileStream in(path, kProfileMode, 0, -1);
    if (!in.isGood()) return;  // missing, unreadable, empty, or not a zlib stream
    uint32_t magic = 0;
    int32_t race = 0;
    in.read(&magic, 4).read(&race, 4);
    if (!in.isGood()) return;
    if (magic != kProfileMagic) return;
    if (race < 0) return;

    // A record that ends before or inside the name still lists the profile, with the bytes
    // that are there. The length is not trusted: a negative one counts as an empty name, and
    // at most kMaxPlayerNameLength bytes are taken whatever the file claims.
    int32_t length = 0;
    in.read(&length, 4);
    char name[kMaxPlayerNameLength + 1];
    int32_t take = length < 0 ? 0 : length > kMaxPlayerNameLength ? kMaxPlayerNameLength : length;
    memset(name, 0, size_t(take) + 1);
    if (take > 0) in.read(name, take);  // bytes that do not come stay zero

    path[folderLength] = 0;
    // The lists stay parallel: an entry that cannot be added to all three is added to none.
    int32_t namesBefore = names.count, racesBefore = races.count;
    if (names.Add(name) < 0) return;
    if (races.Add(race) < 0) {
        names.SetSize(namesBefore, -1, true);
        return;
    }
    if (folders.Add(path) < 0) {
        names.SetSize(namesBefore, -1, true);
        races.SetSize(racesBefore, -1, true);
    }
}

// Exchanges the codes 0 and 1 among the first n races.
void SwapRaceZeroAndOne(SerialIntArray& races, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        if (races.data[i] == 0) races.data[i] = 1;
        else if (races.data[i] == 1) races.data[i] = 0;
    }
}

// The first position from `from` up to n holding the smallest code: a plain walk.
int32_t FirstMinimumFrom(const int32_t* codes, int32_t from, int32_t n)
{
    int32_t best = from;
    for (int32_t j = from + 1; j < n; ++j)
        if (codes[j] < codes[best]) best = j;
    return best;
}

// The same question in logarithmic time, for long lists: a tree over the positions whose
// nodes hold the position of their part's smallest code (the first of equal ones). Without
// storage ok() is false and the caller walks instead.
class MinimumTree {
public:
    MinimumTree(const int32_t* c, int32_t n) : codes(c), count(n), leaves(1), nodes(nullptr)
    {
        while (leaves < count) leaves *= 2;
        if (count < 2) return;
        nodes = static_cast<int32_t*>(zeroAlloc(sizeof(int32_t) * 2 * size_t(leaves)));
        if (!nodes) return;
        for (int32_t i = 0; i < leaves; ++i) nodes[leaves + i] = i < count ? i : -1;
        for (int32_t i = leaves - 1; i >= 1; --i) nodes[i] = Better(nodes[2 * i], nodes[2 * i + 1]);
    }
    ~MinimumTree() { zeroFree(nodes); }
    MinimumTree(const MinimumTree&) = delete;
    MinimumTree& operator=(const MinimumTree&) = delete;

    bool ok() const { return nodes != nullptr; }

    int32_t firstMinimumFrom(int32_t from) const
    {
        int32_t best = -1;
        for (int32_t lo = from + leaves, hi = count - 1 + leaves; lo <= hi; lo /= 2, hi /= 2) {
            if (lo & 1) best = Better(best, nodes[lo++]);
            if (!(hi & 1)) best = Better(best, nodes[hi--]);
        }
        return best;
    }

    // The code at `position` changed.
    void update(int32_t position)
    {
        for (int32_t i = (position + leaves) / 2; i >= 1; i /= 2) nodes[i] = Better(nodes[2 * i], nodes[2 * i + 1]);
    }

private:
    int32_t Better(int32_t a, int32_t b) const
    {
        if (a < 0) return b;
        if (b < 0) return a;
        if (codes[a] != codes[b]) return codes[a] < codes[b] ? a : b;
        return a < b ? a : b;
    }

    const int32_t* codes;
    int32_t count, leaves;
    int32_t* nodes;
};

}  // namespace

void ScanPlayerProfiles(SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races)
{
    // Empty first, so that every early stop leaves three empty lists.
    if (folders.count) folders.Clear();
    if (names.count) names.Clear();
    if (races.count) races.count = 0;

    char players[kGameDirSize];
    if (!FindGameOutputDir(players)) return;
    char playersName[MAX_PATH], profileFile[MAX_PATH];
    LoadTableString(IDS_PLAYERS_FOLDER, playersName, sizeof playersName);
    LoadTableString(IDS_PROFILE_FILE, profileFile, sizeof profileFile);

    // The output folder may fill the whole buffer; the players folder must fit MAX_PATH bytes.
    if (strlen(players) >= MAX_PATH) return;
    if (!AppendPath(players, playersName) || !AppendPath(players, "\\")) return;
    char pattern[MAX_PATH];
    strcpy(pattern, players);
    if (!AppendPath(pattern, "*.*")) return;

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!strcmp(entry.cFileName, ".") || !strcmp(entry.cFileName, "..")) continue;
        ReadProfile(players, entry.cFileName, profileFile, folders, names, races);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

void SortPlayersByRace(SerialStringArray& folders, SerialStringArray& names, SerialIntArray& races)
{
    // The lists are parallel; should a caller hand in lists of different lengths, only the
    // entries all three have are moved.
    int32_t n = races.count;
    if (names.count < n) n = names.count;
    if (folders.count < n) n = folders.count;

    // Race 1 sorts first: exchange 0 and 1, sort ascending, exchange them back.
    SwapRaceZeroAndOne(races, n);
    MinimumTree tree(races.data, n);
    for (int32_t p = 0; p + 1 < n; ++p) {
        // The selection step: the first position after p holding the smallest code, taken
        // when that code is below the one at p (of several equal smallest codes the first).
        int32_t best = tree.ok() ? tree.firstMinimumFrom(p + 1) : FirstMinimumFrom(races.data, p + 1, n);
        if (races.data[best] >= races.data[p]) continue;
        int32_t race = races.data[p];
        races.data[p] = races.data[best];
        races.data[best] = race;
        names.data[p].swap(names.data[best]);
        folders.data[p].swap(folders.data[best]);
        if (tree.ok()) tree.update(best);  // position p is never asked again
    }
    SwapRaceZeroAndOne(races, n);
}

bool ComposeBannerPath(int32_t row, bool inGame, char* path)
{
    path[0] = 0;
    if (row < 0 || row >= playerFolders.count) return false;
    return ComposeBannerPathIn(playerFolders.data[row].c_str(), inGame, path);
}

bool ComposeBannerPathIn(const char* folder, bool inGame, char* path)
{
    path[0] = 0;
    char fileName[256];
    LoadTableString(inGame ? IDS_BANNER_IN_GAME : IDS_BANNER_STATISTIC, fileName, sizeof fileName);
    size_t folderLength = strlen(folder);
    size_t nameLength = strlen(fileName);
    if (folderLength + nameLength >= MAX_PATH) return false;
    memcpy(path, folder, folderLength);
    memcpy(path + folderLength, fileName, nameLength + 1);
    return true;
}
