#pragma once

#include <platform/File.h>
#include <platform/SystemError.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The file system as the file layer sees it. Every open, read, write, flush, close, lock and
// every operation by name that the file layer makes goes through the FileSystem in force, so a
// test can put in one that fails the way a disk does (a disk that fills half-way through a
// write, a flush or a close that reports an error, a file someone else holds) and watch what
// the program answers.
//
// The real file system hands each call to platform::File and the platform's path functions.
// What it costs: one virtual call per operation on an open file, and one load of the file
// system in force per open or per operation by name.

namespace files {

/// An open file, as platform::File describes it. Destroying a handle closes it and drops what
/// the close reports; call Close to hear it.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    virtual ~FileHandle() = default;

    /// Reads up to `size` bytes at the file position; fewer only at the end of the file.
    virtual platform::Result<std::size_t> Read(void* buffer, std::size_t size) = 0;
    /// Writes all `size` bytes at the file position. A full disk answers DiskFull, possibly
    /// after some of the bytes were written.
    virtual platform::Result<std::size_t> Write(const void* buffer, std::size_t size) = 0;
    /// Moves the file position and answers the new one.
    virtual platform::Result<std::uint64_t> Seek(std::int64_t offset, platform::SeekOrigin origin)
        = 0;
    /// The file's size as it is now, other handles' writes included.
    virtual platform::Result<std::uint64_t> Size() = 0;
    /// Cuts or extends the file to `length` bytes.
    [[nodiscard]] virtual platform::SystemError Truncate(std::uint64_t length) = 0;
    /// Asks the system to put the file's data on the disk.
    [[nodiscard]] virtual platform::SystemError Flush() = 0;
    /// Locks a byte range for this handle alone, without waiting (LockViolation when held).
    [[nodiscard]] virtual platform::SystemError LockRange(
        std::uint64_t offset, std::uint64_t length)
        = 0;
    /// Releases a range this handle locked.
    [[nodiscard]] virtual platform::SystemError UnlockRange(
        std::uint64_t offset, std::uint64_t length)
        = 0;
    /// Closes the file and answers what the close reported: data the system still held may
    /// not have reached the disk when the answer is not None. The file is closed either way;
    /// closing a closed handle answers None.
    [[nodiscard]] virtual platform::SystemError Close() = 0;
};

/// Where files are opened, made, removed, renamed and copied, and names made full paths.
class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual ~FileSystem() = default;

    /// As platform::File::Open, `link` included.
    virtual platform::Result<std::unique_ptr<FileHandle>> Open(std::string_view path,
        std::uint32_t accessMode,
        platform::Disposition disposition = platform::Disposition::OpenExisting,
        platform::FinalLink link = platform::FinalLink::Follow)
        = 0;
    /// As platform::File::Create: made anew, empty, held with deny-all sharing while open.
    virtual platform::Result<std::unique_ptr<FileHandle>> Create(
        std::string_view path, platform::FinalLink link = platform::FinalLink::Follow)
        = 0;
    /// As platform::DeleteFile.
    [[nodiscard]] virtual platform::SystemError Delete(std::string_view path) = 0;
    /// As platform::RenameFile.
    [[nodiscard]] virtual platform::SystemError Rename(std::string_view from, std::string_view to)
        = 0;
    /// As platform::CopyFile.
    [[nodiscard]] virtual platform::SystemError Copy(
        std::string_view from, std::string_view to, platform::IfTargetExists ifExists)
        = 0;
    /// As platform::FullPath.
    virtual platform::Result<std::string> FullPath(std::string_view path) = 0;
};

/// The operating system's own file system, alive for the program's run.
FileSystem& RealFileSystem();

/// The file system in force: the real one unless a FileSystemScope put another in.
FileSystem& CurrentFileSystem();

/// Puts `fileSystem` in force for the scope's life and the one before it back at its end.
/// Meant for tests: files opened meanwhile keep the file system that opened them, so
/// `fileSystem` must outlive them, and scopes end in the reverse order of their start.
class FileSystemScope {
public:
    explicit FileSystemScope(FileSystem& fileSystem);
    FileSystemScope(const FileSystemScope&) = delete;
    FileSystemScope& operator=(const FileSystemScope&) = delete;
    ~FileSystemScope();

private:
    FileSystem* m_previous;
};

} // namespace files
