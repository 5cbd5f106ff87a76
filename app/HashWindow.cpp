#include "Globals.h"
#include "Procedure.h"
#include "Procedures.h"

#include <value/DeclaredStrings.h>

#include <memory>

namespace app {

namespace {

/// What the hash window shows, created as the procedure starts.
struct HashWindowData {
    value::STRING<500> textBuffer;     ///< the typed string (the text box)
    value::STRING<43> formattedNumber; ///< the number in four groups of ten
    value::STRING<60> resultPath;      ///< where the result file lies, or blank
};

class HashWindowProcedure final : public ProgramProcedure {
public:
    using ProgramProcedure::ProgramProcedure;
};

} // namespace

void HashWindow(std::vector<std::string> /*parameters*/)
{
    const auto data = std::make_unique<HashWindowData>();
    window::Window hashWindow(platform::WindowKind::MdiChild, "varn$varn002", "P1$WINDOW",
        { data->textBuffer.Data(), data->formattedNumber.Data(), data->resultPath.Data(),
            InputFileName.Data(), nullptr });
    const auto procedure = std::make_unique<HashWindowProcedure>(hashWindow);
    ThreadResponse = procedure->Run();
}

} // namespace app
