#pragma once

#include <platform/MessageQueue.h>
#include <platform/Threads.h>
#include <value/RuntimeLock.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// The runtime's threads: 64 slots, slot 0 for the runtime's first thread; procedures see slot
// n as thread number n + 1. A slot holds what the engine keeps per thread and other threads
// reach: its message queue, its windows, its last keystroke and its pressed keys. The slot table,
// the modal count and the shutdown flag are shared (an extension of value::Runtime): they are
// read and changed only by the holder of the runtime lock, except for what a new thread fills in
// before it signals its start-up semaphore and the joins of the shutdown. Which slot is the
// calling thread's is the thread's own (an extension of its value::RuntimeThread).

namespace window {

class WindowObject;

inline constexpr std::int32_t kThreadSlots = 64;
/// The smallest stack a started thread is given.
inline constexpr std::uint32_t kMinimumStackSize = 20000;
/// Keystrokes PressKeys holds per thread; more is error 534. Enough for any text a procedure
/// types into a field (the longest entry this program has is 255 characters).
inline constexpr std::size_t kKeystrokeBufferSize = 256;

/// A procedure run on a thread of its own, with the string parameters it was started with.
using ThreadProcedure = std::function<void(std::vector<std::string> parameters)>;

struct ThreadSlot {
    bool used = false;
    platform::ThreadId osThreadId = 0;
    std::thread thread; ///< empty for slot 0 (the thread that opened the runtime)
    ThreadProcedure procedure;
    std::vector<std::string> parameters;
    /// The stack size asked for, after the floor: a std::thread runs on the default stack,
    /// whose reserve is larger than any size a procedure asks for (which is only the initially
    /// committed part).
    std::uint32_t stackSize = 0;
    std::shared_ptr<platform::MessageQueue> queue;
    std::unique_ptr<platform::Semaphore> startup;

    WindowObject* currentWindow = nullptr; ///< the most recently opened window still open
    WindowObject* bodyWindow = nullptr;    ///< the window whose loop body is running
    WindowObject* target = nullptr;        ///< set by SetTarget
    std::vector<WindowObject*> windows;    ///< every open window of the thread

    std::uint32_t lastKeyCode = 0;
    std::uint8_t lastKeyState[2] = { 0, 0 };
    std::deque<std::uint8_t> pressedKeys;
    /// Messages that arrived during a modal wait, handled afterwards in their order.
    std::deque<platform::Message> deferred;
    bool quitRequested = false;
};

/// The slot at `index` (0 to 63).
ThreadSlot& Slot(std::int32_t index);

/// The calling thread's slot, -1 for a thread that is not one of the runtime's.
std::int32_t CurrentSlot();

/// The calling thread's number: its slot + 1 (the first thread is 1); 0 outside the runtime.
std::int32_t ThreadNumber();

/// Runs `procedure` on a new thread with up to three string parameters (more are dropped) and
/// answers its thread number. A stack size of 0 or below 20000 becomes 20000. Answers 0, and
/// drops the parameters, while the process is in a modal state, when every slot is taken or
/// when the thread cannot be created. The caller holds the runtime lock; the new thread
/// starts running procedure code once the caller releases it.
std::int32_t StartThread(
    ThreadProcedure procedure, std::int32_t stackSize, std::vector<std::string> parameters = {});

/// The stack size thread `threadNumber` was started with; 0 for a free slot or slot 0.
std::uint32_t ThreadStackSize(std::int32_t threadNumber);

/// Makes the calling thread the runtime's first thread (slot 0) and takes the runtime lock.
/// Answers false when slot 0 is already taken.
bool RegisterFirstThread() RT_TRY_ACQUIRE(true, value::TheRuntimeLock);

/// Ends the shutdown of the first thread: empties its string stack, frees slot 0 and releases
/// the lock.
void UnregisterFirstThread() RT_RELEASE(value::TheRuntimeLock);

/// From now until the first thread unregisters, StartThread starts nothing. Called with the
/// runtime lock held, before the other threads are asked to end.
void BeginShutdown();

/// Joins every started thread; the caller must not hold the runtime lock, and BeginShutdown
/// must have been called. Answers how many were joined.
std::int32_t JoinStartedThreads();

// --- modal states -----------------------------------------------------------------------------

/// Open modal states of the process (a modal window, a message box being shown).
std::int32_t ModalCount();
void EnterModalState();
void LeaveModalState();

} // namespace window
