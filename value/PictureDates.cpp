// Dates and times through pictures: showing a day or time number in its layout, and reading
// typed text back into one.

#include "Collation.h"
#include "Dates.h"
#include "LocaleTexts.h"
#include "PictureInternal.h"

#include <cstring>

namespace value::picture {

namespace {

/// The number of positions from `at` that share its role.
std::size_t RunAt(const CompiledPicture& picture, std::size_t at)
{
    std::size_t end = at;
    while (end < picture.width && picture.positions[end].role == picture.positions[at].role)
        ++end;
    return end - at;
}

/// Writes the last `run` digits of `value`; a leading zero takes its position's character.
char* WriteDigits(const CompiledPicture& picture, std::size_t at, std::size_t run,
    std::int32_t value, char* cursor)
{
    char digits[kPicturePositions]; // a Windows format can put fields of one part side by side
    for (std::size_t i = run; i > 0; --i) {
        digits[i - 1] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    bool leading = true;
    for (std::size_t i = 0; i < run; ++i) {
        leading = leading && digits[i] == '0' && i + 1 < run;
        *cursor++ = leading ? picture.positions[at + i].character : digits[i];
    }
    return cursor;
}

/// The two characters of the AM/PM mark a time picture shows.
void TimeMarks(const CompiledPicture& picture, bool afternoon, char (&mark)[2])
{
    if (picture.number == 7 || picture.number == 8) {
        const WindowsPictures& windows = CurrentWindowsPictures();
        const char* from = afternoon ? windows.afternoonMark : windows.morningMark;
        mark[0] = from[0];
        mark[1] = from[1];
        return;
    }
    const std::string_view text = afternoon ? AfternoonMark() : MorningMark();
    mark[0] = !text.empty() ? text[0] : ' ';
    mark[1] = text.size() > 1 ? text[1] : ' ';
}

bool IsDigitRun(PictureRole role)
{
    switch (role) {
    case PictureRole::MonthDigit:
    case PictureRole::DayDigit:
    case PictureRole::YearDigit:
    case PictureRole::HourDigit:
    case PictureRole::MinuteDigit:
    case PictureRole::SecondDigit:
        return true;
    default:
        return false;
    }
}

/// Reads up to `run` digits from `typed` at `at`: blanks (or the positions' character) before
/// the first digit are passed over, and any other character ends the part unread, so the
/// positions that follow shift. Answers the number of digits read.
int ReadDigits(const CompiledPicture& picture, std::size_t position, std::size_t run,
    std::string_view typed, std::size_t& at, std::int32_t& value)
{
    int count = 0;
    value = 0;
    for (std::size_t i = 0; i < run && at < typed.size(); ++i) {
        const char c = typed[at];
        if (IsDigit(c)) {
            if (value < 100'000'000)
                value = value * 10 + (c - '0');
            ++count;
        } else if (count > 0 || (c != ' ' && c != picture.positions[position + i].character)) {
            break;
        }
        ++at;
    }
    return count;
}

/// A literal or separator position takes one typed character: its own, or any that is no
/// digit. Another digit is left for the next part, since separators may be left out.
void SkipLiteral(char own, std::string_view typed, std::size_t& at)
{
    if (at < typed.size() && (typed[at] == own || !IsDigit(typed[at])))
        ++at;
}

bool SameLetter(char a, char b)
{
    return ToUpperChar(static_cast<unsigned char>(a)) == ToUpperChar(static_cast<unsigned char>(b));
}

/// The month whose abbreviation the typed word starts with, without regard to case; 0 if none.
/// The rest of the word is passed over: the letters that continue the month's full name, then
/// any other letter but `next`, the character of the position after the name, which a name
/// that closes up leaves right behind it.
int MatchMonth(std::string_view typed, std::size_t& at, char next)
{
    const std::string_view word = typed.substr(at, kMonthAbbreviationLimit);
    int month = 0;
    for (int m = 1; m <= kMonthCount && month == 0; ++m) {
        const std::string_view abbreviation = MonthAbbreviation(m);
        if (abbreviation.empty() || abbreviation.size() > word.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < abbreviation.size() && same; ++i)
            same = SameLetter(word[i], abbreviation[i]);
        if (same)
            month = m;
    }
    at += word.size();
    const std::string_view name = month != 0 ? MonthName(month) : std::string_view {};
    std::size_t k = word.size();
    while (at < typed.size() && k < name.size() && SameLetter(typed[at], name[k])) {
        ++at;
        ++k;
    }
    while (at < typed.size() && IsLetterChar(static_cast<unsigned char>(typed[at]))
        && typed[at] != next)
        ++at;
    return month;
}

std::size_t WriteResult(std::int32_t value, char* out)
{
    if (value < 0) {
        out[0] = '-';
        return 1 + WriteNumber(-static_cast<std::int64_t>(value), out + 1);
    }
    return WriteNumber(value, out);
}

} // namespace

void FormatDate(const CompiledPicture& picture, std::int32_t dayNumber, char* out)
{
    CalendarDate date;
    const bool valid = DateToCalendar(dayNumber, date) == 0;
    std::memset(out, ' ', picture.width);
    if (picture.blankWhenZero && !valid)
        return;
    const bool keepCase = picture.number == 4 || picture.number == 18;
    const std::string_view name = date.month >= 1 && date.month <= kMonthCount
        ? MonthName(date.month)
        : std::string_view {};
    char* cursor = out;
    for (std::size_t i = 0; i < picture.width;) {
        const PicturePosition& at = picture.positions[i];
        const std::size_t run = RunAt(picture, i);
        switch (at.role) {
        case PictureRole::MonthDigit:
            cursor = WriteDigits(picture, i, run, date.month, cursor);
            break;
        case PictureRole::DayDigit:
            cursor = WriteDigits(picture, i, run, date.day, cursor);
            break;
        case PictureRole::YearDigit:
            cursor = WriteDigits(picture, i, run, date.year, cursor);
            break;
        case PictureRole::MonthName:
            // A shorter name leaves its remaining positions out: what follows closes up.
            for (std::size_t k = 0; k < run && k < name.size(); ++k) {
                const auto c = static_cast<unsigned char>(name[k]);
                *cursor++ = static_cast<char>(keepCase ? c : ToUpperChar(c));
            }
            break;
        default:
            for (std::size_t k = 0; k < run; ++k)
                *cursor++ = picture.positions[i + k].character;
            break;
        }
        i += run;
    }
}

void FormatTime(const CompiledPicture& picture, std::int32_t timeNumber, char* out)
{
    ClockTime clock;
    const bool valid = TimeToClock(timeNumber, clock) == 0;
    if (picture.blankWhenZero && !valid) {
        std::memset(out, ' ', picture.width);
        return;
    }
    int hour = clock.hour;
    char mark[2] = { ' ', ' ' };
    if (picture.hasTimeMark) {
        TimeMarks(picture, hour >= 12, mark);
        hour %= 12;
        if (hour == 0)
            hour = 12;
    }
    char* cursor = out;
    for (std::size_t i = 0; i < picture.width;) {
        const PicturePosition& at = picture.positions[i];
        const std::size_t run = RunAt(picture, i);
        switch (at.role) {
        case PictureRole::HourDigit:
            cursor = WriteDigits(picture, i, run, hour, cursor);
            break;
        case PictureRole::MinuteDigit:
            cursor = WriteDigits(picture, i, run, clock.minute, cursor);
            break;
        case PictureRole::SecondDigit:
            cursor = WriteDigits(picture, i, run, clock.second, cursor);
            break;
        default:
            for (std::size_t k = 0; k < run; ++k) {
                const PictureRole role = picture.positions[i + k].role;
                *cursor++ = role == PictureRole::TimeMark ? mark[0]
                    : role == PictureRole::TimeMarkTail   ? mark[1]
                                                          : picture.positions[i + k].character;
            }
            break;
        }
        i += run;
    }
}

std::size_t ReadDate(const CompiledPicture& picture, std::string_view typed, char* out)
{
    std::int32_t parts[3] = {}; // month, day, year
    bool read[3] = {};
    bool hasDay = false;
    std::size_t at = 0;
    for (std::size_t i = 0; i < picture.width;) {
        const PictureRole role = picture.positions[i].role;
        const std::size_t run = RunAt(picture, i);
        if (IsDigitRun(role)) {
            const int part = role == PictureRole::MonthDigit ? 0
                : role == PictureRole::DayDigit              ? 1
                                                             : 2;
            hasDay = hasDay || part == 1;
            std::int32_t value = 0;
            if (ReadDigits(picture, i, run, typed, at, value) > 0) {
                parts[part] = value;
                read[part] = true;
            }
        } else if (role == PictureRole::MonthName) {
            const char next = i + run < picture.width ? picture.positions[i + run].character : '\0';
            if (const int month = MatchMonth(typed, at, next); month != 0) {
                parts[0] = month;
                read[0] = true;
            }
        } else {
            for (std::size_t k = 0; k < run; ++k)
                SkipLiteral(picture.positions[i + k].character, typed, at);
        }
        i += run;
    }
    if (!read[0] && !read[1] && !read[2]) {
        out[0] = '0';
        return 1;
    }
    if (!hasDay && read[0] && read[2])
        parts[1] = 1;
    std::int32_t year = parts[2];
    if (year < 100)
        year = WindowYear(year, picture.window);
    return WriteResult(BuildDate(parts[0], parts[1], year), out);
}

std::size_t ReadTime(const CompiledPicture& picture, std::string_view typed, char* out)
{
    std::int32_t parts[3] = {}; // hour, minute, second
    bool anything = false;
    int half = 0; // 1 morning, 2 afternoon
    std::size_t at = 0;
    for (std::size_t i = 0; i < picture.width;) {
        const PictureRole role = picture.positions[i].role;
        const std::size_t run = RunAt(picture, i);
        if (IsDigitRun(role)) {
            const int part = role == PictureRole::HourDigit ? 0
                : role == PictureRole::MinuteDigit          ? 1
                                                            : 2;
            std::int32_t value = 0;
            if (ReadDigits(picture, i, run, typed, at, value) > 0) {
                parts[part] = value;
                anything = true;
            }
        } else if (role == PictureRole::TimeMark && at < typed.size()) {
            char morning[2];
            char afternoon[2];
            TimeMarks(picture, false, morning);
            TimeMarks(picture, true, afternoon);
            const auto typedMark = ToUpperChar(static_cast<unsigned char>(typed[at]));
            if (afternoon[0] != ' '
                && typedMark == ToUpperChar(static_cast<unsigned char>(afternoon[0])))
                half = 2;
            else if (morning[0] != ' '
                && typedMark == ToUpperChar(static_cast<unsigned char>(morning[0])))
                half = 1;
            ++at;
        } else {
            for (std::size_t k = 0; k < run; ++k)
                SkipLiteral(picture.positions[i + k].character, typed, at);
        }
        i += run;
    }
    if (!anything) {
        out[0] = '0';
        return 1;
    }
    std::int32_t hour = parts[0];
    if (half == 2 && hour < 12)
        hour += 12;
    else if (half == 1 && hour == 12)
        hour = 0;
    if (hour > 23 || parts[1] > 59 || parts[2] > 59)
        return WriteResult(-1, out);
    // Midnight reads as the time number 1, a time, rather than as no time.
    return WriteResult(hour * 360'000 + parts[1] * 6'000 + parts[2] * 100 + 1, out);
}

} // namespace value::picture
