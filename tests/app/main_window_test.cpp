// The main window as the player sees it: size, caption, the three buttons and where they stand,
// Exit and the close box, a second start of the real program, Help, and the palette messages.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/main_window.h"
#include "core/string_table.h"
#include "resource.h"
#include "tests/app/gui_driver.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_DISPLAY(); }
    // Runs the program on this thread while `player` acts on its window; returns the exit code.
    int Run(const std::function<void(HWND main)>& player)
    {
        int exitCode = -1;
        RunWithPlayer([&] { exitCode = RunVexillor(GetModuleHandleA(nullptr)); },
                      [&] {
                          HWND main = WaitForProgram();
                          if (main) player(main);
                      });
        return exitCode;
    }
};

struct ButtonView {
    std::string text;
    RECT rect;
    LONG style;
    int id;
};

std::vector<ButtonView> Buttons(HWND main)
{
    std::vector<ButtonView> buttons;
    for (HWND b = GetWindow(main, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT))
        buttons.push_back({WindowText(b), RectInParent(b), GetWindowLongA(b, GWL_STYLE), GetDlgCtrlID(b)});
    return buttons;
}

HWND ButtonNamed(HWND main, const char* text) { return FindWindowExA(main, nullptr, "Button", text); }

TEST_F(MainWindowTest, ThePictureFillsTheClientAreaWithThreeButtonsBelow)
{
    std::string caption;
    RECT client = {}, frame = {};
    LONG style = 0, exStyle = 0;
    std::vector<ButtonView> buttons;
    int exitCode = Run([&](HWND main) {
        caption = WindowText(main);
        GetClientRect(main, &client);
        GetWindowRect(main, &frame);
        style = GetWindowLongA(main, GWL_STYLE);
        exStyle = GetWindowLongA(main, GWL_EXSTYLE);
        buttons = Buttons(main);
        Click(ButtonNamed(main, "Exit"));
    });
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ("Quillmere - Vexillor", caption);
    EXPECT_EQ(300, client.right - client.left);
    EXPECT_EQ(170, client.bottom - client.top);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - width) / 2, frame.left) << "centred on the screen";
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - height) / 2, frame.top);
    EXPECT_EQ(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE,
              style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VISIBLE));
    EXPECT_TRUE(exStyle & WS_EX_ACCEPTFILES);
    const struct {
        const char* text;
        int left;
        LONG kind;
    } kExpected[3] = {{"Create", 10, BS_DEFPUSHBUTTON}, {"Help", 106, BS_PUSHBUTTON}, {"Exit", 202, BS_PUSHBUTTON}};
    ASSERT_EQ(3u, buttons.size());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(kExpected[i].text);
        EXPECT_EQ(kExpected[i].text, buttons[i].text);
        EXPECT_EQ(kExpected[i].left, buttons[i].rect.left);
        EXPECT_EQ(135, buttons[i].rect.top);
        EXPECT_EQ(86, buttons[i].rect.right - buttons[i].rect.left);
        EXPECT_EQ(20, buttons[i].rect.bottom - buttons[i].rect.top);
        EXPECT_EQ(kExpected[i].kind, buttons[i].style & BS_TYPEMASK);
        EXPECT_FALSE(buttons[i].style & WS_TABSTOP);
        EXPECT_EQ(0, buttons[i].id);
    }
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), kMainWindowClass, &info))
        << "the class is unregistered at shutdown";
    EXPECT_EQ(nullptr, FindWindowA(kMainWindowClass, nullptr));
}

TEST_F(MainWindowTest, TheCloseBoxEndsTheProgramToo)
{
    bool gone = false;
    int exitCode = Run([&](HWND main) {
        PressCloseBox(main);
        gone = WaitUntilGone(main, 5000);
    });
    EXPECT_TRUE(gone);
    EXPECT_EQ(0, exitCode);
}

// The real vexillor.exe beside this suite, as Windows names it.
std::string ProgramPath()
{
    std::string path = VEX_PROGRAM_PATH;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the Unix root
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

TEST_F(MainWindowTest, ASecondStartBringsTheFirstWindowBackAndEnds)
{
    DWORD secondExit = 99;
    bool secondEnded = false, wasIconic = false, restored = false;
    HWND foreground = nullptr, first = nullptr;
    int windows = 0;
    int exitCode = Run([&](HWND main) {
        first = main;
        ShowWindow(main, SW_MINIMIZE);
        wasIconic = IsIconic(main);
        std::string command = "\"" + ProgramPath() + "\" ignored command line";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            secondEnded = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
            GetExitCodeProcess(process.hProcess, &secondExit);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        for (int i = 0; i < 50 && IsIconic(main); ++i) Sleep(20);
        restored = !IsIconic(main);
        foreground = GetForegroundWindow();
        for (HWND w = FindWindowA(kMainWindowClass, nullptr); w; w = FindWindowExA(nullptr, w, kMainWindowClass, nullptr))
            ++windows;
        PressCloseBox(main);
    });
    EXPECT_EQ(0, exitCode);
    EXPECT_TRUE(wasIconic);
    ASSERT_TRUE(secondEnded) << "the second start did not end: " << ProgramPath();
    EXPECT_EQ(0u, secondExit);
    EXPECT_TRUE(restored) << "the running window was left minimised";
    EXPECT_EQ(first, foreground);
    EXPECT_EQ(1, windows) << "the second start made a window of its own";
}

TEST_F(MainWindowTest, HelpOpensTheHelpDialogOverTheWindow)
{
    HWND owner = nullptr, main = nullptr;
    bool mainEnabled = true;
    std::string text;
    int exitCode = Run([&](HWND m) {
        main = m;
        Click(ButtonNamed(m, "Help"));
        HWND help = WaitForTopWindow("#32770", "Help");
        if (!help) return;
        owner = GetWindow(help, GW_OWNER);
        mainEnabled = IsWindowEnabled(m);
        text = WindowText(GetDlgItem(help, IDC_HELP_TEXT));
        PressEscape(help, UiThread());
        WaitUntilGone(help);
        Click(ButtonNamed(m, "Exit"));
    });
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(main, owner);
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(0u, text.find("Vexillor ver. 1.1\r\r\n"));
}

// The colour the background picture has at (x, y), from the resource itself.
COLORREF PictureColour(int x, int y)
{
    HBITMAP picture = (HBITMAP)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP,
                                          0, 0, LR_CREATEDIBSECTION);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(picture);
    return c;
}

struct PaletteCase {
    const char* name;
    UINT message;
    bool fromItself;  // WM_PALETTECHANGED's wParam is the main window
    bool repaints;
};

TEST_F(MainWindowTest, PaletteMessagesRepaintUnlessTheWindowCausedThem)
{
    const PaletteCase kCases[] = {
        {"palette changed by another window", WM_PALETTECHANGED, false, true},
        {"palette changed by the window itself", WM_PALETTECHANGED, true, false},
        {"new palette wanted", WM_QUERYNEWPALETTE, false, true},
        {"palette about to change", WM_PALETTEISCHANGING, false, true},
    };
    const int x = 70, y = 40;  // on the banner in the picture
    COLORREF expected = PictureColour(x, y);
    ASSERT_NE(RGB(0, 0, 0), expected);
    for (const PaletteCase& c : kCases) {
        SCOPED_TRACE(c.name);
        COLORREF before = 0, after = 0;
        LRESULT result = 0;
        int exitCode = Run([&](HWND main) {
            UpdateWindow(main);
            // Paint over the picture behind the window's back: only a repaint brings it back.
            HDC dc = GetDC(main);
            RECT all = {0, 0, 300, 120};
            FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
            GdiFlush();
            before = GetPixel(dc, x, y);
            WPARAM cause = c.fromItself ? (WPARAM)main : (WPARAM)GetDesktopWindow();
            result = SendMessageA(main, c.message, cause, 0);
            after = GetPixel(dc, x, y);
            ReleaseDC(main, dc);
            Click(ButtonNamed(main, "Exit"));
        });
        EXPECT_EQ(0, exitCode);
        EXPECT_EQ(RGB(0, 0, 0), before);
        EXPECT_EQ(1, result);
        EXPECT_EQ(c.repaints ? expected : RGB(0, 0, 0), after);
    }
}

}  // namespace
