// A reader of TEX texture files that checks the whole layout: stream header, set header,
// records, and that every level lies exactly where the format puts it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "image/image_error.h"

enum { kTexMaxRecords = 4 };
// Larger files are refused before they are read: a banner set of four takes about 90 KB.
enum : uint32_t { kMaxTexFileBytes = 64u << 20 };

struct TexRecordLayout {
    uint32_t offset;       // of the record's magic
    uint32_t flags;
    uint32_t width;        // 1 when the record has no width word
    uint32_t height;
    uint32_t levels;       // 1 when the record has no level count word
    uint32_t chainOffset;  // of level 0
    uint32_t chainBytes;   // all levels
};

struct TexLayout {
    bool hasStreamHeader;
    uint8_t streamFlags;
    bool hasName;
    char name[256];
    bool hasValue;
    uint32_t value;
    bool hasIdentifier;
    uint8_t identifier[16];
    bool isSet;
    uint32_t setOffset;
    uint32_t setFlags;
    uint32_t recordCount;  // 1 for a single record
    TexRecordLayout records[kTexMaxRecords];
};

// 1 with `layout` filled when data[0..size) is a complete TEX file with nothing left over,
// else 0 with `error` set.
int ParseTexLayout(const uint8_t* data, uint32_t size, TexLayout& layout, TexError& error);

// A whole file in memory.
class TexBytes {
public:
    TexBytes() : data(nullptr), size(0) {}
    TexBytes(const TexBytes&) = delete;
    TexBytes& operator=(const TexBytes&) = delete;
    uint8_t* data;
    uint32_t size;
    std::string storage;  // holds the bytes `data` points at
};

// Reads the file (raw: a stream header stays part of the bytes), of at most kMaxTexFileBytes.
// 1, or 0 with `error` set (the system's reason among it when the file could not be read).
int LoadTexFile(const char* path, TexBytes& bytes, TexError& error);

// True when the path ends in ".tex" in any letter case: a texture file, not a picture.
bool HasTexExtension(const char* path);

// "format levels width height bmp" style names of the set bits, unknown bits in hex.
void DescribeTexFlags(uint32_t flags, char* out, size_t size);
// The identifier as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} (GUID fields little-endian).
void FormatIdentifier(const uint8_t* id, char* out, size_t size);
