// convert: the dialog's conversion from the shell, into any texture file; with --fit, of any
// picture made the banner first.
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/banner_request.h"
#include "cli/cli.h"
#include "cli/commands.h"

namespace {

const char kCommand[] = "convert";

struct ConvertArguments {
    std::string picture;
    std::string output;
    bool fit = false;
    KindChoice kind;
    FitChoice choice;
};

int RunConvert(const ConvertArguments& args)
{
    BannerRequest request;
    Failure failure;
    request.fitting = args.fit;
    if (!args.fit && (args.kind.given() || args.choice.given()))
        return Report(kCommand, {FailUsage, "--in-game, --statistic, --size, --crop and --smooth go with --fit"});
    if ((args.fit && !ResolveFitOptions(args.kind, args.choice, request.fit, failure)) ||
        !SetPicture(request, args.picture, failure) || !SetDestination(request, args.output, failure) ||
        !CheckNotAnInput(request, request.destination, request.typedDestination, failure) ||
        !CheckTextureName(request, failure))
        return Report(kCommand, failure);
    if (args.fit && !FitRequestedPicture(request, failure)) return Report(kCommand, failure);
    if (!args.fit) ExamineBannerPicture(request);
    if (!WriteRequestedBanner(request, failure)) {
        if (!args.fit && !request.verdict.banner)
            OfferFit(request, failure, "To make it the banner first: add --fit --in-game (or --fit --statistic)");
        return Report(kCommand, failure);
    }
    return ExitDone;
}

}  // namespace

void AddConvertCommand(CLI::App& app)
{
    auto args = std::make_shared<ConvertArguments>();
    CLI::App* convert = app.add_subcommand("convert", "Write the banner texture for a picture");
    convert->add_option("PICTURE", args->picture, "The picture (.bmp or .tga)")->required()->type_name("");
    convert->add_option("OUTPUT", args->output, "The texture file to write (.tex)")->required()->type_name("");
    convert->add_flag("--fit", args->fit, "Any picture (PNG, JPEG, GIF, BMP, TGA, any size) made the banner first");
    AddBannerKind(*convert, args->kind, false);
    AddFitChoice(*convert, args->choice);
    convert->callback([args] { Exit(RunConvert(*args)); });
}
