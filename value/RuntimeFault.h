#pragma once

#include <string_view>

namespace value {

/// The run-time error stop: reports a fault by its error number (whose text the stop looks up)
/// and an extra text that follows it (the tag of the module that found it, a detail; may be
/// empty), and ends the program with exit code 2. The window layer installs the real stop (a
/// message box); until then the number and extra text are written to standard error.
using RuntimeErrorStopHook = void (*)(int number, std::string_view extraText);

/// Installs the stop and answers the one it replaces. Null restores the plain default.
RuntimeErrorStopHook SetRuntimeErrorStopHook(RuntimeErrorStopHook hook);

/// Reports the fault. The stop normally ends the program; when an installed stop returns
/// (tests do), the caller carries on with a harmless result.
void RuntimeErrorStop(int number, std::string_view extraText);

} // namespace value
