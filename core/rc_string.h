// RcString: a byte string whose storage is shared between copies, counted, and copied only
// when a shared or too small string is written. Single-threaded: the counts are plain.
#pragma once

#include <stdint.h>

class Stream;

struct RcStringBlock {
    uint32_t refCount;
    uint32_t capacity;  // text bytes, not counting the terminating zero
    uint32_t length;
    char text[4];       // capacity + 1 bytes in a real block
};

class RcString {
public:
    RcString() : block(nullptr) {}
    RcString(const RcString& other);
    RcString& operator=(const RcString& other);
    ~RcString() { release(); }

    // Drops this value's share of its block; the value becomes null.
    void release();
    // A fresh block of exactly n zero bytes (length n). Meant for a null value; a block still
    // held is released once the fresh one exists.
    int allocateExact(uint32_t n);
    // A fresh empty block of capacity n; the old block is released.
    int reserveEmpty(uint32_t n);
    // A fresh block of capacity n (>= length) keeping the text.
    int reserveKeep(uint32_t n);
    // Replaces the text, copying a shared block first. Returns 1, or 0 when storage could not
    // be had (the value is then left as it was).
    int assign(const char* s);

    // a followed by s, in a block of exactly the combined length; a is unchanged.
    static RcString concat(const RcString& a, const char* s);
    // The last n bytes (n clamped to 0 .. length).
    RcString right(int32_t n) const;

    // The text, "" for a null value.
    const char* c_str() const { return block ? block->text : ""; }
    uint32_t length() const { return block ? block->length : 0; }
    uint32_t capacity() const { return block ? block->capacity : 0; }
    bool isNull() const { return block == nullptr; }
    const RcStringBlock* storage() const { return block; }
    char* writableText() { return block ? block->text : nullptr; }
    void swap(RcString& other) { RcStringBlock* b = block; block = other.block; other.block = b; }

private:
    friend Stream& readString(Stream& in, RcString& target);
    RcStringBlock* block;
};

// The process-wide empty string that locals start as a copy of.
extern RcString emptyString;

void constructArray(RcString* values, int32_t n);
void destroyArray(RcString* values, int32_t n);

// On a stream: a 32-bit length, then that many bytes. A negative length, or one the stream
// cannot still deliver, leaves the target empty and the stream stopped.
Stream& readString(Stream& in, RcString& target);
Stream& writeString(Stream& out, const RcString& value);
