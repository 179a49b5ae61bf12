// The banner target dialog: which player's banner the picture replaces, and which kind.
#pragma once

#include <stddef.h>

#include "platform/win32.h"

// Longest caption the dialog shows, in characters; the caption buffer holds one byte more.
enum { kCaptionLength = 255 };

// The dialog procedure of template 106. Ends with IDR_CONVERTED, IDR_CONVERSION_FAILED or
// IDCANCEL; reads sourcePath and bannerWidth, fills the player list, writes destinationPath.
INT_PTR CALLBACK BannerTargetDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// `format` (one %s) formatted with `name` into `caption` (kCaptionLength + 1 bytes). A name that
// would make the caption longer is cut at a character boundary and ends in "...".
void FormatCaption(char* caption, const char* format, const char* name);
