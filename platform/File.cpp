#include "File.h"

#include "ErrnoMapping.h"
#include "LastError.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>
#include <string>
#include <utility>

// How sharing works. Every open takes one-byte shared (read) locks, owned by its open file
// description, on bytes reserved at the very top of the lock space: one that says "opened",
// one per access it holds and one per access it denies. Two opens of one file, even in one
// process, have two descriptions and so see each other's locks. A new open registers first and
// then asks, for each byte that matters to it, whether another description holds a lock there
// (F_OFD_GETLK reports one when asked for an exclusive lock). Registering before looking means
// two conflicting opens racing each other can never both succeed. Opens that can write also
// hold an exclusive lock on a "meta" byte around the two steps, which orders them so that
// exactly the later of two conflicting opens fails, as on Windows. A descriptor without write
// access cannot take that lock: its opens still register and look, and in a race with another
// conflicting open both may fail, which is safe and rare.
//
// The kernel drops a description's locks when its last descriptor closes, so a process that
// dies, however it dies, leaves nothing registered.

namespace platform {

namespace {

/// Records a failure as the calling thread's last system error and answers it.
SystemError Noted(SystemError error)
{
    SetLastSystemError(error);
    return error;
}

constexpr off_t kLastOffset = std::numeric_limits<off_t>::max();
constexpr off_t kReservedBase = kLastOffset - 15;

enum class ReservedByte : off_t {
    Meta = 0,
    Opened = 1,
    HoldsRead = 2,
    HoldsWrite = 3,
    DeniesRead = 4,
    DeniesWrite = 5,
};

constexpr off_t Offset(ReservedByte byte)
{
    return kReservedBase + static_cast<off_t>(byte);
}

struct Sharing {
    bool deniesRead;
    bool deniesWrite;
};

Sharing SharingFromMode(std::uint32_t accessMode)
{
    switch ((accessMode >> 4) & 0x7) {
    case 0x0: // compatible
    case 0x4: // deny none
        return { false, false };
    case 0x2:
        return { false, true };
    case 0x3:
        return { true, false };
    default: // 0x1 deny all, and every value without a meaning of its own
        return { true, true };
    }
}

struct flock MakeLock(short type, off_t start, off_t length)
{
    struct flock lock { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    lock.l_pid = 0; // required for open-file-description locks
    return lock;
}

int SetLock(int descriptor, short type, off_t start, off_t length, bool wait)
{
    struct flock lock = MakeLock(type, start, length);
    int result;
    do
        result = ::fcntl(descriptor, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

// Whether a description other than this one holds a lock on any of the bytes. Answers the
// errno when the question itself fails.
int OtherHolds(int descriptor, off_t start, off_t length, bool& held)
{
    struct flock lock = MakeLock(F_WRLCK, start, length);
    if (::fcntl(descriptor, F_OFD_GETLK, &lock) != 0)
        return errno;
    held = lock.l_type != F_UNLCK;
    return 0;
}

bool IsLockConflict(int error)
{
    return error == EAGAIN || error == EACCES;
}

// What one open holds and denies; the sharing registration says it with lock bytes.
struct Registration {
    bool reads;
    bool writes;
    bool deniesRead;
    bool deniesWrite;
};

SystemError TakeRegistration(int descriptor, const Registration& open)
{
    const std::array<std::pair<ReservedByte, bool>, 5> bytes { {
        { ReservedByte::Opened, true },
        { ReservedByte::HoldsRead, open.reads },
        { ReservedByte::HoldsWrite, open.writes },
        { ReservedByte::DeniesRead, open.deniesRead },
        { ReservedByte::DeniesWrite, open.deniesWrite },
    } };
    for (const auto& [byte, wanted] : bytes) {
        if (!wanted)
            continue;
        // Only a lock of some other program's making can stand in the way here.
        if (const int error = SetLock(descriptor, F_RDLCK, Offset(byte), 1, false))
            return Noted(
                IsLockConflict(error) ? SystemError::SharingViolation : ErrorFromErrno(error));
    }
    return SystemError::None;
}

// Windows' rule: the new open's access against the others' sharing, and the new open's
// sharing against the others' access.
SystemError FindConflict(int descriptor, const Registration& open)
{
    const std::array<std::pair<ReservedByte, bool>, 4> checks { {
        { ReservedByte::DeniesRead, open.reads },
        { ReservedByte::DeniesWrite, open.writes },
        { ReservedByte::HoldsRead, open.deniesRead },
        { ReservedByte::HoldsWrite, open.deniesWrite },
    } };
    for (const auto& [byte, relevant] : checks) {
        if (!relevant)
            continue;
        bool held = false;
        if (const int error = OtherHolds(descriptor, Offset(byte), 1, held))
            return Noted(ErrorFromErrno(error));
        if (held)
            return Noted(SystemError::SharingViolation);
    }
    return SystemError::None;
}

// Registers, then looks: see the comment at the top of the file. On failure the caller
// closes the descriptor, which drops whatever was taken here.
SystemError Register(
    int descriptor, bool descriptorCanRead, bool descriptorCanWrite, const Registration& open)
{
    if (descriptorCanWrite) {
        if (const int error = SetLock(descriptor, F_WRLCK, Offset(ReservedByte::Meta), 1, true))
            return Noted(ErrorFromErrno(error));
    }
    if (descriptorCanRead) {
        if (const SystemError error = TakeRegistration(descriptor, open);
            error != SystemError::None)
            return error;
    }
    if (const SystemError error = FindConflict(descriptor, open); error != SystemError::None)
        return error;
    if (descriptorCanWrite) {
        if (const int error = SetLock(descriptor, F_UNLCK, Offset(ReservedByte::Meta), 1, false))
            return Noted(ErrorFromErrno(error));
    }
    return SystemError::None;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    int Get() const { return m_descriptor; }
    int Release() { return std::exchange(m_descriptor, -1); }

private:
    int m_descriptor;
};

bool HoldsNul(std::string_view path)
{
    return path.find('\0') != std::string_view::npos;
}

// Whether some File, in any process, has the file open. A file this process cannot open for
// reading is taken as not open: the question is a courtesy, not a guarantee.
bool IsOpenedByAnyFile(const std::string& path)
{
    Descriptor probe(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (probe.Get() < 0)
        return false;
    struct stat status { };
    if (::fstat(probe.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    bool held = false;
    return OtherHolds(probe.Get(), Offset(ReservedByte::Opened), 1, held) == 0 && held;
}

} // namespace

File::File(
    int descriptor, bool canRead, bool canWrite, bool descriptorCanRead, bool descriptorCanWrite)
    : m_descriptor(descriptor)
    , m_canRead(canRead)
    , m_canWrite(canWrite)
    , m_descriptorCanRead(descriptorCanRead)
    , m_descriptorCanWrite(descriptorCanWrite)
{
}

File::File(File&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
    , m_canRead(other.m_canRead)
    , m_canWrite(other.m_canWrite)
    , m_descriptorCanRead(other.m_descriptorCanRead)
    , m_descriptorCanWrite(other.m_descriptorCanWrite)
    , m_lockedRanges(std::move(other.m_lockedRanges))
{
    other.m_lockedRanges.clear();
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_canRead = other.m_canRead;
        m_canWrite = other.m_canWrite;
        m_descriptorCanRead = other.m_descriptorCanRead;
        m_descriptorCanWrite = other.m_descriptorCanWrite;
        m_lockedRanges = std::move(other.m_lockedRanges);
        other.m_lockedRanges.clear();
    }
    return *this;
}

File::~File()
{
    Close();
}

SystemError File::Close()
{
    if (m_descriptor < 0)
        return SystemError::None;
    // Closing the only descriptor of the description drops its locks and registration. Linux
    // releases the descriptor even when close reports an error, so there is nothing to retry;
    // the error is answered all the same, as the last word on data written before.
    const int closed = ::close(m_descriptor);
    const int error = errno;
    m_descriptor = -1;
    m_lockedRanges.clear();
    if (closed != 0 && error != EINTR)
        return Noted(ErrorFromErrno(error));
    return SystemError::None;
}

Result<File> File::Open(
    std::string_view path, std::uint32_t accessMode, Disposition disposition, FinalLink link)
{
    const std::uint32_t access = accessMode & 0x3;
    if (access == 0x3)
        return Noted(SystemError::InvalidParameter);
    if (HoldsNul(path))
        return Noted(SystemError::InvalidName);
    const bool canRead = access != kAccessWrite;
    const bool canWrite = access != kAccessRead;
    const std::string name(path);

    // Look before opening: opening a FIFO could block and opening a device could act on it.
    // A link that is to be refused is looked at itself and left to O_NOFOLLOW below, the one
    // place that refuses it, a link put in place after this look included.
    const bool refuseLink = link == FinalLink::Refuse;
    struct stat status { };
    const int looked = refuseLink ? ::lstat(name.c_str(), &status) : ::stat(name.c_str(), &status);
    if (looked == 0 && !S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
        return Noted(SystemError::AccessDenied);

    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (refuseLink ? O_NOFOLLOW : 0);
    switch (disposition) {
    case Disposition::OpenExisting:
        break;
    case Disposition::OpenAlways:
    case Disposition::CreateAlways:
        flags |= O_CREAT;
        break;
    case Disposition::CreateNew:
        flags |= O_CREAT | O_EXCL;
        break;
    }

    // A write-only handle still needs a readable descriptor to take the shared locks of its
    // registration; when the file cannot be read it falls back to a write-only descriptor.
    // A read-only handle stays read-only: opening for writing has effects of its own (a
    // running program's file refuses it, watchers see a write).
    bool descriptorCanRead = true;
    int descriptor = ::open(name.c_str(), flags | (canWrite ? O_RDWR : O_RDONLY), 0666);
    if (descriptor < 0 && !canRead && (errno == EACCES || errno == EPERM)) {
        descriptor = ::open(name.c_str(), flags | O_WRONLY, 0666);
        descriptorCanRead = false;
    }
    if (descriptor < 0) {
        // With O_NOFOLLOW, a link as the last name answers ELOOP even when O_CREAT is given.
        if (refuseLink && errno == ELOOP)
            return Noted(SystemError::AccessDenied);
        return Noted(ErrorFromErrno(errno, path));
    }
    Descriptor owned(descriptor);

    if (::fstat(descriptor, &status) != 0)
        return Noted(ErrorFromErrno(errno, path));
    if (!S_ISREG(status.st_mode))
        return Noted(SystemError::AccessDenied);
    if (::fcntl(descriptor, F_SETFL, 0) != 0)
        return Noted(ErrorFromErrno(errno, path));

    File file(owned.Release(), canRead, canWrite, descriptorCanRead, canWrite);
    const Sharing sharing = SharingFromMode(accessMode);
    const Registration registration { canRead, canWrite, sharing.deniesRead, sharing.deniesWrite };
    if (const SystemError error
        = Register(file.m_descriptor, descriptorCanRead, canWrite, registration);
        error != SystemError::None)
        return error;
    if (disposition == Disposition::CreateAlways) {
        if (const SystemError error = file.Truncate(0); error != SystemError::None)
            return error;
    }
    return file;
}

Result<File> File::Create(std::string_view path, FinalLink link)
{
    return Open(path, kAccessReadWrite | kShareDenyAll, Disposition::CreateAlways, link);
}

Result<std::size_t> File::Read(void* buffer, std::size_t size)
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    if (!m_canRead)
        return Noted(SystemError::AccessDenied);
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::read(m_descriptor, bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Noted(ErrorFromErrno(errno));
        }
        if (count == 0)
            break;
        done += static_cast<std::size_t>(count);
    }
    return done;
}

Result<std::size_t> File::Write(const void* buffer, std::size_t size)
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    if (!m_canWrite)
        return Noted(SystemError::AccessDenied);
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::write(m_descriptor, bytes + done, size - done);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Noted(ErrorFromErrno(errno));
        }
        if (count == 0)
            return Noted(SystemError::DiskFull); // a regular file accepts nothing only when full
        done += static_cast<std::size_t>(count);
    }
    return done;
}

Result<std::uint64_t> File::Seek(std::int64_t offset, SeekOrigin origin)
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    int whence = SEEK_SET;
    switch (origin) {
    case SeekOrigin::Begin:
        whence = SEEK_SET;
        break;
    case SeekOrigin::Current:
        whence = SEEK_CUR;
        break;
    case SeekOrigin::End:
        whence = SEEK_END;
        break;
    }
    const off_t position = ::lseek(m_descriptor, static_cast<off_t>(offset), whence);
    if (position < 0)
        return Noted(ErrorFromErrno(errno));
    return static_cast<std::uint64_t>(position);
}

Result<std::uint64_t> File::Size() const
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    struct stat status { };
    if (::fstat(m_descriptor, &status) != 0)
        return Noted(ErrorFromErrno(errno));
    return static_cast<std::uint64_t>(status.st_size);
}

SystemError File::Truncate(std::uint64_t length)
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    if (!m_canWrite)
        return Noted(SystemError::AccessDenied);
    int result;
    do
        result = ::ftruncate(m_descriptor, static_cast<off_t>(length));
    while (result != 0 && errno == EINTR);
    return result == 0 ? SystemError::None : ErrorFromErrno(errno);
}

SystemError File::SetEnd()
{
    const Result<std::uint64_t> position = Seek(0, SeekOrigin::Current);
    if (!position)
        return position.Error();
    return Truncate(*position);
}

SystemError File::Flush()
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    return ::fsync(m_descriptor) == 0 ? SystemError::None : ErrorFromErrno(errno);
}

SystemError File::LockRange(std::uint64_t offset, std::uint64_t length)
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    const auto reserved = static_cast<std::uint64_t>(kReservedBase);
    if (length == 0 || offset >= reserved)
        return Noted(SystemError::InvalidParameter);
    length = std::min(length, reserved - offset);
    const bool overlapsOwn
        = std::any_of(m_lockedRanges.begin(), m_lockedRanges.end(), [&](const Range& held) {
              return offset < held.offset + held.length && held.offset < offset + length;
          });
    if (overlapsOwn)
        return Noted(SystemError::LockViolation);

    const auto start = static_cast<off_t>(offset);
    const auto size = static_cast<off_t>(length);
    if (m_descriptorCanWrite) {
        if (const int error = SetLock(m_descriptor, F_WRLCK, start, size, false))
            return Noted(
                IsLockConflict(error) ? SystemError::LockViolation : ErrorFromErrno(error));
    } else {
        // A read-only descriptor cannot take an exclusive lock. A shared one keeps every
        // exclusive locker out; other shared lockers are found by looking after taking it, as
        // the sharing registration does.
        if (const int error = SetLock(m_descriptor, F_RDLCK, start, size, false))
            return Noted(
                IsLockConflict(error) ? SystemError::LockViolation : ErrorFromErrno(error));
        bool held = false;
        const int error = OtherHolds(m_descriptor, start, size, held);
        if (error != 0 || held) {
            SetLock(m_descriptor, F_UNLCK, start, size, false);
            return Noted(error != 0 ? ErrorFromErrno(error) : SystemError::LockViolation);
        }
    }
    m_lockedRanges.push_back({ offset, length });
    return SystemError::None;
}

SystemError File::UnlockRange(std::uint64_t offset, std::uint64_t length)
{
    if (m_descriptor < 0)
        return Noted(SystemError::InvalidHandle);
    const auto reserved = static_cast<std::uint64_t>(kReservedBase);
    if (offset < reserved)
        length = std::min(length, reserved - offset);
    const auto held = std::find_if(m_lockedRanges.begin(), m_lockedRanges.end(),
        [&](const Range& range) { return range.offset == offset && range.length == length; });
    if (held == m_lockedRanges.end())
        return Noted(SystemError::NotLocked);
    if (const int error = SetLock(
            m_descriptor, F_UNLCK, static_cast<off_t>(offset), static_cast<off_t>(length), false))
        return Noted(ErrorFromErrno(error));
    m_lockedRanges.erase(held);
    return SystemError::None;
}

FileKind KindOf(std::string_view path)
{
    if (HoldsNul(path))
        return FileKind::Missing;
    struct stat status { };
    if (::lstat(std::string(path).c_str(), &status) != 0)
        return FileKind::Missing;
    if (S_ISREG(status.st_mode))
        return FileKind::Regular;
    if (S_ISDIR(status.st_mode))
        return FileKind::Directory;
    if (S_ISLNK(status.st_mode))
        return FileKind::SymbolicLink;
    return FileKind::Other;
}

FileKind KindOfTarget(std::string_view path)
{
    if (HoldsNul(path))
        return FileKind::Missing;
    struct stat status { };
    if (::stat(std::string(path).c_str(), &status) != 0)
        return FileKind::Missing;
    if (S_ISREG(status.st_mode))
        return FileKind::Regular;
    if (S_ISDIR(status.st_mode))
        return FileKind::Directory;
    return FileKind::Other;
}

SystemError DeleteFile(std::string_view path)
{
    if (HoldsNul(path))
        return Noted(SystemError::InvalidName);
    const std::string name(path);
    if (IsOpenedByAnyFile(name))
        return Noted(SystemError::SharingViolation);
    if (::unlink(name.c_str()) != 0)
        return Noted(ErrorFromErrno(errno, path));
    return SystemError::None;
}

namespace {

SystemError CopyContents(File& source, File& target)
{
    std::array<char, std::size_t { 64 } * 1024> buffer;
    for (;;) {
        const Result<std::size_t> count = source.Read(buffer.data(), buffer.size());
        if (!count)
            return count.Error();
        if (*count == 0)
            return SystemError::None;
        if (const Result<std::size_t> written = target.Write(buffer.data(), *count); !written)
            return written.Error();
    }
}

} // namespace

SystemError CopyFile(std::string_view from, std::string_view to, IfTargetExists ifExists)
{
    if (HoldsNul(from) || HoldsNul(to))
        return Noted(SystemError::InvalidName);
    Result<File> source = File::Open(from, kAccessRead | kShareDenyWrite);
    if (!source)
        return source.Error();
    Result<File> target = File::Open(to, kAccessWrite | kShareDenyAll,
        ifExists == IfTargetExists::Fail ? Disposition::CreateNew : Disposition::CreateAlways);
    if (!target)
        return target.Error();
    const SystemError error = CopyContents(*source, *target);
    if (error != SystemError::None) {
        // The target is ours by now (made or emptied): a half copy is worse than none.
        target->Close();
        ::unlink(std::string(to).c_str());
    }
    return error;
}

SystemError RenameFile(std::string_view from, std::string_view to)
{
    if (HoldsNul(from) || HoldsNul(to))
        return Noted(SystemError::InvalidName);
    const std::string source(from);
    const std::string target(to);
    if (IsOpenedByAnyFile(source))
        return Noted(SystemError::SharingViolation);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return SystemError::None;
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system that cannot refuse to replace: look first, then rename.
        struct stat status { };
        if (::lstat(target.c_str(), &status) == 0)
            return Noted(SystemError::FileExists);
        if (::rename(source.c_str(), target.c_str()) == 0)
            return SystemError::None;
        error = errno;
    }
    if (error == EXDEV) {
        // Another file system: copy, then remove the original, as Windows moves do.
        if (const SystemError copied = CopyFile(from, to, IfTargetExists::Fail);
            copied != SystemError::None)
            return copied;
        if (::unlink(source.c_str()) != 0) {
            const SystemError removed = ErrorFromErrno(errno, from);
            ::unlink(target.c_str());
            return removed;
        }
        return SystemError::None;
    }
    if (error == ENOENT) {
        // Either the source is missing or the target's directory is.
        struct stat status { };
        if (::lstat(source.c_str(), &status) == 0)
            return Noted(SystemError::PathNotFound);
        return Noted(ErrorFromErrno(error, from));
    }
    return Noted(ErrorFromErrno(error, from));
}

} // namespace platform
