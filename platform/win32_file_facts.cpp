// The file facts on Windows: FormatMessageA, handle information and the final path name.
#include "platform/file_facts.h"

#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

HANDLE OpenForFacts(const char* path)
{
    // No access asked: only the file's identity and type are read. Folders need the flag.
    return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

void SystemErrorText(DWORD error, char* out, size_t size)
{
    if (!size) return;
    out[0] = 0;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                             out, DWORD(size), nullptr);
    if (n == 0) {
        snprintf(out, size, "error %lu", (unsigned long)error);
        return;
    }
    size_t length = strlen(out);
    while (length && (out[length - 1] == '\n' || out[length - 1] == '\r' || out[length - 1] == ' ' ||
                      out[length - 1] == '.'))
        out[--length] = 0;
}

FileKind KindOfFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileAbsent;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileDirectory;
    HANDLE file = OpenForFacts(path);
    if (file == INVALID_HANDLE_VALUE) return FileRegular;  // there, but only the open can tell
    DWORD type = GetFileType(file);
    CloseHandle(file);
    return type == FILE_TYPE_DISK ? FileRegular : FileSpecial;
}

bool SameFile(const char* a, const char* b)
{
    HANDLE first = OpenForFacts(a);
    if (first == INVALID_HANDLE_VALUE) return false;
    HANDLE second = OpenForFacts(b);
    BY_HANDLE_FILE_INFORMATION fa, fb;
    bool same = second != INVALID_HANDLE_VALUE && GetFileInformationByHandle(first, &fa) &&
                GetFileInformationByHandle(second, &fb) &&
                fa.dwVolumeSerialNumber == fb.dwVolumeSerialNumber &&
                fa.nFileIndexHigh == fb.nFileIndexHigh && fa.nFileIndexLow == fb.nFileIndexLow;
    CloseHandle(first);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
    return same;
}

bool FinalPathOf(const char* path, char* out, size_t size)
{
    // A link shows as a final path other than the full path the name spells. Wine reports Unix
    // links as plain files, so the comparison is the test rather than the reparse attribute.
    char final[MAX_PATH + 8], full[MAX_PATH];
    const char* result = path;
    HANDLE file = OpenForFacts(path);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD n = GetFinalPathNameByHandleA(file, final, sizeof final, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        CloseHandle(file);
        DWORD m = GetFullPathNameA(path, sizeof full, full, nullptr);
        // "\\?\C:\..." is the drive path the rest of the program uses; other forms are kept.
        if (n > 0 && n < sizeof final && m > 0 && m < sizeof full && !strncmp(final, "\\\\?\\", 4) &&
            final[5] == ':' && _stricmp(final + 4, full) != 0)
            result = final + 4;
    }
    if (strlen(result) >= size) return false;
    memcpy(out, result, strlen(result) + 1);
    return true;
}

bool FileStampOf(const char* path, uint64_t* size, char* date, size_t dateSize)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    *size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    FILETIME local;
    SYSTEMTIME t;
    if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &t))
        snprintf(date, dateSize, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    else if (dateSize)
        date[0] = 0;
    return true;
}

std::string HostPathOf(const char* path)
{
    // Wine's own export: present under Wine, absent on Windows.
    typedef char*(__cdecl * UnixName)(const wchar_t*);
    UnixName unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return std::string();
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return std::string();
    int units = MultiByteToWideChar(CP_ACP, 0, full, -1, nullptr, 0);
    if (units <= 0) return std::string();
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, full, -1, wide.data(), units);
    char* name = unixName(wide.data());
    if (!name) return std::string();
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}
