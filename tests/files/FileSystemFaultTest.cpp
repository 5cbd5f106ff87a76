// The file layer on a disk that fails: the file system in force for a scope, the faults a test
// arms, and the FILE statements answering each failure with the error the program reads
// (ERRORCODE, and the system error behind it) while what was on the disk before stays there.

#include <files/AsciiDriver.h>
#include <files/ErrorState.h>
#include <files/FaultInjectingFileSystem.h>
#include <files/FileDeclaration.h>
#include <files/FileOps.h>
#include <files/FileSystem.h>
#include <platform/LastError.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using files::Fault;
using files::FaultInjectingFileSystem;
using files::FaultPoint;
using files::FaultRepeat;
using platform::SystemError;
using testsupport::ReadText;
using testsupport::TempDirectory;
using testsupport::WriteText;

namespace {

constexpr std::int32_t kReadWriteDenyAll = 0x12;  // cached: written back at FLUSH and CLOSE
constexpr std::int32_t kReadWriteDenyNone = 0x42; // uncached: every write reaches the file
constexpr std::int32_t kAccessDenied = 5;
constexpr char kEarlier[] = "first\r\nsecond\r\n";

// --- the file system in force --------------------------------------------------------------

TEST(FileSystemScope, PutsAFileSystemInForceForItsLifeOnly)
{
    EXPECT_EQ(&files::CurrentFileSystem(), &files::RealFileSystem());
    {
        FaultInjectingFileSystem outer;
        const files::FileSystemScope outerScope(outer);
        EXPECT_EQ(&files::CurrentFileSystem(), &outer);
        {
            files::FileSystem& below = outer;
            FaultInjectingFileSystem inner(below);
            const files::FileSystemScope innerScope(inner);
            EXPECT_EQ(&files::CurrentFileSystem(), &inner);
        }
        EXPECT_EQ(&files::CurrentFileSystem(), &outer);
    }
    EXPECT_EQ(&files::CurrentFileSystem(), &files::RealFileSystem());
}

// --- which calls a fault strikes -----------------------------------------------------------

TEST(FaultInjectingFileSystem, StrikesTheCallsItWasArmedFor)
{
    struct Case {
        const char* what;
        Fault fault;
        const char* outcomes; // of four writes of "abcdef" to DATA.TXT: '.' written, 'x' failed
        const char* content;  // the file afterwards
    };
    const Case cases[] = {
        { "the second write, once", Fault(FaultPoint::Write, SystemError::DiskFull).Nth(2), ".x..",
            "abcdefabcdefabcdef" },
        { "the second write and every one after: the disk stays full",
            Fault(FaultPoint::Write, SystemError::DiskFull).Nth(2).FromThenOn(), ".xxx", "abcdef" },
        { "part of the failing write reaches the file",
            Fault(FaultPoint::Write, SystemError::DiskFull).FromThenOn().WritingFirst(3), "xxxx",
            "abcabcabcabc" },
        { "another file's fault leaves this one alone",
            Fault(FaultPoint::Write, SystemError::DiskFull).FromThenOn().OnlyFor("OTHER.TXT"),
            "....", "abcdefabcdefabcdefabcdef" },
        { "a flush fault leaves writes alone", Fault(FaultPoint::Flush, SystemError::DiskFull),
            "....", "abcdefabcdefabcdefabcdef" },
    };
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(path, "");
        FaultInjectingFileSystem faults;
        faults.Arm(c.fault);
        auto file = faults.Open(path, kReadWriteDenyAll, platform::Disposition::OpenExisting);
        ASSERT_TRUE(file);
        std::string outcomes;
        for (int i = 0; i < 4; ++i) {
            platform::SetLastSystemError(SystemError::None);
            const auto written = (*file)->Write("abcdef", 6);
            outcomes += written ? '.' : 'x';
            if (!written) {
                EXPECT_EQ(written.Error(), c.fault.error);
                EXPECT_EQ(platform::LastSystemError(), c.fault.error) << "as the platform notes";
            }
        }
        EXPECT_EQ((*file)->Close(), SystemError::None);
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_EQ(faults.Struck(),
            static_cast<std::uint32_t>(std::count(outcomes.begin(), outcomes.end(), 'x')));
        EXPECT_EQ(ReadText(path), c.content);
    }
}

TEST(FaultInjectingFileSystem, AFailingOpenOrCloseActsAsTheSystemWould)
{
    TempDirectory directory;
    const std::string path = directory / "DATA.TXT";
    WriteText(path, kEarlier);
    FaultInjectingFileSystem faults;
    faults.Arm(Fault(FaultPoint::Open, SystemError::SharingViolation));
    const auto refused = faults.Create(path);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.Error(), SystemError::SharingViolation);
    EXPECT_EQ(ReadText(path), kEarlier) << "a refused create empties nothing";

    faults.Arm(Fault(FaultPoint::Close, SystemError::GeneralFailure));
    auto file = faults.Open(path, kReadWriteDenyAll, platform::Disposition::OpenExisting);
    ASSERT_TRUE(file) << "the open fault struck once";
    EXPECT_EQ((*file)->Close(), SystemError::GeneralFailure);
    EXPECT_TRUE(files::RealFileSystem().Open(path, kReadWriteDenyAll)) << "closed all the same";
    EXPECT_EQ((*file)->Close(), SystemError::None) << "once closed, the handle has nothing left";
}

// --- the FILE statements on a failing disk -------------------------------------------------

const std::uint8_t* LineRecordType()
{
    static const std::vector<std::uint8_t> kType
        = files::TypeDescriptorBuilder().Group().String("DAT:LINE", 20).End().Build();
    return kType.data();
}

/// A FILE of 20-character lines with DRIVER('ASCII') and CREATE.
struct LineFile {
    explicit LineFile(const std::string& path)
        : name(path)
        , record(20)
    {
        declaration.driverEntry = &files::AsciiDriverEntry;
        declaration.name = name.c_str();
        declaration.nameLength = files::kNameNulTerminated;
        declaration.attributes = files::DeclarationAttributes::kCreate;
        declaration.recordLength = 20;
        declaration.recordType = LineRecordType();
        declaration.record = record.data();
    }
    void Assign(std::string_view text)
    {
        std::memset(record.data(), ' ', record.size());
        std::memcpy(record.data(), text.data(), std::min(text.size(), record.size()));
    }

    std::string name;
    std::vector<std::byte> record;
    files::FileDeclaration declaration;
};

/// The statements run on the file, in this order, until one fails.
enum class Statement { Open, Append, Flush, Close };

const char* NameOf(Statement statement)
{
    switch (statement) {
    case Statement::Open:
        return "OPEN";
    case Statement::Append:
        return "APPEND";
    case Statement::Flush:
        return "FLUSH";
    case Statement::Close:
        return "CLOSE";
    }
    return "?";
}

class FileStatementFaultTest : public testing::Test {
protected:
    void SetUp() override
    {
        files::ClearErrorState();
        value::ResetStringStack();
    }
    void TearDown() override
    {
        files::UsedFileList::CloseAll();
        files::ClearErrorState();
        value::ResetStringStack();
    }

    TempDirectory m_directory;
    testsupport::ScopedEnvironment m_noProfile { "VARN_WIN_INI", "/nonexistent/win.ini" };
};

TEST_F(FileStatementFaultTest, EachFailureIsAnsweredAndTheEarlierBytesStay)
{
    struct Case {
        const char* what;
        std::int32_t mode;
        Fault fault;
        Statement failing; // the statement that answers the error
        const char* after; // the file once closed
    };
    const Fault diskFull = Fault(FaultPoint::Write, SystemError::DiskFull).FromThenOn();
    const Fault diskFullHalfWay = Fault(diskFull).WritingFirst(3);
    const Case cases[] = {
        { "the disk fills during an APPEND that goes straight to the file", kReadWriteDenyNone,
            diskFull, Statement::Append, kEarlier },
        { "the disk fills half-way through the APPEND's line", kReadWriteDenyNone, diskFullHalfWay,
            Statement::Append, "first\r\nsecond\r\nthi" },
        { "the disk fills when the cached line is written at FLUSH", kReadWriteDenyAll, diskFull,
            Statement::Flush, kEarlier },
        { "the flush fails after the line was written", kReadWriteDenyAll,
            Fault(FaultPoint::Flush, SystemError::GeneralFailure), Statement::Flush,
            "first\r\nsecond\r\nthird\r\n" },
        { "the close fails", kReadWriteDenyAll,
            Fault(FaultPoint::Close, SystemError::GeneralFailure), Statement::Close,
            "first\r\nsecond\r\nthird\r\n" },
        { "the close of a shared file reports a full disk", kReadWriteDenyNone,
            Fault(FaultPoint::Close, SystemError::DiskFull), Statement::Close,
            "first\r\nsecond\r\nthird\r\n" },
        { "another program holds the file", kReadWriteDenyAll,
            Fault(FaultPoint::Open, SystemError::SharingViolation), Statement::Open, kEarlier },
    };
    const std::string path = m_directory / "DATA.TXT";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(path, kEarlier);
        LineFile file(path);
        FaultInjectingFileSystem faults;
        faults.Arm(c.fault);
        std::optional<files::FileSystemScope> scope;
        scope.emplace(faults);

        const auto run = [&](Statement statement) {
            switch (statement) {
            case Statement::Open:
                return files::Open(&file.declaration, c.mode);
            case Statement::Append:
                file.Assign("third");
                return files::Append(&file.declaration);
            case Statement::Flush:
                return files::Flush(&file.declaration);
            case Statement::Close:
                return files::Close(&file.declaration);
            }
            return -1;
        };
        for (const Statement statement :
            { Statement::Open, Statement::Append, Statement::Flush, Statement::Close }) {
            SCOPED_TRACE(NameOf(statement));
            const std::int32_t result = run(statement);
            if (statement != c.failing) {
                ASSERT_EQ(result, 0);
                continue;
            }
            EXPECT_EQ(result, kAccessDenied);
            EXPECT_EQ(files::ErrorCode(), kAccessDenied) << "ERRORCODE()";
            EXPECT_EQ(files::ErrorFile(), &file.declaration) << "ERRORFILE()";
            EXPECT_EQ(files::SavedSystemError(), c.fault.error) << "the system's error behind it";
            EXPECT_GE(faults.Struck(), 1u);
            break;
        }
        if (c.failing != Statement::Open && c.failing != Statement::Close)
            files::Close(&file.declaration); // the file is let go of, even on a full disk
        scope.reset();
        EXPECT_EQ(ReadText(path), c.after) << "nothing that was on the disk is lost";
        EXPECT_EQ(files::Open(&file.declaration, kReadWriteDenyAll), 0) << "nothing holds it";
        EXPECT_EQ(files::Close(&file.declaration), 0);
    }
}

} // namespace

// --- a FILE whose name must not be a link ----------------------------------------------------

namespace {

TEST_F(FileStatementFaultTest, AFileThatRefusesLinksIsNeverOpenedOrMadeThroughOne)
{
    const std::string target = m_directory / "TARGET.TXT";
    const std::string missing = m_directory / "NEVER.TXT";
    const std::string link = m_directory / "DATA.TXT";
    struct Case {
        const char* what;
        std::string to;
    };
    const Case cases[] = {
        { "a link to a file", target },
        { "a dangling link", missing },
        { "a link to a device", "/dev/null" },
    };
    // Through the file system in force, so that a test's own file system sees the choice too.
    FaultInjectingFileSystem faults;
    const files::FileSystemScope scope(faults);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(target, kEarlier);
        std::filesystem::remove(link);
        std::filesystem::create_symlink(c.to, link);
        LineFile file(link);
        file.declaration.finalLink = platform::FinalLink::Refuse;
        EXPECT_EQ(files::Open(&file.declaration, kReadWriteDenyAll), kAccessDenied);
        EXPECT_EQ(files::SavedSystemError(), SystemError::AccessDenied);
        EXPECT_EQ(files::Create(&file.declaration), kAccessDenied);
        EXPECT_EQ(ReadText(target), kEarlier) << "the target keeps its bytes";
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(missing)))
            << "nothing is made through the link";
    }
    // A FILE that does not ask for it goes through a link, as it always did.
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
    LineFile file(link);
    ASSERT_EQ(files::Open(&file.declaration, kReadWriteDenyAll), 0);
    EXPECT_EQ(files::Close(&file.declaration), 0);
}

} // namespace
