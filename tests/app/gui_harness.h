// The player's side of the GUI tests: the program's real windows in this process, found, read
// and pressed from a helper thread while the code under test runs its modal loops on the test's
// main thread.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "core/string_table.h"
#include "resource.h"

inline std::string WindowText(HWND window)
{
    char text[4096] = "";
    return GetWindowTextA(window, text, sizeof text), text;
}
inline std::string ClassOf(HWND window)
{
    char name[256] = "";
    return GetClassNameA(window, name, sizeof name), name;
}
inline HWND Button(HWND parent, const char* text) { return FindWindowExA(parent, nullptr, "Button", text); }
// Posted, so that the player never waits on the modal loop a click opens.
inline void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }
inline void PressCloseBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

// Polls `done` every 20 ms for up to `ms` milliseconds; true once it held.
inline bool Within(DWORD ms, const std::function<bool()>& done)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20))
        if (done()) return true;
    return false;
}

// EnumWindows callback: collects the visible ones of this process. A named CALLBACK function, as
// 32-bit Windows calls it __stdcall, which a lambda cannot be.
inline BOOL CALLBACK CollectOwnWindow(HWND window, LPARAM list)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window)) ((std::vector<HWND>*)list)->push_back(window);
    return TRUE;
}

// Visible top-level windows of this process, the newest first.
inline std::vector<HWND> TopWindows()
{
    std::vector<HWND> found;
    EnumWindows(CollectOwnWindow, (LPARAM)&found);
    return found;
}

// Waits for a top-level window of this class and, when given, this caption ("#32770" for
// dialogs). Null, with a failure naming what was showing instead, when none came.
inline HWND WaitForWindow(const char* className, const char* caption = nullptr)
{
    HWND found = nullptr;
    if (Within(10000, [&] {
            for (HWND window : TopWindows())
                if (ClassOf(window) == className && (!caption || WindowText(window) == caption)) found = window;
            return found != nullptr;
        }))
        return found;
    std::string shown;
    for (HWND window : TopWindows()) shown += " [" + ClassOf(window) + " '" + WindowText(window) + "']";
    ADD_FAILURE() << "expected a window " << className << " '" << (caption ? caption : "") << "', got:" << shown;
    return nullptr;
}
inline HWND WaitForDialog(const std::string& caption) { return WaitForWindow("#32770", caption.c_str()); }
inline bool WaitUntilGone(HWND window) { return Within(10000, [&] { return !IsWindowVisible(window); }); }

inline DWORD uiThread;  // the test's main thread, which runs the code under test
// Esc, sent where the dialog's keyboard focus is.
inline void PressEscape(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = GetGUIThreadInfo(uiThread, &info) && info.hwndFocus ? info.hwndFocus : dialog;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

// Waits for the next message box and presses OK. Returns "caption | text | icon", or "" when none came.
inline std::string NextMessage()
{
    static const struct { LPCSTR id; const char* name; } kIcons[] = {
        {IDI_HAND, "hand"}, {IDI_EXCLAMATION, "exclamation"}, {IDI_ASTERISK, "information"}};
    std::string view;
    Within(10000, [&] {
        for (HWND box : TopWindows()) {
            HWND text = GetDlgItem(box, 0xFFFF);  // the static control that holds the text
            if (ClassOf(box) != "#32770" || !text || _stricmp(ClassOf(text).c_str(), "Static")) continue;
            std::string icon = "none";
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                for (const auto& known : kIcons)
                    if ((HICON)SendMessageA(child, STM_GETICON, 0, 0) == LoadIconA(nullptr, known.id)) icon = known.name;
            view = WindowText(box) + " | " + WindowText(text) + " | " + icon;
            Click(GetDlgItem(box, IDOK));
            return WaitUntilGone(box);
        }
        return false;
    });
    return view;
}

// Selects row `index` of a list view and gives it the focus, as a click would.
inline void SelectListRow(HWND list, int index)
{
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)&item);
}
inline std::string ListText(HWND list, int row, int column)
{
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    return SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item), text;
}

// Runs `code` on this thread while `player` acts on another. When the player is done and `code`
// still waits after a grace period, that is a failure, and whatever is left is cancelled.
inline void RunWithPlayer(const std::function<void()>& code, const std::function<void()>& player)
{
    uiThread = GetCurrentThreadId();
    std::atomic<bool> done(false);
    std::thread helper([&] {
        player();
        if (Within(3000, [&] { return done.load(); })) return;
        ADD_FAILURE() << "expected the program to return once the player was done, it still waited";
        // Dialogs get Cancel and OK in turn, windows are closed; after ten seconds of that, give up.
        for (int attempt = 0; !Within(100, [&] { return done.load(); }); ++attempt) {
            if (attempt == 100) fprintf(stderr, "the code under test does not return: giving up\n"), _Exit(1);
            for (HWND window : TopWindows())
                PostMessageA(window, ClassOf(window) == "#32770" ? WM_COMMAND : WM_CLOSE, attempt % 2 ? IDOK : IDCANCEL, 0);
        }
    });
    code();
    done = true;
    helper.join();
}

// Runs the whole program while `player` acts on its main window, once the window has its last
// button. Returns the program's exit code.
inline int RunProgram(const std::function<void(HWND main)>& player)
{
    int exitCode = -1;
    RunWithPlayer([&] { exitCode = RunVexillor(GetModuleHandleA(nullptr)); }, [&] {
        HWND main = WaitForWindow(kMainWindowClass);
        if (main && Within(10000, [&] { return Button(main, "Exit") != nullptr; })) player(main);
    });
    return exitCode;
}

// Windows can be shown only where DISPLAY names a reachable X server; without one the window
// tests are skipped.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool shown = GetEnvironmentVariableA("DISPLAY", nullptr, 0) &&
            DestroyWindow(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
        if (!shown) GTEST_SKIP() << "no display: the GUI tests need an X server (DISPLAY)";
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        mainWindow = nullptr;
    }
};
