// The file calls the core suites do not reach through FileStream. The same checks run against
// the native layer and, under Wine, against kernel32 itself, so the layer is held to the real
// behaviour.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <set>
#include <string>

#include "platform/win32.h"
#include "tests/support/test_support.h"

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Wine run by root opens and replaces a read-only file all the same; Windows and the native
// layer refuse.
bool ReadOnlyIsHonoured()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return !(ntdll && GetProcAddress(ntdll, "wine_get_version"));
#else
    return true;
#endif
}

}  // namespace

TEST(Win32Files, SharingBetweenHandles)
{
    TempDir dir;
    std::string path = dir.core("f.dat");
    ASSERT_TRUE(WriteFileBytes(dir.native("f.dat"), Bytes{1, 2, 3}));
    HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileA(path.c_str())) << "an open file is not deleted";
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_FALSE(CloseHandle(reader)) << "a handle closes once";
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(Win32Files, ReadOnlyAndMoveReplaceRules)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("a"), Bytes{1}));
    ASSERT_TRUE(WriteFileBytes(dir.native("b"), Bytes{2}));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileExA(dir.core("a").c_str(), dir.core("b").c_str(), 0));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    EXPECT_TRUE(MoveFileExA(dir.core("a").c_str(), dir.core("b").c_str(), replace));
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("b")));
    EXPECT_FALSE(FileExists(dir.native("a")));

    ASSERT_TRUE(WriteFileBytes(dir.native("c"), Bytes{3}));
    ASSERT_TRUE(SetReadOnly(dir.native("b"), true));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesA(dir.core("b").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.core("none").c_str()));
    if (!ReadOnlyIsHonoured()) GTEST_SKIP() << "Wine as root ignores the read-only attribute";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("b"), GENERIC_WRITE, 0, CREATE_ALWAYS));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(MoveFileExA(dir.core("c").c_str(), dir.core("b").c_str(), replace));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("b"))) << "a read-only file was changed";
    SetReadOnly(dir.native("b"), false);
}

TEST(Win32Files, FindListsEveryEntryOfAPattern)
{
    TempDir dir;
    ASSERT_TRUE(MakeFolder(dir.native("Players/Ann")));
    ASSERT_TRUE(WriteFileBytes(dir.native("Players/notes.txt"), Bytes{1}));
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(dir.core("Players\\*.*").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    std::set<std::string> folders, files;
    do {
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? folders : files).insert(data.cFileName);
    } while (FindNextFileA(search, &data));
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ((std::set<std::string>{".", "..", "Ann"}), folders);
    EXPECT_EQ((std::set<std::string>{"notes.txt"}), files);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(dir.core("Players\\none.txt").c_str(), &data));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

#ifndef _WIN32
// Creating the folders of C:\... or Q:\... must never add a drive link to the user's prefix.
TEST(Win32Files, DrivesAreNotFoldersToMake)
{
    TempDir prefix;
    ASSERT_TRUE(MakeFolder(prefix.native("dosdevices")));
    std::string saved = getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "";
    setenv("WINEPREFIX", NativePath(prefix.path()).c_str(), 1);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateDirectoryA("Q:", nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(CreateDirectoryA("Q:\\", nullptr));
    EXPECT_TRUE(CreateDirectoryA("Q:\\a", nullptr) == FALSE) << "a folder on a drive the prefix lacks";
    EXPECT_FALSE(FileExists(prefix.native("dosdevices/q:"))) << "a new drive appeared in the prefix";
    if (saved.empty()) unsetenv("WINEPREFIX");
    else setenv("WINEPREFIX", saved.c_str(), 1);
}
#endif
