#include <platform/Display.h>
#include <window/Engine.h>
#include <window/RuntimeMain.h>
#include <window/RuntimeStop.h>

namespace window {

namespace {

/// The runtime's first thread: the program between the runtime's start and its end, then the
/// display told to quit.
std::function<int()> FirstThread(const std::function<int()>& program)
{
    return [&program] {
        int result = -1;
        {
            RuntimeSession session;
            if (session.Started())
                result = program();
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
