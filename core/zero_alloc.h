// The one allocator of the core: zero-filled blocks from the ordinary heap.
#pragma once

#include <stddef.h>

// Returns n bytes, every one zero, or null when no memory is available. Release with zeroFree.
void* zeroAlloc(size_t n);
void zeroFree(void* block);
// Changes the size of a block from zeroAlloc to n bytes, keeping the bytes it had up to the
// smaller size; where the heap can, a large block grows where it is, its pages remapped rather
// than copied. Bytes past the old size are NOT zero: the caller writes them. Null when no
// memory is available, and the block is then still the caller's.
void* resizeBlock(void* block, size_t n);

// For tests: the next `countdown` allocations succeed, every later one returns null, until the
// countdown is set again; a negative countdown (the default) never fails.
void zeroAllocFailAfter(long countdown);
