// The program soaked as a user would use it for a long while: started as main() starts it (its
// module, its frame) on the screenless display, with as many hash windows open as the runtime's
// thread slots allow, each pressing both "Formiraj SHA-1 broj" buttons in turn, round after
// round, while two more copies of the program (this program in its writer mode) write the same
// HASHBROJ.TXT and the frame's "O programu" opens and closes once a round. At the end it checks
// what a user would be hurt by, prints the figures and answers 0 only when all of it held:
//
//   - every press wrote (its window shows its number and the result file's path) or told its
//     window why not in a message box, which the driver answers and counts;
//   - HASHBROJ.TXT holds exactly one line, a number one of the copies formed, and CR LF;
//   - resident memory grew by no more than kRssGrowthBoundKiB after the warm-up;
//   - no thread is left behind once the program has ended;
//   - the program ended with exit code 0 through File > Exit, its windows still open.
//
//   varn_soak [--seconds S] [--windows N] [--writers K]
//       the soak, S seconds of pressing (180); N hash windows, 0 for as many as open (0);
//       K copies writing beside it (2)
//   varn_soak --writer INDEX [--windows N]
//       a copy writing beside a soak: N windows (3) pressing until its standard input ends;
//       prints what it did on its standard output

#include "ProgramControls.h"

#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <platform/Display.h>
#include <platform/Hashing.h>
#include <platform/MessageQueue.h>
#include <platform/TestDriver.h>
#include <value/Module.h>

#include <common/RuntimeBesideDisplay.h>
#include <common/TestSupport.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace test = platform::test;
using namespace programcontrols;
using Clock = std::chrono::steady_clock;
using platform::WindowHandle;

/// How much resident memory may grow from the end of the warm-up to the end of the run. Once
/// every window is open and has pressed both buttons, a press allocates only what it frees
/// again; what stays is the allocator's own slack: glibc gives each of the many threads an
/// arena of its own (up to eight per core), each keeping freed blocks and an untrimmed top,
/// which the warm-up has mostly reached: 0.3 to 3.5 MiB of growth in runs of 25 s to 10 min on
/// a 2-core machine. A leak of 200 bytes a press passes the bound within a ten-minute run
/// (about 40,000 presses there), one of a thread's stack or a window's worth within seconds.
constexpr long kRssGrowthBoundKiB = 8 * 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#    if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#    else
constexpr bool kUnderAddressSanitizer = false;
#    endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

/// A wait that ends only on a fault: the program's windows stopped answering.
constexpr auto kStuckAfter = std::chrono::seconds(60);

// --- the process ---------------------------------------------------------------------------

/// VmRSS of this process, in KiB; -1 when it cannot be read.
long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

/// The threads of this process.
long ThreadCount()
{
    long count = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++count;
    return count;
}

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// --- the inputs ------------------------------------------------------------------------------

/// The number of `text` as a window shows it: four groups of ten joined by "-".
std::string Shown(const std::string& number)
{
    std::string shown;
    for (std::size_t group = 0; group < 4; ++group) {
        if (group > 0)
            shown += '-';
        shown += number.substr(group * 10, 10);
    }
    return shown;
}

std::string NumberOfText(const std::string& text)
{
    char digest[platform::kControlNumberLength + 1] = {};
    platform::HashData(reinterpret_cast<const unsigned char*>(text.data()),
        static_cast<std::uint32_t>(text.size()), digest);
    return digest;
}

std::string NumberOfFile(const std::string& path)
{
    char digest[platform::kControlNumberLength + 1] = {};
    if (platform::HashFile(path, digest) != platform::FileHashError::None)
        return {};
    return digest;
}

/// A window's text: ASCII (the same bytes in Windows-1250), its own, of its own length, with
/// no trailing blank (which the press would not hash).
std::string TextFor(const std::string& owner, std::size_t index)
{
    std::string text = owner + " okno " + std::to_string(index) + ":";
    const std::size_t length = 10 + (index * 37) % 90;
    for (std::size_t i = 0; text.size() < length; ++i)
        text += static_cast<char>('a' + (index + i * 7) % 26);
    return text;
}

/// A window's file, made in the current directory: small for most windows, 1, 2 or 4 MiB for
/// every eighth, so that some presses read a while with the runtime lock given up.
std::string MakeFileFor(const std::string& owner, std::size_t index)
{
    const std::size_t size
        = index % 8 == 7 ? (std::size_t { 1 } << 20) << (index / 8 % 3) : 1 + (index * 997) % 8192;
    std::string contents(size, '\0');
    std::uint32_t state = static_cast<std::uint32_t>(index) * 2654435761u + 12345u;
    for (char& c : contents) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    const std::string path
        = (std::filesystem::current_path() / (owner + "-" + std::to_string(index) + ".bin"))
              .string();
    testsupport::WriteText(path, contents);
    return path;
}

// --- the figures -----------------------------------------------------------------------------

struct Figures {
    std::size_t windowsOpened = 0; ///< as many as the frame's menu would open
    std::size_t windows = 0;       ///< pressing
    std::uint64_t rounds = 0;
    std::uint64_t textPresses = 0;
    std::uint64_t filePresses = 0;
    std::uint64_t ownFilePresses = 0; ///< file presses that hashed their own window's choice
    std::uint64_t notWritten = 0;     ///< presses that told their window why they did not write
    std::uint64_t messages = 0;       ///< message boxes answered
    std::uint64_t blockedClicks = 0;  ///< clicks a message box kept from their window
    std::map<std::string, std::uint64_t> messageTexts;
    std::vector<double> aboutMs;
    std::uint64_t aboutSkipped = 0; ///< rounds whose About a message box kept away
    double pressingSeconds = 0;
    long rssStart = -1;
    long rssWarm = -1;
    long rssEnd = -1;
    std::set<std::string> numbers; ///< every number formed, as the file holds it
    std::string fault;             ///< the first thing that went wrong; empty when none did
};

void Fail(Figures& figures, std::string what)
{
    if (figures.fault.empty())
        figures.fault = std::move(what);
}

// --- a watchdog ------------------------------------------------------------------------------

/// Ends the process with a message when the soak makes no progress for kStuckAfter and more:
/// a deadlocked program would otherwise keep the driver waiting inside a call forever.
class Watchdog {
public:
    Watchdog()
        : m_thread([this] { Watch(); })
    {
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    /// Says what the soak is doing now; each call counts as progress.
    void Doing(std::string what)
    {
        const std::lock_guard lock(m_mutex);
        m_doing = std::move(what);
        m_last = Clock::now();
    }

private:
    void Watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (Clock::now() - m_last > kStuckAfter + std::chrono::seconds(30)) {
                std::fprintf(stderr, "varn_soak: FAIL: no progress for %lld s while %s\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_last)
                            .count()),
                    m_doing.c_str());
                std::fflush(stderr);
                std::_Exit(1);
            }
            m_changed.wait_for(lock, std::chrono::seconds(1));
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    std::string m_doing = "starting";
    Clock::time_point m_last = Clock::now();
    std::thread m_thread;
};

// --- the driver -------------------------------------------------------------------------------

WindowHandle Control(WindowHandle window, std::uint32_t equate)
{
    return platform::FindControl(window, 0x4000 + equate);
}

/// Waits until `condition` holds, looking again whenever a runtime queue moves (at least every
/// millisecond); false when it does not within `limit`.
bool WaitFor(const std::function<bool()>& condition, Clock::duration limit = kStuckAfter)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        platform::WaitForQueueActivity(platform::QueueActivity(), std::chrono::milliseconds(1));
    }
    return true;
}

struct HashWindow {
    WindowHandle handle = 0;
    std::string text;
    std::string textNumber; ///< as the file holds it
    /// Two files of its own, chosen in turn before its file presses.
    std::array<std::string, 2> files;
    std::array<std::string, 2> fileNumbers;
    std::uint64_t filePresses = 0;
};

enum class Press : std::uint8_t { Text, File, None };

/// One copy of the program driven round after round.
class Driver {
public:
    Driver(Figures& figures, Watchdog* watchdog, bool measureAbout)
        : m_figures(figures)
        , m_watchdog(watchdog)
        , m_measureAbout(measureAbout)
        , m_resultPath((std::filesystem::current_path() / "HASHBROJ.TXT").string().substr(0, 60))
    {
    }

    void Doing(std::string what)
    {
        if (m_watchdog != nullptr)
            m_watchdog->Doing(std::move(what));
    }

    /// Opens hash windows from the frame's menu until it opens no more or `wanted` are open
    /// (0: no limit); answers how many opened.
    std::size_t OpenWindows(WindowHandle frame, std::size_t wanted)
    {
        for (;;) {
            const std::size_t before = platform::MdiChildren(frame).size();
            if (wanted != 0 && before == wanted)
                return before;
            Doing("opening hash window " + std::to_string(before + 1));
            test::ChooseMenuItem(frame, kTestingItem);
            if (!test::WaitUntilIdle(kStuckAfter)) {
                Fail(m_figures, "the program did not come to rest after opening a window");
                return before;
            }
            // Opening a window is no press: it has nothing to tell. A message box up keeps the
            // menu away: answered, the choice is made again.
            if (const WindowHandle box = test::ActiveDialog(); box != 0) {
                Fail(m_figures,
                    "a message box came up as hash window " + std::to_string(before + 1)
                        + " opened: \"" + test::TextOf(platform::FindControl(box, kMessageText))
                        + "\"");
            }
            if (AnswerMessages() == 0 && platform::MdiChildren(frame).size() == before)
                return before;
        }
    }

    /// Lays the windows out side by side in a frame large enough for all of them, so that a
    /// click on a window's button lands on that button and not on a window over it.
    static void LayOut(WindowHandle frame, const std::vector<WindowHandle>& children)
    {
        if (children.empty())
            return;
        const platform::Rect size = platform::WindowRect(children.front());
        // Room for the title bar and borders the window system adds around each.
        const std::int32_t cellWidth = size.width + 30;
        const std::int32_t cellHeight = size.height + 50;
        const auto columns
            = static_cast<std::int32_t>(std::ceil(std::sqrt(static_cast<double>(children.size()))));
        const auto rows = (static_cast<std::int32_t>(children.size()) + columns - 1) / columns;
        platform::MoveWindow(frame, { 0, 0, columns * cellWidth + 60, rows * cellHeight + 160 });
        (void)test::WaitUntilIdle(kStuckAfter);
        for (std::size_t i = 0; i < children.size(); ++i) {
            const auto at = static_cast<std::int32_t>(i);
            platform::MoveWindow(children[i],
                { at % columns * cellWidth, at / columns * cellHeight, size.width, size.height });
        }
    }

    /// Types each window's text into its text box and makes its files.
    void Prepare(const std::vector<WindowHandle>& children, const std::string& owner)
    {
        for (std::size_t i = 0; i < children.size(); ++i) {
            Doing("typing into window " + std::to_string(i + 1));
            HashWindow window;
            window.handle = children[i];
            window.text = TextFor(owner, i);
            window.textNumber = NumberOfText(window.text);
            for (std::size_t n = 0; n < window.files.size(); ++n) {
                window.files[n] = MakeFileFor(owner, i + n * children.size());
                window.fileNumbers[n] = NumberOfFile(window.files[n]);
                m_fileNumbers[Shown(window.fileNumbers[n])] = window.fileNumbers[n];
            }
            test::TypeText(Control(window.handle, kTextBox), window.text);
            m_windows.push_back(std::move(window));
        }
        m_figures.windows = m_windows.size();
        if (!test::WaitUntilIdle(kStuckAfter))
            Fail(m_figures, "the program did not come to rest after the typing");
    }

    /// One round: every window pressed, text and file buttons alternating between neighbours
    /// and rounds, the About window opened from the frame's menu while the presses run and
    /// closed again; then, once all is at rest, the messages answered and every window checked.
    void Round(WindowHandle frame)
    {
        const std::uint64_t round = m_figures.rounds;
        Doing("round " + std::to_string(round + 1) + ", pressing");
        std::vector<Press> pressed(m_windows.size());
        for (std::size_t i = 0; i < m_windows.size(); ++i) {
            HashWindow& window = m_windows[i];
            pressed[i] = (round + i) % 2 == 0 ? Press::Text : Press::File;
            if (pressed[i] == Press::File) {
                // The window's other file pasted into its file entry, as a user brings in a
                // path copied from a file manager.
                const WindowHandle entry = Control(window.handle, kFileEntry);
                const std::string& file = window.files[window.filePresses % window.files.size()];
                platform::SetWindowText(entry, "");
                test::Paste(entry, file);
                if (test::TextOf(entry) != file) {
                    // A message box up kept the paste from the window, as it would the click:
                    // the path is put back, as the user would after answering it, and the
                    // window waits for the next round.
                    platform::SetWindowText(entry, file);
                    pressed[i] = Press::None;
                    ++m_figures.blockedClicks;
                    continue;
                }
                ++window.filePresses;
            }
            // Cleared first: what the window shows afterwards is this press's doing.
            platform::SetWindowText(Control(window.handle, kNumberEntry), "");
            platform::SetWindowText(Control(window.handle, kPathEntry), "");
            test::Click(
                Control(window.handle, pressed[i] == Press::Text ? kTextButton : kFileButton));
        }
        if (m_measureAbout)
            OpenAndCloseAbout(frame);
        Doing("round " + std::to_string(round + 1) + ", waiting for rest");
        if (!test::WaitUntilIdle(kStuckAfter)) {
            Fail(m_figures,
                "round " + std::to_string(round + 1) + ": the program did not come to rest "
                    + "within 60 s (a deadlock, or a press that never ends)");
            return;
        }
        const std::uint64_t messages = AnswerMessages();
        CloseAbout();
        Check(pressed, messages);
        ++m_figures.rounds;
    }

    /// Ends the program through File > Exit with its windows open.
    void Exit(WindowHandle frame)
    {
        Doing("ending the program through File > Exit");
        // A message box left up would keep the menu away.
        (void)test::WaitUntilIdle(kStuckAfter);
        AnswerMessages();
        test::ChooseMenuItem(frame, kExitItem);
    }

private:
    /// Chooses "O programu" and measures the wait until its window shows; then closes it.
    void OpenAndCloseAbout(WindowHandle frame)
    {
        Doing("round " + std::to_string(m_figures.rounds + 1) + ", waiting for About");
        const Clock::time_point chosen = Clock::now();
        test::ChooseMenuItem(frame, kAboutItem);
        WindowHandle about = 0;
        bool blocked = false;
        const bool answered = WaitFor([&] {
            about = test::FindWindowByTitle(kAboutTitle);
            if (about != 0 && platform::IsWindowVisible(about))
                return true;
            // A message box up keeps the menu away, or the thread from starting.
            blocked = test::ActiveDialog() != 0;
            return blocked;
        });
        const Clock::time_point shown = Clock::now();
        if (!answered) {
            Fail(m_figures,
                "round " + std::to_string(m_figures.rounds + 1)
                    + ": \"O programu\" did not show within 60 s of its choice");
            return;
        }
        if (blocked && (about == 0 || !platform::IsWindowVisible(about))) {
            ++m_figures.aboutSkipped;
            return;
        }
        m_figures.aboutMs.push_back(Milliseconds(shown - chosen));
        test::Click(platform::FindControl(about, kAboutOkButton));
    }

    /// Closes an About window still open (one a message box kept its OK from).
    void CloseAbout()
    {
        for (WindowHandle about; (about = test::FindWindowByTitle(kAboutTitle)) != 0;) {
            test::Click(platform::FindControl(about, kAboutOkButton));
            if (!test::WaitUntilIdle(kStuckAfter)
                || test::FindWindowByTitle(kAboutTitle) == about) {
                Fail(m_figures, "\"O programu\" does not close with its OK");
                return;
            }
        }
    }

    /// Answers every message box up, one after another; answers how many.
    std::uint64_t AnswerMessages()
    {
        std::uint64_t answered = 0;
        for (WindowHandle box; (box = test::ActiveDialog()) != 0;) {
            Doing("answering a message box");
            ++m_figures.messageTexts[test::TextOf(platform::FindControl(box, kMessageText))];
            test::Click(platform::FindControl(box, kOkButton));
            ++answered;
            if (!test::WaitUntilIdle(kStuckAfter) || test::ActiveDialog() == box) {
                Fail(m_figures, "a message box does not close with its OK");
                break;
            }
        }
        m_figures.messages += answered;
        return answered;
    }

    /// The number a press should show: a text press its window's text's; a file press that of
    /// one of the soak's files. The chosen file is one for the whole program (the windows
    /// share it, each showing its own entry), so a press may hash the file another window chose
    /// just before it, as the program means it to. Empty when `shown` is neither.
    std::string Expected(const HashWindow& window, Press press, const std::string& shown) const
    {
        if (press == Press::Text)
            return shown == Shown(window.textNumber) ? window.textNumber : std::string();
        const auto found = m_fileNumbers.find(shown);
        return found == m_fileNumbers.end() ? std::string() : found->second;
    }

    /// What each window shows after its press: the number and the path (written), the number
    /// without the path (not written, and a message said so), or nothing when a message box up
    /// kept the click from the window. Anything else is a press lost or a number gone wrong.
    void Check(const std::vector<Press>& pressed, std::uint64_t messages)
    {
        std::uint64_t notWritten = 0;
        for (std::size_t i = 0; i < m_windows.size(); ++i) {
            const HashWindow& window = m_windows[i];
            if (pressed[i] == Press::None)
                continue;
            const bool text = pressed[i] == Press::Text;
            const std::string shown = test::TextOf(Control(window.handle, kNumberEntry));
            const std::string path = test::TextOf(Control(window.handle, kPathEntry));
            const std::string number = Expected(window, pressed[i], shown);
            if (!number.empty() && (path == m_resultPath || path.empty())) {
                ++(text ? m_figures.textPresses : m_figures.filePresses);
                if (!text && number == window.fileNumbers[(window.filePresses - 1) % 2])
                    ++m_figures.ownFilePresses;
                m_figures.numbers.insert(number);
                if (path.empty())
                    ++notWritten;
                continue;
            }
            if (shown.empty() && path.empty() && messages > 0) {
                ++m_figures.blockedClicks;
                continue;
            }
            Fail(m_figures,
                "round " + std::to_string(m_figures.rounds + 1) + ", window "
                    + std::to_string(i + 1) + ", " + (text ? "text" : "file")
                    + " press: it shows the number \"" + shown + "\" and the path \"" + path
                    + "\"; expected "
                    + (text ? "\"" + Shown(window.textNumber) + "\"" : "a file's number")
                    + " and \"" + m_resultPath + "\""
                    + (messages == 0 ? " (no message was shown)" : ""));
            return;
        }
        m_figures.notWritten += notWritten;
        if (notWritten > messages) {
            Fail(m_figures,
                "round " + std::to_string(m_figures.rounds + 1) + ": " + std::to_string(notWritten)
                    + " presses wrote nothing but only " + std::to_string(messages)
                    + " message boxes said why");
        }
    }

    Figures& m_figures;
    Watchdog* m_watchdog;
    bool m_measureAbout;
    std::string m_resultPath; ///< as the path entry shows it (its first 60 characters)
    std::vector<HashWindow> m_windows;
    std::map<std::string, std::string> m_fileNumbers; ///< every file's, shown form to number
};

/// Runs the program from its module's start-up, as main() does, while `controller` drives its
/// frame; answers the program's exit code.
int RunProgram(Figures& figures, const std::function<void(WindowHandle frame)>& controller)
{
    int exitCode = -1;
    testsupport::RunWithController(
        [&] {
            const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
            exitCode = value::RunProgram(
                app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
        },
        [&] {
            if (!test::WaitUntilIdle(kStuckAfter)) {
                Fail(figures, "the program did not come to rest after its start");
                return;
            }
            const WindowHandle frame = test::FindWindowByTitle(kFrameTitle);
            if (frame == 0) {
                Fail(figures, "the frame did not show");
                return;
            }
            controller(frame);
        });
    return exitCode;
}

// --- the writer copies -----------------------------------------------------------------------

/// True once the standard input has ended: the soak closed it to say "stop".
bool StopAsked()
{
    pollfd input { STDIN_FILENO, POLLIN, 0 };
    return ::poll(&input, 1, 0) > 0;
}

int RunWriter(std::size_t index, std::size_t windows)
{
    Figures figures;
    const int exitCode = RunProgram(figures, [&](WindowHandle frame) {
        Driver driver(figures, nullptr, false);
        if (driver.OpenWindows(frame, windows) != windows)
            Fail(figures, "fewer windows opened than asked for");
        const std::vector<WindowHandle> children = platform::MdiChildren(frame);
        Driver::LayOut(frame, children);
        driver.Prepare(children, "pisac" + std::to_string(index));
        while (figures.fault.empty() && !StopAsked())
            driver.Round(frame);
        driver.Exit(frame);
    });
    if (exitCode != 0)
        Fail(figures, "the program ended with exit code " + std::to_string(exitCode));
    std::printf("presses %llu %llu messages %llu\n",
        static_cast<unsigned long long>(figures.textPresses),
        static_cast<unsigned long long>(figures.filePresses),
        static_cast<unsigned long long>(figures.messages));
    for (const std::string& number : figures.numbers)
        std::printf("number %s\n", number.c_str());
    if (!figures.fault.empty())
        std::printf("fault %s\n", figures.fault.c_str());
    return figures.fault.empty() ? 0 : 1;
}

/// A writer copy started beside the soak: its standard input, which the soak closes to stop
/// it, and its standard output, which the soak reads once it has ended.
struct Writer {
    pid_t pid = -1;
    int stop = -1;
    int output = -1;
    std::uint64_t textPresses = 0;
    std::uint64_t filePresses = 0;
    std::uint64_t messages = 0;
    std::set<std::string> numbers;
    std::string fault;
};

Writer StartWriter(std::size_t index)
{
    Writer writer;
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
        return writer;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string mode = "--writer";
    std::string number = std::to_string(index);
    std::vector<char*> arguments { self.data(), mode.data(), number.data(), nullptr };
    if (::posix_spawn(&writer.pid, self.c_str(), &actions, nullptr, arguments.data(), environ) != 0)
        writer.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    writer.stop = input[1];
    writer.output = output[0];
    return writer;
}

/// Waits for the writer to end and reads what it did.
void FinishWriter(Writer& writer)
{
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(writer.output, buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    ::close(writer.output);
    int status = 0;
    if (::waitpid(writer.pid, &status, 0) != writer.pid || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0)
        writer.fault = "it ended with status " + std::to_string(status);
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "presses")
            words >> writer.textPresses >> writer.filePresses >> word >> writer.messages;
        else if (word == "number" && words >> word)
            writer.numbers.insert(word);
        else if (word == "fault")
            writer.fault = line.substr(6);
    }
}

// --- the soak ----------------------------------------------------------------------------------

struct Options {
    std::chrono::seconds duration { 180 };
    std::size_t windows = 0;
    std::size_t writers = 2;
    long writerIndex = -1;
};

void PrintFigures(const Figures& figures, const std::vector<Writer>& writers, long threadsBefore,
    long threadsAfter)
{
    std::vector<double> about = figures.aboutMs;
    std::ranges::sort(about);
    const double median = about.empty() ? 0 : about[about.size() / 2];
    const double worst = about.empty() ? 0 : about.back();
    const std::uint64_t presses = figures.textPresses + figures.filePresses;
    std::printf("windows: %zu opened (every thread slot the frame's menu could take), %zu "
                "pressing\n",
        figures.windowsOpened, figures.windows);
    std::printf("presses: %llu (text %llu, file %llu) in %llu rounds, %.1f s: %.0f per second\n",
        static_cast<unsigned long long>(presses),
        static_cast<unsigned long long>(figures.textPresses),
        static_cast<unsigned long long>(figures.filePresses),
        static_cast<unsigned long long>(figures.rounds), figures.pressingSeconds,
        figures.pressingSeconds > 0 ? static_cast<double>(presses) / figures.pressingSeconds : 0.0);
    std::printf("file presses that hashed the file their own window had just chosen: %llu (the "
                "chosen file is the program's, shared by its windows)\n",
        static_cast<unsigned long long>(figures.ownFilePresses));
    std::printf("messages answered: %llu (presses that wrote nothing: %llu; clicks a message "
                "box kept from their window: %llu)\n",
        static_cast<unsigned long long>(figures.messages),
        static_cast<unsigned long long>(figures.notWritten),
        static_cast<unsigned long long>(figures.blockedClicks));
    for (const auto& [text, count] : figures.messageTexts)
        std::printf("  %llu x %s\n", static_cast<unsigned long long>(count), text.c_str());
    std::printf("frame's menu, \"O programu\" shown after: median %.1f ms, worst %.1f ms (%zu "
                "times, %llu kept away by a message box)\n",
        median, worst, about.size(), static_cast<unsigned long long>(figures.aboutSkipped));
    std::printf("resident memory: %ld KiB at start, %ld KiB after warm-up, %ld KiB at end "
                "(growth %ld KiB, bound %ld KiB)\n",
        figures.rssStart, figures.rssWarm, figures.rssEnd, figures.rssEnd - figures.rssWarm,
        kRssGrowthBoundKiB);
    std::printf("threads: %ld before the program, %ld after it\n", threadsBefore, threadsAfter);
    for (std::size_t i = 0; i < writers.size(); ++i) {
        std::printf("writer copy %zu: %llu presses (text %llu, file %llu), %llu messages\n", i + 1,
            static_cast<unsigned long long>(writers[i].textPresses + writers[i].filePresses),
            static_cast<unsigned long long>(writers[i].textPresses),
            static_cast<unsigned long long>(writers[i].filePresses),
            static_cast<unsigned long long>(writers[i].messages));
    }
}

/// HASHBROJ.TXT as the copies left it: one number any of them formed, then CR LF.
std::string CheckResultFile(const std::string& contents, const std::set<std::string>& numbers)
{
    if (contents.size() != 42 || !contents.ends_with("\r\n"))
        return "HASHBROJ.TXT is not one line of 40 characters and CR LF: \"" + contents + "\"";
    const std::string number = contents.substr(0, 40);
    if (!std::ranges::all_of(number, [](char c) { return std::isxdigit(c) != 0; }))
        return "HASHBROJ.TXT holds no number: \"" + number + "\"";
    if (!numbers.contains(number))
        return "HASHBROJ.TXT holds " + number + ", a number no copy formed";
    return {};
}

int RunSoak(const Options& options)
{
    const long threadsBefore = ThreadCount();
    Figures figures;
    figures.rssStart = ResidentKiB();
    const testsupport::TempDirectory directory;
    const testsupport::ScopedEnvironment noProfile("VARN_WIN_INI", "/nonexistent/win.ini");
    const testsupport::ScopedCurrentDirectory inside(directory.Path());

    std::vector<Writer> writers;
    for (std::size_t i = 0; i < options.writers; ++i)
        writers.push_back(StartWriter(i + 1));
    const auto stopWriters = [&writers] {
        for (Writer& writer : writers) {
            if (writer.stop >= 0)
                ::close(writer.stop);
            writer.stop = -1;
        }
    };

    int exitCode = -1;
    {
        Watchdog watchdog;
        exitCode = RunProgram(figures, [&](WindowHandle frame) {
            Driver driver(figures, &watchdog, true);
            // Every slot the menu can take; then one given back, so that "O programu" can
            // start its thread.
            figures.windowsOpened = driver.OpenWindows(frame, 0);
            std::vector<WindowHandle> children = platform::MdiChildren(frame);
            const std::size_t wanted = options.windows == 0
                ? figures.windowsOpened - 1
                : std::min(options.windows, figures.windowsOpened - 1);
            while (children.size() > wanted) {
                test::RequestClose(children.back());
                children.pop_back();
                (void)test::WaitUntilIdle(kStuckAfter);
            }
            if (platform::MdiChildren(frame).size() != wanted)
                Fail(figures, "a hash window did not close on request");
            Driver::LayOut(frame, children);
            driver.Prepare(children, "soak");
            const Clock::time_point start = Clock::now();
            const Clock::duration warmUp = std::clamp<Clock::duration>(
                options.duration / 10, std::chrono::seconds(5), std::chrono::seconds(60));
            while (figures.fault.empty() && Clock::now() - start < options.duration) {
                driver.Round(frame);
                if (figures.rssWarm < 0 && Clock::now() - start >= warmUp)
                    figures.rssWarm = ResidentKiB();
            }
            figures.pressingSeconds = std::chrono::duration<double>(Clock::now() - start).count();
            figures.rssEnd = ResidentKiB();
            stopWriters();
            driver.Exit(frame);
            watchdog.Doing("waiting for the program to end");
        });
    }
    stopWriters();
    const long threadsAfter = ThreadCount();
    for (Writer& writer : writers)
        FinishWriter(writer);

    std::set<std::string> numbers = figures.numbers;
    for (std::size_t i = 0; i < writers.size(); ++i) {
        numbers.insert(writers[i].numbers.begin(), writers[i].numbers.end());
        if (!writers[i].fault.empty())
            Fail(figures, "writer copy " + std::to_string(i + 1) + ": " + writers[i].fault);
    }
    PrintFigures(figures, writers, threadsBefore, threadsAfter);

    if (exitCode != 0)
        Fail(figures, "the program ended with exit code " + std::to_string(exitCode));
    if (const std::string wrong
        = CheckResultFile(testsupport::ReadText(directory / "HASHBROJ.TXT"), numbers);
        !wrong.empty())
        Fail(figures, wrong);
    if (figures.rssWarm < 0 || figures.rssEnd < 0)
        Fail(figures, "resident memory could not be read (or the run was too short to warm up)");
    // AddressSanitizer keeps freed blocks in its quarantine (256 MiB) to catch late uses: the
    // growth is printed, and its leak check at the exit stands in for the bound.
    else if (!kUnderAddressSanitizer && figures.rssEnd - figures.rssWarm > kRssGrowthBoundKiB)
        Fail(figures,
            "resident memory grew by " + std::to_string(figures.rssEnd - figures.rssWarm)
                + " KiB after the warm-up, more than " + std::to_string(kRssGrowthBoundKiB));
    if (threadsAfter != threadsBefore)
        Fail(figures,
            std::to_string(threadsAfter - threadsBefore) + " threads left behind by the program");
    if (figures.textPresses == 0 || figures.filePresses == 0)
        Fail(figures, "no press of one of the buttons was made");
    if (!figures.fault.empty()) {
        std::printf("varn_soak: FAIL: %s\n", figures.fault.c_str());
        return 1;
    }
    std::printf("varn_soak: passed\n");
    return 0;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc)
            return false;
        const long value = std::atol(argv[++i]);
        if (value < 0)
            return false;
        if (name == "--seconds")
            options.duration = std::chrono::seconds(value);
        else if (name == "--windows")
            options.windows = static_cast<std::size_t>(value);
        else if (name == "--writers")
            options.writers = static_cast<std::size_t>(value);
        else if (name == "--writer")
            options.writerIndex = value;
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs("usage: varn_soak [--seconds S] [--windows N] [--writers K]\n"
                   "       varn_soak --writer INDEX [--windows N]\n",
            stderr);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (options.writerIndex >= 0)
        return RunWriter(static_cast<std::size_t>(options.writerIndex),
            options.windows == 0 ? 3 : options.windows);
    return RunSoak(options);
}
