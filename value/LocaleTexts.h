#pragma once

#include <cstddef>
#include <string_view>

// The texts that dates, times and the file dialogs take from the locale: the month names, their
// abbreviations, the morning and afternoon marks of times, and whether the common file dialogs
// show long file names. They start with English defaults and only the locale environment file
// changes them, during start-up; afterwards they are read-only, so readers take no lock.
//
// Each text is held within its limit: a longer text given to a setter is cut, so every reader
// can rely on the limits below without checking.

namespace value {

inline constexpr int kMonthCount = 12;
inline constexpr std::size_t kMonthNameLimit = 12;
inline constexpr std::size_t kMonthAbbreviationLimit = 3;
inline constexpr std::size_t kTimeMarkLimit = 2;

/// The full name of `month` (1 = January to 12), at most kMonthNameLimit characters.
/// Default "January" to "December". A month outside 1 to 12 asserts; without assertions it
/// answers the empty text, and the setters below ignore it.
std::string_view MonthName(int month);
/// The abbreviated name of `month` (1 to 12), at most kMonthAbbreviationLimit characters.
/// Default "Jan" to "Dec".
std::string_view MonthAbbreviation(int month);
/// The mark of a morning time, at most kTimeMarkLimit characters. Default "AM".
std::string_view MorningMark();
/// The mark of an afternoon time, at most kTimeMarkLimit characters. Default "PM".
std::string_view AfternoonMark();
/// Whether the common file dialogs show long file names. Default false.
bool ShowLongFileNames();

/// Replaces the full name of `month` (1 to 12) with `text` cut to kMonthNameLimit characters.
/// The text is bytes: a NUL is kept like any other character.
void SetMonthName(int month, std::string_view text);
/// Replaces the abbreviation of `month` (1 to 12) with `text` cut to kMonthAbbreviationLimit.
void SetMonthAbbreviation(int month, std::string_view text);
/// Replaces the morning mark with `text` cut to kTimeMarkLimit characters.
void SetMorningMark(std::string_view text);
/// Replaces the afternoon mark with `text` cut to kTimeMarkLimit characters.
void SetAfternoonMark(std::string_view text);
void SetShowLongFileNames(bool show);

/// Puts every text back to its default (start-up, and test fixtures).
void ResetLocaleTexts();

} // namespace value
