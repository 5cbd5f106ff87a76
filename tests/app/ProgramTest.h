#pragma once

// What the tests of the program's windows share: the program run from its module's start-up
// in a current directory of its own while the test drives it as a user would, and the looks
// and presses they make at its windows.

#include "ProgramControls.h"

#include <app/Globals.h>
#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <platform/Display.h>
#include <platform/MessageQueue.h>
#include <platform/TestDriver.h>
#include <value/Module.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>
#include <common/TestSupport.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace programtest {

namespace test = platform::test;

inline platform::WindowHandle Control(platform::WindowHandle window, std::uint32_t equate)
{
    return platform::FindControl(window, 0x4000 + equate);
}

inline bool Visible(platform::WindowHandle control)
{
    const std::optional<platform::ControlOptions> shown = test::DescribeControl(control);
    return shown && shown->visible;
}

inline bool Enabled(platform::WindowHandle control)
{
    const std::optional<platform::ControlOptions> shown = test::DescribeControl(control);
    return shown && shown->enabled;
}

/// Waits until `condition` holds, letting the display run what is pending between looks; false
/// when it does not within `limit`. For the time a window's thread is busy hashing, when the
/// driver's wait for idleness cannot end.
inline bool WaitFor(
    const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        platform::InvokeOnGui([] {});
        platform::WaitForQueueActivity(platform::QueueActivity(), std::chrono::milliseconds(20));
    }
    return true;
}

/// The program run from its module's start-up, in a current directory of its own, while the
/// test drives it; the test ends it through the frame's menu.
class ProgramTest : public testing::Test {
protected:
    // The chosen file is a program global, which the cases of one test program share.
    void SetUp() override { app::InputFileName.Clear(); }

    /// Runs the program in `currentDirectory`, by default the test's own directory; "." keeps
    /// the directory the test entered itself (one whose path no system call takes).
    void RunProgram(const std::function<void(platform::WindowHandle frame)>& controller,
        const std::optional<std::string>& currentDirectory = {})
    {
        std::optional<testsupport::ScopedCurrentDirectory> inside;
        if (currentDirectory != ".")
            inside.emplace(currentDirectory.value_or(m_directory.Path()));
        testsupport::RunWithController(
            [&] {
                const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
                m_exitCode = value::RunProgram(
                    app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
            },
            [&] {
                ASSERT_TRUE(test::WaitUntilIdle());
                const platform::WindowHandle frame
                    = test::FindWindowByTitle(programcontrols::kFrameTitle);
                ASSERT_NE(frame, 0u);
                // Room for two windows side by side, as on a desktop: the screenless platform
                // gives a new window a small default size.
                platform::MoveWindow(frame, { 0, 0, 1200, 800 });
                controller(frame);
                if (m_endThroughMenu)
                    test::ChooseMenuItem(frame, programcontrols::kExitItem);
            });
        EXPECT_EQ(m_exitCode, 0);
    }

    /// Opens one more window from the frame's menu item `item` and answers it.
    static platform::WindowHandle OpenWindow(platform::WindowHandle frame, std::uint32_t item)
    {
        const std::size_t before = platform::MdiChildren(frame).size();
        test::ChooseMenuItem(frame, item);
        EXPECT_TRUE(test::WaitUntilIdle());
        const std::vector<platform::WindowHandle> children = platform::MdiChildren(frame);
        EXPECT_EQ(children.size(), before + 1) << "a window opens";
        return children.empty() ? 0 : children.back();
    }

    static void Press(platform::WindowHandle window, std::uint32_t button)
    {
        test::Click(Control(window, button));
        ASSERT_TRUE(test::WaitUntilIdle());
    }

    /// The text of the message box up now, answered with OK; empty when none is up.
    static std::string AnswerMessage()
    {
        const platform::WindowHandle box = test::ActiveDialog();
        if (box == 0)
            return {};
        std::string text = test::TextOf(platform::FindControl(box, programcontrols::kMessageText));
        test::Click(platform::FindControl(box, programcontrols::kOkButton));
        EXPECT_TRUE(test::WaitUntilIdle());
        return text;
    }

    /// Presses `chooseButton` ("...") and answers the file dialog with `paths` (none: Cancel)
    /// after checking it is the program's; answers the directory it started in.
    static std::string ChooseFile(platform::WindowHandle window, std::uint32_t chooseButton,
        const std::vector<std::string>& paths)
    {
        test::Click(Control(window, chooseButton));
        EXPECT_TRUE(test::WaitUntilIdle());
        const platform::WindowHandle dialog = test::ActiveDialog();
        const std::optional<test::FileDialogView> view = test::DescribeFileDialog(dialog);
        if (!view) {
            ADD_FAILURE() << "no file dialog";
            return {};
        }
        EXPECT_EQ(view->title, "Popis datoteka");
        EXPECT_FALSE(view->save);
        EXPECT_TRUE(test::AnswerFileDialog(dialog, paths));
        EXPECT_TRUE(test::WaitUntilIdle());
        return view->directory;
    }

    /// A sparse file of 256 GiB of zeros: it takes no room on the disk, and hashing it lasts
    /// long enough to be watched and cancelled in any build, while hashing it whole would
    /// outlast the driver's waits.
    std::string BigFile() const
    {
        const std::string path = m_directory / "velika.bin";
        std::ofstream(path).close();
        std::filesystem::resize_file(path, std::uintmax_t { 256 } << 30);
        return path;
    }

    /// Names `path` in the window's file entry and presses its file button, without waiting
    /// for the end.
    static void StartHashing(platform::WindowHandle window, std::uint32_t fileEntry,
        std::uint32_t fileButton, const std::string& path)
    {
        platform::SetWindowText(Control(window, fileEntry), "");
        test::TypeText(Control(window, fileEntry), path);
        test::Click(Control(window, fileButton));
    }

    /// Waits until the window shows its progress line and "Prekini".
    static void WaitForProgress(
        platform::WindowHandle window, std::uint32_t progressLine, std::uint32_t cancelButton)
    {
        ASSERT_TRUE(WaitFor([&] {
            return Visible(Control(window, progressLine)) && Visible(Control(window, cancelButton));
        })) << "progress shows";
    }

    std::string ResultFile() const { return testsupport::ReadText(m_directory / "HASHBROJ.TXT"); }
    std::string ResultPath() const { return m_directory / "HASHBROJ.TXT"; }

    testsupport::TempDirectory m_directory;
    testsupport::ScopedEnvironment m_noProfile { "VARN_WIN_INI", "/nonexistent/win.ini" };
    int m_exitCode = -1;
    bool m_endThroughMenu = true; ///< RunProgram ends the program with File > Exit
};

} // namespace programtest
