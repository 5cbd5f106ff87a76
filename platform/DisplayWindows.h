#pragma once

#include <platform/Display.h>

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QTimer;

// The GUI thread's side of the display: which Qt object each handle stands for, and the thread
// queue its messages go to. Everything here is used on the GUI thread only.

namespace platform::display {

enum class EntryKind : std::uint8_t { Frame, MdiChild, Plain, Dialog, Control };

/// What a handle stands for.
struct Entry {
    EntryKind kind = EntryKind::Control;
    /// The window (QMainWindow, QMdiSubWindow, top-level QWidget, QDialog) or the control.
    QPointer<QWidget> widget;
    /// Where a window's controls go (the area below its menu bar); the group box itself for one.
    QPointer<QWidget> client;
    /// The queue of the thread that created the window (a control's: its window's).
    std::shared_ptr<MessageQueue> queue;
    /// The window the entry belongs to: itself for a window, the enclosing window for a control.
    WindowHandle window = 0;
    std::uint32_t id = 0; ///< a control's id
    ControlKind control = ControlKind::Static;
    WindowHandle defaultButton = 0; ///< a window's button pressed by Enter
    std::map<std::uint32_t, QPointer<QTimer>> timers;
    std::map<std::uint32_t, QPointer<QAction>> menuItems;
    std::vector<QPointer<QLabel>> statusZones; ///< a window's status bar, left to right
};

/// The entry of a handle whose Qt object still exists, or null.
Entry* FindEntry(WindowHandle handle);

/// The handle of the innermost window or control `object` belongs to, 0 when none.
WindowHandle HandleOf(const QObject* object);

/// The live handles of every window (not controls), oldest first.
std::vector<WindowHandle> WindowHandles();

/// Destroys every window left (the display is ending) and forgets all handles.
void DestroyAllWindows();

/// Installs the font substitutions the runtime's window descriptors rely on.
void InstallFontSubstitutes();

/// The button of the next dialog to open that is pressed as soon as it is shown.
void SetNextDialogAnswer(std::uint32_t buttonId);

/// Presses dialog button `buttonId` as the user would (Escape's answer when it is escapeId).
void PressDialogButton(WindowHandle dialog, std::uint32_t buttonId);

/// Runtime text (Windows-1250) to Qt and back. Characters with no Windows-1250 form are not
/// expected on the way back (input refuses them); each one is answered as "?".
QString FromAnsi(std::string_view ansi);
std::string ToAnsi(const QString& text);

/// The characters of `text` Windows-1250 lacks, each once, in the order they first appear
/// (the line breaks of a text box's raw text are no such characters).
std::u32string Unspellable(const QString& text);

/// The Windows-1250 form of every character in `text`, or nothing when one has none.
std::optional<std::string> ToAnsiExact(const QString& text);

/// Gives `dialog`, a modal dialog the platform made elsewhere (the file dialog), a handle of
/// kind Dialog whose messages go to `queue`: it is then found, destroyed and ended with the
/// display as the template dialogs are.
WindowHandle RegisterDialog(QWidget* dialog, std::shared_ptr<MessageQueue> queue);

/// Marshalled calls not yet finished (for the idle test).
std::size_t CallsInFlight();

} // namespace platform::display
