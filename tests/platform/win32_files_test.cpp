// The file calls the core suites do not reach through FileStream. The same checks run against
// the native layer and, under Wine, against kernel32 itself, so the layer is held to the real
// behaviour.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <memory>
#include <set>
#include <string>

#include "platform/file_facts.h"
#include "platform/win32.h"
#include "tests/support/test_support.h"

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsWine()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

// Wine run by root opens and replaces a read-only file all the same (root passes every
// permission check); Windows, Wine as an ordinary user and the native layer refuse. Asked of
// the system itself, so the same suite runs the cases wherever they are enforced.
bool ReadOnlyIsHonoured()
{
    TempDir dir;
    const std::string probe = dir.core("probe");
    if (!WriteFileBytes(dir.native("probe"), Bytes{1}) || !SetReadOnly(dir.native("probe"), true)) return false;
    HANDLE h = Open(probe, GENERIC_WRITE, 0, OPEN_EXISTING);
    bool refused = h == INVALID_HANDLE_VALUE;
    if (!refused) CloseHandle(h);
    SetReadOnly(dir.native("probe"), false);
    return refused;
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
    if (!ReadOnlyIsHonoured()) GTEST_SKIP() << "Wine as root ignores the read-only attribute (see as_user_test.sh)";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("b"), GENERIC_WRITE, 0, CREATE_ALWAYS));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("b"), GENERIC_WRITE, 0, OPEN_ALWAYS));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(DeleteFileA(dir.core("b").c_str()));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("b"))) << "a read-only file was changed";
    SetReadOnly(dir.native("b"), false);
}

// Wine's MoveFileExA replaces a read-only file, whoever runs it (the conversion looks at the
// attribute itself before it writes), so this one holds on Windows and natively only.
TEST(Win32Files, MoveDoesNotReplaceAReadOnlyFile)
{
    if (IsWine()) GTEST_SKIP() << "Wine's MoveFileExA replaces a read-only file";
    if (!ReadOnlyIsHonoured()) GTEST_SKIP() << "this user passes every permission check";
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("b"), Bytes{1}));
    ASSERT_TRUE(WriteFileBytes(dir.native("c"), Bytes{3}));
    ASSERT_TRUE(SetReadOnly(dir.native("b"), true));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileExA(dir.core("c").c_str(), dir.core("b").c_str(), MOVEFILE_REPLACE_EXISTING));
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
    UsingWinePrefix using_(NativePath(prefix.path()));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(CreateDirectoryA("Q:", nullptr));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(CreateDirectoryA("Q:\\", nullptr));
    EXPECT_TRUE(CreateDirectoryA("Q:\\a", nullptr) == FALSE) << "a folder on a drive the prefix lacks";
    EXPECT_FALSE(FileExists(prefix.native("dosdevices/q:"))) << "a new drive appeared in the prefix";
}
#endif

// The file facts the command line's messages rest on, against the native layer and kernel32.
TEST(FileFacts, KindsIdentityAndTheSystemsWords)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("a.bmp"), Bytes{1}));
    ASSERT_TRUE(MakeFolder(dir.native("sub")));
    struct Case { std::string path; FileKind kind; } kinds[] = {
        {dir.core("a.bmp"), FileRegular}, {dir.core("sub"), FileDirectory}, {dir.core("none"), FileAbsent},
    };
    for (const Case& c : kinds) EXPECT_EQ(c.kind, KindOfFile(c.path.c_str())) << c.path;

    struct Same { std::string a, b; bool same; } pairs[] = {
        {dir.core("a.bmp"), dir.core("sub\\..\\a.bmp"), true},
        {dir.core("a.bmp"), dir.core("sub"), false},
        {dir.core("a.bmp"), dir.core("none"), false},  // a file to be made is no input
    };
    for (const Same& p : pairs) EXPECT_EQ(p.same, SameFile(p.a.c_str(), p.b.c_str())) << p.a << " " << p.b;

    char text[256];
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("none"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    SystemErrorText(GetLastError(), text, sizeof text);
#ifdef _WIN32
    EXPECT_NE(0u, strlen(text));
    EXPECT_EQ(nullptr, strpbrk(text, "\r\n")) << "the line break of FormatMessage is cut off";
#else
    EXPECT_STREQ("No such file or directory", text);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("sub"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    SystemErrorText(GetLastError(), text, sizeof text);
    EXPECT_STREQ("Is a directory", text);
#endif
    uint64_t size = 0;
    char date[32];
    EXPECT_TRUE(FileStampOf(dir.core("a.bmp").c_str(), &size, date, sizeof date));
    EXPECT_EQ(1u, size);
    EXPECT_EQ(16u, strlen(date)) << date;
    EXPECT_FALSE(FileStampOf(dir.core("none").c_str(), &size, date, sizeof date));
}

#ifndef _WIN32
// A FIFO or device node in a banner's place stays: a rename would drop the node for a file.
TEST(FileFacts, SpecialFilesAndLinks)
{
    TempDir dir;
    ASSERT_EQ(0, mkfifo(dir.native("pipe.tex").c_str(), 0644));
    ASSERT_TRUE(WriteFileBytes(dir.native("new.tex"), Bytes{1}));
    EXPECT_EQ(FileSpecial, KindOfFile(dir.core("pipe.tex").c_str()));
    EXPECT_FALSE(MoveFileExA(dir.core("new.tex").c_str(), dir.core("pipe.tex").c_str(), MOVEFILE_REPLACE_EXISTING));
    struct stat st;
    EXPECT_TRUE(stat(dir.native("pipe.tex").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));

    // A link leads to its target, also a dangling one; anything else is kept as spelt.
    ASSERT_TRUE(MakeFolder(dir.native("far")));
    ASSERT_EQ(0, symlink("far/real.tex", dir.native("link.tex").c_str()));
    char out[MAX_PATH];
    ASSERT_TRUE(FinalPathOf(dir.core("link.tex").c_str(), out, sizeof out));
    EXPECT_EQ(NativePath(dir.core("far\\real.tex")), NativePath(out));
    ASSERT_TRUE(FinalPathOf("plain.tex", out, sizeof out));
    EXPECT_STREQ("plain.tex", out);
    ASSERT_TRUE(WriteFileBytes(dir.native("far/real.tex"), Bytes{2}));
    EXPECT_TRUE(SameFile(dir.core("link.tex").c_str(), dir.core("far\\real.tex").c_str()));
}

// Inside the prefix each name is found as Wine finds it: exactly, else without regard to case
// (ASCII and beyond); outside it, paths are taken as given.
TEST(FileFacts, NamesInAPrefixMatchWithoutRegardToCase)
{
    TempDir prefix;
    ASSERT_TRUE(MakeFolder(prefix.native("drive_c/Games/Quill/Players/Jörg")));
    ASSERT_TRUE(MakeFolder(prefix.native("drive_c/Same")) && MakeFolder(prefix.native("drive_c/same")));
    ASSERT_TRUE(MakeFolder(prefix.native("dosdevices")));
    ASSERT_EQ(0, symlink("../drive_c", prefix.native("dosdevices/c:").c_str()));
    ASSERT_TRUE(WriteFileBytes(prefix.native("drive_c/Games/Quill/Players/Jörg/banneruser.tex"), Bytes{7}));
    ASSERT_TRUE(WriteFileBytes(prefix.native("drive_c/Same/x"), Bytes{1}));
    ASSERT_TRUE(WriteFileBytes(prefix.native("drive_c/same/x"), Bytes{2}));
    UsingWinePrefix using_(NativePath(prefix.path()));

    struct Case { const char* path; Bytes content; } cases[] = {
        {"C:\\Games\\Quill\\Players\\Jörg\\banneruser.tex", {7}},
        {"c:\\games\\quill\\players\\jörg\\BannerUser.tex", {7}},
        {"C:\\GAMES\\QUILL\\PLAYERS\\JÖRG\\BANNERUSER.TEX", {7}},
        {"C:\\Same\\x", {1}},  // the exact name first
        {"C:\\same\\x", {2}},
        {"C:\\Games\\Quill\\Players\\Jorg\\banneruser.tex", {}},
    };
    for (const Case& c : cases) {
        HANDLE f = Open(c.path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        Bytes got;
        uint8_t byte = 0;
        DWORD n = 0;
        if (f != INVALID_HANDLE_VALUE && ReadFile(f, &byte, 1, &n, nullptr) && n == 1) got.push_back(byte);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        EXPECT_EQ(c.content, got) << c.path;
    }
    // Missing in any case: the error of the name as asked for, a file or a folder missing.
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              Open("C:\\GAMES\\quill\\Players\\JÖRG\\absent.tex", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open("C:\\Games\\Nowhere\\x.tex", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    // A banner written in another letter case replaces the file there instead of twinning it.
    ASSERT_TRUE(WriteFileBytes(prefix.native("drive_c/new"), Bytes{9}));
    EXPECT_TRUE(MoveFileExA("C:\\new", "C:\\GAMES\\quill\\Players\\jörg\\BannerUser.tex", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Bytes{9}, ReadFileBytes(prefix.native("drive_c/Games/Quill/Players/Jörg/banneruser.tex")));
    EXPECT_FALSE(FileExists(prefix.native("drive_c/Games/Quill/Players/Jörg/BannerUser.tex")));
    // Outside the prefix a name is what it says.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(prefix.core("DRIVE_C").c_str()));
}
#endif
// Moves from the start, the position and the end, as the streams make them; a move before the
// start is refused and leaves the position where it was.
TEST(Win32Files, FilePointerMoves)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("ten"), Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    HANDLE f = Open(dir.core("ten"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    uint8_t byte = 0;
    DWORD n = 0;
    EXPECT_EQ(10u, SetFilePointer(f, 0, nullptr, FILE_END));
    EXPECT_TRUE(ReadFile(f, &byte, 1, &n, nullptr));
    EXPECT_EQ(0u, n) << "at the end, nothing to read";
    EXPECT_EQ(7u, SetFilePointer(f, -3, nullptr, FILE_CURRENT));
    EXPECT_TRUE(ReadFile(f, &byte, 1, &n, nullptr));
    EXPECT_EQ(7, byte);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(f, -20, nullptr, FILE_CURRENT));
    EXPECT_EQ(8u, SetFilePointer(f, 0, nullptr, FILE_CURRENT)) << "a refused move moved";
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(f, -11, nullptr, FILE_END));
    EXPECT_EQ(8u, SetFilePointer(f, 0, nullptr, FILE_CURRENT)) << "a refused move moved";
    EXPECT_EQ(8u, SetFilePointer(f, -2, nullptr, FILE_END));
    EXPECT_EQ(2u, SetFilePointer(f, 2, nullptr, FILE_BEGIN));
    EXPECT_TRUE(ReadFile(f, &byte, 1, &n, nullptr));
    EXPECT_EQ(2, byte);
    EXPECT_TRUE(CloseHandle(f));
}

// CREATE_NEW takes a free name only: whatever already holds the name is left as it is.
TEST(Win32Files, CreateNewTakesOnlyAFreeName)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("taken"), Bytes{7, 7}));
    ASSERT_TRUE(MakeFolder(dir.native("folder")));
    HANDLE fresh = Open(dir.core("fresh"), GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(INVALID_HANDLE_VALUE, fresh);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(fresh, "new", 3, &written, nullptr));
    EXPECT_TRUE(CloseHandle(fresh));
    EXPECT_EQ((Bytes{'n', 'e', 'w'}), ReadFileBytes(dir.native("fresh")));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("taken"), GENERIC_WRITE, 0, CREATE_NEW));
    EXPECT_EQ(DWORD(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ((Bytes{7, 7}), ReadFileBytes(dir.native("taken")));
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(dir.core("folder"), GENERIC_WRITE, 0, CREATE_NEW));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesA(dir.core("folder").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <new>

#include "platform/posix_files.h"

namespace {
// A socket bound at `path`, left there.
bool MakeSocket(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (fd < 0 || path.size() >= sizeof address.sun_path) return false;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    bool made = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return made;
}

bool StillSpecial(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}
}  // namespace

// A FIFO (no writer: an open that waited would never return), a socket or a device is a file
// that cannot be opened, read, replaced or moved; none of them is changed.
TEST(Win32Files, SpecialFilesAreNeverOpened)
{
    TempDir dir;
    ASSERT_EQ(0, mkfifo(dir.native("fifo").c_str(), 0666));
    ASSERT_TRUE(MakeSocket(dir.native("socket")));
    ASSERT_EQ(0, symlink("/dev/null", dir.native("device").c_str()));
    ASSERT_TRUE(WriteFileBytes(dir.native("file"), Bytes{1}));
    const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    std::string text;
    for (const char* name : {"fifo", "socket", "device"}) {
        SCOPED_TRACE(name);
        const std::string core = dir.core(name);
        struct {
            DWORD access, disposition;
        } const kOpens[] = {{GENERIC_READ, OPEN_EXISTING}, {GENERIC_WRITE, CREATE_ALWAYS},
                            {GENERIC_WRITE, OPEN_ALWAYS},  {GENERIC_WRITE, CREATE_NEW},
                            {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING}};
        for (const auto& open : kOpens) {
            SetLastError(0xdeadbeef);
            EXPECT_EQ(INVALID_HANDLE_VALUE, Open(core, open.access, 0, open.disposition)) << open.disposition;
            EXPECT_NE(DWORD(ERROR_SUCCESS), GetLastError());
        }
        EXPECT_FALSE(MoveFileExA(dir.core("file").c_str(), core.c_str(), replace));
        EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
        EXPECT_FALSE(MoveFileExA(core.c_str(), dir.core("moved").c_str(), replace));
        EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), ReadRegularFile(dir.native(name), 100, text));
        EXPECT_TRUE(StillSpecial(dir.native(name)));
    }
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("file")));
    EXPECT_FALSE(FileExists(dir.native("moved")));
}

// The registry's whole-file read: a size limit that holds exactly, and the usual errors.
TEST(Win32Files, ReadRegularFileKeepsToItsLimit)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("ten"), Bytes(10, 'x')));
    ASSERT_TRUE(WriteFileBytes(dir.native("empty"), Bytes()));
    struct {
        const char* name;
        size_t most;
        DWORD error;
        size_t size;
    } const kCases[] = {
        {"ten", 10, ERROR_SUCCESS, 10},      {"ten", 9, kErrorFileTooLarge, 0},
        {"empty", 0, ERROR_SUCCESS, 0},      {"none", 10, ERROR_FILE_NOT_FOUND, 0},
        {"none/x", 10, ERROR_PATH_NOT_FOUND, 0},
    };
    for (const auto& c : kCases) {
        std::string text = "stale";
        EXPECT_EQ(c.error, ReadRegularFile(dir.native(c.name), c.most, text)) << c.name << " " << c.most;
        EXPECT_EQ(c.size, text.size()) << c.name << " " << c.most;
    }
}

namespace {
thread_local bool refuseAllocations = false;
}  // namespace

// The layer's calls while no memory can be had: each fails with ERROR_NOT_ENOUGH_MEMORY (or
// the error of what it could still do) and no exception reaches the caller.
TEST(Win32Files, NoExceptionLeavesTheLayer)
{
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.native("file"), Bytes{1}));
    ASSERT_TRUE(WriteFileBytes(dir.native("system.reg"), Bytes{'W'}));
    const std::string file = dir.core("file"), pattern = dir.core("*"), moved = dir.core("moved");
    auto using_ = std::make_unique<UsingWinePrefix>(NativePath(dir.path()));
    WIN32_FIND_DATAA data;
    HKEY key = nullptr;
    std::string text;
    refuseAllocations = true;
    HANDLE opened = Open(file, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    DWORD openError = GetLastError();
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    DWORD findError = GetLastError();
    BOOL wasMoved = MoveFileExA(file.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING);
    DWORD moveError = GetLastError();
    LONG registry = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key);
    refuseAllocations = false;
    using_.reset();
    EXPECT_EQ(INVALID_HANDLE_VALUE, opened);
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), openError);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), findError);
    EXPECT_FALSE(wasMoved);
    EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), moveError);
    EXPECT_EQ(LONG(ERROR_NOT_ENOUGH_MEMORY), registry);
    EXPECT_EQ(Bytes{1}, ReadFileBytes(dir.native("file")));
}
#endif

#ifndef _WIN32
// This suite's allocations, refusable for the test above. The C library's allocator serves
// them, so every new still meets its delete.
void* operator new(size_t size)
{
    if (refuseAllocations) throw std::bad_alloc();
    if (void* p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
#endif
