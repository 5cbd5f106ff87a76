#pragma once

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

/// Why a file gave no control number.
enum class FileHashError : std::uint8_t {
    None,
    NoName,       ///< the name is empty
    InvalidName,  ///< it holds a NUL, or the file system cannot spell it
    FileNotFound, ///< no file of that name in its directory
    PathNotFound, ///< a directory on the way is missing, or is a file
    NotAFile,     ///< a directory, a pipe, a device: anything but a regular file
    AccessDenied, ///< the file may not be read
    ReadFailed,   ///< reading failed on the way
};

/// The control number of the contents of the file named `ansiPath` (Windows-1250, as the
/// runtime holds names; the library is given the file system's spelling), written into
/// `digest` (at least kControlNumberLength bytes). Answers None when the number was formed;
/// otherwise digest[0] is NUL and the answer says why. Reads the whole file: may take long,
/// and touches no runtime state.
[[nodiscard]] FileHashError HashFile(std::string_view ansiPath, char* digest);

} // namespace platform
