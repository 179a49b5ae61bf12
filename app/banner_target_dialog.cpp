// The banner target dialog: player list, banner kind, and the conversion on OK.
#include "app/banner_target_dialog.h"

#include <stdio.h>
#include <string.h>

#include <commctrl.h>

#include "app/app_state.h"
#include "app/banner_job.h"
#include "app/help_dialog.h"
#include "core/string_table.h"
#include "game/player_list.h"
#include "game/players.h"
#include "image/convert.h"
#include "image/picture.h"
#include "resource.h"

namespace {
enum { kTextSize = 256 };

void SetItemText(HWND dialog, int control, UINT id)
{
    char text[kTextSize];
    LoadTableString(id, text, sizeof text);
    SetDlgItemTextA(dialog, control, text);
}

BOOL OnInitDialog(HWND dialog)
{
    char format[kTextSize];
    char caption[kCaptionLength + 1];
    LoadTableString(IDS_TARGET_CAPTION, format, sizeof format);
    FormatCaption(caption, format, FileNameOf(sourcePath));
    SetWindowTextA(dialog, caption);
    SetItemText(dialog, IDOK, IDS_OK);
    SetItemText(dialog, IDHELP, IDS_TARGET_HELP);
    SetItemText(dialog, IDCANCEL, IDS_TARGET_CLOSE);
    SetItemText(dialog, IDC_CHOOSE_PLAYER, IDS_CHOOSE_PLAYER);
    SetItemText(dialog, IDC_BANNER_TYPE_GROUP, IDS_BANNER_TYPE);
    SetItemText(dialog, IDC_IN_GAME, IDS_IN_GAME);
    SetItemText(dialog, IDC_IN_STATISTIC, IDS_IN_STATISTIC);
    // Only a 32 pixel picture can be the in-game banner; the width alone decides.
    if (bannerWidth == 32) {
        CheckDlgButton(dialog, IDC_IN_GAME, BST_CHECKED);
    } else {
        EnableWindow(GetDlgItem(dialog, IDC_IN_GAME), FALSE);
        CheckDlgButton(dialog, IDC_IN_STATISTIC, BST_CHECKED);
    }
    FillPlayerList(dialog);
    return TRUE;
}

// The row of the player list that is selected, or -1.
int SelectedPlayer(HWND dialog)
{
    for (int i = 0; i < playerFolders.count; ++i) {
        LRESULT state = SendDlgItemMessageA(dialog, IDC_PLAYER_LIST, LVM_GETITEMSTATE, i, LVIS_SELECTED);
        if (state == LVIS_SELECTED) return i;
    }
    return -1;
}

void OnOk(HWND dialog)
{
    int player = SelectedPlayer(dialog);
    if (player < 0) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    // A path that would not fit destinationPath is refused before anything is written: the
    // player hears of it as a failed conversion instead of a file in the wrong place.
    if (!ComposeBannerPath(player, IsDlgButtonChecked(dialog, IDC_IN_GAME) != 0, destinationPath)) {
        EndDialog(dialog, IDR_CONVERSION_FAILED);
        return;
    }
    EndDialog(dialog, ConvertBannerPicture(sourcePath, destinationPath) ? IDR_CONVERTED
                                                                        : IDR_CONVERSION_FAILED);
}

BOOL OnCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        OnOk(dialog);
        return TRUE;
    case IDCANCEL:  // Close, Esc and the caption's close box
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDHELP:
        OpenHelpDialog(dialog);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

void FormatCaption(char* caption, const char* format, const char* name)
{
    int full = snprintf(nullptr, 0, format, name);
    if (full >= 0 && full <= kCaptionLength) {
        snprintf(caption, kCaptionLength + 1, format, name);
        return;
    }
    // Keep as much of the name as leaves room for "..." and the rest of the caption, stepping
    // by characters so that a double-byte character is never split.
    size_t nameLength = strlen(name);
    size_t excess = (size_t)full - kCaptionLength + 3;
    size_t keep = nameLength > excess ? nameLength - excess : 0;
    char shortName[MAX_PATH + 4];
    const char* end = name;
    for (const char* next = CharNextA(end); next != end && (size_t)(next - name) <= keep;
         next = CharNextA(end))
        end = next;
    size_t kept = (size_t)(end - name);
    if (kept > MAX_PATH) kept = MAX_PATH;
    memcpy(shortName, name, kept);
    memcpy(shortName + kept, "...", 4);
    snprintf(caption, kCaptionLength + 1, format, shortName);
}

INT_PTR CALLBACK BannerTargetDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_DESTROY:
        playerImageList = nullptr;  // the list view destroys the image list with itself
        return FALSE;
    }
    return FALSE;
}
