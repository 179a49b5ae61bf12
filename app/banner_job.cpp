// The banner job flow: the open-file dialog, the drop entry, the checks and the messages.
#include "app/banner_job.h"

#include <stdio.h>
#include <string.h>

#include <commdlg.h>

#include "app/app_state.h"
#include "app/banner_target_dialog.h"
#include "core/string_table.h"
#include "image/picture.h"
#include "resource.h"

namespace {
enum { kTextSize = 256, kMessageSize = 1024 };

// A message box owned by the main window: caption `captionId`, text `textId` used as a format
// for the file name of sourcePath and, where given, a second argument.
void ShowJobMessage(UINT captionId, UINT textId, UINT style, const char* second = nullptr)
{
    char caption[kTextSize];
    char format[kMessageSize];
    char text[kMessageSize];
    LoadTableString(captionId, caption, sizeof caption);
    LoadTableString(textId, format, sizeof format);
    // The format is our own string-table text; a path is only ever an argument.
    snprintf(text, sizeof text, format, FileNameOf(sourcePath), second ? second : "");
    MessageBoxA(mainWindow, text, caption, MB_OK | style);
}
}  // namespace

void RunBannerJob()
{
    if (!PassesExtensionTest(sourcePath)) {
        ShowJobMessage(IDS_ERROR_CAPTION, IDS_NOT_A_BITMAP, MB_ICONHAND);
        return;
    }
    if (!CheckBannerPicture(sourcePath, &bannerWidth, &bannerHeight)) {
        ShowJobMessage(IDS_ERROR_CAPTION, IDS_INVALID_FORMAT, MB_ICONEXCLAMATION);
        return;
    }
    INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_BANNER_TARGET), mainWindow,
                                     BannerTargetDialog, 0);
    if (result == IDR_CONVERTED)
        ShowJobMessage(IDS_DONE_CAPTION, IDS_CONVERTED, MB_ICONINFORMATION, destinationPath);
    else if (result == IDR_CONVERSION_FAILED)
        ShowJobMessage(IDS_ERROR_CAPTION, IDS_CONVERSION_FAILED, MB_ICONHAND);
}

void ChooseBannerPicture()
{
    char filter[kTextSize];
    char extensions[kTextSize];
    char title[kTextSize];
    int description = LoadTableString(IDS_PICTURE_FILTER, filter, sizeof filter);
    int list = LoadTableString(IDS_PICTURE_EXTENSIONS, extensions, sizeof extensions);
    // "Banner bitmaps" 0 "*.bmp;*.tga" 0 0; both texts are short, the bound only guards the copy.
    if (description + 1 + list + 2 > (int)sizeof filter) list = (int)sizeof filter - description - 3;
    memcpy(filter + description + 1, extensions, list);
    filter[description + 1 + list] = 0;
    filter[description + 2 + list] = 0;
    sourcePath[0] = 0;
    LoadTableString(IDS_CHOOSE_PICTURE, title, sizeof title);

    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // the record without its trailing fields
    request.hwndOwner = mainWindow;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = sourcePath;
    request.nMaxFile = MAX_PATH;
    request.lpstrTitle = title;
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameA(&request)) RunBannerJob();
}

void DropBannerPictures(HDROP drop)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        if (DragQueryFileA(drop, i, sourcePath, MAX_PATH)) RunBannerJob();
    }
    // The handle belongs to us once the message arrives; without this each drop leaks it.
    DragFinish(drop);
}
