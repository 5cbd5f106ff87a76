#include <platform/CharacterSet.h>
#include <platform/Text.h>
#include <value/Collation.h>
#include <value/ErrorCode.h>
#include <value/IntlSettings.h>
#include <value/LocaleFile.h>
#include <value/LocaleTexts.h>
#include <value/MessageOverrides.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace value;
using namespace std::string_literals;

namespace {

using OverrideList = std::vector<std::pair<std::int32_t, std::string>>;

/// The overrides in list order, newest first.
OverrideList Overrides()
{
    OverrideList list;
    for (const std::int32_t number : MessageOverrideNumbers())
        list.emplace_back(number, std::string(FindMessageOverride(number).value()));
    return list;
}

std::vector<std::string> Months()
{
    std::vector<std::string> names;
    for (int month = 1; month <= kMonthCount; ++month)
        names.emplace_back(MonthName(month));
    return names;
}

std::vector<std::string> Abbreviations()
{
    std::vector<std::string> names;
    for (int month = 1; month <= kMonthCount; ++month)
        names.emplace_back(MonthAbbreviation(month));
    return names;
}

const std::vector<std::string> kDefaultMonths = { "January", "February", "March", "April", "May",
    "June", "July", "August", "September", "October", "November", "December" };
const std::vector<std::string> kDefaultAbbreviations
    = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };

/// The defaults with the first names replaced.
std::vector<std::string> MonthsWith(std::vector<std::string> first)
{
    std::vector<std::string> names = kDefaultMonths;
    for (std::size_t i = 0; i < first.size(); ++i)
        names[i] = first[i];
    return names;
}

std::string Repeat(char c, std::size_t count)
{
    return std::string(count, c);
}

using testsupport::ScopedEnvironment;

void ResetLocale()
{
    ResetCharacterTables();
    ClearMessageOverrides();
    ResetLocaleTexts();
    SetIntlSettingsForTesting({});
    PostErrorCode(0);
}

/// Every test starts from the start-up defaults in a directory of its own, and must leave the
/// character tables sound whatever the file said.
class LocaleFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetLocale();
        std::string pattern
            = (std::filesystem::temp_directory_path() / "varn-locale-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
    }
    void TearDown() override
    {
        EXPECT_TRUE(Tables().CheckInvariants());
        ResetLocale();
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    /// Writes `bytes` exactly as given to a file of the test's directory.
    std::string WriteFile(std::string_view bytes, const char* name = "program.ENV") const
    {
        const std::filesystem::path path = m_directory / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_TRUE(out.good());
        return path.string();
    }

    std::filesystem::path m_directory;
};

// --- lines and names ---------------------------------------------------------------------

struct FileCase {
    const char* what;
    std::string file;
    OverrideList expected; ///< newest first
};

void PrintTo(const FileCase& c, std::ostream* out)
{
    *out << c.what;
}

class LocaleFileFormatTest
    : public LocaleFileTest
    , public ::testing::WithParamInterface<FileCase> { };

TEST_P(LocaleFileFormatTest, ReadsSettingLines)
{
    ParseLocaleText(GetParam().file);
    EXPECT_EQ(Overrides(), GetParam().expected);
}

const std::string k31Characters = Repeat('X', 31);

INSTANTIATE_TEST_SUITE_P(Lines, LocaleFileFormatTest,
    ::testing::Values(
        // Line ends: CR, LF and CR LF each end a line; a last line needs none.
        FileCase { "LF", "ORVMSG1=one\nORVMSG2=two\n", { { 2, "two" }, { 1, "one" } } },
        FileCase { "CR", "ORVMSG1=one\rORVMSG2=two\r", { { 2, "two" }, { 1, "one" } } },
        FileCase { "CRLF", "ORVMSG1=one\r\nORVMSG2=two\r\n", { { 2, "two" }, { 1, "one" } } },
        FileCase {
            "no final line end", "ORVMSG1=one\nORVMSG2=two", { { 2, "two" }, { 1, "one" } } },
        FileCase { "empty lines", "\n\r\n\rORVMSG1=one\n\n", { { 1, "one" } } },
        // Ctrl-Z ends the file, also in the middle of a line; the line it ends counts.
        FileCase { "Ctrl-Z in a value", "ORVMSG1=one\x1AORVMSG2=two\n", { { 1, "one" } } },
        FileCase { "Ctrl-Z at a line start", "ORVMSG1=one\n\x1AORVMSG2=two", { { 1, "one" } } },
        FileCase { "Ctrl-Z in a name", "ORVMSG1=one\nORVMSG2\x1A=two", { { 1, "one" } } },
        // Names.
        FileCase { "blanks in the name", "  ORV MSG 1  =one", { { 1, "one" } } },
        FileCase { "control character discards the name", "ORV\x01MSG1=one\nXY\x01ORVMSG2=two",
            { { 2, "two" } } },
        FileCase { "a tab is a control character", "ORVMSG1\t=one", {} },
        FileCase {
            "name of 31 characters", "ORVMSG0000000000000000000000001=one", { { 1, "one" } } },
        FileCase {
            "32nd character discards the name and itself", k31Characters + "ORVMSG1=one", {} },
        FileCase {
            "new name after the discarded one", k31Characters + "!ORVMSG2=two", { { 2, "two" } } },
        FileCase { "line without equals sign", "ORVMSG1 one\nORVMSG2=two", { { 2, "two" } } },
        FileCase { "empty name", "=one\n  =two", {} },
        FileCase { "second equals sign is text", "ORVMSG1=a=b", { { 1, "a=b" } } },
        FileCase { "unknown names are ignored", "ORVNOTHING=1\nORVMSG1=one", { { 1, "one" } } },
        // ORVMSG: capitals and a number that fits.
        FileCase { "lower-case prefix", "orvmsg1=one\nOrvMsg2=two", {} },
        FileCase { "no number", "ORVMSG=one", {} },
        FileCase { "not only digits", "ORVMSG1x=one\nORVMSG-2=two", {} },
        FileCase { "largest number", "ORVMSG2147483647=big", { { 2147483647, "big" } } },
        FileCase { "number too large", "ORVMSG2147483648=big", {} },
        FileCase { "same number replaces", "ORVMSG1=one\nORVMSG2=two\nORVMSG1=uno",
            { { 2, "two" }, { 1, "uno" } } },
        FileCase { "empty text is ignored", "ORVMSG1=\nORVMSG2=  \t ", {} },
        FileCase { "commas belong to the text", "ORVMSG1=a, b,c", { { 1, "a, b,c" } } },
        FileCase { "quoted text", "ORVMSG1=\" lead, \"\"q\"\"\" rest", { { 1, " lead, \"q\"" } } },
        // Values: blanks around them, length limit.
        FileCase { "blanks and tabs around the value", "ORVMSG1= \t one two \t\t \r\n",
            { { 1, "one two" } } },
        FileCase { "value cut at 1024", "ORVMSG1=" + Repeat('a', 1024) + "bcd",
            { { 1, Repeat('a', 1024) } } },
        FileCase { "cut before trimming", "ORVMSG1=" + Repeat('a', 1023) + "  b",
            { { 1, Repeat('a', 1023) } } },
        // Escapes.
        FileCase { "<65> is A", "ORVMSG1=x<65>y", { { 1, "xAy" } } },
        FileCase { "ending character consumed", "ORVMSG1=<65x>y", { { 1, "A>y" } } },
        FileCase { "digits at the end of the value", "ORVMSG1=x<65", { { 1, "xA" } } },
        FileCase { "leading zeros", "ORVMSG1=<00065>", { { 1, "A" } } },
        FileCase { "<255> is the byte 0xFF", "ORVMSG1=<255>", { { 1, "\xFF" } } },
        FileCase { "<256> is no byte", "ORVMSG1=<256>", { { 1, "<256>" } } },
        FileCase { "<999> is no byte", "ORVMSG1=a<999>b", { { 1, "a<999>b" } } },
        FileCase { "very many digits", "ORVMSG1=<99999999999999999999999>",
            { { 1, "<99999999999999999999999>" } } },
        FileCase { "<< is <", "ORVMSG1=a<<65>", { { 1, "a<65>" } } },
        FileCase { "< and another character", "ORVMSG1=<a> <", { { 1, "<a> <" } } },
        FileCase { "escaped blank survives trimming", "ORVMSG1=a<32>  ", { { 1, "a " } } },
        FileCase { "escaped NUL ends the value", "ORVMSG1=ab<0>cd", { { 1, "ab" } } },
        FileCase { "written NUL ends the value", "ORVMSG1=ab\0cd\nORVMSG2=two"s,
            { { 2, "two" }, { 1, "ab" } } },
        FileCase { "NUL at the value's start", "ORVMSG1=<0>abc", {} }),
    [](const ::testing::TestParamInfo<FileCase>& param) {
        std::string name;
        for (const char c : std::string_view(param.param.what))
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    });

// --- value syntax, month names -----------------------------------------------------------

struct ValueCase {
    const char* what;
    std::string value;
    std::vector<std::string> months;
};

void PrintTo(const ValueCase& c, std::ostream* out)
{
    *out << c.what;
}

class LocaleValueSyntaxTest
    : public LocaleFileTest
    , public ::testing::WithParamInterface<ValueCase> { };

TEST_P(LocaleValueSyntaxTest, SplitsMonthNames)
{
    ApplyLocaleSetting("ORVMONTH", GetParam().value);
    EXPECT_EQ(Months(), GetParam().months);
}

INSTANTIATE_TEST_SUITE_P(Items, LocaleValueSyntaxTest,
    ::testing::Values(ValueCase { "two items", "Leden,Unor", MonthsWith({ "Leden", "Unor" }) },
        ValueCase { "twelve items", "1,2,3,4,5,6,7,8,9,10,11,12",
            { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12" } },
        ValueCase { "thirteenth item ignored", "1,2,3,4,5,6,7,8,9,10,11,12,13",
            { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12" } },
        ValueCase { "empty item stops", "A,,C", MonthsWith({ "A" }) },
        ValueCase { "empty value", "", kDefaultMonths },
        ValueCase { "cut to 12", "Septemberxxxxx", MonthsWith({ "Septemberxxx" }) },
        ValueCase { "unquoted items keep their blanks", "Jan, Feb", MonthsWith({ "Jan", " Feb" }) },
        ValueCase { "quote in an unquoted item", "a\"b,c", MonthsWith({ "a\"b", "c" }) },
        ValueCase {
            "leading blanks before a quoted list", " \t\"x y\",z", MonthsWith({ "x y", "z" }) },
        ValueCase { "quoted items with commas, blanks, doubled quotes",
            "\"Sept, ember\" \"Quo\"\"te\",x", MonthsWith({ "Sept, ember", "Quo\"te", "x" }) },
        ValueCase { "blanks around a comma are one separator", "\"a\" , \"b\"  c",
            MonthsWith({ "a", "b", "c" }) },
        ValueCase { "two commas enclose an empty item", "\"a\",,\"c\"", MonthsWith({ "a" }) },
        ValueCase { "empty quoted item stops", "\"a\" \"\" \"c\"", MonthsWith({ "a" }) },
        ValueCase { "quoted and plain parts join", "\"a b\"c d", MonthsWith({ "a bc", "d" }) },
        ValueCase { "unterminated quote", "\"ab, c", MonthsWith({ "ab, c" }) },
        ValueCase { "quoted list read to 400 characters", "\"a\"" + Repeat(' ', 396) + "b",
            MonthsWith({ "a", "b" }) },
        ValueCase { "quoted list cut after 400 characters", "\"a\"" + Repeat(' ', 397) + "b",
            MonthsWith({ "a" }) }),
    [](const ::testing::TestParamInfo<ValueCase>& param) {
        std::string name;
        for (const char c : std::string_view(param.param.what))
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    });

TEST_F(LocaleFileTest, AbbreviationsFromTheFirstMissingItemOnKeepTheirNames)
{
    ParseLocaleText("ORVMON=led,uno,bre,dub,kve,cvn,cvc,srp,zar,rijen\n");
    EXPECT_EQ(Abbreviations(),
        (std::vector<std::string> {
            "led", "uno", "bre", "dub", "kve", "cvn", "cvc", "srp", "zar", "rij", "Nov", "Dec" }));
    EXPECT_EQ(Months(), kDefaultMonths);
}

TEST_F(LocaleFileTest, OemCharacterSetConvertsTheFollowingValues)
{
    // OEM 0xE6 is Š (ANSI 0x8A), 0x9F is č (ANSI 0xE8); 0xB0, a shading block, has no ANSI
    // form and stays as it is.
    ParseLocaleText("ORVMON=\xE6x\n"
                    "ORVCHARSET = oem\n"
                    "ORVMONTH=\xE6\x9Fx,\xB0\n"
                    "ORVMSG7=\xE6\n"
                    "ORVCHARSET=ANSI\n"
                    "ORVMSG8=\xE6\n");
    EXPECT_EQ(MonthAbbreviation(1), "\xE6x") << "values before ORVCHARSET are ANSI";
    EXPECT_EQ(MonthName(1), "\x8A\xE8x");
    EXPECT_EQ(MonthName(2), "\xB0");
    EXPECT_EQ(FindMessageOverride(7), "\x8A");
    EXPECT_EQ(FindMessageOverride(8), "\xE6");

    // Each file starts in ANSI.
    ParseLocaleText("ORVCHARSET=OEM\n");
    ParseLocaleText("ORVMSG9=\xE6\n");
    EXPECT_EQ(FindMessageOverride(9), "\xE6");
}

// --- AM/PM, long file names --------------------------------------------------------------

TEST_F(LocaleFileTest, TimeMarks)
{
    struct Case {
        const char* what;
        const char* value;
        const char* profile; ///< win.ini contents, or null for none
        const char* morning;
        const char* afternoon;
    };
    const Case cases[] = {
        { "two items cut to 2", "a.m.,p.m.", nullptr, "a.", "p." },
        { "one item", "vm", nullptr, "vm", "PM" },
        { "empty first item", ",nm", nullptr, "AM", "nm" },
        { "empty value", "", nullptr, "AM", "PM" },
        { "WINDOWS copies the profile", "WINDOWS", "[intl]\ns1159=dop.\ns2359=odp.\n", "do", "od" },
        { "WINDOWS without the keys keeps them", "WINDOWS", "[intl]\nsDate=.\n", "AM", "PM" },
        { "WINDOWS with empty keys", "WINDOWS", "[intl]\ns1159=\ns2359=\n", "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetLocaleTexts();
        const std::string profile = WriteFile(c.profile ? c.profile : "", "win.ini");
        ScopedEnvironment environment("VARN_WIN_INI", profile.c_str());
        // Start-up reads the Windows settings before the environment file; no locale, so a
        // key the profile lacks takes the built-in default.
        ScopedEnvironment locale("LC_ALL", "C");
        LoadIntlSettings();
        ApplyLocaleSetting("ORVAMPM", c.value);
        EXPECT_EQ(MorningMark(), c.morning);
        EXPECT_EQ(AfternoonMark(), c.afternoon);
    }
}

// WINDOWS takes the marks start-up read, so a profile without them gives the locale's, and a
// profile that has them wins over the locale.
TEST_F(LocaleFileTest, WindowsTimeMarksFollowTheLocale)
{
    struct Case {
        const char* what;
        const char* profile;
        const char* morning;
        const char* afternoon;
    };
    const Case cases[] = {
        { "no keys: the locale's marks, cut to 2", "[intl]\nsTime=.\n", "de", "du" },
        { "the profile wins", "[intl]\ns1159=dop.\ns2359=odp.\n", "do", "od" },
        { "one key each way", "[intl]\ns2359=od\n", "de", "od" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetLocaleTexts();
        const std::string profile = WriteFile(c.profile, "win.ini");
        ScopedEnvironment environment("VARN_WIN_INI", profile.c_str());
        ScopedEnvironment locale("LC_ALL", "hu_HU.UTF-8");
        LoadIntlSettings();
        ApplyLocaleSetting("ORVAMPM", "vm,nm"); // replaced by what follows
        ApplyLocaleSetting("ORVAMPM", "WINDOWS");
        EXPECT_EQ(MorningMark(), c.morning);
        EXPECT_EQ(AfternoonMark(), c.afternoon);
    }
}

TEST_F(LocaleFileTest, LongFileNames)
{
    const std::pair<const char*, bool> cases[] = {
        { "on", true },
        { "ON", true },
        { " oN  ", true },
        { "\"on\"", true },
        { "off", false },
        { "onx", false },
        { "1", false },
        { "", false },
    };
    for (const auto& [text, expected] : cases) {
        SetShowLongFileNames(!expected);
        ParseLocaleText("orvlfn=" + std::string(text));
        EXPECT_EQ(ShowLongFileNames(), expected) << "ORVLFN=" << text;
    }
}

// --- collating sequence ------------------------------------------------------------------

using WeightChanges = std::map<unsigned char, unsigned char>;

struct CollatingCase {
    const char* what;
    std::string file;
    WeightChanges ansi; ///< characters whose weight is not their code
    WeightChanges oem;
};

void PrintTo(const CollatingCase& c, std::ostream* out)
{
    *out << c.what;
}

class LocaleCollatingTest
    : public LocaleFileTest
    , public ::testing::WithParamInterface<CollatingCase> { };

WeightChanges Changes(const std::array<unsigned char, 256>& weights)
{
    WeightChanges changes;
    for (std::size_t c = 0; c < weights.size(); ++c) {
        if (weights[c] != c)
            changes[static_cast<unsigned char>(c)] = weights[c];
    }
    return changes;
}

TEST_P(LocaleCollatingTest, SetsBothWeightTables)
{
    ParseLocaleText(GetParam().file);
    EXPECT_EQ(Changes(Tables().weights), GetParam().ansi);
    EXPECT_EQ(Changes(Tables().oemWeights), GetParam().oem);
}

const WeightChanges kSwapAB = { { 'a', 'b' }, { 'b', 'a' } };

INSTANTIATE_TEST_SUITE_P(Sequences, LocaleCollatingTest,
    ::testing::Values(CollatingCase { "two letters swap", "ORVCOLSEQ=ba", kSwapAB, kSwapAB },
        CollatingCase {
            "blanks inside and around the name", "  ORV COL SEQ  = ba", kSwapAB, kSwapAB },
        CollatingCase { "name in any case", "OrvColSeq=ba", kSwapAB, kSwapAB },
        CollatingCase { "duplicates count once", "ORVCOLSEQ=babba", kSwapAB, kSwapAB },
        CollatingCase { "three letters share their codes", "ORVCOLSEQ=cba",
            { { 'a', 'c' }, { 'c', 'a' } }, { { 'a', 'c' }, { 'c', 'a' } } },
        CollatingCase { "commas are characters", "ORVCOLSEQ=b,a",
            { { ',', 'a' }, { 'a', 'b' }, { 'b', ',' } },
            { { ',', 'a' }, { 'a', 'b' }, { 'b', ',' } } },
        CollatingCase { "escaped NUL ends the sequence", "ORVCOLSEQ=ba<0>dc", kSwapAB, kSwapAB },
        CollatingCase { "line without equals sign sets nothing", "ORVCOLSEQ=ba\nORVCOLSEQ\n",
            kSwapAB, kSwapAB },
        CollatingCase { "empty restores the identity", "ORVCOLSEQ=ba\nORVCOLSEQ=", {}, {} },
        // š is ANSI 0x9A, OEM 0xE7.
        CollatingCase { "ANSI file: converted for the OEM table", "ORVCOLSEQ=\x9A\x61",
            { { 'a', 0x9A }, { 0x9A, 'a' } }, { { 'a', 0xE7 }, { 0xE7, 'a' } } },
        // € (ANSI 0x80) has no OEM form.
        CollatingCase { "ANSI character without OEM form", "ORVCOLSEQ=\x80\x62\x61",
            { { 0x80, 'a' }, { 'a', 0x80 } }, kSwapAB },
        CollatingCase { "OEM file: converted for the ANSI table",
            "ORVCHARSET=OEM\nORVCOLSEQ=\xE7\x61", { { 'a', 0x9A }, { 0x9A, 'a' } },
            { { 'a', 0xE7 }, { 0xE7, 'a' } } },
        // OEM 0xB0 has no ANSI form.
        CollatingCase { "OEM character without ANSI form", "ORVCHARSET=OEM\nORVCOLSEQ=\xB0\x62\x61",
            kSwapAB, { { 0xB0, 'a' }, { 'a', 0xB0 } } }),
    [](const ::testing::TestParamInfo<CollatingCase>& param) {
        std::string name;
        for (const char c : std::string_view(param.param.what))
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    });

TEST_F(LocaleFileTest, WindowsCollatingSequenceFollowsThePlatformOrder)
{
    ParseLocaleText("ORVCOLSEQ=WINDOWS\n");
    const auto order = platform::SingleCharacterOrder();
    const CharacterTables& tables = Tables();
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        EXPECT_LT(tables.weights[order[i]], tables.weights[order[i + 1]])
            << std::hex << int(order[i]) << " before " << int(order[i + 1]);
    }
    EXPECT_EQ(tables.weights[0], 0);
    EXPECT_EQ(tables.weights[255], 255);

    // The OEM table orders the same characters the same way, in their OEM codes.
    std::optional<unsigned char> previous;
    for (const unsigned char ansi : order) {
        const auto oem = platform::AnsiToOemChar(ansi);
        if (!oem)
            continue;
        if (previous) {
            EXPECT_LT(tables.oemWeights[*previous], tables.oemWeights[*oem])
                << std::hex << int(ansi);
        }
        previous = oem;
    }
    EXPECT_LT(CompareStrings("\xE8", "d"), 0) << "č sorts between c and d";
    EXPECT_GT(CompareStrings("\xE8", "c"), 0);
}

// --- case pairs --------------------------------------------------------------------------

/// The pairs of characters 0x80 to 0xFF, upper case first.
std::map<unsigned char, unsigned char> UpperHalfPairs()
{
    std::map<unsigned char, unsigned char> pairs;
    const CharacterTables& tables = Tables();
    for (std::size_t c = 0x80; c < 0x100; ++c) {
        if (tables.classes[c] == kClassUpper)
            pairs[static_cast<unsigned char>(c)] = tables.partners[c];
    }
    return pairs;
}

std::map<unsigned char, unsigned char> PlatformPairs()
{
    std::map<unsigned char, unsigned char> pairs;
    for (unsigned c = 0x80; c < 0x100; ++c) {
        const auto letter = static_cast<unsigned char>(c);
        if (platform::IsAlphabetic(letter) && platform::IsUpper(letter))
            pairs[letter] = platform::LowerCaseOf(letter);
    }
    return pairs;
}

TEST_F(LocaleFileTest, CaseFromThePlatform)
{
    for (const char* value : { "WINDOWS", "\x8A\xC8,\x9A", "\x8A", "\"\"" }) {
        SCOPED_TRACE(value);
        ResetCharacterTables();
        ApplyLocaleSetting("ORVCASE", value);
        const auto pairs = UpperHalfPairs();
        EXPECT_EQ(pairs, PlatformPairs());
        EXPECT_EQ(pairs.at(0x8A), 0x9A) << "Š and š";
        EXPECT_EQ(pairs.at(0xC8), 0xE8) << "Č and č";
        EXPECT_EQ(ToUpperChar(0x9A), 0x8A);
        EXPECT_EQ(ToLowerChar('A'), 'a') << "the lower half keeps its pairs";
        EXPECT_TRUE(Tables().CheckInvariants());
    }
}

TEST_F(LocaleFileTest, CaseFromTwoLists)
{
    struct Case {
        const char* what;
        std::string value;
        std::map<unsigned char, unsigned char> pairs;
    };
    // The first 128 letters of each list pair 0x80 with 0x81 again and again; Č and č come after.
    const std::string longUpper = Repeat('\x80', 128) + "\xC8";
    const std::string longLower = Repeat('\x81', 128) + "\xE8";
    const Case cases[] = {
        { "pairs in order", "\x8A\xC8,\x9A\xE8", { { 0x8A, 0x9A }, { 0xC8, 0xE8 } } },
        { "quoted lists", "\"\x8A\xC8\" \"\x9A\xE8\"", { { 0x8A, 0x9A }, { 0xC8, 0xE8 } } },
        { "ASCII letters are not paired", "A\xC8,b\xE8", { { 0xC8, 0xE8 } } },
        { "a letter paired again leaves its old partner", "\xC8\xC8,\xE8\xE9", { { 0xC8, 0xE9 } } },
        { "upper and lower the same character", "\xC8,\xC8", {} },
        { "two empty lists clear the upper half", ",", {} },
        { "at most 128 letters", longUpper + "," + longLower, { { 0x80, 0x81 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetCharacterTables();
        ApplyLocaleSetting("ORVCASE", "WINDOWS"); // the lists replace everything above 0x7F
        ApplyLocaleSetting("ORVCASE", c.value);
        EXPECT_EQ(UpperHalfPairs(), c.pairs);
        EXPECT_EQ(Tables().partners['A'], 'a');
        EXPECT_TRUE(Tables().CheckInvariants());
    }
}

TEST_F(LocaleFileTest, EmptyCaseRestoresTheDefaults)
{
    ParseLocaleText("ORVCASE=WINDOWS\nORVCASE=\n");
    const CharacterTables defaults = CharacterTables::Defaults();
    EXPECT_EQ(Tables().partners, defaults.partners);
    EXPECT_EQ(Tables().classes, defaults.classes);
}

TEST_F(LocaleFileTest, CaseListsInTheOemSet)
{
    // OEM 0xAC is Č, 0x9F is č.
    ParseLocaleText("ORVCHARSET=OEM\nORVCASE=\xAC,\x9F\n");
    EXPECT_EQ(UpperHalfPairs(), (std::map<unsigned char, unsigned char> { { 0xC8, 0xE8 } }));
}

// --- digraphs ----------------------------------------------------------------------------

struct DigraphCase {
    const char* what;
    std::string file;
    std::vector<std::string> ansi; ///< each entry as its three characters
    std::vector<std::string> oem;
};

void PrintTo(const DigraphCase& c, std::ostream* out)
{
    *out << c.what;
}

std::vector<std::string> Entries(const std::array<Digraph, kMaxDigraphs>& list)
{
    std::vector<std::string> entries;
    for (const Digraph& entry : list) {
        if (entry.character == 0)
            break;
        entries.push_back({ static_cast<char>(entry.character), static_cast<char>(entry.first),
            static_cast<char>(entry.second) });
    }
    return entries;
}

class LocaleDigraphTest
    : public LocaleFileTest
    , public ::testing::WithParamInterface<DigraphCase> { };

TEST_P(LocaleDigraphTest, ReplacesTheList)
{
    ParseLocaleText("ORVDIGRAPH=\xC6\x43H\n" + GetParam().file); // replaced by the case's list
    EXPECT_EQ(Entries(Tables().digraphs), GetParam().ansi);
    EXPECT_EQ(Entries(Tables().oemDigraphs), GetParam().oem);
}

// ß is ANSI 0xDF, OEM 0xE1; € (0x80) has no OEM form.
INSTANTIATE_TEST_SUITE_P(Lists, LocaleDigraphTest,
    ::testing::Values(DigraphCase { "one triple", "ORVDIGRAPH=\xDFss", { "\xDFss" }, { "\xE1ss" } },
        DigraphCase { "triples in one item and in several", "ORVDIGRAPH=\xDFss\xE6\x61\x65,\x9Coe",
            { "\xDFss", "\xE6\x61\x65", "\x9Coe" }, { "\xE1ss", "\x86\x61\x65", "\x98oe" } },
        DigraphCase { "incomplete triple ends its item", "ORVDIGRAPH=\xDFssx,\xE6\x61\x65",
            { "\xDFss", "\xE6\x61\x65" }, { "\xE1ss", "\x86\x61\x65" } },
        DigraphCase { "empty item ends the list", "ORVDIGRAPH=\xDFss,,\xE6\x61\x65", { "\xDFss" },
            { "\xE1ss" } },
        DigraphCase {
            "short item ends nothing else", "ORVDIGRAPH=ab,\xDFss", { "\xDFss" }, { "\xE1ss" } },
        DigraphCase { "at most 16 entries", "ORVDIGRAPH=" + Repeat('x', 3 * 17) + ",\xDFss",
            std::vector<std::string>(16, "xxx"), std::vector<std::string>(16, "xxx") },
        DigraphCase { "entry without OEM form left out of the OEM copy",
            "ORVDIGRAPH=\x80\x45Ua\x80\x62\xDFss", { "\x80\x45U", "a\x80\x62", "\xDFss" },
            { "\xE1ss" } },
        DigraphCase { "empty value clears the list", "ORVDIGRAPH=", {}, {} },
        DigraphCase {
            "OEM file", "ORVCHARSET=OEM\nORVDIGRAPH=\xE1ss", { "\xDFss" }, { "\xE1ss" } }),
    [](const ::testing::TestParamInfo<DigraphCase>& param) {
        std::string name;
        for (const char c : std::string_view(param.param.what))
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    });

TEST_F(LocaleFileTest, DigraphSortsBesideItsExpansion)
{
    ParseLocaleText("ORVDIGRAPH=\xDFss\n");
    EXPECT_GT(CompareStrings("\xDF", "sr"), 0);
    EXPECT_LT(CompareStrings("\xDF", "st"), 0);
    EXPECT_NE(CompareStrings("\xDF", "ss"), 0);
}

// --- button captions and message overrides ----------------------------------------------

TEST_F(LocaleFileTest, ButtonCaptions)
{
    ParseLocaleText("ORVBUTTON=OK,,Abbrechen,Wieder holen\n");
    EXPECT_EQ(Overrides(),
        (OverrideList { { kButtonCaptionBase + 3, "Wieder holen" },
            { kButtonCaptionBase + 2, "Abbrechen" }, { kButtonCaptionBase, "OK" } }));

    // A later setting replaces in place; captions past the eighth are not expected.
    ClearMessageOverrides();
    ParseLocaleText("ORVMSG32513=x\nORVBUTTON=0,1,2,3,4,5,6,7,8,9\n");
    const auto numbers = MessageOverrideNumbers();
    EXPECT_EQ(numbers.size(), 8u);
    EXPECT_EQ(numbers.back(), kButtonCaptionBase + 1) << "the oldest record keeps its place";
    EXPECT_EQ(FindMessageOverride(kButtonCaptionBase + 1), "1");
    EXPECT_EQ(FindMessageOverride(kButtonCaptionBase + 7), "7");
    EXPECT_FALSE(FindMessageOverride(kButtonCaptionBase + 8));
}

TEST_F(LocaleFileTest, MessageOverridesNewestFirstReplacingInPlace)
{
    EXPECT_FALSE(FindMessageOverride(5));
    SetMessageOverride(5, "five");
    SetMessageOverride(-1, "minus");
    SetMessageOverride(7, "seven");
    SetMessageOverride(5, "FIVE");
    SetMessageOverride(0, "");
    EXPECT_EQ(
        Overrides(), (OverrideList { { 0, "" }, { 7, "seven" }, { -1, "minus" }, { 5, "FIVE" } }));
    EXPECT_FALSE(FindMessageOverride(6));
    ClearMessageOverrides();
    EXPECT_FALSE(FindMessageOverride(5));
    EXPECT_TRUE(MessageOverrideNumbers().empty());
}

TEST_F(LocaleFileTest, LocaleTextSettersCutToTheirLimits)
{
    SetMonthName(12, "Prosinec-long-name");
    SetMonthAbbreviation(1, "Leden");
    SetMorningMark("dop.");
    SetAfternoonMark("");
    EXPECT_EQ(MonthName(12), "Prosinec-lon");
    EXPECT_EQ(MonthAbbreviation(1), "Led");
    EXPECT_EQ(MorningMark(), "do");
    EXPECT_EQ(AfternoonMark(), "");
    ResetLocaleTexts();
    EXPECT_EQ(Months(), kDefaultMonths);
    EXPECT_EQ(Abbreviations(), kDefaultAbbreviations);
    EXPECT_EQ(MorningMark(), "AM");
    EXPECT_EQ(AfternoonMark(), "PM");
}

// --- files -------------------------------------------------------------------------------

TEST_F(LocaleFileTest, MissingOrUnreadableFilePostsTwoAndChangesNothing)
{
    using platform::SystemError;
    const std::string fifo = (m_directory / "fifo.ENV").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        SystemError answer; // tells a missing file from one that is there but unreadable
    };
    const Case cases[] = {
        { (m_directory / "missing.ENV").string(), SystemError::FileNotFound },
        { (m_directory / "no" / "missing.ENV").string(), SystemError::PathNotFound },
        { m_directory.string(), SystemError::AccessDenied }, // a directory
        { fifo, SystemError::AccessDenied },                 // never waited on for a writer
        { std::string(), SystemError::FileNotFound },        // no name: no file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PostErrorCode(0);
        EXPECT_EQ(LoadLocaleFile(c.path), c.answer);
        EXPECT_EQ(ErrorCode(), 2);
        EXPECT_EQ(Abbreviations(), kDefaultAbbreviations);
        EXPECT_TRUE(MessageOverrideNumbers().empty());
        EXPECT_EQ(Changes(Tables().weights), WeightChanges {});
    }
}

TEST_F(LocaleFileTest, LoadsAFileAcrossReadBlocks)
{
    // A comment line fills most of the first 2048-byte block so that the settings straddle
    // the block boundary; the Ctrl-Z sits in the second block.
    const std::string file = "; " + Repeat('-', 2040) + "\r\nORVMSG1=across\r\nORVMON=ab<65>\x1A"
        + "ORVMSG2=after\r\n";
    PostErrorCode(77);
    EXPECT_EQ(LoadLocaleFile(WriteFile(file)), platform::SystemError::None);
    EXPECT_EQ(ErrorCode(), 77) << "success leaves the error code alone";
    EXPECT_EQ(Overrides(), (OverrideList { { 1, "across" } }));
    EXPECT_EQ(MonthAbbreviation(1), "abA");
}

TEST_F(LocaleFileTest, LoadsTheProgramsEnvironmentFile)
{
    const std::filesystem::path own = std::filesystem::read_symlink("/proc/self/exe");
    std::filesystem::path environment = own;
    environment.replace_extension(".ENV");
    if (std::filesystem::exists(environment))
        GTEST_SKIP() << environment << " exists already; not touching it";
    {
        std::ofstream out(environment, std::ios::binary);
        out << "ORVMSG42=from the program's file\n";
    }
    LoadLocaleEnvironment();
    std::filesystem::remove(environment);
    EXPECT_EQ(FindMessageOverride(42), "from the program's file");
    EXPECT_EQ(ErrorCode(), 0);

    LoadLocaleEnvironment();
    EXPECT_EQ(ErrorCode(), 2) << "a missing file";
}

} // namespace
