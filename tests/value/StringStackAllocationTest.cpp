// Counts every heap allocation the string stack and the decimal registers make: through its own
// block allocator and through the global operator new, which this test program replaces.
#include <value/Decimal.h>
#include <value/Heap.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace {
int g_newCalls = 0;
bool g_counting = false;
std::vector<std::size_t> g_blocks;

bool CountBlock(std::size_t size)
{
    g_blocks.push_back(size);
    return true;
}
} // namespace

// g++ inlines these replacements into the library's callers and then mistakes the malloc/free
// pair for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    if (g_counting)
        ++g_newCalls;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace value;

namespace {

class StringStackAllocationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetStringStack();
        g_blocks.clear();
        g_blocks.reserve(64);
        g_newCalls = 0;
        SetAllocationHook(&CountBlock);
        g_counting = true;
    }
    void TearDown() override
    {
        g_counting = false;
        SetAllocationHook(nullptr);
        ResetStringStack();
    }
};

TEST_F(StringStackAllocationTest, PushingVariablesLiteralsAndNumbersAllocatesNothing)
{
    char variable[40] = "a variable of forty characters, padded ";
    PushString(variable, 40);
    PushString("a literal");
    PushLong(-2147483647 - 1);
    PushReal(-1.2345678901234e-300);
    PushBool(true);
    PushCString("twenty characters!!!");
    PushString("also twenty chars...");
    Materialize();
    SubTop(2, 5);
    ClipTop();
    ForceLength(3);
    BringToTop(3);
    g_counting = false;
    EXPECT_TRUE(g_blocks.empty());
    EXPECT_EQ(g_newCalls, 0);
}

TEST_F(StringStackAllocationTest, ConcatAllocatesOneBlockOfTheSummedLength)
{
    PushString("0123456789");
    PushLong(-5);
    Concat();
    g_counting = false;
    ASSERT_EQ(g_blocks.size(), 1u);
    EXPECT_EQ(g_blocks[0], 12u);
    EXPECT_EQ(g_newCalls, 0);
}

TEST_F(StringStackAllocationTest, DigestGroupingAllocatesOnlyForConcat)
{
    const char digest[] = "0123456789ABCDEF0123456789ABCDEF01234567";
    char result[43];
    PushString(digest, 40);
    SubTop(1, 10);
    for (int group = 1; group < 4; ++group) {
        PushString("-");
        Concat();
        PushString(digest, 40);
        SubTop(group * 10 + 1, 10);
        Concat();
    }
    PopToString(result, sizeof result);
    g_counting = false;
    EXPECT_EQ(std::string_view(result, 43), "0123456789-ABCDEF0123-456789ABCD-EF01234567");
    EXPECT_EQ(g_blocks, (std::vector<std::size_t> { 11, 21, 22, 32, 33, 43 }));
    EXPECT_EQ(g_newCalls, 0);
}

// Decimal arithmetic works in the thread's fixed registers: no step of it allocates.
TEST_F(StringStackAllocationTest, DecimalArithmeticAllocatesNothing)
{
    ResetDecimalStack();
    const std::uint8_t decimal[] = { 0xF1, 0x23, 0x45, 0x67 };
    const std::uint8_t packed[] = { 0x12, 0x34, 0x5D };
    std::uint8_t stored[4] = {};
    PushDecimal(decimal, 4, 2);
    PushPDecimal(packed, 3, 2);
    AddDecimals();
    PushTextDecimal("-3,25e1");
    MultiplyDecimals();
    PushLongDecimal(7);
    DivideDecimals();
    PushULongDecimal(1000);
    DivideDecimals();
    PushString("0.5");
    PopDecimal();
    SubtractDecimals();
    RoundDecimal(TopDecimal(), 3);
    NegateDecimal();
    AbsDecimal();
    PushLongDecimal(1);
    EXPECT_EQ(CompareDecimals(), 1);
    PopToDecimal(stored, 4, 2);
    g_counting = false;
    EXPECT_EQ(DecimalDepth(), 0);
    EXPECT_TRUE(g_blocks.empty());
    EXPECT_EQ(g_newCalls, 0);
}

} // namespace
