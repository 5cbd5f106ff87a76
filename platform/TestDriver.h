#pragma once

#include <platform/Display.h>

class QWidget;

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Drives the display as a user would, for tests. Call it from a thread that is neither the GUI
// thread nor a thread holding the runtime lock (the test's own controlling thread). Texts here
// are UTF-8, as test sources are written; the display converts them to what a user's keyboard
// would give.

namespace platform::test {

/// The first top-level window (frame, MDI child, plain window or dialog) whose title is
/// `titleUtf8`, 0 when none is open.
WindowHandle FindWindowByTitle(std::string_view titleUtf8);

/// The topmost open modal dialog, 0 when none is open.
WindowHandle ActiveDialog();

/// Gives `control` the focus and types `textUtf8` into it, one key event per character (any
/// character, not only ASCII); "\n" presses Enter.
void TypeText(WindowHandle control, std::string_view textUtf8);

/// Gives `control` the focus and pastes `textUtf8` into it from the clipboard (Ctrl+V), as a
/// user brings in text typing cannot give.
void Paste(WindowHandle control, std::string_view textUtf8);

/// Puts `textUtf8` on the clipboard as plain text, as a user copying it elsewhere does.
void SetClipboardText(std::string_view textUtf8);

/// Appends `textUtf8` to an edit through its accessibility interface, as assistive technology
/// writes into it (no key, no clipboard).
void InsertThroughAccessibility(WindowHandle control, std::string_view textUtf8);

/// The text of the tool tip showing now, as UTF-8; empty when none shows.
std::string ToolTipText();

/// Drags the files `pathsUtf8` from a file manager (as file URLs, text/uri-list) to the middle
/// of `target` (a window or a control) and drops them there, through the toolkit's own drag
/// and drop events (enter, move, then a drop only when the move was taken), so that the
/// display's own acceptance decides. Answers whether the drop was taken; false when nothing
/// under the drag takes it (the drag then leaves), or a modal dialog blocks the window.
bool DropFiles(WindowHandle target, const std::vector<std::string>& pathsUtf8);

/// As DropFiles, the drag carrying `urls` as they are written ("https://...", "file:///...").
bool DropUrls(WindowHandle target, const std::vector<std::string>& urls);

/// As DropFiles, the drag carrying `textUtf8` as plain text (text/plain) and nothing else.
bool DropText(WindowHandle target, std::string_view textUtf8);

/// Clicks the middle of `control` through the window system (modality is honoured: a click on
/// a window blocked by a modal dialog does nothing).
void Click(WindowHandle control);

/// Presses a key with the window or control that has the focus in `window`: `key` is a
/// virtual key code (0x0D Enter, 0x1B Escape, 0x09 Tab, 0x70 F1, ...).
void PressKey(WindowHandle window, std::uint32_t key, std::uint32_t keyState = 0);

/// Chooses the menu item `id` of the window's menu bar as a user would (an item that is
/// disabled does nothing).
void ChooseMenuItem(WindowHandle window, std::uint32_t id);

/// Opens menu `id` of the window's menu bar as a user does to look at it, and closes it
/// again: what the menu fills in as it opens (the window list) stays for DescribeMenuItem. A
/// disabled menu, or one in a window a modal dialog blocks, does not open.
void OpenMenu(WindowHandle window, std::uint32_t id);

/// A menu item as the window shows it: text, enabled, checkable, checked, right-justified (at
/// the bar's right end) and, for a menu, the texts of what it holds (separators marked) as it
/// stood when it last opened. Reading changes nothing. Empty when the window has no item `id`.
std::optional<MenuItem> DescribeMenuItem(WindowHandle window, std::uint32_t id);

/// What a control shows as the display made it: kind, id, position, text, alignment, tab stop,
/// border, enabled and visible (its own flags, not its window's), default button, edit limit,
/// read-only, text colour when one was given, an icon control's icon, font (face as asked for,
/// point size, weight), and the accessible name and description given to it. Empty for a handle
/// that is no control.
std::optional<ControlOptions> DescribeControl(WindowHandle control);

/// An event the display raised with assistive technology of its own accord (Announce).
enum class AccessibleEvent : std::uint8_t { NameChanged, Alert, Other };

struct AccessibleNotice {
    WindowHandle control = 0;
    AccessibleEvent event = AccessibleEvent::Other;
    std::string name; ///< the name assistive technology read for the control then, UTF-8
};

/// Keeps from now on, forgetting what was kept before, each event the display raises with
/// assistive technology itself, whether or not a screen reader listens: the toolkit passes
/// them on only while one does, so a test cannot hear them there.
void StartRecordingAccessibleNotices();
/// Stops keeping them and forgets what was kept.
void StopRecordingAccessibleNotices();
/// What was kept so far, oldest first.
std::vector<AccessibleNotice> AccessibleNotices();

/// The display's answer to the session manager's question, as given when it asks: true lets
/// the session end; false refuses it and shows the warning RefuseSessionEnd gave.
bool AnswerSessionEnd();

/// The widget behind a window or control, null when it is gone: for tests that look at what
/// the toolkit itself makes of it (the accessibility tree, an entry's own menus). Call it on the
/// GUI thread only (inside InvokeOnGui), and keep the answer no longer than that call.
QWidget* WidgetOf(WindowHandle handle);

/// Asks the window to close as its close box does.
void RequestClose(WindowHandle window);

/// The next modal dialog that opens is answered by pressing its button `buttonId` as soon as
/// it is shown.
void AnswerNextDialog(std::uint32_t buttonId);

/// What an open file dialog shows, in UTF-8.
struct FileDialogView {
    std::string title;
    std::vector<std::string> filters; ///< the names of its file-type list, in order
    std::string directory;            ///< the directory it shows, absolute
    std::string fileName;             ///< what its name field holds
    bool save = false;                ///< a save dialog (else open)
    bool directoryChoice = false;     ///< it chooses a directory
    bool multiple = false;            ///< several files may be chosen
    /// The names its file list shows for the directory and file type in force, in its order.
    std::vector<std::string> listed;
    /// The text of the question or warning standing over it, empty when there is none.
    std::string question;
};

/// What file dialog `dialog` shows; empty when it is no open file dialog. Wait until idle
/// first: the list is read from the directory while the dialog is up.
std::optional<FileDialogView> DescribeFileDialog(WindowHandle dialog);

/// The next file dialog that opens is answered as soon as it is shown, as AnswerFileDialog
/// answers it.
void AnswerNextFileDialog(std::vector<std::string> pathsUtf8);

/// Answers file dialog `dialog` as a user would: goes to the directory of the paths, types
/// their names into the name field and presses the accept button (the dialog's own checks
/// and questions follow); an empty list presses Cancel. False when `dialog` is no file dialog
/// or its accept button is disabled for those names (nothing is pressed then).
bool AnswerFileDialog(WindowHandle dialog, std::vector<std::string> pathsUtf8);

enum class QuestionReply : std::uint8_t { Yes, No };

/// Answers the question or warning standing over file dialog `dialog` by pressing its Yes
/// (OK for a warning) or No button. False when none stands there or it has no such button.
bool AnswerFileDialogQuestion(WindowHandle dialog, QuestionReply reply);

/// Waits until nothing is left to do: every runtime thread waits on an empty queue and the
/// GUI thread has no pending events or calls, and no file dialog is still reading the
/// directory it shows. Never sleeps a fixed time. Answers false when
/// that does not happen within `limit`.
bool WaitUntilIdle(std::chrono::milliseconds limit = std::chrono::seconds(20));

/// The window's or control's text as UTF-8.
std::string TextOf(WindowHandle window);

/// Keeps the display toolkit's harmless complaints about a screenless platform (features the
/// offscreen platform lacks, the runtime directory) out of the test output; everything else
/// is still reported. Call before the display starts.
void SilenceHarmlessPlatformWarnings();

} // namespace platform::test
