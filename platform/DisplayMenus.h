#pragma once

#include <platform/Display.h>

#include <optional>

class QMenu;

// Menu bars of frames and plain windows: their items, the window-list menu, and what the test
// driver reads of them. GUI thread only.

namespace platform::display {

struct Entry;

/// Menu item `id` of the window as it shows now (DescribeMenuItem); empty when there is none.
/// Reading changes nothing: a menu's items are listed as they stood when it last opened.
std::optional<MenuItem> DescribeMenuItemOnGui(Entry& window, std::uint32_t id);

/// The menu that item `id` of the window opens, null when the item is no menu (or none).
QMenu* MenuOfItem(Entry& window, std::uint32_t id);

} // namespace platform::display
