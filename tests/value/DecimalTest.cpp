// The decimal registers: the two packed storage formats, the pushes and pops with their
// rounding and wrapping, the text syntax, the arithmetic, and one register stack per thread.

#include <value/Decimal.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <cstdint>
#include <latch>
#include <string>
#include <thread>
#include <vector>

using namespace value;

namespace {

/// Every test starts with empty stacks and ends by checking that each register left is well
/// formed.
class DecimalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetDecimalStack();
        ResetStringStack();
    }
    void TearDown() override
    {
        for (int i = 0; i < DecimalDepth(); ++i)
            EXPECT_TRUE(DecimalAt(i).CheckInvariants()) << "register " << i;
        ResetDecimalStack();
        ResetStringStack();
    }
};

std::string Text(const DecimalRegister& reg)
{
    char buffer[kDecimalTextCapacity];
    return std::string(buffer, static_cast<std::size_t>(DecimalToText(reg, buffer)));
}

/// Removes the top register and answers its text.
std::string PopText()
{
    EXPECT_TRUE(TopDecimal().CheckInvariants());
    std::string text = Text(TopDecimal());
    DropDecimal();
    return text;
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string StoreDecimal(std::string_view text, std::uint32_t size, std::uint32_t places)
{
    PushTextDecimal(std::string(text).c_str());
    std::vector<std::uint8_t> bytes(size, 0xAA);
    PopToDecimal(bytes.data(), size, places);
    return Hex(bytes);
}

std::string StorePDecimal(std::string_view text, std::uint32_t size, std::uint32_t places)
{
    PushTextDecimal(std::string(text).c_str());
    std::vector<std::uint8_t> bytes(size, 0xAA);
    PopToPDecimal(bytes.data(), size, places);
    return Hex(bytes);
}

// --- storage formats -------------------------------------------------------------------

TEST_F(DecimalTest, PushDecimalReadsTheSignNibbleAndPlaces)
{
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint32_t places;
        const char* expected;
    };
    const Case cases[] = {
        { { 0x01, 0x23, 0x45, 0x67 }, 2, "12345.67" },
        { { 0xF1, 0x23, 0x45, 0x67 }, 2, "-12345.67" },
        { { 0x11, 0x23 }, 0, "-123" },    // any non-zero sign nibble is negative
        { { 0x01, 0x23 }, 3, "0.123" },   // all digits are places
        { { 0x01, 0x23 }, 5, "0.00123" }, // more places than digits
        { { 0x00, 0x00 }, 1, "0.0" },
        { { 0x0A, 0x12 }, 0, "12" }, // a digit nibble above 9 reads as 0
    };
    for (const Case& c : cases) {
        PushDecimal(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()), c.places);
        EXPECT_EQ(PopText(), c.expected) << Hex(c.bytes);
    }
}

TEST_F(DecimalTest, PushPDecimalReadsOnly0xDAsNegative)
{
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::uint32_t places;
        const char* expected;
    };
    const Case cases[] = {
        { { 0x12, 0x34, 0x5D }, 2, "-123.45" },
        { { 0x12, 0x34, 0x5F }, 2, "123.45" },
        { { 0x12, 0x34, 0x5C }, 2, "123.45" }, // 0xC reads as positive
        { { 0x12, 0x34, 0x5B }, 0, "12345" },
        { { 0x7D }, 0, "-7" },
    };
    for (const Case& c : cases) {
        PushPDecimal(c.bytes.data(), static_cast<std::uint32_t>(c.bytes.size()), c.places);
        EXPECT_EQ(PopText(), c.expected) << Hex(c.bytes);
    }
}

TEST_F(DecimalTest, PoppingStoresRoundedDigitsAndDropsHighOnes)
{
    struct Case {
        const char* text;
        std::uint32_t size;
        std::uint32_t places;
        const char* decimal;
        const char* pdecimal;
    };
    const Case cases[] = {
        { "-12345.67", 3, 1, "F23457", "23457D" }, // rounded half away, highest digit dropped
        { "2.5", 1, 0, "03", "3F" },
        { "-2.5", 1, 0, "F3", "3D" },
        { "2.4", 1, 0, "02", "2F" },
        { "9.96", 2, 1, "0100", "100F" },   // the carry runs into a new digit
        { "999.96", 2, 1, "0000", "000F" }, // and that digit is lost with the others
        { "-1000", 2, 0, "0000", "000F" },  // a stored zero is written positive
        { "-0.04", 2, 1, "0000", "000F" },
        { "0.004", 2, 2, "0000", "000F" },
        { "0.005", 2, 2, "0001", "001F" },
        { "12", 3, 2, "001200", "01200F" },
        { "123456789", 3, 0, "056789", "56789F" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoreDecimal(c.text, c.size, c.places), c.decimal) << c.text;
        EXPECT_EQ(StorePDecimal(c.text, c.size, c.places), c.pdecimal) << c.text;
        EXPECT_EQ(DecimalDepth(), 0);
    }
}

TEST_F(DecimalTest, DecimalIntoDecimalRoundsAndLosesTheHighDigit)
{
    const std::uint8_t source[] = { 0xF1, 0x23, 0x45, 0x67 }; // -12345.67
    PushDecimal(source, 4, 2);
    std::uint8_t target[3] = {};
    PopToDecimal(target, 3, 1);
    EXPECT_EQ(Hex({ target[0], target[1], target[2] }), "F23457"); // -2345.7
}

TEST_F(DecimalTest, StoredValuesReadBackUnchanged)
{
    for (const char* text : { "0", "1", "-1", "99999.99", "-99999.99", "0.01", "-0.01" }) {
        std::uint8_t decimal[4] = {};
        std::uint8_t packed[4] = {};
        PushTextDecimal(text);
        PopToDecimal(decimal, 4, 2);
        PushTextDecimal(text);
        PopToPDecimal(packed, 4, 2);
        PushDecimal(decimal, 4, 2);
        PushTextDecimal(text);
        EXPECT_EQ(CompareDecimals(), 0) << text;
        PushPDecimal(packed, 4, 2);
        PushTextDecimal(text);
        EXPECT_EQ(CompareDecimals(), 0) << text;
    }
}

// --- whole numbers ---------------------------------------------------------------------

TEST_F(DecimalTest, PopLongTruncatesTowardZeroAndWraps)
{
    struct Case {
        const char* text;
        std::int32_t asLong;
        std::uint32_t asULong;
    };
    const Case cases[] = {
        { "7.9", 7, 7 }, { "-7.9", -7, 7 }, { "-0.9", 0, 0 },
        { "2147483647", 2147483647, 2147483647u }, { "2147483648", -2147483647 - 1, 2147483648u },
        { "4294967295", -1, 4294967295u }, { "4294967296", 0, 0 }, // 2^32 wraps to 0
        { "4294967301.5", 5, 5 }, { "-4294967297", -1, 1 },
        { "12345678901234567890", -350287150, 3944680146u }, // modulo 2^32
    };
    for (const Case& c : cases) {
        PushTextDecimal(c.text);
        EXPECT_EQ(PopLong(), c.asLong) << c.text;
        PushTextDecimal(c.text);
        EXPECT_EQ(PopULong(), c.asULong) << c.text;
    }
}

TEST_F(DecimalTest, WholeNumbersPushTheirValue)
{
    PushLongDecimal(0);
    EXPECT_EQ(PopText(), "0");
    PushLongDecimal(-2147483647 - 1);
    EXPECT_EQ(PopText(), "-2147483648");
    PushLongDecimal(2147483647);
    EXPECT_EQ(PopText(), "2147483647");
    PushULongDecimal(4294967295u);
    EXPECT_EQ(PopText(), "4294967295");
    PushLongDecimal(-5);
    EXPECT_EQ(PopLong(), -5);
}

// --- text ------------------------------------------------------------------------------

TEST_F(DecimalTest, PushTextDecimalSyntax)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        { "1,5", "1.5" },
        { "1.5", "1.5" },
        { "2e3", "2000" },
        { "2E3", "2000" },
        { "-0.5e-1", "-0.05" },
        { "   -12.50", "-12.50" }, // leading blanks; the places are kept as written
        { "\t7", "7" },
        { "007", "7" },
        { ".5", "0.5" },
        { "5.", "5" },
        { "-.25", "-0.25" },
        { "+5", "0" }, // "+" is not accepted
        { "--5", "0" },
        { "- 5", "0" },
        { "", "0" },
        { "abc", "0" },
        { ".", "0" },
        { "e5", "0" },
        { "-0", "0" }, // a zero is positive
        { "-0.000", "0.000" },
        { "12abc", "12" }, // anything else ends the number
        { "1.2.3", "1.2" },
        { "3e", "3" }, // an exponent without digits is 0
        { "3e+2", "3" },
        { "3e-", "3" },
        { "1.5e1", "15" },
        { "12345e-2", "123.45" },
        { "1e32", "0" }, // the 1 moves past the register's 32 integer digits
        { "1e31", "10000000000000000000000000000000" },
        { "1e-32", "0.00000000000000000000000000000001" },
        { "1e-33", "0" }, // and past its 32 places
        { "1e999999999999", "0" },
        { "5e-999999999999", "0" },
        { "123456789012345678901234567890123", "23456789012345678901234567890123" },
    };
    for (const Case& c : cases) {
        PushTextDecimal(c.text);
        EXPECT_EQ(PopText(), c.expected) << '"' << c.text << '"';
    }
    PushTextDecimal(nullptr);
    EXPECT_EQ(PopText(), "0");
}

TEST_F(DecimalTest, StringStackExchangesDecimalText)
{
    PushString("  -3,25e1 rest");
    PopDecimal();
    EXPECT_EQ(StackDepth(), 0);
    ASSERT_EQ(DecimalDepth(), 1);
    EXPECT_EQ(Text(TopDecimal()), "-32.5");

    PushDecimalText();
    EXPECT_EQ(DecimalDepth(), 0);
    EXPECT_EQ(std::string(StackTop().View()), "-32.5");
    Drop();

    // Only the first 99 characters are read: the 100th digit is not part of the number.
    std::string longText(99, '0');
    longText += "7";
    PushString(longText);
    PopDecimal();
    EXPECT_EQ(PopText(), "0");

    // A text longer than the inline buffer still comes out whole.
    PushTextDecimal("-12345678901234567890.123456789");
    PushDecimalText();
    EXPECT_EQ(std::string(StackTop().View()), "-12345678901234567890.123456789");
    Drop();

    PushDecimalText(); // nothing on the register stack
    EXPECT_EQ(std::string(StackTop().View()), "0");
    Drop();
}

// --- arithmetic ------------------------------------------------------------------------

enum class Op { Add, Subtract, Multiply, Divide };

std::string Apply(const char* left, Op op, const char* right)
{
    PushTextDecimal(left);
    PushTextDecimal(right);
    switch (op) {
    case Op::Add:
        AddDecimals();
        break;
    case Op::Subtract:
        SubtractDecimals();
        break;
    case Op::Multiply:
        MultiplyDecimals();
        break;
    case Op::Divide:
        DivideDecimals();
        break;
    }
    EXPECT_EQ(DecimalDepth(), 1);
    return PopText();
}

TEST_F(DecimalTest, BinaryOperations)
{
    struct Case {
        const char* left;
        Op op;
        const char* right;
        const char* expected;
    };
    const std::string maxInteger(32, '9');
    const Case cases[] = {
        { "1.5", Op::Add, "2.25", "3.75" },
        { "999.9", Op::Add, "0.1", "1000.0" }, // the carry adds a digit
        { "-1.5", Op::Add, "-2.5", "-4.0" },
        { "5", Op::Add, "-3.25", "1.75" },
        { "3.25", Op::Add, "-5", "-1.75" },        // the larger magnitude gives the sign
        { "-2.5", Op::Add, "2.5", "0.0" },         // a zero result is positive
        { "1000", Op::Add, "-0.001", "999.999" },  // borrows across the whole width
        { maxInteger.c_str(), Op::Add, "1", "0" }, // the carry past the edge is cut
        { "10", Op::Subtract, "2.5", "7.5" },
        { "2.5", Op::Subtract, "10", "-7.5" },
        { "-2.5", Op::Subtract, "-2.5", "0.0" },
        { "0", Op::Subtract, "5", "-5" },
        { "1.5", Op::Multiply, "-2.25", "-3.375" },
        { "-4", Op::Multiply, "-2.5", "10.0" },
        { "0", Op::Multiply, "-2.5", "0.0" },
        { "99999", Op::Multiply, "99999", "9999800001" },
        { "0.0000000000000001", Op::Multiply, "0.0000000000000001",
            "0.00000000000000000000000000000001" },
        { "0.00000000000000001", Op::Multiply, "0.0000000000000001",
            "0.00000000000000000000000000000000" }, // cut at 32 places
        { "1e20", Op::Multiply, "1e20", "0" },      // the 1 lands past 32 integer digits
        { "5", Op::Divide, "0", "0" },              // division by zero gives 0
        { "-5", Op::Divide, "0.000", "0" },
        { "1234.5", Op::Divide, "100", "12.345" }, // powers of ten move the digits
        { "1234.5", Op::Divide, "-0.01", "-123450" },
        { "1234.5", Op::Divide, "1", "1234.5" },
        { "1", Op::Divide, "1e31", "0.0000000000000000000000000000001" },
        { "5", Op::Divide, "1e-31", "50000000000000000000000000000000" },
        { "5", Op::Divide, "1e-32", "0" }, // 5e32 has 33 integer digits: cut
        { "10", Op::Divide, "4", "2.5" },
        { "-7", Op::Divide, "2", "-3.5" },
        { "7", Op::Divide, "-0.5", "-14" },
        { "1", Op::Divide, "3", "0.33333333333333333333333333333333" }, // cut, not rounded
        { "2", Op::Divide, "3", "0.66666666666666666666666666666666" },
        { "-1", Op::Divide, "-8", "0.125" },
        { "123456789.123", Op::Divide, "123456789.123", "1" },
        { "0", Op::Divide, "7", "0" },
        { "1e-32", Op::Divide, "3", "0" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Apply(c.left, c.op, c.right), c.expected)
            << c.left << " op" << static_cast<int>(c.op) << " " << c.right;
}

TEST_F(DecimalTest, LongDivisionCutsTheQuotient)
{
    // The quotient q of a / b, cut at 32 places, satisfies q * b <= a < (q + 1e-32) * b. The
    // divisors are whole numbers, so that the products are exact.
    const char* pairs[][2] = {
        { "1", "7" },
        { "22", "7" },
        { "355", "113" },
        { "1e31", "3" },
        { "0.5", "3" },
        { "98765432109876543210", "12345" },
        { "1", "99999999999999999999999999999999" },
        { "12345678901234567890.12345678901234567890", "987654321987654321" },
    };
    for (const auto& pair : pairs) {
        const std::string quotient = Apply(pair[0], Op::Divide, pair[1]);
        PushTextDecimal(quotient.c_str());
        PushTextDecimal(pair[1]);
        MultiplyDecimals();
        PushTextDecimal(pair[0]);
        EXPECT_LE(CompareDecimals(), 0) << pair[0] << " / " << pair[1] << " = " << quotient;
        PushTextDecimal(quotient.c_str());
        PushTextDecimal("1e-32");
        AddDecimals();
        PushTextDecimal(pair[1]);
        MultiplyDecimals();
        PushTextDecimal(pair[0]);
        EXPECT_GT(CompareDecimals(), 0) << pair[0] << " / " << pair[1] << " = " << quotient;
    }
}

TEST_F(DecimalTest, CompareOrdersBySignThenMagnitude)
{
    struct Case {
        const char* left;
        const char* right;
        int expected;
    };
    const Case cases[] = {
        { "1", "2", -1 },
        { "2", "1", 1 },
        { "-1", "-2", 1 }, // inverted for two negatives
        { "-2", "-1", -1 },
        { "-1", "0", -1 },
        { "0", "0.001", -1 },
        { "1.50", "1.5", 0 },
        { "0010", "10.000", 0 },
        { "100", "99.999", 1 },
    };
    for (const Case& c : cases) {
        PushTextDecimal(c.left);
        PushTextDecimal(c.right);
        EXPECT_EQ(CompareDecimals(), c.expected) << c.left << " vs " << c.right;
        PushTextDecimal(c.left);
        PushTextDecimal(c.right);
        EXPECT_EQ(CompareDecimalsMirrored(), -c.expected) << c.left << " vs " << c.right;
    }
    EXPECT_EQ(DecimalDepth(), 0);
}

TEST_F(DecimalTest, SignedZerosCompareEqual)
{
    PushTextDecimal("0.00");
    NegateDecimal(); // a negative zero
    EXPECT_EQ(DecimalSign(TopDecimal()), 0);
    PushTextDecimal("0");
    EXPECT_EQ(CompareDecimals(), 0);

    std::uint8_t negativeZero[2] = { 0xF0, 0x00 };
    PushDecimal(negativeZero, 2, 1);
    std::uint8_t packedZero[2] = { 0x00, 0x0F };
    PushPDecimal(packedZero, 2, 1);
    EXPECT_EQ(CompareDecimals(), 0);
    PushDecimal(negativeZero, 2, 1);
    PushTextDecimal("-0.001");
    EXPECT_EQ(CompareDecimals(), 1);
    PushDecimal(negativeZero, 2, 1);
    EXPECT_FALSE(PopDecimalTruth());
}

TEST_F(DecimalTest, RoundDecimalHalfAwayFromZero)
{
    struct Case {
        const char* text;
        std::uint32_t places;
        const char* expected;
    };
    const Case cases[] = {
        { "2.5", 0, "3" }, { "-2.5", 0, "-3" }, { "2.49", 0, "2" }, { "1.005", 2, "1.01" },
        { "1.004", 2, "1.00" }, { "9.95", 1, "10.0" },
        { "0.05", 0, "0" }, // no digit at the units and 0 below: 0
        { "0.5", 0, "1" },  // rounds up from nothing
        { "0.0005", 2, "0.00" }, { "0.005", 2, "0.01" },
        { "1.5", 3, "1.5" }, // fewer places already: unchanged
        { "1.5", 40, "1.5" },
        { "99999999999999999999999999999999.5", 0, "0" }, // the carry falls off the edge
    };
    for (const Case& c : cases) {
        PushTextDecimal(c.text);
        RoundDecimal(TopDecimal(), c.places);
        EXPECT_EQ(PopText(), c.expected) << c.text << " to " << c.places;
    }
}

TEST_F(DecimalTest, SignOperations)
{
    PushTextDecimal("-3.5");
    AbsDecimal();
    EXPECT_EQ(DecimalSign(TopDecimal()), 1);
    NegateDecimal();
    EXPECT_EQ(DecimalSign(TopDecimal()), -1);
    EXPECT_EQ(PopText(), "-3.5");
    PushTextDecimal("0.1");
    EXPECT_TRUE(PopDecimalTruth());
    PushTextDecimal("0.000");
    EXPECT_FALSE(PopDecimalTruth());
}

// --- capacity --------------------------------------------------------------------------

TEST_F(DecimalTest, TheEleventhPushIsRefused)
{
    for (int i = 1; i <= kDecimalRegisters; ++i)
        PushLongDecimal(i);
    PushLongDecimal(99);
    PushTextDecimal("99");
    const std::uint8_t bytes[] = { 0x09, 0x99 };
    PushDecimal(bytes, 2, 0);
    PushPDecimal(bytes, 2, 0);
    PushULongDecimal(99);
    ASSERT_EQ(DecimalDepth(), kDecimalRegisters);
    for (int i = kDecimalRegisters; i >= 1; --i)
        EXPECT_EQ(PopLong(), i);
}

TEST_F(DecimalTest, TooFewOperandsReadAsZero)
{
    EXPECT_EQ(PopLong(), 0);
    EXPECT_FALSE(PopDecimalTruth());
    std::uint8_t bytes[2] = { 0x12, 0x34 };
    PopToDecimal(bytes, 2, 0);
    EXPECT_EQ(Hex({ bytes[0], bytes[1] }), "0000");
    PushLongDecimal(4);
    SubtractDecimals(); // 0 - 4
    EXPECT_EQ(PopText(), "-4");
    EXPECT_EQ(DecimalDepth(), 0);
}

// --- the fuzzer's corpus --------------------------------------------------------------

/// Replays the decimal text fuzzer's corpus (fuzz/corpus/decimal-text) with its property: the
/// register's own text reads back as the same text and an equal number.
TEST_F(DecimalTest, CorpusTextsReadBackFromTheirOwnText)
{
    const auto files = testsupport::CorpusFiles(VARN_DECIMAL_CORPUS_DIR);
    ASSERT_FALSE(files.empty()) << "no corpus at " << VARN_DECIMAL_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string input = testsupport::ReadText(path);
        PushTextDecimal(input.c_str());
        ASSERT_TRUE(TopDecimal().CheckInvariants());
        const std::string first = Text(TopDecimal());
        PushTextDecimal(first.c_str());
        EXPECT_EQ(Text(TopDecimal()), first);
        EXPECT_EQ(CompareDecimals(), 0);
        EXPECT_EQ(DecimalDepth(), 0);
    }
}

// --- threads ---------------------------------------------------------------------------

// Two threads interleave their pushes and operations; each sees only its own registers.
TEST(DecimalThreads, EachThreadHasItsOwnRegisters)
{
    std::latch pushed(2);
    std::latch computed(2);
    std::string results[2];
    const auto runner = [&](int index, const char* left, const char* right) {
        ResetDecimalStack();
        PushTextDecimal(left);
        PushTextDecimal(right);
        pushed.arrive_and_wait(); // both threads now hold two registers
        EXPECT_EQ(DecimalDepth(), 2);
        MultiplyDecimals();
        computed.arrive_and_wait();
        EXPECT_EQ(DecimalDepth(), 1);
        results[index] = PopText();
    };
    ResetDecimalStack();
    PushLongDecimal(7);
    std::thread first(runner, 0, "1.5", "2");
    std::thread second(runner, 1, "-4", "0.25");
    first.join();
    second.join();
    EXPECT_EQ(results[0], "3.0");
    EXPECT_EQ(results[1], "-1.00");
    ASSERT_EQ(DecimalDepth(), 1); // this thread's register is untouched
    EXPECT_EQ(PopLong(), 7);
}

} // namespace
