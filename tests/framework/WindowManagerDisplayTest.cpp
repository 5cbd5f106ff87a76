// The window manager running a window built from a declaration on the display (screenless):
// the user closes it, presses its buttons and answers the questions the error manager asks.

#include "WindowManagerFakes.h"

#include <framework/ErrorManager.h>
#include <framework/WindowManager.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
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
        return LevelOk;
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

} // namespace
