// Paths as the user's shell gives them, in the core's Windows-style form.
#include "platform/native_path.h"

#include <string.h>

int PathToCoreForm(const char* path, char* out, size_t size)
{
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (!path) return 0;
    size_t n = strlen(path);
    if (n >= size) return 0;
    for (size_t i = 0; i <= n; ++i) {
        // Windows takes either separator, but the core splits paths at backslashes only.
        out[i] = path[i] == '/' ? '\\' : path[i];
    }
    return 1;
}
