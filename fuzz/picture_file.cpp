// The fuzz targets' scratch file: under TMPDIR, else in memory (/dev/shm) when there is one,
// else /tmp; named after the process. Rewriting a file on a disk costs a flush per input.
#include "fuzz/picture_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {
char nativeName[512];
char coreName[512];

void RemoveScratch() { remove(nativeName); }
}  // namespace

const char* PutScratchFile(const char* extension, const uint8_t* data, size_t size)
{
    if (!nativeName[0]) {
        const char* dir = getenv("TMPDIR");
        if (!dir || !*dir) dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        snprintf(nativeName, sizeof nativeName, "%s/vex-fuzz-%d.%s", dir, int(getpid()), extension);
        for (size_t i = 0; (coreName[i] = nativeName[i] == '/' ? '\\' : nativeName[i]); ++i) {
        }
        atexit(RemoveScratch);
    }
    FILE* f = fopen(nativeName, "wb");
    if (!f) abort();
    if (size && fwrite(data, 1, size, f) != size) abort();
    if (fclose(f) != 0) abort();
    return coreName;
}
