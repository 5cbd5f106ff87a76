#pragma once

#include <platform/SystemError.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The operating system's profile (the user's WIN.INI): an INI file the runtime only reads.
//
// Syntax as Windows reads it: "[section]" lines open a section; "key=value" lines belong to the
// section above them; blanks around the key and around the value are dropped; a value enclosed
// in a matching pair of double or single quotes loses them; lines starting with ';' are
// comments; lines without '=' are no keys. Lines end in CR LF, LF or CR. Sections and keys are
// compared without regard to ASCII case; the first section of a name is the only one searched,
// and within it the first line of a key wins. Lines above the first section belong to no section.
//
// The file is read again on every call: reads are rare (start-up, first attach of a file), and
// a user who edits the file sees the change at the next read.

namespace platform {

/// The profile file in use: `$VARN_WIN_INI` when set and non-empty, else
/// `$XDG_CONFIG_HOME/varn/win.ini` when that variable holds an absolute path, else
/// `$HOME/.config/varn/win.ini`. Nothing when none of these can be formed (no HOME either).
/// The file need not exist.
std::optional<std::string> ProfileFilePath();

/// Why the profile file in use cannot be read, for a program that tells its user at start-up:
/// None when it is read, when it is missing (its defaults are meant then) and when no path can
/// be formed. Otherwise the error, AccessDenied for a file the user may not read and for
/// anything that is no regular file (a directory, a FIFO, a device): every read then answers
/// the caller's default. Never waits: a FIFO is not read.
SystemError ProfileFileProblem();

/// The value of `key` in `section`, as the bytes stored in the file (Windows-1250 text; no
/// conversion here). Answers `defaultValue`, less its trailing blanks, when the file, the section
/// or the key is missing or the file cannot be read; a key present with an empty value answers
/// the empty string. There is no length limit: a caller with one truncates.
std::string GetProfileString(
    std::string_view section, std::string_view key, std::string_view defaultValue);

/// The value of `key` in `section` read as a decimal integer. Answers `defaultValue` when the
/// key is missing (or the file, or the section) and also when its value is empty. Otherwise an
/// optional sign and the leading decimal digits make the number: "12abc" gives 12, "+7" gives 7,
/// and a value without them gives 0 ("abc"; "0x10" gives 0 too, hexadecimal is not read).
/// Numbers beyond 32 bits wrap as Windows' own conversion does ("4294967297" gives 1,
/// "-4294967297" gives -1).
std::int32_t GetProfileInt(
    std::string_view section, std::string_view key, std::int32_t defaultValue);

} // namespace platform
