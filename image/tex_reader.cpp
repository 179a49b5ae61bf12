// The TEX reader: every field is bounds-checked against the bytes at hand before it is used.
#include "image/tex_reader.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "image/le_fields.h"
#include "image/tex_format.h"
#include "platform/whole_file.h"

namespace {

// A position in the file and the first failure met.
class Cursor {
public:
    Cursor(const uint8_t* d, uint32_t n, TexError& e) : data(d), size(n), pos(0), error(e) {}

    uint32_t left() const { return size - pos; }

    // Fails at `at` with a formatted text.
    int fail(uint32_t at, const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        error.offset = at;
        vsnprintf(error.text, sizeof error.text, format, args);
        va_end(args);
        return 0;
    }
    // 1 when n more bytes are there, else fails naming what was expected.
    int need(uint32_t n, const char* what)
    {
        if (left() >= n) return 1;
        return fail(pos, "file ends inside %s (needs %u bytes, %u left)", what, n, left());
    }
    int word(uint32_t& v, const char* what)
    {
        if (!need(4, what)) return 0;
        v = Le32(data + pos);
        pos += 4;
        return 1;
    }
    int magic(const char* what)
    {
        if (!need(sizeof kTexMagic, what)) return 0;
        if (memcmp(data + pos, kTexMagic, sizeof kTexMagic) != 0)
            return fail(pos, "expected the magic 54 45 58 00 01 00 00 00 of %s", what);
        pos += sizeof kTexMagic;
        return 1;
    }

    const uint8_t* data;
    uint32_t size;
    uint32_t pos;
    TexError& error;
};

int ParseStreamHeader(Cursor& in, TexLayout& layout)
{
    const uint8_t* d = in.data;
    if (in.size < 3 || d[0] != 0xFF || d[1] != 0xA1 || d[2] != 0xD0) return 1;  // none
    layout.hasStreamHeader = true;
    if (!in.need(4, "the stream header")) return 0;
    uint8_t flags = d[3];
    layout.streamFlags = flags;
    if (flags & 0x01) return in.fail(3, "stream header announces compressed content (flags 0x%02x)", flags);
    if (flags & 0x04) return in.fail(3, "stream header announces text content (flags 0x%02x)", flags);
    if (flags & ~0x38) return in.fail(3, "stream header has unknown flag bits 0x%02x", flags & ~0x38);
    in.pos = 4;
    if (flags & 0x08) {
        if (!in.need(1, "the stream header's name length")) return 0;
        uint32_t n = d[in.pos++];
        if (!in.need(n, "the stream header's name")) return 0;
        layout.hasName = true;
        memcpy(layout.name, d + in.pos, n);
        layout.name[n] = 0;
        in.pos += n;
    }
    if (flags & 0x10) {
        if (!in.word(layout.value, "the stream header's value")) return 0;
        layout.hasValue = true;
    }
    if (flags & 0x20) {
        if (!in.need(16, "the stream header's identifier")) return 0;
        layout.hasIdentifier = true;
        memcpy(layout.identifier, d + in.pos, 16);
        in.pos += 16;
    }
    return 1;
}

int ParseRecord(Cursor& in, uint32_t index, TexRecordLayout& record)
{
    char what[64];
    record.offset = in.pos;
    snprintf(what, sizeof what, "record %u's magic", index);
    if (!in.magic(what)) return 0;
    uint32_t flagsAt = in.pos;
    snprintf(what, sizeof what, "record %u's flags", index);
    if (!in.word(record.flags, what)) return 0;
    uint32_t flags = record.flags;
    if (flags & TexSetCount)
        return in.fail(flagsAt, "record %u carries the set bit (flags 0x%08x)", index, flags);
    if (flags & ~kTexRecordFlags)
        return in.fail(flagsAt, "record %u has unknown flag bits 0x%08x", index, flags & ~kTexRecordFlags);
    if (!(flags & TexFormatWord))
        return in.fail(flagsAt, "record %u announces no pixel format (flags 0x%08x)", index, flags);

    uint32_t formatAt = in.pos;
    uint32_t format = 0;
    snprintf(what, sizeof what, "record %u's pixel format word", index);
    if (!in.word(format, what)) return 0;
    if (format != kTexPixelFormat)
        return in.fail(formatAt, "record %u has pixel format 0x%08x, expected 0x00008888", index, format);

    record.width = record.height = record.levels = 1;
    struct Word {
        uint32_t bit;
        const char* name;
        uint32_t* value;
    } words[] = {{TexWidthWord, "width", &record.width},
                 {TexHeightWord, "height", &record.height},
                 {TexLevelCountWord, "level count", &record.levels}};
    for (const Word& w : words) {
        if (!(flags & w.bit)) continue;
        uint32_t at = in.pos;
        snprintf(what, sizeof what, "record %u's %s word", index, w.name);
        if (!in.word(*w.value, what)) return 0;
        if (*w.value < 2)  // a value of 1 is never written: the word is left out instead
            return in.fail(at, "record %u has %s %u where the word announces more than 1", index,
                           w.name, *w.value);
    }
    if (record.width > 0x10000 || record.height > 0x10000)
        return in.fail(record.offset, "record %u is %ux%u pixels, too large", index, record.width,
                       record.height);
    uint32_t most = SignificantBits(record.width);
    if (record.levels > most)
        return in.fail(record.offset, "record %u declares %u levels, at most %u fit width %u", index,
                       record.levels, most, record.width);

    record.chainOffset = in.pos;
    uint32_t w = record.width, h = record.height;
    for (uint32_t k = 0; k < record.levels; ++k, w /= 2, h /= 2) {
        uint64_t bytes = uint64_t(w) * h * 4;
        if (bytes > in.left())
            return in.fail(in.pos, "file ends inside level %u of record %u (%ux%u needs %llu bytes, %u left)",
                           k, index, w, h, (unsigned long long)bytes, in.left());
        in.pos += uint32_t(bytes);
    }
    record.chainBytes = in.pos - record.chainOffset;
    return 1;
}

void Append(char* out, size_t size, const char* text)
{
    size_t n = strlen(out);
    if (n + 1 >= size) return;
    snprintf(out + n, size - n, "%s%s", n ? " " : "", text);
}

}  // namespace

int ParseTexLayout(const uint8_t* data, uint32_t size, TexLayout& layout, TexError& error)
{
    memset(&layout, 0, sizeof layout);
    error.offset = 0;
    error.text[0] = 0;
    Cursor in(data, size, error);
    if (size == 0) return in.fail(0, "file is empty");
    if (!ParseStreamHeader(in, layout)) return 0;

    uint32_t start = in.pos;
    if (!in.magic(layout.hasStreamHeader ? "the texture after the stream header" : "the texture"))
        return 0;
    uint32_t flagsAt = in.pos;
    uint32_t flags = 0;
    if (!in.word(flags, "the first flags word")) return 0;
    in.pos = start;
    if (flags & TexSetCount) {
        layout.isSet = true;
        layout.setOffset = start;
        in.pos = flagsAt + 4;
        layout.setFlags = flags;
        if (flags & ~kTexSetFlags)
            return in.fail(flagsAt, "set header has unknown flag bits 0x%08x", flags & ~kTexSetFlags);
        uint32_t countAt = in.pos;
        if (!in.word(layout.recordCount, "the set header's record count")) return 0;
        if (layout.recordCount != 2 && layout.recordCount != 4)
            return in.fail(countAt, "set header announces %u records, expected 2 or 4", layout.recordCount);
    } else {
        layout.recordCount = 1;
    }
    for (uint32_t i = 0; i < layout.recordCount; ++i)
        if (!ParseRecord(in, i, layout.records[i])) return 0;
    if (in.left() != 0)
        return in.fail(in.pos, "%u bytes left over after the last record", in.left());
    return 1;
}

int LoadTexFile(const char* path, TexBytes& bytes, TexError& error)
{
    error = TexError();
    bytes.data = nullptr;
    bytes.size = 0;
    DWORD failed = ReadWholeFile(path, kMaxTexFileBytes, bytes.storage);
    if (failed == kErrorFileTooLarge) return FailImage(error, "file is larger than %u bytes", kMaxTexFileBytes);
    if (failed != ERROR_SUCCESS) {
        SetSystemError(error, path, failed);
        return FailImage(error, "cannot open the file (%s)", error.reason);
    }
    bytes.data = reinterpret_cast<uint8_t*>(&bytes.storage[0]);
    bytes.size = uint32_t(bytes.storage.size());
    return 1;
}

bool HasTexExtension(const char* path)
{
    size_t n = strlen(path);
    return n >= 4 && path[n - 4] == '.' && (path[n - 3] | 0x20) == 't' && (path[n - 2] | 0x20) == 'e' &&
           (path[n - 1] | 0x20) == 'x';
}

void DescribeTexFlags(uint32_t flags, char* out, size_t size)
{
    static const struct {
        uint32_t bit;
        const char* name;
    } kNames[] = {{TexSetCount, "set"},         {TexFormatWord, "format"},
                  {TexWidthWord, "width"},       {TexHeightWord, "height"},
                  {TexLevelCountWord, "levels"}, {TexFromBmp, "bmp"},
                  {TexFromTga, "tga"},           {TexMarkerTilde, "~"},
                  {TexMarkerAt4, "@4"},          {TexMarkerDollar, "$"}};
    if (size == 0) return;
    out[0] = 0;
    uint32_t known = 0;
    for (const auto& n : kNames) {
        known |= n.bit;
        if (flags & n.bit) Append(out, size, n.name);
    }
    if (flags & ~known) {
        char rest[16];
        snprintf(rest, sizeof rest, "0x%08x", flags & ~known);
        Append(out, size, rest);
    }
}

void FormatIdentifier(const uint8_t* id, char* out, size_t size)
{
    snprintf(out, size, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             id[3], id[2], id[1], id[0], id[5], id[4], id[7], id[6], id[8], id[9], id[10], id[11],
             id[12], id[13], id[14], id[15]);
}
