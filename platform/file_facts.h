// What the messages of the command line need to know about a file beyond the Win32 surface:
// the operating system's own words for an error, what kind of file a path names, whether two
// paths name one file, and where a link leads.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "platform/win32.h"

// The system's text for `error`, a GetLastError value, without a final full stop or line
// break: FormatMessageA on Windows; natively strerror of the errno the layer last turned into
// that value ("No such file or directory"), or of the errno closest to it.
void SystemErrorText(DWORD error, char* out, size_t size);

enum FileKind {
    FileAbsent,     // nothing there (or a path that cannot be reached)
    FileRegular,
    FileDirectory,
    FileSpecial,    // a device, a FIFO or a socket
};
// What `path` (core form) names, links followed.
FileKind KindOfFile(const char* path);

// True when both paths exist and name one file, however they are spelt.
bool SameFile(const char* a, const char* b);

// The file a link at `path` leads to (links followed, also a dangling one), in core form into
// `out` (size bytes); any other path is copied unchanged. False when the result does not fit.
bool FinalPathOf(const char* path, char* out, size_t size);

// Size and last change of the file at `path`, the time as local "YYYY-MM-DD HH:MM" into `date`
// (dateSize bytes). False when no file is there.
bool FileStampOf(const char* path, uint64_t* size, char* date, size_t dateSize);

// The Linux path of `path`: natively the file the layer opens, under Wine the prefix's Unix
// name for it; empty on Windows proper, which has none.
std::string HostPathOf(const char* path);
