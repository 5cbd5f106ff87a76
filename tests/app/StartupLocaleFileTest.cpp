// The program started with a damaged locale environment file beside it (the file named after
// the program with the extension ".ENV", read once at start-up). Junk, truncated lines and huge
// lines are read as the file's format reads them: the program starts and works, and says
// nothing. A file that is there but cannot be read (no permission, a directory, a FIFO) is
// named once on standard error, in the command line's language, and the defaults stand.
//
// The file lies beside this test program, so this program holds this one test alone: ctest
// runs the cases of a test program as parallel processes. Each case makes the file before its
// child process starts (the child, running the test again up to its case, makes it again).

#include "ProgramStart.h"

#include <platform/Path.h>
#include <value/MessageOverrides.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace startup;
using testsupport::ScopedEnvironment;
using testsupport::TempDirectory;
using testsupport::WriteText;

/// The locale environment file of this program, as start-up names it.
std::string OwnEnvironmentFile()
{
    const platform::Result<std::string> program = platform::OwnProgramPath();
    return program ? platform::EnvironmentFilePath(*program) : std::string();
}

class StartupLocaleFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        m_file = OwnEnvironmentFile();
        ASSERT_FALSE(m_file.empty());
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_file, ignored);
    }

    std::string m_file;
};

TEST_F(StartupLocaleFileTest, ADamagedFileIsReadOrNamedOnceAndTheProgramWorks)
{
    struct Case {
        const char* what;
        std::function<bool(const std::string& path)> make; // false: it could not be made
        const char* language;                              // LANG
        const char* notice; // a part of the one line on standard error; empty: none
        bool overridden;    // message 42 comes from the file
    };
    // A setting, then every byte value in a scrambled order (Ctrl-Z among them ends the file).
    const std::string junk = [] {
        std::string bytes = "ORVMSG42=iz datoteke\n";
        for (int n = 0; n < 4096; ++n)
            bytes += static_cast<char>((n * 131 + 7) % 256);
        return bytes;
    }();
    const Case cases[] = {
        { "binary junk",
            [&](const std::string& path) {
                WriteText(path, junk);
                return true;
            },
            "C", "", true },
        { "truncated lines",
            [](const std::string& path) {
                WriteText(path,
                    "ORVMONTH=sije\xE8"
                    "anj,velja\r\nORVMSG42=iz datoteke\r\nORVAMPM=\"pr");
                return true;
            },
            "C", "", true },
        { "a huge line",
            [](const std::string& path) {
                WriteText(path,
                    "ORVMSG42=iz datoteke\nORVMSG43=" + std::string(3000000, 'x') + "\nORV"
                        + std::string(1000000, 'N') + "=1\n");
                return true;
            },
            "C", "", true },
        { "no permission to read it",
            [](const std::string& path) {
                WriteText(path, "ORVMSG42=iz datoteke\n");
                return ::chmod(path.c_str(), 0) == 0;
            },
            "C", "settings file ", false },
        { "a directory", [](const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; },
            "C",
            ".ENV was not read: reading it is not allowed, or it is not a regular file (5); the "
            "defaults are used",
            false },
        { "a FIFO", [](const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }, "C",
            ".ENV was not read", false },
        { "a directory, in Croatian",
            [](const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; }, "hr_HR.UTF-8",
            "varn: datoteka postavki jezika i zemlje ", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.what == std::string_view("no permission to read it") && ::geteuid() == 0)
            continue; // the superuser reads it all the same
        std::filesystem::remove_all(m_file);
        ASSERT_TRUE(c.make(m_file));
        EXPECT_EXIT(
            {
                const TempDirectory directory;
                const ScopedEnvironment named("VARN_WIN_INI", directory / "win.ini");
                const ScopedEnvironment language("LANG", c.language);
                const ScopedEnvironment all("LC_ALL", std::nullopt);
                const ScopedEnvironment messages("LC_MESSAGES", std::nullopt);
                const testsupport::ScopedCurrentDirectory inside(directory.Path());
                RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                    checks.Expect(value::FindMessageOverride(42).has_value() == c.overridden,
                        "message 42 overridden by the file or not");
                    const platform::WindowHandle window = OpenHashWindow(frame, checks);
                    if (window != 0)
                        checks.ExpectEqual(FormNumberOfAbc(window, checks), "", "no message");
                    CheckAboutWindow(frame, checks);
                });
            },
            testing::ExitedWithCode(0), ReportsOnly(c.notice));
    }
}

} // namespace
