// Turning a path as the user's shell gives it into the Windows-style form the core works with.
#pragma once

#include <stddef.h>

// Copies `path` into `out` (size bytes) in core form: every slash turned into a backslash (the
// native layer turns them back at its boundary; Windows takes either). Returns 1, or 0 with
// `out` empty when the result would not fit.
int PathToCoreForm(const char* path, char* out, size_t size);
