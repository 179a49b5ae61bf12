// The banner request: its checks, its reading and its one way to the texture file.
#include "cli/banner_request.h"

#include <stdio.h>
#include <string.h>

#include "image/convert.h"
#include "image/picture.h"
#include "cli/output_files.h"
#include "image/source_picture.h"
#include "image/tex_reader.h"
#include "platform/file_facts.h"

namespace {

int WriteFitted(const BannerRequest& r, const char* target, ImageError& error)
{
    printf("%-15s->     %-20s\n", r.picture, target);
    const Picture* records[4] = {&r.fitted.pictures[0], &r.fitted.pictures[1], &r.fitted.pictures[2],
                                 &r.fitted.pictures[3]};
    if (WriteBannerTexture(records, r.fitted.count, target, r.fit.kind == BannerStatistic, error)) return 1;
    PrintConversionFailure(error);
    return 0;
}

}  // namespace

bool SetPicture(BannerRequest& request, const std::string& typed, Failure& failure)
{
    request.typedPicture = typed;
    return CorePathArgument(typed, request.picture, failure);
}

bool SetDestination(BannerRequest& request, const std::string& typed, Failure& failure)
{
    request.typedDestination = typed;
    return CorePathArgument(typed, request.destination, failure);
}

std::string VariantName(const BannerRequest& request, const std::string& path, int k)
{
    if (request.fitting) {
        char name[MAX_PATH];
        return MakePictureVariantName(path.c_str(), k, name, sizeof name) ? name : path;
    }
    const char* name = MakeVariantName(path.c_str(), k);
    return name ? name : path;
}

bool CheckNotAnInput(const BannerRequest& request, const char* output, const std::string& typed, Failure& failure)
{
    std::string text;
    if (SameFile(request.picture, output)) {
        text = "OUTPUT " + typed + " is the picture itself";
    } else {
        for (int k = 1; k <= 3 && text.empty(); ++k) {
            if (!SameFile(VariantName(request, request.picture, k).c_str(), output)) continue;
            std::string name = VariantName(request, request.typedPicture, k);
            text = "OUTPUT " + typed + " is " + (name == typed ? "" : name + ", ") + "a destroyed variant of the picture";
        }
    }
    if (text.empty()) return true;
    return Fail(failure, FailInputAsOutput, text + "; it is left as it is");
}

bool CheckTextureName(const BannerRequest& request, Failure& failure)
{
    if (HasTexExtension(request.typedDestination.c_str())) return true;
    return Fail(failure, FailUsage, "OUTPUT must end in .tex: " + request.typedDestination);
}

void ExamineBannerPicture(BannerRequest& request)
{
    request.verdict = ExaminePicture(request.picture);
    request.variants = request.verdict.banner ? TellVariants(request.picture) : VariantStory();
}

void OfferFit(const BannerRequest& request, Failure& failure, const std::string& hint)
{
    uint32_t width = 0, height = 0;
    if (ProbeSourcePicture(request.picture, &width, &height)) failure.hint = hint;
}

bool FitRequestedPicture(BannerRequest& request, Failure& failure)
{
    ImageError error;
    if (FitBannerSet(request.picture, request.fit, request.fitted, error)) return true;
    // The picture was fitted, so it is its variants that were refused.
    if (request.fitted.pictures[0].pixels && request.fitted.count == 0)
        return Fail(failure, FailCommand, VariantRule(request));
    return Fail(failure, FailCommand, error.text);
}

std::string VariantRule(const BannerRequest& request)
{
    bool present[3], taken[3];
    std::string reasons[3];
    for (int k = 0; k < 3; ++k) {
        present[k] = request.fitting ? request.fitted.present[k] : request.variants.present[k];
        taken[k] = request.fitting ? request.fitted.taken[k] : present[k] && request.variants.verdicts[k].banner;
        reasons[k] = request.fitting ? request.fitted.refused[k].text : request.variants.verdicts[k].problem.text;
    }
    // Every accepted set has #1; beyond it, the one of #2 and #3 that is not there.
    const int lacking = !taken[0] ? 1 : !taken[1] ? 2 : 3;
    const std::string name = VariantName(request, request.typedPicture, lacking);
    return (present[lacking - 1] ? name + " cannot be used (" + reasons[lacking - 1] + ")" : name + " is missing") +
           ": destroyed pictures are #1 alone, or #1, #2 and #3";
}

bool WriteRequestedBanner(BannerRequest& request, Failure& failure)
{
    // The link stays; the file it leads to gets the banner, replaced in its own folder.
    char target[MAX_PATH];
    if (!FinalPathOf(request.destination, target, sizeof target))
        snprintf(target, sizeof target, "%s", request.destination);
    FolderWatch folders(request.typedDestination);
    ImageError error;
    int written;
    if (request.fitting) {
        written = WriteFitted(request, target, error);
    } else {
        GUID id = {};
        CoCreateGuid(&id);
        written = ConvertBanner(request.picture, target, id, kBannerLevels, error);
    }
    folders.tell();
    if (written) {
        fflush(stdout);  // the conversion's lines before the warnings
        WarnIfShort(request.typedPicture, request.verdict);
        for (int k = 1; k <= 3 && request.variants.records > 1; ++k)
            WarnIfShort(VariantName(request, request.typedPicture, k), request.variants.verdicts[k - 1]);
        return true;
    }
    failure.picture = FileNameOf(request.picture);
    if (!request.fitting && !request.verdict.banner)
        Fail(failure, FailConversion, request.verdict.problem.text, request.typedPicture);
    else if (!request.fitting && request.variants.records == 0)
        Fail(failure, FailConversion, VariantRule(request));
    else
        Fail(failure, FailConversion, WhyNotWritten(target, request.typedDestination, error), request.typedDestination);
    return false;
}

void TellVariantStory(const BannerRequest& request)
{
    for (int k = 1; k <= 3; ++k) {
        if (!request.variants.present[k - 1]) continue;
        const PictureVerdict& v = request.variants.verdicts[k - 1];
        std::string name = VariantName(request, request.typedPicture, k);
        if (v.banner && v.missingRows)
            printf("destroyed %d: %s: %dx%d, short: the top %u rows come out %s\n", k, name.c_str(), int(v.width),
                   int(v.height), v.missingRows, v.missingLook);
        else if (v.banner)
            printf("destroyed %d: %s: %dx%d\n", k, name.c_str(), int(v.width), int(v.height));
        else
            printf("destroyed %d: %s: not used: %s\n", k, name.c_str(), v.problem.text);
    }
    printf("%s\n", VariantOutcome(request).c_str());
}

std::string VariantOutcome(const BannerRequest& request)
{
    const VariantStory& story = request.variants;
    if (story.records == 0) return "convert will refuse: " + VariantRule(request);
    if (story.records == 1) return "convert makes a single banner";
    return "convert makes a set of " + std::to_string(story.records);
}

void WarnIfShort(const std::string& typed, const PictureVerdict& verdict)
{
    if (!verdict.banner || !verdict.missingRows) return;
    fprintf(stderr, "warning: %s is shorter than its pixel data: the top %u row%s come%s out %s\n", typed.c_str(),
            verdict.missingRows, verdict.missingRows == 1 ? "" : "s", verdict.missingRows == 1 ? "s" : "",
            verdict.missingLook);
}
