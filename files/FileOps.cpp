#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <value/RuntimeThread.h>
#include <value/StringStack.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <mutex>
#include <utility>

namespace files {

namespace {

using S = FileState;

// The post column's values.
constexpr PendingAction kNoPost = PendingAction::None;
constexpr PendingAction kClears = PendingAction::ClearsError;
constexpr PendingAction kClearsReleases = PendingAction::ClearsError | PendingAction::ReleasesBlock;
constexpr PendingAction kClearsSequential = PendingAction::ClearsError | PendingAction::Sequential;

// The state masks the rows name more than once.
constexpr S kNone = S::None;
constexpr S kOpen = S::Open;
constexpr S kOpenKey = S::Open | S::Built;
constexpr S kOpenForWrite = S::Open | S::WriteAccess;
constexpr S kOpenExclusiveWrite = S::Open | S::WriteAccess | S::Exclusive;
constexpr S kExclusiveWrite = S::WriteAccess | S::Exclusive;
constexpr S kCurrent = S::Open | S::RecordCurrent;
constexpr S kCurrentKey = S::Open | S::RecordCurrent | S::Built;
constexpr S kCurrentForWrite = S::Open | S::RecordCurrent | S::WriteAccess;
constexpr S kSequenceReady = S::Open | S::SequenceSet;
constexpr S kSequence = S::SequenceStarted | S::SequenceSet;
constexpr S kReading = S::SequenceStarted | S::SequenceSet | S::RecordCurrent;
constexpr S kRequests = S::WatchRequested | S::HoldRequested;
constexpr S kWatchedHeld = S::Watched | S::Held;

/// The OperationAttributeTable, indexed by operation code (row 0 unused).
constexpr std::array<OperationAttributes, kOperationCount> kAttributeTable = [] {
    std::array<OperationAttributes, kOperationCount> table {};
    auto row = [&table](Operation operation, PendingAction post, S required, S forbidden, S set,
                   S clear, S clearOnFailure) {
        table[static_cast<std::size_t>(CodeOf(operation))]
            = OperationAttributes { post, required, forbidden, set, clear, clearOnFailure };
    };
    using Op = Operation;
    // operation       post  required  forbidden  set  clear  clearOnFailure
    row(Op::Add, kClears, kOpenForWrite, kNone, S::RecordCurrent, kWatchedHeld, kNone);
    row(Op::Bof, kNoPost, kSequenceReady, kNone, kNone, kNone, kNone);
    row(Op::BuildFile, kClears, kExclusiveWrite, S::Logout, kNone, kNone, kReading);
    row(Op::Append, kClears, kOpenForWrite, kNone, kNone, kNone, kNone);
    row(Op::BuildDyn, kClears, kOpen, S::Logout, S::Built, kNone, kNone);
    row(Op::BuildKey, kClears, kExclusiveWrite, S::Logout, kNone, kNone, kNone);
    row(Op::Close, kClearsReleases, kOpen, S::Logout, kNone, S::Open | S::Built, kNone);
    row(Op::Commit, kClears, S::Open | S::Logout, kNone, kNone, S::Logout, kNone);
    row(Op::Copy, kClearsReleases, kNone, kOpen, kNone, kNone, kNone);
    row(Op::Create, kClearsReleases, kNone, kOpen, kNone, kNone, kNone);
    row(Op::Delete, kClears, kCurrentForWrite, kNone, kNone, S::RecordCurrent, kNone);
    row(Op::Duplicate, kClears, kOpenForWrite, kNone, kNone, kNone, kNone);
    row(Op::Empty, kClears, kOpenExclusiveWrite, S::Logout, kNone, kNone, kNone);
    row(Op::Eof, kNoPost, kSequenceReady, kNone, kNone, kNone, kNone);
    row(Op::GetFileKey, kClears, kOpenKey, kNone, S::RecordCurrent, kRequests, S::RecordCurrent);
    row(Op::GetFilePtr, kClears, kOpen, kNone, S::RecordCurrent, kRequests, S::RecordCurrent);
    row(Op::GetKeyPtr, kClears, kOpenKey, kNone, S::RecordCurrent, kRequests, S::RecordCurrent);
    row(Op::HoldFile, kClears, kOpen, kNone, S::HoldRequested, kNone, kNone);
    row(Op::HoldFileSec, kClears, kOpen, kNone, S::HoldRequested, kNone, kNone);
    row(Op::LockFile, kClears, kOpen, S::Locked, S::Locked | S::Exclusive, kNone, kNone);
    row(Op::LockFileSec, kClears, kOpen, S::Locked, S::Locked | S::Exclusive, kNone, kNone);
    row(Op::Logout, kClears, kOpen, S::Logout, S::Logout, kNone, kNone);
    row(Op::Next, kClearsSequential, kSequenceReady, kNone, S::RecordCurrent, kRequests, kReading);
    row(Op::Open, kClears, kNone, kOpen, kOpen, kNone, kNone);
    row(Op::Pack, kClears, kExclusiveWrite, S::Logout, kNone, S::SequenceSet | S::RecordCurrent,
        kReading);
    row(Op::PointerFile, kNoPost, kCurrent, kNone, kNone, kNone, kNone);
    row(Op::PointerKey, kNoPost, kCurrentKey, kNone, kNone, kNone, kNone);
    row(Op::Flush, kClears, kOpen, kNone, kNone, S::Stream, kNone);
    row(Op::Put, kClears, kCurrentForWrite, kNone, kNone, kWatchedHeld, kNone);
    row(Op::Previous, kClearsSequential, kSequenceReady, kNone, S::RecordCurrent, kRequests,
        kReading);
    row(Op::RecordsFile, kNoPost, kOpen, kNone, kNone, kNone, kNone);
    row(Op::RecordsKey, kNoPost, kOpenKey, kNone, kNone, kNone, kNone);
    row(Op::BuildDynFilter, kClears, kOpen, S::Logout, S::Built, kNone, kNone);
    row(Op::Release, kClears, kOpen, kNone, kNone, S::Held, kNone);
    row(Op::Remove, kClearsReleases, kNone, kOpen, kNone, kNone, kNone);
    row(Op::Rename, kClearsReleases, kNone, kOpen, kNone, kNone, kNone);
    row(Op::Rollback, kClears, S::Open | S::Logout, kNone, kNone, S::Logout, kNone);
    row(Op::SetFile, kClearsSequential, kOpen, kNone, kSequence, kNone, kSequence);
    row(Op::SetFileKey, kClearsSequential, kOpenKey, kNone, kSequence, kNone, kSequence);
    row(Op::SetFilePtr, kClearsSequential, kOpen, kNone, kSequence, kNone, kSequence);
    row(Op::SetKey, kClearsSequential, kOpenKey, kNone, kSequence, kNone, kSequence);
    row(Op::SetKeyKey, kClearsSequential, kOpenKey, kNone, kSequence, kNone, kSequence);
    row(Op::SetKeyPtr, kClearsSequential, kOpenKey, kNone, kSequence, kNone, kSequence);
    row(Op::SetKeyKeyPtr, kClearsSequential, kOpenKey, kNone, kSequence, kNone, kSequence);
    row(Op::Share, kClears, kNone, kOpen, kOpen, kNone, kNone);
    row(Op::Skip, kClearsSequential, kSequenceReady, kNone, kNone, S::RecordCurrent, kReading);
    row(Op::Unlock, kClears, S::Open | S::Locked, S::Logout, kNone, S::Locked, kNone);
    row(Op::AddFileLen, kClears, kOpen, kNone, kNone, kWatchedHeld, kNone);
    row(Op::Bytes, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::GetFilePtrLen, kClears, kOpen, kNone, S::RecordCurrent, kRequests, S::RecordCurrent);
    row(Op::PutFilePtr, kClears, kOpenForWrite, kNone, kNone, kWatchedHeld, S::RecordCurrent);
    row(Op::PutFilePtrLen, kClears, kOpenForWrite, kNone, kNone, kWatchedHeld, S::RecordCurrent);
    row(Op::Stream, kClears, kOpen, S::Stream, S::Stream, kNone, kNone);
    row(Op::DuplicateKey, kClears, kOpenKey, kNone, kNone, kNone, kNone);
    row(Op::Watch, kClears, kOpen, kNone, S::WatchRequested, kNone, kNone);
    row(Op::AppendLen, kClears, kOpenForWrite, kNone, kNone, kWatchedHeld, kNone);
    row(Op::Send, kClears, kNone, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::PositionFile, kClears, kCurrent, kNone, kNone, kNone, kNone);
    row(Op::PositionKey, kClears, kCurrentKey, kNone, kNone, kNone, kNone);
    row(Op::ResetFile, kClearsSequential, kOpen, kNone, kSequence, kNone, kSequence);
    row(Op::ResetKey, kClearsSequential, kOpenKey, kNone, kSequence, kNone, kSequence);
    row(Op::NoMemo, kNoPost, kOpen, kNone, kNone, kNone, kNone);
    row(Op::RegetFile, kClears, kOpen, kNone, S::RecordCurrent, kRequests, kNone);
    row(Op::RegetKey, kClears, kOpenKey, kNone, S::RecordCurrent, kRequests, kNone);
    row(Op::Null, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::SetNull, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::SetNoNull, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::SetProperty, kClears, kNone, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::GetProperty, kClears, kNone, kNone, kNone, kNone, kNone);
    row(Op::QueryKey, kNoPost, kOpenKey, kNone, kNone, kNone, kNone);
    row(Op::BlobYield, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::BlobTake, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::BlobSize, kNoPost, kCurrent, kNone, kNone, kNone, kNone);
    row(Op::BlobGetProp, kClears, kOpen, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::BlobSetProp, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::Buffer, kClears, kOpen, kNone, kNone, kNone, kNone);
    row(Op::SetView, kClearsSequential, kOpen, kNone, S::SequenceSet, kNone, S::SequenceSet);
    row(Op::Clear, kNoPost, kOpen, kNone, kNone, kNone, kNone);
    row(Op::ResetViewFile, kClearsSequential, kOpen, kNone, kSequence, kNone, kSequence);
    row(Op::BuildEvent, kClears, kExclusiveWrite, S::Logout, kNone, kNone, kReading);
    row(Op::SetPropertyKey, kClears, kNone, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::GetPropertyKey, kClears, kNone, kNone, kNone, kNone, kNone);
    row(Op::DoProperty, kClears, kNone, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::DoPropertyKey, kClears, kNone, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::DoPropertyBlob, kClears, kNone, kNone, S::PropertiesSet, kNone, kNone);
    row(Op::InView, kClears, kOpen, S::Built, S::Built, kNone, kNone);
    row(Op::EndView, kClears, kOpen, kNone, kNone, S::Built, kNone);
    return table;
}();

constexpr OperationAttributes kNoAttributes {};

bool IsOneOf(Operation operation, std::initializer_list<Operation> operations)
{
    return std::find(operations.begin(), operations.end(), operation) != operations.end();
}

bool InRange(Operation operation)
{
    return CodeOf(operation) >= 1 && CodeOf(operation) < kOperationCount;
}

/// A THREAD file's copy for one thread, with the storage the copy points at.
struct ThreadCopy {
    FileDeclaration declaration;
    std::vector<std::byte> record;
    std::vector<KeyDescriptor> keys;
    std::vector<KeyDescriptor*> keyAddresses;
    std::vector<MemoDescriptor> memos;
    std::vector<MemoDescriptor*> memoAddresses;
};

struct UsedEntry {
    UsedFile file;
    std::unique_ptr<FileControlBlock> block;
};

/// The process-wide registries of the generic layer.
struct Registry {
    std::mutex mutex;
    /// Copies of threads that have ended, kept while the UsedFileList still holds them: the
    /// end-of-run close closes them with the rest.
    std::vector<std::unique_ptr<ThreadCopy>> endedThreadCopies;
    std::vector<UsedEntry> usedFiles;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

/// The calling thread's THREAD-file copies, in its RuntimeThread: a thread that starts later
/// never sees them.
struct ThreadCopies final : value::ThreadExtension {
    static constexpr value::ThreadExtensionSlot kSlot = value::ThreadExtensionSlot::Files;

    std::map<const FileDeclaration*, std::unique_ptr<ThreadCopy>> copies;

    /// The thread ends: a copy still attached stays alive for the end-of-run close; the others
    /// go now.
    ~ThreadCopies() override
    {
        Registry& registry = TheRegistry();
        const std::lock_guard lock(registry.mutex);
        for (auto& [file, copy] : copies) {
            if (copy->declaration.controlBlock != nullptr)
                registry.endedThreadCopies.push_back(std::move(copy));
        }
    }
};

std::unique_ptr<ThreadCopy> MakeThreadCopy(const FileDeclaration& file)
{
    auto copy = std::make_unique<ThreadCopy>();
    copy->declaration = file;
    copy->declaration.controlBlock = nullptr;
    copy->declaration.original = &file;
    if (file.record != nullptr)
        copy->record.assign(file.record, file.record + file.recordLength);
    else
        copy->record.resize(file.recordLength);
    copy->declaration.record = copy->record.data();
    for (std::size_t i = 0; i < file.keyCount; ++i) {
        KeyDescriptor key = *file.keys[i];
        key.owner = nullptr;
        key.built = false;
        copy->keys.push_back(key);
    }
    for (KeyDescriptor& key : copy->keys)
        copy->keyAddresses.push_back(&key);
    for (std::size_t i = 0; i < file.memoCount; ++i)
        copy->memos.push_back(*file.memos[i]);
    for (MemoDescriptor& memo : copy->memos)
        copy->memoAddresses.push_back(&memo);
    copy->declaration.keys = file.keyCount == 0 ? nullptr : copy->keyAddresses.data();
    copy->declaration.memos = file.memoCount == 0 ? nullptr : copy->memoAddresses.data();
    return copy;
}

/// The calling thread's copy of the key `key` of `original`, or `key` when it is not one of
/// that declaration's keys.
KeyDescriptor* KeyForCopy(
    const FileDeclaration& original, const FileDeclaration& copy, KeyDescriptor* key)
{
    for (std::size_t i = 0; i < original.keyCount; ++i) {
        if (original.keys[i] == key)
            return copy.keys[i];
    }
    return key;
}

std::string CopyOf(const char* text, std::uint32_t length)
{
    return text == nullptr ? std::string() : std::string(text, length);
}

void RefreshFromDeclaration(FileControlBlock& block, const FileDeclaration& file)
{
    if (!Any(block.propertyOverrides & PropertyOverride::Name))
        block.name = std::string(DeclaredName(file));
    if (!Any(block.propertyOverrides & PropertyOverride::Owner))
        block.owner = CopyOf(file.owner, file.ownerLength);
    if (!Any(block.propertyOverrides & PropertyOverride::DriverString))
        block.driverString = CopyOf(file.driverString, file.driverStringLength);
}

/// The control block's attribute bits: the declaration's, shifted down past its unused bit 0.
BlockAttribute BlockAttributesOf(const FileDeclaration& file)
{
    constexpr std::uint32_t kDeclaredBits = 0x3F;
    return static_cast<BlockAttribute>(
        static_cast<std::uint32_t>(file.attributes >> 1) & kDeclaredBits);
}

/// Attaches a control block to `file`; answers None or the error that failed the attach (the
/// block is then gone again).
FileError AttachControlBlock(FileDriver& driver, FileDeclaration* file)
{
    std::unique_ptr<FileControlBlock> owned = driver.NewControlBlock();
    FileControlBlock* block = owned.get();
    RefreshFromDeclaration(*block, *file);
    block->attributes = BlockAttributesOf(*file);
    block->record = file->record;
    block->recordLength = file->recordLength;
    block->driverName = driver.Name();
    block->declaration = file;
    FieldTable table = WalkTypeDescriptor(file->recordType);
    block->fields = std::move(table.fields);

    file->controlBlock = block;
    {
        Registry& registry = TheRegistry();
        const std::lock_guard lock(registry.mutex);
        UsedFile entry { file, file->original == nullptr, 0 };
        if (!entry.anyThread)
            entry.thread = platform::CurrentThreadId();
        registry.usedFiles.push_back(UsedEntry { entry, std::move(owned) });
    }
    for (std::size_t i = 0; i < file->keyCount; ++i)
        file->keys[i]->owner = block;

    FileError error = table.error;
    if (error == FileError::None && file->recordLength >= kMaxRecordLength)
        error = FileError::InvalidRecordDeclaration;
    if (error == FileError::None)
        error = driver.Attach(*block);
    if (error != FileError::None) {
        ReleaseControlBlock(file);
        return error;
    }
    driver.ReadTraceSettings(*block);
    return FileError::None;
}

bool AllBlanks(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

/// Checks `operation` against the state of `block`; answers None when the operation may run.
FileError CheckOperation(Operation operation, const FileControlBlock& block,
    const KeyDescriptor* key, const OperationArguments& arguments)
{
    const OperationAttributes& row = OperationAttributesOf(operation);
    const FileState state = block.state;
    FileState missing = row.required & ~state & ~S::Built;
    if (!Any(missing) && key != nullptr && (key->flags & KeyFlags::kOwnBuiltFlag) != 0
        && Any(row.required & S::Built) && !key->built)
        missing = S::Built;
    if (!Any(missing) && Any(state & S::BuildInProgress)
        && !IsOneOf(operation,
            { Operation::BuildEvent, Operation::GetProperty, Operation::GetPropertyKey,
                Operation::Close, Operation::Name }))
        return FileError::BuildInProgress;
    if (Any(missing)) {
        if (Any(missing & S::Open))
            return FileError::FileNotOpen;
        if (Any(missing & S::Built))
            return FileError::KeyFileMustBeRebuilt;
        if (Any(state & S::Open)) {
            if (Any(missing & (S::RecordCurrent | S::SequenceSet)))
                return FileError::RecordNotAvailable;
            if (Any(missing & S::Exclusive))
                return FileError::ExclusiveAccessRequired;
            if (Any(missing & S::WriteAccess))
                return FileError::AccessDenied;
            return FileError::Silent;
        }
    } else if (const FileState conflicts = row.forbidden & state; Any(conflicts)) {
        if (Any(conflicts & S::Open))
            return FileError::FileAlreadyOpen;
        if (Any(conflicts & S::Logout))
            return FileError::LogoutAlreadyActive;
        return FileError::Silent;
    }
    if (IsOneOf(operation,
            { Operation::RegetFile, Operation::RegetKey, Operation::ResetFile,
                Operation::ResetKey })
        && AllBlanks(arguments.text))
        return FileError::RecordNotFound;
    return FileError::None;
}

/// The access bits an OPEN or SHARE with `mode` adds to the state.
FileState OpenStateOf(std::int32_t mode)
{
    FileState state = S::None;
    if ((mode & 0x03) != 0)
        state |= S::WriteAccess;
    const std::int32_t sharing = mode & 0x70;
    if (sharing != 0x00 && sharing != 0x30 && sharing != 0x40)
        state |= S::Exclusive; // deny write, deny all, or any unknown value (deny all)
    return state;
}

/// Carries the handler's answer `result` into the state: on success the row's set and clear
/// columns (a key that keeps its own built bit takes the Built bit), the access bits of an
/// OPEN or SHARE and the row's post actions; on failure the row's clearOnFailure column, and
/// the block is let go of where the row says so.
void UpdateState(Operation operation, FileControlBlock& block, KeyDescriptor* key,
    const OperationArguments& arguments, FileError result)
{
    const OperationAttributes& row = OperationAttributesOf(operation);
    const bool ownBuilt = key != nullptr && (key->flags & KeyFlags::kOwnBuiltFlag) != 0;
    if (result != FileError::None) {
        if (result == FileError::FileNotOpen
            || (Any(row.post & PendingAction::ReleasesBlock)
                && result != FileError::FileAlreadyOpen))
            block.pendingActions |= PendingAction::ReleasesBlock;
        block.state &= ~row.clearOnFailure;
        return;
    }
    FileState state = block.state;
    if (Any(row.clear & S::WatchRequested) && Any(state & S::WatchRequested))
        state ^= S::Watched;
    if (Any(row.clear & S::HoldRequested) && Any(state & S::HoldRequested))
        state ^= S::Held;
    state |= row.set & ~S::Built;
    state &= ~(row.clear & ~S::Built);
    if (ownBuilt) {
        if (Any(row.set & S::Built))
            key->built = true;
        if (Any(row.clear & S::Built))
            key->built = false;
    } else {
        state |= row.set & S::Built;
        state &= ~(row.clear & S::Built);
    }
    if (IsOneOf(operation, { Operation::Open, Operation::Share }))
        state |= OpenStateOf(arguments.numberCount > 0 ? arguments.numbers[0] : 0);
    block.state = state;
    block.pendingActions |= row.post;
}

/// What the statement returns once `operation` ended with `result`: the function value of a
/// value-returning operation, else the result's number.
std::int32_t AnswerOf(Operation operation, FileError result, std::int32_t value)
{
    if (!IsValueReturning(operation))
        return CodeOf(result);
    if (result == FileError::None)
        return value;
    return IsOneOf(operation, { Operation::Eof, Operation::Bof }) ? 1 : 0;
}

/// Leaves `text` on the string stack as an entry the stack holds itself.
void PushAnswer(std::string_view text)
{
    const int depth = value::StackDepth();
    value::PushString(text);
    if (value::StackDepth() > depth)
        value::Materialize();
}

std::int32_t Dispatch(Operation operation, FileDeclaration* file, OperationArguments arguments)
{
    return FileOpDispatch(operation, file, arguments);
}

OperationArguments NumberArgument(std::int32_t number)
{
    OperationArguments arguments;
    arguments.numbers[0] = number;
    arguments.numberCount = 1;
    return arguments;
}

OperationArguments TextArgument(std::string_view text)
{
    OperationArguments arguments;
    arguments.text = text;
    return arguments;
}

} // namespace

const OperationAttributes& OperationAttributesOf(Operation operation)
{
    if (!InRange(operation))
        return kNoAttributes;
    return kAttributeTable[static_cast<std::size_t>(CodeOf(operation))];
}

bool ValidOnClosedFile(Operation operation)
{
    return IsOneOf(operation,
        { Operation::Send, Operation::BlobGetProp, Operation::DoPropertyBlob,
            Operation::SetPropertyKey, Operation::DoPropertyKey, Operation::SetProperty,
            Operation::DoProperty, Operation::Copy, Operation::Rename, Operation::Name,
            Operation::Remove, Operation::Create, Operation::Open, Operation::Share,
            Operation::Close });
}

bool IsStringValued(Operation operation)
{
    return IsOneOf(operation,
        { Operation::Name, Operation::PositionFile, Operation::Send, Operation::GetProperty,
            Operation::GetPropertyKey, Operation::BlobSetProp });
}

bool IsValueReturning(Operation operation)
{
    return IsOneOf(operation,
        { Operation::Eof, Operation::Bof, Operation::PointerFile, Operation::PointerKey,
            Operation::Bytes, Operation::RecordsFile, Operation::RecordsKey, Operation::BlobSize });
}

FileDeclaration* DeclarationForThread(FileDeclaration* file)
{
    if ((file->attributes & DeclarationAttributes::kThread) == 0 || file->original != nullptr)
        return file;
    std::unique_ptr<ThreadCopy>& copy
        = value::CurrentRuntimeThread().Extension<ThreadCopies>().copies[file];
    if (!copy)
        copy = MakeThreadCopy(*file);
    return &copy->declaration;
}

void ReleaseControlBlock(FileDeclaration* file)
{
    FileControlBlock* block = file->controlBlock;
    if (block == nullptr)
        return;
    for (std::size_t i = 0; i < file->keyCount; ++i) {
        if (file->keys[i]->owner == block)
            file->keys[i]->owner = nullptr;
    }
    file->controlBlock = nullptr;
    UsedFileList::Remove(file);
}

std::int32_t RunFileOperation(FileDriver& driver, Operation operation, FileDeclaration* file,
    const OperationArguments& arguments)
{
    if (operation == Operation::QueryView || operation == Operation::DriverAddress)
        return 0;
    file = DeclarationForThread(file);
    const FileDeclaration* const errorFile = file->original != nullptr ? file->original : file;
    OperationArguments ownArguments = arguments;
    if (file->original != nullptr && arguments.key != nullptr)
        ownArguments.key = KeyForCopy(*file->original, *file, arguments.key);
    KeyDescriptor* const key = ownArguments.key;

    if (ValidOnClosedFile(operation) && file->controlBlock != nullptr
        && !Any(file->controlBlock->state & (S::Open | S::PropertiesSet)))
        ReleaseControlBlock(file);

    if (file->controlBlock == nullptr) {
        if (const FileError error = AttachControlBlock(driver, file); error != FileError::None) {
            if (IsStringValued(operation))
                PushAnswer({});
            PostFileError(CodeOf(error), errorFile);
            return AnswerOf(operation, error, 0);
        }
    }
    FileControlBlock& block = *file->controlBlock;

    FileError result = FileError::None;
    if (!InRange(operation))
        result = FileError::UnsupportedFunction;
    else if (key != nullptr && key->owner != &block)
        result = FileError::InvalidKeyFile;
    else
        result = CheckOperation(operation, block, key, ownArguments);

    HandlerResult handled;
    if (result == FileError::None) {
        if (!Any(block.state & S::Open)
            && !Any(OperationAttributesOf(operation).required & S::Open))
            RefreshFromDeclaration(block, *file);
        const auto start = std::chrono::steady_clock::now();
        handled = driver.Run(operation, block, ownArguments);
        result = handled.result;
        if (block.traceOn) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            driver.Trace(operation, block, ownArguments, result, elapsed.count() / 10);
        }
    }

    UpdateState(operation, block, key, ownArguments, result);
    if (IsStringValued(operation))
        PushAnswer(handled.text);

    block.lastError = result == FileError::Silent ? FileError::None : result;
    const PendingAction pending = std::exchange(block.pendingActions, PendingAction::None);
    if (Any(pending & PendingAction::ClearsError))
        ClearErrorState();
    if (Any(pending & PendingAction::Sequential))
        block.lastOperation = operation;
    if (Any(pending & PendingAction::ReleasesBlock))
        ReleaseControlBlock(file);

    if (result != FileError::None && result != FileError::Silent)
        PostFileError(CodeOf(result), errorFile);
    return AnswerOf(operation, result, handled.value);
}

std::int32_t FileOpDispatch(
    Operation operation, FileDeclaration* file, const OperationArguments& arguments)
{
    return file->driverEntry(operation, file, &arguments);
}

void UsedFileList::Remove(const FileDeclaration* file)
{
    std::unique_ptr<FileControlBlock> block;
    {
        Registry& registry = TheRegistry();
        const std::lock_guard lock(registry.mutex);
        auto& used = registry.usedFiles;
        const auto found = std::find_if(used.begin(), used.end(),
            [file](const UsedEntry& entry) { return entry.file.file == file; });
        if (found == used.end())
            return;
        block = std::move(found->block);
        used.erase(found);
    }
    // The driver's state is torn down outside the lock.
}

std::vector<UsedFile> UsedFileList::Entries()
{
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    std::vector<UsedFile> entries;
    for (const UsedEntry& entry : registry.usedFiles)
        entries.push_back(entry.file);
    return entries;
}

void UsedFileList::CloseAll()
{
    Registry& registry = TheRegistry();
    for (;;) {
        FileDeclaration* file = nullptr;
        {
            const std::lock_guard lock(registry.mutex);
            if (registry.usedFiles.empty())
                break;
            file = registry.usedFiles.back().file.file;
        }
        FileOpDispatch(Operation::Close, file);
        // A CLOSE always lets go of the block; this only guards against a driver that did not.
        ReleaseControlBlock(file);
        Remove(file);
    }
    std::vector<std::unique_ptr<ThreadCopy>> ended;
    {
        const std::lock_guard lock(registry.mutex);
        ended.swap(registry.endedThreadCopies);
    }
    if (auto* own = value::CurrentRuntimeThread().FindExtension<ThreadCopies>())
        own->copies.clear();
}

std::int32_t Add(FileDeclaration* file)
{
    return Dispatch(Operation::Add, file, {});
}
std::int32_t Build(FileDeclaration* file)
{
    return Dispatch(Operation::BuildFile, file, {});
}
std::int32_t Append(FileDeclaration* file)
{
    return Dispatch(Operation::Append, file, {});
}
std::int32_t Close(FileDeclaration* file)
{
    return Dispatch(Operation::Close, file, {});
}
std::int32_t Create(FileDeclaration* file)
{
    return Dispatch(Operation::Create, file, {});
}
std::int32_t Delete(FileDeclaration* file)
{
    return Dispatch(Operation::Delete, file, {});
}
std::int32_t Empty(FileDeclaration* file)
{
    return Dispatch(Operation::Empty, file, {});
}

std::int32_t Get(FileDeclaration* file, std::int32_t pointer)
{
    return Dispatch(Operation::GetFilePtr, file, NumberArgument(pointer));
}

std::int32_t Hold(FileDeclaration* file)
{
    return Dispatch(Operation::HoldFile, file, {});
}

std::int32_t Lock(FileDeclaration* file, std::int32_t seconds)
{
    return Dispatch(Operation::LockFileSec, file, NumberArgument(seconds));
}

std::int32_t Open(FileDeclaration* file, std::int32_t accessMode)
{
    return Dispatch(Operation::Open, file, NumberArgument(accessMode));
}

std::int32_t Records(FileDeclaration* file)
{
    return Dispatch(Operation::RecordsFile, file, {});
}

std::int32_t Duplicate(FileDeclaration* file, KeyDescriptor* key)
{
    OperationArguments arguments;
    arguments.key = key;
    return Dispatch(Operation::DuplicateKey, file, arguments);
}

std::int32_t SetProperty(FileDeclaration* file, std::int32_t index)
{
    return Dispatch(Operation::SetProperty, file, NumberArgument(index));
}

std::int32_t GetProperty(FileDeclaration* file, std::int32_t index)
{
    return Dispatch(Operation::GetProperty, file, NumberArgument(index));
}

std::int32_t Next(FileDeclaration* file)
{
    return Dispatch(Operation::Next, file, {});
}
std::int32_t Set(FileDeclaration* file)
{
    return Dispatch(Operation::SetFile, file, {});
}
std::int32_t Put(FileDeclaration* file)
{
    return Dispatch(Operation::Put, file, {});
}

std::int32_t Pointer(FileDeclaration* file)
{
    return Dispatch(Operation::PointerFile, file, {});
}

std::int32_t Eof(FileDeclaration* file)
{
    return Dispatch(Operation::Eof, file, {});
}
std::int32_t Bytes(FileDeclaration* file)
{
    return Dispatch(Operation::Bytes, file, {});
}

std::int32_t Send(FileDeclaration* file, std::string_view command)
{
    return Dispatch(Operation::Send, file, TextArgument(command));
}

std::int32_t Flush(FileDeclaration* file)
{
    return Dispatch(Operation::Flush, file, {});
}
std::int32_t Remove(FileDeclaration* file)
{
    return Dispatch(Operation::Remove, file, {});
}

std::int32_t Rename(FileDeclaration* file, std::string_view newName)
{
    return Dispatch(Operation::Rename, file, TextArgument(newName));
}

std::int32_t Copy(FileDeclaration* file, std::string_view newName)
{
    return Dispatch(Operation::Copy, file, TextArgument(newName));
}

std::int32_t Unlock(FileDeclaration* file)
{
    return Dispatch(Operation::Unlock, file, {});
}
std::int32_t Name(FileDeclaration* file)
{
    return Dispatch(Operation::Name, file, {});
}

std::int32_t Position(FileDeclaration* file)
{
    return Dispatch(Operation::PositionFile, file, {});
}

std::int32_t Reset(FileDeclaration* file, std::string_view position)
{
    return Dispatch(Operation::ResetFile, file, TextArgument(position));
}

std::int32_t Reget(FileDeclaration* file, std::string_view position)
{
    return Dispatch(Operation::RegetFile, file, TextArgument(position));
}

} // namespace files
