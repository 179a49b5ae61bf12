// The banner conversion: reads the picture and its destroyed variants, derives the texture
// flags from the destination markers and writes the TEX file in place of the old one.
#include "image/convert.h"

#include <stdio.h>
#include <string.h>

#include "core/file_stream.h"
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

// Removes the temporary file of a failed conversion, keeping the error that failed it for the
// caller's message.
void DiscardTemporary(const char* temporary)
{
    DWORD error = GetLastError();
    DeleteFileA(temporary);
    SetLastError(error);
}

// Creates the conversion's own temporary file beside `name` (CREATE_NEW: a name that is taken,
// whoever took it, is left alone and another one tried). On success `temporary` holds its
// name and `out` is open on it.
bool CreateTemporary(const char* name, char (&temporary)[MAX_PATH], FileStream& out)
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
        uint32_t value = random.Data1 ^ conversionId.Data1 ^ (uint32_t(attempt) * 0x9E3779B9u);
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

// Writes the records to the conversion's own temporary file beside `name` and puts it in the
// destination's place only when every write and the close succeeded. `count` is 1 (a single
// record), 2 or 4 (a set). Returns 1, or 0 after the diagnostic line.
int WriteTextureFile(const char* name, uint32_t flags, const Picture* const* records, int count)
{
    // The old banner stays untouched until a complete new file can take its place.
    char temporary[MAX_PATH];
    if (!name[0] || IsUnreplaceable(name)) {
        printf("Can't open output file (%s)\n", name);
        return 0;
    }
    FileStream out;
    if (!CreateTemporary(name, temporary, out)) {
        printf("Can't open output file (%s)\n", name);
        return 0;
    }
    if (!IsZero(conversionId)) out.writeHeader(&conversionId, nullptr, 0, 1);
    if (!out.isGood()) {
        printf("Can't open output file (%s)\n", name);
        out.close();
        DiscardTemporary(temporary);
        return 0;
    }

    int written = 1;
    if (count > 1) written &= WriteTextureSetHeader(out, flags, uint32_t(count));
    for (int k = 0; k < count; ++k)
        written &= WriteTextureRecord(*records[k], out, flags, requestedLevelCount);
    written &= out.isGood() ? 1 : 0;
    written &= out.close();  // the last bytes reach the file here
    if (!written) {
        printf("Can't write output file (%s)\n", name);
        DiscardTemporary(temporary);
        return 0;
    }
    if (!ReplaceWith(temporary, name)) {
        printf("Can't open output file (%s)\n", name);
        DiscardTemporary(temporary);
        return 0;
    }
    return 1;
}

}  // namespace

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

int ConvertBannerPicture(const char* source, const char* destination)
{
    CoCreateGuid(&conversionId);  // a failure leaves a value that is used as it is
    requestedLevelCount = 5;
    bool isTga = HasTgaExtension(source);
    char spec[MAX_PATH];
    size_t n = strlen(destination);
    if (n + 1 >= sizeof spec) {  // "#" and the path must fit the conversion's buffer
        printf("Can't open output file (%s)\n", destination);
        return 0;
    }
    spec[0] = '#';
    memcpy(spec + 1, destination, n + 1);
    return ConvertPicture(source, spec, isTga);
}

int ConvertPicture(const char* source, const char* spec, bool isTga)
{
    char name[MAX_PATH];
    size_t specLength = strlen(spec);
    if (specLength >= sizeof name) {
        printf("Can't open output file (%s)\n", spec);
        return 0;
    }
    memcpy(name, spec, specLength + 1);

    // Sources too long to name their variants are refused rather than cut.
    size_t sourceLength = strlen(source);
    Picture picture;
    if (sourceLength + 2 >= MAX_PATH || !ReadPicture(picture, source, isTga)) {
        printf("Can't open file (%s)\n", source);
        return 0;
    }

    Picture variants[3];
    bool present[3] = {false, false, false};
    int count = 0;
    for (int k = 1; k <= 3 && sourceLength >= 4; ++k) {
        present[k - 1] = ReadPicture(variants[k - 1], MakeVariantName(source, k), isTga) != 0;
        count += present[k - 1];
    }
    if (count == 2 || (count > 0 && !present[0])) {
        printf("Can't collect all 'destroyed' textures\n");
        return 0;
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

    const Picture* records[4] = {&picture, &variants[0], &variants[1], &variants[2]};
    return WriteTextureFile(name, flags, records, present[0] ? (present[1] ? 4 : 2) : 1);
}

int WriteBannerTexture(const Picture* const* pictures, int count, const char* destination,
                       bool keepsAlpha)
{
    CoCreateGuid(&conversionId);
    requestedLevelCount = 5;
    if (count != 1 && count != 2 && count != 4) return 0;
    uint32_t flags = (keepsAlpha ? TexFromTga : TexFromBmp) | TexFormatWord | TexWidthWord | TexHeightWord;
    return WriteTextureFile(destination, flags, pictures, count);
}
