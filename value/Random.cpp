#include "Random.h"

#include <random>

namespace value {

namespace {

// One sequence for the whole process; callers hold the runtime lock, as for all runtime state.
std::mt19937& Generator()
{
    static std::mt19937 generator;
    return generator;
}

} // namespace

void SeedRandom(std::uint32_t seed)
{
    Generator().seed(seed);
}

std::uint32_t NextRandom()
{
    return static_cast<std::uint32_t>(Generator()());
}

} // namespace value
