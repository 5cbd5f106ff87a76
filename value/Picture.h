#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Display pictures: short texts such as @N12.2, @D6, @T4 or @S40 that say how a value is shown
// in a control, a report or the result of FORMAT, and how typed text is read back by DEFORMAT.
// A picture text is compiled once into a CompiledPicture, a fixed row of character positions
// each with a role; values are then formatted into that row, or typed text read back through
// it, without allocating.
//
// Numbers reach the formatter as the top decimal register (value/Decimal.h); dates and times as
// the register holding their day or time number (value/Dates.h). Nothing here raises a run-time
// error: an invalid picture compiles to width 0 and formats as nothing.
//
// Choices this runtime makes where the picture language leaves room:
//   - @E shows a sign position, one mantissa digit, the decimal character and the picture's
//     places, then "e", the exponent's sign and three exponent digits, right-aligned in the
//     width: @E12.2 of 1234.5 is "   1.23e+003". A width too small for that layout is invalid.
//   - A leading currency text stays at the left edge; a floating leading sign moves inside
//     the field to stand just before the first shown digit ("$   -12.00"). With the fill "*" or
//     "0" the sign does not float: it stays in its own position ("-***12.00").
//   - A negative number under a numeric picture without a sign takes a "-" in the first free
//     leading position; when there is none the field overflows ("#"), so a negative value is
//     never shown as its magnitude.
//   - The integer positions are laid out from the right, a grouping separator after every three
//     digits. A grouping left over as the leftmost position stays empty (room for a floating
//     sign), so groups are never broken; only a field too narrow for any grouping takes a
//     fourth digit there: @N4 holds four digits, @N5 one group ("1,234").
//   - A single separator character after the width followed by no digits is the grouping
//     character: @N12. groups with "." and shows no decimals.
//   - An overflowing number shows "#" in every digit and grouping position.
//   - A pattern (@P, and the digits of @K) shows the number rounded to an integer, without sign.
//   - The date and time fill "_" shows blanks, as it does for numbers.
//   - A Windows long date format shows each of day, month and year once, at its first field.
//   - Reading a time through a picture: midnight reads as 1 (00:00:00.00), not as no time;
//     marks are matched without regard to case.

namespace value {

enum class PictureKind : std::uint8_t {
    Numeric = 0,    ///< @N
    Scientific = 1, ///< @E
    Date = 2,       ///< @D
    Time = 3,       ///< @T
    Pattern = 4,    ///< @P...P
    String = 5,     ///< @S, and no picture at all
    KeyIn = 6,      ///< @K...K
};

enum class PictureRole : std::uint8_t {
    Literal = 0,         ///< the character is shown unchanged
    Separator,           ///< a literal that a separator modifier replaces
    DigitZeroShown,      ///< a digit; a leading zero shows the position's character
    DigitZeroBlank,      ///< a digit; a leading zero shows the position's character (a blank)
    Grouping,            ///< the thousands separator; the fill inside the suppressed part
    DecimalPoint,        ///< the decimal character
    ImpliedDecimalPoint, ///< the units digit of a number whose decimal point takes no position
    Sign,                ///< "-", "(" or ")" of a negative number
    Currency,            ///< one character of the currency text
    MonthDigit,
    DayDigit,
    YearDigit,
    MonthName, ///< one character of the month name
    HourDigit,
    MinuteDigit,
    SecondDigit,
    TimeMark,     ///< the first character of the AM/PM mark
    TimeMarkTail, ///< the second character of the AM/PM mark
    ExponentSign, ///< "+" or "-" of a scientific exponent
    KeyInClass1,  ///< @K "@"
    KeyInClass2,  ///< @K "^"
    KeyInClass3,  ///< @K "_"
    KeyInClass4,  ///< @K "?"
    KeyInClass5,  ///< @K "|"
};

/// One position of a row. No default values: a picture's row is written by CompilePicture
/// up to its width, and what lies beyond the width is never read.
struct PicturePosition {
    char character;
    PictureRole role;
};

inline constexpr std::size_t kPictureTextLimit = 254;
inline constexpr std::size_t kPicturePositions = 254;
/// The width of a string picture without a text, and the longest value a picture shows.
inline constexpr std::size_t kStringPictureWidth = 255;
/// The window value of a date picture that names none.
inline constexpr std::uint8_t kPictureDefaultWindow = 80;

/// A compiled picture: a value type of fixed size. An invalid picture is all zero (width 0).
/// A default-constructed one has its header zero and its row unset: compile it before use.
struct CompiledPicture {
    PictureKind kind = PictureKind::Numeric;
    std::uint8_t subKind = 0; ///< 3 numeric and pattern, 2 scientific, 1 date and time, else 0
    bool blankWhenZero = false;
    std::uint8_t width = 0;  ///< the number of character positions, 0 when invalid
    std::uint8_t window = 0; ///< date pictures: the two-digit-year window value
    std::uint8_t number = 0; ///< date and time pictures: the layout number
    std::uint8_t places = 0; ///< numeric and scientific pictures: the decimals shown
    /// Numeric, pattern and key-in pictures: the digit positions left of the decimal point.
    std::uint8_t integerDigits = 0;
    /// Numeric pictures: what a grouping position shows in the suppressed leading part.
    char suppressedGrouping = 0;
    /// Numeric pictures: the sign a negative number floats to its first shown digit: the
    /// leading sign's "-" or "(", "-" when the picture has no sign, 0 for a trailing sign.
    char floatingSign = 0;
    /// Numeric pictures: true when a leading sign floats to the first shown digit.
    bool signFloats = false;
    /// Numeric pictures: true when the picture has a sign position.
    bool hasSign = false;
    /// Time pictures: true when an AM/PM mark is shown (the hour is on a 12-hour clock).
    bool hasTimeMark = false;
    /// The row: `width` positions are in use, the rest is unspecified (zero when invalid).
    PicturePosition positions[kPicturePositions];
    const char* source = nullptr; ///< the text the picture was compiled from

    std::string_view Source() const { return source == nullptr ? std::string_view {} : source; }
};

/// The picture FORMAT or DEFORMAT compiled last on a thread, kept with its own copy of the text
/// so that the next call with the same text skips the compile. Each RuntimeThread holds one.
struct RecentPicture {
    char text[kPictureTextLimit + 2] = {}; ///< NUL-terminated; "@" and up to 254 characters
    std::uint32_t generation = 0;          ///< the Windows pictures it was compiled against
    bool valid = false;
    CompiledPicture compiled;
};

/// Compiles `text` (NUL-terminated, with or without the leading "@") into `picture`. A null
/// text compiles to the string picture of width 255; an invalid text leaves `picture` all zero
/// (width 0). The source pointer keeps `text`, so it must outlive uses of Source().
void CompilePicture(CompiledPicture& picture, const char* text);

/// Formats the top decimal register, which it removes, into `buffer` of `length` characters:
/// the buffer is blank-filled first and at most min(width, length) characters are written. An
/// empty register stack formats as 0. No terminator is written.
void FormatDecimal(const CompiledPicture& picture, char* buffer, std::size_t length);

/// FORMAT: compiles `picture`, removes the top decimal register and pushes its formatted text
/// of exactly the picture's width onto the string stack; an invalid picture pushes the empty
/// value.
void FormatToStack(const char* picture);

/// DEFORMAT: pops the string on top of the string stack (its first 254 characters are read),
/// reads it back through `picture` and pushes the plain value as text (at most 255
/// characters). An invalid picture pushes the empty value.
void DeformatToStack(const char* picture);

/// The text a control shows for a value given as text (the variable's value on the string
/// stack): a string picture copies it, cut at the width; every other kind reads the text as
/// a number (as PushTextDecimal does) and formats it. Writes the picture's width of
/// characters into `buffer` (capacity at least 255) and answers that width.
/// A key-in picture places the value's characters into its input positions in order, the way
/// DeformatText reads them out, so that typed text survives being shown again.
std::size_t FormatValueText(const CompiledPicture& picture, std::string_view value, char* buffer);

/// The plain text read back from `typed` through the picture (DEFORMAT's reading rules),
/// at most 255 characters, into `buffer`; answers its length.
std::size_t DeformatText(const CompiledPicture& picture, std::string_view typed, char* buffer);

/// Whether an @K input position of class `keyInClass` (1 to 5) takes the character `c`:
///   1 "@": a letter of either case, or a blank;
///   2 "^": an upper-case letter, or a blank;
///   3 "_": any character but a control character (below 0x20, and 0x7F);
///   4 "?": a letter, a digit, or a blank;
///   5 "|": a lower-case letter, or a blank.
/// Letters and their case follow the character tables (value/Collation.h). Any other class
/// accepts nothing.
bool KeyInClassAccepts(int keyInClass, char c);

/// Builds the Windows date pictures 17 (short) and 18 (long) and time pictures 7 (without
/// seconds) and 8 (with seconds), and the marks those time pictures show, from
/// CurrentIntlSettings(). Start-up calls it after LoadIntlSettings(); tests after
/// SetIntlSettingsForTesting(). Until it runs, the pictures are those of the default settings.
void BuildWindowsPictures();

} // namespace value
