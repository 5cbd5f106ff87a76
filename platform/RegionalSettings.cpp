#include "RegionalSettings.h"

#include "Ascii.h"

#include <array>
#include <cstdlib>

namespace platform {

namespace {

/// One locale's answers for the "intl" keys.
struct RegionalRow {
    std::string_view locale; ///< language_territory, as the C library names it
    std::string_view iTime;
    std::string_view iTLzero;
    std::string_view sTime;
    std::string_view s1159;
    std::string_view s2359;
    std::string_view sShortDate;
    std::string_view sLongDate;
};

// The source of truth is Windows' own NLS data for each locale (what GetLocaleInfo answers for
// LOCALE_ITIME, LOCALE_ITLZERO, LOCALE_STIME, LOCALE_S1159, LOCALE_S2359, LOCALE_SSHORTDATE and
// LOCALE_SLONGDATE with no user override), as Windows 7 ships it. The Serbian row is the Latin
// one (sr-Latn-RS), the Bosnian row bs-Latn-BA: Windows-1250 holds no Cyrillic. A 24-hour
// locale still has marks; those Windows gives in English are "AM" and "PM".
//
// The first row of a language answers for the language alone ("hr", "hr_ME"), so each
// language's main territory comes first.
constexpr std::array kRows = {
    RegionalRow { "hr_HR", "1", "0", ":", "AM", "PM", "d.M.yyyy", "d. MMMM yyyy." },
    RegionalRow { "hr_BA", "1", "0", ":", "AM", "PM", "d.M.yyyy.", "d. MMMM yyyy." },
    RegionalRow { "bs_BA", "1", "0", ":", "AM", "PM", "d.M.yyyy", "d. MMMM yyyy" },
    RegionalRow { "sr_RS", "1", "0", ":", "AM", "PM", "d.M.yyyy", "d. MMMM yyyy" },
    RegionalRow { "sl_SI", "1", "0", ":", "AM", "PM", "d.M.yyyy", "d. MMMM yyyy" },
    RegionalRow { "de_DE", "1", "1", ":", "AM", "PM", "dd.MM.yyyy", "dddd, d. MMMM yyyy" },
    RegionalRow { "de_AT", "1", "1", ":", "AM", "PM", "dd.MM.yyyy", "dddd, dd. MMMM yyyy" },
    RegionalRow { "en_US", "0", "0", ":", "AM", "PM", "M/d/yyyy", "dddd, MMMM dd, yyyy" },
    RegionalRow { "en_GB", "1", "1", ":", "AM", "PM", "dd/MM/yyyy", "dd MMMM yyyy" },
    RegionalRow { "it_IT", "1", "1", ":", "AM", "PM", "dd/MM/yyyy", "dddd d MMMM yyyy" },
    RegionalRow { "fr_FR", "1", "1", ":", "AM", "PM", "dd/MM/yyyy", "dddd d MMMM yyyy" },
    RegionalRow { "hu_HU", "1", "0", ":", "de.", "du.", "yyyy. MM. dd.", "yyyy. MMMM d." },
};

using RowField = std::string_view RegionalRow::*;

struct KeyField {
    std::string_view key;
    RowField field;
};

constexpr std::array kKeys = {
    KeyField { "iTime", &RegionalRow::iTime },
    KeyField { "iTLzero", &RegionalRow::iTLzero },
    KeyField { "sTime", &RegionalRow::sTime },
    KeyField { "s1159", &RegionalRow::s1159 },
    KeyField { "s2359", &RegionalRow::s2359 },
    KeyField { "sShortDate", &RegionalRow::sShortDate },
    KeyField { "sLongDate", &RegionalRow::sLongDate },
};

/// The first non-empty variable of LC_ALL, LC_TIME and LANG: the C library's order for the
/// time category (an empty variable counts as unset).
std::string_view TimeLocaleVariable()
{
    for (const char* name : { "LC_ALL", "LC_TIME", "LANG" }) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0')
            return value;
    }
    return {};
}

/// "language[_territory][.codeset][@modifier]" less its codeset and modifier.
std::string_view LanguageAndTerritory(std::string_view name)
{
    return name.substr(0, name.find_first_of(".@"));
}

std::string_view Language(std::string_view languageAndTerritory)
{
    return languageAndTerritory.substr(0, languageAndTerritory.find('_'));
}

bool IsNeutralLocale(std::string_view languageAndTerritory)
{
    return languageAndTerritory.empty() || languageAndTerritory == "C"
        || languageAndTerritory == "POSIX";
}

const RegionalRow* FindRow(std::string_view localeName)
{
    const std::string_view wanted = LanguageAndTerritory(localeName);
    if (IsNeutralLocale(wanted))
        return nullptr;
    for (const RegionalRow& row : kRows) {
        if (row.locale == wanted)
            return &row;
    }
    const std::string_view language = Language(wanted);
    for (const RegionalRow& row : kRows) {
        if (Language(row.locale) == language)
            return &row;
    }
    return nullptr;
}

} // namespace

std::optional<std::string> TimeLocaleName()
{
    const std::string_view name = LanguageAndTerritory(TimeLocaleVariable());
    if (IsNeutralLocale(name))
        return std::nullopt;
    return std::string(name);
}

std::optional<std::string> RegionalDefaultFor(std::string_view localeName, std::string_view key)
{
    const RegionalRow* row = FindRow(localeName);
    if (row == nullptr)
        return std::nullopt;
    for (const KeyField& entry : kKeys) {
        if (EqualsIgnoringAsciiCase(entry.key, key))
            return std::string(row->*entry.field);
    }
    return std::nullopt;
}

std::optional<std::string> RegionalDefault(std::string_view key)
{
    return RegionalDefaultFor(TimeLocaleVariable(), key);
}

} // namespace platform
