#include <value/IntlSettings.h>

#include <gtest/gtest.h>

#include <common/TestSupport.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

using namespace value;

namespace {

using testsupport::ScopedEnvironment;

void ExpectSettings(const IntlSettings& actual, const IntlSettings& expected)
{
    EXPECT_EQ(actual.clockKind, expected.clockKind);
    EXPECT_EQ(actual.hourLeadingZero, expected.hourLeadingZero);
    EXPECT_EQ(actual.timeSeparator, expected.timeSeparator);
    EXPECT_EQ(actual.morningMark, expected.morningMark);
    EXPECT_EQ(actual.afternoonMark, expected.afternoonMark);
    EXPECT_EQ(actual.shortDate, expected.shortDate);
    EXPECT_EQ(actual.longDate, expected.longDate);
}

IntlSettings Croatian()
{
    IntlSettings settings;
    settings.clockKind = 1;
    settings.hourLeadingZero = 0;
    settings.timeSeparator = ':';
    settings.shortDate = "d.M.yyyy";
    settings.longDate = "d. MMMM yyyy.";
    return settings;
}

IntlSettings Hungarian()
{
    IntlSettings settings;
    settings.clockKind = 1;
    settings.hourLeadingZero = 0;
    settings.morningMark = "de"; // "de." cut to two characters
    settings.afternoonMark = "du";
    settings.shortDate = "yyyy. MM. dd.";
    settings.longDate = "yyyy. MMMM d.";
    return settings;
}

template<typename Change> IntlSettings With(IntlSettings settings, Change change)
{
    change(settings);
    return settings;
}

/// Each test reads the settings from a profile of its own, and leaves the defaults behind.
class IntlSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern
            = (std::filesystem::temp_directory_path() / "varn-intl-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
    }
    void TearDown() override
    {
        SetIntlSettingsForTesting({});
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    /// The profile's path; null contents leave the file missing.
    std::string Profile(const char* contents) const
    {
        const std::filesystem::path path = m_directory / "win.ini";
        if (contents != nullptr) {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << contents;
            EXPECT_TRUE(out.good());
        }
        return path.string();
    }

    std::filesystem::path m_directory;
};

TEST_F(IntlSettingsTest, ProfileThenLocaleThenDefaults)
{
    struct Case {
        const char* what;
        const char* profile; ///< win.ini contents, or null for no file
        const char* lcAll;   ///< null: unset
        const char* lcTime;
        const char* lang;
        IntlSettings expected;
    };
    const char* const kFullProfile = "[intl]\r\niTime=0\r\niTLzero=1\r\nsTime=.\r\n"
                                     "s1159=dop.\r\ns2359=odp.\r\nsShortDate=dd/MM/yy\r\n"
                                     "sLongDate=MMMM d, yyyy\r\n";
    const IntlSettings fullProfile = With(IntlSettings {}, [](IntlSettings& s) {
        s.timeSeparator = '.';
        s.morningMark = "do";
        s.afternoonMark = "od";
        s.shortDate = "dd/MM/yy";
        s.longDate = "MMMM d, yyyy";
    });
    const Case cases[] = {
        { "no profile, no locale: the defaults", nullptr, nullptr, nullptr, nullptr, {} },
        { "no profile, LANG=C", nullptr, nullptr, nullptr, "C", {} },
        { "no profile, LANG=POSIX", nullptr, nullptr, nullptr, "POSIX", {} },
        { "no profile, C.UTF-8", nullptr, nullptr, nullptr, "C.UTF-8", {} },
        { "no profile, a locale the table lacks", nullptr, nullptr, nullptr, "ja_JP.UTF-8", {} },
        { "no profile, hr_HR", nullptr, nullptr, nullptr, "hr_HR.UTF-8", Croatian() },
        { "no profile, hr_HR with a modifier", nullptr, "hr_HR.UTF-8@euro", nullptr, nullptr,
            Croatian() },
        { "language alone", nullptr, nullptr, nullptr, "hr", Croatian() },
        { "unknown territory of a known language", nullptr, nullptr, "hr_ME.UTF-8", nullptr,
            Croatian() },
        { "an empty profile, hr_HR", "", nullptr, nullptr, "hr_HR.UTF-8", Croatian() },
        { "another section only", "[windows]\nsTime=.\n", "hr_HR.UTF-8", nullptr, nullptr,
            Croatian() },
        { "LC_ALL wins over LC_TIME and LANG", nullptr, "C", "hr_HR.UTF-8", "hr_HR.UTF-8", {} },
        { "LC_TIME wins over LANG", nullptr, nullptr, "hu_HU.UTF-8", "hr_HR.UTF-8", Hungarian() },
        { "an empty LC_ALL counts as unset", nullptr, "", "hu_HU.UTF-8", "C", Hungarian() },
        { "LANG when nothing else is set", nullptr, "", "", "hu_HU", Hungarian() },
        { "every key from the profile, over hr_HR", kFullProfile, "hr_HR.UTF-8", nullptr, nullptr,
            fullProfile },
        { "every key from the profile, no locale", kFullProfile, nullptr, nullptr, nullptr,
            fullProfile },
        { "one key from the profile, the rest from the locale", "[intl]\nsShortDate=dd.MM.yy\n",
            "hr_HR.UTF-8", nullptr, nullptr,
            With(Croatian(), [](IntlSettings& s) { s.shortDate = "dd.MM.yy"; }) },
        { "a profile number equal to the default still wins", "[INTL]\nITIME=0\n", "hr_HR", nullptr,
            nullptr, With(Croatian(), [](IntlSettings& s) { s.clockKind = 0; }) },
        { "one key from the profile, the rest defaults", "[intl]\niTLzero=0\n", "C", nullptr,
            nullptr, With(IntlSettings {}, [](IntlSettings& s) { s.hourLeadingZero = 0; }) },
        { "an empty number is missing", "[intl]\niTime=\n", "hr_HR", nullptr, nullptr, Croatian() },
        { "an empty separator is missing", "[intl]\nsTime=\n", "hr_HR", nullptr, nullptr,
            Croatian() },
        { "a separator's first character", "[intl]\nsTime=-:\n", "C", nullptr, nullptr,
            With(IntlSettings {}, [](IntlSettings& s) { s.timeSeparator = '-'; }) },
        { "empty marks stand", "[intl]\ns1159=\ns2359=\n", "hu_HU", nullptr, nullptr,
            With(Hungarian(),
                [](IntlSettings& s) {
                    s.morningMark = "";
                    s.afternoonMark = "";
                }) },
        { "an empty date format stands", "[intl]\nsLongDate=\n", "hr_HR", nullptr, nullptr,
            With(Croatian(), [](IntlSettings& s) { s.longDate = ""; }) },
        { "Windows-1250 bytes pass unchanged", "[intl]\ns1159=\x9A\xE8\n", "C", nullptr, nullptr,
            With(IntlSettings {}, [](IntlSettings& s) { s.morningMark = "\x9A\xE8"; }) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string profile = Profile(c.profile);
        std::error_code ignored;
        if (c.profile == nullptr)
            std::filesystem::remove(profile, ignored);
        const ScopedEnvironment profileVariable("VARN_WIN_INI", profile.c_str());
        const ScopedEnvironment lcAll("LC_ALL", c.lcAll);
        const ScopedEnvironment lcTime("LC_TIME", c.lcTime);
        const ScopedEnvironment lang("LANG", c.lang);
        SetIntlSettingsForTesting({});
        LoadIntlSettings();
        ExpectSettings(CurrentIntlSettings(), c.expected);
    }
}

TEST_F(IntlSettingsTest, SettingsForTestingCutTheMarks)
{
    IntlSettings settings = Croatian();
    settings.morningMark = "a.m.";
    settings.afternoonMark = "p";
    SetIntlSettingsForTesting(settings);
    ExpectSettings(
        CurrentIntlSettings(), With(settings, [](IntlSettings& s) { s.morningMark = "a."; }));
}

} // namespace
