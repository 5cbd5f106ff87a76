#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <window/DisplayWindow.h>
#include <window/Engine.h>
#include <window/RuntimeLock.h>
#include <window/RuntimeMain.h>
#include <window/ThreadTable.h>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

using namespace window;
namespace test = platform::test;

namespace {

constexpr std::int32_t kAccepted = 0x01;
constexpr std::int32_t kCloseWindow = 0x201;
constexpr std::int32_t kTimer = 0x20B;
constexpr std::int32_t kDrop = 0x13;

platform::WindowOptions Plain(std::string title, std::int32_t x)
{
    platform::WindowOptions options;
    options.kind = platform::WindowKind::Plain;
    options.title = std::move(title);
    options.rect = { x, 40, 300, 160 };
    return options;
}

platform::ControlOptions Button(std::string text, std::int32_t x)
{
    platform::ControlOptions options;
    options.kind = platform::ControlKind::Button;
    options.rect = { x, 10, 90, 26 };
    options.text = std::move(text);
    return options;
}

platform::ControlOptions Entry()
{
    platform::ControlOptions options;
    options.kind = platform::ControlKind::Edit;
    options.rect = { 10, 60, 200, 24 };
    return options;
}

/// Runs `controller` on a thread of its own (it drives the display as a user would) while the
/// runtime's first thread runs `program`; joins the controller without the runtime lock.
int RunWithController(const std::function<void()>& program, const std::function<void()>& controller)
{
    test::SilenceHarmlessPlatformWarnings();
    return RunRuntime([&] {
        std::thread driver(controller);
        program();
        AssertHoldsRuntimeLock();
        RuntimeLockRelease released;
        driver.join();
        return 0;
    });
}

TEST(EngineDisplay, ClickAndCloseBoxBecomeEvents)
{
    std::vector<std::pair<std::int32_t, std::int32_t>> seen;
    std::atomic<bool> driven { false };
    RunWithController(
        [&] {
            DisplayWindow window(Plain("Engine click", 40));
            window.AddControlOptions(1, Button("Klik", 10));
            window.AddControlOptions(2, Entry());
            ASSERT_TRUE(OpenWindow(window));
            int closes = 0;
            Accept([&] {
                std::int32_t event = CurrentEvent();
                if (event == kAccepted || event == kCloseWindow)
                    seen.emplace_back(event, EventField());
                if (event == kCloseWindow)
                    return ++closes == 1 ? 1 : 0; // the first close is refused
                return 0;
            });
            EXPECT_FALSE(window.IsOpen());
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            platform::WindowHandle handle = test::FindWindowByTitle("Engine click");
            ASSERT_NE(handle, 0u);
            test::Click(platform::FindControl(handle, 0x4001));
            ASSERT_TRUE(test::WaitUntilIdle());
            test::RequestClose(handle);
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_NE(test::FindWindowByTitle("Engine click"), 0u); // refused
            // Accepted this time: the loop ends and the program with it, so the runtime is not
            // idle again until the display quits.
            test::RequestClose(handle);
            driven = true;
        });
    EXPECT_TRUE(driven);
    std::vector<std::pair<std::int32_t, std::int32_t>> expected
        = { { kAccepted, 1 }, { kCloseWindow, 0 }, { kCloseWindow, 0 } };
    EXPECT_EQ(seen, expected);
}

TEST(EngineDisplay, PlatformTimerBecomesTimerEvents)
{
    int timers = 0;
    RunWithController(
        [&] {
            DisplayWindow window(Plain("Engine timer", 40));
            window.SetTimerPeriod(1);
            ASSERT_TRUE(OpenWindow(window));
            Accept([&] {
                if (CurrentEvent() != kTimer)
                    return 0;
                return ++timers == 3 ? -1 : 0;
            });
        },
        [] {});
    EXPECT_EQ(timers, 3);
}

/// One "EVENT:Drop" as the loop body saw it.
struct SeenDrop {
    std::int32_t field = -1;
    std::vector<std::pair<platform::DropRefusal, std::string>> names;
    bool operator==(const SeenDrop&) const = default;
};

// Files dropped while the body is busy with a click arrive after it, as the window's event
// wherever they fell, each name readable by the body; an event of code's making carries none.
TEST(EngineDisplay, DroppedFilesBecomeTheWindowsDropEventInTurn)
{
    std::vector<std::int32_t> order;
    std::vector<SeenDrop> drops;
    std::promise<void> droppedWhileBusy;
    std::shared_future<void> busyDone = droppedWhileBusy.get_future().share();
    RunWithController(
        [&] {
            platform::WindowOptions options = Plain("Engine drop", 40);
            options.acceptFileDrops = true;
            DisplayWindow window(options);
            window.AddControlOptions(1, Button("Klik", 10));
            window.AddControlOptions(2, Entry());
            ASSERT_TRUE(OpenWindow(window));
            Accept([&] {
                const std::int32_t event = CurrentEvent();
                if (event == kAccepted) {
                    order.push_back(event);
                    // Busy until the controller has dropped: the drop must wait its turn.
                    AssertHoldsRuntimeLock();
                    RuntimeLockRelease released;
                    busyDone.wait();
                } else if (event == kDrop) {
                    order.push_back(event);
                    SeenDrop seen { EventField(), {} };
                    if (const platform::DroppedFiles* dropped = CurrentDrop()) {
                        for (const platform::DroppedName& name : dropped->names)
                            seen.names.emplace_back(name.refusal, name.name);
                    }
                    if (drops.empty())
                        PostEvent(kDrop);
                    drops.push_back(seen);
                } else if (event == kCloseWindow) {
                    return -1;
                }
                return 0;
            });
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            const platform::WindowHandle handle = test::FindWindowByTitle("Engine drop");
            ASSERT_NE(handle, 0u);
            test::Click(platform::FindControl(handle, 0x4001));
            // "čć.txt" on the entry, while the body still runs the click.
            EXPECT_TRUE(test::DropFiles(
                platform::FindControl(handle, 0x4002), { "/tmp/\xC4\x8D\xC4\x87.txt", "/tmp/b" }));
            droppedWhileBusy.set_value();
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_TRUE(test::DropUrls(handle, { "https://example.com/a.txt" }));
            ASSERT_TRUE(test::WaitUntilIdle());
            test::RequestClose(handle);
        });
    using platform::DropRefusal;
    const std::vector<SeenDrop> expected = {
        { 0, { { DropRefusal::None, "/tmp/\xE8\xE6.txt" }, { DropRefusal::None, "/tmp/b" } } },
        { 0, {} }, // posted by the body: no files
        { 0, { { DropRefusal::NotLocal, "https://example.com/a.txt" } } },
    };
    EXPECT_EQ(order, (std::vector<std::int32_t> { kAccepted, kDrop, kDrop, kDrop }));
    EXPECT_EQ(drops, expected);
}

// One thread waits for its dialog's answer with the lock released while two others keep
// doing window operations, each marshalled to the GUI thread.
TEST(EngineDisplay, ModalWaitLeavesOtherThreadsWorking)
{
    constexpr int kRounds = 3;
    std::int64_t answer = -1;
    std::atomic<int> windowsOpen { 0 };
    auto worker = [&](std::string title, std::int32_t x) {
        return [&windowsOpen, title, x](std::vector<std::string>) {
            DisplayWindow window(Plain(title, x));
            window.AddControlOptions(1, Button("Dalje", 10));
            window.AddControlOptions(2, Entry());
            OpenWindow(window);
            ++windowsOpen;
            int rounds = 0;
            Accept([&] {
                if (CurrentEvent() == kAccepted && EventField() == 1) {
                    platform::SetWindowText(
                        window.ControlHandle(2), title + " " + std::to_string(++rounds));
                    platform::SetWindowText(window.Handle(), title);
                }
                return 0;
            });
        };
    };
    RunWithController(
        [&] {
            DisplayWindow window(Plain("Engine modal", 40));
            window.AddControlOptions(1, Button("Pitaj", 10));
            ASSERT_TRUE(OpenWindow(window));
            ASSERT_NE(StartThread(worker("Engine B", 360), 0), 0);
            ASSERT_NE(StartThread(worker("Engine C", 680), 0), 0);
            Accept([&] {
                if (CurrentEvent() != kAccepted)
                    return 0;
                platform::DialogTemplate dialog;
                dialog.title = "Engine question";
                dialog.owner = window.Handle();
                dialog.rect = { platform::kDefaultPosition, platform::kDefaultPosition, 200, 80 };
                platform::ControlOptions yes = Button("Da", 10);
                yes.id = 6;
                dialog.controls.push_back(yes);
                platform::WindowHandle shown = platform::OpenDialog(dialog);
                EnterModalState();
                answer = WaitForDialog(shown);
                LeaveModalState();
                return -1;
            });
        },
        [&] {
            ASSERT_TRUE(test::WaitUntilIdle());
            platform::WindowHandle modal = test::FindWindowByTitle("Engine modal");
            test::Click(platform::FindControl(modal, 0x4001));
            ASSERT_TRUE(test::WaitUntilIdle());
            platform::WindowHandle dialog = test::ActiveDialog();
            ASSERT_NE(dialog, 0u);
            for (const char* title : { "Engine B", "Engine C" }) {
                platform::WindowHandle other = test::FindWindowByTitle(title);
                ASSERT_NE(other, 0u) << title;
                for (int round = 1; round <= kRounds; ++round) {
                    test::Click(platform::FindControl(other, 0x4001));
                    ASSERT_TRUE(test::WaitUntilIdle());
                    EXPECT_EQ(test::TextOf(platform::FindControl(other, 0x4002)),
                        std::string(title) + " " + std::to_string(round));
                }
            }
            EXPECT_EQ(test::ActiveDialog(), dialog); // still waiting all along
            test::Click(platform::FindControl(dialog, 6));
        });
    EXPECT_EQ(windowsOpen, 2);
    EXPECT_EQ(answer, 6);
}

} // namespace
