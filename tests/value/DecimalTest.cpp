// The decimal registers: the two packed storage formats, the pushes and pops with their
// rounding and wrapping, the text syntax, the arithmetic, and one register stack per thread.

#include <value/Decimal.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <latch>
#include <random>
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

TEST_F(DecimalTest, EveryBinaryOperationTakesMissingOperandsAsZero)
{
    struct Case {
        const char* name;
        void (*operation)();
        const char* ofOne; // 0 op 8
        const char* ofNone;
    };
    const Case cases[] = {
        { "add", AddDecimals, "8", "0" },
        { "subtract", SubtractDecimals, "-8", "0" },
        { "multiply", MultiplyDecimals, "0", "0" },
        { "divide", DivideDecimals, "0", "0" },
    };
    for (const Case& c : cases) {
        PushLongDecimal(8);
        c.operation();
        EXPECT_EQ(PopText(), c.ofOne) << c.name;
        c.operation();
        EXPECT_EQ(PopText(), c.ofNone) << c.name;
        EXPECT_EQ(DecimalDepth(), 0) << c.name;
    }
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

// --- differential check against a plain digit-by-digit model --------------------------------

/// The register arithmetic done one digit at a time, the plainest way: schoolbook addition,
/// multiplication by every digit pair, long division by repeated subtraction. The registers'
/// own arithmetic works on several digits at once and must give the same registers.
namespace plain {

constexpr int kTop = kDecimalPositions - 1;

void SetZero(DecimalRegister& reg)
{
    reg.digits[kUnitsPosition] = 0;
    reg.sign = 0;
    reg.low = kUnitsPosition;
    reg.high = kUnitsPosition;
}

bool IsZero(const DecimalRegister& reg)
{
    for (int position = reg.low; position <= reg.high; ++position)
        if (reg.digits[position] != 0)
            return false;
    return true;
}

void Fill(DecimalRegister& reg, const std::uint8_t* digits, int low, int high, bool negative)
{
    reg.low = static_cast<std::uint8_t>(low);
    reg.high = static_cast<std::uint8_t>(high);
    for (int position = low; position <= high; ++position)
        reg.digits[position] = digits[position];
    reg.sign = negative ? 1 : 0;
    const int floor = std::max<int>(reg.low, kUnitsPosition);
    while (reg.high > floor && reg.digits[reg.high] == 0)
        --reg.high;
    if (reg.high < reg.low)
        reg.high = reg.low;
    if (IsZero(reg))
        reg.sign = 0;
}

int CompareMagnitudes(const DecimalRegister& a, const DecimalRegister& b)
{
    const int low = std::min(a.low, b.low);
    for (int position = std::max(a.high, b.high); position >= low; --position) {
        const int difference = a.DigitAt(position) - b.DigitAt(position);
        if (difference != 0)
            return difference < 0 ? -1 : 1;
    }
    return 0;
}

int Sign(const DecimalRegister& reg)
{
    return IsZero(reg) ? 0 : reg.sign != 0 ? -1 : 1;
}

int Compare(const DecimalRegister& left, const DecimalRegister& right)
{
    const int leftClass = Sign(left);
    const int rightClass = Sign(right);
    if (leftClass != rightClass)
        return leftClass < rightClass ? -1 : 1;
    const int magnitude = CompareMagnitudes(left, right);
    return leftClass < 0 ? -magnitude : magnitude;
}

DecimalRegister Add(const DecimalRegister& left, const DecimalRegister& right)
{
    DecimalRegister result {};
    const int low = std::min(left.low, right.low);
    const int high = std::max(left.high, right.high);
    std::uint8_t digits[kDecimalPositions] = {};
    if (left.sign == right.sign) {
        int carry = 0;
        for (int position = low; position <= high; ++position) {
            const int sum = left.DigitAt(position) + right.DigitAt(position) + carry;
            digits[position] = static_cast<std::uint8_t>(sum % 10);
            carry = sum / 10;
        }
        const bool grows = carry != 0 && high < kTop;
        if (grows)
            digits[high + 1] = 1;
        Fill(result, digits, low, grows ? high + 1 : high, left.sign != 0);
        return result;
    }
    const bool leftLarger = CompareMagnitudes(left, right) >= 0;
    const DecimalRegister& larger = leftLarger ? left : right;
    const DecimalRegister& smaller = leftLarger ? right : left;
    int borrow = 0;
    for (int position = low; position <= high; ++position) {
        int difference = larger.DigitAt(position) - smaller.DigitAt(position) - borrow;
        borrow = difference < 0 ? 1 : 0;
        digits[position] = static_cast<std::uint8_t>(difference + 10 * borrow);
    }
    Fill(result, digits, low, high, larger.sign != 0);
    return result;
}

DecimalRegister Multiply(const DecimalRegister& left, const DecimalRegister& right)
{
    DecimalRegister result {};
    std::uint32_t sums[2 * kDecimalPositions] = {};
    for (int i = left.low; i <= left.high; ++i)
        for (int j = right.low; j <= right.high; ++j)
            sums[i + j] += static_cast<std::uint32_t>(left.digits[i] * right.digits[j]);
    for (int k = 0; k + 1 < 2 * kDecimalPositions; ++k) {
        sums[k + 1] += sums[k] / 10;
        sums[k] %= 10;
    }
    std::uint8_t digits[kDecimalPositions] = {};
    for (int position = 0; position < kDecimalPositions; ++position)
        digits[position] = static_cast<std::uint8_t>(sums[position + kUnitsPosition]);
    const int low = std::max(left.low + right.low - kUnitsPosition, 0);
    const int high = std::clamp(left.high + right.high + 1 - kUnitsPosition, low, kTop);
    Fill(result, digits, low, high, left.sign != right.sign);
    return result;
}

DecimalRegister Divide(const DecimalRegister& dividend, const DecimalRegister& divisor)
{
    DecimalRegister result {};
    if (IsZero(divisor)) {
        SetZero(result);
        return result;
    }
    const bool negative = dividend.sign != divisor.sign;
    int power = -1;
    for (int position = divisor.low; position <= divisor.high; ++position) {
        if (divisor.digits[position] == 0)
            continue;
        if (divisor.digits[position] != 1 || power >= 0) {
            power = -1;
            break;
        }
        power = position;
    }
    if (power >= 0) {
        const int shift = power - kUnitsPosition;
        std::uint8_t digits[kDecimalPositions] = {};
        int low = kTop;
        int high = 0;
        for (int position = dividend.low; position <= dividend.high; ++position) {
            const int target = position - shift;
            if (target < 0 || target > kTop)
                continue;
            digits[target] = dividend.digits[position];
            low = std::min(low, target);
            high = std::max(high, target);
        }
        if (low > high) {
            SetZero(result);
            return result;
        }
        Fill(result, digits, std::min(low, kUnitsPosition), std::max(high, kUnitsPosition),
            negative);
        return result;
    }
    constexpr int kNumeratorDigits = 2 * kDecimalPositions;
    std::uint8_t divisorDigits[kDecimalPositions + 1] = {};
    int divisorLength = 0;
    for (int position = 0; position < kDecimalPositions; ++position) {
        divisorDigits[position] = static_cast<std::uint8_t>(divisor.DigitAt(position));
        if (divisorDigits[position] != 0)
            divisorLength = position + 1;
    }
    std::uint8_t remainder[kDecimalPositions + 1] = {};
    std::uint8_t quotient[kNumeratorDigits] = {};
    for (int k = kNumeratorDigits - 1; k >= 0; --k) {
        std::memmove(remainder + 1, remainder, kDecimalPositions);
        const int position = k - kUnitsPosition;
        remainder[0] = static_cast<std::uint8_t>(
            position >= 0 && position < kDecimalPositions ? dividend.DigitAt(position) : 0);
        int count = 0;
        for (;;) {
            int order = 0;
            for (int i = divisorLength; i >= 0 && order == 0; --i)
                order = remainder[i] - divisorDigits[i];
            if (order < 0)
                break;
            int borrow = 0;
            for (int i = 0; i <= divisorLength; ++i) {
                int difference = remainder[i] - divisorDigits[i] - borrow;
                borrow = difference < 0 ? 1 : 0;
                remainder[i] = static_cast<std::uint8_t>(difference + 10 * borrow);
            }
            ++count;
        }
        quotient[k] = static_cast<std::uint8_t>(count);
    }
    int low = 0;
    while (low < kUnitsPosition && quotient[low] == 0)
        ++low;
    Fill(result, quotient, low, kTop, negative);
    return result;
}

/// Half away from zero at `places`; a register with no more places is left as it is.
DecimalRegister Round(DecimalRegister reg, std::uint32_t places)
{
    if (places > static_cast<std::uint32_t>(kUnitsPosition))
        return reg;
    const int newLow = kUnitsPosition - static_cast<int>(places);
    if (reg.low >= newLow)
        return reg;
    const bool roundUp = reg.DigitAt(newLow - 1) >= 5;
    if (reg.high < newLow) {
        reg.digits[newLow] = 0;
        reg.high = static_cast<std::uint8_t>(newLow);
    }
    reg.low = static_cast<std::uint8_t>(newLow);
    if (!roundUp)
        return reg;
    for (int position = newLow; position <= reg.high; ++position) {
        if (reg.digits[position] < 9) {
            ++reg.digits[position];
            return reg;
        }
        reg.digits[position] = 0;
    }
    if (reg.high < kTop) {
        ++reg.high;
        reg.digits[reg.high] = 1;
    }
    return reg;
}

} // namespace plain

/// A small deterministic generator (splitmix64), so that every run checks the same operands.
class Operands {
public:
    int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }

    /// A register with `integerDigits` digits above the point and `places` below, drawn in one
    /// of several patterns; the positions outside low..high hold bytes that are not digits.
    DecimalRegister Make(int integerDigits, int places)
    {
        DecimalRegister reg;
        std::memset(reg.digits, 0xEE, sizeof reg.digits);
        reg.low = static_cast<std::uint8_t>(kUnitsPosition - places);
        reg.high = static_cast<std::uint8_t>(kUnitsPosition + std::max(integerDigits, 1) - 1);
        reg.sign = static_cast<std::uint8_t>(Below(2));
        const int pattern = Below(8);
        for (int position = reg.low; position <= reg.high; ++position) {
            int digit = Below(10);
            switch (pattern) {
            case 0:
                digit = 9;
                break; // carries through everything
            case 1:
                digit = 0;
                break; // a zero of either sign
            case 2:
                digit = position == reg.high ? 1 : 0;
                break; // a power of ten
            case 3:
                digit = position == reg.high ? 0 : digit;
                break; // a leading zero kept
            case 4:
                digit = Below(3) == 0 ? 9 : 0;
                break;
            default:
                break;
            }
            reg.digits[position] = static_cast<std::uint8_t>(digit);
        }
        return reg;
    }

    /// Lengths that put the edges on every 8- and 9-digit boundary and at the extremes.
    int Length()
    {
        static constexpr int kLengths[]
            = { 0, 1, 2, 7, 8, 9, 10, 16, 17, 18, 19, 20, 24, 27, 28, 31, 32 };
        return Below(3) == 0 ? Below(33) : kLengths[Below(std::size(kLengths))];
    }

    DecimalRegister Make() { return Make(Length(), Length()); }

private:
    std::uint64_t Next()
    {
        state_ += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t state_ = 20261211;
};

/// The digits in use, low, high and sign, for a failure message.
std::string Fields(const DecimalRegister& reg)
{
    std::string text = "low " + std::to_string(reg.low) + " high " + std::to_string(reg.high)
        + " sign " + std::to_string(reg.sign) + " digits ";
    for (int position = reg.high; position >= reg.low && position >= 0; --position)
        text += static_cast<char>('0' + reg.digits[position]);
    return text;
}

bool SameRegister(const DecimalRegister& a, const DecimalRegister& b)
{
    if (a.low != b.low || a.high != b.high || a.sign != b.sign)
        return false;
    for (int position = a.low; position <= a.high; ++position)
        if (a.digits[position] != b.digits[position])
            return false;
    return true;
}

/// Runs `operation` on the registers `left` (second) and `right` (top) and answers the result.
DecimalRegister RunOn(
    void (*operation)(), const DecimalRegister& left, const DecimalRegister& right)
{
    ResetDecimalStack();
    PushLongDecimal(0);
    TopDecimal() = left;
    PushLongDecimal(0);
    TopDecimal() = right;
    operation();
    EXPECT_EQ(DecimalDepth(), 1);
    DecimalRegister result = TopDecimal();
    ResetDecimalStack();
    return result;
}

struct DifferentialOperands {
    DecimalRegister left;
    DecimalRegister right;
};

/// Operand pairs: random ones, and the shapes where digit groups meet or the result hits the
/// register's edges.
std::vector<DifferentialOperands> DifferentialCases()
{
    Operands random;
    std::vector<DifferentialOperands> cases;
    for (int i = 0; i < 600; ++i)
        cases.push_back({ random.Make(), random.Make() });
    // Equal lengths on both sides, so that whole groups line up and carry into each other.
    for (int length = 0; length <= 32; ++length)
        for (int places = 0; places <= 32; places += 4)
            cases.push_back({ random.Make(length, places), random.Make(length, 32 - places) });
    // Registers that are not trimmed: leading zeros above the units and a value wholly below
    // the units (as a packed field with more places than digits pushes it).
    for (int i = 0; i < 60; ++i) {
        DecimalRegister left = random.Make();
        DecimalRegister right = random.Make();
        const int top = right.low + random.Below(kUnitsPosition - right.low + 1);
        if (top < kUnitsPosition)
            right.high = static_cast<std::uint8_t>(std::max<int>(top, right.low));
        left.high = static_cast<std::uint8_t>(std::min(63, left.high + random.Below(8)));
        for (int position = left.low; position <= left.high; ++position)
            if (left.digits[position] > 9)
                left.digits[position] = 0;
        cases.push_back({ left, right });
        cases.push_back({ right, left });
    }
    // Long quotients of small divisors and tiny quotients of huge ones.
    const char* texts[][2] = {
        { "1", "3" },
        { "99999999999999999999999999999999", "0.00000000000000000000000000000003" },
        { "0.00000000000000000000000000000001", "99999999999999999999999999999999" },
        { "99999999999999999999999999999999.99999999999999999999999999999999", "7" },
        { "1", "999999999" },
        { "1", "1000000001" },
        { "123456789012345678", "1000000000.000000001" },
        { "99999999999999999999", "99999999999999999999" },
        { "4294967296", "65536.5" },
        { "18446744073709551616", "4294967297" },
        // Quotients where estimating a group of digits from the leading ones overshoots and the
        // divisor has to be added back.
        { "9999999999999999700036956326353", "99999999999999998070696538167336" },
        { "9999999999999999383117738383276", "9999999999999999910086790022604" },
        { "999999999999999932782563681444", "99999999999999994276477888440" },
    };
    for (const auto& pair : texts) {
        PushTextDecimal(pair[0]);
        PushTextDecimal(pair[1]);
        const DecimalRegister right = TopDecimal();
        DropDecimal();
        const DecimalRegister left = TopDecimal();
        DropDecimal();
        cases.push_back({ left, right });
        cases.push_back({ right, left });
    }
    return cases;
}

TEST_F(DecimalTest, ArithmeticMatchesThePlainDigitModel)
{
    struct Operation {
        const char* name;
        void (*run)();
        DecimalRegister (*model)(const DecimalRegister&, const DecimalRegister&);
    };
    const Operation operations[] = {
        { "add", AddDecimals, plain::Add },
        { "subtract", SubtractDecimals,
            [](const DecimalRegister& left, const DecimalRegister& right) {
                DecimalRegister negated = right;
                negated.sign ^= 1;
                return plain::Add(left, negated);
            } },
        { "multiply", MultiplyDecimals, plain::Multiply },
        { "divide", DivideDecimals, plain::Divide },
    };
    int failures = 0;
    for (const DifferentialOperands& c : DifferentialCases()) {
        for (const Operation& operation : operations) {
            const DecimalRegister expected = operation.model(c.left, c.right);
            const DecimalRegister actual = RunOn(operation.run, c.left, c.right);
            if (!SameRegister(actual, expected) && ++failures <= 20)
                ADD_FAILURE() << operation.name << " of " << Fields(c.left) << " and "
                              << Fields(c.right) << "\n  gives " << Fields(actual) << "\n  model "
                              << Fields(expected);
        }
        ResetDecimalStack();
        PushLongDecimal(0);
        TopDecimal() = c.left;
        PushLongDecimal(0);
        TopDecimal() = c.right;
        EXPECT_EQ(CompareDecimals(), plain::Compare(c.left, c.right))
            << Fields(c.left) << " vs " << Fields(c.right);
        for (const std::uint32_t places : { 0u, 1u, 2u, 9u, 17u, 31u, 32u, 33u }) {
            DecimalRegister rounded = c.left;
            RoundDecimal(rounded, places);
            const DecimalRegister expected = plain::Round(c.left, places);
            EXPECT_TRUE(SameRegister(rounded, expected))
                << "round " << Fields(c.left) << " to " << places << "\n  gives " << Fields(rounded)
                << "\n  model " << Fields(expected);
        }
    }
    EXPECT_EQ(failures, 0);
}

// --- packed storage against a nibble-by-nibble reference -------------------------------

// Pushes and pops move four bytes of packed storage at a time; these tests hold them to the
// plainest reading and writing of the nibbles, one at a time.
namespace nibbles {

/// The text of the value a packed field holds as the register reads it: 2 * size - 1 digits
/// after (DECIMAL) or before (PDECIMAL) the sign, a nibble above 9 as 0, digits falling outside
/// the register's 64 positions left out (a field wholly below them reads as a plain 0).
std::string ExpectedText(
    const std::vector<std::uint8_t>& bytes, std::uint32_t places, bool pdecimal)
{
    const int size = static_cast<int>(bytes.size());
    const int low = kUnitsPosition - static_cast<int>(places);
    int digit[kDecimalPositions] = {};
    for (int k = 0; k < 2 * size - 1; ++k) {
        const auto index = static_cast<std::size_t>(pdecimal ? k : k + 1);
        const int nibble = index % 2 == 0 ? bytes[index / 2] >> 4 : bytes[index / 2] & 0x0F;
        const int position = low + 2 * size - 2 - k;
        if (position >= 0 && position < kDecimalPositions)
            digit[position] = nibble > 9 ? 0 : nibble;
    }
    const int shownLow = low + 2 * size - 2 < 0 ? kUnitsPosition : std::max(low, 0);
    const bool negative = pdecimal ? (bytes.back() & 0x0F) == 0x0D : (bytes.front() >> 4) != 0;
    bool nonZero = false;
    for (int p = shownLow; p < kDecimalPositions; ++p)
        nonZero = nonZero || digit[p] != 0;
    std::string text = negative && nonZero ? "-" : "";
    int top = kDecimalPositions - 1;
    while (top > kUnitsPosition && digit[top] == 0)
        --top;
    for (int p = top; p >= kUnitsPosition; --p)
        text += static_cast<char>('0' + digit[p]);
    if (shownLow < kUnitsPosition) {
        text += '.';
        for (int p = kUnitsPosition - 1; p >= shownLow; --p)
            text += static_cast<char>('0' + digit[p]);
    }
    return text;
}

/// The bytes a pop of `reg` writes: rounded to `places` as RoundDecimal does, then its digits
/// nibble by nibble, the integer digits that do not fit dropped, a zero written positive.
std::vector<std::uint8_t> ExpectedBytes(
    DecimalRegister reg, std::uint32_t size, std::uint32_t places, bool pdecimal)
{
    RoundDecimal(reg, places);
    std::vector<std::uint8_t> bytes(size, 0);
    const int high = kUnitsPosition - static_cast<int>(places) + 2 * static_cast<int>(size) - 2;
    bool nonZero = false;
    for (int k = 0; k < 2 * static_cast<int>(size) - 1; ++k) {
        const int position = high - k;
        const int digit = position >= 0 && position < kDecimalPositions ? reg.DigitAt(position) : 0;
        nonZero = nonZero || digit != 0;
        const auto index = static_cast<std::size_t>(pdecimal ? k : k + 1);
        bytes[index / 2] |= static_cast<std::uint8_t>(index % 2 == 0 ? digit << 4 : digit);
    }
    const bool negative = nonZero && reg.sign != 0;
    if (pdecimal)
        bytes.back() |= negative ? 0x0D : 0x0F;
    else
        bytes.front() |= negative ? 0xF0 : 0x00;
    return bytes;
}

} // namespace nibbles

// Every field size the register holds and a little more, sizes not a multiple of four, every
// alignment of the lowest digit to the register's words, nibbles above 9, fields reaching past
// the register's edges; the pop finds scribbles outside the register's range.
TEST_F(DecimalTest, PackedStorageMatchesNibbleByNibbleReading)
{
    std::mt19937 random(5);
    const auto below
        = [&random](unsigned count) { return static_cast<std::uint32_t>(random() % count); };
    for (std::uint32_t size = 1; size <= 34; ++size) {
        for (std::uint32_t places = 0; places <= 40; places += 1 + below(3)) {
            for (const bool pdecimal : { false, true }) {
                std::vector<std::uint8_t> bytes(size);
                for (std::uint8_t& byte : bytes)
                    byte = static_cast<std::uint8_t>(random());
                const std::string label
                    = Hex(bytes) + (pdecimal ? " P/" : " D/") + std::to_string(places);
                if (pdecimal)
                    PushPDecimal(bytes.data(), size, places);
                else
                    PushDecimal(bytes.data(), size, places);
                ASSERT_TRUE(TopDecimal().CheckInvariants()) << label;
                EXPECT_EQ(Text(TopDecimal()), nibbles::ExpectedText(bytes, places, pdecimal))
                    << label;
                DecimalRegister& reg = TopDecimal();
                for (int p = 0; p < kDecimalPositions; ++p)
                    if (p < reg.low || p > reg.high)
                        reg.digits[p] = static_cast<std::uint8_t>(random());

                const std::uint32_t outSize = 1 + below(34);
                const std::uint32_t outPlaces = below(40);
                const std::vector<std::uint8_t> expected
                    = nibbles::ExpectedBytes(TopDecimal(), outSize, outPlaces, pdecimal);
                std::vector<std::uint8_t> stored(outSize, 0xAA);
                if (pdecimal)
                    PopToPDecimal(stored.data(), outSize, outPlaces);
                else
                    PopToDecimal(stored.data(), outSize, outPlaces);
                EXPECT_EQ(Hex(stored), Hex(expected))
                    << label << " into " << outSize << "/" << outPlaces;
                ASSERT_EQ(DecimalDepth(), 0);
            }
        }
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
