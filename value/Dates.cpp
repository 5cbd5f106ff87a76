#include "Dates.h"

#include <platform/Clock.h>

#include <atomic>
#include <cassert>

namespace value {

namespace {

constexpr std::array<std::int32_t, 12> kDaysBeforeMonth
    = { 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334 };
constexpr std::array<std::int32_t, 12> kMonthLengths
    = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };

constexpr std::int32_t kHundredthsPerHour = 360'000;
constexpr std::int32_t kHundredthsPerMinute = 6'000;
constexpr std::int32_t kHundredthsPerSecond = 100;

/// The Gregorian rule, for a year already in four digits.
constexpr bool GregorianLeap(std::int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

/// Leap days in the years 1 to `year` (year >= 0).
constexpr std::int64_t LeapDaysUpTo(std::int64_t year)
{
    return year / 4 - year / 100 + year / 400;
}

/// Days from the start of the proleptic year 0 to 1 January of `year` (year >= 1).
constexpr std::int64_t DaysBeforeYear(std::int64_t year)
{
    return 365 * year + LeapDaysUpTo(year - 1);
}

constexpr std::int64_t kDaysBefore1801 = DaysBeforeYear(kFirstYear);

constexpr std::int32_t DaysInMonth(std::int64_t month, std::int64_t year)
{
    const std::int32_t length = kMonthLengths[static_cast<std::size_t>(month - 1)];
    return month == 2 && GregorianLeap(year) ? length + 1 : length;
}

/// The day number of `day` counted from 1 `month` `year`, for a four-digit year of at least
/// 1 and a month from 1 to 12; the day may run past the month's end (the count simply goes
/// on through the calendar), which is what the normalisation of DATE amounts to. The caller
/// checks the range of the result.
constexpr std::int64_t DayNumberFrom(std::int64_t month, std::int64_t day, std::int64_t year)
{
    const std::int64_t dayOfYear = kDaysBeforeMonth[static_cast<std::size_t>(month - 1)]
        + (month > 2 && GregorianLeap(year) ? 1 : 0) + day;
    return DaysBeforeYear(year) + dayOfYear - 1 - kDaysBefore1801 + kFirstDayNumber;
}

static_assert(DayNumberFrom(1, 1, 1801) == kFirstDayNumber);
static_assert(DayNumberFrom(12, 31, 9999) == kLastDayNumber);

/// Years from 0 to 99 are two-digit years; every other year stands as written.
std::int32_t FourDigitYear(std::int32_t year)
{
    return WindowYear(year, kDefaultYearWindow);
}

/// The day number of an unnormalised date, or -1 when it is no valid date.
std::int32_t CheckedDayNumber(std::int32_t month, std::int32_t day, std::int32_t year)
{
    year = FourDigitYear(year);
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1
        || day > DaysInMonth(month, year))
        return -1;
    return static_cast<std::int32_t>(DayNumberFrom(month, day, year));
}

// The current year used for windowing: 0 while nothing is pinned.
std::atomic<std::int32_t> g_pinnedYear { 0 };

std::int32_t CurrentYear()
{
    if (const std::int32_t pinned = g_pinnedYear.load(std::memory_order_relaxed); pinned != 0)
        return pinned;
    // Read once per run, so that a run crossing New Year windows its years consistently.
    static const std::int32_t clockYear = platform::Now().year;
    return clockYear;
}

// The tick the elapsed count starts from. Start-up moves it to the runtime's start.
std::atomic<std::uint32_t> g_startTick { platform::TickMilliseconds() };

} // namespace

int DateToCalendar(std::int32_t dayNumber, CalendarDate& out)
{
    out = {};
    if (dayNumber < kFirstDayNumber || dayNumber > kLastDayNumber)
        return -1;
    const std::int64_t absolute = dayNumber - kFirstDayNumber + kDaysBefore1801;
    // absolute / 365 is never below the year; it overshoots by a few years at most.
    std::int64_t year = absolute / 365;
    while (DaysBeforeYear(year) > absolute)
        --year;
    std::int64_t dayOfYear = absolute - DaysBeforeYear(year) + 1;
    std::int64_t month = 1;
    while (dayOfYear > DaysInMonth(month, year)) {
        dayOfYear -= DaysInMonth(month, year);
        ++month;
    }
    out.year = static_cast<std::int32_t>(year);
    out.month = static_cast<std::uint8_t>(month);
    out.day = static_cast<std::uint8_t>(dayOfYear);
    return 0;
}

std::int32_t CalendarToDate(const CalendarDate& date)
{
    return CheckedDayNumber(date.month, date.day, date.year);
}

std::int32_t BuildDate(std::int32_t month, std::int32_t day, std::int32_t year)
{
    if (month < 1 || day < 1 || year < 0)
        return -1;
    std::int64_t fullYear = FourDigitYear(year);
    fullYear += (month - 1) / 12;
    const std::int64_t normalMonth = (month - 1) % 12 + 1;
    // Carrying days only moves forward: a year already past 9999 stays past it. Years before
    // 1801 are kept, as enough days can carry them into the range.
    if (fullYear > kLastYear)
        return -1;
    const std::int64_t dayNumber = DayNumberFrom(normalMonth, day, fullYear);
    if (dayNumber < kFirstDayNumber || dayNumber > kLastDayNumber)
        return -1;
    return static_cast<std::int32_t>(dayNumber);
}

int ValidateDate(std::int32_t month, std::int32_t day, std::int32_t year)
{
    return CheckedDayNumber(month, day, year) < 0 ? -1 : 0;
}

int IsLeapYear(std::int32_t year)
{
    return GregorianLeap(FourDigitYear(year)) ? 1 : 0;
}

int MonthLength(int month, std::int32_t year)
{
    assert(month >= 1 && month <= 12 && "month out of range");
    if (month < 1 || month > 12)
        return 31;
    return DaysInMonth(month, FourDigitYear(year));
}

std::int32_t WindowYear(std::int32_t year, int window)
{
    if (year < 0 || year > 99)
        return year;
    const std::int32_t current = CurrentYear();
    const std::int32_t currentTwoDigits = current % 100;
    const std::int32_t candidate = current - currentTwoDigits + year;
    if (currentTwoDigits - year <= window - 100)
        return candidate - 100;
    if (currentTwoDigits - year > window)
        return candidate + 100;
    return candidate;
}

int TimeToClock(std::int32_t timeNumber, ClockTime& out)
{
    out = {};
    if (timeNumber < 1 || timeNumber > kLastTimeNumber)
        return -1;
    std::int32_t rest = timeNumber - 1;
    out.hour = static_cast<std::uint8_t>(rest / kHundredthsPerHour);
    rest %= kHundredthsPerHour;
    out.minute = static_cast<std::uint8_t>(rest / kHundredthsPerMinute);
    rest %= kHundredthsPerMinute;
    out.second = static_cast<std::uint8_t>(rest / kHundredthsPerSecond);
    out.hundredths = static_cast<std::uint8_t>(rest % kHundredthsPerSecond);
    return 0;
}

std::int32_t ClockToTime(const ClockTime& clock)
{
    if (clock == ClockTime {})
        return 0;
    if (clock.hour > 23 || clock.minute > 59 || clock.second > 59 || clock.hundredths > 99)
        return -1;
    return clock.hour * kHundredthsPerHour + clock.minute * kHundredthsPerMinute
        + clock.second * kHundredthsPerSecond + clock.hundredths + 1;
}

std::int32_t CurrentClock()
{
    const platform::LocalDateTime now = platform::Now();
    ClockTime clock { now.hour, now.minute, now.second, now.hundredths };
    if (clock.second > 59) {
        clock.second = 59;
        clock.hundredths = 99;
    }
    // Not through ClockToTime: midnight is the time 1 here, never "no time".
    return clock.hour * kHundredthsPerHour + clock.minute * kHundredthsPerMinute
        + clock.second * kHundredthsPerSecond + clock.hundredths + 1;
}

CalendarDate CurrentCalendarDate()
{
    const platform::LocalDateTime now = platform::Now();
    CalendarDate date;
    date.year = now.year;
    date.month = now.month;
    date.day = now.day;
    return date;
}

std::array<std::uint8_t, 4> PackDate(std::int32_t dayNumber)
{
    CalendarDate date;
    if (DateToCalendar(dayNumber, date) != 0)
        return {};
    const auto year = static_cast<std::uint16_t>(date.year);
    return { date.day, date.month, static_cast<std::uint8_t>(year & 0xFF),
        static_cast<std::uint8_t>(year >> 8) };
}

std::int32_t UnpackDate(const std::array<std::uint8_t, 4>& packed)
{
    const std::int32_t year = packed[2] | (packed[3] << 8);
    if (year > kLastYear)
        return kLastDayNumber;
    CalendarDate date;
    date.year = year;
    date.day = packed[0];
    date.month = packed[1];
    const std::int32_t dayNumber = CalendarToDate(date);
    return dayNumber < 0 ? 0 : dayNumber;
}

std::array<std::uint8_t, 4> PackTime(std::int32_t timeNumber)
{
    ClockTime clock;
    if (TimeToClock(timeNumber, clock) != 0)
        return {};
    return { clock.hundredths, clock.second, clock.minute, clock.hour };
}

std::int32_t UnpackTime(const std::array<std::uint8_t, 4>& packed)
{
    return ClockToTime(ClockTime { packed[3], packed[2], packed[1], packed[0] });
}

void MarkRuntimeStart()
{
    g_startTick.store(platform::TickMilliseconds(), std::memory_order_relaxed);
}

std::int32_t ElapsedHundredths()
{
    // Unsigned subtraction survives one wrap of the tick count; a tenth of 2^32 fits 31 bits.
    const std::uint32_t elapsed
        = platform::TickMilliseconds() - g_startTick.load(std::memory_order_relaxed);
    return static_cast<std::int32_t>(elapsed / 10U);
}

void PinCurrentYearForTesting(std::optional<std::int32_t> year)
{
    g_pinnedYear.store(year.value_or(0), std::memory_order_relaxed);
}

} // namespace value
