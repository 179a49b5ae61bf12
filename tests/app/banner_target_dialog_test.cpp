// The banner target dialog as the player meets it: caption and texts, the banner kinds a picture
// allows, OK without a player, Help over it, choosing a player, and the texture file written.
#include "game/players.h"
#include "tests/app/app_fixtures.h"

namespace {

TEST(FormatCaption, FitsTheNameOrCutsItWithDots)
{
    for (size_t length : {0, 234, 235, 259}) {  // the caption has 21 characters besides the name
        std::string name(length, 'n');
        char caption[kCaptionLength + 1 + 8];
        memset(caption, '#', sizeof caption);
        FormatCaption(caption, "Save '%s' as banner ...", name.c_str());
        std::string expected = "Save '" + (length <= 234 ? name : name.substr(0, 231) + "...") + "' as banner ...";
        EXPECT_EQ(expected, caption) << "for a name of " << length << " characters";
        EXPECT_EQ(std::string(7, '#'), std::string(caption + kCaptionLength + 1, 7)) << "wrote past the caption";
    }
}

using BannerTargetDialogTest = BannerTest;

// What the dialog shows: its texts and the two banner kinds.
std::string Shown(HWND dialog)
{
    std::string shown;
    for (int id : {IDOK, IDHELP, IDCANCEL, IDC_CHOOSE_PLAYER, IDC_BANNER_TYPE_GROUP, IDC_IN_GAME, IDC_IN_STATISTIC}) {
        HWND control = GetDlgItem(dialog, id);
        shown += WindowText(control) + (IsWindowEnabled(control) ? "" : " disabled");
        if (id == IDC_IN_GAME || id == IDC_IN_STATISTIC) shown += SendMessageA(control, BM_GETCHECK, 0, 0) ? " on" : " off";
        shown += id == IDC_IN_STATISTIC ? "" : "; ";
    }
    return shown;
}

TEST_F(BannerTargetDialogTest, OkWritesTheChosenBannerIntoTheChosenPlayersFolder)
{
    const std::string kTexts = "OK; Help; Close; Choose player; Choose banner type; ";
    const struct {
        int row;
        int size;            // of the picture
        bool pickStatistic;  // and look at Help before OK: the choice must stay as it was
        const char* file;
        std::string shown;
    } kChoices[] = {
        {0, 32, false, "BannerUser.tex", kTexts + "In game on; In statistic off"},
        {1, 32, true, "BannerUserStat.tex", kTexts + "In game on; In statistic off"},
        {2, 64, false, "BannerUserStat.tex", kTexts + "In game disabled off; In statistic on"},
    };
    for (const auto& c : kChoices) {
        SCOPED_TRACE("row " + std::to_string(c.row) + ", " + c.file);
        GameInstallation game;  // on disk in another order than the list shows them
        const std::string kRowFolders[3] = {game.AddPlayer("Cid", 1, "Cid"), game.AddPlayer("Ann", 0, "Ann"),
                                            game.AddPlayer("Bob", 2, "Bob")};
        UsePicture("logo.bmp", c.size);
        std::string shown;
        INT_PTR result = OpenTargetDialog([&](HWND dialog) {
            shown = Shown(dialog);
            Click(GetDlgItem(dialog, IDOK));  // no player chosen yet: only a beep
            Sleep(300);
            if (!IsWindowVisible(dialog)) shown += "; OK without a player ended the dialog";
            SelectListRow(GetDlgItem(dialog, IDC_PLAYER_LIST), c.row);
            if (c.pickStatistic) {
                Click(GetDlgItem(dialog, IDC_IN_STATISTIC));
                Click(GetDlgItem(dialog, IDHELP));
                HWND help = WaitForDialog("Help");
                if (GetWindow(help, GW_OWNER) != dialog || IsWindowEnabled(dialog)) shown += "; Help not modal";
                PressCloseBox(help);
                WaitUntilGone(help);
            }
            Click(GetDlgItem(dialog, IDOK));
        });
        EXPECT_EQ(c.shown, shown);
        ASSERT_EQ(IDR_CONVERTED, result);
        ASSERT_EQ(3, playerFolders.count);
        EXPECT_EQ(kRowFolders[c.row], playerFolders.data[c.row].c_str()) << "row and folder disagree";
        EXPECT_EQ(kRowFolders[c.row] + c.file, destinationPath);
        EXPECT_TRUE(IsBannerFile(ReadFileBytes(NativePath(kRowFolders[c.row] + c.file)), c.size));
        for (int other = 0; other < 3; ++other)
            for (const char* file : {"BannerUser.tex", "BannerUserStat.tex"})
                EXPECT_TRUE(other == c.row || !FileExists(NativePath(kRowFolders[other] + file))) << kRowFolders[other];
    }
}

}  // namespace
