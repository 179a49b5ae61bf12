// UTF-8 text as names on disk and player names are compared: character by character, without
// regard to letter case. Shared by the native path layer and the command line's player names.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// One character of UTF-8 at `p` (advanced past it), reading no further than `end`. A byte that
// starts no valid sequence stands for itself: names need not be valid UTF-8.
uint32_t NextUtf8Character(const unsigned char*& p, const unsigned char* end);

// The character in lower case, by Unicode's simple case pairs as Wine and Windows compare names:
// ASCII always; natively through C.UTF-8's table (without it only ASCII folds), on Windows
// through CharLowerBuffW.
uint32_t FoldCase(uint32_t c);

// True when the two UTF-8 texts are equal without regard to letter case ("jörg", "JÖRG").
bool SameTextIgnoringCase(const std::string& a, const std::string& b);
