// Core paths to native paths: backslashes become slashes, and a drive letter names the drive of
// the Wine prefix. UNC paths name places outside this file system and are refused.
#include "platform/posix_path.h"

#include <dirent.h>
#include <locale.h>
#include <string.h>
#include <sys/stat.h>
#include <wctype.h>

#include "platform/wine_prefix.h"

namespace {

// One character of UTF-8 at `p` (advanced past it), or the byte itself when it is no valid
// sequence: names on disk need not be valid UTF-8.
uint32_t NextCharacter(const unsigned char*& p)
{
    uint32_t c = *p;
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && c < 0xC0) extra = 0;
    if (c >= 0xF8) extra = 0;
    uint32_t value = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
    for (int i = 1; i <= extra; ++i)
        if ((p[i] & 0xC0) != 0x80) extra = 0;
    if (!extra) {
        ++p;
        return c;
    }
    for (int i = 1; i <= extra; ++i) value = value << 6 | (p[i] & 0x3F);
    p += extra + 1;
    return value;
}

// Wine compares names with the case mapping of Unicode, which covers ASCII and every letter of
// the Windows code pages. C.UTF-8 gives glibc's table for it; without it ASCII still folds.
uint32_t Fold(uint32_t c)
{
    static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return unicode ? uint32_t(towlower_l(wint_t(c), unicode)) : c;
}

bool SameNameIgnoringCase(const char* a, const char* b)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    while (*p && *q)
        if (Fold(NextCharacter(p)) != Fold(NextCharacter(q))) return false;
    return !*p && !*q;
}

// Inside the prefix, names are matched as Wine matches them: each component by its exact name
// when that is there, else by the entry of its folder that equals it without regard to case.
// From the first component found neither way on, the path is kept as given (a file to create).
void MatchCaseFrom(std::string& path, size_t from)
{
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
                if (SameNameIgnoringCase(entry->d_name, name.c_str())) {
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
bool MapDrivePath(char letter, const char* rest, std::string& out)
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
    if (out.size() > drive + 1) MatchCaseFrom(out, drive + 1);
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
