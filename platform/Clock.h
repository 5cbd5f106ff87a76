#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

/// A moment of the local calendar and clock, as Windows' local time gives it.
struct LocalDateTime {
    std::int32_t year = 0;       ///< Gregorian, four digits
    std::uint8_t month = 0;      ///< 1 to 12
    std::uint8_t day = 0;        ///< 1 to 31
    std::uint8_t dayOfWeek = 0;  ///< 0 Sunday to 6 Saturday
    std::uint8_t hour = 0;       ///< 0 to 23
    std::uint8_t minute = 0;     ///< 0 to 59
    std::uint8_t second = 0;     ///< 0 to 59 (60 only in a leap second the system reports)
    std::uint8_t hundredths = 0; ///< 0 to 99, truncated, never rounded up into the next second

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

/// The current local date and time, in the time zone the process runs in (TZ or the system's).
LocalDateTime Now();

/// `moment` as a local date and time in the process's time zone. Moments before 1970 break down
/// like any other: a tenth of a second before 1970 in UTC is 23:59:59.90 on 31 December 1969.
/// A moment beyond the years the C library can represent gives all fields 0.
LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point moment);

/// Milliseconds of a monotonic clock: never goes back when the wall clock is set. Like the
/// Windows tick count it wraps to 0 after 2^32 - 1 (about 49.7 days); intervals are measured
/// by unsigned subtraction, which survives one wrap. The starting value means nothing.
std::uint32_t TickMilliseconds();

} // namespace platform
