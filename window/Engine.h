#pragma once

#include <platform/MessageQueue.h>
#include <window/WindowObject.h>

#include <cstdint>
#include <string_view>

// The event engine: turns what happens to a window (platform messages, timer ticks, focus
// changes, menu commands, events posted by code) into numbered events and delivers them one at
// a time to the ACCEPT loop body of the procedure that owns the window. Every operation here
// is called by a runtime thread holding the runtime lock; event codes are given and answered
// without the 0x1400 base.

namespace window {

// --- windows -----------------------------------------------------------------------------------

/// Opens the window on the calling thread: creates its platform window, makes it the thread's
/// current window (linked to the one current before) and queues "EVENT:OpenWindow". An MDI
/// child's owner is the application frame; other windows take `owner` (may be null). Answers
/// false after raising the error: 535 already open, 526 a second frame, 527 / 531 a frame or
/// MDI child while modal, 530 an MDI child without a frame, 532 an MDI child on the frame's
/// thread, 528 / 529 / 533 when the platform window cannot be created.
bool OpenWindow(WindowObject& window, WindowObject* owner = nullptr);

/// Closes the window: destroys its platform window and its queued events; activation passes
/// to the next open window of the thread's chain, else to the owner, else to the frame.
/// Nothing for a window that is not open.
void CloseWindow(WindowObject& window);

/// Drops every trace of an open window being destroyed without a close (its destructor).
void ForgetWindow(WindowObject& window);

/// Closes every window of the thread in slot `slot`, the most recent first.
void CloseThreadWindows(std::int32_t slot);

/// The calling thread's current window, null when it has none.
WindowObject* CurrentWindow();

/// The application frame while one is open.
WindowObject* ApplicationFrame();

// --- the ACCEPT loop ---------------------------------------------------------------------------

/// Runs the ACCEPT loop of the calling thread's current window, calling `body` once per event.
/// Ends when the body answers -1 (events still queued stay queued), when a close is accepted
/// and no child window is left, when the platform window is gone, or when the thread is asked
/// to end. Closes the window afterwards unless an outer loop on it remains. Without a current
/// window it raises 537.
void Accept(const LoopBody& body);

/// Starts an accept-all pass on the window: each bound field from the first on gets
/// "EVENT:Accepted" in turn while its value passes its check; then "EVENT:Completed" is
/// queued. A field that fails stops the pass and is selected.
void StartAcceptAll(WindowObject& window);

// --- the current event -----------------------------------------------------------------------

/// Code of the current event without the base, 0 when there is none.
std::int32_t CurrentEvent();
/// Field equate of the current event's control, 0 when none or not a field of the window.
std::int32_t EventField();
/// The field equate when the current event is "EVENT:Accepted", else 0.
std::int32_t AcceptedField();
/// The field equate of the window's selected control.
std::int32_t FocusField();
/// Smallest and largest field equate of the target window (else the current window, else the
/// application frame); 0 when it has none.
std::int32_t FirstField();
std::int32_t LastField();
/// The low 11 bits of the current event's key code, or of the thread's last key code when no
/// event is current.
std::uint32_t KeyCode();
/// Sets the key code of the current event (if any) and the thread's last key code.
void SetKeyCode(std::uint32_t keyCode);
/// What was dropped when the current event is "EVENT:Drop" of files on a window made to take
/// them (see platform::WindowOptions::acceptFileDrops): every item, in the drag's order, a
/// name that has no Windows-1250 form or no file of this machine marked so. Null for any other
/// event, or none. Valid until the loop body answers.
const platform::DroppedFiles* CurrentDrop();

enum class PostPlace : std::uint8_t { Back, Front };

/// Makes event `code` (without the base) for field `equate` (0: none) of the current window of
/// thread `threadNumber` (0: the calling thread) and queues it. Dropped without a message
/// when the thread has no window, the thread number is not one of 1 to 64, or the equate is
/// not a field of that window.
void PostEvent(std::int32_t code, std::int32_t equate = 0, std::int32_t threadNumber = 0,
    PostPlace place = PostPlace::Back);

/// Gives the focus to each field from `first` to `last` in turn (put in order first; a last of
/// 0 means the first alone). A first of 0 selects nothing and refreshes the window's display.
/// Error 536 when the thread has no window.
void SelectFields(std::int32_t first, std::int32_t last = 0);

/// Makes `target` the window display operations address; with none, the current window of
/// `threadNumber` (1 to 64); with neither, clears the target.
void SetTarget(WindowObject* target, std::int32_t threadNumber = 0);

/// The window display operations address: the target, else the current window, else the
/// application frame.
WindowObject* TargetWindow();

/// Puts the keys (one keystroke per byte) into the thread's keystroke buffer, which holds
/// kKeystrokeBufferSize; more is error 534 and nothing of the string is taken.
void PressKeys(std::string_view keys);

/// Events waiting in the window's queue.
std::size_t QueuedEventCount(const WindowObject& window);

// --- modal waits -------------------------------------------------------------------------------

/// Waits, with the runtime lock released, for Msg::kDialogFinished of `dialog` and answers
/// its wParam. Other messages arriving meanwhile are kept and handled afterwards, in their
/// order, by the thread's ACCEPT loop. A request to end the thread ends the wait with 0.
std::int64_t WaitForDialog(platform::WindowHandle dialog);

// --- the runtime's life ------------------------------------------------------------------------

/// The runtime on the calling thread, as its first thread (slot 0), holding the lock. Ending
/// it shuts the runtime down: the other threads are asked to end (Msg::kQuit) and joined
/// without the lock, then the first thread's windows are destroyed. Quitting the display is
/// left to the caller.
class RuntimeSession {
public:
    RuntimeSession();
    ~RuntimeSession();
    RuntimeSession(const RuntimeSession&) = delete;
    RuntimeSession& operator=(const RuntimeSession&) = delete;

    /// False when another session was running (nothing was set up then).
    bool Started() const { return m_started; }
    /// Shuts down now; the destructor does it otherwise.
    void End();

private:
    bool m_started = false;
};

/// False once the runtime has shut down: events are no longer made.
bool RuntimeActive();

} // namespace window
