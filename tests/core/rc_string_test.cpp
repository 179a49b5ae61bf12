// Counted strings: copy-on-write, the derived values, and the on-stream form byte for byte.
#include "core/rc_string.h"

#include <string>

#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "tests/core/vector_stream.h"

#ifdef __has_feature
#if __has_feature(address_sanitizer)
#define VEX_ALLOCATION_PROBE 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace {

uint32_t Count(const RcString& s) { return s.storage() ? s.storage()->refCount : 0; }

RcString Make(const char* text)  // null: a null value
{
    RcString s;
    if (text) s.assign(text);
    return s;
}

// "text length/capacity xcount", so a table can say all of a value at once; "null" for none.
std::string State(const RcString& s)
{
    if (s.isNull()) return "null";
    return std::string(s.c_str()) + " " + std::to_string(s.length()) + "/" + std::to_string(s.capacity()) + " x" +
           std::to_string(Count(s));
}

#ifdef VEX_ALLOCATION_PROBE
size_t largestRequest;
void OnMalloc(const volatile void*, size_t size) { largestRequest = std::max(largestRequest, size); }
void OnFree(const volatile void*) {}
#endif

}  // namespace

TEST(RcStringCopyOnWrite, WriterGetsRoomForOldPlusNewOthersKeepTheirBytes)
{
    // `before` null: a null value; `reserve`: instead, an empty block of that capacity.
    struct Case { const char* before; uint32_t reserve; bool shared; const char* text, *state; bool inPlace; };
    const Case cases[] = {
        {"abc", 0, true, "hello", "hello 5/8 x1", false},  // old length 3 plus new length 5
        {nullptr, 10, false, "ab", "ab 2/10 x1", true},    {"hello", 0, false, "xy", "xy 2/5 x1", true},
        {"abc", 0, true, "", " 0/3 x1", false},
    };
    for (const Case& c : cases) {
        RcString s = Make(c.before), other;
        if (c.reserve) s.reserveEmpty(c.reserve);
        if (c.shared) other = s;
        const RcStringBlock* old = s.storage();
        SCOPED_TRACE(testing::Message() << c.before << (c.shared ? " shared" : "") << " <- " << c.text);
        EXPECT_EQ(1, s.assign(c.text));
        EXPECT_EQ(c.state, State(s));
        EXPECT_EQ(c.inPlace, old == s.storage());
        EXPECT_EQ(c.shared ? "abc 3/3 x1" : "null", State(other)) << "the write leaked into the other copy";
    }
    RcString t = Make("abcdef"), u = t;
    u.assign(t.c_str() + 1);  // the source lives in the block being left
    EXPECT_EQ("bcdef 5/11 x1", State(u));
    {
        RcString b(t), c;
        c = b;
        EXPECT_EQ("abcdef 6/6 x3", State(t));
    }
    EXPECT_EQ("abcdef 6/6 x1", State(t)) << "copies give their share back";
}

TEST(RcStringDerived, RightAndConcatMakeExactFreshBlocks)
{
    struct Case { const char* text, *append; int32_t n; const char* expected; } cases[] = {  // append null: right(n)
        {"picture.tga", nullptr, 3, "tga"}, {"ab", nullptr, 5, "ab"},  {"ab", nullptr, -1, ""},
        {nullptr, nullptr, 3, ""},          {"name", ".tex", 0, "name.tex"}, {nullptr, "abc", 0, "abc"},
    };
    for (const Case& c : cases) {
        RcString s = Make(c.text), before = Make(c.text);
        RcString r = c.append ? RcString::concat(s, c.append) : s.right(c.n);
        std::string n = std::to_string(strlen(c.expected));
        SCOPED_TRACE(testing::Message() << c.text << " + " << c.append << ", right " << c.n);
        EXPECT_EQ(c.expected + (" " + n) + "/" + n + " x1", State(r)) << "a fresh block of the exact size";
        EXPECT_EQ(State(before), State(s)) << "the source changed or kept a working copy";
    }
    RcString name = Make("name");
    EXPECT_EQ("namename 8/8 x1", State(RcString::concat(name, name.c_str())));
}

TEST(RcStringArrays, DestroyArrayFreesSharedBlockOnceAtTheLast)
{
    RcString* values = static_cast<RcString*>(zeroAlloc(3 * sizeof(RcString)));
    ASSERT_NE(nullptr, values);
    constructArray(values, 3);
    values[0].assign("x");
    values[2] = values[1] = values[0];
    destroyArray(values, 2);
    EXPECT_EQ("null null x 1/1 x1", State(values[0]) + " " + State(values[1]) + " " + State(values[2]))
        << "a block still held was freed";
    destroyArray(values + 2, 1);  // ASan reports a double free or a leak here
    EXPECT_EQ("null", State(values[2]));
    zeroFree(values);
}

TEST(RcStringReadString, ByteCasesAndUntrustedLengths)
{
    struct Case { const char* what; Bytes input; const char* state; uint32_t status; } cases[] = {
        {"three bytes", {3, 0, 0, 0, 'a', 'b', 'c'}, "abc 3/3 x1", StreamOk},
        {"empty", {0, 0, 0, 0}, " 0/0 x1", StreamOk},
        {"text cut short", {3, 0, 0, 0, 'a'}, " 0/0 x1", StreamEnd},
        {"nothing at all", {}, " 0/0 x1", StreamEnd},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 'a'}, " 0/0 x1", StreamFailed},
        {"huge length", {0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'}, " 0/0 x1", StreamEnd},
    };
    for (const Case& c : cases) {
        VectorStream in(c.input);
        RcString target = Make("previous"), other = target;
        readString(in, target);
        EXPECT_EQ(c.state, State(target)) << c.what;
        EXPECT_EQ(c.status, in.getStatus()) << c.what;
        EXPECT_EQ("previous 8/8 x1", State(other)) << c.what;
    }
#ifdef VEX_ALLOCATION_PROBE
    Bytes huge = {0xFF, 0xFF, 0xFF, 0x7F};  // 2 GB claimed, 1000 bytes there
    huge.resize(4 + 1000, 'q');
    VectorStream in(huge);
    RcString target;
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    readString(in, target);
    EXPECT_LT(largestRequest, size_t(1) << 20) << "allocated " << largestRequest << " bytes for 1000 that came";
#endif
}

TEST(RcStringReadString, LongStringGrowsAcrossChunksAndRefills)
{
    for (uint32_t size : {513u, 65537u}) {
        Bytes input;
        PutU32(input, size);
        for (uint32_t i = 0; i < size; ++i) input.push_back(uint8_t('a' + i % 23));
        input.push_back('!');  // the next value must still be there
        VectorStream in(input, 100), cut(Bytes(input.begin(), input.end() - 2), 100);  // one text byte missing
        RcString target;
        readString(in, target);
        EXPECT_EQ(StreamOk, in.getStatus()) << size;
        EXPECT_EQ(size, target.capacity());
        EXPECT_EQ(std::string(input.begin() + 4, input.end() - 1), target.c_str()) << size;
        EXPECT_EQ('!', in.peek()) << size;
        readString(cut, target);
        EXPECT_EQ(" 0/0 x1", State(target)) << size;
        EXPECT_EQ(StreamEnd, cut.getStatus()) << size;
    }
}

TEST(RcStringWriteString, ExactBytes)
{
    struct Case { RcString value; Bytes bytes; } cases[] = {
        {RcString(), {0, 0, 0, 0}}, {Make("abc"), {3, 0, 0, 0, 'a', 'b', 'c'}},
    };
    for (const Case& c : cases) {
        VectorStream out;
        writeString(out, c.value);
        EXPECT_EQ(Hex(c.bytes), Hex(out.written())) << State(c.value);
    }
}

TEST(RcStringOutOfMemory, ValuesStayAsTheyWereDerivedOnesComeBackNullReadsStop)
{
    RcString n, a = Make("abc"), b = a;
    Bytes big;
    PutU32(big, 100000);
    big.resize(4 + 100000, 'z');
    VectorStream in(Bytes{3, 0, 0, 0, 'a', 'b', 'c'}), bigIn(big);  // begun while memory lasts
    zeroAllocFailAfter(0);
    EXPECT_EQ(0, n.assign("abc") + b.assign("hello") + b.assign(""));  // "": a shared block must be left
    EXPECT_EQ("null abc 3/3 x2", State(n) + " " + State(b));
    EXPECT_EQ("null null", State(RcString::concat(a, ".tex")) + " " + State(a.right(2)));
    EXPECT_EQ("abc 3/3 x2", State(a)) << "the working copy must be released on failure too";
    readString(in, b);
    EXPECT_EQ("null", State(b));
    EXPECT_EQ(StreamFailed, in.getStatus());
    zeroAllocFailAfter(1);  // the first step's block, then nothing to grow into
    readString(bigIn, n);
    zeroAllocFailAfter(-1);
    EXPECT_EQ("null", State(n)) << "no memory even for the empty block: null is empty too";
    EXPECT_EQ(StreamFailed, bigIn.getStatus());
}
