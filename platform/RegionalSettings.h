#pragma once

#include <optional>
#include <string>
#include <string_view>

// The regional settings of the user's locale, as Windows gives them for that locale where the
// profile has no "intl" key of its own. On Windows the date and time formats come from the
// Control Panel's regional settings; here they come from the locale the user runs in, named
// for dates and times by LC_ALL, else LC_TIME, else LANG (the order in which the C library
// resolves it). Only language and territory count: "hr_HR.UTF-8@euro" is "hr_HR".
//
// The answers are those of Windows for the same locale; a locale the table lacks answers the
// row of its language when there is one ("hr" or "hr_ME" as "hr_HR"), else nothing. The
// locales "C" and "POSIX", and no locale at all, answer nothing: the caller's defaults hold.

namespace platform {

/// The locale name in force for dates and times, reduced to language and territory ("hr_HR",
/// or "hr" when no territory is named); nothing for "C", "POSIX" or no locale.
std::optional<std::string> TimeLocaleName();

/// What Windows answers for `key` of the profile section "intl" in the locale `localeName`
/// ("hr_HR", or a full name such as "hr_HR.UTF-8"). The keys are iTime, iTLzero, sTime,
/// s1159, s2359, sShortDate and sLongDate, matched without regard to ASCII case; numbers are
/// answered as their decimal text. Nothing for another key or a locale the table cannot place.
/// The texts are ASCII.
std::optional<std::string> RegionalDefaultFor(std::string_view localeName, std::string_view key);

/// RegionalDefaultFor the locale of TimeLocaleName, read from the environment at each call.
std::optional<std::string> RegionalDefault(std::string_view key);

} // namespace platform
