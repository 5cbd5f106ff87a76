#pragma once

// Helpers for tests that put hostile things where the program looks: a watchdog that turns an
// open waiting on a FIFO into a failure, and directory trees deeper than a path may be long.

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

/// Fails the test when its scope lasts ten seconds, and then opens the FIFO at `path` from the
/// other end, so that an open waiting on it ends: the test fails rather than hangs.
class FifoWatchdog {
public:
    explicit FifoWatchdog(std::string path)
        : m_path(std::move(path))
        , m_thread([this] { Watch(); })
    {
    }
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;
    ~FifoWatchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_over = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

private:
    void Watch()
    {
        std::unique_lock lock(m_mutex);
        if (m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_over; }))
            return;
        ADD_FAILURE() << "waited on " << m_path;
        // Both ends at once: whichever end the waiting open wants is there now.
        const int other = ::open(m_path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (other >= 0)
            ::close(other);
    }

    std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_over = false;
    std::thread m_thread;
};

/// A chain of `depth` directories, each named `name`, made under `base` one level at a time
/// with mkdirat and openat, so that its path may be longer than the system lets one call take
/// (4,096 bytes). Removed, innermost first, at the end of the scope.
class DeepDirectory {
public:
    DeepDirectory(const std::string& base, std::string name, std::size_t depth)
        : m_name(std::move(name))
    {
        int at = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (std::size_t level = 0; at >= 0 && level < depth; ++level) {
            if (::mkdirat(at, m_name.c_str(), 0755) != 0)
                break;
            const int next = ::openat(at, m_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(at);
            at = next;
            ++m_depth;
            m_path += "/" + m_name;
        }
        m_innermost = at;
        m_path = base + m_path;
    }
    DeepDirectory(const DeepDirectory&) = delete;
    DeepDirectory& operator=(const DeepDirectory&) = delete;
    ~DeepDirectory()
    {
        if (m_innermost < 0)
            return;
        // From the innermost up: empty each level (plain files only), then remove it.
        int at = m_innermost;
        for (std::size_t level = 0; level < m_depth && at >= 0; ++level) {
            EmptyDirectory(at);
            const int parent = ::openat(at, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(at);
            at = parent;
            if (at >= 0)
                ::unlinkat(at, m_name.c_str(), AT_REMOVEDIR);
        }
        if (at >= 0)
            ::close(at);
    }

    /// Whether every level was made.
    bool Made(std::size_t depth) const { return m_depth == depth && m_innermost >= 0; }
    /// The innermost directory, open.
    int Descriptor() const { return m_innermost; }
    /// The innermost directory's path, longer than a system call takes when the chain is deep.
    const std::string& Path() const { return m_path; }

private:
    static void EmptyDirectory(int directory)
    {
        const int listing = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (listing < 0)
            return;
        DIR* entries = ::fdopendir(listing);
        if (entries == nullptr) {
            ::close(listing);
            return;
        }
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(entries)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(entries);
        for (const std::string& name : names)
            ::unlinkat(directory, name.c_str(), 0);
    }

    std::string m_name;
    std::string m_path;
    std::size_t m_depth = 0;
    int m_innermost = -1;
};

/// Makes the directory open at `directory` the current one until the end of the scope, then
/// goes back to the one before, both by descriptor: neither path need fit a system call.
class ScopedCurrentDescriptor {
public:
    explicit ScopedCurrentDescriptor(int directory)
        : m_old(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        EXPECT_EQ(::fchdir(directory), 0);
    }
    ScopedCurrentDescriptor(const ScopedCurrentDescriptor&) = delete;
    ScopedCurrentDescriptor& operator=(const ScopedCurrentDescriptor&) = delete;
    ~ScopedCurrentDescriptor()
    {
        if (m_old >= 0) {
            EXPECT_EQ(::fchdir(m_old), 0);
            ::close(m_old);
        }
    }

private:
    int m_old;
};

} // namespace testsupport
