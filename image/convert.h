// The banner conversion: a source picture and its destroyed variants into one TEX file.
#pragma once

#include <stdint.h>

#include "platform/win32.h"

// Identifier for the stream header of the next file, and the levels asked of the writer.
extern GUID conversionId;
extern uint32_t requestedLevelCount;

// Writes the banner texture for `source` to `destination` with a fresh identifier. Non-zero
// when the file was written; on failure the previous file at `destination` is left as it was.
int ConvertBannerPicture(const char* source, const char* destination);
// The general routine: `spec` is the destination path behind marker characters (# $ @4 ~).
int ConvertPicture(const char* source, const char* spec, bool isTga);
// Variant k (1 to 3) of the source, "name#k.ext"; null when it does not fit the buffer.
const char* MakeVariantName(const char* source, int k);
