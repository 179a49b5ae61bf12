// The player list of the target dialog: columns, rows in race order with their race texts and
// icons, the rows matching playerFolders, and the empty list without a game installation.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32.h"
#include <commctrl.h>

#include "app/app_state.h"
#include "app/banner_target_dialog.h"
#include "core/string_table.h"
#include "game/players.h"
#include "resource.h"
#include "tests/app/app_fixtures.h"
#include "tests/app/gui_driver.h"

namespace {

class PlayerListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_DISPLAY();
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WriteFileBytes(files.native("logo.bmp"), BmpFile(PatternPicture(32, false)));
        snprintf(sourcePath, sizeof sourcePath, "%s", files.core("logo.bmp").c_str());
        bannerWidth = bannerHeight = 32;
    }
    // Opens the dialog, lets `look` read its list view, and closes it again.
    void WithList(const std::function<void(HWND dialog, HWND list)>& look)
    {
        RunWithPlayer(
            [] { DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_BANNER_TARGET), nullptr, BannerTargetDialog, 0); },
            [&] {
                HWND d = WaitForTopWindow("#32770", "Save 'logo.bmp' as banner ...");
                if (!d) return;
                look(d, GetDlgItem(d, IDC_PLAYER_LIST));
                Click(GetDlgItem(d, IDCANCEL));
            });
    }
    TempDir files;
};

// One icon drawn with its mask over white and over black: a pixel that comes out the same on
// both is opaque, one that shows the background is transparent.
struct IconLook {
    int opaque = 0;
    bool cornersTransparent = true;
    int redOpaque = 0;
};
IconLook LookAtIcon(HIMAGELIST images, int icon)
{
    HDC screen = GetDC(nullptr);
    COLORREF drawn[2][16][16];
    for (int pass = 0; pass < 2; ++pass) {
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, canvas);
        RECT all = {0, 0, 16, 16};
        FillRect(dc, &all, (HBRUSH)GetStockObject(pass ? BLACK_BRUSH : WHITE_BRUSH));
        ImageList_Draw(images, icon, dc, 0, 0, ILD_NORMAL);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) drawn[pass][y][x] = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
    }
    ReleaseDC(nullptr, screen);
    IconLook look;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool opaque = drawn[0][y][x] == drawn[1][y][x];
            look.opaque += opaque;
            look.redOpaque += opaque && drawn[0][y][x] == RGB(255, 0, 0);
            if ((x == 0 || x == 15) && y == 15) look.cornersTransparent &= !opaque;  // the bottom corners
        }
    return look;
}

TEST_F(PlayerListTest, RowsInRaceOrderWithTheirRaceTextsAndIcons)
{
    GameInstallation game;
    game.AddPlayer("Ann", 2, "Ann of the Hills");
    game.AddPlayer("Dan", 3, "Dan");
    game.AddPlayer("Eve", 5, "Eve");
    game.AddPlayer("Bob", 0, "Bob");
    game.AddPlayer("Cid", 1, "Cid");
    game.AddPlayer("Nil", 7, "");
    std::vector<ListRow> rows;
    std::vector<std::string> columns;
    HIMAGELIST shown = nullptr, kept = nullptr;
    int icons = 0, iconWidth = 0, iconHeight = 0;
    IconLook look[4];
    WithList([&](HWND, HWND list) {
        rows = ReadListRows(list);
        columns = ReadListColumns(list);
        shown = (HIMAGELIST)SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
        kept = playerImageList;
        icons = ImageList_GetImageCount(shown);
        ImageList_GetIconSize(shown, &iconWidth, &iconHeight);
        for (int k = 0; k < 4 && k < icons; ++k) look[k] = LookAtIcon(shown, k);
    });
    const std::vector<ListRow> kExpected = {
        {"Cid", "RZ", 1}, {"Bob", "KSV", 0}, {"Ann of the Hills", "OB", 2},
        {"Dan", "Skirmish", 3}, {"Eve", "", 5}, {"", "", 7},
    };
    ASSERT_EQ(kExpected.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(kExpected[i].player, rows[i].player);
        EXPECT_EQ(kExpected[i].race, rows[i].race);
        EXPECT_EQ(kExpected[i].image, rows[i].image);
    }
    EXPECT_EQ((std::vector<std::string>{"Player", "Race"}), columns);
    ASSERT_EQ(6, playerFolders.count);
    const char* kFolders[6] = {"Cid", "Bob", "Ann", "Dan", "Eve", "Nil"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(game.PlayersDir() + kFolders[i] + "\\", playerFolders.data[i].c_str()) << "entry " << i;
    EXPECT_NE(nullptr, shown);
    EXPECT_EQ(shown, kept);
    EXPECT_EQ(4, icons);
    EXPECT_EQ(16, iconWidth);
    EXPECT_EQ(16, iconHeight);
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE("icon " + std::to_string(k));
        EXPECT_EQ(0, look[k].redOpaque) << "the red background must be masked";
        EXPECT_TRUE(look[k].cornersTransparent);
        EXPECT_GT(look[k].opaque, 60) << "hardly anything to see";
        EXPECT_LT(look[k].opaque, 256 - 16) << "no background at all";
    }
}

TEST_F(PlayerListTest, WithoutAnInstallationOnlyTheHeadersShowAndOkOnlyBeeps)
{
    NoGameInstallation none;
    int rows = -1;
    std::vector<std::string> columns;
    std::vector<int> widths;
    int clientWidth = 0;
    bool stillOpen = false;
    WithList([&](HWND dialog, HWND list) {
        rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        columns = ReadListColumns(list, &widths);
        RECT client;
        GetClientRect(list, &client);
        clientWidth = client.right - client.left;
        Click(GetDlgItem(dialog, IDOK));
        Sleep(300);
        stillOpen = IsWindowVisible(dialog) != FALSE;
    });
    EXPECT_EQ(0, rows);
    EXPECT_EQ(0, playerFolders.count);
    EXPECT_EQ((std::vector<std::string>{"Player", "Race"}), columns);
    int w = clientWidth - GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ((std::vector<int>{(3 * w) / 4, w / 4}), widths) << "room is left for a scroll bar";
    EXPECT_TRUE(stillOpen);
}

TEST_F(PlayerListTest, EachOpeningScansAfreshWithNothingSelected)
{
    GameInstallation game;
    game.AddPlayer("Ann", 0, "Ann");
    std::vector<ListRow> first, second;
    int selected = 0;
    WithList([&](HWND, HWND list) { first = ReadListRows(list); });
    game.AddPlayer("Cid", 1, "Cid");  // a profile made while the program runs
    WithList([&](HWND, HWND list) {
        second = ReadListRows(list);
        selected = (int)SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    });
    ASSERT_EQ(1u, first.size());
    ASSERT_EQ(2u, second.size());
    EXPECT_EQ("Cid", second[0].player);
    EXPECT_EQ("Ann", second[1].player);
    EXPECT_EQ(0, selected);
}

}  // namespace
