// Core paths to native paths: backslashes become slashes, and a drive letter names the drive of
// the Wine prefix. UNC paths name places outside this file system and are refused.
#include "platform/posix_path.h"

#include "platform/wine_prefix.h"

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void AppendWithSlashes(const char* path, std::string& out)
{
    for (const char* p = path; *p; ++p) out += *p == '\\' ? '/' : *p;
}

// `letter:` followed by `rest` ("\Games\x" or "" or a drive-relative name). Natively the
// drives are those of the Wine prefix the game lives in: its dosdevices links ("c:" -> ../drive_c,
// "z:" -> /), named in lower case whatever case the path uses. A drive-relative name is taken
// from the drive's root, since this layer keeps no current folder per drive.
bool MapDrivePath(char letter, const char* rest, std::string& out)
{
    out.clear();
    char prefix[4096];
    if (!WinePrefixFolder(prefix, sizeof prefix)) return false;
    out = prefix;
    out += "/dosdevices/";
    out += char(letter >= 'A' && letter <= 'Z' ? letter + 32 : letter);
    out += ':';
    if (*rest && *rest != '\\') out += '/';
    AppendWithSlashes(rest, out);
    return true;
}

}  // namespace

bool CoreToNativePath(const char* corePath, std::string& out)
{
    out.clear();
    if (!corePath) return false;
    if (corePath[0] == '\\' && corePath[1] == '\\') return false;  // no network shares here
    if (IsDriveLetter(corePath[0]) && corePath[1] == ':')
        return MapDrivePath(corePath[0], corePath + 2, out);
    AppendWithSlashes(corePath, out);
    return true;
}
