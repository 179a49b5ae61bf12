// Core paths to native paths: backslashes become slashes. Drive-letter and UNC paths name
// places outside this file system, so they are refused until a mapping for them exists.
#include "platform/posix_path.h"

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// `letter:` followed by `rest` ("\Games\x" or "" or a drive-relative name). No drive is mapped
// yet; a mapping (for instance into a Wine prefix's dosdevices links) belongs here.
bool MapDrivePath(char letter, const char* rest, std::string& out)
{
    (void)letter;
    (void)rest;
    out.clear();
    return false;
}

void AppendWithSlashes(const char* path, std::string& out)
{
    for (const char* p = path; *p; ++p) out += *p == '\\' ? '/' : *p;
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
