#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Message queues of the runtime's threads. Every runtime thread owns one queue; the GUI thread
// posts user actions (clicks, menu choices, close requests, text and focus changes, timer
// ticks, keys and mouse buttons) into the queue of the thread that owns the window, and runtime
// threads post to each other. A thread takes its messages in order, waiting while the queue is
// empty. Message numbers are the system's own (close 0x0010, command 0x0111, timer 0x0113, ...)
// so that the runtime above reads them as it always has; numbers from 0x0400 up are the
// runtime's private ones.

namespace platform {

/// An opaque window or control handle; 0 is none. Handles are never reused while the process
/// runs.
using WindowHandle = std::uint32_t;

/// The message numbers the platform posts.
struct Msg {
    static constexpr std::uint32_t kNull = 0x0000;  ///< wakes the receiver, carries nothing
    static constexpr std::uint32_t kClose = 0x0010; ///< close requested (close box, system menu)
    /// Asks the receiving thread to end its work (the program is shutting down).
    static constexpr std::uint32_t kQuit = 0x0012;
    static constexpr std::uint32_t kKeyDown = 0x0100;    ///< wParam virtual key, lParam scan code
    static constexpr std::uint32_t kKeyUp = 0x0101;      ///< as kKeyDown
    static constexpr std::uint32_t kChar = 0x0102;       ///< wParam the character (Windows-1250)
    static constexpr std::uint32_t kSysKeyDown = 0x0104; ///< a key pressed with Alt
    /// A menu item chosen (`id` the item), or a control notification (`id` the control id,
    /// `wParam` the notification, Notify::...).
    static constexpr std::uint32_t kCommand = 0x0111;
    static constexpr std::uint32_t kTimer = 0x0113;          ///< `id` the timer id
    static constexpr std::uint32_t kLeftButtonDown = 0x0201; ///< lParam x | y << 16 (client)
    static constexpr std::uint32_t kLeftButtonUp = 0x0202;
    static constexpr std::uint32_t kLeftButtonDoubleClick = 0x0203;
    static constexpr std::uint32_t kRightButtonDown = 0x0204;
    static constexpr std::uint32_t kRightButtonUp = 0x0205;
    static constexpr std::uint32_t kRightButtonDoubleClick = 0x0206;
    static constexpr std::uint32_t kMiddleButtonDown = 0x0207;
    static constexpr std::uint32_t kMiddleButtonUp = 0x0208;
    static constexpr std::uint32_t kMiddleButtonDoubleClick = 0x0209;
    /// Files dropped on a window that takes them: `id` the control they fell on (0: the
    /// window itself), `data` a DroppedFiles.
    static constexpr std::uint32_t kDropFiles = 0x0233;
    /// A modal dialog owned by the window ended: `id` the dialog, `wParam` its answer.
    static constexpr std::uint32_t kDialogFinished = 0x0401;
};

/// Control notifications carried by Msg::kCommand in `wParam`.
struct Notify {
    static constexpr std::int64_t kClicked = 0x0000;          ///< button or check box pressed
    static constexpr std::int64_t kSelectionChanged = 0x0001; ///< list or combo selection
    static constexpr std::int64_t kFocusGained = 0x0100;
    static constexpr std::int64_t kFocusLost = 0x0200;
    static constexpr std::int64_t kTextChanged = 0x0300;
};

/// Shift states or-ed into Message::keyState.
struct KeyState {
    static constexpr std::uint32_t kShift = 0x01;
    static constexpr std::uint32_t kControl = 0x02;
    static constexpr std::uint32_t kAlt = 0x04;
    static constexpr std::uint32_t kExtended = 0x08; ///< a key of the extended keyboard
};

/// Why an item of a drop names no file the runtime can take.
enum class DropRefusal : std::uint8_t {
    None,        ///< a file of this machine whose path has a Windows-1250 form
    Unspellable, ///< a file of this machine whose path holds characters Windows-1250 lacks
    NotLocal,    ///< a URL that names no file of this machine (a web address, say)
};

/// One item of a drop.
struct DroppedName {
    DropRefusal refusal = DropRefusal::None;
    /// Refusal None: the file's absolute path in Windows-1250. Otherwise the path or URL only
    /// as it can be shown (Windows-1250, each character the code page lacks as "?"): never
    /// a name to open.
    std::string name;
};

/// What Msg::kDropFiles carries: the dropped items, in the drag's order.
struct DroppedFiles {
    std::vector<DroppedName> names;
};

/// One message.
struct Message {
    std::uint32_t message = Msg::kNull;
    WindowHandle window = 0; ///< the window it is for (a top-level window, not a control)
    std::uint32_t id = 0;    ///< control id, menu item id, timer id or dialog id
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint32_t keyState = 0; ///< KeyState bits held when the message was made
    std::shared_ptr<void> data; ///< a payload the poster hands over (the receiver knows its type)
};

/// A thread's message queue. Any thread may post; only the owner takes.
class MessageQueue {
public:
    MessageQueue() = default;
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    /// Appends `message` and wakes the owner.
    void Post(Message message);

    /// Appends `message` unless a message with the same number, window and id is still
    /// waiting in the queue (timer ticks do not pile up behind a busy thread). True when posted.
    bool PostUnlessQueued(Message message);

    /// Takes the first message, waiting as long as the queue is empty.
    Message Take();

    /// Takes the first message, waiting at most `timeout`; false when none came.
    bool TakeFor(Message& message, std::chrono::milliseconds timeout);

    /// Takes the first message if there is one; never waits.
    bool TryTake(Message& message);

    /// True when a message is waiting.
    bool HasMessages() const;

    /// True while the owner waits in Take or TakeFor on an empty queue, or once it has ended.
    bool OwnerIsWaiting() const;

    /// Marks the queue's thread as ended: what is queued is dropped and later posts are
    /// ignored.
    void End();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Message> m_messages;
    bool m_waiting = false;
    bool m_ended = false;
};

/// The calling thread's queue, made on first use and kept (with its registration in the
/// process's list of queues) until the thread ends.
std::shared_ptr<MessageQueue> CurrentThreadQueue();

/// True when every thread's queue is empty and its owner waits on it: no runtime thread has
/// work to do. Threads that have never asked for their queue do not count.
bool AllQueuesIdle();

/// A count that grows whenever a message is posted to any queue, an owner starts waiting on its
/// queue or a queue ends: when it has not changed, no queue has changed state. Reading it costs
/// one atomic load; posting pays one atomic increment for it, and no lock.
std::uint64_t QueueActivity();

/// Waits until QueueActivity() differs from `seen` or `timeout` passes, whichever is first.
/// Only while someone waits here do the queues' changes wake a waiter: posting stays free of a
/// process-wide lock otherwise.
void WaitForQueueActivity(std::uint64_t seen, std::chrono::milliseconds timeout);

} // namespace platform
