// Wine installations, the update rule, the wineserver beside a running game and a prefix's
// architecture: everything the launcher checks before it starts a Wine in a player's prefix.
#include "game/wine_install.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix_files.h"

namespace {

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Parent(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Opens `path` for reading without waiting on a FIFO; -1 with errno when it cannot.
int OpenForReading(const std::string& path)
{
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

bool IsWineInstallation(const std::string& folder)
{
    return !folder.empty() && IsRegularFile(folder + "/bin/wine") && IsRegularFile(folder + "/share/wine/wine.inf");
}

std::string WineInstallationIn(const std::string& tool)
{
    for (const char* below : {"", "/files", "/dist"})
        if (IsWineInstallation(tool + below)) return tool + below;
    return std::string();
}

std::string SystemWineFolder(const char* path)
{
    std::string list = path ? path : "";
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(start, end - start);
        start = end + 1;
        if (folder.empty() || folder[0] != '/') continue;  // the current folder is no place for Wine
        const std::string wine = folder + "/wine";
        if (!IsRegularFile(wine) || access(wine.c_str(), X_OK) != 0) continue;
        char real[PATH_MAX];
        if (!realpath(wine.c_str(), real)) return std::string();
        std::string installation = Parent(Parent(real));
        return IsWineInstallation(installation) ? installation : std::string();
    }
    return std::string();
}

PrefixStamp ReadPrefixStamp(const std::string& prefix)
{
    PrefixStamp stamp;
    int fd = OpenForReading(prefix + "/.update-timestamp");
    if (fd < 0) {
        stamp.state = errno == ENOENT ? PrefixStamp::Missing : PrefixStamp::Unreadable;
        return stamp;
    }
    char buffer[100];  // wineboot reads at most 99 bytes of it
    struct stat st;
    ssize_t got = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read(fd, buffer, sizeof buffer - 1) : -1;
    close(fd);
    if (got < 0) {
        stamp.state = PrefixStamp::Unreadable;
        return stamp;
    }
    buffer[got] = 0;
    if (!strncmp(buffer, "disable", 7)) {
        stamp.state = PrefixStamp::Disabled;
        return stamp;
    }
    stamp.state = PrefixStamp::Time;
    stamp.time = strtoul(buffer, nullptr, 10);
    return stamp;
}

std::string DescribeStamp(const PrefixStamp& stamp)
{
    switch (stamp.state) {
    case PrefixStamp::Missing: return "missing";
    case PrefixStamp::Unreadable: return "unreadable";
    case PrefixStamp::Disabled: return "disable";
    case PrefixStamp::Time: break;
    }
    return std::to_string(stamp.time);
}

bool WineInfTime(const std::string& wine, unsigned long& time)
{
    struct stat st;
    if (stat((wine + "/share/wine/wine.inf").c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    time = (unsigned long)st.st_mtime;  // as wineboot takes it
    return true;
}

bool WouldUpdatePrefix(const PrefixStamp& stamp, const std::string& wine)
{
    if (stamp.state == PrefixStamp::Disabled) return false;
    unsigned long time;
    if (stamp.state != PrefixStamp::Time || !WineInfTime(wine, time)) return true;
    return stamp.time != time;
}

std::vector<std::string> WineLibraryFolders(const std::string& wine)
{
    std::vector<std::string> folders;
    for (const char* below : {"/lib64", "/lib/x86_64-linux-gnu", "/lib", "/lib/i386-linux-gnu"})
        if (IsFolder(wine + below)) folders.push_back(wine + below);
    return folders;
}

std::string WineOfServerBinary(const std::string& binary)
{
    size_t slash = binary.find_last_of('/');
    if (slash == std::string::npos || binary.compare(slash + 1, 10, "wineserver") != 0) return std::string();
    if (!IsRegularFile(binary)) return std::string();  // replaced since it started: another Wine now
    std::string folder = Parent(binary);
    for (int up = 0; up < 4 && folder != "/"; ++up, folder = Parent(folder))
        if (IsWineInstallation(folder)) return folder;
    return std::string();
}

PrefixServer FindPrefixServer(const std::string& prefix)
{
    PrefixServer server;
    struct stat st;
    if (stat(prefix.c_str(), &st) != 0) return server;
    char lock[128];
    snprintf(lock, sizeof lock, "/tmp/.wine-%u/server-%lx-%lx/lock", (unsigned)getuid(), (unsigned long)st.st_dev,
             (unsigned long)st.st_ino);
    int fd = OpenForReading(lock);
    if (fd < 0) {
        if (errno == ENOENT) return server;
        server.state = PrefixServer::Unknown;
        server.why = std::string("its lock file ") + lock + " cannot be read";
        return server;
    }
    struct flock probe = {};
    probe.l_type = F_WRLCK;  // whole file: the server holds a write lock on it
    probe.l_whence = SEEK_SET;
    int asked = fcntl(fd, F_GETLK, &probe);
    close(fd);
    if (asked == 0 && probe.l_type == F_UNLCK) return server;  // a folder left behind: no server
    server.state = PrefixServer::Unknown;
    server.pid = asked == 0 ? long(probe.l_pid) : 0;
    if (server.pid <= 0) {
        server.why = "a wineserver serves it from where its process cannot be seen";
        return server;
    }
    char exe[64], binary[PATH_MAX];
    snprintf(exe, sizeof exe, "/proc/%ld/exe", server.pid);
    ssize_t n = readlink(exe, binary, sizeof binary - 1);
    if (n <= 0) {
        server.why = "process " + std::to_string(server.pid) + " serves it, and its program cannot be told";
        return server;
    }
    binary[n] = 0;
    server.wine = WineOfServerBinary(binary);
    if (server.wine.empty()) {
        server.why = "process " + std::to_string(server.pid) + " (" + binary + ") serves it, and belongs to no Wine installation";
        return server;
    }
    server.state = PrefixServer::Known;
    return server;
}

int PrefixBits(const std::string& prefix)
{
    std::string head;
    enum { kHeaderBytes = 4096 };  // the "#arch" line follows the first two lines
    if (ReadRegularFile(prefix + "/system.reg", kHeaderBytes, head, CutLonger) != ERROR_SUCCESS) return 64;
    size_t start = 0;
    while (start < head.size() && head[start] != '[') {
        size_t end = head.find('\n', start);
        if (end == std::string::npos) end = head.size();
        std::string line = head.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "#arch=win32") return 32;
        start = end + 1;
    }
    return 64;
}
