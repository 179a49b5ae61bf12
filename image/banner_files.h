// A picture and its destroyed variants fitted as one banner, and the banner pictures that the
// window program reads: a 24-bit BMP or a 32-bit TGA with the bottom row first.
#pragma once

#include <stddef.h>

#include "image/banner_fit.h"
#include "image/image_error.h"
#include "image/picture.h"

// Variant k (1 to 3) of `path`: "#k" before the extension of the file name, or at the end when
// it has none ("logo#1.png" beside "logo.png"), named as the conversion names variants. 0 when
// it does not fit `size` bytes, or the conversion's 260 bytes.
int MakePictureVariantName(const char* path, int k, char* out, size_t size);

// The banner and its variants as the TEX file lists them: 1, 2 or 4 pictures.
struct FittedBanner {
    Picture pictures[4];
    int count = 0;
};

// Reads `source` and fits it, then each variant beside it that exists and reads; the variants
// present must be none, #1, or all three. 1, or 0 with a line for the user in `error.text`.
int FitBannerSet(const char* source, const FitOptions& options, FittedBanner& banner, ImageError& error);

// The fitted banner as a file: in-game as a 24-bit BMP (transparent pixels in the colour
// key), statistics as a 32-bit TGA. 1, or 0 (a partial file is removed; GetLastError says why).
int WriteBannerBmp(const char* path, const Picture& banner);
int WriteBannerTga(const char* path, const Picture& banner);
