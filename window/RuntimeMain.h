#pragma once

#include <functional>

namespace window {

/// Runs the program: the calling thread (the process's main thread) runs the display, and
/// `program` runs as the runtime's first thread. When `program` answers, the runtime shuts
/// down (the other threads are asked to end and joined, the first thread's windows destroyed)
/// and the display is asked to quit without waiting. Answers what `program` answered, or -1
/// when the runtime was already running. Meanwhile run-time errors stop the program through
/// the message box (RuntimeStopInstallation), and while a window of the program is open the
/// user's session may not end: the display refuses and shows a warning.
int RunRuntime(const std::function<int()>& program);

/// As above, the display taking its own options from the process's command line (see
/// platform::RunDisplay); `argc` and `argv` must stay valid until the call returns.
int RunRuntime(const std::function<int()>& program, int& argc, char** argv);

} // namespace window
