#pragma once

#include <cstdint>
#include <string_view>

// The operation codes that file statements pass to a driver, and the error numbers the
// generic layer itself posts.

namespace files {

/// The operations a DriverEntry is asked to run. Codes 35, 39 and 87 are unnamed; a code
/// outside 1 to 93 is answered as an unsupported function.
enum class Operation : std::int32_t {
    None = 0, ///< no operation: a control block's last Sequential operation before the first
    Add = 1,
    Bof = 2,
    BuildFile = 3,
    Append = 4,
    BuildDyn = 5,
    BuildKey = 6,
    Close = 7,
    Commit = 8,
    Copy = 9,
    Create = 10,
    Delete = 11,
    Duplicate = 12,
    Empty = 13,
    Eof = 14,
    GetFileKey = 15,
    GetFilePtr = 16,
    GetKeyPtr = 17,
    HoldFile = 18,
    HoldFileSec = 19,
    LockFile = 20,
    LockFileSec = 21,
    Logout = 22,
    Name = 23,
    Next = 24,
    Open = 25,
    Pack = 26,
    PointerFile = 27,
    PointerKey = 28,
    Flush = 29,
    Put = 30,
    Previous = 31,
    RecordsFile = 32,
    RecordsKey = 33,
    BuildDynFilter = 34,
    Release = 36,
    Remove = 37,
    Rename = 38,
    Rollback = 40,
    SetFile = 41,
    SetFileKey = 42,
    SetFilePtr = 43,
    SetKey = 44,
    SetKeyKey = 45,
    SetKeyPtr = 46,
    SetKeyKeyPtr = 47,
    Share = 48,
    Skip = 49,
    Unlock = 50,
    AddFileLen = 51,
    Bytes = 52,
    GetFilePtrLen = 53,
    PutFilePtr = 54,
    PutFilePtrLen = 55,
    Stream = 56,
    DuplicateKey = 57,
    Watch = 58,
    AppendLen = 59,
    Send = 60,
    PositionFile = 61,
    PositionKey = 62,
    ResetFile = 63,
    ResetKey = 64,
    NoMemo = 65,
    RegetFile = 66,
    RegetKey = 67,
    Null = 68,
    SetNull = 69,
    SetNoNull = 70,
    SetProperty = 71,
    GetProperty = 72,
    QueryKey = 73,
    QueryView = 74,
    BlobYield = 75,
    BlobTake = 76,
    BlobSize = 77,
    BlobGetProp = 78,
    BlobSetProp = 79,
    Buffer = 80,
    SetView = 81,
    Clear = 82,
    ResetViewFile = 83,
    BuildEvent = 84,
    SetPropertyKey = 85,
    GetPropertyKey = 86,
    Internal87 = 87,
    DoProperty = 88,
    DoPropertyKey = 89,
    DoPropertyBlob = 90,
    DriverAddress = 91,
    InView = 92,
    EndView = 93,
};

/// Operation codes run from 0 to kOperationCount - 1.
inline constexpr std::int32_t kOperationCount = 94;

/// The operation's name as the trace log writes it ("ADD", "BUILDfile", "(35)", "Internal");
/// empty for a code outside 0 to 93.
std::string_view OperationName(Operation operation);

/// The numeric code of `operation`, as a driver's registration lists it.
constexpr std::int32_t CodeOf(Operation operation)
{
    return static_cast<std::int32_t>(operation);
}

/// The result of a file operation: None, Silent, or the error number to post (ERRORCODE()).
/// The names are the numbers the generic layer and the ASCII driver post; a driver may answer
/// any other number of the runtime's table the same way, 300 plus a system error number
/// included.
enum class FileError : std::int32_t {
    None = 0,
    Silent = -1, ///< the operation did nothing and posts nothing
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InsufficientMemory = 8,
    RecordNotAvailable = 33,
    RecordNotFound = 35,
    FileNotOpen = 37,
    InvalidKeyFile = 38,
    InvalidFilename = 45,
    KeyFileMustBeRebuilt = 46,
    InvalidRecordDeclaration = 47,
    FileAlreadyOpen = 52,
    NoCreateAttribute = 54,
    LogoutAlreadyActive = 56,
    ExclusiveAccessRequired = 63,
    InvalidFieldTypeDescriptor = 75,
    UnsupportedDataType = 79,
    UnsupportedFunction = 80,
    FileSystemError = 90, ///< a driver's error of its own ("File Error: ..." in the trace)
    BuildInProgress = 92,
};

/// The number `error` posts, as ERRORCODE() answers it and the statements return it.
constexpr std::int32_t CodeOf(FileError error)
{
    return static_cast<std::int32_t>(error);
}

} // namespace files
