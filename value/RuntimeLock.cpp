#include "RuntimeLock.h"

namespace value {

namespace {
std::atomic<int> g_runningThreads { 0 };
} // namespace

RuntimeLock TheRuntimeLock;

void RuntimeLock::Acquire()
{
    assert(!HeldByCaller() && "the runtime lock is not re-entrant");
    m_semaphore.Acquire();
    m_holder.store(platform::CurrentThreadId());
}

void RuntimeLock::Release()
{
    assert(HeldByCaller() && "only the holder releases the runtime lock");
    m_holder.store(0);
    m_semaphore.Release();
}

bool RuntimeLock::HeldByCaller() const
{
    return m_holder.load() == platform::CurrentThreadId();
}

void EnterRuntime()
{
    g_runningThreads.fetch_add(1);
}

void LeaveRuntime()
{
    [[maybe_unused]] const int before = g_runningThreads.fetch_sub(1);
    assert(before > 0 && "a thread left the runtime that never entered it");
}

int RunningRuntimeThreads()
{
    return g_runningThreads.load();
}

bool RuntimeLockCoversCaller()
{
    return g_runningThreads.load() == 0 || TheRuntimeLock.HeldByCaller();
}

} // namespace value
