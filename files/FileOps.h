#pragma once

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
struct FileStateFlags {
    static constexpr std::uint32_t kOpen = 0x0001;
    static constexpr std::uint32_t kRecordCurrent = 0x0002;
    static constexpr std::uint32_t kLogout = 0x0004;
    static constexpr std::uint32_t kStream = 0x0008;
    static constexpr std::uint32_t kLocked = 0x0010;
    static constexpr std::uint32_t kSequenceSet = 0x0020;
    static constexpr std::uint32_t kWriteAccess = 0x0040;
    static constexpr std::uint32_t kExclusive = 0x0080;
    static constexpr std::uint32_t kBuilt = 0x0100;
    static constexpr std::uint32_t kWatchRequested = 0x0200;
    static constexpr std::uint32_t kWatched = 0x0400;
    static constexpr std::uint32_t kHoldRequested = 0x0800;
    static constexpr std::uint32_t kHeld = 0x1000;
    static constexpr std::uint32_t kSequenceStarted = 0x2000;
    static constexpr std::uint32_t kBuildInProgress = 0x4000;
    static constexpr std::uint32_t kPropertiesSet = 0x10000;
};

/// Bits of FileControlBlock::pendingActions, and the post flags of the attribute table.
struct PendingActions {
    static constexpr std::uint32_t kClearsError = 0x01;
    static constexpr std::uint32_t kReleasesBlock = 0x02;
    static constexpr std::uint32_t kSequential = 0x04;
};

/// Bits of FileControlBlock::attributes (the declaration's attribute bits shifted down).
struct BlockAttributes {
    static constexpr std::uint32_t kEncrypt = 0x01;
    static constexpr std::uint32_t kCreate = 0x02;
    static constexpr std::uint32_t kReclaim = 0x04;
    static constexpr std::uint32_t kThread = 0x08;
    static constexpr std::uint32_t kOem = 0x10;
    static constexpr std::uint32_t kUnused20 = 0x20;
};

/// Bits of FileControlBlock::propertyOverrides: set by property, not refreshed from the
/// declaration.
struct PropertyOverrides {
    static constexpr std::uint32_t kName = 0x01;
    static constexpr std::uint32_t kOwner = 0x02;
    static constexpr std::uint32_t kDriverString = 0x04;
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
    std::uint32_t attributes = 0; ///< BlockAttributes
    std::byte* record = nullptr;
    std::uint32_t recordLength = 0;
    std::int32_t lastOperation = 0;      ///< the last Sequential operation
    std::uint32_t pendingActions = 0;    ///< PendingActions still to carry out
    std::uint32_t state = 0;             ///< FileStateFlags
    std::uint32_t propertyOverrides = 0; ///< PropertyOverrides
    std::int32_t lastError = 0;          ///< 0 after success or the silent result
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

/// One row of the OperationAttributeTable (masks of FileStateFlags).
struct OperationAttributes {
    std::uint32_t post = 0; ///< PendingActions added on success
    std::uint32_t required = 0;
    std::uint32_t forbidden = 0;
    std::uint32_t set = 0;   ///< set on success
    std::uint32_t clear = 0; ///< cleared on success
    std::uint32_t clearOnFailure = 0;
};

/// The row of operation `code`; all zero for codes outside 1 to 93 and for the rows that
/// constrain nothing (NAME, 35, 39, QUERY_VIEW, 87, 91).
const OperationAttributes& OperationAttributesOf(std::int32_t code);

/// True for the operations that are valid on a closed file and therefore first drop a block
/// left over from a closed file (SEND, COPY, RENAME, NAME, REMOVE, CREATE, OPEN, SHARE,
/// CLOSE and the property operations).
bool ValidOnClosedFile(std::int32_t code);

/// True for the operations whose answer is a string left on the string stack.
bool IsStringValued(std::int32_t code);

/// True for the operations whose answer is a number rather than an error result.
bool IsValueReturning(std::int32_t code);

/// What a driver's handler answers.
struct HandlerResult {
    /// 0, -1 (did nothing, posts nothing), or the error number to post.
    std::int32_t result = 0;
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
    /// Checks that the driver can serve the freshly attached `block`'s declaration; answers 0
    /// or the error that fails the attach.
    virtual std::int32_t Attach(FileControlBlock& block) = 0;
    /// Reads the trace settings into `block` after a successful attach.
    virtual void ReadTraceSettings(FileControlBlock& block) = 0;
    /// Runs `operation`; answers FileError::UnsupportedFunction for one it does not implement.
    virtual HandlerResult Run(
        std::int32_t operation, FileControlBlock& block, const OperationArguments& arguments)
        = 0;
    /// Writes the trace entry of an operation that took `centiseconds`; called only when
    /// `block.traceOn`.
    virtual void Trace(std::int32_t operation, FileControlBlock& block,
        const OperationArguments& arguments, std::int32_t result, std::int64_t centiseconds)
        = 0;
};

/// Runs `operation` on `file` through the common path around `driver`'s handler: the body of
/// every DriverEntry. Checks the operation against the file's state, attaches and releases the
/// control block, updates the state, leaves the text of a string-valued operation on the
/// string stack, and posts or clears the error state. Answers the function value for a
/// value-returning operation (1 for EOF and BOF after an error, else 0 after an error), the
/// result (0, -1 or the error number) for every other operation; QUERY_VIEW answers 0 and
/// does nothing. Code 91 answers 0: the entry's address is `file->driverEntry`.
std::int32_t RunFileOperation(FileDriver& driver, std::int32_t operation, FileDeclaration* file,
    const OperationArguments& arguments);

/// Calls the DriverEntry named by `file` with `operation` and `arguments`.
std::int32_t FileOpDispatch(
    std::int32_t operation, FileDeclaration* file, const OperationArguments& arguments = {});

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
    /// frees the list and the THREAD copies.
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
