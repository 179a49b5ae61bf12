// Reasons for refused pictures, read from the headers the way the readers in picture.cpp read
// them; the verdict itself is always theirs, so the two cannot disagree.
#include "image/picture_report.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "image/convert.h"
#include "image/le_fields.h"
#include "image/picture.h"
#include "platform/whole_file.h"

namespace {

// More than any banner picture holds with its headers; a longer file is long enough.
const uint32_t kReadLimit = 1u << 20;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// The file's first kReadLimit bytes as the readers see them: a file stream skips a stream
// header in front (FF A1 D0, the flags, then the name, value and identifier they announce).
// 0 with the system's reason when the file cannot be read.
int ReadStart(const char* path, std::string& bytes, ImageError& problem)
{
    DWORD failed = ReadWholeFile(path, kReadLimit, bytes, CutLonger);
    if (failed != ERROR_SUCCESS) {
        SetSystemError(problem, path, failed);
        return FailImage(problem, "%s", problem.reason);
    }
    const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 4 || b[0] != 0xFF || b[1] != 0xA1 || b[2] != 0xD0) return 1;
    const uint8_t flags = b[3];
    size_t skip = 4;
    if (flags & 0x08) skip += 1 + size_t(bytes.size() > 4 ? b[4] : 0);  // a name: its length, then its bytes
    if (flags & 0x10) skip += 4;                                           // a value
    if (flags & 0x20) skip += 16;                                          // an identifier
    bytes.erase(0, skip < bytes.size() ? skip : bytes.size());
    return 1;
}

std::string SizeText(int64_t width, int64_t height) { return Format("%lld×%lld", (long long)width, (long long)height); }

const char kBannerSizes[] = "a banner is 32×32 or 64×64";

bool IsBannerSize(int64_t width, int64_t height) { return width == height && (width == 32 || width == 64); }

void ExamineTga(const std::string& file, PictureVerdict& v, std::string& problem)
{
    const uint8_t* b = reinterpret_cast<const uint8_t*>(file.data());
    if (file.size() < 18) {
        problem = "the file ends inside the TGA header";
        return;
    }
    const uint8_t* h = b;
    unsigned bits = h[16];
    if (h[2] == 9 || h[2] == 10 || h[2] == 11) problem = "RLE compression; a TGA banner is uncompressed";
    else if (h[1] != 0 || h[2] == 1) problem = "a colour-mapped TGA; a TGA banner is true colour with alpha";
    else if (h[2] != 2) problem = Format("TGA image type %u; a TGA banner is uncompressed true colour", h[2]);
    else if (bits != 32) problem = Format("%u-bit TGA; a TGA banner has 32 bits with alpha", bits);
    else if (h[17] & 0x20) problem = "rows stored top first; a TGA banner stores the bottom row first";
    else if (h[17] & 0x10) problem = "rows stored right to left; a TGA banner stores them left to right";
    else if (!IsBannerSize(Le16(h + 12), Le16(h + 14)))
        problem = SizeText(Le16(h + 12), Le16(h + 14)) + ", 32-bit TGA; " + kBannerSizes;
    if (!v.banner) return;
    uint64_t start = 18 + h[0], need = uint64_t(v.width) * v.height * 4;
    uint64_t have = file.size() > start ? file.size() - start : 0;
    if (have < need) {
        v.missingRows = uint32_t(v.height - have / (uint64_t(v.width) * 4));
        v.missingLook = "transparent";
    }
}

// What a file named as a BMP is instead, when it is a picture of another common kind.
std::string NotABmp(const uint8_t* b, size_t n)
{
    if (n >= 8 && memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0) return "a PNG picture, not a BMP";
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "a JPEG picture, not a BMP";
    if (n >= 6 && (memcmp(b, "GIF87a", 6) == 0 || memcmp(b, "GIF89a", 6) == 0)) return "a GIF picture, not a BMP";
    return "not a BMP file";
}

// A BMP stored other than plain, in the words of the programs that save it so.
std::string PackedBmpProblem(const std::string& file, uint32_t compression, unsigned bits)
{
    const uint8_t* info = reinterpret_cast<const uint8_t*>(file.data()) + 14;
    // Colour masks (3), with an alpha mask in a header of 56 bytes or more, or masks with alpha (6).
    const bool alpha = compression == 6 || (Le32(info) >= 56 && file.size() >= 14 + 56 && Le32(info + 52) != 0);
    const char* banner = "; a BMP banner has 1, 4, 8 or 24 bits";
    if ((compression == 3 || compression == 6) && bits == 32 && alpha)
        return std::string("a 32-bit BMP with transparency, as GIMP saves it") + banner;
    if (compression == 3 || compression == 6) return Format("a %u-bit BMP", bits) + banner;
    if (compression == 4) return "a BMP holding a JPEG picture; a BMP banner holds its pixels plainly";
    if (compression == 5) return "a BMP holding a PNG picture; a BMP banner holds its pixels plainly";
    return Format("a BMP packed in a way of its own (compression %u); a BMP banner holds its pixels plainly",
                  compression);
}

void ExamineBmp(const std::string& file, PictureVerdict& v, std::string& problem)
{
    const uint8_t* b = reinterpret_cast<const uint8_t*>(file.data());
    if (file.size() < 54) {
        problem = "the file ends inside the BMP headers";
        return;
    }
    const uint8_t* info = b + 14;
    uint32_t infoSize = Le32(info), compression = Le32(info + 16);
    int32_t width = int32_t(Le32(info + 4)), height = int32_t(Le32(info + 8));
    unsigned bits = Le16(info + 14);
    if (b[0] != 'B' || b[1] != 'M') problem = NotABmp(b, file.size());
    else if (infoSize < 40) problem = Format("a BMP with the old %u-byte header; a banner needs one of 40 bytes or more", infoSize);
    else if (infoSize > 0x10000 || Le16(info + 12) != 1) problem = "a damaged BMP header";
    else if (compression == 1 || compression == 2) problem = "RLE compression; a BMP banner is uncompressed";
    else if (compression != 0) problem = PackedBmpProblem(file, compression, bits);
    else if (height < 0) problem = "rows stored top first; a BMP banner stores the bottom row first";
    else if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        problem = Format("%u-bit BMP; a BMP banner has 1, 4, 8 or 24 bits", bits);
    else if (!IsBannerSize(width, height))
        problem = SizeText(width, height) + Format(", %u-bit BMP; ", bits) + kBannerSizes;
    else if (bits != 24 && Le32(info + 32) > 256)
        problem = Format("a palette of %u colours; a BMP banner has at most 256", Le32(info + 32));
    if (!v.banner) return;
    uint32_t entries = bits == 24 ? 0 : Le32(info + 32) ? Le32(info + 32) : 1u << bits;
    uint64_t position = 14 + uint64_t(infoSize) + entries * 4, offset = Le32(b + 10);
    // As ReadBmpBits: the header's offset when it lies further on and inside the file.
    uint64_t start = offset > position && offset < file.size() ? offset : position;
    uint64_t rowBytes = uint64_t(v.width) * bits / 8, need = rowBytes * v.height;
    uint64_t have = file.size() > start ? file.size() - start : 0;
    if (have < need) {
        v.missingRows = uint32_t(v.height - have / rowBytes);
        v.missingLook = bits == 24 ? "black" : "in the palette's first colour";
    }
}

}  // namespace

PictureVerdict ExaminePicture(const char* path)
{
    PictureVerdict v;
    v.banner = CheckBannerPicture(path, &v.width, &v.height) != 0;
    std::string bytes, problem;
    if (!ReadStart(path, bytes, v.problem)) {
        v.banner = false;
        return v;
    }
    if (bytes.empty()) {
        if (!v.banner) FailImage(v.problem, "the file is empty");
        return v;
    }
    if (HasTgaExtension(path)) ExamineTga(bytes, v, problem);
    else ExamineBmp(bytes, v, problem);
    if (v.banner) problem.clear();
    else if (problem.empty()) problem = "a picture the banner readers cannot read";
    snprintf(v.problem.text, sizeof v.problem.text, "%s", problem.c_str());
    return v;
}

VariantStory TellVariants(const char* source)
{
    VariantStory story;
    bool counts[3] = {false, false, false};
    for (int k = 1; k <= 3; ++k) {
        const char* name = MakeVariantName(source, k);
        if (!name || !PathExists(name)) continue;
        std::string copy = name;  // the next MakeVariantName overwrites its buffer
        story.present[k - 1] = true;
        story.verdicts[k - 1] = ExaminePicture(copy.c_str());
        counts[k - 1] = story.verdicts[k - 1].banner;
    }
    story.records = VariantRecordCount(counts);
    return story;
}
