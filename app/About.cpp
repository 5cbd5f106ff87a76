#include "Globals.h"
#include "Procedure.h"
#include "Procedures.h"

#include <window/Engine.h>
#include <window/EventCodes.h>

#include <memory>

namespace app {

namespace {

constexpr std::int32_t kOkButton = 16;

class AboutProcedure final : public ProgramProcedure {
public:
    using ProgramProcedure::ProgramProcedure;

    std::uint32_t OnAccepted() override
    {
        if (window::AcceptedField() == kOkButton)
            window::PostEvent(window::event::kCloseWindow);
        return WindowManager::OnAccepted();
    }
};

} // namespace

void About(std::vector<std::string> /*parameters*/)
{
    window::Window aboutWindow(platform::WindowKind::Plain, "varn$varn004", "P1$WINDOW");
    const auto procedure = std::make_unique<AboutProcedure>(aboutWindow);
    ThreadResponse() = procedure->Run();
}

} // namespace app
