#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

// The hashing library (libpelnix) as the runtime calls it: the control number of 40 characters,
// and for a file why it gave none, in the runtime's terms, with progress and a way to stop.

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
    NotAFile,     ///< a pipe, a device, a socket: anything but a regular file or a directory
    IsDirectory,  ///< the name is a directory
    AccessDenied, ///< the file may not be read
    ReadFailed,   ///< reading failed on the way
    Cancelled,    ///< the progress callback asked to stop
};

/// Told on the hashing thread how far the hashing has come: `done` bytes read of `total`, the
/// file's size (never less than done); at most about ten times a second, and once more when the
/// last byte was read (done == total). Answers true to stop the hashing.
using HashProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

/// The control number of the contents of the file named `ansiPath` (Windows-1250, as the
/// runtime holds names; the library is given the file system's spelling), written into
/// `digest` (at least kControlNumberLength bytes). Answers None when the number was formed;
/// otherwise digest[0] is NUL and the answer says why. Reads the whole file: may take long,
/// and touches no runtime state. A directory answers NotAFile here, as anything else that is not
/// a regular file does.
[[nodiscard]] FileHashError HashFile(std::string_view ansiPath, char* digest);

/// As HashFile above, telling `progress` (which may be empty) how far it has come; a directory
/// answers IsDirectory, and a stop asked for by `progress` answers Cancelled. Nothing is waited
/// on: a pipe or device is refused before it is read.
[[nodiscard]] FileHashError HashFile(
    std::string_view ansiPath, char* digest, const HashProgress& progress);

} // namespace platform
