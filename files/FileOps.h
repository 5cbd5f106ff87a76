#pragma once

#include <files/Bitmask.h>
#include <files/FileDeclaration.h>
#include <files/Operations.h>
#include <platform/Threads.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The generic layer of the file driver interface: the control block every driver shares, the
// operation attribute table, the common path each DriverEntry runs around its own handler,
// the list of attached files, and the entry points generated code calls for file statements.

namespace files {

/// Bits of FileControlBlock::state.
enum class FileState : std::uint32_t {
    None = 0,
    Open = 0x0001,
    RecordCurrent = 0x0002,
    Logout = 0x0004,
    Stream = 0x0008,
    Locked = 0x0010,
    SequenceSet = 0x0020,
    WriteAccess = 0x0040,
    Exclusive = 0x0080,
    Built = 0x0100,
    WatchRequested = 0x0200,
    Watched = 0x0400,
    HoldRequested = 0x0800,
    Held = 0x1000,
    SequenceStarted = 0x2000,
    BuildInProgress = 0x4000,
    PropertiesSet = 0x10000,
};
template<> struct IsBitmask<FileState> : std::true_type {
};

/// Bits of FileControlBlock::pendingActions, and the post column of the attribute table.
enum class PendingAction : std::uint32_t {
    None = 0,
    ClearsError = 0x01,
    ReleasesBlock = 0x02,
    Sequential = 0x04,
};
template<> struct IsBitmask<PendingAction> : std::true_type {
};

/// Bits of FileControlBlock::attributes (the declaration's attribute bits shifted down).
enum class BlockAttribute : std::uint32_t {
    None = 0,
    Encrypt = 0x01,
    Create = 0x02,
    Reclaim = 0x04,
    Thread = 0x08,
    Oem = 0x10,
    Unused20 = 0x20,
};
template<> struct IsBitmask<BlockAttribute> : std::true_type {
};

/// Bits of FileControlBlock::propertyOverrides: set by property, not refreshed from the
/// declaration.
enum class PropertyOverride : std::uint32_t {
    None = 0,
    Name = 0x01,
    Owner = 0x02,
    DriverString = 0x04,
};
template<> struct IsBitmask<PropertyOverride> : std::true_type {
};

/// Records of this many bytes or more are refused at attach.
inline constexpr std::uint32_t kMaxRecordLength = 0xFF00;

/// The run-time state of one FILE (of one thread's copy, for a THREAD file). A driver derives
/// its own block from this one, adding its state.
struct FileControlBlock {
    virtual ~FileControlBlock() = default;

    std::string name; ///< the NAME value; the full path once opened or created
    std::string owner;
    std::string driverString;
    BlockAttribute attributes = BlockAttribute::None;
    std::byte* record = nullptr;
    std::uint32_t recordLength = 0;
    Operation lastOperation = Operation::None;          ///< the last Sequential operation
    PendingAction pendingActions = PendingAction::None; ///< still to carry out
    FileState state = FileState::None;
    PropertyOverride propertyOverrides = PropertyOverride::None;
    FileError lastError = FileError::None; ///< None after success or the silent result
    bool traceOn = false;
    bool traceDetails = false;
    std::string traceFileName;
    std::string_view driverName;
    FileDeclaration* declaration = nullptr;
    std::vector<FieldInfo> fields; ///< from the record type descriptor, GROUPs flattened
};

/// A statement's further arguments. For a key operation `key` is the key (its FILE is the
/// file the operation is run on); `numbers` hold the pointer, length, mode, seconds or index
/// in the order the statement gives them; `text` is a string argument (a position, a command,
/// a new name).
struct OperationArguments {
    KeyDescriptor* key = nullptr;
    std::array<std::int32_t, 3> numbers {};
    std::uint32_t numberCount = 0;
    std::string_view text;
};

/// One row of the OperationAttributeTable.
struct OperationAttributes {
    PendingAction post = PendingAction::None; ///< added on success
    FileState required = FileState::None;
    FileState forbidden = FileState::None;
    FileState set = FileState::None;   ///< set on success
    FileState clear = FileState::None; ///< cleared on success
    FileState clearOnFailure = FileState::None;
};

/// The row of `operation`; all empty for codes outside 1 to 93 and for the rows that
/// constrain nothing (NAME, 35, 39, QUERY_VIEW, 87, 91).
const OperationAttributes& OperationAttributesOf(Operation operation);

/// True for the operations that are valid on a closed file and therefore first drop a block
/// left over from a closed file (SEND, COPY, RENAME, NAME, REMOVE, CREATE, OPEN, SHARE,
/// CLOSE and the property operations).
bool ValidOnClosedFile(Operation operation);

/// True for the operations whose answer is a string left on the string stack.
bool IsStringValued(Operation operation);

/// True for the operations whose answer is a number rather than an error result.
bool IsValueReturning(Operation operation);

/// What a driver's handler answers.
struct HandlerResult {
    /// None, Silent (did nothing, posts nothing), or the error to post.
    FileError result = FileError::None;
    /// The function value of a value-returning operation.
    std::int32_t value = 0;
    /// The answer of a string-valued operation.
    std::string text;
};

/// The part of a driver the common path calls. One instance per driver, alive for the
/// program's run.
class FileDriver {
public:
    virtual ~FileDriver() = default;

    /// The driver's name ("ASCII").
    virtual std::string_view Name() const = 0;
    /// A new, empty control block of the driver's own kind.
    virtual std::unique_ptr<FileControlBlock> NewControlBlock() = 0;
    /// Checks that the driver can serve the freshly attached `block`'s declaration; answers
    /// None or the error that fails the attach.
    virtual FileError Attach(FileControlBlock& block) = 0;
    /// Reads the trace settings into `block` after a successful attach.
    virtual void ReadTraceSettings(FileControlBlock& block) = 0;
    /// Runs `operation`; answers FileError::UnsupportedFunction for one it does not implement.
    virtual HandlerResult Run(
        Operation operation, FileControlBlock& block, const OperationArguments& arguments)
        = 0;
    /// Writes the trace entry of an operation that took `centiseconds`; called only when
    /// `block.traceOn`.
    virtual void Trace(Operation operation, FileControlBlock& block,
        const OperationArguments& arguments, FileError result, std::int64_t centiseconds)
        = 0;
};

/// Runs `operation` on `file` through the common path around `driver`'s handler: the body of
/// every DriverEntry. Checks the operation against the file's state, attaches and releases the
/// control block, updates the state, leaves the text of a string-valued operation on the
/// string stack, and posts or clears the error state. Answers the function value for a
/// value-returning operation (1 for EOF and BOF after an error, else 0 after an error), the
/// result (0, -1 or the error number) for every other operation; QUERY_VIEW answers 0 and
/// does nothing. Code 91 answers 0: the entry's address is `file->driverEntry`.
std::int32_t RunFileOperation(FileDriver& driver, Operation operation, FileDeclaration* file,
    const OperationArguments& arguments);

/// Calls the DriverEntry named by `file` with `operation` and `arguments`.
std::int32_t FileOpDispatch(
    Operation operation, FileDeclaration* file, const OperationArguments& arguments = {});

/// The declaration the calling thread works on for `file`: `file` itself, or for a THREAD
/// file the thread's own copy (made on first use, with its own record buffer and key and memo
/// descriptors, and an empty control-block slot).
FileDeclaration* DeclarationForThread(FileDeclaration* file);

/// Frees `file`'s control block (the driver's state goes with it) and drops it from the
/// UsedFileList; nothing when it has none.
void ReleaseControlBlock(FileDeclaration* file);

/// One attached FILE.
struct UsedFile {
    FileDeclaration* file = nullptr;
    bool anyThread = true; ///< false for a THREAD file's copy, which belongs to `thread`
    platform::ThreadId thread = 0;
};

/// The attached FILEs, oldest first. Each entry owns its FILE's control block.
class UsedFileList {
public:
    /// Removes `file`'s entry, if any, and frees the control block the entry holds. Attaching
    /// a control block adds the entry (a THREAD copy's for the calling thread).
    static void Remove(const FileDeclaration* file);
    /// A copy of the entries, oldest first.
    static std::vector<UsedFile> Entries();
    /// At shutdown: CLOSEs every FILE still in the list, the most recently added first, then
    /// frees the list, the THREAD copies of threads that have ended and the calling thread's.
    static void CloseAll();
};

// The entry points of the file statements. Each passes its FILE and argument to
// FileOpDispatch with the statement's operation code. The string-valued ones (NAME,
// POSITION, SEND, GET_PROPERTY) leave their answer on the string stack.

std::int32_t Add(FileDeclaration* file);
std::int32_t Build(FileDeclaration* file);
std::int32_t Append(FileDeclaration* file);
std::int32_t Close(FileDeclaration* file);
std::int32_t Create(FileDeclaration* file);
std::int32_t Delete(FileDeclaration* file);
std::int32_t Empty(FileDeclaration* file);
std::int32_t Get(FileDeclaration* file, std::int32_t pointer);
std::int32_t Hold(FileDeclaration* file);
std::int32_t Lock(FileDeclaration* file, std::int32_t seconds);
std::int32_t Open(FileDeclaration* file, std::int32_t accessMode);
/// RECORDS(file): the number of records.
std::int32_t Records(FileDeclaration* file);
/// DUPLICATE(key): `file` is the FILE the key belongs to.
std::int32_t Duplicate(FileDeclaration* file, KeyDescriptor* key);
/// The property number and the new value are on the string stack.
std::int32_t SetProperty(FileDeclaration* file, std::int32_t index);
/// The property number is on the string stack; the answer is left there.
std::int32_t GetProperty(FileDeclaration* file, std::int32_t index);
std::int32_t Next(FileDeclaration* file);
std::int32_t Set(FileDeclaration* file);
std::int32_t Put(FileDeclaration* file);
/// POINTER(file): the current record's position.
std::int32_t Pointer(FileDeclaration* file);
/// EOF(file): 1 at the end of the file (and after an error), else 0.
std::int32_t Eof(FileDeclaration* file);
/// BYTES(file).
std::int32_t Bytes(FileDeclaration* file);
std::int32_t Send(FileDeclaration* file, std::string_view command);
std::int32_t Flush(FileDeclaration* file);
std::int32_t Remove(FileDeclaration* file);
std::int32_t Rename(FileDeclaration* file, std::string_view newName);
std::int32_t Copy(FileDeclaration* file, std::string_view newName);
std::int32_t Unlock(FileDeclaration* file);
std::int32_t Name(FileDeclaration* file);
std::int32_t Position(FileDeclaration* file);
std::int32_t Reset(FileDeclaration* file, std::string_view position);
std::int32_t Reget(FileDeclaration* file, std::string_view position);

} // namespace files
