// Pictures of any common kind and size, for the command line's fitting: PNG, JPEG, GIF (first
// frame), BMP (every header, bit depth and RLE) and TGA. The banner readers of picture.h stay
// what the window program accepts; these are read only to be fitted to a banner.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "image/image_error.h"

// Refused before anything is decoded: larger sides, files or pixel counts.
struct SourceLimits {
    uint32_t maxSide;
    uint64_t maxPixels;
    uint64_t maxFileBytes;
};
extern const SourceLimits kSourceLimits;  // 16,384 a side, 64 Mpx, 64 MiB of file

// A decoded picture of any size: red, green, blue, alpha (straight), rows top to bottom.
class SourcePicture {
public:
    SourcePicture() : width(0), height(0), pixels(nullptr), fromBmp(false) {}
    ~SourcePicture() { clear(); }
    SourcePicture(const SourcePicture&) = delete;
    SourcePicture& operator=(const SourcePicture&) = delete;
    void clear();

    uint32_t width;
    uint32_t height;
    uint8_t* pixels;  // zeroFree releases it
    bool fromBmp;     // its colour key (255, 0, 255) has been made transparent
};

// Why a picture is refused goes into `error.text`, for the user: "truncated or damaged PNG
// (...)", and so on. Decodes data[0..size). TGA has no signature, so it is tried only when `maybeTga` (the file
// name ends in "tga"); everything else is told by its first bytes. 1, or 0 with `error` set.
int DecodeSourcePicture(const uint8_t* data, size_t size, bool maybeTga,
                        const SourceLimits& limits, SourcePicture& picture, SourceError& error);
// Reads the file (core path) whole and decodes it under kSourceLimits.
int ReadSourcePicture(const char* path, SourcePicture& picture, SourceError& error);
// Whether the file is a picture of a kind the reader knows, of a size within kSourceLimits, by
// its first bytes and header alone: 1 with the size, else 0. Its pixels are not decoded, so a
// picture damaged further on still fails ReadSourcePicture.
int ProbeSourcePicture(const char* path, uint32_t* width, uint32_t* height);
