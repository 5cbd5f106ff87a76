// Work done with the runtime lock released that the thread's own messages may stop.

#include "EngineTestSupport.h"

#include <platform/MessageQueue.h>
#include <window/Event.h>
#include <window/InterruptibleWork.h>
#include <window/RuntimeLock.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace window;
using enginetest::EngineFixture;
using enginetest::Signal;

namespace {

constexpr std::uint32_t kStopId = 7;
constexpr std::uint32_t kStopAndDropId = 8;

platform::Message Command(std::uint32_t id)
{
    platform::Message message;
    message.message = platform::Msg::kCommand;
    message.id = id;
    return message;
}

/// Command kStopId stops the work and is kept, kStopAndDropId stops it and is dropped; the
/// rest goes on.
Interruption ByCommandId(const platform::Message& message)
{
    if (message.message != platform::Msg::kCommand)
        return Interruption::None;
    if (message.id == kStopId)
        return Interruption::Stop;
    if (message.id == kStopAndDropId)
        return Interruption::StopAndDrop;
    return Interruption::None;
}

class InterruptibleWorkTest : public EngineFixture {
protected:
    ThreadSlot& Own() { return Slot(CurrentSlot()); }

    void Post(platform::Message message) { Own().queue->Post(std::move(message)); }

    /// The ids of the messages kept for the ACCEPT loop, emptied.
    std::vector<std::uint32_t> TakeKept()
    {
        std::vector<std::uint32_t> ids;
        for (const platform::Message& message : Own().deferred)
            ids.push_back(message.id);
        Own().deferred.clear();
        return ids;
    }

    /// The ids still in the thread's queue, emptied.
    std::vector<std::uint32_t> TakeQueued()
    {
        std::vector<std::uint32_t> ids;
        for (platform::Message message; Own().queue->TryTake(message);)
            ids.push_back(message.id);
        return ids;
    }
};

TEST_F(InterruptibleWorkTest, MessagesTakenAreKeptInOrderUpToTheOneThatStops)
{
    using Ids = std::vector<std::uint32_t>;
    struct Case {
        const char* what;
        Ids posted;
        WorkEnd end;
        Ids kept;   // for the ACCEPT loop, in order
        Ids queued; // never taken
    };
    const Case cases[] = {
        { "nothing arrives", {}, WorkEnd::Finished, {}, {} },
        { "nothing that stops", { 1, 2, 3 }, WorkEnd::Finished, { 1, 2, 3 }, {} },
        { "a close request: kept", { 1, kStopId, 2 }, WorkEnd::Interrupted, { 1, kStopId }, { 2 } },
        { "a cancel: dropped", { 1, kStopAndDropId, 2 }, WorkEnd::Interrupted, { 1 }, { 2 } },
        { "the first that stops wins", { kStopAndDropId, kStopId }, WorkEnd::Interrupted, {},
            { kStopId } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::uint32_t id : c.posted)
            Post(Command(id));
        bool stopped = false;
        const WorkEnd end = RunInterruptibleWork(ByCommandId, [&](WorkInterruptions& work) {
            stopped = work.Stopped();
            EXPECT_EQ(work.Stopped(), stopped) << "asking again changes nothing";
        });
        EXPECT_EQ(end, c.end);
        EXPECT_EQ(stopped, c.end == WorkEnd::Interrupted) << "the work was told";
        EXPECT_EQ(TakeKept(), c.kept);
        EXPECT_EQ(TakeQueued(), c.queued);
    }
}

TEST_F(InterruptibleWorkTest, MessagesKeptBeforeStayAheadOfThoseTakenNow)
{
    Own().deferred.push_back(Command(1)); // left by a modal wait not yet handled
    Post(Command(2));
    (void)RunInterruptibleWork(ByCommandId, [](WorkInterruptions& work) { (void)work.Stopped(); });
    EXPECT_EQ(TakeKept(), (std::vector<std::uint32_t> { 1, 2 }));
}

TEST_F(InterruptibleWorkTest, ARequestToEndTheThreadStopsWhateverTheTestSays)
{
    platform::Message quit;
    quit.message = platform::Msg::kQuit;
    Post(quit);
    const WorkEnd end
        = RunInterruptibleWork([](const platform::Message&) { return Interruption::None; },
            [](WorkInterruptions& work) { EXPECT_TRUE(work.Stopped()); });
    EXPECT_EQ(end, WorkEnd::Interrupted);
    ASSERT_EQ(Own().deferred.size(), 1u) << "kept: the ACCEPT loop still has to end";
    EXPECT_EQ(Own().deferred.front().message, platform::Msg::kQuit);
    Own().deferred.clear();
}

TEST_F(InterruptibleWorkTest, AMessageFromAnotherThreadStopsWorkUnderWay)
{
    Signal started;
    std::thread poster;
    platform::MessageQueue& queue = *Own().queue;
    const WorkEnd end = RunInterruptibleWork(ByCommandId, [&](WorkInterruptions& work) {
        // The lock is free meanwhile: the other thread takes it before it posts.
        poster = std::thread([&] {
            EXPECT_TRUE(started.WaitFor(1));
            RuntimeLockHold hold;
            queue.Post(Command(kStopAndDropId));
        });
        started.Raise();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!work.Stopped() && std::chrono::steady_clock::now() < deadline) { }
        EXPECT_TRUE(work.Stopped());
    });
    poster.join();
    EXPECT_TRUE(HoldsRuntimeLock()) << "held again afterwards";
    EXPECT_EQ(end, WorkEnd::Interrupted);
    EXPECT_TRUE(TakeKept().empty());
}

TEST_F(InterruptibleWorkTest, AStopArrivingAfterTheWorkIsLeftForTheLoop)
{
    platform::MessageQueue& queue = *Own().queue;
    const WorkEnd end = RunInterruptibleWork(ByCommandId, [&](WorkInterruptions& work) {
        EXPECT_FALSE(work.Stopped());
        queue.Post(Command(kStopAndDropId)); // the work's last look is over
    });
    EXPECT_EQ(end, WorkEnd::Finished);
    EXPECT_TRUE(TakeKept().empty());
    EXPECT_EQ(TakeQueued(), (std::vector<std::uint32_t> { kStopAndDropId }));
}

TEST(InterruptibleWork, CloseRequestsAreTheCloseBoxAndQueuedCloseEventsForTheWindow)
{
    constexpr platform::WindowHandle kWindow = 42;
    const auto queued = [](std::int32_t code, platform::WindowHandle window) {
        auto event = std::make_shared<Event>();
        event->code = code;
        platform::Message message;
        message.message = PrivateMsg::kQueuedEvent;
        message.window = window;
        message.data = std::move(event);
        return message;
    };
    const auto plain = [](std::uint32_t number, platform::WindowHandle window) {
        platform::Message message;
        message.message = number;
        message.window = window;
        return message;
    };
    platform::Message empty = plain(PrivateMsg::kQueuedEvent, kWindow);
    struct Case {
        const char* what;
        platform::Message message;
        bool close;
    };
    const Case cases[] = {
        { "the close box", plain(platform::Msg::kClose, kWindow), true },
        { "another window's close box", plain(platform::Msg::kClose, kWindow + 1), false },
        { "EVENT:CloseWindow queued", queued(EventCode::kCloseWindow, kWindow), true },
        { "EVENT:CloseDown queued", queued(EventCode::kCloseDown, kWindow), true },
        { "for another window", queued(EventCode::kCloseDown, kWindow + 1), false },
        { "another event queued", queued(EventCode::kTimer, kWindow), false },
        { "a queued-event message without its event", empty, false },
        { "a click", plain(platform::Msg::kCommand, kWindow), false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsCloseRequest(c.message, kWindow), c.close) << c.what;
}

} // namespace
