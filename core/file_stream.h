// A Stream on a Win32 file handle, and the folder creation its opening does for output paths.
#pragma once

#include "core/stream.h"
#include "platform/win32.h"

class FileStream : public Stream {
public:
    // Opens `name` (Windows-style path) in `mode`: reading starts at `offset` and delivers at
    // most `length` bytes (-1: to the end of the file); writing creates missing folders first.
    // Reports nothing: the caller tests isGood().
    FileStream(const char* name, uint32_t mode, int32_t offset = 0, int32_t length = -1);
    // A stream on no file yet, for open.
    FileStream() : handle(INVALID_HANDLE_VALUE) {}
    ~FileStream() override;

    // Opens as the constructor does, a stream made without a file or closed. Returns isGood().
    int open(const char* name, uint32_t mode, int32_t offset, int32_t length);

    // Stream::close, then CloseHandle. Returns 0 if either failed.
    int close() override;

protected:
    uint32_t rawRead(void* destination, uint32_t* count, int32_t position) override;
    uint32_t rawWrite(const void* source, uint32_t* count, int32_t position) override;
    uint32_t rawFlush() override;

    HANDLE handle;
};

// Creates every folder named by `path` before its last backslash, outermost first; failures
// are ignored. Returns 1, 0 when a UNC path has no share part, or -1 when no memory could be
// had for the scratch copy of the path.
int createFolders(const char* path);
