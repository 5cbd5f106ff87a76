#pragma once

#include <platform/Display.h>
#include <window/Event.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// The window object: what the runtime knows about one window of a procedure. It owns its
// platform window (a handle) and the map of its controls, and carries the event state the
// engine works on. The plain object has no platform window at all: it is open or not, and the
// engine treats it as a window whose display part does nothing. Display-backed windows derive
// from it and override the platform hooks; controls built from descriptors, menus and use
// binding are added by derived classes too.

namespace window {

/// The ACCEPT loop body: called once per event, answers 0 (go on), 1 (go on, refusing a close
/// request carried by this event) or -1 (leave the loop).
using LoopBody = std::function<int()>;

/// Control ids are field equates plus this base (menu items too).
inline constexpr std::int32_t kControlIdBase = 0x4000;

/// What a window makes of a command (a click, a menu choice, a focus change) of one of its
/// fields before the engine turns it into an event.
enum class CommandAnswer : std::uint8_t {
    Default, ///< the engine's own handling: a click is "EVENT:Accepted", a focus gain
             ///< "EVENT:Selected"
    Done,    ///< the window carried it out (a standard action): no event
    Accept,  ///< "EVENT:Accepted" for the field (an edited control left)
    Close,   ///< "EVENT:CloseWindow" for the window (the standard close action)
};

enum class CloseState : std::uint8_t {
    None = 0,
    ClosingChildren = 1, ///< "EVENT:CloseDown" sent to a child, waiting for its answer
    Accepted = 2,        ///< the close was accepted: the loop ends once no child is left
};

/// The engine's per-window event state. The engine alone changes it.
struct WindowEventState {
    std::vector<std::shared_ptr<Event>> queue; ///< taken from the front
    std::shared_ptr<Event> current;            ///< the event being (or last) delivered
    std::vector<LoopBody> bodies;              ///< nested ACCEPT loops; the back one runs
    bool inBody = false;
    bool timerPending = false;
    bool suspended = false; ///< "EVENT:Suspend" sent, "EVENT:Resume" due before its next event
    CloseState closeState = CloseState::None;
    std::int32_t selected = 0; ///< field equate of the selected control
    bool acceptAllRunning = false;
    std::int32_t acceptAllLast = 0; ///< the last control accepted in the running pass
};

class WindowObject {
public:
    explicit WindowObject(platform::WindowKind kind = platform::WindowKind::Plain);
    /// A window still open is forgotten by the engine (its platform window is left to the
    /// derived class, which must close it in its own destructor).
    virtual ~WindowObject();
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    platform::WindowKind Kind() const { return m_kind; }
    bool IsOpen() const { return m_open; }
    /// Non-zero once opened; never reused, so an event can tell whether its window is still
    /// the one it was made for.
    std::uint64_t Serial() const { return m_serial; }
    /// The owning thread's slot, -1 while closed.
    std::int32_t Thread() const { return m_thread; }
    platform::WindowHandle Handle() const { return m_handle; }

    // --- controls ----------------------------------------------------------------------------

    /// Registers a field of the window (a control or menu item) with its platform handle (0
    /// for one without a platform control).
    void AddControl(std::int32_t equate, platform::WindowHandle control);
    bool IsField(std::int32_t equate) const;
    /// The platform control of a field, 0 when none.
    platform::WindowHandle ControlHandle(std::int32_t equate) const;
    /// Smallest and largest field equate, 0 when the window has no fields.
    std::int32_t FirstField() const;
    std::int32_t LastField() const;
    const std::map<std::int32_t, platform::WindowHandle>& Controls() const { return m_controls; }

    // --- relations (kept by the engine) ------------------------------------------------------

    WindowObject* Owner() const { return m_owner; }
    const std::vector<WindowObject*>& Children() const { return m_children; }
    /// The window that was current on the thread when this one opened.
    WindowObject* PreviousCurrent() const { return m_previous; }

    WindowEventState& Events() { return m_events; }
    const WindowEventState& Events() const { return m_events; }

    // --- display hooks: the plain window does nothing here -----------------------------------

    /// Creates the platform window; false when it cannot. The plain window has none to make.
    virtual bool CreatePlatformWindow() { return true; }
    virtual void DestroyPlatformWindow() { }
    /// True while the window has its platform window; the plain window while it is open.
    virtual bool HasPlatformWindow() const { return m_open; }
    virtual void BringToTop() { }
    /// Gives the keyboard focus to the field's control.
    virtual void GiveFocus(std::int32_t /*equate*/) { }
    /// Redraws the menu bar and refreshes the controls from their variables.
    virtual void RefreshDisplay() { }
    /// Called before an ACCEPT loop delivers its first event.
    virtual void PrepareForAccept() { RefreshDisplay(); }
    /// Work done when the thread has no message waiting.
    virtual void IdleWork() { }
    /// The mouse position in the window's units.
    virtual void CursorPosition(std::int32_t& x, std::int32_t& y) const
    {
        x = 0;
        y = 0;
    }
    virtual void Beep() { }
    /// Called for each command of a field (`notify` a platform::Notify code) before the engine
    /// makes its event.
    virtual CommandAnswer OnCommand(std::int32_t /*equate*/, std::int64_t /*notify*/)
    {
        return CommandAnswer::Default;
    }
    /// Called as an event becomes current, before the loop body sees it (a window stores
    /// edited controls into their variables here).
    virtual void PrepareEvent(const Event& /*event*/) { }
    /// Whether the field's control is bound to a variable (the accept-all pass visits those).
    virtual bool IsBound(std::int32_t /*equate*/) const { return false; }
    /// Whether the field's value passes the control's own check (a required field that is
    /// empty fails).
    virtual bool ValueIsValid(std::int32_t /*equate*/) const { return true; }

protected:
    platform::WindowHandle m_handle = 0;

private:
    friend struct WindowLinks;

    platform::WindowKind m_kind;
    bool m_open = false;
    std::uint64_t m_serial = 0;
    std::int32_t m_thread = -1;
    WindowObject* m_owner = nullptr;
    WindowObject* m_previous = nullptr;
    std::vector<WindowObject*> m_children;
    std::map<std::int32_t, platform::WindowHandle> m_controls;
    WindowEventState m_events;
};

} // namespace window
