#pragma once

#include <platform/Hashing.h>
#include <platform/MessageQueue.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Hashing a chosen file in a window of the program, as the hash window and the verify window
// both do: the work runs with the runtime lock released while the window's own messages are
// watched for what stops it, a progress line and "Prekini" show once it lasts, and a file that
// gives no number is reported with the reason.

namespace app {

/// The controls of a window that take part in hashing a file, by field equate.
struct FileHashingFields {
    std::int32_t progressLine; ///< a hidden string the progress is written into
    std::int32_t cancelButton; ///< a hidden "Prekini", shown beside it
    std::int32_t closeButton;  ///< "Zatvori": stops the hashing and closes the window
    /// The buttons that may not be pressed while a file is read: disabled meanwhile.
    std::span<const std::int32_t> idleOnly;
};

/// Hashes the file named `ansiPath` (a copy of the name: another window may choose another
/// file meanwhile) for `window`, writing the number into `digest` (kControlNumberLength
/// characters and a NUL). "Prekini" and Esc stop it and have done their job; a close request
/// (the close box, "Zatvori", the program ending) stops it and then closes the window. While it
/// lasts, the fields' idleOnly buttons are disabled, and the focus, lost by a button as it is
/// disabled, comes back to it afterwards; every other control stays as it is. Called with the
/// runtime lock held, on the window's thread. A cancelled hash leaves "Prekinuto." in the
/// progress line; any other end hides the line.
platform::FileHashError HashFileShowingProgress(platform::WindowHandle window,
    const FileHashingFields& fields, const std::string& ansiPath, char* digest);

/// Hides the progress line and "Prekini": what a new press starts with.
void HideHashingProgress(platform::WindowHandle window, const FileHashingFields& fields);

/// Why a file gave no number, in Croatian (UTF-8), as message 102 says it after naming the file.
std::string_view FileHashErrorReason(platform::FileHashError error);

/// Reports a file that gave no number (anything but None and Cancelled): "Datoteka nije
/// odabrana" for no name, else "Kontrolni broj nije formiran" naming the file and the reason.
void ReportFileNotHashed(platform::FileHashError error, std::string_view ansiPath);

} // namespace app
