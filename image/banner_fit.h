// Fitting any picture to a banner: the size, the framing, resampling in linear light weighted
// by alpha, and the rules of the two banner kinds.
#pragma once

#include <stdint.h>

#include "image/picture.h"
#include "image/source_picture.h"

enum BannerKind { BannerInGame, BannerStatistic };

struct FitOptions {
    BannerKind kind = BannerInGame;
    uint32_t size = 32;   // 32, or 64 for the statistics banner
    bool crop = false;    // fill the square from the centre instead of fitting the whole
    bool smooth = false;  // filter even a whole-factor enlargement
    bool keyedAlpha = false;  // alpha only on or off, as a BMP carries it (the in-game banner always)
};

// The picture as the banner it becomes, `size` by `size`. The in-game banner, and any with
// `keyedAlpha`, has alpha only 0 (colour key, stored as 0, 0, 0, 0 as the BMP reader gives it)
// or 255, and no opaque (255, 0, 255); the statistics banner otherwise keeps its alpha. 1, or
// 0 without storage.
int FitBanner(const SourcePicture& source, const FitOptions& options, Picture& banner);
