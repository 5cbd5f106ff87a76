#include "DisplayEditing.h"

#include "DisplayControls.h"
#include "DisplayRegistry.h"
#include "DisplayText.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace platform::display {

void EditLine(QLineEdit& line, EditCommand command)
{
    // Qt's own commands would change a read-only entry: it only gives its text away.
    if (line.isReadOnly()) {
        if (command == EditCommand::Copy)
            line.copy();
        return;
    }
    switch (command) {
    case EditCommand::Cut:
        line.cut();
        break;
    case EditCommand::Copy:
        line.copy();
        break;
    case EditCommand::Paste:
        line.paste();
        break;
    case EditCommand::Clear:
        line.del();
        break;
    case EditCommand::Undo:
        line.undo();
        break;
    }
}

void EditTextBox(QPlainTextEdit& box, EditCommand command)
{
    if (box.isReadOnly()) {
        if (command == EditCommand::Copy)
            box.copy();
        return;
    }
    switch (command) {
    case EditCommand::Cut:
        box.cut();
        break;
    case EditCommand::Copy:
        box.copy();
        break;
    case EditCommand::Paste:
        box.paste();
        break;
    case EditCommand::Clear:
        box.textCursor().removeSelectedText();
        break;
    case EditCommand::Undo:
        box.undo();
        break;
    }
}

namespace {

/// A dialog the toolkit made (the file dialog) holds text fields that are no controls of ours:
/// they take the commands as an entry or a text box does.
bool EditToolkitField(QWidget* focus, EditCommand command)
{
    if (auto* combo = qobject_cast<QComboBox*>(focus); combo != nullptr && combo->isEditable())
        focus = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        EditLine(*line, command);
        return true;
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(focus)) {
        EditTextBox(*box, command);
        return true;
    }
    return false;
}

} // namespace

} // namespace platform::display

namespace platform {

bool EditFocused(EditCommand command)
{
    return display::OnGui<bool>(false, [command] {
        QWidget* focus = QApplication::focusWidget();
        const display::Entry* entry = display::FindEntry(display::HandleOf(focus));
        if (entry == nullptr)
            return false;
        if (entry->adapter != nullptr)
            return entry->adapter->Edit(*entry->widget, *focus, command);
        return display::EditToolkitField(focus, command);
    });
}

std::string ClipboardText()
{
    return display::OnGui<std::string>(
        {}, [] { return display::ToAnsi(QGuiApplication::clipboard()->text()); });
}

} // namespace platform
