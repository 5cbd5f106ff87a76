// Pictures: compiling every kind, formatting numbers, patterns and scientific numbers, reading
// them back, key-in classes, and FORMAT and DEFORMAT on the stacks. Dates and times are in
// PictureDateTest.cpp.

#include "PictureTestSupport.h"

#include <cstring>
#include <string>

using namespace value;
using picturetest::Deformat;
using picturetest::Format;

namespace {

using PictureCompileTest = picturetest::PictureTest;
using NumberPictureTest = picturetest::PictureTest;
using NumberReadingTest = picturetest::PictureTest;
using PictureStackTest = picturetest::PictureTest;

// --- compiling ---------------------------------------------------------------------------------

struct CompileRow {
    const char* text;
    PictureKind kind;
    int width; // 0: invalid
    int subKind;
};

TEST_F(PictureCompileTest, KindsWidthsAndInvalidTexts)
{
    // clang-format off
    const CompileRow rows[] = {
        { "@S40", PictureKind::String, 40, 0 },
        { "S40", PictureKind::String, 40, 0 },      // the "@" is optional
        { "@s255", PictureKind::String, 255, 0 },   // the widest string
        { "@S10 \t", PictureKind::String, 10, 0 },  // blanks and tabs may follow
        { "@S0", PictureKind::String, 0, 0 },       // below 1
        { "@S256", PictureKind::String, 0, 0 },     // above 255
        { "@S10x", PictureKind::String, 0, 0 },     // text after the width
        { "@X1", PictureKind::String, 0, 0 },       // no such kind
        { "", PictureKind::String, 0, 0 },          // empty
        { "@", PictureKind::String, 0, 0 },         // only the "@"
        { "@N", PictureKind::String, 0, 0 },        // a kind alone
        { "@Sb", PictureKind::String, 0, 0 },       // one character left after the "b"
        { "@n12.2", PictureKind::Numeric, 12, 3 },  // either case
        { "@N254", PictureKind::Numeric, 254, 3 },  // the widest number
        { "@N255", PictureKind::Numeric, 0, 0 },    // too wide
        { "@N$", PictureKind::Numeric, 0, 0 },      // no width
        { "@N~kn10", PictureKind::Numeric, 0, 0 },  // unclosed currency
        { "@N(10.2", PictureKind::Numeric, 0, 0 },  // "(" without ")"
        { "@N10.2)", PictureKind::Numeric, 0, 0 },  // ")" without "("
        { "@N$-4.2", PictureKind::Numeric, 0, 0 },  // currency, sign, point and places: 5
        { "@N$-5.2", PictureKind::Numeric, 5, 3 },  // ... fit in 5, with no integer digit
        { "@N3v2", PictureKind::Numeric, 3, 3 },    // the implied point takes no position
        { "@N2v2", PictureKind::Numeric, 0, 0 },    // no units digit for the implied point
        { "@E7", PictureKind::Scientific, 7, 2 },   // -1e+000
        { "@E6", PictureKind::Scientific, 0, 0 },   // below 7
        { "@E7.1", PictureKind::Scientific, 0, 0 }, // the layout needs 9
        { "@E12.2", PictureKind::Scientific, 12, 2 },
        { "@D6b", PictureKind::Date, 10, 1 },
        { "@D19", PictureKind::Date, 0, 0 },
        { "@D0", PictureKind::Date, 0, 0 },
        { "@D1<100", PictureKind::Date, 0, 0 }, // a window above 99
        { "@D1x", PictureKind::Date, 0, 0 },    // no such separator
        { "@D4", PictureKind::Date, 21, 1 },
        { "@T3", PictureKind::Time, 7, 1 },
        { "@T9", PictureKind::Time, 0, 0 },
        { "@T4.", PictureKind::Time, 8, 1 },
        { "@P(###)###-####P", PictureKind::Pattern, 13, 3 },
        { "@P##p", PictureKind::Pattern, 2, 3 },  // closed by either case
        { "@PP", PictureKind::Pattern, 0, 0 },    // nothing between
        { "@P##", PictureKind::Pattern, 0, 0 },   // not closed
        { "@K\\@##K", PictureKind::KeyIn, 3, 0 }, // "\" makes the "@" a literal
        { "@K@@-###K", PictureKind::KeyIn, 6, 0 },
        { "@KK", PictureKind::KeyIn, 0, 0 },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        CompiledPicture picture;
        CompilePicture(picture, row.text);
        EXPECT_EQ(picture.width, row.width);
        if (row.width == 0) {
            // An invalid picture is all zero, its source included.
            EXPECT_EQ(picture.source, nullptr);
            EXPECT_EQ(picture.positions[0].character, '\0');
            continue;
        }
        EXPECT_EQ(picture.kind, row.kind);
        EXPECT_EQ(picture.subKind, row.subKind);
        EXPECT_EQ(picture.source, row.text);
    }
}

TEST_F(PictureCompileTest, NoPictureIsAStringOf255)
{
    CompiledPicture picture;
    CompilePicture(picture, nullptr);
    EXPECT_EQ(picture.kind, PictureKind::String);
    EXPECT_EQ(picture.width, 255);
}

TEST_F(PictureCompileTest, ModifiersOfDates)
{
    struct Row {
        const char* text;
        int window;
        bool blank;
    };
    // clang-format off
    const Row rows[] = {
        { "@D1", 80, false },
        { "@D1<50", 50, false },
        { "@D1<0", 80, false }, // 0 is the default
        { "@D1>30", 69, false },
        { "@D1>0", 19, false },
        { "@D6B", 80, true },
        { "@D2<60-b", 60, true },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        CompiledPicture picture;
        CompilePicture(picture, row.text);
        ASSERT_NE(picture.width, 0);
        EXPECT_EQ(picture.window, row.window);
        EXPECT_EQ(picture.blankWhenZero, row.blank);
    }
}

TEST_F(PictureCompileTest, LongerThan254CharactersIsInvalid)
{
    const std::string text = "@P" + std::string(252, '#') + "P"; // 254 after the "@"
    CompiledPicture picture;
    CompilePicture(picture, text.c_str());
    EXPECT_EQ(picture.width, 252);
    const std::string longer = "@P" + std::string(253, '#') + "P";
    CompilePicture(picture, longer.c_str());
    EXPECT_EQ(picture.width, 0);
}

// --- formatting numbers --------------------------------------------------------------------------

struct FormatRow {
    const char* picture;
    const char* value;
    const char* shown;
};

TEST_F(NumberPictureTest, FormatsNumbers)
{
    // clang-format off
    const FormatRow rows[] = {
        { "@N9", "1234567", "1,234,567" },
        { "@N09", "1234567", "001234567" }, // zero fill, no grouping
        { "@N4", "123456", "####" },        // too many digits
        { "@N4", "1234", "1234" },          // too narrow for a grouping: four digits
        { "@N5", "1234", "1,234" },
        { "@N6.1", "2.25", "   2.3" }, // rounded half away from zero
        { "@N-6.1", "-2.25", "  -2.3" },
        { "@N6.1", "0.04", "   0.0" },
        { "@N-6.2", "-0.004", "  0.00" }, // rounds to zero: no sign
        { "@N12.2", "1234.5", "    1,234.50" },
        { "@N12.2", "0.5", "        0.50" },
        { "@N12.2", "999999.995", "1,000,000.00" }, // the carry adds a digit
        { "@N6.2", "1234", "###.##" },              // every digit position overflows
        { "@N-12.2", "-1234.5", "   -1,234.50" },   // the sign floats to the first digit
        { "@N-12.2", "1234.5", "    1,234.50" },
        { "@N-12.2", "-123456", " -123,456.00" }, // the leftmost grouping left empty
        { "@N(10.2)", "-1234.5", "(1,234.50)" },  // no room to float
        { "@N(10.2)", "-12.5", "   (12.50)" },
        { "@N(10.2)", "12.5", "    12.50 " },
        { "@N10.2-", "-12.5", "    12.50-" },
        { "@N10.2-", "12.5", "    12.50 " },
        { "@N$10.2", "1234.5", "$ 1,234.50" }, // currency before
        { "@N$-10.2", "-12", "$   -12.00" },   // the sign floats inside the currency
        { "@N10.2$", "1234.5", " 1,234.50$" }, // currency after
        { "@N~kn~10.2", "1234.5", "kn1,234.50" },
        { "@N12`2~ kn~", "1234.5", " 1.234,50 kn" }, // decimal comma, grouping "."
        { "@N12.`2", "1234.5", "    1.234,50" },     // grouping "." given
        { "@N12_.2", "1234567", "1 234 567.00" },    // grouping blank
        { "@N*10.2", "12.5", "*****12.50" },         // "*" fills grouping positions too
        { "@N-*10.2", "-12.5", "-****12.50" },       // with "*" the sign stays put
        { "@N_10.2", "1234.5", "   1234.50" },       // "_" fills with blanks, no grouping
        { "@N010.2", "1234.5", "0001234.50" },
        { "@N-06", "-12", "-00012" },           // with "0" the sign stays put
        { "@N12v2", "1234.5", "     1,23450" }, // implied point: no position
        { "@N9.2b", "0", "         " },         // blank when zero
        { "@N9.2", "0", "     0.00" },
        { "@N9.2B", "0.001", "         " }, // zero once rounded
        { "@N6", "-12345", "######" },                          // no sign position: "-" needs room
        { "@N6", "-1234", "-1,234" },                           // ... and takes a free leading one
        { "@N05", "-12", "-0012" },
        { "@N3.2", "0.25", ".25" }, // no integer position
        { "@N3.2", "1", ".##" },                                // the point stays
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of " + row.value);
        EXPECT_EQ(Format(row.picture, row.value), row.shown);
    }
}

TEST_F(NumberPictureTest, FormatsScientificNumbers)
{
    // clang-format off
    const FormatRow rows[] = {
        { "@E12.2", "1234.5", "   1.23e+003" },
        { "@E12.2", "-1234.5", "  -1.23e+003" },
        { "@E10.1", "-0.000123", " -1.2e-004" },
        { "@E10.2", "9.995", " 1.00e+001" }, // the rounding carries into the exponent
        { "@E10.2", "0", " 0.00e+000" },
        { "@E10.2b", "0", "          " },
        { "@E7", "5", " 5e+000" },
        { "@E11`3", "0.5", " 5,000e-001" },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of " + row.value);
        EXPECT_EQ(Format(row.picture, row.value), row.shown);
    }
}

TEST_F(NumberPictureTest, FormatsPatternsAndKeyIns)
{
    // clang-format off
    const FormatRow rows[] = {
        { "@P(###)###-####P", "5551234567", "(555)123-4567" },
        { "@P###-##P", "12", "000-12" }, // "#" shows leading zeros
        { "@P<<#P", "5", "  5" },        // "<" blanks them
        { "@P<<<P", "0", "   " },
        { "@P##P", "123", "##" },        // overflow
        { "@P##P", "-12", "12" },        // a pattern has no sign
        { "@P##.##P", "12.6", "00.13" }, // the number is rounded to an integer
        { "@P##Pb", "0", "  " },
        { "@K##-<<K", "1234", "12-34" },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of " + row.value);
        EXPECT_EQ(Format(row.picture, row.value), row.shown);
    }
}

// FORMAT cuts at the buffer given, and an empty register stack formats as 0.
TEST_F(NumberPictureTest, FormatDecimalHonoursTheBufferAndAnEmptyStack)
{
    CompiledPicture picture;
    CompilePicture(picture, "@N9.2");
    char buffer[12];
    std::memset(buffer, 'x', sizeof buffer);
    PushTextDecimal("1234.5");
    FormatDecimal(picture, buffer, 5);
    EXPECT_EQ(std::string(buffer, 5), " 1,23");
    EXPECT_EQ(buffer[5], 'x');
    FormatDecimal(picture, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, sizeof buffer), "     0.00   ");
    EXPECT_EQ(DecimalDepth(), 0);
}

// --- reading numbers back ----------------------------------------------------------------------

struct ReadRow {
    const char* picture; // null: no picture
    const char* typed;
    const char* value;
};

TEST_F(NumberReadingTest, ReadsTypedText)
{
    // clang-format off
    const ReadRow rows[] = {
        { "@S20", "$1,234.50", "1234.50" }, // a string picture keeps what a number needs
        { nullptr, "$1,234.50", "1234.50" },
        { "@S20", "-12e-3x", "-12e-3" },
        { "@S20", "1.2.3", "1.23" },                           // only the first point
        { "@S20", "ab-5", "-5" },                              // "-" before anything kept
        { "@S20", "5-3", "53" },                               // elsewhere it is dropped
        { "@S20", "2E+5", "2E+5" },
        { "@S3", "12345", "123" }, // within the width
        { "@N12.2", "    1,234.50", "1234.50" },
        { "@N-12.2", "   -1,234.50", "-1234.50" },
        { "@N(10.2)", "(1,234.50)", "-1234.50" },
        { "@N(10.2)", "   (12.50)", "-12.50" },
        { "@N10.2-", "    12.50-", "-12.50" },
        { "@N9", "1,234,567", "1234567" },
        { "@N5", "   12", "12" },
        { "@N12v2", "     1,23450", "1234.50" }, // implied point after the units digit
        { "@N$10.2", "$ 1,234.50", "1234.50" },
        { "@E12.2", "   1.23e+003", "1.23e003" },
        { "@E12.2", "  -1.23e-003", "-1.23e-003" },
        { "@P(###)###-####P", "(555)123-4567", "5551234567" },
        { "@P<<#P", "  5", "005" }, // "<" reads a blank as 0
        { "@K@@-###K", "AB-123", "AB123" },
        { "@K^^K", "a ", "a " }, // key-in characters are copied unchanged
        { "@N", "123", "" },     // invalid picture
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(
            std::string(row.picture == nullptr ? "(none)" : row.picture) + " of " + row.typed);
        EXPECT_EQ(Deformat(row.picture, row.typed), row.value);
    }
}

TEST_F(NumberReadingTest, AtMost254TypedCharactersAreRead)
{
    const std::string typed = std::string(254, '1') + "9";
    const std::string value = Deformat(nullptr, typed);
    EXPECT_EQ(value, std::string(254, '1'));
}

// --- key-in classes ------------------------------------------------------------------------------

TEST(KeyInClassTest, WhatEachClassAccepts)
{
    struct Row {
        int keyInClass;
        const char* accepted;
        const char* refused;
    };
    // clang-format off
    const Row rows[] = {
        { 1, "aZ ", "1-\t" },
        { 2, "AZ ", "a1-" },
        { 3, "a1- ~", "\t\x7f\x01" },
        { 4, "a1Z ", "-.\t" },
        { 5, "az ", "A1-" },
        { 0, "", "a1 " },
        { 6, "", "a1 " },
    };
    // clang-format on
    ResetCharacterTables();
    for (const auto& row : rows) {
        for (const char* c = row.accepted; *c != '\0'; ++c)
            EXPECT_TRUE(KeyInClassAccepts(row.keyInClass, *c))
                << row.keyInClass << " '" << *c << "'";
        for (const char* c = row.refused; *c != '\0'; ++c)
            EXPECT_FALSE(KeyInClassAccepts(row.keyInClass, *c))
                << row.keyInClass << " '" << *c << "'";
    }
}

// --- the stacks and the entry controls ---------------------------------------------------------

TEST_F(PictureStackTest, FormatAndDeformatKeepTheStacksBalanced)
{
    PushString("below");
    PushTextDecimal("7");
    PushTextDecimal("12");
    FormatToStack("@N5");
    EXPECT_EQ(DecimalDepth(), 1);
    ASSERT_EQ(StackDepth(), 2);
    EXPECT_EQ(StackTop().View(), "   12");
    DeformatToStack("@N5");
    ASSERT_EQ(StackDepth(), 2);
    EXPECT_EQ(StackTop().View(), "12");
    Drop();
    EXPECT_EQ(StackTop().View(), "below");
    Drop();
    DropDecimal();
}

TEST_F(PictureStackTest, InvalidPicturesGiveTheEmptyValue)
{
    PushTextDecimal("12");
    FormatToStack("@X9");
    EXPECT_EQ(DecimalDepth(), 0); // the register is consumed all the same
    ASSERT_EQ(StackDepth(), 1);
    EXPECT_EQ(StackTop().length, 0u);
    DeformatToStack("@Q");
    ASSERT_EQ(StackDepth(), 1);
    EXPECT_EQ(StackTop().length, 0u);
    Drop();
}

TEST_F(PictureStackTest, DeformatOnAnEmptyStackReadsNothing)
{
    DeformatToStack("@N5");
    ASSERT_EQ(StackDepth(), 1);
    EXPECT_EQ(StackTop().View(), "");
    Drop();
}

TEST_F(PictureStackTest, FormatValueTextShowsAVariablesText)
{
    struct Row {
        const char* picture;
        const char* value;
        const char* shown;
    };
    // clang-format off
    const Row rows[] = {
        { "@S5", "abcdefg", "abcde" },      // cut at the width
        { "@S5", "ab", "ab   " },           // blank filled to the width
        { "@N9.2", "1234.5", " 1,234.50" }, // read as a number
        { "@N9.2", "abc", "     0.00" },
        { "@K@@-###K", "AB123", "AB-123" }, // typed text goes back into its positions
        { "@K@@-###K", "A", "A -   " },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of " + row.value);
        CompiledPicture picture;
        CompilePicture(picture, row.picture);
        char buffer[kStringPictureWidth];
        const std::size_t width = FormatValueText(picture, row.value, buffer);
        EXPECT_EQ(width, picture.width);
        EXPECT_EQ(std::string(buffer, width), row.shown);
        EXPECT_EQ(DecimalDepth(), 0);
    }
    CompiledPicture invalid;
    CompilePicture(invalid, "@S0");
    char buffer[kStringPictureWidth];
    EXPECT_EQ(FormatValueText(invalid, "12", buffer), 0u);
}

// With every register in use the value cannot be read: the control shows blanks and the
// registers of the expression being evaluated are left alone.
TEST_F(PictureStackTest, FormatValueTextWithFullRegistersTouchesNone)
{
    for (int i = 0; i < kDecimalRegisters; ++i)
        PushLongDecimal(i);
    CompiledPicture picture;
    CompilePicture(picture, "@N3");
    char buffer[kStringPictureWidth];
    EXPECT_EQ(FormatValueText(picture, "12", buffer), 3u);
    EXPECT_EQ(std::string(buffer, 3), "   ");
    EXPECT_EQ(DecimalDepth(), kDecimalRegisters);
    EXPECT_EQ(PopLong(), kDecimalRegisters - 1);
    ResetDecimalStack();
}

TEST_F(PictureStackTest, NumbersSurviveFormatThenDeformat)
{
    struct Row {
        const char* picture;
        const char* value;
        const char* back;
    };
    // clang-format off
    const Row rows[] = {
        { "@N-12.2", "-1234.5", "-1234.50" },
        { "@N$(12.2)", "-0.07", "-0.07" },
        { "@N*12.`2", "98765.432", "98765.43" },
        { "@N12v3", "12.3456", "12.346" },
        { "@E12.3", "-0.00012345", "-1.235e-004" },
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of " + row.value);
        CompiledPicture picture;
        CompilePicture(picture, row.picture);
        char shown[kStringPictureWidth];
        const std::size_t width = FormatValueText(picture, row.value, shown);
        char back[kStringPictureWidth];
        const std::size_t length = DeformatText(picture, std::string_view(shown, width), back);
        EXPECT_EQ(std::string(back, length), row.back);
    }
}

} // namespace
