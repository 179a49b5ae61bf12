// fit, preview, and the --fit of convert and install: pictures of any kind and size made
// banners, written as banner pictures, as texture files, or shown on a sheet of all levels.
#include <stdio.h>
#include <string.h>

#include <string>

#include "cli/commands.h"
#include "core/zero_alloc.h"
#include "image/banner_files.h"
#include "image/banner_fit.h"
#include "image/convert.h"
#include "image/png_writer.h"
#include "image/tex_reader.h"
#include "image/tex_writer.h"
#include "platform/win32.h"

#ifndef _WIN32
#include <sys/stat.h>

#include "platform/posix_path.h"
#endif

namespace {

// True when both paths name one existing file, however they are spelled (links, case, "..").
bool SameFile(const char* a, const char* b)
{
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE h = CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        BOOL ok = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
#else
    std::string na, nb;
    struct stat sa, sb;
    return CoreToNativePath(a, na) && CoreToNativePath(b, nb) && stat(na.c_str(), &sa) == 0 &&
           stat(nb.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

// The picture and every variant name beside it: what a command reads and must not overwrite.
bool IsAnInput(const char* source, const char* path)
{
    if (SameFile(source, path)) return true;
    char variant[MAX_PATH];
    for (int k = 1; k <= 3; ++k)
        if (MakePictureVariantName(source, k, variant, sizeof variant) && SameFile(variant, path)) return true;
    return false;
}

// Reads and fits the picture with its variants; prints why not.
int FitForCommand(const char* command, const char* source, const FitOptions& options, FittedBanner& fitted)
{
    char error[MAX_PATH + 200];
    if (FitBannerSet(source, options, fitted, error, sizeof error)) return 1;
    fprintf(stderr, "vexillor-cli %s: %s\n", command, error);
    return 0;
}

const char* KindText(const FitOptions& o) { return o.kind == BannerInGame ? "in game" : "statistics"; }

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

// The records of a sheet: level 0 of each, with the sizes and places of its further levels.
struct SheetRecord {
    const uint8_t* levels[8];
    uint32_t width[8], height[8], count;
};

int WriteSheet(const char* path, const SheetRecord* records, uint32_t n, uint32_t scale, uint32_t* w, uint32_t* h)
{
    const uint32_t gap = 8;
    uint32_t sheetWidth = gap, sheetHeight = gap;
    for (uint32_t r = 0; r < n; ++r) {
        uint32_t rowWidth = gap;
        for (uint32_t k = 0; k < records[r].count; ++k) rowWidth += records[r].width[k] * scale + gap;
        if (rowWidth > sheetWidth) sheetWidth = rowWidth;
        sheetHeight += records[r].height[0] * scale + gap;
    }
    if (uint64_t(sheetWidth) * sheetHeight * 4 > kMaxPictureBytes) return 0;
    uint8_t* sheet = static_cast<uint8_t*>(zeroAlloc(size_t(sheetWidth) * sheetHeight * 4));
    if (!sheet) return 0;
    for (size_t i = 0; i < size_t(sheetWidth) * sheetHeight; ++i)
        memcpy(sheet + 4 * i, "\x30\x30\x30\xff", 4);
    uint32_t y = gap;
    for (uint32_t r = 0; r < n; ++r) {
        uint32_t x = gap;
        for (uint32_t k = 0; k < records[r].count; ++k) {
            DrawLevel(sheet, sheetWidth, x, y, records[r].levels[k], records[r].width[k], records[r].height[k], scale);
            x += records[r].width[k] * scale + gap;
        }
        y += records[r].height[0] * scale + gap;
    }
    int ok = WritePngFile(path, sheet, sheetWidth, sheetHeight);
    zeroFree(sheet);
    *w = sheetWidth;
    *h = sheetHeight;
    return ok;
}

// Output k (0 the banner, 1 to 3 its variants) named as the user spells OUT.
std::string UserName(const std::string& out, int k)
{
    if (k == 0) return out;
    char name[MAX_PATH];
    return MakePictureVariantName(out.c_str(), k, name, sizeof name) ? name : out;
}

bool EndsWithTex(const char* path)
{
    size_t n = strlen(path);
    return n >= 4 && path[n - 4] == '.' && (path[n - 3] | 0x20) == 't' && (path[n - 2] | 0x20) == 'e' &&
           (path[n - 1] | 0x20) == 'x';
}

}  // namespace

int ResolveFitChoice(const char* command, const FitChoice& choice, FitOptions& options)
{
    if (choice.inGame == choice.statistic)
        return UsageError(command, "choose one banner kind: --in-game or --statistic");
    options.kind = choice.inGame ? BannerInGame : BannerStatistic;
    if (choice.inGame && choice.size == 64)
        return UsageError(command, "the in-game banner is 32x32; --size 64 is for --statistic");
    options.size = choice.size ? uint32_t(choice.size) : choice.inGame ? 32 : 64;
    options.crop = choice.crop;
    options.smooth = choice.smooth;
    return ExitDone;
}

int FitPictureForCommand(const char* command, const char* source, const FitChoice& choice,
                         FittedBanner& fitted)
{
    FitOptions options;
    if (ResolveFitChoice(command, choice, options) != ExitDone) return 0;
    return FitForCommand(command, source, options, fitted);
}

int WriteFittedTexture(const FittedBanner& fitted, const char* destination, const FitChoice& choice)
{
    const Picture* records[4] = {&fitted.pictures[0], &fitted.pictures[1], &fitted.pictures[2], &fitted.pictures[3]};
    int written = WriteBannerTexture(records, fitted.count, destination, choice.statistic);
    fflush(stdout);
    return written;
}

int RunConvertFitted(const ConvertArguments& args)
{
    char source[MAX_PATH], destination[MAX_PATH];
    if (!CorePathArgument("convert", args.picture.c_str(), source)) return ExitFailed;
    if (!CorePathArgument("convert", args.output.c_str(), destination)) return ExitFailed;
    FitOptions options;
    if (ResolveFitChoice("convert", args.choice, options) != ExitDone) return ExitUsage;
    if (IsAnInput(source, destination)) {
        fprintf(stderr, "vexillor-cli convert: '%s' is the picture or one of its variants\n", args.output.c_str());
        return ExitFailed;
    }
    FittedBanner fitted;
    if (!FitForCommand("convert", source, options, fitted)) return ExitFailed;
    printf("%-15s->     %-20s\n", source, destination);
    if (!WriteFittedTexture(fitted, destination, args.choice)) {
        fprintf(stderr, "vexillor-cli convert: cannot write '%s'\n", args.output.c_str());
        return ExitFailed;
    }
    return ExitDone;
}

int RunFitCommand(const FitArguments& args)
{
    FitOptions options;
    if (ResolveFitChoice("fit", args.choice, options) != ExitDone) return ExitUsage;
    char source[MAX_PATH], out[MAX_PATH];
    if (!CorePathArgument("fit", args.picture.c_str(), source)) return ExitFailed;
    std::string output = args.output;
    if (output.empty()) {  // STEM-banner.bmp or .tga beside the picture
        const std::string& picture = args.picture;
        size_t name = picture.find_last_of("/\\");
        name = name == std::string::npos ? 0 : name + 1;
        size_t dot = picture.rfind('.');
        output = picture.substr(0, dot != std::string::npos && dot > name ? dot : picture.size());
        output += options.kind == BannerInGame ? "-banner.bmp" : "-banner.tga";
    }
    if (!CorePathArgument("fit", output.c_str(), out)) return ExitFailed;
    // The window program reads a .tga as TGA and everything else as BMP, after an extension test.
    if (!PassesExtensionTest(out) || HasTgaExtension(out) != (options.kind == BannerStatistic))
        return UsageError("fit", options.kind == BannerInGame ? "OUT must end in .bmp for the in-game banner"
                                                              : "OUT must end in .tga for the statistics banner");

    FittedBanner fitted;
    if (!FitForCommand("fit", source, options, fitted)) return ExitFailed;
    char names[4][MAX_PATH];
    strcpy(names[0], out);
    for (int k = 1; k < 4; ++k)
        if (!MakePictureVariantName(out, k, names[k], MAX_PATH)) {
            fprintf(stderr, "vexillor-cli fit: '%s': the variant names would be too long\n", output.c_str());
            return ExitFailed;
        }
    for (int k = 0; k < fitted.count; ++k)
        if (IsAnInput(source, names[k])) {
            fprintf(stderr, "vexillor-cli fit: '%s' is the picture or one of its variants; choose another -o\n",
                    UserName(output, k).c_str());
            return ExitFailed;
        }
    for (int k = 0; k < fitted.count; ++k) {
        int ok = options.kind == BannerInGame ? WriteBannerBmp(names[k], fitted.pictures[k])
                                              : WriteBannerTga(names[k], fitted.pictures[k]);
        if (!ok) {
            fprintf(stderr, "vexillor-cli fit: cannot write '%s'\n", UserName(output, k).c_str());
            while (k-- > 0) DeleteFileA(names[k]);  // all of the set or nothing
            return ExitFailed;
        }
    }
    for (int k = 0; k < fitted.count; ++k)
        printf("wrote %s (%ux%u, %s banner)\n", UserName(output, k).c_str(), options.size, options.size,
               KindText(options));
    // Old variants beside the output would join the banner in the window program.
    for (int k = fitted.count == 1 ? 1 : 4; k < 4; ++k)
        if (PathExists(names[k]))
            printf("note: %s was left as it was; the window program will take it as a variant\n",
                   UserName(output, k).c_str());
    return ExitDone;
}

int RunPreviewCommand(const PreviewArguments& args)
{
    char input[MAX_PATH], out[MAX_PATH];
    if (!CorePathArgument("preview", args.input.c_str(), input)) return ExitFailed;
    if (!CorePathArgument("preview", args.output.c_str(), out)) return ExitFailed;
    const bool tex = EndsWithTex(input);
    if (tex && (args.choice.inGame || args.choice.statistic || args.choice.size || args.choice.crop || args.choice.smooth))
        return UsageError("preview", "a texture file is shown as it is: --in-game, --statistic, --size, --crop "
                                     "and --smooth are for pictures");
    FitOptions options;
    if (!tex && ResolveFitChoice("preview", args.choice, options) != ExitDone) return ExitUsage;
    if (IsAnInput(input, out)) {
        fprintf(stderr, "vexillor-cli preview: '%s' is the input or one of its variants\n", args.output.c_str());
        return ExitFailed;
    }

    SheetRecord records[kTexMaxRecords] = {};
    uint32_t count = 0;
    TexBytes bytes;
    FittedBanner fitted;
    Picture levels[4][5];
    if (tex) {  // the checking reader: what the file holds, level by level
        TexError error;
        TexLayout layout;
        if (!LoadTexFile(input, bytes, error) || !ParseTexLayout(bytes.data, bytes.size, layout, error)) {
            fprintf(stderr, "vexillor-cli preview: %s: offset %u: %s\n", args.input.c_str(), error.offset, error.text);
            return ExitFailed;
        }
        count = layout.recordCount;
        for (uint32_t r = 0; r < count; ++r) {
            const TexRecordLayout& t = layout.records[r];
            uint32_t offset = t.chainOffset, w = t.width, h = t.height;
            // Level sizes as the reader checked them; a level with no pixels ends the row.
            for (uint32_t k = 0; k < t.levels && k < 8 && w && h; ++k, w /= 2, h /= 2) {
                records[r].count = k + 1;
                records[r].levels[k] = bytes.data + offset;
                records[r].width[k] = w;
                records[r].height[k] = h;
                offset += w * h * 4;
            }
        }
    } else {  // as convert --fit would write it: the banner and its variants, five levels each
        if (!FitForCommand("preview", input, options, fitted)) return ExitFailed;
        count = uint32_t(fitted.count);
        for (uint32_t r = 0; r < count; ++r) {
            records[r].count = 5;
            for (uint32_t k = 0; k < 5; ++k) {
                if (k && !HalveLevel(k == 1 ? fitted.pictures[r] : levels[r][k - 1], levels[r][k])) {
                    fprintf(stderr, "vexillor-cli preview: not enough memory\n");
                    return ExitFailed;
                }
                const Picture& p = k ? levels[r][k] : fitted.pictures[r];
                records[r].levels[k] = p.pixels;
                records[r].width[k] = p.width;
                records[r].height[k] = p.height;
            }
        }
    }
    uint32_t w = 0, h = 0;
    if (!WriteSheet(out, records, count, uint32_t(args.scale), &w, &h)) {
        fprintf(stderr, "vexillor-cli preview: cannot write '%s'\n", args.output.c_str());
        return ExitFailed;
    }
    printf("wrote %s (%ux%u: %u record%s, every level x%d)\n", args.output.c_str(), w, h, count,
           count == 1 ? "" : "s", args.scale);
    return ExitDone;
}
