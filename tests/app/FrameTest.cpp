// The program's frame and the procedures it starts, on the display (screenless), chosen from
// the menus as a user chooses them.

#include "ProgramControls.h"

#include <app/Globals.h>
#include <app/Procedures.h>
#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <value/Module.h>
#include <window/Engine.h>
#include <window/RuntimeLock.h>
#include <window/ThreadTable.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <set>

namespace {

namespace test = platform::test;
using namespace programcontrols;
using testsupport::RunWithController;

/// The slots of the runtime threads that have a window open. Read under the runtime lock, which
/// every runtime thread has given up while it waits for its next message (after WaitUntilIdle).
std::set<std::int32_t> SlotsWithWindows()
{
    const window::RuntimeLockHold held;
    std::set<std::int32_t> slots;
    for (std::int32_t slot = 0; slot < window::kThreadSlots; ++slot) {
        if (window::Slot(slot).used && !window::Slot(slot).windows.empty())
            slots.insert(slot);
    }
    return slots;
}

/// How the program ended.
struct ProgramEnd {
    int exitCode = -1;
    std::uint8_t frameResponse = 0; ///< ThreadResponse of the first thread
};

/// Runs the program from its module's start-up to its end, as main() does, while `before` runs
/// first on the program's thread and `controller` uses the frame (and ends the program itself).
ProgramEnd RunProgram(const std::function<void(platform::WindowHandle frame)>& controller,
    const std::function<void()>& before = {})
{
    ProgramEnd end;
    RunWithController(
        [&] {
            if (before)
                before();
            const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
            end.exitCode = value::RunProgram(
                app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
            end.frameResponse = app::ThreadResponse();
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle frame = test::FindWindowByTitle(kFrameTitle);
            ASSERT_NE(frame, 0u) << "the frame shows";
            controller(frame);
        });
    return end;
}

TEST(Frame, ExitItemEndsTheProgramWithTwoHashWindowsOpen)
{
    std::set<std::int32_t> slots;
    std::size_t children = 0;
    const ProgramEnd end = RunProgram([&](platform::WindowHandle frame) {
        test::ChooseMenuItem(frame, kTestingItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        test::ChooseMenuItem(frame, kTestingItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        children = platform::MdiChildren(frame).size();
        slots = SlotsWithWindows();
        test::ChooseMenuItem(frame, kExitItem);
    });
    EXPECT_EQ(children, 2u) << "two choices, two hash windows";
    // The frame on the first thread, each hash window on a thread of its own.
    EXPECT_EQ(slots, (std::set<std::int32_t> { 0, 1, 2 }));
    EXPECT_EQ(end.exitCode, 0);
    EXPECT_EQ(end.frameResponse, 2) << "the frame's Run answers cancelled";
    // The settings file has no finalisation: the name stays bound after the main routine.
    EXPECT_EQ(app::AppIni.FileName(), "varn.INI");
}

TEST(Frame, CloseBoxEndsTheProgram)
{
    const ProgramEnd end
        = RunProgram([](platform::WindowHandle frame) { test::RequestClose(frame); });
    EXPECT_EQ(end.exitCode, 0);
    EXPECT_EQ(end.frameResponse, 2);
}

TEST(Frame, AboutOnTheMenuBarOpensItsWindowOnItsOwnThread)
{
    RunProgram([&](platform::WindowHandle frame) {
        test::ChooseMenuItem(frame, kAboutItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle about = test::FindWindowByTitle(kAboutTitle);
        ASSERT_NE(about, 0u);
        EXPECT_EQ(SlotsWithWindows(), (std::set<std::int32_t> { 0, 1 }));
        EXPECT_TRUE(platform::MdiChildren(frame).empty()) << "About is a plain window";
        // Two at once are allowed, each on its own thread.
        test::ChooseMenuItem(frame, kAboutItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(SlotsWithWindows(), (std::set<std::int32_t> { 0, 1, 2 }));
        // "OK" closes the window and ends its procedure.
        test::Click(platform::FindControl(about, kAboutOkButton));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(SlotsWithWindows(), (std::set<std::int32_t> { 0, 2 }));
        test::ChooseMenuItem(frame, kExitItem);
    });
}

TEST(Frame, EnterPressesTheAboutWindowsDefaultButton)
{
    RunProgram([&](platform::WindowHandle frame) {
        test::ChooseMenuItem(frame, kAboutItem);
        ASSERT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle about = test::FindWindowByTitle(kAboutTitle);
        ASSERT_NE(about, 0u);
        test::PressKey(about, 0x0D);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::FindWindowByTitle(kAboutTitle), 0u);
        test::ChooseMenuItem(frame, kExitItem);
    });
}

/// A procedure that puts the program into a modal state and ends, leaving it so.
void EnterModalStateAndEnd(std::vector<std::string>)
{
    window::EnterModalState();
}

TEST(Frame, ChoicesStartNothingWhileTheProgramIsModal)
{
    std::size_t children = 1;
    std::set<std::int32_t> slots;
    platform::WindowHandle dialog = 1;
    RunProgram(
        [&](platform::WindowHandle frame) {
            test::ChooseMenuItem(frame, kTestingItem);
            test::ChooseMenuItem(frame, kAboutItem);
            ASSERT_TRUE(test::WaitUntilIdle());
            children = platform::MdiChildren(frame).size();
            slots = SlotsWithWindows();
            dialog = test::ActiveDialog();
            test::ChooseMenuItem(frame, kExitItem);
        },
        // The started thread runs once the frame waits for its first event.
        [] { window::StartThread(EnterModalStateAndEnd, 0); });
    EXPECT_EQ(children, 0u);
    EXPECT_EQ(slots, (std::set<std::int32_t> { 0 })) << "no procedure started";
    EXPECT_EQ(dialog, 0u) << "and nothing reported";
}

} // namespace
