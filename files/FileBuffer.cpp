#include "FileBuffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace files {

using platform::SeekOrigin;
using platform::SystemError;

namespace {

std::unique_ptr<char[]> Allocate(std::size_t capacity)
{
    // One byte more for the end mark. Left uninitialised: a large cache costs nothing until
    // used.
    return std::unique_ptr<char[]>(new (std::nothrow) char[capacity + 1]);
}

bool SeekTo(FileHandle& file, std::uint64_t offset, SystemError& error)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        error = SystemError::InvalidParameter;
        return false;
    }
    const auto moved = file.Seek(static_cast<std::int64_t>(offset), SeekOrigin::Begin);
    if (!moved) {
        error = moved.Error();
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<FileBuffer> FileBuffer::Make(
    std::unique_ptr<FileHandle> file, std::size_t capacity, bool caching)
{
    capacity = std::max<std::size_t>(capacity, 1);
    auto memory = Allocate(capacity);
    if (!memory)
        return nullptr;
    return std::unique_ptr<FileBuffer>(
        new FileBuffer(std::move(file), std::move(memory), capacity, caching));
}

FileBuffer::FileBuffer(std::unique_ptr<FileHandle> file, std::unique_ptr<char[]> memory,
    std::size_t capacity, bool caching)
    : m_file(std::move(file))
    , m_memory(std::move(memory))
    , m_capacity(capacity)
    , m_caching(caching)
{
}

bool FileBuffer::Fail(SystemError error)
{
    m_lastError = error;
    return false;
}

bool FileBuffer::Load(std::uint64_t offset)
{
    m_stale = true;
    m_valid = 0;
    m_start = offset;
    SystemError error = SystemError::None;
    if (!SeekTo(*m_file, offset, error))
        return Fail(error);
    const auto count = m_file->Read(m_memory.get(), m_capacity);
    if (!count)
        return Fail(count.Error());
    m_valid = *count;
    if (m_valid < m_capacity)
        m_memory[m_valid] = kEndMark;
    m_stale = false;
    return true;
}

CachedBytes FileBuffer::Get(std::uint64_t offset, std::size_t wanted)
{
    m_lastError = SystemError::None;
    wanted = std::max<std::size_t>(wanted, 1);
    const bool cached = m_caching && !m_stale && offset >= m_start && offset - m_start <= m_valid
        && m_valid - (offset - m_start) >= wanted;
    if (!cached) {
        if (!WriteBack() || !Load(offset))
            return {};
    }
    const auto skip = static_cast<std::size_t>(offset - m_start);
    if (skip >= m_valid)
        return {};
    return { m_memory.get() + skip, m_valid - skip };
}

bool FileBuffer::Seek(std::uint64_t offset)
{
    const bool inside = !m_stale && offset >= m_start && offset - m_start <= m_valid;
    if (!inside && m_dirty) {
        if (!WriteBack())
            return false;
        m_stale = true;
    }
    m_position = offset;
    return true;
}

bool FileBuffer::Put(const char* data, std::size_t size)
{
    if (size == 0)
        return true;
    if (!m_caching) {
        SystemError error = SystemError::None;
        if (!SeekTo(*m_file, m_position, error))
            return Fail(error);
        const auto written = m_file->Write(data, size);
        if (!written)
            return Fail(written.Error());
        m_position += size;
        return true;
    }
    const bool inside = !m_stale && m_position >= m_start && m_position - m_start <= m_valid;
    if (!inside || m_position - m_start + size > m_capacity) {
        // Restart the block at the write position.
        if (!WriteBack())
            return false;
        m_start = m_position;
        m_valid = 0;
        m_stale = false;
    }
    if (size > m_capacity) {
        // Larger than any block: straight to the file, the empty block following it.
        SystemError error = SystemError::None;
        if (!SeekTo(*m_file, m_position, error))
            return Fail(error);
        const auto written = m_file->Write(data, size);
        if (!written)
            return Fail(written.Error());
        m_position += size;
        m_start = m_position;
        return true;
    }
    const auto cursor = static_cast<std::size_t>(m_position - m_start);
    std::memcpy(m_memory.get() + cursor, data, size);
    m_dirty = true;
    m_position += size;
    m_valid = std::max(m_valid, cursor + size);
    if (m_valid < m_capacity)
        m_memory[m_valid] = kEndMark;
    return true;
}

bool FileBuffer::WriteBack()
{
    if (!m_dirty)
        return true;
    SystemError error = SystemError::None;
    if (!SeekTo(*m_file, m_start, error))
        return Fail(error);
    const auto written = m_file->Write(m_memory.get(), m_valid);
    if (!written)
        return Fail(written.Error());
    m_dirty = false;
    return true;
}

bool FileBuffer::Flush()
{
    if (!WriteBack())
        return false;
    if (const SystemError error = m_file->Flush(); error != SystemError::None)
        return Fail(error);
    return true;
}

bool FileBuffer::Close()
{
    m_dirty = false;
    m_stale = true;
    if (const SystemError error = m_file->Close(); error != SystemError::None)
        return Fail(error);
    return true;
}

bool FileBuffer::Truncate(std::uint64_t offset)
{
    if (!WriteBack())
        return false;
    m_stale = true;
    m_valid = 0;
    m_start = offset;
    m_position = offset;
    if (const SystemError error = m_file->Truncate(offset); error != SystemError::None)
        return Fail(error);
    return true;
}

bool FileBuffer::Size(std::uint64_t& size)
{
    const auto systemSize = m_file->Size();
    if (!systemSize)
        return Fail(systemSize.Error());
    size = *systemSize;
    if (m_dirty)
        size = std::max<std::uint64_t>(size, m_start + m_valid);
    return true;
}

bool FileBuffer::Rebuild(std::size_t capacity, bool caching)
{
    capacity = std::max<std::size_t>(capacity, 1);
    if (!WriteBack())
        return false;
    if (capacity != m_capacity) {
        auto memory = Allocate(capacity);
        if (!memory)
            return Fail(SystemError::NotEnoughMemory);
        m_memory = std::move(memory);
        m_capacity = capacity;
    }
    m_caching = caching;
    m_stale = true;
    m_valid = 0;
    m_start = m_position;
    return true;
}

} // namespace files
