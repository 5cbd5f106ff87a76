#pragma once

#include <files/FileSystem.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// A file system for tests that passes every call to the one below it until a call a test armed
// a fault for comes: that call then fails with the error the test chose, the way a disk fails.
// Put it in force with a FileSystemScope:
//
//     files::FaultInjectingFileSystem faults;
//     faults.Arm(files::Fault(files::FaultPoint::Write, platform::SystemError::DiskFull)
//                    .FromThenOn());
//     const files::FileSystemScope scope(faults);
//
// A struck fault records its error as the thread's last system error, as the platform does for
// a failing system call, so the error state the runtime posts names it.
//
// Built only with the tests (library files_fault_injection).

namespace files {

/// The calls a fault can strike.
enum class FaultPoint : std::uint8_t {
    Open,     ///< Open and Create: nothing is opened, made or emptied
    Read,     ///< nothing is read
    Write,    ///< Fault::bytesWritten of the bytes reach the file, then the write fails
    Truncate, ///< the size stays
    Flush,    ///< nothing more reaches the disk
    Lock,     ///< LockRange: nothing is locked
    Close,    ///< the file is closed all the same, as a close that reports an error does
};

/// Whether a fault strikes once or stays, as a full disk stays full.
enum class FaultRepeat : std::uint8_t { Once, FromThenOn };

/// One fault to arm: `Fault(FaultPoint::Write, SystemError::DiskFull).Nth(2).FromThenOn()`.
struct Fault {
    /// The next call at `where` fails with `answer`, once.
    Fault(FaultPoint where, platform::SystemError answer)
        : point(where)
        , error(answer)
    {
    }
    /// The `n`th call it matches, counted from when it was armed (1: the next), fails instead.
    Fault& Nth(std::uint32_t n)
    {
        nth = n;
        return *this;
    }
    /// The call fails and every one it matches after it, as a full disk stays full.
    Fault& FromThenOn()
    {
        repeat = FaultRepeat::FromThenOn;
        return *this;
    }
    /// A failing write puts the first `bytes` it was given into the file before it fails.
    Fault& WritingFirst(std::size_t bytes)
    {
        bytesWritten = bytes;
        return *this;
    }
    /// Only calls on files whose path ends with `ending` count and fail.
    Fault& OnlyFor(std::string_view ending)
    {
        pathEnding = ending;
        return *this;
    }

    FaultPoint point;
    platform::SystemError error;
    std::uint32_t nth = 1;
    FaultRepeat repeat = FaultRepeat::Once;
    std::size_t bytesWritten = 0;
    std::string pathEnding; ///< empty: any file
};

class FaultInjectingFileSystem final : public FileSystem {
public:
    /// Passes calls to `below`, which must outlive this file system's handles.
    explicit FaultInjectingFileSystem(FileSystem& below = RealFileSystem());
    ~FaultInjectingFileSystem() override;

    /// Arms `fault`; faults armed earlier stay armed. Thread-safe.
    void Arm(Fault fault);
    /// Disarms every fault.
    void Disarm();
    /// How many calls faults struck so far.
    std::uint32_t Struck() const;

    platform::Result<std::unique_ptr<FileHandle>> Open(std::string_view path,
        std::uint32_t accessMode, platform::Disposition disposition,
        platform::FinalLink link = platform::FinalLink::Follow) override;
    platform::Result<std::unique_ptr<FileHandle>> Create(
        std::string_view path, platform::FinalLink link = platform::FinalLink::Follow) override;
    platform::SystemError Delete(std::string_view path) override;
    platform::SystemError Rename(std::string_view from, std::string_view to) override;
    platform::SystemError Copy(
        std::string_view from, std::string_view to, platform::IfTargetExists ifExists) override;
    platform::Result<std::string> FullPath(std::string_view path) override;

    /// The armed faults and their counts, shared with the handles this file system opened so
    /// that a handle may outlive it.
    class Faults;

private:
    FileSystem& m_below;
    std::shared_ptr<Faults> m_faults;
};

} // namespace files
