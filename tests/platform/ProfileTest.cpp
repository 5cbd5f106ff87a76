#include <platform/Profile.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace std::string_literals;

using testsupport::ScopedEnvironment;

class ProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varn-profile-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
        m_file = m_directory / "win.ini";
        m_explicit.emplace("VARN_WIN_INI", m_file.c_str());
    }
    void TearDown() override
    {
        m_explicit.reset();
        std::filesystem::remove_all(m_directory);
    }

    // Writes the bytes exactly as given: line ends and all.
    void WriteProfile(std::string_view text) const
    {
        std::ofstream out(m_file, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        ASSERT_TRUE(out.good());
    }

    std::filesystem::path m_directory;
    std::filesystem::path m_file;
    std::optional<ScopedEnvironment> m_explicit;
};

struct StringCase {
    const char* what;
    std::string file;
    const char* section;
    std::string key;
    const char* defaultValue;
    std::string expected;
};

TEST_F(ProfileTest, StringLookupFollowsWindowsIniSyntax)
{
    const StringCase cases[] = {
        { "plain", "[intl]\nsTime=:\n", "intl", "sTime", "?", ":" },
        // Section and key ignore ASCII case; CR LF ends lines as well as LF.
        { "case and CR LF", "[INTL]\r\nSTIME=.\r\n", "intl", "sTime", "?", "." },
        { "CR alone ends a line", "[s]\rk=v\rother=w\r", "s", "k", "?", "v" },
        // Bytes above 0x7F are Windows-1250 letters the profile never folds: 0xE8 and 0xC8 are
        // the two cases of one letter, and still differ.
        { "no folding above ASCII", "[s]\nk\xE8=1\n", "s", "K\xC8", "def", "def" },
        { "blanks around key and value", "[s]\n \tkey \t=  a b \t\n", "s", "key", "?", "a b" },
        { "blanks inside the brackets", "[ s ]\nk=v\n", "s", "k", "?", "v" },
        { "text after the closing bracket", "[s] ; note\nk=v\n", "s", "k", "?", "v" },
        { "double quotes keep blanks", "[s]\nk=\"  padded \"\n", "s", "k", "?", "  padded " },
        { "single quotes", "[s]\nk='x'\n", "s", "k", "?", "x" },
        // The outer pair goes even when quotes appear inside, as in a long date picture.
        { "outer pair only", "[s]\nk='ddd', 'MMMM'\n", "s", "k", "?", "ddd', 'MMMM" },
        { "quotes that do not match", "[s]\nk=\"x'\n", "s", "k", "?", "\"x'" },
        { "a lone quote", "[s]\nk=\"\n", "s", "k", "?", "\"" },
        { "quotes inside only", "[s]\nk=a\"b\"\n", "s", "k", "?", "a\"b\"" },
        { "empty quotes", "[s]\nk=\"\"\n", "s", "k", "def", "" },
        { "comment line", "[s]\n;k=commented\nk=real\n", "s", "k", "?", "real" },
        { "indented comment", "[s]\n  ;k=commented\n", "s", "k", "def", "def" },
        { "no inline comments", "[s]\nk=a ;b\n", "s", "k", "?", "a ;b" },
        { "equals sign in the value", "[s]\nk=a=b\n", "s", "k", "?", "a=b" },
        // Present but empty is a value, not a missing key.
        { "empty value", "[s]\nk=\n", "s", "k", "def", "" },
        { "blank value", "[s]\nk=   \n", "s", "k", "def", "" },
        { "missing key", "[s]\nother=1\n", "s", "k", "def", "def" },
        { "missing section", "[t]\nk=1\n", "s", "k", "def", "def" },
        { "default loses trailing blanks", "[s]\n", "s", "k", "def  ", "def" },
        { "default keeps leading blanks", "[s]\n", "s", "k", "  def", "  def" },
        { "key of the right section", "[a]\nk=1\n[b]\nk=2\n", "b", "k", "?", "2" },
        { "section ends at the next", "[a]\n[b]\nk=2\n", "a", "k", "def", "def" },
        { "first of duplicate keys", "[s]\nk=first\nK=second\n", "s", "k", "?", "first" },
        // Only the first section of a name is searched, as Windows does.
        { "second section of a name", "[s]\nx=1\n[S]\nk=2\n", "s", "k", "def", "def" },
        { "line without equals is no key", "[s]\nk\nk=v\n", "s", "k", "?", "v" },
        { "lines above any section", "k=1\n[s]\n", "s", "k", "def", "def" },
        { "empty key name", "[s]\n=v\n", "s", "", "?", "v" },
        { "bracket never closed", "[s]\n[t\nk=v\n", "s", "k", "?", "v" },
        { "no final line end", "[s]\nk=v", "s", "k", "?", "v" },
        { "UTF-8 byte order mark", "\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "?", "v" },
        { "stored bytes, NUL included", "[s]\nk=\x8A\0\xE8\n"s, "s", "k", "?", "\x8A\0\xE8"s },
        { "empty file", "", "s", "k", "def", "def" },
    };
    for (const StringCase& row : cases) {
        SCOPED_TRACE(row.what);
        WriteProfile(row.file);
        EXPECT_EQ(platform::GetProfileString(row.section, row.key, row.defaultValue), row.expected);
    }
}

struct IntCase {
    const char* value; ///< written as "k=<value>"; nullptr leaves the key out
    std::int32_t expected;
};

TEST_F(ProfileTest, IntegerReadsLeadingDecimalDigits)
{
    constexpr std::int32_t kDefault = 77;
    const IntCase cases[] = {
        { "12", 12 },
        { "12abc", 12 },
        { "  42  ", 42 },
        { "'9'", 9 },
        { "-5", -5 },
        { "+7", 7 },
        { "007", 7 },
        // Present but not a number: 0, not the default.
        { "abc", 0 },
        { "-", 0 },
        { "- 5", 0 },
        { "--5", 0 },
        { "0x10", 0 },
        // Empty is read as missing.
        { "", kDefault },
        { "\"\"", kDefault },
        { nullptr, kDefault },
        // 32-bit wrap-around, as Windows' conversion does.
        { "2147483647", std::numeric_limits<std::int32_t>::max() },
        { "2147483648", std::numeric_limits<std::int32_t>::min() },
        { "4294967295", -1 },
        { "4294967296", 0 },
        { "4294967297", 1 },
        { "-4294967297", -1 },
    };
    for (const IntCase& row : cases) {
        SCOPED_TRACE(row.value == nullptr ? "(missing)" : row.value);
        WriteProfile(row.value == nullptr ? "[QWASCII]\n"s : "[QWASCII]\nk="s + row.value + "\n");
        EXPECT_EQ(platform::GetProfileInt("qwascii", "K", kDefault), row.expected);
    }
}

TEST_F(ProfileTest, MissingOrUnreadableFileAnswersDefaults)
{
    // No file at all.
    EXPECT_EQ(platform::GetProfileString("QWASCII", "TraceFile", "ASCII.LOG"), "ASCII.LOG");
    EXPECT_EQ(platform::GetProfileInt("QWASCII", "Profile", 0), 0);
    EXPECT_EQ(platform::GetProfileInt("QWASCII", "Profile", -3), -3);

    // A directory where the file should be.
    std::filesystem::create_directory(m_file);
    EXPECT_EQ(platform::GetProfileString("QWASCII", "TraceFile", "ASCII.LOG"), "ASCII.LOG");
    EXPECT_EQ(platform::GetProfileInt("QWASCII", "Profile", 5), 5);
}

/// A profile that is there but cannot be read: every read answers the default, at once (a
/// FIFO is never waited on for a writer), and ProfileFileProblem says why; a missing or a
/// readable one is no problem.
TEST_F(ProfileTest, AProfileThatCannotBeReadIsAProblemAndNeverWaitedFor)
{
    using platform::SystemError;
    struct Case {
        const char* what;
        std::function<bool()> make; // false: the case does not apply here
        SystemError problem;
    };
    const Case cases[] = {
        { "no file", [] { return true; }, SystemError::None },
        { "no directory for it",
            [&] {
                m_explicit.emplace("VARN_WIN_INI", (m_directory / "gone" / "win.ini").c_str());
                return true;
            },
            SystemError::None },
        { "a readable file",
            [&] {
                WriteProfile("[intl]\nsTime=.\n");
                return true;
            },
            SystemError::None },
        { "junk bytes",
            [&] {
                WriteProfile("\xFF\xFE[\0\x01intl\n\x80=\x81\r\r="s);
                return true;
            },
            SystemError::None },
        { "a directory", [&] { return std::filesystem::create_directory(m_file); },
            SystemError::AccessDenied },
        { "a FIFO", [&] { return ::mkfifo(m_file.c_str(), 0600) == 0; },
            SystemError::AccessDenied },
        { "no permission to read",
            [&] {
                WriteProfile("[intl]\nsTime=.\n");
                std::filesystem::permissions(m_file, std::filesystem::perms::none);
                return ::geteuid() != 0; // the superuser reads it all the same
            },
            SystemError::AccessDenied },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_file);
        m_explicit.emplace("VARN_WIN_INI", m_file.c_str());
        if (!c.make())
            continue;
        EXPECT_EQ(platform::ProfileFileProblem(), c.problem);
        if (c.problem != SystemError::None) {
            EXPECT_EQ(platform::GetProfileString("intl", "sTime", ":"), ":");
            EXPECT_EQ(platform::GetProfileInt("intl", "iTime", 7), 7);
        }
    }
}

TEST_F(ProfileTest, EachReadSeesTheFileAsItIsNow)
{
    WriteProfile("[QWASCII]\nProfile=1\n");
    EXPECT_EQ(platform::GetProfileInt("QWASCII", "Profile", 0), 1);
    WriteProfile("[QWASCII]\nProfile=2\n");
    EXPECT_EQ(platform::GetProfileInt("QWASCII", "Profile", 0), 2);
    std::filesystem::remove(m_file);
    EXPECT_EQ(platform::GetProfileInt("QWASCII", "Profile", 0), 0);
}

TEST_F(ProfileTest, FileLocationFollowsTheEnvironment)
{
    const std::string home = m_directory / "home";
    const std::string config = m_directory / "config";
    struct LocationCase {
        const char* what;
        const char* explicitFile;
        const char* configHome;
        const char* home;
        std::optional<std::string> expected;
    };
    const LocationCase cases[] = {
        { "explicit file first", "/x/my.ini", config.c_str(), home.c_str(), "/x/my.ini" },
        { "empty explicit file is unset", "", config.c_str(), home.c_str(),
            config + "/varn/win.ini" },
        { "XDG_CONFIG_HOME", nullptr, config.c_str(), home.c_str(), config + "/varn/win.ini" },
        { "relative XDG_CONFIG_HOME ignored", nullptr, "rel/config", home.c_str(),
            home + "/.config/varn/win.ini" },
        { "empty XDG_CONFIG_HOME ignored", nullptr, "", home.c_str(),
            home + "/.config/varn/win.ini" },
        { "HOME", nullptr, nullptr, home.c_str(), home + "/.config/varn/win.ini" },
        { "nothing to go by", nullptr, nullptr, nullptr, std::nullopt },
    };
    for (const LocationCase& row : cases) {
        SCOPED_TRACE(row.what);
        ScopedEnvironment explicitFile("VARN_WIN_INI", row.explicitFile);
        ScopedEnvironment configHome("XDG_CONFIG_HOME", row.configHome);
        ScopedEnvironment homeDirectory("HOME", row.home);
        EXPECT_EQ(platform::ProfileFilePath(), row.expected);
    }
}

TEST_F(ProfileTest, ReadsTheFileUnderTheConfigDirectory)
{
    const std::filesystem::path config = m_directory / "config";
    std::filesystem::create_directories(config / "varn");
    std::ofstream(config / "varn" / "win.ini", std::ios::binary) << "[intl]\r\ns1159=dop.\r\n";

    ScopedEnvironment explicitFile("VARN_WIN_INI", nullptr);
    ScopedEnvironment configHome("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(platform::GetProfileString("intl", "s1159", "AM"), "dop.");
}

} // namespace
