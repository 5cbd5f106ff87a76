#include "IntlSettings.h"

#include "LocaleTexts.h"

#include <platform/Profile.h>
#include <platform/RegionalSettings.h>

#include <charconv>
#include <cstdint>
#include <string_view>
#include <utility>

namespace value {

namespace {

constexpr std::string_view kSection = "intl";

IntlSettings& Settings()
{
    static IntlSettings settings;
    return settings;
}

void CutMarks(IntlSettings& settings)
{
    if (settings.morningMark.size() > kTimeMarkLimit)
        settings.morningMark.resize(kTimeMarkLimit);
    if (settings.afternoonMark.size() > kTimeMarkLimit)
        settings.afternoonMark.resize(kTimeMarkLimit);
}

/// What a key the profile lacks stands for: the locale's value, else the built-in default.
std::string Fallback(std::string_view key, std::string_view builtIn)
{
    if (auto regional = platform::RegionalDefault(key))
        return std::move(*regional);
    return std::string(builtIn);
}

std::int32_t FallbackNumber(std::string_view key, std::int32_t builtIn)
{
    const auto regional = platform::RegionalDefault(key);
    if (!regional)
        return builtIn;
    std::int32_t number = builtIn;
    const char* end = regional->data() + regional->size();
    if (std::from_chars(regional->data(), end, number).ec != std::errc {})
        return builtIn;
    return number;
}

std::string Text(std::string_view key, std::string_view builtIn)
{
    return platform::GetProfileString(kSection, key, Fallback(key, builtIn));
}

int Number(std::string_view key, std::int32_t builtIn)
{
    return platform::GetProfileInt(kSection, key, FallbackNumber(key, builtIn));
}

} // namespace

const IntlSettings& CurrentIntlSettings()
{
    return Settings();
}

void LoadIntlSettings()
{
    const IntlSettings defaults;
    IntlSettings settings;
    settings.clockKind = Number("iTime", defaults.clockKind);
    settings.hourLeadingZero = Number("iTLzero", defaults.hourLeadingZero);
    std::string separator = Text("sTime", std::string_view(&defaults.timeSeparator, 1));
    if (separator.empty())
        separator = Fallback("sTime", std::string_view(&defaults.timeSeparator, 1));
    settings.timeSeparator = separator.empty() ? defaults.timeSeparator : separator.front();
    settings.morningMark = Text("s1159", defaults.morningMark);
    settings.afternoonMark = Text("s2359", defaults.afternoonMark);
    settings.shortDate = Text("sShortDate", defaults.shortDate);
    settings.longDate = Text("sLongDate", defaults.longDate);
    CutMarks(settings);
    Settings() = std::move(settings);
}

void SetIntlSettingsForTesting(const IntlSettings& settings)
{
    IntlSettings copy = settings;
    CutMarks(copy);
    Settings() = std::move(copy);
}

} // namespace value
