// The fuzz targets' Wine-style prefix.
#include "fuzz/fake_prefix.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

std::string prefix;

void RemovePrefix()
{
    std::error_code ec;
    if (!prefix.empty()) std::filesystem::remove_all(prefix, ec);
}

}  // namespace

const std::string& FakePrefix()
{
    if (!prefix.empty()) return prefix;
    char folder[] = "/tmp/vexillor-fuzz-XXXXXX";
    if (!mkdtemp(folder)) abort();
    prefix = folder;
    atexit(RemovePrefix);
    std::filesystem::create_directories(prefix + "/drive_c/Games/Quillmere/Players/Ann");
    std::filesystem::create_directories(prefix + "/dosdevices");
    if (symlink("../drive_c", (prefix + "/dosdevices/c:").c_str()) != 0) abort();
    setenv("WINEPREFIX", prefix.c_str(), 1);
    return prefix;
}

void WritePrefixFile(const std::string& relative, const void* data, size_t size)
{
    FILE* f = fopen((FakePrefix() + "/" + relative).c_str(), "wb");
    if (!f) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    fclose(f);
}
