#pragma once

#include <value/ValueReference.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file manager: wraps one FILE for the procedures of the program. It opens the file with
// the framework's retry rules (lock recovery, falling back to read-only, creating a missing
// file, rebuilding keys), counts how many open requests each thread has not yet closed, and
// reports failures by message number through the error manager.
//
// A manager is shared by every thread of the program and is used under the runtime lock. Its
// open state is kept per thread for a THREAD file (each thread works on its own copy of such
// a file) and once for the program otherwise.

namespace files {
struct FileDeclaration;
struct KeyDescriptor;
} // namespace files

namespace framework {

class ErrorManager;

/// Messages the file manager raises (numbers of the error manager's built-in table).
inline constexpr std::uint16_t kMessageReadOnly = 2;        ///< trying read-only
inline constexpr std::uint16_t kMessageCreateFailed = 10;   ///< creating a missing file failed
inline constexpr std::uint16_t kMessageOpenFailed = 23;     ///< the file could not be opened
inline constexpr std::uint16_t kMessageKeyNotBuilt = 26;    ///< rebuilding the keys failed
inline constexpr std::uint16_t kMessageKeyInvalid = 27;     ///< the keys must be rebuilt
inline constexpr std::uint16_t kMessageUsedBeforeOpen = 39; ///< a record operation, never opened

/// The access mode a manager opens with after Setup: read and write, deny none.
inline constexpr std::uint8_t kDefaultOpenMode = 0x42;
/// The number sent with "Recover=" after Setup.
inline constexpr std::int16_t kDefaultLockRecover = 10;

/// Whether an open that fails shows its message (and answers what the user's answer gives)
/// or answers 5 silently.
enum class OpenReport : std::uint8_t { No, Yes };
/// Whether the open counts as one more open request that a Close must match.
enum class OpenCount : std::uint8_t { No, Yes };
/// Whether the file is opened for real even when it counts as open (a lazy open, another
/// thread's open).
enum class OpenForce : std::uint8_t { No, Yes };

class FileManager {
public:
    /// A record buffer: its address, its type descriptor and its length in bytes.
    struct Record {
        std::byte* address = nullptr;
        const std::uint8_t* type = nullptr;
        std::uint32_t length = 0;
    };

    /// The open state of the file for one thread (INFO).
    struct InfoEntry {
        /// 1, or for a THREAD file the id of the thread the entry belongs to.
        std::int32_t id = 0;
        std::uint8_t used = 0;    ///< the file is really open for this entry
        std::uint16_t opened = 0; ///< open requests not yet closed
        std::uint8_t atEof = 0;
        std::uint8_t autoIncDone = 0;
        std::uint8_t lastError = 0; ///< the message last raised for the file
    };

    /// One saved copy of the record buffer (BUFFERS).
    struct BufferEntry {
        std::uint16_t buffer = 0; ///< the number SaveBuffer answered
        std::int32_t id = 0;      ///< the INFO entry's id of the thread that saved it
        std::uint8_t held = 0;
        std::uint8_t watched = 0;
        std::string position;
        std::vector<std::byte> copy; ///< the saved bytes
    };

    /// One key of the file (KEYS), for the record-level operations a derived manager adds.
    struct KeyEntry {
        files::KeyDescriptor* key = nullptr;
        std::string description;
        std::vector<value::ValueReference> fields;
        std::uint8_t autoInc = 0;
        std::uint8_t dups = 0;
        std::uint8_t noCase = 0;
    };

    FileManager() = default;
    /// A manager destroyed without Teardown still leaves the program's list of managers.
    virtual ~FileManager();
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;

    /// Binds the manager to `file` and `errors` and gives the defaults: openMode 0x42, create
    /// 1, lockRecover 10, lazyOpen 1, primaryKey and skipHeldRecords 0; fileNameValue is the
    /// name GET_PROPERTY answers for the file (property 0x7316). Creates the lists and adds
    /// the manager to the program's list of managers under its FILE. The caller sets `buffer`.
    void Setup(files::FileDeclaration* file, ErrorManager* errors);

    /// Frees the lists (and the saved buffers) and takes the manager off the program's list
    /// of managers. The FILE is not closed: the runtime closes every file at its end.
    void Teardown();

    /// Opens the file and answers a severity result (0: opened). Without `force` a lazy
    /// manager only counts the request, and a file this thread already has open is only
    /// counted. Otherwise at most two passes OPEN the file with openMode: access denied is
    /// retried once after SEND "Recover=<lockRecover>", and then, for a mode with write
    /// access, falls back to read only (openMode keeps its sharing bits) after message 2; a
    /// missing file is created when `create` is set (message 10 when that fails); a file
    /// whose keys must be rebuilt shows message 27 and is built (message 26 when that
    /// fails). When no pass opens it, message 23 ("File Access Error", which ends the
    /// program) is raised. Without `report`, a failure answers 5 instead of showing 10, 23 or
    /// 27. Every open answering 0 calls AfterOpen.
    std::uint32_t Open(OpenReport report, OpenCount count, OpenForce force);

    /// Makes sure a lazily opened file is really open before a record operation; answers a
    /// severity result. A file no open request was made for raises message 39 ("Attempt to
    /// use file (%File) before it was opened", which ends the program). The record buffer is
    /// kept across the open.
    std::uint32_t EnsureOpen();

    /// Saves the error state for the message's %ErrorText and remembers `id` as the file's
    /// last message.
    void SetError(std::uint16_t id);

    /// Saves a copy of the record buffer and answers its number (never 0); 0 when the manager
    /// has no buffer.
    std::uint16_t SaveBuffer();
    /// Puts saved copy `number` back into the record buffer and releases it; an unknown
    /// number changes nothing.
    void RestoreBuffer(std::uint16_t number);

    /// The name the messages show for %File: fileNameValue, or the FILE's declared NAME while
    /// that is blank.
    std::string DisplayName() const;

    /// The manager set up first for `file` that has not been torn down, or null.
    static FileManager* ForFile(const files::FileDeclaration* file);

    // Virtual methods, in their slot order. A derived manager that overrides the argument-less
    // Open brings the three-argument one back into view with `using FileManager::Open;`.

    /// Called at the end of every open that answers 0, lazy or real. It does nothing here: a
    /// derived manager overrides it to prepare what its record operations need.
    virtual void AfterOpen() { }
    /// Closes one open request of this thread; the last one issues CLOSE. Answers 0.
    virtual std::uint32_t Close();
    /// Open with report, count and no force: what the other framework classes call.
    virtual std::uint32_t Open();
    /// SetError(id), then DispatchLast.
    virtual std::uint32_t Raise(std::uint16_t id);
    /// Shows the file's last message through the error manager and answers its result.
    virtual std::uint32_t DispatchLast();
    /// Raises `id` through the error manager with `text` for %Message.
    virtual std::uint32_t RaiseWithText(std::uint16_t id, std::string_view text);

    /// This thread's INFO entry, added cleared when missing; null before Setup or after
    /// Teardown.
    InfoEntry* SelectInfo();

    // Fields.
    FileManager* aliasedFile = nullptr; ///< another manager of the same data; unused here
    Record buffer;                      ///< the FILE's RECORD buffer
    std::optional<std::vector<BufferEntry>> buffers;
    std::uint8_t create = 0; ///< 1: a missing file is created when it is opened
    ErrorManager* errors = nullptr;
    files::FileDeclaration* file = nullptr;
    std::optional<value::ValueReference> fileName; ///< the variable holding a variable name
    std::string fileNameValue;                     ///< at most kMaxFileNameLength characters
    std::uint8_t hasAutoInc = 0;
    std::optional<std::vector<InfoEntry>> info;
    std::optional<std::vector<KeyEntry>> keys;
    std::uint8_t lazyOpen = 0;    ///< 1: an open only counts until EnsureOpen needs the file
    std::int16_t lockRecover = 0; ///< sent with "Recover="
    std::uint8_t openMode = 0;    ///< the OPEN access mode
    std::uint8_t primaryKey = 0;
    /// Saved record states, for the record-level operations a derived manager adds.
    std::optional<std::vector<std::vector<std::byte>>> saved;
    std::uint8_t skipHeldRecords = 0;

    static constexpr std::size_t kMaxFileNameLength = 256;

private:
    /// The INFO key of the calling thread.
    std::int32_t InfoId() const;
    /// The record buffer the manager works on: `buffer`, or the thread's RECORD of the FILE.
    Record CurrentRecord() const;
    /// The passes of a real open; answers the severity result.
    std::uint32_t OpenPasses(OpenReport report, OpenCount count);
    std::uint32_t Opened(OpenCount count);
    /// Makes the name the messages show the error manager's %File.
    void NameFile() const;

    bool m_threaded = false; ///< the FILE is a THREAD file: one INFO entry per thread
    std::uint16_t m_lastBuffer = 0;
};

} // namespace framework
