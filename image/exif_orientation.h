// The EXIF orientation of a JPEG or PNG, and turning decoded pixels upright by it, as image
// viewers show a phone's photo.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The orientation stored in data[0..size): 1 to 8 as EXIF numbers them (1 upright, 2 mirrored,
// 3 turned half round, 4 upside down and mirrored, 5 to 8 the four with the sides swapped),
// from a JPEG's first "Exif" APP1 segment before its scan or a PNG's first eXIf chunk before
// IEND: tag 0x0112 of IFD0, a SHORT of count 1. Anything else gives 1, the picture as stored:
// another format, no tag, a value out of range, a block that is damaged or cut short. Reads
// each byte at most a fixed number of times and allocates nothing.
int ExifOrientation(const uint8_t* data, size_t size);

// Turns a width by height picture of red, green, blue, alpha pixels (rows top to bottom, from
// zeroAlloc) upright from `orientation`, in place: 2 to 4 move pixels within the block, 5 to 8
// also swap width and height, with one bit a pixel of bookkeeping. Any other value changes
// nothing. 1, or 0 when the bookkeeping cannot be had (the picture is left as it was).
int ApplyOrientation(int orientation, uint8_t*& pixels, uint32_t& width, uint32_t& height);
