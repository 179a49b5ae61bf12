// The few stb calls the image part makes, behind plain functions, so that stb's macros and
// static functions stay inside the one file that builds it.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Width and height from the header alone; 0 when stb does not recognise the data.
int StbInfo(const uint8_t* data, size_t size, int* width, int* height);
// Pixels of `channels` bytes (3: red, green, blue; 4: and alpha), rows top to bottom; null on
// failure (StbFailure says why). With `releaseAsRead`, the pages of data[0..size) are given back
// to the system as stb reads past them (ReleaseReadPages): the caller must not read them again.
// Without it, `data` is only read.
uint8_t* StbDecode(uint8_t* data, size_t size, bool releaseAsRead, int channels, int* width, int* height);
const char* StbFailure();
// True when an allocation could not be had during the last StbInfo or StbDecode.
bool StbOutOfMemory();
void StbRelease(uint8_t* pixels);
// Mitchell resampling in linear light, weighted by alpha. `in` rows are `stride` bytes apart;
// `out` is outWidth by outHeight, packed. 1 on success.
int StbResize(const uint8_t* in, int width, int height, int stride, uint8_t* out, int outWidth,
              int outHeight);
