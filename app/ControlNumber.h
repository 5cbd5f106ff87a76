#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A control number the user expects, typed or pasted from wherever it was published (an e-mail,
// a web page, a HASHBROJ.TXT), read leniently; and the text of a result file picked to read it
// from. Texts are Windows-1250 bytes as the runtime holds them; the reasons given are UTF-8, for
// ProgramText.

namespace app {

/// Why a text does not read as a control number.
enum class NumberProblem : std::uint8_t {
    None,
    Empty,    ///< nothing but blanks, tabs, no-break spaces and line breaks
    NotHex,   ///< a character that is neither a hex digit nor ignored
    TooShort, ///< fewer than 40 hex digits
    TooLong,  ///< more than 40 hex digits (two numbers, say)
};

struct ExpectedNumber {
    NumberProblem problem = NumberProblem::Empty;
    std::string digits;         ///< the 40 digits in the library's case, when problem is None
    std::size_t digitCount = 0; ///< hex digits found (TooShort, TooLong)
    std::size_t position = 0;   ///< NotHex: 1-based character position in the text as given
    std::string character;      ///< NotHex: the character as given (Windows-1250 byte(s))
};

/// Reads `text` (Windows-1250) as a control number: upper or lower case; "-" separators (and
/// the en and em dashes text from a web page or a document may carry instead),
/// blanks, tabs, no-break spaces and line breaks (CR, LF) anywhere are ignored; a leading label
/// is ignored: everything up to and including the last ":" or "=" (as in "SHA1: ...",
/// "SHA-1 = ...", "SHA1 (file.iso) = ..."), and a bare leading word "SHA1"/"SHA-1"/"SHA 1"
/// (any case) without one. A line as checksum tools print it, the file's name after the number
/// and two blanks or a blank and "*" ("a9993e...d89d  abc.txt"), gives its number. What is
/// left must be exactly 40 hex digits.
///
/// A label, or the bare word (which must end at an ignored character), is taken only when a
/// character that is not ignored follows it: "SHA1:" alone, or a number followed by a stray
/// ":", is read whole, so the answer points at the character that does not belong. The first
/// character that is neither a hex digit nor ignored is reported (NotHex) before any count: a
/// "g" among 40 characters reports the "g". Its position counts characters as the user sees
/// them, which in Windows-1250 are bytes ("č" is one). Otherwise every hex digit counts: two
/// numbers on two lines are TooLong with 80 digits. A text of separators ("-") but no digits is
/// TooShort with 0 digits; only a blank text is Empty.
[[nodiscard]] ExpectedNumber ReadExpectedNumber(std::string_view text);

/// What is wrong, in Croatian (UTF-8), to follow "Očekivani kontrolni broj nije ispravan: ":
/// "ima 39 heksadekadskih znamenki, a treba ih 40.", "ima 41 heksadekadsku znamenku, a treba
/// ih 40.", "znak \"x\" na 12. mjestu nije heksadekadska znamenka (0-9, A-F).", "polje je
/// prazno.". A control character, or a byte Windows-1250 leaves undefined, is named by its code
/// ("znak s kodom 0x09") since it cannot be shown. Empty for None.
[[nodiscard]] std::string ExpectedNumberProblemText(const ExpectedNumber& number);

/// "xxxxxxxxxx-xxxxxxxxxx-xxxxxxxxxx-xxxxxxxxxx": 40 digits in four groups of ten. Any other
/// length is grouped by ten all the same, the last group shorter.
[[nodiscard]] std::string GroupedNumber(std::string_view digits);

/// The first group of ten (0..3) in which two 40-digit numbers differ (case ignored);
/// empty when they are equal. Of two texts of other lengths, a character one lacks differs.
[[nodiscard]] std::optional<std::size_t> FirstDifferingGroup(
    std::string_view a, std::string_view b);

/// Why a result file gave no text to read a number from.
enum class NumberFileProblem : std::uint8_t {
    None,
    NotFound,     ///< no such file, a directory on the way missing, or a name no file can have
    NotAFile,     ///< a directory, FIFO, device or socket (also behind a symbolic link)
    AccessDenied, ///< the file may not be read
    ReadFailed,   ///< reading failed on the way, or a writer kept the file to itself
    Empty,        ///< no line holds anything but blanks
    TooBig,       ///< more than kNumberFileLimit bytes
};

struct NumberFileText {
    NumberFileProblem problem = NumberFileProblem::None;
    std::string text; ///< the line (Windows-1250), when problem is None
};

/// The most a result file to read a number from may hold: no HASHBROJ.TXT is that large, and
/// nothing waits on a huge file.
inline constexpr std::size_t kNumberFileLimit = 64 * 1024;

/// The text of the file named `ansiPath` (Windows-1250, as the runtime holds names) to read
/// an expected number from: its first line that is not blank, without its line break. A file
/// of more than 64 KiB is refused as TooBig (no HASHBROJ.TXT is that large; nothing waits on a
/// huge file), a FIFO, device, socket or directory as NotAFile without waiting on it.
///
/// A line ends at LF, CR LF or a lone CR; a line of blanks, tabs and no-break spaces is blank.
/// A UTF-8 byte-order mark at the start of the file is passed over. The file is opened for
/// reading alone, letting others read and write; while another copy of the program writes the
/// file (it keeps it to itself for a line and a flush), the read waits a moment for it, with
/// the runtime lock released when the caller holds it.
[[nodiscard]] NumberFileText ReadNumberFile(std::string_view ansiPath);

/// Its reason in Croatian (UTF-8), as the hash window gives a file's ("datoteka ne postoji.",
/// "to je mapa, cijev, ...", ...). Empty for None.
[[nodiscard]] std::string NumberFileProblemText(NumberFileProblem problem);

} // namespace app
