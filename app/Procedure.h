#pragma once

#include <framework/WindowManager.h>
#include <window/Window.h>

#include <cstdint>

// What the program's procedures have in common: each runs one declared window through a window
// manager whose Init takes the thread's request, opens the window and hands the request and
// response globals back cleared.

namespace app {

/// The stack every procedure the frame starts is given.
inline constexpr std::int32_t kProcedureStackSize = 25000;

class ProgramProcedure : public framework::WindowManager {
public:
    explicit ProgramProcedure(window::Window& window)
        : m_window(window)
    {
    }

    /// The window manager's Init, then: the first field 1, the thread's scrolling request and
    /// the program's error manager, the procedure's toolbar, the request and response globals
    /// cleared, the procedure's files opened, the window opened.
    std::uint32_t Init() override;

protected:
    window::Window& ProcedureWindow() { return m_window; }

    /// The control of field `equate` of the procedure's window, 0 when there is none.
    platform::WindowHandle ControlHandle(std::int32_t equate)
    {
        return platform::FindControl(
            m_window.Handle(), window::kControlIdOffset + static_cast<std::uint32_t>(equate));
    }

    /// Opens the files the procedure works on, just before its window opens. None here.
    virtual void OpenFiles() { }

private:
    window::Window& m_window;
    framework::ToolbarRelay m_toolbar;
};

} // namespace app
