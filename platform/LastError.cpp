#include "LastError.h"

namespace platform {

namespace {
thread_local SystemError t_lastSystemError = SystemError::None;
} // namespace

SystemError LastSystemError()
{
    return t_lastSystemError;
}

void SetLastSystemError(SystemError error)
{
    t_lastSystemError = error;
}

} // namespace platform
