#include "RuntimeFault.h"

#include <platform/Process.h>
#include <value/Module.h>

#include <string>

namespace value {

namespace {

void DefaultStop(int number, std::string_view text)
{
    platform::ShowStopNotice("Run-time error " + std::to_string(number), text);
    ExitProgram(2);
}

RuntimeErrorStopHook g_stop = &DefaultStop;

} // namespace

RuntimeErrorStopHook SetRuntimeErrorStopHook(RuntimeErrorStopHook hook)
{
    RuntimeErrorStopHook previous = g_stop;
    g_stop = hook != nullptr ? hook : &DefaultStop;
    return previous;
}

void RuntimeErrorStop(int number, std::string_view text)
{
    g_stop(number, text);
}

} // namespace value
