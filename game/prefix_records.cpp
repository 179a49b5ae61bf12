// Each kind's records of its prefixes and their Wines: Steam's libraries, config_info and
// config.vdf; Lutris's game YAMLs; Bottles' bottle.yml; Heroic's game JSONs; PlayOnLinux's
// playonlinux.cfg. A record that cannot be used is said through the sink and its prefix passed
// over; nothing here writes.
#include "game/prefix_records.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <utility>

#include "game/launcher_files.h"
#include "game/steam_files.h"
#include "game/wine_install.h"
#include "platform/file_facts.h"
#include "platform/posix_files.h"

namespace {

enum { kMostRecordBytes = 1 << 20 };  // the records are a few kilobytes; config.vdf tens of them

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Parent(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

enum RecordState { RecordMissing, RecordRead, RecordUnreadable };

// A record file's text. Missing is no fault: the launcher has not written it.
RecordState ReadRecord(const std::string& path, std::string& text, std::string& why)
{
    DWORD error = ReadRegularFile(path, kMostRecordBytes, text);
    if (error == ERROR_SUCCESS) return RecordRead;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return RecordMissing;
    char reason[256];
    SystemErrorText(error, reason, sizeof reason);
    why = std::string("cannot be read: ") + reason;
    return RecordUnreadable;
}

// A path as a launcher wrote it, made absolute below `home` for "~/"; empty when it is neither.
std::string AbsoluteIn(const std::string& path, const std::string& home)
{
    if (path == "~") return home;
    if (path.compare(0, 2, "~/") == 0) return home + path.substr(1);
    return !path.empty() && path[0] == '/' ? path : std::string();
}

void UseSystemWine(PrefixCandidate& c, const WalkPlaces& places, const std::string& from)
{
    if (places.systemWine.empty()) {
        c.noWine = from + ", and there is no Wine installation on PATH";
        return;
    }
    c.wine = places.systemWine;
    c.wineFrom = from;
}

// The Wine installation in a runner's or a version's folder, or false with `why`.
bool RunnerWine(const std::string& folder, std::string& wine, std::string& why)
{
    wine = WineInstallationIn(folder);
    if (wine.empty()) why = "its Wine " + folder + " is no Wine installation (no bin/wine and share/wine/wine.inf)";
    return !wine.empty();
}

// One Steam data folder: its libraries, its compatibility tools by internal name, config.vdf.
class SteamPlace {
public:
    SteamPlace(const std::string& folder, CandidateSink* s) : root(folder), sink(s) { listLibraries(); }

    std::vector<std::string> libraries;  // the data folder first

    // The Proton of the prefix in compatdata/`appId`: true with it (or with no Wine known) in
    // `c`; false with the record that cannot be used.
    bool wineOf(const std::string& appId, PrefixCandidate& c, std::string& file, std::string& why);

private:
    void listLibraries();
    std::string locate(const std::string& named);
    std::string toolNamed(const std::string& name);
    const std::string root;
    CandidateSink* sink;
    std::vector<std::pair<std::string, std::string>> tools;  // internal name, installation
    bool toolsListed = false, configRead = false;
    RecordState configState = RecordMissing;
    VdfNode config;
    std::string configWhy;
};

void SteamPlace::listLibraries()
{
    std::set<std::string> seen;
    auto add = [&](const std::string& library) {
        char real[PATH_MAX];
        if (realpath(library.c_str(), real) && IsFolder(real) && seen.insert(real).second) libraries.push_back(library);
    };
    add(root);
    for (const char* list : {"/steamapps/libraryfolders.vdf", "/config/libraryfolders.vdf"}) {
        std::string text;
        if (ReadRegularFile(root + list, kMostRecordBytes, text) != ERROR_SUCCESS) continue;
        for (const std::string& library : ReadLibraryFolders(text.data(), text.size())) add(library);
    }
}

// The installation config_info names, looked for first where this Steam keeps it (a Flatpak or
// Snap Steam wrote the path as its sandbox sees it), then as written.
std::string SteamPlace::locate(const std::string& named)
{
    std::vector<std::pair<std::string, std::string>> places;  // marker, folder in its stead
    for (const std::string& library : libraries) places.push_back({"/steamapps/common/", library + "/steamapps/common/"});
    places.push_back({"/compatibilitytools.d/", root + "/compatibilitytools.d/"});
    for (const auto& place : places) {
        size_t at = named.rfind(place.first);
        if (at == std::string::npos) continue;
        std::string here = place.second + named.substr(at + place.first.size());
        if (IsWineInstallation(here)) return here;
    }
    return IsWineInstallation(named) ? named : std::string();
}

std::string SteamPlace::toolNamed(const std::string& name)
{
    if (!toolsListed) {
        toolsListed = true;
        const std::string custom = root + "/compatibilitytools.d";
        for (const std::string& folder : FolderEntries(custom)) {
            std::string wine = WineInstallationIn(custom + "/" + folder), text, why;
            if (!wine.empty()) tools.push_back({folder, wine});  // such tools are mostly named after their folder
            const std::string file = custom + "/" + folder + "/compatibilitytool.vdf";
            VdfNode vdf;
            RecordState state = ReadRecord(file, text, why);
            if (state == RecordRead && !ReadVdf(text.data(), text.size(), vdf, why)) state = RecordUnreadable;
            if (state == RecordUnreadable) sink->skip(file, why);
            if (state != RecordRead) continue;
            for (const CompatTool& tool : ReadCompatTools(vdf)) {
                std::string path = tool.installPath == "." ? "" : "/" + tool.installPath;
                if (path.compare(0, 3, "/./") == 0) path.erase(0, 2);
                std::string installed = WineInstallationIn(custom + "/" + folder + path);
                if (!installed.empty()) tools.push_back({tool.name, installed});
            }
        }
        for (const std::string& library : libraries)
            for (const std::string& folder : FolderEntries(library + "/steamapps/common")) {
                std::string internal = ValveProtonName(folder);
                std::string wine = internal.empty() ? "" : WineInstallationIn(library + "/steamapps/common/" + folder);
                if (!wine.empty()) tools.push_back({internal, wine});
            }
    }
    for (const auto& tool : tools)
        if (tool.first == name) return tool.second;
    return std::string();
}

bool SteamPlace::wineOf(const std::string& appId, PrefixCandidate& c, std::string& file, std::string& why)
{
    std::string text, named;
    file = Parent(c.folder) + "/config_info";
    RecordState info = ReadRecord(file, text, why);
    if (info == RecordUnreadable) return false;
    if (info == RecordRead) {
        if (!ReadConfigInfo(text.data(), text.size(), named, why)) return false;
        c.wine = locate(named);
        c.wineFrom = "config_info: the Proton that last set it up";
        if (c.wine.empty()) why = "it names " + named + ", which is no Wine installation";
        return !c.wine.empty();
    }
    file = root + "/config/config.vdf";
    if (!configRead) {
        configRead = true;
        configState = ReadRecord(file, text, configWhy);
        if (configState == RecordRead && !ReadVdf(text.data(), text.size(), config, configWhy))
            configState = RecordUnreadable;
    }
    if (configState == RecordUnreadable) return (why = configWhy), false;
    const std::string tool = configState == RecordRead ? MappedCompatTool(config, appId) : std::string();
    if (tool.empty()) {
        c.noWine = "no config_info, and config.vdf maps no tool to app " + appId;
        return true;
    }
    c.wine = toolNamed(tool);
    c.wineFrom = "config.vdf: the tool Steam maps to app " + appId + ", " + tool;
    if (c.wine.empty()) why = "it maps app " + appId + " to " + tool + ", which is not installed";
    return !c.wine.empty();
}

bool WalkSteam(const std::string& root, CandidateSink& sink)
{
    SteamPlace steam(root, &sink);
    for (const std::string& library : steam.libraries) {
        const std::string compat = library + "/steamapps/compatdata";
        for (const std::string& appId : FolderEntries(compat)) {
            PrefixCandidate c;
            c.folder = compat + "/" + appId + "/pfx";
            c.kind = PrefixProton;
            if (!IsFolder(c.folder)) continue;  // a game never started, or not a Windows one
            std::string file, why;
            if (!steam.wineOf(appId, c, file, why)) sink.skip(file, why);
            else if (sink.offer(c)) return true;
        }
    }
    return false;
}

// A Lutris game's Wine: its own version, else runners/wine.yml's default (beside games/).
bool LutrisWine(const std::string& games, const std::string& version, const PrefixRoot& root,
                const WalkPlaces& places, PrefixCandidate& c, std::string& file, std::string& why)
{
    std::string name = version, text;
    c.wineFrom = "wine: version " + version;
    if (name.empty()) {
        file = Parent(games) + "/runners/wine.yml";
        RecordState state = ReadRecord(file, text, why);
        if (state == RecordUnreadable || (state == RecordRead && !ReadLutrisDefault(text.data(), text.size(), name, why)))
            return false;
        c.wineFrom = "runners/wine.yml: version " + name;
    }
    if (name.empty()) {
        c.noWine = "neither the game nor runners/wine.yml names a Wine version";
        return true;
    }
    if (name == "system") {
        UseSystemWine(c, places, "wine: version system");
        return true;
    }
    return RunnerWine(places.home + "/" + root.wines + "/" + name, c.wine, why);
}

bool WalkLutris(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink)
{
    const std::string games = places.home + "/" + root.folder;
    for (const std::string& name : FolderEntries(games, ".yml")) {
        std::string file = games + "/" + name, text, why, prefix, version;
        RecordState state = ReadRecord(file, text, why);
        if (state == RecordMissing) continue;
        if (state == RecordUnreadable || !ReadLutrisGame(text.data(), text.size(), prefix, version, why)) {
            sink.skip(file, why);
            continue;
        }
        PrefixCandidate c;
        c.kind = PrefixLutris;
        c.folder = AbsoluteIn(prefix, places.home);
        if (c.folder.empty()) why = "its game: prefix '" + prefix + "' is no absolute path";
        if (c.folder.empty() || !LutrisWine(games, version, root, places, c, file, why)) sink.skip(file, why);
        else if (sink.offer(c)) return true;
    }
    return false;
}

bool WalkBottles(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink)
{
    const std::string base = places.home + "/" + root.folder;
    for (const std::string& name : FolderEntries(base + "/bottles")) {
        PrefixCandidate c;
        c.kind = PrefixBottles;
        c.folder = base + "/bottles/" + name;
        std::string file = c.folder + "/bottle.yml", text, why, runner;
        RecordState state = ReadRecord(file, text, why);
        bool usable = state != RecordUnreadable && (state == RecordMissing || ReadBottle(text.data(), text.size(), runner, why));
        if (usable && state == RecordMissing) c.noWine = "it has no bottle.yml";
        else if (usable && runner.compare(0, 8, "sys-wine") == 0) UseSystemWine(c, places, "bottle.yml: Runner " + runner);
        else if (usable) usable = RunnerWine(base + "/runners/" + runner, c.wine, why);
        if (usable && !c.wine.empty() && c.wineFrom.empty()) c.wineFrom = "bottle.yml: Runner " + runner;
        if (!usable) sink.skip(file, why);
        else if (sink.offer(c)) return true;
    }
    return false;
}

// A Heroic game's prefix and Wine from its entry: a Proton's prefix is the pfx/ inside
// winePrefix, its Wine the files/ beside the `proton` script that `bin` names.
bool HeroicCandidate(const HeroicGame& game, const std::string& home, PrefixCandidate& c, std::string& why)
{
    c.kind = PrefixHeroic;
    c.folder = AbsoluteIn(game.winePrefix, home);
    if (c.folder.empty()) return (why = "its winePrefix '" + game.winePrefix + "' is no absolute path"), false;
    if (game.wineType == "proton") c.folder += "/pfx";
    if (game.wineBin.empty()) {
        c.noWine = "its entry names no wineVersion";
        return true;
    }
    c.wineFrom = "wineVersion: " + game.wineBin;
    if (game.wineType == "proton") return RunnerWine(Parent(game.wineBin), c.wine, why);
    if (game.wineType != "wine") return (why = "its wineVersion's type '" + game.wineType + "' is not run here"), false;
    c.wine = Parent(Parent(game.wineBin));  // DIR/bin/wine
    if (!IsWineInstallation(c.wine)) why = "its Wine " + c.wine + " is no Wine installation (no bin/wine and share/wine/wine.inf)";
    return IsWineInstallation(c.wine);
}

bool WalkHeroic(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink)
{
    const std::string configs = places.home + "/" + root.folder + "/GamesConfig";
    for (const std::string& name : FolderEntries(configs, ".json")) {
        std::string file = configs + "/" + name, text, why;
        HeroicGame game;
        RecordState state = ReadRecord(file, text, why);
        if (state == RecordMissing) continue;
        PrefixCandidate c;
        const std::string key = name.substr(0, name.size() - 5);
        if (state == RecordUnreadable || !ReadHeroicGame(text.data(), text.size(), key, game, why) ||
            !HeroicCandidate(game, places.home, c, why))
            sink.skip(file, why);
        else if (sink.offer(c)) return true;
    }
    return false;
}

bool WalkPlayOnLinux(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink)
{
    const std::string base = places.home + "/" + root.folder;
    for (const std::string& name : FolderEntries(base + "/wineprefix")) {
        PrefixCandidate c;
        c.kind = PrefixPlayOnLinux;
        c.folder = base + "/wineprefix/" + name;
        std::string file = c.folder + "/playonlinux.cfg", text, why, version, arch;
        RecordState state = ReadRecord(file, text, why);
        bool usable = state == RecordMissing ||
                      (state == RecordRead && ReadPlayOnLinuxConfig(text.data(), text.size(), version, arch, why));
        if (usable && version.empty()) {
            UseSystemWine(c, places, "playonlinux.cfg names no VERSION: the system's Wine");
        } else if (usable) {
            c.wineFrom = "playonlinux.cfg: VERSION " + version + ", ARCH " + arch;
            usable = RunnerWine(base + "/wine/linux-" + arch + "/" + version, c.wine, why);
        }
        if (!usable) sink.skip(file, why);
        else if (sink.offer(c)) return true;
    }
    return false;
}

bool WalkGuesses(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink)
{
    const std::string base = places.home + "/" + root.folder;
    std::vector<std::string> folders;
    for (const std::string& name : FolderEntries(base)) {
        if (root.layout == RootEachFolder) {
            folders.push_back(base + "/" + name);
            continue;
        }
        for (const std::string& below : FolderEntries(base + "/" + name)) {
            std::string folder = base + "/" + name + "/" + below;
            folders.push_back(IsFolder(folder + "/pfx") ? folder + "/pfx" : folder);
        }
    }
    for (const std::string& folder : folders) {
        PrefixCandidate c;
        c.kind = root.kind;
        c.folder = folder;
        c.noWine = "no record of its launcher names its Wine";
        if (sink.offer(c)) return true;
    }
    return false;
}

}  // namespace

std::vector<std::string> FolderEntries(const std::string& folder, const char* suffix)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    const size_t n = suffix ? strlen(suffix) : 0;
    while (struct dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) continue;
        bool wanted = suffix ? S_ISREG(st.st_mode) && name.size() > n && name.compare(name.size() - n, n, suffix) == 0
                             : S_ISDIR(st.st_mode);
        if (wanted) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool WalkPrefixRoot(const PrefixRoot& root, const WalkPlaces& places, CandidateSink& sink)
{
    switch (root.layout) {
    case RootIsPrefix: {
        PrefixCandidate c;
        c.kind = root.kind;
        c.folder = places.home + "/" + root.folder;
        UseSystemWine(c, places, "the system's Wine");
        return sink.offer(c);
    }
    case RootSteamLibraries: return WalkSteam(places.home + "/" + root.folder, sink);
    case RootLutrisGames: return WalkLutris(root, places, sink);
    case RootBottles: return WalkBottles(root, places, sink);
    case RootHeroicGames: return WalkHeroic(root, places, sink);
    case RootPlayOnLinux: return WalkPlayOnLinux(root, places, sink);
    case RootEachFolder:
    case RootEachFolderBelow: return WalkGuesses(root, places, sink);
    }
    return false;
}

namespace {

// Each Wine installation in a sub-folder of `folder`, named "SUB (LABEL)".
void CollectWinesIn(const std::string& folder, const std::string& label, std::vector<FoundWine>& wines)
{
    for (const std::string& name : FolderEntries(folder)) {
        std::string wine = WineInstallationIn(folder + "/" + name);
        if (!wine.empty()) wines.push_back(FoundWine{wine, name + " (" + label + ")"});
    }
}

// A sink that takes nothing: listing a Steam's libraries needs none.
class NoSink : public CandidateSink {
public:
    bool offer(const PrefixCandidate&) override { return true; }
    void skip(const std::string&, const std::string&) override {}
};

}  // namespace

void CollectRootWines(const PrefixRoot& root, const std::string& home, std::vector<FoundWine>& wines)
{
    const std::string base = home + "/" + root.folder;
    switch (root.layout) {
    case RootSteamLibraries: {
        NoSink none;
        SteamPlace steam(base, &none);
        for (const std::string& library : steam.libraries) CollectWinesIn(library + "/steamapps/common", "Steam", wines);
        CollectWinesIn(base + "/compatibilitytools.d", "Steam", wines);
        break;
    }
    case RootLutrisGames: CollectWinesIn(home + "/" + root.wines, "Lutris", wines); break;
    case RootBottles: CollectWinesIn(base + "/runners", "Bottles", wines); break;
    case RootHeroicGames:
        CollectWinesIn(base + "/tools/wine", "Heroic", wines);
        CollectWinesIn(base + "/tools/proton", "Heroic", wines);
        break;
    case RootPlayOnLinux:
        CollectWinesIn(base + "/wine/linux-x86", "PlayOnLinux x86", wines);
        CollectWinesIn(base + "/wine/linux-amd64", "PlayOnLinux amd64", wines);
        break;
    case RootIsPrefix:
    case RootEachFolder:
    case RootEachFolderBelow: break;
    }
}
