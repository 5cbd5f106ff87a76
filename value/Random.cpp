#include "Random.h"

#include "Runtime.h"

namespace value {

// One sequence for the whole process, in the shared Runtime.

void SeedRandom(std::uint32_t seed)
{
    AssertRuntimeLockHeld();
    TheRuntime().random.seed(seed);
}

std::uint32_t NextRandom()
{
    AssertRuntimeLockHeld();
    return static_cast<std::uint32_t>(TheRuntime().random());
}

} // namespace value
