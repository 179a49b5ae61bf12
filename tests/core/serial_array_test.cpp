// Growable string and integer arrays: the growth rule, element release, and the stream form
// byte for byte, including streams that lie about their counts.
#include "core/serial_array.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/stream.h"
#include "core/zero_alloc.h"
#include "tests/core/vector_stream.h"
#include "tests/support/test_support.h"

namespace {

uint32_t Count(const RcString& s) { return s.storage() ? s.storage()->refCount : 0; }

// The capacities seen while appending `n` elements one at a time.
template <class Array, class Value>
std::vector<int32_t> CapacitiesWhileAdding(Array& a, int n, Value v)
{
    std::vector<int32_t> seen;
    for (int i = 0; i < n; ++i) {
        int32_t next = a.count;
        EXPECT_EQ(next, a.Add(v));
        if (seen.empty() || seen.back() != a.capacity) seen.push_back(a.capacity);
    }
    return seen;
}

Bytes Header(int32_t count, int32_t growBy)
{
    Bytes b;
    PutU32(b, static_cast<uint32_t>(count));
    PutU32(b, static_cast<uint32_t>(growBy));
    return b;
}

void PutText(Bytes& b, const std::string& s)
{
    PutU32(b, static_cast<uint32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

class SerialArrayOutOfMemory : public testing::Test {
protected:
    void TearDown() override { zeroAllocFailAfter(-1); }
};

}  // namespace

TEST(SerialArrayGrowth, AutomaticStepSequence)
{
    const std::vector<int32_t> expected = {1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57, 64};
    StringArray strings;
    EXPECT_EQ(expected, CapacitiesWhileAdding(strings, 64, "s"));
    IntArray ints;
    EXPECT_EQ(expected, CapacitiesWhileAdding(ints, 64, 7));
    for (int32_t i = 0; i < 64; ++i) {
        ASSERT_STREQ("s", strings.data[i].c_str()) << "element " << i << " lost in a move";
        ASSERT_EQ(7, ints.data[i]);
    }
    EXPECT_EQ(64, strings.count);
}

TEST(SerialArrayGrowth, LargeArraysStepByAnEighthUpTo1024)
{
    IntArray a;
    ASSERT_EQ(1, a.SetSize(8000, -1, true));
    EXPECT_EQ(8000, a.capacity) << "the first allocation has no margin";
    a.Add(1);
    EXPECT_EQ(9000, a.capacity);
    ASSERT_EQ(1, a.SetSize(20000, -1, true));
    ASSERT_EQ(1, a.SetSize(20001, -1, true));
    EXPECT_EQ(21024, a.capacity);
}

TEST(SerialArrayGrowth, FixedAndNegativeSteps)
{
    IntArray fixed;
    CapacitiesWhileAdding(fixed, 5, 1);
    ASSERT_EQ(5, fixed.capacity);
    fixed.growBy = 2;
    fixed.Add(6);
    EXPECT_EQ(7, fixed.capacity);
    ASSERT_EQ(1, fixed.SetSize(20, -1, true));
    EXPECT_EQ(20, fixed.capacity) << "a size beyond capacity + step is taken exactly";

    StringArray exact;
    ASSERT_EQ(1, exact.SetSize(0, -3, true));
    EXPECT_EQ(-3, exact.growBy);
    EXPECT_EQ(std::vector<int32_t>({1, 2, 3, 4, 5, 6}), CapacitiesWhileAdding(exact, 6, "e"));
}

TEST(SerialArrayGrowth, HugeStepIsHeldToAFewThousandSlots)
{
    // growBy may come from a file; one Add must not ask for gigabytes.
    IntArray a;
    a.Add(1);
    a.growBy = INT32_MAX;
    ASSERT_EQ(1, a.Add(2));
    EXPECT_GT(a.capacity, 2);
    EXPECT_LE(a.capacity, 1 + 65536);
}

TEST(SerialArraySetSize, ToZeroFreeingReleasesEverything)
{
    RcString keep;
    StringArray a;
    a.Add("one");
    a.Add("two");
    keep = a.data[1];
    EXPECT_EQ(2u, Count(keep));
    a.SetSize(0, -1, true);
    EXPECT_EQ(nullptr, a.data);
    EXPECT_EQ(0, a.count);
    EXPECT_EQ(0, a.capacity);
    EXPECT_EQ(1u, Count(keep)) << "the element was not released";
    EXPECT_STREQ("two", keep.c_str());
}

TEST(SerialArraySetSize, ToZeroKeepingStorage)
{
    RcString keep;
    StringArray a;
    CapacitiesWhileAdding(a, 3, "x");
    keep = a.data[0];
    RcString* storage = a.data;
    a.SetSize(0, -1, false);
    EXPECT_EQ(storage, a.data);
    EXPECT_EQ(5, a.capacity);
    EXPECT_EQ(0, a.count);
    EXPECT_EQ(1u, Count(keep));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(a.data[i].isNull()) << "slot " << i << " not cleared";
}

TEST(SerialArraySetSize, ShrinkReleasesTheTailAndRegrowthComesBackEmpty)
{
    StringArray s;
    CapacitiesWhileAdding(s, 4, "t");
    RcString keep = s.data[3];
    ASSERT_EQ(1, s.SetSize(2, -1, true));
    EXPECT_EQ(1u, Count(keep));
    ASSERT_EQ(1, s.SetSize(4, -1, true));
    EXPECT_TRUE(s.data[2].isNull());
    EXPECT_TRUE(s.data[3].isNull());
    EXPECT_STREQ("t", s.data[1].c_str());

    IntArray n;
    CapacitiesWhileAdding(n, 4, 9);
    ASSERT_EQ(1, n.SetSize(1, -1, true));
    ASSERT_EQ(1, n.SetSize(3, -1, true));
    EXPECT_EQ(9, n.data[0]);
    EXPECT_EQ(0, n.data[1]) << "a slot coming back into use must read 0";
    EXPECT_EQ(0, n.data[2]);
}

TEST(SerialArraySetSize, NegativeSizeIsRefused)
{
    IntArray a;
    a.Add(3);
    EXPECT_EQ(0, a.SetSize(-1, 4, true));
    EXPECT_EQ(1, a.count);
    EXPECT_EQ(0, a.growBy);
    EXPECT_EQ(3, a.data[0]);
}

TEST(SerialArrayElements, AddCopiesAndGrowthMovesWithoutCounting)
{
    char text[] = "mutable";
    StringArray a;
    ASSERT_EQ(0, a.Add(text));
    text[0] = 'M';
    EXPECT_STREQ("mutable", a.data[0].c_str()) << "Add must copy the characters";
    ASSERT_EQ(1, a.Add(""));
    EXPECT_FALSE(a.data[1].isNull());
    EXPECT_EQ(0u, a.data[1].capacity());

    RcString keep = a.data[0];
    CapacitiesWhileAdding(a, 10, "more");  // several moves
    EXPECT_EQ(2u, Count(keep)) << "moving slots must not change counts";
    EXPECT_EQ(keep.storage(), a.data[0].storage());
}

TEST(SerialArrayElements, ClearKeepsStorageAndDestructorReleases)
{
    RcString keep;
    {
        StringArray a;
        CapacitiesWhileAdding(a, 6, "c");
        keep = a.data[5];
        a.Clear();
        EXPECT_EQ(0, a.count);
        EXPECT_EQ(9, a.capacity);
        EXPECT_NE(nullptr, a.data);
        EXPECT_EQ(1u, Count(keep));
        a.Add("again");
        keep = a.data[0];
        EXPECT_EQ(2u, Count(keep));
    }
    EXPECT_EQ(1u, Count(keep)) << "the destructor must release the elements";
    EXPECT_STREQ("again", keep.c_str());
}

TEST(SerialArraySave, StringLayout)
{
    SerialStringArray a;
    a.Add("ab");
    a.Add("");
    VectorStream out;
    EXPECT_EQ(1, a.Save(out));
    const Bytes expected = {2, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0};
    EXPECT_EQ(expected, out.written()) << Hex(out.written());
}

TEST(SerialArraySave, NullSlotsAndTheStepAreWritten)
{
    SerialStringArray a;
    a.SetSize(2, 5, true);  // two slots holding no string yet
    a.data[1].assign("z");
    VectorStream out;
    Serializable& base = a;  // Save is virtual
    base.Save(out);
    const Bytes expected = {2, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'z'};
    EXPECT_EQ(expected, out.written()) << Hex(out.written());
}

TEST(SerialArraySave, IntLayout)
{
    SerialIntArray a;
    a.Add(1);
    a.Add(-2);
    a.Add(0x12345678);
    a.growBy = 3;
    VectorStream out;
    EXPECT_EQ(1, a.Save(out));
    const Bytes expected = {3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF,
                            0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(expected, out.written()) << Hex(out.written());
}

TEST(SerialArrayLoad, RoundTripFollowsTheGrowthRule)
{
    SerialStringArray a;
    a.SetSize(0, 0, true);
    ASSERT_EQ(1, a.SetSize(10, -1, true));  // capacity 10, slots null
    a.SetSize(3, -1, true);
    a.data[0].assign("first");
    a.data[2].assign(std::string(700, 'w').c_str());  // across the stream buffer
    VectorStream out;
    a.Save(out);

    SerialStringArray b;
    b.Add("old");
    VectorStream in(out.written(), 7);
    Serializable& base = b;
    EXPECT_EQ(1, base.Load(in));
    ASSERT_EQ(3, b.count);
    EXPECT_EQ(5, b.capacity) << "rebuilt through Add: 1 then 5, not the writer's 10";
    EXPECT_STREQ("first", b.data[0].c_str());
    EXPECT_FALSE(b.data[1].isNull()) << "Add stores a block even for an empty text";
    EXPECT_STREQ("", b.data[1].c_str());
    EXPECT_EQ(std::string(700, 'w'), b.data[2].c_str());
    EXPECT_TRUE(in.isGood());
    EXPECT_EQ(0u, in.unread());

    SerialIntArray ints;
    for (int32_t i = 0; i < 300; ++i) ints.Add(i * 1000 - 7);
    VectorStream intOut;
    ints.Save(intOut);
    SerialIntArray back;
    VectorStream intIn(intOut.written(), 5);
    back.Load(intIn);
    ASSERT_EQ(300, back.count);
    for (int32_t i = 0; i < 300; ++i) ASSERT_EQ(i * 1000 - 7, back.data[i]);
}

TEST(SerialArrayLoad, StepMinusOneKeepsTheArraysStep)
{
    SerialIntArray a;
    a.growBy = 7;
    Bytes keep = Header(1, -1);
    PutU32(keep, 42);
    VectorStream in(keep);
    a.Load(in);
    EXPECT_EQ(7, a.growBy);
    ASSERT_EQ(1, a.count);
    EXPECT_EQ(42, a.data[0]);

    SerialStringArray s;
    s.growBy = 7;
    VectorStream in2(Header(0, 3));
    s.Load(in2);
    EXPECT_EQ(3, s.growBy);
}

TEST(SerialArrayLoad, ZeroOrNegativeCountLeavesNoStorage)
{
    const int32_t counts[] = {0, -1, INT32_MIN};
    for (int32_t n : counts) {
        SCOPED_TRACE(n);
        SerialStringArray s;
        s.Add("gone");
        Bytes bytes = Header(n, 0);
        PutText(bytes, "unread");
        VectorStream in(bytes);
        s.Load(in);
        EXPECT_EQ(0, s.count);
        EXPECT_EQ(0, s.capacity);
        EXPECT_EQ(nullptr, s.data);
        EXPECT_TRUE(in.isGood());

        SerialIntArray i;
        i.Add(5);
        VectorStream in2(Header(n, 0));
        i.Load(in2);
        EXPECT_EQ(0, i.count);
        EXPECT_EQ(nullptr, i.data);
    }
}

TEST(SerialArrayLoad, AbsurdCountStopsWhereTheStreamEnds)
{
    Bytes bytes = Header(INT32_MAX, 0);
    PutText(bytes, "a");
    PutText(bytes, "bc");
    SerialStringArray s;
    VectorStream in(bytes);
    s.Load(in);  // must come back at once, not after two billion rounds
    ASSERT_EQ(2, s.count);
    EXPECT_STREQ("a", s.data[0].c_str());
    EXPECT_STREQ("bc", s.data[1].c_str());
    EXPECT_EQ(StreamEnd, in.getStatus());

    Bytes ints = Header(INT32_MAX, INT32_MAX);  // a hostile step as well
    PutU32(ints, 11);
    PutU32(ints, 22);
    PutU32(ints, 33);
    SerialIntArray i;
    VectorStream in2(ints);
    i.Load(in2);
    ASSERT_EQ(3, i.count);
    EXPECT_EQ(33, i.data[2]);
    EXPECT_LE(i.capacity, 1 + 65536);
}

TEST(SerialArrayLoad, ElementCutShortIsNotAdded)
{
    Bytes bytes = Header(3, 0);
    PutText(bytes, "ab");
    PutU32(bytes, 5);
    bytes.push_back('x');
    SerialStringArray s;
    VectorStream in(bytes);
    s.Load(in);
    ASSERT_EQ(1, s.count);
    EXPECT_STREQ("ab", s.data[0].c_str());
    EXPECT_FALSE(in.isGood());

    Bytes ints = Header(2, 0);
    PutU32(ints, 1);
    ints.push_back(2);
    SerialIntArray i;
    VectorStream in2(ints);
    i.Load(in2);
    EXPECT_EQ(1, i.count);

    Bytes negative = Header(2, 0);
    PutU32(negative, 0xFFFFFFF0u);  // a negative string length stops the load
    PutText(negative, "never");
    SerialStringArray n;
    VectorStream in3(negative);
    n.Load(in3);
    EXPECT_EQ(0, n.count);
    EXPECT_EQ(StreamFailed, in3.getStatus());
}

TEST(SerialArrayLoad, HeaderCutShortLeavesEmptyArray)
{
    SerialIntArray i;
    i.growBy = 4;
    i.Add(1);
    VectorStream in(Bytes{2, 0, 0, 0, 9});
    i.Load(in);
    EXPECT_EQ(0, i.count);
    EXPECT_EQ(9, i.growBy) << "the step's delivered byte, the rest preset to 0";
}

TEST_F(SerialArrayOutOfMemory, SetSizeAndAddLeaveTheArrayUnchanged)
{
    StringArray s;
    CapacitiesWhileAdding(s, 5, "kept");
    RcString* storage = s.data;
    zeroAllocFailAfter(0);
    EXPECT_EQ(0, s.SetSize(6, 9, true));
    EXPECT_EQ(-1, s.Add("new"));
    EXPECT_EQ(storage, s.data);
    EXPECT_EQ(5, s.count);
    EXPECT_EQ(5, s.capacity);
    EXPECT_EQ(0, s.growBy);
    for (int i = 0; i < 5; ++i) EXPECT_STREQ("kept", s.data[i].c_str());

    zeroAllocFailAfter(1);  // the slot comes, the string block does not
    StringArray t;
    EXPECT_EQ(-1, t.Add("text"));
    EXPECT_EQ(0, t.count);

    zeroAllocFailAfter(0);
    IntArray n;
    EXPECT_EQ(-1, n.Add(1));
    EXPECT_EQ(0, n.count);
    EXPECT_EQ(nullptr, n.data);
    zeroAllocFailAfter(-1);
    EXPECT_EQ(0, n.Add(2));
    EXPECT_EQ(2, n.data[0]);
}

TEST_F(SerialArrayOutOfMemory, LoadKeepsWhatItCouldStore)
{
    Bytes bytes = Header(4, 0);
    for (const char* t : {"a", "b", "c", "d"}) PutText(bytes, t);
    SerialStringArray s;
    VectorStream in(bytes);
    zeroAllocFailAfter(4);  // room for the first element or two, then none
    EXPECT_EQ(1, s.Load(in));
    EXPECT_GE(s.count, 0);
    EXPECT_LT(s.count, 4);
    for (int32_t i = 0; i < s.count; ++i) EXPECT_FALSE(s.data[i].isNull());
}
