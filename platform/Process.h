#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

/// Identifies a loaded module of the process. 0 never names a module.
using ModuleHandle = std::uintptr_t;

/// The handle of the process's own executable module: the same non-zero value for the whole
/// life of the process.
ModuleHandle OwnModuleHandle();

/// Shows a stop notice with no owner window and waits until it is dismissed. Until the
/// display is up this writes the title and text to standard error.
void ShowStopNotice(std::string_view title, std::string_view text);

/// Ends the process at once with the exit code. Nothing more of the program runs.
[[noreturn]] void EndProcess(int exitCode);

} // namespace platform
