#pragma once

#include <cstddef>

// The display's life as the GUI thread's other parts see it.

namespace platform::display {

/// Marshalled calls not yet finished (for the idle test and the display's end).
std::size_t CallsInFlight();

} // namespace platform::display
