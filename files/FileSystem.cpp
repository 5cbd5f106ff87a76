#include "FileSystem.h"

#include <platform/Path.h>

#include <atomic>
#include <utility>

namespace files {

namespace {

/// A platform::File behind the handle interface.
class RealFileHandle final : public FileHandle {
public:
    explicit RealFileHandle(platform::File file)
        : m_file(std::move(file))
    {
    }

    platform::Result<std::size_t> Read(void* buffer, std::size_t size) override
    {
        return m_file.Read(buffer, size);
    }
    platform::Result<std::size_t> Write(const void* buffer, std::size_t size) override
    {
        return m_file.Write(buffer, size);
    }
    platform::Result<std::uint64_t> Seek(std::int64_t offset, platform::SeekOrigin origin) override
    {
        return m_file.Seek(offset, origin);
    }
    platform::Result<std::uint64_t> Size() override { return m_file.Size(); }
    platform::SystemError Truncate(std::uint64_t length) override
    {
        return m_file.Truncate(length);
    }
    platform::SystemError Flush() override { return m_file.Flush(); }
    platform::SystemError LockRange(std::uint64_t offset, std::uint64_t length) override
    {
        return m_file.LockRange(offset, length);
    }
    platform::SystemError UnlockRange(std::uint64_t offset, std::uint64_t length) override
    {
        return m_file.UnlockRange(offset, length);
    }
    platform::SystemError Close() override { return m_file.Close(); }

private:
    platform::File m_file;
};

platform::Result<std::unique_ptr<FileHandle>> Handle(platform::Result<platform::File> opened)
{
    if (!opened)
        return opened.Error();
    return std::unique_ptr<FileHandle>(std::make_unique<RealFileHandle>(std::move(*opened)));
}

class RealFiles final : public FileSystem {
public:
    platform::Result<std::unique_ptr<FileHandle>> Open(std::string_view path,
        std::uint32_t accessMode, platform::Disposition disposition,
        platform::FinalLink link) override
    {
        return Handle(platform::File::Open(path, accessMode, disposition, link));
    }
    platform::Result<std::unique_ptr<FileHandle>> Create(
        std::string_view path, platform::FinalLink link) override
    {
        return Handle(platform::File::Create(path, link));
    }
    platform::SystemError Delete(std::string_view path) override
    {
        return platform::DeleteFile(path);
    }
    platform::SystemError Rename(std::string_view from, std::string_view to) override
    {
        return platform::RenameFile(from, to);
    }
    platform::SystemError Copy(
        std::string_view from, std::string_view to, platform::IfTargetExists ifExists) override
    {
        return platform::CopyFile(from, to, ifExists);
    }
    platform::Result<std::string> FullPath(std::string_view path) override
    {
        return platform::FullPath(path);
    }
};

RealFiles g_realFiles;
// Read by every thread that opens a file; changed only by a test between the steps it drives.
std::atomic<FileSystem*> g_current { &g_realFiles };

} // namespace

FileSystem& RealFileSystem()
{
    return g_realFiles;
}

FileSystem& CurrentFileSystem()
{
    return *g_current.load(std::memory_order_acquire);
}

FileSystemScope::FileSystemScope(FileSystem& fileSystem)
    : m_previous(g_current.exchange(&fileSystem, std::memory_order_acq_rel))
{
}

FileSystemScope::~FileSystemScope()
{
    g_current.store(m_previous, std::memory_order_release);
}

} // namespace files
