// The main window as the player sees it: its size, caption and buttons, Exit and the close box,
// a second start of the real program, and the picture's palette with the repaints it needs.
#include "app/palette_bitmap.h"
#include "tests/app/gui_harness.h"
#include "tests/support/test_support.h"

namespace {

using MainWindowTest = GuiTest;

TEST_F(MainWindowTest, ThePictureFillsTheClientAreaWithThreeButtonsBelow)
{
    std::string caption;
    RECT client = {}, frame = {};
    LONG style = 0, exStyle = 0;
    HICON icon = nullptr;
    std::vector<std::string> buttons;
    int exitCode = RunProgram([&](HWND main) {
        caption = WindowText(main);
        GetClientRect(main, &client);
        GetWindowRect(main, &frame);
        style = GetWindowLongA(main, GWL_STYLE);
        exStyle = GetWindowLongA(main, GWL_EXSTYLE);
        icon = (HICON)GetClassLongPtrA(main, GCLP_HICON);
        for (HWND b = GetWindow(main, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(b, &r);
            MapWindowPoints(nullptr, main, (POINT*)&r, 2);
            buttons.push_back(WindowText(b) + ((GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? "*" : "") +
                              " at " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                              std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
        }
        Click(Button(main, "Exit"));
    });
    EXPECT_EQ(0, exitCode) << "Exit ends the program with 0";
    EXPECT_EQ("Quillmere - Vexillor", caption);
    EXPECT_EQ(300, client.right) << "client width";
    EXPECT_EQ(170, client.bottom) << "client height";
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2, frame.left) << "centred";
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2, frame.top) << "centred";
    const LONG kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
    EXPECT_EQ(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, style & kFrame) << "neither sizable nor maximisable";
    EXPECT_TRUE(exStyle & WS_EX_ACCEPTFILES) << "files can be dropped on the window";
    EXPECT_NE(nullptr, icon) << "the class icon comes from the program's icon group";
    EXPECT_EQ((std::vector<std::string>{"Create* at 10,135 86x20", "Help at 106,135 86x20", "Exit at 202,135 86x20"}),
              buttons) << "* marks the default button";
}

TEST_F(MainWindowTest, ASecondStartBringsTheFirstWindowBackAndEnds)
{
    std::string command = "\"Z:" + CorePath(VEX_PROGRAM_PATH) + "\" ignored command line";  // Z: is the Unix root
    DWORD secondExit = 99;
    bool secondEnded = false, wasIconic = false, restored = false;
    HWND foreground = nullptr, first = nullptr, other = nullptr;
    int exitCode = RunProgram([&](HWND main) {
        first = main;
        ShowWindow(main, SW_MINIMIZE);
        wasIconic = IsIconic(main);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            secondEnded = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
            GetExitCodeProcess(process.hProcess, &secondExit);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        restored = Within(1000, [&] { return !IsIconic(main); });
        foreground = GetForegroundWindow();
        other = FindWindowExA(nullptr, FindWindowA(kMainWindowClass, nullptr), kMainWindowClass, nullptr);
        PressCloseBox(main);
    });
    EXPECT_EQ(0, exitCode) << "the close box ends the program with 0";
    ASSERT_TRUE(wasIconic);
    ASSERT_TRUE(secondEnded) << "expected the second start to end, it still runs: " << command;
    EXPECT_EQ(0u, secondExit);
    EXPECT_TRUE(restored) << "the running window was left minimised";
    EXPECT_EQ(first, foreground) << "the running window is not in front";
    EXPECT_EQ(nullptr, other) << "the second start made a window of its own";
}

// On a palette display the picture keeps its colours: its palette is its colour table in order,
// realised again when the palette messages call for a repaint.
TEST_F(MainWindowTest, ThePictureKeepsItsColoursAndRepaintsUnlessTheWindowChangedThePalette)
{
    PaletteBitmap picture;
    ASSERT_NE(0, picture.LoadFromResource(appInstance, IDB_BACKGROUND, 1, 0, 0));
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDB_BACKGROUND), RT_BITMAP);
    const RGBQUAD* table = (const RGBQUAD*)((const char*)LockResource(LoadResource(appInstance, found)) + 40);
    PALETTEENTRY got[256] = {};
    UINT entries = GetPaletteEntries(picture.Palette(), 0, 256, got);
    ASSERT_GE(entries, 255u);
    for (UINT i = 0; i < entries; ++i) {  // Wine reports 256 table entries where Windows keeps the 255 used
        RGBQUAD want = i < 255 ? table[i] : RGBQUAD{0, 0, 0, 0};
        ASSERT_EQ(RGB(want.rgbRed, want.rgbGreen, want.rgbBlue), RGB(got[i].peRed, got[i].peGreen, got[i].peBlue))
            << "palette entry " << i;
        ASSERT_EQ(0, got[i].peFlags) << "palette entry " << i;
    }
    const struct {
        const char* name;
        UINT message;
        bool fromItself;  // wParam names the main window
        bool repaints;
    } kCases[] = {{"changed by another window", WM_PALETTECHANGED, false, true},
                  {"changed by the window itself", WM_PALETTECHANGED, true, false},
                  {"new palette wanted", WM_QUERYNEWPALETTE, false, true},
                  {"palette about to change", WM_PALETTEISCHANGING, false, true}};
    const int x = 70, y = 40;  // on the banner in the picture
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, picture.Bitmap());
    const COLORREF expected = GetPixel(memory, x, y), black = RGB(0, 0, 0);
    SelectObject(memory, old);
    DeleteDC(memory);
    ASSERT_NE(black, expected);
    std::vector<std::string> seen, wanted;
    for (const auto& c : kCases) wanted.push_back(c.name + std::string(c.repaints ? ": repainted" : ": black"));
    RunProgram([&](HWND main) {
        UpdateWindow(main);
        HDC dc = GetDC(main);
        for (const auto& c : kCases) {
            // Paint over the picture behind the window's back: only a repaint brings it back.
            RECT all = {0, 0, 300, 120};
            FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
            GdiFlush();
            COLORREF before = GetPixel(dc, x, y);
            LRESULT result = SendMessageA(main, c.message, c.fromItself ? (WPARAM)main : (WPARAM)GetDesktopWindow(), 0);
            COLORREF after = GetPixel(dc, x, y);
            seen.push_back(c.name + std::string(before == black ? ": " : ": not blackened, ") +
                           (result == 1 ? "" : "not 1, ") +
                           (after == black ? "black" : after == expected ? "repainted" : "other colour"));
        }
        ReleaseDC(main, dc);
        Click(Button(main, "Exit"));
    });
    EXPECT_EQ(wanted, seen);
}

}  // namespace
