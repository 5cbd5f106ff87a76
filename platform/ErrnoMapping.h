#pragma once

#include <platform/SystemError.h>

#include <string_view>

namespace platform {

/// The Windows error number for a failed system call's errno value; every errno-to-number
/// decision of the platform is made here. A missing name (ENOENT) answers FileNotFound when
/// the directory that should hold `path` exists and PathNotFound when it does not, so pass the
/// path the call was about; without one ENOENT answers FileNotFound. A component that is not
/// a directory (ENOTDIR) answers PathNotFound. An errno with no closer match answers
/// GeneralFailure; 0 answers None.
SystemError ErrorFromErrno(int error, std::string_view path = {});

} // namespace platform
