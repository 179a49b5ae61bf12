// The program's module and its string table, as every part of the program reaches them.
#pragma once

#include "platform/win32.h"

// The module that carries the resources: the program's own instance. Natively the string
// table is compiled in and this handle is not looked at.
extern HINSTANCE appInstance;

// Loads string `id` into `buffer` (size bytes, at least 1). A missing entry gives "", never
// garbage. Returns the number of characters copied.
int LoadTableString(UINT id, char* buffer, int size);
