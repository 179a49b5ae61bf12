// Fuzzes the readers of counted strings and serial arrays over arbitrary bytes, through a file
// read stream on a memory file (the same CreateFileA path a file on disk takes). The first byte picks the reader; the rest is the file. Whatever an array
// loaded must survive a Save and a second Load unchanged.
#include <string.h>

#include "core/file_stream.h"
#include "core/rc_string.h"
#include "core/serial_array.h"
#include "platform/test_hooks.h"
#include "tests/core/vector_stream.h"

namespace {

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

template <class Array>
void LoadArray(Stream& in)
{
    Array loaded, reloaded;
    loaded.Load(in);
    Check(loaded.count >= 0 && loaded.count <= loaded.capacity);
    VectorStream out, resaved;
    loaded.Save(out);
    VectorStream again(out.written());
    reloaded.Load(again);
    Check(again.isGood() && again.unread() == 0 && reloaded.count == loaded.count);
    reloaded.Save(resaved);
    Check(resaved.written() == out.written());  // the same elements, byte for byte
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    PlatformSetMemoryFile("/vexillor-fuzz/array.bin", data + 1, size - 1);
    FileStream in("\\vexillor-fuzz\\array.bin", ModeRead);
    if (!in.isGood()) return 0;
    if (data[0] % 3 == 0) LoadArray<SerialStringArray>(in);
    else if (data[0] % 3 == 1) LoadArray<SerialIntArray>(in);
    else {
        RcString s(emptyString);
        while (in.isGood()) {
            readString(in, s);
            Check(s.length() <= s.capacity() && s.c_str()[s.length()] == 0);
        }
        Check(s.length() == 0);  // the read that stopped the stream leaves the target empty
    }
    return 0;
}
