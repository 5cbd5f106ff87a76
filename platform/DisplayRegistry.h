#pragma once

#include <platform/Display.h>

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QTimer;

// The GUI thread's side of the display's handles: which Qt object each handle stands for, the
// thread queue its messages go to, and how a control of its kind is served. Everything here is
// used on the GUI thread only, except OnGui and WithEntry, which carry a call there.

namespace platform::display {

class ControlAdapter;

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
    /// How a control of its kind is made, read, written and described; null for a window.
    const ControlAdapter* adapter = nullptr;
    WindowHandle defaultButton = 0; ///< a window's button pressed by Enter
    bool acceptsFileDrops = false;  ///< a window's WindowOptions::acceptFileDrops
    std::map<std::uint32_t, QPointer<QTimer>> timers;
    std::map<std::uint32_t, QPointer<QAction>> menuItems;
    std::vector<QPointer<QLabel>> statusZones; ///< a window's status bar, left to right
};

/// Gives `widget` a new handle standing for `entry` (a window's entry belongs to itself).
WindowHandle Register(QWidget* widget, Entry entry);

/// The entry of a handle whose Qt object still exists, or null.
Entry* FindEntry(WindowHandle handle);

/// Every entry, alive or not yet pruned, by handle (oldest first).
std::map<WindowHandle, Entry>& Entries();

/// Forgets handles whose Qt object is gone (destroyed with a parent, for example).
void Prune();

/// The handle of the innermost window or control `object` belongs to, 0 when none.
WindowHandle HandleOf(const QObject* object);

/// The handle `object` itself stands for, 0 when it is no window or control of ours (a part
/// of one, say).
WindowHandle OwnHandleOf(const QObject* object);

/// The live handles of every window (not controls), oldest first.
std::vector<WindowHandle> WindowHandles();

/// Gives `dialog`, a modal dialog the platform made elsewhere (the file dialog), a handle of
/// kind Dialog whose messages go to `queue`: it is then found, destroyed and ended with the
/// display as the template dialogs are.
WindowHandle RegisterDialog(QWidget* dialog, std::shared_ptr<MessageQueue> queue);

/// Posts `message` to the queue of `entry`'s thread, for the window it belongs to; nothing
/// when the entry has no queue.
void PostTo(const Entry& entry, Message message);

/// Posts Msg::kCommand with `notification` for the control `control`, if it still exists.
void PostCommand(WindowHandle control, std::int64_t notification);

/// Runs `query` on the GUI thread and answers its result, `fallback` without a display.
template<typename T, typename F> T OnGui(T fallback, F&& query)
{
    T result = std::move(fallback);
    InvokeOnGui([&result, &query] { result = query(); });
    return result;
}

/// Runs `action` with the entry of `handle` on the GUI thread, when it still exists.
template<typename F> void WithEntry(WindowHandle handle, F&& action)
{
    InvokeOnGui([handle, &action] {
        if (Entry* entry = FindEntry(handle))
            action(*entry);
    });
}

} // namespace platform::display
