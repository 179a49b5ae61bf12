// One banner as a command asks for it: the picture and its destroyed variants, the kind, where
// it goes and how a picture of any kind is fitted. Built once, checked once, written through one
// path that hands back what failed.
#pragma once

#include <string>

#include "cli/cli.h"
#include "image/banner_files.h"
#include "image/picture_report.h"
#include "platform/win32.h"

struct BannerRequest {
    std::string typedPicture;
    char picture[MAX_PATH] = "";  // core form
    std::string typedDestination;
    char destination[MAX_PATH] = "";
    bool fitting = false;  // a picture of any kind, fitted first; else a banner picture as it is
    FitOptions fit;        // the kind, and with `fitting` the fitting
    // What was found, by ExamineBannerPicture or FitRequestedPicture:
    PictureVerdict verdict;  // a banner picture: the readers' verdict
    VariantStory variants;   // and what the conversion makes of its variants
    FittedBanner fitted;     // fitting: the banner and its variants
};

// The picture and the destination as typed, and in core form.
bool SetPicture(BannerRequest& request, const std::string& typed, Failure& failure);
bool SetDestination(BannerRequest& request, const std::string& typed, Failure& failure);

// Variant k (1 to 3) of `path`, named as the request's pictures are read: by the conversion's
// rule for a banner picture, before the extension for one that is fitted. `path` when it would
// not fit.
std::string VariantName(const BannerRequest& request, const std::string& path, int k);

// Refuses an output (core form, and as typed) that is the picture or one of its variants,
// however it is spelt: the same words and exit status in every command.
bool CheckNotAnInput(const BannerRequest& request, const char* output, const std::string& typed, Failure& failure);
// Refuses a texture destination whose name does not end in .tex.
bool CheckTextureName(const BannerRequest& request, Failure& failure);

// A banner picture: the readers' verdict on it and on its variants, with the reasons.
void ExamineBannerPicture(BannerRequest& request);
// For a picture the banner readers refuse: when fit can take it, `hint` becomes the failure's
// closing line, what to run instead.
void OfferFit(const BannerRequest& request, Failure& failure, const std::string& hint);
// A picture of any kind and its variants, fitted; false with the reason.
bool FitRequestedPicture(BannerRequest& request, Failure& failure);
// When the variants found are refused: the first one an accepted set lacks, as the user would
// type it, and the rule: "crest#3.png is missing: destroyed pictures are #1 alone, or #1, #2
// and #3" ("... cannot be used (REASON): ..." when it is there but refused).
std::string VariantRule(const BannerRequest& request);

// Writes the texture file for the request to its destination, or to the file a link there leads
// to, with a fresh identifier: a banner picture through the conversion, a fitted one through the
// same texture writer. The conversion's lines go to standard output as the window program's
// conversion writes them. False with the failure: the picture's, the variants' or the
// destination's reason.
bool WriteRequestedBanner(BannerRequest& request, Failure& failure);

// What check and convert say of a picture they take: one line per destroyed variant there and
// what the conversion makes of them (standard output), a warning for a short one (standard
// error).
void TellVariantStory(const BannerRequest& request);
std::string VariantOutcome(const BannerRequest& request);
void WarnIfShort(const std::string& typed, const PictureVerdict& verdict);
