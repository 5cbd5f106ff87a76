#pragma once

#include <array>
#include <cstdint>
#include <optional>

// Dates and times as plain 32-bit numbers, so that any numeric field can hold them and they
// compare and subtract directly:
//   - a day number counts days since 28 December 1800, so 1 January 1801 is day 4; only the
//     days 4 (1 January 1801) to 2,994,626 (31 December 9999) have a calendar date, and 0 means
//     no date. The calendar is the Gregorian one throughout;
//   - a time number counts hundredths of a second since midnight, plus 1, so 1 is 00:00:00.00
//     and 8,640,000 is 23:59:59.99; 0 means no time.
// Calendar parts and clock parts exist only between the conversions, for showing, reading and
// building values. Nothing here allocates, raises a run-time error or takes a lock: an invalid
// value is answered as -1 (or an all-zero record), and pictures decide how to show it.
//
// Two-digit years are taken into a hundred-year span around the current year (WindowYear). The
// current year is read from the local clock once per run, on first use.

namespace value {

inline constexpr std::int32_t kFirstDayNumber = 4;         // 1 January 1801
inline constexpr std::int32_t kLastDayNumber = 2'994'626;  // 31 December 9999
inline constexpr std::int32_t kLastTimeNumber = 8'640'000; // 23:59:59.99
inline constexpr int kDefaultYearWindow = 80;

inline constexpr std::int32_t kFirstYear = 1801;
inline constexpr std::int32_t kLastYear = 9999;

/// A date in calendar parts. A valid record has a year from 1801 to 9999 (a year below 100
/// is windowed by the conversions), a month from 1 to 12 and a day within that month.
struct CalendarDate {
    std::int32_t year = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;

    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
};

/// A time of day in clock parts: hour 0 to 23, minute and second 0 to 59, hundredths 0 to 99.
struct ClockTime {
    std::uint8_t hour = 0, minute = 0, second = 0, hundredths = 0;

    friend bool operator==(const ClockTime&, const ClockTime&) = default;
};

/// Fills `out` with the calendar date of `dayNumber` and answers 0; a number outside 4 to
/// 2,994,626 answers -1 and leaves `out` all zero.
int DateToCalendar(std::int32_t dayNumber, CalendarDate& out);

/// The day number of `date`, or -1 when it is no valid date. A year below 100 is first
/// windowed with the default window (80).
std::int32_t CalendarToDate(const CalendarDate& date);

/// The DATE function: the day number of `month`/`day`/`year` after normalising overflowing
/// parts. A year from 0 to 99 is windowed first; a month above 12 carries into the years; a
/// day beyond its month carries into the months that follow, each with its own length, so
/// February counts 29 days in the leap years the carry passes through. A month or day of 0 or
/// below, a negative year and a result outside 1 January 1801 to 31 December 9999 answer -1.
std::int32_t BuildDate(std::int32_t month, std::int32_t day, std::int32_t year);

/// 0 when `month`/`day`/`year` is a valid date as it stands (no normalisation; a year below 100
/// is windowed), -1 otherwise.
int ValidateDate(std::int32_t month, std::int32_t day, std::int32_t year);

/// 1 for a Gregorian leap year, else 0. A year from 0 to 99 is windowed first.
int IsLeapYear(std::int32_t year);

/// The number of days of `month` (1 to 12) in `year` (windowed like IsLeapYear): 28 to 31. A
/// month outside 1 to 12 asserts; without assertions it answers 31.
int MonthLength(int month, std::int32_t year);

/// The four-digit year for a two-digit `year` (0 to 99): the year with those last two digits
/// inside the span from c - window to c + 99 - window, where c is the current year. With the
/// default window 80 that runs from 80 years before the current year to 19 years after it;
/// pictures name windows from 0 to 99. A year outside 0 to 99 is answered unchanged.
std::int32_t WindowYear(std::int32_t year, int window);

/// Fills `out` with the clock parts of `timeNumber` and answers 0; a number outside 1 to
/// 8,640,000 answers -1 and leaves `out` all zero.
int TimeToClock(std::int32_t timeNumber, ClockTime& out);

/// The time number of `clock`: 0 (no time) when all four parts are 0, -1 when a part is out
/// of range, else the count of hundredths since midnight plus 1.
std::int32_t ClockToTime(const ClockTime& clock);

/// The CLOCK function: the time number of the current local time, from 1 (midnight) to
/// 8,640,000. A leap second counts as the last hundredth of the second before it.
std::int32_t CurrentClock();

/// The current local date in calendar parts (what TODAY is built from).
CalendarDate CurrentCalendarDate();

/// The four-byte form file records store a date in: day, month, then the year as 16 bits
/// little-endian. An invalid day number packs as all zero.
std::array<std::uint8_t, 4> PackDate(std::int32_t dayNumber);

/// The day number of a packed date. A year above 9999 is taken as 31 December 9999; a date
/// that is not valid (all zero among them) answers 0, no date.
std::int32_t UnpackDate(const std::array<std::uint8_t, 4>& packed);

/// The four-byte form file records store a time in: hundredths, seconds, minutes, hours. An
/// invalid time number packs as all zero (and so does midnight, which unpacks as no time).
std::array<std::uint8_t, 4> PackTime(std::int32_t timeNumber);

/// The time number of a packed time, as ClockToTime answers it.
std::int32_t UnpackTime(const std::array<std::uint8_t, 4>& packed);

/// Start-up sets the mark ElapsedHundredths counts from. Until it is set the count runs from
/// the moment the program's value layer was initialised.
void MarkRuntimeStart();

/// Hundredths of a second since the start mark, from a monotonic clock: it never goes back
/// when the wall clock is set. Like the tick count it is taken from, it wraps after about
/// 49.7 days.
std::int32_t ElapsedHundredths();

// Tests pin the current year that WindowYear reads once per run; nullopt goes back to the clock.
void PinCurrentYearForTesting(std::optional<std::int32_t> year);

} // namespace value
