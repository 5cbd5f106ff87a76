#include <window/Event.h>
#include <window/EventCodes.h>
#include <window/InterruptibleWork.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <cassert>
#include <utility>

namespace window {

WorkInterruptions::WorkInterruptions(
    platform::MessageQueue& queue, std::deque<platform::Message>& kept, InterruptionTest test)
    : m_queue(queue)
    , m_kept(kept)
    , m_test(std::move(test))
{
}

bool WorkInterruptions::Stopped()
{
    platform::Message message;
    while (!m_stopped && m_queue.TryTake(message)) {
        const Interruption effect
            = message.message == platform::Msg::kQuit ? Interruption::Stop : m_test(message);
        if (effect != Interruption::None)
            m_stopped = true;
        if (effect != Interruption::StopAndDrop)
            m_kept.push_back(std::move(message));
    }
    return m_stopped;
}

bool IsCloseRequest(const platform::Message& message, platform::WindowHandle window)
{
    if (window == 0 || message.window != window)
        return false;
    if (message.message == platform::Msg::kClose)
        return true;
    if (message.message != PrivateMsg::kQueuedEvent || !message.data)
        return false;
    // The event's code is set before it is posted and never changes: reading it needs no lock.
    const auto* event = static_cast<const Event*>(message.data.get());
    return event->code == EventCode::kCloseWindow || event->code == EventCode::kCloseDown;
}

WorkEnd RunInterruptibleWork(
    const InterruptionTest& test, const std::function<void(WorkInterruptions&)>& work)
{
    AssertHoldsRuntimeLock();
    assert(CurrentSlot() >= 0 && "a runtime thread does the work");
    ThreadSlot& slot = Slot(CurrentSlot());
    assert(slot.queue && "a runtime thread has its queue");
    // The queue and the kept messages are the thread's own: only it takes from the one and
    // reads the other, so neither needs the lock while the work runs.
    WorkInterruptions interruptions(*slot.queue, slot.deferred, test);
    {
        RuntimeLockRelease released;
        work(interruptions);
    }
    return interruptions.StopTaken() ? WorkEnd::Interrupted : WorkEnd::Finished;
}

} // namespace window
