// FileStream: a Stream on a Win32 file (opening, raw transfers with the text translation), and
// the folder creation that opening an output path does.
#include "core/file_stream.h"

#include <string.h>

#include "core/zero_alloc.h"

namespace {

const uint8_t CR = 0x0D;
const uint8_t LF = 0x0A;

// WriteFile until all `n` bytes are taken. A call that takes nothing counts as a failure, so a
// device that keeps refusing cannot hold the loop.
bool WriteAll(HANDLE handle, const uint8_t* p, uint32_t n)
{
    while (n > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, p, n, &written, nullptr) || written == 0 || written > n) return false;
        p += written;
        n -= written;
    }
    return true;
}

}  // namespace

FileStream::FileStream(const char* name, uint32_t mode, int32_t offset, int32_t length)
    : handle(INVALID_HANDLE_VALUE)
{
    open(name, mode, offset, length);
}

FileStream::~FileStream() { close(); }

int FileStream::open(const char* name, uint32_t newMode, int32_t offset, int32_t length)
{
    if (!begin(newMode, offset, length)) return 0;
    if (!name) {
        status = StreamFailed;
        return 0;
    }
    bool writing = (newMode & ModeWrite) != 0;
    // Folders that cannot be made show up as a failing CreateFileA; only a path that could not
    // even be copied stops the stream here.
    if (writing && createFolders(name) < 0) {
        status = StreamFailed;
        return 0;
    }
    DWORD access = writing ? GENERIC_WRITE : GENERIC_READ;
    DWORD share = writing ? 0 : FILE_SHARE_READ;
    DWORD disposition = !writing                         ? OPEN_EXISTING
                        : (newMode & ModeCreateNew)      ? CREATE_NEW
                        : (newMode & ModeKeepExisting)   ? OPEN_ALWAYS
                                                         : CREATE_ALWAYS;
    handle = CreateFileA(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        status = StreamFailed;
        return 0;
    }
    DWORD end = SetFilePointer(handle, 0, nullptr, FILE_END);
    // Sizes are signed 32-bit: a file of 2 GB or more is refused rather than misread.
    if (end == INVALID_SET_FILE_POINTER || int32_t(end) < 0 ||
        SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        status = StreamFailed;
        return 0;
    }
    int32_t size = int32_t(end);
    if (offset < 0 || offset > size) {
        status = StreamFailed;
        return 0;
    }
    if (length < 0 || size - offset < length) limit = size - offset;
    if (!writing && offset != 0 &&
        SetFilePointer(handle, offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        status = StreamFailed;
        return 0;
    }
    if (!writing && !(newMode & ModeNoHeaderProbe)) probeHeader();
    return isGood() ? 1 : 0;
}

int FileStream::close()
{
    int result = Stream::close();
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        result = 0;
    } else if (!CloseHandle(handle)) {
        result = 0;
    }
    handle = INVALID_HANDLE_VALUE;
    return result;
}

uint32_t FileStream::rawRead(void* destination, uint32_t* count, int32_t position)
{
    uint8_t* data = static_cast<uint8_t*>(destination);
    uint32_t wanted = *count;
    *count = 0;
    if (position >= 0 && SetFilePointer(handle, position, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return StreamFailed;
    DWORD got = 0;
    if (!ReadFile(handle, data, wanted, &got, nullptr) || got > wanted) return StreamFailed;
    if ((mode & ModeText) && got > 0) {
        bool endsInCr = data[got - 1] == CR;
        // CR LF becomes LF, in one pass over the chunk.
        uint32_t out = 0;
        for (uint32_t i = 0; i < got; ++i) {
            if (data[i] == CR && i + 1 < got && data[i + 1] == LF) {
                data[out++] = LF;
                ++i;
            } else {
                data[out++] = data[i];
            }
        }
        // A CR at the end of the chunk may have its LF in the next one: look one byte ahead.
        got = out;
        if (endsInCr) {
            DWORD here = SetFilePointer(handle, 0, nullptr, FILE_CURRENT);
            if (here == INVALID_SET_FILE_POINTER) return StreamFailed;
            uint8_t next = 0;
            DWORD one = 0;
            if (!ReadFile(handle, &next, 1, &one, nullptr)) return StreamFailed;
            if (one == 1 && next == LF) {
                data[got - 1] = LF;
            } else if (one == 1 &&
                       SetFilePointer(handle, LONG(here), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
                return StreamFailed;
            }
        }
    }
    *count = got;
    return got == 0 ? StreamEnd : StreamOk;
}

uint32_t FileStream::rawWrite(const void* source, uint32_t* count, int32_t position)
{
    const uint8_t* data = static_cast<const uint8_t*>(source);
    uint32_t offered = *count;
    *count = 0;
    if (position >= 0 && SetFilePointer(handle, position, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return StreamFailed;
    if (!(mode & ModeText)) {
        DWORD written = 0;
        if (!WriteFile(handle, data, offered, &written, nullptr) || written > offered) return StreamFailed;
        *count = written;
        return written != 0 ? StreamOk : StreamFailed;
    }
    // LF becomes CR LF; every byte offered is written before the count is reported.
    static const uint8_t lineEnd[2] = {CR, LF};
    const uint8_t* p = data;
    const uint8_t* end = data + offered;
    while (p < end) {
        const uint8_t* lf = static_cast<const uint8_t*>(memchr(p, LF, size_t(end - p)));
        const uint8_t* stop = lf ? lf : end;
        if (!WriteAll(handle, p, uint32_t(stop - p))) return StreamFailed;
        if (!lf) break;
        if (!WriteAll(handle, lineEnd, 2)) return StreamFailed;
        p = lf + 1;
    }
    *count = offered;
    return offered != 0 ? StreamOk : StreamFailed;
}

uint32_t FileStream::rawFlush() { return FlushFileBuffers(handle) ? StreamOk : StreamFailed; }

int createFolders(const char* path)
{
    if (!path) return 0;
    size_t length = strlen(path);
    size_t start = 0;
    if (path[0] == '\\' && path[1] == '\\') {
        // \\server\share\...: the server and the share are never created.
        const char* serverEnd = strchr(path + 2, '\\');
        if (!serverEnd) return 0;
        const char* shareEnd = strchr(serverEnd + 1, '\\');
        if (!shareEnd) return 0;
        start = size_t(shareEnd + 1 - path);
    }
    char* scratch = static_cast<char*>(zeroAlloc(length + 1));
    if (!scratch) return -1;
    memcpy(scratch, path, length + 1);
    // Outermost first, so each folder's parent is in place; failures (it exists, a drive, an
    // empty prefix, no access) are ignored.
    for (size_t i = start; i < length; ++i) {
        if (path[i] != '\\') continue;
        scratch[i] = 0;
        if (!CreateDirectoryA(scratch, nullptr)) (void)GetLastError();
        scratch[i] = '\\';
    }
    zeroFree(scratch);
    return 1;
}
