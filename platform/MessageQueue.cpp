#include "MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace platform {

namespace {

/// The queues of the threads alive, for the idle test. Weak: a thread's queue dies with it.
struct QueueList {
    std::mutex mutex;
    std::vector<std::weak_ptr<MessageQueue>> queues;
};

QueueList& Queues()
{
    static QueueList list;
    return list;
}

/// Changes of any queue's state, for those who wait until everything is idle. The count is
/// bumped without a lock; a change wakes waiters only while there are some, so a post pays one
/// atomic increment and one atomic load when nobody waits here (the usual case: only the test
/// driver ever does).
struct Activity {
    alignas(64) std::atomic<std::uint64_t> count { 0 };
    alignas(64) std::atomic<int> watchers { 0 };
    std::mutex mutex; ///< taken only while someone waits
    std::condition_variable changed;
};

Activity& TheActivity()
{
    static Activity activity;
    return activity;
}

void NoteActivity()
{
    Activity& activity = TheActivity();
    // Both sequentially consistent: a waiter counts itself in before it reads the count, so
    // either it sees this change or this sees it and wakes it.
    activity.count.fetch_add(1);
    if (activity.watchers.load() == 0)
        return;
    {
        // The waiter checks the count under the mutex: taking it here means the waiter is
        // either before its check (and sees the change) or asleep (and is woken).
        const std::lock_guard lock(activity.mutex);
    }
    activity.changed.notify_all();
}

} // namespace

void MessageQueue::Post(Message message)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_ended)
            return;
        m_messages.push_back(std::move(message));
    }
    m_posted.notify_one();
    NoteActivity();
}

bool MessageQueue::PostUnlessQueued(Message message)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_ended)
            return false;
        const bool queued
            = std::any_of(m_messages.begin(), m_messages.end(), [&message](const Message& m) {
                  return m.message == message.message && m.window == message.window
                      && m.id == message.id;
              });
        if (queued)
            return false;
        m_messages.push_back(std::move(message));
    }
    m_posted.notify_one();
    NoteActivity();
    return true;
}

Message MessageQueue::Take()
{
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    if (m_messages.empty())
        NoteActivity();
    m_posted.wait(lock, [this] { return !m_messages.empty(); });
    m_waiting = false;
    Message message = std::move(m_messages.front());
    m_messages.pop_front();
    return message;
}

bool MessageQueue::TakeFor(Message& message, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    if (m_messages.empty())
        NoteActivity();
    const bool posted = m_posted.wait_for(lock, timeout, [this] { return !m_messages.empty(); });
    m_waiting = false;
    if (!posted)
        return false;
    message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

bool MessageQueue::TryTake(Message& message)
{
    const std::lock_guard lock(m_mutex);
    if (m_messages.empty())
        return false;
    message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

bool MessageQueue::HasMessages() const
{
    const std::lock_guard lock(m_mutex);
    return !m_messages.empty();
}

bool MessageQueue::OwnerIsWaiting() const
{
    const std::lock_guard lock(m_mutex);
    return m_ended || (m_waiting && m_messages.empty());
}

void MessageQueue::End()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_messages.clear();
    }
    NoteActivity();
}

std::shared_ptr<MessageQueue> CurrentThreadQueue()
{
    // Others may still hold the queue when its thread ends (a window it owned, a poster): it
    // is marked ended then, so it takes no more messages and never counts as busy.
    struct Owner {
        Owner()
            : queue(std::make_shared<MessageQueue>())
        {
            QueueList& list = Queues();
            const std::lock_guard lock(list.mutex);
            std::erase_if(
                list.queues, [](const std::weak_ptr<MessageQueue>& q) { return q.expired(); });
            list.queues.push_back(queue);
        }
        Owner(const Owner&) = delete;
        Owner& operator=(const Owner&) = delete;
        ~Owner() { queue->End(); }
        std::shared_ptr<MessageQueue> queue;
    };
    thread_local const Owner kOwner;
    return kOwner.queue;
}

bool AllQueuesIdle()
{
    QueueList& list = Queues();
    const std::lock_guard lock(list.mutex);
    return std::all_of(
        list.queues.begin(), list.queues.end(), [](const std::weak_ptr<MessageQueue>& weak) {
            const std::shared_ptr<MessageQueue> queue = weak.lock();
            return queue == nullptr || queue->OwnerIsWaiting();
        });
}

std::uint64_t QueueActivity()
{
    return TheActivity().count.load();
}

void WaitForQueueActivity(std::uint64_t seen, std::chrono::milliseconds timeout)
{
    Activity& activity = TheActivity();
    activity.watchers.fetch_add(1);
    {
        std::unique_lock lock(activity.mutex);
        activity.changed.wait_for(lock, timeout, [&] { return activity.count.load() != seen; });
    }
    activity.watchers.fetch_sub(1);
}

} // namespace platform
