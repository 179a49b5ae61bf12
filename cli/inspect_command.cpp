// inspect: reads a TEX file with the checking reader, describes it, and can export level 0 of
// every record as a PNG.
#include <stdio.h>

#include "cli/commands.h"
#include "image/png_writer.h"
#include "image/tex_reader.h"
#include "platform/win32.h"

int RunInspectCommand(const InspectArguments& args)
{
    const char* file = args.file.c_str();
    const char* prefix = args.pngPrefix.empty() ? nullptr : args.pngPrefix.c_str();
    char path[MAX_PATH];
    if (!CorePathArgument("inspect", file, path)) return ExitFailed;

    TexBytes bytes;
    TexError error;
    TexLayout layout;
    if (!LoadTexFile(path, bytes, error) || !ParseTexLayout(bytes.data, bytes.size, layout, error)) {
        fprintf(stderr, "vexillor-cli inspect: %s: offset %u: %s\n", file, error.offset, error.text);
        return ExitFailed;
    }

    char text[128];
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
    // PREFIX-0.png is the banner picture, PREFIX-1.png to -3.png its destroyed variants.
    for (uint32_t i = 0; i < layout.recordCount; ++i) {
        char name[MAX_PATH + 16];
        snprintf(name, sizeof name, "%s-%u.png", prefix, i);
        char png[MAX_PATH];
        if (!CorePathArgument("inspect", name, png)) return ExitFailed;
        const TexRecordLayout& r = layout.records[i];
        if (!WritePngFile(png, bytes.data + r.chainOffset, r.width, r.height)) {
            fprintf(stderr, "vexillor-cli inspect: cannot write %s\n", name);
            return ExitFailed;
        }
        printf("wrote %s\n", name);
    }
    return ExitDone;
}
