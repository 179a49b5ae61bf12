// The main window: background picture, the Create, Help and Exit buttons, the drop target.
#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/app_state.h"
#include "app/banner_job.h"
#include "app/help_dialog.h"
#include "app/palette_bitmap.h"
#include "core/string_table.h"
#include "resource.h"

const char kMainWindowClass[] = "VARDEN880_VEXILLOR";

namespace {
enum { kTextSize = 256 };
const DWORD kMainWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;

HWND createButton;
HWND helpButton;
HWND exitButton;
HICON appIcon;
HCURSOR appCursor;
PaletteBitmap backgroundPicture;

void RegisterMainWindowClass(HINSTANCE instance)
{
    appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    appCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = appIcon;
    windowClass.hCursor = appCursor;
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExA(&windowClass);
}

// The running instance's window, brought to the front; false when there is none.
bool ActivateRunningInstance()
{
    HWND running = FindWindowA(kMainWindowClass, nullptr);
    if (!running) return false;
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}

HWND CreateButton(HWND parent, UINT textId, DWORD style, int left, int top, int width)
{
    char text[kTextSize];
    LoadTableString(textId, text, sizeof text);
    return CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | style, left, top, width, 20,
                           parent, nullptr, appInstance, nullptr);
}

// The window is as large as the picture plus the frame and caption of its style.
HWND CreateMainWindow()
{
    char caption[kTextSize];
    LoadTableString(IDS_MAIN_CAPTION, caption, sizeof caption);
    int width = backgroundPicture.Width() + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    int height = backgroundPicture.Height() + 2 * GetSystemMetrics(SM_CYDLGFRAME) +
                 GetSystemMetrics(SM_CYCAPTION);
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExA(WS_EX_ACCEPTFILES, kMainWindowClass, caption, kMainWindowStyle,
                                  x, y, width, height, nullptr, nullptr, appInstance, nullptr);
    if (!window) return nullptr;
    RECT client;
    GetClientRect(window, &client);
    int top = (client.bottom - client.top - 140) / 2 + client.top + 120;
    int buttonWidth = (client.right - client.left - 40) / 3;
    createButton = CreateButton(window, IDS_CREATE, BS_DEFPUSHBUTTON, client.left + 10, top, buttonWidth);
    helpButton = CreateButton(window, IDS_HELP, BS_PUSHBUTTON, client.left + buttonWidth + 20, top,
                              buttonWidth);
    exitButton = CreateButton(window, IDS_EXIT, BS_PUSHBUTTON, client.left + 2 * buttonWidth + 30,
                              top, buttonWidth);
    return window;
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    backgroundPicture.Paint(dc);
    EndPaint(window, &paint);
}

// Painting again selects and realises the picture's palette again.
void Repaint(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    InvalidateRect(window, &client, FALSE);
    UpdateWindow(window);
}

void OnButton(HWND sender)
{
    if (!sender) return;
    if (sender == createButton)
        ChooseBannerPicture();
    else if (sender == helpButton)
        OpenHelpDialog(mainWindow);
    else if (sender == exitButton)
        PostQuitMessage(0);
}
}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_COMMAND:  // the buttons share id 0: tell them by handle
        OnButton((HWND)lParam);
        return 0;
    case WM_DROPFILES:
        DropBannerPictures((HDROP)wParam);
        return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTEISCHANGING:
        Repaint(window);
        return 1;
    case WM_PALETTECHANGED:
        if ((HWND)wParam != window) Repaint(window);  // our own realisation needs no second paint
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunVexillor(HINSTANCE instance)
{
    // The class icon comes from our own module, so the class is given the instance itself.
    RegisterMainWindowClass(instance);
    appInstance = instance;
    if (ActivateRunningInstance()) return 0;
    // The player list is a common control: its class must exist before the dialog is made.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    backgroundPicture.LoadFromResource(appInstance, IDB_BACKGROUND, 1, 0, 0);
    mainWindow = CreateMainWindow();
    if (!mainWindow) {
        backgroundPicture.Release();
        UnregisterClassA(kMainWindowClass, appInstance);
        return 0;
    }
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) break;  // only a bad argument fails, and looping on it would never end
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    int quitCode = got == 0 ? (int)message.wParam : 0;
    backgroundPicture.Release();
    appIcon = nullptr;
    appCursor = nullptr;
    // Exit leaves the window standing. Destroy it so that the class can go, and take back the
    // quit message its WM_DESTROY posts, so that nothing of this run is left in the queue.
    if (IsWindow(mainWindow)) {
        DestroyWindow(mainWindow);
        PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    mainWindow = nullptr;
    UnregisterClassA(kMainWindowClass, appInstance);
    return quitCode;
}
