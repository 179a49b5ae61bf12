// Counted strings: copy-on-write, the derived values, and the on-stream form byte for byte.
#include "core/rc_string.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "core/stream.h"
#include "core/zero_alloc.h"
#include "tests/core/vector_stream.h"
#include "tests/support/test_support.h"

#ifdef __has_feature
#if __has_feature(address_sanitizer)
#define VEX_ALLOCATION_PROBE 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace {

uint32_t Count(const RcString& s) { return s.storage() ? s.storage()->refCount : 0; }

RcString Make(const char* text)
{
    RcString s;
    s.assign(text);
    return s;
}

#ifdef VEX_ALLOCATION_PROBE
size_t largestRequest;
bool probing;
void OnMalloc(const volatile void*, size_t size)
{
    if (probing && size > largestRequest) largestRequest = size;
}
void OnFree(const volatile void*) {}
#endif

// The largest single allocation `run` makes, where the sanitizer can tell; 0 elsewhere.
template <class F>
size_t LargestAllocation(F run)
{
#ifdef VEX_ALLOCATION_PROBE
    static bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    (void)installed;
    largestRequest = 0;
    probing = true;
    run();
    probing = false;
    return largestRequest;
#else
    run();
    return 0;
#endif
}

// Every test leaves the allocator working, whatever it did to it.
class RcStringOutOfMemory : public testing::Test {
protected:
    void TearDown() override { zeroAllocFailAfter(-1); }
};

}  // namespace

TEST(RcStringCopyOnWrite, EmptyTextOnNullGetsABlockOfItsOwn)
{
    RcString s;
    ASSERT_EQ(1, s.assign(""));
    ASSERT_FALSE(s.isNull()) << "an assigned empty text must own a block";
    EXPECT_EQ(0u, s.capacity());
    EXPECT_EQ(0u, s.length());
    EXPECT_EQ(1u, Count(s));
}

TEST(RcStringCopyOnWrite, WriterOfSharedBlockGetsRoomForOldPlusNew)
{
    RcString a = Make("abc");
    RcString b = a;
    EXPECT_EQ(2u, Count(a));
    ASSERT_EQ(1, b.assign("hello"));
    EXPECT_STREQ("hello", b.c_str());
    EXPECT_EQ(8u, b.capacity()) << "old length 3 plus new length 5";
    EXPECT_EQ(5u, b.length());
    EXPECT_STREQ("abc", a.c_str()) << "the write leaked into the other copy";
    EXPECT_EQ(3u, a.length());
    EXPECT_EQ(1u, Count(a));
    EXPECT_EQ(1u, Count(b));
}

TEST(RcStringCopyOnWrite, UnsharedRoomyBlockIsWrittenInPlace)
{
    RcString s;
    ASSERT_EQ(1, s.reserveEmpty(10));
    const RcStringBlock* before = s.storage();
    ASSERT_EQ(1, s.assign("ab"));
    EXPECT_EQ(before, s.storage());
    EXPECT_EQ(10u, s.capacity());
    EXPECT_EQ(2u, s.length());
    EXPECT_STREQ("ab", s.c_str());
}

TEST(RcStringCopyOnWrite, TooSmallBlockGrowsToOldPlusNew)
{
    RcString s = Make("ab");
    ASSERT_EQ(1, s.assign("hello"));
    EXPECT_EQ(7u, s.capacity());
    EXPECT_STREQ("hello", s.c_str());
    ASSERT_EQ(1, s.assign("xy"));  // now roomy: in place, shorter text fully terminated
    EXPECT_EQ(7u, s.capacity());
    EXPECT_EQ(2u, s.length());
    EXPECT_EQ(0, memcmp("xy", s.c_str(), 3));
}

TEST(RcStringCopyOnWrite, AssignOfOwnTextOverlaps)
{
    RcString s = Make("abcdef");
    ASSERT_EQ(1, s.assign(s.c_str() + 2));
    EXPECT_STREQ("cdef", s.c_str());
    RcString t = Make("shared");
    RcString u = t;
    ASSERT_EQ(1, u.assign(t.c_str() + 3));  // source lives in the block being left
    EXPECT_STREQ("red", u.c_str());
    EXPECT_STREQ("shared", t.c_str());
}

TEST(RcStringCopyOnWrite, CopiesShareAndReleaseCounts)
{
    RcString a = Make("x");
    {
        RcString b(a);
        RcString c;
        c = b;
        EXPECT_EQ(a.storage(), c.storage());
        EXPECT_EQ(3u, Count(a));
        RcString& same = c;
        c = same;  // self-assignment keeps the block
        EXPECT_EQ(a.storage(), c.storage());
        EXPECT_EQ(3u, Count(a));
        b.release();
        EXPECT_TRUE(b.isNull());
        EXPECT_EQ(2u, Count(a));
    }
    EXPECT_EQ(1u, Count(a));
}

TEST(RcStringCopyOnWrite, EmptyStringIsReadyAndStaysEmpty)
{
    ASSERT_FALSE(emptyString.isNull()) << "emptyString is set up before main";
    EXPECT_EQ(0u, emptyString.capacity());
    uint32_t before = Count(emptyString);
    RcString local(emptyString);
    EXPECT_EQ(before + 1, Count(emptyString));
    ASSERT_EQ(1, local.assign("mine"));
    EXPECT_STREQ("", emptyString.c_str());
    EXPECT_EQ(0u, emptyString.length());
    EXPECT_EQ(before, Count(emptyString));
}

TEST(RcStringBlocks, ReserveKeepCopiesTextIntoFreshBlock)
{
    RcString a = Make("keep");
    RcString b = a;
    ASSERT_EQ(1, b.reserveKeep(20));
    EXPECT_NE(a.storage(), b.storage());
    EXPECT_EQ(20u, b.capacity());
    EXPECT_STREQ("keep", b.c_str());
    EXPECT_EQ(4u, b.length());
    EXPECT_EQ(1u, Count(a));
    ASSERT_EQ(1, b.reserveKeep(1));  // never below the length
    EXPECT_STREQ("keep", b.c_str());
    EXPECT_EQ(4u, b.capacity());

    RcString n;
    ASSERT_EQ(1, n.reserveKeep(6));
    EXPECT_EQ(6u, n.capacity());
    EXPECT_EQ(0u, n.length());
}

TEST(RcStringBlocks, ReserveEmptyDropsTextAndAllocateExactIsZeros)
{
    RcString a = Make("gone");
    ASSERT_EQ(1, a.reserveEmpty(3));
    EXPECT_EQ(0u, a.length());
    EXPECT_STREQ("", a.c_str());

    RcString z;
    ASSERT_EQ(1, z.allocateExact(4));
    EXPECT_EQ(4u, z.length());
    EXPECT_EQ(4u, z.capacity());
    EXPECT_EQ(0, memcmp("\0\0\0\0\0", z.c_str(), 5));
}

struct RightCase {
    const char* text;  // null: a null value
    int32_t n;
    const char* expected;
};

TEST(RcStringRight, TakesTheLastBytesClamped)
{
    const RightCase cases[] = {
        {"picture.tga", 3, "tga"},
        {"ab", 5, "ab"},
        {"ab", -1, ""},
        {"ab", 0, ""},
        {"ab", 2, "ab"},
        {nullptr, 3, ""},
    };
    for (const RightCase& c : cases) {
        RcString s;
        if (c.text) s.assign(c.text);
        RcString r = s.right(c.n);
        SCOPED_TRACE(std::string(c.text ? c.text : "(null)") + " right " + std::to_string(c.n));
        ASSERT_FALSE(r.isNull()) << "the result owns a block, also when empty";
        EXPECT_STREQ(c.expected, r.c_str());
        EXPECT_EQ(strlen(c.expected), r.length());
        EXPECT_EQ(strlen(c.expected), r.capacity());
        EXPECT_EQ(1u, Count(r));
        EXPECT_NE(s.storage(), r.storage());
        if (c.text) {
            EXPECT_STREQ(c.text, s.c_str());
        }
    }
}

TEST(RcStringConcat, ResultHasExactCapacityAndSourceIsUnchanged)
{
    RcString name = Make("name");
    RcString joined = RcString::concat(name, ".tex");
    EXPECT_STREQ("name.tex", joined.c_str());
    EXPECT_EQ(8u, joined.capacity());
    EXPECT_EQ(8u, joined.length());
    EXPECT_EQ(1u, Count(joined));
    EXPECT_STREQ("name", name.c_str());
    EXPECT_EQ(1u, Count(name)) << "the working copy must be released";

    RcString fromNull = RcString::concat(RcString(), "abc");
    EXPECT_STREQ("abc", fromNull.c_str());
    EXPECT_EQ(3u, fromNull.capacity());

    RcString twice = RcString::concat(name, name.c_str());
    EXPECT_STREQ("namename", twice.c_str());
    RcString plain = RcString::concat(name, "");
    EXPECT_STREQ("name", plain.c_str());
    EXPECT_NE(name.storage(), plain.storage());
}

TEST(RcStringArrays, DestroyArrayFreesSharedBlockOnceAtTheLast)
{
    RcString* values = static_cast<RcString*>(zeroAlloc(3 * sizeof(RcString)));
    ASSERT_NE(nullptr, values);
    constructArray(values, 3);
    values[0].assign("x");
    values[1] = values[0];
    values[2] = values[1];
    EXPECT_EQ(3u, Count(values[0]));
    destroyArray(values, 2);
    EXPECT_TRUE(values[0].isNull());
    EXPECT_TRUE(values[1].isNull());
    EXPECT_STREQ("x", values[2].c_str()) << "a block still held was freed";
    EXPECT_EQ(1u, Count(values[2]));
    destroyArray(values + 2, 1);  // ASan reports a double free or a leak here
    EXPECT_TRUE(values[2].isNull());
    destroyArray(values, 0);
    constructArray(values, 0);
    zeroFree(values);
}

struct ReadCase {
    const char* name;
    Bytes input;
    const char* expected;  // text after the read
    bool good;             // stream good afterwards
    uint32_t status;
};

TEST(RcStringReadString, ByteCases)
{
    const ReadCase cases[] = {
        {"three bytes", {3, 0, 0, 0, 'a', 'b', 'c'}, "abc", true, StreamOk},
        {"empty", {0, 0, 0, 0}, "", true, StreamOk},
        {"text cut short", {3, 0, 0, 0, 'a'}, "", false, StreamEnd},
        {"length cut short", {2, 0}, "", false, StreamEnd},
        {"nothing at all", {}, "", false, StreamEnd},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 'a'}, "", false, StreamFailed},
        {"most negative length", {0, 0, 0, 0x80}, "", false, StreamFailed},
        {"huge length", {0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'}, "", false, StreamEnd},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        VectorStream in(c.input);
        RcString target = Make("previous");
        RcString other = target;
        readString(in, target);
        EXPECT_STREQ(c.expected, target.c_str());
        EXPECT_EQ(strlen(c.expected), target.length());
        EXPECT_EQ(strlen(c.expected), target.capacity());
        EXPECT_FALSE(target.isNull()) << "the target gets a block of its own";
        EXPECT_NE(other.storage(), target.storage());
        EXPECT_STREQ("previous", other.c_str());
        EXPECT_EQ(c.good, in.isGood());
        EXPECT_EQ(c.status, in.getStatus());
    }
}

TEST(RcStringReadString, HugeLengthNeverAllocatesWhatItClaims)
{
    Bytes input = {0xFF, 0xFF, 0xFF, 0x7F};
    input.resize(4 + 1000, 'q');
    VectorStream in(input);
    RcString target;
    size_t largest = LargestAllocation([&] { readString(in, target); });
    EXPECT_LT(largest, size_t(1) << 20) << "allocated " << largest << " bytes for 1000";
    EXPECT_EQ(0u, target.length());
    EXPECT_EQ(StreamEnd, in.getStatus());
}

TEST(RcStringReadString, LongStringGrowsAcrossChunksAndRefills)
{
    const uint32_t sizes[] = {511, 512, 513, 65536, 65537, 200000};
    for (uint32_t size : sizes) {
        SCOPED_TRACE(size);
        Bytes input;
        PutU32(input, size);
        for (uint32_t i = 0; i < size; ++i) input.push_back(static_cast<uint8_t>('a' + i % 23));
        input.push_back('!');  // the next value must still be there
        VectorStream in(input, 100);
        RcString target;
        readString(in, target);
        ASSERT_TRUE(in.isGood());
        ASSERT_EQ(size, target.length());
        EXPECT_EQ(size, target.capacity());
        EXPECT_EQ(0, memcmp(input.data() + 4, target.c_str(), size));
        EXPECT_EQ(0, target.c_str()[size]);
        EXPECT_EQ('!', in.peek());

        Bytes cut(input.begin(), input.end() - 2);  // one text byte missing
        VectorStream shortIn(cut, 100);
        readString(shortIn, target);
        EXPECT_EQ(0u, target.length());
        EXPECT_EQ(StreamEnd, shortIn.getStatus());
    }
}

TEST(RcStringReadString, ChainsAndStopsOnAStoppedStream)
{
    Bytes input = {2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0, 3, 0, 0, 0, 'x', 'y', 'z'};
    VectorStream in(input, 3);
    RcString a, b, c, d;
    readString(readString(readString(in, a), b), c);
    EXPECT_STREQ("ab", a.c_str());
    EXPECT_STREQ("", b.c_str());
    EXPECT_STREQ("xyz", c.c_str());
    EXPECT_TRUE(in.isGood());
    readString(in, d);  // nothing left
    EXPECT_EQ(StreamEnd, in.getStatus());
    RcString e = Make("old");
    readString(in, e);
    EXPECT_STREQ("", e.c_str());
    EXPECT_EQ(StreamEnd, in.getStatus()) << "a stopped stream keeps its first reason";
}

TEST(RcStringWriteString, ExactBytes)
{
    {
        VectorStream out;
        writeString(out, RcString());
        EXPECT_EQ(Bytes({0, 0, 0, 0}), out.written()) << Hex(out.written());
    }
    {
        VectorStream out;
        writeString(writeString(out, Make("abc")), Make(""));
        EXPECT_EQ(Bytes({3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0}), out.written())
            << Hex(out.written());
    }
    {
        RcString zeros;  // length 5, text "ab" then zeros: the text counts, not the field
        zeros.allocateExact(5);
        zeros.writableText()[0] = 'a';
        zeros.writableText()[1] = 'b';
        VectorStream out;
        writeString(out, zeros);
        EXPECT_EQ(Bytes({2, 0, 0, 0, 'a', 'b'}), out.written()) << Hex(out.written());
    }
}

TEST(RcStringWriteString, RoundTripsAcrossTheBuffer)
{
    std::string text(1300, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('A' + i % 26);
    VectorStream out;
    writeString(out, Make(text.c_str()));
    writeString(out, Make("tail"));
    Bytes bytes = out.written();
    ASSERT_EQ(4 + 1300 + 4 + 4u, bytes.size());
    EXPECT_EQ(1300u, GetU32(bytes, 0));

    VectorStream in(bytes);
    RcString a, b;
    readString(readString(in, a), b);
    EXPECT_EQ(text, a.c_str());
    EXPECT_STREQ("tail", b.c_str());
    EXPECT_TRUE(in.isGood());
}

TEST_F(RcStringOutOfMemory, AssignLeavesTheValueAsItWas)
{
    RcString n;
    zeroAllocFailAfter(0);
    EXPECT_EQ(0, n.assign("abc"));
    EXPECT_TRUE(n.isNull());

    zeroAllocFailAfter(-1);
    RcString a = Make("abc");
    RcString b = a;
    zeroAllocFailAfter(0);
    EXPECT_EQ(0, b.assign("hello"));
    EXPECT_STREQ("abc", b.c_str());
    EXPECT_EQ(a.storage(), b.storage());
    EXPECT_EQ(2u, Count(a));
    EXPECT_EQ(0, b.assign("")) << "a shared block must be left, even for an empty text";
    EXPECT_STREQ("abc", a.c_str());
}

TEST_F(RcStringOutOfMemory, DerivedValuesComeBackEmpty)
{
    RcString name = Make("name");
    RcString shared = name;
    zeroAllocFailAfter(0);
    RcString joined = RcString::concat(name, ".tex");
    EXPECT_TRUE(joined.isNull());
    EXPECT_STREQ("name", name.c_str());
    EXPECT_EQ(2u, Count(name)) << "the working copy must be released on failure too";
    RcString tail = name.right(2);
    EXPECT_TRUE(tail.isNull());
    EXPECT_EQ(0, shared.reserveKeep(10));
    EXPECT_EQ(0, shared.reserveEmpty(10));
    EXPECT_EQ(0, shared.allocateExact(10));
    EXPECT_STREQ("name", shared.c_str());
    EXPECT_EQ(name.storage(), shared.storage());
}

TEST_F(RcStringOutOfMemory, ReadStringStopsTheStream)
{
    VectorStream in(Bytes{3, 0, 0, 0, 'a', 'b', 'c'});
    RcString target = Make("old");
    zeroAllocFailAfter(0);
    readString(in, target);
    EXPECT_STREQ("", target.c_str());
    EXPECT_EQ(StreamFailed, in.getStatus());

    Bytes big;
    PutU32(big, 100000);
    big.resize(4 + 100000, 'z');
    VectorStream bigIn(big);
    RcString t2;
    zeroAllocFailAfter(1);  // the first step's block, then nothing to grow into
    readString(bigIn, t2);
    EXPECT_EQ(0u, t2.length());
    EXPECT_EQ(StreamFailed, bigIn.getStatus());
}
