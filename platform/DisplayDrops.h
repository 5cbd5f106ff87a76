#pragma once

#include <platform/MessageQueue.h>

#include <string_view>

class QMimeData;
class QDropEvent;
class QObject;

// Files dropped on a window from a file manager: which drags a window takes, and the message a
// drop becomes. GUI thread only, but for DroppedLocalFile.

namespace platform::display {

/// The item a dropped file of this machine becomes, from its path as the file system spells
/// it (UTF-8): the path in Windows-1250, or DropRefusal::Unspellable with the path only as it
/// can be shown when it holds a character the code page lacks or is no valid UTF-8. Any thread.
DroppedName DroppedLocalFile(std::string_view path);

/// True when `data` is a drag of URLs (text/uri-list with at least one): the kind a window made
/// with WindowOptions::acceptFileDrops takes.
bool CarriesUrls(const QMimeData& data);

/// The items of `data`'s URLs, in their order: a local file by its path in Windows-1250, the
/// rest refused (see DropRefusal) and kept only as they can be shown.
DroppedFiles DroppedFilesOf(const QMimeData& data);

/// Takes a drag (enter, move) or drop event that reached `watched` for the window it belongs
/// to when that window takes file drops and the drag carries URLs; a drop is posted as
/// Msg::kDropFiles to the window's thread. Answers true when it took the event (the widget
/// under the drag does not see it then), false to leave it to the widget.
bool TakeFileDrag(QObject* watched, QDropEvent& event);

} // namespace platform::display
