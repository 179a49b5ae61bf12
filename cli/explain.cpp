// The reasons behind the commands' verdicts.
#include "cli/explain.h"

#include <stdio.h>
#include <string.h>

#include "cli/commands.h"
#include "image/convert.h"
#include "image/picture.h"
#include "platform/file_facts.h"
#include "platform/win32.h"
#include "resource.h"

std::string TypedVariant(const std::string& typed, int k)
{
    if (typed.size() < 4) return typed;
    return typed.substr(0, typed.size() - 4) + "#" + char('0' + k) + typed.substr(typed.size() - 4);
}

void ExplainRefusal(const std::string& typed, const PictureVerdict& verdict)
{
    fprintf(stderr, "%s: %s\n", typed.c_str(), verdict.problem.c_str());
}

void WarnIfShort(const std::string& typed, const PictureVerdict& verdict)
{
    if (!verdict.banner || !verdict.missingRows) return;
    fprintf(stderr, "warning: %s is shorter than its pixel data: the top %u row%s come%s out %s\n", typed.c_str(),
            verdict.missingRows, verdict.missingRows == 1 ? "" : "s", verdict.missingRows == 1 ? "s" : "",
            verdict.missingLook);
}

std::string VariantOutcome(const std::string& typed, const VariantStory& story)
{
    if (story.records == 0)
        return "convert will refuse: " + TypedVariant(typed, story.atFault) + " without " +
               TypedVariant(typed, story.lacking);
    if (story.records == 1) return "convert makes a single banner";
    return "convert makes a set of " + std::to_string(story.records);
}

int RefuseInputAsOutput(const char* command, const char* source, const std::string& typedSource,
                        const char* destination, const std::string& typedDestination)
{
    std::string text;
    if (SameFile(source, destination)) {
        text = "OUTPUT " + typedDestination + " is the picture itself";
    } else {
        for (int k = 1; k <= 3 && text.empty(); ++k) {
            const char* variant = MakeVariantName(source, k);
            if (!variant || !SameFile(variant, destination)) continue;
            std::string name = TypedVariant(typedSource, k);
            text = "OUTPUT " + typedDestination + " is " + (name == typedDestination ? "" : name + ", ") +
                   "a destroyed variant of the picture";
        }
    }
    if (text.empty()) return 0;
    return UsageError(command, (text + "; it is left as it is").c_str());
}

namespace {

// Why the destination could not take the banner, from what is there and the system's error.
void ExplainDestination(const char* destination, const std::string& typed, DWORD error)
{
    char text[256];
    switch (KindOfFile(destination)) {
    case FileDirectory: fprintf(stderr, "%s: a folder is there, not a file\n", typed.c_str()); return;
    case FileSpecial:
        fprintf(stderr, "%s: a device, FIFO or socket is there; only a regular file is replaced\n", typed.c_str());
        return;
    case FileRegular: {
        DWORD attributes = GetFileAttributesA(destination);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
            fprintf(stderr, "%s: the file is read-only\n", typed.c_str());
            return;
        }
        break;
    }
    case FileAbsent: break;
    }
    SystemErrorText(error, text, sizeof text);
    fprintf(stderr, "%s: %s\n", typed.c_str(), text);
}

}  // namespace

int ConvertExplained(const char* source, const std::string& typedSource, const char* destination,
                     const std::string& typedDestination)
{
    PictureVerdict verdict = ExaminePicture(source);
    VariantStory story = verdict.banner ? TellVariants(source) : VariantStory();
    // The link stays; the file it leads to gets the banner, replaced in its own folder.
    char target[MAX_PATH];
    if (!FinalPathOf(destination, target, sizeof target)) {
        strncpy(target, destination, sizeof target - 1);
        target[sizeof target - 1] = 0;
    }
    SetLastError(ERROR_SUCCESS);
    int written = ConvertBannerPicture(source, target);
    DWORD error = GetLastError();
    fflush(stdout);  // the diagnostics come before the verdict
    if (!written) {
        PrintTableMessage(stderr, IDS_CONVERSION_FAILED, FileNameOf(source));
        if (!verdict.banner) ExplainRefusal(typedSource, verdict);
        else if (story.records == 0) fprintf(stderr, "%s\n", VariantOutcome(typedSource, story).c_str());
        else ExplainDestination(target, typedDestination, error);
        return 0;
    }
    WarnIfShort(typedSource, verdict);
    for (int k = 1; k <= 3 && story.records > 1; ++k)
        WarnIfShort(TypedVariant(typedSource, k), story.verdicts[k - 1]);
    return 1;
}
