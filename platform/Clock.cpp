#include "Clock.h"

#include <time.h>

namespace platform {

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point moment)
{
    using namespace std::chrono;
    // floor, not duration_cast: before 1970 the fraction must stay in [0, 1) of the second
    // below, not become negative.
    const auto whole = floor<seconds>(moment);
    const auto fraction = duration_cast<milliseconds>(moment - whole).count();
    const time_t seconds = system_clock::to_time_t(whole);
    struct tm parts { };
    if (localtime_r(&seconds, &parts) == nullptr)
        return {}; // beyond the years the C library can represent
    LocalDateTime result;
    result.year = parts.tm_year + 1900;
    result.month = static_cast<std::uint8_t>(parts.tm_mon + 1);
    result.day = static_cast<std::uint8_t>(parts.tm_mday);
    result.dayOfWeek = static_cast<std::uint8_t>(parts.tm_wday);
    result.hour = static_cast<std::uint8_t>(parts.tm_hour);
    result.minute = static_cast<std::uint8_t>(parts.tm_min);
    result.second = static_cast<std::uint8_t>(parts.tm_sec);
    result.hundredths = static_cast<std::uint8_t>(fraction / 10);
    return result;
}

LocalDateTime Now()
{
    return ToLocalDateTime(std::chrono::system_clock::now());
}

std::uint32_t TickMilliseconds()
{
    using namespace std::chrono;
    const auto elapsed = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
    // Keeping the low 32 bits is the wrap the callers expect.
    return static_cast<std::uint32_t>(elapsed.count());
}

} // namespace platform
