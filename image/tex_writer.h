// Writers of the TEX texture layout: set header, texture record, level chain.
#pragma once

#include <stdint.h>

#include "image/picture.h"

class Stream;

// The writers do not look at the stream's status: a stream that failed takes nothing more,
// and the caller learns of it from the stream. They return 1, or 0 when storage for a level
// could not be had (the record is then incomplete).

// Magic, the flags with TexSetCount added when count > 1, then count when count > 1.
int WriteTextureSetHeader(Stream& out, uint32_t flags, uint32_t count);
// One record: magic, flags, format word, width and height when above 1, the level count when
// above 1 (`requested`, at most the significant bits of the width; 0 counts as 1), the chain.
int WriteTextureRecord(const Picture& picture, Stream& out, uint32_t flags, uint32_t requested);
// The picture's pixel block, then `further` levels, each the 2 by 2 average of the one before
// with the remainder dropped.
int WriteLevelChain(const Picture& level, Stream& out, uint32_t further);
// The next level of `level` into `next` (width / 2 by height / 2). Returns 0 without storage.
int HalveLevel(const Picture& level, Picture& next);
