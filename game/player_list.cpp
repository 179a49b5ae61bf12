// FillPlayerList: the scanned and sorted profiles shown in the target dialog's list view.
#include "game/player_list.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "core/serial_array.h"
#include "core/string_table.h"
#include "game/players.h"
#include "resource.h"

namespace {
enum { kTextSize = 256 };

void InsertColumn(HWND list, int index, UINT textId, int width)
{
    char text[kTextSize];
    LoadTableString(textId, text, sizeof text);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text;
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, (LPARAM)&column);
}

// The race's name; codes the game does not know get the empty text.
void LoadRaceText(int32_t race, char* text)
{
    static const UINT kRaceTexts[] = {IDS_RACE_KSV, IDS_RACE_RZ, IDS_RACE_OB, IDS_RACE_SKIRMISH};
    text[0] = 0;
    if (race >= 0 && race < 4) LoadTableString(kRaceTexts[race], text, kTextSize);
}
}  // namespace

void FillPlayerList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_PLAYER_LIST);
    // Red is the mask colour: the icons' background shows as the list's own.
    playerImageList = ImageList_LoadImageA(appInstance, MAKEINTRESOURCEA(IDB_RACE_ICONS), 16, 4,
                                           RGB(255, 0, 0), IMAGE_BITMAP, 0);
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)playerImageList);

    RECT client;
    GetClientRect(list, &client);
    int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    InsertColumn(list, 0, IDS_COLUMN_PLAYER, (3 * width) / 4);
    InsertColumn(list, 1, IDS_COLUMN_RACE, width / 4);

    SerialStringArray names;
    SerialIntArray races;
    ScanPlayerProfiles(playerFolders, names, races);
    SortPlayersByRace(playerFolders, names, races);

    char raceText[kTextSize];
    for (int32_t i = 0; i < names.count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.iSubItem = 0;
        item.pszText = (LPSTR)names.data[i].c_str();
        item.iImage = races.data[i];
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        LoadRaceText(races.data[i], raceText);
        item.iSubItem = 1;
        item.pszText = raceText;
        SendMessageA(list, LVM_SETITEMA, 0, (LPARAM)&item);
    }
}
