#pragma once

#include <platform/MessageQueue.h>

#include <cstdint>
#include <string>
#include <vector>

// The display's file dialog: the toolkit's own dialog (never the desktop's portal, so it looks
// and behaves the same everywhere), window-modal over its owner. Opening it does not wait: when
// the user ends it, Msg::kDialogFinished is posted to the thread that opened it (`id` the
// dialog's handle, `wParam` 1 when the user confirmed and 0 when not, `window` the owner), and
// that thread fetches the chosen paths with TakeFileDialogAnswer. Texts and paths here are
// UTF-8, the file system's spelling; converting to and from the runtime's Windows-1250 is the
// caller's business, so that a name the runtime cannot spell reaches it to be refused.

namespace platform {

enum class FileDialogMode : std::uint8_t {
    Open,      ///< choose one existing file (or several, FileDialogOptions::multiple)
    Save,      ///< choose a name to save under
    Directory, ///< choose a directory; only directories are listed
};

/// One entry of the dialog's file-type list.
struct FileFilter {
    std::string description; ///< what the list shows
    /// Wildcard patterns; "*.*" stands for every file, as users of the runtime expect.
    /// Patterns match names without regard to letter case.
    std::vector<std::string> patterns;
};

struct FileDialogOptions {
    FileDialogMode mode = FileDialogMode::Open;
    std::string title;               ///< empty: the toolkit's caption for the mode
    std::vector<FileFilter> filters; ///< the first is in force; none: every file is listed
    /// Where the dialog starts; empty, or no directory: the current directory.
    std::string initialDirectory;
    /// The name the dialog offers. When it holds a separator its directory part (taken from
    /// initialDirectory when relative) is where the dialog starts, if it is a directory.
    std::string initialName;
    bool confirmOverwrite = true; ///< Save: ask before an existing file is replaced
    bool mustExist = true;        ///< Open: a name that is no existing file is not accepted
    bool multiple = false;        ///< Open: several files (these must always exist)
    WindowHandle owner = 0;       ///< 0: the application frame, if one is open
};

/// Opens the dialog without waiting; the calling thread's queue receives Msg::kDialogFinished
/// when it ends. Answers its handle, 0 when it cannot be shown (no display, an owner that is
/// gone). Destroying the handle takes the dialog down without an answer.
WindowHandle OpenFileDialog(const FileDialogOptions& options);

/// The absolute paths the user confirmed in `dialog`, once: the answer is forgotten as it is
/// handed over. Empty after a cancel, for a dialog not yet ended, and for any other handle.
/// A directory is answered without a trailing separator (the root as "/").
std::vector<std::string> TakeFileDialogAnswer(WindowHandle dialog);

} // namespace platform

// For the test driver: used on the GUI thread only.
namespace platform::display {

/// The next file dialog that opens is answered with `paths` as soon as it is shown (see
/// AnswerFileDialog).
void SetNextFileDialogAnswer(std::vector<std::string> paths);

/// Answers `dialog` as a user would, through its own widgets: goes to the directory of the
/// paths, types their names (several in quotes) into the name field and presses the accept
/// button, so that the dialog's own checks and questions run. An empty list presses Cancel.
/// Answers false when `dialog` is no file dialog or its accept button is disabled.
bool AnswerFileDialog(WindowHandle dialog, const std::vector<std::string>& paths);

/// True while a file dialog is still reading the directory it shows.
bool FileDialogsLoading();

} // namespace platform::display
