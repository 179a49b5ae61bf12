// The program's entry and its one window: start-up, single instance, the main window with its
// picture and buttons, the message loop and the shutdown.
#pragma once

#include "platform/win32.h"

// The class that also tells a second start that the program is already running.
extern const char kMainWindowClass[];

// The whole program for module `instance`: returns the exit code (0 also when another instance
// was found or the window could not be made).
int RunVexillor(HINSTANCE instance);

// The window procedure of kMainWindowClass.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
