// The command line's player list: the scan and sort the dialog uses, into lists of its own, and
// the words around it.
#include "cli/player_list.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "game/player_names.h"
#include "game/players.h"
#include "platform/file_facts.h"
#include "platform/win32.h"
#include "resource.h"

#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix_path.h"
#include "platform/wine_prefix.h"
#endif

namespace {

std::string RaceText(int32_t race)
{
    static const unsigned kRaceTexts[] = {IDS_RACE_KSV, IDS_RACE_RZ, IDS_RACE_OB, IDS_RACE_SKIRMISH};
    return race >= 0 && race < 4 ? TableText(kRaceTexts[race]) : std::string();
}

// A name the file calls gave or take (a folder, an argument) in UTF-8. On Windows they speak the
// process's code page: UTF-8 where the manifest's setting holds, the ANSI code page before it.
std::string FromFileCodePage(const std::string& name)
{
#ifdef _WIN32
    if (GetACP() != CP_UTF8) return DecodeName(name, GetACP());
#endif
    return name;
}

// A core path as this system names it, for messages: natively the file the layer opens.
std::string Where(const std::string& corePath)
{
#ifdef _WIN32
    return FromFileCodePage(corePath);
#else
    std::string native;
    if (!CoreToNativePath(corePath.c_str(), native)) return corePath;
    return corePath + " (" + native + ")";
#endif
}

// The players folder, built as the scan builds it; false when its search pattern would not fit
// the scan's buffers.
bool PlayersFolder(const char* gameDir, std::string& folder)
{
    folder = std::string(gameDir) + TableText(IDS_PLAYERS_FOLDER) + "\\";
    return folder.size() + 3 < MAX_PATH;
}

// Why the lookup found no key: natively the prefix or its registry file may be what is missing.
std::string WhyNoKey()
{
#ifndef _WIN32
    char prefix[4096], file[4096];
    struct stat st;
    if (WinePrefixFolder(prefix, sizeof prefix) && stat(prefix, &st) != 0)
        return std::string("the Wine prefix ") + prefix + " is missing (" + strerror(errno) + ")";
    if (WineRegistryFile(file, sizeof file)) {
        // The registry's own refusal (not a regular file, too large) says the most.
        if (*WineRegistryRefusal()) return std::string("the registry file ") + file + " " + WineRegistryRefusal();
        // Without waiting: a FIFO there would hold the open forever.
        int fd = open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return std::string("the registry file ") + file + " cannot be read (" + strerror(errno) + ")";
        close(fd);
    }
#endif
    return "the registry key is missing";
}

// The lookup's failure: what was missing, and where it looked.
std::string NoInstallation(GameLookupResult r)
{
    const std::string value = TableText(IDS_REGISTRY_VALUE);
    std::string why;
    switch (r) {
    case GameKeyMissing: why = WhyNoKey(); break;
    case GameSubKeyMissing: why = "the registry key has no sub-key " + TableText(IDS_REGISTRY_SUBKEY); break;
    case GameValueMissing: why = "the key has no value " + value; break;
    case GameValueTooLong: why = "the value " + value + " is longer than 259 characters"; break;
    case GameValueNotString: why = "the value " + value + " is not a REG_SZ string (REG_EXPAND_SZ is refused too)"; break;
    case GameValueEmpty: why = "the value " + value + " is empty"; break;
    case GameFound: break;
    }
    std::string subKey = "HKEY_LOCAL_MACHINE\\" + TableText(IDS_REGISTRY_KEY) + "\\" + TableText(IDS_REGISTRY_SUBKEY);
    std::string text = "No Quillmere installation found: " + why + ".\n  looked in:  " + subKey + ", value " + value +
                       " (REG_SZ), 32-bit view, then 64-bit view";
#ifndef _WIN32
    char file[4096];
    if (WineRegistryFile(file, sizeof file))
        text += std::string("\n  registry:   ") + file +
                " (WINEPREFIX; when unset, the prefix 'vexillor-cli prefix' finds,\n              else ~/.wine)";
#endif
    return text;
}

// The banners a profile has, with the day each was written: "in game 2026-12-07, statistics
// 2026-11-30", or "none".
std::string BannersOf(const PlayerList& list, int32_t row)
{
    std::string text;
    for (int inGame = 1; inGame >= 0; --inGame) {
        char path[MAX_PATH], date[32];
        uint64_t size = 0;
        if (!BannerPathOf(list, row, inGame != 0, path) || KindOfFile(path) != FileRegular ||
            !FileStampOf(path, &size, date, sizeof date))
            continue;
        if (!text.empty()) text += ", ";
        text += std::string(inGame ? "in game " : "statistics ") + std::string(date).substr(0, 10);
    }
    return text.empty() ? "none" : text;
}

// Padded to `width` terminal columns.
std::string Pad(const std::string& text, size_t width)
{
    size_t shown = DisplayWidth(text);
    return text + std::string(width > shown ? width - shown : 0, ' ');
}

// The last component of a profile folder ("C:\...\Players\Aldric\" gives "Aldric").
std::string FolderName(const std::string& folder)
{
    std::string f = folder;
    if (!f.empty() && f.back() == '\\') f.pop_back();
    size_t cut = f.find_last_of('\\');
    return cut == std::string::npos ? f : f.substr(cut + 1);
}

bool IsRowNumber(const char* s)
{
    if (!*s || strlen(s) > 9) return false;
    for (const char* p = s; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// Why a folder of the players folder is not a row: no profile file, one that cannot be opened
// (the system's reason), or one that is not a profile.
std::string WhySkipped(const std::string& folder)
{
    const std::string profileFile = TableText(IDS_PROFILE_FILE), file = folder + profileFile;
    if (KindOfFile(file.c_str()) != FileRegular) return "no " + profileFile;
    HANDLE f = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        CloseHandle(f);
        return "not a profile";
    }
    char reason[256];
    SystemErrorText(GetLastError(), reason, sizeof reason);
    return profileFile + ": " + reason;
}

}  // namespace

bool CheckInstallation(Failure& failure)
{
    char gameDir[kGameDirSize];
    GameLookupResult r = LookUpGameOutputDir(gameDir);
    if (r != GameFound) return Fail(failure, FailPlain, NoInstallation(r));
    std::string players;
    if (!PlayersFolder(gameDir, players))
        return Fail(failure, FailPlain,
                    "No Quillmere installation found: the players folder below " + std::string(gameDir) +
                        " is longer than " + std::to_string(MAX_PATH - 4) + " characters.");
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((players + "*.*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return true;
    }
    char reason[256];
    SystemErrorText(GetLastError(), reason, sizeof reason);
    std::string subKey = "HKEY_LOCAL_MACHINE\\" + TableText(IDS_REGISTRY_KEY) + "\\" + TableText(IDS_REGISTRY_SUBKEY);
    return Fail(failure, FailPlain,
                std::string("No Quillmere installation found: the players folder is missing (") + reason + ").\n" +
                    "  looked for: " + Where(players) + "\n  named by:   " + subKey + ", value " +
                    TableText(IDS_REGISTRY_VALUE) + " = " + gameDir);
}

void LoadPlayers(PlayerList& list)
{
    ScanPlayerProfiles(list.folders, list.names, list.races);
    SortPlayersByRace(list.folders, list.names, list.races);
    // The names in the game's code page, the folders in the file calls': each in UTF-8 once.
    unsigned codePage = GameCodePage();
    list.shown.clear();
    list.shownFolders.clear();
    for (int32_t i = 0; i < list.names.count; ++i) {
        list.shown.push_back(DecodeName(list.names.data[i].c_str(), codePage));
        list.shownFolders.push_back(FromFileCodePage(list.folders.data[i].c_str()));
    }
}

std::string FormatPlayers(const PlayerList& list, bool paths)
{
    std::string player = TableText(IDS_COLUMN_PLAYER), race = TableText(IDS_COLUMN_RACE), banners = "Banners";
    size_t nameWidth = DisplayWidth(player), raceWidth = DisplayWidth(race), bannerWidth = banners.size();
    std::vector<std::string> owned;
    for (int32_t i = 0; i < list.names.count; ++i) {
        nameWidth = std::max(nameWidth, DisplayWidth(list.shown[size_t(i)]));
        raceWidth = std::max(raceWidth, DisplayWidth(RaceText(list.races.data[i])));
        owned.push_back(BannersOf(list, i));
        bannerWidth = std::max(bannerWidth, owned.back().size());
    }
    // With --paths the Linux path closes each line, so the row number stays first on every one.
    size_t folderWidth = 6;
    for (int32_t i = 0; paths && i < list.names.count; ++i)
        folderWidth = std::max(folderWidth, DisplayWidth(list.shownFolders[size_t(i)]));
    std::string head = std::string("Folder") + (paths ? std::string(folderWidth - 6, ' ') + " Linux path" : "");
    char row[16];
    snprintf(row, sizeof row, "%-4s ", "Row");
    std::string text = row + Pad(player, nameWidth) + " " + Pad(race, raceWidth) + " " + Pad(banners, bannerWidth) +
                       " " + head + "\n";
    for (int32_t i = 0; i < list.names.count; ++i) {
        std::string folder = list.shownFolders[size_t(i)];
        if (paths) folder = Pad(folder, folderWidth) + " " + HostPathOf(list.folders.data[i].c_str());
        snprintf(row, sizeof row, "%-4d ", int(i + 1));
        text += row + Pad(list.shown[size_t(i)], nameWidth) + " " + Pad(RaceText(list.races.data[i]), raceWidth) +
                " " + Pad(owned[size_t(i)], bannerWidth) + " " + folder + "\n";
    }
    return text;
}

std::string SkippedFolders(const PlayerList& list)
{
    char gameDir[kGameDirSize];
    std::string players, skipped;
    if (!FindGameOutputDir(gameDir) || !PlayersFolder(gameDir, players)) return skipped;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((players + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return skipped;
    do {
        std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
        bool listed = false;
        for (int32_t i = 0; i < list.folders.count && !listed; ++i)
            listed = players + name + "\\" == list.folders.data[i].c_str();
        if (listed) continue;
        skipped += (skipped.empty() ? "Skipped: " : ", ") + FromFileCodePage(name) + " (" +
                   WhySkipped(players + name + "\\") + ")";
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return skipped;
}

std::string PlayersFolderShown()
{
    char gameDir[kGameDirSize];
    std::string players;
    if (FindGameOutputDir(gameDir)) PlayersFolder(gameDir, players);
    return Where(players);
}

int32_t ChoosePlayer(const PlayerList& list, const char* typed, Failure& failure)
{
    // Typed, the argument arrives in the file calls' code page; the game wrote its own bytes in
    // the game's.
    std::string wanted = FromFileCodePage(typed);
    std::vector<int32_t> matches;
    for (int32_t i = 0; i < list.names.count; ++i)
        if (list.shown[size_t(i)] == wanted || !strcmp(list.names.data[i].c_str(), typed)) matches.push_back(i);
    if (IsRowNumber(typed)) {
        long row = atol(typed);
        if (row >= 1 && row <= list.names.count) {
            bool same = matches.size() == 1 && matches[0] == row - 1;
            if (!same) matches.insert(matches.begin(), int32_t(row - 1));
        } else if (matches.empty()) {
            Fail(failure, FailPlain, "There is no row " + wanted + ": the player list has " +
                                         std::to_string(list.names.count) + " rows.");
            return -1;
        }
    }
    for (int32_t i = 0; matches.empty() && i < list.names.count; ++i)
        if (SameIgnoringCase(list.shown[size_t(i)], wanted)) matches.push_back(i);
    for (int32_t i = 0; matches.empty() && i < list.names.count; ++i)
        if (SameIgnoringCase(FolderName(list.shownFolders[size_t(i)]), wanted)) matches.push_back(i);
    if (matches.size() == 1) return matches[0];
    std::string text;
    if (matches.empty()) {
        text = "No player profile is named '" + wanted + "'. The profiles:\n" + FormatPlayers(list, false);
    } else {
        text = "'" + wanted + "' matches several player profiles; choose one by its row:\n";
        for (int32_t i : matches)
            text += "  row " + std::to_string(i + 1) + ": " + list.shown[size_t(i)] + " (" +
                    RaceText(list.races.data[i]) + ") " + list.shownFolders[size_t(i)] + "\n";
    }
    text.pop_back();  // Report ends the last line
    Fail(failure, FailPlain, text);
    return -1;
}

std::string ProfileFolderName(const PlayerList& list, int32_t row)
{
    return row >= 0 && row < list.folders.count ? FolderName(list.folders.data[row].c_str()) : std::string();
}

bool BannerPathOf(const PlayerList& list, int32_t row, bool inGame, char* path)
{
    path[0] = 0;
    if (row < 0 || row >= list.folders.count) return false;
    return ComposeBannerPathIn(list.folders.data[row].c_str(), inGame, path);
}
