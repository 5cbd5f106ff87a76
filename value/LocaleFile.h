#pragma once

#include <platform/SystemError.h>

#include <cstddef>
#include <string_view>

// The locale environment file: a plain-text file next to the program (its name with the
// extension replaced by ".ENV") through which an installation replaces the character model
// (collating weights, case pairs, digraphs), the month names, the AM/PM marks, the standard
// button captions and any run-time message text. It is read once during start-up; a missing
// file is normal and leaves every default.
//
// Format. Lines end with CR, LF or both; the byte 0x1A ends the file, and a last line without
// a line end counts. A setting line is NAME=VALUE:
//   - blanks in the name are ignored; a control character in the name, or a name running past
//     31 characters, throws away what was collected and starts a new name at the next
//     character; lines without "=" set nothing;
//   - the value runs to the end of the line, at most 1024 characters (the rest of the line is
//     dropped), less its trailing blanks and tabs;
//   - in the value, "<" followed by decimal digits is the byte with that code, and the
//     character that ends the digits (normally ">") is consumed; "<<" is one "<"; "<" followed
//     by anything else, and "<" with a number above 255, stand for themselves. A value ends at
//     its first NUL byte, written or escaped, since every text it feeds is NUL-terminated.
//
// Trailing blanks are removed before escapes are read, so "<32>" can end a value with a blank.

namespace value {

inline constexpr std::size_t kLocaleNameLimit = 31;
inline constexpr std::size_t kLocaleValueLimit = 1024;
/// A value that begins with a double quote is read up to this many characters.
inline constexpr std::size_t kLocaleQuotedValueLimit = 400;

/// The character set in which a file writes its values. ORVCHARSET switches it for the lines
/// that follow; each file starts in ANSI.
enum class LocaleCharacterSet {
    Ansi,
    Oem,
};

/// Applies one setting. `name` is the setting's name without blanks: the nine names
/// ORVCHARSET, ORVCOLSEQ, ORVCASE, ORVMONTH, ORVMON, ORVAMPM, ORVDIGRAPH, ORVBUTTON and ORVLFN
/// match in any case; "ORVMSG" in capitals followed by a decimal number (at most 2^31 - 1)
/// names one message's override. Any other name is ignored, and so are items a setting does
/// not expect.
///
/// `value` is the escaped-decoded value in `characterSet`; ORVCHARSET changes `characterSet`
/// for the settings that follow. OEM values are converted to ANSI byte by byte before use; a
/// byte with no ANSI form is kept unchanged.
///
/// Value syntax: leading blanks and tabs are skipped and an empty value has no items. A value
/// beginning with a double quote is a list of items as written (at most 400 characters):
/// items are separated by a comma or blanks (blanks around one comma count as one separator,
/// two commas enclose an empty item), a quoted part may hold commas and blanks, and "" inside
/// it is one double quote. Any other value is split at each comma, the items keeping their
/// blanks, and a double quote is an ordinary character; ORVCOLSEQ and ORVMSG take such a
/// value whole, commas included.
void ApplyLocaleSetting(
    std::string_view name, std::string_view value, LocaleCharacterSet& characterSet);

/// As above for a value in ANSI; an ORVCHARSET setting has no effect beyond the call.
void ApplyLocaleSetting(std::string_view name, std::string_view value);

/// Reads a whole environment file held in `bytes` and applies its settings in order. Any
/// bytes are accepted; nothing is read past the buffer.
void ParseLocaleText(std::string_view bytes);

/// Reads the environment file at `path` and applies its settings. When the file cannot be
/// opened or read, error code 2 (file not found) is posted and nothing changes: settings are
/// applied only once the whole file has been read. Success leaves the error code alone. Answers
/// the system's error that kept the file from being read (FileNotFound or PathNotFound for a
/// missing file, AccessDenied for one the user may not read or that is no regular file), None
/// when it was read.
platform::SystemError LoadLocaleFile(std::string_view path);

/// Loads the environment file belonging to the running program ("/x/prog" reads "/x/prog.ENV").
/// Start-up calls it once, after the international settings have been read. When the
/// program's own path cannot be found the result is that of a missing file. Answers as
/// LoadLocaleFile.
platform::SystemError LoadLocaleEnvironment();

} // namespace value
