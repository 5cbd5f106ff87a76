#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <value/Module.h>
#include <window/RuntimeMain.h>

// The program takes nothing from its command line. The process's main thread runs the
// display; the program itself runs as the runtime's first thread beside it.
int main()
{
    return window::RunRuntime([] {
        const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
        return value::RunProgram(
            app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
    });
}
