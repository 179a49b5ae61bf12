// Natively: Wine installations and what the launcher must know of them before it starts one in
// a player's prefix: whether it would update that prefix, which wineserver already serves it,
// and whether the prefix is 32-bit.
#pragma once

#ifndef _WIN32
#include <string>
#include <vector>

// True when `folder` is a Wine installation: bin/wine and share/wine/wine.inf, as Wine lays
// itself out (Proton's files/ or dist/, the launchers' runners, the system's /usr).
bool IsWineInstallation(const std::string& folder);
// The installation in a tool's folder: the folder itself, else its files/ or dist/ (Proton's
// layouts); empty when there is none.
std::string WineInstallationIn(const std::string& tool);
// The system's Wine: the first `wine` on `path` (PATH's form), links resolved, and the folder
// above its bin/ (Debian's /usr/bin/wine gives /usr). Empty when there is none or it is no
// installation.
std::string SystemWineFolder(const char* path);

// A prefix's .update-timestamp as wineboot reads it: its first 99 bytes, "disable" at the start
// turning updates off, else the number strtoul reads there.
struct PrefixStamp {
    enum State { Missing, Unreadable, Disabled, Time } state = Missing;
    unsigned long time = 0;
};
PrefixStamp ReadPrefixStamp(const std::string& prefix);
// "1700000000", "disable", "missing", "unreadable".
std::string DescribeStamp(const PrefixStamp& stamp);
// The time a Wine stamps into the prefixes it sets up: its wine.inf's modification time in
// whole seconds. False when there is no wine.inf to read.
bool WineInfTime(const std::string& wine, unsigned long& time);
// True when the Wine installation `wine` would update the prefix stamped `stamp` as it starts
// (Wine's own test); an unreadable stamp or wine.inf counts as an update, never as safe.
bool WouldUpdatePrefix(const PrefixStamp& stamp, const std::string& wine);

// The library folders of a Wine that is not the system's, to go first on LD_LIBRARY_PATH as
// Proton's own script sets them (64-bit first); only those that exist.
std::vector<std::string> WineLibraryFolders(const std::string& wine);

// The wineserver serving a prefix now. Wine's server keeps its socket folder at
// /tmp/.wine-UID/server-DEV-INODE (the prefix folder's device and inode in hex) and holds an
// fcntl lock on the `lock` file in it while it runs.
struct PrefixServer {
    enum State { None, Known, Unknown } state = None;
    long pid = 0;
    std::string wine;  // Known: the installation its binary belongs to
    std::string why;   // Unknown: why it cannot be told
};
PrefixServer FindPrefixServer(const std::string& prefix);
// The installation a wineserver binary belongs to (a file named wineserver*, in the
// installation's bin/ or a few folders below it, as Debian's /usr/lib/wine/wineserver64); empty
// when it belongs to none.
std::string WineOfServerBinary(const std::string& binary);

// 32 when the prefix's system.reg says "#arch=win32" before its first key, else 64.
int PrefixBits(const std::string& prefix);
#endif
