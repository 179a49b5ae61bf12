// The VERSIONINFO of vexillor.exe and vexillor-cli.exe through GetFileVersionInfo, as Explorer's
// file properties show it: the fixed block's numbers and every string of the English table.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

struct VersionBlock {
    std::vector<char> data;
    bool load(const std::string& nativePath)
    {
        const std::string path = "Z:" + CorePath(nativePath);  // Z: is the Unix root
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        if (size == 0) return false;
        data.assign(size, 0);
        return GetFileVersionInfoA(path.c_str(), 0, size, data.data()) != 0;
    }
    std::string text(const char* name)
    {
        void* value = nullptr;
        UINT length = 0;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(data.data(), key.c_str(), &value, &length) || !value) return "(none)";
        return static_cast<const char*>(value);
    }
};

TEST(VersionBlock, BothProgramsCarryTheProjectVersion)
{
    struct Case { const char* path; const char* file; const char* description; } programs[] = {
        {VEX_PROGRAM_PATH, "vexillor.exe", "Vexillor, banners for Quillmere"},
        {VEX_CLI_PATH, "vexillor-cli.exe", "Vexillor command-line tool"},
    };
    for (const Case& p : programs) {
        VersionBlock block;
        ASSERT_TRUE(block.load(p.path)) << p.path;
        void* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data.data(), "\\", &fixed, &length)) << p.file;
        const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
        EXPECT_EQ(DWORD(0xFEEF04BD), info->dwSignature) << p.file;
        EXPECT_EQ(DWORD(VEX_VERSION_MAJOR << 16 | VEX_VERSION_MINOR), info->dwFileVersionMS) << p.file;
        EXPECT_EQ(DWORD(VEX_VERSION_MAJOR << 16 | VEX_VERSION_MINOR), info->dwProductVersionMS) << p.file;
        EXPECT_EQ(DWORD(VFT_APP), info->dwFileType) << p.file;

        const struct { const char* name; std::string value; } strings[] = {
            {"CompanyName", "Vexillor developers"},
            {"FileDescription", p.description},
            {"FileVersion", VEX_VERSION_TEXT},
            {"ProductName", "Vexillor"},
            {"ProductVersion", VEX_VERSION_TEXT},
            {"LegalCopyright", "Copyright (c) 2026 Vexillor developers, MIT License"},
            {"OriginalFilename", p.file},
        };
        for (const auto& s : strings) EXPECT_EQ(s.value, block.text(s.name)) << p.file << ": " << s.name;
    }
}

}  // namespace
