// Fuzzes the readers of counted strings and serial arrays over arbitrary bytes, through a file
// read stream. The first byte picks the reader; the rest is the file. Whatever an array
// loaded must survive a Save and a second Load unchanged.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/file_stream.h"
#include "core/rc_string.h"
#include "core/serial_array.h"
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
    static const std::string path = "/tmp/vex_array_fuzz_" + std::to_string(getpid()) + ".bin";
    if (size < 1) return 0;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    bool written = fwrite(data + 1, 1, size - 1, f) == size - 1;
    if (fclose(f) != 0 || !written) return 0;
    FileStream in(path.c_str(), ModeRead);
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
