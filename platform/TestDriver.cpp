#include "TestDriver.h"

#include "DisplayControls.h"
#include "DisplayDialogs.h"
#include "DisplayKeys.h"
#include "DisplayLife.h"
#include "DisplayMenus.h"
#include "DisplayRegistry.h"
#include "DisplaySession.h"
#include "FileDialog.h"
#include "Text.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <utility>

namespace platform::test {

namespace {

using display::Entry;
using display::FindEntry;

/// Sends one key press and release to `target`, carrying `text` as a keyboard would.
void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QPointer<QWidget> receiver = target;
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(receiver.data(), &press);
    if (receiver.isNull())
        return; // the key ended the window
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(receiver.data(), &release);
}

/// The key a keyboard reports with character `c`.
int KeyOfCharacter(char32_t c)
{
    if (c == U'\n' || c == U'\r')
        return Qt::Key_Return;
    if (c == U'\t')
        return Qt::Key_Tab;
    if (c == U'\b')
        return Qt::Key_Backspace;
    if (c == 0x1B)
        return Qt::Key_Escape;
    if (c >= U'a' && c <= U'z')
        return static_cast<int>(c - U'a' + U'A');
    const QString upper = QString::fromUcs4(&c, 1).toUpper();
    return upper.size() == 1 ? static_cast<int>(upper.at(0).unicode())
                             : static_cast<int>(Qt::Key_unknown);
}

/// The widget keys for `handle` go to: its window's focus widget when that lies inside it.
QWidget* KeyTarget(QWidget* widget)
{
    QWidget* focus = widget->window()->focusWidget();
    if (focus != nullptr && (focus == widget || widget->isAncestorOf(focus)))
        return focus;
    return widget;
}

/// True when a modal dialog keeps the user away from window `top`: an application-modal one,
/// or a window-modal one owned by `top` or by a window that `top` owns.
bool IsBlocked(const QWidget* top)
{
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == top)
        return false;
    if (modal->windowModality() == Qt::ApplicationModal)
        return true;
    for (const QWidget* up = modal->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (up->window() == top)
            return true;
    }
    return false;
}

/// Makes `widget`'s window the active one and gives the widget the focus, at once.
void Focus(QWidget* widget)
{
    QWidget* top = widget->window();
    if (!top->isActiveWindow()) {
        top->activateWindow();
        QApplication::setActiveWindow(top);
    }
    widget->setFocus(Qt::OtherFocusReason);
}

/// True when the user can reach `action` of a window's menus: it and every menu holding it are
/// enabled, and neither the window nor a modal dialog keeps the user away.
bool Reachable(const Entry& window, const QAction* action)
{
    if (!action->isEnabled() || !window.widget->isEnabled() || IsBlocked(window.widget->window()))
        return false;
    for (auto* menu = qobject_cast<QMenu*>(action->parent()); menu != nullptr;
         menu = qobject_cast<QMenu*>(menu->parent())) {
        if (!menu->menuAction()->isEnabled())
            return false;
    }
    return true;
}

/// The file dialog behind `handle`, null when it is none.
QFileDialog* FileDialogOf(WindowHandle handle)
{
    const Entry* entry = FindEntry(handle);
    return entry != nullptr ? qobject_cast<QFileDialog*>(entry->widget.data()) : nullptr;
}

/// The question or warning standing over `dialog`, null when there is none.
QMessageBox* QuestionOver(QFileDialog* dialog)
{
    for (QMessageBox* box : dialog->findChildren<QMessageBox*>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

WindowHandle FindWindowByTitle(std::string_view titleUtf8)
{
    const QString title
        = QString::fromUtf8(titleUtf8.data(), static_cast<qsizetype>(titleUtf8.size()));
    WindowHandle found = 0;
    InvokeOnGui([&title, &found] {
        for (const WindowHandle handle : display::WindowHandles()) {
            const Entry* entry = FindEntry(handle);
            if (entry != nullptr && entry->widget->windowTitle() == title) {
                found = handle;
                return;
            }
        }
    });
    return found;
}

WindowHandle ActiveDialog()
{
    WindowHandle found = 0;
    InvokeOnGui([&found] {
        const Entry* entry = FindEntry(display::HandleOf(QApplication::activeModalWidget()));
        if (entry != nullptr && entry->kind == display::EntryKind::Dialog)
            found = entry->window;
    });
    return found;
}

namespace {

/// Gives `control` the focus as a user's click would and runs `input` on it with the text;
/// nothing when the control is gone or its window is blocked by a modal dialog.
template<typename Input>
void InputInto(WindowHandle control, std::string_view textUtf8, const Input& input)
{
    const QString text
        = QString::fromUtf8(textUtf8.data(), static_cast<qsizetype>(textUtf8.size()));
    InvokeOnGui([control, &text, &input] {
        const Entry* entry = FindEntry(control);
        if (entry == nullptr)
            return;
        QPointer<QWidget> widget = entry->widget.data();
        if (IsBlocked(widget->window()))
            return;
        Focus(widget);
        input(widget, text);
    });
}

} // namespace

void TypeText(WindowHandle control, std::string_view textUtf8)
{
    InputInto(control, textUtf8, [](QPointer<QWidget>& widget, const QString& text) {
        for (const char32_t c : text.toUcs4()) {
            if (widget.isNull())
                return;
            const QString typed = c == U'\n' ? QStringLiteral("\r") : QString::fromUcs4(&c, 1);
            SendKey(KeyTarget(widget), KeyOfCharacter(c), Qt::NoModifier, typed);
        }
    });
}

void Paste(WindowHandle control, std::string_view textUtf8)
{
    InputInto(control, textUtf8, [](QPointer<QWidget>& widget, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        SendKey(KeyTarget(widget), Qt::Key_V, Qt::ControlModifier, QString());
    });
}

void SetClipboardText(std::string_view textUtf8)
{
    const QString text
        = QString::fromUtf8(textUtf8.data(), static_cast<qsizetype>(textUtf8.size()));
    InvokeOnGui([&text] { QGuiApplication::clipboard()->setText(text); });
}

void InsertThroughAccessibility(WindowHandle control, std::string_view textUtf8)
{
    const QString text
        = QString::fromUtf8(textUtf8.data(), static_cast<qsizetype>(textUtf8.size()));
    InvokeOnGui([control, &text] {
        const Entry* entry = FindEntry(control);
        if (entry == nullptr)
            return;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(entry->widget.data());
        QAccessibleEditableTextInterface* editable
            = face != nullptr ? face->editableTextInterface() : nullptr;
        QAccessibleTextInterface* plain = face != nullptr ? face->textInterface() : nullptr;
        if (editable != nullptr && plain != nullptr)
            editable->insertText(plain->characterCount(), text);
    });
}

std::string ToolTipText()
{
    std::string text;
    InvokeOnGui([&text] {
        if (QToolTip::isVisible())
            text = QToolTip::text().toStdString();
    });
    return text;
}

namespace {

/// Drags what `fill` puts in the drag's data to the middle of `target` and drops it as the
/// toolkit's drag manager does: enter and move events sent to the top-level window, which
/// offers them to the widget under the drag, and the drop only when the move was taken.
bool DragAndDrop(WindowHandle target, const std::function<void(QMimeData&)>& fill)
{
    bool dropped = false;
    InvokeOnGui([target, &fill, &dropped] {
        QMimeData data; // made on the GUI thread, which owns it while the drag lasts
        fill(data);
        const Entry* entry = FindEntry(target);
        if (entry == nullptr || !entry->widget->isVisible())
            return;
        QWidget* widget = entry->widget.data();
        QWidget* top = widget->window();
        QWindow* window = top->windowHandle();
        if (window == nullptr || IsBlocked(top))
            return;
        const QPoint at = widget->mapTo(top, widget->rect().center());
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
        move.setAccepted(enter.isAccepted());
        QCoreApplication::sendEvent(window, &move);
        if (!move.isAccepted() || move.dropAction() == Qt::IgnoreAction) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(window, &leave);
            return;
        }
        QDropEvent drop(QPointF(at), actions, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setDropAction(move.dropAction());
        QCoreApplication::sendEvent(window, &drop);
        dropped = drop.isAccepted();
    });
    return dropped;
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool DropFiles(WindowHandle target, const std::vector<std::string>& pathsUtf8)
{
    return DragAndDrop(target, [&pathsUtf8](QMimeData& data) {
        QList<QUrl> urls;
        for (const std::string& path : pathsUtf8)
            urls.push_back(QUrl::fromLocalFile(FromUtf8(path)));
        data.setUrls(urls);
    });
}

bool DropUrls(WindowHandle target, const std::vector<std::string>& urls)
{
    return DragAndDrop(target, [&urls](QMimeData& data) {
        QList<QUrl> list;
        for (const std::string& url : urls)
            list.push_back(QUrl(FromUtf8(url)));
        data.setUrls(list);
    });
}

bool DropText(WindowHandle target, std::string_view textUtf8)
{
    return DragAndDrop(target, [textUtf8](QMimeData& data) { data.setText(FromUtf8(textUtf8)); });
}

void Click(WindowHandle control)
{
    InvokeOnGui([control] {
        const Entry* entry = FindEntry(control);
        if (entry == nullptr || !entry->widget->isVisible())
            return;
        QWidget* widget = entry->widget.data();
        QWidget* top = widget->window();
        QWindow* window = top->windowHandle();
        if (window == nullptr)
            return;
        const QPoint at = widget->mapTo(top, widget->rect().center());
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
    });
}

void PressKey(WindowHandle window, std::uint32_t key, std::uint32_t keyState)
{
    InvokeOnGui([window, key, keyState] {
        const Entry* entry = FindEntry(window);
        if (entry == nullptr)
            return;
        Qt::KeyboardModifiers modifiers;
        if ((keyState & KeyState::kShift) != 0)
            modifiers |= Qt::ShiftModifier;
        if ((keyState & KeyState::kControl) != 0)
            modifiers |= Qt::ControlModifier;
        if ((keyState & KeyState::kAlt) != 0)
            modifiers |= Qt::AltModifier;
        const int qtKey = display::QtKeyOf(key);
        QString text;
        switch (key) {
        case 0x0D:
            text = QStringLiteral("\r");
            break;
        case 0x1B:
            text = QString(QChar(0x1B));
            break;
        case 0x09:
            text = QStringLiteral("\t");
            break;
        case 0x08:
            text = QStringLiteral("\b");
            break;
        case 0x20:
            text = QStringLiteral(" ");
            break;
        default:
            if (key >= 'A' && key <= 'Z' && modifiers == Qt::NoModifier)
                text = QChar(static_cast<char16_t>(key - 'A' + 'a'));
            else if (key >= '0' && key <= '9' && modifiers == Qt::NoModifier)
                text = QChar(static_cast<char16_t>(key));
            break;
        }
        QWidget* widget = entry->widget.data();
        if (IsBlocked(widget->window()))
            return;
        if (!widget->window()->isActiveWindow())
            Focus(widget->window()->focusWidget() != nullptr ? widget->window()->focusWidget()
                                                             : widget);
        SendKey(KeyTarget(widget), qtKey, modifiers, text);
    });
}

void ChooseMenuItem(WindowHandle window, std::uint32_t id)
{
    InvokeOnGui([window, id] {
        Entry* entry = FindEntry(window);
        if (entry == nullptr)
            return;
        auto found = entry->menuItems.find(id);
        if (found == entry->menuItems.end() || found->second.isNull())
            return;
        QAction* action = found->second.data();
        if (Reachable(*entry, action))
            action->trigger();
    });
}

void OpenMenu(WindowHandle window, std::uint32_t id)
{
    InvokeOnGui([window, id] {
        Entry* entry = FindEntry(window);
        QMenu* menu = entry != nullptr ? display::MenuOfItem(*entry, id) : nullptr;
        if (menu == nullptr || !Reachable(*entry, menu->menuAction()))
            return;
        // Where the menu drops down below its title, on the bar or in a menu holding it.
        QPoint at = entry->widget->mapToGlobal(QPoint(0, 0));
        if (auto* bar = qobject_cast<QMenuBar*>(menu->menuAction()->parent()))
            at = bar->mapToGlobal(bar->actionGeometry(menu->menuAction()).bottomLeft());
        menu->popup(at);
        menu->close();
    });
}

std::optional<MenuItem> DescribeMenuItem(WindowHandle window, std::uint32_t id)
{
    std::optional<MenuItem> described;
    InvokeOnGui([window, id, &described] {
        if (Entry* entry = FindEntry(window))
            described = display::DescribeMenuItemOnGui(*entry, id);
    });
    return described;
}

std::optional<ControlOptions> DescribeControl(WindowHandle control)
{
    std::optional<ControlOptions> described;
    InvokeOnGui([control, &described] {
        const Entry* entry = FindEntry(control);
        if (entry != nullptr && entry->kind == display::EntryKind::Control)
            described = display::DescribeControlOnGui(*entry);
    });
    return described;
}

namespace {

/// What the display told assistive technology while a test records it (GUI thread only).
std::vector<AccessibleNotice> g_accessibleNotices;

void KeepAccessibleNotice(QWidget& widget, QAccessible::Event event)
{
    AccessibleNotice notice;
    notice.control = display::OwnHandleOf(&widget);
    notice.event = event == QAccessible::NameChanged ? AccessibleEvent::NameChanged
        : event == QAccessible::Alert                ? AccessibleEvent::Alert
                                                     : AccessibleEvent::Other;
    if (QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&widget))
        notice.name = face->text(QAccessible::Name).toStdString();
    g_accessibleNotices.push_back(std::move(notice));
}

} // namespace

void StartRecordingAccessibleNotices()
{
    InvokeOnGui([] {
        g_accessibleNotices.clear();
        display::ObserveAccessibleEvents(&KeepAccessibleNotice);
    });
}

void StopRecordingAccessibleNotices()
{
    InvokeOnGui([] {
        display::ObserveAccessibleEvents(nullptr);
        g_accessibleNotices.clear();
    });
}

std::vector<AccessibleNotice> AccessibleNotices()
{
    std::vector<AccessibleNotice> notices;
    InvokeOnGui([&notices] { notices = g_accessibleNotices; });
    return notices;
}

bool AnswerSessionEnd()
{
    bool answer = true;
    InvokeOnGui([&answer] { answer = display::AnswerSessionEndOnGui(); });
    return answer;
}

QWidget* WidgetOf(WindowHandle handle)
{
    const Entry* entry = FindEntry(handle);
    return entry != nullptr ? entry->widget.data() : nullptr;
}

void RequestClose(WindowHandle window)
{
    InvokeOnGui([window] {
        const Entry* entry = FindEntry(window);
        if (entry != nullptr && !IsBlocked(entry->widget->window()))
            entry->widget->close();
    });
}

void AnswerNextDialog(std::uint32_t buttonId)
{
    InvokeOnGui([buttonId] { display::SetNextDialogAnswer(buttonId); });
}

std::optional<FileDialogView> DescribeFileDialog(WindowHandle dialog)
{
    std::optional<FileDialogView> described;
    InvokeOnGui([dialog, &described] {
        QFileDialog* files = FileDialogOf(dialog);
        if (files == nullptr || !files->isVisible())
            return;
        FileDialogView view;
        view.title = files->windowTitle().toStdString();
        if (auto* types = files->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int index = 0; index < types->count(); ++index)
                view.filters.push_back(types->itemText(index).toStdString());
        }
        view.directory = files->directory().absolutePath().toStdString();
        if (auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            view.fileName = edit->text().toStdString();
        view.save = files->acceptMode() == QFileDialog::AcceptSave;
        view.directoryChoice = files->fileMode() == QFileDialog::Directory;
        view.multiple = files->fileMode() == QFileDialog::ExistingFiles;
        if (auto* list = files->findChild<QListView*>(QStringLiteral("listView"));
            list != nullptr && list->model() != nullptr) {
            const QAbstractItemModel* model = list->model();
            const QModelIndex root = list->rootIndex();
            for (int row = 0; row < model->rowCount(root); ++row) {
                if (!list->isRowHidden(row))
                    view.listed.push_back(
                        model->index(row, 0, root).data().toString().toStdString());
            }
        }
        if (const QMessageBox* box = QuestionOver(files))
            view.question = box->text().toStdString();
        described = std::move(view);
    });
    return described;
}

void AnswerNextFileDialog(std::vector<std::string> pathsUtf8)
{
    InvokeOnGui([&pathsUtf8] { display::SetNextFileDialogAnswer(std::move(pathsUtf8)); });
}

bool AnswerFileDialog(WindowHandle dialog, std::vector<std::string> pathsUtf8)
{
    bool answered = false;
    InvokeOnGui([dialog, &pathsUtf8, &answered] {
        QFileDialog* files = FileDialogOf(dialog);
        if (files != nullptr && QuestionOver(files) == nullptr)
            answered = display::AnswerFileDialog(dialog, pathsUtf8);
    });
    return answered;
}

bool AnswerFileDialogQuestion(WindowHandle dialog, QuestionReply reply)
{
    bool answered = false;
    InvokeOnGui([dialog, reply, &answered] {
        QFileDialog* files = FileDialogOf(dialog);
        QMessageBox* box = files != nullptr ? QuestionOver(files) : nullptr;
        if (box == nullptr)
            return;
        QAbstractButton* button = nullptr;
        if (reply == QuestionReply::No) {
            button = box->button(QMessageBox::No);
        } else {
            button = box->button(QMessageBox::Yes);
            if (button == nullptr)
                button = box->button(QMessageBox::Ok);
        }
        if (button == nullptr)
            return;
        button->click();
        answered = true;
    });
    return answered;
}

bool WaitUntilIdle(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int quietRounds = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::uint64_t seen = QueueActivity();
        bool reading = false;
        const bool served = InvokeOnGui([&reading] {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            reading = display::FileDialogsLoading();
        });
        const bool idle = AllQueuesIdle() && display::CallsInFlight() == 0
            && QueueActivity() == seen && !reading;
        if (idle && served) {
            // Twice in a row: what the first round's events set going has come to rest too.
            if (++quietRounds == 2)
                return true;
            continue;
        }
        if (!served)
            return AllQueuesIdle();
        quietRounds = 0;
        WaitForQueueActivity(QueueActivity(), std::chrono::milliseconds(5));
    }
    return false;
}

void SilenceHarmlessPlatformWarnings()
{
    static QtMessageHandler previous = nullptr;
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            const bool harmless = type != QtFatalMsg && type != QtCriticalMsg
                && (message.contains(QLatin1String("This plugin does not support"))
                    || message.startsWith(QLatin1String("QStandardPaths:"))
                    || message.contains(QLatin1String("propagateSizeHints")));
            if (!harmless && previous != nullptr)
                previous(type, context, message);
            else if (!harmless)
                std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        });
}

std::string TextOf(WindowHandle window)
{
    const std::string ansi = WindowText(window);
    const Result<std::string> utf8 = AnsiToUtf8(ansi);
    return utf8 ? *utf8 : std::string();
}

} // namespace platform::test
