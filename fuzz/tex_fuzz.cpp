// The TEX reader over arbitrary bytes: what it accepts must add up to exactly the input.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "image/tex_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kMaxTexFileBytes) return 0;
    TexLayout layout;
    TexError error;
    if (!ParseTexLayout(data, uint32_t(size), layout, error)) {
        if (error.offset > size) abort();
        if (!error.text[0] || !memchr(error.text, 0, sizeof error.text)) abort();
        return 0;
    }
    if (layout.recordCount < 1 || layout.recordCount > kTexMaxRecords) abort();
    uint64_t end = layout.records[0].offset;
    for (uint32_t i = 0; i < layout.recordCount; ++i) {
        const TexRecordLayout& r = layout.records[i];
        if (r.offset != end) abort();
        if (r.chainOffset < r.offset + 16 || r.chainOffset > r.offset + 28) abort();
        if (uint64_t(r.width) * r.height * 4 > r.chainBytes) abort();
        end = uint64_t(r.chainOffset) + r.chainBytes;
        char text[128];
        DescribeTexFlags(r.flags, text, sizeof text);
    }
    if (end != size) abort();
    if (layout.hasIdentifier) {
        char text[64];
        FormatIdentifier(layout.identifier, text, sizeof text);
    }
    return 0;
}
