#pragma once

class QWidget;

// What the user does to windows and controls, turned into messages for the thread that owns
// the window: close requests, keys (as virtual key codes and Windows-1250 characters), focus
// changes and mouse buttons. GUI thread only.

namespace platform::display {

/// From now on posts what the user does to `widget` and the parts it is made of (a window, or
/// a control of a window other than a dialog).
void WatchInput(QWidget* widget);

/// Puts the text boxes' Ctrl+Tab handling in front of every other application-wide key filter
/// (the MDI area's among them); called after each frame and MDI child is made.
void KeepTextBoxTabInFront();

} // namespace platform::display
