#pragma once

#include <platform/SystemError.h>

namespace platform {

/// The system error of the calling thread's most recent failed system call, as the platform's
/// file and process functions leave it; None until one fails. Each thread has its own, so a
/// failure on one thread never shows through another thread's error state.
SystemError LastSystemError();

/// Records `error` as the calling thread's last system error (None forgets it). The platform's
/// functions call this when a system call fails; the runtime reads it back when it posts
/// error 0, "the operating system's last error".
void SetLastSystemError(SystemError error);

} // namespace platform
