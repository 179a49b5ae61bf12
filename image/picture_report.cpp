// Reasons for refused pictures, read from the headers the way the readers in picture.cpp read
// them; the verdict itself is always theirs, so the two cannot disagree.
#include "image/picture_report.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "core/file_stream.h"
#include "image/convert.h"
#include "image/picture.h"
#include "platform/file_facts.h"
#include "platform/win32.h"

namespace {

// More than any banner picture holds with its headers; a longer file is long enough.
const uint32_t kReadLimit = 1u << 20;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

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

// The file's bytes, up to kReadLimit; false with the system's reason when it cannot be read.
bool ReadStart(const char* path, std::vector<uint8_t>& bytes, std::string& reason)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char text[256];
    if (file == INVALID_HANDLE_VALUE) {
        SystemErrorText(GetLastError(), text, sizeof text);
        reason = text;
        return false;
    }
    CloseHandle(file);
    // Through a file stream, as the readers see the file: a stream header in front is skipped.
    FileStream in(path, ModeRead);
    for (size_t chunk = 4096; in.isGood() && bytes.size() < kReadLimit; chunk *= 2) {
        size_t at = bytes.size(), want = std::min<size_t>(chunk, kReadLimit - at);
        bytes.resize(at + want);
        bytes.resize(at + size_t(in.readSome(bytes.data() + at, int32_t(want))));
    }
    if (in.getStatus() == StreamFailed && bytes.empty()) {
        reason = "the file cannot be read";
        return false;
    }
    return true;
}

std::string SizeText(int64_t width, int64_t height) { return Format("%lld×%lld", (long long)width, (long long)height); }

const char kBannerSizes[] = "a banner is 32×32 or 64×64";

bool IsBannerSize(int64_t width, int64_t height) { return width == height && (width == 32 || width == 64); }

void ExamineTga(const std::vector<uint8_t>& b, PictureVerdict& v)
{
    if (b.size() < 18) {
        v.problem = "the file ends inside the TGA header";
        return;
    }
    const uint8_t* h = b.data();
    unsigned bits = h[16];
    if (h[2] == 9 || h[2] == 10 || h[2] == 11) v.problem = "RLE compression; a TGA banner is uncompressed";
    else if (h[1] != 0 || h[2] == 1) v.problem = "a colour-mapped TGA; a TGA banner is true colour with alpha";
    else if (h[2] != 2) v.problem = Format("TGA image type %u; a TGA banner is uncompressed true colour", h[2]);
    else if (bits != 32) v.problem = Format("%u-bit TGA; a TGA banner has 32 bits with alpha", bits);
    else if (h[17] & 0x20) v.problem = "rows stored top first; a TGA banner stores the bottom row first";
    else if (h[17] & 0x10) v.problem = "rows stored right to left; a TGA banner stores them left to right";
    else if (!IsBannerSize(U16(h + 12), U16(h + 14)))
        v.problem = SizeText(U16(h + 12), U16(h + 14)) + ", 32-bit TGA; " + kBannerSizes;
    if (!v.banner) return;
    uint64_t start = 18 + h[0], need = uint64_t(v.width) * v.height * 4;
    uint64_t have = b.size() > start ? b.size() - start : 0;
    if (have < need) {
        v.missingRows = uint32_t(v.height - have / (uint64_t(v.width) * 4));
        v.missingLook = "transparent";
    }
}

void ExamineBmp(const std::vector<uint8_t>& b, PictureVerdict& v)
{
    if (b.size() < 54) {
        v.problem = "the file ends inside the BMP headers";
        return;
    }
    const uint8_t* info = b.data() + 14;
    uint32_t infoSize = U32(info), compression = U32(info + 16);
    int32_t width = int32_t(U32(info + 4)), height = int32_t(U32(info + 8));
    unsigned bits = U16(info + 14);
    if (b[0] != 'B' || b[1] != 'M') v.problem = "not a BMP file";
    else if (infoSize < 40) v.problem = Format("a BMP with the old %u-byte header; a banner needs one of 40 bytes or more", infoSize);
    else if (infoSize > 0x10000 || U16(info + 12) != 1) v.problem = "a damaged BMP header";
    else if (compression == 1 || compression == 2) v.problem = "RLE compression; a BMP banner is uncompressed";
    else if (compression != 0) v.problem = Format("a BMP with compression %u; a BMP banner is uncompressed", compression);
    else if (height < 0) v.problem = "rows stored top first; a BMP banner stores the bottom row first";
    else if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        v.problem = Format("%u-bit BMP; a BMP banner has 1, 4, 8 or 24 bits", bits);
    else if (!IsBannerSize(width, height))
        v.problem = SizeText(width, height) + Format(", %u-bit BMP; ", bits) + kBannerSizes;
    else if (bits != 24 && U32(info + 32) > 256)
        v.problem = Format("a palette of %u colours; a BMP banner has at most 256", U32(info + 32));
    if (!v.banner) return;
    uint32_t entries = bits == 24 ? 0 : U32(info + 32) ? U32(info + 32) : 1u << bits;
    uint64_t position = 14 + uint64_t(infoSize) + entries * 4, offset = U32(b.data() + 10);
    // As ReadBmpBits: the header's offset when it lies further on and inside the file.
    uint64_t start = offset > position && offset < b.size() ? offset : position;
    uint64_t rowBytes = uint64_t(v.width) * bits / 8, need = rowBytes * v.height;
    uint64_t have = b.size() > start ? b.size() - start : 0;
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
    std::vector<uint8_t> bytes;
    if (!ReadStart(path, bytes, v.problem)) {
        v.banner = false;
        return v;
    }
    if (bytes.empty()) {
        if (!v.banner) v.problem = "the file is empty";
        return v;
    }
    if (HasTgaExtension(path)) ExamineTga(bytes, v);
    else ExamineBmp(bytes, v);
    if (v.banner) v.problem.clear();
    else if (v.problem.empty()) v.problem = "a picture the banner readers cannot read";
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
    // The conversion's rule: none, #1 alone, or all three.
    int count = counts[0] + counts[1] + counts[2];
    if (count == 0 || (count == 1 && counts[0])) {
        story.records = count ? 2 : 1;
    } else if (count == 3) {
        story.records = 4;
    } else {
        story.records = 0;
        story.lacking = !counts[0] ? 1 : !counts[1] ? 2 : 3;
        if (story.lacking == 1) story.atFault = counts[1] ? 2 : 3;  // the first one there
        else story.atFault = story.lacking == 2 ? 3 : 2;
    }
    return story;
}
