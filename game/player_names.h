// Profile names as the player reads and types them. The game stores a name as bytes of the
// Windows ANSI code page; the terminal wants UTF-8.
#pragma once

#include <stddef.h>

#include <string>

// The game's ANSI code page: value ACP of the key
// HKLM\System\CurrentControlSet\Control\Nls\CodePage (natively the prefix's). When it is
// absent or no number: on Windows the system locale's (not GetACP, which a UTF-8 manifest makes
// 65001), natively 1252.
unsigned GameCodePage();

// `bytes` in code page `codePage` as UTF-8. Bytes the code page leaves undefined become '?'.
std::string DecodeName(const std::string& bytes, unsigned codePage);

// Columns the UTF-8 text takes on a terminal: one per character, none for combining marks.
size_t DisplayWidth(const std::string& text);

// True when the two UTF-8 texts are equal without regard to letter case (all of Unicode's
// simple case pairs, so "jörg" matches "JÖRG").
bool SameIgnoringCase(const std::string& a, const std::string& b);
