#include "DisplayInput.h"

#include "DisplayDrops.h"
#include "DisplayKeys.h"
#include "DisplayRegistry.h"
#include "DisplayWidgets.h"
#include "Text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

#include <string>
#include <tuple>

namespace platform::display {

namespace {

std::uint32_t KeyStateOf(Qt::KeyboardModifiers modifiers)
{
    std::uint32_t state = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        state |= KeyState::kShift;
    if (modifiers.testFlag(Qt::ControlModifier))
        state |= KeyState::kControl;
    if (modifiers.testFlag(Qt::AltModifier))
        state |= KeyState::kAlt;
    return state;
}

/// Turns what the user does to a window and its controls into messages for the window's
/// thread. Installed on every window and control (and the parts a control is made of).
class WindowEventFilter final : public QObject {
public:
    static WindowEventFilter& Instance()
    {
        static WindowEventFilter* filter = new WindowEventFilter;
        return *filter;
    }

    void Watch(QWidget* widget)
    {
        widget->installEventFilter(this);
        for (QWidget* child : widget->findChildren<QWidget*>())
            child->installEventFilter(this);
    }

    /// Posts what key `event` to `watched` means, as the filter does when it sees the key;
    /// true when the key is refused.
    static bool PostKey(QObject* watched, QKeyEvent* event) { return OnKey(watched, event); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Close:
            return OnClose(watched, static_cast<QCloseEvent*>(event));
        case QEvent::KeyPress:
            return OnKey(watched, static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            OnFocus(watched, event->type() == QEvent::FocusIn);
            return false;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            OnMouse(watched, static_cast<QMouseEvent*>(event));
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            // A drag enter is a drag move, and a drag move a drop event.
            return TakeFileDrag(watched, *static_cast<QDropEvent*>(event));
        default:
            return false;
        }
    }

private:
    WindowEventFilter() = default;

    static bool OnClose(QObject* watched, QCloseEvent* event)
    {
        const Entry* entry = FindEntry(OwnHandleOf(watched));
        if (entry == nullptr || entry->kind == EntryKind::Control)
            return false;
        event->ignore();
        Message message;
        message.message = Msg::kClose;
        PostTo(*entry, std::move(message));
        return true;
    }

    /// Enter presses the focused push button, else the window's default button: true when it
    /// pressed one.
    static bool PressForEnter(const Entry& focused, const Entry& window)
    {
        if (auto* button = qobject_cast<QPushButton*>(focused.widget.data())) {
            if (button->isEnabled()) {
                button->click();
                return true;
            }
        }
        if (const Entry* button = FindEntry(window.defaultButton)) {
            auto* push = qobject_cast<QPushButton*>(button->widget.data());
            if (push != nullptr && push->isEnabled() && push->isVisible()) {
                push->click();
                return true;
            }
        }
        return false;
    }

    static bool OnKey(QObject* watched, QKeyEvent* event)
    {
        // A key travels up to the parents when the focus widget leaves it: count it once.
        const QWidget* focus = QApplication::focusWidget();
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (widget == nullptr || (focus != nullptr ? focus != widget : !widget->isWindow()))
            return false;
        const Entry* entry = FindEntry(HandleOf(watched));
        if (entry == nullptr)
            return false;
        const Entry* window = FindEntry(entry->window);

        // A character with no Windows-1250 form is refused, not replaced.
        const QString text = event->text();
        std::string bytes;
        for (const QChar c : text) {
            if (c == QChar(0x7F))
                continue; // the Delete key: a key, no character
            const std::optional<unsigned char> byte = UnicodeToAnsi(c.unicode());
            if (!byte) {
                QApplication::beep();
                return true;
            }
            bytes.push_back(static_cast<char>(*byte));
        }

        const std::uint32_t key = VirtualKeyOf(event->key());
        // In a text box Enter starts a new line instead.
        const bool textBox
            = entry->kind == EntryKind::Control && entry->control == ControlKind::MultiLineEdit;
        if (key == 0x0D && window != nullptr && !textBox && PressForEnter(*entry, *window))
            return true;

        std::uint32_t state = KeyStateOf(event->modifiers());
        if (IsExtendedKey(key))
            state |= KeyState::kExtended;
        if (key != 0) {
            Message message;
            message.message
                = event->modifiers().testFlag(Qt::AltModifier) ? Msg::kSysKeyDown : Msg::kKeyDown;
            message.id = entry->id;
            message.wParam = key;
            message.lParam = static_cast<std::int64_t>(event->nativeScanCode());
            message.keyState = state;
            PostTo(*entry, std::move(message));
        }
        for (const char byte : bytes) {
            Message message;
            message.message = Msg::kChar;
            message.id = entry->id;
            message.wParam = static_cast<unsigned char>(byte);
            message.keyState = state;
            PostTo(*entry, std::move(message));
        }
        return false;
    }

    static void OnFocus(QObject* watched, bool gained)
    {
        const Entry* entry = FindEntry(OwnHandleOf(watched));
        if (entry == nullptr || entry->kind != EntryKind::Control)
            return;
        Message message;
        message.message = Msg::kCommand;
        message.id = entry->id;
        message.wParam = gained ? Notify::kFocusGained : Notify::kFocusLost;
        PostTo(*entry, std::move(message));
    }

    /// The message for a mouse button event, 0 for a button the runtime does not know.
    static std::uint32_t MouseMessageOf(const QMouseEvent& event)
    {
        const bool press = event.type() == QEvent::MouseButtonPress;
        const bool twice = event.type() == QEvent::MouseButtonDblClick;
        switch (event.button()) {
        case Qt::LeftButton:
            return press ? Msg::kLeftButtonDown
                         : (twice ? Msg::kLeftButtonDoubleClick : Msg::kLeftButtonUp);
        case Qt::RightButton:
            return press ? Msg::kRightButtonDown
                         : (twice ? Msg::kRightButtonDoubleClick : Msg::kRightButtonUp);
        case Qt::MiddleButton:
            return press ? Msg::kMiddleButtonDown
                         : (twice ? Msg::kMiddleButtonDoubleClick : Msg::kMiddleButtonUp);
        default:
            return 0;
        }
    }

    void OnMouse(QObject* watched, QMouseEvent* event)
    {
        // A click a control leaves travels up as a copy with the same time: count it once.
        const auto mark = std::make_tuple(event->type(), event->timestamp(),
            event->globalPosition().toPoint().x(), event->globalPosition().toPoint().y());
        if (mark == m_lastMouse)
            return;
        m_lastMouse = mark;
        const Entry* entry = FindEntry(HandleOf(watched));
        if (entry == nullptr)
            return;
        const Entry* window = FindEntry(entry->window);
        if (window == nullptr || window->client.isNull())
            return;
        const std::uint32_t message = MouseMessageOf(*event);
        if (message == 0)
            return;
        const QPoint at = window->client->mapFromGlobal(event->globalPosition().toPoint());
        Message posted;
        posted.message = message;
        posted.id = entry->id;
        posted.lParam = (static_cast<std::int64_t>(at.x()) & 0xFFFF)
            | ((static_cast<std::int64_t>(at.y()) & 0xFFFF) << 16);
        posted.keyState = KeyStateOf(event->modifiers());
        PostTo(*entry, std::move(posted));
    }

    std::tuple<QEvent::Type, quint64, int, int> m_lastMouse { QEvent::None, 0, 0, 0 };
};

/// Ctrl+Tab types a tab in a text box, also inside the frame's MDI area, which takes Ctrl+Tab
/// from every widget inside it (to switch windows) through a filter on the application: such
/// filters see a key before the widget and its own filters do, the last installed first. This
/// one is installed again after each frame and MDI child is made, so it stays in front.
class TextBoxTabFilter final : public QObject {
public:
    static void InstallInFront()
    {
        static TextBoxTabFilter* filter = new TextBoxTabFilter;
        QCoreApplication::instance()->installEventFilter(filter);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        auto* box = dynamic_cast<AnsiTextEdit*>(watched);
        if (box == nullptr || !AnsiTextEdit::IsControlTab(*key))
            return false;
        // What the text box's window filter would post, then what the box itself does.
        if (!WindowEventFilter::PostKey(watched, key))
            box->TypeTab();
        return true;
    }

private:
    TextBoxTabFilter() = default;
};

} // namespace

void WatchInput(QWidget* widget)
{
    WindowEventFilter::Instance().Watch(widget);
}

void KeepTextBoxTabInFront()
{
    TextBoxTabFilter::InstallInFront();
}

} // namespace platform::display
