// libFuzzer target for pictures. The input is a picture text, a line feed, then typed text,
// and optionally a second line feed and a Windows date format that the Windows pictures are
// built from for this input (the clock settings derived from it too).
// Any picture and any typed text must compile, format and read back without harm, leaving the
// string stack and the decimal registers as they were; and two round trips must hold:
//   - a numeric picture shows a number that fits its integer positions so that reading the
//     text back gives the number rounded to the picture's places;
//   - a date picture with one month, one day and one four-digit year (or a two-digit year inside
//     its window) shows a day number so that reading it back gives the same day number.
// Its corpus, fuzz/corpus/picture, is replayed by value_tests (PictureCorpusTest).

#include <value/Collation.h>
#include <value/Dates.h>
#include <value/Decimal.h>
#include <value/IntlSettings.h>
#include <value/LocaleTexts.h>
#include <value/Picture.h>
#include <value/StringStack.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using namespace value;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::string RegisterText(const DecimalRegister& reg)
{
    char text[kDecimalTextCapacity];
    return std::string(text, static_cast<std::size_t>(DecimalToText(reg, text)));
}

void CheckCompiled(const CompiledPicture& picture, const char* text)
{
    if (picture.width == 0) {
        Require(picture.source == nullptr && picture.positions[0].character == '\0');
        return;
    }
    Require(picture.source == text);
    Require(picture.kind == PictureKind::String || picture.width <= kPicturePositions);
}

/// FORMAT and DEFORMAT on the stacks, with something below that must stay untouched.
void CheckStacks(const char* text, std::string_view typed, const CompiledPicture& picture)
{
    PushString("below");
    PushLongDecimal(7);

    PushString(typed);
    DeformatToStack(text);
    Require(StackDepth() == 2 && StackTop().length <= kStringPictureWidth);
    Require(StackTop().CheckInvariants());
    Drop();

    const std::string number(typed.substr(0, typed.find('\0')));
    PushTextDecimal(number.c_str());
    FormatToStack(text);
    Require(DecimalDepth() == 1 && StackDepth() == 2);
    Require(StackTop().length == picture.width);
    Drop();

    Require(StackTop().View() == "below");
    Drop();
    Require(PopLong() == 7);
    Require(DecimalDepth() == 0 && StackDepth() == 0);
}

void CheckNumberRoundTrip(const CompiledPicture& picture, std::string_view typed)
{
    if (picture.kind != PictureKind::Numeric)
        return;
    const std::string number(typed.substr(0, typed.find('\0')));
    PushTextDecimal(number.c_str());
    DecimalRegister& reg = TopDecimal();
    RoundDecimal(reg, picture.places);
    int digits = 0;
    for (int position = reg.high; position >= kUnitsPosition; --position) {
        if (reg.DigitAt(position) != 0) {
            digits = position - kUnitsPosition + 1;
            break;
        }
    }
    const bool negative = DecimalSign(reg) < 0;
    const bool fits = negative && !picture.hasSign ? std::max(digits, 1) < picture.integerDigits
                                                   : digits <= picture.integerDigits;
    const std::string expected = RegisterText(reg);
    DropDecimal();
    if (!fits)
        return;

    char shown[kStringPictureWidth];
    const std::size_t width = FormatValueText(picture, expected, shown);
    Require(width == picture.width);
    char back[kStringPictureWidth + 1];
    const std::size_t length = DeformatText(picture, std::string_view(shown, width), back);
    Require(length <= kStringPictureWidth);
    back[length] = '\0';
    PushTextDecimal(expected.c_str());
    PushTextDecimal(back);
    Require(CompareDecimals() == 0);
}

void CheckDateRoundTrip(const CompiledPicture& picture, std::string_view typed)
{
    if (picture.kind != PictureKind::Date || typed.size() < 3)
        return;
    // One field of each part; the year's length decides whether it reads back unwindowed.
    int months = 0;
    int days = 0;
    int years = 0;
    std::size_t yearLength = 0;
    for (std::size_t i = 0; i < picture.width; ++i) {
        const PictureRole role = picture.positions[i].role;
        if (i > 0 && picture.positions[i - 1].role == role) {
            yearLength += role == PictureRole::YearDigit ? 1 : 0;
            continue;
        }
        months += role == PictureRole::MonthDigit || role == PictureRole::MonthName ? 1 : 0;
        days += role == PictureRole::DayDigit ? 1 : 0;
        if (role == PictureRole::YearDigit) {
            ++years;
            yearLength = 1;
        }
    }
    if (months != 1 || days != 1 || years != 1)
        return;
    // A name closes up on what follows it: a letter there may read as part of the name.
    for (std::size_t i = 0; i + 1 < picture.width; ++i) {
        if (picture.positions[i].role == PictureRole::MonthName
            && picture.positions[i + 1].role != PictureRole::MonthName
            && IsLetterChar(static_cast<unsigned char>(picture.positions[i + 1].character)))
            return;
    }
    const std::uint32_t bits = static_cast<std::uint8_t>(typed[0])
        | static_cast<std::uint32_t>(static_cast<std::uint8_t>(typed[1])) << 8
        | static_cast<std::uint32_t>(static_cast<std::uint8_t>(typed[2])) << 16;
    const std::int32_t dayNumber = kFirstDayNumber
        + static_cast<std::int32_t>(bits % (kLastDayNumber - kFirstDayNumber + 1));
    CalendarDate date;
    Require(DateToCalendar(dayNumber, date) == 0);
    const bool yearKept = yearLength == 4
        || (yearLength == 2 && WindowYear(date.year % 100, picture.window) == date.year);
    if (!yearKept)
        return;

    const std::string text = std::to_string(dayNumber);
    char shown[kStringPictureWidth];
    const std::size_t width = FormatValueText(picture, text, shown);
    char back[kStringPictureWidth];
    const std::size_t length = DeformatText(picture, std::string_view(shown, width), back);
    Require(std::string_view(back, length) == text);
}

/// The settings an input names: the defaults without a format, else that format for both
/// dates and the clock settings taken from its first characters.
IntlSettings Settings(std::string_view format)
{
    IntlSettings settings;
    if (format.empty())
        return settings;
    settings.shortDate = std::string(format);
    settings.longDate = std::string(format);
    settings.clockKind = format[0] & 1;
    settings.hourLeadingZero = format[0] & 2;
    settings.timeSeparator = format.size() > 1 ? format[1] : ':';
    settings.morningMark = std::string(format.substr(0, 2));
    settings.afternoonMark = std::string(format.substr(format.size() > 2 ? 2 : 0, 2));
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Everything a picture reads is pinned for the call, and the year let go again after it,
    // so that replaying the corpus inside a test program leaves no trace for other tests.
    PinCurrentYearForTesting(2026);
    ResetLocaleTexts();
    ResetDecimalStack();
    ResetStringStack();

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string text(input.substr(0, split)); // the picture ends at its first NUL
    std::string_view typed
        = split == std::string_view::npos ? std::string_view {} : input.substr(split + 1);
    std::string_view format;
    if (const std::size_t second = typed.find('\n'); second != std::string_view::npos) {
        format = typed.substr(second + 1);
        typed = typed.substr(0, second);
    }
    SetIntlSettingsForTesting(Settings(format));
    BuildWindowsPictures();

    CompiledPicture picture;
    CompilePicture(picture, text.c_str());
    CheckCompiled(picture, text.c_str());
    CheckStacks(text.c_str(), typed, picture);

    char buffer[kStringPictureWidth];
    Require(FormatValueText(picture, typed, buffer) == picture.width);
    Require(DeformatText(picture, typed, buffer) <= kStringPictureWidth);
    Require(DecimalDepth() == 0);

    CheckNumberRoundTrip(picture, typed);
    CheckDateRoundTrip(picture, typed);
    Require(DecimalDepth() == 0 && StackDepth() == 0);
    PinCurrentYearForTesting(std::nullopt);
    SetIntlSettingsForTesting(IntlSettings {});
    BuildWindowsPictures();
    return 0;
}
