#include <value/RuntimeFault.h>
#include <window/EngineErrors.h>

namespace window {

std::string_view EngineErrorText(EngineError error)
{
    switch (error) {
    case EngineError::ApplicationActive:
        return "Unable to open APPLICATION (APPLICATION already active)";
    case EngineError::ApplicationModal:
        return "Unable to open APPLICATION (system is MODAL)";
    case EngineError::ApplicationNotOpened:
        return "Unable to open APPLICATION";
    case EngineError::WindowNotOpened:
        return "Unable to open WINDOW";
    case EngineError::NoApplication:
        return "Unable to open MDI window (No APPLICATION active)";
    case EngineError::MdiModal:
        return "Unable to open MDI window (system is MODAL)";
    case EngineError::MdiOnApplicationThread:
        return "Unable to open MDI window on APPLICATION's thread";
    case EngineError::MdiNotOpened:
        return "Unable to open MDI WINDOW";
    case EngineError::TooManyKeystrokes:
        return "Too many keystrokes PRESSed";
    case EngineError::AlreadyOpen:
        return "Window is already open";
    case EngineError::NotOpen:
        return "Window is not open";
    case EngineError::AcceptWithoutWindow:
        return "ACCEPT loop requires a window";
    case EngineError::ModalTextBox:
        return "Unable to complete operation (system is MODAL)";
    }
    return {};
}

void RaiseEngineError(EngineError error)
{
    value::RuntimeErrorStop(static_cast<int>(error), EngineErrorText(error));
}

} // namespace window
