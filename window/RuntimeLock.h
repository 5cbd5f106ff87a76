#pragma once

#include <platform/Threads.h>

// The runtime lock: one holder at a time runs runtime or procedure code. A runtime thread
// holds it except while it waits for its next message or for a modal dialog. Taking it
// switches the process-wide per-thread state (string stack, ...) to the taking thread's.

namespace window {

/// Waits for the lock, then switches the runtime state to the calling thread's slot.
void AcquireRuntimeLock();

/// Releases the lock; the caller must hold it (asserted).
void ReleaseRuntimeLock();

/// True when the calling thread holds the lock.
bool HoldsRuntimeLock();

/// The operating-system id of the holder, 0 when the lock is free.
platform::ThreadId RuntimeLockHolder();

/// Releases the lock for the lifetime of the object (a wait) and takes it again after.
class RuntimeLockRelease {
public:
    RuntimeLockRelease() { ReleaseRuntimeLock(); }
    ~RuntimeLockRelease() { AcquireRuntimeLock(); }
    RuntimeLockRelease(const RuntimeLockRelease&) = delete;
    RuntimeLockRelease& operator=(const RuntimeLockRelease&) = delete;
};

} // namespace window
