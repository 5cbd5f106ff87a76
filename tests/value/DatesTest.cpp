#include <value/Dates.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

using namespace value;

namespace {

constexpr std::int32_t kMaxInt = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinInt = std::numeric_limits<std::int32_t>::min();

CalendarDate Date(std::int32_t year, int month, int day)
{
    CalendarDate date;
    date.year = year;
    date.month = static_cast<std::uint8_t>(month);
    date.day = static_cast<std::uint8_t>(day);
    return date;
}

ClockTime Clock(int hour, int minute, int second, int hundredths)
{
    return ClockTime { static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute),
        static_cast<std::uint8_t>(second), static_cast<std::uint8_t>(hundredths) };
}

/// The current year is pinned to 2026 so that two-digit years window the same on every run.
class DatesTest : public ::testing::Test {
protected:
    void SetUp() override { PinCurrentYearForTesting(2026); }
    void TearDown() override { PinCurrentYearForTesting(std::nullopt); }
};

// --- day numbers and calendar dates ------------------------------------------------------

TEST_F(DatesTest, KnownDayNumbers)
{
    struct Case {
        CalendarDate date;
        std::int32_t dayNumber;
    };
    const Case cases[] = {
        { Date(1801, 1, 1), 4 },                              // the first date
        { Date(1801, 1, 2), 5 }, { Date(1801, 12, 31), 368 }, // 1801 is a common year
        { Date(1802, 1, 1), 369 }, { Date(1900, 1, 1), 36'163 },
        { Date(1900, 3, 1), 36'222 }, // 1900 has no 29 February
        { Date(2000, 1, 1), 72'687 }, { Date(2000, 2, 29), 72'746 }, { Date(2000, 3, 1), 72'747 },
        { Date(2024, 2, 29), 81'512 }, { Date(9999, 12, 31), 2'994'626 }, // the last date
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
            << c.date.year << "-" << int(c.date.month) << "-" << int(c.date.day));
        EXPECT_EQ(CalendarToDate(c.date), c.dayNumber);
        CalendarDate back;
        EXPECT_EQ(DateToCalendar(c.dayNumber, back), 0);
        EXPECT_EQ(back, c.date);
    }
}

// Every convertible day, in order: each is the calendar day after the one before, and each
// converts back to its number.
TEST_F(DatesTest, EveryDayRoundTrips)
{
    CalendarDate expected = Date(1801, 1, 1);
    for (std::int32_t n = kFirstDayNumber; n <= kLastDayNumber; ++n) {
        CalendarDate date;
        if (DateToCalendar(n, date) != 0 || date != expected || CalendarToDate(date) != n) {
            ADD_FAILURE() << "day " << n << " gave " << date.year << "-" << int(date.month) << "-"
                          << int(date.day) << ", expected " << expected.year << "-"
                          << int(expected.month) << "-" << int(expected.day);
            return;
        }
        const std::int32_t y = expected.year;
        const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
        constexpr std::array<int, 12> kLengths = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
        const int length = kLengths[expected.month - 1] + (expected.month == 2 && leap ? 1 : 0);
        if (expected.day < length) {
            ++expected.day;
        } else if (expected.month < 12) {
            expected = Date(y, expected.month + 1, 1);
        } else {
            expected = Date(y + 1, 1, 1);
        }
    }
    EXPECT_EQ(expected, Date(10000, 1, 1));
}

TEST_F(DatesTest, DayNumbersOutsideTheCalendarAreRejected)
{
    for (const std::int32_t n : { 3, 2'994'627, 0, -1, kMinInt, kMaxInt }) {
        SCOPED_TRACE(n);
        CalendarDate date = Date(2000, 5, 5);
        EXPECT_EQ(DateToCalendar(n, date), -1);
        EXPECT_EQ(date, CalendarDate {}); // all zero, not the old contents
    }
}

TEST_F(DatesTest, InvalidCalendarDates)
{
    struct Case {
        const char* what;
        CalendarDate date;
        std::int32_t expected;
    };
    const Case cases[] = {
        { "29 February 1900: not a leap year", Date(1900, 2, 29), -1 },
        { "29 February 2000: a leap year", Date(2000, 2, 29), 72'746 },
        { "29 February 2023", Date(2023, 2, 29), -1 },
        { "31 April", Date(2024, 4, 31), -1 },
        { "month 0", Date(2024, 0, 1), -1 },
        { "month 13", Date(2024, 13, 1), -1 },
        { "day 0", Date(2024, 1, 0), -1 },
        { "day 32", Date(2024, 1, 32), -1 },
        { "31 December 1800", Date(1800, 12, 31), -1 },
        { "1 January 10000", Date(10000, 1, 1), -1 },
        { "negative year", Date(-1, 1, 1), -1 },
        { "year 100 is not windowed", Date(100, 1, 1), -1 },
        { "all zero", CalendarDate {}, -1 },
        { "two-digit year 24 is 2024", Date(24, 2, 29), 81'512 },
        { "two-digit year 0 is 2000", Date(0, 1, 1), 72'687 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CalendarToDate(c.date), c.expected);
        EXPECT_EQ(ValidateDate(c.date.month, c.date.day, c.date.year), c.expected < 0 ? -1 : 0);
    }
}

TEST_F(DatesTest, ValidateDateTakesWholeNumbers)
{
    // Parts that a calendar record could not even hold are invalid, not cut to 8 bits.
    EXPECT_EQ(ValidateDate(257, 1, 2000), -1);
    EXPECT_EQ(ValidateDate(1, 257, 2000), -1);
    EXPECT_EQ(ValidateDate(kMaxInt, kMaxInt, kMaxInt), -1);
    EXPECT_EQ(ValidateDate(kMinInt, kMinInt, kMinInt), -1);
}

TEST_F(DatesTest, LeapYearsAndMonthLengths)
{
    struct Case {
        std::int32_t year;
        int leap;
    };
    const Case cases[] = {
        { 1900, 0 }, { 2000, 1 }, { 2023, 0 }, { 2024, 1 }, { 2100, 0 }, { 2400, 1 }, { 1804, 1 },
        { 9996, 1 }, { 9999, 0 }, { 0, 1 }, // 2000
        { 24, 1 },                          // 2024
        { 46, 0 },                          // 1946
        { 96, 1 },                          // 1996
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(IsLeapYear(c.year), c.leap);
        EXPECT_EQ(MonthLength(2, c.year), 28 + c.leap);
    }
    const std::array<int, 12> lengths = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    for (int month = 1; month <= 12; ++month)
        EXPECT_EQ(MonthLength(month, 2023), lengths[static_cast<std::size_t>(month - 1)]);
}

// --- DATE --------------------------------------------------------------------------------

TEST_F(DatesTest, BuildDateNormalises)
{
    struct Case {
        const char* what;
        std::int32_t month, day, year;
        CalendarDate expected; ///< all zero for -1
    };
    const Case cases[] = {
        { "a plain date", 5, 17, 2024, Date(2024, 5, 17) },
        { "month 13 is January of the next year", 13, 1, 2000, Date(2001, 1, 1) },
        { "month 24 is December of the next year", 24, 1, 2000, Date(2001, 12, 1) },
        { "month 25 carries two years", 25, 1, 2000, Date(2002, 1, 1) },
        { "30 February of a common year", 2, 30, 2001, Date(2001, 3, 2) },
        { "30 February of a leap year", 2, 30, 2024, Date(2024, 3, 1) },
        { "January's overflow into a leap February", 1, 60, 2024, Date(2024, 2, 29) },
        { "January's overflow past a leap February", 1, 61, 2024, Date(2024, 3, 1) },
        { "December's overflow into a leap February", 12, 91, 2023, Date(2024, 2, 29) },
        { "December's overflow out of a leap year", 12, 91, 2024, Date(2025, 3, 1) },
        { "month and day overflow together", 14, 29, 2023, Date(2024, 2, 29) },
        { "a whole leap year of days", 1, 367, 2024, Date(2025, 1, 1) },
        { "32 December 1800 carries into the range", 12, 32, 1800, Date(1801, 1, 1) },
        { "two-digit year 45 is 2045", 1, 1, 45, Date(2045, 1, 1) },
        { "two-digit year 46 is 1946", 1, 1, 46, Date(1946, 1, 1) },
        { "the last date", 12, 31, 9999, Date(9999, 12, 31) },
        { "past the last date", 12, 32, 9999, CalendarDate {} },
        { "month carries past 9999", 13, 1, 9999, CalendarDate {} },
        { "before the first date", 12, 31, 1800, CalendarDate {} },
        { "month 0", 0, 1, 2000, CalendarDate {} },
        { "negative month", -1, 1, 2000, CalendarDate {} },
        { "day 0", 1, 0, 2000, CalendarDate {} },
        { "negative day", 3, -1, 2000, CalendarDate {} },
        { "negative year", 1, 1, -5, CalendarDate {} },
        { "largest month", kMaxInt, 1, 2000, CalendarDate {} },
        { "largest day", 1, kMaxInt, 2000, CalendarDate {} },
        { "largest year", 12, 31, kMaxInt, CalendarDate {} },
        { "largest month from year 100", kMaxInt, kMaxInt, 100, CalendarDate {} },
        { "smallest parts", kMinInt, kMinInt, kMinInt, CalendarDate {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::int32_t expected
            = c.expected == CalendarDate {} ? -1 : CalendarToDate(c.expected);
        ASSERT_TRUE(c.expected == CalendarDate {} || expected > 0);
        EXPECT_EQ(BuildDate(c.month, c.day, c.year), expected);
    }
}

// --- two-digit years ---------------------------------------------------------------------

TEST_F(DatesTest, WindowYear)
{
    struct Case {
        std::int32_t current;
        std::int32_t year;
        int window;
        std::int32_t expected;
    };
    const Case cases[] = {
        { 2026, 46, 80, 1946 }, // the span is 1946 to 2045
        { 2026, 45, 80, 2045 },
        { 2026, 26, 80, 2026 },
        { 2026, 0, 80, 2000 },
        { 2026, 99, 80, 1999 },
        { 2026, 7, 19, 2007 }, // window 19 (">0"): 2007 to 2106
        { 2026, 6, 19, 2106 },
        { 2026, 27, 99, 1927 }, // window 99: 1927 to 2026
        { 2026, 26, 99, 2026 },
        { 2026, 26, 0, 2026 }, // window 0: 2026 to 2125
        { 2026, 25, 0, 2125 },
        { 2026, 76, 50, 1976 }, // window 50: 1976 to 2075
        { 2026, 75, 50, 2075 },
        { 2000, 20, 80, 1920 }, // current year at a century: 1920 to 2019
        { 2000, 19, 80, 2019 },
        { 2099, 19, 80, 2019 }, // current year at a century's end: 2019 to 2118
        { 2099, 18, 80, 2118 },
        { 2026, 100, 80, 100 }, // not a two-digit year
        { 2026, -1, 80, -1 },
        { 2026, 1999, 80, 1999 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.current << ": " << c.year << " <" << c.window);
        PinCurrentYearForTesting(c.current);
        EXPECT_EQ(WindowYear(c.year, c.window), c.expected);
    }
}

TEST(DatesClockTest, UnpinnedWindowFollowsTheClock)
{
    PinCurrentYearForTesting(std::nullopt);
    const std::int32_t year = CurrentCalendarDate().year;
    // The window 80 always keeps the current year itself (barring New Year between the reads).
    const std::int32_t windowed = WindowYear(year % 100, kDefaultYearWindow);
    EXPECT_TRUE(windowed == year || windowed == CurrentCalendarDate().year) << windowed;
    // Pinning and unpinning do not disturb the year read once from the clock.
    PinCurrentYearForTesting(1990);
    EXPECT_EQ(WindowYear(10, kDefaultYearWindow), 1910);
    PinCurrentYearForTesting(std::nullopt);
    EXPECT_EQ(WindowYear(year % 100, kDefaultYearWindow), windowed);
}

// --- time numbers and clock records ------------------------------------------------------

TEST_F(DatesTest, KnownTimeNumbers)
{
    struct Case {
        ClockTime clock;
        std::int32_t timeNumber;
    };
    const Case cases[] = {
        { Clock(0, 0, 0, 1), 2 },
        { Clock(0, 0, 1, 0), 101 },
        { Clock(0, 1, 0, 0), 6'001 },
        { Clock(1, 0, 0, 0), 360'001 },
        { Clock(12, 30, 15, 50), 4'501'551 },
        { Clock(23, 59, 59, 99), 8'640'000 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timeNumber);
        EXPECT_EQ(ClockToTime(c.clock), c.timeNumber);
        ClockTime back;
        EXPECT_EQ(TimeToClock(c.timeNumber, back), 0);
        EXPECT_EQ(back, c.clock);
    }
    // Midnight: the time 1 is 00:00:00.00, but an all-zero record means no time.
    ClockTime midnight = Clock(1, 2, 3, 4);
    EXPECT_EQ(TimeToClock(1, midnight), 0);
    EXPECT_EQ(midnight, Clock(0, 0, 0, 0));
    EXPECT_EQ(ClockToTime(Clock(0, 0, 0, 0)), 0);
}

TEST_F(DatesTest, EveryTimeRoundTrips)
{
    ClockTime expected;
    for (std::int32_t n = 1; n <= kLastTimeNumber; ++n) {
        ClockTime clock;
        const bool midnight = n == 1;
        if (TimeToClock(n, clock) != 0 || clock != expected
            || ClockToTime(clock) != (midnight ? 0 : n)) {
            ADD_FAILURE() << "time " << n;
            return;
        }
        if (++expected.hundredths == 100) {
            expected.hundredths = 0;
            if (++expected.second == 60) {
                expected.second = 0;
                if (++expected.minute == 60) {
                    expected.minute = 0;
                    ++expected.hour;
                }
            }
        }
    }
    EXPECT_EQ(expected, Clock(24, 0, 0, 0));
}

TEST_F(DatesTest, InvalidTimes)
{
    for (const std::int32_t n : { 0, -1, 8'640'001, kMinInt, kMaxInt }) {
        SCOPED_TRACE(n);
        ClockTime clock = Clock(1, 2, 3, 4);
        EXPECT_EQ(TimeToClock(n, clock), -1);
        EXPECT_EQ(clock, ClockTime {});
    }
    const ClockTime invalid[] = {
        Clock(24, 0, 0, 0),
        Clock(0, 60, 0, 0),
        Clock(0, 0, 60, 0),
        Clock(0, 0, 0, 100),
        Clock(255, 255, 255, 255),
    };
    for (const ClockTime& clock : invalid)
        EXPECT_EQ(ClockToTime(clock), -1);
}

// --- packed forms ------------------------------------------------------------------------

TEST_F(DatesTest, PackedDates)
{
    using Packed = std::array<std::uint8_t, 4>;
    struct Case {
        const char* what;
        std::int32_t dayNumber;
        Packed packed;
    };
    const Case cases[] = {
        { "1 January 2000", 72'687, { 1, 1, 0xD0, 0x07 } },
        { "29 February 2024", 81'512, { 29, 2, 0xE8, 0x07 } },
        { "1 January 1801", 4, { 1, 1, 0x09, 0x07 } },
        { "31 December 9999", 2'994'626, { 31, 12, 0x0F, 0x27 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PackDate(c.dayNumber), c.packed);
        EXPECT_EQ(UnpackDate(c.packed), c.dayNumber);
    }
    for (const std::int32_t invalid : { 0, 3, 2'994'627, -1 })
        EXPECT_EQ(PackDate(invalid), Packed {}) << invalid;

    struct UnpackCase {
        const char* what;
        Packed packed;
        std::int32_t dayNumber;
    };
    const UnpackCase unpacks[] = {
        { "year 12000 is the last date", { 1, 1, 0xE0, 0x2E }, kLastDayNumber },
        { "year 10000 is the last date", { 1, 1, 0x10, 0x27 }, kLastDayNumber },
        { "year 65535, invalid day", { 0, 0, 0xFF, 0xFF }, kLastDayNumber },
        { "all zero is no date", {}, 0 },
        { "30 February", { 30, 2, 0xD0, 0x07 }, 0 },
        { "month 13", { 1, 13, 0xD0, 0x07 }, 0 },
        { "year 1800", { 31, 12, 0x08, 0x07 }, 0 },
        { "two-digit year 24", { 29, 2, 24, 0 }, 81'512 },
    };
    for (const UnpackCase& c : unpacks) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UnpackDate(c.packed), c.dayNumber);
    }
}

TEST_F(DatesTest, PackedTimes)
{
    using Packed = std::array<std::uint8_t, 4>;
    EXPECT_EQ(PackTime(8'640'000), (Packed { 99, 59, 59, 23 }));
    EXPECT_EQ(PackTime(4'501'551), (Packed { 50, 15, 30, 12 }));
    EXPECT_EQ(UnpackTime(Packed { 99, 59, 59, 23 }), 8'640'000);
    EXPECT_EQ(UnpackTime(Packed { 50, 15, 30, 12 }), 4'501'551);
    EXPECT_EQ(UnpackTime(Packed { 1, 0, 0, 0 }), 2);
    for (const std::int32_t invalid : { 0, -1, 8'640'001 })
        EXPECT_EQ(PackTime(invalid), Packed {}) << invalid;
    // Midnight packs as all zero, which is no time.
    EXPECT_EQ(PackTime(1), Packed {});
    EXPECT_EQ(UnpackTime(Packed {}), 0);
    EXPECT_EQ(UnpackTime(Packed { 0, 0, 0, 24 }), -1);
    EXPECT_EQ(UnpackTime(Packed { 100, 0, 0, 0 }), -1);
}

// --- the current date and time -----------------------------------------------------------

TEST(DatesClockTest, CurrentDateAndTimeAreValid)
{
    const CalendarDate today = CurrentCalendarDate();
    EXPECT_GT(CalendarToDate(today), 0);
    EXPECT_GE(today.year, 2024);
    const std::int32_t now = CurrentClock();
    EXPECT_GE(now, 1);
    EXPECT_LE(now, kLastTimeNumber);
}

TEST(DatesClockTest, ElapsedHundredthsIsMonotonic)
{
    MarkRuntimeStart();
    std::int32_t previous = ElapsedHundredths();
    EXPECT_GE(previous, 0);
    for (int i = 0; i < 100'000; ++i) {
        const std::int32_t elapsed = ElapsedHundredths();
        ASSERT_GE(elapsed, previous);
        previous = elapsed;
    }
    // Counted from the mark just set: a test takes seconds, not minutes.
    EXPECT_LT(previous, 60 * 100);
}

} // namespace
