// Shared helpers of the suites: scratch folders, file bytes, paths in both forms.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. Paths handed to the code under test are in core form (backslashes); `native`
// gives the same path as the C library of this platform wants it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder itself in core form, ending without a backslash.
    const std::string& path() const { return root; }
    // `relative` (components separated by backslashes) below the folder, in core form.
    std::string core(const std::string& relative) const { return root + "\\" + relative; }
    // The same below the folder, in native form.
    std::string native(const std::string& relative) const;

private:
    std::string root;
};

// Core form (backslashes) to native form, and back.
std::string NativePath(const std::string& corePath);
std::string CorePath(const std::string& nativePath);

// Whole-file helpers on native paths. ReadFileBytes returns an empty vector for a missing file;
// FileExists tells the two apart.
bool WriteFileBytes(const std::string& nativePath, const Bytes& bytes);
Bytes ReadFileBytes(const std::string& nativePath);
bool FileExists(const std::string& nativePath);
bool MakeFolder(const std::string& nativePath);
// The names in a folder (native path) that a conversion's temporary files take ("~vx..."):
// a finished conversion leaves none.
std::vector<std::string> LeftoverTemporaries(const std::string& nativeFolder);
// Makes a file read-only (the read-only attribute on Windows, no write bits elsewhere), or
// writable again.
bool SetReadOnly(const std::string& nativePath, bool readOnly);

// Little-endian builders for hand-made inputs.
void PutU16(Bytes& b, uint16_t v);
void PutU32(Bytes& b, uint32_t v);
uint32_t GetU32(const Bytes& b, size_t offset);

// "61 62 0d" style dump of at most `max` bytes, for failure messages.
std::string Hex(const Bytes& b, size_t max = 64);

#ifndef _WIN32
// Points the native layer at the Wine prefix `nativeFolder` while the object lives, then back at
// the one it had.
class UsingWinePrefix {
public:
    explicit UsingWinePrefix(const std::string& nativeFolder);
    ~UsingWinePrefix();
    UsingWinePrefix(const UsingWinePrefix&) = delete;
    UsingWinePrefix& operator=(const UsingWinePrefix&) = delete;

private:
    std::string previous;
};
#endif
