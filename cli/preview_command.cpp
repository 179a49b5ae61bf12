// preview: every record and level of a texture, or of a picture as convert --fit makes it, on
// one PNG sheet.
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/banner_request.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "cli/output_files.h"
#include "core/zero_alloc.h"
#include "image/convert.h"
#include "image/png_writer.h"
#include "image/tex_reader.h"
#include "image/tex_writer.h"

namespace {

const char kCommand[] = "preview";

struct PreviewArguments {
    std::string input;
    std::string output;
    KindChoice kind;
    FitChoice choice;
    int scale = 4;
};

// The records of a sheet: level 0 of each, with the sizes and places of its further levels.
struct SheetRecord {
    const uint8_t* levels[8];
    uint32_t width[8], height[8], count;
};

// What the sheet shows, and the storage its records point into.
struct Sheet {
    SheetRecord records[kTexMaxRecords] = {};
    uint32_t count = 0;
    TexBytes bytes;         // a texture file
    Picture levels[4][5];   // a fitted picture's levels
};

// Draws a level `scale` times enlarged at (x0, y0) of the sheet, over a checkerboard.
void DrawLevel(uint8_t* sheet, uint32_t sheetWidth, uint32_t x0, uint32_t y0, const uint8_t* level,
               uint32_t w, uint32_t h, uint32_t scale)
{
    for (uint32_t y = 0; y < h * scale; ++y)
        for (uint32_t x = 0; x < w * scale; ++x) {
            const uint8_t* p = level + (size_t(y / scale) * w + x / scale) * 4;
            uint8_t* out = sheet + (size_t(y0 + y) * sheetWidth + x0 + x) * 4;
            const uint32_t back = ((x / 8 + y / 8) & 1) ? 153 : 204;
            for (int c = 0; c < 3; ++c) out[c] = uint8_t((p[c] * p[3] + back * (255 - p[3]) + 127) / 255);
            out[3] = 255;
        }
}

int WriteSheet(const char* path, const SheetRecord* records, uint32_t n, uint32_t scale, uint32_t* w, uint32_t* h,
               ImageError& error)
{
    const uint32_t gap = 8;
    uint32_t sheetWidth = gap, sheetHeight = gap;
    for (uint32_t r = 0; r < n; ++r) {
        uint32_t rowWidth = gap;
        for (uint32_t k = 0; k < records[r].count; ++k) rowWidth += records[r].width[k] * scale + gap;
        if (rowWidth > sheetWidth) sheetWidth = rowWidth;
        sheetHeight += records[r].height[0] * scale + gap;
    }
    if (uint64_t(sheetWidth) * sheetHeight * 4 > kMaxPictureBytes)
        return FailImage(error, "a sheet of %ux%u pixels is too large", sheetWidth, sheetHeight);
    uint8_t* sheet = static_cast<uint8_t*>(zeroAlloc(size_t(sheetWidth) * sheetHeight * 4));
    if (!sheet) return FailImage(error, "not enough memory");
    for (size_t i = 0; i < size_t(sheetWidth) * sheetHeight; ++i) memcpy(sheet + 4 * i, "\x30\x30\x30\xff", 4);
    uint32_t y = gap;
    for (uint32_t r = 0; r < n; ++r) {
        uint32_t x = gap;
        for (uint32_t k = 0; k < records[r].count; ++k) {
            DrawLevel(sheet, sheetWidth, x, y, records[r].levels[k], records[r].width[k], records[r].height[k], scale);
            x += records[r].width[k] * scale + gap;
        }
        y += records[r].height[0] * scale + gap;
    }
    int ok = WritePngFile(path, sheet, sheetWidth, sheetHeight, error);
    zeroFree(sheet);
    *w = sheetWidth;
    *h = sheetHeight;
    return ok;
}

// The checking reader's account: what the file holds, level by level.
bool TexRecords(const BannerRequest& request, Sheet& sheet, Failure& failure)
{
    TexError error;
    TexLayout layout;
    if (!LoadTexFile(request.picture, sheet.bytes, error) ||
        !ParseTexLayout(sheet.bytes.data, sheet.bytes.size, layout, error))
        return Fail(failure, FailCommand,
                    request.typedPicture + ": offset " + std::to_string(error.offset) + ": " + error.text);
    sheet.count = layout.recordCount;
    for (uint32_t r = 0; r < sheet.count; ++r) {
        const TexRecordLayout& t = layout.records[r];
        uint32_t offset = t.chainOffset, w = t.width, h = t.height;
        // Level sizes as the reader checked them; a level with no pixels ends the row.
        for (uint32_t k = 0; k < t.levels && k < 8 && w && h; ++k, w /= 2, h /= 2) {
            sheet.records[r].count = k + 1;
            sheet.records[r].levels[k] = sheet.bytes.data + offset;
            sheet.records[r].width[k] = w;
            sheet.records[r].height[k] = h;
            offset += w * h * 4;
        }
    }
    return true;
}

// As convert --fit would write it: the banner and its variants, five levels each.
bool FittedRecords(BannerRequest& request, Sheet& sheet, Failure& failure)
{
    if (!FitRequestedPicture(request, failure)) return false;
    sheet.count = uint32_t(request.fitted.count);
    for (uint32_t r = 0; r < sheet.count; ++r) {
        sheet.records[r].count = kBannerLevels;
        for (uint32_t k = 0; k < kBannerLevels; ++k) {
            if (k && !HalveLevel(k == 1 ? request.fitted.pictures[r] : sheet.levels[r][k - 1], sheet.levels[r][k]))
                return Fail(failure, FailCommand, "not enough memory");
            const Picture& p = k ? sheet.levels[r][k] : request.fitted.pictures[r];
            sheet.records[r].levels[k] = p.pixels;
            sheet.records[r].width[k] = p.width;
            sheet.records[r].height[k] = p.height;
        }
    }
    return true;
}

int RunPreview(const PreviewArguments& args)
{
    BannerRequest request;
    Failure failure;
    request.fitting = true;
    char out[MAX_PATH];
    // Without -o, beside the picture, as fit names its banner.
    const std::string output = args.output.empty() ? NameBeside(args.input, "-preview.png") : args.output;
    if (!SetPicture(request, args.input, failure) || !CorePathArgument(output, out, failure))
        return Report(kCommand, failure);
    const bool tex = HasTexExtension(request.picture);
    if (tex && (args.kind.given() || args.choice.given()))
        return Report(kCommand, {FailUsage, "a texture file is shown as it is: --in-game, --statistic, --size, "
                                            "--crop and --smooth are for pictures"});
    if ((!tex && !ResolveFitOptions(args.kind, args.choice, request.fit, failure)) ||
        !CheckNotAnInput(request, out, output, failure))
        return Report(kCommand, failure);
    auto sheet = std::make_unique<Sheet>();
    if (!(tex ? TexRecords(request, *sheet, failure) : FittedRecords(request, *sheet, failure)))
        return Report(kCommand, failure);
    uint32_t w = 0, h = 0;
    ImageError error;
    FolderWatch folders(output);
    const int written = WriteSheet(out, sheet->records, sheet->count, uint32_t(args.scale), &w, &h, error);
    folders.tell();
    if (!written)
        return Report(kCommand, {FailCommand, "cannot write '" + output + "': " + WhyNotWritten(out, output, error)});
    printf("wrote %s (%ux%u: %u record%s, every level x%d)\n", output.c_str(), w, h, sheet->count,
           sheet->count == 1 ? "" : "s", args.scale);
    return ExitDone;
}

}  // namespace

void AddPreviewCommand(CLI::App& app)
{
    auto args = std::make_shared<PreviewArguments>();
    CLI::App* preview = app.add_subcommand(
        "preview", "Show every record and level of a texture, or of a picture as convert --fit makes it");
    preview->add_option("INPUT", args->input, "A texture file (.tex) or a picture")->required()->type_name("");
    preview->add_option("-o", args->output, "The sheet to write (.png; default: STEM-preview.png beside INPUT)")
        ->type_name("SHEET");
    preview->add_option("--scale", args->scale, "Magnification of every level (default 4)")
        ->check(CLI::Range(1, 16))
        ->type_name("N");
    AddBannerKind(*preview, args->kind, false);
    AddFitChoice(*preview, args->choice);
    preview->callback([args] { Exit(RunPreview(*args)); });
}
