#include <platform/MessageQueue.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

using namespace platform;
using namespace std::chrono_literals;

namespace {

Message Make(std::uint32_t number, std::uint32_t id = 0, WindowHandle window = 0)
{
    Message message;
    message.message = number;
    message.id = id;
    message.window = window;
    return message;
}

/// Waits (without a fixed sleep) until every queue is idle; false when that takes too long.
bool WaitIdle()
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!AllQueuesIdle()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        WaitForQueueActivity(QueueActivity(), 10ms);
    }
    return true;
}

} // namespace

TEST(MessageQueueTest, MessagesAreTakenInTheOrderPosted)
{
    MessageQueue queue;
    for (std::uint32_t i = 1; i <= 5; ++i)
        queue.Post(Make(Msg::kCommand, i));
    for (std::uint32_t i = 1; i <= 5; ++i) {
        const Message message = queue.Take();
        EXPECT_EQ(message.message, Msg::kCommand);
        EXPECT_EQ(message.id, i);
    }
    Message none;
    EXPECT_FALSE(queue.TryTake(none));
    EXPECT_FALSE(queue.HasMessages());
}

TEST(MessageQueueTest, TakeForAnswersFalseWhenNothingComesAndTrueWhenSomethingDoes)
{
    MessageQueue queue;
    Message message;
    EXPECT_FALSE(queue.TakeFor(message, 20ms));

    std::thread poster([&queue] { queue.Post(Make(Msg::kTimer, 7)); });
    EXPECT_TRUE(queue.TakeFor(message, 20s));
    poster.join();
    EXPECT_EQ(message.message, Msg::kTimer);
    EXPECT_EQ(message.id, 7U);
}

TEST(MessageQueueTest, AnEndedQueueDropsWhatIsQueuedAndLaterPosts)
{
    MessageQueue queue;
    queue.Post(Make(Msg::kClose));
    queue.End();
    EXPECT_FALSE(queue.HasMessages());
    queue.Post(Make(Msg::kClose));
    EXPECT_FALSE(queue.PostUnlessQueued(Make(Msg::kTimer, 1)));
    EXPECT_FALSE(queue.HasMessages());
    EXPECT_TRUE(queue.OwnerIsWaiting()); // an ended thread never counts as busy
}

TEST(MessageQueueTest, AThreadsQueueEndsWithTheThread)
{
    std::shared_ptr<MessageQueue> kept;
    std::thread owner([&kept] { kept = CurrentThreadQueue(); });
    owner.join();
    ASSERT_NE(kept, nullptr);
    kept->Post(Make(Msg::kCommand, 1));
    EXPECT_FALSE(kept->HasMessages());
}

TEST(MessageQueueTest, PostUnlessQueuedKeepsOneOfAKindWaiting)
{
    MessageQueue queue;
    EXPECT_TRUE(queue.PostUnlessQueued(Make(Msg::kTimer, 1, 10)));
    EXPECT_FALSE(queue.PostUnlessQueued(Make(Msg::kTimer, 1, 10)));
    EXPECT_TRUE(queue.PostUnlessQueued(Make(Msg::kTimer, 2, 10))); // another timer
    EXPECT_TRUE(queue.PostUnlessQueued(Make(Msg::kTimer, 1, 11))); // another window
    EXPECT_EQ(queue.Take().id, 1U);
    EXPECT_TRUE(queue.PostUnlessQueued(Make(Msg::kTimer, 1, 10))); // the first was taken
}

TEST(MessageQueueTest, AllQueuesIdleOnlyWhileEveryOwnerWaitsOnAnEmptyQueue)
{
    std::promise<std::shared_ptr<MessageQueue>> started;
    std::atomic<int> handled { 0 };
    std::atomic<bool> hold { false };
    std::thread owner([&] {
        const std::shared_ptr<MessageQueue> own = CurrentThreadQueue();
        started.set_value(own);
        for (;;) {
            const Message message = own->Take();
            if (message.message == Msg::kQuit)
                return;
            while (hold)
                std::this_thread::yield();
            ++handled;
        }
    });
    const std::shared_ptr<MessageQueue> queue = started.get_future().get();
    ASSERT_TRUE(WaitIdle());

    // Busy: the owner holds a message and has not come back to wait.
    hold = true;
    queue->Post(Make(Msg::kCommand));
    EXPECT_FALSE(AllQueuesIdle());
    hold = false;
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(handled, 1);

    queue->Post(Make(Msg::kQuit));
    owner.join();
    EXPECT_TRUE(AllQueuesIdle()); // an ended thread does not count
}

TEST(MessageQueueTest, ActivityGrowsWithPostsAndWaits)
{
    MessageQueue queue;
    const std::uint64_t before = QueueActivity();
    queue.Post(Make(Msg::kNull));
    EXPECT_GT(QueueActivity(), before);
    const std::uint64_t seen = QueueActivity();
    WaitForQueueActivity(seen, 1ms); // nothing happens: it comes back after the timeout
    EXPECT_EQ(QueueActivity(), seen);
}

TEST(MessageQueueTest, AWaiterForActivityIsWokenByAPostFromAnotherThread)
{
    // The timeout is far beyond the test's own limit: only the post's wake-up lets the wait
    // end in time, so a post that no longer wakes a waiter fails the test.
    MessageQueue queue;
    const std::uint64_t seen = QueueActivity();
    std::thread poster([&queue] { queue.Post(Make(Msg::kNull)); });
    WaitForQueueActivity(seen, std::chrono::hours(1));
    poster.join();
    EXPECT_NE(QueueActivity(), seen);
}
