#include <value/Runtime.h>
#include <value/ThreadSafety.h>
#include <window/Engine.h>
#include <window/EngineErrors.h>
#include <window/EventCodes.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <limits>
#include <map>

namespace window {

/// The engine's access to the links it keeps inside window objects.
struct WindowLinks {
    static void Open(WindowObject& window, std::uint64_t serial, std::int32_t thread)
    {
        window.m_open = true;
        window.m_serial = serial;
        window.m_thread = thread;
    }
    static void Closed(WindowObject& window)
    {
        window.m_open = false;
        window.m_thread = -1;
        window.m_owner = nullptr;
        window.m_previous = nullptr;
        window.m_children.clear();
    }
    static void SetPrevious(WindowObject& window, WindowObject* previous)
    {
        window.m_previous = previous;
    }
    static void SetOwner(WindowObject& window, WindowObject* owner)
    {
        window.m_owner = owner;
        if (owner != nullptr)
            owner->m_children.push_back(&window);
    }
    static void Unlink(WindowObject& window)
    {
        if (window.m_owner != nullptr) {
            auto& siblings = window.m_owner->m_children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), &window), siblings.end());
        }
        for (WindowObject* child : window.m_children)
            child->m_owner = nullptr;
    }
};

namespace {

enum class Step : std::uint8_t { Idle, Delivered, EndLoop };

/// What the engine's threads share of a session.
struct EngineState {
    std::map<std::uint64_t, WindowObject*> open; ///< every open window by serial
    WindowObject* frame = nullptr;
    std::int32_t activeSlot = -1;   ///< the thread whose window is active
    std::int32_t notifiedSlot = -1; ///< the active thread the last delivery step saw
    std::int32_t lastBodySlot = -1; ///< the thread that last ran a loop body
    std::uint64_t lastBodyWindow = 0;
};

/// The engine's part of the shared runtime state, guarded by the runtime lock.
struct SharedEngine final : value::SharedExtension {
    static constexpr value::SharedExtensionSlot kSlot = value::SharedExtensionSlot::WindowEngine;

    EngineState state RT_GUARDED_BY(value::TheRuntimeLock);
    /// Never restarts, not even with a new session: a message still on its way from an
    /// earlier window must not find a new one under the same serial.
    std::uint64_t nextSerial RT_GUARDED_BY(value::TheRuntimeLock) = 1;
};

/// True from a session's start to its end; read without the lock by a run-time stop on any
/// thread.
std::atomic<bool> g_sessionActive { false };

SharedEngine& Shared()
{
    return value::TheRuntime().Extension<SharedEngine>();
}

/// The session's engine state; the caller holds the runtime lock (checked).
EngineState& State()
{
    value::AssertRuntimeLockHeld();
    return Shared().state;
}

std::uint64_t TakeSerial()
{
    value::AssertRuntimeLockHeld();
    return Shared().nextSerial++;
}

constexpr std::uint32_t kKeyCodeMask = 0x7FF;

ThreadSlot& CallerSlot()
{
    assert(CurrentSlot() >= 0 && HoldsRuntimeLock() && "runtime code holds the lock");
    return Slot(CurrentSlot());
}

WindowObject* FindOpen(std::uint64_t serial)
{
    auto found = State().open.find(serial);
    return found == State().open.end() ? nullptr : found->second;
}

WindowObject* FindByHandle(const ThreadSlot& slot, platform::WindowHandle handle)
{
    if (handle == 0)
        return nullptr;
    for (WindowObject* window : slot.windows) {
        if (window->Handle() == handle)
            return window;
    }
    return nullptr;
}

/// The window whose event counts as "current" for the calling thread.
WindowObject* EventWindow()
{
    std::int32_t index = CurrentSlot();
    if (index < 0)
        return nullptr;
    ThreadSlot& slot = Slot(index);
    return slot.bodyWindow != nullptr ? slot.bodyWindow : slot.currentWindow;
}

Event* CallerCurrentEvent()
{
    WindowObject* window = EventWindow();
    return window == nullptr ? nullptr : window->Events().current.get();
}

/// The event whose body is running on the calling thread: events made meanwhile take its
/// key and mouse data. Between bodies the thread's own last keystroke counts, so input
/// that arrives after an event was delivered reaches the events it causes.
const Event* EventInBody()
{
    std::int32_t index = CurrentSlot();
    if (index < 0)
        return nullptr;
    WindowObject* window = Slot(index).bodyWindow;
    return window == nullptr ? nullptr : window->Events().current.get();
}

std::shared_ptr<Event> MakeEvent(WindowObject& window, std::int32_t code, std::int32_t control)
{
    auto event = std::make_shared<Event>();
    event->owner = &window;
    event->ownerSerial = window.Serial();
    event->code = code;
    event->thread = window.Thread();
    event->control = control;
    event->previousSelection = window.Events().selected;
    if (const Event* current = EventInBody()) {
        event->keyCode = current->keyCode;
        event->keyState[0] = current->keyState[0];
        event->keyState[1] = current->keyState[1];
        event->mouseX = current->mouseX;
        event->mouseY = current->mouseY;
    } else {
        if (CurrentSlot() >= 0) {
            const ThreadSlot& caller = Slot(CurrentSlot());
            event->keyCode = caller.lastKeyCode;
            event->keyState[0] = caller.lastKeyState[0];
            event->keyState[1] = caller.lastKeyState[1];
        }
        window.CursorPosition(event->mouseX, event->mouseY);
    }
    return event;
}

void Wake(const WindowObject& window)
{
    if (window.Thread() < 0)
        return;
    if (const auto& queue = Slot(window.Thread()).queue)
        queue->Post(platform::Message {});
}

void QueueAtFront(WindowObject& window, std::shared_ptr<Event> event)
{
    auto& queue = window.Events().queue;
    queue.insert(queue.begin(), std::move(event));
    Wake(window);
}

/// Queues an event the engine made: behind the platform messages already waiting for the
/// window's thread, so events keep the order of what caused them.
void QueueEvent(WindowObject& window, std::shared_ptr<Event> event)
{
    if (!g_sessionActive)
        return;
    if (!window.HasPlatformWindow()) {
        QueueAtFront(window, std::move(event));
        return;
    }
    const auto& queue = Slot(window.Thread()).queue;
    if (!queue)
        return;
    platform::Message message;
    message.message = PrivateMsg::kQueuedEvent;
    message.window = window.Handle();
    message.data = std::move(event);
    queue->Post(std::move(message));
}

void QueueTimer(WindowObject& window)
{
    WindowEventState& events = window.Events();
    if (events.timerPending)
        return;
    events.timerPending = true;
    QueueEvent(window, MakeEvent(window, EventCode::kTimer, 0));
}

/// A queued-event message arrived: the event joins its window's queue, or is destroyed
/// when that window is gone or belongs to another thread.
void ReceiveQueuedEvent(std::int32_t slotIndex, const platform::Message& message)
{
    auto event = std::static_pointer_cast<Event>(message.data);
    if (!event)
        return;
    WindowObject* window = FindOpen(event->ownerSerial);
    if (window == nullptr || window->Thread() != slotIndex)
        return;
    window->Events().queue.push_back(std::move(event));
}

std::uint32_t Modifiers(std::uint32_t keyState)
{
    std::uint32_t bits = 0;
    if ((keyState & platform::KeyState::kShift) != 0)
        bits |= 0x100;
    if ((keyState & platform::KeyState::kControl) != 0)
        bits |= 0x200;
    if ((keyState & platform::KeyState::kAlt) != 0)
        bits |= 0x400;
    return bits;
}

/// Keyboard and mouse input becomes the thread's last key code; answers false for any
/// other message.
bool RecordInput(ThreadSlot& slot, const platform::Message& message)
{
    std::uint32_t code = 0;
    switch (message.message) {
    case platform::Msg::kKeyDown:
    case platform::Msg::kSysKeyDown:
        code = static_cast<std::uint32_t>(message.wParam) & 0xFF;
        if ((message.keyState & platform::KeyState::kExtended) != 0)
            code += 0x800;
        slot.lastKeyState[0] = static_cast<std::uint8_t>(message.lParam);
        break;
    case platform::Msg::kChar:
        slot.lastKeyState[1] = static_cast<std::uint8_t>(message.wParam);
        return true;
    case platform::Msg::kKeyUp:
        return true;
    case platform::Msg::kLeftButtonDown:
        code = 1;
        break;
    case platform::Msg::kRightButtonDown:
        code = 2;
        break;
    case platform::Msg::kMiddleButtonDown:
        code = 3;
        break;
    case platform::Msg::kLeftButtonDoubleClick:
        code = 5;
        break;
    case platform::Msg::kRightButtonDoubleClick:
        code = 6;
        break;
    case platform::Msg::kMiddleButtonDoubleClick:
        code = 7;
        break;
    case platform::Msg::kLeftButtonUp:
        code = 0x81;
        break;
    case platform::Msg::kRightButtonUp:
        code = 0x82;
        break;
    case platform::Msg::kMiddleButtonUp:
        code = 0x83;
        break;
    default:
        return false;
    }
    slot.lastKeyCode = code | Modifiers(message.keyState);
    return true;
}

void HandleCommand(WindowObject* window, const platform::Message& message)
{
    if (window == nullptr)
        return;
    std::int32_t equate = static_cast<std::int32_t>(message.id) - kControlIdBase;
    if (!window->IsField(equate))
        return;
    switch (window->OnCommand(equate, message.wParam)) {
    case CommandAnswer::Done:
        return;
    case CommandAnswer::Accept:
        QueueEvent(*window, MakeEvent(*window, EventCode::kAccepted, equate));
        return;
    case CommandAnswer::Close:
        QueueEvent(*window, MakeEvent(*window, EventCode::kCloseWindow, 0));
        return;
    case CommandAnswer::Default:
        break;
    }
    if (message.wParam == platform::Notify::kClicked)
        QueueEvent(*window, MakeEvent(*window, EventCode::kAccepted, equate));
    else if (message.wParam == platform::Notify::kFocusGained) {
        auto selected = MakeEvent(*window, EventCode::kSelected, equate);
        selected->focusFromUser = true;
        QueueEvent(*window, std::move(selected));
    }
}

/// Files dropped on the window become its "EVENT:Drop", which carries them; the window's, not
/// a field's, wherever in the window they fell.
void QueueDrop(WindowObject& window, const platform::Message& message)
{
    auto dropped = std::static_pointer_cast<const platform::DroppedFiles>(message.data);
    if (!dropped)
        return;
    auto event = MakeEvent(window, EventCode::kDrop, 0);
    event->dropped = std::move(dropped);
    QueueEvent(window, std::move(event));
}

/// Handles one message of the calling thread's queue.
void HandleMessage(std::int32_t slotIndex, const platform::Message& message)
{
    ThreadSlot& slot = Slot(slotIndex);
    if (RecordInput(slot, message))
        return;
    switch (message.message) {
    case PrivateMsg::kQueuedEvent:
        ReceiveQueuedEvent(slotIndex, message);
        break;
    case PrivateMsg::kBringToTop:
        if (slot.currentWindow != nullptr) {
            slot.currentWindow->BringToTop();
            State().activeSlot = slotIndex;
        }
        break;
    case PrivateMsg::kThreadTimer:
        if (slot.currentWindow != nullptr)
            QueueTimer(*slot.currentWindow);
        break;
    case platform::Msg::kTimer:
        if (WindowObject* window = FindByHandle(slot, message.window); window && message.id == 1)
            QueueTimer(*window);
        break;
    case platform::Msg::kClose:
        if (WindowObject* window = FindByHandle(slot, message.window))
            QueueEvent(*window, MakeEvent(*window, EventCode::kCloseWindow, 0));
        break;
    case platform::Msg::kCommand:
        HandleCommand(FindByHandle(slot, message.window), message);
        break;
    case platform::Msg::kDropFiles:
        if (WindowObject* window = FindByHandle(slot, message.window))
            QueueDrop(*window, message);
        break;
    case platform::Msg::kQuit:
        slot.quitRequested = true;
        break;
    default:
        // Null wake-ups, the thread-start message, a stray dialog answer.
        break;
    }
}

bool MessageWaiting(const ThreadSlot& slot)
{
    return !slot.deferred.empty() || !slot.pressedKeys.empty()
        || (slot.queue && slot.queue->HasMessages());
}

/// The thread's next message: one kept during a modal wait, a pressed key, or the next
/// of the queue, waited for with the runtime lock released.
platform::Message NextMessage(ThreadSlot& slot)
{
    if (!slot.deferred.empty()) {
        platform::Message message = std::move(slot.deferred.front());
        slot.deferred.pop_front();
        return message;
    }
    if (!slot.pressedKeys.empty()) {
        platform::Message key;
        key.message = platform::Msg::kChar;
        key.wParam = slot.pressedKeys.front();
        slot.pressedKeys.pop_front();
        return key;
    }
    AssertHoldsRuntimeLock();
    RuntimeLockRelease released;
    return slot.queue->Take();
}

std::int32_t DeliverToBody(WindowObject& window, const std::shared_ptr<Event>& event);

/// Another thread's window ran a body last: it is told it is suspended, and this window,
/// if it was, that it resumes. Suspend and Resume themselves change nothing here, so two
/// threads never keep each other busy.
void SwitchRunningThread(WindowObject& window, std::int32_t code)
{
    if (code == EventCode::kSuspend || code == EventCode::kResume)
        return;
    std::int32_t slotIndex = window.Thread();
    if (State().lastBodySlot != slotIndex) {
        WindowObject* previous = FindOpen(State().lastBodyWindow);
        if (previous != nullptr && previous != &window && !previous->Events().suspended) {
            previous->Events().suspended = true;
            // At the front: it must reach the body before anything that would resume it.
            QueueAtFront(*previous, MakeEvent(*previous, EventCode::kSuspend, 0));
        }
        State().lastBodySlot = slotIndex;
    }
    State().lastBodyWindow = window.Serial();
    if (window.Events().suspended) {
        window.Events().suspended = false;
        DeliverToBody(window, MakeEvent(window, EventCode::kResume, 0));
    }
}

std::int32_t DeliverToBody(WindowObject& window, const std::shared_ptr<Event>& event)
{
    SwitchRunningThread(window, event->code);
    WindowEventState& events = window.Events();
    if (event->code == EventCode::kTimer)
        events.timerPending = false;
    events.current = event;
    event->Prepare();
    window.PrepareEvent(*event);
    if (events.bodies.empty() || !events.bodies.back())
        return -1;
    ThreadSlot& slot = Slot(window.Thread());
    WindowObject* outerBodyWindow = slot.bodyWindow;
    slot.bodyWindow = &window;
    events.inBody = true;
    LoopBody body = events.bodies.back(); // the body may start a nested loop
    std::int32_t result = body();
    events.inBody = false;
    slot.bodyWindow = outerBodyWindow;
    event->Complete();
    window.IdleWork();
    return result;
}

void NotifyActivation()
{
    if (State().activeSlot == State().notifiedSlot)
        return;
    std::int32_t previous = State().notifiedSlot;
    State().notifiedSlot = State().activeSlot;
    if (previous < 0 || State().activeSlot < 0)
        return; // the first activation is no change of thread
    if (WindowObject* losing = Slot(previous).currentWindow)
        QueueEvent(*losing, MakeEvent(*losing, EventCode::kLoseFocus, 0));
    if (WindowObject* gaining = Slot(State().activeSlot).currentWindow)
        QueueEvent(*gaining, MakeEvent(*gaining, EventCode::kGainFocus, 0));
}

/// The next field of the running accept-all pass: an "EVENT:Accepted" for it, or null
/// when the pass stopped (at a field that fails its check) or ended ("EVENT:Completed"
/// queued).
std::shared_ptr<Event> NextAcceptAll(WindowObject& window)
{
    WindowEventState& events = window.Events();
    for (const auto& [equate, handle] : window.Controls()) {
        (void)handle;
        if (equate <= events.acceptAllLast || !window.IsBound(equate))
            continue;
        events.acceptAllLast = equate;
        if (!window.ValueIsValid(equate)) {
            events.acceptAllRunning = false;
            events.selected = equate;
            window.GiveFocus(equate);
            return nullptr;
        }
        return MakeEvent(window, EventCode::kAccepted, equate);
    }
    events.acceptAllRunning = false;
    events.queue.push_back(MakeEvent(window, EventCode::kCompleted, 0));
    return nullptr;
}

/// Applies the close rules after the body answered an event.
std::int32_t AfterBody(WindowObject& window, const Event& event, std::int32_t result)
{
    WindowEventState& events = window.Events();
    if ((event.code == EventCode::kCloseWindow || event.code == EventCode::kCloseDown)
        && result == 0)
        events.closeState = CloseState::Accepted;
    if (event.code == EventCode::kCloseDown) {
        WindowObject* requester = FindOpen(event.requesterSerial);
        if (requester != nullptr && requester->Events().closeState == CloseState::ClosingChildren) {
            // A child that leaves its loop goes away as surely as one that accepts.
            if (result == 1) {
                requester->Events().closeState = CloseState::None;
                requester->Beep();
            } else {
                requester->Events().closeState = CloseState::Accepted;
            }
            Wake(*requester);
        }
    }
    if (event.code == EventCode::kOpenFailed)
        result = -1;
    return result;
}

/// Close accepted: ask the first child still open, or end the loop when none is left.
Step NegotiateClose(WindowObject& window)
{
    WindowEventState& events = window.Events();
    if (events.closeState != CloseState::Accepted)
        return Step::Idle;
    for (WindowObject* child : window.Children()) {
        if (!child->IsOpen() || child->Events().closeState == CloseState::Accepted)
            continue;
        auto closeDown = MakeEvent(*child, EventCode::kCloseDown, 0);
        closeDown->requesterSerial = window.Serial();
        events.closeState = CloseState::ClosingChildren;
        QueueEvent(*child, std::move(closeDown));
        return Step::Delivered;
    }
    return Step::EndLoop;
}

/// One delivery step of the window's ACCEPT loop.
Step DeliverPending(WindowObject& window)
{
    NotifyActivation();
    WindowEventState& events = window.Events();
    std::shared_ptr<Event> event;
    if (!events.queue.empty()) {
        event = std::move(events.queue.front());
        events.queue.erase(events.queue.begin());
    } else if (events.acceptAllRunning) {
        event = NextAcceptAll(window);
        if (!event)
            return events.queue.empty() ? Step::Idle : Step::Delivered;
    } else {
        return NegotiateClose(window) == Step::EndLoop ? Step::EndLoop : Step::Idle;
    }

    if (event->code == EventCode::kSelected) {
        if (event->control == events.selected)
            return Step::Delivered;
        events.selected = event->control;
        // A stale focus change of the user's must not pull the focus back: two of them queued
        // would otherwise hand the focus to and fro for ever.
        if (!event->focusFromUser)
            window.GiveFocus(event->control);
    }
    std::int32_t result = DeliverToBody(window, event);
    if (event->code >= EventCode::kBuildFile && event->code <= EventCode::kBuildDone)
        return Step::Delivered;
    result = AfterBody(window, *event, result);
    if (result == -1) {
        if (!events.bodies.empty())
            events.bodies.back() = nullptr;
        return Step::EndLoop;
    }
    return NegotiateClose(window) == Step::EndLoop ? Step::EndLoop : Step::Delivered;
}

void RemoveOpenWindow(WindowObject& window)
{
    std::int32_t slotIndex = window.Thread();
    ThreadSlot& slot = Slot(slotIndex);
    slot.windows.erase(
        std::remove(slot.windows.begin(), slot.windows.end(), &window), slot.windows.end());
    // Unlink from the thread's chain of current windows.
    for (WindowObject* other : slot.windows) {
        if (other->PreviousCurrent() == &window)
            WindowLinks::SetPrevious(*other, window.PreviousCurrent());
    }
    if (slot.currentWindow == &window) {
        WindowObject* next = window.PreviousCurrent();
        while (next != nullptr && !next->IsOpen())
            next = next->PreviousCurrent();
        slot.currentWindow = next;
    }
    if (slot.target == &window)
        slot.target = nullptr;
    if (slot.bodyWindow == &window)
        slot.bodyWindow = nullptr;
    if (State().activeSlot == slotIndex && slot.currentWindow == nullptr) {
        if (window.Owner() != nullptr)
            State().activeSlot = window.Owner()->Thread();
        else if (State().frame != nullptr && State().frame != &window)
            State().activeSlot = State().frame->Thread();
    }
    if (State().frame == &window)
        State().frame = nullptr;
    if (State().lastBodyWindow == window.Serial())
        State().lastBodyWindow = 0;
    WindowLinks::Unlink(window);
    State().open.erase(window.Serial());
    WindowEventState& events = window.Events();
    events.queue.clear();
    events.current.reset();
    events.timerPending = false;
    events.suspended = false;
    events.closeState = CloseState::None;
    events.acceptAllRunning = false;
    WindowLinks::Closed(window);
}

} // namespace

// --- windows -----------------------------------------------------------------------------------

bool OpenWindow(WindowObject& window, WindowObject* owner)
{
    ThreadSlot& slot = CallerSlot();
    std::int32_t slotIndex = CurrentSlot();
    if (window.IsOpen()) {
        RaiseEngineError(EngineError::AlreadyOpen);
        return false;
    }
    EngineError failure = EngineError::WindowNotOpened;
    switch (window.Kind()) {
    case platform::WindowKind::Frame:
        if (State().frame != nullptr) {
            RaiseEngineError(EngineError::ApplicationActive);
            return false;
        }
        if (ModalCount() != 0) {
            RaiseEngineError(EngineError::ApplicationModal);
            return false;
        }
        failure = EngineError::ApplicationNotOpened;
        break;
    case platform::WindowKind::MdiChild:
        if (State().frame == nullptr) {
            RaiseEngineError(EngineError::NoApplication);
            return false;
        }
        if (ModalCount() != 0) {
            RaiseEngineError(EngineError::MdiModal);
            return false;
        }
        if (State().frame->Thread() == slotIndex) {
            RaiseEngineError(EngineError::MdiOnApplicationThread);
            return false;
        }
        owner = State().frame;
        failure = EngineError::MdiNotOpened;
        break;
    case platform::WindowKind::Plain:
        break;
    }
    if (!window.CreatePlatformWindow()) {
        RaiseEngineError(failure);
        return false;
    }
    const std::uint64_t serial = TakeSerial();
    WindowLinks::Open(window, serial, slotIndex);
    WindowLinks::SetPrevious(window, slot.currentWindow);
    WindowLinks::SetOwner(window, owner != nullptr && owner->IsOpen() ? owner : nullptr);
    window.Events() = WindowEventState {};
    slot.currentWindow = &window;
    slot.windows.push_back(&window);
    State().open[serial] = &window;
    if (window.Kind() == platform::WindowKind::Frame)
        State().frame = &window;
    State().activeSlot = slotIndex;
    QueueEvent(window, MakeEvent(window, EventCode::kOpenWindow, 0));
    return true;
}

void CloseWindow(WindowObject& window)
{
    if (!window.IsOpen())
        return;
    window.DestroyPlatformWindow();
    RemoveOpenWindow(window);
}

void ForgetWindow(WindowObject& window)
{
    if (window.IsOpen())
        RemoveOpenWindow(window);
}

void CloseThreadWindows(std::int32_t slot)
{
    ThreadSlot& threadSlot = Slot(slot);
    while (!threadSlot.windows.empty())
        CloseWindow(*threadSlot.windows.back());
}

WindowObject* CurrentWindow()
{
    std::int32_t index = CurrentSlot();
    return index < 0 ? nullptr : Slot(index).currentWindow;
}

WindowObject* ApplicationFrame()
{
    return State().frame;
}

// --- the ACCEPT loop ---------------------------------------------------------------------------

void Accept(const LoopBody& body)
{
    ThreadSlot& slot = CallerSlot();
    std::int32_t slotIndex = CurrentSlot();
    WindowObject* window = slot.currentWindow;
    if (window == nullptr) {
        RaiseEngineError(EngineError::AcceptWithoutWindow);
        return;
    }
    std::uint64_t serial = window->Serial();
    window->Events().bodies.push_back(body);
    window->PrepareForAccept();
    // The window may close inside the loop (a body closes it): its serial tells.
    auto stillOpen = [&] { return FindOpen(serial) == window; };
    while (stillOpen() && window->HasPlatformWindow() && !slot.quitRequested) {
        Step step = DeliverPending(*window);
        while (step == Step::Delivered && stillOpen() && !slot.quitRequested)
            step = DeliverPending(*window);
        if (step == Step::EndLoop || !stillOpen() || slot.quitRequested)
            break;
        if (!MessageWaiting(slot))
            window->IdleWork();
        platform::Message message = NextMessage(slot);
        HandleMessage(slotIndex, message);
    }
    if (!stillOpen())
        return;
    WindowEventState& events = window->Events();
    if (!events.bodies.empty())
        events.bodies.pop_back();
    if (events.bodies.empty())
        CloseWindow(*window);
}

void StartAcceptAll(WindowObject& window)
{
    WindowEventState& events = window.Events();
    events.acceptAllRunning = true;
    events.acceptAllLast = std::numeric_limits<std::int32_t>::min();
    Wake(window);
}

// --- the current event -----------------------------------------------------------------------

std::int32_t CurrentEvent()
{
    const Event* event = CallerCurrentEvent();
    return event == nullptr ? 0 : event->code - kEventBase;
}

std::int32_t EventField()
{
    WindowObject* window = EventWindow();
    const Event* event = CallerCurrentEvent();
    if (event == nullptr || !window->IsField(event->control))
        return 0;
    return event->control;
}

std::int32_t AcceptedField()
{
    const Event* event = CallerCurrentEvent();
    return event != nullptr && event->code == EventCode::kAccepted ? EventField() : 0;
}

std::int32_t FocusField()
{
    WindowObject* window = EventWindow();
    return window == nullptr ? 0 : window->Events().selected;
}

std::int32_t FirstField()
{
    WindowObject* window = TargetWindow();
    return window == nullptr ? 0 : window->FirstField();
}

std::int32_t LastField()
{
    WindowObject* window = TargetWindow();
    return window == nullptr ? 0 : window->LastField();
}

std::uint32_t KeyCode()
{
    if (const Event* event = CallerCurrentEvent())
        return event->keyCode & kKeyCodeMask;
    std::int32_t index = CurrentSlot();
    return index < 0 ? 0 : Slot(index).lastKeyCode & kKeyCodeMask;
}

void SetKeyCode(std::uint32_t keyCode)
{
    if (Event* event = CallerCurrentEvent())
        event->keyCode = keyCode;
    if (CurrentSlot() >= 0)
        Slot(CurrentSlot()).lastKeyCode = keyCode;
}

const platform::DroppedFiles* CurrentDrop()
{
    const Event* event = CallerCurrentEvent();
    return event != nullptr && event->code == EventCode::kDrop ? event->dropped.get() : nullptr;
}

void PostEvent(std::int32_t code, std::int32_t equate, std::int32_t threadNumber, PostPlace place)
{
    std::int32_t slotIndex = threadNumber == 0 ? CurrentSlot() : threadNumber - 1;
    if (slotIndex < 0 || slotIndex >= kThreadSlots || !Slot(slotIndex).used)
        return;
    WindowObject* window = Slot(slotIndex).currentWindow;
    if (window == nullptr || (equate != 0 && !window->IsField(equate)))
        return;
    auto event = MakeEvent(*window, code + kEventBase, equate);
    if (place == PostPlace::Front || !window->HasPlatformWindow())
        QueueAtFront(*window, std::move(event));
    else
        QueueEvent(*window, std::move(event));
}

void SelectFields(std::int32_t first, std::int32_t last)
{
    WindowObject* window = CurrentWindow();
    if (window == nullptr) {
        RaiseEngineError(EngineError::NotOpen);
        return;
    }
    if (first == 0) {
        window->RefreshDisplay();
        return;
    }
    if (last == 0)
        last = first;
    if (first > last)
        std::swap(first, last);
    for (const auto& [equate, handle] : window->Controls()) {
        (void)handle;
        if (equate >= first && equate <= last)
            window->GiveFocus(equate);
    }
}

void SetTarget(WindowObject* target, std::int32_t threadNumber)
{
    ThreadSlot& slot = CallerSlot();
    if (target != nullptr) {
        slot.target = target->IsOpen() ? target : nullptr;
    } else if (threadNumber >= 1 && threadNumber <= kThreadSlots) {
        slot.target = Slot(threadNumber - 1).currentWindow;
    } else {
        slot.target = nullptr;
    }
}

WindowObject* TargetWindow()
{
    std::int32_t index = CurrentSlot();
    if (index >= 0) {
        ThreadSlot& slot = Slot(index);
        if (slot.target != nullptr && slot.target->IsOpen())
            return slot.target;
        if (slot.currentWindow != nullptr)
            return slot.currentWindow;
    }
    return State().frame;
}

void PressKeys(std::string_view keys)
{
    ThreadSlot& slot = CallerSlot();
    if (slot.pressedKeys.size() + keys.size() > kKeystrokeBufferSize) {
        RaiseEngineError(EngineError::TooManyKeystrokes);
        return;
    }
    for (char key : keys)
        slot.pressedKeys.push_back(static_cast<std::uint8_t>(key));
}

std::size_t QueuedEventCount(const WindowObject& window)
{
    return window.Events().queue.size();
}

// --- modal waits -------------------------------------------------------------------------------

std::int64_t WaitForDialog(platform::WindowHandle dialog)
{
    ThreadSlot& slot = CallerSlot();
    AssertHoldsRuntimeLock();
    RuntimeLockRelease released;
    for (;;) {
        platform::Message message = slot.queue->Take();
        if (message.message == platform::Msg::kDialogFinished && message.id == dialog)
            return message.wParam;
        bool quit = message.message == platform::Msg::kQuit;
        slot.deferred.push_back(std::move(message));
        if (quit)
            return 0;
    }
}

// --- the runtime's life ------------------------------------------------------------------------

// A started session holds the runtime lock from here until End, across calls: the analysis
// follows a lock only within one function.
RuntimeSession::RuntimeSession() RT_NO_THREAD_SAFETY_ANALYSIS
{
    m_started = RegisterFirstThread();
    // A session that could not start (another one holds the first thread) leaves the running
    // session's state alone.
    if (m_started) {
        State() = EngineState {};
        g_sessionActive = true;
    }
}

RuntimeSession::~RuntimeSession()
{
    End();
}

void RuntimeSession::End()
{
    if (!m_started)
        return;
    AssertHoldsRuntimeLock();
    m_started = false;
    BeginShutdown();
    for (std::int32_t index = 1; index < kThreadSlots; ++index) {
        ThreadSlot& slot = Slot(index);
        if (slot.used && slot.queue) {
            platform::Message quit;
            quit.message = platform::Msg::kQuit;
            slot.queue->Post(std::move(quit));
        }
    }
    {
        RuntimeLockRelease released;
        JoinStartedThreads();
    }
    CloseThreadWindows(0);
    g_sessionActive = false;
    UnregisterFirstThread();
}

bool RuntimeActive()
{
    return g_sessionActive;
}

} // namespace window
