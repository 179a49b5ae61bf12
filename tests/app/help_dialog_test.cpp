// The Help dialog: the line-break expansion with its limit, and the real dialog opened from the
// main window as the player reads and closes it.
#include "app/help_dialog.h"
#include "tests/app/gui_harness.h"

namespace {

TEST(ExpandLineBreaks, WritesCrBeforeEveryLfAndCutsAtTheBuffer)
{
    const struct {
        std::string source;
        size_t destinationSize;
        std::string expected;
    } kCases[] = {{"a\nb\n", 16, "a\r\nb\r\n"}, {"a\r\nb", 16, "a\r\r\nb"}, {std::string("ab\0cd", 5), 16, "ab"},
                  {"abc\n", 6, "abc\r\n"}, {"abc\n", 5, "abc"} /* a CR LF pair is never split */, {"abc", 1, ""}};
    for (const auto& c : kCases) {
        std::string buffer(c.destinationSize + 8, '#');  // guard bytes behind the buffer
        size_t written = ExpandLineBreaks(c.source.data(), c.source.size(), &buffer[0], c.destinationSize);
        EXPECT_EQ(c.expected, buffer.c_str()) << "for " << testing::PrintToString(c.source) << " into " << c.destinationSize;
        EXPECT_EQ(c.expected.size(), written) << "for " << testing::PrintToString(c.source);
        EXPECT_EQ(std::string(8, '#'), buffer.substr(c.destinationSize)) << "wrote past the buffer";
    }
    char buffer[4] = "xyz";
    EXPECT_EQ(0u, ExpandLineBreaks(nullptr, 3, buffer, sizeof buffer)) << "a help text that was not found";
    EXPECT_STREQ("xyz", buffer);
    EXPECT_EQ(0u, ExpandLineBreaks("abc", 3, nullptr, 4));
}

using HelpDialogTest = GuiTest;

TEST_F(HelpDialogTest, ShowsTheExpandedTextOverTheMainWindowAndClosesEveryWay)
{
    std::string expected, text =  // 21 lines; in the edit control each ends in CR CR LF
        "Vexillor ver. 1.1\n\nThis program is a useful tool for Quillmere.  \n"
        "To use it you must have Quillmere installed on your computer. In the game there are two kinds of bitmaps.\n"
        "You can replace these with your own graphics. The first bitmap is the in-game one displayed on the banners. "
        "The second is the player banner displayed in statistics. These banners look like the RZ, OB and KSV logos, "
        "by default.\n\nTo replace/exchange in-game banner graphics follow the steps below: \n"
        "1) Create a BMP file in 32x32 true color. You can use your \"MS Paint\" program for this. \n"
        "2) Run Vexillor. \n3) Click on the \"Create\" button. \n4) Browse for your bitmap file.\n"
        "5) If you have the correct file, the program will display a list of all available players. Now select your "
        "player. Check the \"InGame\" button and click on the OK button.   \n\n"
        "To change the statistics banner, repeat steps 1 through 4. \nThen choose the \"In Statistic\" button. \n\n\n"
        "Helpful Hint!\n\nA statistics banner has a resolution of 64X64. If you want to create a transparent banner "
        "(in statistics only), create a TGA file using the \"Alpha channel\".  \n"
        "Use the drag and drop file function to speed up the process. \n";
    for (char c : text) expected += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
    const char* const kWays[] = {"Esc", "close box", "Close"};
    std::vector<std::string> seen;
    std::string shown = expected;
    int exitCode = RunProgram([&](HWND main) {
        for (const char* way : kWays) {
            Click(Button(main, "Help"));
            HWND help = WaitForDialog("Help");
            if (!help) return;
            HWND edit = GetDlgItem(help, IDC_HELP_TEXT);
            if (WindowText(edit) != expected) shown = WindowText(edit);
            seen.push_back(std::string(way) + (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY ? "" : ": editable") +
                           (WindowText(GetDlgItem(help, IDOK)) == "Close" ? "" : ": no Close button") +
                           (GetWindow(help, GW_OWNER) == main && !IsWindowEnabled(main) ? "" : ": not modal to main"));
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
