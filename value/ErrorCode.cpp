#include "ErrorCode.h"

#include <atomic>

namespace value {

namespace {
// Written only by the thread that holds the runtime lock; atomic so that readers on other
// threads never see a torn value.
std::atomic<std::int32_t> g_errorCode { 0 };
} // namespace

std::int32_t ErrorCode()
{
    return g_errorCode.load(std::memory_order_relaxed);
}

void PostErrorCode(std::int32_t code)
{
    g_errorCode.store(code, std::memory_order_relaxed);
}

} // namespace value
