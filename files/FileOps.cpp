#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <value/StringStack.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <mutex>
#include <utility>

namespace files {

namespace {

using Flags = FileStateFlags;

/// The OperationAttributeTable, indexed by operation code (row 0 unused). Masks are
/// FileStateFlags; post flags are PendingActions.
constexpr std::array<OperationAttributes, kOperationCount> kAttributeTable = [] {
    std::array<OperationAttributes, kOperationCount> table {};
    auto row = [&table](std::int32_t code, std::uint32_t post, std::uint32_t required,
                   std::uint32_t forbidden, std::uint32_t set, std::uint32_t clear,
                   std::uint32_t clearOnFailure) {
        table[static_cast<std::size_t>(code)]
            = OperationAttributes { post, required, forbidden, set, clear, clearOnFailure };
    };
    //  code post required forbidden set clear clearOnFailure
    row(1, 1, 0x41, 0, 0x2, 0x1400, 0);      // ADD
    row(2, 0, 0x21, 0, 0, 0, 0);             // BOF
    row(3, 1, 0xC0, 0x4, 0, 0, 0x2022);      // BUILDfile
    row(4, 1, 0x41, 0, 0, 0, 0);             // APPEND
    row(5, 1, 0x1, 0x4, 0x100, 0, 0);        // BUILDdyn
    row(6, 1, 0xC0, 0x4, 0, 0, 0);           // BUILDkey
    row(7, 3, 0x1, 0x4, 0, 0x101, 0);        // CLOSE
    row(8, 1, 0x5, 0, 0, 0x4, 0);            // COMMIT
    row(9, 3, 0, 0x1, 0, 0, 0);              // COPY
    row(10, 3, 0, 0x1, 0, 0, 0);             // CREATE
    row(11, 1, 0x43, 0, 0, 0x2, 0);          // DELETE
    row(12, 1, 0x41, 0, 0, 0, 0);            // DUPLICATE
    row(13, 1, 0xC1, 0x4, 0, 0, 0);          // EMPTY
    row(14, 0, 0x21, 0, 0, 0, 0);            // EOF
    row(15, 1, 0x101, 0, 0x2, 0xA00, 0x2);   // GETfilekey
    row(16, 1, 0x1, 0, 0x2, 0xA00, 0x2);     // GETfileptr
    row(17, 1, 0x101, 0, 0x2, 0xA00, 0x2);   // GETkeyptr
    row(18, 1, 0x1, 0, 0x800, 0, 0);         // HOLDfile
    row(19, 1, 0x1, 0, 0x800, 0, 0);         // HOLDfilesec
    row(20, 1, 0x1, 0x10, 0x90, 0, 0);       // LOCKfile
    row(21, 1, 0x1, 0x10, 0x90, 0, 0);       // LOCKfilesec
    row(22, 1, 0x1, 0x4, 0x4, 0, 0);         // LOGOUT
    row(24, 5, 0x21, 0, 0x2, 0xA00, 0x2022); // NEXT
    row(25, 1, 0, 0x1, 0x1, 0, 0);           // OPEN
    row(26, 1, 0xC0, 0x4, 0, 0x22, 0x2022);  // PACK
    row(27, 0, 0x3, 0, 0, 0, 0);             // POINTERfile
    row(28, 0, 0x103, 0, 0, 0, 0);           // POINTERkey
    row(29, 1, 0x1, 0, 0, 0x8, 0);           // FLUSH
    row(30, 1, 0x43, 0, 0, 0x1400, 0);       // PUT
    row(31, 5, 0x21, 0, 0x2, 0xA00, 0x2022); // PREVIOUS
    row(32, 0, 0x1, 0, 0, 0, 0);             // RECORDSfile
    row(33, 0, 0x101, 0, 0, 0, 0);           // RECORDSkey
    row(34, 1, 0x1, 0x4, 0x100, 0, 0);       // BUILDdynfilter
    row(36, 1, 0x1, 0, 0, 0x1000, 0);        // RELEASE
    row(37, 3, 0, 0x1, 0, 0, 0);             // REMOVE
    row(38, 3, 0, 0x1, 0, 0, 0);             // RENAME
    row(40, 1, 0x5, 0, 0, 0x4, 0);           // ROLLBACK
    row(41, 5, 0x1, 0, 0x2020, 0, 0x2020);   // SETfile
    row(42, 5, 0x101, 0, 0x2020, 0, 0x2020); // SETfilekey
    row(43, 5, 0x1, 0, 0x2020, 0, 0x2020);   // SETfileptr
    row(44, 5, 0x101, 0, 0x2020, 0, 0x2020); // SETkey
    row(45, 5, 0x101, 0, 0x2020, 0, 0x2020); // SETkeykey
    row(46, 5, 0x101, 0, 0x2020, 0, 0x2020); // SETkeyptr
    row(47, 5, 0x101, 0, 0x2020, 0, 0x2020); // SETkeykeyptr
    row(48, 1, 0, 0x1, 0x1, 0, 0);           // SHARE
    row(49, 5, 0x21, 0, 0, 0x2, 0x2022);     // SKIP
    row(50, 1, 0x11, 0x4, 0, 0x10, 0);       // UNLOCK
    row(51, 1, 0x1, 0, 0, 0x1400, 0);        // ADDfilelen
    row(52, 1, 0x1, 0, 0, 0, 0);             // BYTES
    row(53, 1, 0x1, 0, 0x2, 0xA00, 0x2);     // GETfileptrlen
    row(54, 1, 0x41, 0, 0, 0x1400, 0x2);     // PUTfileptr
    row(55, 1, 0x41, 0, 0, 0x1400, 0x2);     // PUTfileptrlen
    row(56, 1, 0x1, 0x8, 0x8, 0, 0);         // STREAM
    row(57, 1, 0x101, 0, 0, 0, 0);           // DUPLICATEkey
    row(58, 1, 0x1, 0, 0x200, 0, 0);         // WATCH
    row(59, 1, 0x41, 0, 0, 0x1400, 0);       // APPENDlen
    row(60, 1, 0, 0, 0x10000, 0, 0);         // SEND
    row(61, 1, 0x3, 0, 0, 0, 0);             // POSITIONfile
    row(62, 1, 0x103, 0, 0, 0, 0);           // POSITIONkey
    row(63, 5, 0x1, 0, 0x2020, 0, 0x2020);   // RESETfile
    row(64, 5, 0x101, 0, 0x2020, 0, 0x2020); // RESETkey
    row(65, 0, 0x1, 0, 0, 0, 0);             // NOMEMO
    row(66, 1, 0x1, 0, 0x2, 0xA00, 0);       // REGETfile
    row(67, 1, 0x101, 0, 0x2, 0xA00, 0);     // REGETkey
    row(68, 1, 0x1, 0, 0, 0, 0);             // NULL
    row(69, 1, 0x1, 0, 0, 0, 0);             // SETNULL
    row(70, 1, 0x1, 0, 0, 0, 0);             // SETNONULL
    row(71, 1, 0, 0, 0x10000, 0, 0);         // SET_PROPERTY
    row(72, 1, 0, 0, 0, 0, 0);               // GET_PROPERTY
    row(73, 0, 0x101, 0, 0, 0, 0);           // QUERY_KEY
    row(75, 1, 0x1, 0, 0, 0, 0);             // BLOB_YIELD
    row(76, 1, 0x1, 0, 0, 0, 0);             // BLOB_TAKE
    row(77, 0, 0x3, 0, 0, 0, 0);             // BLOB_SIZE
    row(78, 1, 0x1, 0, 0x10000, 0, 0);       // BLOB_GET_PROP
    row(79, 1, 0x1, 0, 0, 0, 0);             // BLOB_SET_PROP
    row(80, 1, 0x1, 0, 0, 0, 0);             // BUFFER
    row(81, 5, 0x1, 0, 0x20, 0, 0x20);       // SETview
    row(82, 0, 0x1, 0, 0, 0, 0);             // CLEAR
    row(83, 5, 0x1, 0, 0x2020, 0, 0x2020);   // RESETviewfile
    row(84, 1, 0xC0, 0x4, 0, 0, 0x2022);     // BUILDevent
    row(85, 1, 0, 0, 0x10000, 0, 0);         // SETPROPERTYkey
    row(86, 1, 0, 0, 0, 0, 0);               // GETPROPERTYkey
    row(88, 1, 0, 0, 0x10000, 0, 0);         // DO_PROPERTY
    row(89, 1, 0, 0, 0x10000, 0, 0);         // DOPROPERTYkey
    row(90, 1, 0, 0, 0x10000, 0, 0);         // DOPROPERTYblob
    row(92, 1, 0x1, 0x100, 0x100, 0, 0);     // INVIEW
    row(93, 1, 0x1, 0, 0, 0x100, 0);         // ENDVIEW
    return table;
}();

constexpr OperationAttributes kNoAttributes {};

bool IsOneOf(std::int32_t code, std::initializer_list<Operation> operations)
{
    return std::any_of(operations.begin(), operations.end(),
        [code](Operation operation) { return CodeOf(operation) == code; });
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
    std::map<std::pair<const FileDeclaration*, platform::ThreadId>, std::unique_ptr<ThreadCopy>>
        threadCopies;
    std::vector<UsedEntry> usedFiles;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

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
    if ((block.propertyOverrides & PropertyOverrides::kName) == 0)
        block.name = std::string(DeclaredName(file));
    if ((block.propertyOverrides & PropertyOverrides::kOwner) == 0)
        block.owner = CopyOf(file.owner, file.ownerLength);
    if ((block.propertyOverrides & PropertyOverrides::kDriverString) == 0)
        block.driverString = CopyOf(file.driverString, file.driverStringLength);
}

/// Attaches a control block to `file`; answers 0 or the error that failed the attach (the
/// block is then gone again).
std::int32_t AttachControlBlock(FileDriver& driver, FileDeclaration* file)
{
    std::unique_ptr<FileControlBlock> owned = driver.NewControlBlock();
    FileControlBlock* block = owned.get();
    RefreshFromDeclaration(*block, *file);
    block->attributes = static_cast<std::uint32_t>(file->attributes >> 1) & 0x3Fu;
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

    std::int32_t error = table.error;
    if (error == 0 && file->recordLength >= kMaxRecordLength)
        error = CodeOf(FileError::InvalidRecordDeclaration);
    if (error == 0)
        error = driver.Attach(*block);
    if (error != 0) {
        ReleaseControlBlock(file);
        return error;
    }
    driver.ReadTraceSettings(*block);
    return 0;
}

bool AllBlanks(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

/// Checks `code` against the state of `block`; answers 0 when the operation may run.
std::int32_t CheckOperation(std::int32_t code, const FileControlBlock& block,
    const KeyDescriptor* key, const OperationArguments& arguments)
{
    const OperationAttributes& row = OperationAttributesOf(code);
    const std::uint32_t state = block.state;
    std::uint32_t missing = row.required & ~state & ~Flags::kBuilt;
    if (missing == 0 && key != nullptr && (key->flags & KeyFlags::kOwnBuiltFlag) != 0
        && (row.required & Flags::kBuilt) != 0 && !key->built)
        missing = Flags::kBuilt;
    if (missing == 0 && (state & Flags::kBuildInProgress) != 0
        && !IsOneOf(code,
            { Operation::BuildEvent, Operation::GetProperty, Operation::GetPropertyKey,
                Operation::Close, Operation::Name }))
        return CodeOf(FileError::BuildInProgress);
    if (missing != 0) {
        if ((missing & Flags::kOpen) != 0)
            return CodeOf(FileError::FileNotOpen);
        if ((missing & Flags::kBuilt) != 0)
            return CodeOf(FileError::KeyFileMustBeRebuilt);
        if ((state & Flags::kOpen) != 0) {
            if ((missing & (Flags::kRecordCurrent | Flags::kSequenceSet)) != 0)
                return CodeOf(FileError::RecordNotAvailable);
            if ((missing & Flags::kExclusive) != 0)
                return CodeOf(FileError::ExclusiveAccessRequired);
            if ((missing & Flags::kWriteAccess) != 0)
                return CodeOf(FileError::AccessDenied);
            return CodeOf(FileError::Silent);
        }
    } else if (const std::uint32_t conflicts = row.forbidden & state; conflicts != 0) {
        if ((conflicts & Flags::kOpen) != 0)
            return CodeOf(FileError::FileAlreadyOpen);
        if ((conflicts & Flags::kLogout) != 0)
            return CodeOf(FileError::LogoutAlreadyActive);
        return CodeOf(FileError::Silent);
    }
    if (IsOneOf(code,
            { Operation::RegetFile, Operation::RegetKey, Operation::ResetFile,
                Operation::ResetKey })
        && AllBlanks(arguments.text))
        return CodeOf(FileError::RecordNotFound);
    return 0;
}

/// The access bits an OPEN or SHARE with `mode` adds to the state.
std::uint32_t OpenStateOf(std::int32_t mode)
{
    std::uint32_t state = 0;
    if ((mode & 0x03) != 0)
        state |= Flags::kWriteAccess;
    const std::int32_t sharing = mode & 0x70;
    if (sharing != 0x00 && sharing != 0x30 && sharing != 0x40)
        state |= Flags::kExclusive; // deny write, deny all, or any unknown value (deny all)
    return state;
}

/// Step 9 of the common path: the state after the handler answered `result`.
void UpdateState(std::int32_t code, FileControlBlock& block, KeyDescriptor* key,
    const OperationArguments& arguments, std::int32_t result)
{
    const OperationAttributes& row = OperationAttributesOf(code);
    const bool ownBuilt = key != nullptr && (key->flags & KeyFlags::kOwnBuiltFlag) != 0;
    if (result != 0) {
        if (result == CodeOf(FileError::FileNotOpen)
            || ((row.post & PendingActions::kReleasesBlock) != 0
                && result != CodeOf(FileError::FileAlreadyOpen)))
            block.pendingActions |= PendingActions::kReleasesBlock;
        block.state &= ~row.clearOnFailure;
        return;
    }
    std::uint32_t state = block.state;
    if ((row.clear & Flags::kWatchRequested) != 0 && (state & Flags::kWatchRequested) != 0)
        state ^= Flags::kWatched;
    if ((row.clear & Flags::kHoldRequested) != 0 && (state & Flags::kHoldRequested) != 0)
        state ^= Flags::kHeld;
    state |= row.set & ~Flags::kBuilt;
    state &= ~(row.clear & ~Flags::kBuilt);
    if (ownBuilt) {
        if ((row.set & Flags::kBuilt) != 0)
            key->built = true;
        if ((row.clear & Flags::kBuilt) != 0)
            key->built = false;
    } else {
        state |= row.set & Flags::kBuilt;
        state &= ~(row.clear & Flags::kBuilt);
    }
    if (IsOneOf(code, { Operation::Open, Operation::Share }))
        state |= OpenStateOf(arguments.numberCount > 0 ? arguments.numbers[0] : 0);
    block.state = state;
    block.pendingActions |= row.post;
}

/// The answer of `code` for the caller once the operation ended with `result`.
std::int32_t AnswerOf(std::int32_t code, std::int32_t result, std::int32_t value)
{
    if (!IsValueReturning(code))
        return result;
    if (result == 0)
        return value;
    return IsOneOf(code, { Operation::Eof, Operation::Bof }) ? 1 : 0;
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
    return FileOpDispatch(CodeOf(operation), file, arguments);
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

const OperationAttributes& OperationAttributesOf(std::int32_t code)
{
    if (code < 1 || code >= kOperationCount)
        return kNoAttributes;
    return kAttributeTable[static_cast<std::size_t>(code)];
}

bool ValidOnClosedFile(std::int32_t code)
{
    return IsOneOf(code,
        { Operation::Send, Operation::BlobGetProp, Operation::DoPropertyBlob,
            Operation::SetPropertyKey, Operation::DoPropertyKey, Operation::SetProperty,
            Operation::DoProperty, Operation::Copy, Operation::Rename, Operation::Name,
            Operation::Remove, Operation::Create, Operation::Open, Operation::Share,
            Operation::Close });
}

bool IsStringValued(std::int32_t code)
{
    return IsOneOf(code,
        { Operation::Name, Operation::PositionFile, Operation::Send, Operation::GetProperty,
            Operation::GetPropertyKey, Operation::BlobSetProp });
}

bool IsValueReturning(std::int32_t code)
{
    return IsOneOf(code,
        { Operation::Eof, Operation::Bof, Operation::PointerFile, Operation::PointerKey,
            Operation::Bytes, Operation::RecordsFile, Operation::RecordsKey, Operation::BlobSize });
}

FileDeclaration* DeclarationForThread(FileDeclaration* file)
{
    if ((file->attributes & DeclarationAttributes::kThread) == 0 || file->original != nullptr)
        return file;
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    std::unique_ptr<ThreadCopy>& copy
        = registry.threadCopies[{ file, platform::CurrentThreadId() }];
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

std::int32_t RunFileOperation(FileDriver& driver, std::int32_t operation, FileDeclaration* file,
    const OperationArguments& arguments)
{
    if (operation == CodeOf(Operation::QueryView) || operation == CodeOf(Operation::DriverAddress))
        return 0;
    file = DeclarationForThread(file);
    const FileDeclaration* const errorFile = file->original != nullptr ? file->original : file;
    OperationArguments ownArguments = arguments;
    if (file->original != nullptr && arguments.key != nullptr)
        ownArguments.key = KeyForCopy(*file->original, *file, arguments.key);
    KeyDescriptor* const key = ownArguments.key;

    if (ValidOnClosedFile(operation) && file->controlBlock != nullptr
        && (file->controlBlock->state & (Flags::kOpen | Flags::kPropertiesSet)) == 0)
        ReleaseControlBlock(file);

    if (file->controlBlock == nullptr) {
        if (const std::int32_t error = AttachControlBlock(driver, file); error != 0) {
            if (IsStringValued(operation))
                PushAnswer({});
            PostFileError(error, errorFile);
            return AnswerOf(operation, error, 0);
        }
    }
    FileControlBlock& block = *file->controlBlock;

    std::int32_t result = 0;
    if (operation < 1 || operation >= kOperationCount)
        result = CodeOf(FileError::UnsupportedFunction);
    else if (key != nullptr && key->owner != &block)
        result = CodeOf(FileError::InvalidKeyFile);
    else
        result = CheckOperation(operation, block, key, ownArguments);

    HandlerResult handled;
    if (result == 0) {
        if ((block.state & Flags::kOpen) == 0
            && (OperationAttributesOf(operation).required & Flags::kOpen) == 0)
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

    block.lastError = result == CodeOf(FileError::Silent) ? 0 : result;
    const std::uint32_t pending = std::exchange(block.pendingActions, 0);
    if ((pending & PendingActions::kClearsError) != 0)
        ClearErrorState();
    if ((pending & PendingActions::kSequential) != 0)
        block.lastOperation = operation;
    if ((pending & PendingActions::kReleasesBlock) != 0)
        ReleaseControlBlock(file);

    if (result != 0 && result != CodeOf(FileError::Silent))
        PostFileError(result, errorFile);
    return AnswerOf(operation, result, handled.value);
}

std::int32_t FileOpDispatch(
    std::int32_t operation, FileDeclaration* file, const OperationArguments& arguments)
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
        FileOpDispatch(CodeOf(Operation::Close), file);
        // A CLOSE always lets go of the block; this only guards against a driver that did not.
        ReleaseControlBlock(file);
        Remove(file);
    }
    std::map<std::pair<const FileDeclaration*, platform::ThreadId>, std::unique_ptr<ThreadCopy>>
        copies;
    {
        const std::lock_guard lock(registry.mutex);
        copies.swap(registry.threadCopies);
    }
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
