#include <platform/ErrnoMapping.h>
#include <platform/File.h>
#include <platform/LastError.h>

#include <gtest/gtest.h>

#include <common/HostilePaths.h>
#include <common/TestSupport.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <thread>

using namespace platform;

using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

std::string ModeName(std::uint32_t mode)
{
    static constexpr std::array<const char*, 3> kAccessNames { "read", "write", "read-write" };
    static constexpr std::array<const char*, 8> kSharingNames { "compatible", "deny-all",
        "deny-write", "deny-read", "deny-none", "sharing-5", "sharing-6", "sharing-7" };
    return std::string(kAccessNames.at(mode & 0x3)) + "/" + kSharingNames.at((mode >> 4) & 0x7);
}

// A process that runs `body` (which answers a status byte), reports the byte to the parent
// through a pipe and then holds whatever it opened until the parent releases or kills it.
class HoldingChild {
public:
    explicit HoldingChild(const std::function<char()>& body)
    {
        int ready[2];
        int release[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const char status = body();
            if (::write(ready[1], &status, 1) != 1)
                ::_exit(2);
            char ignored;
            while (::read(release[0], &ignored, 1) > 0) { }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_ready = ready[0];
        m_release = release[1];
    }
    HoldingChild(const HoldingChild&) = delete;
    HoldingChild& operator=(const HoldingChild&) = delete;
    ~HoldingChild()
    {
        if (m_pid > 0)
            Kill();
        if (m_ready >= 0)
            ::close(m_ready);
    }

    /// The child's status byte, or -1 when it died without reporting.
    int Status()
    {
        char status;
        return ::read(m_ready, &status, 1) == 1 ? status : -1;
    }

    /// Lets the child end normally and waits for it.
    void Release()
    {
        ::close(m_release);
        m_release = -1;
        Reap();
    }

    /// Ends the child with SIGKILL, so none of its own code runs, and waits for it.
    void Kill()
    {
        ::kill(m_pid, SIGKILL);
        Reap();
    }

private:
    void Reap()
    {
        int status;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
        m_pid = -1;
        if (m_release >= 0)
            ::close(m_release);
        m_release = -1;
    }

    pid_t m_pid = -1;
    int m_ready = -1;
    int m_release = -1;
};

constexpr char kChildOk = 0;
constexpr char kChildFailed = 1;

// --- Sharing -----------------------------------------------------------------------------

constexpr std::array<std::uint32_t, 3> kAccesses { kAccessRead, kAccessWrite, kAccessReadWrite };
constexpr std::array<std::uint32_t, 5> kSharings { kShareCompatible, kShareDenyAll, kShareDenyWrite,
    kShareDenyRead, kShareDenyNone };

// Windows' rule, written from its wording with the raw numbers: an open asks for read access
// with access 0 or 2 and write access with 1 or 2; compatible (0x00), deny none (0x40) and
// deny write (0x20) let others read; compatible, deny none and deny read (0x30) let others
// write; every other sharing lets others do nothing. A second open is granted when the first
// lets it do everything it asks for and it lets the first keep everything the first has.
bool AsksRead(std::uint32_t mode)
{
    return (mode & 0x3) == 0 || (mode & 0x3) == 2;
}

bool AsksWrite(std::uint32_t mode)
{
    return (mode & 0x3) == 1 || (mode & 0x3) == 2;
}

bool LetsOthersRead(std::uint32_t mode)
{
    const std::uint32_t sharing = mode & 0x70;
    return sharing == 0x00 || sharing == 0x40 || sharing == 0x20;
}

bool LetsOthersWrite(std::uint32_t mode)
{
    const std::uint32_t sharing = mode & 0x70;
    return sharing == 0x00 || sharing == 0x40 || sharing == 0x30;
}

bool WindowsGrantsSecondOpen(std::uint32_t first, std::uint32_t second)
{
    const bool firstAllowsSecond = (!AsksRead(second) || LetsOthersRead(first))
        && (!AsksWrite(second) || LetsOthersWrite(first));
    const bool secondAllowsFirst = (!AsksRead(first) || LetsOthersRead(second))
        && (!AsksWrite(first) || LetsOthersWrite(second));
    return firstAllowsSecond && secondAllowsFirst;
}

std::vector<std::uint32_t> AllModes()
{
    std::vector<std::uint32_t> modes;
    for (const std::uint32_t access : kAccesses) {
        for (const std::uint32_t sharing : kSharings)
            modes.push_back(access | sharing);
    }
    return modes;
}

SystemError ExpectedSecondOpen(std::uint32_t first, std::uint32_t second)
{
    return WindowsGrantsSecondOpen(first, second) ? SystemError::None
                                                  : SystemError::SharingViolation;
}

class Sharing : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_directory.Path().empty());
        WriteText(m_path, "contents");
    }

    TempDirectory m_directory;
    const std::string m_path = m_directory / "shared.txt";
};

TEST_F(Sharing, RuleAgreesWithLiteralRows)
{
    // Rows worked out by hand from Windows' documentation, to keep the predicate honest.
    struct Row {
        std::uint32_t first;
        std::uint32_t second;
        bool granted;
    };
    const Row rows[] = {
        { kAccessRead | kShareDenyWrite, kAccessRead | kShareDenyNone, true },
        { kAccessRead | kShareDenyWrite, kAccessWrite | kShareDenyNone, false },
        { kAccessRead | kShareDenyWrite, kAccessReadWrite | kShareCompatible, false },
        { kAccessReadWrite | kShareDenyAll, kAccessRead | kShareDenyNone, false },
        { kAccessReadWrite | kShareDenyAll, kAccessWrite | kShareCompatible, false },
        // The newcomer's sharing must allow what the first already holds.
        { kAccessWrite | kShareDenyNone, kAccessRead | kShareDenyWrite, false },
        { kAccessRead | kShareDenyNone, kAccessRead | kShareDenyWrite, true },
        // Denying read does not stop a writer, and two writers that deny only reading coexist.
        { kAccessRead | kShareDenyRead, kAccessWrite | kShareDenyNone, true },
        { kAccessRead | kShareDenyRead, kAccessRead | kShareDenyNone, false },
        { kAccessWrite | kShareDenyRead, kAccessWrite | kShareDenyRead, true },
        { kAccessReadWrite | kShareCompatible, kAccessReadWrite | kShareCompatible, true },
        // Sharing values without a meaning of their own deny everything.
        { kAccessRead | 0x50, kAccessRead | kShareDenyNone, false },
        { kAccessRead | kShareDenyNone, kAccessRead | 0x70, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(ModeName(row.first) + " then " + ModeName(row.second));
        EXPECT_EQ(WindowsGrantsSecondOpen(row.first, row.second), row.granted);
        Result<File> first = File::Open(m_path, row.first);
        ASSERT_TRUE(first);
        EXPECT_EQ(File::Open(m_path, row.second).Error(),
            row.granted ? SystemError::None : SystemError::SharingViolation);
    }
}

TEST_F(Sharing, EveryPairInOneThreadAndReleasedOnClose)
{
    for (const std::uint32_t firstMode : AllModes()) {
        for (const std::uint32_t secondMode : AllModes()) {
            SCOPED_TRACE(ModeName(firstMode) + " then " + ModeName(secondMode));
            Result<File> first = File::Open(m_path, firstMode);
            ASSERT_TRUE(first) << SystemErrorName(first.Error());
            EXPECT_EQ(
                File::Open(m_path, secondMode).Error(), ExpectedSecondOpen(firstMode, secondMode));
            first->Close();
            EXPECT_EQ(File::Open(m_path, secondMode).Error(), SystemError::None)
                << "the first open's registration outlived it";
        }
    }
}

TEST_F(Sharing, EveryPairAcrossThreads)
{
    for (const std::uint32_t firstMode : AllModes()) {
        for (const std::uint32_t secondMode : AllModes()) {
            SCOPED_TRACE(ModeName(firstMode) + " then " + ModeName(secondMode));
            Result<File> first = File::Open(m_path, firstMode);
            ASSERT_TRUE(first);
            SystemError second = SystemError::None;
            std::thread([&] { second = File::Open(m_path, secondMode).Error(); }).join();
            EXPECT_EQ(second, ExpectedSecondOpen(firstMode, secondMode));
        }
    }
}

TEST_F(Sharing, EveryPairAcrossProcesses)
{
    for (const std::uint32_t firstMode : AllModes()) {
        for (const std::uint32_t secondMode : AllModes()) {
            SCOPED_TRACE(
                ModeName(firstMode) + " held by another process, then " + ModeName(secondMode));
            HoldingChild holder([&] {
                static Result<File> held = SystemError::InvalidHandle;
                held = File::Open(m_path, firstMode);
                return held ? kChildOk : kChildFailed;
            });
            ASSERT_EQ(holder.Status(), kChildOk);
            EXPECT_EQ(
                File::Open(m_path, secondMode).Error(), ExpectedSecondOpen(firstMode, secondMode));
            holder.Release();
        }
    }
}

TEST_F(Sharing, KilledHolderNoLongerBlocks)
{
    HoldingChild holder([&] {
        static Result<File> held = SystemError::InvalidHandle;
        held = File::Open(m_path, kAccessReadWrite | kShareDenyAll);
        return held ? kChildOk : kChildFailed;
    });
    ASSERT_EQ(holder.Status(), kChildOk);
    EXPECT_EQ(
        File::Open(m_path, kAccessRead | kShareDenyNone).Error(), SystemError::SharingViolation);
    holder.Kill();
    EXPECT_EQ(File::Open(m_path, kAccessRead | kShareDenyNone).Error(), SystemError::None);
}

TEST_F(Sharing, CreateRespectsOpenHandlesAndHoldsDenyAll)
{
    {
        Result<File> reader = File::Open(m_path, kAccessRead | kShareDenyNone);
        ASSERT_TRUE(reader);
        EXPECT_EQ(File::Create(m_path).Error(), SystemError::SharingViolation);
        EXPECT_EQ(ReadText(m_path), "contents") << "a refused create emptied the file";
    }
    Result<File> created = File::Create(m_path);
    ASSERT_TRUE(created);
    EXPECT_EQ(ReadText(m_path), "");
    EXPECT_EQ(
        File::Open(m_path, kAccessRead | kShareDenyNone).Error(), SystemError::SharingViolation);
}

TEST_F(Sharing, MovedHandleKeepsItsRegistration)
{
    Result<File> opened = File::Open(m_path, kAccessRead | kShareDenyAll);
    ASSERT_TRUE(opened);
    File moved = std::move(*opened);
    opened->Close(); // the moved-from handle owns nothing any more
    EXPECT_EQ(File::Open(m_path, kAccessRead).Error(), SystemError::SharingViolation);
    moved = File();
    EXPECT_EQ(File::Open(m_path, kAccessRead).Error(), SystemError::None);
}

// --- Opening, reading and writing ----------------------------------------------------------

class FileAccess : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_directory.Path().empty()); }

    TempDirectory m_directory;
};

TEST_F(FileAccess, Dispositions)
{
    struct Row {
        const char* name;
        bool exists;
        Disposition disposition;
        SystemError expected;
        const char* contentsAfter; // nullptr: the file must not exist afterwards
    };
    const Row rows[] = {
        { "open existing, missing", false, Disposition::OpenExisting, SystemError::FileNotFound,
            nullptr },
        { "open existing, present", true, Disposition::OpenExisting, SystemError::None, "old" },
        { "open always, missing", false, Disposition::OpenAlways, SystemError::None, "" },
        { "open always, present", true, Disposition::OpenAlways, SystemError::None, "old" },
        { "create always, missing", false, Disposition::CreateAlways, SystemError::None, "" },
        { "create always, present", true, Disposition::CreateAlways, SystemError::None, "" },
        { "create new, missing", false, Disposition::CreateNew, SystemError::None, "" },
        { "create new, present", true, Disposition::CreateNew, SystemError::FileExists, "old" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = m_directory / "file.txt";
        std::filesystem::remove(path);
        if (row.exists)
            WriteText(path, "old");
        EXPECT_EQ(File::Open(path, kAccessReadWrite | kShareDenyNone, row.disposition).Error(),
            row.expected);
        if (row.contentsAfter == nullptr)
            EXPECT_FALSE(std::filesystem::exists(path));
        else
            EXPECT_EQ(ReadText(path), row.contentsAfter);
    }
}

TEST_F(FileAccess, FailuresBecomeTheThreadsLastError)
{
    const std::string path = m_directory / "file.txt";
    SetLastSystemError(SystemError::None);
    EXPECT_FALSE(File::Open(path, kAccessRead | kShareDenyNone));
    EXPECT_EQ(LastSystemError(), SystemError::FileNotFound);

    WriteText(path, "x");
    Result<File> holder = File::Open(path, kAccessReadWrite | kShareDenyAll);
    ASSERT_TRUE(holder);
    EXPECT_EQ(
        File::Open(path, kAccessRead | kShareDenyNone).Error(), SystemError::SharingViolation);
    EXPECT_EQ(LastSystemError(), SystemError::SharingViolation);
    EXPECT_EQ(DeleteFile((m_directory / "missing") + "/x"), SystemError::PathNotFound);
    EXPECT_EQ(LastSystemError(), SystemError::PathNotFound);

    // A success leaves the last failure in place, as the system's own last error does.
    EXPECT_TRUE(holder->Write("y", 1));
    EXPECT_EQ(LastSystemError(), SystemError::PathNotFound);
    SetLastSystemError(SystemError::None);
}

TEST_F(FileAccess, ReadWriteSeekSizeTruncate)
{
    const std::string path = m_directory / "data.bin";
    Result<File> file = File::Create(path);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->CanRead());
    EXPECT_TRUE(file->CanWrite());
    ASSERT_EQ(file->Write("hello world", 11).Error(), SystemError::None);
    EXPECT_EQ(file->Write("", 0).Error(), SystemError::None);
    EXPECT_EQ(*file->Size(), 11u);

    EXPECT_EQ(*file->Seek(6, SeekOrigin::Begin), 6u);
    char buffer[16] = {};
    EXPECT_EQ(*file->Read(buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(*file->Read(buffer, sizeof buffer), 0u) << "at the end a read answers nothing";

    // Reads that pass the end answer what there is.
    EXPECT_EQ(*file->Seek(-3, SeekOrigin::End), 8u);
    EXPECT_EQ(*file->Read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(std::string(buffer, 3), "rld");

    EXPECT_EQ(*file->Seek(-2, SeekOrigin::Current), 9u);
    EXPECT_EQ(file->Seek(-10, SeekOrigin::Current).Error(), SystemError::InvalidParameter);
    EXPECT_EQ(*file->Seek(0, SeekOrigin::Current), 9u) << "a refused seek moved the position";

    EXPECT_EQ(file->Truncate(5), SystemError::None);
    EXPECT_EQ(*file->Size(), 5u);
    EXPECT_EQ(*file->Seek(2, SeekOrigin::Begin), 2u);
    EXPECT_EQ(file->SetEnd(), SystemError::None);
    EXPECT_EQ(*file->Size(), 2u);
    EXPECT_EQ(file->Truncate(4), SystemError::None);
    EXPECT_EQ(file->Flush(), SystemError::None);
    EXPECT_EQ(ReadText(path), std::string("he\0\0", 4)) << "extending fills with zero bytes";
}

TEST_F(FileAccess, SizeSeesOtherHandlesWrites)
{
    const std::string path = m_directory / "shared.txt";
    WriteText(path, "abc");
    Result<File> reader = File::Open(path, kAccessRead | kShareDenyNone);
    Result<File> writer = File::Open(path, kAccessWrite | kShareDenyNone);
    ASSERT_TRUE(reader && writer);
    ASSERT_TRUE(writer->Seek(0, SeekOrigin::End));
    ASSERT_TRUE(writer->Write("defg", 4));
    EXPECT_EQ(*reader->Size(), 7u);
}

TEST_F(FileAccess, HandleDoesOnlyWhatItsAccessAllows)
{
    const std::string path = m_directory / "access.txt";
    WriteText(path, "abc");
    char buffer[4];

    Result<File> reader = File::Open(path, kAccessRead | kShareDenyNone);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Write("x", 1).Error(), SystemError::AccessDenied);
    EXPECT_EQ(reader->Truncate(0), SystemError::AccessDenied);
    EXPECT_EQ(*reader->Read(buffer, 3), 3u);

    Result<File> writer = File::Open(path, kAccessWrite | kShareDenyNone);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(writer->CanRead());
    EXPECT_EQ(writer->Read(buffer, 3).Error(), SystemError::AccessDenied);
    EXPECT_EQ(*writer->Write("x", 1), 1u);

    EXPECT_EQ(File::Open(path, 0x03).Error(), SystemError::InvalidParameter);

    File closed;
    EXPECT_EQ(closed.Read(buffer, 1).Error(), SystemError::InvalidHandle);
    EXPECT_EQ(closed.LockRange(0, 1), SystemError::InvalidHandle);
}

TEST_F(FileAccess, OpenFailuresGiveWindowsNumbers)
{
    const std::string plain = m_directory / "plain.txt";
    WriteText(plain, "x");
    const std::string fifo = m_directory / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Row {
        const char* name;
        std::string path;
        std::uint32_t mode;
        Disposition disposition;
        SystemError expected;
    };
    const Row rows[] = {
        { "missing file", m_directory / "missing.txt", kAccessRead, Disposition::OpenExisting,
            SystemError::FileNotFound },
        { "missing directory", m_directory / "nodir/file.txt", kAccessRead,
            Disposition::OpenExisting, SystemError::PathNotFound },
        { "missing directories", m_directory / "a/b/c/file.txt", kAccessRead,
            Disposition::OpenExisting, SystemError::PathNotFound },
        { "through a regular file", plain + "/file.txt", kAccessRead, Disposition::OpenExisting,
            SystemError::PathNotFound },
        { "create in missing directory", m_directory / "nodir/new.txt", kAccessReadWrite,
            Disposition::CreateAlways, SystemError::PathNotFound },
        { "directory, read", m_directory.Path(), kAccessRead, Disposition::OpenExisting,
            SystemError::AccessDenied },
        { "directory, write", m_directory.Path(), kAccessReadWrite, Disposition::OpenExisting,
            SystemError::AccessDenied },
        { "create over a directory", m_directory.Path(), kAccessReadWrite,
            Disposition::CreateAlways, SystemError::AccessDenied },
        { "device", "/dev/null", kAccessReadWrite, Disposition::OpenExisting,
            SystemError::AccessDenied },
        // Opening a FIFO for reading would wait for a writer: it must be refused at once.
        { "fifo", fifo, kAccessRead, Disposition::OpenExisting, SystemError::AccessDenied },
        { "name too long", m_directory / std::string(300, 'n'), kAccessRead,
            Disposition::OpenExisting, SystemError::NameTooLong },
        { "NUL inside the name", plain + std::string(1, '\0') + "x", kAccessRead,
            Disposition::OpenExisting, SystemError::InvalidName },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(File::Open(row.path, row.mode, row.disposition).Error(), row.expected);
    }
}

/// Permission bits do not stop the superuser, so a test run as root gives up its rights for
/// the scope (the effective user becomes "nobody"; the saved one lets it take them back). The
/// directory is opened to everybody so that only the file's own bits decide.
class UnprivilegedScope {
public:
    explicit UnprivilegedScope(const std::string& directory)
        : m_wasRoot(::geteuid() == 0)
    {
        if (!m_wasRoot)
            return;
        EXPECT_EQ(::chmod(directory.c_str(), 0777), 0);
        EXPECT_EQ(::seteuid(kNobody), 0);
    }
    ~UnprivilegedScope() { Restore(); }
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;

    void Restore()
    {
        if (m_wasRoot && ::geteuid() != 0) {
            EXPECT_EQ(::seteuid(0), 0);
        }
    }

private:
    static constexpr uid_t kNobody = 65534;
    bool m_wasRoot;
};

TEST_F(FileAccess, PermissionDenied)
{
    const std::string path = m_directory / "locked.txt";
    WriteText(path, "x");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    UnprivilegedScope unprivileged(m_directory.Path());
    EXPECT_EQ(File::Open(path, kAccessRead).Error(), SystemError::AccessDenied);
    EXPECT_EQ(File::Create(path).Error(), SystemError::AccessDenied);
    unprivileged.Restore();
    EXPECT_EQ(ReadText(path), "x") << "unreadable, but also not to be emptied";
}

TEST_F(FileAccess, WriteOnlyOpenOfUnreadableFileStillHonoursOthers)
{
    const std::string path = m_directory / "drop-box.txt";
    WriteText(path, "x");
    Result<File> holder = File::Open(path, kAccessReadWrite | kShareDenyWrite);
    ASSERT_TRUE(holder);
    ASSERT_EQ(::chmod(path.c_str(), 0222), 0); // anybody may write, nobody may read
    UnprivilegedScope unprivileged(m_directory.Path());
    EXPECT_EQ(
        File::Open(path, kAccessWrite | kShareDenyNone).Error(), SystemError::SharingViolation);
    holder->Close();
    Result<File> writer = File::Open(path, kAccessWrite | kShareDenyNone);
    ASSERT_TRUE(writer) << SystemErrorName(writer.Error());
    EXPECT_EQ(*writer->Write("y", 1), 1u);
}

// --- A path whose last name is a symbolic link -----------------------------------------------

class FinalLinks : public FileAccess {
protected:
    void SetUp() override
    {
        FileAccess::SetUp();
        WriteText(m_target, "keep");
        ASSERT_EQ(::mkfifo(m_fifo.c_str(), 0600), 0);
        std::filesystem::create_directory(m_folder);
    }

    const std::string m_target = m_directory / "target.txt";
    const std::string m_missing = m_directory / "never-made.txt";
    const std::string m_fifo = m_directory / "fifo";
    const std::string m_folder = m_directory / "folder";
};

TEST_F(FinalLinks, ARefusedLinkIsNeitherFollowedNorWaitedOn)
{
    struct Opening {
        const char* what;
        std::function<Result<File>(const std::string& path)> open;
        SystemError refusal;
    };
    constexpr FinalLink kRefuse = FinalLink::Refuse;
    const Opening openings[] = {
        { "read",
            [](const std::string& p) {
                return File::Open(p, kAccessRead, Disposition::OpenExisting, kRefuse);
            },
            SystemError::AccessDenied },
        { "write",
            [](const std::string& p) {
                return File::Open(
                    p, kAccessWrite | kShareDenyAll, Disposition::OpenExisting, kRefuse);
            },
            SystemError::AccessDenied },
        { "open always",
            [](const std::string& p) {
                return File::Open(p, kAccessReadWrite, Disposition::OpenAlways, kRefuse);
            },
            SystemError::AccessDenied },
        // The link is there, whatever it points to.
        { "create new",
            [](const std::string& p) {
                return File::Open(p, kAccessReadWrite, Disposition::CreateNew, kRefuse);
            },
            SystemError::FileExists },
        { "create", [](const std::string& p) { return File::Create(p, kRefuse); },
            SystemError::AccessDenied },
    };
    struct Link {
        const char* what;
        std::string to;
    };
    const Link links[] = {
        { "to a regular file", m_target },
        { "to a missing file: nothing is made through it", m_missing },
        { "to a device", "/dev/null" },
        { "to a FIFO nobody reads or writes", m_fifo },
        { "to a folder", m_folder },
        { "to itself", m_directory / "link" },
    };
    const std::string link = m_directory / "link";
    for (const Link& to : links) {
        std::filesystem::remove(link);
        std::filesystem::create_symlink(to.to, link);
        for (const Opening& opening : openings) {
            SCOPED_TRACE(std::string(to.what) + ", " + opening.what);
            const testsupport::FifoWatchdog watchdog(m_fifo);
            EXPECT_EQ(opening.open(link).Error(), opening.refusal);
            EXPECT_EQ(ReadText(m_target), "keep") << "the target keeps its bytes";
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(m_missing)));
            EXPECT_TRUE(std::filesystem::is_symlink(link)) << "the link stays as it was";
        }
    }
}

TEST_F(FinalLinks, WhatIsNoLinkIsOpenedAsEverFollowingOrNot)
{
    // A regular file opens whatever the choice; what is no regular file is refused either way.
    const std::string plain = m_directory / "plain.txt";
    WriteText(plain, "plain");
    for (const FinalLink link : { FinalLink::Follow, FinalLink::Refuse }) {
        SCOPED_TRACE(link == FinalLink::Follow ? "followed" : "refused");
        Result<File> opened = File::Open(plain, kAccessReadWrite, Disposition::OpenExisting, link);
        EXPECT_TRUE(opened) << SystemErrorName(opened.Error());
        opened = File();
        Result<File> made = File::Create(m_directory / "new.txt", link);
        EXPECT_TRUE(made) << SystemErrorName(made.Error());
        for (const std::string& other : { m_fifo, m_folder, std::string("/dev/null") }) {
            SCOPED_TRACE(other);
            const testsupport::FifoWatchdog watchdog(m_fifo);
            EXPECT_EQ(File::Create(other, link).Error(), SystemError::AccessDenied);
        }
        std::filesystem::remove(m_directory / "new.txt");
    }
}

TEST_F(FinalLinks, AFollowedLinkActsOnItsTargetAsBefore)
{
    // Files other than the ones that ask for refusal keep the usual behaviour: a link to a
    // file opens the file, and creating through a dangling link makes its target.
    const std::string link = m_directory / "link";
    std::filesystem::create_symlink(m_target, link);
    Result<File> opened = File::Open(link, kAccessRead);
    ASSERT_TRUE(opened) << SystemErrorName(opened.Error());
    char bytes[4] = {};
    ASSERT_EQ(*opened->Read(bytes, sizeof bytes), 4u);
    opened = File();
    EXPECT_TRUE(File::Create(link));
    EXPECT_EQ(ReadText(m_target), "");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(m_missing, link);
    EXPECT_TRUE(File::Create(link));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_missing));
}

TEST_F(FinalLinks, ALinkPutInPlaceWhileOpeningIsRefusedAllTheSame)
{
    // Another thread keeps exchanging the name between a regular file and a link to the
    // target, so that creates find a regular file when they look and a link when they open.
    // Each must either make the regular file anew or be refused; the target never loses its
    // bytes.
    const std::string name = m_directory / "swapped";
    const std::string other = m_directory / "other-side";
    WriteText(name, "p");
    ASSERT_EQ(::symlink(m_target.c_str(), other.c_str()), 0);
    std::atomic<bool> stop { false };
    std::atomic<int> exchanges { 0 };
    std::thread swapper([&] {
        while (!stop.load()) {
            if (::renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0)
                ++exchanges;
        }
    });
    int made = 0;
    int refused = 0;
    for (int i = 0; i < 20000 && ReadText(m_target) == "keep"; ++i) {
        const Result<File> file = File::Create(name, FinalLink::Refuse);
        if (file)
            ++made;
        else if (file.Error() == SystemError::AccessDenied)
            ++refused;
        else
            ADD_FAILURE() << SystemErrorName(file.Error());
    }
    stop = true;
    swapper.join();
    EXPECT_EQ(ReadText(m_target), "keep") << made << " made, " << refused << " refused";
    EXPECT_GT(exchanges.load(), 0);
}

TEST_F(FinalLinks, ACharacterDeviceNodeIsRefused)
{
    const std::string node = m_directory / "null";
    if (::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
        GTEST_SKIP() << "making a device node needs the superuser's rights";
    for (const FinalLink link : { FinalLink::Follow, FinalLink::Refuse }) {
        EXPECT_EQ(File::Create(node, link).Error(), SystemError::AccessDenied);
        EXPECT_EQ(File::Open(node, kAccessRead, Disposition::OpenExisting, link).Error(),
            SystemError::AccessDenied);
    }
}

TEST_F(FinalLinks, KindOfSaysWhatTheNameItselfIsKindOfTargetWhatItLeadsTo)
{
    const std::string link = m_directory / "link";
    std::filesystem::create_symlink(m_target, link);
    const std::string dangling = m_directory / "dangling";
    std::filesystem::create_symlink(m_missing, dangling);
    const std::string folderLink = m_directory / "folder-link";
    std::filesystem::create_symlink(m_folder, folderLink);
    const std::string fifoLink = m_directory / "fifo-link";
    std::filesystem::create_symlink(m_fifo, fifoLink);
    const std::string loop = m_directory / "loop";
    std::filesystem::create_symlink(loop, loop);
    struct Row {
        const char* what;
        std::string path;
        FileKind kind;   ///< KindOf
        FileKind target; ///< KindOfTarget
    };
    const Row rows[] = {
        { "a regular file", m_target, FileKind::Regular, FileKind::Regular },
        { "a folder", m_folder, FileKind::Directory, FileKind::Directory },
        { "a link to a regular file", link, FileKind::SymbolicLink, FileKind::Regular },
        { "a link to a folder", folderLink, FileKind::SymbolicLink, FileKind::Directory },
        { "a link to a FIFO", fifoLink, FileKind::SymbolicLink, FileKind::Other },
        { "a dangling link", dangling, FileKind::SymbolicLink, FileKind::Missing },
        { "a loop of links", loop, FileKind::SymbolicLink, FileKind::Missing },
        { "a FIFO", m_fifo, FileKind::Other, FileKind::Other },
        { "a device", "/dev/null", FileKind::Other, FileKind::Other },
        { "nothing", m_missing, FileKind::Missing, FileKind::Missing },
        { "a name under a regular file", m_target + "/x", FileKind::Missing, FileKind::Missing },
        { "a NUL in the name", m_target + std::string(1, '\0'), FileKind::Missing,
            FileKind::Missing },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(KindOf(row.path), row.kind);
        EXPECT_EQ(KindOfTarget(row.path), row.target);
    }
}

// --- Byte-range locks --------------------------------------------------------------------

class Locks : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_directory.Path().empty());
        WriteText(m_path, "0123456789");
    }

    Result<File> OpenShared(std::uint32_t access = kAccessReadWrite)
    {
        return File::Open(m_path, access | kShareDenyNone);
    }

    TempDirectory m_directory;
    const std::string m_path = m_directory / "locked.txt";
};

TEST_F(Locks, ConflictBetweenHandlesOfOneProcess)
{
    // Both read-write, and pairs with read-only handles, which cannot take an exclusive
    // system lock and must still exclude others.
    const std::pair<std::uint32_t, std::uint32_t> pairs[] = {
        { kAccessReadWrite, kAccessReadWrite },
        { kAccessRead, kAccessRead },
        { kAccessRead, kAccessReadWrite },
        { kAccessReadWrite, kAccessRead },
        { kAccessWrite, kAccessRead },
    };
    for (const auto& [firstAccess, secondAccess] : pairs) {
        SCOPED_TRACE(ModeName(firstAccess) + " holds, " + ModeName(secondAccess) + " asks");
        Result<File> first = OpenShared(firstAccess);
        Result<File> second = OpenShared(secondAccess);
        ASSERT_TRUE(first && second);
        ASSERT_EQ(first->LockRange(0, 1), SystemError::None);
        EXPECT_EQ(second->LockRange(0, 1), SystemError::LockViolation);
        EXPECT_EQ(second->LockRange(0, 5), SystemError::LockViolation) << "overlapping range";
        EXPECT_EQ(second->LockRange(1, 1), SystemError::None) << "the next byte is free";
        EXPECT_EQ(first->UnlockRange(0, 1), SystemError::None);
        EXPECT_EQ(second->LockRange(0, 1), SystemError::None);
        EXPECT_EQ(first->LockRange(0, 1), SystemError::LockViolation);
    }
}

TEST_F(Locks, SameHandleDoesNotNest)
{
    Result<File> file = OpenShared();
    ASSERT_TRUE(file);
    ASSERT_EQ(file->LockRange(0, 1), SystemError::None);
    EXPECT_EQ(file->LockRange(0, 1), SystemError::LockViolation);
    EXPECT_EQ(file->LockRange(0, 4), SystemError::LockViolation) << "overlaps its own lock";
    EXPECT_EQ(file->LockRange(1, 3), SystemError::None) << "adjacent ranges are separate";
    EXPECT_EQ(file->UnlockRange(0, 4), SystemError::NotLocked) << "not a range it locked";
    EXPECT_EQ(file->UnlockRange(1, 3), SystemError::None);
    EXPECT_EQ(file->UnlockRange(1, 3), SystemError::NotLocked) << "already released";
    EXPECT_EQ(file->UnlockRange(0, 1), SystemError::None);
    EXPECT_EQ(file->LockRange(0, 1), SystemError::None) << "relock after unlock";
    EXPECT_EQ(file->LockRange(5, 0), SystemError::InvalidParameter);
}

TEST_F(Locks, CloseReleasesLocks)
{
    Result<File> first = OpenShared();
    Result<File> second = OpenShared();
    ASSERT_TRUE(first && second);
    ASSERT_EQ(first->LockRange(0, 1), SystemError::None);
    first->Close();
    EXPECT_EQ(second->LockRange(0, 1), SystemError::None);
}

TEST_F(Locks, WholeFileLockLeavesSharingAlone)
{
    constexpr std::uint64_t kAll = std::numeric_limits<std::uint64_t>::max();
    Result<File> first = OpenShared();
    ASSERT_TRUE(first);
    ASSERT_EQ(first->LockRange(0, kAll), SystemError::None);
    Result<File> second = OpenShared();
    ASSERT_TRUE(second) << "the lock reached the sharing registration: "
                        << SystemErrorName(second.Error());
    EXPECT_EQ(second->LockRange(std::uint64_t { 1 } << 40, 1), SystemError::LockViolation);
    EXPECT_EQ(second->LockRange(kAll - 1, 1), SystemError::InvalidParameter);
    EXPECT_EQ(first->UnlockRange(0, kAll), SystemError::None);
    EXPECT_EQ(second->LockRange(0, 1), SystemError::None);
}

TEST_F(Locks, ConflictAcrossProcessesEndsWithTheHolder)
{
    HoldingChild holder([&] {
        static Result<File> held = SystemError::InvalidHandle;
        held = OpenShared();
        return held && held->LockRange(0, 1) == SystemError::None ? kChildOk : kChildFailed;
    });
    ASSERT_EQ(holder.Status(), kChildOk);
    Result<File> file = OpenShared();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->LockRange(0, 1), SystemError::LockViolation);
    EXPECT_EQ(file->LockRange(1, 1), SystemError::None);
    holder.Kill();
    EXPECT_EQ(file->LockRange(0, 1), SystemError::None);
}

// --- Deleting, renaming, copying -----------------------------------------------------------

TEST_F(FileAccess, DeleteFile)
{
    const std::string path = m_directory / "doomed.txt";
    WriteText(path, "x");
    EXPECT_EQ(DeleteFile(m_directory / "missing.txt"), SystemError::FileNotFound);
    EXPECT_EQ(DeleteFile(m_directory / "nodir/missing.txt"), SystemError::PathNotFound);
    EXPECT_EQ(DeleteFile(m_directory.Path()), SystemError::AccessDenied);
    {
        Result<File> held = File::Open(path, kAccessRead | kShareDenyNone);
        ASSERT_TRUE(held);
        EXPECT_EQ(DeleteFile(path), SystemError::SharingViolation);
        EXPECT_TRUE(std::filesystem::exists(path));
    }
    EXPECT_EQ(DeleteFile(path), SystemError::None);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileAccess, RenameFile)
{
    const std::string from = m_directory / "from.txt";
    const std::string to = m_directory / "to.txt";
    const std::string taken = m_directory / "taken.txt";
    WriteText(from, "moving");
    WriteText(taken, "stays");

    EXPECT_EQ(RenameFile(from, taken), SystemError::FileExists);
    EXPECT_EQ(ReadText(taken), "stays");
    EXPECT_EQ(ReadText(from), "moving");
    EXPECT_EQ(RenameFile(m_directory / "missing.txt", to), SystemError::FileNotFound);
    EXPECT_EQ(RenameFile(from, m_directory / "nodir/to.txt"), SystemError::PathNotFound);
    {
        Result<File> held = File::Open(from, kAccessRead | kShareDenyNone);
        ASSERT_TRUE(held);
        EXPECT_EQ(RenameFile(from, to), SystemError::SharingViolation);
    }
    EXPECT_EQ(RenameFile(from, to), SystemError::None);
    EXPECT_FALSE(std::filesystem::exists(from));
    EXPECT_EQ(ReadText(to), "moving");
}

TEST_F(FileAccess, CopyFile)
{
    const std::string from = m_directory / "from.txt";
    const std::string to = m_directory / "to.txt";
    WriteText(from, "abc");
    WriteText(to, "much longer old contents");

    EXPECT_EQ(CopyFile(from, to, IfTargetExists::Fail), SystemError::FileExists);
    EXPECT_EQ(ReadText(to), "much longer old contents");
    EXPECT_EQ(CopyFile(from, to, IfTargetExists::Replace), SystemError::None);
    EXPECT_EQ(ReadText(to), "abc");
    EXPECT_EQ(CopyFile(from, m_directory / "new.txt", IfTargetExists::Fail), SystemError::None);
    EXPECT_EQ(ReadText(m_directory / "new.txt"), "abc");
    EXPECT_EQ(CopyFile(m_directory / "missing.txt", to, IfTargetExists::Replace),
        SystemError::FileNotFound);
    EXPECT_EQ(CopyFile(from, from, IfTargetExists::Replace), SystemError::SharingViolation);
    EXPECT_EQ(ReadText(from), "abc");
}

TEST_F(FileAccess, CopyFileHonoursSharing)
{
    const std::string from = m_directory / "from.txt";
    const std::string to = m_directory / "to.txt";
    WriteText(from, "abc");
    WriteText(to, "old");
    {
        // A reader that denies writing does not stop a copy of the file.
        Result<File> reader = File::Open(from, kAccessRead | kShareDenyWrite);
        ASSERT_TRUE(reader);
        EXPECT_EQ(
            CopyFile(from, m_directory / "copy.txt", IfTargetExists::Fail), SystemError::None);
    }
    {
        Result<File> writer = File::Open(from, kAccessReadWrite | kShareDenyRead);
        ASSERT_TRUE(writer);
        EXPECT_EQ(CopyFile(from, to, IfTargetExists::Replace), SystemError::SharingViolation);
    }
    {
        Result<File> target = File::Open(to, kAccessRead | kShareDenyNone);
        ASSERT_TRUE(target);
        EXPECT_EQ(CopyFile(from, to, IfTargetExists::Replace), SystemError::SharingViolation);
        EXPECT_EQ(ReadText(to), "old") << "a target in use must not be touched";
    }
}

// --- Error numbers -----------------------------------------------------------------------

TEST(ErrorNumbers, FromErrno)
{
    // The errno values the file system tests above cannot provoke on demand.
    struct Row {
        int error;
        SystemError expected;
    };
    const Row rows[] = {
        { 0, SystemError::None },
        { ENOENT, SystemError::FileNotFound }, // no path to look at
        { ENOTDIR, SystemError::PathNotFound },
        { EMFILE, SystemError::TooManyOpenFiles },
        { ENFILE, SystemError::TooManyOpenFiles },
        { EACCES, SystemError::AccessDenied },
        { EPERM, SystemError::AccessDenied },
        { EISDIR, SystemError::AccessDenied },
        { EROFS, SystemError::AccessDenied },
        { EEXIST, SystemError::FileExists },
        { EINVAL, SystemError::InvalidParameter },
        { ENOSPC, SystemError::DiskFull },
        { EDQUOT, SystemError::DiskFull },
        { EILSEQ, SystemError::InvalidName },
        { ENAMETOOLONG, SystemError::NameTooLong },
        { EAGAIN, SystemError::LockViolation },
        { ETXTBSY, SystemError::SharingViolation },
        { EIO, SystemError::GeneralFailure },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        EXPECT_EQ(ErrorFromErrno(row.error), row.expected);
    }
}

TEST(ErrorNumbers, MissingNameDependsOnItsDirectory)
{
    EXPECT_EQ(ErrorFromErrno(ENOENT, "/"), SystemError::FileNotFound);
    EXPECT_EQ(ErrorFromErrno(ENOENT, "relative-name"), SystemError::FileNotFound);
    EXPECT_EQ(ErrorFromErrno(ENOENT, "/tmp/varn-surely-missing"), SystemError::FileNotFound);
    EXPECT_EQ(ErrorFromErrno(ENOENT, "/varn-surely-missing/x"), SystemError::PathNotFound);
    EXPECT_EQ(ErrorFromErrno(ENOENT, "/varn-surely-missing/x/"), SystemError::PathNotFound);
    EXPECT_EQ(ErrorFromErrno(ENOENT, "/dev/null/x"), SystemError::PathNotFound);
}

TEST(ErrorNumbers, Names)
{
    EXPECT_EQ(SystemErrorName(SystemError::FileNotFound), "File Not Found");
    EXPECT_EQ(SystemErrorName(SystemError::SharingViolation), "Sharing Violation");
    EXPECT_EQ(SystemErrorName(SystemError::LockViolation), "Lock Violation");
    EXPECT_EQ(SystemErrorName(static_cast<SystemError>(9999)), "Unknown Error");
}

} // namespace
