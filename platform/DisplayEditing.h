#pragma once

#include <platform/Display.h>

class QLineEdit;
class QPlainTextEdit;

// The Edit menu's commands (cut, copy, paste, clear, undo) on the text fields they apply to.
// GUI thread only.

namespace platform::display {

/// Carries out `command` on an entry; a read-only one only gives its text away (copy).
void EditLine(QLineEdit& line, EditCommand command);

/// Carries out `command` on a text box; a read-only one only gives its text away (copy).
void EditTextBox(QPlainTextEdit& box, EditCommand command);

} // namespace platform::display
