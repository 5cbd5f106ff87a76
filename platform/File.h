#pragma once

#include <platform/SystemError.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

// The access-mode number the runtime's OPEN takes: bits 0-1 the access, bits 4-6 the sharing.
// Any sharing value other than the five below denies others everything, like deny-all.
inline constexpr std::uint32_t kAccessRead = 0x00;
inline constexpr std::uint32_t kAccessWrite = 0x01;
inline constexpr std::uint32_t kAccessReadWrite = 0x02;
inline constexpr std::uint32_t kShareCompatible = 0x00; ///< others may read and write
inline constexpr std::uint32_t kShareDenyAll = 0x10;
inline constexpr std::uint32_t kShareDenyWrite = 0x20;
inline constexpr std::uint32_t kShareDenyRead = 0x30;
inline constexpr std::uint32_t kShareDenyNone = 0x40;

/// What Open does about a file that is, or is not, there.
enum class Disposition {
    OpenExisting, ///< a missing file is an error (FileNotFound)
    OpenAlways,   ///< a missing file is made empty; an existing one is opened as it is
    CreateAlways, ///< a missing file is made; an existing one is emptied once sharing allows
    CreateNew,    ///< a missing file is made; an existing one is an error (FileExists)
};

/// What Open does when the path's last name is a symbolic link.
enum class FinalLink : std::uint8_t {
    Follow, ///< the link's target is opened (or made, through a dangling link), as elsewhere
    /// The link is refused with AccessDenied and never followed: nothing is made through a
    /// dangling link and no target is emptied. A link put in place between a look and the
    /// open is refused all the same. For a file kept in a directory others may write to.
    Refuse,
};

/// What a path names, its last name not followed when it is a symbolic link.
enum class FileKind : std::uint8_t {
    Missing, ///< nothing, or the question failed (a directory on the way is missing)
    Regular,
    Directory,
    SymbolicLink, ///< whatever it points to, or nothing
    Other,        ///< a FIFO, a device or a socket
};

/// Where Seek counts from.
enum class SeekOrigin {
    Begin,
    Current,
    End,
};

/// An open regular file with Windows access and sharing rules, closed on destruction.
///
/// Sharing is checked between every two opens of one file, whether they come from one thread,
/// two threads or two processes: a new open fails with SharingViolation when an existing open's
/// sharing denies the new one's access, or when the new one's sharing denies an access an
/// existing open holds. Only opens made through this class take part; other programs that open
/// the file are neither stopped nor seen. When the holding process ends, however it ends, its
/// opens and byte-range locks are gone.
///
/// Byte-range locks are advisory: they stop other LockRange calls, not reads and writes.
///
/// One File is used by one thread at a time; distinct Files need no coordination.
class File {
public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    /// Opens a regular file with the access and sharing of `accessMode` (see kAccess... and
    /// kShare...; bits outside 0-1 and 4-6 are ignored). Access 3 answers InvalidParameter.
    /// A directory or any other non-regular file answers AccessDenied, a sharing conflict
    /// SharingViolation; other failures are the system's error numbers (ErrorFromErrno).
    /// With CreateAlways an existing file is emptied only after the sharing check passed, so
    /// a refused open never touches the contents. A write-only open of a file this process may
    /// not read is checked against the others but cannot make itself known to later opens.
    /// `link` says what a symbolic link as the last name does (see FinalLink).
    static Result<File> Open(std::string_view path, std::uint32_t accessMode,
        Disposition disposition = Disposition::OpenExisting, FinalLink link = FinalLink::Follow);

    /// Makes the file anew, empty, replacing an existing one, and holds it for reading and
    /// writing with deny-all sharing while it stays open. `link` as for Open.
    static Result<File> Create(std::string_view path, FinalLink link = FinalLink::Follow);

    bool IsOpen() const { return m_descriptor >= 0; }
    bool CanRead() const { return m_canRead; }
    bool CanWrite() const { return m_canWrite; }

    /// Closes the file, releasing its sharing registration and byte-range locks, and answers
    /// what the system reported: an error (GeneralFailure for an I/O error, DiskFull) means
    /// written data may not have reached the disk. The file is closed either way. Closing a
    /// closed File answers None.
    SystemError Close();

    /// Reads up to `size` bytes at the file position and answers how many were read: fewer
    /// only at the end of the file, 0 there. A handle without read access answers
    /// AccessDenied.
    Result<std::size_t> Read(void* buffer, std::size_t size);

    /// Writes all `size` bytes at the file position (a short write is continued) and answers
    /// `size`. A full disk answers DiskFull; some bytes may have been written by then. A
    /// handle without write access answers AccessDenied. Writing 0 bytes changes nothing.
    Result<std::size_t> Write(const void* buffer, std::size_t size);

    /// Moves the file position and answers the new one. A position before the start answers
    /// InvalidParameter and leaves the position where it was.
    Result<std::uint64_t> Seek(std::int64_t offset, SeekOrigin origin);

    /// The file's size in bytes as it is now, including other handles' writes.
    Result<std::uint64_t> Size() const;

    /// Cuts or extends (with zero bytes) the file to `length` bytes; the position stays.
    /// Needs write access (AccessDenied otherwise). Answers None on success.
    [[nodiscard]] SystemError Truncate(std::uint64_t length);

    /// Makes the current position the end of the file (Truncate at the position).
    [[nodiscard]] SystemError SetEnd();

    /// Asks the system to put the file's data on the disk. Answers None on success.
    [[nodiscard]] SystemError Flush();

    /// Locks `length` bytes from `offset` for this handle alone, without waiting: when another
    /// handle (of this or any process) holds any of the bytes, or this handle already holds
    /// one of them, the answer is LockViolation and the caller may retry. Locks are not
    /// counted: a second lock of the same bytes by the same handle fails. Bytes beyond the end
    /// of the file may be locked. The last 16 bytes below 2^63 are reserved for the sharing
    /// registration: a range reaching into them is cut short there, and one starting in them,
    /// or a length of 0, answers InvalidParameter. Answers None on success.
    [[nodiscard]] SystemError LockRange(std::uint64_t offset, std::uint64_t length);

    /// Releases a range this handle locked, given exactly as it was locked (after the cut
    /// LockRange makes); anything else answers NotLocked. Answers None on success.
    [[nodiscard]] SystemError UnlockRange(std::uint64_t offset, std::uint64_t length);

private:
    struct Range {
        std::uint64_t offset;
        std::uint64_t length;
    };

    File(int descriptor, bool canRead, bool canWrite, bool descriptorCanRead,
        bool descriptorCanWrite);

    int m_descriptor = -1;
    bool m_canRead = false;
    bool m_canWrite = false;
    // What the descriptor itself allows, which may be more than the handle does: a write-only
    // handle reads through its descriptor to take part in sharing.
    bool m_descriptorCanRead = false;
    bool m_descriptorCanWrite = false;
    std::vector<Range> m_lockedRanges;
};

/// What `path` names, without following a symbolic link that is its last name. Only a look:
/// the answer may be out of date by the time the caller acts on it.
FileKind KindOf(std::string_view path);

/// What `path` names, following symbolic links to what they point to: never SymbolicLink; a
/// dangling link or a loop of links is Missing. Only a look, as KindOf.
FileKind KindOfTarget(std::string_view path);

/// Deletes a file. A missing file answers FileNotFound (PathNotFound when its directory is
/// missing), a directory AccessDenied, a file some File holds open SharingViolation.
[[nodiscard]] SystemError DeleteFile(std::string_view path);

/// Renames or moves a file, across file systems too. An existing target answers FileExists
/// and is left alone; a source some File holds open answers SharingViolation. Answers None on
/// success.
[[nodiscard]] SystemError RenameFile(std::string_view from, std::string_view to);

/// What CopyFile does about a target that is already there.
enum class IfTargetExists {
    Fail, ///< answer FileExists and leave the target alone
    Replace,
};

/// Copies a file's contents to `to`, made anew or replaced as `ifExists` says. The source is read
/// with deny-write sharing and the target held deny-all while copying, so either being in
/// conflicting use answers SharingViolation. When the copying itself fails (a full disk), the
/// half-written target is removed. Answers None on success. A target made anew gets the default
/// permissions of a new file.
[[nodiscard]] SystemError CopyFile(
    std::string_view from, std::string_view to, IfTargetExists ifExists);

} // namespace platform
