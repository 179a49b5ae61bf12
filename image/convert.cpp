// The banner conversion: reads the picture and its destroyed variants, derives the texture
// flags from the destination markers and writes the TEX file in place of the old one.
#include "image/convert.h"

#include <stdio.h>
#include <string.h>

#include "core/file_stream.h"
#include "image/image_error.h"
#include "image/picture.h"
#include "image/tex_format.h"
#include "image/tex_writer.h"

GUID conversionId;
uint32_t requestedLevelCount = 1;

namespace {

char variantName[MAX_PATH];

// The new banner is written under a name of its own beside the destination (so that the final
// rename stays on one volume): "~vx" and eight random hex digits, fewer when the folder's path
// leaves less room, so that every destination that fits MAX_PATH gets one.
const char kTemporaryStem[] = "~vx";
const int kTemporaryAttempts = 64;
const int kReplaceAttempts = 200;  // 10 ms apart
const char kCantOpen[] = "Can't open output file";

void RemoveAt(char* text, size_t p, size_t n)
{
    memmove(text + p, text + p + n, strlen(text + p + n) + 1);
}

bool IsZero(const GUID& id)
{
    static const GUID zero = {};
    return memcmp(&id, &zero, sizeof id) == 0;
}

int ReadPicture(Picture& picture, const char* path, bool isTga)
{
    if (!PathExists(path)) return 0;
    return isTga ? ReadTgaPicture(picture, path) : ReadBmpPicture(picture, path);
}

// True when an existing destination could not be replaced: a folder, or a read-only file.
bool IsUnreplaceable(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // absent: it will be created
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
}

// Creates the conversion's own temporary file beside `name` (CREATE_NEW: a name that is taken,
// whoever took it, is left alone and another one tried). On success `temporary` holds its
// name and `out` is open on it.
bool CreateTemporary(const char* name, const GUID& id, char (&temporary)[MAX_PATH], FileStream& out)
{
    const char* cut = strrchr(name, '\\');
    const char* slash = strrchr(name, '/');
    if (slash && (!cut || slash > cut)) cut = slash;
    if (!cut && name[0] && name[1] == ':') cut = name + 1;  // "C:name": the drive's folder
    size_t folderLength = cut ? size_t(cut - name) + 1 : 0;
    size_t room = sizeof temporary - 1 - folderLength;  // for the stem and the digits
    size_t stem = sizeof kTemporaryStem - 1;
    if (folderLength >= sizeof temporary || room <= stem) return false;
    int digits = room - stem < 8 ? int(room - stem) : 8;
    memcpy(temporary, name, folderLength);
    memcpy(temporary + folderLength, kTemporaryStem, stem);
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        GUID random = {};
        CoCreateGuid(&random);
        // Without the random source, the conversion's own identifier and the attempt still vary.
        uint32_t value = random.Data1 ^ id.Data1 ^ (uint32_t(attempt) * 0x9E3779B9u);
        snprintf(temporary + folderLength + stem, size_t(digits) + 1, "%08X", value);
        if (out.open(temporary, ModeWrite | ModeCreateNew, 0, -1)) return true;
        DWORD error = GetLastError();
        out.close();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// Puts the finished file in place of the destination. While another conversion (or a virus
// scanner, or the game) holds the destination for a moment, Windows refuses the replace with
// ERROR_ACCESS_DENIED or ERROR_SHARING_VIOLATION: that is tried again for up to two seconds,
// unless the destination has become one that cannot be replaced at all.
bool ReplaceWith(const char* temporary, const char* name)
{
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(temporary, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt >= kReplaceAttempts ||
            IsUnreplaceable(name))
            return false;
        Sleep(10);
    }
}

// The failure of writing `name`: what failed, the file and the system's reason; returns 0.
int OutputFailed(ImageError& error, const char* what, const char* name, DWORD system)
{
    SetSystemError(error, name, system);
    return FailImage(error, "%s", what);
}

}  // namespace

int WriteTextureFile(const char* name, uint32_t flags, const Picture* const* records, int count, const GUID& id,
                     uint32_t levels, ImageError& error)
{
    error = ImageError();
    // The old banner stays untouched until a complete new file can take its place.
    char temporary[MAX_PATH];
    if (!name[0] || IsUnreplaceable(name)) return OutputFailed(error, kCantOpen, name, ERROR_ACCESS_DENIED);
    FileStream out;
    if (!CreateTemporary(name, id, temporary, out)) return OutputFailed(error, kCantOpen, name, GetLastError());
    if (!IsZero(id)) out.writeHeader(&id, nullptr, 0, 1);
    if (!out.isGood()) {
        OutputFailed(error, kCantOpen, name, GetLastError());
        out.close();
        DeleteFileA(temporary);
        return 0;
    }

    int written = 1;
    if (count > 1) written &= WriteTextureSetHeader(out, flags, uint32_t(count));
    for (int k = 0; k < count; ++k) written &= WriteTextureRecord(*records[k], out, flags, levels);
    written &= out.isGood() ? 1 : 0;
    written &= out.close();  // the last bytes reach the file here
    if (!written) {
        OutputFailed(error, "Can't write output file", name, GetLastError());
        DeleteFileA(temporary);
        return 0;
    }
    if (!ReplaceWith(temporary, name)) {
        OutputFailed(error, kCantOpen, name, GetLastError());
        DeleteFileA(temporary);
        return 0;
    }
    return 1;
}

void PrintConversionFailure(const ImageError& error) { printf("%s (%s)\n", error.text, error.file); }

const char* MakeVariantName(const char* source, int k)
{
    size_t n = strlen(source);
    if (n < 4) return nullptr;                    // no extension to put the number before
    if (n + 2 >= sizeof variantName) return nullptr;  // "#" and the digit must fit as well
    memcpy(variantName, source, n - 4);
    size_t p = n - 4;
    variantName[p++] = '#';
    if (k >= 1 && k <= 3) variantName[p++] = char('0' + k);
    memcpy(variantName + p, source + n - 4, 5);   // the extension and its terminating zero
    return variantName;
}

int VariantRecordCount(const bool present[3])
{
    int count = present[0] + present[1] + present[2];
    if (count == 2 || (count > 0 && !present[0])) return 0;
    return count == 0 ? 1 : count == 1 ? 2 : 4;
}

int ConvertBannerPicture(const char* source, const char* destination)
{
    CoCreateGuid(&conversionId);  // a failure leaves a value that is used as it is
    requestedLevelCount = kBannerLevels;
    ImageError error;
    return ConvertBanner(source, destination, conversionId, requestedLevelCount, error);
}

int ConvertBanner(const char* source, const char* destination, const GUID& id, uint32_t levels, ImageError& error)
{
    bool isTga = HasTgaExtension(source);
    char spec[MAX_PATH];
    size_t n = strlen(destination);
    if (n + 1 >= sizeof spec) {  // "#" and the path must fit the conversion's buffer
        error = ImageError();
        snprintf(error.file, sizeof error.file, "%s", destination);
        printf("Can't open output file (%s)\n", destination);
        return FailImage(error, "%s", kCantOpen);
    }
    spec[0] = '#';
    memcpy(spec + 1, destination, n + 1);
    return ConvertPictureWith(source, spec, isTga, id, levels, error);
}

int ConvertPicture(const char* source, const char* spec, bool isTga)
{
    ImageError error;
    return ConvertPictureWith(source, spec, isTga, conversionId, requestedLevelCount, error);
}

int ConvertPictureWith(const char* source, const char* spec, bool isTga, const GUID& id, uint32_t levels,
                       ImageError& error)
{
    error = ImageError();
    char name[MAX_PATH];
    size_t specLength = strlen(spec);
    if (specLength >= sizeof name) {
        snprintf(error.file, sizeof error.file, "%s", spec);
        printf("Can't open output file (%s)\n", spec);
        return FailImage(error, "%s", kCantOpen);
    }
    memcpy(name, spec, specLength + 1);

    // Sources too long to name their variants are refused rather than cut.
    size_t sourceLength = strlen(source);
    Picture picture;
    if (sourceLength + 2 >= MAX_PATH || !ReadPicture(picture, source, isTga)) {
        snprintf(error.file, sizeof error.file, "%s", source);
        printf("Can't open file (%s)\n", source);
        return FailImage(error, "Can't open file");
    }

    Picture variants[3];
    bool present[3] = {false, false, false};
    for (int k = 1; k <= 3 && sourceLength >= 4; ++k)
        present[k - 1] = ReadPicture(variants[k - 1], MakeVariantName(source, k), isTga) != 0;
    const int records = VariantRecordCount(present);
    if (records == 0) {
        printf("Can't collect all 'destroyed' textures\n");
        return FailImage(error, "Can't collect all 'destroyed' textures");
    }

    // Markers in front of the file name: each test sees the text as the one before left it.
    size_t p = strcspn(name, "#$@~");
    uint32_t flags = 0;
    if (name[p] == '#') {
        RemoveAt(name, p, 1);
        flags = isTga ? TexFromTga : TexFromBmp;
    }
    if (name[p] == '$') {
        RemoveAt(name, p, 1);
        flags |= TexMarkerDollar;
    }
    if (name[p] == '@' && name[p + 1] == '4') {
        RemoveAt(name, p, 2);
        flags |= TexMarkerAt4;
    }
    if (name[0] == '~' && name[p]) {
        RemoveAt(name, p, 1);
        flags |= TexMarkerTilde;
    }

    printf("%-15s->     %-20s\n", source, name);
    flags |= TexFormatWord | TexWidthWord | TexHeightWord;

    const Picture* pictures[4] = {&picture, &variants[0], &variants[1], &variants[2]};
    if (WriteTextureFile(name, flags, pictures, records, id, levels, error)) return 1;
    PrintConversionFailure(error);
    return 0;
}

int WriteBannerTexture(const Picture* const* pictures, int count, const char* destination, bool keepsAlpha,
                       ImageError& error)
{
    error = ImageError();
    if (count != 1 && count != 2 && count != 4) return FailImage(error, "a banner has 1, 2 or 4 pictures");
    GUID id = {};
    CoCreateGuid(&id);
    uint32_t flags = (keepsAlpha ? TexFromTga : TexFromBmp) | TexFormatWord | TexWidthWord | TexHeightWord;
    return WriteTextureFile(destination, flags, pictures, count, id, kBannerLevels, error);
}
