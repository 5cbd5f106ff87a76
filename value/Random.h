#pragma once

#include <cstdint>

namespace value {

/// Restarts the runtime's random-number sequence: the same seed gives the same sequence.
/// Until it is first seeded the sequence is that of the generator's default seed.
void SeedRandom(std::uint32_t seed);

/// The next number of the runtime's sequence, uniform over the whole 32-bit range.
std::uint32_t NextRandom();

} // namespace value
