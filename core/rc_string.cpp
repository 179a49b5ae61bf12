// RcString: shared, counted, copy-on-write byte strings and their on-stream form.
#include "core/rc_string.h"

#include <new>
#include <string.h>

#include "core/stream.h"
#include "core/zero_alloc.h"

namespace {

// The on-stream length is signed 32-bit; no block is made larger than a stream could describe.
const uint32_t kMaxCapacity = 0x7FFFFFFFu - sizeof(RcStringBlock);

// readString grows its block in steps of at most this much, so a length field is never
// trusted with more memory than the stream has delivered so far (plus one step).
const uint32_t kReadChunk = 64 * 1024;

// A fresh block for n text bytes: the three counters, n bytes and room for the terminating
// zero (n + 16 bytes in all). Count 1, length 0, text all zeros. Null when out of memory.
RcStringBlock* NewBlock(uint32_t n)
{
    if (n > kMaxCapacity) return nullptr;
    RcStringBlock* b = static_cast<RcStringBlock*>(zeroAlloc(sizeof(RcStringBlock) + n));
    if (!b) return nullptr;
    b->refCount = 1;
    b->capacity = n;
    b->length = 0;
    return b;
}

// The text of a block. It runs past the declared array (capacity + 1 bytes), so it is
// reached through a plain pointer rather than by indexing the array itself.
char* Text(RcStringBlock* b) { return b->text; }

}  // namespace

RcString emptyString;

namespace {

bool emptyStringReleased;  // the done-flag: the release at exit happens once

// Gives emptyString its block before main (capacity 0, length 0, count 1) and releases it at
// exit. Out of memory it stays null, which is an equally valid empty string.
struct EmptyStringSetUp {
    EmptyStringSetUp() { emptyString.assign(""); }
    ~EmptyStringSetUp()
    {
        if (emptyStringReleased) return;
        emptyStringReleased = true;
        emptyString.release();
    }
} emptyStringSetUp;

}  // namespace

RcString::RcString(const RcString& other) : block(other.block)
{
    if (block) ++block->refCount;
}

RcString& RcString::operator=(const RcString& other)
{
    RcStringBlock* b = other.block;  // taken first: other may be this value
    if (b) ++b->refCount;
    release();
    block = b;
    return *this;
}

void RcString::release()
{
    if (!block) return;
    if (--block->refCount == 0) zeroFree(block);
    block = nullptr;
}

// Callers use this on a null value; a block still held is released rather than leaked, but
// only once the fresh one exists, so a failure leaves the value as it was.
int RcString::allocateExact(uint32_t n)
{
    RcStringBlock* b = NewBlock(n);
    if (!b) return 0;
    b->length = n;
    release();
    block = b;
    return 1;
}

int RcString::reserveEmpty(uint32_t n)
{
    RcStringBlock* b = NewBlock(n);
    if (!b) return 0;  // value unchanged
    release();
    block = b;
    return 1;
}

int RcString::reserveKeep(uint32_t n)
{
    if (!block) return reserveEmpty(n);
    uint32_t keep = block->length;
    if (n < keep) n = keep;  // never cut the text
    RcStringBlock* b = NewBlock(n);
    if (!b) return 0;  // value unchanged
    memcpy(Text(b), Text(block), keep);
    b->length = keep;
    Text(b)[keep] = 0;
    release();
    block = b;
    return 1;
}

// A null s is taken as the empty text.
int RcString::assign(const char* s)
{
    if (!s) s = "";
    size_t len = strlen(s);
    if (len > kMaxCapacity) return 0;
    uint32_t n = static_cast<uint32_t>(len);
    if (!block) {
        if (!allocateExact(n)) return 0;
    } else if (block->refCount > 1 || block->capacity < n) {
        // Room for the old length plus the new one; other holders keep the old text. s may
        // lie in the old block: a shared block outlives our release, an unshared one is not
        // replaced here (its capacity already covers any text inside it).
        uint32_t want = block->length + n;
        if (want > kMaxCapacity || want < n) want = n;
        if (!reserveEmpty(want)) return 0;
    }
    memmove(Text(block), s, n);  // in place, s may be our own text
    block->length = n;
    Text(block)[n] = 0;
    return 1;
}

// Out of memory the result is null (empty); a is unchanged either way.
RcString RcString::concat(const RcString& a, const char* s)
{
    if (!s) s = "";
    RcString result;
    size_t len = strlen(s);
    uint64_t total = static_cast<uint64_t>(a.length()) + len;
    if (total > kMaxCapacity) return result;
    RcString work(a);  // shares a's block, so reserveKeep always makes a block of its own
    if (!work.reserveKeep(static_cast<uint32_t>(total))) return result;
    memcpy(Text(work.block) + work.block->length, s, len);
    work.block->length = static_cast<uint32_t>(total);
    Text(work.block)[total] = 0;
    result.swap(work);
    return result;
}

// Out of memory the result is null (empty).
RcString RcString::right(int32_t n) const
{
    uint32_t len = length();
    uint32_t take = n < 0 ? 0 : static_cast<uint32_t>(n);
    if (take > len) take = len;
    RcString result;
    if (!result.allocateExact(take)) return result;
    if (take) memcpy(Text(result.block), Text(block) + (len - take), take);
    Text(result.block)[take] = 0;
    return result;
}

// The values are treated as raw storage (as in zero-filled array slots) and made null.
void constructArray(RcString* values, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) new (&values[i]) RcString();
}

void destroyArray(RcString* values, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) values[i].release();
}

// Reads a 32-bit length, then that many bytes. The length comes from the file and is not
// trusted: a negative one stops the stream (StreamFailed), and the block grows in bounded
// steps as bytes actually arrive, so a short stream cannot make us allocate what it claims.
// Whenever the string does not arrive whole, the target ends empty and the stream says why.
Stream& readString(Stream& in, RcString& target)
{
    int32_t length = 0;
    in.read(&length, 4);  // bytes not delivered stay 0

    RcString fresh;
    uint32_t want = length < 0 ? 0 : static_cast<uint32_t>(length);
    uint32_t step = want < kReadChunk ? want : kReadChunk;
    bool whole = false;
    if (length < 0) {
        in.stop(StreamFailed);
    } else if (!fresh.reserveEmpty(step)) {
        in.stop(StreamFailed);  // the bytes stay unread: nothing after them can be trusted
    } else {
        uint32_t got = 0;
        for (;;) {
            RcStringBlock* b = fresh.block;
            in.read(Text(b) + got, static_cast<int32_t>(b->capacity - got));
            if (!in.isGood()) break;
            got = b->capacity;
            b->length = got;
            if (got == want) {
                whole = true;
                break;
            }
            uint32_t next = want - got > got ? got * 2 : want;
            if (!fresh.reserveKeep(next)) {
                in.stop(StreamFailed);
                break;
            }
        }
    }

    if (whole) {
        target.swap(fresh);
    } else {
        target.release();
        target.reserveEmpty(0);  // out of memory it stays null, also empty
    }
    return in;
}

// The length written is that of the text up to its first zero byte, not the length field.
Stream& writeString(Stream& out, const RcString& value)
{
    int32_t n = 0;
    if (!value.isNull()) n = static_cast<int32_t>(strlen(value.c_str()));
    out.write(&n, 4);
    if (n) out.write(value.c_str(), n);
    return out;
}
