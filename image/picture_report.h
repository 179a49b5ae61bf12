// What the command line tells a player about a picture: why it is refused, what a short file
// turns into, and what the conversion will make of its destroyed variants.
#pragma once

#include <stdint.h>

#include <string>

#include "image/image_error.h"

struct PictureVerdict {
    bool banner = false;  // the readers take it: what CheckBannerPicture answers
    int32_t width = 0, height = 0;
    // When refused: what was found and what a banner needs, e.g. "100×100, 24-bit BMP; a
    // banner is 32×32 or 64×64", or the system's reason when the file cannot be read.
    ImageError problem;
    // When taken but shorter than its pixel data: the rows that come out empty, else 0.
    uint32_t missingRows = 0;
    const char* missingLook = "";  // "black", "transparent" or "in the palette's first colour"
};

// Examines the picture at `path` (core form) as the readers would read it.
PictureVerdict ExaminePicture(const char* path);

// What ConvertPicture does with the variants name#1 to name#3 of a source: each one counts when
// it is there and the readers take it.
struct VariantStory {
    bool present[3] = {false, false, false};  // a file of that name is there
    PictureVerdict verdicts[3];
    int records = 1;  // records of the texture: 1, 2 or 4; 0 when the conversion refuses
};
VariantStory TellVariants(const char* source);
