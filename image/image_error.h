// How the command line's part of image/ says what went wrong: what failed, the file, and the
// system's reason when a call to the system failed.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

struct ImageError {
    char text[200] = "";        // what failed, as the user reads it
    char file[MAX_PATH] = "";   // the file it concerns (core form); empty when none
    DWORD error = ERROR_SUCCESS;  // the system's error, when a call to it failed
    char reason[160] = "";      // the system's words for it
    uint32_t offset = 0;        // in a TEX file: where its layout stopped making sense
};
// The readers' names for it.
typedef ImageError SourceError;
typedef ImageError TexError;

// Sets the text from `format`, leaving the rest; returns 0 for the caller's failure.
int FailImage(ImageError& e, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Records that the system refused `file` with `error` (GetLastError's value): its words too.
void SetSystemError(ImageError& e, const char* file, DWORD error);
