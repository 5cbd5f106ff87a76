#pragma once

#include <platform/Threads.h>
#include <value/ThreadSafety.h>

#include <atomic>
#include <cassert>

// The runtime lock: one holder at a time runs runtime or procedure code and touches what the
// runtime's threads share (value/Runtime.h, the slot table, the error state). A runtime thread
// holds it except while it waits for its next message, for a modal dialog, or for long work that
// touches no shared state. What a thread owns (value/RuntimeThread.h) needs no lock, so nothing
// is switched or copied when the lock changes hands.
//
// The rule is checked where shared state is touched: AssertRuntimeLockHeld stops a debug build
// when the caller does not hold the lock while runtime threads run, and tells clang's analysis
// that the lock is held from there on. While no runtime thread runs (unit tests of the lower
// layers, start-up before the first thread registers) the calling thread is the shared state's
// only user and needs no lock, as a single-threaded SQLite needs no mutex.

namespace value {

class RT_CAPABILITY("runtime lock") RuntimeLock {
public:
    RuntimeLock() = default;
    RuntimeLock(const RuntimeLock&) = delete;
    RuntimeLock& operator=(const RuntimeLock&) = delete;

    /// Waits for the lock and takes it. Not re-entrant (asserted).
    void Acquire() RT_ACQUIRE();
    /// Gives the lock back; the caller must hold it (asserted).
    void Release() RT_RELEASE();
    /// True when the calling thread holds the lock.
    bool HeldByCaller() const;
    /// Stops a debug build unless the calling thread holds the lock; for clang's analysis the
    /// lock is held after the call. Runtime code holds the lock from its thread's start, which
    /// the analysis cannot see: code that gives it up for a wait states first that it holds it.
    void AssertHeld() const RT_ASSERT_CAPABILITY(this)
    {
        assert(HeldByCaller() && "the runtime lock is not held");
    }
    /// The operating-system id of the holder, 0 when the lock is free.
    platform::ThreadId Holder() const { return m_holder.load(); }

private:
    platform::Semaphore m_semaphore { 1, 1 };
    std::atomic<platform::ThreadId> m_holder { 0 };
};

/// The one runtime lock of the process.
extern RuntimeLock TheRuntimeLock;

/// Counts the calling thread among the running runtime threads until LeaveRuntime. The window
/// layer calls these as a thread takes and leaves its slot.
void EnterRuntime();
void LeaveRuntime();

/// How many runtime threads run; 0 before the first registers and after the last has left.
int RunningRuntimeThreads();

/// True when the caller may touch shared runtime state: it holds the lock, or no runtime thread
/// runs.
bool RuntimeLockCoversCaller();

/// Stops a debug build when the caller may not touch shared runtime state (see above). For
/// clang's analysis the lock is held after the call.
inline void AssertRuntimeLockHeld() RT_ASSERT_CAPABILITY(TheRuntimeLock)
{
    assert(RuntimeLockCoversCaller() && "shared runtime state touched without the runtime lock");
}

/// Holds the lock for the lifetime of the object.
class RT_SCOPED_CAPABILITY RuntimeLockHold {
public:
    RuntimeLockHold() RT_ACQUIRE(TheRuntimeLock) { TheRuntimeLock.Acquire(); }
    ~RuntimeLockHold() RT_RELEASE() { TheRuntimeLock.Release(); }
    RuntimeLockHold(const RuntimeLockHold&) = delete;
    RuntimeLockHold& operator=(const RuntimeLockHold&) = delete;
};

/// Releases the lock for the lifetime of the object (a wait) and takes it again after.
class RT_SCOPED_CAPABILITY RuntimeLockRelease {
public:
    RuntimeLockRelease() RT_RELEASE(TheRuntimeLock) { TheRuntimeLock.Release(); }
    // For a scoped capability the analysis reads the destructor's RT_RELEASE() as "undo what the
    // constructor did", here taking the lock again.
    ~RuntimeLockRelease() RT_RELEASE() { TheRuntimeLock.Acquire(); }
    RuntimeLockRelease(const RuntimeLockRelease&) = delete;
    RuntimeLockRelease& operator=(const RuntimeLockRelease&) = delete;
};

} // namespace value
