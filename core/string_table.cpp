// The program's module and string lookups.
#include "core/string_table.h"

HINSTANCE appInstance;

int LoadTableString(UINT id, char* buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    int n = LoadStringA(appInstance, id, buffer, size);
    if (n <= 0) buffer[0] = 0;  // a missing entry must never show what the buffer held
    return n > 0 ? n : 0;
}
