#pragma once

#include <platform/MessageQueue.h>

#include <cstdint>
#include <deque>
#include <functional>

// Long work a runtime thread does itself with the runtime lock released (hashing a big file),
// which the thread's own messages may stop: the work looks at its queue now and then, never
// waiting. Every message taken meanwhile is kept and handled afterwards, in its order, by the
// thread's ACCEPT loop, as messages that arrive during a modal dialog are; a message that
// stopped the work may instead be dropped when stopping was all it asked for (a cancel button).

namespace window {

/// What a message that arrives during the work does to it.
enum class Interruption : std::uint8_t {
    None,        ///< the work goes on; the message is handled afterwards
    Stop,        ///< the work stops; the message is handled afterwards too (a close request)
    StopAndDrop, ///< the work stops; the message has done its job and is dropped
};

/// Says what `message` does to the work. Called on the working thread without the runtime
/// lock: it may look at the message only. A request to end the thread (Msg::kQuit) stops the
/// work whatever this answers.
using InterruptionTest = std::function<Interruption(const platform::Message& message)>;

/// The work's look at its thread's queue.
class WorkInterruptions {
public:
    WorkInterruptions(
        platform::MessageQueue& queue, std::deque<platform::Message>& kept, InterruptionTest test);

    /// Takes what has arrived in the thread's queue, without waiting, until a message stops
    /// the work; answers true from then on (later messages stay queued). Call it on the working
    /// thread only, as often as is cheap: one lock of the queue when nothing has arrived.
    bool Stopped();

    /// True when a message taken so far stopped the work; takes nothing.
    bool StopTaken() const { return m_stopped; }

private:
    platform::MessageQueue& m_queue;
    std::deque<platform::Message>& m_kept;
    InterruptionTest m_test;
    bool m_stopped = false;
};

/// True for a request to close `window` among the thread's messages: its close box
/// (Msg::kClose), or a close event queued for it (EVENT:CloseWindow posted to it by another
/// thread, EVENT:CloseDown from the window closing its children as the program ends). Looks at
/// the message only: safe without the lock.
bool IsCloseRequest(const platform::Message& message, platform::WindowHandle window);

enum class WorkEnd : std::uint8_t { Finished, Interrupted };

/// Runs `work` on the calling runtime thread with the runtime lock released, handing it the
/// thread's interruptions to poll. The caller holds the lock; it holds it again afterwards.
/// Answers Interrupted when a message stopped the work (whether the work noticed in time is
/// the work's own answer). The work must touch no runtime state; display calls through the
/// platform, on handles taken before, are fine.
WorkEnd RunInterruptibleWork(
    const InterruptionTest& test, const std::function<void(WorkInterruptions&)>& work);

} // namespace window
