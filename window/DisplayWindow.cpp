#include <window/DisplayWindow.h>
#include <window/Engine.h>

namespace window {

namespace {
constexpr std::uint32_t kTimerId = 1;
}

DisplayWindow::DisplayWindow(platform::WindowOptions options)
    : WindowObject(options.kind)
    , m_options(std::move(options))
{
}

DisplayWindow::~DisplayWindow()
{
    if (IsOpen())
        CloseWindow(*this);
}

void DisplayWindow::AddControlOptions(std::int32_t equate, platform::ControlOptions options)
{
    options.id = static_cast<std::uint32_t>(equate + kControlIdBase);
    m_pending.push_back({ equate, std::move(options) });
}

bool DisplayWindow::CreatePlatformWindow()
{
    if (m_options.kind == platform::WindowKind::MdiChild && m_options.owner == 0) {
        if (WindowObject* frame = ApplicationFrame())
            m_options.owner = frame->Handle();
    }
    m_handle = platform::CreateWindow(m_options);
    if (m_handle == 0)
        return false;
    for (PendingControl& pending : m_pending) {
        pending.options.parent = m_handle;
        AddControl(pending.equate, platform::CreateControl(pending.options));
    }
    if (m_timerPeriod != 0)
        platform::SetTimer(m_handle, kTimerId, m_timerPeriod * 10);
    return true;
}

void DisplayWindow::DestroyPlatformWindow()
{
    if (m_handle == 0)
        return;
    if (m_timerPeriod != 0)
        platform::KillTimer(m_handle, kTimerId);
    platform::DestroyWindow(m_handle);
    m_handle = 0;
}

bool DisplayWindow::HasPlatformWindow() const
{
    return IsOpen() && m_handle != 0 && platform::IsWindow(m_handle);
}

void DisplayWindow::BringToTop()
{
    if (Kind() == platform::WindowKind::MdiChild && ApplicationFrame() != nullptr)
        platform::BringToTop(ApplicationFrame()->Handle());
    else if (m_handle != 0)
        platform::BringToTop(m_handle);
}

void DisplayWindow::GiveFocus(std::int32_t equate)
{
    if (platform::WindowHandle control = ControlHandle(equate))
        platform::SetFocus(control);
}

void DisplayWindow::CursorPosition(std::int32_t& x, std::int32_t& y) const
{
    x = 0;
    y = 0;
    if (m_handle != 0)
        platform::CursorPosition(m_handle, x, y);
}

void DisplayWindow::Beep()
{
    platform::Beep();
}

} // namespace window
