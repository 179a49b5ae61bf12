// Zero-filled allocation, with a countdown that tests use to make it fail.
#include "core/zero_alloc.h"

#include <stdlib.h>

namespace {
long failCountdown = -1;  // negative: never fail
}

void* zeroAlloc(size_t n)
{
    if (failCountdown == 0) return nullptr;
    if (failCountdown > 0) --failCountdown;
    return calloc(1, n ? n : 1);  // a zero-byte request still gets a block of its own
}

void zeroFree(void* block) { free(block); }

void* resizeBlock(void* block, size_t n)
{
    if (failCountdown == 0) return nullptr;
    if (failCountdown > 0) --failCountdown;
    return realloc(block, n ? n : 1);
}

void zeroAllocFailAfter(long countdown) { failCountdown = countdown; }
