#include "Procedure.h"

#include "Globals.h"

namespace app {

std::uint32_t ProgramProcedure::Init()
{
    request = ThreadRequest();
    if (const std::uint32_t level = WindowManager::Init(); level != framework::LevelOk)
        return level;
    firstField = 1;
    vcrRequest = &ThreadScrollRequest();
    errors = &AppErrors;
    AttachToolbar(m_toolbar);
    ThreadRequest() = 0;
    ThreadResponse() = 0;
    OpenFiles();
    m_window.Open();
    opened = 1;
    SetKeyAlerts();
    return framework::LevelOk;
}

} // namespace app
