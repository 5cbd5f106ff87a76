#pragma once

#include <string_view>

// The event engine's run-time errors. Each goes through value::RuntimeErrorStop without an
// extra text (the stop shows the number's text from the program's string table), which
// normally ends the program; when an installed stop returns (tests), the operation
// that raised it does nothing further.

namespace window {

enum class EngineError : int {
    ApplicationActive = 526,
    ApplicationModal = 527,
    ApplicationNotOpened = 528,
    WindowNotOpened = 529,
    NoApplication = 530,
    MdiModal = 531,
    MdiOnApplicationThread = 532,
    MdiNotOpened = 533,
    TooManyKeystrokes = 534,
    AlreadyOpen = 535,
    NotOpen = 536,
    AcceptWithoutWindow = 537,
    ModalTextBox = 542,
};

/// The error's text, byte for byte as the run-time error stop shows it.
std::string_view EngineErrorText(EngineError error);

/// Raises the error through the run-time error stop.
void RaiseEngineError(EngineError error);

} // namespace window
