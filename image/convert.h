// The banner conversion: a source picture and its destroyed variants into one TEX file.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

class Picture;

// Identifier for the stream header of the next file (all zero: no header), and the levels
// asked of the writer. Set by ConvertBannerPicture; one conversion at a time.
extern GUID conversionId;
extern uint32_t requestedLevelCount;

// Writes the banner texture for `source` to `destination` with a fresh identifier and five
// levels. Non-zero when the file was written; on failure the previous file at `destination`
// is left as it was.
int ConvertBannerPicture(const char* source, const char* destination);

// The general routine: `spec` is the destination path behind marker characters ("#" picture
// kind, "$", "@4", "~"). Reads the source (as TGA when `isTga`) and its variants name#1 to
// name#3, then writes a temporary file beside the destination and replaces the destination
// with it only when every write and the close succeeded. Diagnostics go to standard output.
// Returns 1 when the file was written, else 0. Uses conversionId and requestedLevelCount.
int ConvertPicture(const char* source, const char* spec, bool isTga);

struct ImageError;
// Levels of every banner record.
enum : uint32_t { kBannerLevels = 5 };
// The conversion with the identifier and level count given instead of the process-wide ones:
// the same reading, the same lines on standard output, the same file, and what failed in
// `error` ("Can't open file", "Can't collect all 'destroyed' textures", "Can't open output
// file" or "Can't write output file", the file, the system's reason).
int ConvertPictureWith(const char* source, const char* spec, bool isTga, const GUID& id, uint32_t levels,
                       ImageError& error);
// ConvertBannerPicture's conversion, with the identifier and level count given.
int ConvertBanner(const char* source, const char* destination, const GUID& id, uint32_t levels, ImageError& error);

// The texture file itself: `count` records (1 a single record, 2 or 4 a set with its header),
// each with `flags` and `levels` levels, behind a stream header with `id` (none when all zero),
// written to a temporary file beside `name` that replaces it only when every write and the close
// succeeded. Prints nothing. 1, or 0 with `error` ("Can't open output file" or "Can't write
// output file", `name`, the system's reason); the old file is then left as it was.
int WriteTextureFile(const char* name, uint32_t flags, const Picture* const* records, int count, const GUID& id,
                     uint32_t levels, ImageError& error);
// The conversion's line on standard output for a failure: "TEXT (FILE)".
void PrintConversionFailure(const ImageError& error);

// Variant k (1 to 3) of the source, "name#k.ext", in a buffer that the next call overwrites;
// null when the source has fewer than four characters or the name would not fit 260 bytes.
const char* MakeVariantName(const char* source, int k);

// The rule for the destroyed variants that count (present[k - 1] for variant k): none, #1
// alone, or all three. The texture's record count, 1, 2 or 4; 0 when the variants are refused.
int VariantRecordCount(const bool present[3]);

// Pictures already made banners (the banner, then its variants; 1, 2 or 4 of them) into one
// TEX file at `destination`, as ConvertBannerPicture writes it: a fresh identifier, five levels,
// the TGA kind's flags when `keepsAlpha`, else the BMP kind's, and the same safe replacement.
// 1, or 0 with `error` as WriteTextureFile gives it.
int WriteBannerTexture(const Picture* const* pictures, int count, const char* destination, bool keepsAlpha,
                       ImageError& error);
