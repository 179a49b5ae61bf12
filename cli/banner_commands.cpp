// check and convert: the banner job's tests and the dialog's conversion, from the shell.
#include <stdio.h>

#include "cli/commands.h"
#include "image/convert.h"
#include "image/picture.h"
#include "platform/win32.h"
#include "resource.h"

int RunCheckCommand(const CheckArguments& args)
{
    char path[MAX_PATH];
    if (!CorePathArgument("check", args.picture.c_str(), path)) return ExitFailed;
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
    printf("%s: %dx%d %s\n", args.picture.c_str(), width, height, HasTgaExtension(path) ? "TGA" : "BMP");
    printf("banners: %s\n", width == 32 ? "in game, statistics" : "statistics only");
    return ExitDone;
}

int RunConvertCommand(const ConvertArguments& args)
{
    if (args.fit) return RunConvertFitted(args);
    char source[MAX_PATH];
    char destination[MAX_PATH];
    if (!CorePathArgument("convert", args.picture.c_str(), source)) return ExitFailed;
    if (!CorePathArgument("convert", args.output.c_str(), destination)) return ExitFailed;
    int written = ConvertBannerPicture(source, destination);
    fflush(stdout);  // the diagnostics come before the verdict
    if (!written) {
        PrintTableMessage(stderr, IDS_CONVERSION_FAILED, FileNameOf(source));
        return ExitFailed;
    }
    return ExitDone;
}
