#pragma once

#include <platform/SystemError.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Text at the edges of the runtime. Inside it, text is Windows-1250 ("ANSI") bytes; the OEM
// code page is 852. The display and the file system speak UTF-8. A character with no form in
// the target is reported (SystemError::NoUnicodeTranslation), never silently replaced.
//
// The bytes 0x00 to 0x7F are ASCII in both code pages, control characters included, so they
// always convert to themselves. Windows-1250 leaves 0x81, 0x83, 0x88, 0x90 and 0x98 undefined:
// they have no Unicode form and so no form in any other character set either.

namespace platform {

/// Windows-1250 to UTF-8. Fails on the five bytes the code page leaves undefined.
Result<std::string> AnsiToUtf8(std::string_view ansi);
/// UTF-8 to Windows-1250. Fails on malformed UTF-8 and on characters outside the code page.
/// Malformed means a stray continuation byte, a truncated sequence, an overlong form, a
/// surrogate (U+D800 to U+DFFF) or a value above U+10FFFF; both kinds of failure answer
/// NoUnicodeTranslation.
Result<std::string> Utf8ToAnsi(std::string_view utf8);
/// UTF-8 to Windows-1250 for text that is only shown, never stored or used as a name: each
/// character the code page lacks, and each byte of malformed UTF-8, becomes "?".
std::string Utf8ToAnsiShown(std::string_view utf8);
/// Code page 852 to Windows-1250, byte for byte. Fails when any character has no
/// Windows-1250 form (the box-drawing and shading characters, for example).
Result<std::string> OemToAnsi(std::string_view oem);
/// Windows-1250 to code page 852, byte for byte. Fails when any character has no code page 852
/// form (typographic quotes, dashes, the euro sign, the undefined bytes, for example).
Result<std::string> AnsiToOem(std::string_view ansi);

/// Converts `size` bytes at `data` from Windows-1250 to code page 852 in place. Either every
/// byte converts and the buffer holds the result, or the answer is NoUnicodeTranslation and the
/// buffer is untouched: a record is never left half converted. Answers None on success.
[[nodiscard]] SystemError AnsiToOemBuffer(char* data, std::size_t size);
/// Converts `size` bytes at `data` from code page 852 to Windows-1250 in place, with the same
/// all-or-nothing promise as AnsiToOemBuffer.
[[nodiscard]] SystemError OemToAnsiBuffer(char* data, std::size_t size);

/// The code page 852 form of one Windows-1250 character, or nothing when it has none.
std::optional<unsigned char> AnsiToOemChar(unsigned char ansi);
/// The Windows-1250 form of one code page 852 character, or nothing when it has none.
std::optional<unsigned char> OemToAnsiChar(unsigned char oem);

/// The Unicode code point of one Windows-1250 character; nothing for the undefined bytes.
std::optional<char32_t> AnsiToUnicode(unsigned char ansi);
/// The Windows-1250 byte of a Unicode code point, or nothing when the code page lacks it.
std::optional<unsigned char> UnicodeToAnsi(char32_t codePoint);

} // namespace platform
