#pragma once

#include <platform/SystemError.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

// The hashing library (libpelnix) as the runtime calls it. The library's two functions write a
// control number of 40 characters, or an empty string when they cannot form one; these calls
// add what the library does not say: why a file could not be hashed.

namespace platform {

/// The characters of a control number; the digest area the library writes into needs one more
/// for the terminating NUL the caller provides.
inline constexpr std::size_t kControlNumberLength = 40;

/// The control number of the `length` bytes at `data`, written into `digest` (at least
/// kControlNumberLength bytes; `data` may be null when `length` is 0). On failure digest[0] is
/// NUL.
void HashData(const unsigned char* data, std::uint32_t length, char* digest);

/// The control number of the contents of the file named `ansiPath` (Windows-1250, as the
/// runtime holds names; the library is given the file system's spelling), written into
/// `digest` (at least kControlNumberLength bytes). Answers None when the number was formed;
/// otherwise digest[0] is NUL and the answer says why: InvalidName for an empty name, one
/// holding a NUL or one the file system cannot spell; FileNotFound or PathNotFound for a
/// missing file or directory; AccessDenied for a file that may not be read, a directory or
/// anything else that is no regular file; GeneralFailure when reading failed on the way.
/// Reads the whole file: may take long, and touches no runtime state.
[[nodiscard]] SystemError HashFile(std::string_view ansiPath, char* digest);

} // namespace platform
