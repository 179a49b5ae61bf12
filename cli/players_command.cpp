// vexillor-cli players and install: the player profiles as the banner target dialog lists them,
// and what its OK button does with a picture, the chosen profile and the banner kind.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/string_table.h"
#include "game/players.h"
#include "image/banner_files.h"
#include "image/convert.h"
#include "image/picture.h"
#include "platform/win32.h"
#include "resource.h"

#ifndef _WIN32
#include "platform/posix_path.h"
#include "platform/wine_prefix.h"
#endif

namespace {

// The profiles in row order: playerFolders holds the folders, as after the dialog's list filling.
struct PlayerList {
    SerialStringArray names;
    SerialIntArray races;
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
        fprintf(stderr, "No Quillmere installation found: the players folder is missing.\n");
        fprintf(stderr, "  looked for: %s\n", Where(players).c_str());
        fprintf(stderr, "  named by:   %s, value %s = %s\n", subKey.c_str(), value.c_str(), gameDir);
        return false;
    }

    std::string why;
    switch (r) {
    case GameKeyMissing: why = "the registry key is missing"; break;
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
        fprintf(stderr, "  registry:   %s (the Wine prefix: WINEPREFIX, else ~/.wine)\n", file);
#endif
    return false;
}

// Scans and sorts, as the dialog's list filling does.
void LoadPlayers(PlayerList& list)
{
    ScanPlayerProfiles(playerFolders, list.names, list.races);
    SortPlayersByRace(playerFolders, list.names, list.races);
}

void PrintPlayers(const PlayerList& list, FILE* out)
{
    std::string player = Table(IDS_COLUMN_PLAYER), race = Table(IDS_COLUMN_RACE);
    size_t nameWidth = player.size(), raceWidth = race.size();
    for (int32_t i = 0; i < list.names.count; ++i) {
        if (list.names.data[i].length() > nameWidth) nameWidth = list.names.data[i].length();
        if (RaceText(list.races.data[i]).size() > raceWidth) raceWidth = RaceText(list.races.data[i]).size();
    }
    fprintf(out, "%-4s %-*s %-*s %s\n", "Row", int(nameWidth), player.c_str(), int(raceWidth), race.c_str(),
            "Folder");
    for (int32_t i = 0; i < list.names.count; ++i)
        fprintf(out, "%-4d %-*s %-*s %s\n", int(i + 1), int(nameWidth), list.names.data[i].c_str(),
                int(raceWidth), RaceText(list.races.data[i]).c_str(), playerFolders.data[i].c_str());
}

bool IsRowNumber(const char* s)
{
    if (!*s || strlen(s) > 9) return false;
    for (const char* p = s; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    return true;
}

// The row the user means: a row number as `players` prints it (from 1), or a player name
// (exact bytes). A name that several profiles carry, or digits that are both a row and
// another profile's name, are refused with the candidates listed. Returns the index or -1.
int32_t ChoosePlayer(const PlayerList& list, const char* wanted)
{
    std::vector<int32_t> matches;
    for (int32_t i = 0; i < list.names.count; ++i)
        if (!strcmp(list.names.data[i].c_str(), wanted)) matches.push_back(i);
    if (IsRowNumber(wanted)) {
        long row = atol(wanted);
        if (row >= 1 && row <= list.names.count) {
            bool same = matches.size() == 1 && matches[0] == row - 1;
            if (!same) matches.insert(matches.begin(), int32_t(row - 1));
        } else if (matches.empty()) {
            fprintf(stderr, "There is no row %s: the player list has %d rows.\n", wanted, int(list.names.count));
            return -1;
        }
    }
    if (matches.size() == 1) return matches[0];
    if (matches.empty()) {
        fprintf(stderr, "No player profile is named '%s'. The profiles:\n", wanted);
        PrintPlayers(list, stderr);
        return -1;
    }
    fprintf(stderr, "'%s' matches several player profiles; choose one by its row:\n", wanted);
    for (int32_t i : matches)
        fprintf(stderr, "  row %d: %s (%s) %s\n", int(i + 1), list.names.data[i].c_str(),
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

int RunPlayersCommand()
{
    if (!CheckInstallation()) return ExitFailed;
    PlayerList list;
    LoadPlayers(list);
    if (list.names.count == 0) {
        char gameDir[kGameDirSize];
        std::string players;
        if (FindGameOutputDir(gameDir)) PlayersFolder(gameDir, players);
        printf("No player profiles in %s\n", Where(players).c_str());
        return ExitDone;
    }
    PrintPlayers(list, stdout);
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
    } else if (!PassesExtensionTest(sourcePath)) {
        PrintTableMessage(stderr, IDS_NOT_A_BITMAP, fileName);
        return ExitFailed;
    }
    int32_t width = 32, height = 32;  // a fitted banner is the size its kind asks for
    if (!args.fit && !CheckBannerPicture(sourcePath, &width, &height)) {
        PrintTableMessage(stderr, IDS_INVALID_FORMAT, fileName);
        return ExitFailed;
    }
    if (inGame && width != 32) {
        fprintf(stderr, "'%s' is %dx%d: only a 32x32 picture can be the in-game banner; use --statistic.\n",
                fileName, int(width), int(height));
        return ExitFailed;
    }

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

    if (!(args.fit ? WriteFittedTexture(fitted, destinationPath, args.choice)
                   : ConvertBannerPicture(sourcePath, destinationPath))) {
        PrintTableMessage(stderr, IDS_CONVERSION_FAILED, fileName);
        return ExitFailed;
    }
    PrintConverted(fileName, destinationPath);
    return ExitDone;
}
