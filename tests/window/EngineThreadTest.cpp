#include "EngineTestSupport.h"

#include <platform/MessageQueue.h>
#include <value/BindScope.h>
#include <value/StringStack.h>
#include <window/RuntimeLock.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>

using namespace window;
using enginetest::AddFields;
using enginetest::EngineFixture;
using enginetest::RaisedErrors;
using enginetest::Signal;

namespace {

constexpr std::int32_t kAccepted = 0x01;
constexpr std::int32_t kCloseWindow = 0x201;
constexpr std::int32_t kCloseDown = 0x202;
constexpr std::int32_t kOpenWindow = 0x203;
constexpr std::int32_t kTimer = 0x20B;

/// A procedure that keeps a window open until the thread is asked to end.
void WaitForTheEnd(std::vector<std::string>)
{
    WindowObject window;
    OpenWindow(window);
    Accept([] { return 0; });
}

using EngineThreadTest = EngineFixture;

TEST_F(EngineThreadTest, StackSizeHasAFloor)
{
    struct Row {
        std::int32_t asked;
        std::uint32_t used;
    };
    const Row rows[] = {
        { 5000, 20000 },
        { 0, 20000 },
        { -1, 20000 },
        { 19999, 20000 },
        { 20000, 20000 },
        { 25000, 25000 },
    };
    for (const Row& row : rows) {
        std::int32_t number = StartThread(WaitForTheEnd, row.asked);
        ASSERT_NE(number, 0);
        EXPECT_EQ(ThreadStackSize(number), row.used) << row.asked;
    }
    EXPECT_EQ(ThreadStackSize(1), 0u);
    EXPECT_EQ(ThreadStackSize(40), 0u);
}

TEST_F(EngineThreadTest, SixtyThreeThreadsThenNoSlotIsLeft)
{
    std::array<std::atomic<std::int32_t>, kThreadSlots + 1> numberSeen {};
    std::array<std::vector<std::string>, kThreadSlots + 1> parametersSeen;
    std::vector<std::int32_t> started;
    for (int i = 0; i < kThreadSlots - 1; ++i) {
        std::int32_t number = StartThread(
            [&](std::vector<std::string> parameters) {
                std::int32_t self = ThreadNumber();
                numberSeen[static_cast<std::size_t>(self)] = self;
                parametersSeen[static_cast<std::size_t>(self)] = std::move(parameters);
                WaitForTheEnd({});
            },
            25000, { "a", std::to_string(i), "c", "dropped" });
        started.push_back(number);
    }
    bool ranNot = true;
    EXPECT_EQ(StartThread([&](std::vector<std::string>) { ranNot = false; }, 25000, { "x" }), 0);
    for (std::size_t i = 0; i < started.size(); ++i)
        EXPECT_EQ(started[i], static_cast<std::int32_t>(i) + 2);
    // Let every thread run its procedure, then end them all.
    EndSession();
    EXPECT_TRUE(ranNot);
    for (std::int32_t number = 2; number <= kThreadSlots; ++number) {
        auto index = static_cast<std::size_t>(number);
        EXPECT_EQ(numberSeen[index], number);
        EXPECT_EQ(parametersSeen[index],
            (std::vector<std::string> { "a", std::to_string(number - 2), "c" }));
    }
}

TEST_F(EngineThreadTest, ModalStateStartsNoThread)
{
    bool ran = false;
    EnterModalState();
    EXPECT_EQ(StartThread([&](std::vector<std::string>) { ran = true; }, 0, { "p" }), 0);
    LeaveModalState();
    EXPECT_NE(StartThread(WaitForTheEnd, 0), 0);
    EndSession();
    EXPECT_FALSE(ran);
}

TEST_F(EngineThreadTest, ThreadsThatEndedFreeTheirSlots)
{
    Signal ended;
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    auto quick = [&](std::vector<std::string>) { ended.Raise(); };
    EXPECT_EQ(StartThread(quick, 0), 2);
    AssertHoldsRuntimeLock();
    {
        RuntimeLockRelease released;
        ASSERT_TRUE(ended.WaitFor(1));
    }
    // The thread frees its slot before it releases the lock for good, and the lock came back
    // only after that.
    EXPECT_EQ(StartThread(quick, 0), 2);
    EXPECT_EQ(StartThread(quick, 0), 3);
    EndSession(); // the threads run and end while `ended` still exists
    EXPECT_EQ(ended.Count(), 3);
}

TEST_F(EngineThreadTest, EventsPostedToAnotherThreadReachItsWindow)
{
    WindowObject main;
    ASSERT_TRUE(OpenWindow(main));
    std::vector<std::int32_t> secondSaw;
    std::int32_t second = StartThread(
        [&](std::vector<std::string>) {
            WindowObject window;
            AddFields(window, 4);
            OpenWindow(window);
            PostEvent(kAccepted, 0, 1); // tells the first thread the window is open
            Accept([&] {
                if (CurrentEvent() == kAccepted)
                    secondSaw.push_back(EventField());
                return AcceptedField() == 4 ? -1 : 0;
            });
        },
        0);
    ASSERT_NE(second, 0);
    Accept([&] {
        if (CurrentEvent() != kAccepted)
            return 0;
        PostEvent(kAccepted, 9, second); // not a field there
        PostEvent(kAccepted, 3, second);
        PostEvent(kAccepted, 4, second);
        return -1;
    });
    EndSession();
    EXPECT_EQ(secondSaw, (std::vector<std::int32_t> { 3, 4 }));
}

TEST_F(EngineThreadTest, ModalWaitLetsOtherThreadsRun)
{
    constexpr int kTicks = 3;
    constexpr platform::WindowHandle kDialog = 77;
    std::mutex queuesMutex;
    std::array<std::shared_ptr<platform::MessageQueue>, 3> queues;
    Signal queueKnown;
    Signal waiting;
    std::array<Signal, 3> timers;
    Signal waitEnded;
    std::int64_t answer = -1;
    bool timerAfterWait = false;

    auto procedure = [&](std::size_t which) {
        return [&, which](std::vector<std::string>) {
            {
                std::lock_guard lock(queuesMutex);
                queues[which] = platform::CurrentThreadQueue();
            }
            queueKnown.Raise();
            WindowObject window;
            OpenWindow(window);
            Accept([&] {
                if (which == 0 && CurrentEvent() == kOpenWindow) {
                    waiting.Raise();
                    answer = WaitForDialog(kDialog);
                    return 0;
                }
                if (CurrentEvent() != kTimer)
                    return 0;
                timers[which].Raise();
                if (which == 0) {
                    timerAfterWait = true;
                    waitEnded.Raise();
                }
                return 0;
            });
        };
    };
    for (std::size_t which = 0; which < 3; ++which)
        ASSERT_NE(StartThread(procedure(which), 0), 0);

    std::thread driver([&] {
        if (!queueKnown.WaitFor(3) || !waiting.WaitFor(1))
            return;
        std::lock_guard lock(queuesMutex);
        // Arrives during the wait: kept and handled after it.
        queues[0]->Post(enginetest::ThreadTimerTick());
        // The two others can only handle these while the first has released the lock.
        for (int tick = 1; tick <= kTicks; ++tick) {
            for (std::size_t which : { 1u, 2u }) {
                queues[which]->Post(enginetest::ThreadTimerTick());
                if (!timers[which].WaitFor(tick))
                    return;
            }
        }
        EXPECT_EQ(timers[0].Count(), 0);
        platform::Message finished;
        finished.message = platform::Msg::kDialogFinished;
        finished.id = kDialog + 1; // another dialog's answer is not the one waited for
        queues[0]->Post(finished);
        finished.id = kDialog;
        finished.wParam = 6;
        queues[0]->Post(finished);
    });
    AssertHoldsRuntimeLock();
    {
        RuntimeLockRelease released;
        EXPECT_TRUE(waitEnded.WaitFor(1));
        driver.join();
    }
    EXPECT_EQ(timers[1].Count(), kTicks);
    EXPECT_EQ(timers[2].Count(), kTicks);
    EXPECT_EQ(answer, 6);
    EXPECT_TRUE(timerAfterWait);
}

TEST_F(EngineThreadTest, EachThreadKeepsItsOwnStringStack)
{
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    value::PushString("first thread");
    std::string secondTopAfterSwitches;
    int secondDepthAfterSwitches = -1;
    std::string firstTopInBody;
    int firstDepthInBody = -1;
    std::int32_t second = StartThread(
        [&](std::vector<std::string>) {
            EXPECT_EQ(value::StackDepth(), 0); // a new thread starts with an empty stack
            value::PushString("second");
            value::PushString("second thread");
            WindowObject own;
            OpenWindow(own);
            PostEvent(kAccepted, 0, 1);
            Accept([] { return 0; }); // until the thread is asked to end
            secondDepthAfterSwitches = value::StackDepth();
            secondTopAfterSwitches = std::string(value::StackTop().View());
            value::ResetStringStack();
        },
        0);
    ASSERT_NE(second, 0);
    Accept([&] {
        if (CurrentEvent() != kAccepted)
            return 0;
        firstDepthInBody = value::StackDepth();
        firstTopInBody = std::string(value::StackTop().View());
        return -1;
    });
    EndSession();
    EXPECT_EQ(firstDepthInBody, 1);
    EXPECT_EQ(firstTopInBody, "first thread");
    EXPECT_EQ(secondDepthAfterSwitches, 2);
    EXPECT_EQ(secondTopAfterSwitches, "second thread");
}

// A thread that ends with values on its string stack and a scope open leaves none of it to the
// thread that takes its slot next; what it held is released as it ends.
TEST_F(EngineThreadTest, AThreadInAFreedSlotStartsFromNothing)
{
    Signal ran;
    std::int32_t variable = 0;
    auto leaveThingsBehind = [&](std::vector<std::string>) {
        value::PushString("a value longer than the inline buffer of an entry");
        value::Materialize();
        value::PushLong(42);
        value::PushBindScope();
        value::Bind(
            "V", *value::ValueReference::Make(value::TypeCode::Long, &variable, sizeof variable));
        ran.Raise();
    };
    ASSERT_EQ(StartThread(leaveThingsBehind, 0), 2);
    AssertHoldsRuntimeLock();
    {
        RuntimeLockRelease released;
        ASSERT_TRUE(ran.WaitFor(1));
    }
    int depth = -1;
    std::size_t scopes = 99;
    bool bound = true;
    std::int32_t number = 0;
    auto lookAround = [&](std::vector<std::string>) {
        depth = value::StackDepth();
        scopes = value::BindScopeDepth();
        bound = value::FindBinding("V").has_value();
        number = ThreadNumber();
    };
    ASSERT_EQ(StartThread(lookAround, 0), 2);
    EndSession();
    EXPECT_EQ(number, 2);
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(scopes, 0u);
    EXPECT_FALSE(bound);
}

TEST_F(EngineThreadTest, ClosingTheFrameAsksItsChildren)
{
    WindowObject frame(platform::WindowKind::Frame);
    ASSERT_TRUE(OpenWindow(frame));
    const std::vector<int> childAnswers = { 1, 0 }; // refuses the first close, then accepts
    std::size_t closeDowns = 0;
    bool childOpenAtEnd = true;
    std::int32_t child = StartThread(
        [&](std::vector<std::string>) {
            WindowObject window(platform::WindowKind::MdiChild);
            OpenWindow(window);
            EXPECT_EQ(window.Owner(), &frame);
            PostEvent(kAccepted, 0, 1); // open: the frame may ask to close now
            Accept([&] {
                if (CurrentEvent() != kCloseDown)
                    return 0;
                int answer = childAnswers[closeDowns++];
                if (answer == 1)
                    PostEvent(kAccepted, 0, 1); // refused: the frame asks again
                return answer;
            });
            childOpenAtEnd = window.IsOpen();
        },
        0);
    ASSERT_NE(child, 0);
    int closeRequests = 0;
    bool openAfterRefusal = false;
    Accept([&] {
        if (CurrentEvent() != kAccepted)
            return 0;
        if (++closeRequests == 2)
            openAfterRefusal = frame.IsOpen() && frame.Events().closeState == CloseState::None;
        PostEvent(kCloseWindow);
        return 0;
    });
    EXPECT_EQ(closeRequests, 2);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_FALSE(frame.IsOpen());
    EndSession();
    EXPECT_EQ(closeDowns, 2u);
    EXPECT_FALSE(childOpenAtEnd);
}

/// Checks one thread's record of Suspend and Resume: a Resume only ever follows a Suspend
/// still outstanding, and at most one Suspend is left outstanding at the end.
void ExpectSuspendResumePaired(const std::vector<std::int32_t>& seen, const char* who)
{
    int outstanding = 0;
    for (std::int32_t event : seen) {
        if (event == 0x208)
            ++outstanding;
        if (event == 0x209) {
            EXPECT_EQ(outstanding, 1) << who;
            --outstanding;
        }
        EXPECT_GE(outstanding, 0) << who;
        EXPECT_LE(outstanding, 1) << who;
    }
}

TEST_F(EngineThreadTest, SuspendAndResumeFollowTheThreadThatRunsBodies)
{
    WindowObject main;
    ASSERT_TRUE(OpenWindow(main));
    std::vector<std::int32_t> mainSaw;
    std::vector<std::int32_t> secondSaw;
    std::int32_t second = StartThread(
        [&](std::vector<std::string>) {
            WindowObject window;
            OpenWindow(window);
            Accept([&] {
                secondSaw.push_back(CurrentEvent());
                if (CurrentEvent() == kOpenWindow)
                    PostEvent(kAccepted, 0, 1);
                return 0;
            });
        },
        0);
    ASSERT_NE(second, 0);
    // Ends once the second thread's body has run; the two must not keep waking each other.
    Accept([&] {
        mainSaw.push_back(CurrentEvent());
        return CurrentEvent() == kAccepted ? -1 : 0;
    });
    EndSession();
    ExpectSuspendResumePaired(mainSaw, "first thread");
    ExpectSuspendResumePaired(secondSaw, "second thread");
    EXPECT_EQ(mainSaw.back(), kAccepted);
    // Whichever ran first, the second thread's body ran after the first's at least once, or
    // the other way round: one of them was suspended.
    auto suspends = [](const std::vector<std::int32_t>& seen) {
        return std::count(seen.begin(), seen.end(), 0x208);
    };
    EXPECT_GE(suspends(mainSaw) + suspends(secondSaw), 1);
}

} // namespace
