#include "Threads.h"

#include <unistd.h>

#include <algorithm>
#include <cassert>

namespace platform {

ThreadId CurrentThreadId()
{
    // The kernel's thread id: positive, unique among live threads, and what tools such as
    // top and gdb show, so a trace line can be matched to them.
    thread_local const ThreadId kId = static_cast<ThreadId>(::gettid());
    return kId;
}

Semaphore::Semaphore(std::int32_t initialCount, std::int32_t maximumCount)
    : m_count(0)
    , m_maximum(std::max<std::int32_t>(maximumCount, 1))
{
    assert(maximumCount >= 1 && "a semaphore needs a maximum count of at least 1");
    assert(initialCount >= 0 && initialCount <= maximumCount
        && "the initial count must lie between 0 and the maximum");
    m_count = std::clamp<std::int32_t>(initialCount, 0, m_maximum);
}

void Semaphore::Acquire()
{
    std::unique_lock lock(m_mutex);
    m_available.wait(lock, [this] { return m_count > 0; });
    --m_count;
}

bool Semaphore::TryAcquire()
{
    std::lock_guard lock(m_mutex);
    if (m_count == 0)
        return false;
    --m_count;
    return true;
}

bool Semaphore::AcquireFor(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    // wait_for measures on the steady clock, so setting the wall clock neither shortens nor
    // stretches the wait.
    if (!m_available.wait_for(lock, timeout, [this] { return m_count > 0; }))
        return false;
    --m_count;
    return true;
}

bool Semaphore::Release(std::int32_t count)
{
    // Notified under the lock: a waiter that wakes may destroy the semaphore as soon as it
    // holds the mutex, which must not happen while this call still touches it.
    std::lock_guard lock(m_mutex);
    if (count < 1 || count > m_maximum - m_count)
        return false;
    m_count += count;
    if (count == 1)
        m_available.notify_one();
    else
        m_available.notify_all();
    return true;
}

std::int32_t Semaphore::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

} // namespace platform
