#include <platform/Display.h>
#include <platform/Path.h>
#include <value/Dates.h>
#include <window/Engine.h>
#include <window/RuntimeMain.h>
#include <window/RuntimeStop.h>

#include <algorithm>
#include <string>

namespace window {

namespace {

/// The warning shown when the user's session is asked to end while the program runs: a
/// system-modal box with the exclamation icon, captioned with the program's file name.
platform::DialogTemplate SessionEndWarning()
{
    platform::DialogTemplate warning;
    const auto path = platform::OwnProgramPath();
    const std::string program = path ? *path : std::string("varn");
    warning.title = program.substr(program.find_last_of(platform::PathSeparator()) + 1);
    warning.systemModal = true;
    warning.escapeId = 1;
    const std::int32_t icon = platform::StandardIconSize();
    platform::ControlOptions picture;
    picture.kind = platform::ControlKind::Icon;
    picture.icon = platform::StandardIcon::Exclamation;
    picture.rect = { 12, 12, icon, icon };
    platform::ControlOptions text;
    text.kind = platform::ControlKind::Static;
    text.text = "Application still active.\n\nQuit the application before quitting Windows.";
    const platform::Size size = platform::MeasureText(warning.font, text.text, 400);
    text.rect = { 24 + icon, 12, size.width, size.height };
    platform::ControlOptions ok;
    ok.kind = platform::ControlKind::Button;
    ok.id = 1;
    ok.text = "OK";
    ok.defaultButton = true;
    const std::int32_t width = std::max(36 + icon + size.width, 120);
    const std::int32_t below = 24 + std::max(icon, size.height);
    ok.rect = { (width - 80) / 2, below, 80, 26 };
    warning.rect = { platform::kDefaultPosition, platform::kDefaultPosition, width, below + 38 };
    warning.controls = { picture, text, ok };
    return warning;
}

/// The runtime's first thread: the program between the runtime's start and its end, then the
/// display told to quit.
std::function<int()> FirstThread(const std::function<int()>& program)
{
    return [&program] {
        int result = -1;
        {
            RuntimeSession session;
            if (session.Started()) {
                value::MarkRuntimeStart();
                // Installed once for the display's run: the display itself tells whether a
                // window is open when the session manager asks.
                platform::RefuseSessionEnd(SessionEndWarning());
                result = program();
            }
            session.End();
        }
        platform::QuitDisplay();
        return result;
    };
}

} // namespace

int RunRuntime(const std::function<int()>& program)
{
    const RuntimeStopInstallation stops;
    return platform::RunDisplay(FirstThread(program));
}

int RunRuntime(const std::function<int()>& program, int& argc, char** argv)
{
    const RuntimeStopInstallation stops;
    return platform::RunDisplay(FirstThread(program), argc, argv);
}

} // namespace window
