// Process-wide state of the user interface: the facts that the main window, the banner job, the
// target dialog and the player list hand to one another. One thread touches it.
#pragma once

#include <stdint.h>

#include "platform/win32.h"
#include <commctrl.h>

// The main window: owner of the open-file dialog, the target dialog and every message box.
extern HWND mainWindow;
// The picture of the current banner job and the texture file it was written to.
extern char sourcePath[MAX_PATH];
extern char destinationPath[MAX_PATH];
// Size of the current picture as the banner check reported it; both 0 after a failed check.
extern int32_t bannerWidth;
extern int32_t bannerHeight;
// The race icons of the player list; the list view owns and destroys them.
extern HIMAGELIST playerImageList;
