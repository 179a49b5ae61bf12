// The launcher's plan: the prefix (named, or the first that holds the game), the Wine that may
// start in it, and the words of a refusal.
#include "game/launch_plan.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "game/wine_install.h"

namespace {

std::string RealPath(const std::string& path)
{
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : std::string();
}

bool SameFolder(const std::string& a, const std::string& b)
{
    std::string ra = RealPath(a);
    return !ra.empty() && ra == RealPath(b);
}

std::string PrefixHeading(const std::string& prefix, PrefixKind kind)
{
    return "Vexillor will not start Wine in the Wine prefix\n  " + prefix + " (" + PrefixKindName(kind) + ")\n";
}

std::string WineInfText(const std::string& wine)
{
    unsigned long time;
    return WineInfTime(wine, time) ? "wine.inf time " + std::to_string(time) : std::string("no wine.inf");
}

const char kWaysOut[] =
    "Ways out:\n"
    "- 'vexillor-cli install' writes a banner with no Wine at all.\n"
    "- 'vexillor --wine DIR' starts the Wine installation DIR instead.\n"
    "- 'vexillor --update-prefix' lets that Wine update the prefix.";

// The refusal when every Wine at hand would update the prefix: what was weighed, who made it.
std::string UpdateRefusal(const LaunchRequest& request, const PrefixCandidate& c, const PrefixStamp& stamp,
                          const std::vector<FoundWine>& wines)
{
    std::string text = PrefixHeading(c.folder, c.kind);
    text += "Every Wine at hand would update that prefix, as Wine does when its stamp (.update-timestamp: " +
            DescribeStamp(stamp) + ") is not its own wine.inf time, and an update can break the game.\n";
    if (!request.wine.empty()) text += "The Wine named with --wine:\n  " + request.wine + ": " + WineInfText(request.wine) + "\n";
    if (!c.wine.empty()) text += "Its own Wine (" + c.wineFrom + "):\n  " + c.wine + ": " + WineInfText(c.wine) + "\n";
    else text += "Its own Wine is not known: " + c.noWine + ".\n";
    std::string madeBy;
    unsigned long time;
    for (const FoundWine& wine : wines)
        if (stamp.state == PrefixStamp::Time && WineInfTime(wine.folder, time) && time == stamp.time)
            madeBy += "  " + wine.folder + " (" + wine.name + ")\n";
    text += madeBy.empty() ? "No Wine found here has the stamp's time: the Wine that made it is not here.\n"
                           : "Made by, as its wine.inf time matches the stamp:\n" + madeBy;
    text += wines.empty() ? std::string("No Wine installation was found.\n") : std::string("Wines found:\n");
    for (const FoundWine& wine : wines) text += "  " + wine.folder + " (" + wine.name + "): " + WineInfText(wine.folder) + "\n";
    return text + kWaysOut;
}

std::string NoPrefixText()
{
    return "Vexillor found no Wine prefix with Quillmere installed. It looked for the prefixes of Steam's "
           "Proton, Lutris, Bottles, Heroic and PlayOnLinux, and in ~/.wine and ~/Games.\n"
           "Ways out:\n"
           "- 'vexillor --prefix DIR' starts it in the Wine prefix DIR.\n"
           "- 'vexillor-cli install' writes a banner with no Wine at all (with WINEPREFIX set to the prefix).\n"
           "- 'vexillor-cli prefix --all' says why each prefix was passed over.";
}

// The first Wine found whose wine.inf time is the prefix's stamp: the Wine that set it up last.
const FoundWine* StampedBy(const PrefixStamp& stamp, const std::vector<FoundWine>& wines)
{
    unsigned long time;
    for (const FoundWine& wine : wines)
        if (stamp.state == PrefixStamp::Time && WineInfTime(wine.folder, time) && time == stamp.time) return &wine;
    return nullptr;
}

// The Wine for `c`: the running server's, the one named, its own, the one that stamped it, or
// with --update-prefix any at hand. False with the refusal.
bool ChooseWine(const LaunchRequest& request, const PrefixCandidate& c, const std::vector<FoundWine>& wines,
                LaunchPlan& plan)
{
    const PrefixStamp stamp = ReadPrefixStamp(c.folder);
    const PrefixServer server = FindPrefixServer(c.folder);
    const FoundWine* stamped = StampedBy(stamp, wines);
    if (server.state == PrefixServer::Unknown) {
        plan.refusal = PrefixHeading(c.folder, c.kind) + "A wineserver already serves it: " + server.why +
                       ". A second Wine beside the game could not talk to it: close the game first.";
        return false;
    }
    if (server.state == PrefixServer::Known) {
        plan.wine = server.wine;
        plan.why = "the Wine of the wineserver that serves the prefix now (process " + std::to_string(server.pid) + ")";
        if (!request.wine.empty() && !SameFolder(request.wine, server.wine)) {
            plan.refusal = PrefixHeading(c.folder, c.kind) + "The game runs in it with the Wine " + server.wine +
                           ", and another Wine cannot join it: close the game first, or leave out --wine.";
            return false;
        }
    } else if (!request.wine.empty()) {
        plan.wine = request.wine;
        plan.why = "named with --wine";
        if (!IsWineInstallation(request.wine)) {
            plan.refusal = "Vexillor: --wine " + request.wine +
                           " is no Wine installation (it needs bin/wine and share/wine/wine.inf).";
            return false;
        }
    } else if (!c.wine.empty() && (request.updatePrefix || !WouldUpdatePrefix(stamp, c.wine))) {
        plan.wine = c.wine;
        plan.why = c.wineFrom;
    } else if (stamped) {
        plan.wine = stamped->folder;
        plan.why = "its wine.inf time matches the prefix's stamp: " + stamped->name;
    } else if (!request.systemWine.empty() && (request.updatePrefix || stamp.state == PrefixStamp::Disabled)) {
        plan.wine = request.systemWine;
        plan.why = "the system's Wine";
    }
    if (plan.wine.empty() || (WouldUpdatePrefix(stamp, plan.wine) && !request.updatePrefix)) {
        plan.refusal = UpdateRefusal(request, c, stamp, wines);
        return false;
    }
    if (WouldUpdatePrefix(stamp, plan.wine)) plan.why += "; with --update-prefix it updates the prefix";
    return true;
}

// The candidate for a prefix the player named: the search's own, when it found that folder, so
// that its kind's Wine is known; else a plain prefix of the system's Wine.
PrefixCandidate NamedCandidate(const LaunchRequest& request)
{
    PrefixSearchResult every = FindGamePrefix(request.home, SearchEvery, request.systemWine);
    for (const PrefixCandidate& c : every.looked)
        if (SameFolder(c.folder, request.prefix)) {
            PrefixCandidate named = c;
            named.folder = request.prefix;
            return named;
        }
    PrefixCandidate c;
    c.folder = request.prefix;
    if (request.systemWine.empty()) {
        c.noWine = "there is no Wine installation on PATH";
    } else {
        c.wine = request.systemWine;
        c.wineFrom = "the system's Wine";
    }
    return c;
}

}  // namespace

LaunchPlan PlanLaunch(const LaunchRequest& request)
{
    LaunchPlan plan;
    PrefixCandidate c;
    if (!request.prefix.empty()) {
        struct stat st;
        // A folder without system.reg is no prefix yet, and Wine would make one there.
        if (stat((request.prefix + "/system.reg").c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            plan.refusal = WrapText("Vexillor: " + request.prefix + " is not a Wine prefix (it has no system.reg).", 72);
            return plan;
        }
        c = NamedCandidate(request);
    } else {
        PrefixSearchResult search = FindGamePrefix(request.home, SearchFirst, request.systemWine);
        if (!search.found) {
            plan.refusal = WrapText(NoPrefixText(), 72);
            return plan;
        }
        c = search.prefix;
    }
    std::vector<FoundWine> wines = FindWines(request.home, request.systemWine);
    if (!c.wine.empty()) {  // a Wine its record names outside the launchers' folders
        bool listed = false;
        for (const FoundWine& wine : wines) listed = listed || SameFolder(wine.folder, c.wine);
        if (!listed) wines.push_back(FoundWine{c.wine, "its own record's"});
    }
    plan.prefix = c.folder;
    plan.kind = c.kind;
    if (!ChooseWine(request, c, wines, plan)) {
        plan.refusal = WrapText(plan.refusal, 72);
        return plan;
    }
    if (request.systemWine.empty() || !SameFolder(plan.wine, request.systemWine))
        plan.libraryFolders = WineLibraryFolders(plan.wine);
    plan.bits = PrefixBits(c.folder);
    plan.ready = true;
    return plan;
}

std::string WrapText(const std::string& text, size_t columns)
{
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t indent = line.find_first_not_of(' ');
        if (indent == std::string::npos) indent = line.size();
        const size_t hanging = indent + (line.compare(indent, 2, "- ") == 0 ? 2 : 0);
        std::string row = line.substr(0, indent);
        size_t at = indent;
        bool first = true;
        while (at < line.size()) {
            size_t space = line.find(' ', at);
            if (space == std::string::npos) space = line.size();
            const std::string word = line.substr(at, space - at);
            at = space + 1;
            if (!first && row.size() + 1 + word.size() > columns) {
                out += row + "\n";
                row = std::string(hanging, ' ') + word;
            } else {
                row += (first ? "" : " ") + word;
            }
            first = false;
        }
        out += row + (start <= text.size() ? "\n" : "");
    }
    return out;
}
