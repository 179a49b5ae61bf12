// The Help dialog: the program's help text, read-only, with one Close button.
#pragma once

#include <stddef.h>

#include "platform/win32.h"

// Size of the work buffer that receives the expanded help text and its terminating zero.
enum { kHelpBufferSize = 20480 };

// Opens the Help dialog modally over `owner` and returns when it is closed.
void OpenHelpDialog(HWND owner);
// The dialog procedure of template 101.
INT_PTR CALLBACK HelpDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Copies `source` into `destination` with a CR written before every LF, then a zero byte. The
// source ends at its first zero byte or after `sourceLength` bytes. What would not fit in
// `destinationSize` bytes (the zero included) is cut off, never split inside a CR LF pair.
// Returns the number of bytes written before the zero; nothing happens for a null pointer.
size_t ExpandLineBreaks(const char* source, size_t sourceLength, char* destination,
                        size_t destinationSize);
