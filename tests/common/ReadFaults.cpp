#include "ReadFaults.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

namespace {

// Read by every thread on every open and read of the process: the flag first, so that an
// unarmed call costs one atomic load; the rest is set before the flag is raised.
std::atomic<bool> g_armed { false };
std::mutex g_mutex;
std::string g_path;
testsupport::ReadFault g_fault = testsupport::ReadFault::ReadFailsAfter;
std::uint64_t g_allowed = 0;
std::uint64_t g_given = 0;
std::atomic<std::uint32_t> g_struck { 0 };
bool g_released = false;
std::condition_variable g_release;

/// Whether the descriptor names the armed path, as /proc/self/fd says.
bool NamesArmedPath(int descriptor)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    char target[4096];
    const ssize_t length = ::readlink(link, target, sizeof target);
    const std::lock_guard lock(g_mutex);
    return length > 0 && static_cast<std::size_t>(length) == g_path.size()
        && std::memcmp(target, g_path.data(), g_path.size()) == 0;
}

ssize_t SystemRead(int descriptor, void* buffer, std::size_t size)
{
    return static_cast<ssize_t>(::syscall(SYS_read, descriptor, buffer, size));
}

int SystemOpen(const char* path, int flags, mode_t mode)
{
    return static_cast<int>(::syscall(SYS_openat, AT_FDCWD, path, flags, mode));
}

int OpenUnlessDenied(const char* path, int flags, mode_t mode)
{
    if (g_armed.load(std::memory_order_acquire)) {
        const std::lock_guard lock(g_mutex);
        if (g_fault == testsupport::ReadFault::OpenDenied && g_path == path) {
            g_struck.fetch_add(1);
            errno = EACCES;
            return -1;
        }
    }
    return SystemOpen(path, flags, mode);
}

mode_t ModeArgument(int flags, va_list arguments)
{
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE
        ? static_cast<mode_t>(va_arg(arguments, unsigned int))
        : 0;
}

} // namespace

// The definitions the dynamic linker binds every caller in the process to, the hashing library
// included: the system calls themselves unless a fault is armed for the file.

extern "C" ssize_t read(int descriptor, void* buffer, std::size_t size)
{
    if (!g_armed.load(std::memory_order_acquire) || !NamesArmedPath(descriptor))
        return SystemRead(descriptor, buffer, size);
    std::uint64_t allowed = 0;
    {
        std::unique_lock lock(g_mutex);
        if (g_fault == testsupport::ReadFault::ReadHeldAfter) {
            if (g_given >= g_allowed && !g_released) {
                g_struck.fetch_add(1);
                g_release.wait(lock, [] { return g_released; });
            }
            if (g_released) {
                lock.unlock();
                return SystemRead(descriptor, buffer, size);
            }
        } else if (g_fault != testsupport::ReadFault::ReadFailsAfter) {
            return SystemRead(descriptor, buffer, size);
        }
        allowed = g_allowed - std::min(g_allowed, g_given);
    }
    if (allowed == 0) {
        g_struck.fetch_add(1);
        errno = EIO;
        return -1;
    }
    const ssize_t got = SystemRead(descriptor, buffer, std::min<std::uint64_t>(size, allowed));
    if (got > 0) {
        const std::lock_guard lock(g_mutex);
        g_given += static_cast<std::uint64_t>(got);
    }
    return got;
}

extern "C" int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenUnlessDenied(path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenUnlessDenied(path, flags, mode);
}

namespace testsupport {

ScopedReadFault::ScopedReadFault(std::string path, ReadFault fault, std::uint64_t bytes)
{
    assert(!g_armed.load() && "one fault at a time");
    {
        const std::lock_guard lock(g_mutex);
        g_path = std::move(path);
        g_fault = fault;
        g_allowed = bytes;
        g_given = 0;
        g_released = false;
    }
    g_struck.store(0);
    g_armed.store(true, std::memory_order_release);
}

ScopedReadFault::~ScopedReadFault()
{
    // A held read must not outlive the scope that holds it.
    Release();
    g_armed.store(false, std::memory_order_release);
}

void ScopedReadFault::Release()
{
    {
        const std::lock_guard lock(g_mutex);
        g_released = true;
    }
    g_release.notify_all();
}

std::uint32_t ScopedReadFault::Struck()
{
    return g_struck.load();
}

} // namespace testsupport
