// The player list of the target dialog: its columns, and the rows in race order with their race
// texts and icons.
#include <algorithm>

#include "tests/app/app_fixtures.h"

namespace {

using PlayerListTest = BannerTest;

// Icon `k` drawn over white: "." where the white shows, "R" for pure red (the mask colour left
// visible), "#" for the rest.
std::string IconMask(HIMAGELIST images, int k)
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
    return mask;
}

TEST_F(PlayerListTest, RowsInRaceOrderWithTheirRaceTextsAndIcons)
{
    GameInstallation game;
    const struct {
        const char* folder;
        int race;
        const char* name;
    } kOnDisk[] = {{"Ann", 2, "Ann of the Hills"}, {"Dan", 3, "Dan"}, {"Eve", 5, "Eve"}, {"Bob", 0, "Bob"},
                   {"Cid", 1, "Cid"}, {"Nil", 7, ""}};
    for (const auto& p : kOnDisk) game.AddPlayer(p.folder, p.race, p.name);
    UsePicture("logo.bmp", 32);
    std::vector<std::string> rows, columns, masks;
    int listWidth = 0;
    OpenTargetDialog([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_PLAYER_LIST);
        for (int i = 0; i < (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++i) {
            LVITEMA item = {};
            item.mask = LVIF_IMAGE;
            item.iItem = i;
            SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)&item);
            rows.push_back(ListText(list, i, 0) + " | " + ListText(list, i, 1) + " | icon " + std::to_string(item.iImage));
        }
        for (int i = 0; i < 2; ++i) {
            char text[64] = "";
            LVCOLUMNA column = {};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = text;
            column.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETCOLUMNA, i, (LPARAM)&column);
            columns.push_back(std::string(text) + " " + std::to_string(column.cx));
        }
        // The widths were set on the empty list: room is left for the scroll bar that rows bring.
        RECT client;
        GetClientRect(list, &client);
        listWidth = client.right - (GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL ? 0 : GetSystemMetrics(SM_CXVSCROLL));
        HIMAGELIST images = (HIMAGELIST)SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
        for (int k = 0; k < ImageList_GetImageCount(images); ++k) masks.push_back(IconMask(images, k));
        Click(GetDlgItem(dialog, IDCANCEL));
    });
    EXPECT_EQ((std::vector<std::string>{"Cid | RZ | icon 1", "Bob | KSV | icon 0", "Ann of the Hills | OB | icon 2",
                                        "Dan | Skirmish | icon 3", "Eve |  | icon 5", " |  | icon 7"}),
              rows);
    EXPECT_EQ((std::vector<std::string>{"Player " + std::to_string(3 * listWidth / 4),
                                        "Race " + std::to_string(listWidth / 4)}),
              columns);
    ASSERT_EQ(4u, masks.size()) << "one 16 pixel icon a race";
    for (size_t k = 0; k < masks.size(); ++k) {
        size_t shown = std::count(masks[k].begin(), masks[k].end(), '#');
        EXPECT_EQ(std::string::npos, masks[k].find('R')) << "icon " << k << ": the red background must be masked";
        EXPECT_EQ('.', masks[k][240]) << "icon " << k << ": bottom left corner is background";
        EXPECT_EQ('.', masks[k][255]) << "icon " << k << ": bottom right corner is background";
        EXPECT_TRUE(shown > 60 && shown < 240) << "icon " << k << " shows " << shown << " pixels: " << masks[k];
    }
}

}  // namespace
