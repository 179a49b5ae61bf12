// Growable string and integer arrays: the growth rule, element release, and the stream form
// byte for byte, including streams that lie about their counts.
#include "core/serial_array.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/zero_alloc.h"
#include "tests/core/vector_stream.h"

namespace {

uint32_t Count(const RcString& s) { return s.storage() ? s.storage()->refCount : 0; }

// The capacities seen while appending `n` elements one at a time.
template <class Array, class Value>
std::vector<int32_t> CapacitiesWhileAdding(Array& a, int n, Value v)
{
    std::vector<int32_t> seen;
    for (int i = 0; i < n; ++i) {
        int32_t index = a.count;
        EXPECT_EQ(index, a.Add(v));
        if (seen.empty() || seen.back() != a.capacity) seen.push_back(a.capacity);
    }
    return seen;
}

std::string Element(const StringArray& a, int32_t i) { return a.data[i].isNull() ? "-" : a.data[i].c_str(); }
std::string Element(const IntArray& a, int32_t i) { return std::to_string(a.data[i]); }

// "[elements] capacity/step" with "-" for a null slot, or "none/step" when no storage is held.
template <class Array>
std::string Describe(const Array& a)
{
    std::string s = a.data ? "[" : "none";
    for (int32_t i = 0; i < a.count; ++i) s += (i ? "," : "") + Element(a, i);
    return s + (a.data ? "] " + std::to_string(a.capacity) : "") + "/" + std::to_string(a.growBy);
}

// The stream form by hand: count, step, then counted texts or plain words.
Bytes Form(int32_t count, int32_t growBy, std::initializer_list<std::string> texts,
           std::initializer_list<uint32_t> words = {})
{
    Bytes b;
    PutU32(b, uint32_t(count));
    PutU32(b, uint32_t(growBy));
    for (const std::string& s : texts) {
        PutU32(b, uint32_t(s.size()));
        b.insert(b.end(), s.begin(), s.end());
    }
    for (uint32_t w : words) PutU32(b, w);
    return b;
}

// Loads `input` into an array that held one element and had step 7: what it holds afterwards,
// and the stream's status.
template <class Array, class Old>
std::string Loaded(const Bytes& input, Old old)
{
    Array a;
    a.Add(old);
    a.growBy = 7;
    VectorStream in(input);
    static_cast<Serializable&>(a).Load(in);  // Load is virtual
    return Describe(a) + " " + std::to_string(in.getStatus());
}

}  // namespace

TEST(SerialArrayGrowth, AutomaticStepSequence)
{
    const std::vector<int32_t> expected = {1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57, 64};
    StringArray strings;
    IntArray ints;
    EXPECT_EQ(expected, CapacitiesWhileAdding(strings, 64, "s"));
    EXPECT_EQ(expected, CapacitiesWhileAdding(ints, 64, 7));
    EXPECT_EQ("s 7", std::string(strings.data[63].c_str()) + " " + std::to_string(ints.data[63]));
}

TEST(SerialArrayGrowth, EighthsFixedNegativeAndHostileSteps)
{
    struct Case { int32_t first, growBy, next, capacity; const char* what; } cases[] = {
        {8000, 0, 8001, 9000, "an eighth of the count"},
        {20000, 0, 20001, 21024, "at most 1024"},
        {5, 2, 6, 7, "a fixed step"},
        {5, -3, 6, 6, "a negative step: exact"},
        {1, INT32_MAX, 2, 1 + 65536, "a step that may come from a file is held to 65536"},
    };
    for (const Case& c : cases) {
        IntArray a;
        ASSERT_EQ(1, a.SetSize(c.first, c.growBy, true));
        EXPECT_EQ(c.first, a.capacity) << c.what << ": the first allocation has no margin";
        ASSERT_EQ(1, a.SetSize(c.next, -1, true));
        EXPECT_EQ(c.capacity, a.capacity) << c.what;
    }
}

TEST(SerialArrayElements, DroppedOnesAreReleasedAndRegrownSlotsAreEmpty)
{
    char text[] = "mutable";
    StringArray s, kept;
    IntArray n;
    s.Add(text);
    text[0] = 'M';
    CapacitiesWhileAdding(s, 3, "");
    CapacitiesWhileAdding(kept, 3, "k");
    CapacitiesWhileAdding(n, 4, 9);
    RcString head = s.data[0], tail = s.data[3], last = kept.data[2];
    CapacitiesWhileAdding(s, 10, "more");  // several moves
    EXPECT_EQ(2u, Count(head)) << "moving slots must not change counts";
    s.SetSize(2, -1, true);
    EXPECT_EQ(1u, Count(tail)) << "the tail was not released";
    s.SetSize(4, -1, true);
    EXPECT_EQ("[mutable,,-,-] 17/0", Describe(s)) << "Add copies, stores \"\" as a block; regrown slots are empty";
    n.SetSize(1, -1, true);
    n.SetSize(3, -1, true);
    EXPECT_EQ("[9,0,0] 5/0", Describe(n)) << "slots coming back into use must read 0";
    kept.SetSize(0, -1, false);
    EXPECT_EQ("[] 5/0", Describe(kept)) << "storage kept";
    EXPECT_TRUE(kept.data[2].isNull()) << "slots not cleared";
    EXPECT_EQ(1u, Count(last));
    s.SetSize(0, -1, true);
    EXPECT_EQ("none/0", Describe(s));
    EXPECT_EQ(1u, Count(head));
}

TEST(SerialArraySave, ExactBytes)
{
    SerialStringArray strings, slots;
    strings.Add("ab");
    strings.Add("");
    slots.SetSize(2, 5, true);  // two slots holding no string yet
    slots.data[1].assign("z");
    SerialIntArray ints;
    for (int32_t v : {1, -2, 0x12345678}) ints.Add(v);
    ints.growBy = 3;
    struct Case { const Serializable& array; Bytes bytes; } cases[] = {  // Save is virtual
        {strings, {2, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0}},  // count, step, "ab", ""
        {slots, {2, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'z'}},
        {ints, {3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}},
    };
    for (const Case& c : cases) {
        VectorStream out;
        EXPECT_EQ(1, c.array.Save(out));
        EXPECT_EQ(Hex(c.bytes), Hex(out.written()));
    }
}

TEST(SerialArrayLoad, CountsAndStepsFromTheStreamAreNotTrusted)
{
    using S = SerialStringArray;
    using I = SerialIntArray;
    struct Case { const char* what; std::string got, expected; } cases[] = {  // status 0 good, 1 end, 4 failed
        {"step -1 keeps the array's", Loaded<S>(Form(1, -1, {"a"}), "old"), "[a] 1/7 0"},
        {"step -1, ints", Loaded<I>(Form(1, -1, {}, {42}), 5), "[42] 1/7 0"},
        {"count 0", Loaded<S>(Form(0, 3, {"unread"}), "old"), "none/3 0"},
        {"count -1", Loaded<S>(Form(-1, 0, {"unread"}), "old"), "none/0 0"},
        {"absurd count", Loaded<S>(Form(INT32_MAX, 0, {"a", "bc"}), "old"), "[a,bc] 5/0 1"},
        {"absurd count and step", Loaded<I>(Form(INT32_MAX, INT32_MAX, {}, {11, 22, 33}), 5),
         "[11,22,33] 65537/2147483647 1"},
        {"element cut short", Loaded<S>(Form(3, 0, {"ab"}, {5}), "old"), "[ab] 1/0 1"},
        {"negative string length", Loaded<S>(Form(2, 0, {}, {0xFFFFFFF0u}), "old"), "none/0 4"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, c.got) << c.what;
}

TEST(SerialArrayOutOfMemory, ArraysStayAsTheyWereLoadKeepsWhatItStored)
{
    StringArray s, t;
    IntArray n;
    SerialStringArray loaded;
    CapacitiesWhileAdding(s, 5, "k");
    RcString* storage = s.data;
    VectorStream in(Form(4, 0, {"a", "b", "c", "d"}));  // begun while memory lasts
    zeroAllocFailAfter(0);
    EXPECT_EQ(0, s.SetSize(6, 9, true));
    EXPECT_EQ(-1, s.Add("new"));
    EXPECT_EQ(-1, n.Add(1));
    zeroAllocFailAfter(1);  // the slot comes, the string block does not
    EXPECT_EQ(-1, t.Add("text"));
    zeroAllocFailAfter(3);  // the first element, then no block for the second
    loaded.Load(in);
    zeroAllocFailAfter(-1);
    EXPECT_EQ(storage, s.data);
    EXPECT_EQ("[k,k,k,k,k] 5/0 none/0 [] 1/0 [a] 1/0", Describe(s) + " " + Describe(n) + " " + Describe(t) + " " +
                                                          Describe(loaded));
}
