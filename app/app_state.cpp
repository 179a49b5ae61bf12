// Process-wide state of the user interface (appInstance lives with the string table in core,
// playerFolders with the player scan in game).
#include "app/app_state.h"

HWND mainWindow;
char sourcePath[MAX_PATH];
char destinationPath[MAX_PATH];
int32_t bannerWidth;
int32_t bannerHeight;
HIMAGELIST playerImageList;
