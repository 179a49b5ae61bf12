// The one allocator of the core: zero-filled blocks from the ordinary heap.
#pragma once

#include <stddef.h>

// Returns n bytes, every one zero, or null when no memory is available. Release with zeroFree.
void* zeroAlloc(size_t n);
void zeroFree(void* block);

// For tests: the next `countdown` allocations succeed, every later one returns null, until the
// countdown is set again; a negative countdown (the default) never fails.
void zeroAllocFailAfter(long countdown);
