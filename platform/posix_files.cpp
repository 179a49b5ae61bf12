// The file calls of kernel32 over POSIX: handles, sharing between the handles of this process,
// the read-only rule, folder listing, and the last-error value.
#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "platform/posix_files.h"
#include "platform/posix_path.h"
#include "platform/test_hooks.h"
#include "platform/win32.h"

namespace {

const DWORD kShareWrite = 0x2;  // FILE_SHARE_WRITE: the callers never pass it, sharing honours it

// The errno ErrorFromErrno last turned into an error value, until that value is stored.
thread_local int pendingErrno = 0;

// The last-error value, and the errno behind it when it came from one, so that messages can use
// the system's own words; a value set any other way has none.
struct LastError {
    DWORD value = ERROR_SUCCESS;
    int cause = 0;
    LastError& operator=(DWORD v)
    {
        value = v;
        cause = pendingErrno;
        pendingErrno = 0;
        return *this;
    }
    operator DWORD() const { return value; }
};
thread_local LastError lastError;

int64_t writesLeft = -1;  // PlatformFailWritesAfter; negative: no fault
PlatformPathProbe directoryProbe = nullptr;

struct OpenFile {
    int fd;  // -1 for a memory file
    DWORD access;
    DWORD share;
    dev_t device;
    ino_t inode;
    bool inMemory = false;
    const uint8_t* memory = nullptr;
    size_t memorySize = 0;
    size_t memoryPosition = 0;
};

struct FoundEntry {
    std::string name;
    DWORD attributes;
};

struct Search {
    std::vector<FoundEntry> entries;
    size_t next;
};

// Every live handle, so a stale or foreign one is refused instead of followed.
std::mutex registryLock;
std::set<OpenFile*> openFiles;
std::set<Search*> searches;

BOOL Fail(DWORD error)
{
    lastError = error;
    return FALSE;
}

#ifdef VEX_MEMORY_FILES
// Test builds only: files served from the caller's memory, by exact native path, so a fuzzer
// reaches the readers through CreateFileA without a file per input. Device 0 and a counter
// stand for the file's identity.
struct MemoryFile {
    const uint8_t* data;
    size_t size;
    ino_t inode;
};
std::map<std::string, MemoryFile> memoryFiles;

const MemoryFile* FindMemoryFile(const std::string& path)
{
    auto found = memoryFiles.find(path);
    return found == memoryFiles.end() ? nullptr : &found->second;
}
#endif

// ENOENT means a missing file when the folder holding it exists, else a missing path.
DWORD MissingError(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}

DWORD WindowsErrorOf(int error, const std::string& path)
{
    switch (error) {
    case ENOENT: return MissingError(path);
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_INVALID_PARAMETER;
    }
}

DWORD ErrorFromErrno(int error, const std::string& path)
{
    DWORD value = WindowsErrorOf(error, path);
    pendingErrno = error;
    return value;
}

// stat, with the memory files of test builds in front.
int StatPath(const std::string& path, struct stat* st)
{
#ifdef VEX_MEMORY_FILES
    if (const MemoryFile* m = FindMemoryFile(path)) {
        memset(st, 0, sizeof *st);
        st->st_mode = S_IFREG | 0644;
        st->st_size = off_t(m->size);
        st->st_ino = m->inode;
        return 0;
    }
#endif
    return stat(path.c_str(), st);
}

// Opens without waiting: a FIFO with no writer, or a device, would otherwise hold the open (and
// every read after it) forever. Only a regular file is handed on; anything else is a file that
// cannot be opened. The descriptor keeps O_NONBLOCK, which a regular file ignores: its reads and
// writes wait for the disk all the same. Returns the descriptor, or -1 with lastError set.
int OpenRegular(const std::string& path, int flags, struct stat& st)
{
    int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        // Opening a FIFO for writing without a reader fails with ENXIO: not a file either.
        lastError = errno == ENXIO ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno, path);
        return -1;
    }
    DWORD refusal = ERROR_SUCCESS;
    if (fstat(fd, &st) != 0) refusal = ErrorFromErrno(errno, path);
    else if (S_ISDIR(st.st_mode)) refusal = ErrorFromErrno(EISDIR, path);
    else if (!S_ISREG(st.st_mode)) refusal = ERROR_ACCESS_DENIED;
    if (refusal != ERROR_SUCCESS) {
        close(fd);
        lastError = refusal;
        return -1;
    }
    return fd;
}

// The size of the open file, or -1 with errno set.
off_t FileSizeOf(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? st.st_size : -1;
}

// A path with no write permission bits is read-only for everybody, root included.
bool IsReadOnly(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

DWORD AttributesOf(const struct stat& st)
{
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnly(st)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Any handle of this process on the file. Caller holds registryLock.
bool IsOpenLocked(const struct stat& st)
{
    for (const OpenFile* f : openFiles)
        if (f->device == st.st_dev && f->inode == st.st_ino) return true;
    return false;
}

// Whether a new handle with `access` and `share` may join the handles already on the file:
// each side must share what the other one does. Caller holds registryLock.
bool SharingAllowsLocked(const struct stat& st, DWORD access, DWORD share)
{
    for (const OpenFile* f : openFiles) {
        if (f->device != st.st_dev || f->inode != st.st_ino) continue;
        if ((access & GENERIC_READ) && !(f->share & FILE_SHARE_READ)) return false;
        if ((access & GENERIC_WRITE) && !(f->share & kShareWrite)) return false;
        if ((f->access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
        if ((f->access & GENERIC_WRITE) && !(share & kShareWrite)) return false;
    }
    return true;
}

OpenFile* FileOf(HANDLE handle)
{
    OpenFile* f = static_cast<OpenFile*>(handle);
    std::lock_guard<std::mutex> hold(registryLock);
    return openFiles.count(f) ? f : nullptr;
}

bool MapPath(const char* corePath, std::string& out, bool matchCase = true)
{
    if (CoreToNativePath(corePath, out, matchCase) && !out.empty()) return true;
    lastError = corePath ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER;
    return false;
}

// Windows wildcards on one name: '*' any run, '?' one byte, letters without case.
bool Matches(const char* pattern, const char* name)
{
    for (;; ++pattern, ++name) {
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (Matches(pattern + 1, rest)) return true;
                if (!*rest) return false;
            }
        }
        if (!*pattern) return !*name;
        if (!*name) return false;
        if (*pattern != '?' && tolower((unsigned char)*pattern) != tolower((unsigned char)*name))
            return false;
    }
}

// Registers an open descriptor as a handle; on failure (no memory) the descriptor is closed
// and the exception goes on to the call's own handler.
OpenFile* TrackOpenFile(int fd, DWORD access, DWORD share, const struct stat& st)
{
    try {
        std::unique_ptr<OpenFile> f(new OpenFile{fd, access, share, st.st_dev, st.st_ino});
        openFiles.insert(f.get());
        return f.release();
    } catch (...) {
        close(fd);
        throw;
    }
}

}  // namespace

DWORD ErrorOfCurrentException()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_INVALID_PARAMETER;
    }
}

int PlatformErrnoFor(DWORD error) { return error == lastError.value ? lastError.cause : 0; }

void PlatformFailWritesAfter(int64_t bytes) { writesLeft = bytes; }

#ifdef VEX_MEMORY_FILES
void PlatformSetMemoryFile(const char* nativePath, const void* data, size_t size)
{
    static ino_t nextInode = 1;
    std::lock_guard<std::mutex> hold(registryLock);
    if (!data) {
        memoryFiles.erase(nativePath);
        return;
    }
    MemoryFile& m = memoryFiles[nativePath];
    if (!m.inode) m.inode = nextInode++;
    m.data = static_cast<const uint8_t*>(data);
    m.size = size;
}
#endif

void PlatformOnCreateDirectory(PlatformPathProbe probe) { directoryProbe = probe; }

DWORD GetLastError(void) { return lastError; }

// Setting the value that is there already keeps its cause: callers restore an error that way.
void SetLastError(DWORD error)
{
    if (error != lastError.value) lastError = error;
}

void Sleep(DWORD milliseconds)
{
    struct timespec left = {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// Opening an existing file to read changes nothing on disk, so the checks can follow the open:
// one open and one fstat, where the creating dispositions must look before they truncate.
// Caller holds registryLock.
static HANDLE OpenForReading(const std::string& path, DWORD access, DWORD share)
{
    struct stat st;
#ifdef VEX_MEMORY_FILES
    if (const MemoryFile* m = FindMemoryFile(path)) {
        StatPath(path, &st);
        if (!SharingAllowsLocked(st, access, share)) {
            lastError = ERROR_SHARING_VIOLATION;
            return INVALID_HANDLE_VALUE;
        }
        OpenFile* f = new OpenFile{-1, access, share, st.st_dev, st.st_ino};
        f->inMemory = true;
        f->memory = m->data;
        f->memorySize = m->size;
        openFiles.insert(f);
        lastError = ERROR_SUCCESS;
        return f;
    }
#endif
    int fd = OpenRegular(path, O_RDONLY, st);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    if (!SharingAllowsLocked(st, access, share)) {
        close(fd);
        lastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    OpenFile* f = TrackOpenFile(fd, access, share, st);
    lastError = ERROR_SUCCESS;
    return f;
}

// The name as given first; only when a part of it is missing, the names in another letter
// case that Wine would take (a folder read for each part), so that opening a file that is
// there costs one open and one fstat.
static HANDLE OpenExistingForReading(const char* name, DWORD access, DWORD share)
{
    std::string path;
    if (!MapPath(name, path, false)) return INVALID_HANDLE_VALUE;
    {
        std::lock_guard<std::mutex> hold(registryLock);
        HANDLE opened = OpenForReading(path, access, share);
        if (opened != INVALID_HANDLE_VALUE || (lastError.cause != ENOENT && lastError.cause != ENOTDIR)) return opened;
    }
    const LastError missing = lastError;
    std::string matched;
    if (!MapPath(name, matched) || matched == path) {
        lastError = missing;
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard<std::mutex> hold(registryLock);
    return OpenForReading(matched, access, share);
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void*, DWORD disposition, DWORD,
                   HANDLE) try
{
    if ((access & (GENERIC_READ | GENERIC_WRITE)) == 0 ||
        (disposition != OPEN_EXISTING && disposition != CREATE_ALWAYS && disposition != OPEN_ALWAYS &&
         disposition != CREATE_NEW)) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == OPEN_EXISTING && !(access & GENERIC_WRITE)) return OpenExistingForReading(name, access, share);
    std::string path;
    if (!MapPath(name, path)) return INVALID_HANDLE_VALUE;

    std::lock_guard<std::mutex> hold(registryLock);
    struct stat st;
#ifdef VEX_MEMORY_FILES
    if (FindMemoryFile(path)) {
        lastError = ERROR_ACCESS_DENIED;  // served read-only
        return INVALID_HANDLE_VALUE;
    }
#endif
    bool existed = stat(path.c_str(), &st) == 0;
    if (existed) {
        if (disposition == CREATE_NEW) {
            lastError = ERROR_FILE_EXISTS;
            return INVALID_HANDLE_VALUE;
        }
        // Only a regular file is written: a folder, FIFO, socket or device is refused.
        if (!S_ISREG(st.st_mode)) {
            lastError = S_ISDIR(st.st_mode) ? ErrorFromErrno(EISDIR, path) : ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
        // Checked before opening, so a refused CREATE_ALWAYS truncates nothing.
        if (!SharingAllowsLocked(st, access, share)) {
            lastError = ERROR_SHARING_VIOLATION;
            return INVALID_HANDLE_VALUE;
        }
        if ((access & GENERIC_WRITE) && IsReadOnly(st)) {
            lastError = ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
    } else if (disposition == OPEN_EXISTING) {
        lastError = ErrorFromErrno(errno, path);
        return INVALID_HANDLE_VALUE;
    }

    int flags = 0;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) flags |= O_RDWR;
    else if (access & GENERIC_WRITE) flags |= O_WRONLY;
    else flags |= O_RDONLY;
    if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    if (disposition == OPEN_ALWAYS) flags |= O_CREAT;
    if (disposition == CREATE_NEW) flags |= O_CREAT | O_EXCL;  // another one's file is never taken

    int fd = OpenRegular(path, flags, st);
    if (fd < 0) {
        if (disposition == CREATE_NEW && lastError == ERROR_ALREADY_EXISTS) lastError = ERROR_FILE_EXISTS;
        return INVALID_HANDLE_VALUE;
    }
    OpenFile* f = TrackOpenFile(fd, access, share, st);
    // As on Windows, the creating dispositions say whether the file was there already.
    lastError = existed && disposition != OPEN_EXISTING ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return f;
} catch (...) {
    lastError = ErrorOfCurrentException();
    return INVALID_HANDLE_VALUE;
}

DWORD ReadRegularFile(const std::string& path, size_t most, std::string& out, WholeFileLimit limit) try
{
    out.clear();
    struct stat st;
#ifdef VEX_MEMORY_FILES
    {
        std::lock_guard<std::mutex> hold(registryLock);
        if (const MemoryFile* m = FindMemoryFile(path)) {
            if (m->size > most && limit == RefuseLonger) return kErrorFileTooLarge;
            out.assign(reinterpret_cast<const char*>(m->data), std::min(m->size, most));
            return ERROR_SUCCESS;
        }
    }
#endif
    int fd = OpenRegular(path, O_RDONLY, st);
    if (fd < 0) return lastError;
    std::unique_ptr<int, void (*)(int*)> closing(&fd, [](int* p) { close(*p); });
    if (uint64_t(st.st_size) > most && limit == RefuseLonger) return kErrorFileTooLarge;
    out.resize(size_t(std::min(uint64_t(st.st_size), uint64_t(most))));
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            // The file grew since fstat: a little more room at a time, never past `most`.
            if (out.size() >= most) {
                if (limit == CutLonger) break;
                char probe;
                ssize_t n;
                while ((n = read(fd, &probe, 1)) < 0 && errno == EINTR) {
                }
                if (n < 0) return ErrorFromErrno(errno, path);
                if (n > 0) return kErrorFileTooLarge;
                break;
            }
            out.resize(std::min(most, out.size() + 65536));
        }
        ssize_t n = read(fd, &out[got], out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ErrorFromErrno(errno, path);
        if (n == 0) break;
        got += size_t(n);
    }
    out.resize(got);
    return ERROR_SUCCESS;
} catch (...) {
    out.clear();
    return ErrorOfCurrentException();
}

DWORD ReadWholeFile(const char* path, size_t most, std::string& out, WholeFileLimit limit)
{
    std::string native;
    DWORD error = ERROR_PATH_NOT_FOUND;
    if (MapPath(path, native)) error = ReadRegularFile(native, most, out, limit);
    if (error != ERROR_SUCCESS) out.clear();
    // With the errno behind it, for SystemErrorText; a failed open has stored both already.
    if (error != lastError.value || pendingErrno) lastError = error;
    return error;
}

void ReleaseReadPages(void* data, size_t size)
{
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1), end = (uintptr_t(data) + size) & ~(page - 1);
    if (page == 0 || end <= begin || end - begin < 4 * page) return;
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);  // a hint: its failure changes nothing
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD got, void*)
{
    if (got) *got = 0;
    OpenFile* f = FileOf(file);
    if (!f) return Fail(ERROR_INVALID_HANDLE);
    if (!(f->access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
    if (!buffer && toRead) return Fail(ERROR_INVALID_PARAMETER);

    DWORD total = 0;
    if (f->inMemory) {
        size_t left = f->memoryPosition < f->memorySize ? f->memorySize - f->memoryPosition : 0;
        total = DWORD(std::min<size_t>(toRead, left));
        if (total) memcpy(buffer, f->memory + f->memoryPosition, total);
        f->memoryPosition += total;
        toRead = 0;
    }
    while (total < toRead) {
        ssize_t n = read(f->fd, static_cast<char*>(buffer) + total, toRead - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(ErrorFromErrno(errno, ""));
        if (n == 0) break;  // end of file: success with fewer bytes
        total += DWORD(n);
    }
    if (got) *got = total;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void*)
{
    if (written) *written = 0;
    OpenFile* f = FileOf(file);
    if (!f) return Fail(ERROR_INVALID_HANDLE);
    if (!(f->access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
    if (!buffer && toWrite) return Fail(ERROR_INVALID_PARAMETER);
    DWORD allowed = toWrite;
    if (writesLeft >= 0 && int64_t(allowed) > writesLeft) allowed = DWORD(writesLeft);
    DWORD total = 0;
    while (total < allowed) {
        ssize_t n = write(f->fd, static_cast<const char*>(buffer) + total, allowed - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (written) *written = total;
            return Fail(ErrorFromErrno(errno, ""));
        }
        total += DWORD(n);
    }
    if (writesLeft >= 0) writesLeft -= total;
    if (written) *written = total;
    if (total < toWrite) return Fail(ERROR_DISK_FULL);
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method)
{
    OpenFile* f = FileOf(file);
    if (!f) {
        lastError = ERROR_INVALID_HANDLE;
        return INVALID_SET_FILE_POINTER;
    }
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR
               : method == FILE_END   ? SEEK_END : -1;
    if (whence < 0) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value and the result must fit in 32
    // bits; with one, the two halves make a signed 64-bit distance.
    int64_t move = distanceHigh ? int64_t((uint64_t(uint32_t(*distanceHigh)) << 32) | uint32_t(distance))
                                : int64_t(distance);
    // One system call for the usual moves (to an offset, to the end, asking where it is); a
    // relative move looks its base up without moving, so that a refused one moves nothing.
    int64_t target = move;
    bool moved = false;
    if (f->inMemory) {
        target += int64_t(whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->memoryPosition : f->memorySize);
    } else if (whence != SEEK_SET) {
        off_t base = move == 0 ? lseek(f->fd, 0, whence) : whence == SEEK_CUR ? lseek(f->fd, 0, SEEK_CUR)
                                                                               : FileSizeOf(f->fd);
        if (base < 0) {
            lastError = ErrorFromErrno(errno, "");
            return INVALID_SET_FILE_POINTER;
        }
        target += int64_t(base);
        moved = move == 0;
    }
    if (target < 0 || (!distanceHigh && target > int64_t(0xFFFFFFFEu))) {
        lastError = ERROR_INVALID_PARAMETER;  // Windows: a negative seek, or beyond 32 bits
        return INVALID_SET_FILE_POINTER;
    }
    if (f->inMemory) f->memoryPosition = size_t(target);
    else if (!moved && lseek(f->fd, off_t(target), SEEK_SET) < 0) {
        lastError = ErrorFromErrno(errno, "");
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = LONG(uint64_t(target) >> 32);
    if (DWORD(target) == INVALID_SET_FILE_POINTER) lastError = ERROR_SUCCESS;  // not an error
    return DWORD(target);
}

BOOL FlushFileBuffers(HANDLE file)
{
    OpenFile* f = FileOf(file);
    if (!f) return Fail(ERROR_INVALID_HANDLE);
    if (!(f->access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
    if (fsync(f->fd) != 0) return Fail(ErrorFromErrno(errno, ""));
    return TRUE;
}

BOOL CloseHandle(HANDLE object)
{
    OpenFile* f = static_cast<OpenFile*>(object);
    {
        std::lock_guard<std::mutex> hold(registryLock);
        if (!openFiles.erase(f)) return Fail(ERROR_INVALID_HANDLE);
    }
    int result = f->fd >= 0 ? close(f->fd) : 0;
    delete f;
    if (result != 0 && errno != EINTR) return Fail(ErrorFromErrno(errno, ""));
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR path, void*) try
{
    if (directoryProbe) directoryProbe(path);
    // A drive is not a folder to make: "D:" would otherwise become a new drive link of the
    // Wine prefix. Windows refuses it the same way.
    if (path && path[0] && path[1] == ':' && (!path[2] || (path[2] == '\\' && !path[3])))
        return Fail(ERROR_ACCESS_DENIED);
    std::string native;
    if (!MapPath(path, native)) return FALSE;
    if (mkdir(native.c_str(), 0777) != 0) return Fail(ErrorFromErrno(errno, native));
    return TRUE;
} catch (...) {
    return Fail(ErrorOfCurrentException());
}

BOOL DeleteFileA(LPCSTR name) try
{
    std::string path;
    if (!MapPath(name, path)) return FALSE;
    std::lock_guard<std::mutex> hold(registryLock);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, path));
    if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return Fail(ERROR_ACCESS_DENIED);
    if (IsOpenLocked(st)) return Fail(ERROR_SHARING_VIOLATION);  // no handle shares deletion
    if (unlink(path.c_str()) != 0) return Fail(ErrorFromErrno(errno, path));
    return TRUE;
} catch (...) {
    return Fail(ErrorOfCurrentException());
}

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags) try
{
    std::string source, target;
    if (!MapPath(from, source) || !MapPath(to, target)) return FALSE;
    std::lock_guard<std::mutex> hold(registryLock);
    struct stat st;
    if (stat(source.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, source));
    if (!S_ISREG(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);  // files only: the callers move nothing else
    if (IsOpenLocked(st)) return Fail(ERROR_SHARING_VIOLATION);
    struct stat existing;
    if (stat(target.c_str(), &existing) == 0) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
        // A FIFO, socket or device in the way is not replaced either.
        if (!S_ISREG(existing.st_mode) || IsReadOnly(existing)) return Fail(ERROR_ACCESS_DENIED);
        if (IsOpenLocked(existing)) return Fail(ERROR_SHARING_VIOLATION);
    }
    if (rename(source.c_str(), target.c_str()) != 0) return Fail(ErrorFromErrno(errno, target));
    if (flags & MOVEFILE_WRITE_THROUGH) {
        // The data, then the folder entry that now names it.
        int fd = open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
        size_t slash = target.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
        fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
    return TRUE;
} catch (...) {
    return Fail(ErrorOfCurrentException());
}

DWORD GetFileAttributesA(LPCSTR name) try
{
    std::string path;
    if (!MapPath(name, path)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (StatPath(path, &st) != 0) {
        lastError = ErrorFromErrno(errno, path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(st);
} catch (...) {
    lastError = ErrorOfCurrentException();
    return INVALID_FILE_ATTRIBUTES;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) try
{
    if (!pattern || !data) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    const char* cut = strrchr(pattern, '\\');
    std::string folderCore = cut ? std::string(pattern, cut - pattern) : std::string();
    const char* namePattern = cut ? cut + 1 : pattern;
    bool wildcard = strpbrk(namePattern, "*?") != nullptr;

    std::unique_ptr<Search> owned(new Search{{}, 0});
    Search* search = owned.get();
    if (!wildcard) {
        std::string path;
        if (!MapPath(pattern, path)) return INVALID_HANDLE_VALUE;
        struct stat st;
        if (!*namePattern || StatPath(path, &st) != 0) {
            lastError = *namePattern ? ErrorFromErrno(errno, path) : ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
        search->entries.push_back({namePattern, AttributesOf(st)});
    } else {
        std::string folder;
        if (folderCore.empty() && cut) folder = "/";  // "\*.*": the root
        else if (folderCore.empty()) folder = ".";
        else if (!MapPath(folderCore.c_str(), folder)) return INVALID_HANDLE_VALUE;
        DIR* dir = opendir(folder.c_str());
        if (!dir) {
            int cause = errno;
            DWORD code = ErrorFromErrno(cause, folder);
            lastError = cause == ENOENT || cause == ENOTDIR ? ERROR_PATH_NOT_FOUND : code;
            return INVALID_HANDLE_VALUE;
        }
        // "*.*" matches every name, with or without a dot, as on Windows.
        bool all = strcmp(namePattern, "*") == 0 || strcmp(namePattern, "*.*") == 0;
        // The listing is closed whatever happens while it is read.
        std::unique_ptr<DIR, int (*)(DIR*)> listing(dir, closedir);
        while (struct dirent* entry = readdir(dir)) {
            if (strlen(entry->d_name) >= MAX_PATH) continue;  // cannot be handed out
            if (!all && !Matches(namePattern, entry->d_name)) continue;
            // A folder says what it is; anything else (and a link) is looked at for its
            // read-only state and its target.
            DWORD attributes = FILE_ATTRIBUTE_DIRECTORY;
            struct stat st;
            if (entry->d_type != DT_DIR) {
                std::string full = folder + "/" + entry->d_name;
                attributes = stat(full.c_str(), &st) == 0 ? AttributesOf(st) : FILE_ATTRIBUTE_NORMAL;
            }
            search->entries.push_back({entry->d_name, attributes});
        }
        listing.reset();
        // A stable order: "." and ".." first, then by bytes.
        std::sort(search->entries.begin(), search->entries.end(),
                  [](const FoundEntry& a, const FoundEntry& b) {
                      int ra = a.name == "." ? 0 : a.name == ".." ? 1 : 2;
                      int rb = b.name == "." ? 0 : b.name == ".." ? 1 : 2;
                      return ra != rb ? ra < rb : a.name < b.name;
                  });
        if (search->entries.empty()) {
            lastError = ERROR_FILE_NOT_FOUND;
            return INVALID_HANDLE_VALUE;
        }
    }
    {
        std::lock_guard<std::mutex> hold(registryLock);
        searches.insert(search);
    }
    owned.release();
    FindNextFileA(search, data);
    lastError = ERROR_SUCCESS;
    return search;
} catch (...) {
    lastError = ErrorOfCurrentException();
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data)
{
    Search* search = static_cast<Search*>(handle);
    {
        std::lock_guard<std::mutex> hold(registryLock);
        if (!searches.count(search)) return Fail(ERROR_INVALID_HANDLE);
    }
    if (!data) return Fail(ERROR_INVALID_PARAMETER);
    if (search->next >= search->entries.size()) return Fail(ERROR_NO_MORE_FILES);
    const FoundEntry& entry = search->entries[search->next++];
    memset(data, 0, sizeof *data);
    data->dwFileAttributes = entry.attributes;
    memcpy(data->cFileName, entry.name.c_str(), entry.name.size() + 1);
    return TRUE;
}

BOOL FindClose(HANDLE handle)
{
    Search* search = static_cast<Search*>(handle);
    {
        std::lock_guard<std::mutex> hold(registryLock);
        if (!searches.erase(search)) return Fail(ERROR_INVALID_HANDLE);
    }
    delete search;
    return TRUE;
}
