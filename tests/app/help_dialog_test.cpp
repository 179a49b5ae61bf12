// The Help dialog: the line-break expansion at its limit, and the real dialog opened from the
// main window as the player reads and closes it.
#include "app/help_dialog.h"
#include "tests/app/gui_harness.h"

namespace {

TEST(ExpandLineBreaks, WritesCrBeforeEveryLfAndNeverSplitsThePairAtTheBuffer)
{
    char buffer[5 + 4];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(3u, ExpandLineBreaks("abc\n", 4, buffer, 5));
    EXPECT_EQ("abc|####", std::string(buffer) + "|" + std::string(buffer + 5, 4)) << "cut, with nothing past the buffer";
}

using HelpDialogTest = GuiTest;

TEST_F(HelpDialogTest, ShowsTheExpandedTextOverTheMainWindowAndClosesEveryWay)
{
    // The help text resource with a CR before each of its LFs, as the edit control shows it.
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDR_HELP_TEXT), "TEXT");
    ASSERT_NE(nullptr, found);
    const char* resource = (const char*)LockResource(LoadResource(appInstance, found));
    std::string expected;
    for (DWORD i = 0; i < SizeofResource(appInstance, found); ++i)
        expected += resource[i] == '\n' ? std::string("\r\n") : std::string(1, resource[i]);
    const char* const kWays[] = {"Esc", "close box", "Close"};
    std::vector<std::string> seen;
    std::string shown = expected;
    int exitCode = RunProgram([&](HWND main) {
        for (const char* way : kWays) {
            Click(Button(main, "Help"));
            HWND help = WaitForDialog("Help");
            if (!help) return;
            if (WindowText(GetDlgItem(help, IDC_HELP_TEXT)) != expected) shown = WindowText(GetDlgItem(help, IDC_HELP_TEXT));
            seen.push_back(way + std::string(GetWindow(help, GW_OWNER) == main && !IsWindowEnabled(main) ? "" : ": not modal"));
            if (way == kWays[0]) PressEscape(help);
            if (way == kWays[1]) PressCloseBox(help);
            if (way == kWays[2]) Click(GetDlgItem(help, IDOK));
            if (!WaitUntilGone(help) || !IsWindowEnabled(main)) seen.back() += ": did not close";
        }
        Click(Button(main, "Exit"));
    });
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ((std::vector<std::string>(kWays, kWays + 3)), seen);
    EXPECT_EQ(expected, shown) << "the help text as the edit control shows it";
}

}  // namespace
