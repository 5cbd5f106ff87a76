#include "FaultInjectingFileSystem.h"

#include <platform/LastError.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace files {

using platform::SystemError;

class FaultInjectingFileSystem::Faults {
public:
    void Arm(Fault fault)
    {
        const std::lock_guard lock(m_mutex);
        m_armed.push_back(Armed { std::move(fault), 0 });
    }

    void Disarm()
    {
        const std::lock_guard lock(m_mutex);
        m_armed.clear();
    }

    std::uint32_t Struck() const
    {
        const std::lock_guard lock(m_mutex);
        return m_struck;
    }

    /// Counts a call of `point` on `path` and answers the fault that strikes it, if one does.
    /// A struck fault's error becomes the thread's last system error.
    std::optional<Fault> Strike(FaultPoint point, std::string_view path)
    {
        const std::lock_guard lock(m_mutex);
        std::optional<Fault> struck;
        // Every matching fault counts the call; the first that strikes answers it.
        for (std::size_t i = 0; i < m_armed.size();) {
            Armed& armed = m_armed[i];
            const Fault& fault = armed.fault;
            if (fault.point != point || !path.ends_with(fault.pathEnding)) {
                ++i;
                continue;
            }
            ++armed.seen;
            const bool strikes = armed.seen == fault.nth
                || (fault.repeat == FaultRepeat::FromThenOn && armed.seen > fault.nth);
            if (!strikes || struck) {
                ++i;
                continue;
            }
            struck = fault;
            if (fault.repeat == FaultRepeat::Once)
                m_armed.erase(m_armed.begin() + static_cast<std::ptrdiff_t>(i));
            else
                ++i;
        }
        if (struck) {
            ++m_struck;
            platform::SetLastSystemError(struck->error);
        }
        return struck;
    }

private:
    struct Armed {
        Fault fault;
        std::uint32_t seen;
    };

    mutable std::mutex m_mutex;
    std::vector<Armed> m_armed;
    std::uint32_t m_struck = 0;
};

namespace {

using Faults = FaultInjectingFileSystem::Faults;

class FaultInjectingHandle final : public FileHandle {
public:
    FaultInjectingHandle(
        std::shared_ptr<Faults> faults, std::string path, std::unique_ptr<FileHandle> below)
        : m_faults(std::move(faults))
        , m_path(std::move(path))
        , m_below(std::move(below))
    {
    }

    platform::Result<std::size_t> Read(void* buffer, std::size_t size) override
    {
        if (const auto fault = m_faults->Strike(FaultPoint::Read, m_path))
            return fault->error;
        return m_below->Read(buffer, size);
    }

    platform::Result<std::size_t> Write(const void* buffer, std::size_t size) override
    {
        const auto fault = m_faults->Strike(FaultPoint::Write, m_path);
        if (!fault)
            return m_below->Write(buffer, size);
        if (const std::size_t part = std::min(fault->bytesWritten, size); part > 0) {
            static_cast<void>(m_below->Write(buffer, part));
            platform::SetLastSystemError(fault->error);
        }
        return fault->error;
    }

    platform::Result<std::uint64_t> Seek(std::int64_t offset, platform::SeekOrigin origin) override
    {
        return m_below->Seek(offset, origin);
    }

    platform::Result<std::uint64_t> Size() override { return m_below->Size(); }

    SystemError Truncate(std::uint64_t length) override
    {
        if (const auto fault = m_faults->Strike(FaultPoint::Truncate, m_path))
            return fault->error;
        return m_below->Truncate(length);
    }

    SystemError Flush() override
    {
        if (const auto fault = m_faults->Strike(FaultPoint::Flush, m_path))
            return fault->error;
        return m_below->Flush();
    }

    SystemError LockRange(std::uint64_t offset, std::uint64_t length) override
    {
        if (const auto fault = m_faults->Strike(FaultPoint::Lock, m_path))
            return fault->error;
        return m_below->LockRange(offset, length);
    }

    SystemError UnlockRange(std::uint64_t offset, std::uint64_t length) override
    {
        return m_below->UnlockRange(offset, length);
    }

    SystemError Close() override
    {
        const SystemError closed = m_below->Close();
        if (const auto fault = m_faults->Strike(FaultPoint::Close, m_path))
            return fault->error;
        return closed;
    }

private:
    std::shared_ptr<Faults> m_faults;
    std::string m_path;
    std::unique_ptr<FileHandle> m_below;
};

} // namespace

FaultInjectingFileSystem::FaultInjectingFileSystem(FileSystem& below)
    : m_below(below)
    , m_faults(std::make_shared<Faults>())
{
}

FaultInjectingFileSystem::~FaultInjectingFileSystem() = default;

void FaultInjectingFileSystem::Arm(Fault fault)
{
    m_faults->Arm(std::move(fault));
}

void FaultInjectingFileSystem::Disarm()
{
    m_faults->Disarm();
}

std::uint32_t FaultInjectingFileSystem::Struck() const
{
    return m_faults->Struck();
}

platform::Result<std::unique_ptr<FileHandle>> FaultInjectingFileSystem::Open(std::string_view path,
    std::uint32_t accessMode, platform::Disposition disposition, platform::FinalLink link)
{
    if (const auto fault = m_faults->Strike(FaultPoint::Open, path))
        return fault->error;
    auto opened = m_below.Open(path, accessMode, disposition, link);
    if (!opened)
        return opened.Error();
    return std::unique_ptr<FileHandle>(
        std::make_unique<FaultInjectingHandle>(m_faults, std::string(path), std::move(*opened)));
}

platform::Result<std::unique_ptr<FileHandle>> FaultInjectingFileSystem::Create(
    std::string_view path, platform::FinalLink link)
{
    if (const auto fault = m_faults->Strike(FaultPoint::Open, path))
        return fault->error;
    auto made = m_below.Create(path, link);
    if (!made)
        return made.Error();
    return std::unique_ptr<FileHandle>(
        std::make_unique<FaultInjectingHandle>(m_faults, std::string(path), std::move(*made)));
}

SystemError FaultInjectingFileSystem::Delete(std::string_view path)
{
    return m_below.Delete(path);
}

SystemError FaultInjectingFileSystem::Rename(std::string_view from, std::string_view to)
{
    return m_below.Rename(from, to);
}

SystemError FaultInjectingFileSystem::Copy(
    std::string_view from, std::string_view to, platform::IfTargetExists ifExists)
{
    return m_below.Copy(from, to, ifExists);
}

platform::Result<std::string> FaultInjectingFileSystem::FullPath(std::string_view path)
{
    return m_below.FullPath(path);
}

} // namespace files
