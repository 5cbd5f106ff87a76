#pragma once

#include <array>

// What the platform says about single Windows-1250 characters: which are letters, their case
// and case partners, and how its locale-aware comparison orders them. These answers are fixed
// properties of the characters, not of the process locale, so every machine gives the same
// ones. The locale environment file's "WINDOWS" settings are built from them.

namespace platform {

/// Whether the character is a letter: A-Z, a-z and the accented and other letters of the code
/// page, including ß and the micro sign µ. The spacing diacritics (ˇ ˘ ˙ ˛ ˝ ´ ¨ ¸), ×, ÷ and
/// the undefined bytes are not letters.
bool IsAlphabetic(unsigned char ansi);
/// Whether the character is an upper-case letter. False for everything that is not a letter.
bool IsUpper(unsigned char ansi);
/// Whether the character is a lower-case letter. ß and µ are lower case although the code page
/// has no upper-case partner for them.
bool IsLower(unsigned char ansi);
/// The lower-case partner of an upper-case letter; every other character answers itself.
unsigned char LowerCaseOf(unsigned char ansi);
/// The upper-case partner of a lower-case letter; every other character, and a lower-case
/// letter whose partner is missing from the code page (ß, µ), answers itself.
unsigned char UpperCaseOf(unsigned char ansi);

/// The characters 1 to 254, each once, in the order in which the platform's string comparison
/// places the one-character strings they make. The order is, from first to last:
///   - control characters (0x01 to 0x1F, 0x7F) and the five undefined bytes, by code;
///   - blanks, punctuation and symbols, by code;
///   - the digits 0 to 9;
///   - letters, Latin before Greek (µ is last). Letters compare by their base letter without
///     regard to case (the decomposition of the accented letter: č is c with a caron), then by
///     diacritic, then by case with lower case first. So a A á Á ... c C č Č ć Ć d D ď Ď đ Đ.
/// Diacritics rank: none, caron, acute, breve, circumflex, ring, diaeresis, double acute, dot
/// above, ogonek, cedilla, stroke. This follows the alphabets that use them (Croatian č before
/// ć, Polish ź before ż, Hungarian ó ö ő, Romanian ă before â); a stroke (đ, ł) ranks last. ß
/// compares as "ss", so it follows every form of s and precedes t.
std::array<unsigned char, 254> SingleCharacterOrder();

} // namespace platform
