// LoadStringA over the compiled-in string table.
#include <string.h>

#include "platform/win32.h"
#include "string_texts.h"

namespace {

struct TableEntry {
    UINT id;
    const char* text;
};

#define VEXILLOR_TABLE_ENTRY(id, text) {id, text},
const TableEntry kTable[] = {VEXILLOR_STRING_TABLE(VEXILLOR_TABLE_ENTRY)};

}  // namespace

// As on Windows: copies at most size - 1 characters and a terminator, returns the count copied;
// an unknown id gives 0 and leaves the buffer alone.
int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    for (const TableEntry& entry : kTable) {
        if (entry.id != id) continue;
        size_t n = strlen(entry.text);
        if (n > size_t(size - 1)) n = size_t(size - 1);
        memcpy(buffer, entry.text, n);
        buffer[n] = 0;
        return int(n);
    }
    return 0;
}
