// fit: a picture of any kind and size made a banner picture that the window program accepts,
// with its destroyed variants beside it.
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/banner_request.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "image/picture.h"
#include "platform/file_facts.h"

namespace {

const char kCommand[] = "fit";

struct FitArguments {
    std::string picture;
    std::string output;  // empty: STEM-banner.bmp or .tga beside the picture
    KindChoice kind;
    FitChoice choice;
};

// STEM-banner.bmp (in game) or STEM-banner.tga (statistics) beside the picture.
std::string DefaultOutput(const std::string& picture, BannerKind kind)
{
    size_t name = picture.find_last_of("/\\");
    name = name == std::string::npos ? 0 : name + 1;
    size_t dot = picture.rfind('.');
    std::string output = picture.substr(0, dot != std::string::npos && dot > name ? dot : picture.size());
    return output + (kind == BannerInGame ? "-banner.bmp" : "-banner.tga");
}

// The banner and its variants as files; all of the set or nothing.
bool WriteBannerPictures(const BannerRequest& request, char (*names)[MAX_PATH], const std::string& output,
                         Failure& failure)
{
    for (int k = 0; k < request.fitted.count; ++k) {
        const Picture& picture = request.fitted.pictures[k];
        int ok = request.fit.kind == BannerInGame ? WriteBannerBmp(names[k], picture) : WriteBannerTga(names[k], picture);
        if (ok) continue;
        const std::string failed = k ? VariantName(request, output, k) : output;
        char reason[256];
        SystemErrorText(GetLastError(), reason, sizeof reason);
        while (k-- > 0) DeleteFileA(names[k]);
        return Fail(failure, FailCommand, "cannot write '" + failed + "' (" + reason + ")");
    }
    return true;
}

int RunFit(const FitArguments& args)
{
    BannerRequest request;
    Failure failure;
    request.fitting = true;
    if (!ResolveFitOptions(args.kind, args.choice, request.fit, failure) || !SetPicture(request, args.picture, failure))
        return Report(kCommand, failure);
    const bool inGame = request.fit.kind == BannerInGame;
    const std::string output = args.output.empty() ? DefaultOutput(args.picture, request.fit.kind) : args.output;
    char names[4][MAX_PATH];
    if (!CorePathArgument(output, names[0], failure)) return Report(kCommand, failure);
    // The window program reads a .tga as TGA and everything else as BMP, after an extension test.
    if (!PassesExtensionTest(names[0]) || HasTgaExtension(names[0]) == inGame)
        return Report(kCommand, {FailUsage, inGame ? "OUT must end in .bmp for the in-game banner"
                                                   : "OUT must end in .tga for the statistics banner"});
    if (!FitRequestedPicture(request, failure)) return Report(kCommand, failure);
    for (int k = 1; k < 4; ++k)
        if (!MakePictureVariantName(names[0], k, names[k], MAX_PATH))
            return Report(kCommand, {FailCommand, "'" + output + "': the variant names would be too long"});
    for (int k = 0; k < request.fitted.count; ++k) {
        std::string typed = k ? VariantName(request, output, k) : output;
        if (!CheckNotAnInput(request, names[k], typed, failure)) return Report(kCommand, failure);
    }
    if (!WriteBannerPictures(request, names, output, failure)) return Report(kCommand, failure);
    for (int k = 0; k < request.fitted.count; ++k)
        printf("wrote %s (%ux%u, %s banner)\n", (k ? VariantName(request, output, k) : output).c_str(),
               request.fit.size, request.fit.size, inGame ? "in game" : "statistics");
    // Old variants beside the output would join the banner in the window program.
    for (int k = request.fitted.count == 1 ? 1 : 4; k < 4; ++k)
        if (PathExists(names[k]))
            printf("note: %s was left as it was; the window program will take it as a variant\n",
                   VariantName(request, output, k).c_str());
    return ExitDone;
}

}  // namespace

void AddFitCommand(CLI::App& app)
{
    auto args = std::make_shared<FitArguments>();
    CLI::App* fit = app.add_subcommand("fit", "Make any picture a banner picture that the window program accepts");
    fit->add_option("PICTURE", args->picture, "The picture: PNG, JPEG, GIF, BMP or TGA, any size")
        ->required()
        ->type_name("");
    fit->add_option("-o", args->output,
                    "The banner picture: .bmp in game, .tga for statistics (default: STEM-banner beside the picture)")
        ->type_name("OUT");
    AddBannerKind(*fit, args->kind, true);
    AddFitChoice(*fit, args->choice);
    fit->callback([args] { Exit(RunFit(*args)); });
}
