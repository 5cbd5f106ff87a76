#pragma once

#include <platform/MessageQueue.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

// The display: windows, controls, menus, timers and modal dialogs, living on the GUI thread
// (the process's main thread, which runs the display's event loop and never runs runtime
// code). Runtime threads reach them through opaque handles; every call below may be made from
// any thread: it is carried out on the GUI thread and waited for (a call made on the GUI thread
// runs at once). What the user does to a window is posted as a Message into the queue of the
// thread that created the window. Texts are Windows-1250 bytes; positions and sizes are pixels
// in the coordinates of the parent's client area.
//
// Messages made from what the user does (Message::window is always the top-level window, or for
// a dialog's answer its owner):
// - close box, system menu: Msg::kClose; the window stays until the program destroys it;
// - menu item: Msg::kCommand, `id` the item (a checkable item is not ticked by the choice: the
//   program ticks it with CheckMenuItem, as with the system's menus);
// - control: Msg::kCommand, `id` the control id, `wParam` Notify::kClicked (button, check
//   box), kTextChanged (edits and combos, also when the program sets the text),
//   kSelectionChanged (lists, drop lists, combos), kFocusGained / kFocusLost;
// - timer: Msg::kTimer, `id` the timer (a tick is not posted while the last one still waits);
// - key: Msg::kKeyDown (kSysKeyDown with Alt), `wParam` the virtual key code, `id` the control
//   with the focus, then one Msg::kChar per character typed (`wParam` its Windows-1250 byte).
//   A keystroke that brings a character with no Windows-1250 form is refused whole: it reaches
//   neither the control nor the queue, and the display beeps. Enter (the focus not in a text box)
//   presses the focused push button, else the window's default button, and posts no key; Space
//   presses a focused button. Tab and Shift+Tab move the focus to the next and previous control
//   that takes it, in the order the controls were made, out of a text box too; in a text box
//   Enter starts a new line and Ctrl+Tab types a tab;
// - mouse button: Msg::kLeftButtonDown and the rest, `lParam` x | y << 16 in the window's
//   client area, `id` the control under the mouse (0: the window itself);
// - files dropped from a file manager on a window made with WindowOptions::acceptFileDrops:
//   Msg::kDropFiles, `id` the control they fell on (0: the window itself), `data` the
//   DroppedFiles. Such a window takes a drag that carries URLs anywhere over it, over its
//   entries and text boxes too; a drag of text alone goes to the control under it as ever (a
//   text box takes dropped text under the rules of pasting). A window a modal dialog blocks
//   takes no drop.

namespace platform {

/// A coordinate or size the display chooses itself (the window system's default).
inline constexpr std::int32_t kDefaultPosition = std::numeric_limits<std::int32_t>::min();

struct Rect {
    std::int32_t x = kDefaultPosition;
    std::int32_t y = kDefaultPosition;
    std::int32_t width = kDefaultPosition;
    std::int32_t height = kDefaultPosition;
};

/// A font as the runtime describes one. Empty or zero fields take the display's default.
struct Font {
    std::string face;           ///< "MS Sans Serif" and "Courier New" have stand-ins here
    std::int32_t pointSize = 0; ///< 0: the default size
    std::int32_t weight = 0;    ///< 0: the default; 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

/// A colour as 0x00BBGGRR (blue in the high byte, as the runtime stores colours), or none.
inline constexpr std::uint32_t kNoColour = 0xFFFFFFFF;

// --- the display's life ----------------------------------------------------------------------

/// Runs the program: the calling thread (the process's main thread) becomes the GUI thread and
/// runs the event loop, while `runtime` runs on a thread of its own, the runtime's first
/// thread. The loop runs until QuitDisplay is called; events are still processed while the
/// runtime's first thread is joined afterwards. Answers what `runtime` answered. Windows not
/// destroyed by then are destroyed with the display. May run again after it has returned; while
/// it runs, a second call answers -1 at once.
int RunDisplay(std::function<int()> runtime);

/// As above, the toolkit taking its own options from the process's command line (-platform,
/// -display, -style, -qwindowgeometry, -reverse and the rest): it removes the ones it uses from
/// `argv` and lowers `argc` to match. Both must stay valid until the call returns (main's own
/// do); `argv[0]` is the program's name.
int RunDisplay(std::function<int()> runtime, int& argc, char** argv);

/// Asks the event loop to end, without waiting for it. Safe from any thread.
void QuitDisplay();

/// True on the GUI thread while the display runs.
bool IsGuiThread();

/// True while RunDisplay runs (from the moment the GUI thread can take calls).
bool DisplayRunning();

/// Runs `call` on the GUI thread and waits until it has run. On the GUI thread it runs at once.
/// Without a running display it does not run, and the answer is false.
bool InvokeOnGui(const std::function<void()>& call);

// --- the display's language --------------------------------------------------------------------
//
// The display speaks Croatian whatever the machine is set to: while it runs, the toolkit's own
// texts (its file dialog, the edit menus of entries and text boxes, its standard buttons) come
// from the toolkit's Croatian translation, which the program carries, and the default locale
// is Croatian.

/// The standard buttons of dialogs.
enum class StandardButton : std::uint8_t { Ok, Yes, No, Abort, Retry, Ignore, Cancel, Help };

/// The Croatian caption of a standard button, in Windows-1250, as the toolkit's translation
/// gives it ("U redu", "&Da", "&Ne", "Prekini", "Pokušaj ponovo", "Zanemari", "Odustani",
/// "Pomoć"; "&" marks a mnemonic). Needs no running display; safe from any thread.
std::string StandardButtonText(StandardButton button);

// --- windows ---------------------------------------------------------------------------------

enum class WindowKind : std::uint8_t {
    Frame,    ///< the application frame: menu bar, MDI client area, status bar
    MdiChild, ///< a window inside the frame's MDI client area
    Plain,    ///< a top-level, dialog-like window
};

struct WindowOptions {
    WindowKind kind = WindowKind::Plain;
    std::string title;
    Font font;                            ///< the default of the window's controls
    std::uint32_t background = kNoColour; ///< the client area's colour
    /// The window's position (of its frame, on the screen or in the frame's MDI area) and its
    /// size without the title bar and borders the window system adds (menu bar and status bar
    /// included).
    Rect rect;              ///< kDefaultPosition where the window system chooses
    WindowHandle owner = 0; ///< a plain window's owner (stays above it); an MDI child's frame
    bool closeBox = true;   ///< a system menu with a close box
    bool resizable = true;
    bool maximizeBox = false;
    bool minimizeBox = false;
    bool visible = true;
    bool maximized = false; ///< shown maximised (an MDI child over the whole MDI area)
    bool minimized = false; ///< shown minimised (iconised)
    /// Takes files dropped from a file manager (see Msg::kDropFiles above).
    bool acceptFileDrops = false;
};

/// Creates a window. Its messages (close requests, menu choices, control notifications,
/// timer ticks, keys, mouse buttons) go to the calling thread's queue. Answers 0 when it cannot
/// be created (no display, an MDI child without a frame, an owner that is gone).
WindowHandle CreateWindow(const WindowOptions& options);

/// Destroys a window or control with everything inside it; nothing for a handle that is gone.
void DestroyWindow(WindowHandle window);

/// True while the window or control exists.
bool IsWindow(WindowHandle window);

/// The window's title or the control's text.
void SetWindowText(WindowHandle window, std::string_view text);
std::string WindowText(WindowHandle window);

/// The characters of an edit's text that Windows-1250 lacks, each once, in the order they
/// first appear; empty when WindowText answers the text exactly (it shows each such character
/// as "?"). Typing, pasting and dropping refuse them, but assistive technology can still write
/// them into an edit.
std::u32string UnspellableCharacters(WindowHandle control);

/// What a text box shows at its cursor, with the beep, when it refuses pasted, dropped or
/// composed text for holding characters Windows-1250 lacks: `notice` (Windows-1250) with "%1"
/// standing for those characters, which the display shows as themselves. Empty, as at the
/// start: the beep alone.
void SetRefusedTextNotice(std::string_view notice);

void EnableWindow(WindowHandle window, bool enabled);
bool IsWindowEnabled(WindowHandle window);
void ShowWindow(WindowHandle window, bool visible);
bool IsWindowVisible(WindowHandle window);

/// The window's or control's position and size (a control's relative to its parent; a window's
/// as in WindowOptions::rect).
Rect WindowRect(WindowHandle window);
void MoveWindow(WindowHandle window, const Rect& rect);

/// Raises and activates a top-level window (an MDI child inside its frame).
void BringToTop(WindowHandle window);

/// Gives the keyboard focus to a control (or window).
void SetFocus(WindowHandle window);
/// The control (or window) that has the keyboard focus, 0 when none of ours has it.
WindowHandle FocusedWindow();

/// The mouse position relative to the window's client area.
void CursorPosition(WindowHandle window, std::int32_t& x, std::int32_t& y);

/// Sounds the system's warning beep.
void Beep();

/// Shows the wait cursor over every window of the program until RestoreCursor; the calls nest.
void ShowWaitCursor();
void RestoreCursor();

/// How the MDI children of a frame are laid out.
enum class MdiArrangement : std::uint8_t {
    Tile,           ///< side by side, as the window system tiles them
    TileHorizontal, ///< one above the other, each the width of the area
    TileVertical,   ///< side by side, each the height of the area
    Cascade,        ///< stacked, each offset below and right of the one behind it
    ArrangeIcons,   ///< the minimised ones lined up along the bottom of the area
};

/// Lays out the MDI children of `frame` (minimised ones stay minimised except for
/// ArrangeIcons). Nothing for a handle that is no frame.
void ArrangeMdiChildren(WindowHandle frame, MdiArrangement how);

/// The MDI children of `frame`, in the order they were opened.
std::vector<WindowHandle> MdiChildren(WindowHandle frame);

/// The clipboard and editing commands of the Edit menu.
enum class EditCommand : std::uint8_t { Cut, Copy, Paste, Clear, Undo };

/// Carries out `command` on the control that has the keyboard focus when it is one of ours
/// that edits text (entry, text box, combo); answers false, doing nothing, otherwise.
bool EditFocused(EditCommand command);

/// The text the clipboard holds, in Windows-1250 (a character it lacks as "?"); empty when it
/// holds no text or there is no running display. Line breaks stay as the clipboard has them.
std::string ClipboardText();

// --- controls --------------------------------------------------------------------------------

enum class ControlKind : std::uint8_t {
    Static, ///< text
    Button, ///< a push button
    CheckBox,
    GroupBox,      ///< a frame with a caption, holding controls of its own
    Edit,          ///< single-line entry
    MultiLineEdit, ///< text box: CR LF line breaks in its text
    List,
    DropList,
    Combo,
    Icon, ///< one of the system's standard icons (ControlOptions::icon)
};

/// The system's standard icons.
enum class StandardIcon : std::uint8_t {
    None,
    Stop,
    Question,
    Exclamation,
    Information,
    Program,
    Tick,  ///< a tick: something checked and found right
    Cross, ///< a cross: something checked and found wrong
};

enum class Alignment : std::uint8_t { Left, Centre, Right };

struct ControlOptions {
    ControlKind kind = ControlKind::Static;
    WindowHandle parent = 0; ///< a window, or a group box of it
    std::uint32_t id = 0;    ///< posted with its notifications (the field equate + 0x4000)
    Rect rect;
    std::string text;
    Alignment alignment = Alignment::Left;
    bool tabStop = true;
    bool border = true;
    bool enabled = true;
    bool visible = true;
    bool defaultButton = false;  ///< Enter in the window presses it
    std::uint32_t maxLength = 0; ///< an edit's limit in Windows-1250 bytes; 0: none
    Font font;                   ///< empty: the window's font
    std::uint32_t textColour = kNoColour;
    std::uint32_t backgroundColour = kNoColour;
    StandardIcon icon = StandardIcon::None; ///< for ControlKind::Icon
    /// What assistive technology (the accessibility tree) calls the control; empty: the
    /// toolkit's own name, a button's or text's caption without its "&".
    std::string accessibleName;
    /// What assistive technology reads after the name (two buttons with one caption, say what
    /// each one does); empty: none.
    std::string accessibleDescription;
    /// An entry that shows its text and takes no edit from the user, the clipboard or
    /// assistive technology (a text box: none from the user or the clipboard); the program
    /// still sets the text, and the user can still select and copy it. Other kinds ignore it.
    bool readOnly = false;
};

/// Creates a control; its notifications go to the queue of the thread that created its
/// window, as Msg::kCommand with the control's id. Answers 0 when it cannot be created.
WindowHandle CreateControl(const ControlOptions& options);

/// The control of `window` (at any depth) with the control id `id`, 0 when there is none.
WindowHandle FindControl(WindowHandle window, std::uint32_t id);

/// The control id `control` was created with, 0 for a window.
std::uint32_t ControlId(WindowHandle control);

/// True when Tab stops at `control`: it was made with a tab stop, is of a kind the keyboard
/// reaches, and is enabled and not hidden (by its own flags, not its window's). False for a
/// handle that is no control.
bool IsTabStop(WindowHandle control);

/// True when `control` takes what the keyboard brings: it is enabled and not hidden (by its own
/// flags) and of a kind that takes input (not a text, a group box or an icon), whether or not
/// Tab stops at it. False for a handle that is no control.
bool TakesKeyboardInput(WindowHandle control);

/// Replaces what assistive technology reads after the control's name (ControlOptions::
/// accessibleDescription); empty takes it away. Nothing for a handle that is gone.
void SetAccessibleDescription(WindowHandle control, std::string_view text);

/// Changes the picture of an icon control (ControlKind::Icon); None leaves it empty. A picture
/// is at most the size the style gives message box icons (StandardIconSize); Tick and Cross,
/// which stand beside a line of text, are the style's large icon size (32 pixels in the common
/// style). Never larger than a control made with a size; a control made without one takes the
/// picture's. Nothing for another kind.
void SetIcon(WindowHandle control, StandardIcon icon);

/// Changes a control's text colour (0x00BBGGRR, as ControlOptions::textColour); kNoColour
/// gives back the default. The control's font and background stay as they are.
void SetTextColour(WindowHandle control, std::uint32_t colour);

/// Replaces the name assistive technology reads for the control (Windows-1250); empty gives
/// back the toolkit's own (a caption, a label's text).
void SetAccessibleName(WindowHandle control, std::string_view text);

/// Tells assistive technology that `control` now says `text` (Windows-1250), so that a screen
/// reader speaks it without the focus moving there: the control's accessible name becomes
/// `text` and it raises an alert (and a name change) event. Announcing the same text again
/// raises the events again.
void Announce(WindowHandle control, std::string_view text);

/// A check box's state.
void SetChecked(WindowHandle control, bool checked);
bool IsChecked(WindowHandle control);

// --- menus -----------------------------------------------------------------------------------

struct MenuItem {
    std::string text;     ///< "&" marks the mnemonic
    std::uint32_t id = 0; ///< posted with Msg::kCommand when chosen
    bool separator = false;
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    bool rightJustified = false;
    std::vector<MenuItem> items; ///< non-empty for a menu
};

/// Replaces the menu bar of a frame (or plain window) with `menus`.
void SetMenuBar(WindowHandle window, const std::vector<MenuItem>& menus);
void EnableMenuItem(WindowHandle window, std::uint32_t id, bool enabled);
void CheckMenuItem(WindowHandle window, std::uint32_t id, bool checked);

/// Makes menu `menuId` of the frame's bar the window-list menu: each time it opens it lists the
/// frame's MDI children below a separator, numbered in opening order, the active one ticked;
/// choosing one activates it.
void SetWindowListMenu(WindowHandle frame, std::uint32_t menuId);

// --- status bar ------------------------------------------------------------------------------

/// Gives the window a status bar of zones `widths` wide, left to right, in pixels (-1: a zone
/// that takes the width left over), replacing its zones; an empty list takes the bar away.
void SetStatusBar(WindowHandle window, const std::vector<std::int32_t>& widths);
/// Shows `text` in status bar zone `zone` (counted from 0); nothing when there is no such zone.
void SetStatusText(WindowHandle window, std::size_t zone, std::string_view text);
/// The text of status bar zone `zone`, empty when there is no such zone.
std::string StatusText(WindowHandle window, std::size_t zone);

// --- timers ----------------------------------------------------------------------------------

/// Starts (or restarts) timer `id` of the window: every `milliseconds` a Msg::kTimer with `id`
/// is posted to the window's thread.
void SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t milliseconds);
void KillTimer(WindowHandle window, std::uint32_t id);

// --- modal dialogs ---------------------------------------------------------------------------

/// A dialog built in memory: a window-modal (or application-modal) window over its owner,
/// holding the given controls (buttons among them).
struct DialogTemplate {
    std::string title;
    Font font;                ///< the dialog's and its controls' font
    Rect rect;                ///< the dialog's client size; kDefaultPosition centres it
    WindowHandle owner = 0;   ///< 0: the application frame if there is one
    bool systemModal = false; ///< blocks every window of the program, not only the owner
    std::vector<ControlOptions> controls; ///< `parent` is ignored
    /// The id answered when the user presses Escape or closes the dialog; 0: neither closes it.
    std::uint32_t escapeId = 0;
};

/// Opens the dialog without waiting (the GUI thread's loop keeps running). When one of its
/// buttons is pressed (or Escape or the close box answers `escapeId`), the dialog closes and
/// Msg::kDialogFinished is posted to the calling thread, `id` the dialog's handle, `wParam`
/// the button's id and `window` the owner. The dialog is destroyed as it closes: its controls
/// are read, if at all, before. Enter presses the default button. Answers the dialog's handle,
/// 0 when it cannot be shown (no display, an owner that is gone).
WindowHandle OpenDialog(const DialogTemplate& dialog);

// --- the end of the user's session ----------------------------------------------------------

/// From now on, when the session manager asks whether the user's session may end (shut-down or
/// log-off) while a window of the program is open, the display refuses and shows `warning`
/// (system-modal; its answer goes nowhere). A template without controls clears the refusal.
/// Where no session manager runs, nothing ever asks.
void RefuseSessionEnd(const DialogTemplate& warning);

// --- measuring ---------------------------------------------------------------------------------

/// What layout in dialog units needs of a font, in pixels.
struct FontMetrics {
    /// (width of the 52 letters "a".."z" "A".."Z" / 26 + 1) / 2
    std::int32_t averageCharWidth = 0;
    /// The font's text height.
    std::int32_t height = 0;
};

/// Measures `font` as the screen shows it. Without a running display the answer is 0, 0.
FontMetrics MeasureFont(const Font& font);

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

/// The size `text` takes in `font` when laid out in lines at most `width` pixels wide, broken
/// at word boundaries and at line breaks, TABs expanded, "&" shown as it is. A word longer than
/// `width` widens the answer; text narrower than `width` narrows it.
Size MeasureText(const Font& font, std::string_view text, std::int32_t width);

/// The size of the system's standard icons in pixels (square).
std::int32_t StandardIconSize();

} // namespace platform
