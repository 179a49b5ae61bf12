// check and convert: the banner job's tests and the dialog's conversion, from the shell.
#include <stdio.h>
#include <string.h>

#include "cli/commands.h"
#include "image/convert.h"
#include "image/picture.h"
#include "platform/win32.h"
#include "resource.h"

int RunCheckCommand(int argc, char** argv)
{
    if (argc != 2) return UsageError("check", argc < 2 ? "missing PICTURE" : "too many arguments");
    char path[MAX_PATH];
    if (!CorePathArgument("check", argv[1], path)) return ExitFailed;
    // The window program's order: the extension first, then the picture itself.
    if (!PassesExtensionTest(path)) {
        PrintTableMessage(stderr, IDS_NOT_A_BITMAP, FileNameOf(path));
        return ExitFailed;
    }
    int32_t width = 0, height = 0;
    if (!CheckBannerPicture(path, &width, &height)) {
        PrintTableMessage(stderr, IDS_INVALID_FORMAT, FileNameOf(path));
        return ExitFailed;
    }
    printf("%s: %dx%d %s\n", argv[1], width, height, HasTgaExtension(path) ? "TGA" : "BMP");
    printf("banners: %s\n", width == 32 ? "in game, statistics" : "statistics only");
    return ExitDone;
}

int RunConvertCommand(int argc, char** argv)
{
    if (argc != 3) return UsageError("convert", argc < 3 ? "expected PICTURE and OUTPUT.tex" : "too many arguments");
    char source[MAX_PATH];
    char destination[MAX_PATH];
    if (!CorePathArgument("convert", argv[1], source)) return ExitFailed;
    if (!CorePathArgument("convert", argv[2], destination)) return ExitFailed;
    int written = ConvertBannerPicture(source, destination);
    fflush(stdout);  // the diagnostics come before the verdict
    if (!written) {
        PrintTableMessage(stderr, IDS_CONVERSION_FAILED, FileNameOf(source));
        return ExitFailed;
    }
    return ExitDone;
}
