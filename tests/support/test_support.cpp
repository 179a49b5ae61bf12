// Shared helpers of the suites.
#include "tests/support/test_support.h"

#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <random>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "platform/win32.h"
#include "platform/wine_prefix.h"

namespace fs = std::filesystem;

std::string NativePath(const std::string& corePath)
{
#ifdef _WIN32
    return corePath;
#else
    std::string p = corePath;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
#endif
}

std::string CorePath(const std::string& nativePath)
{
    std::string p = nativePath;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

TempDir::TempDir()
{
    std::random_device rd;
    std::mt19937_64 gen((uint64_t(rd()) << 32) ^ rd());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        snprintf(name, sizeof name, "vexillor-test-%016llx", (unsigned long long)gen());
        fs::path candidate = fs::temp_directory_path() / name;
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            root = CorePath(candidate.string());
            return;
        }
    }
    ADD_FAILURE_AT(__FILE__, __LINE__);
}

TempDir::~TempDir()
{
    if (root.empty()) return;
    std::error_code ec;
    // Read-only files left by a test must not keep their folder alive.
    for (auto it = fs::recursive_directory_iterator(NativePath(root), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(NativePath(root), ec);
}

std::string TempDir::native(const std::string& relative) const { return NativePath(core(relative)); }

bool WriteFileBytes(const std::string& nativePath, const Bytes& bytes)
{
    std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

Bytes ReadFileBytes(const std::string& nativePath)
{
    std::ifstream in(nativePath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& nativePath)
{
    std::error_code ec;
    return fs::exists(nativePath, ec);
}

std::vector<std::string> LeftoverTemporaries(const std::string& nativeFolder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(nativeFolder, ec)) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, 3, "~vx") == 0) names.push_back(name);
    }
    return names;
}

bool MakeFolder(const std::string& nativePath)
{
    std::error_code ec;
    fs::create_directories(nativePath, ec);
    return !ec;
}

bool SetReadOnly(const std::string& nativePath, bool readOnly)
{
#ifdef _WIN32
    return SetFileAttributesA(nativePath.c_str(),
                              readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
#else
    return chmod(nativePath.c_str(), readOnly ? 0444 : 0644) == 0;
#endif
}

void PutU16(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void PutU32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

uint32_t GetU32(const Bytes& b, size_t offset)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | (offset + i < b.size() ? b[offset + i] : 0);
    return v;
}

std::string Hex(const Bytes& b, size_t max)
{
    std::string s;
    char part[4];
    for (size_t i = 0; i < b.size() && i < max; ++i) {
        snprintf(part, sizeof part, i ? " %02x" : "%02x", b[i]);
        s += part;
    }
    if (b.size() > max) s += " ...";
    return s;
}

#ifndef _WIN32
UsingWinePrefix::UsingWinePrefix(const std::string& nativeFolder)
{
    char folder[4096];
    if (WinePrefixFolder(folder, sizeof folder)) previous = folder;
    UseWinePrefix(nativeFolder.c_str());
}

UsingWinePrefix::~UsingWinePrefix() { UseWinePrefix(previous.c_str()); }
#endif
