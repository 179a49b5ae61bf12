// A minimal PNG writer: 8-bit red, green, blue, alpha, one zlib stream, no filtering.
#pragma once

#include <stdint.h>

#include "image/image_error.h"

// Writes width by height pixels (4 bytes each, rows top to bottom) to `path`. Returns 1, or 0
// with `error` when storage could not be had or the file could not be written (what failed,
// the file and the system's reason; a partial file is removed).
int WritePngFile(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height, ImageError& error);
