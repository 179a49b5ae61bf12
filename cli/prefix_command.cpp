// vexillor-cli prefix (Linux): the Wine prefix that holds the game, found by the one search the
// launcher and the players and install commands share.
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "game/prefix_search.h"

namespace {

std::string HomeFolder()
{
    const char* home = getenv("HOME");
    if (home && *home) return home;
    const struct passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

void PrintWhereLooked(const std::string& home, const std::vector<PrefixLook>& looked)
{
    fprintf(stderr,
            "Looked in %s/.wine, the Steam (Proton) prefixes in %s/.steam/steam,\n"
            "%s/.local/share/Steam and the libraries their libraryfolders.vdf lists,\n"
            "%s/Games/* (Lutris), %s/.local/share/bottles/bottles/* (Bottles) and\n"
            "%s/.PlayOnLinux/wineprefix/* (PlayOnLinux).\n",
            home.c_str(), home.c_str(), home.c_str(), home.c_str(), home.c_str(), home.c_str());
    for (const PrefixLook& l : looked) fprintf(stderr, "  %s: %s\n", l.prefix.c_str(), l.why.c_str());
}

}  // namespace

int RunPrefixCommand()
{
    const std::string home = HomeFolder();
    std::vector<PrefixLook> looked;
    std::string prefix = home.empty() ? std::string() : FindGamePrefix(home, &looked);
    if (!prefix.empty()) {
        printf("%s\n", prefix.c_str());
        return ExitDone;
    }
    fprintf(stderr, "No Wine prefix with Quillmere found.\n");
    PrintWhereLooked(home, looked);
    return ExitFailed;
}

void UseFoundPrefix()
{
    const char* set = getenv("WINEPREFIX");
    if (set && *set) return;
    const std::string home = HomeFolder();
    std::string prefix = home.empty() ? std::string() : FindGamePrefix(home, nullptr);
    if (prefix.empty()) return;  // ~/.wine then, and the installation check says what is missing
    setenv("WINEPREFIX", prefix.c_str(), 1);
    fprintf(stderr, "Using Wine prefix %s\n", prefix.c_str());
}
