// The banner conversion: a source picture and its destroyed variants into one TEX file.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

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
// Returns 1 when the file was written, else 0.
int ConvertPicture(const char* source, const char* spec, bool isTga);

// Variant k (1 to 3) of the source, "name#k.ext", in a buffer that the next call overwrites;
// null when the source has fewer than four characters or the name would not fit 260 bytes.
const char* MakeVariantName(const char* source, int k);

class Picture;
// Pictures already made banners (the banner, then its variants; 1, 2 or 4 of them) into one
// TEX file at `destination`, as ConvertBannerPicture writes it: a fresh identifier, five levels,
// the TGA kind's flags when `keepsAlpha`, else the BMP kind's, and the same safe replacement.
int WriteBannerTexture(const Picture* const* pictures, int count, const char* destination,
                       bool keepsAlpha);
