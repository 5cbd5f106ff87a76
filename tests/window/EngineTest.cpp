#include "EngineTestSupport.h"

#include <platform/MessageQueue.h>
#include <window/EngineErrors.h>

#include <thread>

using namespace window;
using enginetest::AddFields;
using enginetest::EngineFixture;
using enginetest::RaisedErrors;

namespace {

// Event codes as procedures give them (without the base).
constexpr std::int32_t kAccepted = 0x01;
constexpr std::int32_t kSelected = 0x101;
constexpr std::int32_t kCloseWindow = 0x201;
constexpr std::int32_t kOpenWindow = 0x203;
constexpr std::int32_t kOpenFailed = 0x204;
constexpr std::int32_t kTimer = 0x20B;
constexpr std::int32_t kCompleted = 0x225;
constexpr std::int32_t kBuildKey = 0x241;

struct Seen {
    std::int32_t event;
    std::int32_t field;
    std::int32_t accepted;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen)
{
    return out << "{0x" << std::hex << seen.event << std::dec << ", " << seen.field << ", "
               << seen.accepted << "}";
}

Seen Now()
{
    return { CurrentEvent(), EventField(), AcceptedField() };
}

/// Runs an ACCEPT loop that records every event and answers -1 to the first CloseWindow.
std::vector<Seen> RecordUntilClose()
{
    std::vector<Seen> seen;
    Accept([&] {
        seen.push_back(Now());
        return CurrentEvent() == kCloseWindow ? -1 : 0;
    });
    return seen;
}

using EngineTest = EngineFixture;

TEST_F(EngineTest, NothingIsCurrentWithoutAWindow)
{
    EXPECT_EQ(CurrentEvent(), 0);
    EXPECT_EQ(EventField(), 0);
    EXPECT_EQ(AcceptedField(), 0);
    EXPECT_EQ(FocusField(), 0);
    EXPECT_EQ(FirstField(), 0);
    EXPECT_EQ(LastField(), 0);
    EXPECT_EQ(KeyCode(), 0u);
    EXPECT_EQ(ThreadNumber(), 1);
}

TEST_F(EngineTest, AcceptedFieldOnlyForAcceptedAndEventFieldOnlyForFields)
{
    WindowObject window;
    AddFields(window, 3);
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kAccepted, 2);
    PostEvent(kSelected, 3);
    PostEvent(kTimer);
    PostEvent(kCloseWindow);
    std::vector<Seen> expected = {
        { kOpenWindow, 0, 0 },
        { kAccepted, 2, 2 },
        { kSelected, 3, 0 },
        { kTimer, 0, 0 },
        { kCloseWindow, 0, 0 },
    };
    EXPECT_EQ(RecordUntilClose(), expected);
    EXPECT_FALSE(window.IsOpen());
    EXPECT_EQ(CurrentEvent(), 0);
    EXPECT_TRUE(RaisedErrors().empty());
}

TEST_F(EngineTest, PostedEventsThatHaveNoWindowOrFieldAreDropped)
{
    WindowObject window;
    AddFields(window, 2);
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kAccepted, 1, 5);  // slot 4 holds no thread
    PostEvent(kAccepted, 1, 65); // no such thread
    PostEvent(kAccepted, 1, -3);
    PostEvent(kAccepted, 9);    // not a field of the window
    PostEvent(kAccepted, 2, 1); // this thread, by number
    PostEvent(kAccepted, 1, 0); // this thread
    PostEvent(kCloseWindow);
    std::vector<Seen> expected = {
        { kOpenWindow, 0, 0 },
        { kAccepted, 2, 2 },
        { kAccepted, 1, 1 },
        { kCloseWindow, 0, 0 },
    };
    EXPECT_EQ(RecordUntilClose(), expected);
    EXPECT_TRUE(RaisedErrors().empty());
}

TEST_F(EngineTest, FrontPostingOvertakesQueuedEvents)
{
    WindowObject window;
    AddFields(window, 3);
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kAccepted, 1);
    PostEvent(kAccepted, 2);
    PostEvent(kAccepted, 3, 0, PostPlace::Front);
    PostEvent(kCloseWindow);
    std::vector<Seen> expected = {
        { kAccepted, 3, 3 },
        { kOpenWindow, 0, 0 },
        { kAccepted, 1, 1 },
        { kAccepted, 2, 2 },
        { kCloseWindow, 0, 0 },
    };
    EXPECT_EQ(RecordUntilClose(), expected);
}

TEST_F(EngineTest, SelectedForTheSelectedControlIsDropped)
{
    WindowObject window;
    AddFields(window, 3);
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kSelected, 2);
    PostEvent(kSelected, 2);
    PostEvent(kSelected, 3);
    PostEvent(kSelected, 2);
    PostEvent(kCloseWindow);
    std::vector<std::int32_t> focus;
    std::vector<Seen> seen;
    Accept([&] {
        seen.push_back(Now());
        focus.push_back(FocusField());
        return CurrentEvent() == kCloseWindow ? -1 : 0;
    });
    std::vector<Seen> expected = {
        { kOpenWindow, 0, 0 },
        { kSelected, 2, 0 },
        { kSelected, 3, 0 },
        { kSelected, 2, 0 },
        { kCloseWindow, 0, 0 },
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(focus, (std::vector<std::int32_t> { 0, 2, 3, 2, 2 }));
}

// The body's answers to successive close requests, and how many it takes to close.
struct CloseRow {
    std::vector<int> answers;
    std::size_t closesSeen;
};

class CloseAnswerTest
    : public EngineFixture
    , public ::testing::WithParamInterface<CloseRow> { };

TEST_P(CloseAnswerTest, ZeroAcceptsTheCloseAndOneRefusesIt)
{
    const CloseRow& row = GetParam();
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    for (std::size_t i = 0; i < row.answers.size(); ++i)
        PostEvent(kCloseWindow);
    PostEvent(kTimer); // ends the loop when every close was refused
    std::size_t closes = 0;
    std::vector<bool> openWhenAsked;
    Accept([&] {
        openWhenAsked.push_back(window.IsOpen());
        if (CurrentEvent() == kTimer)
            return -1;
        if (CurrentEvent() != kCloseWindow)
            return 0;
        return row.answers[closes++];
    });
    EXPECT_EQ(closes, row.closesSeen);
    EXPECT_FALSE(window.IsOpen());
    for (bool open : openWhenAsked)
        EXPECT_TRUE(open);
}

INSTANTIATE_TEST_SUITE_P(Rows, CloseAnswerTest,
    ::testing::Values(CloseRow { { 0 }, 1 }, // accepted at once
        CloseRow { { 1, 0 }, 2 },            // refused, then accepted
        CloseRow { { 1, 1, 0 }, 3 },         // refused twice
        CloseRow { { 1 }, 1 }),              // refused: the timer ends the loop
    [](const ::testing::TestParamInfo<CloseRow>& row) {
        std::string name = "Answers";
        for (int answer : row.param.answers)
            name += std::to_string(answer);
        return name;
    });

TEST_F(EngineTest, MinusOneLeavesTheRestQueued)
{
    WindowObject window;
    AddFields(window, 3);
    ASSERT_TRUE(OpenWindow(window));
    // At the front, in reverse: straight into the window's queue, ahead of OpenWindow.
    PostEvent(kCloseWindow, 0, 0, PostPlace::Front);
    PostEvent(kAccepted, 3, 0, PostPlace::Front);
    PostEvent(kAccepted, 2, 0, PostPlace::Front);
    PostEvent(kAccepted, 1, 0, PostPlace::Front);
    std::vector<Seen> outer;
    std::vector<Seen> inner;
    std::size_t queuedAfterInner = 0;
    Accept([&] {
        outer.push_back(Now());
        if (AcceptedField() == 1) {
            Accept([&] {
                inner.push_back(Now());
                return -1;
            });
            queuedAfterInner = QueuedEventCount(window);
            EXPECT_TRUE(window.IsOpen()); // the outer loop still runs on it
        }
        return CurrentEvent() == kCloseWindow ? -1 : 0;
    });
    EXPECT_EQ(inner, (std::vector<Seen> { { kAccepted, 2, 2 } }));
    EXPECT_EQ(queuedAfterInner, 2u);
    std::vector<Seen> expected = {
        { kAccepted, 1, 1 },
        { kAccepted, 3, 3 },
        { kCloseWindow, 0, 0 },
    };
    EXPECT_EQ(outer, expected);
}

TEST_F(EngineTest, OpenFailedEndsTheLoopWhateverTheBodyAnswers)
{
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kOpenFailed);
    PostEvent(kTimer);
    std::vector<std::int32_t> seen;
    Accept([&] {
        seen.push_back(CurrentEvent());
        return 0;
    });
    EXPECT_EQ(seen, (std::vector<std::int32_t> { kOpenWindow, kOpenFailed }));
    EXPECT_FALSE(window.IsOpen());
}

TEST_F(EngineTest, BuildProgressEventsIgnoreTheBodysAnswer)
{
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kBuildKey);
    PostEvent(kTimer);
    std::vector<std::int32_t> seen;
    Accept([&] {
        seen.push_back(CurrentEvent());
        return -1;
    });
    EXPECT_EQ(seen, (std::vector<std::int32_t> { kOpenWindow }));
    // The body's -1 to OpenWindow ended the loop; a build-progress event does not end it.
    WindowObject second;
    ASSERT_TRUE(OpenWindow(second));
    PostEvent(kBuildKey, 0, 0, PostPlace::Front);
    PostEvent(kTimer);
    seen.clear();
    Accept([&] {
        seen.push_back(CurrentEvent());
        return CurrentEvent() == kTimer || CurrentEvent() == kBuildKey ? -1 : 0;
    });
    EXPECT_EQ(seen, (std::vector<std::int32_t> { kBuildKey, kOpenWindow, kTimer }));
}

// Keyboard and mouse messages and the key code they leave for the next event.
struct KeyRow {
    std::uint32_t message;
    std::int64_t wParam;
    std::uint32_t keyState;
    std::uint32_t keyCode;
};

const KeyRow kKeyRows[] = {
    { platform::Msg::kKeyDown, 0x41, 0, 0x41 },
    { platform::Msg::kKeyDown, 0x2E, platform::KeyState::kExtended,
        0x2E }, // 0x82E: the extended bit lies above the 11 bits
    { platform::Msg::kKeyDown, 0x70, platform::KeyState::kShift, 0x170 },
    { platform::Msg::kKeyDown, 0x0D, platform::KeyState::kControl, 0x20D },
    { platform::Msg::kSysKeyDown, 0x58, platform::KeyState::kAlt, 0x458 },
    // Control + an extended key: 0x800 | 0x200 | 0x2E, of which procedures see 11 bits.
    { platform::Msg::kKeyDown, 0x2E, platform::KeyState::kExtended | platform::KeyState::kControl,
        0x22E },
    { platform::Msg::kLeftButtonDown, 0, 0, 1 },
    { platform::Msg::kRightButtonDown, 0, 0, 2 },
    { platform::Msg::kMiddleButtonDown, 0, 0, 3 },
    { platform::Msg::kLeftButtonDoubleClick, 0, 0, 5 },
    { platform::Msg::kRightButtonDoubleClick, 0, 0, 6 },
    { platform::Msg::kMiddleButtonDoubleClick, 0, 0, 7 },
    { platform::Msg::kLeftButtonUp, 0, 0, 0x81 },
    { platform::Msg::kRightButtonUp, 0, 0, 0x82 },
    { platform::Msg::kMiddleButtonUp, 0, platform::KeyState::kShift, 0x183 },
    { platform::Msg::kLeftButtonDown, 0, platform::KeyState::kAlt | platform::KeyState::kShift,
        0x501 },
};

TEST_F(EngineTest, KeysAndMouseButtonsBecomeTheKeyCodeOfTheNextEvent)
{
    auto queue = platform::CurrentThreadQueue();
    for (const KeyRow& row : kKeyRows) {
        WindowObject window;
        ASSERT_TRUE(OpenWindow(window));
        platform::Message input;
        input.message = row.message;
        input.wParam = row.wParam;
        input.keyState = row.keyState;
        queue->Post(input);
        queue->Post(enginetest::ThreadTimerTick());
        std::uint32_t seen = 0xFFFF;
        Accept([&] {
            if (CurrentEvent() != kTimer)
                return 0;
            seen = KeyCode();
            return -1;
        });
        EXPECT_EQ(seen, row.keyCode) << std::hex << row.message << " " << row.wParam;
    }
    // Outside any event the thread's last key code answers; setting it writes both.
    EXPECT_EQ(KeyCode(), 0x501u);
    SetKeyCode(0x1234);
    EXPECT_EQ(KeyCode(), 0x234u);
}

TEST_F(EngineTest, SetKeyCodeChangesTheCurrentEventAndTheThread)
{
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    PostEvent(kTimer);
    std::vector<std::uint32_t> seen;
    Accept([&] {
        if (CurrentEvent() == kOpenWindow) {
            SetKeyCode(0x70);
            seen.push_back(KeyCode());
            return 0;
        }
        seen.push_back(KeyCode()); // the timer was made before the change
        return -1;
    });
    EXPECT_EQ(seen, (std::vector<std::uint32_t> { 0x70, 0 }));
    EXPECT_EQ(KeyCode(), 0x70u);
}

TEST_F(EngineTest, TimerTicksAreCoalescedUnderASlowBody)
{
    constexpr int kTicksDuringBody = 5;
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    auto queue = platform::CurrentThreadQueue();
    enginetest::Signal bodyInTimer;
    enginetest::Signal ticksPosted;
    std::thread ticker([&] {
        if (!bodyInTimer.WaitFor(1))
            return;
        for (int i = 0; i < kTicksDuringBody; ++i)
            queue->Post(enginetest::ThreadTimerTick());
        ticksPosted.Raise();
    });
    queue->Post(enginetest::ThreadTimerTick());
    int timers = 0;
    bool nothingLeft = false;
    Accept([&] {
        if (CurrentEvent() != kTimer)
            return 0;
        if (++timers == 1) {
            // A slow body: the ticks arrive while it runs.
            bodyInTimer.Raise();
            EXPECT_TRUE(ticksPosted.WaitFor(1));
            return 0;
        }
        nothingLeft = QueuedEventCount(window) == 0 && !queue->HasMessages();
        return -1;
    });
    ticker.join();
    EXPECT_EQ(timers, 2);
    EXPECT_TRUE(nothingLeft);
}

TEST_F(EngineTest, FieldRangeOfTheTargetWindow)
{
    WindowObject first;
    first.AddControl(-1, 0); // a menu
    first.AddControl(2, 0);
    first.AddControl(5, 0);
    ASSERT_TRUE(OpenWindow(first));
    EXPECT_EQ(FirstField(), -1);
    EXPECT_EQ(LastField(), 5);
    WindowObject second;
    AddFields(second, 7);
    ASSERT_TRUE(OpenWindow(second));
    EXPECT_EQ(FirstField(), 1);
    EXPECT_EQ(LastField(), 7);
    SetTarget(&first);
    EXPECT_EQ(LastField(), 5);
    SetTarget(nullptr, 1); // the current window of thread 1
    EXPECT_EQ(LastField(), 7);
    SetTarget(nullptr);
    CloseWindow(second);
    EXPECT_EQ(CurrentWindow(), &first); // activation passes back along the chain
    EXPECT_EQ(LastField(), 5);
    CloseWindow(first);
    EXPECT_EQ(CurrentWindow(), nullptr);
    EXPECT_EQ(LastField(), 0);
}

// A window whose fields record the focus they are given and report their own checks.
class CheckedWindow : public WindowObject {
public:
    std::vector<std::int32_t> focused;
    std::int32_t invalid = 0;
    void GiveFocus(std::int32_t equate) override { focused.push_back(equate); }
    bool IsBound(std::int32_t equate) const override { return equate != 2; }
    bool ValueIsValid(std::int32_t equate) const override { return equate != invalid; }
};

TEST_F(EngineTest, SelectFieldsFocusesTheRangeInOrder)
{
    CheckedWindow window;
    AddFields(window, 6);
    ASSERT_TRUE(OpenWindow(window));
    SelectFields(4, 2);
    SelectFields(6);
    SelectFields(0); // refreshes, focuses nothing
    EXPECT_EQ(window.focused, (std::vector<std::int32_t> { 2, 3, 4, 6 }));
    CloseWindow(window);
    SelectFields(1);
    EXPECT_EQ(RaisedErrors(), (std::vector<int> { 536 }));
}

TEST_F(EngineTest, AcceptAllVisitsBoundFieldsThenCompletes)
{
    for (std::int32_t invalid : { 0, 3 }) {
        CheckedWindow window;
        window.invalid = invalid;
        AddFields(window, 4);
        ASSERT_TRUE(OpenWindow(window));
        std::vector<Seen> seen;
        Accept([&] {
            seen.push_back(Now());
            if (CurrentEvent() == kOpenWindow)
                StartAcceptAll(window);
            if (CurrentEvent() == kCompleted || (invalid != 0 && AcceptedField() == 1)) {
                if (invalid != 0)
                    PostEvent(kTimer); // the pass stops at the failing field without events
                return invalid != 0 ? 0 : -1;
            }
            return CurrentEvent() == kTimer ? -1 : 0;
        });
        std::vector<Seen> expected = invalid == 0
            ? std::vector<Seen> { { kOpenWindow, 0, 0 }, { kAccepted, 1, 1 }, { kAccepted, 3, 3 },
                  { kAccepted, 4, 4 }, { kCompleted, 0, 0 } }
            : std::vector<Seen> { { kOpenWindow, 0, 0 }, { kAccepted, 1, 1 }, { kTimer, 0, 0 } };
        EXPECT_EQ(seen, expected) << "invalid field " << invalid;
        if (invalid != 0) {
            EXPECT_EQ(window.focused, (std::vector<std::int32_t> { 3 }));
        }
    }
}

TEST_F(EngineTest, ErrorsOfWindowsAndLoops)
{
    Accept([] { return -1; });
    EXPECT_EQ(RaisedErrors(), (std::vector<int> { 537 }));
    RaisedErrors().clear();

    WindowObject child(platform::WindowKind::MdiChild);
    EXPECT_FALSE(OpenWindow(child)); // no frame
    WindowObject frame(platform::WindowKind::Frame);
    EnterModalState();
    EXPECT_FALSE(OpenWindow(frame)); // modal
    LeaveModalState();
    ASSERT_TRUE(OpenWindow(frame));
    EXPECT_FALSE(OpenWindow(frame)); // twice
    WindowObject secondFrame(platform::WindowKind::Frame);
    EXPECT_FALSE(OpenWindow(secondFrame));
    EXPECT_FALSE(OpenWindow(child)); // on the frame's thread
    EXPECT_EQ(RaisedErrors(), (std::vector<int> { 530, 527, 535, 526, 532 }));
}

TEST_F(EngineTest, BringToTopMessageRaisesTheCurrentWindow)
{
    struct RaisedWindow : WindowObject {
        int raised = 0;
        void BringToTop() override { ++raised; }
    };
    RaisedWindow first;
    RaisedWindow second;
    ASSERT_TRUE(OpenWindow(first));
    ASSERT_TRUE(OpenWindow(second));
    platform::Message bringToTop;
    bringToTop.message = PrivateMsg::kBringToTop;
    platform::CurrentThreadQueue()->Post(bringToTop);
    PostEvent(kTimer);
    Accept([] { return CurrentEvent() == kTimer ? -1 : 0; });
    EXPECT_EQ(second.raised, 1);
    EXPECT_EQ(first.raised, 0);
}

TEST_F(EngineTest, PressKeysOverflowIsErrorAndTakesNothing)
{
    PressKeys(std::string(kKeystrokeBufferSize - 1, 'a'));
    PressKeys("b");
    EXPECT_TRUE(RaisedErrors().empty());
    PressKeys("c");
    EXPECT_EQ(RaisedErrors(), (std::vector<int> { 534 }));
    EXPECT_EQ(Slot(0).pressedKeys.size(), kKeystrokeBufferSize);
    EXPECT_EQ(Slot(0).pressedKeys.back(), 'b');
}

TEST_F(EngineTest, PressedKeysAreTakenByTheLoop)
{
    WindowObject window;
    ASSERT_TRUE(OpenWindow(window));
    PressKeys("xy");
    PostEvent(kTimer);
    Accept([&] { return CurrentEvent() == kTimer ? -1 : 0; });
    EXPECT_TRUE(Slot(0).pressedKeys.empty());
    EXPECT_EQ(Slot(0).lastKeyState[1], 'y');
}

} // namespace
