#pragma once

#include <platform/SystemError.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The program's one error state, as ERRORCODE(), ERROR(), ERRORFILE(), FILEERRORCODE() and
// FILEERROR() answer it.
//
// The number itself lives in the value layer (value::ErrorCode), so that a lower layer can
// post one (the locale loader posts 2) and every reader sees the same number. The text is not
// stored: ErrorText() derives it from the current number each time it is asked, so it matches
// the number whoever posted it. The file-side details (ERRORFILE and the driver's texts) are
// stored with the number they were posted with and count only while that is still the
// current number: once anything else is posted, through this interface or through
// value::PostErrorCode, they read as 0 and blank. (Posting the very same number again through
// value::PostErrorCode cannot be told apart and keeps them.)
//
// The state is shared by the runtime's threads: it is read and written under the runtime lock
// (asserted, value/RuntimeLock.h). The message overrides are read-only after start-up, so a text
// derived later is the text the number had when posted.

namespace files {

struct FileDeclaration;

/// The longest ERROR() text; a longer text is cut.
inline constexpr std::size_t kMaxErrorTextLength = 79;
/// The error whose text starts the text of a number that has none: "Unknown Error Posted".
inline constexpr std::int32_t kUnknownErrorPosted = 81;
/// Operating-system errors are posted as this plus the system's error number.
inline constexpr std::int32_t kSystemErrorBase = 300;

/// Everything the error state holds, so that a caller can put it back after work of its own
/// that posts errors (SaveErrorState, RestoreErrorState).
struct ErrorStateSnapshot {
    std::int32_t code = 0;
    const FileDeclaration* file = nullptr;
    std::string fileErrorCode;
    std::string fileErrorText;
    platform::SystemError systemError = platform::SystemError::None;
};

/// Posts error `code` that concerns no file: ERRORCODE := code, ERRORFILE := 0, the driver
/// texts blank. A `code` of 0 stands for the operating system's last error
/// (platform::LastSystemError) and posts 300 plus its number; with no last error that is 300,
/// which has no text. The system's last error is saved with the post either way.
void PostError(std::int32_t code);

/// Posts error `code` (0 as for PostError) that `file` caused: ERRORFILE := `file`, and the
/// driver-specific FILEERRORCODE and FILEERROR texts (blank for a driver that has none, such
/// as the ASCII driver).
void PostFileError(std::int32_t code, const FileDeclaration* file,
    std::string_view fileErrorCode = {}, std::string_view fileErrorText = {});

/// Clears the state: ERRORCODE and ERRORFILE 0, the three texts blank. The saved system error
/// is kept.
void ClearErrorState();

/// ERRORCODE(): the current error number, 0 when clear.
std::int32_t ErrorCode();

/// ERROR(): the text of the current error number (see ErrorTextOf), blank when clear.
std::string ErrorText();

/// ERRORFILE(): the FILE of the last file error, or null when the current error concerns no
/// file or the state is clear.
const FileDeclaration* ErrorFile();

/// FILEERRORCODE(): the driver's own error code text for the current file error, or blank.
/// The view stays valid until the next post, clear or restore.
std::string_view FileErrorCode();

/// FILEERROR(): the driver's own error text for the current file error, or blank. The view
/// stays valid until the next post, clear or restore.
std::string_view FileErrorText();

/// The operating system's last error as it was when an error was last posted through this
/// interface.
platform::SystemError SavedSystemError();

/// The text error `code` posts: the message override for `code` if there is one, else the
/// program's string table text, else the text of 81 followed by " : " and `code` in decimal;
/// leading blanks dropped, then cut to kMaxErrorTextLength characters. Blank for 0.
std::string ErrorTextOf(std::int32_t code);

/// A copy of the whole state. The code is the current one, however it was posted.
ErrorStateSnapshot SaveErrorState();

/// Puts back a state that SaveErrorState took.
void RestoreErrorState(const ErrorStateSnapshot& snapshot);

/// The error number that a failed open or create of a file posts for system error `error`:
/// a sharing violation (32) becomes 5 "Access Denied", a bad path name (161) 3 "Path Not
/// Found", an invalid name (123) 45 "Invalid Filename"; any other number stays as it is.
std::int32_t MapOpenError(platform::SystemError error);

} // namespace files
