#include <app/CommandLine.h>
#include <app/ProgramMain.h>
#include <app/ProgramModule.h>
#include <value/Module.h>
#include <window/RuntimeMain.h>

#include <cstddef>
#include <iostream>
#include <span>

// The command line is answered first: --help, --version and a refused option need no display.
// Otherwise the process's main thread runs the display, which takes the toolkit's own options
// from the same arguments, and the program itself runs as the runtime's first thread beside it.
int main(int argc, char** argv)
{
    const std::span<const char* const> arguments(
        argv + 1, argc > 0 ? static_cast<std::size_t>(argc - 1) : 0);
    if (const auto exitCode = app::AnswerCommandLine(arguments, std::cout, std::cerr))
        return *exitCode;
    return window::RunRuntime(
        [] {
            const value::ProgramEntryOptions options { value::kRuntimeVersionWord, 0, 0 };
            return value::RunProgram(
                app::ProgramModule(), options, &app::ProgramMain, &app::RuntimeShutdown);
        },
        argc, argv);
}
