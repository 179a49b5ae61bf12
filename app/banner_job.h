// The banner job: from a named picture through the target dialog to the result message.
#pragma once

#include "platform/win32.h"
#include <shellapi.h>

// The Create button: asks for a picture with the open-file dialog and runs a job for it.
void ChooseBannerPicture();
// One job for the picture in sourcePath: extension test, banner check, target dialog, message.
void RunBannerJob();
// The drop entry: one complete job per dropped file, in drop order; releases the handle.
void DropBannerPictures(HDROP drop);
