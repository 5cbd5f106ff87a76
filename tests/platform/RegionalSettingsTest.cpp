#include <platform/RegionalSettings.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace {

using testsupport::ScopedEnvironment;

std::string Answer(const char* locale, const char* key)
{
    return platform::RegionalDefaultFor(locale, key).value_or("<none>");
}

TEST(RegionalSettingsTest, CroatianIsWhatWindowsGives)
{
    EXPECT_EQ(Answer("hr_HR", "sShortDate"), "d.M.yyyy");
    EXPECT_EQ(Answer("hr_HR", "sLongDate"), "d. MMMM yyyy.");
    EXPECT_EQ(Answer("hr_HR", "iTime"), "1");
    EXPECT_EQ(Answer("hr_HR", "iTLzero"), "0");
    EXPECT_EQ(Answer("hr_HR", "sTime"), ":");
    EXPECT_EQ(Answer("hr_HR", "s1159"), "AM");
    EXPECT_EQ(Answer("hr_HR", "s2359"), "PM");
}

TEST(RegionalSettingsTest, LocaleNames)
{
    struct Case {
        const char* locale;
        const char* shortDate; ///< "<none>" when the table cannot place the locale
    };
    const Case cases[] = {
        { "hr_HR.UTF-8", "d.M.yyyy" }, // codeset ignored
        { "hr_HR.ISO-8859-2", "d.M.yyyy" },
        { "hr_HR@euro", "d.M.yyyy" },        // modifier ignored
        { "hr_BA.UTF-8", "d.M.yyyy." },      // a territory of its own
        { "hr", "d.M.yyyy" },                // the language alone: its main territory
        { "hr_ME.UTF-8", "d.M.yyyy" },       // a territory the table lacks
        { "sr_RS.UTF-8@latin", "d.M.yyyy" }, // Serbian, Latin or not
        { "sr_ME", "d.M.yyyy" },
        { "bs_BA.UTF-8", "d.M.yyyy" },
        { "sl_SI.UTF-8", "d.M.yyyy" },
        { "de_DE.UTF-8", "dd.MM.yyyy" },
        { "de_CH.UTF-8", "dd.MM.yyyy" },
        { "en_US.UTF-8", "M/d/yyyy" },
        { "en_GB.UTF-8", "dd/MM/yyyy" },
        { "en_AU.UTF-8", "M/d/yyyy" }, // English means en_US
        { "it_IT.UTF-8", "dd/MM/yyyy" },
        { "fr_FR.UTF-8", "dd/MM/yyyy" },
        { "hu_HU.UTF-8", "yyyy. MM. dd." },
        { "C", "<none>" },
        { "C.UTF-8", "<none>" },
        { "POSIX", "<none>" },
        { "", "<none>" },
        { "ja_JP.UTF-8", "<none>" },
        { "h", "<none>" },
        { "HR_HR", "<none>" }, // locale names are case-sensitive, as the C library's are
        { "/usr/share/locale/hr_HR", "<none>" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(Answer(c.locale, "sShortDate"), c.shortDate);
    }
}

TEST(RegionalSettingsTest, Keys)
{
    EXPECT_EQ(Answer("en_US", "itime"), "0"); // keys in any case, as the profile's
    EXPECT_EQ(Answer("en_US", "SLONGDATE"), "dddd, MMMM dd, yyyy");
    EXPECT_EQ(Answer("hu_HU", "s1159"), "de."); // as Windows gives it; the caller cuts
    EXPECT_EQ(Answer("de_DE", "iTLzero"), "1");
    EXPECT_EQ(Answer("hr_HR", "sDate"), "<none>"); // not one of the keys
    EXPECT_EQ(Answer("hr_HR", ""), "<none>");
    EXPECT_EQ(Answer("C", "iTime"), "<none>");
}

TEST(RegionalSettingsTest, TheTimeLocaleComesFromTheEnvironment)
{
    struct Case {
        const char* lcAll; ///< null: unset
        const char* lcTime;
        const char* lang;
        const char* expected; ///< null: no locale
    };
    const Case cases[] = {
        { nullptr, nullptr, nullptr, nullptr },
        { nullptr, nullptr, "hr_HR.UTF-8", "hr_HR" },
        { nullptr, "de_AT.UTF-8", "hr_HR.UTF-8", "de_AT" },
        { "it_IT.UTF-8", "de_AT.UTF-8", "hr_HR.UTF-8", "it_IT" },
        { "", "", "hr_HR.UTF-8", "hr_HR" }, // empty variables count as unset
        { "C", "de_AT.UTF-8", "hr_HR.UTF-8", nullptr },
        { nullptr, "POSIX", "hr_HR.UTF-8", nullptr },
        { nullptr, nullptr, "sr_RS@latin", "sr_RS" },
        { nullptr, nullptr, "hr", "hr" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcTime ? c.lcTime : "-") << " "
            << (c.lang ? c.lang : "-"));
        const ScopedEnvironment lcAll("LC_ALL", c.lcAll);
        const ScopedEnvironment lcTime("LC_TIME", c.lcTime);
        const ScopedEnvironment lang("LANG", c.lang);
        const auto name = platform::TimeLocaleName();
        EXPECT_EQ(name.value_or("<none>"), c.expected ? c.expected : "<none>");
        const auto shortDate = platform::RegionalDefault("sShortDate");
        EXPECT_EQ(shortDate.has_value(), c.expected != nullptr);
        if (c.expected != nullptr) {
            EXPECT_EQ(shortDate, platform::RegionalDefaultFor(c.expected, "sShortDate"));
        }
    }
}

} // namespace
