#include <platform/Display.h>
#include <window/Engine.h>
#include <window/RuntimeMain.h>
#include <window/RuntimeStop.h>

namespace window {

int RunRuntime(const std::function<int()>& program)
{
    const RuntimeStopInstallation stops;
    return platform::RunDisplay([&program] {
        int result = -1;
        {
            RuntimeSession session;
            if (session.Started())
                result = program();
            session.End();
        }
        platform::QuitDisplay();
        return result;
    });
}

} // namespace window
