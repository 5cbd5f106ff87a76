#include "ErrorCode.h"

#include "RuntimeLock.h"

#include <atomic>

namespace value {

namespace {
// Written only under the runtime lock (asserted); atomic so that a reader on another thread,
// which may read without the lock, never sees a torn value.
std::atomic<std::int32_t> g_errorCode { 0 };
} // namespace

std::int32_t ErrorCode()
{
    return g_errorCode.load(std::memory_order_relaxed);
}

void PostErrorCode(std::int32_t code)
{
    AssertRuntimeLockHeld();
    g_errorCode.store(code, std::memory_order_relaxed);
}

} // namespace value
