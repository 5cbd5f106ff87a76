#include <files/ErrorTexts.h>
#include <value/RuntimeFault.h>
#include <window/EngineErrors.h>

namespace window {

std::string_view EngineErrorText(EngineError error)
{
    // The texts live in the program's string table, where the run-time error stop finds them.
    return files::ProgramStringText(static_cast<std::int32_t>(error)).value_or(std::string_view {});
}

void RaiseEngineError(EngineError error)
{
    // The stop shows the number's own text; these errors add nothing to it.
    value::RuntimeErrorStop(static_cast<int>(error), {});
}

} // namespace window
