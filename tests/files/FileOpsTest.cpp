#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using files::FileDeclaration;
using files::FileState;
using files::Operation;
using files::OperationArguments;

constexpr std::int32_t Code(Operation operation)
{
    return files::CodeOf(operation);
}

/// A state bit as a number, as the tables below spell the states.
constexpr std::uint32_t Bit(FileState bit)
{
    return files::Bits(bit);
}

/// What the fake driver's handler answers: `result` as the number it posts.
files::HandlerResult Answer(std::int32_t result, std::int32_t value, std::string text)
{
    return files::HandlerResult { files::FileError { result }, value, std::move(text) };
}

/// A driver that records what reaches its handler and answers chosen results.
class FakeDriver final : public files::FileDriver {
public:
    struct Call {
        std::int32_t operation;
        const files::FileControlBlock* block;
        const FileDeclaration* declaration;
        std::string name;
        OperationArguments arguments;
    };

    struct Block final : files::FileControlBlock {
        explicit Block(int& live)
            : m_live(live)
        {
            ++m_live;
        }
        ~Block() override { --m_live; }

    private:
        int& m_live;
    };

    std::string_view Name() const override { return "FAKE"; }
    std::unique_ptr<files::FileControlBlock> NewControlBlock() override
    {
        ++blocksMade;
        return std::make_unique<Block>(liveBlocks);
    }
    files::FileError Attach(files::FileControlBlock& block) override
    {
        attachedFields = block.fields.size();
        return files::FileError { attachError };
    }
    void ReadTraceSettings(files::FileControlBlock& block) override { block.traceOn = traceOn; }
    files::HandlerResult Run(Operation operation, files::FileControlBlock& block,
        const OperationArguments& arguments) override
    {
        calls.push_back(Call { Code(operation), &block, block.declaration, block.name, arguments });
        const auto found = answers.find(Code(operation));
        return found == answers.end() ? files::HandlerResult {} : found->second;
    }
    void Trace(Operation operation, files::FileControlBlock&, const OperationArguments&,
        files::FileError result, std::int64_t) override
    {
        traced.emplace_back(Code(operation), files::CodeOf(result));
    }

    /// The operations that reached the handler, in order.
    std::vector<std::int32_t> Operations() const
    {
        std::vector<std::int32_t> operations;
        for (const Call& call : calls)
            operations.push_back(call.operation);
        return operations;
    }

    std::vector<Call> calls;
    std::map<std::int32_t, files::HandlerResult> answers;
    std::vector<std::pair<std::int32_t, std::int32_t>> traced;
    std::int32_t attachError = 0;
    std::size_t attachedFields = 0;
    bool traceOn = false;
    int blocksMade = 0;
    int liveBlocks = 0;
};

FakeDriver* g_driver = nullptr;

std::int32_t FakeEntry(
    Operation operation, FileDeclaration* file, const OperationArguments* arguments)
{
    return files::RunFileOperation(*g_driver, operation, file, *arguments);
}

const std::vector<std::uint8_t>& ResultRecordType()
{
    static const std::vector<std::uint8_t> kType
        = files::TypeDescriptorBuilder().Group().String("HAS:SLOG", 40).End().Build();
    return kType;
}

/// A declaration shaped like the result file: NAME "HASHBROJ.TXT", one STRING(40) field.
struct TestFile {
    explicit TestFile(std::uint8_t attributes
        = files::DeclarationAttributes::kCreate | files::DeclarationAttributes::kOem)
    {
        declaration.driverEntry = &FakeEntry;
        declaration.name = name;
        declaration.nameLength = files::kNameNulTerminated;
        declaration.attributes = attributes;
        declaration.recordLength = 40;
        declaration.recordType = ResultRecordType().data();
        declaration.record = record;
    }

    files::FileControlBlock* Block() const { return declaration.controlBlock; }
    std::uint32_t State() const { return Block() == nullptr ? 0 : Bit(Block()->state); }

    char name[32] = "HASHBROJ.TXT";
    std::byte record[40] = {};
    FileDeclaration declaration;
};

class FileOpsTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_driver = &m_driver;
        files::ClearErrorState();
        value::ResetStringStack();
    }
    void TearDown() override
    {
        files::UsedFileList::CloseAll();
        EXPECT_EQ(m_driver.liveBlocks, 0);
        files::ClearErrorState();
        value::ResetStringStack();
        g_driver = nullptr;
    }

    std::int32_t Run(Operation operation, OperationArguments arguments = {})
    {
        return files::FileOpDispatch(operation, &m_file.declaration, arguments);
    }

    /// Opens the test file with `mode` and forgets the calls so far.
    void OpenWith(std::int32_t mode)
    {
        ASSERT_EQ(files::Open(&m_file.declaration, mode), 0);
        m_driver.calls.clear();
    }

    static std::string PopText()
    {
        char text[64] = {};
        value::PopToCString(text, sizeof text);
        return text;
    }

    FakeDriver m_driver;
    TestFile m_file;
};

TEST_F(FileOpsTest, OperationsNeedingAnOpenFileGive37AndLeaveNothingBehind)
{
    struct Case {
        Operation operation;
        std::int32_t answer; // what the caller gets back
    };
    for (const Case c : { Case { Operation::Next, 37 }, Case { Operation::Append, 37 },
             Case { Operation::Put, 37 }, Case { Operation::Empty, 37 },
             Case { Operation::Flush, 37 }, Case { Operation::Close, 37 },
             Case { Operation::Eof, 1 }, Case { Operation::Bytes, 0 } }) {
        SCOPED_TRACE(files::OperationName(c.operation));
        files::ClearErrorState();
        EXPECT_EQ(Run(c.operation), c.answer);
        EXPECT_EQ(files::ErrorCode(), 37);
        EXPECT_EQ(files::ErrorFile(), &m_file.declaration);
        EXPECT_EQ(m_file.Block(), nullptr);
        EXPECT_TRUE(files::UsedFileList::Entries().empty());
    }
    EXPECT_TRUE(m_driver.calls.empty());
    EXPECT_EQ(m_driver.liveBlocks, 0);
}

TEST_F(FileOpsTest, CloseBeforeOpenPosts37AndTheOpenClearsIt)
{
    EXPECT_EQ(files::Close(&m_file.declaration), 37);
    EXPECT_EQ(files::ErrorCode(), 37);
    EXPECT_EQ(files::Open(&m_file.declaration, 0x12), 0);
    EXPECT_EQ(files::ErrorCode(), 0);
    EXPECT_EQ(files::ErrorFile(), nullptr);
    ASSERT_NE(m_file.Block(), nullptr);
    EXPECT_EQ(m_file.State(),
        Bit(FileState::Open) | Bit(FileState::WriteAccess) | Bit(FileState::Exclusive));
    EXPECT_EQ(m_file.Block()->name, "HASHBROJ.TXT");
    EXPECT_EQ(m_file.Block()->recordLength, 40u);
    EXPECT_EQ(
        m_file.Block()->attributes, files::BlockAttribute::Create | files::BlockAttribute::Oem);
    EXPECT_EQ(m_driver.attachedFields, 1u);
    ASSERT_EQ(m_driver.calls.size(), 1u);
    EXPECT_EQ(m_driver.calls[0].arguments.numbers[0], 0x12);
}

TEST_F(FileOpsTest, OpenOfAnOpenFileGives52AndTheFileStaysOpen)
{
    OpenWith(0x12);
    const files::FileControlBlock* block = m_file.Block();
    EXPECT_EQ(files::Open(&m_file.declaration, 0x12), 52);
    EXPECT_EQ(files::ErrorCode(), 52);
    EXPECT_EQ(m_file.Block(), block);
    EXPECT_NE(m_file.State() & Bit(FileState::Open), 0u);
    EXPECT_TRUE(m_driver.calls.empty());
}

TEST_F(FileOpsTest, OpenModeGivesTheAccessBits)
{
    struct Case {
        std::int32_t mode;
        std::uint32_t bits;
    };
    constexpr std::uint32_t kWrite = Bit(FileState::WriteAccess);
    constexpr std::uint32_t kExclusive = Bit(FileState::Exclusive);
    for (const Case c : { Case { 0x00, 0 }, Case { 0x02, kWrite },
             Case { 0x12, kWrite | kExclusive }, Case { 0x20, kExclusive }, Case { 0x30, 0 },
             Case { 0x41, kWrite }, Case { 0x70, kExclusive } }) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(files::Open(&m_file.declaration, c.mode), 0);
        EXPECT_EQ(m_file.State(), Bit(FileState::Open) | c.bits);
        ASSERT_EQ(files::Close(&m_file.declaration), 0);
    }
}

TEST_F(FileOpsTest, StateCheckFollowsTheRequiredAndForbiddenColumns)
{
    struct Case {
        const char* what;
        std::int32_t mode;
        std::uint32_t extraState;
        Operation operation;
        std::string_view text;
        std::int32_t result;
    };
    const Case cases[] = {
        { "NEXT before SET", 0x12, 0, Operation::Next, {}, 33 },
        { "NEXT after SET", 0x12, 0x20, Operation::Next, {}, 0 },
        { "PUT without a current record", 0x12, 0, Operation::Put, {}, 33 },
        { "APPEND read only", 0x10, 0, Operation::Append, {}, 5 },
        { "EMPTY deny none", 0x42, 0, Operation::Empty, {}, 63 },
        { "EMPTY exclusive read only", 0x10, 0, Operation::Empty, {}, 5 },
        { "EMPTY exclusive read write", 0x12, 0, Operation::Empty, {}, 0 },
        { "UNLOCK without LOCK", 0x12, 0, Operation::Unlock, {}, -1 },
        { "LOCK while locked", 0x12, 0x10, Operation::LockFile, {}, -1 },
        { "LOGOUT while active", 0x12, 0x4, Operation::Logout, {}, 56 },
        { "CLOSE during LOGOUT", 0x12, 0x4, Operation::Close, {}, 56 },
        { "STREAM twice", 0x12, 0x8, Operation::Stream, {}, -1 },
        { "CREATE on an open file", 0x12, 0, Operation::Create, {}, 52 },
        { "NEXT during BUILD", 0x12, 0x4020, Operation::Next, {}, 92 },
        { "GET_PROPERTY during BUILD", 0x12, 0x4000, Operation::GetProperty, {}, 0 },
        { "RESET with a blank position", 0x12, 0, Operation::ResetFile, "    ", 35 },
        { "RESET with a position", 0x12, 0, Operation::ResetFile, "\x01\0\0\0", 0 },
        { "POINTER without a current record", 0x12, 0, Operation::PointerFile, {}, 33 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files::ClearErrorState();
        OpenWith(c.mode);
        m_file.Block()->state |= FileState { c.extraState };
        OperationArguments arguments;
        arguments.text = c.text;
        const std::int32_t answer = Run(c.operation, arguments);
        EXPECT_EQ(answer, c.operation == Operation::PointerFile ? 0 : c.result);
        EXPECT_EQ(m_driver.calls.size(), c.result == 0 ? 1u : 0u);
        EXPECT_EQ(files::ErrorCode(), c.result == -1 ? 0 : c.result);
        if (c.operation == Operation::GetProperty)
            value::Drop();
        if (m_file.Block() != nullptr) { // a failed CLOSE has let go of it already
            m_file.Block()->state &= ~(FileState { c.extraState } & FileState::BuildInProgress);
            files::Close(&m_file.declaration);
        }
        EXPECT_EQ(m_file.Block(), nullptr);
    }
}

TEST_F(FileOpsTest, SuccessAndFailureUpdateTheStateAsTabled)
{
    constexpr std::uint32_t kOpened = 0xC1; // open 0x12: open, write access, exclusive
    struct Case {
        const char* what;
        std::uint32_t before;
        Operation operation;
        std::int32_t result;
        std::uint32_t after;
    };
    const Case cases[] = {
        { "SET", kOpened, Operation::SetFile, 0, kOpened | 0x2020 },
        { "NEXT reads", kOpened | 0x2020, Operation::Next, 0, kOpened | 0x2022 },
        { "NEXT fails", kOpened | 0x2022, Operation::Next, 33, kOpened },
        { "NEXT with HOLD requested", kOpened | 0x820, Operation::Next, 0, kOpened | 0x1022 },
        { "NEXT with WATCH requested, already watched", kOpened | 0x620, Operation::Next, 0,
            kOpened | 0x22 },
        { "ADD", kOpened | 0x1C00, Operation::Add, 0, kOpened | 0x802 },
        { "APPEND fails", kOpened | 0x2, Operation::Append, 5, kOpened | 0x2 },
        { "LOCK", kOpened, Operation::LockFile, 0, kOpened | 0x90 },
        { "UNLOCK", kOpened | 0x90, Operation::Unlock, 0, kOpened | 0x80 },
        { "WATCH", kOpened, Operation::Watch, 0, kOpened | 0x200 },
        { "SEND", kOpened, Operation::Send, 0, kOpened | 0x10000 },
        { "BUILDdyn sets built", kOpened, Operation::BuildDyn, 0, kOpened | 0x100 },
        { "INVIEW twice", kOpened | 0x100, Operation::InView, -1, kOpened | 0x100 },
        { "ENDVIEW", kOpened | 0x100, Operation::EndView, 0, kOpened },
        { "PUTfileptr fails", kOpened | 0x2, Operation::PutFilePtr, 5, kOpened },
        { "driver answers silent", kOpened | 0x2020, Operation::Next, -1, kOpened },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenWith(0x12);
        m_file.Block()->state = FileState { c.before };
        m_driver.answers[Code(c.operation)] = Answer(c.result, 0, {});
        Run(c.operation);
        m_driver.answers.clear();
        ASSERT_NE(m_file.Block(), nullptr);
        EXPECT_EQ(m_file.State(), c.after);
        if (c.operation == Operation::Send)
            value::Drop();
        m_file.Block()->state = FileState { kOpened };
        ASSERT_EQ(files::Close(&m_file.declaration), 0);
    }
}

TEST_F(FileOpsTest, SequentialOperationsAreRememberedAndResultsStored)
{
    OpenWith(0x12);
    ASSERT_EQ(files::Set(&m_file.declaration), 0);
    EXPECT_EQ(m_file.Block()->lastOperation, Operation::SetFile);
    m_driver.answers[Code(Operation::Next)] = Answer(33, 0, {});
    EXPECT_EQ(files::Next(&m_file.declaration), 33);
    EXPECT_EQ(files::CodeOf(m_file.Block()->lastError), 33);
    EXPECT_EQ(m_file.Block()->lastOperation, Operation::SetFile);
    m_driver.answers.clear();
    ASSERT_EQ(files::Set(&m_file.declaration), 0);
    ASSERT_EQ(files::Next(&m_file.declaration), 0);
    EXPECT_EQ(m_file.Block()->lastOperation, Operation::Next);
    EXPECT_EQ(files::CodeOf(m_file.Block()->lastError), 0);
    EXPECT_EQ(files::Unlock(&m_file.declaration), -1);
    EXPECT_EQ(files::CodeOf(m_file.Block()->lastError), 0);
}

TEST_F(FileOpsTest, ErrorStateIsClearedOnlyByOperationsThatClearIt)
{
    OpenWith(0x12);
    ASSERT_EQ(files::Set(&m_file.declaration), 0);
    EXPECT_EQ(files::Put(&m_file.declaration), 33);
    m_driver.answers[Code(Operation::Eof)] = Answer(0, 0, {});
    EXPECT_EQ(files::Eof(&m_file.declaration), 0); // post flags 0: the error stays
    EXPECT_EQ(files::ErrorCode(), 33);
    ASSERT_EQ(files::Flush(&m_file.declaration), 0);
    EXPECT_EQ(files::ErrorCode(), 0);

    m_driver.answers[Code(Operation::Eof)] = Answer(90, 0, {});
    EXPECT_EQ(files::Eof(&m_file.declaration), 1);
    EXPECT_EQ(files::ErrorCode(), 90);
    m_driver.answers[Code(Operation::Bytes)] = Answer(0, 1234, {});
    EXPECT_EQ(files::Bytes(&m_file.declaration), 1234);
}

TEST_F(FileOpsTest, FailedReleasingOperationsDropTheBlockExceptOn52)
{
    struct Case {
        Operation operation;
        std::int32_t result;
        bool released;
    };
    for (const Case c : { Case { Operation::Create, 54, true }, Case { Operation::Remove, 2, true },
             Case { Operation::Rename, 5, true }, Case { Operation::Copy, 3, true },
             Case { Operation::Create, 0, true }, Case { Operation::Create, 52, false },
             Case { Operation::Open, 2, false } }) {
        SCOPED_TRACE(files::OperationName(c.operation));
        SCOPED_TRACE(c.result);
        m_driver.answers[Code(c.operation)] = Answer(c.result, 0, {});
        Run(c.operation);
        m_driver.answers.clear();
        EXPECT_EQ(m_file.Block() == nullptr, c.released);
        EXPECT_EQ(files::UsedFileList::Entries().empty(), c.released);
        EXPECT_EQ(files::ErrorCode(), c.result);
        files::ReleaseControlBlock(&m_file.declaration);
    }
    EXPECT_EQ(m_driver.liveBlocks, 0);
}

TEST_F(FileOpsTest, CloseReleasesTheBlockAndItsListEntry)
{
    OpenWith(0x12);
    EXPECT_EQ(files::UsedFileList::Entries().size(), 1u);
    ASSERT_EQ(files::Close(&m_file.declaration), 0);
    EXPECT_EQ(m_file.Block(), nullptr);
    EXPECT_TRUE(files::UsedFileList::Entries().empty());
    EXPECT_EQ(m_driver.liveBlocks, 0);
}

TEST_F(FileOpsTest, ClosedFileOperationsPickUpAChangedNameUnlessPropertiesWereSet)
{
    m_driver.answers[Code(Operation::Name)] = Answer(0, 0, "first");
    ASSERT_EQ(files::Name(&m_file.declaration), 0);
    EXPECT_EQ(PopText(), "first");
    const int blocksBefore = m_driver.blocksMade;
    std::strcpy(m_file.name, "OTHER.TXT");
    ASSERT_EQ(files::Name(&m_file.declaration), 0);
    value::Drop();
    EXPECT_EQ(m_driver.blocksMade, blocksBefore + 1); // the old block was dropped first
    EXPECT_EQ(m_driver.calls.back().name, "OTHER.TXT");

    ASSERT_EQ(files::SetProperty(&m_file.declaration, 0), 0);
    EXPECT_NE(m_file.State() & Bit(FileState::PropertiesSet), 0u);
    const int blocksWithProperties = m_driver.blocksMade;
    m_file.Block()->propertyOverrides = files::PropertyOverride::Name;
    m_file.Block()->name = "BY-PROPERTY";
    std::strcpy(m_file.name, "THIRD.TXT");
    ASSERT_EQ(files::Open(&m_file.declaration, 0x12), 0);
    EXPECT_EQ(m_driver.blocksMade, blocksWithProperties); // the block with properties stays
    EXPECT_EQ(m_driver.calls.back().name, "BY-PROPERTY");
}

TEST_F(FileOpsTest, StringValuedOperationsAlwaysLeaveOneString)
{
    OpenWith(0x12);
    m_driver.answers[Code(Operation::PositionFile)] = Answer(0, 0, std::string("\x05\0\0\0", 4));
    m_file.Block()->state |= FileState::RecordCurrent;
    ASSERT_EQ(files::Position(&m_file.declaration), 0);
    ASSERT_EQ(value::StackDepth(), 1);
    EXPECT_EQ(value::PopLength(), 4u);

    m_file.Block()->state &= ~FileState::RecordCurrent;
    EXPECT_EQ(files::Position(&m_file.declaration), 33); // refused: the empty string
    ASSERT_EQ(value::StackDepth(), 1);
    EXPECT_EQ(value::PopLength(), 0u);
}

TEST_F(FileOpsTest, AttachFailuresPostAndKeepNoBlock)
{
    struct Case {
        const char* what;
        std::uint32_t recordLength;
        const std::uint8_t* recordType;
        std::int32_t driverError;
        std::int32_t error;
    };
    static const std::uint8_t kNotGroup[] = { 18, 0, 0x20, 0x28 };
    static const std::uint8_t kDecimal[] = { 22, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0, 10, 0 };
    const Case cases[] = {
        { "driver refuses", 40, ResultRecordType().data(), 47, 47 },
        { "record too long", files::kMaxRecordLength, ResultRecordType().data(), 0, 47 },
        { "record just short enough", files::kMaxRecordLength - 1, ResultRecordType().data(), 0,
            0 },
        { "descriptor not a GROUP", 40, kNotGroup, 0, 75 },
        { "field of size 0", 40, kDecimal, 0, 79 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files::ClearErrorState();
        m_file.declaration.recordLength = c.recordLength;
        m_file.declaration.recordType = c.recordType;
        m_driver.attachError = c.driverError;
        m_driver.calls.clear();
        EXPECT_EQ(files::Name(&m_file.declaration), c.error);
        EXPECT_EQ(files::ErrorCode(), c.error);
        EXPECT_EQ(value::StackDepth(), 1);
        value::Drop();
        EXPECT_EQ(m_file.Block() == nullptr, c.error != 0);
        EXPECT_EQ(m_driver.calls.size(), c.error == 0 ? 1u : 0u);
        files::ReleaseControlBlock(&m_file.declaration);
    }
    m_driver.attachError = 47;
    EXPECT_EQ(files::Eof(&m_file.declaration), 1);
}

TEST_F(FileOpsTest, UnknownAndUnsupportedOperationsGive80)
{
    OpenWith(0x12);
    EXPECT_EQ(files::FileOpDispatch(Operation { 376 }, &m_file.declaration), 80);
    EXPECT_EQ(files::FileOpDispatch(Operation { 94 }, &m_file.declaration), 80);
    EXPECT_EQ(files::FileOpDispatch(Operation { 0 }, &m_file.declaration), 80);
    EXPECT_TRUE(m_driver.calls.empty());
    m_driver.answers[Code(Operation::HoldFile)] = Answer(80, 0, {});
    EXPECT_EQ(files::Hold(&m_file.declaration), 80);
    EXPECT_EQ(files::ErrorCode(), 80);
    EXPECT_EQ(files::ErrorFile(), &m_file.declaration);
    EXPECT_EQ(m_file.State() & Bit(FileState::HoldRequested), 0u);
}

TEST_F(FileOpsTest, QueryViewAnswersZeroWithoutAttaching)
{
    EXPECT_EQ(Run(Operation::QueryView), 0);
    EXPECT_EQ(m_file.Block(), nullptr);
    EXPECT_EQ(files::ErrorCode(), 0);
}

TEST_F(FileOpsTest, TracingSeesEveryHandledOperation)
{
    m_driver.traceOn = true;
    OpenWith(0x12);
    m_driver.answers[Code(Operation::Append)] = Answer(5, 0, {});
    files::Append(&m_file.declaration);
    ASSERT_EQ(m_driver.traced.size(), 2u);
    EXPECT_EQ(m_driver.traced[0], std::make_pair(Code(Operation::Open), 0));
    EXPECT_EQ(m_driver.traced[1], std::make_pair(Code(Operation::Append), 5));
}

TEST_F(FileOpsTest, KeyOperationsCheckTheKeysOwnerAndOwnBuiltFlag)
{
    files::KeyDescriptor key;
    key.flags = files::KeyFlags::kOwnBuiltFlag;
    files::KeyDescriptor* keys[] = { &key };
    m_file.declaration.keyCount = 1;
    m_file.declaration.keys = keys;
    TestFile other;
    OpenWith(0x12);
    ASSERT_EQ(files::Open(&other.declaration, 0x12), 0);
    EXPECT_EQ(key.owner, m_file.Block());

    EXPECT_EQ(files::Duplicate(&other.declaration, &key), 38);
    OperationArguments arguments;
    arguments.key = &key;
    EXPECT_EQ(Run(Operation::RecordsKey, arguments), 0);
    EXPECT_EQ(files::ErrorCode(), 46); // the key's own built flag is clear
    m_driver.calls.clear();
    Run(Operation::BuildDyn, arguments);
    EXPECT_TRUE(key.built);
    EXPECT_EQ(m_file.State() & Bit(FileState::Built), 0u); // the file's bit is untouched
    m_driver.answers[Code(Operation::RecordsKey)] = Answer(0, 7, {});
    EXPECT_EQ(Run(Operation::RecordsKey, arguments), 7);
    ASSERT_EQ(files::Close(&m_file.declaration), 0);
    EXPECT_EQ(key.owner, nullptr);
    ASSERT_EQ(files::Close(&other.declaration), 0);
}

TEST_F(FileOpsTest, UsedFilesAreClosedNewestFirstAtShutdown)
{
    TestFile second;
    TestFile third;
    OpenWith(0x12);
    ASSERT_EQ(files::Open(&second.declaration, 0x12), 0);
    ASSERT_EQ(files::Name(&third.declaration), 0); // attached, never opened
    value::Drop();
    const std::vector<files::UsedFile> entries = files::UsedFileList::Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].file, &m_file.declaration);
    EXPECT_EQ(entries[2].file, &third.declaration);
    EXPECT_TRUE(entries[0].anyThread);

    m_driver.calls.clear();
    files::UsedFileList::CloseAll();
    ASSERT_EQ(m_driver.calls.size(), 2u); // the never-opened file fails its CLOSE with 37
    EXPECT_EQ(m_driver.calls[0].declaration, &second.declaration);
    EXPECT_EQ(m_driver.calls[1].declaration, &m_file.declaration);
    EXPECT_TRUE(files::UsedFileList::Entries().empty());
    EXPECT_EQ(third.Block(), nullptr);
    EXPECT_EQ(m_driver.liveBlocks, 0);
}

TEST_F(FileOpsTest, ThreadFilesGetOneBlockPerThread)
{
    TestFile threaded(
        files::DeclarationAttributes::kThread | files::DeclarationAttributes::kCreate);
    threaded.record[0] = std::byte { 'A' };
    ASSERT_EQ(files::Open(&threaded.declaration, 0x12), 0);
    const files::FileControlBlock* mainBlock = m_driver.calls.back().block;
    EXPECT_EQ(threaded.Block(), nullptr); // the emitted block's slot stays empty

    const files::FileDeclaration* mainCopy = mainBlock->declaration;
    EXPECT_EQ(mainCopy, files::DeclarationForThread(&threaded.declaration));
    EXPECT_EQ(mainCopy->original, &threaded.declaration);
    EXPECT_NE(mainCopy->record, threaded.declaration.record);
    EXPECT_EQ(mainCopy->record[0], std::byte { 'A' });
    EXPECT_EQ(mainBlock->record, mainCopy->record);

    const files::FileControlBlock* otherBlock = nullptr;
    std::int32_t otherOpen = -2;
    std::int32_t otherSecondOpen = -2;
    std::thread worker([&] {
        otherOpen = files::Open(&threaded.declaration, 0x12);
        otherBlock = m_driver.calls.back().block;
        otherSecondOpen = files::Open(&threaded.declaration, 0x12);
    });
    worker.join();
    EXPECT_EQ(otherOpen, 0);
    EXPECT_EQ(otherSecondOpen, 52);
    EXPECT_EQ(files::ErrorFile(), &threaded.declaration); // posted against the FILE itself
    EXPECT_NE(otherBlock, mainBlock);
    EXPECT_NE(otherBlock->declaration, mainCopy);

    const std::vector<files::UsedFile> entries = files::UsedFileList::Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_FALSE(entries[0].anyThread);
    EXPECT_FALSE(entries[1].anyThread);
    EXPECT_NE(entries[0].thread, entries[1].thread);

    m_driver.calls.clear();
    files::UsedFileList::CloseAll();
    ASSERT_EQ(m_driver.calls.size(), 2u);
    EXPECT_EQ(m_driver.calls[0].block, otherBlock);
    EXPECT_EQ(m_driver.calls[1].block, mainBlock);
}

/// Records what reaches a DriverEntry without running the common path.
struct Dispatched {
    std::int32_t operation = 0;
    FileDeclaration* file = nullptr;
    OperationArguments arguments;
};
Dispatched g_dispatched;

std::int32_t RecordingEntry(
    Operation operation, FileDeclaration* file, const OperationArguments* arguments)
{
    g_dispatched = Dispatched { Code(operation), file, *arguments };
    return 0;
}

TEST(FileStatementsTest, EachStatementDispatchesItsCodeAndArgument)
{
    FileDeclaration file;
    file.driverEntry = &RecordingEntry;
    files::KeyDescriptor key;
    struct Case {
        const char* statement;
        std::function<void()> call;
        Operation operation;
        std::int32_t number;
        std::string_view text;
        bool withKey;
    };
    FileDeclaration* f = &file;
    const Case cases[] = {
        { "ADD", [f] { files::Add(f); }, Operation::Add, 0, {}, false },
        { "BUILD", [f] { files::Build(f); }, Operation::BuildFile, 0, {}, false },
        { "APPEND", [f] { files::Append(f); }, Operation::Append, 0, {}, false },
        { "CLOSE", [f] { files::Close(f); }, Operation::Close, 0, {}, false },
        { "CREATE", [f] { files::Create(f); }, Operation::Create, 0, {}, false },
        { "DELETE", [f] { files::Delete(f); }, Operation::Delete, 0, {}, false },
        { "EMPTY", [f] { files::Empty(f); }, Operation::Empty, 0, {}, false },
        { "GET", [f] { files::Get(f, 17); }, Operation::GetFilePtr, 17, {}, false },
        { "HOLD", [f] { files::Hold(f); }, Operation::HoldFile, 0, {}, false },
        { "LOCK", [f] { files::Lock(f, 5); }, Operation::LockFileSec, 5, {}, false },
        { "OPEN", [f] { files::Open(f, 18); }, Operation::Open, 18, {}, false },
        { "RECORDS", [f] { files::Records(f); }, Operation::RecordsFile, 0, {}, false },
        { "DUPLICATE", [f, &key] { files::Duplicate(f, &key); }, Operation::DuplicateKey, 0, {},
            true },
        { "SET_PROPERTY", [f] { files::SetProperty(f, 3); }, Operation::SetProperty, 3, {}, false },
        { "GET_PROPERTY", [f] { files::GetProperty(f, 2); }, Operation::GetProperty, 2, {}, false },
        { "NEXT", [f] { files::Next(f); }, Operation::Next, 0, {}, false },
        { "SET", [f] { files::Set(f); }, Operation::SetFile, 0, {}, false },
        { "PUT", [f] { files::Put(f); }, Operation::Put, 0, {}, false },
        { "POINTER", [f] { files::Pointer(f); }, Operation::PointerFile, 0, {}, false },
        { "EOF", [f] { files::Eof(f); }, Operation::Eof, 0, {}, false },
        { "BYTES", [f] { files::Bytes(f); }, Operation::Bytes, 0, {}, false },
        { "SEND", [f] { files::Send(f, "CLIP=OFF"); }, Operation::Send, 0, "CLIP=OFF", false },
        { "FLUSH", [f] { files::Flush(f); }, Operation::Flush, 0, {}, false },
        { "REMOVE", [f] { files::Remove(f); }, Operation::Remove, 0, {}, false },
        { "RENAME", [f] { files::Rename(f, "new"); }, Operation::Rename, 0, "new", false },
        { "COPY", [f] { files::Copy(f, "dup"); }, Operation::Copy, 0, "dup", false },
        { "UNLOCK", [f] { files::Unlock(f); }, Operation::Unlock, 0, {}, false },
        { "NAME", [f] { files::Name(f); }, Operation::Name, 0, {}, false },
        { "POSITION", [f] { files::Position(f); }, Operation::PositionFile, 0, {}, false },
        { "RESET", [f] { files::Reset(f, "pos1"); }, Operation::ResetFile, 0, "pos1", false },
        { "REGET", [f] { files::Reget(f, "pos2"); }, Operation::RegetFile, 0, "pos2", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        g_dispatched = {};
        c.call();
        EXPECT_EQ(g_dispatched.operation, Code(c.operation));
        EXPECT_EQ(g_dispatched.file, &file);
        EXPECT_EQ(g_dispatched.arguments.numbers[0], c.number);
        EXPECT_EQ(g_dispatched.arguments.text, c.text);
        EXPECT_EQ(g_dispatched.arguments.key, c.withKey ? &key : nullptr);
    }
}

TEST(OperationAttributeTableTest, SpotRows)
{
    struct Row {
        std::uint32_t post, required, forbidden, set, clear, clearOnFailure;
    };
    struct Case {
        Operation operation;
        Row row;
    };
    const Case cases[] = {
        { Operation::Add, { 1, 0x41, 0, 0x2, 0x1400, 0 } },
        { Operation::BuildFile, { 1, 0xC0, 0x4, 0, 0, 0x2022 } },
        { Operation::Close, { 3, 0x1, 0x4, 0, 0x101, 0 } },
        { Operation::Name, { 0, 0, 0, 0, 0, 0 } },
        { Operation::Next, { 5, 0x21, 0, 0x2, 0xA00, 0x2022 } },
        { Operation::Open, { 1, 0, 0x1, 0x1, 0, 0 } },
        { Operation::SetFilePtr, { 5, 0x1, 0, 0x2020, 0, 0x2020 } },
        { Operation::SetKeyKeyPtr, { 5, 0x101, 0, 0x2020, 0, 0x2020 } },
        { Operation::Unlock, { 1, 0x11, 0x4, 0, 0x10, 0 } },
        { Operation::PutFilePtrLen, { 1, 0x41, 0, 0, 0x1400, 0x2 } },
        { Operation::RegetKey, { 1, 0x101, 0, 0x2, 0xA00, 0 } },
        { Operation::QueryView, { 0, 0, 0, 0, 0, 0 } },
        { Operation::BlobSize, { 0, 0x3, 0, 0, 0, 0 } },
        { Operation::SetView, { 5, 0x1, 0, 0x20, 0, 0x20 } },
        { Operation::DoPropertyBlob, { 1, 0, 0, 0x10000, 0, 0 } },
        { Operation::InView, { 1, 0x1, 0x100, 0x100, 0, 0 } },
        { Operation::EndView, { 1, 0x1, 0, 0, 0x100, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(files::OperationName(c.operation));
        const files::OperationAttributes& row = files::OperationAttributesOf(c.operation);
        EXPECT_EQ(files::Bits(row.post), c.row.post);
        EXPECT_EQ(Bit(row.required), c.row.required);
        EXPECT_EQ(Bit(row.forbidden), c.row.forbidden);
        EXPECT_EQ(Bit(row.set), c.row.set);
        EXPECT_EQ(Bit(row.clear), c.row.clear);
        EXPECT_EQ(Bit(row.clearOnFailure), c.row.clearOnFailure);
    }
}

} // namespace
