#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <atomic>
#include <cassert>

namespace window {

namespace {

platform::Semaphore& Lock()
{
    static platform::Semaphore lock(1, 1);
    return lock;
}

std::atomic<platform::ThreadId> g_holder { 0 };

} // namespace

void AcquireRuntimeLock()
{
    assert(!HoldsRuntimeLock() && "the runtime lock is not re-entrant");
    Lock().Acquire();
    g_holder.store(platform::CurrentThreadId());
    SwitchThreadState(CurrentSlot());
}

void ReleaseRuntimeLock()
{
    assert(HoldsRuntimeLock() && "only the holder releases the runtime lock");
    g_holder.store(0);
    Lock().Release();
}

bool HoldsRuntimeLock()
{
    return g_holder.load() == platform::CurrentThreadId();
}

platform::ThreadId RuntimeLockHolder()
{
    return g_holder.load();
}

} // namespace window
