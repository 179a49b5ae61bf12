// A scratch file that a fuzz target's input is written to, so that the readers take it through
// the real file stream. One file per process, removed at exit.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Writes data to the scratch file named with `extension` and returns its path in core form.
const char* PutScratchFile(const char* extension, const uint8_t* data, size_t size);
