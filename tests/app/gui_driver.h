// Driving the program's real windows from a second thread, as a player would: find a window,
// read what it shows, click, type Esc, drop files. The code under test runs on the test's main
// thread (its modal loops serve our messages); the "player" runs beside it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include <shellapi.h>

// True when windows can be shown: DISPLAY names a reachable X server under Wine.
bool DisplayAvailable();
#define REQUIRE_DISPLAY() \
    if (!DisplayAvailable()) GTEST_SKIP() << "no display: the GUI tests need an X server (DISPLAY)"

// A visible top-level window of this process with this class ("#32770" for dialogs and
// message boxes) and, when given, this exact caption; the newest first. Null when none.
HWND FindTopWindow(const char* className, const char* caption = nullptr);
// Every visible top-level window of this process.
std::vector<HWND> TopWindows();
// Waits up to `timeoutMs` for FindTopWindow to find one. Null when it never appeared.
HWND WaitForTopWindow(const char* className, const char* caption = nullptr, int timeoutMs = 10000);
// The running program's main window, once its buttons are there. Null when it never appeared.
HWND WaitForProgram(int timeoutMs = 10000);
// Waits until `window` is gone (or hidden). False on timeout.
bool WaitUntilGone(HWND window, int timeoutMs = 10000);

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// A window's rectangle in its parent's client coordinates (the screen's for a top-level one).
RECT RectInParent(HWND window);

// A click as the button itself would get it, posted so that the clicker never waits on the
// modal loop the click opens.
void Click(HWND button);
// Esc pressed in `dialog`, where its keyboard focus is.
void PressEscape(HWND dialog, DWORD uiThread);
// The caption's close box of `window`.
void PressCloseBox(HWND window);

// What a message box shows.
struct MessageBoxView {
    std::string caption;
    std::string text;
    LPCSTR icon;  // IDI_HAND, IDI_EXCLAMATION, IDI_ASTERISK, or null when none is recognised
};
MessageBoxView ReadMessageBox(HWND box);
// Waits for the next message box (a dialog with an OK button and a text), reads it, presses OK.
// The caption is empty when none appeared.
MessageBoxView AnswerMessageBox(int timeoutMs = 10000);

// The list view's rows as text: column 0 and column 1, and each row's image index.
struct ListRow {
    std::string player;
    std::string race;
    int image;
};
std::vector<ListRow> ReadListRows(HWND list);
std::vector<std::string> ReadListColumns(HWND list, std::vector<int>* widths = nullptr);
// Selects row `index` of a list view (and gives it the focus) as a click would.
void SelectListRow(HWND list, int index);

// A real drop handle for `paths` (DROPFILES, ANSI), as the shell would post it.
HDROP MakeDrop(const std::vector<std::string>& paths);

// Runs `code` on this thread while `player` acts on another; when the player is done (or gave
// up) and `code` is still running, whatever dialog is left is cancelled so that `code` returns.
void RunWithPlayer(const std::function<void()>& code, const std::function<void()>& player);
// The test's main thread, which runs the code under test (for PressEscape).
DWORD UiThread();

// No top-level window of this process appears for `ms` milliseconds apart from `allowed`.
bool NoNewWindowFor(int ms, const std::vector<HWND>& allowed);
