#include <window/Engine.h>
#include <window/WindowObject.h>

namespace window {

WindowObject::WindowObject(platform::WindowKind kind)
    : m_kind(kind)
{
}

WindowObject::~WindowObject()
{
    if (m_open)
        ForgetWindow(*this);
}

void WindowObject::AddControl(std::int32_t equate, platform::WindowHandle control)
{
    m_controls[equate] = control;
}

bool WindowObject::IsField(std::int32_t equate) const
{
    return equate != 0 && m_controls.count(equate) != 0;
}

platform::WindowHandle WindowObject::ControlHandle(std::int32_t equate) const
{
    auto found = m_controls.find(equate);
    return found == m_controls.end() ? 0 : found->second;
}

std::int32_t WindowObject::FirstField() const
{
    return m_controls.empty() ? 0 : m_controls.begin()->first;
}

std::int32_t WindowObject::LastField() const
{
    return m_controls.empty() ? 0 : m_controls.rbegin()->first;
}

} // namespace window
