// check and convert: the banner job's tests and the dialog's conversion, from the shell, with the
// reasons the window program does not give.
#include <stdio.h>
#include <string.h>

#include "cli/commands.h"
#include "cli/explain.h"
#include "image/convert.h"
#include "image/picture.h"
#include "image/picture_report.h"
#include "platform/win32.h"
#include "resource.h"

namespace {

bool EndsWithTex(const std::string& name)
{
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return tail == ".tex";
}

// One line per destroyed variant that is there, then what the conversion makes of them.
void TellVariantStory(const std::string& typed, const VariantStory& story)
{
    for (int k = 1; k <= 3; ++k) {
        if (!story.present[k - 1]) continue;
        const PictureVerdict& v = story.verdicts[k - 1];
        std::string name = TypedVariant(typed, k);
        if (v.banner && v.missingRows)
            printf("destroyed %d: %s: %dx%d, short: the top %u rows come out %s\n", k, name.c_str(), int(v.width),
                   int(v.height), v.missingRows, v.missingLook);
        else if (v.banner)
            printf("destroyed %d: %s: %dx%d\n", k, name.c_str(), int(v.width), int(v.height));
        else
            printf("destroyed %d: %s: not used: %s\n", k, name.c_str(), v.problem.c_str());
    }
    printf("%s\n", VariantOutcome(typed, story).c_str());
}

}  // namespace

int RunCheckCommand(const CheckArguments& args)
{
    char path[MAX_PATH];
    if (!CorePathArgument("check", args.picture.c_str(), path)) return ExitFailed;
    // The window program's order: the extension first, then the picture itself.
    if (!PassesExtensionTest(path)) {
        PrintTableMessage(stderr, IDS_NOT_A_BITMAP, FileNameOf(path));
        return ExitFailed;
    }
    PictureVerdict verdict = ExaminePicture(path);
    if (!verdict.banner) {
        ExplainRefusal(args.picture, verdict);
        return ExitFailed;
    }
    printf("%s: %dx%d %s\n", args.picture.c_str(), int(verdict.width), int(verdict.height),
           HasTgaExtension(path) ? "TGA" : "BMP");
    printf("banners: %s\n", verdict.width == 32 ? "in game, statistics" : "statistics only");
    TellVariantStory(args.picture, TellVariants(path));
    fflush(stdout);
    WarnIfShort(args.picture, verdict);
    return ExitDone;
}

int RunConvertCommand(const ConvertArguments& args)
{
    if (args.fit) {
        if (!EndsWithTex(args.output))
            return UsageError("convert", ("OUTPUT must end in .tex: " + args.output).c_str());
        return RunConvertFitted(args);
    }
    char source[MAX_PATH];
    char destination[MAX_PATH];
    if (!CorePathArgument("convert", args.picture.c_str(), source)) return ExitFailed;
    if (!CorePathArgument("convert", args.output.c_str(), destination)) return ExitFailed;
    if (int refused = RefuseInputAsOutput("convert", source, args.picture, destination, args.output))
        return refused;
    if (!EndsWithTex(args.output))
        return UsageError("convert", ("OUTPUT must end in .tex: " + args.output).c_str());
    return ConvertExplained(source, args.picture, destination, args.output) ? ExitDone : ExitFailed;
}
