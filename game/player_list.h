// The player list of the banner target dialog: one row per profile, with race icon and race.
#pragma once

#include "platform/win32.h"

// Fills list view IDC_PLAYER_LIST of `dialog`: the race icons (kept in playerImageList), the
// columns "Player" and "Race", and one row per profile in race order. Rescans the profiles, so
// that entry i of playerFolders belongs to row i. No row is selected afterwards.
void FillPlayerList(HWND dialog);
