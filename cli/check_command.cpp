// check: the banner job's tests on a picture, from the shell, with the reasons the window program
// does not give.
#include <stdio.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/banner_request.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/output_files.h"
#include "image/picture.h"
#include "resource.h"

namespace {

int RunCheck(const std::string& picture)
{
    BannerRequest request;
    Failure failure;
    if (!SetPicture(request, picture, failure)) return Report("check", failure);
    const std::string hint = "To make it a banner picture: vexillor-cli fit " + ShellWord(picture) +
                             " --in-game (or --statistic)";
    // The window program's order: the extension first, then the picture itself.
    if (!PassesExtensionTest(request.picture)) {
        Fail(failure, FailPlain, TableMessage(IDS_NOT_A_BITMAP, FileNameOf(request.picture)));
        OfferFit(request, failure, hint);
        return Report("check", failure);
    }
    ExamineBannerPicture(request);
    const PictureVerdict& v = request.verdict;
    if (!v.banner) {
        Fail(failure, FailFile, v.problem.text, picture);
        OfferFit(request, failure, hint);
        return Report("check", failure);
    }
    printf("%s: %dx%d %s\n", picture.c_str(), int(v.width), int(v.height),
           HasTgaExtension(request.picture) ? "TGA" : "BMP");
    printf("banners: %s\n", v.width == 32 ? "in game, statistics" : "statistics only");
    TellVariantStory(request);
    fflush(stdout);
    WarnIfShort(picture, v);
    return ExitDone;
}

}  // namespace

void AddCheckCommand(CLI::App& app)
{
    auto picture = std::make_shared<std::string>();
    CLI::App* check = app.add_subcommand("check", "Tell whether a BMP or TGA picture can become a banner");
    check->add_option("PICTURE", *picture, "The picture (.bmp or .tga)")->required()->type_name("");
    check->callback([picture] { Exit(RunCheck(*picture)); });
}
