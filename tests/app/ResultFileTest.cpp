// The result file as presses write it: one line, on the disk, whoever else writes it.

#include <app/Globals.h>
#include <app/ResultFile.h>
#include <files/ErrorState.h>
#include <files/FaultInjectingFileSystem.h>
#include <files/FileOps.h>
#include <files/FileSystem.h>

#include <gtest/gtest.h>

#include <common/HostilePaths.h>
#include <common/TestSupport.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {

using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

constexpr char kFirst[] = "A9993E364706816ABA3E25717850C26C9CD0D89D";
constexpr char kSecond[] = "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";

class ResultFileTest : public testing::Test {
protected:
    void TearDown() override
    {
        files::UsedFileList::CloseAll();
        files::ClearErrorState();
    }

    std::string ResultFile() const { return ReadText(m_directory / "HASHBROJ.TXT"); }

    TempDirectory m_directory;
    testsupport::ScopedEnvironment m_noProfile { "VARN_WIN_INI", "/nonexistent/win.ini" };
    testsupport::ScopedCurrentDirectory m_inside { m_directory.Path() };
};

TEST_F(ResultFileTest, AWriteLeavesExactlyItsLineWhateverTheFileHeld)
{
    struct Case {
        const char* what;
        const char* before; // nullptr: no file
    };
    const Case cases[] = {
        { "no file: it is made", nullptr },
        { "an empty file", "" },
        { "an earlier number", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709\r\n" },
        { "several lines and no last line break", "one\r\ntwo\r\nthree" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_directory / "HASHBROJ.TXT");
        if (c.before != nullptr)
            WriteText(m_directory / "HASHBROJ.TXT", c.before);
        ASSERT_EQ(app::WriteResultFile(kFirst), 0);
        EXPECT_EQ(ResultFile(), std::string(kFirst) + "\r\n");
        EXPECT_EQ(files::ErrorCode(), 0);
    }
}

TEST_F(ResultFileTest, AFailureIsAnsweredAndLeftPostedForTheReport)
{
    // A directory where the file should be: it can be neither opened nor made.
    std::filesystem::create_directory(m_directory / "HASHBROJ.TXT");
    const std::int32_t result = app::WriteResultFile(kFirst);
    EXPECT_NE(result, 0);
    EXPECT_EQ(files::ErrorCode(), result) << "what failed stays posted, not what closing said";
}

TEST_F(ResultFileTest, ADiskThatFailsIsAnsweredAndNeverTakenForSuccess)
{
    using files::Fault;
    using files::FaultPoint;
    using platform::SystemError;
    struct Case {
        const char* what;
        Fault fault;
        std::int32_t result; // and ERRORCODE() after it
    };
    const Case cases[] = {
        { "the disk fills during the APPEND",
            Fault(FaultPoint::Write, SystemError::DiskFull).FromThenOn(), 5 },
        { "the flush fails", Fault(FaultPoint::Flush, SystemError::GeneralFailure), 5 },
        { "the close fails", Fault(FaultPoint::Close, SystemError::GeneralFailure), 5 },
        { "the close reports a full disk", Fault(FaultPoint::Close, SystemError::DiskFull), 5 },
        // Another writer held the file at the first try and let go: the write waits for it.
        { "held by another writer a moment", Fault(FaultPoint::Open, SystemError::SharingViolation),
            0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(m_directory / "HASHBROJ.TXT", std::string(kSecond) + "\r\n");
        {
            files::FaultInjectingFileSystem faults;
            faults.Arm(Fault(c.fault).OnlyFor("/HASHBROJ.TXT"));
            const files::FileSystemScope scope(faults);
            EXPECT_EQ(app::WriteResultFile(kFirst), c.result);
            EXPECT_EQ(files::ErrorCode(), c.result) << "what failed stays posted";
            if (c.result != 0) {
                EXPECT_EQ(files::SavedSystemError(), c.fault.error);
            }
            EXPECT_GE(faults.Struck(), 1u);
        }
        EXPECT_EQ(app::WriteResultFile(kFirst), 0) << "nothing holds the file after a failure";
        EXPECT_EQ(ResultFile(), std::string(kFirst) + "\r\n");
    }
}

TEST_F(ResultFileTest, ANameThatIsNoRegularFileIsRefusedNeverFollowedNorWaitedOn)
{
    // The current directory may be shared (/tmp): someone else may have put anything there.
    const std::string name = m_directory / "HASHBROJ.TXT";
    const std::string target = m_directory / "target.txt";
    const std::string missing = m_directory / "never-made.txt";
    const std::string fifo = m_directory / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const char* const kLink = "to je simboli\xC4\x8Dka poveznica, a ne obi\xC4\x8Dna datoteka.";
    const char* const kPipe = "to je cijev, ure\xC4\x91"
                              "aj ili priklju\xC4\x8Dnica, a ne obi\xC4\x8Dna datoteka.";
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* reason; // how ResultFileRefusal() starts
    };
    const Case cases[] = {
        { "a link to a file", [&] { std::filesystem::create_symlink(target, name); }, kLink },
        { "a dangling link", [&] { std::filesystem::create_symlink(missing, name); }, kLink },
        { "a link to /dev/null", [&] { std::filesystem::create_symlink("/dev/null", name); },
            kLink },
        { "a link to a FIFO", [&] { std::filesystem::create_symlink(fifo, name); }, kLink },
        { "a FIFO nobody reads or writes", [&] { ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0); },
            kPipe },
        { "a folder", [&] { std::filesystem::create_directory(name); },
            "to je mapa, a ne datoteka." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(name);
        WriteText(target, std::string(kSecond) + "\r\n");
        c.make();
        std::int32_t written = 0;
        {
            const testsupport::FifoWatchdog watchdog(name);
            written = app::WriteResultFile(kFirst);
        }
        EXPECT_EQ(written, 5) << "access denied";
        EXPECT_EQ(ReadText(target), std::string(kSecond) + "\r\n") << "the target keeps its line";
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(missing)))
            << "nothing is made through a dangling link";
        EXPECT_EQ(app::ResultFileRefusal(written).find(c.reason), 0u)
            << app::ResultFileRefusal(written);
    }
    std::filesystem::remove(name);
    EXPECT_EQ(app::ResultFileRefusal(5), "") << "nothing there: nothing to explain";
    EXPECT_EQ(app::WriteResultFile(kFirst), 0) << "an ordinary file is written again";
    EXPECT_EQ(app::ResultFileRefusal(5), "") << "a failure of a regular file says its own error";
}

TEST_F(ResultFileTest, ACharacterDeviceInTheFilesPlaceIsRefused)
{
    const std::string name = m_directory / "HASHBROJ.TXT";
    if (::mknod(name.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "making a device node needs the superuser's rights";
    EXPECT_EQ(app::WriteResultFile(kFirst), 5);
    EXPECT_NE(app::ResultFileRefusal(5).find("ure\xC4\x91"
                                             "aj"),
        std::string::npos);
}

TEST_F(ResultFileTest, ACurrentDirectoryTooLongForTheFullPathIsReportedAsSuch)
{
    // The file layer takes full paths of up to 259 characters: past that the write is refused
    // with 45 and explained, wherever the directory lies and however deep it is.
    for (const std::size_t depth : { std::size_t { 2 }, std::size_t { 21 } }) {
        SCOPED_TRACE(depth);
        const testsupport::DeepDirectory deep(m_directory.Path(), std::string(200, 'd'), depth);
        ASSERT_TRUE(deep.Made(depth));
        const testsupport::ScopedCurrentDescriptor inside(deep.Descriptor());
        EXPECT_EQ(app::WriteResultFile(kFirst), 45);
        EXPECT_NE(app::ResultFileRefusal(45).find("preduga\xC4\x8D"
                                                  "ak"),
            std::string::npos);
        EXPECT_NE(::faccessat(deep.Descriptor(), "HASHBROJ.TXT", F_OK, 0), 0) << "nothing made";
        EXPECT_EQ(app::ResultFilePath(), deep.Path() + "/HASHBROJ.TXT");
    }
}

TEST_F(ResultFileTest, ShownPathIsTheCurrentDirectoryAndTheName)
{
    EXPECT_EQ(app::ResultFilePath(), m_directory / "HASHBROJ.TXT");
}

/// Starts the writer program in the current directory; answers its process id.
pid_t StartWriter(const char* digest, int count)
{
    const std::string countText = std::to_string(count);
    std::vector<char*> arguments { const_cast<char*>(RESULT_FILE_WRITER), const_cast<char*>(digest),
        const_cast<char*>(countText.c_str()), nullptr };
    pid_t pid = 0;
    if (::posix_spawn(&pid, RESULT_FILE_WRITER, nullptr, nullptr, arguments.data(), environ) != 0)
        return -1;
    return pid;
}

int ExitCodeOf(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(ResultFileTest, TwoProgramsWritingAtOnceLeaveOneWholeLine)
{
    // Many writes each, so that they overlap: none may fail, none may mix with the other.
    constexpr int kWrites = 300;
    const pid_t first = StartWriter(kFirst, kWrites);
    const pid_t second = StartWriter(kSecond, kWrites);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(ExitCodeOf(first), 0);
    EXPECT_EQ(ExitCodeOf(second), 0);
    const std::string line = ResultFile();
    EXPECT_TRUE(line == std::string(kFirst) + "\r\n" || line == std::string(kSecond) + "\r\n")
        << line;
}

} // namespace
