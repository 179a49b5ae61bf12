// The main window as the player sees it: its size, caption, icon and buttons, the picture's
// palette with the repaints it needs, a second start of the real program, and the close box.
#include "app/palette_bitmap.h"
#include "tests/app/gui_harness.h"
#include "tests/support/test_support.h"

namespace {

using MainWindowTest = GuiTest;

TEST_F(MainWindowTest, ShowsThePictureAndThreeButtonsRepaintsForPalettesAndASecondStartBringsItBack)
{
    // On a palette display the picture keeps its colours: its palette is its colour table.
    PaletteBitmap picture;
    ASSERT_NE(0, picture.LoadFromResource(appInstance, IDB_BACKGROUND, 1, 0, 0));
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDB_BACKGROUND), RT_BITMAP);
    const RGBQUAD* table = (const RGBQUAD*)((const char*)LockResource(LoadResource(appInstance, found)) + 40);
    PALETTEENTRY got[256] = {};
    ASSERT_GE(GetPaletteEntries(picture.Palette(), 0, 256, got), 255u);
    for (int i : {1, 128, 254})
        EXPECT_EQ(RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue), RGB(got[i].peRed, got[i].peGreen, got[i].peBlue))
            << "palette entry " << i;
    const struct {
        UINT message;
        bool fromItself;  // wParam names the main window
    } kPaletteCases[] = {{WM_PALETTECHANGED, false}, {WM_PALETTECHANGED, true}, {WM_QUERYNEWPALETTE, false}};
    const int x = 70, y = 40;  // on the banner in the picture
    std::string command = "\"Z:" + CorePath(VEX_PROGRAM_PATH) + "\" ignored command line";  // Z: is the Unix root
    std::string caption, repaints;
    RECT client = {};
    bool acceptsFiles = false, restored = false;
    std::vector<std::string> buttons;
    DWORD secondExit = 99;
    HWND foreground = nullptr, first = nullptr, other = nullptr;
    HICON classIcon = nullptr;
    int exitCode = RunProgram([&](HWND main) {
        UpdateWindow(main);
        HDC dc = GetDC(main);
        const COLORREF expected = GetPixel(dc, x, y);
        if (expected == 0) repaints = "the picture is black there; ";
        for (const auto& c : kPaletteCases) {
            // Paint over the picture behind the window's back: only a repaint brings it back.
            RECT all = {0, 0, 300, 120};
            FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
            GdiFlush();
            COLORREF before = GetPixel(dc, x, y);
            LRESULT result = SendMessageA(main, c.message, c.fromItself ? (WPARAM)main : (WPARAM)GetDesktopWindow(), 0);
            COLORREF after = GetPixel(dc, x, y);
            repaints += std::string(before ? "not blackened, " : "") + (result == 1 ? "" : "not 1, ") +
                        (after == 0 ? "black; " : after == expected ? "repainted; " : "other colour; ");
        }
        ReleaseDC(main, dc);
        caption = WindowText(main);
        GetClientRect(main, &client);
        acceptsFiles = GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES;
        classIcon = (HICON)GetClassLongPtrA(main, GCLP_HICON);
        for (HWND b = GetWindow(main, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
            RECT r;
            GetWindowRect(b, &r);
            MapWindowPoints(nullptr, main, (POINT*)&r, 2);
            buttons.push_back(WindowText(b) + ((GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? "*" : "") +
                              " at " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                              std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
        }
        first = main;
        ShowWindow(main, SW_MINIMIZE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &secondExit);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        restored = Within(1000, [&] { return !IsIconic(main); });
        foreground = GetForegroundWindow();
        other = FindWindowExA(nullptr, FindWindowA(kMainWindowClass, nullptr), kMainWindowClass, nullptr);
        PressCloseBox(main);
    });
    EXPECT_EQ(0, exitCode) << "the close box ends the program with 0";
    EXPECT_EQ("repainted; black; repainted; ", repaints) << "changed by another window, by the window itself, new palette wanted";
    EXPECT_EQ("Quillmere - Vexillor 300x170", caption + " " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
    EXPECT_TRUE(acceptsFiles) << "files can be dropped on the window";
    // Explorer shows the first icon group (100); the window keeps its own, 103.
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)), classIcon)
        << "the window class does not carry icon group 103";
    EXPECT_EQ((std::vector<std::string>{"Create* at 10,135 86x20", "Help at 106,135 86x20", "Exit at 202,135 86x20"}),
              buttons) << "* marks the default button";
    EXPECT_EQ(0u, secondExit) << "the second start did not end with 0: " << command;
    EXPECT_TRUE(restored) << "the running window was left minimised";
    EXPECT_EQ(first, foreground) << "the running window is not in front";
    EXPECT_EQ(nullptr, other) << "the second start made a window of its own";
}

}  // namespace
