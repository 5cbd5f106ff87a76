#include <platform/Display.h>
#include <platform/TestDriver.h>

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

/// A private message: run the function in `data` on the receiving thread.
constexpr std::uint32_t kRunWork = 0x0500;

/// A runtime thread: it owns a message queue, runs work handed to it (creating windows that
/// are then its own) and records every other message it takes.
class RuntimeThread {
public:
    RuntimeThread()
    {
        std::promise<std::shared_ptr<MessageQueue>> started;
        std::future<std::shared_ptr<MessageQueue>> queue = started.get_future();
        m_thread = std::thread([this, &started] {
            const std::shared_ptr<MessageQueue> own = CurrentThreadQueue();
            started.set_value(own);
            Loop(*own);
        });
        m_queue = queue.get();
    }
    RuntimeThread(const RuntimeThread&) = delete;
    RuntimeThread& operator=(const RuntimeThread&) = delete;
    ~RuntimeThread() { Stop(); }

    /// Runs `work` on this thread and answers its result.
    template<typename F> auto Run(F work) -> decltype(work())
    {
        using R = decltype(work());
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(work));
        std::future<R> result = task->get_future();
        Message message;
        message.message = kRunWork;
        message.data = std::make_shared<std::function<void()>>([task] { (*task)(); });
        m_queue->Post(std::move(message));
        return result.get();
    }

    void Stop()
    {
        if (!m_thread.joinable())
            return;
        Message quit;
        quit.message = Msg::kQuit;
        m_queue->Post(quit);
        m_thread.join();
    }

    /// The messages taken so far with number `number` (all when 0).
    std::vector<Message> Taken(std::uint32_t number = 0) const
    {
        const std::lock_guard lock(m_mutex);
        std::vector<Message> found;
        for (const Message& message : m_taken) {
            if (number == 0 || message.message == number)
                found.push_back(message);
        }
        return found;
    }

    /// True when a kCommand with `id` and notification `notification` was taken for `window`.
    bool TookCommand(WindowHandle window, std::uint32_t id, std::int64_t notification) const
    {
        for (const Message& message : Taken(Msg::kCommand)) {
            if (message.window == window && message.id == id && message.wParam == notification)
                return true;
        }
        return false;
    }

    /// Waits until a message with number `number` has been taken (at most 20 seconds).
    void WaitToTake(std::uint32_t number)
    {
        std::unique_lock lock(m_mutex);
        m_took.wait_for(lock, std::chrono::seconds(20), [this, number] {
            return std::any_of(m_taken.begin(), m_taken.end(),
                [number](const Message& message) { return message.message == number; });
        });
    }

    void Forget()
    {
        const std::lock_guard lock(m_mutex);
        m_taken.clear();
    }

private:
    void Loop(MessageQueue& queue)
    {
        for (;;) {
            Message message = queue.Take();
            if (message.message == Msg::kQuit)
                return;
            if (message.message == kRunWork) {
                (*std::static_pointer_cast<std::function<void()>>(message.data))();
                continue;
            }
            {
                const std::lock_guard lock(m_mutex);
                m_taken.push_back(std::move(message));
            }
            m_took.notify_all();
        }
    }

    std::shared_ptr<MessageQueue> m_queue;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_took;
    std::vector<Message> m_taken;
};

/// Runs `script` as the program's first thread while the display runs on this (the main)
/// thread, then ends the display. Answers RunDisplay's result.
int WithDisplay(const std::function<void()>& script)
{
    test::SilenceHarmlessPlatformWarnings();
    return RunDisplay([&script] {
        script();
        QuitDisplay();
        return 0;
    });
}

WindowOptions PlainWindow(std::string title)
{
    WindowOptions options;
    options.kind = WindowKind::Plain;
    options.title = std::move(title);
    options.rect = { 40, 40, 320, 200 };
    return options;
}

ControlOptions Control(
    ControlKind kind, WindowHandle parent, std::uint32_t id, Rect rect, std::string text = {})
{
    ControlOptions options;
    options.kind = kind;
    options.parent = parent;
    options.id = id;
    options.rect = rect;
    options.text = std::move(text);
    return options;
}

MenuItem Item(std::string text, std::uint32_t id, std::vector<MenuItem> items = {})
{
    MenuItem item;
    item.text = std::move(text);
    item.id = id;
    item.items = std::move(items);
    return item;
}

constexpr std::uint32_t kButtonId = 0x4001;
constexpr std::uint32_t kEditId = 0x4002;
constexpr std::uint32_t kOtherEditId = 0x4003;
constexpr std::uint32_t kCheckId = 0x4004;
constexpr std::uint32_t kOkId = 1;
constexpr std::uint32_t kCancelId = 2;

/// A window of the thread with a button, two edits and a check box.
struct Form {
    WindowHandle window = 0;
    WindowHandle button = 0;
    WindowHandle edit = 0;
    WindowHandle otherEdit = 0;
    WindowHandle check = 0;
};

Form MakeForm(RuntimeThread& thread, const std::string& title)
{
    return thread.Run([&title] {
        Form form;
        form.window = CreateWindow(PlainWindow(title));
        form.button = CreateControl(
            Control(ControlKind::Button, form.window, kButtonId, { 10, 10, 80, 24 }, "&U redu"));
        form.edit
            = CreateControl(Control(ControlKind::Edit, form.window, kEditId, { 10, 40, 150, 22 }));
        form.otherEdit = CreateControl(
            Control(ControlKind::Edit, form.window, kOtherEditId, { 10, 70, 150, 22 }));
        form.check = CreateControl(Control(
            ControlKind::CheckBox, form.window, kCheckId, { 10, 100, 150, 22 }, "Provjera"));
        return form;
    });
}

DialogTemplate QuestionDialog(WindowHandle owner, std::uint32_t escapeId)
{
    DialogTemplate dialog;
    dialog.title = "Pitanje";
    dialog.owner = owner;
    dialog.rect = { kDefaultPosition, kDefaultPosition, 240, 100 };
    dialog.escapeId = escapeId;
    ControlOptions text = Control(ControlKind::Static, 0, 0, { 10, 10, 200, 20 }, "Nastaviti?");
    ControlOptions ok = Control(ControlKind::Button, 0, kOkId, { 20, 60, 80, 24 }, "U redu");
    ok.defaultButton = true;
    ControlOptions cancel
        = Control(ControlKind::Button, 0, kCancelId, { 120, 60, 80, 24 }, "Odustani");
    dialog.controls = { text, ok, cancel };
    return dialog;
}

/// The Windows-1250 bytes of the Croatian letters čćžšđ ČĆŽŠĐ.
const std::string kCroatianAnsi = "\xE8\xE6\x9E\x9A\xF0 \xC8\xC6\x8E\x8A\xD0";
const std::string kCroatianUtf8 = "čćžšđ ČĆŽŠĐ";

} // namespace

TEST(DisplayTest, WithoutADisplayNothingIsMarshalled)
{
    bool ran = false;
    EXPECT_FALSE(InvokeOnGui([&ran] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_FALSE(DisplayRunning());
    EXPECT_EQ(CreateWindow(PlainWindow("x")), 0U);
}

TEST(DisplayTest, RunsTwiceInOneProcessAndAnswersTheRuntimesResult)
{
    test::SilenceHarmlessPlatformWarnings();
    WindowHandle first = 0;
    const int result = RunDisplay([&first] {
        EXPECT_TRUE(DisplayRunning());
        EXPECT_FALSE(IsGuiThread());
        first = CreateWindow(PlainWindow("Prvi"));
        EXPECT_NE(first, 0U);
        return 7; // ends without asking: the loop ends with the runtime
    });
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(DisplayRunning());

    WindowHandle second = 0;
    const int again = RunDisplay([&second, first] {
        EXPECT_FALSE(IsWindow(first)); // windows left are gone with the display that held them
        second = CreateWindow(PlainWindow("Drugi"));
        EXPECT_TRUE(IsWindow(second));
        EXPECT_TRUE(InvokeOnGui([] {
            EXPECT_TRUE(IsGuiThread());
            bool inner = false; // on the GUI thread a call runs at once, not queued behind itself
            EXPECT_TRUE(InvokeOnGui([&inner] { inner = true; }));
            EXPECT_TRUE(inner);
        }));
        QuitDisplay();
        // The GUI thread still serves this thread after the quit request.
        SetWindowText(second, "Kraj");
        EXPECT_EQ(WindowText(second), "Kraj");
        return 3;
    });
    EXPECT_EQ(again, 3);
    EXPECT_GT(second, first); // handles are never reused
}

TEST(DisplayTest, MarshalledCallsFromManyThreadsAllComplete)
{
    WithDisplay([] {
        constexpr int kThreads = 4;
        constexpr int kCalls = 150;
        std::vector<std::unique_ptr<RuntimeThread>> threads;
        std::vector<WindowHandle> windows;
        for (int t = 0; t < kThreads; ++t) {
            threads.push_back(std::make_unique<RuntimeThread>());
            windows.push_back(threads.back()->Run(
                [t] { return CreateWindow(PlainWindow("Prozor " + std::to_string(t))); }));
            ASSERT_NE(windows.back(), 0U);
        }
        std::atomic<int> completed { 0 };
        std::vector<std::future<void>> done;
        for (int t = 0; t < kThreads; ++t) {
            done.push_back(std::async(std::launch::async, [&, t] {
                threads[static_cast<std::size_t>(t)]->Run([&, t] {
                    const WindowHandle window = windows[static_cast<std::size_t>(t)];
                    for (int i = 0; i < kCalls; ++i) {
                        const std::string text = std::to_string(t) + ":" + std::to_string(i);
                        SetWindowText(window, text);
                        if (WindowText(window) == text && IsWindow(window))
                            ++completed;
                    }
                });
            }));
        }
        for (std::future<void>& one : done)
            one.get();
        EXPECT_EQ(completed, kThreads * kCalls);
        EXPECT_TRUE(test::WaitUntilIdle());
    });
}

TEST(DisplayTest, UserActionsArriveInTheQueueOfTheWindowsThread)
{
    WithDisplay([] {
        RuntimeThread owner;
        RuntimeThread other;
        const Form form = MakeForm(owner, "Vlasnik");
        const Form otherForm = MakeForm(other, "Drugi");
        ASSERT_NE(form.window, 0U);
        ASSERT_TRUE(test::WaitUntilIdle());
        owner.Forget();
        other.Forget();

        struct Case {
            const char* what;
            std::function<void()> act;
            std::function<bool()> arrived;
        };
        constexpr std::uint32_t kMenuId = 101;
        constexpr std::uint32_t kTimerId = 9;
        owner.Run([&form] {
            SetMenuBar(form.window,
                { Item("&Datoteka", 0, { Item("&Otvori", kMenuId), Item("&Kraj", 102) }) });
        });
        const std::vector<Case> cases = {
            { "click", [&] { test::Click(form.button); },
                [&] { return owner.TookCommand(form.window, kButtonId, Notify::kClicked); } },
            { "check box click", [&] { test::Click(form.check); },
                [&] {
                    return owner.TookCommand(form.window, kCheckId, Notify::kClicked)
                        && IsChecked(form.check);
                } },
            { "menu choice", [&] { test::ChooseMenuItem(form.window, kMenuId); },
                [&] { return owner.TookCommand(form.window, kMenuId, 0); } },
            { "close request", [&] { test::RequestClose(form.window); },
                [&] {
                    const std::vector<Message> closes = owner.Taken(Msg::kClose);
                    return closes.size() == 1 && closes[0].window == form.window
                        && IsWindow(form.window); // the request alone closes nothing
                } },
            { "text change", [&] { test::TypeText(form.edit, "a"); },
                [&] { return owner.TookCommand(form.window, kEditId, Notify::kTextChanged); } },
            { "focus change",
                [&] {
                    test::TypeText(form.edit, "b");
                    test::TypeText(form.otherEdit, "c");
                },
                [&] {
                    return owner.TookCommand(form.window, kEditId, Notify::kFocusLost)
                        && owner.TookCommand(form.window, kOtherEditId, Notify::kFocusGained);
                } },
            { "timer",
                [&] {
                    owner.Run([&] { SetTimer(form.window, kTimerId, 10); });
                    owner.WaitToTake(Msg::kTimer);
                    owner.Run([&] { KillTimer(form.window, kTimerId); });
                },
                [&] {
                    const std::vector<Message> ticks = owner.Taken(Msg::kTimer);
                    return !ticks.empty() && ticks[0].id == kTimerId
                        && ticks[0].window == form.window;
                } },
        };
        for (const Case& one : cases) {
            SCOPED_TRACE(one.what);
            owner.Forget();
            other.Forget();
            one.act();
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_TRUE(one.arrived());
            EXPECT_TRUE(other.Taken().empty()) << "another thread's queue got a message";
        }
        (void)otherForm;
    });
}

TEST(DisplayTest, DisabledMenuItemsAndDisabledMenusCannotBeChosen)
{
    WithDisplay([] {
        RuntimeThread owner;
        const WindowHandle window = owner.Run([] {
            const WindowHandle made = CreateWindow(PlainWindow("Izbornik"));
            SetMenuBar(
                made, { Item("&Datoteka", 50, { Item("&Otvori", 51), Item("&Spremi", 52) }) });
            EnableMenuItem(made, 52, false);
            return made;
        });
        test::ChooseMenuItem(window, 52);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.Taken(Msg::kCommand).empty());

        owner.Run([window] {
            EnableMenuItem(window, 52, true);
            EnableMenuItem(window, 50, false);
        });
        test::ChooseMenuItem(window, 51);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.Taken(Msg::kCommand).empty());

        owner.Run([window] { EnableMenuItem(window, 50, true); });
        test::ChooseMenuItem(window, 52);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.TookCommand(window, 52, 0));
    });
}

TEST(DisplayTest, CroatianLettersAreTypedAndReadBackAsWindows1250)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Unos");
        test::TypeText(form.edit, kCroatianUtf8);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(owner.Run([&form] { return WindowText(form.edit); }), kCroatianAnsi);
        EXPECT_EQ(test::TextOf(form.edit), kCroatianUtf8);

        std::string chars;
        for (const Message& message : owner.Taken(Msg::kChar))
            chars.push_back(static_cast<char>(message.wParam));
        EXPECT_EQ(chars, kCroatianAnsi);

        // Text set by the program comes back byte for byte.
        owner.Run([&form] { SetWindowText(form.otherEdit, kCroatianAnsi); });
        EXPECT_EQ(owner.Run([&form] { return WindowText(form.otherEdit); }), kCroatianAnsi);
    });
}

TEST(DisplayTest, ACharacterWithoutAWindows1250FormIsRefused)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Unos");
        test::TypeText(form.edit, "aΩ€b"); // the euro sign has a form (0x80), omega has none
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(owner.Run([&form] { return WindowText(form.edit); }),
            "a\x80"
            "b");
        for (const Message& message : owner.Taken(Msg::kChar))
            EXPECT_NE(message.wParam, '?');
    });
}

TEST(DisplayTest, MultiLineEditGivesCrLfAndKeepsNoBreakSpaces)
{
    WithDisplay([] {
        RuntimeThread owner;
        const auto [window, box] = owner.Run([] {
            const WindowHandle made = CreateWindow(PlainWindow("Tekst"));
            return std::pair { made,
                CreateControl(
                    Control(ControlKind::MultiLineEdit, made, 0x4010, { 10, 10, 200, 100 })) };
        });
        test::TypeText(box, "ab\ncd");
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(owner.Run([box = box] { return WindowText(box); }), "ab\r\ncd");

        owner.Run([box = box] { SetWindowText(box, "x\xA0y\r\n\r\nz"); });
        EXPECT_EQ(owner.Run([box = box] { return WindowText(box); }), "x\xA0y\r\n\r\nz");
        (void)window;
    });
}

TEST(DisplayTest, MaxLengthCountsWindows1250Bytes)
{
    WithDisplay([] {
        RuntimeThread owner;
        const auto [edit, box] = owner.Run([] {
            const WindowHandle made = CreateWindow(PlainWindow("Granice"));
            ControlOptions line = Control(ControlKind::Edit, made, 0x4011, { 10, 10, 200, 22 });
            line.maxLength = 5;
            ControlOptions lines
                = Control(ControlKind::MultiLineEdit, made, 0x4012, { 10, 40, 200, 100 });
            lines.maxLength = 5;
            return std::pair { CreateControl(line), CreateControl(lines) };
        });
        test::TypeText(edit, "čćžšđČ");
        test::TypeText(box, "ab\ncdef"); // the line break takes two of the five bytes
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(owner.Run([edit = edit] { return WindowText(edit); }), "\xE8\xE6\x9E\x9A\xF0");
        EXPECT_EQ(owner.Run([box = box] { return WindowText(box); }), "ab\r\nc");

        // A full box still takes the keys that remove text, and what they free can be filled.
        test::PressKey(box, 0x08); // Backspace: "ab\r\n"
        test::TypeText(box, "xy"); // "x" fills the fifth byte, "y" does not fit
        test::PressKey(box, 0x26); // Up: between "a" and "b"
        test::PressKey(box, 0x2E); // Delete: "a\r\nx"
        test::TypeText(box, "z");
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(owner.Run([box = box] { return WindowText(box); }), "az\r\nx");
    });
}

TEST(DisplayTest, KeysArriveAsVirtualKeyCodes)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Tipke");
        owner.Run([&form] { SetFocus(form.edit); });
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(FocusedWindow(), form.edit);

        struct KeyCase {
            std::uint32_t key;
            std::uint32_t state;
            std::uint32_t expectedState;
        };
        const std::vector<KeyCase> keys = {
            { 0x70, 0, 0 },                                                     // F1
            { 0x7B, 0, 0 },                                                     // F12
            { 0x28, 0, KeyState::kExtended },                                   // Down
            { 0x2E, KeyState::kShift, KeyState::kShift | KeyState::kExtended }, // Shift+Delete
            { 0x1B, 0, 0 },                                                     // Escape
            { 'Q', KeyState::kControl, KeyState::kControl },
        };
        for (const KeyCase& key : keys) {
            SCOPED_TRACE(key.key);
            owner.Forget();
            test::PressKey(form.window, key.key, key.state);
            ASSERT_TRUE(test::WaitUntilIdle());
            const std::vector<Message> downs = owner.Taken(Msg::kKeyDown);
            ASSERT_EQ(downs.size(), 1U);
            EXPECT_EQ(downs[0].wParam, key.key);
            EXPECT_EQ(downs[0].keyState, key.expectedState);
            EXPECT_EQ(downs[0].window, form.window);
        }
    });
}

TEST(DisplayTest, EnterPressesTheDefaultButton)
{
    WithDisplay([] {
        RuntimeThread owner;
        const auto [window, edit] = owner.Run([] {
            const WindowHandle made = CreateWindow(PlainWindow("Zadano"));
            ControlOptions button
                = Control(ControlKind::Button, made, kButtonId, { 10, 10, 80, 24 }, "U redu");
            button.defaultButton = true;
            CreateControl(button);
            return std::pair { made,
                CreateControl(Control(ControlKind::Edit, made, kEditId, { 10, 40, 100, 22 })) };
        });
        test::TypeText(edit, "x\n");
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.TookCommand(window, kButtonId, Notify::kClicked));
    });
}

TEST(DisplayTest, ClicksArriveWithClientCoordinates)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Miš");
        test::Click(form.edit); // at 10,40 sized 150x22: its middle is 84,50
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<Message> downs = owner.Taken(Msg::kLeftButtonDown);
        ASSERT_EQ(downs.size(), 1U);
        EXPECT_EQ(downs[0].id, kEditId);
        EXPECT_EQ(downs[0].lParam & 0xFFFF, 84);
        EXPECT_EQ((downs[0].lParam >> 16) & 0xFFFF, 50);
        EXPECT_EQ(owner.Taken(Msg::kLeftButtonUp).size(), 1U);
    });
}

TEST(DisplayTest, FrameHoldsMdiChildrenAndAChildNeedsAFrame)
{
    WithDisplay([] {
        RuntimeThread owner;
        WindowOptions child;
        child.kind = WindowKind::MdiChild;
        child.title = "Dijete";
        EXPECT_EQ(owner.Run([&child] { return CreateWindow(child); }), 0U);

        const WindowHandle frame = owner.Run([] {
            WindowOptions options;
            options.kind = WindowKind::Frame;
            options.title = "Okvir";
            options.rect = { 0, 0, 640, 480 };
            return CreateWindow(options);
        });
        ASSERT_NE(frame, 0U);
        child.owner = frame;
        child.rect = { 10, 10, 200, 150 };
        const WindowHandle made = owner.Run([&child] { return CreateWindow(child); });
        ASSERT_NE(made, 0U);
        EXPECT_EQ(test::FindWindowByTitle("Dijete"), made);
        const Rect rect = WindowRect(made);
        EXPECT_EQ(rect.width, 200);
        EXPECT_EQ(rect.height, 150);

        test::RequestClose(made);
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<Message> closes = owner.Taken(Msg::kClose);
        ASSERT_EQ(closes.size(), 1U);
        EXPECT_EQ(closes[0].window, made);

        owner.Run([frame] { DestroyWindow(frame); });
        EXPECT_FALSE(IsWindow(made)); // gone with its frame
        EXPECT_EQ(test::FindWindowByTitle("Dijete"), 0U);
    });
}

TEST(DisplayTest, DialogIsAnsweredWhileOtherThreadsKeepWorking)
{
    WithDisplay([] {
        RuntimeThread opener;
        RuntimeThread busy1;
        RuntimeThread busy2;
        const Form form = MakeForm(opener, "Glavni");
        const Form form1 = MakeForm(busy1, "Prvi");
        const Form form2 = MakeForm(busy2, "Drugi");

        const WindowHandle dialog
            = opener.Run([&form] { return OpenDialog(QuestionDialog(form.window, kCancelId)); });
        ASSERT_NE(dialog, 0U);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::ActiveDialog(), dialog);
        EXPECT_EQ(test::FindWindowByTitle("Pitanje"), dialog);

        // The dialog holds up neither the GUI thread nor the other threads' window operations.
        auto work = [](RuntimeThread& thread, WindowHandle edit) {
            return std::async(std::launch::async, [&thread, edit] {
                return thread.Run([edit] {
                    int done = 0;
                    for (int i = 0; i < 100; ++i) {
                        SetWindowText(edit, std::to_string(i));
                        done += WindowText(edit) == std::to_string(i) ? 1 : 0;
                    }
                    return done;
                });
            });
        };
        std::future<int> done1 = work(busy1, form1.edit);
        std::future<int> done2 = work(busy2, form2.edit);
        EXPECT_EQ(done1.get(), 100);
        EXPECT_EQ(done2.get(), 100);
        EXPECT_TRUE(opener.Taken(Msg::kDialogFinished).empty());

        test::Click(test::ActiveDialog() != 0 ? FindControl(dialog, kOkId) : 0);
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<Message> finished = opener.Taken(Msg::kDialogFinished);
        ASSERT_EQ(finished.size(), 1U);
        EXPECT_EQ(finished[0].id, dialog);
        EXPECT_EQ(finished[0].wParam, kOkId);
        EXPECT_EQ(finished[0].window, form.window);
        EXPECT_TRUE(busy1.Taken(Msg::kDialogFinished).empty());
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(test::ActiveDialog(), 0U);
    });
}

TEST(DisplayTest, AnswerNextDialogPressesTheButtonAsSoonAsItOpens)
{
    WithDisplay([] {
        RuntimeThread opener;
        const Form form = MakeForm(opener, "Glavni");
        test::AnswerNextDialog(kCancelId);
        const WindowHandle dialog
            = opener.Run([&form] { return OpenDialog(QuestionDialog(form.window, 0)); });
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<Message> finished = opener.Taken(Msg::kDialogFinished);
        ASSERT_EQ(finished.size(), 1U);
        EXPECT_EQ(finished[0].id, dialog);
        EXPECT_EQ(finished[0].wParam, kCancelId);

        // Only the next one: a later dialog waits for the user.
        const WindowHandle later
            = opener.Run([&form] { return OpenDialog(QuestionDialog(form.window, 0)); });
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::ActiveDialog(), later);
        EXPECT_EQ(opener.Taken(Msg::kDialogFinished).size(), 1U);
    });
}

TEST(DisplayTest, EscapeAndTheCloseBoxAnswerTheEscapeIdOrNothing)
{
    WithDisplay([] {
        RuntimeThread opener;
        const Form form = MakeForm(opener, "Glavni");
        struct EscapeCase {
            const char* what;
            std::uint32_t escapeId;
            bool escapeKey; ///< Escape, else the close box
        };
        for (const EscapeCase& one : { EscapeCase { "escape", kCancelId, true },
                 EscapeCase { "close box", kCancelId, false },
                 EscapeCase { "escape without an answer", 0, true },
                 EscapeCase { "close box without an answer", 0, false } }) {
            SCOPED_TRACE(one.what);
            opener.Forget();
            const WindowHandle dialog = opener.Run(
                [&form, &one] { return OpenDialog(QuestionDialog(form.window, one.escapeId)); });
            ASSERT_TRUE(test::WaitUntilIdle());
            if (one.escapeKey)
                test::PressKey(dialog, 0x1B);
            else
                test::RequestClose(dialog);
            ASSERT_TRUE(test::WaitUntilIdle());
            const std::vector<Message> finished = opener.Taken(Msg::kDialogFinished);
            if (one.escapeId != 0) {
                ASSERT_EQ(finished.size(), 1U);
                EXPECT_EQ(finished[0].wParam, one.escapeId);
                EXPECT_FALSE(IsWindow(dialog));
            } else {
                EXPECT_TRUE(finished.empty());
                EXPECT_TRUE(IsWindow(dialog));
                test::Click(FindControl(dialog, kOkId));
                ASSERT_TRUE(test::WaitUntilIdle());
                EXPECT_EQ(opener.Taken(Msg::kDialogFinished).size(), 1U);
            }
        }
    });
}

TEST(DisplayTest, EnterPressesTheDialogsDefaultButton)
{
    WithDisplay([] {
        RuntimeThread opener;
        const Form form = MakeForm(opener, "Glavni");
        const WindowHandle dialog
            = opener.Run([&form] { return OpenDialog(QuestionDialog(form.window, 0)); });
        ASSERT_TRUE(test::WaitUntilIdle());
        test::PressKey(dialog, 0x0D);
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<Message> finished = opener.Taken(Msg::kDialogFinished);
        ASSERT_EQ(finished.size(), 1U);
        EXPECT_EQ(finished[0].wParam, kOkId);
    });
}

TEST(DisplayTest, AWindowBlockedByADialogTakesNoInput)
{
    WithDisplay([] {
        RuntimeThread opener;
        const Form form = MakeForm(opener, "Glavni");
        opener.Run([&form] {
            SetMenuBar(form.window, { Item("&Datoteka", 0, { Item("&Otvori", 101) }) });
        });
        const WindowHandle dialog
            = opener.Run([&form] { return OpenDialog(QuestionDialog(form.window, 0)); });
        ASSERT_TRUE(test::WaitUntilIdle());
        opener.Forget();
        test::Click(form.button);
        test::ChooseMenuItem(form.window, 101);
        test::TypeText(form.edit, "x");
        test::RequestClose(form.window);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(opener.Taken().empty());
        EXPECT_EQ(test::TextOf(form.edit), "");

        test::Click(FindControl(dialog, kOkId));
        ASSERT_TRUE(test::WaitUntilIdle());
        opener.Forget();
        test::Click(form.button);
        test::ChooseMenuItem(form.window, 101);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(opener.TookCommand(form.window, kButtonId, Notify::kClicked));
        EXPECT_TRUE(opener.TookCommand(form.window, 101, 0));
    });
}

TEST(DisplayTest, AWindowModalDialogLeavesOtherWindowsFreeASystemModalOneDoesNot)
{
    WithDisplay([] {
        RuntimeThread opener;
        RuntimeThread other;
        const Form form = MakeForm(opener, "Glavni");
        const Form free = MakeForm(other, "Slobodni");
        for (const bool systemModal : { false, true }) {
            SCOPED_TRACE(systemModal ? "system modal" : "window modal");
            const WindowHandle dialog = opener.Run([&form, systemModal] {
                DialogTemplate question = QuestionDialog(form.window, 0);
                question.systemModal = systemModal;
                return OpenDialog(question);
            });
            ASSERT_TRUE(test::WaitUntilIdle());
            other.Forget();
            test::Click(free.button);
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_EQ(other.TookCommand(free.window, kButtonId, Notify::kClicked), !systemModal);
            test::Click(FindControl(dialog, kOkId));
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_FALSE(IsWindow(dialog));
        }
    });
}

TEST(DisplayTest, EditableCombosLimitAndReportTheirText)
{
    WithDisplay([] {
        RuntimeThread owner;
        const auto [window, combo] = owner.Run([] {
            const WindowHandle made = CreateWindow(PlainWindow("Kombinacije"));
            ControlOptions options = Control(ControlKind::Combo, made, 0x4030, { 10, 10, 150, 24 });
            options.maxLength = 3;
            return std::pair { made, CreateControl(options) };
        });
        ASSERT_NE(combo, 0U);
        test::TypeText(combo, "šaljiva");
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(owner.Run([combo = combo] { return WindowText(combo); }),
            "\x9A"
            "al");
        EXPECT_TRUE(owner.TookCommand(window, 0x4030, Notify::kTextChanged));
        EXPECT_TRUE(owner.TookCommand(window, 0x4030, Notify::kFocusGained));
    });
}

TEST(DisplayTest, WaitUntilIdleWaitsForABusyThread)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Zauzet");
        std::promise<void> release;
        std::promise<void> started;
        std::shared_future<void> released = release.get_future().share();
        std::thread holder([&owner, &started, released] {
            owner.Run([&started, released] {
                started.set_value();
                released.wait();
            });
        });
        started.get_future().wait();
        // The thread has work in hand: not idle, however long one looks.
        EXPECT_FALSE(test::WaitUntilIdle(std::chrono::milliseconds(100)));
        release.set_value();
        holder.join();
        EXPECT_TRUE(test::WaitUntilIdle());
        (void)form;
    });
}

TEST(DisplayTest, GroupBoxesHoldControlsOfTheirWindow)
{
    WithDisplay([] {
        RuntimeThread owner;
        const auto [window, button] = owner.Run([] {
            const WindowHandle made = CreateWindow(PlainWindow("Skupine"));
            const WindowHandle group = CreateControl(
                Control(ControlKind::GroupBox, made, 0x4020, { 10, 10, 200, 100 }, "Skupina"));
            return std::pair { made,
                CreateControl(
                    Control(ControlKind::Button, group, kButtonId, { 10, 30, 80, 24 }, "Gumb")) };
        });
        ASSERT_NE(button, 0U);
        EXPECT_EQ(FindControl(window, kButtonId), button);
        EXPECT_EQ(ControlId(button), kButtonId);
        const Rect rect = WindowRect(button); // relative to the group box
        EXPECT_EQ(rect.x, 10);
        EXPECT_EQ(rect.y, 30);
        test::Click(button);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.TookCommand(window, kButtonId, Notify::kClicked));
    });
}

TEST(DisplayTest, StatusBarZonesHoldTheirTexts)
{
    WithDisplay([] {
        RuntimeThread owner;
        owner.Run([] {
            WindowOptions options;
            options.kind = WindowKind::Frame;
            options.title = "Okvir";
            for (const WindowHandle window :
                { CreateWindow(options), CreateWindow(PlainWindow("Obični")) }) {
                SetStatusBar(window, { -1, 80, 120, 45 });
                SetStatusText(window, 1,
                    "\xC8"
                    "ekam");
                SetStatusText(window, 4, "nema"); // no such zone: nothing happens
                EXPECT_EQ(StatusText(window, 1),
                    "\xC8"
                    "ekam");
                EXPECT_EQ(StatusText(window, 0), "");
                EXPECT_EQ(StatusText(window, 4), "");
                SetStatusBar(window, { 50 });
                EXPECT_EQ(StatusText(window, 1), "");
            }
        });
    });
}

TEST(DisplayTest, TheRuntimesFontsAreSubstituted)
{
    WithDisplay([] {
        struct FontCase {
            const char* asked;
            const char* shown;
        };
        for (const FontCase& font : { FontCase { "MS Sans Serif", "Liberation Sans" },
                 FontCase { "Courier New", "Liberation Mono" } }) {
            SCOPED_TRACE(font.asked);
            QString family;
            InvokeOnGui([&font, &family] {
                family = QFontInfo(QFont(QString::fromLatin1(font.asked))).family();
            });
            EXPECT_EQ(family.toStdString(), font.shown);
        }
    });
}

TEST(DisplayTest, WindowRectAnswersWhatWasSet)
{
    WithDisplay([] {
        RuntimeThread owner;
        owner.Run([] {
            WindowOptions frameOptions;
            frameOptions.kind = WindowKind::Frame;
            frameOptions.title = "Okvir";
            frameOptions.rect = { 0, 0, 600, 400 };
            const WindowHandle frame = CreateWindow(frameOptions);
            WindowOptions childOptions;
            childOptions.kind = WindowKind::MdiChild;
            childOptions.owner = frame;
            const WindowHandle child = CreateWindow(childOptions);
            const WindowHandle plain = CreateWindow(PlainWindow("Obični"));
            const WindowHandle edit
                = CreateControl(Control(ControlKind::Edit, plain, kEditId, { 5, 6, 70, 20 }));
            for (const WindowHandle window : { frame, child, plain, edit }) {
                SCOPED_TRACE(window);
                const Rect wanted { 12, 14, 230, 120 };
                MoveWindow(window, wanted);
                const Rect rect = WindowRect(window);
                EXPECT_EQ(rect.x, wanted.x);
                EXPECT_EQ(rect.y, wanted.y);
                EXPECT_EQ(rect.width, wanted.width);
                EXPECT_EQ(rect.height, wanted.height);
            }
        });
    });
}

TEST(DisplayTest, FontsAreMeasuredAsTheScreenShowsThem)
{
    WithDisplay([] {
        const Font normal { "MS Sans Serif", 8, 400 };
        const Font bold { "MS Sans Serif", 8, 700 };
        const Font large { "MS Sans Serif", 16, 400 };
        const FontMetrics small = MeasureFont(normal);
        EXPECT_GT(small.averageCharWidth, 0);
        EXPECT_GT(small.height, 0);
        EXPECT_GE(MeasureFont(bold).averageCharWidth, small.averageCharWidth);
        EXPECT_GT(MeasureFont(large).height, small.height);

        const Size word = MeasureText(normal, "Riječ", 200);
        EXPECT_GT(word.width, 0);
        EXPECT_LT(word.width, 200) << "text narrower than the width narrows the answer";
        // A line is the font's height, or the pixel more the toolkit's rounding may draw it in.
        EXPECT_GE(word.height, small.height);
        EXPECT_LE(word.height, small.height + 1);
        const Size wrapped
            = MeasureText(normal, "Ovo je dulja poruka koja se mora prelomiti u više redaka", 100);
        EXPECT_LE(wrapped.width, 100);
        EXPECT_GE(wrapped.height, 3 * small.height);
        const std::int32_t twoLines = MeasureText(normal, "prvi\r\ndrugi", 200).height;
        EXPECT_GE(twoLines, 2 * small.height);
        EXPECT_LE(twoLines, 2 * (small.height + 1));
        EXPECT_GT(MeasureText(normal, "Nerazdvojivariječkojajepredugačka", 20).width, 20)
            << "a word wider than the width widens the answer";
        EXPECT_GT(StandardIconSize(), 0);
    });
}

TEST(DisplayTest, ControlsTakeTheirFontColoursAndIcons)
{
    WithDisplay([] {
        RuntimeThread owner;
        owner.Run([] {
            const WindowHandle window = CreateWindow(PlainWindow("Fontovi"));
            ControlOptions mono
                = Control(ControlKind::Static, window, 0x4001, { 5, 5, 200, 20 }, "Mono");
            mono.font = { "Courier New", 10, 700 };
            mono.textColour = 0xFF0000; // blue, stored as 0x00BBGGRR
            ASSERT_NE(CreateControl(mono), 0u);
            ControlOptions icon = Control(ControlKind::Icon, window, 0x4002, { 5, 30, 32, 32 });
            icon.icon = StandardIcon::Exclamation;
            ASSERT_NE(CreateControl(icon), 0u);
        });
        InvokeOnGui([] {
            bool sawText = false;
            bool sawIcon = false;
            for (QWidget* widget : QApplication::allWidgets()) {
                auto* label = qobject_cast<QLabel*>(widget);
                if (label == nullptr)
                    continue;
                if (label->text() == QStringLiteral("Mono")) {
                    sawText = true;
                    const QFontInfo info(label->font());
                    EXPECT_EQ(info.family().toStdString(), "Liberation Mono");
                    EXPECT_TRUE(info.bold());
                    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
                } else if (!label->pixmap().isNull()) {
                    sawIcon = true;
                }
            }
            EXPECT_TRUE(sawText);
            EXPECT_TRUE(sawIcon);
        });
    });
}

namespace {

TEST(DisplayTest, MdiChildrenAreTiledCascadedAndListed)
{
    WithDisplay([] {
        RuntimeThread owner;
        const WindowHandle frame = owner.Run([] {
            WindowOptions options;
            options.kind = WindowKind::Frame;
            options.title = "Okvir";
            options.rect = { 0, 0, 640, 480 };
            return CreateWindow(options);
        });
        std::vector<WindowHandle> made;
        for (int i = 0; i < 3; ++i) {
            made.push_back(owner.Run([frame, i] {
                WindowOptions child;
                child.kind = WindowKind::MdiChild;
                child.owner = frame;
                child.title = "Dijete " + std::to_string(i);
                child.rect = { 10 * i, 10 * i, 200, 150 };
                return CreateWindow(child);
            }));
        }
        EXPECT_EQ(MdiChildren(frame), made);
        const WindowHandle large = owner.Run([frame] {
            WindowOptions child;
            child.kind = WindowKind::MdiChild;
            child.owner = frame;
            child.title = "Veliko";
            child.rect = { 0, 0, 100, 80 };
            child.maximized = true;
            return CreateWindow(child);
        });
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_GT(WindowRect(large).width, 400) << "maximised over the MDI area";
        DestroyWindow(large);
        EXPECT_TRUE(MdiChildren(made[0]).empty()) << "a child is no frame";

        ArrangeMdiChildren(frame, MdiArrangement::TileHorizontal);
        ASSERT_TRUE(test::WaitUntilIdle());
        std::vector<Rect> rects;
        for (WindowHandle child : made)
            rects.push_back(WindowRect(child));
        for (std::size_t i = 0; i < rects.size(); ++i) {
            EXPECT_EQ(rects[i].x, 0) << i;
            EXPECT_EQ(rects[i].width, rects[0].width) << i;
            if (i > 0) {
                EXPECT_GT(rects[i].y, rects[i - 1].y) << "one above the other";
            }
        }

        ArrangeMdiChildren(frame, MdiArrangement::TileVertical);
        ASSERT_TRUE(test::WaitUntilIdle());
        for (std::size_t i = 0; i < made.size(); ++i) {
            const Rect rect = WindowRect(made[i]);
            EXPECT_EQ(rect.y, 0) << i;
            EXPECT_GT(rect.height, 150) << "as high as the area";
            if (i > 0) {
                EXPECT_GT(rect.x, WindowRect(made[i - 1]).x) << "side by side";
            }
        }

        // The cascade keeps sizes; each child lies lower and further right than the last.
        for (WindowHandle child : made)
            MoveWindow(child, { 300, 200, 200, 150 });
        ArrangeMdiChildren(frame, MdiArrangement::Cascade);
        ASSERT_TRUE(test::WaitUntilIdle());
        for (std::size_t i = 0; i < made.size(); ++i) {
            const Rect rect = WindowRect(made[i]);
            EXPECT_EQ(rect.width, 200) << i;
            EXPECT_EQ(rect.height, 150) << i;
            if (i > 0) {
                EXPECT_GT(rect.x, WindowRect(made[i - 1]).x);
                EXPECT_GT(rect.y, WindowRect(made[i - 1]).y);
            }
        }
        ArrangeMdiChildren(made[0], MdiArrangement::Tile); // no frame: nothing happens
        owner.Run([frame] { DestroyWindow(frame); });
    });
}

TEST(DisplayTest, EditCommandsWorkOnTheFocusedEditOnly)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Uređivanje");
        SetFocus(form.button);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_FALSE(EditFocused(EditCommand::Paste)) << "a button edits nothing";

        test::TypeText(form.edit, "čaj");
        ASSERT_TRUE(test::WaitUntilIdle());
        test::PressKey(form.window, 0x41, KeyState::kControl); // select all
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(EditFocused(EditCommand::Cut));
        EXPECT_EQ(test::TextOf(form.edit), "");
        EXPECT_TRUE(EditFocused(EditCommand::Paste));
        EXPECT_TRUE(EditFocused(EditCommand::Paste));
        EXPECT_EQ(test::TextOf(form.edit), "čajčaj");
        EXPECT_TRUE(EditFocused(EditCommand::Undo));
        EXPECT_NE(test::TextOf(form.edit), "čajčaj");

        SetWindowText(form.edit, "mlijeko");
        test::PressKey(form.window, 0x41, KeyState::kControl);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(EditFocused(EditCommand::Copy));
        EXPECT_TRUE(EditFocused(EditCommand::Clear));
        EXPECT_EQ(test::TextOf(form.edit), "");
        SetFocus(form.otherEdit);
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(EditFocused(EditCommand::Paste));
        EXPECT_EQ(test::TextOf(form.otherEdit), "mlijeko") << "the copy went to the clipboard";
        owner.Run([&form] { DestroyWindow(form.window); });
    });
}

TEST(DisplayTest, ControlsAreDescribedAsMadeAndWindowsKeepTheDefaultSize)
{
    WithDisplay([] {
        RuntimeThread owner;
        const Form form = MakeForm(owner, "Opis");
        const WindowHandle quiet = owner.Run([&form] {
            ControlOptions options
                = Control(ControlKind::Edit, form.window, 0x4009, { 5, 130, 120, 20 }, "tiho");
            options.border = false;
            options.tabStop = false;
            options.maxLength = 12;
            options.font.weight = 700;
            return CreateControl(options);
        });
        const auto described = test::DescribeControl(quiet);
        ASSERT_TRUE(described);
        EXPECT_EQ(described->kind, ControlKind::Edit);
        EXPECT_EQ(described->id, 0x4009u);
        EXPECT_EQ(described->rect.x, 5);
        EXPECT_EQ(described->rect.width, 120);
        EXPECT_EQ(described->text, "tiho");
        EXPECT_FALSE(described->border);
        EXPECT_FALSE(described->tabStop);
        EXPECT_EQ(described->maxLength, 12u);
        EXPECT_EQ(described->font.weight, 700);
        EXPECT_TRUE(test::DescribeControl(form.edit)->border);
        EXPECT_TRUE(test::DescribeControl(form.edit)->tabStop);
        EXPECT_FALSE(test::DescribeControl(form.window)) << "a window is no control";

        WindowOptions unsized = PlainWindow("Bez veličine");
        unsized.rect = {};
        const WindowHandle window = owner.Run([&unsized] { return CreateWindow(unsized); });
        ASSERT_TRUE(test::WaitUntilIdle());
        const Rect rect = WindowRect(window);
        EXPECT_GT(rect.width, 100) << "a window with no size takes the window system's own";
        EXPECT_GT(rect.height, 100);
        owner.Run([&form, window] {
            DestroyWindow(form.window);
            DestroyWindow(window);
        });
    });
}

TEST(DisplayTest, RightJustifiedEntriesAndTheWindowListMenu)
{
    WithDisplay([] {
        RuntimeThread owner;
        const WindowHandle frame = owner.Run([] {
            WindowOptions options;
            options.kind = WindowKind::Frame;
            options.title = "Okvir s popisom";
            options.rect = { 0, 0, 640, 480 };
            const WindowHandle made = CreateWindow(options);
            MenuItem help = Item("&Pomoć", 30);
            help.rightJustified = true;
            SetMenuBar(
                made, { Item("&Prozor", 10, { Item("&Slaži", 11) }), help, Item("&Kraj", 31) });
            SetWindowListMenu(made, 10);
            return made;
        });
        EXPECT_FALSE(test::DescribeMenuItem(frame, 10)->rightJustified);
        EXPECT_TRUE(test::DescribeMenuItem(frame, 30)->rightJustified);
        EXPECT_TRUE(test::DescribeMenuItem(frame, 31)->rightJustified) << "those after it too";
        EXPECT_FALSE(test::DescribeMenuItem(frame, 99)) << "no such item";
        test::OpenMenu(frame, 10);
        EXPECT_EQ(test::DescribeMenuItem(frame, 10)->items.size(), 1u) << "no children, no list";

        for (const char* title : { "Prvi", "Drugi" }) {
            owner.Run([frame, title] {
                WindowOptions child;
                child.kind = WindowKind::MdiChild;
                child.owner = frame;
                child.title = title;
                child.rect = { 10, 10, 200, 150 };
                return CreateWindow(child);
            });
        }
        ASSERT_TRUE(test::WaitUntilIdle());
        test::OpenMenu(frame, 10);
        const auto menu = test::DescribeMenuItem(frame, 10);
        ASSERT_EQ(menu->items.size(), 4u);
        EXPECT_TRUE(menu->items[1].separator);
        EXPECT_EQ(menu->items[2].text, "&1 Prvi");
        EXPECT_EQ(menu->items[3].text, "&2 Drugi");
        test::OpenMenu(frame, 10);
        EXPECT_EQ(test::DescribeMenuItem(frame, 10)->items.size(), 4u) << "listed afresh each time";

        test::ChooseMenuItem(frame, 31); // a right-justified entry is chosen like any other
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.TookCommand(frame, 31, 0));
        owner.Run([frame] { DestroyWindow(frame); });
    });
}

TEST(DisplayTest, DescribingAMenuChangesNothingOpeningItListsTheWindows)
{
    WithDisplay([] {
        RuntimeThread owner;
        const WindowHandle frame = owner.Run([] {
            WindowOptions options;
            options.kind = WindowKind::Frame;
            options.title = "Okvir bez posljedica";
            options.rect = { 0, 0, 640, 480 };
            const WindowHandle made = CreateWindow(options);
            SetMenuBar(made, { Item("&Prozor", 10, { Item("&Slaži", 11) }) });
            SetWindowListMenu(made, 10);
            WindowOptions child;
            child.kind = WindowKind::MdiChild;
            child.owner = made;
            child.title = "Jedini";
            child.rect = { 10, 10, 200, 150 };
            CreateWindow(child);
            return made;
        });
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::DescribeMenuItem(frame, 10)->items.size(), 1u)
            << "never opened: the list is not there, and reading does not open the menu";
        EXPECT_EQ(test::DescribeMenuItem(frame, 10)->items.size(), 1u);

        EnableMenuItem(frame, 10, false);
        test::OpenMenu(frame, 10);
        EXPECT_EQ(test::DescribeMenuItem(frame, 10)->items.size(), 1u) << "a disabled menu";
        EnableMenuItem(frame, 10, true);
        test::OpenMenu(frame, 99); // no such menu: nothing
        test::OpenMenu(frame, 11); // an item, no menu: nothing
        test::OpenMenu(frame, 10);
        const auto menu = test::DescribeMenuItem(frame, 10);
        ASSERT_EQ(menu->items.size(), 3u);
        EXPECT_EQ(menu->items[2].text, "&1 Jedini");
        owner.Run([frame] { DestroyWindow(frame); });
    });
}

TEST(DisplayTest, EveryKindOfControlWritesAndReadsItsOwnText)
{
    struct Row {
        const char* name;
        ControlKind kind;
        std::string set;
        std::string read; ///< what WindowText answers after SetWindowText(set)
        bool checks;      ///< SetChecked(true) ticks it
    };
    const Row rows[] = {
        { "text", ControlKind::Static, "Tekst", "Tekst", false },
        { "icon", ControlKind::Icon, "Slika", "Slika", false },
        { "button", ControlKind::Button, "&Gumb", "&Gumb", false },
        { "check box", ControlKind::CheckBox, "Kva\xE8ica", "Kva\xE8ica", true },
        { "group box", ControlKind::GroupBox, "Okvir", "Okvir", false },
        { "entry", ControlKind::Edit, "unos", "unos", false },
        { "text box", ControlKind::MultiLineEdit, "prvi\r\ndrugi", "prvi\r\ndrugi", false },
        { "combo", ControlKind::Combo, "izbor", "izbor", false },
        // Without items there is nothing to select, and a list's text is its current item's.
        { "drop list", ControlKind::DropList, "nema", "", false },
        { "list", ControlKind::List, "nema", "", false },
    };
    WithDisplay([&rows] {
        RuntimeThread owner;
        const WindowHandle window = owner.Run([] { return CreateWindow(PlainWindow("Vrste")); });
        std::uint32_t id = 0x4100;
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            const WindowHandle control = owner.Run([&row, window, id] {
                return CreateControl(Control(row.kind, window, id, { 10, 10, 120, 40 }));
            });
            ++id;
            ASSERT_NE(control, 0u);
            SetWindowText(control, row.set);
            EXPECT_EQ(WindowText(control), row.read);
            SetChecked(control, true);
            EXPECT_EQ(IsChecked(control), row.checks);
            EXPECT_EQ(test::DescribeControl(control)->kind, row.kind);
        }
        SetWindowText(window, "Vrste kontrola");
        EXPECT_EQ(WindowText(window), "Vrste kontrola") << "a window's text is its title";
        owner.Run([window] { DestroyWindow(window); });
    });
}

TEST(DisplayTest, TabStopsAndKeyboardInputFollowTheKindAndTheControlsOwnFlags)
{
    struct Row {
        const char* name;
        ControlKind kind;
        bool tabStop;
        bool enabled;
        bool visible;
        bool isTabStop;
        bool takesInput;
    };
    const Row rows[] = {
        { "entry", ControlKind::Edit, true, true, true, true, true },
        { "entry without a tab stop", ControlKind::Edit, false, true, true, false, true },
        { "disabled entry", ControlKind::Edit, true, false, true, false, false },
        { "hidden entry", ControlKind::Edit, true, true, false, false, false },
        { "button", ControlKind::Button, true, true, true, true, true },
        { "check box", ControlKind::CheckBox, true, true, true, true, true },
        { "list", ControlKind::List, true, true, true, true, true },
        { "drop list", ControlKind::DropList, true, true, true, true, true },
        { "text box", ControlKind::MultiLineEdit, true, true, true, true, true },
        // Never reached by the keyboard, whatever their flags say.
        { "text", ControlKind::Static, true, true, true, false, false },
        { "group box", ControlKind::GroupBox, true, true, true, false, false },
        // An icon keeps its tab stop, but takes nothing the keyboard brings.
        { "icon", ControlKind::Icon, true, true, true, true, false },
    };
    WithDisplay([&rows] {
        RuntimeThread owner;
        const WindowHandle window = owner.Run([] { return CreateWindow(PlainWindow("Fokus")); });
        std::uint32_t id = 0x4200;
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            const WindowHandle control = owner.Run([&row, window, id] {
                ControlOptions options = Control(row.kind, window, id, { 10, 10, 120, 40 });
                options.tabStop = row.tabStop;
                options.enabled = row.enabled;
                options.visible = row.visible;
                return CreateControl(options);
            });
            ++id;
            ASSERT_NE(control, 0u);
            EXPECT_EQ(IsTabStop(control), row.isTabStop);
            EXPECT_EQ(TakesKeyboardInput(control), row.takesInput);
        }
        EXPECT_FALSE(IsTabStop(window)) << "a window is no control";
        EXPECT_FALSE(TakesKeyboardInput(window));
        EXPECT_FALSE(IsTabStop(0));
        EXPECT_FALSE(TakesKeyboardInput(0));
        owner.Run([window] { DestroyWindow(window); });
    });
}

TEST(DisplayTest, TheSessionEndIsRefusedWhileAWindowIsOpen)
{
    WithDisplay([] {
        EXPECT_TRUE(test::AnswerSessionEnd()) << "no refusal asked for";
        DialogTemplate warning;
        warning.title = "varn";
        warning.systemModal = true;
        warning.controls
            = { Control(ControlKind::Static, 0, 0, { 10, 10, 200, 20 }, "Still active."),
                  Control(ControlKind::Button, 0, kOkId, { 60, 40, 80, 24 }, "OK") };
        RefuseSessionEnd(warning);
        EXPECT_TRUE(test::AnswerSessionEnd()) << "no window open";

        RuntimeThread owner;
        const WindowHandle window = owner.Run([] { return CreateWindow(PlainWindow("Posao")); });
        EXPECT_FALSE(test::AnswerSessionEnd());
        ASSERT_TRUE(test::WaitUntilIdle());
        const WindowHandle shown = test::ActiveDialog();
        ASSERT_NE(shown, 0U);
        EXPECT_EQ(test::TextOf(shown), "varn");
        test::Click(FindControl(shown, kOkId));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_EQ(test::ActiveDialog(), 0U);

        RefuseSessionEnd(DialogTemplate {});
        EXPECT_TRUE(test::AnswerSessionEnd()) << "refusal cleared";
        owner.Run([window] { DestroyWindow(window); });
    });
}

} // namespace

// A window made to take files takes a drag of URLs anywhere over it, its text fields included,
// and posts the names in the runtime's spelling; a name it cannot spell, or an address that is
// no file here, is marked, never mangled into a name to open.
TEST(DisplayTest, FilesDroppedOnAWindowThatTakesThemArriveInItsQueue)
{
    WithDisplay([] {
        RuntimeThread owner;
        struct Made {
            WindowHandle window, box, closed, closedEdit;
        };
        const Made made = owner.Run([] {
            WindowOptions taking = PlainWindow("Ispusti");
            taking.acceptFileDrops = true;
            Made result {};
            result.window = CreateWindow(taking);
            CreateControl(Control(
                ControlKind::Button, result.window, kButtonId, { 10, 150, 80, 24 }, "&U redu"));
            result.box = CreateControl(
                Control(ControlKind::MultiLineEdit, result.window, 0x4010, { 10, 10, 200, 60 }));
            WindowOptions other = PlainWindow("Zatvoreno");
            other.rect.x = 400;
            result.closed = CreateWindow(other);
            result.closedEdit = CreateControl(
                Control(ControlKind::Edit, result.closed, kEditId, { 10, 10, 200, 22 }));
            return result;
        });
        ASSERT_TRUE(test::WaitUntilIdle());

        struct Case {
            const char* what;
            std::vector<std::string> urls;
            std::vector<DroppedName> expected;
        };
        const Case cases[] = {
            { "a Croatian name, in Windows-1250",
                { "file:///tmp/%C4%8D%C4%87%C4%91%C5%A1%C5%BE.txt" },
                { { DropRefusal::None, "/tmp/\xE8\xE6\xF0\x9A\x9E.txt" } } },
            { "two files, in the drag's order", { "file:///tmp/b", "file:///tmp/a" },
                { { DropRefusal::None, "/tmp/b" }, { DropRefusal::None, "/tmp/a" } } },
            { "U+4E2D has no Windows-1250 form", { "file:///tmp/%E4%B8%AD.txt" },
                { { DropRefusal::Unspellable, "/tmp/?.txt" } } },
            { "an address on the web", { "https://example.com/x.txt" },
                { { DropRefusal::NotLocal, "https://example.com/x.txt" } } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            owner.Forget();
            EXPECT_TRUE(test::DropUrls(made.window, c.urls));
            ASSERT_TRUE(test::WaitUntilIdle());
            const std::vector<Message> taken = owner.Taken(Msg::kDropFiles);
            ASSERT_EQ(taken.size(), 1u);
            EXPECT_EQ(taken[0].window, made.window);
            const auto dropped = std::static_pointer_cast<DroppedFiles>(taken[0].data);
            ASSERT_TRUE(dropped);
            ASSERT_EQ(dropped->names.size(), c.expected.size());
            for (std::size_t i = 0; i < c.expected.size(); ++i) {
                EXPECT_EQ(dropped->names[i].refusal, c.expected[i].refusal) << i;
                EXPECT_EQ(dropped->names[i].name, c.expected[i].name) << i;
            }
        }

        // Over the text box the files still go to the window, not into the box as text.
        owner.Forget();
        EXPECT_TRUE(test::DropFiles(made.box, { "/tmp/a.txt" }));
        ASSERT_TRUE(test::WaitUntilIdle());
        const std::vector<Message> onBox = owner.Taken(Msg::kDropFiles);
        ASSERT_EQ(onBox.size(), 1u);
        EXPECT_EQ(onBox[0].window, made.window);
        EXPECT_EQ(onBox[0].id, 0x4010u) << "where they fell";
        EXPECT_EQ(test::TextOf(made.box), "");

        // Text alone is no drop of files; a window not made to take files takes none.
        owner.Forget();
        EXPECT_TRUE(test::DropText(made.box, "abc"));
        EXPECT_FALSE(test::DropFiles(made.closed, { "/tmp/a.txt" }));
        EXPECT_FALSE(test::DropFiles(made.closedEdit, { "/tmp/a.txt" }));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.Taken(Msg::kDropFiles).empty());
        EXPECT_EQ(test::TextOf(made.box), "abc");
        EXPECT_EQ(test::TextOf(made.closedEdit), "");

        // A modal dialog over the window keeps drops away from it, as it keeps clicks.
        const WindowHandle dialog
            = owner.Run([&made] { return OpenDialog(QuestionDialog(made.window, 0)); });
        ASSERT_TRUE(test::WaitUntilIdle());
        owner.Forget();
        EXPECT_FALSE(test::DropFiles(made.window, { "/tmp/a.txt" }));
        ASSERT_TRUE(test::WaitUntilIdle());
        EXPECT_TRUE(owner.Taken(Msg::kDropFiles).empty());
        test::Click(FindControl(dialog, kOkId));
        ASSERT_TRUE(test::WaitUntilIdle());
    });
}

// Dropped text goes in under the rules of pasting: whole or not at all, within Windows-1250
// and the limit; what a text box refuses for missing characters, it names at the cursor.
TEST(DisplayTest, TextDroppedOnAnEditIsTakenAsPastedTextIs)
{
    WithDisplay([] {
        RuntimeThread owner;
        struct Made {
            WindowHandle box, edit, pastedEdit;
        };
        const Made made = owner.Run([] {
            SetRefusedTextNotice("Windows-1250: %1");
            const WindowHandle window = CreateWindow(PlainWindow("Ispusti tekst"));
            ControlOptions lines
                = Control(ControlKind::MultiLineEdit, window, 0x4012, { 10, 10, 200, 80 });
            lines.maxLength = 8;
            ControlOptions line = Control(ControlKind::Edit, window, 0x4011, { 10, 100, 200, 22 });
            line.maxLength = 8;
            ControlOptions twin = line;
            twin.id = 0x4013;
            twin.rect.y = 130;
            return Made { CreateControl(lines), CreateControl(line), CreateControl(twin) };
        });
        struct Case {
            const char* what;
            const char* dropped;
            const char* boxAfter; // Windows-1250
            const char* notice;   // part of the text box's notice, "" for none
        };
        const Case cases[] = {
            { "Croatian letters", "\xC5\xA1\xC5\xBE", "\x9A\x9E", "" },
            { "a line break counts two", "a\nb",
                "\x9A\x9E"
                "a\r\nb",
                "" },
            { "U+4E2D: refused whole", "c\xE4\xB8\xAD",
                "\x9A\x9E"
                "a\r\nb",
                "Windows-1250: \xE4\xB8\xAD" },
            { "past the limit: refused whole", "xyzw",
                "\x9A\x9E"
                "a\r\nb",
                "" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_TRUE(test::DropText(made.box, c.dropped));
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_EQ(owner.Run([&made] { return WindowText(made.box); }), c.boxAfter);
            if (*c.notice != '\0') {
                EXPECT_NE(test::ToolTipText().find(c.notice), std::string::npos);
            }
            // An entry takes a drop as it takes the same text pasted.
            test::DropText(made.edit, c.dropped);
            test::Paste(made.pastedEdit, c.dropped);
            ASSERT_TRUE(test::WaitUntilIdle());
            EXPECT_EQ(owner.Run([&made] { return WindowText(made.edit); }),
                owner.Run([&made] { return WindowText(made.pastedEdit); }));
        }
        owner.Run([] { SetRefusedTextNotice(""); });
    });
}
