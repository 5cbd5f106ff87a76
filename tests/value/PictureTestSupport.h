#pragma once

// What the picture tests share: a fixture that pins everything a picture reads (the stacks, the
// locale texts, the current year, the Windows settings) and helpers that run FORMAT and
// DEFORMAT the way generated code does.

#include <value/Collation.h>
#include <value/Dates.h>
#include <value/Decimal.h>
#include <value/IntlSettings.h>
#include <value/LocaleTexts.h>
#include <value/Picture.h>
#include <value/StringStack.h>

#include <gtest/gtest.h>

#include <string>

namespace picturetest {

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        value::ResetDecimalStack();
        value::ResetStringStack();
        value::ResetLocaleTexts();
        value::ResetCharacterTables();
        value::PinCurrentYearForTesting(2026);
        value::SetIntlSettingsForTesting(value::IntlSettings {});
        value::BuildWindowsPictures();
    }
    void TearDown() override
    {
        EXPECT_EQ(value::DecimalDepth(), 0) << "registers left behind";
        EXPECT_EQ(value::StackDepth(), 0) << "strings left behind";
        value::ResetDecimalStack();
        value::ResetStringStack();
        value::ResetLocaleTexts();
        value::PinCurrentYearForTesting(std::nullopt);
        value::SetIntlSettingsForTesting(value::IntlSettings {});
        value::BuildWindowsPictures();
    }
};

/// FORMAT(number, picture) with the number given as text.
inline std::string Format(const char* picture, const char* number)
{
    value::PushTextDecimal(number);
    value::FormatToStack(picture);
    const std::string text(value::StackTop().View());
    value::Drop();
    return text;
}

/// DEFORMAT(typed, picture).
inline std::string Deformat(const char* picture, const std::string& typed)
{
    value::PushString(typed);
    value::DeformatToStack(picture);
    const std::string text(value::StackTop().View());
    value::Drop();
    return text;
}

inline std::int32_t Day(std::int32_t year, int month, int day)
{
    return value::CalendarToDate(
        { year, static_cast<std::uint8_t>(day), static_cast<std::uint8_t>(month) });
}

inline std::int32_t Time(int hour, int minute, int second = 0)
{
    return value::ClockToTime({ static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute),
        static_cast<std::uint8_t>(second), 0 });
}

} // namespace picturetest
