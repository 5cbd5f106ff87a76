#include "Globals.h"
#include "Procedure.h"
#include "Procedures.h"

#include <window/Engine.h>
#include <window/ThreadTable.h>

#include <memory>

namespace app {

namespace {

// The frame's own menu items; the others carry standard actions the window carries out.
constexpr std::int32_t kTestingItem = -2; // "&Testiranje "
constexpr std::int32_t kAboutItem = -12;  // "&Uputa", on the menu bar itself
constexpr std::int32_t kVerifyItem = -13; // "&Provjera "

class FrameProcedure final : public ProgramProcedure {
public:
    using ProgramProcedure::ProgramProcedure;

    std::uint32_t OnAccepted() override
    {
        const std::int32_t accepted = window::AcceptedField();
        // A choice made while the program is modal, or with every thread slot taken, starts
        // nothing and says nothing.
        if (accepted == kTestingItem)
            window::StartThread(HashWindow, kProcedureStackSize);
        else if (accepted == kVerifyItem)
            window::StartThread(VerifyWindow, kProcedureStackSize);
        const std::uint32_t level = WindowManager::OnAccepted();
        if (accepted == kAboutItem)
            window::StartThread(About, kProcedureStackSize);
        return level;
    }
};

} // namespace

void MainFrame()
{
    window::Window frameWindow(platform::WindowKind::Frame, "varn$varn001", "P1$APPFRAME");
    const auto procedure = std::make_unique<FrameProcedure>(frameWindow);
    ThreadResponse() = procedure->Run();
}

} // namespace app
