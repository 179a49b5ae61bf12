// The Help dialog and its text: the resource byte for byte, the line-break expansion with its
// limit, and the real dialog as the player sees and closes it.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/help_dialog.h"
#include "core/string_table.h"
#include "resource.h"
#include "tests/app/gui_driver.h"

namespace {

// The help text as the program carries it: 21 lines, each ending in CR LF, blanks kept.
const char* const kHelpLines[21] = {
    "Vexillor ver. 1.1",
    "",
    "This program is a useful tool for Quillmere.  ",
    "To use it you must have Quillmere installed on your computer. In the game there are two kinds of bitmaps.",
    "You can replace these with your own graphics. The first bitmap is the in-game one displayed on the banners. "
    "The second is the player banner displayed in statistics. These banners look like the RZ, OB and KSV logos, "
    "by default.",
    "",
    "To replace/exchange in-game banner graphics follow the steps below: ",
    "1) Create a BMP file in 32x32 true color. You can use your \"MS Paint\" program for this. ",
    "2) Run Vexillor. ",
    "3) Click on the \"Create\" button. ",
    "4) Browse for your bitmap file.",
    "5) If you have the correct file, the program will display a list of all available players. Now select your "
    "player. Check the \"InGame\" button and click on the OK button.   ",
    "",
    "To change the statistics banner, repeat steps 1 through 4. ",
    "Then choose the \"In Statistic\" button. ",
    "",
    "",
    "Helpful Hint!",
    "",
    "A statistics banner has a resolution of 64X64. If you want to create a transparent banner (in statistics "
    "only), create a TGA file using the \"Alpha channel\".  ",
    "Use the drag and drop file function to speed up the process. ",
};

std::string HelpText(const char* lineEnd)
{
    std::string text;
    for (const char* line : kHelpLines) text += std::string(line) + lineEnd;
    return text;
}

TEST(HelpTextResource, IsTheHelpTextByteForByte)
{
    HRSRC found = FindResourceA(appInstance, MAKEINTRESOURCEA(IDR_HELP_TEXT), "TEXT");
    ASSERT_NE(nullptr, found);
    EXPECT_NE(nullptr, FindResourceExA(appInstance, "TEXT", MAKEINTRESOURCEA(IDR_HELP_TEXT),
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)))
        << "the help text is English (United States)";
    const char* bytes = (const char*)LockResource(LoadResource(appInstance, found));
    std::string resource(bytes, SizeofResource(appInstance, found));
    EXPECT_EQ(HelpText("\r\n"), resource);
    EXPECT_EQ(std::string::npos, resource.find('\0')) << "the text ends where the resource ends";
}

struct Expansion {
    const char* name;
    std::string source;
    size_t destinationSize;
    std::string expected;
};

TEST(ExpandLineBreaks, WritesCrBeforeEveryLfAndCutsAtTheBuffer)
{
    const Expansion kCases[] = {
        {"plain text", "abc", 16, "abc"},
        {"every LF gets a CR", "a\nb\n", 16, "a\r\nb\r\n"},
        {"a CR already there stays", "a\r\nb", 16, "a\r\r\nb"},
        {"ends at a zero byte", std::string("ab\0cd", 5), 16, "ab"},
        {"exactly fits with its zero", "abc\n", 6, "abc\r\n"},
        {"a CR LF pair is never split", "abc\n", 5, "abc"},
        {"one byte short of a letter", "abcd", 4, "abc"},
        {"room for the zero only", "abc", 1, ""},
    };
    for (const Expansion& c : kCases) {
        std::string buffer(c.destinationSize + 8, '#');  // guard bytes behind the buffer
        size_t written = ExpandLineBreaks(c.source.data(), c.source.size(), &buffer[0], c.destinationSize);
        EXPECT_EQ(c.expected, std::string(buffer.c_str())) << c.name;
        EXPECT_EQ(c.expected.size(), written) << c.name;
        EXPECT_EQ(std::string(8, '#'), buffer.substr(c.destinationSize)) << c.name << ": wrote past the buffer";
    }
}

TEST(ExpandLineBreaks, NullPointersDoNothing)
{
    char buffer[4] = "xyz";
    EXPECT_EQ(0u, ExpandLineBreaks(nullptr, 3, buffer, sizeof buffer));
    EXPECT_STREQ("xyz", buffer);
    EXPECT_EQ(0u, ExpandLineBreaks("abc", 3, nullptr, 4));
}

TEST(ExpandLineBreaks, TheHelpTextExpandsWithOneByteMorePerLine)
{
    std::string text = HelpText("\r\n");
    std::string buffer(kHelpBufferSize, '\0');
    size_t written = ExpandLineBreaks(text.data(), text.size(), &buffer[0], buffer.size());
    EXPECT_EQ(text.size() + 21, written);
    EXPECT_EQ(HelpText("\r\r\n"), buffer.c_str());
}

class HelpDialogWindow : public ::testing::Test {
protected:
    void SetUp() override { REQUIRE_DISPLAY(); }
};

enum CloseBy { CloseButton, EnterKey, EscapeKey, CloseBox };

// Opens the Help dialog, reads it, and closes it the given way; the dialog must go.
void OpenReadAndClose(CloseBy how)
{
    std::string caption, button, text;
    LONG editStyle = 0;
    bool closed = false;
    RunWithPlayer([] { OpenHelpDialog(nullptr); },
                  [&] {
                      HWND dialog = WaitForTopWindow("#32770", "Help");
                      if (!dialog) return;
                      caption = WindowText(dialog);
                      button = WindowText(GetDlgItem(dialog, IDOK));
                      text = WindowText(GetDlgItem(dialog, IDC_HELP_TEXT));
                      editStyle = GetWindowLongA(GetDlgItem(dialog, IDC_HELP_TEXT), GWL_STYLE);
                      switch (how) {
                      case CloseButton: Click(GetDlgItem(dialog, IDOK)); break;
                      case EnterKey:
                          PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_RETURN, 0x001C0001);
                          break;
                      case EscapeKey: PressEscape(dialog, UiThread()); break;
                      case CloseBox: PressCloseBox(dialog); break;
                      }
                      closed = WaitUntilGone(dialog, 5000);
                  });
    EXPECT_EQ("Help", caption);
    EXPECT_EQ("Close", button);
    EXPECT_EQ(HelpText("\r\r\n"), text);
    EXPECT_TRUE(editStyle & ES_READONLY);
    EXPECT_TRUE(closed);
}

TEST_F(HelpDialogWindow, ShowsTheExpandedTextEveryTimeAndClosesEveryWay)
{
    const CloseBy kWays[] = {CloseButton, EnterKey, EscapeKey, CloseBox};
    for (CloseBy how : kWays) {
        SCOPED_TRACE("closing way " + std::to_string(int(how)));
        OpenReadAndClose(how);
    }
}

TEST_F(HelpDialogWindow, IsModalToItsOwner)
{
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 appInstance, nullptr);
    HWND shownOwner = nullptr;
    BOOL ownerEnabled = TRUE;
    RunWithPlayer([&] { OpenHelpDialog(owner); },
                  [&] {
                      HWND dialog = WaitForTopWindow("#32770", "Help");
                      if (!dialog) return;
                      shownOwner = GetWindow(dialog, GW_OWNER);
                      ownerEnabled = IsWindowEnabled(owner);
                      Click(GetDlgItem(dialog, IDOK));
                  });
    EXPECT_EQ(owner, shownOwner);
    EXPECT_FALSE(ownerEnabled) << "the owner takes no input while Help is open";
    EXPECT_TRUE(IsWindowEnabled(owner)) << "closing Help gives the owner back";
    DestroyWindow(owner);
}

}  // namespace
