#pragma once

#include <string>

// The Windows international settings: the clock and date formats of the profile section "intl"
// (iTime, iTLzero, sTime, s1159, s2359, sShortDate, sLongDate). They are read once during
// start-up, before the locale environment file, and only read afterwards, so readers take no
// lock. Each key the profile holds wins; a key it lacks takes what Windows gives for the
// user's locale (platform/RegionalSettings.h), and without a locale the defaults below.
// The texts are Windows-1250 bytes, as the profile stores them.

namespace value {

// The Windows international settings (profile section "intl"), read once at start-up.
struct IntlSettings {
    int clockKind = 0;              // iTime: 0 = 12-hour clock (mark after the time), else 24-hour
    int hourLeadingZero = 1;        // iTLzero: non-zero keeps the hour's leading zero
    char timeSeparator = ':';       // sTime (its first character)
    std::string morningMark = "AM"; // s1159, at most 2 characters
    std::string afternoonMark = "PM";                  // s2359, at most 2 characters
    std::string shortDate = "MM/dd/yy";                // sShortDate
    std::string longDate = "ddd', 'MMMM' 'dd', 'yyyy"; // sLongDate
};

/// The settings in force: the defaults above until LoadIntlSettings has run.
const IntlSettings& CurrentIntlSettings();

/// Start-up: reads the settings from the profile, else the user's locale, else the defaults.
/// Marks longer than two characters are cut to two. An empty sTime names no separator and is
/// taken as missing; any other empty text stands (an empty mark shows as blanks).
void LoadIntlSettings();

/// Replaces the settings in force (tests and fuzzers), marks cut to two characters.
void SetIntlSettingsForTesting(const IntlSettings& settings);

} // namespace value
