#pragma once

// The program started as main() starts it, its module's start-up first, then ProgramMain beside
// the display, in a child process of the test (a death test that must exit with 0): start-up
// reads the profile, the locale environment file, the locale and the fonts once per process,
// so a case with surroundings of its own needs a process of its own. The checks made while the
// program runs are collected and reported on the child's standard error.

#include "ProgramControls.h"

#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <platform/Display.h>
#include <platform/TestDriver.h>
#include <value/Module.h>

#include <gtest/gtest.h>

#include <common/RuntimeBesideDisplay.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace startup {

namespace test = platform::test;
using namespace programcontrols;

/// A line of the About window that holds Croatian letters.
constexpr std::uint32_t kAboutDataLine = 0x4000 + 10;
constexpr char kAboutDataText[] = "dataLen - koli\xC4\x8Dina ulaznih podataka (pbData)";

/// What the child reports a failed check with: the parent's matchers look for it.
constexpr std::string_view kFailedCheck = "FAILED CHECK: ";

/// The checks of one run, made on the driving thread and read once the program has ended.
class Checks {
public:
    void Expect(bool condition, const std::string& what)
    {
        if (!condition)
            m_failures.push_back(what);
    }
    void ExpectEqual(
        const std::string& actual, const std::string& expected, const std::string& what)
    {
        Expect(actual == expected, what + ": [" + actual + "], expected [" + expected + "]");
    }
    void ExpectHas(const std::string& text, const std::string& part, const std::string& what)
    {
        Expect(text.find(part) != std::string::npos,
            what + ": [" + text + "] does not hold [" + part + "]");
    }
    bool Passed() const { return m_failures.empty(); }
    void Report() const
    {
        for (const std::string& failure : m_failures)
            std::fprintf(stderr, "%.*s%s\n", static_cast<int>(kFailedCheck.size()),
                kFailedCheck.data(), failure.c_str());
        std::fflush(stderr);
    }

private:
    std::vector<std::string> m_failures;
};

inline platform::WindowHandle Control(platform::WindowHandle window, std::uint32_t equate)
{
    return platform::FindControl(window, 0x4000 + equate);
}

/// The text of the message box up now, answered with OK; empty when none is up.
inline std::string AnswerMessage()
{
    const platform::WindowHandle box = test::ActiveDialog();
    if (box == 0)
        return {};
    std::string text = test::TextOf(platform::FindControl(box, kMessageText));
    test::Click(platform::FindControl(box, kOkButton));
    test::WaitUntilIdle();
    return text;
}

inline void Press(platform::WindowHandle window, std::uint32_t button)
{
    test::Click(Control(window, button));
    test::WaitUntilIdle();
}

/// Opens one more hash window from the frame's menu; 0 when none opened.
inline platform::WindowHandle OpenHashWindow(platform::WindowHandle frame, Checks& checks)
{
    const std::size_t before = platform::MdiChildren(frame).size();
    test::ChooseMenuItem(frame, kTestingItem);
    test::WaitUntilIdle();
    const std::vector<platform::WindowHandle> children = platform::MdiChildren(frame);
    checks.Expect(children.size() == before + 1, "a hash window opens");
    return children.size() == before + 1 ? children.back() : 0;
}

/// Opens the About window, checks its Croatian text and closes it.
inline void CheckAboutWindow(platform::WindowHandle frame, Checks& checks)
{
    test::ChooseMenuItem(frame, kAboutItem);
    test::WaitUntilIdle();
    const platform::WindowHandle about = test::FindWindowByTitle(kAboutTitle);
    checks.Expect(about != 0, "the About window opens");
    if (about == 0)
        return;
    checks.ExpectEqual(test::TextOf(platform::FindControl(about, kAboutDataLine)), kAboutDataText,
        "the About window's Croatian text");
    test::Click(platform::FindControl(about, kAboutOkButton));
    test::WaitUntilIdle();
    checks.Expect(test::FindWindowByTitle(kAboutTitle) == 0, "the About window closes");
}

/// Types "abc" into `window` and presses its text button; answers the message shown, if any.
inline std::string FormNumberOfAbc(platform::WindowHandle window, Checks& checks)
{
    test::TypeText(Control(window, kTextBox), "abc");
    Press(window, kTextButton);
    const std::string message = AnswerMessage();
    checks.ExpectEqual(test::TextOf(Control(window, kNumberEntry)), kAbc, "the number of abc");
    return message;
}

/// In the child: starts the program in the current directory, lets `controller` drive it
/// once its frame is up (sized as on a desktop), ends it through File > Exit and ends the
/// process: exit code 0 when the program ended with 0 and every check held, else 1 with the
/// failed checks on standard error. Never returns.
[[noreturn]] inline void RunProgramAndExit(
    const std::function<void(platform::WindowHandle frame, Checks& checks)>& controller)
{
    Checks checks;
    int exitCode = -1;
    testsupport::RunWithController(
        [&] {
            const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
            exitCode = value::RunProgram(
                app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
        },
        [&] {
            checks.Expect(test::WaitUntilIdle(), "the program settles after start-up");
            const platform::WindowHandle frame = test::FindWindowByTitle(kFrameTitle);
            if (frame == 0) {
                checks.Expect(false, "the frame opens");
                checks.Report();
                std::_Exit(1); // nothing would end the program
            }
            platform::MoveWindow(frame, { 0, 0, 1200, 800 });
            controller(frame, checks);
            test::ChooseMenuItem(frame, kExitItem);
        });
    checks.Expect(exitCode == 0, "the program ends with exit code 0");
    checks.Report();
    std::fflush(stdout);
    std::_Exit(checks.Passed() ? 0 : 1);
}

/// How often `part` occurs in `text`.
inline std::size_t Occurrences(std::string_view text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size()))
        ++count;
    return count;
}

/// The child's standard error: no failed check, and `notice` exactly once (none at all when
/// empty: then no "varn:" line either).
class ReportsOnlyMatcher final : public testing::MatcherInterface<const std::string&> {
public:
    explicit ReportsOnlyMatcher(std::string notice)
        : m_notice(std::move(notice))
    {
    }
    bool MatchAndExplain(const std::string& err, testing::MatchResultListener*) const override
    {
        if (err.find(kFailedCheck) != std::string::npos)
            return false;
        if (m_notice.empty())
            return err.find("varn:") == std::string::npos;
        return Occurrences(err, m_notice) == 1 && Occurrences(err, "varn:") == 1;
    }
    void DescribeTo(std::ostream* os) const override
    {
        *os << "no failed check and "
            << (m_notice.empty() ? "no \"varn:\" line"
                                 : "one \"varn:\" line holding [" + m_notice + "]");
    }

private:
    std::string m_notice;
};

inline testing::Matcher<const std::string&> ReportsOnly(std::string notice)
{
    return testing::MakeMatcher(new ReportsOnlyMatcher(std::move(notice)));
}

} // namespace startup
