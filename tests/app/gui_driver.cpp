// The player's side of the GUI tests: finding, reading and pressing the program's windows.
#include "tests/app/gui_driver.h"

#include <string.h>

#include <atomic>
#include <thread>

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

namespace {
DWORD uiThread;

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window))
        ((std::vector<HWND>*)found)->push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM found)
{
    ((std::vector<HWND>*)found)->push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectChild, (LPARAM)&found);
    return found;
}

bool IsMessageBox(HWND window)
{
    HWND text = GetDlgItem(window, 0xFFFF);
    return ClassOf(window) == "#32770" && text && _stricmp(ClassOf(text).c_str(), "Static") == 0;
}

// Ends whatever the code under test still waits on: dialogs are cancelled, windows closed.
void CancelLeftovers()
{
    for (HWND window : TopWindows()) {
        if (ClassOf(window) == "#32770")
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        else
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
}
}  // namespace

bool DisplayAvailable()
{
    static int known = -1;
    if (known < 0) {
        char display[256];
        known = 0;
        if (GetEnvironmentVariableA("DISPLAY", display, sizeof display) > 0) {
            HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                         GetModuleHandleA(nullptr), nullptr);
            if (probe) {
                DestroyWindow(probe);
                known = 1;
            }
        }
    }
    return known == 1;
}

std::vector<HWND> TopWindows()
{
    std::vector<HWND> found;
    EnumWindows(CollectTopWindow, (LPARAM)&found);
    return found;
}

std::string WindowText(HWND window)
{
    char text[4096];
    text[0] = 0;
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[256];
    name[0] = 0;
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT RectInParent(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    HWND parent = GetParent(window);
    if (parent && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) MapWindowPoints(nullptr, parent, (POINT*)&r, 2);
    return r;
}

HWND FindTopWindow(const char* className, const char* caption)
{
    for (HWND window : TopWindows()) {
        if (_stricmp(ClassOf(window).c_str(), className) != 0) continue;
        if (caption && WindowText(window) != caption) continue;
        return window;
    }
    return nullptr;
}

HWND WaitForTopWindow(const char* className, const char* caption, int timeoutMs)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < (DWORD)timeoutMs; Sleep(20)) {
        if (HWND window = FindTopWindow(className, caption)) return window;
    }
    std::string shown;
    for (HWND window : TopWindows()) shown += " [" + ClassOf(window) + " '" + WindowText(window) + "']";
    ADD_FAILURE() << "no window of class " << className << (caption ? std::string(" captioned '") + caption + "'" : "")
                  << " appeared; showing:" << shown;
    return nullptr;
}

HWND WaitForProgram(int timeoutMs)
{
    HWND main = WaitForTopWindow("VARDEN880_VEXILLOR", nullptr, timeoutMs);
    for (DWORD start = GetTickCount(); main && GetTickCount() - start < (DWORD)timeoutMs; Sleep(20)) {
        if (FindWindowExA(main, nullptr, "Button", "Exit")) return main;  // the last button made
    }
    if (main) ADD_FAILURE() << "the main window never got its buttons";
    return nullptr;
}

bool WaitUntilGone(HWND window, int timeoutMs)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < (DWORD)timeoutMs; Sleep(20)) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
    }
    return false;
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PressEscape(HWND dialog, DWORD thread)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void PressCloseBox(HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

MessageBoxView ReadMessageBox(HWND box)
{
    MessageBoxView view = {WindowText(box), "", nullptr};
    static const LPCSTR kIcons[] = {IDI_HAND, IDI_EXCLAMATION, IDI_ASTERISK, IDI_QUESTION};
    for (HWND child : Children(box)) {
        if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            HICON shown = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
            for (LPCSTR icon : kIcons)
                if (shown && shown == LoadIconA(nullptr, icon)) view.icon = icon;
        } else if (GetDlgCtrlID(child) == 0xFFFF) {
            view.text = WindowText(child);
        }
    }
    return view;
}

MessageBoxView AnswerMessageBox(int timeoutMs)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < (DWORD)timeoutMs; Sleep(20)) {
        for (HWND window : TopWindows()) {
            if (!IsMessageBox(window)) continue;
            MessageBoxView view = ReadMessageBox(window);
            HWND ok = GetDlgItem(window, IDOK);
            if (ok)
                Click(ok);
            else
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            WaitUntilGone(window);
            return view;
        }
    }
    return MessageBoxView{"", "", nullptr};
}

std::vector<ListRow> ReadListRows(HWND list)
{
    std::vector<ListRow> rows;
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char player[512] = "", race[512] = "";
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = player;
        item.cchTextMax = sizeof player;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        LVITEMA sub = {};
        sub.iSubItem = 1;
        sub.pszText = race;
        sub.cchTextMax = sizeof race;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&sub);
        rows.push_back({player, race, item.iImage});
    }
    return rows;
}

std::vector<std::string> ReadListColumns(HWND list, std::vector<int>* widths)
{
    std::vector<std::string> names;
    HWND header = (HWND)SendMessageA(list, LVM_GETHEADER, 0, 0);
    int count = (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETCOLUMNA, i, (LPARAM)&column);
        names.push_back(text);
        if (widths) widths->push_back(column.cx);
    }
    return names;
}

void SelectListRow(HWND list, int index)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)&item);
}

HDROP MakeDrop(const std::vector<std::string>& paths)
{
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) size += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    char* bytes = (char*)GlobalLock(memory);
    DROPFILES* header = (DROPFILES*)bytes;
    header->pFiles = sizeof(DROPFILES);
    header->pt.x = 150;
    header->pt.y = 60;
    header->fNC = FALSE;
    header->fWide = FALSE;
    char* out = bytes + sizeof(DROPFILES);
    for (const std::string& p : paths) {
        memcpy(out, p.c_str(), p.size() + 1);
        out += p.size() + 1;
    }
    GlobalUnlock(memory);
    return (HDROP)memory;
}

DWORD UiThread() { return uiThread; }

void RunWithPlayer(const std::function<void()>& code, const std::function<void()>& player)
{
    uiThread = GetCurrentThreadId();
    std::atomic<bool> done(false);
    std::thread helper([&] {
        player();
        // The player is through; what the code still shows after a grace period is left over.
        DWORD start = GetTickCount();
        bool reported = false;
        while (!done) {
            if (GetTickCount() - start > 3000) {
                if (!reported) ADD_FAILURE() << "the program still waited after the player was done";
                reported = true;
                CancelLeftovers();
            }
            Sleep(50);
        }
    });
    code();
    done = true;
    helper.join();
}

bool NoNewWindowFor(int ms, const std::vector<HWND>& allowed)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < (DWORD)ms; Sleep(20)) {
        for (HWND window : TopWindows()) {
            bool known = false;
            for (HWND a : allowed) known = known || a == window;
            if (!known) return false;
        }
    }
    return true;
}
