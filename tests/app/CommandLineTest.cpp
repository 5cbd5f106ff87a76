#include <app/CommandLine.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

void PrintArguments(const std::vector<const char*>& arguments, std::ostream* out)
{
    *out << "varn";
    for (const char* argument : arguments)
        *out << " [" << argument << "]";
}

using app::CommandLine;
using app::CommandLineProblem;
using app::CommandLineRequest;
using app::Language;

struct ReadCase {
    std::vector<const char*> arguments;
    CommandLineRequest request;
    CommandLineProblem problem;
    std::string refused; ///< the argument named in the refusal
};

void PrintTo(const ReadCase& c, std::ostream* out)
{
    PrintArguments(c.arguments, out);
}

class ReadCommandLineTest : public testing::TestWithParam<ReadCase> { };

TEST_P(ReadCommandLineTest, Reads)
{
    const ReadCase& row = GetParam();
    const CommandLine answer = app::ReadCommandLine(row.arguments);
    EXPECT_EQ(answer.request, row.request);
    EXPECT_EQ(answer.problem, row.problem);
    EXPECT_EQ(answer.argument, row.refused);
}

constexpr auto kRun = CommandLineRequest::Run;
constexpr auto kHelp = CommandLineRequest::Help;
constexpr auto kVersion = CommandLineRequest::Version;
constexpr auto kRefused = CommandLineRequest::Refused;
constexpr auto kNone = CommandLineProblem::None;
constexpr auto kUnknown = CommandLineProblem::UnknownOption;
constexpr auto kNoValue = CommandLineProblem::MissingValue;
constexpr auto kOperand = CommandLineProblem::UnexpectedArgument;

INSTANTIATE_TEST_SUITE_P(Rows, ReadCommandLineTest,
    testing::Values(
        // The program's own options.
        ReadCase { {}, kRun, kNone, "" }, ReadCase { { "--help" }, kHelp, kNone, "" },
        ReadCase { { "-h" }, kHelp, kNone, "" }, ReadCase { { "--version" }, kVersion, kNone, "" },
        // The first decisive argument decides.
        ReadCase { { "--version", "--help" }, kVersion, kNone, "" },
        ReadCase { { "--help", "--bogus" }, kHelp, kNone, "" },
        ReadCase { { "--bogus", "--help" }, kRefused, kUnknown, "--bogus" },
        // The toolkit's options pass, with their values, in either spelling.
        ReadCase { { "-platform", "offscreen", "--version" }, kVersion, kNone, "" },
        ReadCase { { "--platform", "offscreen" }, kRun, kNone, "" },
        ReadCase {
            { "-display", ":1", "-qwindowgeometry", "800x600+0+0", "-nograb" }, kRun, kNone, "" },
        ReadCase { { "-style", "fusion", "-reverse", "-session", "s1" }, kRun, kNone, "" },
        ReadCase { { "-geometry", "640x480", "-title", "t", "-icon", "i.png" }, kRun, kNone, "" },
        ReadCase {
            { "-style=fusion", "--stylesheet=a.qss", "-qmljsdebugger=port:1" }, kRun, kNone, "" },
        // A value is taken whatever it looks like, as the toolkit takes it.
        ReadCase { { "-platform", "--help" }, kRun, kNone, "" },
        ReadCase { { "-qwindowtitle", "x", "--bogus" }, kRefused, kUnknown, "--bogus" },
        // Only three options carry their value after "=".
        ReadCase { { "-platform=xcb" }, kRefused, kUnknown, "-platform=xcb" },
        ReadCase { { "-reverse=1" }, kRefused, kUnknown, "-reverse=1" },
        // Unknown: spelling, case and dashes matter.
        ReadCase { { "--bogus" }, kRefused, kUnknown, "--bogus" },
        ReadCase { { "-x" }, kRefused, kUnknown, "-x" },
        ReadCase { { "--HELP" }, kRefused, kUnknown, "--HELP" },
        ReadCase { { "-help" }, kRefused, kUnknown, "-help" },
        ReadCase { { "---platform", "xcb" }, kRefused, kUnknown, "---platform" },
        ReadCase { { "--version=2" }, kRefused, kUnknown, "--version=2" },
        // A value missing at the end.
        ReadCase { { "-platform" }, kRefused, kNoValue, "-platform" },
        ReadCase { { "-reverse", "--display" }, kRefused, kNoValue, "--display" },
        // Operands: the program takes none, also after "--".
        ReadCase { { "file.txt" }, kRefused, kOperand, "file.txt" },
        ReadCase { { "-" }, kRefused, kOperand, "-" }, ReadCase { { "" }, kRefused, kOperand, "" },
        ReadCase { { "--" }, kRun, kNone, "" },
        ReadCase { { "--", "--help" }, kRefused, kOperand, "--help" }));

struct LanguageCase {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    Language expected;
};

void PrintTo(const LanguageCase& c, std::ostream* out)
{
    for (const char* value : { c.lcAll, c.lcMessages, c.lang })
        *out << "[" << (value != nullptr ? value : "unset") << "] ";
}

class MessageLanguageTest : public testing::TestWithParam<LanguageCase> { };

TEST_P(MessageLanguageTest, Chooses)
{
    const LanguageCase& row = GetParam();
    EXPECT_EQ(app::MessageLanguage(row.lcAll, row.lcMessages, row.lang), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, MessageLanguageTest,
    testing::Values(
        // Nothing set: English.
        LanguageCase { nullptr, nullptr, nullptr, Language::English },
        LanguageCase { "", "", "", Language::English },
        // The forms of a Croatian locale.
        LanguageCase { nullptr, nullptr, "hr_HR.UTF-8", Language::Croatian },
        LanguageCase { nullptr, nullptr, "hr", Language::Croatian },
        LanguageCase { nullptr, nullptr, "hr.UTF-8", Language::Croatian },
        LanguageCase { nullptr, nullptr, "hr_HR@euro", Language::Croatian },
        LanguageCase { nullptr, nullptr, "hr_BA.UTF-8", Language::Croatian },
        // Other languages, and names that only begin with the same letters.
        LanguageCase { nullptr, nullptr, "C", Language::English },
        LanguageCase { nullptr, nullptr, "hu_HU.UTF-8", Language::English },
        LanguageCase { nullptr, nullptr, "hrx", Language::English },
        // LC_ALL over LC_MESSAGES over LANG; an empty value counts as unset.
        LanguageCase { "hr_HR.UTF-8", "C", "en_GB.UTF-8", Language::Croatian },
        LanguageCase { "C", "hr_HR.UTF-8", "hr_HR.UTF-8", Language::English },
        LanguageCase { nullptr, "C", "hr_HR.UTF-8", Language::English },
        LanguageCase { nullptr, "hr_HR.UTF-8", "C", Language::Croatian },
        LanguageCase { "", "", "hr_HR.UTF-8", Language::Croatian }));

TEST(CommandLineTextTest, HelpNamesTheFilesInUseAndTheRulesThatFindThem)
{
    const app::ProgramFiles files { "/opt/x/bin/varn.ENV", "/home/u/.config/varn/win.ini" };
    for (const Language language : { Language::English, Language::Croatian }) {
        SCOPED_TRACE(static_cast<int>(language));
        const std::string help = app::HelpText(language, files);
        for (const char* part :
            { "--help", "--version", "-platform", "HASHBROJ.TXT", "/opt/x/bin/varn.ENV",
                "$VARN_WIN_INI", "$XDG_CONFIG_HOME/varn/win.ini", "/home/u/.config/varn/win.ini" })
            EXPECT_NE(help.find(part), std::string::npos) << part;
    }
    EXPECT_TRUE(app::HelpText(Language::English, files).starts_with("Usage: varn"));
    EXPECT_TRUE(app::HelpText(Language::Croatian, files).starts_with("Uporaba: varn"));
    // A path that cannot be found is said to be unknown, not left blank.
    EXPECT_NE(app::HelpText(Language::English, {}).find("(unknown)"), std::string::npos);
    EXPECT_NE(app::HelpText(Language::Croatian, {}).find("(nepoznato)"), std::string::npos);
}

TEST(CommandLineTextTest, UsageSaysWhatWasWrongWithWhichArgument)
{
    struct Row {
        CommandLineProblem problem;
        const char* english;
        const char* croatian;
    };
    for (const Row& row : {
             Row { kUnknown, "varn: unknown option '-q'\n", "varn: nepoznata opcija '-q'\n" },
             Row { kNoValue, "varn: option '-q' needs a value\n",
                 "varn: opciji '-q' nedostaje vrijednost\n" },
             Row { kOperand, "varn: unexpected argument '-q'\n", "varn: suvišan argument '-q'\n" },
         }) {
        const CommandLine refused { kRefused, row.problem, "-q" };
        const std::string english = app::UsageText(Language::English, refused);
        const std::string croatian = app::UsageText(Language::Croatian, refused);
        EXPECT_TRUE(english.starts_with(row.english)) << english;
        EXPECT_TRUE(croatian.starts_with(row.croatian)) << croatian;
        EXPECT_NE(english.find("Usage: varn"), std::string::npos);
        EXPECT_NE(croatian.find("Uporaba: varn"), std::string::npos);
    }
}

struct AnswerCase {
    std::vector<const char*> arguments;
    std::optional<int> exitCode;
    bool writesOut;
    bool writesErr;
};

void PrintTo(const AnswerCase& c, std::ostream* out)
{
    PrintArguments(c.arguments, out);
}

class AnswerCommandLineTest : public testing::TestWithParam<AnswerCase> { };

TEST_P(AnswerCommandLineTest, AnswersOnTheRightStream)
{
    const AnswerCase& row = GetParam();
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(app::AnswerCommandLine(row.arguments, out, err), row.exitCode);
    EXPECT_EQ(!out.str().empty(), row.writesOut) << out.str();
    EXPECT_EQ(!err.str().empty(), row.writesErr) << err.str();
}

INSTANTIATE_TEST_SUITE_P(Rows, AnswerCommandLineTest,
    testing::Values(AnswerCase { {}, std::nullopt, false, false },
        AnswerCase { { "-platform", "offscreen" }, std::nullopt, false, false },
        AnswerCase { { "--help" }, 0, true, false }, AnswerCase { { "--version" }, 0, true, false },
        AnswerCase { { "--bogus" }, app::kUsageExitCode, false, true },
        AnswerCase { { "-platform" }, app::kUsageExitCode, false, true }));

TEST(AnswerCommandLineTest, OutputThatCannotBeWrittenIsAFailure)
{
    // As with standard output closed or on a full disk: the help was not shown.
    std::ostringstream out;
    std::ostringstream err;
    out.setstate(std::ios::badbit);
    const std::vector<const char*> arguments = { "--help" };
    EXPECT_EQ(app::AnswerCommandLine(arguments, out, err), 1);
}

} // namespace
