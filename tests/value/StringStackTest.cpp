#include <value/Heap.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

using namespace value;

namespace {

/// Every test starts and ends with an empty stack and no allocation hook, and checks that
/// no entry was left malformed.
class StringStackTest : public ::testing::Test {
protected:
    void SetUp() override { ResetStringStack(); }
    void TearDown() override
    {
        for (int i = 0; i < StackDepth(); ++i)
            EXPECT_TRUE(StackEntryAt(i).CheckInvariants()) << "entry " << i;
        ResetStringStack();
        SetAllocationHook(nullptr);
    }
};

std::string TopText()
{
    return std::string(StackTop().View());
}

std::string PopText()
{
    std::string text = TopText();
    Drop();
    return text;
}

/// Pushes `text` as an owned block, as a computed result would be.
void PushOwnedText(std::string_view text)
{
    char* block = AllocateBlock(text.size());
    std::memcpy(block, text.data(), text.size());
    PushOwned(block, static_cast<std::uint32_t>(text.size()));
}

bool FailAllocation(std::size_t)
{
    return false;
}

// --- pushing ---------------------------------------------------------------------------

TEST_F(StringStackTest, PushStringBorrowsTheCallersStorage)
{
    char variable[] = "ABC";
    PushString(variable, 3);
    EXPECT_EQ(StackTop().kind, EntryKind::Borrowed);
    variable[0] = 'X';
    EXPECT_EQ(TopText(), "XBC") << "a borrowed entry reads the variable as it is now";
}

TEST_F(StringStackTest, NullAddressForcesLengthZero)
{
    PushString(nullptr, 5);
    EXPECT_EQ(StackTop().length, 0u);
    PushOwned(nullptr, 5);
    EXPECT_EQ(StackTop().length, 0u);
    EXPECT_EQ(StackTop().kind, EntryKind::Borrowed);
    PushEmpty();
    EXPECT_EQ(StackTop().address, nullptr);
    EXPECT_EQ(StackDepth(), 3);
}

TEST_F(StringStackTest, PushLongWritesSignedDecimalTextInline)
{
    struct Case {
        std::int32_t value;
        const char* text;
    };
    const Case cases[] = {
        { 0, "0" }, { 7, "7" }, { -1, "-1" }, { 1000, "1000" },
        { std::numeric_limits<std::int32_t>::max(), "2147483647" },
        { std::numeric_limits<std::int32_t>::min(), "-2147483648" }, // 11 characters
    };
    for (const Case& c : cases) {
        PushLong(c.value);
        EXPECT_EQ(StackTop().kind, EntryKind::Inline);
        EXPECT_EQ(PopText(), c.text);
    }
}

TEST_F(StringStackTest, PushRealUsesFourteenSignificantDigits)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        { 12.0, "12" },
        { 0.5, "0.5" },
        { -0.25, "-0.25" },
        { 0.0, "0" },
        { 1.0 / 3.0, "0.33333333333333" },
        { 123456789012346.0, "1.2345678901235e+14" }, // 15 digits do not fit 14
        { 12345678901234.0, "12345678901234" },
        { 1e-5, "1e-05" },
        { std::numeric_limits<double>::quiet_NaN(), "NaN" },
        { std::numeric_limits<double>::infinity(), "(+Infinity)" },
        { -std::numeric_limits<double>::infinity(), "(-Infinity)" },
    };
    for (const Case& c : cases) {
        PushReal(c.value);
        EXPECT_EQ(StackTop().kind, EntryKind::Inline);
        EXPECT_EQ(PopText(), c.text) << c.value;
    }
}

TEST_F(StringStackTest, PushRealNeverOverflowsTheInlineBuffer)
{
    const double values[] = { -1.2345678901234567e-308, -1.7976931348623157e308, -4.9e-324,
        -1.2345678901234567e-100 };
    for (double value : values) {
        PushReal(value);
        EXPECT_LE(StackTop().length, kInlineCapacity);
        EXPECT_TRUE(StackTop().CheckInvariants());
        EXPECT_NEAR(PopReal() / value, 1.0, 1e-11) << "the text still reads back as the value";
    }
}

TEST_F(StringStackTest, PushBoolPushesOneOrTheEmptyValue)
{
    PushBool(true);
    EXPECT_EQ(PopText(), "1");
    PushBool(false);
    EXPECT_EQ(StackTop().length, 0u);
    EXPECT_FALSE(PopTruth());
}

TEST_F(StringStackTest, PushCStringNeverRefersToTheCallersBuffer)
{
    char shortText[] = "short";
    PushCString(shortText);
    EXPECT_EQ(StackTop().kind, EntryKind::Inline);
    std::string longText(25, 'L');
    PushCString(longText.c_str());
    EXPECT_EQ(StackTop().kind, EntryKind::Owned);
    shortText[0] = 'X';
    longText[0] = 'X';
    EXPECT_EQ(PopText(), std::string(25, 'L'));
    EXPECT_EQ(PopText(), "short");
    PushCString(nullptr);
    EXPECT_EQ(PopLength(), 0u);
}

TEST_F(StringStackTest, MaterializeCopiesOnlyBorrowedTops)
{
    std::string exactly20(20, 'a');
    std::string longer(21, 'b');
    PushString(exactly20);
    Materialize();
    EXPECT_EQ(StackTop().kind, EntryKind::Inline);
    PushString(longer);
    Materialize();
    EXPECT_EQ(StackTop().kind, EntryKind::Owned);
    const char* block = StackTop().address;
    Materialize();
    EXPECT_EQ(StackTop().address, block) << "an owned top is left as it is";
    EXPECT_EQ(PopText(), longer);
    EXPECT_EQ(PopText(), exactly20);
}

TEST_F(StringStackTest, FullStackIgnoresPushes)
{
    for (int i = 0; i < kStringStackCapacity; ++i)
        PushLong(i);
    PushString("more");
    PushOwnedText("owned, released rather than leaked");
    PushLong(99);
    PushReal(1.5);
    PushCString("text");
    EXPECT_EQ(StackDepth(), kStringStackCapacity);
    EXPECT_EQ(TopText(), "31") << "PushCString on a full stack must not touch the old top";
}

// --- popping and assigning -----------------------------------------------------------------

TEST_F(StringStackTest, PopIntoDeclaredStrings)
{
    struct Case {
        const char* value;
        std::uint32_t size;
        std::string asString;  // the STRING's bytes
        std::string asCString; // the CSTRING's bytes up to and including the NUL
        std::string asPString; // the PSTRING's length byte and characters
    };
    using namespace std::string_literals;
    const Case cases[] = {
        { "ABC", 5, "ABC  ", "ABC\0"s, "\3ABC"s }, { "ABCDEFG", 5, "ABCDE", "ABCD\0"s, "\4ABCD"s },
        { "ABC", 10, "ABC       ", "ABC\0"s, "\3ABC"s }, { "", 3, "   ", "\0"s, "\0"s },
        { "X", 1, "X", "\0"s, "\0"s }, // no room beside the terminator or length byte
    };
    for (const Case& c : cases) {
        std::vector<char> destination(c.size, '?');
        PushString(c.value);
        PopToString(destination.data(), c.size);
        EXPECT_EQ(std::string(destination.begin(), destination.end()), c.asString) << c.value;

        std::fill(destination.begin(), destination.end(), '?');
        PushString(c.value);
        PopToCString(destination.data(), c.size);
        EXPECT_EQ(std::string(destination.data(), c.asCString.size()), c.asCString) << c.value;

        std::fill(destination.begin(), destination.end(), '?');
        PushString(c.value);
        PopToPString(destination.data(), c.size);
        EXPECT_EQ(std::string(destination.data(), c.asPString.size()), c.asPString) << c.value;
    }
    EXPECT_EQ(StackDepth(), 0);
}

TEST_F(StringStackTest, ClearingConventions)
{
    struct Case {
        std::int64_t length;
        std::string string4;  // STRING(4)
        std::string cstring4; // CSTRING(4), all four bytes
        std::string pstring4; // PSTRING(4), all four bytes
    };
    using namespace std::string_literals;
    const Case cases[] = {
        { 0, "    ", "\0???"s, "\0???"s },
        { -1, "\0\0\0\0"s, "\0???"s, "\3\0\0\0"s },
        { -7, "\0\0\0\0"s, "\0???"s, "\3\0\0\0"s },
        { 1, "\xFF\xFF\xFF\xFF", "\xFF\xFF\xFF\0"s, "\3\xFF\xFF\xFF"s },
    };
    for (const Case& c : cases) {
        char buffer[4];
        std::memset(buffer, '?', 4);
        AssignString(buffer, 4, nullptr, c.length);
        EXPECT_EQ(std::string(buffer, 4), c.string4) << c.length;
        std::memset(buffer, '?', 4);
        AssignCString(buffer, 4, nullptr, c.length);
        EXPECT_EQ(std::string(buffer, 4), c.cstring4) << c.length;
        std::memset(buffer, '?', 4);
        AssignPString(buffer, 4, nullptr, c.length);
        EXPECT_EQ(std::string(buffer, 4), c.pstring4) << c.length;
    }
}

TEST_F(StringStackTest, AssignToSizeZeroTouchesNothing)
{
    char byte = '?';
    AssignString(&byte, 0, "ABC", 3);
    AssignCString(&byte, 0, "ABC", 3);
    AssignPString(&byte, 0, nullptr, 1);
    EXPECT_EQ(byte, '?');
}

TEST_F(StringStackTest, AssignHandlesOverlap)
{
    char buffer[] = "ABCDEFGH";
    AssignString(buffer, 6, buffer + 2, 4); // CDEF moved two places left
    EXPECT_EQ(std::string(buffer, 8), "CDEF  GH");
}

TEST_F(StringStackTest, PStringLengthNeverPasses255)
{
    std::vector<char> destination(300, '?');
    std::string text(280, 'p');
    AssignPString(destination.data(), 300, text.data(), 280);
    EXPECT_EQ(static_cast<unsigned char>(destination[0]), 255);
    EXPECT_EQ(destination[256], '?');
}

TEST_F(StringStackTest, PopToBlockHandsOverOrCopies)
{
    PushOwnedText("owned text");
    const char* owned = StackTop().address;
    BlockDescriptor block;
    PopToBlock(block);
    EXPECT_EQ(block.address, owned) << "an owned block is handed over, not copied";
    EXPECT_EQ(std::string(block.address, block.length), "owned text");
    ReleaseBlock(block.address);

    std::string variable = "borrowed";
    PushString(variable);
    PopToBlock(block);
    EXPECT_NE(block.address, variable.data());
    EXPECT_EQ(std::string(block.address, block.length), "borrowed");
    ReleaseBlock(block.address);

    PushEmpty();
    PopToBlock(block);
    EXPECT_EQ(block.address, nullptr);
    EXPECT_EQ(block.length, 0u);
    EXPECT_EQ(StackDepth(), 0);
}

TEST_F(StringStackTest, PopTruthIsTrueForANonBlankCharacter)
{
    struct Case {
        const char* text;
        bool truth;
    };
    const Case cases[]
        = { { "   ", false }, { " x", true }, { "", false }, { "0", true }, { "\t", true } };
    for (const Case& c : cases) {
        PushString(c.text);
        EXPECT_EQ(PopTruth(), c.truth) << '"' << c.text << '"';
    }
}

TEST_F(StringStackTest, PopRealReadsTheLeadingNumber)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        { "12.5", 12.5 },
        { "   -3", -3.0 },
        { "+4", 4.0 },
        { "1e3", 1000.0 },
        { "2.5abc", 2.5 },
        { "abc", 0.0 },
        { "", 0.0 },
        { "-", 0.0 },
        { "+-1", 0.0 },
        { ".5", 0.5 },
        { "7   ", 7.0 },
        { "1e999", HUGE_VAL },
        { "-1e999", -HUGE_VAL },
        { "1e-999", 0.0 },
        { "0x10", 0.0 }, // decimal only
        // only the first 39 characters count: the 40th digit is cut off
        { "1000000000000000000000000000000000000009", 1e38 },
    };
    for (const Case& c : cases) {
        PushString(c.text);
        EXPECT_EQ(PopReal(), c.value) << '"' << c.text << '"';
    }
}

// --- operators ---------------------------------------------------------------------------

TEST_F(StringStackTest, ConcatJoinsLeftAndRightIntoOneExactBlock)
{
    PushString("left-");
    PushString("right");
    Concat();
    EXPECT_EQ(StackDepth(), 1);
    EXPECT_EQ(StackTop().kind, EntryKind::Owned);
    EXPECT_EQ(PopText(), "left-right");

    PushString("left-");
    PushString("right");
    ConcatReversed();
    EXPECT_EQ(PopText(), "rightleft-");

    PushEmpty();
    PushString("", 0);
    Concat();
    EXPECT_EQ(StackTop().address, nullptr);
    EXPECT_EQ(PopLength(), 0u);
}

TEST_F(StringStackTest, ConcatOfInlineAndOwnedOperands)
{
    PushLong(42);
    PushOwnedText(" is the answer");
    Concat();
    EXPECT_EQ(PopText(), "42 is the answer");
}

TEST_F(StringStackTest, SubTopSelectsCharacters)
{
    struct Case {
        std::int32_t start;
        std::uint32_t count;
        const char* result;
    };
    const Case cases[] = {
        { 2, 3, "BCD" }, { -2, 5, "EF" },
        { 5, static_cast<std::uint32_t>(-1), "EF" }, // a negative count runs to the end
        { 9, 2, "" }, { 1, 6, "ABCDEF" }, { 1, 0, "" }, { 6, 1, "F" }, { -6, 2, "AB" },
        { -9, 2, "AB" }, // a start before the beginning is the beginning
        { 0, 2, "AB" },  // a borrowed top treats 0 as 1
    };
    for (const Case& c : cases) {
        const char* text = "ABCDEF";
        PushString(text, 6);
        SubTop(c.start, c.count);
        EXPECT_EQ(StackTop().kind, EntryKind::Borrowed) << "no copy for a borrowed top";
        EXPECT_EQ(PopText(), c.result) << c.start << ", " << c.count;

        PushOwnedText(text);
        SubTop(c.start, c.count);
        std::string expected = c.start == 0 ? "" : c.result; // an owned top yields empty for 0
        EXPECT_EQ(PopText(), expected) << "owned " << c.start << ", " << c.count;
    }
}

TEST_F(StringStackTest, SubTopOnAnOwnedTopCopiesUnlessStartIsOne)
{
    PushOwnedText("ABCDEF");
    const char* block = StackTop().address;
    SubTop(1, 3);
    EXPECT_EQ(StackTop().address, block) << "start 1 keeps the block, shortened";
    EXPECT_EQ(PopText(), "ABC");

    PushOwnedText("ABCDEF");
    SubTop(9, 2);
    EXPECT_EQ(StackTop().address, nullptr) << "an empty copy has a null address";
    EXPECT_EQ(PopLength(), 0u);
}

TEST_F(StringStackTest, SubTopOfAnInlineTopStaysInsideItsBuffer)
{
    PushLong(-123456);
    SubTop(2, 3);
    EXPECT_TRUE(StackTop().CheckInvariants());
    EXPECT_EQ(PopText(), "123");
}

TEST_F(StringStackTest, ClipTopRemovesOnlyTrailingBlanks)
{
    struct Case {
        std::string text;
        std::string clipped;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        { "  A  ", "  A" },
        { "     ", "" },
        { "A\t", "A\t" },
        { "A\0 "s, "A\0"s },
        { "", "" },
    };
    for (const Case& c : cases) {
        PushString(c.text);
        const char* address = StackTop().address;
        ClipTop();
        EXPECT_EQ(StackTop().address, address) << "nothing is copied";
        EXPECT_EQ(PopText(), c.clipped);
    }
}

TEST_F(StringStackTest, CompareTopIgnoresTrailingBlanks)
{
    struct Case {
        const char* left;
        const char* right;
        int sign;
    };
    const Case cases[] = {
        { "ABC", "ABC   ", 0 }, { "ABC", "ABD", -1 }, { "ABD", "ABC", 1 }, { "AB", "ABC", -1 },
        { "", "   ", 0 }, { "A", "", 1 },
        { "a\x9A", "a\x8A", 1 }, // bytes above 0x7F compare as unsigned
    };
    for (const Case& c : cases) {
        PushString(c.left);
        PushString(c.right);
        std::int32_t result = CompareTop();
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.left << " vs " << c.right;
        EXPECT_EQ(StackDepth(), 0);
    }
}

TEST_F(StringStackTest, ComparePrefixEqualsEveryExtension)
{
    struct Case {
        const char* left;
        const char* right;
        int sign;
    };
    const Case cases[] = {
        { "AB", "ABC", 0 },
        { "ABC", "AB", 0 },
        { "", "XYZ", 0 },
        { "ABD", "ABC", 1 },
        { "AA", "ABC", -1 },
    };
    for (const Case& c : cases) {
        PushString(c.left);
        PushString(c.right);
        std::int32_t result = ComparePrefix();
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.left << " vs " << c.right;
    }
}

TEST_F(StringStackTest, ForceLengthCutsInPlaceOrBlankFills)
{
    PushString("ABCDEF");
    const char* address = StackTop().address;
    ForceLength(3);
    EXPECT_EQ(StackTop().address, address);
    EXPECT_EQ(PopText(), "ABC");

    PushString("AB");
    ForceLength(5);
    EXPECT_EQ(StackTop().kind, EntryKind::Owned);
    EXPECT_EQ(PopText(), "AB   ");

    PushEmpty();
    ForceLength(0);
    EXPECT_EQ(PopLength(), 0u);
}

TEST_F(StringStackTest, BringToTopRotatesAndKeepsInlineText)
{
    PushString("W");
    PushLong(1111);     // X, inline
    PushOwnedText("Y"); // owned
    PushReal(2.5);      // Z, inline
    BringToTop(2);
    ASSERT_EQ(StackDepth(), 4);
    const char* expected[] = { "W", "Y", "2.5", "1111" };
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(StackEntryAt(i).CheckInvariants());
        EXPECT_EQ(std::string(StackEntryAt(i).View()), expected[i]) << "slot " << i;
    }
    BringToTop(0);
    EXPECT_EQ(TopText(), "1111");
}

TEST_F(StringStackTest, BringToTopKeepsAnAdvancedInlineAddress)
{
    PushLong(987654);
    SubTop(3, 2); // "76", pointing into the middle of the inline buffer
    PushString("top");
    BringToTop(1);
    EXPECT_TRUE(StackTop().CheckInvariants());
    EXPECT_EQ(TopText(), "76");
}

TEST_F(StringStackTest, AnotherThreadHasAStackOfItsOwn)
{
    PushString("borrowed");
    PushLong(12345);
    PushOwnedText("owned value");

    int otherDepthAtStart = -1;
    std::string otherTop;
    std::thread other([&] {
        otherDepthAtStart = StackDepth();
        PushString("other thread");
        otherTop = TopText();
        PushOwnedText("left on the stack"); // released as the thread ends
    });
    other.join();
    EXPECT_EQ(otherDepthAtStart, 0) << "a thread starts with an empty stack";
    EXPECT_EQ(otherTop, "other thread");

    ASSERT_EQ(StackDepth(), 3);
    EXPECT_EQ(PopText(), "owned value");
    EXPECT_EQ(PopText(), "12345");
    EXPECT_EQ(PopText(), "borrowed");
}

// --- failed allocations --------------------------------------------------------------------

TEST_F(StringStackTest, FailedAllocationLeavesTheEmptyValue)
{
    std::string longText(30, 'x');

    PushString("AB");
    PushString("CD");
    SetAllocationHook(&FailAllocation);
    Concat();
    EXPECT_EQ(StackDepth(), 1);
    EXPECT_EQ(StackTop().address, nullptr);
    Drop();

    PushString(longText);
    Materialize();
    EXPECT_EQ(StackTop().address, nullptr);
    Drop();

    PushString(longText);
    BlockDescriptor block { reinterpret_cast<char*>(&block), 99 };
    PopToBlock(block);
    EXPECT_EQ(block.address, nullptr);
    EXPECT_EQ(block.length, 0u);
    SetAllocationHook(nullptr);

    PushOwnedText("ABCDEF");
    SetAllocationHook(&FailAllocation);
    SubTop(2, 3);
    EXPECT_EQ(StackTop().length, 0u);
    EXPECT_EQ(StackTop().address, nullptr);
    Drop();

    PushString("AB");
    ForceLength(10);
    EXPECT_EQ(TopText(), "AB") << "ForceLength leaves the top unchanged";
}

} // namespace
