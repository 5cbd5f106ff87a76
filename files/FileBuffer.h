#pragma once

#include <files/FileSystem.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace files {

/// A view of cached bytes: `size` valid bytes at `data`, the first of them at the file offset
/// asked for. `size` is 0 at and beyond the end of the file.
struct CachedBytes {
    const char* data = nullptr;
    std::size_t size = 0;
};

/// The block cache over one open text file.
///
/// With caching on, reads are served from one block of `Capacity()` bytes while the bytes asked
/// for lie inside it, and writes collect in the block until it is full, another part of the
/// file is wanted or the cache is written back. With caching off every read goes to the file
/// (a whole block is read each time, so a caller scanning forward still sees many bytes per
/// system call) and every write reaches the file at once, so other handles see them.
///
/// The buffer owns the file; the file's own position means nothing to callers, every
/// operation names its offset.
class FileBuffer {
public:
    /// The byte placed right after the last valid byte of a block that ends the file.
    static constexpr char kEndMark = 0x1A;

    /// Takes over `file` with a cache of `capacity` bytes (at least 1). Answers nothing when the
    /// memory cannot be had; `file` is closed then.
    static std::unique_ptr<FileBuffer> Make(
        std::unique_ptr<FileHandle> file, std::size_t capacity, bool caching);

    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;
    ~FileBuffer() = default;

    FileHandle& File() { return *m_file; }
    std::size_t Capacity() const { return m_capacity; }
    bool Caching() const { return m_caching; }
    bool Dirty() const { return m_dirty; }
    /// The system error of the last failed file call, None when there was none.
    platform::SystemError LastError() const { return m_lastError; }

    /// The bytes from file offset `offset` on, at least `wanted` of them unless the file ends
    /// first. Served from the cache when it holds them all; otherwise a dirty cache is written
    /// back and a block is read at `offset`. A failure answers an empty view and sets
    /// LastError (the cache is then stale). The view is good until the next call.
    CachedBytes Get(std::uint64_t offset, std::size_t wanted);

    /// Moves the write position to `offset`. Inside the cached block this only moves the
    /// cursor; elsewhere the cache is written back first. Answers false when that fails.
    bool Seek(std::uint64_t offset);

    /// The file offset the next Put writes at.
    std::uint64_t Position() const { return m_position; }

    /// Writes `size` bytes at the write position and advances it. With caching on the bytes
    /// may stay in the cache until it is written back. Answers false on a failure (LastError).
    bool Put(const char* data, std::size_t size);

    /// Writes a dirty cache to the file. Answers false when the write fails or falls short.
    bool WriteBack();

    /// Writes a dirty cache and asks the system to put the file on the disk.
    bool Flush();

    /// Closes the file without writing the cache back (WriteBack first to keep it). Answers
    /// false when the system reports that the close failed (LastError); the file is closed
    /// either way, and no other call may follow.
    bool Close();

    /// Cuts the file at `offset` (the write position moves there) and resets the cache.
    bool Truncate(std::uint64_t offset);

    /// The file's size: the system's, or the end of unwritten cached bytes beyond it.
    bool Size(std::uint64_t& size);

    /// Writes the cache back, then replaces it with one of `capacity` bytes and caching on or
    /// off; the write position stays. Answers false (and keeps the old cache) when writing
    /// back fails or the memory cannot be had.
    bool Rebuild(std::size_t capacity, bool caching);

private:
    FileBuffer(std::unique_ptr<FileHandle> file, std::unique_ptr<char[]> memory,
        std::size_t capacity, bool caching);

    bool Load(std::uint64_t offset);
    bool Fail(platform::SystemError error);

    std::unique_ptr<FileHandle> m_file;
    std::unique_ptr<char[]> m_memory; // m_capacity bytes and room for the end mark
    std::size_t m_capacity;
    bool m_caching;
    bool m_dirty = false;
    bool m_stale = true;          // the block must be loaded before it is read
    std::uint64_t m_start = 0;    // file offset of the block's first byte
    std::size_t m_valid = 0;      // valid bytes in the block
    std::uint64_t m_position = 0; // file offset of the next Put
    platform::SystemError m_lastError = platform::SystemError::None;
};

} // namespace files
