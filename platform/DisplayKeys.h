#pragma once

#include <cstdint>

// Key codes: Qt's keys to the virtual key codes the runtime knows (and back, for the test
// driver). Letters and digits are their upper-case ASCII codes; 0 is a key with no code.

namespace platform::display {

/// The virtual key code of Qt key `qtKey`, 0 when it has none.
std::uint32_t VirtualKeyOf(int qtKey);

/// The Qt key of virtual key code `virtualKey`, 0 when there is none.
int QtKeyOf(std::uint32_t virtualKey);

/// True for the keys of the extended keyboard (arrows, the editing block, ...).
bool IsExtendedKey(std::uint32_t virtualKey);

} // namespace platform::display
