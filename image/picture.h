// Decoded source pictures and the banner picture check.
#pragma once

#include <stdint.h>

// A decoded picture: red, green, blue, alpha bytes per pixel, rows top to bottom.
class Picture {
public:
    Picture() : width(0), height(0), pixels(nullptr) {}
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Drops the pixels and allocates a zero-filled block for w by h. Returns 1, or 0 when
    // storage could not be had.
    int reset(uint32_t w, uint32_t h);

    uint32_t width;
    uint32_t height;
    uint8_t* pixels;
};

// 1 when the file was read and is a square 32 or 64 pixel picture, else 0.
int ReadTgaPicture(Picture& picture, const char* path);
int ReadBmpPicture(Picture& picture, const char* path);
// True when the path's last three characters are "tga" in any letter case.
bool HasTgaExtension(const char* path);
// 1 with the size in the out-parameters when the file is a banner picture, else 0 with both 0.
int CheckBannerPicture(const char* path, int32_t* width, int32_t* height);

// The banner job's extension test: the text behind the last dot of the lowercased path must
// occur in the lowercased extension list (string 100). True when it passes.
bool PassesExtensionTest(const char* path);
