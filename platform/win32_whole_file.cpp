// ReadWholeFile over kernel32.
#include "platform/whole_file.h"

#include <new>

DWORD ReadWholeFile(const char* path, size_t most, std::string& out, WholeFileLimit limit)
{
    out.clear();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD error = ERROR_SUCCESS;
    if (GetFileType(file) != FILE_TYPE_DISK) error = ERROR_ACCESS_DENIED;  // a pipe or device: never waited on
    const size_t step = 64 * 1024;
    size_t got = 0;
    try {
        // One byte past the limit tells a longer file from one of exactly `most` bytes.
        while (error == ERROR_SUCCESS) {
            size_t want = got + step > most + 1 ? most + 1 - got : step;
            if (want == 0) break;
            out.resize(got + want);
            DWORD n = 0;
            if (!ReadFile(file, &out[got], DWORD(want), &n, nullptr)) error = GetLastError();
            else if (n == 0) break;
            got += n;
        }
    } catch (const std::bad_alloc&) {
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    CloseHandle(file);
    if (error == ERROR_SUCCESS && got > most) {
        if (limit == RefuseLonger) error = kErrorFileTooLarge;
        got = most;
    }
    if (error != ERROR_SUCCESS) {
        out.clear();
        SetLastError(error);
        return error;
    }
    out.resize(got);
    return ERROR_SUCCESS;
}

void ReleaseReadPages(void* data, size_t size)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const uintptr_t page = system.dwPageSize;
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1), end = (uintptr_t(data) + size) & ~(page - 1);
    if (page == 0 || end <= begin || end - begin < 4 * page) return;
    // The contents are no longer wanted, and the pages leave the working set (unlocking pages
    // that are not locked does that); both are hints.
    VirtualAlloc(reinterpret_cast<void*>(begin), end - begin, MEM_RESET, PAGE_READWRITE);
    VirtualUnlock(reinterpret_cast<void*>(begin), end - begin);
}
