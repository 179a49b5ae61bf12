// The search for the Wine prefix that holds the game. A candidate is judged by the registry and
// file layer of the native build itself, pointed at the candidate for the moment, so that "holds
// the game" means exactly what the players list will find there.
#include "game/prefix_search.h"

#include <dirent.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "core/string_table.h"
#include "game/players.h"
#include "platform/posix_files.h"
#include "platform/win32.h"
#include "platform/wine_prefix.h"
#include "resource.h"

const PrefixRoot kPrefixRoots[] = {
    {PrefixPlainWine, ".wine", RootIsPrefix},
    {PrefixProton, ".steam/steam", RootSteamLibraries},
    {PrefixProton, ".local/share/Steam", RootSteamLibraries},
    {PrefixLutris, "Games", RootEachFolder},
    {PrefixBottles, ".local/share/bottles/bottles", RootEachFolder},
    {PrefixPlayOnLinux, ".PlayOnLinux/wineprefix", RootEachFolder},
};
const size_t kPrefixRootCount = sizeof kPrefixRoots / sizeof kPrefixRoots[0];

const char* PrefixKindName(PrefixKind kind)
{
    switch (kind) {
    case PrefixPlainWine: return "Wine";
    case PrefixProton: return "Steam Proton";
    case PrefixLutris: return "Lutris";
    case PrefixBottles: return "Bottles";
    case PrefixPlayOnLinux: return "PlayOnLinux";
    }
    return "";
}

std::string DescribePrefixRoot(const PrefixRoot& root, const std::string& home)
{
    std::string where = home + "/" + root.folder;
    switch (root.layout) {
    case RootIsPrefix: break;
    case RootEachFolder: where += "/*"; break;
    case RootSteamLibraries:
        where += "/steamapps/compatdata/*/pfx and the libraries its libraryfolders.vdf lists";
        break;
    }
    return where + " (" + PrefixKindName(root.kind) + ")";
}

namespace {

// Points the native layer at one candidate while it is judged, then back at the prefix it had.
class PrefixOverride {
public:
    explicit PrefixOverride(const std::string& prefix)
    {
        char folder[4096];
        if (WinePrefixFolder(folder, sizeof folder)) previous = folder;
        UseWinePrefix(prefix.c_str());
    }
    ~PrefixOverride() { UseWinePrefix(previous.c_str()); }
    PrefixOverride(const PrefixOverride&) = delete;
    PrefixOverride& operator=(const PrefixOverride&) = delete;

private:
    std::string previous;
};

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The sub-folders of `folder`, sorted by name; none when it cannot be read.
std::vector<std::string> SubFolders(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (struct dirent* e = readdir(dir)) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        if (IsFolder(folder + "/" + e->d_name)) names.push_back(e->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

class Search {
public:
    explicit Search(PrefixSearchResult& r) : result(r) {}

    // True when `prefix` holds the game; a folder already tried (by its real path) is not
    // tried again.
    bool tryPrefix(const std::string& prefix, PrefixKind kind)
    {
        char real[PATH_MAX];
        if (!realpath(prefix.c_str(), real)) return false;  // missing, dangling or unreadable
        if (!IsFolder(real) || !seen.insert(real).second) return false;
        PrefixCandidate candidate;
        candidate.folder = prefix;
        candidate.kind = kind;
        bool holds = PrefixHoldsGame(prefix, candidate.passedOver);
        result.looked.push_back(candidate);
        if (holds) {
            result.found = true;
            result.prefix = candidate;
        }
        return holds;
    }
    bool tryEach(const std::string& folder, const char* below, PrefixKind kind)
    {
        for (const std::string& name : SubFolders(folder))
            if (tryPrefix(folder + "/" + name + below, kind)) return true;
        return false;
    }
    bool tryLibrary(const std::string& library)
    {
        char real[PATH_MAX];
        if (!realpath(library.c_str(), real) || !libraries.insert(real).second) return false;
        return tryEach(library + "/steamapps/compatdata", "/pfx", PrefixProton);
    }
    bool trySteam(const std::string& root)
    {
        if (tryLibrary(root)) return true;
        static const char* const kLists[] = {"/steamapps/libraryfolders.vdf", "/config/libraryfolders.vdf"};
        enum { kMostListBytes = 1 << 20 };  // a library list is a few hundred bytes
        for (const char* list : kLists) {
            std::string text;
            if (ReadRegularFile(root + list, kMostListBytes, text) != ERROR_SUCCESS) continue;
            for (const std::string& library : ReadLibraryFolders(text.data(), text.size()))
                if (tryLibrary(library)) return true;
        }
        return false;
    }
    bool tryRoot(const PrefixRoot& root, const std::string& home)
    {
        const std::string folder = home + "/" + root.folder;
        switch (root.layout) {
        case RootIsPrefix: return tryPrefix(folder, root.kind);
        case RootEachFolder: return tryEach(folder, "", root.kind);
        case RootSteamLibraries: return trySteam(folder);
        }
        return false;
    }

private:
    PrefixSearchResult& result;
    std::set<std::string> seen, libraries;
};

// libraryfolders.vdf tokens: quoted strings (backslash escapes) and braces; // comments.
struct VdfToken {
    enum Kind { String, Open, Close } kind;
    std::string text;
};

std::vector<VdfToken> Tokenize(const char* text, size_t size)
{
    std::vector<VdfToken> tokens;
    size_t i = 0;
    while (i < size) {
        char c = text[i];
        if (c == '"') {
            std::string s;
            ++i;
            while (i < size && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < size) {
                    char e = text[++i];
                    s += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                } else {
                    s += text[i];
                }
                ++i;
            }
            if (i >= size) break;  // an unclosed string ends the file
            ++i;
            tokens.push_back(VdfToken{VdfToken::String, s});
        } else if (c == '{' || c == '}') {
            tokens.push_back(VdfToken{c == '{' ? VdfToken::Open : VdfToken::Close, std::string()});
            ++i;
        } else if (c == '/' && i + 1 < size && text[i + 1] == '/') {
            while (i < size && text[i] != '\n') ++i;
        } else {
            ++i;
        }
    }
    return tokens;
}

bool SameText(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0 && a.size() == strlen(b);
}

bool AllDigits(const std::string& s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

std::vector<std::string> ReadLibraryFolders(const char* text, size_t size)
{
    std::vector<std::string> paths;
    std::vector<VdfToken> tokens = Tokenize(text, size);
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const VdfToken& t = tokens[i];
        if (t.kind == VdfToken::Open) {
            ++depth;
            continue;
        }
        if (t.kind == VdfToken::Close) {
            if (depth > 0) --depth;
            continue;
        }
        // A key; its value is the next token.
        if (i + 1 >= tokens.size() || tokens[i + 1].kind != VdfToken::String) continue;
        const std::string& value = tokens[i + 1].text;
        bool pathEntry = SameText(t.text, "path") || (depth == 1 && AllDigits(t.text));
        if (pathEntry && !value.empty() && value[0] == '/' && value.find('\0') == std::string::npos)
            paths.push_back(value);
        ++i;  // the value is no key
    }
    return paths;
}

bool PrefixHoldsGame(const std::string& prefix, std::string& why)
{
    why.clear();
    if (!IsFolder(prefix)) {
        why = "not a folder";
        return false;
    }
    PrefixOverride use(prefix);
    char gameDir[kGameDirSize];
    switch (LookUpGameOutputDir(gameDir)) {
    case GameFound: break;
    case GameKeyMissing: why = "no Quillmere registry key in system.reg (or no readable system.reg)"; return false;
    case GameSubKeyMissing:
    case GameValueMissing: why = "no OutputDir value in the Quillmere registry key"; return false;
    case GameValueTooLong:
    case GameValueNotString:
    case GameValueEmpty: why = "the OutputDir value is not a usable folder"; return false;
    }
    char name[MAX_PATH], players[MAX_PATH];
    LoadTableString(IDS_PLAYERS_FOLDER, name, sizeof name);
    if (snprintf(players, sizeof players, "%s%s\\*.*", gameDir, name) >= int(sizeof players)) {
        why = "the players folder's path is too long";
        return false;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(players, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        why = std::string("no players folder ") + gameDir + name;
        return false;
    }
    FindClose(search);
    return true;
}

PrefixSearchResult FindGamePrefix(const std::string& home)
{
    PrefixSearchResult result;
    Search search(result);
    for (size_t i = 0; i < kPrefixRootCount; ++i)
        if (search.tryRoot(kPrefixRoots[i], home)) break;
    return result;
}
