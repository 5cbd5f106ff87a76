#include "Process.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
// Only its address matters: it is fixed for the life of the process and never 0.
const char kModuleAnchor = 0;
} // namespace

ModuleHandle OwnModuleHandle()
{
    return reinterpret_cast<ModuleHandle>(&kModuleAnchor);
}

void ShowStopNotice(std::string_view title, std::string_view text)
{
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
        static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

void EndProcess(int exitCode)
{
    std::fflush(nullptr);
    _exit(exitCode);
}

} // namespace platform
