// The window manager running a window built from a declaration on the display (screenless):
// the user closes it, presses its buttons and answers the questions the error manager asks.

#include "WindowManagerFakes.h"

#include <framework/ErrorManager.h>
#include <framework/WindowManager.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <value/TypeCodes.h>
#include <value/ValueReference.h>
#include <window/Engine.h>
#include <window/Window.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace framework;
namespace test = platform::test;

namespace {

constexpr std::int32_t kAccepted = 1;
constexpr const char* kTitle = "Obrazac";

// Controls of the form.
constexpr std::int32_t kName = 1;
constexpr std::int32_t kSave = 3;
constexpr std::int32_t kChoose = 4;

// Buttons of the message box by their control ids.
constexpr std::uint32_t kBoxCancel = 2;
constexpr std::uint32_t kBoxYes = 6;
constexpr std::uint32_t kBoxNo = 7;

void RunWithController(
    const std::function<void()>& program, const std::function<void()>& controller)
{
    window::RegisterControlKinds();
    testsupport::RunWithController(program, controller);
}

platform::WindowHandle Control(platform::WindowHandle window, std::int32_t equate)
{
    return platform::FindControl(
        window, static_cast<std::uint32_t>(equate) + window::kControlIdOffset);
}

/// A form on the record "name, town" (ten characters each) as a derived procedure writes it.
class Form : public WindowManager {
public:
    wmtest::FakeRecord record { "Ana       Split     " };
    window::Window window { platform::WindowKind::Plain, "test$wmtest", "FORM",
        { record.record.data(), record.record.data() + 10, nullptr } };
    std::function<void(Form&)> configure;
    /// Runs once the window is open (posts events, looks at the window).
    std::function<void(Form&)> afterOpen;
    /// Looks on after each event the handlers took.
    std::function<void(Form&)> afterEach;

    std::vector<std::pair<std::int32_t, std::int32_t>> fieldEvents; ///< event, field
    std::vector<std::pair<std::int32_t, std::uint32_t>> accepted;   ///< field, level answered

    std::uint32_t Init() override
    {
        std::uint32_t level = WindowManager::Init();
        if (level != LevelOk)
            return level;
        firstField = kName;
        okControl = kSave;
        if (configure)
            configure(*this);
        level = PrepareUpdate();
        if (level != LevelOk)
            return level;
        if (!window.Open())
            return LevelNotify;
        opened = 1;
        SetKeyAlerts();
        if (afterOpen)
            afterOpen(*this);
        return LevelOk;
    }
    std::uint32_t OnEvent() override
    {
        const std::uint32_t level = WindowManager::OnEvent();
        if (afterEach)
            afterEach(*this);
        return level;
    }
    std::uint32_t OnFieldEvent() override
    {
        fieldEvents.emplace_back(window::CurrentEvent(), window::EventField());
        return WindowManager::OnFieldEvent();
    }
    std::uint32_t OnAccepted() override
    {
        const std::uint32_t level = WindowManager::OnAccepted();
        accepted.emplace_back(window::AcceptedField(), level);
        return level;
    }
};

TEST(WindowManagerDisplay, CloseBoxWithoutAResponseAnswersCancelled)
{
    std::uint8_t answered = 0;
    bool openAfter = true;
    RunWithController(
        [&] {
            Form form;
            answered = form.Run();
            openAfter = form.window.IsOpen();
        },
        [] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle handle = test::FindWindowByTitle(kTitle);
            ASSERT_NE(handle, 0u);
            test::RequestClose(handle);
        });
    EXPECT_EQ(answered, ResponseCancelled);
    EXPECT_FALSE(openAfter);
}

TEST(WindowManagerDisplay, ResponseButtonAnswersTheCallerAndGoesNoFurther)
{
    std::uint8_t answered = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> fieldEvents;
    std::vector<std::pair<std::int32_t, std::uint32_t>> accepted;
    RunWithController(
        [&] {
            Form form;
            form.configure = [](Form& self) { self.buttons->push_back({ kChoose, 1 }); };
            answered = form.Run();
            fieldEvents = form.fieldEvents;
            accepted = form.accepted;
        },
        [] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle handle = test::FindWindowByTitle(kTitle);
            ASSERT_NE(handle, 0u);
            test::TypeText(Control(handle, kName), "Iva");
            ASSERT_TRUE(test::WaitUntilIdle());
            test::Click(Control(handle, kChoose));
        });
    EXPECT_EQ(answered, ResponseCompleted);
    // The edited entry is accepted as the focus leaves it; the button's acceptance answers
    // the caller and reaches no field handler.
    EXPECT_EQ(accepted,
        (std::vector<std::pair<std::int32_t, std::uint32_t>> {
            { kName, LevelOk }, { kChoose, LevelNotify } }));
    EXPECT_NE(std::find(fieldEvents.begin(), fieldEvents.end(), std::pair { kAccepted, kName }),
        fieldEvents.end());
    EXPECT_EQ(std::find(fieldEvents.begin(), fieldEvents.end(), std::pair { kAccepted, kChoose }),
        fieldEvents.end());
}

TEST(WindowManagerDisplay, AbandoningAnEditedRecordAsksTheUser)
{
    const struct {
        const char* name;
        std::vector<std::uint32_t> answers; ///< a close request answered by each in turn
        std::uint8_t answered;
        std::vector<std::string> written;
        bool focusBackOnTheName; ///< after the first answer
    } rows[] = {
        { "No: closed, nothing written", { kBoxNo }, ResponseCancelled, {}, false },
        { "Yes: the form is completed and written", { kBoxYes }, ResponseCompleted,
            { "AnaIva    Split     " }, false },
        { "Cancel: stays on the name, then No", { kBoxCancel, kBoxNo }, ResponseCancelled, {},
            true },
    };
    for (const auto& row : rows) {
        std::uint8_t answered = 0;
        std::vector<std::string> written;
        std::string recordAfter;
        bool focusBack = false;
        framework::ErrorManager errors;
        errors.Setup();
        RunWithController(
            [&] {
                Form form;
                form.request = RequestChange;
                form.configure = [&](Form& self) {
                    self.primary = &self.record;
                    self.errors = &errors;
                };
                answered = form.Run();
                written = form.record.written;
                recordAfter = form.record.record;
            },
            [&] {
                ASSERT_TRUE(test::WaitUntilIdle());
                const platform::WindowHandle handle = test::FindWindowByTitle(kTitle);
                ASSERT_NE(handle, 0u);
                test::TypeText(Control(handle, kName), "Iva"); // after "Ana"
                test::PressKey(handle, 0x09); // on to the town: the name is accepted
                ASSERT_TRUE(test::WaitUntilIdle());
                for (std::size_t index = 0; index < row.answers.size(); ++index) {
                    test::AnswerNextDialog(row.answers[index]);
                    test::RequestClose(handle);
                    if (index + 1 == row.answers.size())
                        break; // the last answer closes the window: the program ends
                    ASSERT_TRUE(test::WaitUntilIdle());
                    ASSERT_NE(test::FindWindowByTitle(kTitle), 0u) << "still open";
                    focusBack = platform::FocusedWindow() == Control(handle, kName);
                }
            });
        errors.Teardown();
        EXPECT_EQ(answered, row.answered) << row.name;
        EXPECT_EQ(written, row.written) << row.name;
        EXPECT_EQ(focusBack, row.focusBackOnTheName) << row.name;
        EXPECT_EQ(recordAfter, "Ana       Split     ") << row.name << ": Kill restores the buffer";
    }
}

TEST(WindowManagerDisplay, NewSelectionOutsideAListChangesNothing)
{
    constexpr std::int32_t kNewSelection = 2;
    std::vector<std::pair<std::size_t, int>> afterEach; ///< resets, toolbar offers
    RunWithController(
        [&] {
            Form form;
            wmtest::FakeBrowse browse;
            wmtest::CountingRelay relay;
            wmtest::FakeTarget first;
            wmtest::FakeTarget second;
            form.configure = [&](Form& self) {
                self.browses->push_back(&browse);
                self.AttachToolbar(relay);
                relay.AddTarget(first, 1);
                relay.AddTarget(second, 2);
            };
            form.afterOpen = [](Form&) { window::PostEvent(kNewSelection, kName); };
            form.afterEach = [&](Form&) {
                if (window::CurrentEvent() == kNewSelection)
                    afterEach.emplace_back(browse.resetSorts.size(), first.offers + second.offers);
            };
            EXPECT_EQ(form.Run(), ResponseCancelled);
        },
        [] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle handle = test::FindWindowByTitle(kTitle);
            ASSERT_NE(handle, 0u);
            test::RequestClose(handle);
        });
    // Opening reset once; the entry's new selection neither resets nor offers the toolbar.
    EXPECT_EQ(afterEach, (std::vector<std::pair<std::size_t, int>> { { 1, 0 } }));
}

TEST(WindowManagerDisplay, RecalledHistoryFieldIsShownAgain)
{
    constexpr std::int32_t kHistoryKey = 0x77; // F8
    constexpr std::int32_t kAlertKey = 15;
    constexpr std::int32_t kSelected = 257;
    std::vector<std::int32_t> alertKeys;
    std::string shownBefore;
    std::string shownAfter;
    std::string recordAfterRecall;
    RunWithController(
        [&] {
            Form form;
            form.configure = [&](Form& self) {
                self.historyKey = kHistoryKey;
                self.history.emplace();
                self.history->push_back({ *value::ValueReference::Make(value::TypeCode::String,
                                              self.record.record.data(), 10),
                    {}, kName });
                self.RememberFields();
            };
            form.afterOpen = [&](Form& self) {
                alertKeys = self.window.FindControl(kName)->declared.alertKeys;
            };
            form.afterEach = [&](Form& self) {
                const std::int32_t event = window::CurrentEvent();
                if (event == kAccepted && window::AcceptedField() == kName) {
                    // Back on the name, the history key pressed there.
                    window::PostEvent(kSelected, kName);
                    window::SetKeyCode(kHistoryKey);
                    window::PostEvent(kAlertKey, kName);
                }
                if (event == kAlertKey)
                    recordAfterRecall = self.record.record;
            };
            form.Run();
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle handle = test::FindWindowByTitle(kTitle);
            ASSERT_NE(handle, 0u);
            const platform::WindowHandle name = Control(handle, kName);
            test::TypeText(name, "Iva");
            ASSERT_TRUE(test::WaitUntilIdle());
            shownBefore = test::TextOf(name);
            test::PressKey(handle, 0x09); // the name is accepted, then recalled
            ASSERT_TRUE(test::WaitUntilIdle());
            shownAfter = test::TextOf(name);
            test::RequestClose(handle);
        });
    EXPECT_EQ(alertKeys, std::vector<std::int32_t> { kHistoryKey }) << "set by SetKeyAlerts";
    EXPECT_EQ(shownBefore, "AnaIva");
    EXPECT_EQ(recordAfterRecall, "Ana       Split     ");
    EXPECT_EQ(shownAfter, "Ana");
}

} // namespace
