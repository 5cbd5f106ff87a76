#include "FileManagerFakes.h"

#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <framework/FileManager.h>
#include <platform/Threads.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

using files::CodeOf;
using files::Operation;
using filetest::Declaration;
using framework::FileManager;
using framework::OpenCount;
using framework::OpenForce;
using framework::OpenReport;

namespace {

using Attr = files::DeclarationAttributes;

constexpr std::uint8_t kCreateAttribute = Attr::kCreate;
constexpr std::int32_t kReadDenyWrite = 0x20;
constexpr std::int32_t kReadWriteDenyAll = 0x12;

class FileManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_directory.Path().empty());
        m_cwd.emplace(m_directory.Path());
        files::ClearErrorState();
        value::ResetStringStack();
        errors.Setup();
    }
    void TearDown() override
    {
        manager.Teardown();
        files::UsedFileList::CloseAll();
        errors.Teardown();
        files::ClearErrorState();
        EXPECT_EQ(value::StackDepth(), 0) << "the manager leaves nothing on the string stack";
        value::ResetStringStack();
        m_cwd.reset();
    }

    Declaration& Declare(std::string name = "HASHBROJ.TXT",
        std::uint8_t attributes = kCreateAttribute,
        files::DriverEntry entry = &files::AsciiDriverEntry)
    {
        return m_declarations.emplace_back(std::move(name), attributes, entry);
    }
    /// A manager of `file` that opens for real at once.
    void SetupEager(Declaration& file)
    {
        manager.Setup(file.Get(), &errors);
        manager.lazyOpen = 0;
    }
    std::string Path(std::string_view name) const { return m_directory / name; }

    testsupport::TempDirectory m_directory;
    std::optional<testsupport::ScopedCurrentDirectory> m_cwd;
    testsupport::ScopedEnvironment m_noProfile { "VARN_WIN_INI", "/nonexistent/win.ini" };
    std::deque<Declaration> m_declarations;
    filetest::RecordingErrorManager errors;
    FileManager manager;
};

TEST_F(FileManagerTest, SetupGivesTheDefaultsAndListsTheManagerUntilTeardown)
{
    Declaration& file = Declare();
    manager.Setup(file.Get(), &errors);
    EXPECT_EQ(manager.openMode, 0x42);
    EXPECT_EQ(manager.create, 1);
    EXPECT_EQ(manager.lockRecover, 10);
    EXPECT_EQ(manager.lazyOpen, 1);
    EXPECT_EQ(manager.file, file.Get());
    EXPECT_TRUE(manager.info && manager.keys && manager.buffers && manager.saved);
    EXPECT_EQ(FileManager::ForFile(file.Get()), &manager);
    EXPECT_EQ(manager.DisplayName(), "HASHBROJ.TXT")
        << "a closed file's name property is blank: the declared NAME is shown";

    manager.Teardown();
    EXPECT_FALSE(manager.info || manager.keys || manager.buffers || manager.saved);
    EXPECT_EQ(FileManager::ForFile(file.Get()), nullptr);
    manager.Teardown(); // a second Teardown finds nothing left to free
}

TEST_F(FileManagerTest, ADestroyedManagerLeavesTheProgramList)
{
    Declaration& file = Declare();
    {
        FileManager scoped;
        scoped.Setup(file.Get(), &errors);
        ASSERT_EQ(FileManager::ForFile(file.Get()), &scoped);
    }
    EXPECT_EQ(FileManager::ForFile(file.Get()), nullptr) << "no dangling manager is found";
}

// --- the open passes on real files -----------------------------------------------------------

enum class Disk {
    Missing,       // no file
    Present,       // an empty file
    HeldDenyWrite, // present, and open elsewhere for reading, denying writes
    HeldDenyAll,   // present, and open elsewhere denying everything
    MissingFolder, // the name points into a directory that does not exist
};

struct OpenCase {
    const char* name;
    Disk disk;
    std::uint8_t attributes; // of the declaration
    std::uint8_t create;     // of the manager
    OpenReport report;
    std::uint32_t result;
    std::vector<std::string> titles; // boxes shown
    bool halted;
    bool opened;
    std::uint8_t modeAfter;
};

void PrintTo(const OpenCase& c, std::ostream* os)
{
    *os << c.name;
}

class FileManagerOpenTest
    : public FileManagerTest
    , public testing::WithParamInterface<OpenCase> { };

TEST_P(FileManagerOpenTest, Opens)
{
    const OpenCase& c = GetParam();
    const std::string name = c.disk == Disk::MissingFolder ? "NODIR/HASH.TXT" : "HASH.TXT";
    if (c.disk != Disk::Missing && c.disk != Disk::MissingFolder)
        testsupport::WriteText(Path(name), "");
    if (c.disk == Disk::HeldDenyWrite || c.disk == Disk::HeldDenyAll) {
        Declaration& holder = Declare(name, 0);
        ASSERT_EQ(files::Open(holder.Get(),
                      c.disk == Disk::HeldDenyWrite ? kReadDenyWrite : kReadWriteDenyAll),
            0);
    }
    Declaration& file = Declare(name, c.attributes);
    SetupEager(file);
    manager.create = c.create;

    EXPECT_EQ(manager.Open(c.report, OpenCount::Yes, OpenForce::No), c.result);
    EXPECT_EQ(errors.Titles(), c.titles);
    EXPECT_EQ(errors.halts.size(), c.halted ? 1U : 0U);
    EXPECT_EQ(file.IsOpen(), c.opened);
    EXPECT_EQ(manager.openMode, c.modeAfter);
    const FileManager::InfoEntry* entry = manager.SelectInfo();
    EXPECT_EQ(entry->used, c.opened ? 1 : 0);
    EXPECT_EQ(entry->opened, c.opened ? 1 : 0) << "a failed open is not counted";
    if (c.disk == Disk::Missing) {
        EXPECT_EQ(std::filesystem::exists(Path(name)), c.opened);
    }
}

const std::vector<std::string> kNone;

INSTANTIATE_TEST_SUITE_P(Passes, FileManagerOpenTest,
    testing::Values(
        // An existing file opens on the first pass, read and write.
        OpenCase { "present", Disk::Present, kCreateAttribute, 1, OpenReport::Yes, 0, kNone, false,
            true, 0x42 },
        // A missing file is created, then opened on the second pass.
        OpenCase { "missing_created", Disk::Missing, kCreateAttribute, 1, OpenReport::Yes, 0, kNone,
            false, true, 0x42 },
        // Not allowed to create: "File Access Error", a fatal message.
        OpenCase { "missing_no_create", Disk::Missing, kCreateAttribute, 0, OpenReport::Yes, 3,
            { "File Access Error" }, true, false, 0x42 },
        // ... and without report the failure answers 5 and shows nothing.
        OpenCase { "missing_no_create_silent", Disk::Missing, kCreateAttribute, 0, OpenReport::No,
            5, kNone, false, false, 0x42 },
        // The manager may create, the declaration may not (CREATE posts 54): message 10.
        OpenCase { "create_refused", Disk::Missing, 0, 1, OpenReport::Yes, 3,
            { "File Creation Error" }, true, false, 0x42 },
        OpenCase { "create_refused_silent", Disk::Missing, 0, 1, OpenReport::No, 5, kNone, false,
            false, 0x42 },
        // No write access: message 2, then opened read only (deny none) on the second pass.
        OpenCase { "read_only_fallback", Disk::HeldDenyWrite, kCreateAttribute, 1, OpenReport::Yes,
            0, { "Access Denied" }, false, true, 0x40 },
        // Not even read access: message 2, then 23.
        OpenCase { "denied_both_passes", Disk::HeldDenyAll, kCreateAttribute, 1, OpenReport::Yes, 3,
            { "Access Denied", "File Access Error" }, true, false, 0x40 },
        // Any other error ends the passes at once.
        OpenCase { "path_not_found", Disk::MissingFolder, kCreateAttribute, 1, OpenReport::Yes, 3,
            { "File Access Error" }, true, false, 0x42 }),
    [](const testing::TestParamInfo<OpenCase>& row) { return std::string(row.param.name); });

TEST_F(FileManagerTest, FailureMessagesNameTheFileAndItsError)
{
    Declaration& file = Declare("GONE.TXT");
    SetupEager(file);
    manager.create = 0;
    EXPECT_EQ(manager.Open(), 3U);
    ASSERT_EQ(errors.boxes.size(), 1U);
    EXPECT_EQ(errors.boxes[0].text,
        "File (GONE.TXT) could not be opened.  Error: File Not Found (2).  Press OK to end this "
        "application");
    EXPECT_EQ(errors.halts, std::vector<std::string> { "File Access Error" });

    Declaration& refused = Declare("NEW.TXT", 0);
    FileManager other;
    other.Setup(refused.Get(), &errors);
    other.lazyOpen = 0;
    EXPECT_EQ(other.Open(), 3U);
    ASSERT_EQ(errors.boxes.size(), 2U);
    EXPECT_EQ(errors.boxes[1].text,
        "Error: (No Create Attribute (54)) creating NEW.TXT.  Press OK to end this application");
    other.Teardown();
}

// --- counting and laziness ------------------------------------------------------------------

TEST_F(FileManagerTest, CountedOpensCloseTheFileOnTheLastClose)
{
    Declaration& file = Declare();
    SetupEager(file);
    ASSERT_EQ(manager.Open(), 0U);
    ASSERT_EQ(manager.Open(), 0U);
    EXPECT_EQ(manager.SelectInfo()->opened, 2);
    EXPECT_EQ(manager.Close(), 0U);
    EXPECT_TRUE(file.IsOpen()) << "one open request is still outstanding";
    EXPECT_EQ(manager.Close(), 0U);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(manager.SelectInfo()->used, 0);
    EXPECT_EQ(manager.Close(), 0U) << "a surplus close changes nothing";
    EXPECT_EQ(manager.SelectInfo()->opened, 0);

    // An uncounted open needs no close of its own.
    ASSERT_EQ(manager.Open(OpenReport::Yes, OpenCount::No, OpenForce::No), 0U);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(manager.SelectInfo()->opened, 0);
}

TEST_F(FileManagerTest, LazyOpenWaitsForEnsureOpen)
{
    Declaration& file = Declare();
    manager.Setup(file.Get(), &errors);
    ASSERT_EQ(manager.Open(), 0U);
    ASSERT_EQ(manager.Open(), 0U);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(Path("HASHBROJ.TXT"))) << "nothing touched the disk";

    EXPECT_EQ(manager.EnsureOpen(), 0U);
    EXPECT_TRUE(file.IsOpen()) << "created and opened";
    EXPECT_EQ(manager.SelectInfo()->opened, 2) << "EnsureOpen's open is not counted";
    EXPECT_EQ(manager.EnsureOpen(), 0U) << "already open";

    manager.Close();
    EXPECT_TRUE(file.IsOpen());
    manager.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(errors.boxes.empty());
}

TEST_F(FileManagerTest, EnsureOpenBeforeAnyOpenIsAProgramError)
{
    Declaration& file = Declare();
    manager.Setup(file.Get(), &errors);
    EXPECT_EQ(manager.EnsureOpen(), 3U) << "the halt returned";
    EXPECT_EQ(errors.Titles(), std::vector<std::string> { "File Usage Error" });
    ASSERT_EQ(errors.boxes.size(), 1U);
    EXPECT_EQ(errors.boxes[0].text,
        "Attempt to use file (HASHBROJ.TXT) before it was opened  Press OK to end this "
        "application");
    EXPECT_EQ(manager.SelectInfo()->lastError, 39);
    EXPECT_FALSE(file.IsOpen());

    // An eager manager has nothing to ensure.
    manager.lazyOpen = 0;
    EXPECT_EQ(manager.EnsureOpen(), 0U);
    EXPECT_EQ(errors.boxes.size(), 1U);
}

TEST_F(FileManagerTest, EachThreadOfAThreadFileHasItsOwnEntry)
{
    struct Row {
        std::uint8_t attributes;
        std::size_t entries;
    };
    for (const Row row :
        { Row { kCreateAttribute | Attr::kThread, 3 }, Row { kCreateAttribute, 1 } }) {
        SCOPED_TRACE(row.attributes);
        testsupport::WriteText(Path("T.TXT"), "");
        Declaration& file = Declare("T.TXT", row.attributes);
        FileManager shared;
        shared.Setup(file.Get(), &errors);
        shared.lazyOpen = 0;
        std::set<std::int32_t> ids;
        auto openAndClose = [&] {
            EXPECT_EQ(shared.Open(), 0U);
            ids.insert(shared.SelectInfo()->id);
            EXPECT_EQ(shared.SelectInfo()->opened, 1) << "counted for this thread alone";
            EXPECT_EQ(shared.Close(), 0U);
            EXPECT_FALSE(file.IsOpen());
        };
        openAndClose();
        std::thread(openAndClose).join();
        std::thread(openAndClose).join();

        EXPECT_EQ(shared.info->size(), row.entries);
        EXPECT_EQ(ids.size(), row.entries);
        if (row.entries == 1) {
            EXPECT_EQ(*ids.begin(), 1);
        } else {
            EXPECT_TRUE(ids.count(static_cast<std::int32_t>(platform::CurrentThreadId())));
        }
        shared.Teardown();
        files::UsedFileList::CloseAll();
    }
}

TEST_F(FileManagerTest, TeardownFreesTheSavedBuffers)
{
    Declaration& file = Declare();
    manager.Setup(file.Get(), &errors);
    std::memcpy(file.record.data(), "FIRST", 5);
    const std::uint16_t first = manager.SaveBuffer();
    std::memcpy(file.record.data(), "SECOND", 6);
    const std::uint16_t second = manager.SaveBuffer();
    EXPECT_NE(first, 0);
    EXPECT_NE(first, second);
    manager.RestoreBuffer(first);
    EXPECT_EQ(std::memcmp(file.record.data(), "FIRST\0", 6), 0) << "the whole record comes back";
    EXPECT_EQ(manager.buffers->size(), 1U) << "a restored copy is released";
    std::memcpy(file.record.data(), "OTHER", 5);
    manager.RestoreBuffer(first);
    EXPECT_EQ(std::memcmp(file.record.data(), "OTHER", 5), 0) << "released: nothing to restore";

    // The copy still saved goes with Teardown (the leak check of the build sees it).
    manager.Teardown();
    EXPECT_FALSE(manager.buffers.has_value());
    manager.RestoreBuffer(second);
}

// --- the open passes with a scripted driver --------------------------------------------------

class ScriptedFileManagerTest : public FileManagerTest {
protected:
    void SetUp() override
    {
        FileManagerTest::SetUp();
        filetest::g_scripted = &driver;
    }
    void TearDown() override
    {
        FileManagerTest::TearDown();
        filetest::g_scripted = nullptr;
    }

    filetest::ScriptedDriver driver;
};

constexpr std::int32_t kOpen = CodeOf(Operation::Open);
constexpr std::int32_t kSend = CodeOf(Operation::Send);
constexpr std::int32_t kBuild = CodeOf(Operation::BuildFile);
constexpr std::int32_t kCreate = CodeOf(Operation::Create);

struct ScriptCase {
    const char* name;
    std::vector<std::int32_t> opens; // what each OPEN answers
    std::vector<std::int32_t> builds;
    OpenReport report;
    std::uint32_t result;
    std::vector<std::int32_t> operations; // what reached the driver
    std::vector<std::string> titles;
};

void PrintTo(const ScriptCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScriptedOpenTest
    : public ScriptedFileManagerTest
    , public testing::WithParamInterface<ScriptCase> { };

TEST_P(ScriptedOpenTest, Passes)
{
    const ScriptCase& c = GetParam();
    driver.script[kOpen].assign(c.opens.begin(), c.opens.end());
    driver.script[kBuild].assign(c.builds.begin(), c.builds.end());
    Declaration& file = Declare("S.DAT", kCreateAttribute, &filetest::ScriptedEntry);
    SetupEager(file);

    EXPECT_EQ(manager.Open(c.report, OpenCount::Yes, OpenForce::No), c.result);
    EXPECT_EQ(driver.Operations(), c.operations);
    EXPECT_EQ(errors.Titles(), c.titles);
}

INSTANTIATE_TEST_SUITE_P(Script, ScriptedOpenTest,
    testing::Values(
        // Access denied once: the lock is recovered and the second OPEN of the pass succeeds.
        ScriptCase {
            "recovered", { 5, 0 }, {}, OpenReport::Yes, 0, { kOpen, kSend, kOpen }, kNone },
        // Recovery does not help: read only on the next pass.
        ScriptCase { "recover_then_read_only", { 5, 5, 0 }, {}, OpenReport::Yes, 0,
            { kOpen, kSend, kOpen, kOpen }, { "Access Denied" } },
        // The keys must be rebuilt: notice 27, BUILD, then the next pass opens.
        ScriptCase { "key_rebuilt", { 46, 0 }, { 0 }, OpenReport::Yes, 0, { kOpen, kBuild, kOpen },
            { "Invalid Key" } },
        // BUILD fails: notice 27, then the fatal 26.
        ScriptCase { "key_not_built", { 46 }, { 36 }, OpenReport::Yes, 3, { kOpen, kBuild },
            { "Invalid Key", "Key was not built" } },
        // Without report the rebuild is not attempted.
        ScriptCase { "key_silent", { 46 }, {}, OpenReport::No, 5, { kOpen }, kNone },
        // The keys still need rebuilding after a BUILD: the passes run out.
        ScriptCase { "key_twice", { 46, 46 }, { 0, 0 }, OpenReport::Yes, 3,
            { kOpen, kBuild, kOpen, kBuild },
            { "Invalid Key", "Invalid Key", "File Access Error" } },
        // "File Already Open" counts as opened.
        ScriptCase { "already_open", { 52 }, {}, OpenReport::Yes, 0, { kOpen }, kNone },
        // A file missing on both passes: created each time, then 23.
        ScriptCase { "still_missing", { 2, 2 }, {}, OpenReport::Yes, 3,
            { kOpen, kCreate, kOpen, kCreate }, { "File Access Error" } }),
    [](const testing::TestParamInfo<ScriptCase>& row) { return std::string(row.param.name); });

TEST_F(ScriptedFileManagerTest, RecoverSendsTheManagersNumber)
{
    driver.script[kOpen] = { 5, 0 };
    Declaration& file = Declare("S.DAT", kCreateAttribute, &filetest::ScriptedEntry);
    SetupEager(file);
    manager.lockRecover = 7;
    ASSERT_EQ(manager.Open(), 0U);
    const auto sent = std::find_if(driver.calls.begin(), driver.calls.end(),
        [](const auto& call) { return call.operation == kSend; });
    ASSERT_NE(sent, driver.calls.end());
    EXPECT_EQ(sent->text, "Recover=7");
}

TEST_F(ScriptedFileManagerTest, AFileAlreadyOpenIsOnlyCounted)
{
    Declaration& file = Declare("S.DAT", kCreateAttribute, &filetest::ScriptedEntry);
    SetupEager(file);
    ASSERT_EQ(manager.Open(), 0U);
    ASSERT_EQ(manager.Open(), 0U);
    EXPECT_EQ(driver.Operations(), std::vector<std::int32_t> { kOpen });
    EXPECT_EQ(files::ErrorCode(), 0) << "no second OPEN posts File Already Open";
    EXPECT_EQ(manager.SelectInfo()->opened, 2);

    // Forced, the OPEN is issued again (the driver interface refuses it before the driver
    // sees it) and File Already Open counts as opened.
    ASSERT_EQ(manager.Open(OpenReport::Yes, OpenCount::No, OpenForce::Yes), 0U);
    EXPECT_EQ(files::ErrorCode(), 52);
    EXPECT_TRUE(errors.boxes.empty());
}

TEST_F(ScriptedFileManagerTest, EnsureOpenKeepsTheRecordBuffer)
{
    Declaration& file = Declare("S.DAT", kCreateAttribute, &filetest::ScriptedEntry);
    manager.Setup(file.Get(), &errors);
    std::memset(file.record.data(), 'A', file.record.size());
    ASSERT_EQ(manager.Open(), 0U);
    ASSERT_EQ(manager.EnsureOpen(), 0U);
    ASSERT_EQ(driver.Operations(), std::vector<std::int32_t> { kOpen });
    EXPECT_TRUE(std::all_of(file.record.begin(), file.record.end(), [](std::byte b) {
        return b == std::byte { 'A' };
    })) << "the record the driver overwrote on OPEN is put back";
    EXPECT_TRUE(manager.buffers->empty());
}

TEST_F(ScriptedFileManagerTest, EveryOpenThatSucceedsCallsAfterOpen)
{
    struct CountingManager : FileManager {
        int afterOpen = 0;
        void AfterOpen() override { ++afterOpen; }
    } counting;
    driver.script[kOpen] = { 3 };
    Declaration& file = Declare("S.DAT", kCreateAttribute, &filetest::ScriptedEntry);
    counting.Setup(file.Get(), &errors);

    EXPECT_EQ(counting.Open(), 0U); // lazy
    EXPECT_EQ(counting.afterOpen, 1);
    EXPECT_EQ(counting.Open(OpenReport::No, OpenCount::No, OpenForce::Yes), 5U); // fails
    EXPECT_EQ(counting.afterOpen, 1);
    EXPECT_EQ(counting.EnsureOpen(), 0U); // real
    EXPECT_EQ(counting.afterOpen, 2);
    counting.Teardown();
}

} // namespace
