#pragma once

#include <files/FileBuffer.h>
#include <platform/File.h>
#include <platform/SystemError.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The ASCII driver's file engine: a text file whose lines are the records of a FILE. The
// driver entry wraps one AsciiFile per control block; the state checks of the generic layer
// (open, record current, sequence set) come before it, but the engine refuses on its own what
// would otherwise do harm, so it can be used and tested alone.

namespace files {

/// What an engine operation answers: 0, or the runtime's file error number to post. Error
/// numbers of the operating system (2 "File Not Found", 3, 4 ...) come through unchanged where
/// the operation says so.
enum class AsciiStatus : std::int32_t {
    Ok = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InsufficientMemory = 8,
    RecordNotAvailable = 33,
    FileNotOpen = 37,
    InvalidFilename = 45,
    InvalidRecordDeclaration = 47,
    FileAlreadyOpen = 52,
    NoCreateAttribute = 54,
    ExclusiveAccessRequired = 63,
    /// A length above the record length given to the length variants: the system's
    /// "Invalid Parameter" (87) posted as a system error.
    InvalidParameter = 387,
};

/// A text field of the record, converted between the OEM and ANSI code pages for an OEM file.
struct TextSpan {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

/// What the FILE declaration tells the engine besides its NAME.
struct AsciiFileTraits {
    bool oem = false;                ///< text fields are held in the OEM code page on disk
    bool createAttribute = false;    ///< CREATE is allowed
    bool thread = false;             ///< the FILE is a THREAD file (a property answers it)
    std::vector<TextSpan> oemText;   ///< the fields converted for an OEM file
    std::string owner;               ///< the OWNER value (a property answers it)
    std::uintptr_t registration = 0; ///< answered by SEND "REGISTER"
    /// Whether Open and Create go through a symbolic link the name ends in; a refused link
    /// answers 5, as any file that is not a regular one does.
    platform::FinalLink finalLink = platform::FinalLink::Follow;
};

/// Numbers of the properties GET_PROPERTY answers.
inline constexpr std::uint32_t kPropertyTraceFile = 0x7303;
inline constexpr std::uint32_t kPropertyDriverString = 0x7314;
inline constexpr std::uint32_t kPropertyOwner = 0x7315;
inline constexpr std::uint32_t kPropertyName = 0x7316;
inline constexpr std::uint32_t kPropertyRemoteRoute = 0x7346;
inline constexpr std::uint32_t kPropertyThread = 0x7C95;

/// The largest record the engine serves: a longer one is a bad declaration (47).
inline constexpr std::uint32_t kMaxAsciiRecordLength = 0xFF00 - 1;
/// The byte that ends a text file's data unless CTRLZISEOF is off.
inline constexpr char kCtrlZ = 0x1A;
/// TAB setting that keeps a TAB character as it is.
inline constexpr std::int32_t kTabKeep = -100;

/// Tracing of a FILE's operations, as the user's profile asks for it.
struct AsciiTrace {
    bool on = false;
    bool details = false; ///< entries are followed by the record's contents
    std::string file = "ASCII.LOG";
};

/// Reads the trace settings from the profile section "QWASCII": "Profile" (non-zero turns
/// tracing on), "TraceFile" (at most 260 characters; missing or empty gives "ASCII.LOG") and
/// "Details". For an ENCRYPT file "Details" counts only when `driverOptions` holds the option
/// "/ALLOWDETAILS".
AsciiTrace ReadAsciiTrace(bool encrypted, std::string_view driverOptions);

/// One trace entry: "OPERATION(name" `key` " thread) " left-aligned in 18 characters, then
/// "Error: `error`" (or "File Error: `error`" for a driver error) when the operation failed,
/// then "Time Taken: s.cc secs" and CR LF. `key` is empty, or ",LABEL[number]" for a key
/// operation.
std::string FormatAsciiTraceEntry(std::string_view operation, std::string_view name,
    std::string_view key, std::uint32_t thread, std::string_view error, bool driverError,
    std::uint32_t centiseconds);

/// Appends `entry` to the trace file `path`: opened for writing with deny-none sharing (made
/// when missing), written at its end and closed again. Answers false when that fails.
bool AppendAsciiTrace(std::string_view path, std::string_view entry);

/// One text file opened as a FILE: its records are its lines.
///
/// The record buffer belongs to the caller and must outlive the engine; reads fill it, writes
/// take the record from it. Positions ("pointers") are 1-based byte offsets; 0 means none.
/// One AsciiFile is used by one thread at a time.
class AsciiFile {
public:
    /// An engine over `record` (at most kMaxAsciiRecordLength bytes, else every operation
    /// answers 47 InvalidRecordDeclaration).
    explicit AsciiFile(std::span<char> record, AsciiFileTraits traits = {});
    AsciiFile(const AsciiFile&) = delete;
    AsciiFile& operator=(const AsciiFile&) = delete;
    ~AsciiFile();

    // --- opening and closing -------------------------------------------------------------

    /// Opens the existing file `name` (trailing blanks dropped, expanded to a full path) with
    /// `accessMode` (bits 0-1 access, 4-6 sharing), sets the defaults (CLIP on, TAB 8, CR LF,
    /// the buffer size, QUICKSCAN on exactly for sharing 0x10 and 0x20) and applies
    /// `driverOptions`, "/KEYWORD=value" commands in order. Answers 45 for an empty name or one
    /// longer than 259 characters; a sharing violation as 5, a bad path as 3 (so is a relative
    /// name once the working directory has been removed), an invalid name as 45, other system
    /// errors as their numbers; 52 when already open; a failing option answers its error. Any
    /// failure leaves the engine closed.
    AsciiStatus Open(
        std::string_view name, std::uint32_t accessMode, std::string_view driverOptions = {});

    /// Writes cached bytes and closes the file. Answers 5 when the cached bytes could not be
    /// written or the system reports that the close failed (then bytes written before may not
    /// be on the disk); the file is closed all the same. Closing a closed engine answers 0.
    AsciiStatus Close();

    /// Creates `name` anew, empty (replacing an existing file), and closes it again. 54
    /// without the CREATE attribute, 52 while open; name errors as for Open.
    AsciiStatus Create(std::string_view name);

    bool IsOpen() const { return m_buffer != nullptr; }

    // --- records -------------------------------------------------------------------------

    /// Reads the line at the next position into the record and advances past it. 33 at the
    /// end of the data.
    AsciiStatus Next();
    /// Reads the line starting at `pointer` (0 does nothing). 33 beyond the end.
    AsciiStatus Get(std::uint32_t pointer);
    /// Like Get, copying at most `length` bytes of the line (387 when above the record length).
    AsciiStatus GetLength(std::uint32_t pointer, std::uint32_t length);
    /// Reads at the pointer held in a position string (see Position).
    AsciiStatus Reget(std::string_view position);

    /// Writes the record (or its first `length` bytes) and the terminator at the end of the
    /// file. ADD and APPEND are the same for this driver.
    AsciiStatus Append();
    AsciiStatus AppendLength(std::uint32_t length);
    /// Rewrites the record at the current record's position; 33 when no record is current.
    AsciiStatus Put();
    /// Writes at `pointer` (0: the end of the file). A `length` of 0 cuts the file there.
    AsciiStatus PutAt(std::uint32_t pointer);
    AsciiStatus PutAtLength(std::uint32_t pointer, std::uint32_t length);

    /// Next position := 1.
    void Set() { m_nextPosition = 1; }
    /// Next position := `pointer` (0 means 1).
    void SetAt(std::uint32_t pointer) { m_nextPosition = pointer == 0 ? 1 : pointer; }
    /// Next position := the pointer held in a position string.
    void Reset(std::string_view position);

    /// 1 when nothing can be read at the next position (or a Ctrl-Z ends the data there).
    bool Eof();
    /// The bytes the last record operation consumed or wrote while a record is current,
    /// otherwise the file size.
    std::uint32_t Bytes() const;
    /// The current record's pointer, 0 when none is current.
    std::uint32_t Pointer() const;
    /// The pointer as a 4-byte little-endian position string.
    std::string Position() const;
    bool RecordCurrent() const { return (m_flags & kFlagCurrent) != 0; }

    /// Truncates the file to 0 bytes. 5 read only, 63 unless the file is held exclusively.
    AsciiStatus Empty();
    /// Writes cached bytes and asks the system to put them on the disk.
    AsciiStatus Flush();
    /// Fills the record with blanks.
    void Clear();

    // --- locking -------------------------------------------------------------------------

    /// Locks byte 0, counting nested locks. With `seconds` the lock is retried once a second
    /// until that time has passed; without, only an already-locked answer (32) is retried.
    /// Failures answer the system's number (33 when another handle holds the byte).
    AsciiStatus Lock(std::optional<std::int32_t> seconds = std::nullopt);
    /// Undoes one Lock; the byte is released when the count reaches 0.
    AsciiStatus Unlock();
    std::uint32_t LockCount() const { return m_lockCount; }

    // --- files by name (the engine closed) -----------------------------------------------

    /// Deletes `name`: 2 and 3 as the system says, 5 for any other failure.
    AsciiStatus Remove(std::string_view name);
    /// Renames (moves) `from` to `to`; an existing target is kept and answers 5.
    AsciiStatus Rename(std::string_view from, std::string_view to);
    /// Copies `from` to `to`, replacing an existing target.
    AsciiStatus Copy(std::string_view from, std::string_view to);

    // --- commands and properties ---------------------------------------------------------

    /// Runs a driver command ("CLIP=OFF", "QUICKSCAN", ...) and answers the value as it was
    /// before it; an unknown keyword answers the empty string and changes nothing.
    std::string Send(std::string_view command);
    /// The text of a property, empty for numbers the driver does not answer.
    std::string GetProperty(std::uint32_t number) const;

    /// The trace settings the FILE was attached with (see ReadAsciiTrace).
    void SetTrace(AsciiTrace trace) { m_trace = std::move(trace); }
    const AsciiTrace& Trace() const { return m_trace; }

    /// The NAME as given, the full path once opened or created.
    const std::string& Name() const { return m_name; }
    /// The system error behind the last failure, None when there was none.
    platform::SystemError LastSystemError() const { return m_lastSystemError; }

    // Settings, as the commands change them.
    std::size_t BufferSize() const { return m_bufferSize; }
    bool QuickScan() const { return (m_flags & kFlagQuickScan) != 0; }
    bool Clip() const { return m_clip; }
    bool CtrlZIsEof() const { return (m_flags & kFlagCtrlZData) == 0; }
    std::int32_t Tab() const { return m_tab; }
    const std::string& Terminator() const { return m_terminator; }
    bool Shared() const { return (m_flags & kFlagShared) != 0; }
    bool ReadOnly() const { return (m_flags & kFlagReadOnly) != 0; }
    std::uint64_t FileSize() const { return m_fileSize; }

private:
    static constexpr std::uint32_t kFlagCurrent = 0x01;
    static constexpr std::uint32_t kFlagShared = 0x02;
    static constexpr std::uint32_t kFlagReadOnly = 0x04;
    static constexpr std::uint32_t kFlagQuickScan = 0x08;
    static constexpr std::uint32_t kFlagCtrlZData = 0x20;

    enum class CommandResult { Done, Unknown, Failed };

    AsciiStatus ReadAt(std::uint64_t offset, std::size_t limit);
    AsciiStatus ReadLine(std::uint64_t offset, std::size_t limit, std::uint64_t& consumed);
    AsciiStatus Write(std::uint32_t pointer, std::uint32_t length);
    AsciiStatus WriteLocked(std::uint32_t pointer, std::uint32_t length);
    bool MatchesTerminator(std::uint64_t offset);
    AsciiStatus TakeWriteLock();
    void ReleaseWriteLock();
    bool RefreshSize();
    CommandResult Command(std::string_view command, std::string& answer);
    AsciiStatus ApplyOptions(std::string_view options);
    void SetDefaults(std::uint32_t accessMode);
    AsciiStatus Fail(AsciiStatus status, platform::SystemError error);
    void ConvertText(char* record, std::size_t length, bool toOem) const;
    bool BadDeclaration() const { return m_record.size() > kMaxAsciiRecordLength; }
    std::size_t RecordLength() const { return m_record.size(); }

    std::span<char> m_record;
    AsciiFileTraits m_traits;
    std::string m_name;
    std::string m_driverOptions;
    std::unique_ptr<FileBuffer> m_buffer;
    AsciiTrace m_trace;
    std::string m_line; // the line being written: the record (an OEM copy), the terminator
    std::string m_terminator = "\r\n";
    std::uint32_t m_accessMode = 0;
    std::uint32_t m_flags = 0;
    std::uint32_t m_lockCount = 0;
    std::uint64_t m_currentStart = 0;
    std::uint64_t m_consumed = 0;
    std::uint64_t m_fileSize = 0;
    std::uint32_t m_nextPosition = 1;
    std::size_t m_bufferSize = 512;
    std::int32_t m_tab = 8;
    bool m_tabSet = false;
    bool m_clip = true;
    bool m_lastByteSeen = false;
    AsciiStatus m_commandStatus = AsciiStatus::Ok; // why the last command failed
    platform::SystemError m_lastSystemError = platform::SystemError::None;
};

} // namespace files
