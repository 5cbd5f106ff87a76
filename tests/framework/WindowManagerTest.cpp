// The window manager with the event engine and no display: a procedure opens a plain window,
// the test posts the events a user would cause, and the procedure's ACCEPT loop runs them
// through the handler methods. The display's part is in WindowManagerDisplayTest.

#include "WindowManagerFakes.h"

#include <framework/WindowManager.h>
#include <value/BindScope.h>
#include <value/TypeCodes.h>
#include <value/ValueReference.h>
#include <window/Engine.h>
#include <window/EngineTestSupport.h>
#include <window/MessageBox.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace framework;
using enginetest::RaisedErrors;
using wmtest::CountingRelay;
using wmtest::FakeBrowse;
using wmtest::FakeDrop;
using wmtest::FakeRecord;
using wmtest::FakeResizer;
using wmtest::FakeTarget;
using wmtest::FakeTranslator;
using wmtest::ScriptedErrors;

namespace {

// Event codes as procedures see them.
constexpr std::int32_t kAccepted = 1;
constexpr std::int32_t kAlertKey = 15;
constexpr std::int32_t kCloseWindow = 513;
constexpr std::int32_t kCloseDown = 514;
constexpr std::int32_t kOpenWindow = 515;
constexpr std::int32_t kLoseFocus = 517;
constexpr std::int32_t kGainFocus = 518;
constexpr std::int32_t kCompleted = 549;
constexpr std::int32_t kSized = 561;
/// A program event the test procedure keeps going round the back of its queue: seen twice
/// in a row, nothing else is left to happen and the loop is left with the window still open.
constexpr std::int32_t kAtRest = 0x400;

constexpr std::int32_t kHistoryButton = 2011;
constexpr int kMismatchedPopScope = 802;
constexpr int kAcceptWithoutWindow = 537;

/// The plain window of the test procedure; remembers where the focus was sent.
class PlainWindow : public window::WindowObject {
public:
    std::vector<std::int32_t> focused;
    void GiveFocus(std::int32_t equate) override { focused.push_back(equate); }
};

struct Seen {
    std::int32_t event;
    std::int32_t field;
    std::uint32_t level;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen)
{
    return out << "{" << seen.event << ", " << seen.field << ", " << seen.level << "}";
}

/// A procedure as a derived class writes one: its Init calls the base Init, readies the
/// primary file, opens its window and sets `opened`. It records what its handlers saw.
class Procedure : public WindowManager {
public:
    PlainWindow window;
    std::vector<std::int32_t> fields { 1, 2, 3, 4, 5 };
    /// Sets the procedure up after the base Init (fields, lists, actions).
    std::function<void(Procedure&)> configure;
    /// Posts the events to deliver once the window is open.
    std::function<void(Procedure&)> afterOpen;
    /// Looks on after each event the handlers took.
    std::function<void(Procedure&)> afterEach;
    std::uint32_t initAnswer = LevelOk;

    std::vector<Seen> seen; ///< each event with the level OnEvent answered
    std::vector<std::int32_t> fieldEvents;
    std::vector<std::pair<std::int32_t, std::uint32_t>> accepted; ///< field, level answered
    bool leftOpen = false; ///< the loop came to rest with the window open

    std::uint32_t Init() override
    {
        std::uint32_t level = WindowManager::Init();
        if (level != LevelOk)
            return level;
        if (configure)
            configure(*this);
        level = PrepareUpdate();
        if (level != LevelOk)
            return level;
        for (std::int32_t field : fields)
            window.AddControl(field, 0);
        if (!window::OpenWindow(window))
            return LevelNotify;
        opened = 1;
        if (afterOpen)
            afterOpen(*this);
        window::PostEvent(kAtRest);
        return initAnswer;
    }

    std::uint32_t OnEvent() override
    {
        const std::int32_t event = window::CurrentEvent();
        if (event == kAtRest) {
            if (!m_progressed) {
                leftOpen = true;
                return LevelFatal;
            }
            m_progressed = false;
            window::PostEvent(kAtRest);
            return LevelOk;
        }
        m_progressed = true;
        const std::int32_t field = window::EventField();
        const std::uint32_t level = WindowManager::OnEvent();
        seen.push_back({ event, field, level });
        if (afterEach)
            afterEach(*this);
        return level;
    }

    std::uint32_t OnFieldEvent() override
    {
        fieldEvents.push_back(window::EventField());
        return WindowManager::OnFieldEvent();
    }

    std::uint32_t OnAccepted() override
    {
        const std::uint32_t level = WindowManager::OnAccepted();
        accepted.emplace_back(window::AcceptedField(), level);
        return level;
    }

    /// The focus sent anywhere after the window opened.
    std::vector<std::int32_t> FocusAfterOpening() const
    {
        std::vector<std::int32_t> focus = window.focused;
        if (!focus.empty() && firstField != 0)
            focus.erase(focus.begin()); // the open window event selects the first field
        return focus;
    }

private:
    bool m_progressed = false;
};

using WindowManagerTest = enginetest::EngineFixture;

std::vector<std::int32_t> Codes(const std::vector<Seen>& seen)
{
    std::vector<std::int32_t> codes;
    for (const Seen& one : seen)
        codes.push_back(one.event);
    return codes;
}

// --- running, killing --------------------------------------------------------------------------

TEST_F(WindowManagerTest, CloseWithoutAResponseAnswersCancelledAndTakesEverythingDown)
{
    for (const std::int32_t close : { kCloseWindow, kCloseDown }) {
        Procedure procedure;
        FakeBrowse browse;
        FakeDrop drop;
        FakeResizer resizer;
        CountingRelay relay;
        procedure.configure = [&](Procedure& self) {
            self.browses->push_back(&browse);
            self.fileDrops->push_back(&drop);
            self.resize = &resizer;
            self.AttachToolbar(relay);
        };
        procedure.afterOpen = [close](Procedure&) { window::PostEvent(close); };
        const std::size_t depth = value::BindScopeDepth();
        EXPECT_EQ(procedure.Run(), ResponseCancelled) << close;
        EXPECT_FALSE(procedure.leftOpen) << close;
        EXPECT_EQ(Codes(procedure.seen), (std::vector<std::int32_t> { kOpenWindow, close }));
        EXPECT_FALSE(procedure.window.IsOpen()) << close;
        EXPECT_EQ(procedure.dead, 1) << close;
        EXPECT_EQ(value::BindScopeDepth(), depth) << close;
        EXPECT_EQ(browse.kills, 1);
        EXPECT_EQ(drop.kills, 1);
        EXPECT_EQ(resizer.kills, 1);
        EXPECT_EQ(relay.kills, 1);
        EXPECT_FALSE(procedure.browses.has_value());
        EXPECT_FALSE(procedure.buttons.has_value());
    }
    EXPECT_TRUE(RaisedErrors().empty());
}

TEST_F(WindowManagerTest, InitOpensABindScopeThatKillClosesOnce)
{
    Procedure procedure;
    FakeBrowse browse;
    FakeRecord record;
    procedure.configure = [&](Procedure& self) {
        self.browses->push_back(&browse);
        self.primary = &record;
    };
    const std::size_t depth = value::BindScopeDepth();
    ASSERT_EQ(procedure.Init(), LevelOk);
    EXPECT_EQ(value::BindScopeDepth(), depth + 1);
    record.record = "changed   ";
    EXPECT_EQ(procedure.Kill(), LevelOk);
    EXPECT_EQ(value::BindScopeDepth(), depth);
    EXPECT_EQ(record.record, "Ana       ") << "the primary's buffer is restored";
    EXPECT_EQ(procedure.Kill(), LevelNotify) << "already dead";
    EXPECT_EQ(value::BindScopeDepth(), depth);
    EXPECT_EQ(browse.kills, 1);
    EXPECT_EQ(record.restores, 1);
    EXPECT_EQ(RaisedErrors(), std::vector<int> {}) << "no " << kMismatchedPopScope;
    window::CloseWindow(procedure.window);
}

TEST_F(WindowManagerTest, KillWithoutInitHasNothingToTakeDown)
{
    Procedure procedure;
    FakeRecord record;
    procedure.primary = &record;
    const std::size_t depth = value::BindScopeDepth();
    EXPECT_EQ(procedure.Kill(), LevelNotify);
    EXPECT_EQ(value::BindScopeDepth(), depth);
    EXPECT_EQ(record.restores, 0);
    EXPECT_EQ(procedure.dead, 0);
    EXPECT_TRUE(RaisedErrors().empty());
}

TEST_F(WindowManagerTest, AskAfterKillRunsNoLoop)
{
    // With the window still open and an event waiting: the event stays where it is.
    Procedure open;
    open.afterOpen = [](Procedure&) { window::PostEvent(kAccepted, 2); };
    ASSERT_EQ(open.Init(), LevelOk);
    ASSERT_EQ(open.Kill(), LevelOk);
    open.Ask();
    EXPECT_TRUE(open.seen.empty());
    EXPECT_TRUE(open.window.IsOpen());
    window::CloseWindow(open.window);

    // With the window gone: no loop is started on a thread without a window.
    Procedure closed;
    ASSERT_EQ(closed.Init(), LevelOk);
    window::CloseWindow(closed.window);
    ASSERT_EQ(closed.Kill(), LevelOk);
    closed.Ask();
    EXPECT_TRUE(closed.seen.empty());
    EXPECT_EQ(RaisedErrors(), std::vector<int> {}) << "no " << kAcceptWithoutWindow;
}

TEST_F(WindowManagerTest, InitThatFailsSkipsTheLoopButStillKills)
{
    Procedure procedure;
    procedure.initAnswer = LevelNotify;
    const std::size_t depth = value::BindScopeDepth();
    EXPECT_EQ(procedure.Run(), ResponseCancelled);
    EXPECT_TRUE(procedure.seen.empty());
    EXPECT_EQ(procedure.dead, 1);
    EXPECT_EQ(value::BindScopeDepth(), depth);
    window::CloseWindow(procedure.window);
    EXPECT_TRUE(RaisedErrors().empty());
}

TEST_F(WindowManagerTest, InitDropsTheStartKeysOnly)
{
    const struct {
        std::uint32_t before;
        std::uint32_t after;
    } rows[] = {
        { 2, 0 },
        { 130, 0 },
        { 0x102, 0x102 }, // with Shift
        { 0x282, 0x282 }, // with Control
        { 3, 3 },
        { 129, 129 },
        { 0x0D, 0x0D },
    };
    for (const auto& row : rows) {
        window::SetKeyCode(row.before);
        WindowManager manager;
        ASSERT_EQ(manager.Init(), LevelOk);
        EXPECT_EQ(window::KeyCode(), row.after) << row.before;
        EXPECT_EQ(manager.Kill(), LevelOk);
    }
    EXPECT_TRUE(RaisedErrors().empty());
}

// --- events ------------------------------------------------------------------------------------

TEST_F(WindowManagerTest, ResponseButtonClosesWithItsActionAndEndsTheEventThere)
{
    const struct {
        const char* name;
        std::uint8_t action;
        bool toolbar;
        std::uint8_t answered;
        std::int32_t scrollingAfter;
    } rows[] = {
        { "completes", ResponseCompleted, false, ResponseCompleted, 7 },
        { "completes, the toolbar keeps scrolling", ResponseCompleted, true, ResponseCompleted, 7 },
        { "cancels and the toolbar stops scrolling", ResponseCancelled, true, ResponseCancelled,
            0 },
        { "cancels, no toolbar", ResponseCancelled, false, ResponseCancelled, 7 },
        { "action 0 leaves no response", 0, false, ResponseCancelled, 7 },
    };
    for (const auto& row : rows) {
        Procedure procedure;
        FakeBrowse browse;
        CountingRelay relay;
        FakeTarget target;
        std::int32_t scrolling = 7;
        procedure.configure = [&](Procedure& self) {
            self.buttons->push_back({ 4, row.action });
            self.browses->push_back(&browse);
            self.vcrRequest = &scrolling;
            if (row.toolbar) {
                self.AttachToolbar(relay);
                relay.AddTarget(target, 1);
            }
        };
        procedure.afterOpen = [](Procedure&) {
            window::PostEvent(kAccepted, 2); // an ordinary field
            window::PostEvent(kAccepted, 4); // the response button
        };
        EXPECT_EQ(procedure.Run(), row.answered) << row.name;
        EXPECT_FALSE(procedure.leftOpen) << row.name;
        EXPECT_EQ(procedure.accepted,
            (std::vector<std::pair<std::int32_t, std::uint32_t>> {
                { 2, LevelOk }, { 4, LevelNotify } }))
            << row.name;
        EXPECT_EQ(procedure.fieldEvents, std::vector<std::int32_t> { 2 })
            << row.name << ": the button's event goes no further";
        EXPECT_EQ(Codes(procedure.seen),
            (std::vector<std::int32_t> { kOpenWindow, kAccepted, kAccepted, kCloseWindow }))
            << row.name;
        EXPECT_EQ(browse.taken, 3) << row.name << ": every event but the button's";
        EXPECT_EQ(scrolling, row.scrollingAfter) << row.name;
        EXPECT_EQ(relay.events, row.toolbar ? 2 : 0) << row.name;
    }
}

TEST_F(WindowManagerTest, FirstSizeAfterOpeningIsTheWindowsOwn)
{
    Procedure procedure;
    FakeBrowse browse;
    FakeDrop drop;
    std::vector<std::size_t> resetsAfter;
    procedure.configure = [&](Procedure& self) {
        self.browses->push_back(&browse);
        self.fileDrops->push_back(&drop);
    };
    procedure.afterOpen = [](Procedure&) {
        for (int size = 0; size < 3; ++size)
            window::PostEvent(kSized);
        window::PostEvent(kCloseWindow);
    };
    procedure.afterEach = [&](Procedure&) { resetsAfter.push_back(browse.resetSorts.size()); };
    EXPECT_EQ(procedure.Run(), ResponseCancelled);
    EXPECT_EQ(Codes(procedure.seen),
        (std::vector<std::int32_t> { kOpenWindow, kSized, kSized, kSized, kCloseWindow }));
    // Opening resets once; the first size changes nothing; each later one resets.
    EXPECT_EQ(resetsAfter, (std::vector<std::size_t> { 1, 1, 2, 3, 3 }));
    EXPECT_EQ(browse.windowUpdates, 3);
    EXPECT_EQ(drop.resetQueues, (std::vector<std::uint8_t> { 0, 0, 0 }));
    EXPECT_EQ(procedure.inited, WindowManager::kInitedOpened | WindowManager::kInitedResized);
}

TEST_F(WindowManagerTest, OpeningAndFocusEventsResetAsTheyShould)
{
    const struct {
        const char* name;
        std::uint8_t resetOnGainFocus;
        std::vector<std::pair<std::int32_t, window::PostPlace>> events;
        int translations;
        std::vector<std::uint8_t> forces; ///< of each reset
        std::vector<std::int32_t> focus;  ///< fields selected
    } rows[] = {
        { "open window twice: opened once, first field selected each time", 0,
            { { kOpenWindow, window::PostPlace::Back } }, 1, { 0 }, { 3, 3 } },
        { "gain focus before the open window event opens", 0,
            { { kGainFocus, window::PostPlace::Front } }, 1, { 0 }, { 3 } },
        { "gain focus once open resets", 0,
            { { kLoseFocus, window::PostPlace::Back }, { kGainFocus, window::PostPlace::Back } }, 1,
            { 0, 0 }, { 3 } },
        { "losing the focus forces the next reset when asked to", 1,
            { { kLoseFocus, window::PostPlace::Back }, { kGainFocus, window::PostPlace::Back },
                { kGainFocus, window::PostPlace::Back } },
            1, { 0, 1, 0 }, { 3 } },
    };
    for (const auto& row : rows) {
        Procedure procedure;
        FakeBrowse browse;
        FakeTranslator translator;
        procedure.configure = [&](Procedure& self) {
            self.browses->push_back(&browse);
            self.translator = &translator;
            self.firstField = 3;
            self.resetOnGainFocus = row.resetOnGainFocus;
        };
        procedure.afterOpen = [&](Procedure&) {
            for (const auto& [code, place] : row.events)
                window::PostEvent(code, 0, 0, place);
            window::PostEvent(kCloseWindow);
        };
        EXPECT_EQ(procedure.Run(), ResponseCancelled) << row.name;
        EXPECT_EQ(translator.translations, row.translations) << row.name;
        EXPECT_EQ(browse.resetSorts, row.forces) << row.name;
        EXPECT_EQ(procedure.window.focused, row.focus) << row.name;
    }
}

TEST_F(WindowManagerTest, EveryBrowseAndDropTakesEachEventAndAutoRefreshResets)
{
    for (const std::uint8_t autoRefresh : { std::uint8_t { 0 }, std::uint8_t { 1 } }) {
        Procedure procedure;
        FakeBrowse quiet;
        FakeBrowse stale;
        FakeDrop drop;
        stale.needsRefresh = true;
        procedure.configure = [&](Procedure& self) {
            self.browses->push_back(&quiet);
            self.browses->push_back(&stale);
            self.fileDrops->push_back(&drop);
            self.autoRefresh = autoRefresh;
        };
        procedure.afterOpen = [](Procedure&) {
            window::PostEvent(kAccepted, 1);
            window::PostEvent(kCloseWindow);
        };
        EXPECT_EQ(procedure.Run(), ResponseCancelled);
        ASSERT_EQ(procedure.seen.size(), 3u);
        EXPECT_EQ(quiet.taken, 3);
        EXPECT_EQ(stale.taken, 3);
        EXPECT_EQ(drop.taken, 3);
        // Opening resets once; with auto refresh, each event a stale browse took again.
        EXPECT_EQ(quiet.resetSorts.size(), autoRefresh != 0 ? 4u : 1u) << int(autoRefresh);
        EXPECT_EQ(drop.resetQueues.size(), quiet.resetSorts.size());
    }
}

// --- closing a form that edits a record --------------------------------------------------------

TEST_F(WindowManagerTest, CloseWithoutAPrimaryFileIsNeverRefused)
{
    for (const std::uint8_t request :
        { std::uint8_t { 0 }, RequestInsert, RequestChange, RequestDelete, RequestSelect }) {
        Procedure procedure;
        ScriptedErrors errors;
        procedure.request = request;
        procedure.configure = [&](Procedure& self) { self.errors = &errors; };
        procedure.afterOpen = [](Procedure&) { window::PostEvent(kCloseWindow); };
        EXPECT_EQ(procedure.Run(), ResponseCancelled) << int(request);
        EXPECT_FALSE(procedure.leftOpen) << int(request);
        EXPECT_EQ(procedure.seen.back(), (Seen { kCloseWindow, 0, LevelOk })) << int(request);
        EXPECT_TRUE(errors.boxes.empty()) << int(request);
    }
}

TEST_F(WindowManagerTest, AbandoningAChangedRecordAsksAsTheCancelActionSays)
{
    using window::kButtonCancel;
    using window::kButtonNo;
    using window::kButtonYes;
    struct Row {
        const char* name;
        std::uint8_t cancelAction = 3;
        std::uint8_t request = RequestChange;
        bool changed = true;
        std::vector<std::uint32_t> answers {};
        int closes = 1; ///< close requests posted
        std::vector<std::uint16_t> asked {};
        int updates = 0;
        std::uint8_t answered = ResponseCancelled;
        std::vector<std::int32_t> focus {}; ///< selected after opening
    };
    const Row rows[] = {
        { .name = "Yes saves the record through the OK button",
            .answers = { kButtonYes },
            .asked = { 35 },
            .updates = 1,
            .answered = ResponseCompleted },
        { .name = "Cancel keeps the window, the first field selected",
            .answers = { kButtonCancel, kButtonNo },
            .closes = 2,
            .asked = { 35, 35 },
            .focus = { 1 } },
        { .name = "a question that could not be shown keeps the window",
            .answers = { 0, kButtonNo },
            .closes = 2,
            .asked = { 35, 35 },
            .focus = { 1 } },
        { .name = "No lets it close", .answers = { kButtonNo }, .asked = { 35 } },
        { .name = "no cancel action: closes without asking", .cancelAction = 0 },
        { .name = "save without asking",
            .cancelAction = 1,
            .updates = 1,
            .answered = ResponseCompleted },
        { .name = "changes lost? No keeps the window",
            .cancelAction = 2,
            .answers = { kButtonNo, kButtonYes },
            .closes = 2,
            .asked = { 8, 8 },
            .focus = { 1 } },
        { .name = "unchanged record: nothing to ask", .changed = false },
        { .name = "an insert asks too",
            .request = RequestInsert,
            .answers = { kButtonNo },
            .asked = { 35 } },
        { .name = "a delete form does not ask", .request = RequestDelete },
        { .name = "a select form does not ask", .request = RequestSelect },
    };
    for (const Row& row : rows) {
        Procedure procedure;
        ScriptedErrors errors;
        FakeRecord record;
        errors.answers.assign(row.answers.begin(), row.answers.end());
        procedure.request = row.request;
        procedure.configure = [&](Procedure& self) {
            self.primary = &record;
            self.errors = &errors;
            self.cancelAction = row.cancelAction;
            self.deleteAction = 0; // delete through the form
            self.firstField = 1;
            self.okControl = 5;
        };
        procedure.afterOpen = [&](Procedure&) {
            if (row.changed)
                record.record = "Ivana     ";
            for (int close = 0; close < row.closes; ++close)
                window::PostEvent(kCloseWindow);
        };
        EXPECT_EQ(procedure.Run(), row.answered) << row.name;
        EXPECT_FALSE(procedure.leftOpen) << row.name;
        EXPECT_EQ(errors.Shown(), row.asked) << row.name;
        EXPECT_EQ(record.updates, row.updates) << row.name;
        EXPECT_EQ(procedure.FocusAfterOpening(), row.focus) << row.name;
        EXPECT_EQ(record.inserts, 0) << row.name;
        EXPECT_TRUE(record.deletes.empty()) << row.name;
        if (!errors.boxes.empty() && !row.asked.empty() && row.asked.front() == 35) {
            EXPECT_EQ(errors.boxes.front().buttons, kButtonYes | kButtonNo | kButtonCancel);
            EXPECT_EQ(errors.boxes.front().defaultButton, kButtonCancel);
        }
    }
}

TEST_F(WindowManagerTest, YesToSavingGoesThroughTheOkButtonAndCompletion)
{
    Procedure procedure;
    ScriptedErrors errors;
    FakeRecord record;
    errors.answers = { window::kButtonYes };
    procedure.request = RequestChange;
    procedure.configure = [&](Procedure& self) {
        self.primary = &record;
        self.errors = &errors;
        self.okControl = 5;
    };
    procedure.afterOpen = [&](Procedure&) {
        record.record = "Ivana     ";
        window::PostEvent(kCloseWindow);
    };
    EXPECT_EQ(procedure.Run(), ResponseCompleted);
    EXPECT_EQ(procedure.seen,
        (std::vector<Seen> {
            { kOpenWindow, 0, LevelOk },
            { kCloseWindow, 0, LevelNotify }, // refused
            { kAccepted, 5, LevelOk },
            { kCompleted, 0, LevelOk },
            { kCloseWindow, 0, LevelOk },
        }));
}

// --- completing a form -------------------------------------------------------------------------

struct CompletionRow {
    const char* name;
    std::uint8_t request = RequestChange;
    std::uint8_t insertAction = 2;
    bool changed = true;
    bool scrolling = false;
    std::vector<std::uint32_t> fileAnswers {}; ///< of Insert, Update or Delete by the request
    std::vector<std::uint32_t> answers {};     ///< to the error manager's questions
    bool closeAfter = false;                   ///< a close request follows the completion
    // Expected:
    std::vector<std::uint16_t> asked {};
    int writes = 0; ///< inserts, updates or deletes
    std::uint8_t answered = ResponseCancelled;
    bool leftOpen = false;
    std::vector<std::int32_t> focus {};
    std::vector<std::string> regets {};
};

void RunCompletion(const CompletionRow& row)
{
    Procedure procedure;
    ScriptedErrors errors;
    FakeRecord record;
    std::int32_t scrolling = row.scrolling ? 1 : 0;
    errors.answers.assign(row.answers.begin(), row.answers.end());
    std::deque<std::uint32_t> fileAnswers(row.fileAnswers.begin(), row.fileAnswers.end());
    switch (row.request) {
    case RequestInsert:
        record.insertAnswers = fileAnswers;
        break;
    case RequestChange:
        record.updateAnswers = fileAnswers;
        break;
    default:
        record.deleteAnswers = fileAnswers;
        break;
    }
    procedure.request = row.request;
    procedure.configure = [&](Procedure& self) {
        self.primary = &record;
        self.errors = &errors;
        self.cancelAction = 0; // a close asks nothing: only the completion's questions count
        self.insertAction = row.insertAction;
        self.deleteAction = 0;
        self.firstField = 1;
        self.vcrRequest = &scrolling;
    };
    procedure.afterOpen = [&](Procedure&) {
        if (row.changed)
            record.record = "Ivana     ";
        window::PostEvent(kCompleted);
        if (row.closeAfter)
            window::PostEvent(kCloseWindow);
    };
    EXPECT_EQ(procedure.Run(), row.answered) << row.name;
    EXPECT_EQ(procedure.leftOpen, row.leftOpen) << row.name;
    EXPECT_EQ(errors.Shown(), row.asked) << row.name;
    const int writes = row.request == RequestInsert ? record.inserts
        : row.request == RequestChange              ? record.updates
                                                    : static_cast<int>(record.deletes.size());
    EXPECT_EQ(writes, row.writes) << row.name;
    EXPECT_EQ(procedure.FocusAfterOpening(), row.focus) << row.name;
    EXPECT_EQ(record.regets, row.regets) << row.name;
    for (const bool ask : record.deletes)
        EXPECT_TRUE(ask) << row.name << ": a delete from the form asks first";
}

TEST_F(WindowManagerTest, ChangeCompletion)
{
    using window::kButtonCancel;
    using window::kButtonNo;
    using window::kButtonYes;
    const CompletionRow rows[] = {
        { .name = "written: completed and closed", .writes = 1, .answered = ResponseCompleted },
        { .name = "write failed, Yes retries, written",
            .fileAnswers = { 1, 0 },
            .answers = { kButtonYes },
            .asked = { 34 },
            .writes = 2,
            .answered = ResponseCompleted },
        { .name = "write failed, No closes as cancelled",
            .fileAnswers = { 1 },
            .answers = { kButtonNo },
            .asked = { 34 },
            .writes = 1 },
        { .name = "write failed, Cancel stays on the form",
            .fileAnswers = { 1 },
            .answers = { kButtonCancel },
            .asked = { 34 },
            .writes = 1,
            .leftOpen = true,
            .focus = { 1 } },
        { .name = "a failure not to retry stays on the form unasked",
            .fileAnswers = { 2 },
            .writes = 1,
            .leftOpen = true,
            .focus = { 1 } },
        { .name = "unchanged: nothing written, completed",
            .changed = false,
            .answered = ResponseCompleted },
        { .name = "unchanged while the toolbar scrolls: closed, not completed",
            .changed = false,
            .scrolling = true },
        { .name = "changed while the toolbar scrolls: written and completed",
            .scrolling = true,
            .writes = 1,
            .answered = ResponseCompleted },
    };
    for (const CompletionRow& row : rows)
        RunCompletion(row);
}

TEST_F(WindowManagerTest, DeleteCompletion)
{
    using window::kButtonCancel;
    using window::kButtonNo;
    using window::kButtonYes;
    const CompletionRow rows[] = {
        { .name = "deleted: completed",
            .request = RequestDelete,
            .writes = 1,
            .answered = ResponseCompleted },
        { .name = "not deleted, No closes as cancelled",
            .request = RequestDelete,
            .fileAnswers = { 1 },
            .answers = { kButtonNo },
            .asked = { 33 },
            .writes = 1 },
        { .name = "not deleted, Yes tries again",
            .request = RequestDelete,
            .fileAnswers = { 1, 0 },
            .answers = { kButtonYes },
            .asked = { 33 },
            .writes = 2,
            .answered = ResponseCompleted },
        { .name = "not deleted, Cancel stays on the form",
            .request = RequestDelete,
            .fileAnswers = { 1 },
            .answers = { kButtonCancel },
            .asked = { 33 },
            .writes = 1,
            .leftOpen = true,
            .focus = { 1 } },
        { .name = "not deleted, the question not shown: stays",
            .request = RequestDelete,
            .fileAnswers = { 1 },
            .asked = { 33 },
            .writes = 1,
            .leftOpen = true,
            .focus = { 1 } },
    };
    for (const CompletionRow& row : rows)
        RunCompletion(row);
}

TEST_F(WindowManagerTest, InsertCompletion)
{
    using window::kButtonNo;
    using window::kButtonYes;
    const CompletionRow rows[] = {
        { .name = "inserted, action close: completed",
            .request = RequestInsert,
            .writes = 1,
            .answered = ResponseCompleted },
        { .name = "not inserted: stays on the form",
            .request = RequestInsert,
            .fileAnswers = { 5 },
            .writes = 1,
            .leftOpen = true,
            .focus = { 1 } },
        // Another record: the form stays with a fresh one; cancelling it later still answers
        // completed and rereads the record inserted last.
        { .name = "inserted, action another, then closed",
            .request = RequestInsert,
            .insertAction = 3,
            .closeAfter = true,
            .writes = 1,
            .answered = ResponseCompleted,
            .focus = { 1 },
            .regets = { "at:Ivana     " } },
        { .name = "inserted, asked: No closes completed",
            .request = RequestInsert,
            .insertAction = 4,
            .answers = { kButtonNo },
            .asked = { 3 },
            .writes = 1,
            .answered = ResponseCompleted },
        { .name = "inserted, asked: Yes takes another",
            .request = RequestInsert,
            .insertAction = 4,
            .answers = { kButtonYes },
            .closeAfter = true,
            .asked = { 3 },
            .writes = 1,
            .answered = ResponseCompleted,
            .focus = { 1 },
            .regets = { "at:Ivana     " } },
    };
    for (const CompletionRow& row : rows)
        RunCompletion(row);
}

TEST_F(WindowManagerTest, AbandonedInsertGivesBackItsNumberOrStays)
{
    for (const std::uint32_t refused : { 0u, 1u }) {
        Procedure procedure;
        FakeRecord record;
        record.cancelAutoIncAnswer = refused;
        procedure.request = RequestInsert;
        procedure.configure = [&](Procedure& self) {
            self.primary = &record;
            self.firstField = 2;
        };
        procedure.afterOpen = [](Procedure&) { window::PostEvent(kCloseWindow); };
        EXPECT_EQ(procedure.Run(), ResponseCancelled);
        EXPECT_EQ(record.cancelAutoIncs, 1);
        EXPECT_EQ(procedure.leftOpen, refused != 0);
        EXPECT_EQ(procedure.FocusAfterOpening(),
            refused != 0 ? std::vector<std::int32_t> { 2 } : std::vector<std::int32_t> {});
    }
}

TEST_F(WindowManagerTest, PrepareUpdateDeletesAtOnceOrCancelsAnInsertBeforeTheLoop)
{
    struct Row {
        const char* name;
        std::uint8_t request;
        std::uint8_t insertAction = 2;
        std::uint8_t deleteAction = 2;
        bool fieldsCancel = false; ///< PrepareFields answers cancelled
        std::vector<std::uint32_t> deleteAnswers {};
        // Expected:
        std::vector<bool> deletes {}; ///< the `ask` of each
        bool loop = false;
        std::uint8_t answered = ResponseCancelled;
    };
    const Row rows[] = {
        { .name = "delete after asking",
            .request = RequestDelete,
            .deletes = { true },
            .answered = ResponseCompleted },
        { .name = "delete without asking",
            .request = RequestDelete,
            .deleteAction = 4,
            .deletes = { false },
            .answered = ResponseCompleted },
        { .name = "not deleted",
            .request = RequestDelete,
            .deleteAnswers = { 1 },
            .deletes = { true } },
        { .name = "delete through the form",
            .request = RequestDelete,
            .deleteAction = 0,
            .loop = true },
        { .name = "insert whose fields cancel it", .request = RequestInsert, .fieldsCancel = true },
        { .name = "insert", .request = RequestInsert, .loop = true },
    };
    for (const Row& row : rows) {
        struct Prepared : Procedure {
            bool fieldsCancel = false;
            int prepared = 0;
            void PrepareFields() override
            {
                ++prepared;
                if (fieldsCancel)
                    response = ResponseCancelled;
            }
        };
        Prepared procedure;
        FakeRecord record;
        record.deleteAnswers.assign(row.deleteAnswers.begin(), row.deleteAnswers.end());
        procedure.fieldsCancel = row.fieldsCancel;
        procedure.request = row.request;
        procedure.configure = [&](Procedure& self) {
            self.primary = &record;
            self.insertAction = row.insertAction;
            self.deleteAction = row.deleteAction;
        };
        procedure.afterOpen = [](Procedure&) { window::PostEvent(kCloseWindow); };
        EXPECT_EQ(procedure.Run(), row.answered) << row.name;
        EXPECT_EQ(record.prepares, 1) << row.name;
        EXPECT_EQ(record.deletes, row.deletes) << row.name;
        EXPECT_EQ(procedure.prepared, row.request == RequestInsert ? 1 : 0) << row.name;
        EXPECT_EQ(!procedure.seen.empty(), row.loop) << row.name;
        EXPECT_EQ(record.copies.size(), 0u) << row.name << ": the saved copy is given back";
    }
}

TEST_F(WindowManagerTest, FurtherFilesAreSavedForTheFormAndRestoredByKill)
{
    Procedure procedure;
    FakeRecord record;
    FakeRecord town("Split     ");
    procedure.request = RequestInsert;
    procedure.configure = [&](Procedure& self) {
        self.primary = &record;
        self.insertAction = 3;
        self.files.emplace();
        self.files->push_back({ &town, 0 });
    };
    std::vector<std::string> townAfterEach;
    procedure.afterOpen = [&](Procedure&) {
        town.record = "Zadar     ";
        window::PostEvent(kCompleted); // inserted: another record, the town as it was
        window::PostEvent(kCloseWindow);
    };
    procedure.afterEach = [&](Procedure&) { townAfterEach.push_back(town.record); };
    EXPECT_EQ(procedure.Run(), ResponseCompleted);
    EXPECT_EQ(
        townAfterEach, (std::vector<std::string> { "Zadar     ", "Split     ", "Split     " }));
    EXPECT_EQ(town.record, "Split     ");
    EXPECT_TRUE(town.copies.empty()) << "each copy given back";
}

TEST_F(WindowManagerTest, RejectedValueSelectsItsField)
{
    Procedure procedure;
    procedure.afterOpen = [](Procedure&) {
        window::PostEvent(26, 4);
        window::PostEvent(kCloseWindow);
    };
    EXPECT_EQ(procedure.Run(), ResponseCancelled);
    EXPECT_EQ(procedure.window.focused, std::vector<std::int32_t> { 4 });
    EXPECT_EQ(procedure.fieldEvents, std::vector<std::int32_t> { 4 });
}

// --- history fields ----------------------------------------------------------------------------

value::ValueReference StringReference(std::array<char, 6>& text)
{
    return *value::ValueReference::Make(value::TypeCode::String, text.data(), 6);
}

void Put(std::array<char, 6>& text, const char* value)
{
    std::memcpy(text.data(), value, text.size());
}

std::string Text(const std::array<char, 6>& text)
{
    return std::string(text.data(), text.size());
}

TEST_F(WindowManagerTest, RememberedFieldsAreRecalledByTheirControl)
{
    std::array<char, 6> name {};
    std::array<char, 6> town {};
    Put(name, "Ana   ");
    Put(town, "Split ");
    WindowManager manager;
    manager.history.emplace();
    // The name is shown by two controls, one after the other.
    manager.history->push_back({ StringReference(name), {}, 1 });
    manager.history->push_back({ StringReference(name), {}, 2 });
    manager.history->push_back({ StringReference(town), {}, 3 });
    manager.RememberFields();
    Put(name, "Ivana ");
    Put(town, "Zadar ");

    manager.RecallField(9); // no such control
    EXPECT_EQ(Text(name), "Ivana ");
    EXPECT_EQ(Text(town), "Zadar ");
    manager.RecallField(3);
    EXPECT_EQ(Text(town), "Split ");
    EXPECT_EQ(Text(name), "Ivana ");
    manager.RecallField(2);
    EXPECT_EQ(Text(name), "Ana   ") << "through the second control of the same field";
    Put(name, "Iva   ");
    manager.RecallField(1);
    EXPECT_EQ(Text(name), "Ana   ");

    // Remembering again takes what the fields hold now.
    Put(town, "Pula  ");
    manager.RememberFields();
    Put(town, "Rab   ");
    manager.RecallField(3);
    EXPECT_EQ(Text(town), "Pula  ");
}

TEST_F(WindowManagerTest, HistoryKeyAndHistoryButtonRecallTheFocusedField)
{
    constexpr std::int32_t kHistoryKey = 0x77; // F8
    const struct {
        const char* name;
        std::int32_t historyKey;
        std::uint32_t keyPressed;
        bool button; ///< the toolbar's history button instead of the key
        bool recalled;
    } rows[] = {
        { "the history key", kHistoryKey, kHistoryKey, false, true },
        { "another key", kHistoryKey, 0x76, false, false },
        { "no history key", 0, 0, false, false },
        { "the history button", 0, 0, true, true },
    };
    for (const auto& row : rows) {
        std::array<char, 6> name {};
        std::array<char, 6> town {};
        Put(name, "Ana   ");
        Put(town, "Split ");
        Procedure procedure;
        CountingRelay relay;
        procedure.fields = { 1, 2, kHistoryButton };
        procedure.configure = [&](Procedure& self) {
            self.historyKey = row.historyKey;
            self.history.emplace();
            self.history->push_back({ StringReference(name), {}, 1 });
            self.history->push_back({ StringReference(town), {}, 2 });
            self.AttachToolbar(relay);
            self.RememberFields();
        };
        procedure.afterOpen = [&](Procedure&) {
            Put(name, "Ivana ");
            Put(town, "Zadar ");
            window::PostEvent(0x101, 2); // selected: the focus is on the town
            window::SetKeyCode(row.keyPressed);
            if (row.button)
                window::PostEvent(kAccepted, kHistoryButton);
            else
                window::PostEvent(kAlertKey, 2);
            window::PostEvent(kCloseWindow);
        };
        EXPECT_EQ(procedure.Run(), ResponseCancelled) << row.name;
        EXPECT_EQ(Text(town), row.recalled ? "Split " : "Zadar ") << row.name;
        EXPECT_EQ(Text(name), "Ivana ") << row.name;
    }
}

// --- the toolbar relay -------------------------------------------------------------------------

TEST(ToolbarRelay, SetTargetHandsTheToolbarOn)
{
    struct Row {
        const char* name;
        std::vector<bool> wants; ///< of each target, added with ids 10, 20, ...
        std::int32_t id;
        std::size_t current; ///< whose buttons show afterwards
        std::vector<int> offers;
        std::vector<int> takes;
    };
    const Row rows[] = {
        { "by id", { true, false, true }, 20, 1, { 0, 0, 0 }, { 0, 1, 0 } },
        { "unknown id: the current stays", { false, false }, 99, 1, { 0, 0 }, { 0, 0 } },
        { "offered: the last that takes it", { true, false, true, false }, 0, 2, { 1, 1, 1, 1 },
            { 0, 0, 0, 0 } },
        { "offered: the first that takes it, the rest still offered", { true, false, false }, 0, 0,
            { 1, 1, 1 }, { 0, 0, 0 } },
        { "offered, none takes it: the last", { false, false, false }, 0, 2, { 1, 1, 1 },
            { 0, 0, 0 } },
    };
    for (const Row& row : rows) {
        std::vector<FakeTarget> targets(row.wants.size());
        framework::ToolbarRelay relay;
        relay.Init();
        for (std::size_t index = 0; index < targets.size(); ++index) {
            targets[index].wantsToolbar = row.wants[index];
            relay.AddTarget(targets[index], static_cast<std::int32_t>(10 * (index + 1)));
        }
        relay.SetTarget(row.id);
        relay.DisplayButtons();
        std::int32_t scroll = 0;
        relay.TakeEvent(&scroll);
        std::vector<int> offers;
        std::vector<int> takes;
        for (std::size_t index = 0; index < targets.size(); ++index) {
            offers.push_back(targets[index].offers);
            takes.push_back(targets[index].takes);
            const bool current = index == row.current;
            EXPECT_EQ(targets[index].displays, current ? 1 : 0) << row.name << " " << index;
            EXPECT_EQ(targets[index].events,
                current ? std::vector<std::int32_t*> { &scroll } : std::vector<std::int32_t*> {})
                << row.name << " " << index;
        }
        EXPECT_EQ(offers, row.offers) << row.name;
        EXPECT_EQ(takes, row.takes) << row.name;
    }
}

TEST(ToolbarRelay, WithoutAListNothingHappens)
{
    FakeTarget target;
    framework::ToolbarRelay relay;
    std::int32_t scroll = 0;
    relay.AddTarget(target, 1); // before Init: not added
    relay.SetTarget(0);
    relay.DisplayButtons();
    relay.TakeEvent(&scroll);
    EXPECT_EQ(relay.List(), nullptr);
    relay.Init();
    relay.SetTarget(0); // empty list
    relay.DisplayButtons();
    relay.AddTarget(target, 1);
    ASSERT_NE(relay.List(), nullptr);
    EXPECT_EQ(relay.List()->size(), 1u);
    relay.Kill();
    EXPECT_EQ(relay.List(), nullptr);
    relay.SetTarget(1);
    relay.DisplayButtons();
    relay.TakeEvent(&scroll);
    EXPECT_EQ(target.offers + target.takes + target.displays, 0);
    EXPECT_TRUE(target.events.empty());
}

} // namespace
