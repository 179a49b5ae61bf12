// Growable string and integer arrays, and the stream form of their serial variants.
#include "core/serial_array.h"

#include <stdint.h>
#include <string.h>

#include "core/stream.h"
#include "core/zero_alloc.h"

namespace {

// A step set through growBy (it may come from a file, see Load) is held to this many slots,
// so one Add cannot ask for gigabytes.
const int32_t kMaxGrowBy = 64 * 1024;

// The capacity for newSize slots when the current storage is too small: the step is growBy,
// or count / 8 held to 4 .. 1024; a sum the new size reaches (or a negative step) is exact.
int32_t GrownCapacity(int32_t capacity, int32_t count, int32_t growBy, int32_t newSize)
{
    int32_t step = growBy;
    if (step == 0) {
        step = count / 8;
        if (step < 4) step = 4;
        if (step > 1024) step = 1024;
    } else if (step > kMaxGrowBy) {
        step = kMaxGrowBy;
    }
    int64_t grown = static_cast<int64_t>(capacity) + step;
    if (newSize >= grown) return newSize;
    return grown > INT32_MAX ? INT32_MAX : static_cast<int32_t>(grown);
}

// Zero-filled storage for n slots of `size` bytes, or null.
void* NewSlots(int32_t n, size_t size)
{
    if (static_cast<size_t>(n) > SIZE_MAX / size) return nullptr;
    return zeroAlloc(static_cast<size_t>(n) * size);
}

}  // namespace

StringArray::~StringArray()
{
    destroyArray(data, count);
    zeroFree(data);
}

// A negative size is refused; so is a size that needs storage we cannot get. Either way the
// array, its step included, stays as it was.
int StringArray::SetSize(int32_t newSize, int32_t growByValue, bool freeWhenEmpty)
{
    if (newSize < 0) return 0;
    int32_t step = growByValue != -1 ? growByValue : growBy;

    if (newSize == 0 && freeWhenEmpty) {
        destroyArray(data, count);
        zeroFree(data);
        data = nullptr;
        count = capacity = 0;
    } else if (!data) {
        if (newSize > 0) {  // the first allocation is exact; zero slots need no storage
            RcString* slots = static_cast<RcString*>(NewSlots(newSize, sizeof(RcString)));
            if (!slots) return 0;
            constructArray(slots, newSize);
            data = slots;
        }
        count = capacity = newSize;
    } else if (newSize <= capacity) {
        if (newSize < count) destroyArray(data + newSize, count - newSize);
        // Slots from count on are null already: every release clears its slot.
        count = newSize;
    } else {
        int32_t grown = GrownCapacity(capacity, count, step, newSize);
        RcString* slots = static_cast<RcString*>(NewSlots(grown, sizeof(RcString)));
        if (!slots) return 0;
        constructArray(slots, grown);
        // The handles move bitwise: each block keeps its count, the old slots are dropped.
        memcpy(static_cast<void*>(slots), static_cast<const void*>(data), sizeof(RcString) * count);
        zeroFree(data);
        data = slots;
        count = newSize;
        capacity = grown;
    }
    growBy = step;
    return 1;
}

// Stores a fresh block holding the text's bytes up to its first zero. When either the slot or
// the block cannot be had, the array keeps its elements and -1 comes back.
int32_t StringArray::Add(const char* text)
{
    int32_t index = count;
    if (index == INT32_MAX) return -1;
    if (!SetSize(index + 1, -1, true)) return -1;
    if (!data[index].assign(text)) {
        SetSize(index, -1, false);
        return -1;
    }
    return index;
}

void StringArray::Clear()
{
    destroyArray(data, count);
    count = 0;
}

IntArray::~IntArray() { zeroFree(data); }

// The integer twin of StringArray::SetSize: same rule, no elements to release. Slots past
// count keep their values when shrinking, and are zeroed when they come back into use.
int IntArray::SetSize(int32_t newSize, int32_t growByValue, bool freeWhenEmpty)
{
    if (newSize < 0) return 0;
    int32_t step = growByValue != -1 ? growByValue : growBy;

    if (newSize == 0 && freeWhenEmpty) {
        zeroFree(data);
        data = nullptr;
        count = capacity = 0;
    } else if (!data) {
        if (newSize > 0) {
            int32_t* slots = static_cast<int32_t*>(NewSlots(newSize, sizeof(int32_t)));
            if (!slots) return 0;
            data = slots;
        }
        count = capacity = newSize;
    } else if (newSize <= capacity) {
        if (newSize > count) memset(data + count, 0, sizeof(int32_t) * (newSize - count));
        count = newSize;
    } else {
        int32_t grown = GrownCapacity(capacity, count, step, newSize);
        int32_t* slots = static_cast<int32_t*>(NewSlots(grown, sizeof(int32_t)));
        if (!slots) return 0;
        memcpy(slots, data, sizeof(int32_t) * count);
        zeroFree(data);
        data = slots;
        count = newSize;
        capacity = grown;
    }
    growBy = step;
    return 1;
}

int32_t IntArray::Add(int32_t value)
{
    int32_t index = count;
    if (index == INT32_MAX) return -1;
    if (!SetSize(index + 1, -1, true)) return -1;
    data[index] = value;
    return index;
}

namespace {

// The stored form of every array starts with its count and its growth step.
void WriteArrayHeader(Stream& out, int32_t count, int32_t growBy)
{
    out.write(&count, 4);
    out.write(&growBy, 4);
}

// Returns the stored count (0 when the stream does not deliver it); a stored step of -1 keeps
// the array's own.
int32_t ReadArrayHeader(Stream& in, int32_t& growBy)
{
    int32_t n = 0;
    int32_t step = 0;
    in.read(&n, 4);
    in.read(&step, 4);
    if (step != -1) growBy = step;
    return n;
}

}  // namespace

// Count, growBy, then each element as a counted string. Errors stay in the stream.
int32_t SerialStringArray::Save(Stream& out) const
{
    WriteArrayHeader(out, count, growBy);
    for (int32_t i = 0; i < count; ++i) writeString(out, data[i]);
    return 1;
}

// Rebuilds the array through Add, so the capacity follows the growth rule. The count comes
// from the file: reading stops as soon as the stream is no longer good (a short stream
// cannot make us loop or allocate for elements that are not there), and an element that did
// not arrive whole is not added.
int32_t SerialStringArray::Load(Stream& in)
{
    int32_t n = ReadArrayHeader(in, growBy);
    SetSize(0, -1, true);
    for (int32_t i = 0; i < n && in.isGood(); ++i) {
        RcString text(emptyString);
        readString(in, text);
        if (!in.isGood()) break;
        if (Add(text.c_str()) < 0) break;  // out of memory: keep what we have
    }
    return 1;
}

int32_t SerialIntArray::Save(Stream& out) const
{
    WriteArrayHeader(out, count, growBy);
    for (int32_t i = 0; i < count; ++i) out.write(&data[i], 4);
    return 1;
}

// As SerialStringArray::Load: stops at the first value the stream does not deliver whole.
int32_t SerialIntArray::Load(Stream& in)
{
    int32_t n = ReadArrayHeader(in, growBy);
    SetSize(0, -1, true);
    for (int32_t i = 0; i < n && in.isGood(); ++i) {
        int32_t value = 0;
        in.read(&value, 4);
        if (!in.isGood()) break;
        if (Add(value) < 0) break;
    }
    return 1;
}
