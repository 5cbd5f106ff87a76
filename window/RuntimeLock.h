#pragma once

#include <platform/Threads.h>
#include <value/RuntimeLock.h>

#include <chrono>
#include <thread>

// The runtime lock under the window layer's names; the lock itself and its rule live in
// value/RuntimeLock.h, low enough that value/ and files/ check it where they touch shared
// state. Taking it switches nothing: each thread's own state is in its RuntimeThread.

namespace window {

/// Waits for the lock and takes it. Not re-entrant (asserted).
inline void AcquireRuntimeLock() RT_ACQUIRE(value::TheRuntimeLock)
{
    value::TheRuntimeLock.Acquire();
}

/// Releases the lock; the caller must hold it (asserted).
inline void ReleaseRuntimeLock() RT_RELEASE(value::TheRuntimeLock)
{
    value::TheRuntimeLock.Release();
}

/// True when the calling thread holds the lock.
inline bool HoldsRuntimeLock()
{
    return value::TheRuntimeLock.HeldByCaller();
}

/// Stops a debug build unless the calling thread holds the lock; for clang's analysis the lock
/// is held afterwards (see value::RuntimeLock::AssertHeld).
inline void AssertHoldsRuntimeLock() RT_ASSERT_CAPABILITY(value::TheRuntimeLock)
{
    value::TheRuntimeLock.AssertHeld();
}

/// The operating-system id of the holder, 0 when the lock is free.
inline platform::ThreadId RuntimeLockHolder()
{
    return value::TheRuntimeLock.Holder();
}

/// Holds the lock for the lifetime of the object.
using RuntimeLockHold = value::RuntimeLockHold;

/// Releases the lock for the lifetime of the object (a wait) and takes it again after.
using RuntimeLockRelease = value::RuntimeLockRelease;

/// Waits `pause`, the lock let go meanwhile when the calling thread holds it, so that the
/// program's other threads run while this one waits (for another program's writer, say).
inline void PauseOutsideRuntimeLock(std::chrono::milliseconds pause)
{
    if (!HoldsRuntimeLock()) {
        std::this_thread::sleep_for(pause);
        return;
    }
    AssertHoldsRuntimeLock();
    const RuntimeLockRelease released;
    std::this_thread::sleep_for(pause);
}

} // namespace window
