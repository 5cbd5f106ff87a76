#include "DisplayWindows.h"

#include "DisplayControls.h"
#include "DisplayDialogs.h"
#include "DisplayInput.h"
#include "DisplayLook.h"
#include "DisplayRegistry.h"
#include "DisplayText.h"

#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace platform::display {

namespace {

/// Places a window or control. An MDI child's size is that of its contents: the child's own
/// frame and title bar are added.
void PlaceWindow(QWidget* widget, const Rect& rect)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(widget);
    if (sub == nullptr) {
        Place(widget, rect);
        return;
    }
    if (!IsDefault(rect.width) && !IsDefault(rect.height)) {
        const QMargins margins = sub->contentsMargins();
        sub->resize(rect.width + margins.left() + margins.right(),
            rect.height + margins.top() + margins.bottom());
    }
    if (!IsDefault(rect.x) && !IsDefault(rect.y))
        sub->move(rect.x, rect.y);
}

Qt::WindowFlags FrameHints(const WindowOptions& options)
{
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (options.closeBox)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (options.minimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    if (options.maximizeBox)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

/// A window's content: a client widget under an optional menu bar.
QWidget* MakeClient(QWidget* window)
{
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* client = new QWidget(window);
    layout->addWidget(client);
    return client;
}

QWidget* MakeFrame(const WindowOptions& options, Entry& entry)
{
    auto* main = new QMainWindow(nullptr, Qt::Window | FrameHints(options));
    auto* area = new QMdiArea(main);
    main->setCentralWidget(area);
    main->menuBar();
    main->statusBar();
    entry.kind = EntryKind::Frame;
    entry.client = area->viewport();
    Place(main, options.rect);
    return main;
}

/// Null when the frame is missing.
QWidget* MakeMdiChild(const WindowOptions& options, Entry& entry)
{
    const WindowHandle frameHandle = options.owner != 0 ? options.owner : FirstFrame();
    QMdiArea* area = MdiAreaOf(FindEntry(frameHandle));
    if (area == nullptr)
        return nullptr;
    auto* sub = new QMdiSubWindow(nullptr, FrameHints(options));
    auto* inner = new QWidget;
    entry.client = MakeClient(inner);
    sub->setWidget(inner);
    area->addSubWindow(sub);
    entry.kind = EntryKind::MdiChild;
    PlaceWindow(sub, options.rect);
    return sub;
}

/// Null when the owner asked for is gone.
QWidget* MakePlain(const WindowOptions& options, Entry& entry)
{
    QWidget* ownerWidget = nullptr;
    if (options.owner != 0) {
        Entry* owner = FindEntry(options.owner);
        if (owner == nullptr)
            return nullptr;
        ownerWidget = owner->widget->window();
    }
    auto* window = new QWidget(
        ownerWidget, (ownerWidget != nullptr ? Qt::Dialog : Qt::Window) | FrameHints(options));
    entry.kind = EntryKind::Plain;
    entry.client = MakeClient(window);
    Place(window, options.rect);
    return window;
}

WindowHandle CreateWindowOnGui(const WindowOptions& options, std::shared_ptr<MessageQueue> queue)
{
    Prune();
    Entry entry;
    entry.queue = std::move(queue);
    QWidget* window = nullptr;
    switch (options.kind) {
    case WindowKind::Frame:
        window = MakeFrame(options, entry);
        break;
    case WindowKind::MdiChild:
        window = MakeMdiChild(options, entry);
        break;
    case WindowKind::Plain:
        window = MakePlain(options, entry);
        break;
    }
    if (window == nullptr)
        return 0;
    window->setWindowTitle(FromAnsi(options.title));
    if (IsGiven(options.font)) {
        QWidget* client = entry.client.data() != nullptr ? entry.client.data() : window;
        client->setFont(ToQFont(options.font, client->font()));
    }
    if (options.background != kNoColour && entry.client.data() != nullptr)
        ApplyColours(entry.client.data(), kNoColour, options.background);
    if (!options.resizable && options.kind != WindowKind::MdiChild)
        window->setFixedSize(window->size());
    // The toolkit offers a drag to the innermost widget under it that takes drops, else to
    // the window: the window's input filter sees it there (see WatchInput).
    entry.acceptsFileDrops = options.acceptFileDrops;
    window->setAcceptDrops(options.acceptFileDrops);
    WatchInput(window);
    const WindowHandle handle = Register(window, std::move(entry));
    if (options.visible && options.maximized)
        window->showMaximized();
    else if (options.visible && options.minimized)
        window->showMinimized();
    else if (options.visible)
        window->show();
    if (options.kind != WindowKind::Plain)
        KeepTextBoxTabInFront();
    return handle;
}

} // namespace

QMdiArea* MdiAreaOf(const Entry* frame)
{
    auto* main = frame != nullptr ? qobject_cast<QMainWindow*>(frame->widget.data()) : nullptr;
    return main != nullptr ? qobject_cast<QMdiArea*>(main->centralWidget()) : nullptr;
}

WindowHandle FirstFrame()
{
    for (auto& [handle, entry] : Entries()) {
        if (entry.kind == EntryKind::Frame && !entry.widget.isNull())
            return handle;
    }
    return 0;
}

void DestroyAllWindows()
{
    Prune();
    std::vector<QPointer<QWidget>> windows;
    for (const auto& [handle, entry] : Entries()) {
        if (entry.kind == EntryKind::Frame || entry.kind == EntryKind::Plain
            || entry.kind == EntryKind::Dialog)
            windows.push_back(entry.widget);
    }
    for (const QPointer<QWidget>& window : windows)
        delete window.data(); // owned windows go with their owner: the pointer is null then
    Entries().clear();
    ForgetNextDialogAnswer();
}

} // namespace platform::display

namespace platform {

using display::Entry;
using display::EntryKind;
using display::FindEntry;
using display::OnGui;
using display::WithEntry;

WindowHandle CreateWindow(const WindowOptions& options)
{
    if (!DisplayRunning())
        return 0; // and no queue for this thread: nothing could ever be posted to it
    std::shared_ptr<MessageQueue> queue = CurrentThreadQueue();
    return OnGui<WindowHandle>(
        0, [&options, &queue] { return display::CreateWindowOnGui(options, queue); });
}

void DestroyWindow(WindowHandle window)
{
    WithEntry(window, [](Entry& entry) {
        delete entry.widget.data();
        display::Prune();
    });
}

bool IsWindow(WindowHandle window)
{
    return OnGui(false, [window] { return FindEntry(window) != nullptr; });
}

void SetWindowText(WindowHandle window, std::string_view text)
{
    WithEntry(window, [text](Entry& entry) {
        const QString value = display::FromAnsi(text);
        if (entry.adapter != nullptr)
            entry.adapter->SetText(*entry.widget, value);
        else
            entry.widget->setWindowTitle(value);
    });
}

std::string WindowText(WindowHandle window)
{
    std::string text;
    WithEntry(window, [&text](Entry& entry) {
        text = display::ToAnsi(entry.adapter != nullptr ? entry.adapter->Text(*entry.widget)
                                                        : entry.widget->windowTitle());
    });
    return text;
}

void EnableWindow(WindowHandle window, bool enabled)
{
    WithEntry(window, [enabled](Entry& entry) { entry.widget->setEnabled(enabled); });
}

bool IsWindowEnabled(WindowHandle window)
{
    return OnGui(false, [window] {
        const Entry* entry = FindEntry(window);
        return entry != nullptr && entry->widget->isEnabled();
    });
}

void ShowWindow(WindowHandle window, bool visible)
{
    WithEntry(window, [visible](Entry& entry) { entry.widget->setVisible(visible); });
}

bool IsWindowVisible(WindowHandle window)
{
    return OnGui(false, [window] {
        const Entry* entry = FindEntry(window);
        return entry != nullptr && entry->widget->isVisible();
    });
}

Rect WindowRect(WindowHandle window)
{
    return OnGui(Rect {}, [window] {
        Rect rect {};
        if (const Entry* entry = FindEntry(window)) {
            QWidget* widget = entry->widget.data();
            const auto* sub = qobject_cast<const QMdiSubWindow*>(widget);
            const QWidget* sized
                = sub != nullptr && sub->widget() != nullptr ? sub->widget() : widget;
            rect.x = widget->pos().x();
            rect.y = widget->pos().y();
            rect.width = sized->width();
            rect.height = sized->height();
        }
        return rect;
    });
}

void MoveWindow(WindowHandle window, const Rect& rect)
{
    WithEntry(window, [&rect](Entry& entry) { display::PlaceWindow(entry.widget.data(), rect); });
}

void BringToTop(WindowHandle window)
{
    WithEntry(window, [](Entry& entry) {
        QWidget* widget = entry.widget.data();
        if (auto* sub = qobject_cast<QMdiSubWindow*>(widget)) {
            if (QMdiArea* area = sub->mdiArea())
                area->setActiveSubWindow(sub);
            sub->raise();
            widget = sub->window();
        }
        widget->show();
        widget->raise();
        widget->activateWindow();
    });
}

void SetFocus(WindowHandle window)
{
    WithEntry(window, [](Entry& entry) {
        QWidget* widget = entry.widget.data();
        QWidget* top = widget->window();
        if (!top->isActiveWindow())
            top->activateWindow();
        for (QWidget* up = widget; up != nullptr; up = up->parentWidget()) {
            if (auto* sub = qobject_cast<QMdiSubWindow*>(up); sub != nullptr && sub->mdiArea()) {
                sub->mdiArea()->setActiveSubWindow(sub);
                break;
            }
        }
        widget->setFocus(Qt::OtherFocusReason);
    });
}

WindowHandle FocusedWindow()
{
    return OnGui<WindowHandle>(0, [] { return display::HandleOf(QApplication::focusWidget()); });
}

void CursorPosition(WindowHandle window, std::int32_t& x, std::int32_t& y)
{
    x = 0;
    y = 0;
    WithEntry(window, [&x, &y](Entry& entry) {
        const QWidget* client = entry.client.isNull() ? entry.widget.data() : entry.client.data();
        const QPoint at = client->mapFromGlobal(QCursor::pos());
        x = at.x();
        y = at.y();
    });
}

void Beep()
{
    InvokeOnGui([] { QApplication::beep(); });
}

void ShowWaitCursor()
{
    InvokeOnGui([] { QApplication::setOverrideCursor(Qt::WaitCursor); });
}

void RestoreCursor()
{
    InvokeOnGui([] {
        if (QApplication::overrideCursor() != nullptr)
            QApplication::restoreOverrideCursor();
    });
}

} // namespace platform
