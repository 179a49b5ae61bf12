// The banner target dialog as the player meets it: caption and texts, the player list with its
// columns, rows in race order, race texts and icons, the banner kinds a picture allows, OK without
// a player, choosing a player, and the texture file written.
#include <algorithm>

#include "game/players.h"
#include "tests/app/app_fixtures.h"

namespace {

TEST(FormatCaption, FitsTheNameOrCutsItWithDots)
{
    for (size_t length : {234, 235}) {  // the caption has 21 characters besides the name
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

// Icon `k` drawn over white: "." where the white shows, "R" for pure red (the mask colour left
// visible), "#" for the rest; "" when the red is masked, the bottom corners show the white and
// the icon shows itself.
std::string WrongIcon(HIMAGELIST images, int k)
{
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, 16, 16));
    RECT all = {0, 0, 16, 16};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    ImageList_Draw(images, k, dc, 0, 0, ILD_NORMAL);
    std::string mask;
    for (int i = 0; i < 256; ++i) {
        COLORREF c = GetPixel(dc, i % 16, i / 16);
        mask += c == RGB(255, 255, 255) ? '.' : c == RGB(255, 0, 0) ? 'R' : '#';
    }
    DeleteObject(SelectObject(dc, old));
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    size_t drawn = std::count(mask.begin(), mask.end(), '#');
    return mask.find('R') == std::string::npos && mask[240] == '.' && mask[255] == '.' && drawn > 60 && drawn < 240 ? "" : mask;
}

// The list's columns, its rows as "text | race | icon", and its icons with any that look wrong;
// the column widths fit the list less a scroll bar, as they were set on the empty list.
std::vector<std::string> ListShown(HWND list)
{
    RECT client;
    GetClientRect(list, &client);
    int width = client.right - (GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL ? 0 : GetSystemMetrics(SM_CXVSCROLL));
    std::vector<std::string> shown;
    for (int i = 0; i < 2; ++i) {
        char text[64] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETCOLUMNA, i, (LPARAM)&column);
        shown.push_back(std::string(text) + (column.cx == (i ? width / 4 : 3 * width / 4) ? "" : " of another width"));
    }
    for (int i = 0; i < (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
        shown.push_back(ListText(list, i, 0) + " | " + ListText(list, i, 1) + " | icon " + std::to_string(item.iImage));
    }
    HIMAGELIST images = (HIMAGELIST)SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    shown.push_back(std::to_string(ImageList_GetImageCount(images)) + " icons");
    for (int k = 0; k < ImageList_GetImageCount(images); ++k) shown.back() += WrongIcon(images, k);
    return shown;
}

// The two banner kinds as the dialog offers them.
std::string Kinds(HWND dialog)
{
    std::string shown;
    for (int id : {IDC_IN_GAME, IDC_IN_STATISTIC}) {
        HWND button = GetDlgItem(dialog, id);
        shown += WindowText(button) + (IsWindowEnabled(button) ? "" : " disabled") +
                 (SendMessageA(button, BM_GETCHECK, 0, 0) ? " on; " : " off; ");
    }
    return shown;
}

TEST_F(BannerTargetDialogTest, OkWritesTheChosenBannerIntoTheChosenPlayersFolder)
{
    const struct {
        int row;
        int size;            // of the picture
        bool pickStatistic;
        const char* file;
        std::string shown;
    } kChoices[] = {
        {0, 32, false, "BannerUser.tex", "In game on; In statistic off; "},
        {1, 32, true, "BannerUserStat.tex", "In game on; In statistic off; "},
        {2, 64, false, "BannerUserStat.tex", "In game disabled off; In statistic on; "},
    };
    for (const auto& c : kChoices) {
        SCOPED_TRACE("row " + std::to_string(c.row) + ", " + c.file);
        GameInstallation game;  // on disk in another order than the rows
        game.AddPlayer("Ann", 2, "Ann of the Hills");
        for (const auto& p : std::vector<std::pair<std::string, int>>{{"Dan", 3}, {"Eve", 5}, {"Bob", 0}, {"Cid", 1}})
            game.AddPlayer(p.first, p.second, p.first);
        game.AddPlayer("Nil", 7, "");
        const std::string kRowFolders[3] = {game.PlayersDir() + "Cid\\", game.PlayersDir() + "Bob\\",
                                            game.PlayersDir() + "Ann\\"};
        snprintf(sourcePath, sizeof sourcePath, "%s", Put("logo.bmp", BmpFile(c.size)).c_str());
        bannerWidth = bannerHeight = c.size;  // as a passed banner check leaves them
        std::string shown;
        std::vector<std::string> list;
        INT_PTR result = 0;
        auto job = [&] { result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_BANNER_TARGET), 0, BannerTargetDialog, 0); };
        RunWithPlayer(job, [&] {
            HWND dialog = WaitForDialog("Save 'logo.bmp' as banner ...");
            if (!dialog) return;
            shown = Kinds(dialog);
            list = ListShown(GetDlgItem(dialog, IDC_PLAYER_LIST));
            Click(GetDlgItem(dialog, IDOK));  // no player chosen yet: only a beep
            Sleep(300);
            if (!IsWindowVisible(dialog)) shown += "OK without a player ended the dialog";
            SelectListRow(GetDlgItem(dialog, IDC_PLAYER_LIST), c.row);
            if (c.pickStatistic) Click(GetDlgItem(dialog, IDC_IN_STATISTIC));
            Click(GetDlgItem(dialog, IDOK));
        });
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ((std::vector<std::string>{"Player", "Race", "Cid | RZ | icon 1", "Bob | KSV | icon 0",
                                            "Ann of the Hills | OB | icon 2", "Dan | Skirmish | icon 3", "Eve |  | icon 5",
                                            " |  | icon 7", "4 icons"}),
                  list);
        ASSERT_EQ(IDR_CONVERTED, result);
        ASSERT_EQ(6, playerFolders.count);
        EXPECT_EQ(kRowFolders[c.row], playerFolders.data[c.row].c_str()) << "row and folder disagree";
        EXPECT_EQ(kRowFolders[c.row] + c.file, destinationPath);
        ExpectBannerFile(ReadFileBytes(NativePath(kRowFolders[c.row] + c.file)), c.size);
        for (int other = 0; other < 3; ++other)
            for (const char* file : {"BannerUser.tex", "BannerUserStat.tex"})
                EXPECT_TRUE(other == c.row || !FileExists(NativePath(kRowFolders[other] + file))) << kRowFolders[other];
    }
}

}  // namespace
