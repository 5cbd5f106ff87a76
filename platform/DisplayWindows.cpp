#include "DisplayWindows.h"

#include "DisplayKeys.h"
#include "Text.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSessionManager>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <atomic>
#include <utility>

namespace platform {

namespace display {

namespace {

const char* const kHandleProperty = "varnHandle";
/// A read-only entry's text as the program last set it.
const char* const kProgramTextProperty = "varnProgramText";

/// Every handle ever given out; 0 is none. Never reused, not even by a later display.
std::atomic<WindowHandle> g_lastHandle { 0 };

/// The GUI thread's table of handles.
std::map<WindowHandle, Entry>& Entries()
{
    static std::map<WindowHandle, Entry> entries;
    return entries;
}

std::optional<std::uint32_t>& NextDialogAnswer()
{
    static std::optional<std::uint32_t> answer;
    return answer;
}

/// Forgets handles whose Qt object is gone (destroyed with a parent, for example).
void Prune()
{
    std::erase_if(Entries(), [](const auto& item) { return item.second.widget.isNull(); });
}

WindowHandle Register(QWidget* widget, Entry entry)
{
    const WindowHandle handle = ++g_lastHandle;
    widget->setProperty(kHandleProperty, QVariant::fromValue(handle));
    if (entry.kind != EntryKind::Control)
        entry.window = handle;
    entry.widget = widget;
    Entries()[handle] = std::move(entry);
    return handle;
}

void PostTo(const Entry& entry, Message message)
{
    if (entry.queue == nullptr)
        return;
    message.window = entry.window;
    entry.queue->Post(std::move(message));
}

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

/// Windows-1250 byte count of a text box's contents: each line break is CR LF, two bytes.
std::size_t AnsiLength(const QString& raw)
{
    std::size_t length = 0;
    for (const QChar c : raw)
        length += (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) ? 2U : 1U;
    return length;
}

/// Keeps a single-line edit to characters that have a Windows-1250 form (a paste that brings
/// others is refused whole); the edit's own limit counts them as one byte each.
class AnsiValidator final : public QValidator {
public:
    explicit AnsiValidator(QObject* parent)
        : QValidator(parent)
    {
    }
    State validate(QString& input, int&) const override
    {
        return ToAnsiExact(input) ? Acceptable : Invalid;
    }
};

/// What a text box says when it refuses pasted, dropped or composed text for characters that
/// Windows-1250 lacks; "%1" stands for them. Set by the program; empty: the beep alone.
QString& RefusedTextNotice()
{
    static QString notice;
    return notice;
}

} // namespace

std::u32string Unspellable(const QString& text)
{
    std::u32string found;
    for (const char32_t c : text.toUcs4()) {
        // A text box's raw text breaks its lines with these; they are read as CR LF.
        const bool lineBreak = c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
        if (!lineBreak && !UnicodeToAnsi(c) && found.find(c) == std::u32string::npos)
            found.push_back(c);
    }
    return found;
}

namespace {

/// The characters of `text` that Windows-1250 lacks, each once, joined by ", ".
QString UnspellableIn(const QString& text)
{
    QStringList found;
    for (const char32_t c : Unspellable(text))
        found.append(QString::fromUcs4(&c, 1));
    return found.join(QStringLiteral(", "));
}

/// A text box whose contents stay within Windows-1250 and within its limit in bytes (a line
/// break counting two, as CR LF). Typing or pasting what does not fit is refused with a beep;
/// text brought in whole (pasted, dropped, composed) that holds characters the code page lacks
/// is refused with the program's notice naming them, shown at the cursor.
/// Enter starts a new line; Tab and Shift+Tab leave the box for the next or previous control,
/// as in the system's dialogs, and Ctrl+Tab types the tab character instead.
class AnsiTextEdit final : public QPlainTextEdit {
public:
    AnsiTextEdit(QWidget* parent, std::uint32_t maxLength)
        : QPlainTextEdit(parent)
        , m_maxLength(maxLength)
    {
        setTabChangesFocus(true);
    }

    static bool IsControlTab(const QKeyEvent& event)
    {
        return event.key() == Qt::Key_Tab && event.modifiers() == Qt::ControlModifier;
    }

    /// Types a tab character where the cursor is, as Ctrl+Tab does (Qt takes no character
    /// typed with Ctrl); a beep when the box is read-only or full.
    void TypeTab()
    {
        const QString tab(QChar(u'\t'));
        if (isReadOnly() || !Accepts(tab))
            QApplication::beep();
        else
            insertPlainText(tab);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (IsControlTab(*event)) {
            TypeTab();
            event->accept();
            return;
        }
        QString text = event->text();
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            text = QString(QChar::ParagraphSeparator);
        // What inserts: printable characters and line breaks (not Delete, 0x7F, nor controls).
        const bool inserts = !text.isEmpty()
            && ((text.at(0) >= u' ' && text.at(0) != QChar(0x7F))
                || text.at(0) == QChar::ParagraphSeparator);
        if (inserts && !Accepts(text)) {
            QApplication::beep();
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
    void insertFromMimeData(const QMimeData* source) override
    {
        if (source != nullptr && source->hasText()) {
            QString text = source->text();
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(u'\n', QChar::ParagraphSeparator);
            if (!Accepts(text)) {
                Refuse(text);
                return;
            }
        }
        QPlainTextEdit::insertFromMimeData(source);
    }
    void inputMethodEvent(QInputMethodEvent* event) override
    {
        if (!Accepts(event->commitString())) {
            Refuse(event->commitString());
            event->accept();
            return;
        }
        QPlainTextEdit::inputMethodEvent(event);
    }

private:
    /// Beeps; names the characters of `text` the code page lacks, if any, in the notice.
    void Refuse(const QString& text)
    {
        QApplication::beep();
        const QString unspellable = UnspellableIn(text);
        if (unspellable.isEmpty() || RefusedTextNotice().isEmpty())
            return;
        QToolTip::showText(viewport()->mapToGlobal(cursorRect().bottomLeft()),
            RefusedTextNotice().arg(unspellable), this);
    }

    /// True when `text` replacing the selection keeps the box within Windows-1250 and its limit.
    bool Accepts(const QString& text) const
    {
        QString plain = text;
        plain.remove(QChar::ParagraphSeparator);
        if (!ToAnsiExact(plain))
            return false;
        if (m_maxLength == 0)
            return true;
        const std::size_t current = AnsiLength(document()->toRawText());
        const std::size_t selected = AnsiLength(textCursor().selectedText());
        return current - selected + AnsiLength(text) <= m_maxLength;
    }

    std::uint32_t m_maxLength;
};

/// A check box that answers a click anywhere in its rectangle, as the system's check boxes
/// do (Qt's own take only the box and the text).
class WholeCheckBox final : public QCheckBox {
public:
    WholeCheckBox(const QString& text, QWidget* parent)
        : QCheckBox(text, parent)
    {
    }

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

/// A dialog built from a template. It never runs a loop of its own: pressing a button ends it
/// and posts the answer to the thread that opened it.
class TemplateDialog final : public QDialog {
public:
    TemplateDialog(QWidget* parent, std::uint32_t escapeId)
        : QDialog(parent)
        , m_escapeId(escapeId)
    {
    }

    /// Ends the dialog with `answer`, once.
    void Finish(std::uint32_t answer)
    {
        if (m_finished)
            return;
        m_finished = true;
        if (const Entry* entry = FindEntry(HandleOf(this))) {
            Message message;
            message.message = Msg::kDialogFinished;
            message.id = entry->window;
            message.wParam = answer;
            if (entry->queue != nullptr) {
                message.window = m_owner;
                entry->queue->Post(std::move(message));
            }
        }
        hide();
        deleteLater();
    }

    void SetOwner(WindowHandle owner) { m_owner = owner; }
    std::uint32_t EscapeId() const { return m_escapeId; }

    void reject() override
    {
        if (m_escapeId != 0)
            Finish(m_escapeId);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        if (m_escapeId != 0)
            Finish(m_escapeId);
    }

private:
    std::uint32_t m_escapeId;
    WindowHandle m_owner = 0;
    bool m_finished = false;
};

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
        default:
            return false;
        }
    }

private:
    WindowEventFilter() = default;

    static bool OnClose(QObject* watched, QCloseEvent* event)
    {
        const WindowHandle handle = watched->property(kHandleProperty).value<WindowHandle>();
        const Entry* entry = FindEntry(handle);
        if (entry == nullptr || entry->kind == EntryKind::Control)
            return false;
        event->ignore();
        Message message;
        message.message = Msg::kClose;
        PostTo(*entry, std::move(message));
        return true;
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
        const bool enter = key == 0x0D;
        if (enter && window != nullptr && qobject_cast<QPlainTextEdit*>(entry->widget) == nullptr) {
            // Enter presses the focused push button, else the window's default button.
            if (auto* button = qobject_cast<QPushButton*>(entry->widget.data())) {
                if (button->isEnabled()) {
                    button->click();
                    return true;
                }
            }
            if (const Entry* button = FindEntry(window->defaultButton)) {
                auto* push = qobject_cast<QPushButton*>(button->widget.data());
                if (push != nullptr && push->isEnabled() && push->isVisible()) {
                    push->click();
                    return true;
                }
            }
        }

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
        const WindowHandle handle = watched->property(kHandleProperty).value<WindowHandle>();
        const Entry* entry = FindEntry(handle);
        if (entry == nullptr || entry->kind != EntryKind::Control)
            return;
        Message message;
        message.message = Msg::kCommand;
        message.id = entry->id;
        message.wParam = gained ? Notify::kFocusGained : Notify::kFocusLost;
        PostTo(*entry, std::move(message));
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

        std::uint32_t message = 0;
        const bool press = event->type() == QEvent::MouseButtonPress;
        const bool twice = event->type() == QEvent::MouseButtonDblClick;
        switch (event->button()) {
        case Qt::LeftButton:
            message = press ? Msg::kLeftButtonDown
                            : (twice ? Msg::kLeftButtonDoubleClick : Msg::kLeftButtonUp);
            break;
        case Qt::RightButton:
            message = press ? Msg::kRightButtonDown
                            : (twice ? Msg::kRightButtonDoubleClick : Msg::kRightButtonUp);
            break;
        case Qt::MiddleButton:
            message = press ? Msg::kMiddleButtonDown
                            : (twice ? Msg::kMiddleButtonDoubleClick : Msg::kMiddleButtonUp);
            break;
        default:
            return;
        }
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

void PostCommand(WindowHandle control, std::int64_t notification)
{
    if (const Entry* entry = FindEntry(control)) {
        Message message;
        message.message = Msg::kCommand;
        message.id = entry->id;
        message.wParam = notification;
        PostTo(*entry, std::move(message));
    }
}

Qt::Alignment AlignmentOf(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Centre:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

bool IsDefault(std::int32_t value)
{
    return value == kDefaultPosition;
}

bool IsGiven(const Font& font)
{
    return !font.face.empty() || font.pointSize > 0 || font.weight > 0 || font.italic
        || font.underline || font.strikeOut;
}

/// `font` over `base`: what the runtime leaves open stays as `base` has it.
QFont ToQFont(const Font& font, QFont base)
{
    if (!font.face.empty())
        base.setFamily(FromAnsi(font.face));
    if (font.pointSize > 0)
        base.setPointSize(font.pointSize);
    if (font.weight > 0)
        base.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    base.setItalic(font.italic);
    base.setUnderline(font.underline);
    base.setStrikeOut(font.strikeOut);
    return base;
}

QColor ToQColor(std::uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
        static_cast<int>((colour >> 16) & 0xFF));
}

void ApplyColours(QWidget* widget, std::uint32_t text, std::uint32_t background)
{
    if (text == kNoColour && background == kNoColour)
        return;
    QPalette palette = widget->palette();
    if (text != kNoColour) {
        for (const QPalette::ColorRole role :
            { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
            palette.setColor(role, ToQColor(text));
    }
    if (background != kNoColour) {
        for (const QPalette::ColorRole role : { QPalette::Window, QPalette::Base })
            palette.setColor(role, ToQColor(background));
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

QStyle::StandardPixmap PixmapOf(StandardIcon icon)
{
    switch (icon) {
    case StandardIcon::Stop:
        return QStyle::SP_MessageBoxCritical;
    case StandardIcon::Question:
        return QStyle::SP_MessageBoxQuestion;
    case StandardIcon::Exclamation:
        return QStyle::SP_MessageBoxWarning;
    case StandardIcon::Information:
    case StandardIcon::None:
        return QStyle::SP_MessageBoxInformation;
    case StandardIcon::Program:
        break;
    }
    return QStyle::SP_ComputerIcon;
}

std::int32_t IconSizeOnGui()
{
    return QApplication::style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
}

void Place(QWidget* widget, const Rect& rect)
{
    if (!IsDefault(rect.width) && !IsDefault(rect.height))
        widget->resize(rect.width, rect.height);
    else if (!widget->isWindow())
        widget->adjustSize();
    else // the size every new window gets, kept when shown: its hand-placed contents give none
        widget->resize(widget->size());
    if (!IsDefault(rect.x) && !IsDefault(rect.y))
        widget->move(rect.x, rect.y);
}

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

WindowHandle CreateWindowOnGui(const WindowOptions& options, std::shared_ptr<MessageQueue> queue)
{
    Prune();
    Entry entry;
    entry.queue = std::move(queue);
    QWidget* window = nullptr;
    switch (options.kind) {
    case WindowKind::Frame: {
        auto* main = new QMainWindow(nullptr, Qt::Window | FrameHints(options));
        auto* area = new QMdiArea(main);
        main->setCentralWidget(area);
        main->menuBar();
        main->statusBar();
        entry.kind = EntryKind::Frame;
        entry.client = area->viewport();
        window = main;
        Place(main, options.rect);
        break;
    }
    case WindowKind::MdiChild: {
        const WindowHandle frameHandle = options.owner != 0 ? options.owner : FirstFrame();
        Entry* frame = FindEntry(frameHandle);
        QMdiArea* area = MdiAreaOf(frame);
        if (area == nullptr)
            return 0;
        auto* sub = new QMdiSubWindow(nullptr, FrameHints(options));
        auto* inner = new QWidget;
        entry.client = MakeClient(inner);
        sub->setWidget(inner);
        area->addSubWindow(sub);
        entry.kind = EntryKind::MdiChild;
        window = sub;
        PlaceWindow(sub, options.rect);
        break;
    }
    case WindowKind::Plain: {
        QWidget* ownerWidget = nullptr;
        if (options.owner != 0) {
            Entry* owner = FindEntry(options.owner);
            if (owner == nullptr)
                return 0;
            ownerWidget = owner->widget->window();
        }
        window = new QWidget(
            ownerWidget, (ownerWidget != nullptr ? Qt::Dialog : Qt::Window) | FrameHints(options));
        entry.kind = EntryKind::Plain;
        entry.client = MakeClient(window);
        Place(window, options.rect);
        break;
    }
    }
    window->setWindowTitle(FromAnsi(options.title));
    if (IsGiven(options.font)) {
        QWidget* client = entry.client.data() != nullptr ? entry.client.data() : window;
        client->setFont(ToQFont(options.font, client->font()));
    }
    if (options.background != kNoColour && entry.client.data() != nullptr)
        ApplyColours(entry.client.data(), kNoColour, options.background);
    if (!options.resizable && options.kind != WindowKind::MdiChild)
        window->setFixedSize(window->size());
    WindowEventFilter::Instance().Watch(window);
    const WindowHandle handle = Register(window, std::move(entry));
    if (options.visible && options.maximized)
        window->showMaximized();
    else if (options.visible && options.minimized)
        window->showMinimized();
    else if (options.visible)
        window->show();
    if (options.kind != WindowKind::Plain)
        TextBoxTabFilter::InstallInFront();
    return handle;
}

QWidget* MakeControl(const ControlOptions& options, QWidget* parent, bool inDialog)
{
    const QString text = FromAnsi(options.text);
    switch (options.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(AlignmentOf(options.alignment));
        return label;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(inDialog);
        button->setDefault(options.defaultButton);
        return button;
    }
    case ControlKind::CheckBox:
        return new WholeCheckBox(text, parent);
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(parent);
        edit->setValidator(new AnsiValidator(edit));
        if (options.maxLength != 0)
            edit->setMaxLength(static_cast<int>(std::min<std::uint32_t>(options.maxLength, 32767)));
        edit->setText(text);
        edit->setAlignment(AlignmentOf(options.alignment));
        edit->setFrame(options.border);
        edit->setReadOnly(options.readOnly);
        if (options.readOnly) {
            // Qt's accessibility interface writes an entry's text even when it is read-only:
            // whatever the program did not set is taken back at once.
            edit->setProperty(kProgramTextProperty, text);
            QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& now) {
                const QString set = edit->property(kProgramTextProperty).toString();
                if (now != set) {
                    const QSignalBlocker quiet(edit);
                    edit->setText(set);
                }
            });
        }
        return edit;
    }
    case ControlKind::MultiLineEdit: {
        auto* edit = new AnsiTextEdit(parent, options.maxLength);
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit->setPlainText(plain);
        if (!options.border)
            edit->setFrameShape(QFrame::NoFrame);
        edit->setReadOnly(options.readOnly);
        return edit;
    }
    case ControlKind::List: {
        auto* list = new QListWidget(parent);
        if (!options.border)
            list->setFrameShape(QFrame::NoFrame);
        return list;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(parent);
        const int size = IconSizeOnGui();
        if (options.icon != StandardIcon::None)
            label->setPixmap(
                QApplication::style()->standardIcon(PixmapOf(options.icon)).pixmap(size, size));
        return label;
    }
    case ControlKind::DropList:
    case ControlKind::Combo: {
        auto* combo = new QComboBox(parent);
        if (options.kind == ControlKind::Combo) {
            combo->setEditable(true);
            combo->lineEdit()->setValidator(new AnsiValidator(combo->lineEdit()));
            if (options.maxLength != 0)
                combo->lineEdit()->setMaxLength(
                    static_cast<int>(std::min<std::uint32_t>(options.maxLength, 32767)));
            combo->setEditText(text);
        }
        return combo;
    }
    }
    return nullptr;
}

void ConnectNotifications(QWidget* widget, WindowHandle handle)
{
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QObject::connect(button, &QPushButton::clicked, button,
            [handle] { PostCommand(handle, Notify::kClicked); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        QObject::connect(
            check, &QCheckBox::clicked, check, [handle] { PostCommand(handle, Notify::kClicked); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(edit, &QLineEdit::textChanged, edit,
            [handle] { PostCommand(handle, Notify::kTextChanged); });
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        QObject::connect(box, &QPlainTextEdit::textChanged, box,
            [handle] { PostCommand(handle, Notify::kTextChanged); });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        QObject::connect(list, &QListWidget::currentRowChanged, list,
            [handle] { PostCommand(handle, Notify::kSelectionChanged); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
            [handle] { PostCommand(handle, Notify::kSelectionChanged); });
        QObject::connect(combo, &QComboBox::editTextChanged, combo,
            [handle] { PostCommand(handle, Notify::kTextChanged); });
    }
}

WindowHandle CreateControlOnGui(const ControlOptions& options, bool inDialog)
{
    Prune();
    Entry* parent = FindEntry(options.parent);
    if (parent == nullptr)
        return 0;
    QWidget* parentWidget = parent->client.data();
    if (parentWidget == nullptr)
        return 0;
    QWidget* widget = MakeControl(options, parentWidget, inDialog);
    if (widget == nullptr)
        return 0;
    if (IsGiven(options.font))
        widget->setFont(ToQFont(options.font, widget->font()));
    ApplyColours(widget, options.textColour, options.backgroundColour);
    Place(widget, options.rect);
    widget->setEnabled(options.enabled);
    if (!options.accessibleName.empty())
        widget->setAccessibleName(FromAnsi(options.accessibleName));
    if (!options.accessibleDescription.empty())
        widget->setAccessibleDescription(FromAnsi(options.accessibleDescription));
    if (options.kind != ControlKind::Static && options.kind != ControlKind::GroupBox)
        widget->setFocusPolicy(options.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    else
        widget->setFocusPolicy(Qt::NoFocus);

    Entry entry;
    entry.kind = EntryKind::Control;
    entry.queue = parent->queue;
    entry.window = parent->window;
    entry.id = options.id;
    entry.control = options.kind;
    if (options.kind == ControlKind::GroupBox)
        entry.client = widget;
    const WindowHandle window = parent->window;
    const WindowHandle handle = Register(widget, std::move(entry));
    if (options.defaultButton && options.kind == ControlKind::Button) {
        if (Entry* owner = FindEntry(window))
            owner->defaultButton = handle;
    }
    if (!inDialog) {
        ConnectNotifications(widget, handle);
        WindowEventFilter::Instance().Watch(widget);
    }
    widget->setVisible(options.visible);
    return handle;
}

QMenuBar* MenuBarFor(Entry& entry, bool create)
{
    if (auto* main = qobject_cast<QMainWindow*>(entry.widget.data()))
        return main->menuBar();
    QWidget* content = entry.widget.data();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(content))
        content = sub->widget();
    if (content == nullptr || content->layout() == nullptr)
        return nullptr;
    auto* bar = qobject_cast<QMenuBar*>(content->layout()->menuBar());
    if (bar == nullptr && create) {
        bar = new QMenuBar(content);
        bar->setNativeMenuBar(false);
        content->layout()->setMenuBar(bar);
    }
    return bar;
}

void AddMenuItems(
    QWidget* menu, const std::vector<MenuItem>& items, Entry& entry, WindowHandle window)
{
    for (const MenuItem& item : items) {
        auto* bar = qobject_cast<QMenuBar*>(menu);
        auto* popup = qobject_cast<QMenu*>(menu);
        if (item.separator) {
            if (popup != nullptr)
                popup->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (!item.items.empty()) {
            auto* sub = new QMenu(FromAnsi(item.text), menu);
            AddMenuItems(sub, item.items, entry, window);
            action = sub->menuAction();
            menu->addAction(action);
        } else {
            action = new QAction(FromAnsi(item.text), menu);
            menu->addAction(action);
            const std::uint32_t id = item.id;
            QObject::connect(action, &QAction::triggered, action, [action, window, id] {
                // As with the system's menus, choosing an item does not tick it: the program does.
                if (action->isCheckable())
                    action->setChecked(!action->isChecked());
                if (const Entry* owner = FindEntry(window)) {
                    Message message;
                    message.message = Msg::kCommand;
                    message.id = id;
                    PostTo(*owner, std::move(message));
                }
            });
        }
        (void)bar;
        action->setEnabled(item.enabled);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        if (item.id != 0)
            entry.menuItems[item.id] = action;
    }
}

WindowHandle OpenDialogOnGui(const DialogTemplate& dialog, std::shared_ptr<MessageQueue> queue)
{
    Prune();
    const WindowHandle ownerHandle = dialog.owner != 0 ? dialog.owner : FirstFrame();
    QWidget* ownerWidget = nullptr;
    if (ownerHandle != 0) {
        Entry* owner = FindEntry(ownerHandle);
        if (owner == nullptr)
            return 0;
        ownerWidget = owner->widget->window();
    }
    auto* box = new TemplateDialog(ownerWidget, dialog.escapeId);
    box->setWindowTitle(FromAnsi(dialog.title));
    if (IsGiven(dialog.font))
        box->setFont(ToQFont(dialog.font, box->font()));
    box->SetOwner(ownerHandle);
    Entry entry;
    entry.kind = EntryKind::Dialog;
    entry.queue = std::move(queue);
    entry.client = box;
    const WindowHandle handle = Register(box, std::move(entry));
    for (ControlOptions control : dialog.controls) {
        control.parent = handle;
        const WindowHandle made = CreateControlOnGui(control, true);
        if (made == 0)
            continue;
        if (control.kind == ControlKind::Button) {
            auto* button = qobject_cast<QPushButton*>(FindEntry(made)->widget.data());
            const std::uint32_t id = control.id;
            QObject::connect(button, &QPushButton::clicked, box, [box, id] { box->Finish(id); });
        }
    }
    if (!IsDefault(dialog.rect.width) && !IsDefault(dialog.rect.height))
        box->setFixedSize(dialog.rect.width, dialog.rect.height);
    else
        box->adjustSize();
    if (!IsDefault(dialog.rect.x) && !IsDefault(dialog.rect.y))
        box->move(dialog.rect.x, dialog.rect.y);
    if (dialog.systemModal) {
        box->setWindowModality(Qt::ApplicationModal);
        box->show();
    } else {
        box->open();
    }
    if (std::optional<std::uint32_t>& answer = NextDialogAnswer(); answer) {
        const std::uint32_t id = *answer;
        answer.reset();
        QMetaObject::invokeMethod(
            box, [handle, id] { PressDialogButton(handle, id); }, Qt::QueuedConnection);
    }
    return handle;
}

/// Runs `query` on the GUI thread and answers its result, `fallback` without a display.
template<typename T, typename F> T OnGui(T fallback, F&& query)
{
    T result = fallback;
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

} // namespace

Entry* FindEntry(WindowHandle handle)
{
    if (handle == 0)
        return nullptr;
    auto found = Entries().find(handle);
    if (found == Entries().end())
        return nullptr;
    if (found->second.widget.isNull()) {
        Entries().erase(found);
        return nullptr;
    }
    return &found->second;
}

WindowHandle HandleOf(const QObject* object)
{
    for (; object != nullptr; object = object->parent()) {
        const QVariant handle = object->property(kHandleProperty);
        if (handle.isValid())
            return handle.value<WindowHandle>();
    }
    return 0;
}

std::vector<WindowHandle> WindowHandles()
{
    Prune();
    std::vector<WindowHandle> handles;
    for (const auto& [handle, entry] : Entries()) {
        if (entry.kind != EntryKind::Control)
            handles.push_back(handle);
    }
    return handles;
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
    NextDialogAnswer().reset();
}

void InstallFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

WindowHandle RegisterDialog(QWidget* dialog, std::shared_ptr<MessageQueue> queue)
{
    Prune();
    Entry entry;
    entry.kind = EntryKind::Dialog;
    entry.queue = std::move(queue);
    return Register(dialog, std::move(entry));
}

void SetNextDialogAnswer(std::uint32_t buttonId)
{
    NextDialogAnswer() = buttonId;
}

void PressDialogButton(WindowHandle dialog, std::uint32_t buttonId)
{
    const Entry* entry = FindEntry(dialog);
    auto* box = entry != nullptr ? dynamic_cast<TemplateDialog*>(entry->widget.data()) : nullptr;
    if (box == nullptr)
        return;
    for (const auto& [handle, control] : Entries()) {
        if (control.kind == EntryKind::Control && control.window == dialog && control.id == buttonId
            && !control.widget.isNull()) {
            if (auto* button = qobject_cast<QPushButton*>(control.widget.data())) {
                if (button->isEnabled())
                    button->click();
                return;
            }
        }
    }
    if (buttonId != 0 && buttonId == box->EscapeId())
        box->Finish(buttonId);
}

QString FromAnsi(std::string_view ansi)
{
    if (const Result<std::string> utf8 = AnsiToUtf8(ansi))
        return QString::fromStdString(*utf8);
    // The five bytes the code page leaves undefined show as the replacement character.
    QString text;
    for (const char byte : ansi) {
        const std::optional<char32_t> c = AnsiToUnicode(static_cast<unsigned char>(byte));
        text.append(QChar(static_cast<char16_t>(c ? *c : 0xFFFD)));
    }
    return text;
}

std::optional<std::string> ToAnsiExact(const QString& text)
{
    std::string ansi;
    ansi.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const std::optional<unsigned char> byte = UnicodeToAnsi(c.unicode());
        if (!byte)
            return std::nullopt;
        ansi.push_back(static_cast<char>(*byte));
    }
    return ansi;
}

std::string ToAnsi(const QString& text)
{
    std::string ansi;
    ansi.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        const std::optional<unsigned char> byte = UnicodeToAnsi(c.unicode());
        ansi.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return ansi;
}

} // namespace display

using display::Entry;
using display::EntryKind;
using display::FindEntry;
using display::FromAnsi;
using display::OnGui;
using display::ToAnsi;
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
        const QString value = FromAnsi(text);
        QWidget* widget = entry.widget.data();
        if (entry.kind != EntryKind::Control) {
            widget->setWindowTitle(value);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(value);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(value);
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            group->setTitle(value);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setProperty(display::kProgramTextProperty, value);
            edit->setText(value);
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
            QString plain = value;
            plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            box->setPlainText(plain);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->isEditable())
                combo->setEditText(value);
            else
                combo->setCurrentIndex(combo->findText(value));
        } else {
            widget->setWindowTitle(value);
        }
    });
}

std::string WindowText(WindowHandle window)
{
    std::string text;
    WithEntry(window, [&text](Entry& entry) {
        QWidget* widget = entry.widget.data();
        QString value;
        if (entry.kind != EntryKind::Control) {
            value = widget->windowTitle();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            value = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            value = button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            value = group->title();
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            value = edit->text();
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
            // Raw, so that a no-break space stays what it is; each line break is CR LF.
            value = box->document()->toRawText();
            value.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
            value.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            value = combo->currentText();
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            value = list->currentItem() != nullptr ? list->currentItem()->text() : QString();
        } else {
            value = widget->windowTitle();
        }
        text = ToAnsi(value);
    });
    return text;
}

void SetRefusedTextNotice(std::string_view notice)
{
    InvokeOnGui([text = display::FromAnsi(notice)] { display::RefusedTextNotice() = text; });
}

std::u32string UnspellableCharacters(WindowHandle control)
{
    std::u32string unspellable;
    WithEntry(control, [&unspellable](Entry& entry) {
        QString text;
        if (auto* edit = qobject_cast<QLineEdit*>(entry.widget.data()))
            text = edit->text();
        else if (auto* box = qobject_cast<QPlainTextEdit*>(entry.widget.data()))
            text = box->document()->toRawText();
        else if (auto* combo = qobject_cast<QComboBox*>(entry.widget.data()))
            text = combo->currentText();
        unspellable = display::Unspellable(text);
    });
    return unspellable;
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

FontMetrics MeasureFont(const Font& font)
{
    return OnGui<FontMetrics>(FontMetrics {}, [&font] {
        const QFontMetrics metrics(display::ToQFont(font, QApplication::font()));
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
        return FontMetrics { (letters / 26 + 1) / 2, metrics.height() };
    });
}

Size MeasureText(const Font& font, std::string_view text, std::int32_t width)
{
    return OnGui<Size>(Size {}, [&font, text, width] {
        const QFontMetrics metrics(display::ToQFont(font, QApplication::font()));
        QString shown = display::FromAnsi(text);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const QRect bounds = metrics.boundingRect(
            QRect(0, 0, std::max(width, 1), 1 << 20), Qt::TextWordWrap | Qt::TextExpandTabs, shown);
        // Lines are counted as the system counts them, each the font's height, without the
        // leading Qt puts between lines.
        const int lines
            = std::max(1, (bounds.height() + metrics.leading()) / metrics.lineSpacing());
        return Size { bounds.width(), lines * metrics.height() };
    });
}

std::int32_t StandardIconSize()
{
    return OnGui<std::int32_t>(32, [] { return display::IconSizeOnGui(); });
}

WindowHandle CreateControl(const ControlOptions& options)
{
    return OnGui<WindowHandle>(
        0, [&options] { return display::CreateControlOnGui(options, false); });
}

WindowHandle FindControl(WindowHandle window, std::uint32_t id)
{
    return OnGui<WindowHandle>(0, [window, id] {
        display::Prune();
        for (const auto& [handle, entry] : display::Entries()) {
            if (entry.kind == EntryKind::Control && entry.window == window && entry.id == id)
                return handle;
        }
        return WindowHandle { 0 };
    });
}

std::uint32_t ControlId(WindowHandle control)
{
    return OnGui<std::uint32_t>(0, [control] {
        const Entry* entry = FindEntry(control);
        return entry != nullptr ? entry->id : 0;
    });
}

void SetChecked(WindowHandle control, bool checked)
{
    WithEntry(control, [checked](Entry& entry) {
        if (auto* check = qobject_cast<QAbstractButton*>(entry.widget.data()))
            check->setChecked(checked);
    });
}

bool IsChecked(WindowHandle control)
{
    return OnGui(false, [control] {
        const Entry* entry = FindEntry(control);
        const auto* check
            = entry != nullptr ? qobject_cast<QAbstractButton*>(entry->widget.data()) : nullptr;
        return check != nullptr && check->isChecked();
    });
}

void SetMenuBar(WindowHandle window, const std::vector<MenuItem>& menus)
{
    WithEntry(window, [window, &menus](Entry& entry) {
        if (entry.kind == EntryKind::Control || entry.kind == EntryKind::Dialog)
            return;
        QMenuBar* bar = display::MenuBarFor(entry, true);
        if (bar == nullptr)
            return;
        bar->clear();
        for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
            delete old;
        if (QWidget* corner = bar->cornerWidget(Qt::TopRightCorner)) {
            bar->setCornerWidget(nullptr, Qt::TopRightCorner);
            delete corner;
        }
        entry.menuItems.clear();
        // A right-justified entry of the bar and every entry after it sit at the bar's right end.
        const auto right = std::find_if(
            menus.begin(), menus.end(), [](const MenuItem& item) { return item.rightJustified; });
        display::AddMenuItems(bar, std::vector<MenuItem>(menus.begin(), right), entry, window);
        if (right != menus.end()) {
            auto* corner = new QMenuBar(bar);
            corner->setNativeMenuBar(false);
            display::AddMenuItems(corner, std::vector<MenuItem>(right, menus.end()), entry, window);
            bar->setCornerWidget(corner, Qt::TopRightCorner);
            corner->show();
        }
    });
}

void EnableMenuItem(WindowHandle window, std::uint32_t id, bool enabled)
{
    WithEntry(window, [id, enabled](Entry& entry) {
        auto found = entry.menuItems.find(id);
        if (found != entry.menuItems.end() && !found->second.isNull())
            found->second->setEnabled(enabled);
    });
}

void CheckMenuItem(WindowHandle window, std::uint32_t id, bool checked)
{
    WithEntry(window, [id, checked](Entry& entry) {
        auto found = entry.menuItems.find(id);
        if (found != entry.menuItems.end() && !found->second.isNull()) {
            found->second->setCheckable(true);
            found->second->setChecked(checked);
        }
    });
}

void SetStatusBar(WindowHandle window, const std::vector<std::int32_t>& widths)
{
    WithEntry(window, [&widths](Entry& entry) {
        if (entry.kind == EntryKind::Control || entry.kind == EntryKind::Dialog)
            return;
        QStatusBar* bar = nullptr;
        if (auto* main = qobject_cast<QMainWindow*>(entry.widget.data())) {
            bar = main->statusBar();
        } else {
            QWidget* content = entry.widget.data();
            if (auto* sub = qobject_cast<QMdiSubWindow*>(content))
                content = sub->widget();
            bar = content->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
            if (bar == nullptr && !widths.empty()) {
                bar = new QStatusBar(content);
                content->layout()->addWidget(bar);
            }
        }
        if (bar == nullptr)
            return;
        for (const QPointer<QLabel>& zone : entry.statusZones)
            delete zone.data();
        entry.statusZones.clear();
        for (const std::int32_t width : widths) {
            auto* zone = new QLabel(bar);
            if (width >= 0)
                zone->setFixedWidth(width);
            bar->addWidget(zone, width < 0 ? 1 : 0);
            entry.statusZones.emplace_back(zone);
        }
        bar->setVisible(!widths.empty());
    });
}

void SetStatusText(WindowHandle window, std::size_t zone, std::string_view text)
{
    WithEntry(window, [zone, text](Entry& entry) {
        if (zone < entry.statusZones.size() && !entry.statusZones[zone].isNull())
            entry.statusZones[zone]->setText(FromAnsi(text));
    });
}

std::string StatusText(WindowHandle window, std::size_t zone)
{
    std::string text;
    WithEntry(window, [zone, &text](Entry& entry) {
        if (zone < entry.statusZones.size() && !entry.statusZones[zone].isNull())
            text = ToAnsi(entry.statusZones[zone]->text());
    });
    return text;
}

void SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t milliseconds)
{
    WithEntry(window, [window, id, milliseconds](Entry& entry) {
        QPointer<QTimer>& timer = entry.timers[id];
        if (timer.isNull()) {
            timer = new QTimer(entry.widget.data());
            QObject::connect(timer.data(), &QTimer::timeout, timer.data(), [window, id] {
                const Entry* owner = FindEntry(window);
                if (owner == nullptr || owner->queue == nullptr)
                    return;
                Message message;
                message.message = Msg::kTimer;
                message.window = owner->window;
                message.id = id;
                owner->queue->PostUnlessQueued(std::move(message));
            });
        }
        // The system's shortest interval is ten milliseconds; none shorter keeps the loop busy.
        timer->start(static_cast<int>(std::clamp<std::uint32_t>(milliseconds, 10, 0x7FFFFFFF)));
    });
}

void KillTimer(WindowHandle window, std::uint32_t id)
{
    WithEntry(window, [id](Entry& entry) {
        auto found = entry.timers.find(id);
        if (found == entry.timers.end())
            return;
        delete found->second.data();
        entry.timers.erase(found);
    });
}

WindowHandle OpenDialog(const DialogTemplate& dialog)
{
    if (!DisplayRunning())
        return 0;
    std::shared_ptr<MessageQueue> queue = CurrentThreadQueue();
    return OnGui<WindowHandle>(
        0, [&dialog, &queue] { return display::OpenDialogOnGui(dialog, queue); });
}

void ArrangeMdiChildren(WindowHandle frame, MdiArrangement how)
{
    WithEntry(frame, [how](Entry& entry) {
        QMdiArea* area = display::MdiAreaOf(&entry);
        if (area == nullptr)
            return;
        const QList<QMdiSubWindow*> children = area->subWindowList(QMdiArea::CreationOrder);
        switch (how) {
        case MdiArrangement::Tile:
            area->tileSubWindows();
            return;
        case MdiArrangement::Cascade: {
            // Each keeps its own size (the toolkit's cascade would shrink hand-placed contents
            // to nothing), one title bar lower and further right than the one behind it.
            const int step = area->style()->pixelMetric(QStyle::PM_TitleBarHeight);
            int offset = 0;
            for (QMdiSubWindow* child : children) {
                if (child->isMinimized() || !child->isVisible())
                    continue;
                if (child->isMaximized())
                    child->showNormal();
                child->move(offset, offset);
                child->raise();
                offset += step;
            }
            return;
        }
        case MdiArrangement::ArrangeIcons: {
            // Minimised children in a row along the bottom, left to right, in opening order.
            int x = 0;
            for (QMdiSubWindow* child : children) {
                if (!child->isMinimized())
                    continue;
                const QSize size = child->size();
                child->move(x, area->viewport()->height() - size.height());
                x += size.width();
            }
            return;
        }
        case MdiArrangement::TileHorizontal:
        case MdiArrangement::TileVertical: {
            QList<QMdiSubWindow*> shown;
            for (QMdiSubWindow* child : children) {
                if (!child->isMinimized() && child->isVisible())
                    shown.push_back(child);
            }
            if (shown.isEmpty())
                return;
            const QSize space = area->viewport()->size();
            const int count = static_cast<int>(shown.size());
            for (int i = 0; i < count; ++i) {
                QMdiSubWindow* child = shown[i];
                if (child->isMaximized())
                    child->showNormal();
                if (how == MdiArrangement::TileHorizontal) {
                    const int top = space.height() * i / count;
                    child->setGeometry(
                        0, top, space.width(), space.height() * (i + 1) / count - top);
                } else {
                    const int left = space.width() * i / count;
                    child->setGeometry(
                        left, 0, space.width() * (i + 1) / count - left, space.height());
                }
            }
            return;
        }
        }
    });
}

std::vector<WindowHandle> MdiChildren(WindowHandle frame)
{
    return OnGui<std::vector<WindowHandle>>({}, [frame] {
        std::vector<WindowHandle> handles;
        Entry* entry = FindEntry(frame);
        QMdiArea* area = display::MdiAreaOf(entry);
        if (area == nullptr)
            return handles;
        for (QMdiSubWindow* child : area->subWindowList(QMdiArea::CreationOrder)) {
            if (WindowHandle handle = display::HandleOf(child))
                handles.push_back(handle);
        }
        return handles;
    });
}

bool EditFocused(EditCommand command)
{
    return OnGui<bool>(false, [command] {
        QWidget* focus = QApplication::focusWidget();
        if (display::HandleOf(focus) == 0)
            return false;
        if (auto* combo = qobject_cast<QComboBox*>(focus); combo != nullptr && combo->isEditable())
            focus = combo->lineEdit();
        if (auto* line = qobject_cast<QLineEdit*>(focus)) {
            // Qt's own commands would change a read-only entry: it only gives its text away.
            if (line->isReadOnly()) {
                if (command == EditCommand::Copy)
                    line->copy();
                return true;
            }
            switch (command) {
            case EditCommand::Cut:
                line->cut();
                break;
            case EditCommand::Copy:
                line->copy();
                break;
            case EditCommand::Paste:
                line->paste();
                break;
            case EditCommand::Clear:
                line->del();
                break;
            case EditCommand::Undo:
                line->undo();
                break;
            }
            return true;
        }
        if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) {
            if (text->isReadOnly()) {
                if (command == EditCommand::Copy)
                    text->copy();
                return true;
            }
            switch (command) {
            case EditCommand::Cut:
                text->cut();
                break;
            case EditCommand::Copy:
                text->copy();
                break;
            case EditCommand::Paste:
                text->paste();
                break;
            case EditCommand::Clear:
                text->textCursor().removeSelectedText();
                break;
            case EditCommand::Undo:
                text->undo();
                break;
            }
            return true;
        }
        return false;
    });
}

std::optional<ControlOptions> DescribeControl(WindowHandle control)
{
    return OnGui<std::optional<ControlOptions>>(std::nullopt, [control] {
        std::optional<ControlOptions> described;
        Entry* entry = FindEntry(control);
        if (entry == nullptr || entry->kind != EntryKind::Control)
            return described;
        QWidget* widget = entry->widget.data();
        ControlOptions options;
        options.kind = entry->control;
        options.id = entry->id;
        options.rect = { widget->x(), widget->y(), widget->width(), widget->height() };
        options.tabStop = widget->focusPolicy() == Qt::StrongFocus;
        options.enabled = widget->isEnabled();
        options.visible = !widget->isHidden();
        options.accessibleName = ToAnsi(widget->accessibleName());
        options.accessibleDescription = ToAnsi(widget->accessibleDescription());
        Qt::Alignment alignment = Qt::AlignLeft;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            options.text = ToAnsi(label->text());
            alignment = label->alignment();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            options.text = ToAnsi(button->text());
            if (auto* push = qobject_cast<QPushButton*>(widget))
                options.defaultButton = push->isDefault();
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            options.text = ToAnsi(box->title());
        } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            options.text = ToAnsi(line->text());
            options.border = line->hasFrame();
            options.maxLength = static_cast<std::uint32_t>(line->maxLength());
            options.readOnly = line->isReadOnly();
            alignment = line->alignment();
        } else if (auto* frame = qobject_cast<QFrame*>(widget)) {
            options.border = frame->frameShape() != QFrame::NoFrame;
            if (auto* textBox = qobject_cast<QPlainTextEdit*>(widget))
                options.readOnly = textBox->isReadOnly();
        }
        options.alignment = (alignment & Qt::AlignHCenter) != 0 ? Alignment::Centre
            : (alignment & Qt::AlignRight) != 0                 ? Alignment::Right
                                                                : Alignment::Left;
        const QPalette palette = widget->palette();
        if (palette.isBrushSet(QPalette::Active, QPalette::Text)) {
            const QColor colour = palette.color(QPalette::Text);
            options.textColour = static_cast<std::uint32_t>(colour.red())
                | static_cast<std::uint32_t>(colour.green()) << 8
                | static_cast<std::uint32_t>(colour.blue()) << 16;
        }
        const QFont font = widget->font();
        options.font.face = ToAnsi(font.family());
        options.font.pointSize = font.pointSize();
        options.font.weight = font.weight() >= QFont::Bold ? 700 : 400;
        described = std::move(options);
        return described;
    });
}

void SetAccessibleDescription(WindowHandle control, std::string_view text)
{
    WithEntry(control, [text](Entry& entry) {
        if (entry.kind == EntryKind::Control)
            entry.widget->setAccessibleDescription(FromAnsi(text));
    });
}

std::optional<MenuItem> DescribeMenuItem(WindowHandle window, std::uint32_t id)
{
    return OnGui<std::optional<MenuItem>>(std::nullopt, [window, id] {
        std::optional<MenuItem> described;
        Entry* entry = FindEntry(window);
        if (entry == nullptr)
            return described;
        auto found = entry->menuItems.find(id);
        if (found == entry->menuItems.end() || found->second.isNull())
            return described;
        QAction* action = found->second.data();
        MenuItem item;
        item.id = id;
        item.text = ToAnsi(action->text());
        item.enabled = action->isEnabled();
        item.checkable = action->isCheckable();
        item.checked = action->isChecked();
        if (QMenuBar* bar = display::MenuBarFor(*entry, false)) {
            const QWidget* corner = bar->cornerWidget(Qt::TopRightCorner);
            item.rightJustified = corner != nullptr && action->parent() == corner;
        }
        if (QMenu* menu = action->menu()) {
            Q_EMIT menu->aboutToShow(); // what it holds as it opens
            for (const QAction* inner : menu->actions()) {
                MenuItem child;
                child.separator = inner->isSeparator();
                child.text = ToAnsi(inner->text());
                item.items.push_back(std::move(child));
            }
        }
        described = std::move(item);
        return described;
    });
}

void SetWindowListMenu(WindowHandle frame, std::uint32_t menuId)
{
    WithEntry(frame, [frame, menuId](Entry& entry) {
        auto found = entry.menuItems.find(menuId);
        if (entry.kind != EntryKind::Frame || found == entry.menuItems.end()
            || found->second.isNull() || found->second->menu() == nullptr)
            return;
        QMenu* menu = found->second->menu();
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, frame] {
            static const char* const kListed = "varnWindowList";
            for (QAction* old : menu->actions()) {
                if (old->property(kListed).toBool()) {
                    menu->removeAction(old);
                    delete old;
                }
            }
            QMdiArea* area = display::MdiAreaOf(FindEntry(frame));
            if (area == nullptr)
                return;
            const QList<QMdiSubWindow*> children = area->subWindowList(QMdiArea::CreationOrder);
            if (children.isEmpty())
                return;
            menu->addSeparator()->setProperty(kListed, true);
            int number = 0;
            for (QMdiSubWindow* child : children) {
                ++number;
                QAction* item = menu->addAction(
                    QStringLiteral("&%1 %2").arg(number).arg(child->windowTitle()));
                item->setProperty(kListed, true);
                item->setCheckable(true);
                item->setChecked(child == area->activeSubWindow());
                const QPointer<QMdiSubWindow> target(child);
                QObject::connect(item, &QAction::triggered, item, [area, target] {
                    if (!target.isNull())
                        area->setActiveSubWindow(target.data());
                });
            }
        });
    });
}

namespace {

/// The warning shown when the session's end is refused; no controls: no refusal. GUI thread.
DialogTemplate& SessionWarning()
{
    static DialogTemplate warning;
    return warning;
}

bool AnswerSessionEndOnGui()
{
    const DialogTemplate& warning = SessionWarning();
    if (warning.controls.empty())
        return true;
    bool windowOpen = false;
    for (const WindowHandle handle : display::WindowHandles()) {
        const Entry* entry = FindEntry(handle);
        windowOpen = windowOpen || (entry != nullptr && entry->kind != EntryKind::Control);
    }
    if (!windowOpen)
        return true;
    display::OpenDialogOnGui(warning, nullptr);
    return false;
}

} // namespace

void RefuseSessionEnd(const DialogTemplate& warning)
{
    InvokeOnGui([&warning] {
        SessionWarning() = warning;
        // One connection per application object (the display may run more than once).
        static QPointer<QGuiApplication> connectedTo;
        auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        if (application == nullptr || connectedTo == application)
            return;
        connectedTo = application;
        QObject::connect(application, &QGuiApplication::commitDataRequest, application,
            [](QSessionManager& manager) {
                if (!AnswerSessionEndOnGui())
                    manager.cancel();
            });
    });
}

bool AnswerSessionEnd()
{
    return OnGui<bool>(true, [] { return AnswerSessionEndOnGui(); });
}

} // namespace platform
