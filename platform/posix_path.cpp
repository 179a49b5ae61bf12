// Core paths to native paths: backslashes become slashes, and a drive letter names the drive of
// the Wine prefix. UNC paths name places outside this file system and are refused.
#include "platform/posix_path.h"

#include <dirent.h>
#include <string.h>
#include <sys/stat.h>

#include "platform/utf8_text.h"
#include "platform/wine_prefix.h"

namespace {

// Inside the prefix, names are matched as Wine matches them: each component by its exact name
// when that is there, else by the entry of its folder that equals it without regard to case.
// From the first component found neither way on, the path is kept as given (a file to create).
void MatchCaseFrom(std::string& path, size_t from)
{
    // Exact names first, for the whole path at once: when it is there as given, every part of
    // it is, and no folder need be read.
    struct stat whole;
    if (lstat(path.c_str(), &whole) == 0) return;
    std::string done = path.substr(0, from - 1);  // up to the slash before `from`
    size_t pos = from;
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(pos, end - pos);
        struct stat st;
        std::string exact = done + "/" + name;
        if (name.empty() || name == "." || name == ".." || lstat(exact.c_str(), &st) == 0) {
            done = exact;
        } else {
            DIR* dir = opendir(done.c_str());
            std::string found;
            while (struct dirent* entry = dir ? readdir(dir) : nullptr)
                if (SameTextIgnoringCase(entry->d_name, name)) {
                    found = entry->d_name;
                    break;
                }
            if (dir) closedir(dir);
            if (found.empty()) {
                path = done + path.substr(pos - 1);
                return;
            }
            done += "/" + found;
        }
        pos = end + 1;
    }
    if (path.back() == '/') done += '/';
    path = done;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void AppendWithSlashes(const char* path, std::string& out)
{
    for (const char* p = path; *p; ++p) out += *p == '\\' ? '/' : *p;
}

// `letter:` followed by `rest` ("\Games\x" or "" or a drive-relative name). Natively the
// drives are those of the Wine prefix the game lives in: its dosdevices links ("c:" -> ../drive_c,
// "z:" -> /), named in lower case whatever case the path uses. A drive-relative name is taken
// from the drive's root, since this layer keeps no current folder per drive.
bool MapDrivePath(char letter, const char* rest, std::string& out, bool matchCase)
{
    out.clear();
    char prefix[4096];
    if (!WinePrefixFolder(prefix, sizeof prefix)) return false;
    out = prefix;
    out += "/dosdevices/";
    out += char(letter >= 'A' && letter <= 'Z' ? letter + 32 : letter);
    out += ':';
    size_t drive = out.size();
    if (*rest && *rest != '\\') out += '/';
    AppendWithSlashes(rest, out);
    if (matchCase && out.size() > drive + 1) MatchCaseFrom(out, drive + 1);
    return true;
}

}  // namespace

bool CoreToNativePath(const char* corePath, std::string& out, bool matchCase)
{
    out.clear();
    if (!corePath) return false;
    if (corePath[0] == '\\' && corePath[1] == '\\') return false;  // no network shares here
    if (IsDriveLetter(corePath[0]) && corePath[1] == ':')
        return MapDrivePath(corePath[0], corePath + 2, out, matchCase);
    AppendWithSlashes(corePath, out);
    return true;
}
