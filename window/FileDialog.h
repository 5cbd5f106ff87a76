#pragma once

#include <value/ValueReference.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file dialog: lets the user pick a file to open, a name to save under, several files or a
// directory, and writes the choice into a string variable of the calling procedure. It is the
// display's own file dialog, window-modal over the thread's current window (else the
// application frame). While it is up the runtime lock is released and the program is modal,
// as for a message box. Texts on the string stack and in the variable are Windows-1250.

namespace window {

/// Bits of FileDialog's `flags`.
namespace filedialog {
inline constexpr std::uint32_t kSave = 0x01;          ///< a save dialog (otherwise open)
inline constexpr std::uint32_t kKeepDirectory = 0x02; ///< the current directory stays as it was
/// No overwrite question on save; on open the file need not exist.
inline constexpr std::uint32_t kLenient = 0x04;
inline constexpr std::uint32_t kMultiple = 0x08;  ///< several files may be chosen
inline constexpr std::uint32_t kNewStyle = 0x10;  ///< starts in the current directory
inline constexpr std::uint32_t kDirectory = 0x20; ///< a directory is chosen
} // namespace filedialog

/// The filter used when the caller gives none.
inline constexpr std::string_view kDefaultFileFilter = "All Files (*.*)|*.*";

/// A handler installed in place of the dialog: called with the flags and the variable (title
/// and filter already taken from the stack), it answers what FileDialog answers.
using FileDialogHandler
    = std::function<std::int32_t(std::uint32_t flags, const value::ValueReference& variable)>;

/// Installs `handler` in place of the dialog; an empty handler puts the dialog back.
void SetFileDialogHandler(FileDialogHandler handler);

/// The answer FileDialog writes for the absolute UTF-8 `paths` the display confirmed (at least
/// one), in Windows-1250: for kDirectory the first path with a trailing separator; for kMultiple
/// with more than one path, the first path's directory and then each path joined by "|", a path
/// inside that directory by its name alone; otherwise the first path. Nothing when any of it
/// has no Windows-1250 form, or when it ends in a blank, which the variable (blank-padded)
/// would drop: the answer is whole or there is none.
std::optional<std::string> FileDialogAnswer(
    std::uint32_t flags, const std::vector<std::string>& paths);

/// Shows the file dialog. The title (pushed last, at most 80 characters; empty: the display's
/// own caption) and the filter (pushed first, at most 255 characters, pairs of description and
/// pattern joined by "|"; empty: kDefaultFileFilter) are popped from the string stack, always.
/// The variable's value, trailing blanks dropped, is the initial name; a name that does not
/// parse starts the dialog empty. `initialDirectory` (Windows-1250; empty: the current
/// directory) is where the dialog starts unless the flags say otherwise.
///
/// Answers 1 when the user confirmed: the variable then holds the answer (truncated to its
/// size as every assignment is): the chosen path; for kMultiple with more than one file, the
/// directory and then each name, joined by "|"; for kDirectory the directory with a trailing
/// separator. Without kKeepDirectory a confirmed choice makes its directory the current one.
/// Answers 0 when the user cancelled, the variable unchanged, the error state cleared. A
/// chosen name that Windows-1250 cannot spell, or that ends in a blank, is refused (see
/// FileDialogAnswer): the answer is 0, the variable unchanged, and error 45 "Invalid
/// Filename" is posted. Without a display the answer is 0.
std::int32_t FileDialog(std::uint32_t flags, const value::ValueReference& variable,
    std::string_view initialDirectory = {});

} // namespace window
