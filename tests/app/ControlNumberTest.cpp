// An expected control number as users type and paste it, and the result file they pick to read
// one from.

#include <app/ControlNumber.h>
#include <platform/File.h>
#include <platform/Text.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using app::ExpectedNumber;
using app::NumberFileProblem;
using app::NumberProblem;
using testsupport::TempDirectory;
using testsupport::WriteText;

/// The number of "abc", as the library gives it.
constexpr char kAbc[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";
constexpr char kAbcGrouped[] = "A9993E3647-06816ABA3E-25717850C2-6C9CD0D89D";
constexpr char kAbcLower[] = "a9993e364706816aba3e25717850c26c9cd0d89d";

std::string Utf8(std::string_view ansi)
{
    const platform::Result<std::string> utf8 = platform::AnsiToUtf8(ansi);
    return utf8 ? *utf8 : std::string("<no Unicode form>");
}

// --- Spellings that read as the number ----------------------------------------------------

struct Spelling {
    const char* what;
    std::string text; // Windows-1250
};

void PrintTo(const Spelling& row, std::ostream* out)
{
    *out << row.what;
}

class LenientSpellingTest : public testing::TestWithParam<Spelling> { };

TEST_P(LenientSpellingTest, ReadsAsTheNumber)
{
    const ExpectedNumber number = app::ReadExpectedNumber(GetParam().text);
    EXPECT_EQ(number.problem, NumberProblem::None)
        << app::ExpectedNumberProblemText(number) << " in [" << Utf8(GetParam().text) << "]";
    EXPECT_EQ(number.digits, kAbc);
    EXPECT_EQ(app::ExpectedNumberProblemText(number), "");
}

const std::string kGroups[] = { "A9993E3647", "06816ABA3E", "25717850C2", "6C9CD0D89D" };

std::string Joined(std::string_view separator)
{
    return kGroups[0] + std::string(separator) + kGroups[1] + std::string(separator) + kGroups[2]
        + std::string(separator) + kGroups[3];
}

INSTANTIATE_TEST_SUITE_P(Rows, LenientSpellingTest,
    testing::Values(
        // As the program shows it, and without its dashes, in either case.
        Spelling { "grouped", kAbcGrouped }, Spelling { "upper case", kAbc },
        Spelling { "lower case", kAbcLower },
        Spelling { "mixed case", "a9993E364706816AbA3e25717850C26c9cD0D89d" },
        Spelling { "lower case grouped", "a9993e3647-06816aba3e-25717850c2-6c9cd0d89d" },
        // Separators anywhere, repeated, around it.
        Spelling { "dashes anywhere", "-A-9993E3647068--16ABA3E25717850C26C9CD0D89D--" },
        Spelling { "groups of four", "A999 3E36 4706 816A BA3E 2571 7850 C26C 9CD0 D89D" },
        Spelling { "groups of ten with blanks", Joined(" ") },
        Spelling { "blanks around", "   " + std::string(kAbc) + "   " },
        Spelling { "padded to a field's width", std::string(kAbc) + std::string(200, ' ') },
        Spelling { "tabs", "\t" + Joined("\t") + "\t" },
        Spelling { "CR LF inside", Joined("\r\n") },
        Spelling { "LF inside", "A9993E364706816ABA3E\n25717850C26C9CD0D89D\n" },
        Spelling { "a line of a file with its break", std::string(kAbc) + "\r\n" },
        Spelling { "no-break spaces", Joined("\xA0") },
        Spelling { "no-break space and dash", Joined("\xA0-\xA0") },
        Spelling { "en dashes, as a web page sets them", Joined("\x96") },
        Spelling { "em dashes", Joined(" \x97 ") },
        // Labels.
        Spelling { "SHA1:", "SHA1: " + std::string(kAbcLower) },
        Spelling { "SHA1: without a blank", "SHA1:" + std::string(kAbc) },
        Spelling { "sha-1 =", "sha-1 = " + std::string(kAbcLower) },
        Spelling { "SHA1 (x.iso) =", "SHA1 (x.iso) = " + std::string(kAbcLower) },
        Spelling { "the last = decides", "SHA1 (a=b.iso) = " + std::string(kAbc) },
        Spelling { "Kontrolni broj:", "Kontrolni broj: " + std::string(kAbcGrouped) },
        Spelling { "a Croatian label",
            "O\xE8"
            "ekivani broj: "
                + std::string(kAbcGrouped) },
        Spelling { "a label on a line of its own", "SHA1:\r\n" + std::string(kAbc) },
        // The bare word, without a label.
        Spelling { "SHA1 bare", "SHA1 " + std::string(kAbc) },
        Spelling { "sha1 bare, lower case", "sha1 " + std::string(kAbcLower) },
        Spelling { "SHA-1 bare", "SHA-1 " + std::string(kAbcGrouped) },
        Spelling { "SHA 1 bare", "SHA 1 " + std::string(kAbc) },
        Spelling { "Sha1 bare, a dash after it", "Sha1-" + std::string(kAbc) },
        Spelling { "SHA1 bare after blanks", "  SHA1\t" + std::string(kAbc) },
        // A line of a checksum tool: the file's name after the number.
        Spelling { "a checksum line", std::string(kAbcLower) + "  abc.txt\n" },
        Spelling { "a checksum line, binary", std::string(kAbcLower) + " *abc.txt" },
        Spelling { "a checksum line of a name with a colon", std::string(kAbc) + "  a:b=c.txt" }));

// --- Texts refused, and why -----------------------------------------------------------

struct Refusal {
    const char* what;
    std::string text; // Windows-1250
    NumberProblem problem;
    std::size_t digitCount;
    std::size_t position;
    std::string character; // Windows-1250
    std::string reason;    // UTF-8
};

void PrintTo(const Refusal& row, std::ostream* out)
{
    *out << row.what;
}

class RefusalTest : public testing::TestWithParam<Refusal> { };

TEST_P(RefusalTest, SaysWhy)
{
    const Refusal& row = GetParam();
    const ExpectedNumber number = app::ReadExpectedNumber(row.text);
    EXPECT_EQ(number.problem, row.problem);
    EXPECT_EQ(number.digitCount, row.digitCount);
    EXPECT_EQ(number.position, row.position);
    EXPECT_EQ(number.character, row.character);
    EXPECT_EQ(number.digits, "") << "no digits are given with a refusal";
    EXPECT_EQ(app::ExpectedNumberProblemText(number), row.reason);
    EXPECT_TRUE(platform::Utf8ToAnsi(row.reason)) << "the program can show it";
}

constexpr auto kEmpty = NumberProblem::Empty;
constexpr auto kNotHex = NumberProblem::NotHex;
constexpr auto kShort = NumberProblem::TooShort;
constexpr auto kLong = NumberProblem::TooLong;

const std::string kEmptyReason = "polje je prazno.";

std::string NotHexReason(std::string_view named, std::size_t position)
{
    return std::string(named) + " na " + std::to_string(position)
        + ". mjestu nije heksadekadska znamenka (0-9, A-F).";
}

std::string WithAt(std::string text, std::size_t position, std::string_view character)
{
    return text.replace(position - 1, 1, character);
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusalTest,
    testing::Values(Refusal { "nothing", "", kEmpty, 0, 0, "", kEmptyReason },
        Refusal { "blanks only", " \t\xA0\r\n  ", kEmpty, 0, 0, "", kEmptyReason },
        // Counts.
        Refusal { "39 digits", std::string(kAbc).substr(1), kShort, 39, 0, "",
            "ima 39 heksadekadskih znamenki, a treba ih 40." },
        Refusal { "41 digits", std::string(kAbc) + "0", kLong, 41, 0, "",
            "ima 41 heksadekadsku znamenku, a treba ih 40." },
        Refusal { "two numbers on two lines", std::string(kAbc) + "\r\n" + kAbc, kLong, 80, 0, "",
            "ima 80 heksadekadskih znamenki, a treba ih 40." },
        Refusal { "a number of another kind (SHA-256)", "SHA256: " + std::string(64, 'e'), kLong,
            64, 0, "", "ima 64 heksadekadske znamenke, a treba ih 40." },
        Refusal { "dashes only", "---", kShort, 0, 0, "",
            "ima 0 heksadekadskih znamenki, a treba ih 40." },
        Refusal { "a label and too few digits", "SHA1 (x.iso) = " + std::string(kAbc).substr(0, 22),
            kShort, 22, 0, "", "ima 22 heksadekadske znamenke, a treba ih 40." },
        // A character that does not belong, where the user sees it.
        Refusal { "a g", WithAt(kAbcGrouped, 13, "g"), kNotHex, 0, 13, "g",
            NotHexReason("znak \"g\"", 13) },
        Refusal { "a g among 40 characters reports the g, not 39 digits", WithAt(kAbc, 40, "g"),
            kNotHex, 0, 40, "g", NotHexReason("znak \"g\"", 40) },
        Refusal { "the first of two", WithAt(WithAt(kAbc, 3, "x"), 7, "y"), kNotHex, 0, 3, "x",
            NotHexReason("znak \"x\"", 3) },
        Refusal { "a Croatian letter", WithAt(kAbcGrouped, 5, "\xE8"), kNotHex, 0, 5, "\xE8",
            NotHexReason("znak \"\u010D\"", 5) },
        // "Očekivani: 12z": the "č" is one character, so the "z" is the 14th.
        Refusal { "after a Croatian label the count is in characters",
            "O\xE8"
            "ekivani: 12z",
            kNotHex, 0, 14, "z", NotHexReason("znak \"z\"", 14) },
        Refusal { "the letter O for a zero", WithAt(kAbc, 1, "O"), kNotHex, 0, 1, "O",
            NotHexReason("znak \"O\"", 1) },
        Refusal { "0x before it", "0x" + std::string(kAbc), kNotHex, 0, 2, "x",
            NotHexReason("znak \"x\"", 2) },
        Refusal { "a quote", "\"" + std::string(kAbc) + "\"", kNotHex, 0, 1, "\"",
            NotHexReason("znak \"\"\"", 1) },
        Refusal { "a control character is named by its code", WithAt(kAbc, 5, "\x01"), kNotHex, 0,
            5, "\x01", NotHexReason("znak s kodom 0x01", 5) },
        Refusal { "a NUL", WithAt(kAbc, 2, std::string(1, '\0')), kNotHex, 0, 2,
            std::string(1, '\0'), NotHexReason("znak s kodom 0x00", 2) },
        Refusal { "a byte Windows-1250 leaves undefined", WithAt(kAbc, 40, "\x81"), kNotHex, 0, 40,
            "\x81", NotHexReason("znak s kodom 0x81", 40) },
        // Labels and words with nothing after them are read as they are.
        Refusal { "a label only", "SHA1:", kNotHex, 0, 1, "S", NotHexReason("znak \"S\"", 1) },
        Refusal { "a label and blanks", "Kontrolni broj:  \r\n", kNotHex, 0, 1, "K",
            NotHexReason("znak \"K\"", 1) },
        Refusal {
            "the bare word only", "SHA-1 ", kNotHex, 0, 1, "S", NotHexReason("znak \"S\"", 1) },
        Refusal { "a stray colon after the number", std::string(kAbc) + ":", kNotHex, 0, 41, ":",
            NotHexReason("znak \":\"", 41) },
        Refusal { "the word run into the number", "SHA1" + std::string(kAbc), kNotHex, 0, 1, "S",
            NotHexReason("znak \"S\"", 1) },
        Refusal { "a name after one blank is no checksum line", std::string(kAbc) + " x.txt",
            kNotHex, 0, 42, "x", NotHexReason("znak \"x\"", 42) },
        Refusal { "a grouped number with a name is none either", std::string(kAbcGrouped) + "  x",
            kNotHex, 0, 46, "x", NotHexReason("znak \"x\"", 46) },
        Refusal { "41 digits with a name", std::string(kAbc) + "0  x", kNotHex, 0, 44, "x",
            NotHexReason("znak \"x\"", 44) },
        Refusal { "another word", "MD5 " + std::string(kAbc), kNotHex, 0, 1, "M",
            NotHexReason("znak \"M\"", 1) },
        Refusal { "a label's text is not read past", "SHA1: " + WithAt(kAbc, 20, "?"), kNotHex, 0,
            26, "?", NotHexReason("znak \"?\"", 26) }));

// --- Croatian numerals ------------------------------------------------------------------

TEST(ExpectedNumberProblemText, CountsTakeTheNounTheirLastDigitsGovern)
{
    struct Row {
        std::size_t count;
        const char* words;
    };
    const Row rows[] = {
        { 0, "heksadekadskih znamenki" },
        { 1, "heksadekadsku znamenku" },
        { 2, "heksadekadske znamenke" },
        { 3, "heksadekadske znamenke" },
        { 4, "heksadekadske znamenke" },
        { 5, "heksadekadskih znamenki" },
        { 10, "heksadekadskih znamenki" },
        { 11, "heksadekadskih znamenki" },
        { 12, "heksadekadskih znamenki" },
        { 14, "heksadekadskih znamenki" },
        { 20, "heksadekadskih znamenki" },
        { 21, "heksadekadsku znamenku" },
        { 22, "heksadekadske znamenke" },
        { 24, "heksadekadske znamenke" },
        { 25, "heksadekadskih znamenki" },
        { 39, "heksadekadskih znamenki" },
        { 41, "heksadekadsku znamenku" },
        { 44, "heksadekadske znamenke" },
        { 101, "heksadekadsku znamenku" },
        { 111, "heksadekadskih znamenki" },
        { 112, "heksadekadskih znamenki" },
        { 122, "heksadekadske znamenke" },
        { 1011, "heksadekadskih znamenki" },
    };
    for (const Row& row : rows) {
        ExpectedNumber number;
        number.problem = row.count < 40 ? NumberProblem::TooShort : NumberProblem::TooLong;
        number.digitCount = row.count;
        EXPECT_EQ(app::ExpectedNumberProblemText(number),
            "ima " + std::to_string(row.count) + " " + row.words + ", a treba ih 40.")
            << row.count;
    }
}

// --- Grouping and comparing -------------------------------------------------------------

TEST(GroupedNumber, FourGroupsOfTenThatReadBackAsTheNumber)
{
    EXPECT_EQ(app::GroupedNumber(kAbc), kAbcGrouped);
    EXPECT_EQ(app::GroupedNumber(kAbcLower), "a9993e3647-06816aba3e-25717850c2-6c9cd0d89d");
    EXPECT_EQ(app::ReadExpectedNumber(app::GroupedNumber(kAbc)).digits, kAbc);
    // Other lengths, which a number never has, are grouped all the same.
    EXPECT_EQ(app::GroupedNumber(""), "");
    EXPECT_EQ(app::GroupedNumber("0123456789"), "0123456789");
    EXPECT_EQ(app::GroupedNumber("0123456789A"), "0123456789-A");
}

TEST(FirstDifferingGroup, NamesTheFirstGroupThatDiffers)
{
    EXPECT_EQ(app::FirstDifferingGroup(kAbc, kAbc), std::nullopt);
    EXPECT_EQ(app::FirstDifferingGroup(kAbc, kAbcLower), std::nullopt) << "case is no difference";
    for (std::size_t group = 0; group < 4; ++group) {
        for (const std::size_t at : { group * 10, group * 10 + 9 }) {
            std::string other = kAbc;
            other[at] = other[at] == '0' ? '1' : '0';
            EXPECT_EQ(app::FirstDifferingGroup(kAbc, other), group) << "digit " << at + 1;
            EXPECT_EQ(app::FirstDifferingGroup(other, kAbcLower), group) << "digit " << at + 1;
        }
    }
    std::string twice = kAbc;
    twice[15] = '0';
    twice[35] = '0';
    EXPECT_EQ(app::FirstDifferingGroup(kAbc, twice), 1u) << "the first of two";
    EXPECT_EQ(app::FirstDifferingGroup(kAbc, std::string(kAbc).substr(0, 25)), 2u)
        << "a missing digit differs";
}

// --- The result file a number is read from --------------------------------------------

class ReadNumberFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_directory.Path().empty()); }

    /// The path of `name` in the test's directory (ASCII names: as Windows-1250).
    std::string Path(std::string_view name) const { return m_directory / name; }

    TempDirectory m_directory;
};

TEST_F(ReadNumberFileTest, GivesTheFirstLineWithText)
{
    const std::string big(app::kNumberFileLimit - 42, 'x');
    struct Row {
        const char* what;
        std::string contents;
        std::string line;
    };
    const Row rows[] = {
        { "as the program writes it", std::string(kAbc) + "\r\n", kAbc },
        { "LF only", std::string(kAbcLower) + "\n", kAbcLower },
        { "no line break", kAbc, kAbc },
        { "leading blank lines", "\r\n \t\r\n\xA0\n" + std::string(kAbc) + "\r\nnext\r\n", kAbc },
        { "lines broken by CR alone", "\r \r" + std::string(kAbc) + "\rnext", kAbc },
        { "a labelled line", "SHA1 (x.iso) = " + std::string(kAbcLower) + "\n",
            "SHA1 (x.iso) = " + std::string(kAbcLower) },
        { "blanks kept around the text", "  " + std::string(kAbc) + " \r\n",
            "  " + std::string(kAbc) + " " },
        { "a UTF-8 byte-order mark", "\xEF\xBB\xBF" + std::string(kAbc) + "\r\n", kAbc },
        { "exactly 64 KiB", std::string(kAbc) + "\r\n" + big, kAbc },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteText(Path("HASHBROJ.TXT"), row.contents);
        const app::NumberFileText read = app::ReadNumberFile(Path("HASHBROJ.TXT"));
        EXPECT_EQ(read.problem, NumberFileProblem::None);
        EXPECT_EQ(read.text, row.line);
    }
    // The file as written is the number.
    WriteText(Path("HASHBROJ.TXT"), std::string(kAbc) + "\r\n");
    EXPECT_EQ(app::ReadExpectedNumber(app::ReadNumberFile(Path("HASHBROJ.TXT")).text).digits, kAbc);
}

TEST_F(ReadNumberFileTest, FileNamesAreWindows1250)
{
    // "broj-č.txt": the file system spells it in UTF-8.
    WriteText(m_directory / "broj-\u010D.txt", kAbc);
    const app::NumberFileText read = app::ReadNumberFile(Path("broj-\xE8.txt"));
    EXPECT_EQ(read.problem, NumberFileProblem::None);
    EXPECT_EQ(read.text, kAbc);
    EXPECT_EQ(app::ReadNumberFile(Path("broj-\x81.txt")).problem, NumberFileProblem::NotFound)
        << "a name no file can have";
}

TEST_F(ReadNumberFileTest, RefusesWhatGivesNoText)
{
    WriteText(Path("empty.txt"), "");
    WriteText(Path("blank.txt"), "\r\n  \r\n\t\n\xA0\r\n");
    WriteText(
        Path("big.txt"), std::string(kAbc) + "\r\n" + std::string(app::kNumberFileLimit, 'x'));
    WriteText(Path("just-too-big.txt"), std::string(app::kNumberFileLimit + 1, '0'));
    WriteText(Path("plain.txt"), kAbc);
    std::filesystem::create_directory(Path("folder"));
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    std::filesystem::create_directory_symlink(Path("folder"), Path("folder-link"));
    std::filesystem::create_symlink(Path("pipe"), Path("pipe-link"));
    std::filesystem::create_symlink(Path("missing.txt"), Path("dangling"));
    std::filesystem::create_symlink(Path("plain.txt"), Path("plain-link"));
    struct Row {
        const char* what;
        std::string path;
        NumberFileProblem problem;
    };
    const Row rows[] = {
        { "an empty file", Path("empty.txt"), NumberFileProblem::Empty },
        { "blank lines only", Path("blank.txt"), NumberFileProblem::Empty },
        { "more than 64 KiB", Path("big.txt"), NumberFileProblem::TooBig },
        { "64 KiB and a byte", Path("just-too-big.txt"), NumberFileProblem::TooBig },
        { "a missing file", Path("missing.txt"), NumberFileProblem::NotFound },
        { "a missing folder", Path("none/HASHBROJ.TXT"), NumberFileProblem::NotFound },
        { "a file used as a folder", Path("plain.txt/x"), NumberFileProblem::NotFound },
        { "a dangling link", Path("dangling"), NumberFileProblem::NotFound },
        { "an empty name", "", NumberFileProblem::NotFound },
        { "a name too long", Path(std::string(300, 'n')), NumberFileProblem::NotFound },
        { "a folder", Path("folder"), NumberFileProblem::NotAFile },
        { "a link to a folder", Path("folder-link"), NumberFileProblem::NotAFile },
        // Never waited on: nobody writes to the pipe.
        { "a FIFO", Path("pipe"), NumberFileProblem::NotAFile },
        { "a link to a FIFO", Path("pipe-link"), NumberFileProblem::NotAFile },
        { "a device", "/dev/zero", NumberFileProblem::NotAFile },
        { "a file whose reading fails", "/proc/self/mem", NumberFileProblem::ReadFailed },
        { "a link to a file is read", Path("plain-link"), NumberFileProblem::None },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const app::NumberFileText read = app::ReadNumberFile(row.path);
        EXPECT_EQ(read.problem, row.problem);
        EXPECT_EQ(read.text, row.problem == NumberFileProblem::None ? kAbc : "");
    }
}

TEST_F(ReadNumberFileTest, AFileThatMayNotBeReadIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads every file";
    WriteText(Path("secret.txt"), kAbc);
    ASSERT_EQ(::chmod(Path("secret.txt").c_str(), 0), 0);
    EXPECT_EQ(app::ReadNumberFile(Path("secret.txt")).problem, NumberFileProblem::AccessDenied);
}

TEST_F(ReadNumberFileTest, AWriterThatKeepsTheFileIsWaitedForAMomentOnly)
{
    WriteText(Path("HASHBROJ.TXT"), kAbc);
    {
        // As the program's writes hold it: read and write, others denied.
        platform::Result<platform::File> writer = platform::File::Open(
            Path("HASHBROJ.TXT"), platform::kAccessReadWrite | platform::kShareDenyAll);
        ASSERT_TRUE(writer);
        EXPECT_EQ(app::ReadNumberFile(Path("HASHBROJ.TXT")).problem, NumberFileProblem::ReadFailed);
    }
    EXPECT_EQ(app::ReadNumberFile(Path("HASHBROJ.TXT")).text, kAbc);
    // A reader lets the program write meanwhile.
    platform::Result<platform::File> reader = platform::File::Open(
        Path("HASHBROJ.TXT"), platform::kAccessRead | platform::kShareDenyNone);
    ASSERT_TRUE(reader);
    EXPECT_EQ(app::ReadNumberFile(Path("HASHBROJ.TXT")).text, kAbc);
}

TEST(NumberFileProblemText, EveryProblemHasAReasonTheProgramCanShow)
{
    EXPECT_EQ(app::NumberFileProblemText(NumberFileProblem::None), "");
    const std::pair<NumberFileProblem, const char*> rows[] = {
        { NumberFileProblem::NotFound, "datoteka ne postoji." },
        { NumberFileProblem::NotAFile,
            "to je mapa, cijev, ure\u0111aj ili priklju\u010Dnica, a ne obi\u010Dna datoteka." },
        { NumberFileProblem::AccessDenied, "nemate dozvolu za \u010Ditanje." },
        { NumberFileProblem::ReadFailed, "gre\u0161ka pri \u010Ditanju." },
        { NumberFileProblem::Empty, "u datoteci nema nijednog retka s tekstom." },
        { NumberFileProblem::TooBig,
            "datoteka je ve\u0107a od 64 KiB, a datoteka s kontrolnim brojem nije tolika." },
    };
    for (const auto& [problem, reason] : rows) {
        EXPECT_EQ(app::NumberFileProblemText(problem), reason);
        EXPECT_TRUE(platform::Utf8ToAnsi(reason)) << reason;
    }
}

} // namespace
