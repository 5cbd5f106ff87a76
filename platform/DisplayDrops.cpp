#include "DisplayDrops.h"

#include "DisplayRegistry.h"
#include "Text.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <memory>

namespace platform::display {

namespace {

DroppedName NameOf(const QUrl& url)
{
    DroppedName dropped;
    if (!url.isLocalFile()) {
        dropped.refusal = DropRefusal::NotLocal;
        dropped.name = Utf8ToAnsiShown(url.toDisplayString().toStdString());
        return dropped;
    }
    return DroppedLocalFile(url.toLocalFile().toStdString());
}

/// The window `watched` belongs to when it takes file drops, else null.
const Entry* FileDropWindow(const QObject* watched)
{
    const Entry* entry = FindEntry(HandleOf(watched));
    if (entry == nullptr)
        return nullptr;
    const Entry* window = FindEntry(entry->window);
    return window != nullptr && window->acceptsFileDrops ? window : nullptr;
}

} // namespace

DroppedName DroppedLocalFile(std::string_view path)
{
    // The path as the file system spells it (UTF-8), then the runtime's spelling of it: a
    // character Windows-1250 lacks refuses the name rather than being replaced.
    DroppedName dropped;
    Result<std::string> ansi = Utf8ToAnsi(path);
    if (!ansi) {
        dropped.refusal = DropRefusal::Unspellable;
        dropped.name = Utf8ToAnsiShown(path);
        return dropped;
    }
    dropped.name = std::move(*ansi);
    return dropped;
}

bool CarriesUrls(const QMimeData& data)
{
    return data.hasUrls() && !data.urls().isEmpty();
}

DroppedFiles DroppedFilesOf(const QMimeData& data)
{
    DroppedFiles dropped;
    for (const QUrl& url : data.urls())
        dropped.names.push_back(NameOf(url));
    return dropped;
}

bool TakeFileDrag(QObject* watched, QDropEvent& event)
{
    const QMimeData* data = event.mimeData();
    if (data == nullptr || !CarriesUrls(*data) || FileDropWindow(watched) == nullptr)
        return false;
    // Files are copied from the file manager, never moved away from it.
    event.setDropAction(Qt::CopyAction);
    event.accept();
    if (event.type() != QEvent::Drop)
        return true;
    const Entry* control = FindEntry(HandleOf(watched));
    Message message;
    message.message = Msg::kDropFiles;
    message.id = control->kind == EntryKind::Control ? control->id : 0;
    message.data = std::make_shared<DroppedFiles>(DroppedFilesOf(*data));
    PostTo(*control, std::move(message));
    return true;
}

} // namespace platform::display
