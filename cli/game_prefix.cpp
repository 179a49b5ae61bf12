// Choosing the Wine prefix: the one place the command line reads WINEPREFIX.
#include "cli/game_prefix.h"

#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "game/prefix_search.h"
#include "platform/wine_prefix.h"

namespace {

std::string PlainWinePrefix()
{
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.wine";
}

}  // namespace

std::string PrefixFromEnvironment()
{
    const char* set = getenv("WINEPREFIX");
    return set ? set : "";
}

std::string HomeFolder()
{
    const char* home = getenv("HOME");
    if (home && *home) return home;
    const struct passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

void UsePathPrefix()
{
    std::string prefix = PrefixFromEnvironment();
    UseWinePrefix((prefix.empty() ? PlainWinePrefix() : prefix).c_str());
}

void UseGamePrefix(bool quietly)
{
    std::string prefix = PrefixFromEnvironment();
    if (prefix.empty()) {
        const std::string home = HomeFolder();
        PrefixSearchResult search = home.empty() ? PrefixSearchResult() : FindGamePrefix(home);
        // Not found: ~/.wine, and the installation check says what is missing there.
        prefix = search.found ? search.prefix.folder : PlainWinePrefix();
        if (search.found && !quietly) fprintf(stderr, "Using Wine prefix %s\n", prefix.c_str());
    }
    UseWinePrefix(prefix.c_str());
}
