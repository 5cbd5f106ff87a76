// The hash window as a user uses it: the program started from its module, a hash window opened
// from the frame's menu, text typed and buttons pressed through the window system, the result
// read off the window and off HASHBROJ.TXT in the program's current directory.

#include "ProgramControls.h"
#include "ProgramTest.h"

#include <app/Globals.h>
#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <files/FaultInjectingFileSystem.h>
#include <files/FileSystem.h>
#include <platform/Display.h>
#include <platform/File.h>
#include <platform/TestDriver.h>
#include <value/Module.h>

#include <gtest/gtest.h>

#include <common/HostilePaths.h>
#include <common/ReadFaults.h>
#include <common/RuntimeBesideDisplay.h>
#include <common/TestSupport.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace test = platform::test;
using namespace programcontrols;
using namespace programtest;
using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

constexpr std::uint32_t kEscapeKey = 0x1B;

/// The number as the file holds it: without the dashes, then CR LF.
std::string FileLine(std::string shown)
{
    std::erase(shown, '-');
    return shown + "\r\n";
}

/// The bytes read so far as the progress line says them ("2 % — 8,2 GB od 274,9 GB —
/// 1,3 GB/s"), in bytes; -1 when the line does not read so.
double ShownBytesDone(std::string line)
{
    // The pattern in ASCII: a regex compares the bytes of "—" unreliably.
    for (std::size_t at; (at = line.find("\xE2\x80\x94")) != std::string::npos;)
        line.replace(at, 3, "-");
    static const std::regex kLine("([0-9]{1,3}) % - ([0-9]+)(,([0-9]))? (B|kB|MB|GB) od "
                                  "274,9 GB - [0-9]+(,[0-9])? (B|kB|MB|GB)/s");
    std::smatch parts;
    if (!std::regex_match(line, parts, kLine))
        return -1;
    const double units[] = { 1, 1e3, 1e6, 1e9 };
    const char* names[] = { "B", "kB", "MB", "GB" };
    const double unit = units[std::ranges::find(names, parts[5].str()) - std::begin(names)];
    const double tenths = parts[4].matched ? std::stod(parts[4].str()) / 10 : 0;
    return (std::stod(parts[2].str()) + tenths) * unit;
}

/// The program with its hash windows.
class HashWindowTest : public ProgramTest {
protected:
    /// Opens one more hash window from the menu and answers it.
    static platform::WindowHandle OpenHashWindow(platform::WindowHandle frame)
    {
        return OpenWindow(frame, kTestingItem);
    }

    /// Presses "..." and answers the file dialog with `paths` (none: Cancel) after checking
    /// it is the program's; answers the directory it started in.
    static std::string ChooseFile(
        platform::WindowHandle window, const std::vector<std::string>& paths)
    {
        return ProgramTest::ChooseFile(window, kChooseButton, paths);
    }

    /// Names `path` in the window and presses its file button, without waiting for the end.
    static void StartHashing(platform::WindowHandle window, const std::string& path)
    {
        ProgramTest::StartHashing(window, kFileEntry, kFileButton, path);
    }

    /// Waits until the window shows its progress line and "Prekini".
    static void WaitForProgress(platform::WindowHandle window)
    {
        ProgramTest::WaitForProgress(window, kProgressLine, kCancelButton);
    }
};

TEST_F(HashWindowTest, OpeningAWindowMakesTheResultFileEmptyAndHoldsNothing)
{
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        ASSERT_NE(window, 0u);
        EXPECT_EQ(platform::FocusedWindow(), Control(window, kTextBox)) << "ready for typing";
        EXPECT_TRUE(std::filesystem::exists(ResultPath()));
        EXPECT_EQ(ResultFile(), "");
        // Nothing holds it: another program may replace it at once.
        std::filesystem::remove(ResultPath());
        EXPECT_FALSE(std::filesystem::exists(ResultPath()));
        EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
    });
}

TEST_F(HashWindowTest, TypedTextGivesItsNumberShownAndWritten)
{
    struct Case {
        const char* what;
        std::string typed; // UTF-8, as the keyboard gives it; "\n" presses Enter
        const char* number;
    };
    const Case cases[] = {
        { "abc", "abc", kAbc },
        { "an empty box still hashes", "", kEmpty },
        // Its Windows-1250 bytes 9E 61 62 61.
        { "a Croatian word",
            "\xC5\xBE"
            "aba",
            "757988422B-19ACC6BF44-224381F6D7-B729EA6C36" },
        { "trailing blanks are not hashed", "abc   ", kAbc },
        { "leading blanks are", "  abc", "C9CCCFFD0E-AD45633634-5F1C174D11-1E8B7A0EF5" },
        { "two lines, CR LF between them", "ab\ncd",
            "7AC33ADB46-86C41395F3-02D89F5EEA-4A8E47AA41" },
        // The box takes 500 characters and no 501st: all 500 are hashed.
        { "501 typed, 500 taken", std::string(500, 'x') + "y",
            "DC31B173A0-A99F4123F4-3C4C18E291-F1101D5B0C" },
    };
    RunProgram([&](platform::WindowHandle frame) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            const platform::WindowHandle window = OpenHashWindow(frame);
            ASSERT_NE(window, 0u);
            if (!c.typed.empty())
                test::TypeText(Control(window, kTextBox), c.typed);
            Press(window, kTextButton);
            EXPECT_EQ(AnswerMessage(), "") << "no message";
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), c.number);
            EXPECT_EQ(ResultFile(), FileLine(c.number)) << "exactly one line";
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath());
            Press(window, kCloseButton);
            EXPECT_TRUE(platform::MdiChildren(frame).empty()) << "Zatvori closes it";
        }
    });
}

TEST_F(HashWindowTest, PressingTwiceLeavesOneLine)
{
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        test::TypeText(Control(window, kTextBox), "abc");
        Press(window, kTextButton);
        Press(window, kTextButton);
        EXPECT_EQ(ResultFile(), FileLine(kAbc));
    });
}

TEST_F(HashWindowTest, WindowsOpenedBeforeAndAfterAPressWriteInTurn)
{
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle first = OpenHashWindow(frame);
        test::TypeText(Control(first, kTextBox), "abc");
        Press(first, kTextButton);
        // Opened after the first window wrote: it opens as usual, with no message.
        const platform::WindowHandle second = OpenHashWindow(frame);
        ASSERT_NE(second, 0u);
        EXPECT_EQ(AnswerMessage(), "");
        Press(second, kTextButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(ResultFile(), FileLine(kEmpty)) << "the second window wrote";
        EXPECT_EQ(test::TextOf(Control(second, kPathEntry)), ResultPath());
        Press(first, kTextButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(ResultFile(), FileLine(kAbc)) << "and the first again";
    });
}

TEST_F(HashWindowTest, WindowsOpenedWhileAnotherCopyWritesTheResultFileOpenWithoutAWord)
{
    WriteText(ResultPath(), FileLine(kEmpty));
    RunProgram([&](platform::WindowHandle frame) {
        {
            // Another copy of the program in the middle of its write: the file held, others
            // denied everything.
            const platform::Result<platform::File> held = platform::File::Open(
                ResultPath(), platform::kAccessReadWrite | platform::kShareDenyAll);
            ASSERT_TRUE(held);
            for (int n = 0; n < 2; ++n) {
                test::ChooseMenuItem(frame, kTestingItem);
                ASSERT_TRUE(test::WaitUntilIdle());
                EXPECT_EQ(AnswerMessage(), "") << "window " << n + 1;
            }
        }
        const std::vector<platform::WindowHandle> windows = platform::MdiChildren(frame);
        ASSERT_EQ(windows.size(), 2u);
        for (const platform::WindowHandle window : windows) {
            test::TypeText(Control(window, kTextBox), "abc");
            Press(window, kTextButton);
            EXPECT_EQ(AnswerMessage(), "");
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath());
            EXPECT_EQ(ResultFile(), FileLine(kAbc));
        }
    });
}

TEST_F(HashWindowTest, AChosenFileGivesTheNumberOfItsContents)
{
    // č, ć, đ, š and ž in the name: Windows-1250 in the runtime, UTF-8 on the disk.
    const std::string name = "\xC4\x8D\xC4\x87\xC4\x91\xC5\xA1\xC5\xBE.txt";
    WriteText(m_directory / name, "file contents\n");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        platform::SetWindowText(Control(window, kFileEntry), "");
        test::TypeText(Control(window, kFileEntry), m_directory / name);
        Press(window, kFileButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)),
            "3C3771C1F3-304BDB052B-101CC97A23-DF1AB9531F");
        EXPECT_EQ(ResultFile(), "3C3771C1F3304BDB052B101CC97A23DF1AB9531F\r\n");
        EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath());
    });
}

TEST_F(HashWindowTest, AFileThatGivesNoNumberIsReportedNeitherShownNorWritten)
{
    WriteText(m_directory / "abc.txt", "abc");
    struct Case {
        const char* what;
        std::string path;
        const char* message;
    };
    const Case cases[] = {
        { "no file named", "", "datoteka nije odabrana" },
        { "a missing file", m_directory / "missing.txt", ": datoteka ne postoji." },
        { "a missing folder", m_directory / "missing/x.txt", ": datoteka ne postoji" },
        { "a directory", m_directory.Path(), ": to je mapa, a ne datoteka." },
        // Refused at once: reading a pipe would wait for a writer.
        { "a pipe", m_directory / "cijev",
            ": to je cijev, ure\xC4\x91"
            "aj ili " },
        { "a device", "/dev/zero",
            "a ne obi\xC4\x8D"
            "na datoteka." },
        { "a file that cannot be read whole", "/proc/self/mem",
            ": gre\xC5\xA1ka pri \xC4\x8Ditanju." },
    };
    std::vector<Case> rows(std::begin(cases), std::end(cases));
    ASSERT_EQ(::mkfifo((m_directory / "cijev").c_str(), 0600), 0);
    const std::string locked = m_directory / "zakljucana.txt";
    WriteText(locked, "x");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    // The superuser reads it all the same: the row is only for users it stops.
    if (!std::ifstream(locked).is_open())
        rows.push_back(
            { "a file that may not be read", locked, ": nemate dozvolu za \xC4\x8Ditanje." });
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        // A number formed first, so that what follows must clear it.
        platform::SetWindowText(Control(window, kFileEntry), "");
        test::TypeText(Control(window, kFileEntry), m_directory / "abc.txt");
        Press(window, kFileButton);
        ASSERT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);
        for (const Case& c : rows) {
            SCOPED_TRACE(c.what);
            platform::SetWindowText(Control(window, kFileEntry), "");
            if (!c.path.empty())
                test::TypeText(Control(window, kFileEntry), c.path);
            Press(window, kFileButton);
            const std::string message = AnswerMessage();
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
            if (!c.path.empty()) {
                EXPECT_NE(message.find(c.path), std::string::npos) << "names the file";
            }
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
            EXPECT_EQ(ResultFile(), FileLine(kAbc)) << "the file keeps the last number";
        }
    });
}

TEST_F(HashWindowTest, AResultFileThatIsNoRegularFileIsRefusedAtTheStartAndAtEveryPress)
{
    // The current directory may be shared: whatever someone else put there in the file's place
    // is never written through, emptied or waited on, neither when a window starts (which
    // makes the file when it is missing) nor at a press.
    const std::string target = m_directory / "target.txt";
    const std::string missing = m_directory / "never-made.txt";
    const std::string fifo = m_directory / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteText(m_directory / "abc.txt", "abc");
    const std::string link = "to je simboli\xC4\x8Dka poveznica, a ne obi\xC4\x8Dna datoteka.";
    struct Case {
        const char* what;
        std::function<void(const std::string& name)> make;
        std::string reason; // part of the message
    };
    const Case cases[] = {
        { "a link to a file",
            [&](const std::string& n) { std::filesystem::create_symlink(target, n); }, link },
        { "a dangling link",
            [&](const std::string& n) { std::filesystem::create_symlink(missing, n); }, link },
        { "a link to /dev/null",
            [&](const std::string& n) { std::filesystem::create_symlink("/dev/null", n); }, link },
        { "a FIFO nobody reads or writes",
            [&](const std::string& n) { ASSERT_EQ(::mkfifo(n.c_str(), 0600), 0); },
            "to je cijev, ure\xC4\x91"
            "aj ili priklju\xC4\x8Dnica, a ne obi\xC4\x8Dna datoteka." },
        { "a folder", [&](const std::string& n) { std::filesystem::create_directory(n); },
            "to je mapa, a ne datoteka." },
    };
    RunProgram([&](platform::WindowHandle frame) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            std::filesystem::remove(ResultPath());
            WriteText(target, FileLine(kEmpty));
            c.make(ResultPath());
            std::optional<testsupport::FifoWatchdog> watchdog;
            watchdog.emplace(ResultPath());
            const platform::WindowHandle window = OpenHashWindow(frame);
            watchdog.reset();
            ASSERT_NE(window, 0u) << "the window opens all the same";
            EXPECT_EQ(AnswerMessage(), "") << "the start says nothing: a press says why";
            EXPECT_EQ(ReadText(target), FileLine(kEmpty)) << "the start left the target alone";
            test::TypeText(Control(window, kTextBox), "abc");
            platform::SetWindowText(Control(window, kFileEntry), "");
            test::TypeText(Control(window, kFileEntry), m_directory / "abc.txt");
            for (const std::uint32_t button : { kTextButton, kFileButton }) {
                SCOPED_TRACE(button == kTextButton ? "text" : "file");
                watchdog.emplace(ResultPath());
                Press(window, button);
                watchdog.reset();
                const std::string message = AnswerMessage();
                EXPECT_NE(message.find("nije zapisan u datoteku " + ResultPath() + ": " + c.reason),
                    std::string::npos)
                    << message;
                EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc)
                    << "formed all the same";
                EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "") << "not claimed written";
                EXPECT_EQ(ReadText(target), FileLine(kEmpty)) << "the target keeps its line";
                EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(missing)))
                    << "nothing made through a dangling link";
            }
            Press(window, kCloseButton);
        }
        // Once it is an ordinary file again, it is written.
        std::filesystem::remove(ResultPath());
        const platform::WindowHandle window = OpenHashWindow(frame);
        Press(window, kTextButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(ResultFile(), FileLine(kEmpty));
        EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath());
    });
}

TEST_F(HashWindowTest, AnInputThatIsAPipeOrAnEndlessDeviceIsRefusedWithoutWaiting)
{
    WriteText(m_directory / "abc.txt", "abc");
    const std::string held = m_directory / "cijev-s-piscem";
    ASSERT_EQ(::mkfifo(held.c_str(), 0600), 0);
    // A writer holds it open, with bytes waiting in it: reading would never see its end.
    const int writer = ::open(held.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "abc", 3), 3);
    const std::string later = m_directory / "postat-ce-cijev.txt";
    const std::string refused = "to je cijev, ure\xC4\x91"
                                "aj ili priklju\xC4\x8Dnica, a ne obi\xC4\x8Dna datoteka.";
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        Press(window, kTextButton);
        ASSERT_EQ(ResultFile(), FileLine(kEmpty));
        // Typed or dropped: each refused the same way, the file untouched. (The file dialog
        // offers regular files only; a file chosen there and replaced follows.)
        const std::function<void(const std::string&)> ways[] = {
            [&](const std::string& path) {
                platform::SetWindowText(Control(window, kFileEntry), "");
                test::TypeText(Control(window, kFileEntry), path);
            },
            [&](const std::string& path) {
                EXPECT_TRUE(test::DropFiles(window, { path }));
                EXPECT_TRUE(test::WaitUntilIdle());
            },
        };
        for (const std::string& path :
            { held, std::string("/dev/zero"), std::string("/dev/urandom") }) {
            for (const auto& choose : ways) {
                SCOPED_TRACE(path);
                choose(path);
                ASSERT_EQ(AnswerMessage(), "") << "the name itself is taken";
                const testsupport::FifoWatchdog watchdog(held);
                Press(window, kFileButton);
                const std::string message = AnswerMessage();
                EXPECT_NE(message.find(path + " nije formiran: " + refused), std::string::npos)
                    << message;
                EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
                EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
                EXPECT_EQ(ResultFile(), FileLine(kEmpty));
            }
        }
        // A file chosen while it was an ordinary one, replaced by a FIFO before the press.
        WriteText(later, "abc");
        ChooseFile(window, { later });
        std::filesystem::remove(later);
        ASSERT_EQ(::mkfifo(later.c_str(), 0600), 0);
        {
            const testsupport::FifoWatchdog watchdog(later);
            Press(window, kFileButton);
        }
        const std::string message = AnswerMessage();
        EXPECT_NE(message.find(later + " nije formiran: " + refused), std::string::npos) << message;
        EXPECT_EQ(ResultFile(), FileLine(kEmpty));
    });
    ::close(writer);
}

TEST_F(HashWindowTest, AFaultWhileReadingTheChosenFileIsReportedAndNothingWritten)
{
    // A million times "a": its number is a known one.
    constexpr char kMillionA[] = "34AA973CD4-C4DAA4F61E-EB2BDBAD27-316534016F";
    const std::string chosen = m_directory / "milijun.txt";
    WriteText(chosen, std::string(1000000, 'a'));
    const std::string unreadable = "gre\xC5\xA1ka pri \xC4\x8Ditanju.";
    struct Case {
        const char* what;
        testsupport::ReadFault fault;
        std::uint64_t bytes; // given before reading fails
        const char* reason;
    };
    const Case cases[] = {
        { "a read fails half-way through the file", testsupport::ReadFault::ReadFailsAfter, 500000,
            unreadable.c_str() },
        { "the first read fails", testsupport::ReadFault::ReadFailsAfter, 0, unreadable.c_str() },
        // Taken as a chmod after choosing takes them, which the superuser would not feel.
        { "the rights to read it are gone", testsupport::ReadFault::OpenDenied, 0,
            "nemate dozvolu za \xC4\x8Ditanje." },
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        test::TypeText(Control(window, kTextBox), "abc");
        ChooseFile(window, { chosen });
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            Press(window, kTextButton);
            ASSERT_EQ(ResultFile(), FileLine(kAbc));
            {
                const testsupport::ScopedReadFault fault(chosen, c.fault, c.bytes);
                Press(window, kFileButton);
                EXPECT_GE(testsupport::ScopedReadFault::Struck(), 1u);
            }
            const std::string message = AnswerMessage();
            EXPECT_NE(message.find(chosen + " nije formiran: " + c.reason), std::string::npos)
                << message;
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "") << "no number shown";
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
            EXPECT_EQ(ResultFile(), FileLine(kAbc)) << "the line before stays whole";
            Press(window, kFileButton);
            EXPECT_EQ(AnswerMessage(), "") << "read whole once the fault is gone";
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kMillionA);
        }
    });
}

TEST_F(HashWindowTest, RightsTakenAfterTheFileWasChosenAreReported)
{
    const std::string chosen = m_directory / "abc.txt";
    WriteText(chosen, "abc");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        Press(window, kTextButton);
        ChooseFile(window, { chosen });
        std::filesystem::permissions(chosen, std::filesystem::perms::none);
        if (std::ifstream(chosen).is_open())
            GTEST_SKIP() << "the superuser reads it all the same: the injected fault stands in";
        Press(window, kFileButton);
        const std::string message = AnswerMessage();
        EXPECT_NE(message.find(chosen + ": nemate dozvolu za \xC4\x8Ditanje."), std::string::npos)
            << message;
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
        EXPECT_EQ(ResultFile(), FileLine(kEmpty)) << "the line before stays whole";
    });
}

TEST_F(HashWindowTest, AFileChosenThroughTheDialogIsHashed)
{
    std::filesystem::create_directory(m_directory / "ulaz");
    // č, ć, đ, š and ž: Windows-1250 in the runtime, UTF-8 on the disk.
    const std::string croatian = "\xC4\x8D\xC4\x87\xC4\x91\xC5\xA1\xC5\xBE.TXT";
    const std::string chosen = m_directory / ("ulaz/" + croatian);
    WriteText(chosen, "abc");
    WriteText(m_directory / "ulaz/zapisnik.txt", "");
    WriteText(m_directory / "ulaz/slika.gif", "");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        test::Click(Control(window, kChooseButton));
        ASSERT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle dialog = test::ActiveDialog();
        ASSERT_NE(dialog, 0u);
        // It starts in the program's current directory, the text files' filter in force.
        std::optional<test::FileDialogView> view = test::DescribeFileDialog(dialog);
        ASSERT_TRUE(view);
        EXPECT_EQ(view->directory, m_directory.Path());
        ASSERT_EQ(view->filters.size(), 9u);
        EXPECT_NE(view->filters[0].find("Tekstualna datoteka"), std::string::npos);
        EXPECT_NE(view->filters[8].find("TIF datoteke"), std::string::npos);
        ASSERT_TRUE(test::AnswerFileDialog(dialog, {}));
        ASSERT_TRUE(test::WaitUntilIdle());

        EXPECT_EQ(ChooseFile(window, { chosen }), m_directory.Path());
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), chosen) << "shown at once";
        Press(window, kFileButton);
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);
        EXPECT_EQ(ResultFile(), FileLine(kAbc)) << "in the program's directory, not the file's";
        EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath());

        // The next look starts beside the file chosen; cancelling it keeps that file.
        test::Click(Control(window, kChooseButton));
        ASSERT_TRUE(test::WaitUntilIdle());
        view = test::DescribeFileDialog(test::ActiveDialog());
        ASSERT_TRUE(view);
        EXPECT_EQ(view->directory, m_directory / "ulaz");
        // "*.TXT" lists "zapisnik.txt", whatever the letter case; the picture is not a text.
        std::vector<std::string> listed = view->listed;
        std::ranges::sort(listed);
        EXPECT_EQ(listed, (std::vector<std::string> { "zapisnik.txt", croatian }));
        ASSERT_TRUE(test::AnswerFileDialog(test::ActiveDialog(), {}));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), chosen);
        EXPECT_EQ(std::filesystem::current_path(), m_directory.Path()) << "put back";
    });
}

TEST_F(HashWindowTest, ANameTheWindowCannotTakeIsRefusedAndTheChoiceBeforeKept)
{
    WriteText(m_directory / "abc.txt", "abc");
    // U+4E2D has no Windows-1250 form.
    const std::string unspellable = m_directory / "\xE4\xB8\xAD.txt";
    WriteText(unspellable, "x");
    // A path of 127 characters: one more than the entry holds.
    const std::string folder = m_directory / std::string(100, 'd');
    std::filesystem::create_directory(folder);
    const std::string tooLong = folder + "/" + std::string(126 - folder.size(), 'f');
    ASSERT_EQ(tooLong.size(), 127u);
    WriteText(tooLong, "x");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        ChooseFile(window, { m_directory / "abc.txt" });
        ChooseFile(window, { unspellable });
        EXPECT_NE(AnswerMessage().find("Windows-1250"), std::string::npos);
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), m_directory / "abc.txt");
        ChooseFile(window, { tooLong });
        EXPECT_NE(AnswerMessage().find("ima 127 znakova"), std::string::npos);
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), m_directory / "abc.txt");
        Press(window, kFileButton);
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);
    });
}

TEST_F(HashWindowTest, AHostileNameIsHashedAsItIsOrRefusedNeverTakenForAnother)
{
    // Each file holds "abc"; beside it lie decoys, each holding other bytes, named as a careless
    // conversion of the hostile name would come out. A choice is either refused ("Datoteka nije
    // prihvaćena", the file chosen before kept) or hashed to the number of "abc": never to a
    // decoy's, and never a crash. A name is no option to the program, whatever its dashes.
    const std::string empty = m_directory / "empty.txt";
    WriteText(empty, "");
    struct Case {
        const char* what;
        std::string name;
        std::vector<std::string> decoys;
        bool typed;   // typed in the entry too (a newline cannot be: Enter presses a button)
        bool listed;  // the dialog's first filter, "*.TXT", offers it
        bool refused; // no Windows-1250 name spells it
    };
    const Case cases[] = {
        { "a leading dash", "-rf", { "rf" }, true, false, false },
        { "two leading dashes", "--help", { "help", "-help" }, true, false, false },
        { "a newline", "a\nb.txt", { "ab.txt", "a b.txt", "a", "a\rb.txt" }, false, true, false },
        // The file system's bytes are not UTF-8: no Windows-1250 name spells them.
        { "a byte that is no UTF-8", "x\xFF.txt", { "x.txt", "x\xEF\xBF\xBD.txt", "x?.txt" }, false,
            true, true },
    };
    for (const Case& c : cases) {
        WriteText(m_directory / c.name, "abc");
        for (const std::string& decoy : c.decoys)
            WriteText(m_directory / decoy, "decoy");
    }
    // How a name reaches the window, and whether the way gives it as the file system spells it.
    struct Way {
        const char* what;
        bool typing;
        bool dialog;
        std::function<void(platform::WindowHandle window, const Case& c)> choose;
    };
    const Way ways[] = {
        { "typed, full path", true, false,
            [&](platform::WindowHandle window, const Case& c) {
                platform::SetWindowText(Control(window, kFileEntry), "");
                test::TypeText(Control(window, kFileEntry), m_directory / c.name);
            } },
        { "typed, as a bare name in the current directory", true, false,
            [&](platform::WindowHandle window, const Case& c) {
                platform::SetWindowText(Control(window, kFileEntry), "");
                test::TypeText(Control(window, kFileEntry), c.name);
            } },
        // The dialog lists "*.TXT" files first: a name it does not take is cancelled, and so
        // not chosen.
        { "chosen in the dialog", false, true,
            [&](platform::WindowHandle window, const Case& c) {
                test::Click(Control(window, kChooseButton));
                EXPECT_TRUE(test::WaitUntilIdle());
                const platform::WindowHandle dialog = test::ActiveDialog();
                if (!test::AnswerFileDialog(dialog, { m_directory / c.name })) {
                    EXPECT_TRUE(test::AnswerFileDialog(dialog, {}));
                }
                EXPECT_TRUE(test::WaitUntilIdle());
            } },
        { "dropped", false, false,
            [&](platform::WindowHandle window, const Case& c) {
                EXPECT_TRUE(test::DropFiles(window, { m_directory / c.name }));
                EXPECT_TRUE(test::WaitUntilIdle());
            } },
        { "dropped as an address with the bytes escaped", false, false,
            [&](platform::WindowHandle window, const Case& c) {
                std::string url = "file://" + m_directory.Path() + "/";
                for (const char character : c.name) {
                    const auto byte = static_cast<unsigned char>(character);
                    char escaped[4];
                    std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
                    url += std::isalnum(byte) != 0 || character == '.' ? std::string(1, character)
                                                                       : std::string(escaped);
                }
                EXPECT_TRUE(test::DropUrls(window, { url }));
                EXPECT_TRUE(test::WaitUntilIdle());
            } },
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        for (const Case& c : cases) {
            for (const Way& way : ways) {
                SCOPED_TRACE(std::string(c.what) + ", " + way.what);
                if (way.typing && !c.typed)
                    continue;
                ChooseFile(window, { empty });
                way.choose(window, c);
                const std::string refusal = AnswerMessage();
                const bool taken = test::TextOf(Control(window, kFileEntry)) != empty;
                const bool offered = !way.dialog || c.listed;
                if (c.refused) {
                    EXPECT_NE(refusal.find("Windows-1250"), std::string::npos) << refusal;
                } else {
                    EXPECT_EQ(refusal, "");
                }
                EXPECT_EQ(taken, offered && !c.refused);
                Press(window, kFileButton);
                EXPECT_EQ(AnswerMessage(), "");
                EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), taken ? kAbc : kEmpty)
                    << "the file itself or the one chosen before, never a decoy";
            }
        }
    });
}

TEST_F(HashWindowTest, TwoWindowsShareTheChosenFile)
{
    WriteText(m_directory / "abc.txt", "abc");
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle first = OpenHashWindow(frame);
        const platform::WindowHandle second = OpenHashWindow(frame);
        ChooseFile(first, { m_directory / "abc.txt" });
        // The second window shows it only when it next shows its fields, but hashes it now.
        Press(second, kFileButton);
        EXPECT_EQ(AnswerMessage(), "");
        EXPECT_EQ(test::TextOf(Control(second, kNumberEntry)), kAbc);
    });
}

TEST_F(HashWindowTest, TextWithCharactersTheCodePageLacksIsNeverHashedWithSubstitutes)
{
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        const platform::WindowHandle box = Control(window, kTextBox);
        test::TypeText(box, "abc");
        // Pasted "a中b😀": refused whole, the user told which characters at the cursor.
        test::Paste(box,
            "a\xE4\xB8\xAD"
            "b\xF0\x9F\x98\x80");
        EXPECT_EQ(test::TextOf(box), "abc");
        const std::string tip = test::ToolTipText();
        EXPECT_NE(tip.find("Windows-1250: \xE4\xB8\xAD, \xF0\x9F\x98\x80"), std::string::npos)
            << tip;
        Press(window, kTextButton);
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);

        // Written in by assistive technology, past the box's own checks: the press names them
        // and forms no number of substitutes.
        test::InsertThroughAccessibility(box, "\xE4\xB8\xAD\xF0\x9F\x98\x80");
        ASSERT_TRUE(test::WaitUntilIdle());
        Press(window, kTextButton);
        const std::string message = AnswerMessage();
        EXPECT_NE(message.find("U+4E2D, U+1F600"), std::string::npos) << message;
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
        EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
        EXPECT_EQ(ResultFile(), FileLine(kAbc)) << "nothing written";
    });
}

TEST_F(HashWindowTest, AResultFileThatCannotBeWrittenIsReportedAndNoPathShown)
{
    // Not even the superuser makes files here.
    const std::string unwritable = "/sys";
    RunProgram(
        [&](platform::WindowHandle frame) {
            const platform::WindowHandle window = OpenHashWindow(frame);
            ASSERT_NE(window, 0u) << "the window opens all the same";
            EXPECT_EQ(AnswerMessage(), "");
            test::TypeText(Control(window, kTextBox), "abc");
            Press(window, kTextButton);
            const std::string message = AnswerMessage();
            EXPECT_NE(message.find("nije zapisan u datoteku /sys/HASHBROJ.TXT"), std::string::npos)
                << message;
            EXPECT_NE(message.find("(5)"), std::string::npos) << "the file error: " << message;
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc) << "formed all the same";
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
        },
        unwritable);
}

TEST_F(HashWindowTest, AResultFileTheDiskFailsToTakeIsReportedAndNoPathShown)
{
    using files::Fault;
    using files::FaultPoint;
    using platform::SystemError;
    struct Case {
        const char* what;
        Fault fault;
    };
    const Case cases[] = {
        { "the disk fills during the APPEND",
            Fault(FaultPoint::Write, SystemError::DiskFull).FromThenOn() },
        { "the flush fails", Fault(FaultPoint::Flush, SystemError::GeneralFailure) },
        { "the close fails", Fault(FaultPoint::Close, SystemError::GeneralFailure) },
    };
    WriteText(m_directory / "abc.txt", "abc");
    files::FaultInjectingFileSystem faults;
    const files::FileSystemScope scope(faults);
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        test::TypeText(Control(window, kTextBox), "abc");
        platform::SetWindowText(Control(window, kFileEntry), "");
        test::TypeText(Control(window, kFileEntry), m_directory / "abc.txt");
        Press(window, kTextButton);
        ASSERT_EQ(AnswerMessage(), "");
        for (const Case& c : cases) {
            for (const std::uint32_t button : { kTextButton, kFileButton }) {
                SCOPED_TRACE(std::string(c.what) + (button == kTextButton ? ", text" : ", file"));
                ASSERT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath())
                    << "shown by the write before";
                faults.Arm(Fault(c.fault).OnlyFor("/HASHBROJ.TXT"));
                const std::uint32_t struck = faults.Struck();
                Press(window, button);
                const std::string message = AnswerMessage();
                EXPECT_NE(
                    message.find("nije zapisan u datoteku " + ResultPath()), std::string::npos)
                    << message;
                EXPECT_NE(message.find("(5)"), std::string::npos) << "the file error: " << message;
                EXPECT_GT(faults.Struck(), struck);
                EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc)
                    << "formed all the same";
                EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "")
                    << "not claimed to be written";

                faults.Disarm();
                Press(window, button);
                EXPECT_EQ(AnswerMessage(), "") << "written once the disk is well again";
                EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), ResultPath());
                EXPECT_EQ(ResultFile(), FileLine(kAbc));
            }
        }
    });
}

TEST_F(HashWindowTest, ALongCurrentDirectoryIsShownCutAfterSixtyCharacters)
{
    const std::string deep = m_directory / (std::string(40, 'a') + "/" + std::string(40, 'b'));
    std::filesystem::create_directories(deep);
    RunProgram(
        [&](platform::WindowHandle frame) {
            const platform::WindowHandle window = OpenHashWindow(frame);
            Press(window, kTextButton);
            EXPECT_EQ(
                test::TextOf(Control(window, kPathEntry)), (deep + "/HASHBROJ.TXT").substr(0, 60));
            EXPECT_EQ(ReadText(deep + "/HASHBROJ.TXT"), FileLine(kEmpty));
        },
        deep);
}

TEST_F(HashWindowTest, APathOfThousandsOfCharactersIsRefusedByTheEntrysLength)
{
    // Twenty directories of 200 characters: a path no system call takes whole.
    const testsupport::DeepDirectory deep(m_directory.Path(), std::string(200, 'd'), 20);
    ASSERT_TRUE(deep.Made(20));
    const int made = ::openat(deep.Descriptor(), "abc.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(made, 0);
    ASSERT_EQ(::write(made, "abc", 3), 3);
    ::close(made);
    const std::string path = deep.Path() + "/abc.txt";
    ASSERT_GT(path.size(), 4000u);
    const std::string empty = m_directory / "empty.txt";
    WriteText(empty, "");
    const std::string tooLong = "ima " + std::to_string(path.size()) + " znakova";
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        ChooseFile(window, { empty });
        EXPECT_TRUE(test::DropFiles(window, { path }));
        ASSERT_TRUE(test::WaitUntilIdle());
        std::string message = AnswerMessage();
        EXPECT_NE(message.find(tooLong), std::string::npos) << "dropped: " << message;
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), empty);
        // The dialog's answer travels in 260 characters: cut there, and refused all the same.
        ChooseFile(window, { path });
        message = AnswerMessage();
        EXPECT_NE(
            message.find("Put do odabrane datoteke ima najmanje 260 znakova"), std::string::npos)
            << "chosen: " << message;
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), empty);
        // Typed: the entry takes its first 126 characters, which name no file.
        platform::SetWindowText(Control(window, kFileEntry), "");
        test::TypeText(Control(window, kFileEntry), path);
        EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), path.substr(0, 126));
        Press(window, kFileButton);
        message = AnswerMessage();
        EXPECT_NE(message.find(path.substr(0, 126) + " nije formiran: datoteka ne postoji."),
            std::string::npos)
            << message;
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
    });
}

TEST_F(HashWindowTest, ACurrentDirectoryTooLongForAFullPathIsReportedClearly)
{
    const testsupport::DeepDirectory deep(m_directory.Path(), std::string(200, 'd'), 21);
    ASSERT_TRUE(deep.Made(21));
    const testsupport::ScopedCurrentDescriptor inside(deep.Descriptor());
    RunProgram(
        [&](platform::WindowHandle frame) {
            const platform::WindowHandle window = OpenHashWindow(frame);
            ASSERT_NE(window, 0u);
            EXPECT_EQ(AnswerMessage(), "");
            Press(window, kTextButton);
            const std::string message = AnswerMessage();
            // The path is cut in the message; why it was not written is not.
            EXPECT_NE(
                message.find("nije zapisan u datoteku " + m_directory.Path()), std::string::npos)
                << message;
            EXPECT_NE(message.find(": put do nje je preduga\xC4\x8D"
                                   "ak. Pokrenite program u mapi "
                                   "kra\xC4\x87"
                                   "eg puta."),
                std::string::npos)
                << message;
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kEmpty);
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "") << "not claimed written";
            EXPECT_NE(::faccessat(deep.Descriptor(), "HASHBROJ.TXT", F_OK, 0), 0);
        },
        ".");
}

TEST_F(HashWindowTest, ABigFileShowsItsProgressAndIsCancelledWithNothingWritten)
{
    struct Case {
        const char* what;
        std::function<void(platform::WindowHandle window)> cancel;
    };
    const Case cases[] = {
        { "Esc", [](platform::WindowHandle window) { test::PressKey(window, kEscapeKey); } },
        { "Prekini",
            [](platform::WindowHandle window) { test::Click(Control(window, kCancelButton)); } },
    };
    const std::string big = BigFile();
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        const platform::WindowHandle line = Control(window, kProgressLine);
        EXPECT_FALSE(Visible(line));
        EXPECT_FALSE(Visible(Control(window, kCancelButton)));
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            // A number formed and written first: the cancelled hash must leave the file alone
            // and clear what the window showed.
            test::TypeText(Control(window, kTextBox), "abc");
            Press(window, kTextButton);
            ASSERT_EQ(ResultFile(), FileLine(kAbc));
            EXPECT_FALSE(Visible(line)) << "nothing left of the last cancel";

            StartHashing(window, big);
            WaitForProgress(window);
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
            for (const std::uint32_t button : { kTextButton, kChooseButton, kFileButton })
                EXPECT_FALSE(Enabled(Control(window, button))) << "button " << button;
            EXPECT_TRUE(Enabled(Control(window, kCancelButton)));
            const double first = ShownBytesDone(test::TextOf(line));
            EXPECT_GE(first, 0) << test::TextOf(line);
            EXPECT_TRUE(WaitFor([&] { return ShownBytesDone(test::TextOf(line)) > first; }))
                << "it advances: " << test::TextOf(line);

            c.cancel(window);
            ASSERT_TRUE(test::WaitUntilIdle()) << "cancelled at once";
            EXPECT_EQ(AnswerMessage(), "") << "no message";
            EXPECT_EQ(test::TextOf(line), "Prekinuto.");
            EXPECT_TRUE(Visible(line));
            EXPECT_FALSE(Visible(Control(window, kCancelButton)));
            for (const std::uint32_t button : { kTextButton, kChooseButton, kFileButton })
                EXPECT_TRUE(Enabled(Control(window, button))) << "button " << button;
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), "");
            EXPECT_EQ(test::TextOf(Control(window, kPathEntry)), "");
            EXPECT_EQ(ResultFile(), FileLine(kAbc)) << "nothing written";
            EXPECT_EQ(platform::MdiChildren(frame).size(), 1u) << "the window stays";
            platform::SetWindowText(Control(window, kTextBox), "");
        }
    });
}

TEST_F(HashWindowTest, AnotherWindowFormsANumberWhileOneHashes)
{
    const std::string big = BigFile();
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle hashing = OpenHashWindow(frame);
        const platform::WindowHandle other = OpenHashWindow(frame);
        // Side by side: a click lands on the window a user sees under the mouse.
        const platform::Rect place = platform::WindowRect(hashing);
        platform::MoveWindow(hashing, { 0, 0, place.width, place.height });
        platform::MoveWindow(other, { place.width + 20, 0, place.width, place.height });
        ASSERT_TRUE(test::WaitUntilIdle());
        StartHashing(hashing, big);
        WaitForProgress(hashing);
        test::TypeText(Control(other, kTextBox), "abc");
        test::Click(Control(other, kTextButton));
        EXPECT_TRUE(
            WaitFor([&] { return test::TextOf(Control(other, kPathEntry)) == ResultPath(); }));
        EXPECT_EQ(test::TextOf(Control(other, kNumberEntry)), kAbc);
        EXPECT_EQ(ResultFile(), FileLine(kAbc));
        EXPECT_TRUE(Visible(Control(hashing, kCancelButton))) << "the first still hashes";
        test::Click(Control(hashing, kCancelButton));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(ResultFile(), FileLine(kAbc));
    });
}

TEST_F(HashWindowTest, ClosingAWindowMidHashCancelsAndClosesIt)
{
    struct Case {
        const char* what;
        std::function<void(platform::WindowHandle window)> close;
    };
    const Case cases[] = {
        { "its close box", [](platform::WindowHandle window) { test::RequestClose(window); } },
        { "Zatvori",
            [](platform::WindowHandle window) { test::Click(Control(window, kCloseButton)); } },
    };
    const std::string big = BigFile();
    RunProgram([&](platform::WindowHandle frame) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            const platform::WindowHandle window = OpenHashWindow(frame);
            StartHashing(window, big);
            WaitForProgress(window);
            c.close(window);
            ASSERT_TRUE(test::WaitUntilIdle()) << "its thread ends at once";
            EXPECT_EQ(AnswerMessage(), "");
            EXPECT_TRUE(platform::MdiChildren(frame).empty());
            EXPECT_EQ(ResultFile(), "") << "nothing written";
        }
    });
}

TEST_F(HashWindowTest, TheProgramEndsMidHashWithExitCodeZero)
{
    struct Case {
        const char* what;
        bool throughMenu; // File > Exit, else the frame's close box
    };
    const Case cases[] = { { "File > Exit", true }, { "the frame's close box", false } };
    const std::string big = BigFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_endThroughMenu = c.throughMenu;
        RunProgram([&](platform::WindowHandle frame) {
            const platform::WindowHandle window = OpenHashWindow(frame);
            StartHashing(window, big);
            WaitForProgress(window);
            if (!c.throughMenu)
                test::RequestClose(frame);
        });
        EXPECT_EQ(ResultFile(), "") << "nothing written";
    }
}

} // namespace

TEST_F(HashWindowTest, AFileDroppedOnTheWindowIsChosenAsThroughTheDialog)
{
    // č, ć, đ, š and ž: Windows-1250 in the runtime, UTF-8 on the disk.
    const std::string dropped = m_directory / "\xC4\x8D\xC4\x87\xC4\x91\xC5\xA1\xC5\xBE.txt";
    WriteText(dropped, "abc");
    WriteText(m_directory / "empty.txt", "");
    // Wherever it falls: on the window, on the entry that shows the file, on the text box.
    const std::uint32_t targets[] = { 0, kFileEntry, kTextBox };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        for (const std::uint32_t target : targets) {
            SCOPED_TRACE(target);
            ChooseFile(window, { m_directory / "empty.txt" });
            EXPECT_TRUE(
                test::DropFiles(target == 0 ? window : Control(window, target), { dropped }));
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_EQ(AnswerMessage(), "");
            EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), dropped) << "shown at once";
            EXPECT_EQ(test::TextOf(Control(window, kTextBox)), "") << "no text inserted";
            Press(window, kFileButton);
            EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);
            EXPECT_EQ(ResultFile(), FileLine(kAbc));
            // The next look starts beside the file dropped.
            EXPECT_EQ(ChooseFile(window, {}), m_directory.Path());
            EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), dropped);
        }
    });
}

TEST_F(HashWindowTest, ADropTheWindowCannotTakeIsRefusedAndTheChoiceBeforeKept)
{
    WriteText(m_directory / "abc.txt", "abc");
    WriteText(m_directory / "b.txt", "b");
    // U+4E2D has no Windows-1250 form.
    const std::string unspellable = m_directory / "\xE4\xB8\xAD.txt";
    WriteText(unspellable, "x");
    // A path of 127 characters: one more than the entry holds.
    const std::string folder = m_directory / std::string(100, 'd');
    std::filesystem::create_directory(folder);
    const std::string tooLong = folder + "/" + std::string(126 - folder.size(), 'f');
    ASSERT_EQ(tooLong.size(), 127u);
    WriteText(tooLong, "x");
    struct Case {
        const char* what;
        std::vector<std::string> urls;
        const char* message; // UTF-8, part of the message shown
    };
    const Case cases[] = {
        { "two files", { "file://" + m_directory / "b.txt", "file://" + m_directory / "abc.txt" },
            "Ispustite samo jednu datoteku" },
        { "a name Windows-1250 cannot spell", { "file://" + m_directory / "%E4%B8%AD.txt" },
            "Windows-1250" },
        { "a path longer than the entry holds", { "file://" + tooLong }, "ima 127 znakova" },
        { "an address on the web", { "https://example.com/abc.txt" },
            "nije datoteka ovog ra\xC4\x8Dunala" },
        { "an address on the web, named", { "https://example.com/abc.txt" },
            "Ispu\xC5\xA1teno: https://example.com/abc.txt" },
    };
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        ChooseFile(window, { m_directory / "abc.txt" });
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_TRUE(test::DropUrls(window, c.urls));
            ASSERT_TRUE(test::WaitUntilIdle());
            const std::string message = AnswerMessage();
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
            EXPECT_EQ(test::TextOf(Control(window, kFileEntry)), m_directory / "abc.txt");
        }
        Press(window, kFileButton);
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);
    });
}

TEST_F(HashWindowTest, TextDroppedOnTheTextBoxIsTakenAsTypedTextIs)
{
    RunProgram([&](platform::WindowHandle frame) {
        const platform::WindowHandle window = OpenHashWindow(frame);
        const platform::WindowHandle box = Control(window, kTextBox);
        EXPECT_TRUE(test::DropText(box, "abc"));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::TextOf(box), "abc");
        // "中": refused whole, named at the cursor as a paste's would be.
        test::DropText(box, "d\xE4\xB8\xAD");
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::TextOf(box), "abc");
        const std::string tip = test::ToolTipText();
        EXPECT_NE(tip.find("\xE4\xB8\xAD"), std::string::npos) << tip;
        // 498 more would pass the 500 the box holds: refused whole.
        test::DropText(box, std::string(498, 'x'));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::TextOf(box), "abc");
        EXPECT_EQ(AnswerMessage(), "") << "text is no file";
        Press(window, kTextButton);
        EXPECT_EQ(test::TextOf(Control(window, kNumberEntry)), kAbc);
    });
}
