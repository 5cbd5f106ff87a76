#pragma once

#include <string_view>

namespace value {

/// The run-time error stop: reports an internal fault of the runtime by number and text and
/// ends the program with exit code 2. The window layer installs the real stop (a message box);
/// until then the fault is written to standard error.
using RuntimeErrorStopHook = void (*)(int number, std::string_view text);

/// Installs the stop and answers the one it replaces. Null restores the plain default.
RuntimeErrorStopHook SetRuntimeErrorStopHook(RuntimeErrorStopHook hook);

/// Reports the fault. The stop normally ends the program; when an installed stop returns
/// (tests do), the caller carries on with a harmless result.
void RuntimeErrorStop(int number, std::string_view text);

} // namespace value
