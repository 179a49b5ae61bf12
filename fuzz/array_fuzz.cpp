// Fuzzes the readers of counted strings and serial arrays over arbitrary bytes, through a file
// read stream. The first byte picks the reader; the rest is the file. Whatever an array
// loaded must survive a Save and a second Load unchanged.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/file_stream.h"
#include "core/rc_string.h"
#include "core/serial_array.h"
#include "tests/core/vector_stream.h"

namespace {

const std::string& ScratchFile()
{
    static const std::string path = "/tmp/vex_array_fuzz_" + std::to_string(getpid()) + ".bin";
    return path;
}

bool WriteScratch(const uint8_t* data, size_t size)
{
    FILE* f = fopen(ScratchFile().c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

void CheckSame(const SerialStringArray& a, const SerialStringArray& b)
{
    Check(a.count == b.count);
    for (int32_t i = 0; i < a.count; ++i) Check(strcmp(a.data[i].c_str(), b.data[i].c_str()) == 0);
}

void CheckSame(const SerialIntArray& a, const SerialIntArray& b)
{
    Check(a.count == b.count);
    for (int32_t i = 0; i < a.count; ++i) Check(a.data[i] == b.data[i]);
}

template <class Array>
void LoadArray(Stream& in)
{
    Array loaded;
    loaded.Load(in);
    Check(loaded.count >= 0 && loaded.count <= loaded.capacity);
    VectorStream out;
    loaded.Save(out);
    Bytes saved = out.written();
    VectorStream again(saved);
    Array reloaded;
    reloaded.Load(again);
    Check(again.isGood() && again.unread() == 0);
    CheckSame(loaded, reloaded);
}

void ReadStrings(Stream& in)
{
    RcString s(emptyString);
    while (in.isGood()) {
        readString(in, s);
        Check(s.length() <= s.capacity());
        Check(s.c_str()[s.length()] == 0);
    }
    Check(s.length() == 0);  // the read that stopped the stream leaves the target empty
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    if (!WriteScratch(data + 1, size - 1)) return 0;
    FileStream in(ScratchFile().c_str(), ModeRead);
    if (!in.isGood()) return 0;
    switch (data[0] % 3) {
    case 0: LoadArray<SerialStringArray>(in); break;
    case 1: LoadArray<SerialIntArray>(in); break;
    default: ReadStrings(in); break;
    }
    return 0;
}
