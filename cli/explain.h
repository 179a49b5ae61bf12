// What the commands say besides the window program's own messages: why a picture is refused,
// what a short one turns into, and the guard that keeps a conversion off its own inputs.
#pragma once

#include <string>

#include "image/picture_report.h"

// Variant k (1 to 3) of a picture named as the user typed it: "crest#2.bmp" for "crest.bmp".
std::string TypedVariant(const std::string& typed, int k);

// "TYPED: PROBLEM" on standard error.
void ExplainRefusal(const std::string& typed, const PictureVerdict& verdict);
// The warning for a picture shorter than its pixel data, if it is one.
void WarnIfShort(const std::string& typed, const PictureVerdict& verdict);

// The variants' part of a conversion, one line: "a set of 4" or "convert will refuse: ...".
std::string VariantOutcome(const std::string& typed, const VariantStory& story);

// Refuses (usage error, exit 2) a destination that is the picture itself or one of its destroyed
// variants, whatever the spelling. Returns 0 when the destination is none of them.
int RefuseInputAsOutput(const char* command, const char* source, const std::string& typedSource,
                        const char* destination, const std::string& typedDestination);

// Converts as the window program does, with the reasons on standard error: the picture's, the
// variants', the destination's or the system's. A destination that is a link is written
// through. Returns 1 when the banner was written.
int ConvertExplained(const char* source, const std::string& typedSource, const char* destination,
                     const std::string& typedDestination);
