// inspect: reads a TEX file with the checking reader, describes it, and can export level 0 of
// every record as a PNG.
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/output_files.h"
#include "image/png_writer.h"
#include "image/tex_format.h"
#include "image/tex_reader.h"
#include "platform/win32.h"

namespace {

const char kCommand[] = "inspect";

bool EndsWith(const std::string& text, const char* tail)
{
    size_t n = strlen(tail);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
        if (c != tail[i]) return false;
    }
    return true;
}

// One line for the player: which banner the file is, from what, how large, with how many
// destroyed variants. The game tells the two banners apart by their file names.
void PrintSummary(const std::string& file, const TexLayout& layout)
{
    if (layout.recordCount == 0) return;
    const TexRecordLayout& first = layout.records[0];
    std::string what = EndsWith(file, "banneruserstat.tex") ? "statistics banner"
                     : EndsWith(file, "banneruser.tex")     ? "in-game banner"
                                                            : "banner texture";
    uint32_t flags = layout.isSet ? layout.setFlags : first.flags;
    const char* source = (flags & TexFromTga) ? "TGA source, " : (flags & TexFromBmp) ? "BMP source, " : "";
    uint32_t variants = layout.recordCount - 1;
    printf("%s, %s%u×%u, %s\n", what.c_str(), source, first.width, first.height,
           variants == 0 ? "no destroyed variants"
           : variants == 1 ? "with 1 destroyed variant"
                           : ("with " + std::to_string(variants) + " destroyed variants").c_str());
}

// PREFIX-banner.png for the banner, PREFIX-destroyed1.png and on for its variants; a prefix
// that names a folder ("out/") gets the bare names inside it.
std::string PngName(const std::string& prefix, uint32_t record)
{
    std::string what = record == 0 ? "banner" : "destroyed" + std::to_string(record);
    bool folder = !prefix.empty() && (prefix.back() == '/' || prefix.back() == '\\');
    return prefix + (folder ? "" : "-") + what + ".png";
}

struct InspectArguments {
    std::string file;
    std::string pngPrefix;  // empty: no PNG export
};

int RunInspect(const InspectArguments& args)
{
    const char* file = args.file.c_str();
    const char* prefix = args.pngPrefix.empty() ? nullptr : args.pngPrefix.c_str();
    char path[MAX_PATH];
    Failure failure;
    if (!CorePathArgument(args.file, path, failure)) return Report(kCommand, failure);

    TexBytes bytes;
    TexError error;
    TexLayout layout;
    if (!LoadTexFile(path, bytes, error) || !ParseTexLayout(bytes.data, bytes.size, layout, error))
        return Report(kCommand, {FailCommand, args.file + ": offset " + std::to_string(error.offset) + ": " + error.text});

    char text[128];
    PrintSummary(file, layout);
    printf("%s: %u bytes\n", file, bytes.size);
    if (layout.hasIdentifier) {
        FormatIdentifier(layout.identifier, text, sizeof text);
        printf("identifier: %s\n", text);
    } else {
        printf("identifier: none\n");
    }
    if (layout.hasName) printf("header name: %s\n", layout.name);
    if (layout.hasValue) printf("header value: %u\n", layout.value);
    if (layout.isSet) {
        DescribeTexFlags(layout.setFlags, text, sizeof text);
        printf("set: %u records, flags 0x%08x (%s)\n", layout.recordCount, layout.setFlags, text);
    }
    for (uint32_t i = 0; i < layout.recordCount; ++i) {
        const TexRecordLayout& r = layout.records[i];
        DescribeTexFlags(r.flags, text, sizeof text);
        printf("record %u at %u: %ux%u, %u level%s, flags 0x%08x (%s)\n", i, r.offset, r.width,
               r.height, r.levels, r.levels == 1 ? "" : "s", r.flags, text);
    }

    if (!prefix) return ExitDone;
    FolderWatch folders(PngName(prefix, 0));
    for (uint32_t i = 0; i < layout.recordCount; ++i) {
        std::string named = PngName(prefix, i);
        char png[MAX_PATH];
        if (!CorePathArgument(named, png, failure)) return folders.tell(), Report(kCommand, failure);
        const TexRecordLayout& r = layout.records[i];
        ImageError written;
        if (!WritePngFile(png, bytes.data + r.chainOffset, r.width, r.height, written)) {
            folders.tell();
            return Report(kCommand, {FailCommand, "cannot write " + named + ": " + WhyNotWritten(png, named, written)});
        }
        printf("wrote %s\n", named.c_str());
    }
    folders.tell();
    return ExitDone;
}

}  // namespace

void AddInspectCommand(CLI::App& app)
{
    auto args = std::make_shared<InspectArguments>();
    CLI::App* inspect = app.add_subcommand("inspect", "Check a texture file's layout and describe it");
    inspect->add_option("FILE", args->file, "The texture file (.tex)")->required()->type_name("");
    inspect
        ->add_option("--png", args->pngPrefix,
                     "Also export each record's full-size picture as PREFIX-banner.png, PREFIX-destroyed1.png, ...")
        ->type_name("PREFIX");
    inspect->callback([args] { Exit(RunInspect(*args)); });
}
