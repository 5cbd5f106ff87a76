#include "FileDialog.h"

#include "Display.h"
#include "DisplayRegistry.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace platform {

namespace display {

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

/// The text the toolkit's own file dialog uses, in the language its translation gives it.
QString DialogText(const char* source)
{
    return QCoreApplication::translate("QFileDialog", source);
}

/// Answers of ended dialogs, written on the GUI thread and taken by the thread that opened
/// the dialog, which may do so while the display is already winding down.
struct Answers {
    std::mutex mutex;
    std::map<WindowHandle, std::vector<std::string>> paths;
};

Answers& TheAnswers()
{
    static Answers answers;
    return answers;
}

/// The toolkit's file dialog, made to end as the runtime's dialogs do: it never runs a loop of
/// its own (its questions are opened, not executed), and its end is posted to the thread
/// that opened it.
class RuntimeFileDialog final : public QFileDialog {
public:
    RuntimeFileDialog(QWidget* parent, bool confirmOverwrite)
        : QFileDialog(parent)
        , m_confirmOverwrite(confirmOverwrite)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        // The question is asked here, without the toolkit's nested loop (see accept).
        setOption(QFileDialog::DontConfirmOverwrite, true);
        setOption(QFileDialog::HideNameFilterDetails, true);
    }

    void Attach(WindowHandle handle, WindowHandle owner, std::shared_ptr<MessageQueue> queue)
    {
        m_handle = handle;
        m_owner = owner;
        m_queue = std::move(queue);
    }

    /// Waits for the directory shown when the dialog was set up, and each one entered after.
    void WatchLoading()
    {
        QFileSystemModel* model = findChild<QFileSystemModel*>();
        if (model == nullptr)
            return;
        m_loading = model->rootPath();
        connect(model, &QFileSystemModel::rootPathChanged, this,
            [this](const QString& path) { m_loading = path; });
        connect(model, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
            if (m_loading && *m_loading == path)
                m_loading.reset();
        });
    }

    bool Loading() const { return m_loading.has_value(); }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.isEmpty())
            return;
        if (const std::optional<QString> problem = Refusal(files)) {
            Tell(*problem, QMessageBox::Ok, [] {});
            return;
        }
        const QFileInfo first(files.first());
        if (acceptMode() == QFileDialog::AcceptSave && m_confirmOverwrite && first.exists()
            && !first.isDir()) {
            const QString question = DialogText("%1 already exists.\nDo you want to replace it?")
                                         .arg(first.fileName());
            Tell(question, QMessageBox::Yes | QMessageBox::No, [this] { QFileDialog::accept(); });
            return;
        }
        QFileDialog::accept();
    }

    void done(int result) override
    {
        if (!m_finished) {
            m_finished = true;
            Finish(result == QDialog::Accepted);
        }
        QFileDialog::done(result);
        deleteLater();
    }

private:
    /// Why the chosen names cannot be taken, in the toolkit's words; nothing when they can.
    /// These are the checks the toolkit itself makes with a nested loop.
    std::optional<QString> Refusal(const QStringList& files) const
    {
        switch (fileMode()) {
        case QFileDialog::Directory:
            if (!QFileInfo(files.first()).isDir())
                return DialogText("%1\nDirectory not found.\nPlease verify the "
                                  "correct directory name was given.")
                    .arg(QFileInfo(files.first()).fileName());
            return std::nullopt;
        case QFileDialog::ExistingFile:
        case QFileDialog::ExistingFiles:
            for (const QString& file : files) {
                if (!QFileInfo::exists(file))
                    return DialogText("%1\nFile not found.\nPlease verify the "
                                      "correct file name was given.")
                        .arg(QFileInfo(file).fileName());
            }
            return std::nullopt;
        case QFileDialog::AnyFile:
            // Neither an open nor a save can name a file in a directory that is not there.
            if (!QFileInfo(files.first()).absoluteDir().exists())
                return DialogText("%1\nDirectory not found.\nPlease verify the "
                                  "correct directory name was given.")
                    .arg(QFileInfo(files.first()).absolutePath());
            return std::nullopt;
        }
        return std::nullopt;
    }

    /// Shows `text` window-modal over the dialog; `onYes` runs when it is answered Yes.
    template<typename F>
    void Tell(const QString& text, QMessageBox::StandardButtons buttons, F onYes)
    {
        auto* box = new QMessageBox(
            buttons == QMessageBox::Ok ? QMessageBox::Warning : QMessageBox::Question,
            windowTitle(), text, buttons, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        if ((buttons & QMessageBox::No) != 0)
            box->setDefaultButton(QMessageBox::No);
        connect(box, &QMessageBox::finished, this, [box, onYes](int) {
            if (box->standardButton(box->clickedButton()) == QMessageBox::Yes)
                onYes();
        });
        box->open();
    }

    void Finish(bool accepted)
    {
        if (accepted) {
            std::vector<std::string> paths;
            for (const QString& file : selectedFiles())
                paths.push_back(QDir::cleanPath(QFileInfo(file).absoluteFilePath()).toStdString());
            Answers& answers = TheAnswers();
            const std::lock_guard lock(answers.mutex);
            answers.paths[m_handle] = std::move(paths);
        }
        if (m_queue == nullptr)
            return;
        Message message;
        message.message = Msg::kDialogFinished;
        message.id = m_handle;
        message.wParam = accepted ? 1 : 0;
        message.window = m_owner;
        m_queue->Post(std::move(message));
    }

    bool m_confirmOverwrite;
    WindowHandle m_handle = 0;
    WindowHandle m_owner = 0;
    std::shared_ptr<MessageQueue> m_queue;
    bool m_finished = false;
    std::optional<QString> m_loading;
};

/// File dialogs up, for the idle test. GUI thread.
std::vector<QPointer<RuntimeFileDialog>>& OpenDialogs()
{
    static std::vector<QPointer<RuntimeFileDialog>> dialogs;
    std::erase_if(
        dialogs, [](const QPointer<RuntimeFileDialog>& dialog) { return dialog.isNull(); });
    return dialogs;
}

std::optional<std::vector<std::string>>& NextAnswer()
{
    static std::optional<std::vector<std::string>> answer;
    return answer;
}

/// The owner's top-level widget; with no owner given, the application frame's (none: null).
/// `found` is false when a given owner is gone.
QWidget* OwnerWidget(WindowHandle& owner, bool& found)
{
    found = true;
    if (owner == 0) {
        for (const WindowHandle handle : WindowHandles()) {
            const Entry* entry = FindEntry(handle);
            if (entry != nullptr && entry->kind == EntryKind::Frame) {
                owner = handle;
                return entry->widget->window();
            }
        }
        return nullptr;
    }
    const Entry* entry = FindEntry(owner);
    found = entry != nullptr;
    return found ? entry->widget->window() : nullptr;
}

/// The patterns the toolkit matches: "*.*" means every file here as it does to the runtime's
/// users, where the toolkit would ask for a dot in the name.
QString PatternsOf(const FileFilter& filter)
{
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) {
        const QString one = FromUtf8(pattern).trimmed();
        if (!one.isEmpty())
            patterns.append(one == QLatin1String("*.*") ? QStringLiteral("*") : one);
    }
    return patterns.isEmpty() ? QStringLiteral("*") : patterns.join(u' ');
}

/// Where the dialog starts and the name it offers.
std::pair<QString, QString> StartOf(const FileDialogOptions& options)
{
    QString directory = FromUtf8(options.initialDirectory);
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        directory = QDir::currentPath();
    directory = QDir(directory).absolutePath();
    QString name = FromUtf8(options.initialName);
    const qsizetype slash = name.lastIndexOf(u'/');
    if (slash >= 0) {
        const QString part = name.left(slash + 1);
        const QString inside = QDir::isAbsolutePath(part) ? part : directory + u'/' + part;
        if (QFileInfo(inside).isDir())
            directory = QDir(inside).absolutePath();
        name = name.mid(slash + 1);
    }
    return { directory, name };
}

WindowHandle OpenFileDialogOnGui(
    const FileDialogOptions& options, std::shared_ptr<MessageQueue> queue)
{
    WindowHandle owner = options.owner;
    bool ownerFound = true;
    QWidget* parent = OwnerWidget(owner, ownerFound);
    if (!ownerFound)
        return 0;

    const bool save = options.mode == FileDialogMode::Save;
    auto* dialog = new RuntimeFileDialog(parent, save && options.confirmOverwrite);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    switch (options.mode) {
    case FileDialogMode::Open:
        dialog->setFileMode(options.multiple ? QFileDialog::ExistingFiles
                : options.mustExist          ? QFileDialog::ExistingFile
                                             : QFileDialog::AnyFile);
        break;
    case FileDialogMode::Save:
        dialog->setFileMode(QFileDialog::AnyFile);
        break;
    case FileDialogMode::Directory:
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
        break;
    }
    // Users expect "*.TXT" to list "zapisnik.txt": the toolkit matches patterns with regard to
    // case where the file system has it, so the filter drops the distinction before the
    // patterns are set (the model compiles them with the case rule in force).
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    if (options.mode != FileDialogMode::Directory && !options.filters.empty()) {
        QStringList filters;
        for (const FileFilter& filter : options.filters) {
            // The toolkit reads the patterns from the last parentheses and, told to hide the
            // details, shows what stands before them.
            filters.append(
                FromUtf8(filter.description) + QStringLiteral(" (") + PatternsOf(filter) + u')');
        }
        dialog->setNameFilters(filters);
    }
    if (!options.title.empty()) {
        dialog->setWindowTitle(FromUtf8(options.title));
    } else {
        dialog->setWindowTitle(
            DialogText(options.mode == FileDialogMode::Directory ? "Find Directory"
                                                                 : (save ? "Save As" : "Open")));
    }
    const auto [directory, name] = StartOf(options);
    dialog->setDirectory(directory);
    if (!name.isEmpty() && options.mode != FileDialogMode::Directory)
        dialog->selectFile(name);
    dialog->WatchLoading();

    const WindowHandle handle = RegisterDialog(dialog, queue);
    dialog->Attach(handle, owner, std::move(queue));
    OpenDialogs().emplace_back(dialog);
    dialog->open();

    if (std::optional<std::vector<std::string>>& answer = NextAnswer(); answer) {
        std::vector<std::string> paths = std::move(*answer);
        answer.reset();
        QMetaObject::invokeMethod(
            dialog, [handle, paths] { AnswerFileDialog(handle, paths); }, Qt::QueuedConnection);
    }
    return handle;
}

QAbstractButton* ButtonWithRole(QFileDialog* dialog, QDialogButtonBox::ButtonRole role)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (box == nullptr)
        return nullptr;
    for (QAbstractButton* button : box->buttons()) {
        if (box->buttonRole(button) == role)
            return button;
    }
    return nullptr;
}

} // namespace

void SetNextFileDialogAnswer(std::vector<std::string> paths)
{
    NextAnswer() = std::move(paths);
}

bool AnswerFileDialog(WindowHandle dialog, const std::vector<std::string>& paths)
{
    const Entry* entry = FindEntry(dialog);
    auto* files = entry != nullptr ? qobject_cast<QFileDialog*>(entry->widget.data()) : nullptr;
    if (files == nullptr)
        return false;
    if (paths.empty()) {
        QAbstractButton* cancel = ButtonWithRole(files, QDialogButtonBox::RejectRole);
        if (cancel == nullptr)
            return false;
        cancel->click();
        return true;
    }
    // Each name is typed relative to the directory of the first, as a user goes there first.
    QString first = QDir::cleanPath(FromUtf8(paths.front()));
    const QFileInfo firstInfo(first);
    QString directory = firstInfo.absolutePath();
    QStringList names;
    for (const std::string& path : paths) {
        const QString clean = QDir::cleanPath(FromUtf8(path));
        const QString relative = QDir(directory).relativeFilePath(clean);
        names.append(relative);
    }
    files->setDirectory(directory);
    auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr)
        return false;
    if (names.size() == 1) {
        edit->setText(names.front());
    } else {
        QString quoted;
        for (const QString& name : names)
            quoted += u'"' + name + QStringLiteral("\" ");
        edit->setText(quoted.trimmed());
    }
    QAbstractButton* accept = ButtonWithRole(files, QDialogButtonBox::AcceptRole);
    if (accept == nullptr || !accept->isEnabled())
        return false;
    accept->click();
    return true;
}

bool FileDialogsLoading()
{
    for (const QPointer<RuntimeFileDialog>& dialog : OpenDialogs()) {
        if (dialog->isVisible() && dialog->Loading())
            return true;
    }
    return false;
}

} // namespace display

WindowHandle OpenFileDialog(const FileDialogOptions& options)
{
    if (!DisplayRunning())
        return 0;
    std::shared_ptr<MessageQueue> queue = CurrentThreadQueue();
    WindowHandle handle = 0;
    InvokeOnGui(
        [&options, &queue, &handle] { handle = display::OpenFileDialogOnGui(options, queue); });
    return handle;
}

std::vector<std::string> TakeFileDialogAnswer(WindowHandle dialog)
{
    display::Answers& answers = display::TheAnswers();
    const std::lock_guard lock(answers.mutex);
    auto found = answers.paths.find(dialog);
    if (found == answers.paths.end())
        return {};
    std::vector<std::string> paths = std::move(found->second);
    answers.paths.erase(found);
    return paths;
}

} // namespace platform
