#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <value/Module.h>

// The program takes nothing from its command line.
int main()
{
    const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
    return value::RunProgram(
        app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
}
