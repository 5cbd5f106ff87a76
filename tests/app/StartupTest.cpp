// The program started against broken surroundings: a damaged or unreadable profile, a working
// directory removed or made read-only under it, no fonts, the "C" locale. It starts, says on
// standard error what it could not use where a user would want to know (once, in the command
// line's language, no box), and works: windows open and a number is formed.

#include "ProgramStart.h"

#include <app/Globals.h>
#include <files/FaultInjectingFileSystem.h>
#include <files/FileSystem.h>
#include <value/IntlSettings.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace startup;
using testsupport::ReadText;
using testsupport::ScopedEnvironment;
using testsupport::TempDirectory;
using testsupport::WriteText;

/// The number of "abc" as the result file holds it.
constexpr char kAbcLine[] = "A9993E364706816ABA3E25717850C26C9CD0D89D\r\n";

class StartupTest : public testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

/// Forms the number of "abc" in a new hash window and checks it is shown, written to the
/// working directory `directory` and its path shown; the About window opens too.
void FormAndWriteANumber(platform::WindowHandle frame, Checks& checks, const std::string& directory)
{
    const platform::WindowHandle window = OpenHashWindow(frame, checks);
    if (window == 0)
        return;
    checks.ExpectEqual(FormNumberOfAbc(window, checks), "", "no message");
    checks.ExpectEqual(test::TextOf(Control(window, kPathEntry)),
        (directory + "/HASHBROJ.TXT").substr(0, 60), "the result file's path");
    checks.ExpectEqual(ReadText(directory + "/HASHBROJ.TXT"), kAbcLine, "the result file");
    CheckAboutWindow(frame, checks);
}

// --- the profile --------------------------------------------------------------------------

/// A profile that is there but cannot be read is named once on standard error, in the command
/// line's language, and the program goes on with the defaults; one full of junk is read as
/// far as it reads (nothing said), and a FIFO in its place is never waited on.
TEST_F(StartupTest, ADamagedProfileIsNamedOnceAndTheProgramWorks)
{
    struct Case {
        const char* what;
        std::function<bool(const std::string& path)> make; // false: it could not be made
        const char* language;                              // LANG
        const char* notice; // a part of the one line on standard error; empty: none
    };
    const std::string english = "varn: the system settings file ";
    const Case cases[] = {
        { "junk bytes",
            [](const std::string& path) {
                WriteText(path,
                    std::string("\xFF\xFE[\0intl\x01]\n\x80sTime=\x81\r\n[", 20)
                        + std::string(100000, '\xA0'));
                return true;
            },
            "C", "" },
        { "a directory", [](const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; },
            "C",
            "was not read: reading it is not allowed, or it is not a regular file (5); "
            "the defaults are used" },
        { "a FIFO", [](const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }, "C",
            "win.ini was not read" },
        { "a FIFO, in Croatian",
            [](const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; },
            "hr_HR.UTF-8", "varn: datoteka postavki sustava " },
        { "no permission to read it",
            [](const std::string& path) {
                WriteText(path, "[intl]\nsTime=.\n");
                return ::chmod(path.c_str(), 0) == 0;
            },
            "C", "win.ini was not read" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.what == std::string_view("no permission to read it") && ::geteuid() == 0)
            continue; // the superuser reads it all the same
        EXPECT_EXIT(
            {
                const TempDirectory directory;
                const std::string profile = directory / "win.ini";
                if (!c.make(profile))
                    std::_Exit(3);
                const ScopedEnvironment named("VARN_WIN_INI", profile);
                const ScopedEnvironment language("LANG", c.language);
                const ScopedEnvironment all("LC_ALL", std::nullopt);
                const ScopedEnvironment messages("LC_MESSAGES", std::nullopt);
                const testsupport::ScopedCurrentDirectory inside(directory.Path());
                RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                    const value::IntlSettings& settings = value::CurrentIntlSettings();
                    checks.Expect(settings.timeSeparator == ':', "the default time separator");
                    FormAndWriteANumber(frame, checks, directory.Path());
                });
            },
            testing::ExitedWithCode(0), ReportsOnly(c.notice));
    }
}

// --- the working directory ----------------------------------------------------------------

/// The working directory removed under the program: opening a window and forming a number
/// still work; the write fails with a message naming the working directory as "." (its name
/// is gone) and the reason, and no path is shown as written. A file chosen by its full path
/// is still hashed.
TEST_F(StartupTest, ARemovedWorkingDirectoryFailsTheWriteClearlyAndTheRestWorks)
{
    EXPECT_EXIT(
        {
            const TempDirectory directory;
            const std::string gone = directory / "radna";
            std::filesystem::create_directory(gone);
            WriteText(directory / "abc.txt", "abc");
            const ScopedEnvironment named("VARN_WIN_INI", directory / "win.ini");
            const testsupport::ScopedCurrentDirectory inside(gone);
            std::filesystem::remove(gone);
            RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                const platform::WindowHandle window = OpenHashWindow(frame, checks);
                checks.ExpectEqual(AnswerMessage(), "", "opening the window says nothing");
                if (window == 0)
                    return;
                const std::string message = FormNumberOfAbc(window, checks);
                checks.ExpectHas(message, "nije zapisan u datoteku ./HASHBROJ.TXT", "the message");
                checks.ExpectHas(
                    message, "Path Not Found (3)", "the reason: the directory is missing");
                checks.ExpectEqual(
                    test::TextOf(Control(window, kPathEntry)), "", "no path claimed written");

                platform::SetWindowText(Control(window, kFileEntry), "");
                test::TypeText(Control(window, kFileEntry), directory / "abc.txt");
                Press(window, kFileButton);
                checks.ExpectHas(AnswerMessage(), "nije zapisan", "the file's number, unwritten");
                checks.ExpectEqual(
                    test::TextOf(Control(window, kNumberEntry)), kAbc, "the file's number");
                CheckAboutWindow(frame, checks);
            });
        },
        testing::ExitedWithCode(0), ReportsOnly(""));
}

/// A working directory the program may not write to: the write fails with a message naming
/// the result file and the reason (5), the number is shown all the same. As the superuser
/// chmod takes nothing away, so the same refusal also comes from the file system seam.
TEST_F(StartupTest, AReadOnlyWorkingDirectoryFailsTheWriteClearlyAndTheRestWorks)
{
    struct Case {
        const char* what;
        bool injected; // the refusal comes from the file system seam, else from chmod 555
    };
    const Case cases[] = { { "chmod 555", false }, { "refused by the file system", true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.injected && ::geteuid() == 0)
            continue; // covered by the injected refusal
        EXPECT_EXIT(
            {
                const TempDirectory directory;
                const ScopedEnvironment named("VARN_WIN_INI", directory / "win.ini");
                const std::string sealed = directory / "zapecacena";
                std::filesystem::create_directory(sealed);
                ::chmod(sealed.c_str(), 0555);
                files::FaultInjectingFileSystem faults;
                const files::FileSystemScope scope(faults);
                if (c.injected) {
                    // As in a read-only directory: the missing file's open finds nothing, its
                    // creation is refused, and so is every open after it.
                    faults.Arm(
                        files::Fault(files::FaultPoint::Open, platform::SystemError::AccessDenied)
                            .Nth(2)
                            .FromThenOn()
                            .OnlyFor("/HASHBROJ.TXT"));
                }
                const testsupport::ScopedCurrentDirectory inside(sealed);
                RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                    const platform::WindowHandle window = OpenHashWindow(frame, checks);
                    checks.ExpectEqual(AnswerMessage(), "", "opening the window says nothing");
                    if (window == 0)
                        return;
                    const std::string message = FormNumberOfAbc(window, checks);
                    checks.ExpectHas(message, "nije zapisan u datoteku " + sealed + "/HASHBROJ.TXT",
                        "the message");
                    checks.ExpectHas(message, "(5)", "the reason: access denied");
                    checks.ExpectEqual(
                        test::TextOf(Control(window, kPathEntry)), "", "no path claimed written");
                    CheckAboutWindow(frame, checks);
                });
            },
            testing::ExitedWithCode(0), ReportsOnly(""));
    }
}

// --- fonts and locale -----------------------------------------------------------------------

/// No font anywhere (fontconfig given no font directory, the toolkit's own font directory
/// empty): the program starts, its windows open and a number is formed and written.
TEST_F(StartupTest, WithoutFontsTheWindowsOpenAndANumberIsFormed)
{
    EXPECT_EXIT(
        {
            const TempDirectory directory;
            const std::string fonts = directory / "fonts";
            std::filesystem::create_directory(fonts);
            const std::string config = directory / "fonts.conf";
            WriteText(config,
                "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                "<fontconfig><cachedir>"
                    + directory / "cache" + "</cachedir></fontconfig>\n");
            const ScopedEnvironment fontconfig("FONTCONFIG_FILE", config);
            const ScopedEnvironment fontPath("FONTCONFIG_PATH", directory.Path());
            const ScopedEnvironment qtFonts("QT_QPA_FONTDIR", fonts);
            const ScopedEnvironment named("VARN_WIN_INI", directory / "win.ini");
            const testsupport::ScopedCurrentDirectory inside(directory.Path());
            RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                FormAndWriteANumber(frame, checks, directory.Path());
            });
        },
        testing::ExitedWithCode(0), ReportsOnly(""));
}

/// In the "C" locale, however it is named, the Croatian texts still show right (Windows-1250
/// inside, UTF-8 at the display), a file and a working directory with Croatian letters in
/// their names still work, and the regional settings are the defaults; a Croatian locale, the
/// control, gives Croatian ones.
TEST_F(StartupTest, InTheCLocaleCroatianTextsAndNamesStillWork)
{
    struct Case {
        const char* what;
        const char* lang;  // LANG; null: unset
        const char* lcAll; // LC_ALL; null: unset
        bool croatianSettings;
    };
    const Case cases[] = {
        { "LANG=C", "C", nullptr, false },
        { "LC_ALL=C over a Croatian LANG", "hr_HR.UTF-8", "C", false },
        { "no locale at all", nullptr, nullptr, false },
        { "a Croatian locale", "hr_HR.UTF-8", nullptr, true },
    };
    const std::string defaultShortDate = value::IntlSettings {}.shortDate;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EXIT(
            {
                const TempDirectory directory;
                const std::string folder
                    = directory / "mapa \xC4\x8D\xC4\x87\xC5\xBE\xC5\xA1\xC4\x91";
                std::filesystem::create_directory(folder);
                const std::string file = folder + "/\xC5\xA1ifra.txt";
                WriteText(file, "abc");
                const ScopedEnvironment named("VARN_WIN_INI", directory / "win.ini");
                const ScopedEnvironment lang(
                    "LANG", c.lang != nullptr ? std::optional<std::string>(c.lang) : std::nullopt);
                const ScopedEnvironment all("LC_ALL",
                    c.lcAll != nullptr ? std::optional<std::string>(c.lcAll) : std::nullopt);
                const ScopedEnvironment messages("LC_MESSAGES", std::nullopt);
                const ScopedEnvironment time("LC_TIME", std::nullopt);
                const testsupport::ScopedCurrentDirectory inside(folder);
                RunProgramAndExit([&](platform::WindowHandle frame, Checks& checks) {
                    checks.Expect((value::CurrentIntlSettings().shortDate != defaultShortDate)
                            == c.croatianSettings,
                        "regional settings: " + value::CurrentIntlSettings().shortDate);
                    CheckAboutWindow(frame, checks);
                    const platform::WindowHandle window = OpenHashWindow(frame, checks);
                    if (window == 0)
                        return;
                    platform::SetWindowText(Control(window, kFileEntry), "");
                    test::TypeText(Control(window, kFileEntry), file);
                    checks.ExpectEqual(
                        test::TextOf(Control(window, kFileEntry)), file, "the name as typed");
                    Press(window, kFileButton);
                    checks.ExpectEqual(AnswerMessage(), "", "no message");
                    checks.ExpectEqual(
                        test::TextOf(Control(window, kNumberEntry)), kAbc, "the file's number");
                    checks.ExpectEqual(test::TextOf(Control(window, kPathEntry)),
                        (folder + "/HASHBROJ.TXT").substr(0, 60), "the result file's path");
                    checks.ExpectEqual(ReadText(folder + "/HASHBROJ.TXT"), kAbcLine, "written");
                });
            },
            testing::ExitedWithCode(0), ReportsOnly(""));
    }
}

} // namespace
