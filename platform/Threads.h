#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// Threads themselves are std::thread: each procedure of the runtime runs on its own. What the
// standard library lacks is a semaphore with Windows' maximum count and a small numeric thread
// identifier the runtime can print.

namespace platform {

/// A thread's identifier as the system numbers it: non-zero, and unique among the threads alive
/// at the same time (a number may be reused after its thread has ended).
using ThreadId = std::uint32_t;

/// The calling thread's identifier. The same value for the whole life of the thread.
ThreadId CurrentThreadId();

/// A counting semaphore with a maximum count, as Windows has it: `Release` refuses to raise the
/// count past the maximum rather than blocking or overflowing. Safe to use from any thread; it
/// must outlive every waiter.
class Semaphore {
public:
    /// A semaphore holding `initialCount` of at most `maximumCount`. `maximumCount` must be at
    /// least 1 and `initialCount` between 0 and `maximumCount` (asserted; out-of-range counts
    /// are clamped in a release build).
    Semaphore(std::int32_t initialCount, std::int32_t maximumCount);

    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    /// Waits, without limit, until the count is positive, then takes one.
    void Acquire();

    /// Takes one if the count is positive; answers whether it did. Never waits.
    [[nodiscard]] bool TryAcquire();

    /// Waits up to `timeout` for the count to become positive and takes one; false when the
    /// time ran out first. A zero or negative timeout only tries.
    [[nodiscard]] bool AcquireFor(std::chrono::milliseconds timeout);

    /// Adds `count` and wakes as many waiters. Answers false and changes nothing when `count` is
    /// below 1 or the total would pass the maximum.
    bool Release(std::int32_t count = 1);

    /// The count at this moment; by the time the caller looks at it, it may have changed.
    std::int32_t Count() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_available;
    std::int32_t m_count;
    const std::int32_t m_maximum;
};

} // namespace platform
