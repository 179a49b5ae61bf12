// The file facts natively: stat, realpath, and the errno the file layer remembered.
#include "platform/file_facts.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "platform/posix_path.h"

// Kept by posix_files.cpp: the errno behind the last error value it set from one.
int PlatformErrnoFor(DWORD error);

namespace {

int ErrnoClosestTo(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_ENOUGH_MEMORY: return ENOMEM;
    case ERROR_SHARING_VIOLATION: return EBUSY;
    case ERROR_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME: return ENAMETOOLONG;
    case ERROR_ALREADY_EXISTS: return EEXIST;
    default: return EINVAL;
    }
}

void Copy(const std::string& text, char* out, size_t size)
{
    if (!size) return;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(out, text.data(), n);
    out[n] = 0;
}

}  // namespace

void SystemErrorText(DWORD error, char* out, size_t size)
{
    int code = PlatformErrnoFor(error);
    Copy(strerror(code ? code : ErrnoClosestTo(error)), out, size);
}

FileKind KindOfFile(const char* path)
{
    std::string native;
    struct stat st;
    if (!CoreToNativePath(path, native) || native.empty() || stat(native.c_str(), &st) != 0)
        return FileAbsent;
    if (S_ISREG(st.st_mode)) return FileRegular;
    return S_ISDIR(st.st_mode) ? FileDirectory : FileSpecial;
}

bool SameFile(const char* a, const char* b)
{
    std::string first, second;
    struct stat sa, sb;
    if (!CoreToNativePath(a, first) || !CoreToNativePath(b, second)) return false;
    if (stat(first.c_str(), &sa) != 0 || stat(second.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FinalPathOf(const char* path, char* out, size_t size)
{
    std::string native;
    struct stat st;
    std::string target;
    if (CoreToNativePath(path, native) && !native.empty() && lstat(native.c_str(), &st) == 0 &&
        S_ISLNK(st.st_mode)) {
        if (char* real = realpath(native.c_str(), nullptr)) {
            target = real;
            free(real);
        } else {
            // A dangling link still names the file it would create; follow it one step at a
            // time, as opening it for writing would.
            std::string at = native;
            for (int hops = 0; hops < 40; ++hops) {
                char link[PATH_MAX];
                ssize_t n = readlink(at.c_str(), link, sizeof link - 1);
                if (n < 0) break;
                link[n] = 0;
                size_t slash = at.find_last_of('/');
                at = link[0] == '/' || slash == std::string::npos ? std::string(link)
                                                                  : at.substr(0, slash + 1) + link;
                target = at;
            }
        }
    }
    if (target.empty()) {
        if (strlen(path) >= size) return false;
        memcpy(out, path, strlen(path) + 1);
        return true;
    }
    if (target.size() >= size) return false;
    for (size_t i = 0; i <= target.size(); ++i) out[i] = target[i] == '/' ? '\\' : target[i];
    return true;
}

bool FileStampOf(const char* path, uint64_t* size, char* date, size_t dateSize)
{
    std::string native;
    struct stat st;
    if (!CoreToNativePath(path, native) || native.empty() || stat(native.c_str(), &st) != 0) return false;
    *size = uint64_t(st.st_size);
    struct tm local;
    time_t when = st.st_mtime;
    if (!localtime_r(&when, &local) || !strftime(date, dateSize, "%Y-%m-%d %H:%M", &local)) date[0] = 0;
    return true;
}

std::string HostPathOf(const char* path)
{
    std::string native;
    if (!CoreToNativePath(path, native) || native.empty()) return std::string();
    // Through the prefix's drive links to the folders a player finds in a file manager; a file
    // not there yet keeps its name behind its folder's real path.
    bool folder = native.back() == '/';
    std::string head = folder ? native.substr(0, native.size() - 1) : native, tail;
    while (!head.empty()) {
        if (char* real = realpath(head.c_str(), nullptr)) {
            std::string result = real + tail + (folder ? "/" : "");
            free(real);
            return result;
        }
        size_t slash = head.find_last_of('/');
        if (slash == std::string::npos) break;
        tail = head.substr(slash) + tail;
        head = head.substr(0, slash);
    }
    return native;
}
