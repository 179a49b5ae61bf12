// The file calls as the core uses them. The same checks run against the native layer and,
// under Wine, against kernel32 itself, so the layer is held to the real behaviour.
#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>

#include "platform/win32.h"
#include "tests/support/test_support.h"

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE OpenRead(const std::string& p) { return Open(p, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING); }
HANDLE OpenWrite(const std::string& p) { return Open(p, GENERIC_WRITE, 0, CREATE_ALWAYS); }

// Wine run by root replaces a read-only file all the same; Windows and the native layer refuse.
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
    HANDLE reader = OpenRead(path);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    HANDLE reader2 = OpenRead(path);
    EXPECT_NE(INVALID_HANDLE_VALUE, reader2) << "readers share reading";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenWrite(path));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_EQ(3u, ReadFileBytes(dir.native("f.dat")).size()) << "the refused open truncated";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(CloseHandle(reader2));

    HANDLE writer = OpenWrite(path);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError()) << "CREATE_ALWAYS over a file says so";
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead(path)) << "a writer shares nothing";
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(path, GENERIC_WRITE, 0, OPEN_ALWAYS));
    EXPECT_TRUE(CloseHandle(writer));
    EXPECT_FALSE(CloseHandle(writer)) << "a handle closes once";
}

TEST(Win32Files, ReadWriteAndFilePointer)
{
    TempDir dir;
    std::string path = dir.core("p.dat");
    HANDLE h = OpenWrite(path);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "abcdefgh", 8, &n, nullptr));
    EXPECT_EQ(8u, n);
    EXPECT_EQ(2u, SetFilePointer(h, 2, nullptr, FILE_BEGIN));
    EXPECT_TRUE(WriteFile(h, "XY", 2, &n, nullptr));
    EXPECT_EQ(8u, SetFilePointer(h, 0, nullptr, FILE_END));
    EXPECT_EQ(6u, SetFilePointer(h, -2, nullptr, FILE_CURRENT));
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, -7, nullptr, FILE_CURRENT)) << "before the start";
    EXPECT_FALSE(ReadFile(h, &n, 1, &n, nullptr)) << "a write handle does not read";
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(Hex(Bytes{'a', 'b', 'X', 'Y', 'e', 'f', 'g', 'h'}), Hex(ReadFileBytes(dir.native("p.dat"))));

    h = OpenRead(path);
    char buf[16] = {};
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(8u, n);
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(0u, n) << "at the end: success with nothing";
    EXPECT_TRUE(CloseHandle(h));
}

TEST(Win32Files, MissingThingsAndFolders)
{
    TempDir dir;
    SetLastError(0);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead(dir.core("none.dat")));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenRead(dir.core("no\\none.dat")));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_TRUE(CreateDirectoryA(dir.core("sub").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(dir.core("sub").c_str(), nullptr));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(CreateDirectoryA(dir.core("no\\sub").c_str(), nullptr));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesA(dir.core("sub").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dir.core("none.dat").c_str()));
}

TEST(Win32Files, MoveReplacesButNotReadOnly)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("a"), Bytes{1}));
    ASSERT_TRUE(WriteFileBytes(dir.native("b"), Bytes{2}));
    EXPECT_FALSE(MoveFileExA(dir.core("a").c_str(), dir.core("b").c_str(), 0));
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    EXPECT_TRUE(MoveFileExA(dir.core("a").c_str(), dir.core("b").c_str(), replace));
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("b")));
    EXPECT_FALSE(FileExists(dir.native("a")));

    ASSERT_TRUE(WriteFileBytes(dir.native("c"), Bytes{3}));
    ASSERT_TRUE(SetReadOnly(dir.native("b"), true));
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA(dir.core("b").c_str()) & FILE_ATTRIBUTE_READONLY);
    if (!ReadOnlyIsHonoured()) GTEST_SKIP() << "Wine as root ignores the read-only attribute";
    EXPECT_FALSE(MoveFileExA(dir.core("c").c_str(), dir.core("b").c_str(), replace));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("b")));
    SetReadOnly(dir.native("b"), false);
}

TEST(Win32Files, FindListsEveryEntry)
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

    search = FindFirstFileA(dir.core("Players\\notes.txt").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    EXPECT_STREQ("notes.txt", data.cFileName);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(dir.core("Players\\none.txt").c_str(), &data));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(Win32Guid, FreshVersionFourIdentifiers)
{
    GUID a, b;
    ASSERT_EQ(S_OK, CoCreateGuid(&a));
    ASSERT_EQ(S_OK, CoCreateGuid(&b));
    EXPECT_EQ(0x4000, a.Data3 & 0xF000);
    EXPECT_EQ(0x80, a.Data4[0] & 0xC0);
    EXPECT_NE(0, memcmp(&a, &b, sizeof a));
}

TEST(Win32Files, LastErrorBelongsToTheThread)
{
    // Nothing but plain atomics between setting and reading, since any system call may set it.
    std::atomic<int> step(0);
    std::thread other([&] {
        while (step.load() != 1) {
        }
        SetLastError(99);
        step.store(2);
    });
    SetLastError(1234);
    step.store(1);
    while (step.load() != 2) {
    }
    DWORD mine = GetLastError();
    other.join();
    EXPECT_EQ(1234u, mine);
}
