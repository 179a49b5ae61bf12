// vexillor-cli players and install: the player profiles as the banner target dialog lists them,
// and what its OK button does with a picture, the chosen profile and the banner kind.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/explain.h"
#include "core/string_table.h"
#include "game/player_names.h"
#include "game/players.h"
#include "image/banner_files.h"
#include "image/convert.h"
#include "image/picture.h"
#include "platform/file_facts.h"
#include "platform/win32.h"
#include "resource.h"

#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include "platform/posix_path.h"
#include "platform/wine_prefix.h"
#endif

namespace {

// The profiles in row order: playerFolders holds the folders, as after the dialog's list filling.
// `shown` holds the names as the terminal shows them, decoded from the game's code page.
struct PlayerList {
    SerialStringArray names;
    SerialIntArray races;
    std::vector<std::string> shown;
};

std::string Table(UINT id)
{
    char text[256];
    LoadTableString(id, text, sizeof text);
    return text;
}

std::string RaceText(int32_t race)
{
    static const UINT kRaceTexts[] = {IDS_RACE_KSV, IDS_RACE_RZ, IDS_RACE_OB, IDS_RACE_SKIRMISH};
    return race >= 0 && race < 4 ? Table(kRaceTexts[race]) : std::string();
}

// A core path as this system names it, for messages: natively the file the layer opens.
std::string Where(const std::string& corePath)
{
#ifdef _WIN32
    return corePath;
#else
    std::string native;
    if (!CoreToNativePath(corePath.c_str(), native)) return corePath;
    return corePath + " (" + native + ")";
#endif
}

// The players folder and its search pattern, built as the scan builds them; false when they
// would not fit its buffers.
bool PlayersFolder(const char* gameDir, std::string& folder)
{
    folder = std::string(gameDir) + Table(IDS_PLAYERS_FOLDER) + "\\";
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

// Says why the player list would be empty: where the lookup looked and what was missing.
// Returns true when the installation and its players folder are there.
bool CheckInstallation()
{
    char gameDir[kGameDirSize];
    GameLookupResult r = LookUpGameOutputDir(gameDir);
    std::string key = "HKEY_LOCAL_MACHINE\\" + Table(IDS_REGISTRY_KEY);
    std::string subKey = key + "\\" + Table(IDS_REGISTRY_SUBKEY);
    std::string value = Table(IDS_REGISTRY_VALUE);
    if (r == GameFound) {
        std::string players;
        if (!PlayersFolder(gameDir, players)) {
            fprintf(stderr, "No Quillmere installation found: the players folder below %s is longer than %d characters.\n",
                    gameDir, MAX_PATH - 4);
            return false;
        }
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((players + "*.*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            return true;
        }
        char reason[256];
        SystemErrorText(GetLastError(), reason, sizeof reason);
        fprintf(stderr, "No Quillmere installation found: the players folder is missing (%s).\n", reason);
        fprintf(stderr, "  looked for: %s\n", Where(players).c_str());
        fprintf(stderr, "  named by:   %s, value %s = %s\n", subKey.c_str(), value.c_str(), gameDir);
        return false;
    }

    std::string why;
    switch (r) {
    case GameKeyMissing: why = WhyNoKey(); break;
    case GameSubKeyMissing: why = "the registry key has no sub-key " + Table(IDS_REGISTRY_SUBKEY); break;
    case GameValueMissing: why = "the key has no value " + value; break;
    case GameValueTooLong: why = "the value " + value + " is longer than 259 characters"; break;
    case GameValueNotString: why = "the value " + value + " is not a REG_SZ string (REG_EXPAND_SZ is refused too)"; break;
    case GameValueEmpty: why = "the value " + value + " is empty"; break;
    case GameFound: break;
    }
    fprintf(stderr, "No Quillmere installation found: %s.\n", why.c_str());
    fprintf(stderr, "  looked in:  %s, value %s (REG_SZ), 32-bit view, then 64-bit view\n", subKey.c_str(),
            value.c_str());
#ifndef _WIN32
    char file[4096];
    if (WineRegistryFile(file, sizeof file))
        fprintf(stderr,
                "  registry:   %s (WINEPREFIX; when unset, the prefix 'vexillor-cli prefix' finds,\n"
                "              else ~/.wine)\n",
                file);
#endif
    return false;
}

// Scans and sorts, as the dialog's list filling does.
void LoadPlayers(PlayerList& list)
{
    ScanPlayerProfiles(playerFolders, list.names, list.races);
    SortPlayersByRace(playerFolders, list.names, list.races);
    unsigned codePage = GameCodePage();
    for (int32_t i = 0; i < list.names.count; ++i) list.shown.push_back(DecodeName(list.names.data[i].c_str(), codePage));
}

// The last component of a profile folder ("C:\...\Players\Aldric\" gives "Aldric").
std::string FolderName(const std::string& folder)
{
    std::string f = folder;
    if (!f.empty() && f.back() == '\\') f.pop_back();
    size_t cut = f.find_last_of('\\');
    return cut == std::string::npos ? f : f.substr(cut + 1);
}

// The banners a profile has, with the day each was written: "in game 2026-12-07, statistics
// 2026-11-30", or "none".
std::string BannersOf(int32_t row)
{
    std::string text;
    for (int inGame = 1; inGame >= 0; --inGame) {
        char path[MAX_PATH], date[32];
        uint64_t size = 0;
        if (!ComposeBannerPath(row, inGame != 0, path) || KindOfFile(path) != FileRegular ||
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

void PrintPlayers(const PlayerList& list, FILE* out, bool paths = false)
{
    std::string player = Table(IDS_COLUMN_PLAYER), race = Table(IDS_COLUMN_RACE), banners = "Banners";
    size_t nameWidth = DisplayWidth(player), raceWidth = DisplayWidth(race), bannerWidth = banners.size();
    std::vector<std::string> owned;
    for (int32_t i = 0; i < list.names.count; ++i) {
        nameWidth = std::max(nameWidth, DisplayWidth(list.shown[size_t(i)]));
        raceWidth = std::max(raceWidth, DisplayWidth(RaceText(list.races.data[i])));
        owned.push_back(BannersOf(i));
        bannerWidth = std::max(bannerWidth, owned.back().size());
    }
    // With --paths the Linux path closes each line, so the row number stays first on every one.
    size_t folderWidth = 6;
    for (int32_t i = 0; paths && i < list.names.count; ++i)
        folderWidth = std::max(folderWidth, DisplayWidth(playerFolders.data[i].c_str()));
    std::string head = std::string("Folder") + (paths ? std::string(folderWidth - 6, ' ') + " Linux path" : "");
    fprintf(out, "%-4s %s %s %s %s\n", "Row", Pad(player, nameWidth).c_str(), Pad(race, raceWidth).c_str(),
            Pad(banners, bannerWidth).c_str(), head.c_str());
    for (int32_t i = 0; i < list.names.count; ++i) {
        std::string folder = playerFolders.data[i].c_str();
        if (paths) folder = Pad(folder, folderWidth) + " " + HostPathOf(folder.c_str());
        fprintf(out, "%-4d %s %s %s %s\n", int(i + 1), Pad(list.shown[size_t(i)], nameWidth).c_str(),
                Pad(RaceText(list.races.data[i]), raceWidth).c_str(), Pad(owned[size_t(i)], bannerWidth).c_str(),
                folder.c_str());
    }
}

// The folders of the players folder the list leaves out, and why: one line, or nothing.
void PrintSkipped(FILE* out)
{
    char gameDir[kGameDirSize];
    std::string players;
    if (!FindGameOutputDir(gameDir) || !PlayersFolder(gameDir, players)) return;
    std::string profileFile = Table(IDS_PROFILE_FILE), skipped;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((players + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = entry.cFileName;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
        bool listed = false;
        for (int32_t i = 0; i < playerFolders.count && !listed; ++i)
            listed = players + name + "\\" == playerFolders.data[i].c_str();
        if (listed) continue;
        std::string file = players + name + "\\" + profileFile, why = "not a profile";
        if (KindOfFile(file.c_str()) != FileRegular) {
            why = "no " + profileFile;
        } else {
            HANDLE f = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            char reason[256];
            if (f == INVALID_HANDLE_VALUE) {
                SystemErrorText(GetLastError(), reason, sizeof reason);
                why = profileFile + ": " + reason;
            } else {
                CloseHandle(f);
            }
        }
        if (!skipped.empty()) skipped += ", ";
        skipped += name + " (" + why + ")";
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (!skipped.empty()) fprintf(out, "Skipped: %s\n", skipped.c_str());
}

bool IsRowNumber(const char* s)
{
    if (!*s || strlen(s) > 9) return false;
    for (const char* p = s; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// The row the user means: a row number as `players` prints it (from 1), or a player name
// (exact). A name that several profiles carry, or digits that are both a row and another
// profile's name, are refused with the candidates listed. Failing those, a name that matches
// without regard to case, then a profile's folder name. Returns the index or -1.
int32_t ChoosePlayer(const PlayerList& list, const char* typed)
{
    // Typed on Windows, the argument arrives in the ANSI code page; natively it is UTF-8.
#ifdef _WIN32
    std::string wanted = DecodeName(typed, GameCodePage());
#else
    std::string wanted = typed;
#endif
    std::vector<int32_t> matches;
    for (int32_t i = 0; i < list.names.count; ++i)
        if (list.shown[size_t(i)] == wanted || !strcmp(list.names.data[i].c_str(), typed)) matches.push_back(i);
    if (IsRowNumber(typed)) {
        long row = atol(typed);
        if (row >= 1 && row <= list.names.count) {
            bool same = matches.size() == 1 && matches[0] == row - 1;
            if (!same) matches.insert(matches.begin(), int32_t(row - 1));
        } else if (matches.empty()) {
            fprintf(stderr, "There is no row %s: the player list has %d rows.\n", wanted.c_str(), int(list.names.count));
            return -1;
        }
    }
    for (int32_t i = 0; matches.empty() && i < list.names.count; ++i)
        if (SameIgnoringCase(list.shown[size_t(i)], wanted)) matches.push_back(i);
    for (int32_t i = 0; matches.empty() && i < list.names.count; ++i)
        if (SameIgnoringCase(FolderName(playerFolders.data[i].c_str()), wanted)) matches.push_back(i);
    if (matches.size() == 1) return matches[0];
    if (matches.empty()) {
        fprintf(stderr, "No player profile is named '%s'. The profiles:\n", wanted.c_str());
        PrintPlayers(list, stderr);
        return -1;
    }
    fprintf(stderr, "'%s' matches several player profiles; choose one by its row:\n", wanted.c_str());
    for (int32_t i : matches)
        fprintf(stderr, "  row %d: %s (%s) %s\n", int(i + 1), list.shown[size_t(i)].c_str(),
                RaceText(list.races.data[i]).c_str(), playerFolders.data[i].c_str());
    return -1;
}

// The success message as the window program formats it: text 1125 as the format, the file
// name and the destination path as its arguments, each into 1024 bytes.
void PrintConverted(const char* fileName, const char* destination)
{
    char format[1024], text[1024];
    LoadTableString(IDS_CONVERTED, format, sizeof format);
    snprintf(text, sizeof text, format, fileName, destination);
    printf("%s\n", text);
}

}  // namespace

int RunPlayersCommand(const PlayersArguments& args)
{
#ifndef _WIN32
    UseFoundPrefix();
#endif
    if (!CheckInstallation()) return ExitFailed;
    PlayerList list;
    LoadPlayers(list);
    if (list.names.count == 0) {
        char gameDir[kGameDirSize];
        std::string players;
        if (FindGameOutputDir(gameDir)) PlayersFolder(gameDir, players);
        printf("No player profiles in %s\n", Where(players).c_str());
    } else {
        PrintPlayers(list, stdout, args.paths);
    }
    PrintSkipped(stdout);
    return ExitDone;
}

int RunInstallCommand(const InstallArguments& args)
{
    const char* player = args.player.c_str();
    const bool inGame = args.inGame;
    char sourcePath[MAX_PATH];
    if (!CorePathArgument("install", args.picture.c_str(), sourcePath)) return ExitFailed;
    const char* fileName = FileNameOf(sourcePath);

    // With --fit, any picture made the banner first; else the banner job's checks, then what
    // the dialog offers for the picture's size.
    FittedBanner fitted;
    if (args.fit) {
        if (!FitPictureForCommand("install", sourcePath, args.choice, fitted)) return ExitFailed;
    } else {
        if (!PassesExtensionTest(sourcePath)) {
            PrintTableMessage(stderr, IDS_NOT_A_BITMAP, fileName);
            return ExitFailed;
        }
        PictureVerdict verdict = ExaminePicture(sourcePath);
        if (!verdict.banner) {
            ExplainRefusal(args.picture, verdict);
            return ExitFailed;
        }
        if (inGame && verdict.width != 32) {
            fprintf(stderr, "'%s' is %dx%d: only a 32x32 picture can be the in-game banner; use --statistic.\n",
                    fileName, int(verdict.width), int(verdict.height));
            return ExitFailed;
        }
    }

#ifndef _WIN32
    UseFoundPrefix();
#endif
    if (!CheckInstallation()) return ExitFailed;
    PlayerList list;
    LoadPlayers(list);
    if (list.names.count == 0) {
        fprintf(stderr, "The game installation has no player profiles.\n");
        return ExitFailed;
    }
    int32_t row = ChoosePlayer(list, player);
    if (row < 0) return ExitFailed;

    char destinationPath[MAX_PATH];
    if (!ComposeBannerPath(row, inGame, destinationPath)) {
        PrintTableMessage(stderr, IDS_CONVERSION_FAILED, fileName);
        fprintf(stderr, "(the banner path in %s would be longer than %d characters)\n",
                playerFolders.data[row].c_str(), MAX_PATH - 1);
        return ExitFailed;
    }
    if (int refused = RefuseInputAsOutput("install", sourcePath, args.picture, destinationPath, destinationPath))
        return refused;

    char before[32];
    uint64_t beforeSize = 0;
    bool replacing = KindOfFile(destinationPath) == FileRegular &&
                     FileStampOf(destinationPath, &beforeSize, before, sizeof before);
    if (args.fit) {
        // As a conversion does: a link keeps its place and the file it leads to is replaced.
        char target[MAX_PATH];
        if (!FinalPathOf(destinationPath, target, sizeof target)) snprintf(target, sizeof target, "%s", destinationPath);
        if (!WriteFittedTexture(fitted, target, args.choice)) {
            PrintTableMessage(stderr, IDS_CONVERSION_FAILED, fileName);
            return ExitFailed;
        }
    } else if (!ConvertExplained(sourcePath, args.picture, destinationPath, destinationPath)) {
        return ExitFailed;
    }
    if (replacing)
        printf("Replaced the %s banner of %s (%llu bytes).\n", inGame ? "in-game" : "statistics", before,
               (unsigned long long)beforeSize);
    std::string host = HostPathOf(destinationPath);
    if (!host.empty()) printf("On Linux: %s\n", host.c_str());
    PrintConverted(fileName, destinationPath);
    return ExitDone;
}
