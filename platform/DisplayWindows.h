#pragma once

#include <platform/Display.h>

class QMdiArea;

// Windows: the application frame with its MDI area, MDI children and plain windows, their
// titles, places and focus. GUI thread only.

namespace platform::display {

struct Entry;

/// The MDI area of a frame's entry, null for anything else (null included).
QMdiArea* MdiAreaOf(const Entry* frame);

/// The oldest frame still open, 0 when there is none.
WindowHandle FirstFrame();

/// Destroys every window left (the display is ending) and forgets all handles.
void DestroyAllWindows();

} // namespace platform::display
