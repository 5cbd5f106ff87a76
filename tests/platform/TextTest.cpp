#include <platform/CharacterSet.h>
#include <platform/Text.h>

#include <gtest/gtest.h>

#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

using platform::SystemError;

namespace {

// The code-page charts, written out for the test from the published tables and kept apart from
// the implementation's. Bytes 0x00 to 0x7F are ASCII in both (checked separately); these are
// the upper halves, one row of the chart per line. 0 marks a byte the code page leaves
// undefined.
constexpr char32_t kNone = 0;

// clang-format off
constexpr std::array<char32_t, 128> kWindows1250Chart = {
    //    x0      x1      x2      x3      x4      x5      x6      x7      x8      x9      xA      xB      xC      xD      xE      xF
    /*8*/ 0x20AC, kNone,  0x201A, kNone,  0x201E, 0x2026, 0x2020, 0x2021, kNone,  0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    /*9*/ kNone,  0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, kNone,  0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    /*A*/ 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    /*B*/ 0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    /*C*/ 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    /*D*/ 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    /*E*/ 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    /*F*/ 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr std::array<char32_t, 128> kCp852Chart = {
    //    x0      x1      x2      x3      x4      x5      x6      x7      x8      x9      xA      xB      xC      xD      xE      xF
    /*8*/ 0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7, 0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE, 0x0179, 0x00C4, 0x0106,
    /*9*/ 0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A, 0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D,
    /*A*/ 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D, 0x017E, 0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB,
    /*B*/ 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x011A, 0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510,
    /*C*/ 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    /*D*/ 0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE, 0x011B, 0x2518, 0x250C, 0x2588, 0x2584, 0x0162, 0x016E, 0x2580,
    /*E*/ 0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161, 0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4,
    /*F*/ 0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0,
};
// clang-format on

/// The chart's code point for a byte; kNone for an undefined byte.
char32_t ChartEntry(const std::array<char32_t, 128>& upperHalf, unsigned byte)
{
    return byte < 0x80 ? char32_t { byte } : upperHalf[byte - 0x80];
}

/// The byte a chart gives a code point, if any.
std::optional<unsigned char> ChartByteOf(
    const std::array<char32_t, 128>& upperHalf, char32_t codePoint)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (ChartEntry(upperHalf, byte) == codePoint && (codePoint != kNone || byte == 0))
            return static_cast<unsigned char>(byte);
    }
    return std::nullopt;
}

std::string EncodeUtf8(char32_t codePoint)
{
    const auto c = static_cast<std::uint32_t>(codePoint);
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string Byte(unsigned byte)
{
    return std::string(1, static_cast<char>(byte));
}

std::string Hex(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
        out += ' ';
    }
    return out;
}

/// glibc's own converter, as an outside opinion: nothing when it refuses the input.
class Iconv {
public:
    Iconv(const char* from, const char* to)
        : m_descriptor(iconv_open(to, from))
    {
    }
    ~Iconv()
    {
        if (IsOpen())
            iconv_close(m_descriptor);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool IsOpen() const { return m_descriptor != reinterpret_cast<iconv_t>(std::intptr_t { -1 }); }

    std::optional<std::string> Convert(std::string_view input)
    {
        iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        std::vector<char> in(input.begin(), input.end());
        std::vector<char> out(input.size() * 4 + 8);
        char* inPointer = in.data();
        std::size_t inLeft = in.size();
        char* outPointer = out.data();
        std::size_t outLeft = out.size();
        if (iconv(m_descriptor, &inPointer, &inLeft, &outPointer, &outLeft)
            == static_cast<std::size_t>(-1))
            return std::nullopt;
        return std::string(out.data(), out.size() - outLeft);
    }

private:
    iconv_t m_descriptor;
};

// ---------------------------------------------------------------------------------------------
// Windows-1250 and Unicode

TEST(AnsiUnicode, EveryByteMatchesTheChart)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const char32_t expected = ChartEntry(kWindows1250Chart, byte);
        const auto ansi = static_cast<unsigned char>(byte);
        const auto utf8 = platform::AnsiToUtf8(Byte(byte));
        if (expected == kNone && byte != 0) {
            EXPECT_FALSE(platform::AnsiToUnicode(ansi).has_value());
            ASSERT_TRUE(utf8.IsError());
            EXPECT_EQ(utf8.Error(), SystemError::NoUnicodeTranslation);
            continue;
        }
        EXPECT_EQ(platform::AnsiToUnicode(ansi), expected);
        EXPECT_EQ(platform::UnicodeToAnsi(expected), ansi);
        ASSERT_FALSE(utf8.IsError());
        EXPECT_EQ(*utf8, EncodeUtf8(expected));
        const auto back = platform::Utf8ToAnsi(*utf8);
        ASSERT_FALSE(back.IsError());
        EXPECT_EQ(*back, Byte(byte));
    }
}

TEST(AnsiUnicode, TheFiveUndefinedBytesFailInsideText)
{
    for (const unsigned byte : { 0x81u, 0x83u, 0x88u, 0x90u, 0x98u }) {
        SCOPED_TRACE(byte);
        const auto utf8 = platform::AnsiToUtf8("abc" + Byte(byte) + "def");
        ASSERT_TRUE(utf8.IsError());
        EXPECT_EQ(utf8.Error(), SystemError::NoUnicodeTranslation);
        EXPECT_FALSE(platform::AnsiToOemChar(static_cast<unsigned char>(byte)).has_value());
    }
}

TEST(AnsiUnicode, WholeCodePageRoundTripsAsOneString)
{
    std::string ansi;
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (platform::AnsiToUnicode(static_cast<unsigned char>(byte)))
            ansi += Byte(byte);
    }
    ASSERT_EQ(ansi.size(), 251u); // 256 less the five undefined bytes; NUL included
    const auto utf8 = platform::AnsiToUtf8(ansi);
    ASSERT_FALSE(utf8.IsError());
    const auto back = platform::Utf8ToAnsi(*utf8);
    ASSERT_FALSE(back.IsError());
    EXPECT_EQ(*back, ansi);
}

TEST(AnsiUnicode, EmptyTextConvertsToEmptyText)
{
    EXPECT_EQ(*platform::AnsiToUtf8(""), "");
    EXPECT_EQ(*platform::Utf8ToAnsi(""), "");
    EXPECT_EQ(*platform::AnsiToOem(""), "");
    EXPECT_EQ(*platform::OemToAnsi(""), "");
}

struct Utf8Case {
    const char* name;
    std::string_view utf8;
    std::optional<std::string_view> ansi; ///< nothing: the conversion must fail
};

void PrintTo(const Utf8Case& row, std::ostream* out)
{
    *out << row.name;
}

class Utf8ToAnsiTest : public testing::TestWithParam<Utf8Case> { };

TEST_P(Utf8ToAnsiTest, ConvertsOrRefuses)
{
    const Utf8Case& row = GetParam();
    const auto result = platform::Utf8ToAnsi(row.utf8);
    if (!row.ansi) {
        ASSERT_TRUE(result.IsError()) << Hex(*result);
        EXPECT_EQ(result.Error(), SystemError::NoUnicodeTranslation);
        return;
    }
    ASSERT_FALSE(result.IsError());
    EXPECT_EQ(Hex(*result), Hex(*row.ansi));
}

using namespace std::string_view_literals;

// clang-format off
const Utf8Case kUtf8Cases[] = {
    // Accepted, including the boundaries of each sequence length.
    { "Croatian",                 "žaba čćđš ŽČĆĐŠ",        "\x9E" "aba \xE8\xE6\xF0\x9A \x8E\xC8\xC6\xD0\x8A" },
    { "EmbeddedNul",              "a\0b"sv,                "a\0b"sv },
    { "LastAscii",                "\x7F",                   "\x7F" },
    { "TwoByteNoBreakSpace",      "\xC2\xA0",               "\xA0" },
    { "ThreeByteEuro",            "\xE2\x82\xAC",           "\x80" },
    { "ThreeByteTradeMark",       "\xE2\x84\xA2",           "\x99" },
    { "DotAboveLastByte",         "\xCB\x99",               "\xFF" },
    // Well formed, but not in the code page.
    { "LatinAGrave",              "\xC3\xA0",               std::nullopt },
    { "C1Control",                "\xC2\x81",               std::nullopt },
    { "BoxDrawing",               "\xE2\x94\x80",           std::nullopt },
    { "NonCharacterFFFF",         "\xEF\xBF\xBF",           std::nullopt },
    { "FourByteEmoji",            "\xF0\x9F\x98\x80",       std::nullopt },
    { "LastCodePoint",            "\xF4\x8F\xBF\xBF",       std::nullopt },
    { "GoodThenUnmapped",         "abc\xC3\xA0",            std::nullopt },
    // Malformed.
    { "StrayContinuation",        "\x80",                   std::nullopt },
    { "ContinuationAfterAscii",   "a\xBF",                  std::nullopt },
    { "OverlongNulC0",            "\xC0\x80",               std::nullopt },
    { "OverlongC1",               "\xC1\xBF",               std::nullopt },
    { "OverlongNotSignIn3Bytes",  "\xE0\x82\xAC",           std::nullopt },
    { "OverlongEuroInFourBytes",  "\xF0\x82\x82\xAC",       std::nullopt },
    { "FirstSurrogate",           "\xED\xA0\x80",           std::nullopt },
    { "LastSurrogate",            "\xED\xBF\xBF",           std::nullopt },
    { "AboveLastCodePoint",       "\xF4\x90\x80\x80",       std::nullopt },
    { "LeadF5",                   "\xF5\x80\x80\x80",       std::nullopt },
    { "LeadFF",                   "\xFF",                   std::nullopt },
    { "TruncatedTwoByteAtEnd",    "ab\xC5",                 std::nullopt },
    { "TruncatedThreeByteAtEnd",  "\xE2\x82",               std::nullopt },
    { "TruncatedThenAscii",       "\xC5" "a",               std::nullopt },
    { "TruncatedThreeThenAscii",  "\xE2\x82" "a",           std::nullopt },
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, Utf8ToAnsiTest, testing::ValuesIn(kUtf8Cases),
    [](const testing::TestParamInfo<Utf8Case>& param) { return std::string(param.param.name); });

TEST(Utf8ToAnsiShown, WhatTheCodePageLacksShowsAsQuestionMarks)
{
    const struct {
        std::string_view utf8;
        std::string_view shown;
    } cases[] = {
        { "žaba",
            "\x9E"
            "aba" },
        { "a\xC3\xA0"
          "b",
            "a?b" },                     // one character, two bytes, one mark
        { "\xF0\x9F\x98\x80/x", "?/x" }, // four bytes, one mark
        { "a\x80\xC5"
          "b",
            "a??b" }, // each malformed byte on its own
        { "", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(platform::Utf8ToAnsiShown(c.utf8)), Hex(c.shown)) << c.utf8;
}

TEST(AnsiUnicode, AgreesWithGlibcIconv)
{
    Iconv toUtf8("CP1250", "UTF-8");
    Iconv fromUtf8("UTF-8", "CP1250");
    if (!toUtf8.IsOpen() || !fromUtf8.IsOpen())
        GTEST_SKIP() << "glibc has no CP1250 converter here";
    for (unsigned byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const auto ours = platform::AnsiToUtf8(Byte(byte));
        const auto theirs = toUtf8.Convert(Byte(byte));
        ASSERT_EQ(ours.IsError(), !theirs.has_value());
        if (!theirs)
            continue;
        EXPECT_EQ(*ours, *theirs);
        EXPECT_EQ(fromUtf8.Convert(*theirs), Byte(byte));
    }
}

// ---------------------------------------------------------------------------------------------
// Code page 852 and Windows-1250

TEST(OemAnsi, EveryByteFollowsTheCharts)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const auto b = static_cast<unsigned char>(byte);

        const char32_t oemCharacter = ChartEntry(kCp852Chart, byte);
        EXPECT_EQ(platform::OemToAnsiChar(b), ChartByteOf(kWindows1250Chart, oemCharacter));

        const char32_t ansiCharacter = ChartEntry(kWindows1250Chart, byte);
        const std::optional<unsigned char> expectedOem = (ansiCharacter == kNone && byte != 0)
            ? std::nullopt
            : ChartByteOf(kCp852Chart, ansiCharacter);
        EXPECT_EQ(platform::AnsiToOemChar(b), expectedOem);
    }
}

TEST(OemAnsi, AsciiIsUnchangedBothWays)
{
    for (unsigned byte = 0; byte < 0x80; ++byte) {
        const auto b = static_cast<unsigned char>(byte);
        EXPECT_EQ(platform::AnsiToOemChar(b), b);
        EXPECT_EQ(platform::OemToAnsiChar(b), b);
    }
}

TEST(OemAnsi, SingleCharactersRoundTrip)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<unsigned char>(byte);
        if (const auto oem = platform::AnsiToOemChar(b)) {
            EXPECT_EQ(platform::OemToAnsiChar(*oem), b) << byte;
        }
        if (const auto ansi = platform::OemToAnsiChar(b)) {
            EXPECT_EQ(platform::AnsiToOemChar(*ansi), b) << byte;
        }
    }
}

struct LetterCase {
    const char* utf8;
    unsigned char ansi;
    unsigned char oem;
};

// clang-format off
constexpr LetterCase kCroatianLetters[] = {
    { "č", 0xE8, 0x9F }, { "ć", 0xE6, 0x86 }, { "đ", 0xF0, 0xD0 }, { "š", 0x9A, 0xE7 }, { "ž", 0x9E, 0xA7 },
    { "Č", 0xC8, 0xAC }, { "Ć", 0xC6, 0x8F }, { "Đ", 0xD0, 0xD1 }, { "Š", 0x8A, 0xE6 }, { "Ž", 0x8E, 0xA6 },
};
// clang-format on

TEST(OemAnsi, CroatianLetters)
{
    for (const LetterCase& letter : kCroatianLetters) {
        SCOPED_TRACE(letter.utf8);
        EXPECT_EQ(Hex(*platform::Utf8ToAnsi(letter.utf8)), Hex(Byte(letter.ansi)));
        EXPECT_EQ(*platform::AnsiToUtf8(Byte(letter.ansi)), letter.utf8);
        EXPECT_EQ(Hex(*platform::AnsiToOem(Byte(letter.ansi))), Hex(Byte(letter.oem)));
        EXPECT_EQ(Hex(*platform::OemToAnsi(Byte(letter.oem))), Hex(Byte(letter.ansi)));
    }
    const auto ansi = platform::Utf8ToAnsi("žaba");
    ASSERT_FALSE(ansi.IsError());
    EXPECT_EQ(Hex(*ansi), "9E 61 62 61 ");
    const auto oem = platform::AnsiToOem(*ansi);
    ASSERT_FALSE(oem.IsError());
    EXPECT_EQ(Hex(*oem), "A7 61 62 61 ");
}

TEST(OemAnsi, StringsFailWhenAnyCharacterHasNoForm)
{
    // € and the undefined 0x81 have no code page 852 form; box drawing has no Windows-1250 one.
    for (const std::string_view ansi : { "\x9E"
                                         "aba\x80"sv,
             "\x81"sv, "a\x93quoted\x94"sv }) {
        const auto oem = platform::AnsiToOem(ansi);
        ASSERT_TRUE(oem.IsError()) << Hex(ansi);
        EXPECT_EQ(oem.Error(), SystemError::NoUnicodeTranslation);
    }
    for (const std::string_view oem : { "\xA7"
                                        "aba\xC4"sv,
             "\xB0"sv, "\xFE"sv }) {
        const auto ansi = platform::OemToAnsi(oem);
        ASSERT_TRUE(ansi.IsError()) << Hex(oem);
        EXPECT_EQ(ansi.Error(), SystemError::NoUnicodeTranslation);
    }
}

TEST(OemAnsi, BuffersConvertInPlace)
{
    std::string record = "\x9E"
                         "aba \xC8\xE6\xF0";
    ASSERT_EQ(platform::AnsiToOemBuffer(record.data(), record.size()), SystemError::None);
    EXPECT_EQ(Hex(record), "A7 61 62 61 20 AC 86 D0 ");
    ASSERT_EQ(platform::OemToAnsiBuffer(record.data(), record.size()), SystemError::None);
    EXPECT_EQ(Hex(record), "9E 61 62 61 20 C8 E6 F0 ");
    EXPECT_EQ(platform::AnsiToOemBuffer(nullptr, 0), SystemError::None);
}

TEST(OemAnsi, BufferFailureLeavesTheRecordUntouched)
{
    // The offending character is last, so converting as it goes would already have changed
    // everything before it.
    const std::string ansi = "\x9E"
                             "aba \xC8\x80";
    std::string record = ansi;
    EXPECT_EQ(
        platform::AnsiToOemBuffer(record.data(), record.size()), SystemError::NoUnicodeTranslation);
    EXPECT_EQ(record, ansi);

    const std::string oem = "\xA7"
                            "aba \xAC\xDB";
    record = oem;
    EXPECT_EQ(
        platform::OemToAnsiBuffer(record.data(), record.size()), SystemError::NoUnicodeTranslation);
    EXPECT_EQ(record, oem);
}

TEST(OemAnsi, BufferConvertsOnlyTheGivenBytes)
{
    std::string record = "\x9E\x9E\x80";
    ASSERT_EQ(platform::AnsiToOemBuffer(record.data(), 2), SystemError::None);
    EXPECT_EQ(Hex(record), "A7 A7 80 ");
}

TEST(OemAnsi, AgreesWithGlibcIconv)
{
    Iconv oemToUtf8("CP852", "UTF-8");
    Iconv oemToAnsi("CP852", "CP1250");
    Iconv ansiToOem("CP1250", "CP852");
    if (!oemToUtf8.IsOpen() || !oemToAnsi.IsOpen() || !ansiToOem.IsOpen())
        GTEST_SKIP() << "glibc has no CP852 or CP1250 converter here";
    for (unsigned byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const auto b = static_cast<unsigned char>(byte);

        const auto utf8 = oemToUtf8.Convert(Byte(byte));
        ASSERT_TRUE(utf8.has_value());
        EXPECT_EQ(*utf8, EncodeUtf8(ChartEntry(kCp852Chart, byte)));

        const auto ansi = oemToAnsi.Convert(Byte(byte));
        const auto ours = platform::OemToAnsiChar(b);
        ASSERT_EQ(ours.has_value(), ansi.has_value());
        if (ansi) {
            EXPECT_EQ(Byte(*ours), *ansi);
        }

        const auto oem = ansiToOem.Convert(Byte(byte));
        const auto oursBack = platform::AnsiToOemChar(b);
        ASSERT_EQ(oursBack.has_value(), oem.has_value());
        if (oem) {
            EXPECT_EQ(Byte(*oursBack), *oem);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Character queries

struct CasePair {
    unsigned char upper;
    unsigned char lower;
};

/// Every case pair of Windows-1250, from the chart: A-Z, the letters scattered over 0x8A to
/// 0xBF, and the two Latin-1-like blocks 0xC0-0xDE / 0xE0-0xFE less × (0xD7) and ß (0xDF).
std::vector<CasePair> ExpectedCasePairs()
{
    std::vector<CasePair> pairs;
    for (unsigned c = 'A'; c <= 'Z'; ++c)
        pairs.push_back({ static_cast<unsigned char>(c), static_cast<unsigned char>(c + 0x20) });
    // Š Ś Ť Ž Ź, Ł Ą Ş Ż Ľ
    const CasePair scattered[]
        = { { 0x8A, 0x9A }, { 0x8C, 0x9C }, { 0x8D, 0x9D }, { 0x8E, 0x9E }, { 0x8F, 0x9F },
              { 0xA3, 0xB3 }, { 0xA5, 0xB9 }, { 0xAA, 0xBA }, { 0xAF, 0xBF }, { 0xBC, 0xBE } };
    pairs.insert(pairs.end(), std::begin(scattered), std::end(scattered));
    for (unsigned c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7)
            pairs.push_back(
                { static_cast<unsigned char>(c), static_cast<unsigned char>(c + 0x20) });
    }
    return pairs;
}

TEST(CharacterQueries, CasePairsMatchTheChart)
{
    const std::vector<CasePair> pairs = ExpectedCasePairs();
    ASSERT_EQ(pairs.size(), 26u + 40u);
    std::array<bool, 256> isUpper {};
    std::array<bool, 256> isLower {};
    for (const CasePair& pair : pairs) {
        SCOPED_TRACE(testing::Message()
            << std::hex << unsigned { pair.upper } << "/" << unsigned { pair.lower });
        isUpper[pair.upper] = true;
        isLower[pair.lower] = true;
        EXPECT_EQ(platform::LowerCaseOf(pair.upper), pair.lower);
        EXPECT_EQ(platform::UpperCaseOf(pair.lower), pair.upper);
        EXPECT_EQ(platform::LowerCaseOf(pair.lower), pair.lower);
        EXPECT_EQ(platform::UpperCaseOf(pair.upper), pair.upper);
    }
    isLower[0xDF] = true; // ß
    isLower[0xB5] = true; // µ
    for (unsigned byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << byte);
        const auto b = static_cast<unsigned char>(byte);
        EXPECT_EQ(platform::IsUpper(b), isUpper[byte]);
        EXPECT_EQ(platform::IsLower(b), isLower[byte]);
        EXPECT_EQ(platform::IsAlphabetic(b), isUpper[byte] || isLower[byte]);
        if (!isUpper[byte] && !isLower[byte]) {
            EXPECT_EQ(platform::LowerCaseOf(b), b);
            EXPECT_EQ(platform::UpperCaseOf(b), b);
        }
    }
}

TEST(CharacterQueries, LowerCaseLettersWithoutPartner)
{
    const unsigned char letters[] = { 0xDF, 0xB5 }; // ß, µ
    for (const unsigned char letter : letters) {
        EXPECT_TRUE(platform::IsAlphabetic(letter));
        EXPECT_TRUE(platform::IsLower(letter));
        EXPECT_EQ(platform::UpperCaseOf(letter), letter);
    }
}

TEST(CharacterQueries, SignsAndDiacriticsAreNotLetters)
{
    // ˇ ˘ ˛ ˝ ˙ ´ ¨ ¸ × ÷, no-break space, soft hyphen, an undefined byte, a digit.
    const unsigned char signs[]
        = { 0xA1, 0xA2, 0xB2, 0xBD, 0xFF, 0xB4, 0xA8, 0xB8, 0xD7, 0xF7, 0xA0, 0xAD, 0x81, 0x35 };
    for (const unsigned char c : signs)
        EXPECT_FALSE(platform::IsAlphabetic(c)) << unsigned { c };
}

class SingleCharacterOrderTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_order = platform::SingleCharacterOrder();
        m_position.fill(-1);
        for (std::size_t i = 0; i < m_order.size(); ++i)
            m_position[m_order[i]] = static_cast<int>(i);
    }

    /// Whether each character of the UTF-8 text comes later in the order than the one before.
    ::testing::AssertionResult Ascending(const char* utf8) const
    {
        const auto ansi = platform::Utf8ToAnsi(utf8);
        if (ansi.IsError())
            return ::testing::AssertionFailure() << utf8 << " is not Windows-1250";
        for (std::size_t i = 1; i < ansi->size(); ++i) {
            const auto before = static_cast<unsigned char>((*ansi)[i - 1]);
            const auto after = static_cast<unsigned char>((*ansi)[i]);
            if (m_position[before] >= m_position[after])
                return ::testing::AssertionFailure() << "in \"" << utf8 << "\" character " << i
                                                     << " does not follow the one before it";
        }
        return ::testing::AssertionSuccess();
    }

    std::array<unsigned char, 254> m_order {};
    std::array<int, 256> m_position {};
};

TEST_F(SingleCharacterOrderTest, HoldsEachOfOneTo254Once)
{
    EXPECT_EQ(m_position[0], -1);
    EXPECT_EQ(m_position[255], -1);
    for (unsigned c = 1; c <= 254; ++c)
        EXPECT_NE(m_position[c], -1) << c;
}

TEST_F(SingleCharacterOrderTest, Facts)
{
    EXPECT_TRUE(Ascending("aAáÁ")) << "lower case first, then the diacritic";
    EXPECT_TRUE(Ascending("cCčČćĆdDďĎđĐe")) << "Croatian: c č ć d đ";
    EXPECT_TRUE(Ascending("sSšŠśŚşŞßt")) << "š after s, ß after every s";
    EXPECT_TRUE(Ascending("zZžŽźŹżŻ")) << "ž after z; Polish ź before ż";
    EXPECT_TRUE(Ascending("oOóÓôÔöÖőŐp")) << "Hungarian o ó ö ő";
    EXPECT_TRUE(Ascending("aăâäą")) << "Romanian ă before â";
    EXPECT_TRUE(Ascending("lľĺłm"));
    EXPECT_TRUE(Ascending("zŻµ")) << "the Greek micro sign after every Latin letter";
    EXPECT_TRUE(Ascending(" !~€0189aA")) << "symbols, then digits, then letters";
}

TEST_F(SingleCharacterOrderTest, ControlsComeFirstThenSymbols)
{
    // Controls and the undefined bytes by code, then the first symbol: the blank.
    const unsigned char controls[] = { 0x01, 0x02, 0x1F, 0x7F, 0x81, 0x83, 0x88, 0x90, 0x98 };
    EXPECT_EQ(m_order[0], 0x01);
    for (std::size_t i = 1; i < std::size(controls); ++i)
        EXPECT_LT(m_position[controls[i - 1]], m_position[controls[i]]) << i;
    EXPECT_EQ(m_position[0x20], 37); // 0x01-0x1F, 0x7F and the five undefined bytes precede it
    EXPECT_EQ(m_order.back(), 0xB5); // µ
}

TEST_F(SingleCharacterOrderTest, EachLowerCaseLetterDirectlyPrecedesItsUpperCase)
{
    for (const CasePair& pair : ExpectedCasePairs())
        EXPECT_EQ(m_position[pair.upper], m_position[pair.lower] + 1) << unsigned { pair.upper };
}

TEST_F(SingleCharacterOrderTest, IsTheSameOnEveryCall)
{
    EXPECT_EQ(platform::SingleCharacterOrder(), m_order);
}

} // namespace
