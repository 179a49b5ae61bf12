// Decoded source pictures, the banner picture check and the banner job's extension test.
#pragma once

#include <stdint.h>

// A decoded picture: red, green, blue, alpha bytes per pixel, rows top to bottom.
class Picture {
public:
    Picture() : width(0), height(0), pixels(nullptr) {}
    ~Picture();
    Picture(const Picture&) = delete;             // two owners would free the block twice
    Picture& operator=(const Picture&) = delete;

    // Drops the pixels and allocates a zero-filled block for w by h. Returns 1, or 0 (with an
    // empty picture) when the block would be absurdly large or storage could not be had.
    int reset(uint32_t w, uint32_t h);
    // Drops the pixels; the picture is 0 by 0.
    void clear();

    uint32_t width;
    uint32_t height;
    uint8_t* pixels;
};

// Largest pixel block a Picture holds: far above any banner, and small enough that every size
// and offset derived from it fits a signed 32-bit stream count.
enum : uint32_t { kMaxPictureBytes = 1u << 26 };

// 1 when the file was read and is a square 32 or 64 pixel picture, else 0 (picture empty).
// TGA: uncompressed 32-bit true colour, rows bottom first. BMP: uncompressed, 1, 4, 8 or 24
// bits, information header of 40 bytes or more.
int ReadTgaPicture(Picture& picture, const char* path);
int ReadBmpPicture(Picture& picture, const char* path);
// True when the path's last three characters are "tga" in any letter case; every other path
// is read as a BMP.
bool HasTgaExtension(const char* path);
// True when FindFirstFileA finds an entry of exactly this name (wildcards never match).
bool PathExists(const char* path);
// 1 with the size in the out-parameters when the file is a banner picture, else 0 with both 0.
int CheckBannerPicture(const char* path, int32_t* width, int32_t* height);

// The part of a path behind its last backslash, or all of it: how messages name a file.
const char* FileNameOf(const char* path);

// The banner job's extension test: the text behind the last dot of the lowercased path must
// occur in the lowercased extension list (string 100). True when it passes.
bool PassesExtensionTest(const char* path);
