// Date and time pictures: the layouts with their fill, window and separator modifiers, month
// names, AM/PM marks, reading typed dates and times back, and the Windows pictures built from
// the international settings. The current year is pinned to 2026.

#include "PictureTestSupport.h"

#include <cstring>
#include <string>

using namespace value;
using picturetest::Day;
using picturetest::Deformat;
using picturetest::Format;
using picturetest::Time;

namespace {

using DatePictureTest = picturetest::PictureTest;
using TimePictureTest = picturetest::PictureTest;
using WindowsPictureTest = picturetest::PictureTest;

std::string FormatNumber(const char* picture, std::int32_t number)
{
    return Format(picture, std::to_string(number).c_str());
}

struct ShowRow {
    const char* picture;
    std::int32_t number;
    const char* shown;
};

template<std::size_t N> void ExpectShown(const ShowRow (&rows)[N])
{
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of " + std::to_string(row.number));
        EXPECT_EQ(FormatNumber(row.picture, row.number), row.shown);
    }
}

struct ReadRow {
    const char* picture;
    const char* typed;
    std::int32_t number;
};

template<std::size_t N> void ExpectRead(const ReadRow (&rows)[N])
{
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.picture) + " of \"" + row.typed + "\"");
        EXPECT_EQ(Deformat(row.picture, row.typed), std::to_string(row.number));
    }
}

// --- dates -----------------------------------------------------------------------------------

TEST_F(DatePictureTest, EveryLayout)
{
    const std::int32_t march5 = Day(2001, 3, 5);
    // clang-format off
    const ShowRow rows[] = {
        { "@D1", Day(2000, 1, 1), " 1/01/00" },
        { "@D01", Day(2000, 1, 1), "01/01/00" }, // "0" fill: leading zeros everywhere
        { "@D2-", Day(1999, 12, 31), "12-31-1999" },
        { "@D3", Day(1959, 10, 31), "OCT 31,1959" },
        { "@D4", march5, "March  5, 2001       " }, // the name closes up, the rest is blank
        { "@D4", Day(2001, 9, 15), "September 15, 2001   " },
        { "@D5", march5, " 5/03/01" },
        { "@D6", Day(2024, 2, 29), "29/02/2024" },
        { "@D7", march5, " 5 MAR 01" },
        { "@D8-", march5, " 5-MAR-2001" }, // the blanks of 7 and 8 are separators
        { "@D9", march5, "01/03/05" },
        { "@D10.", march5, "2001.03.05" },
        { "@D11", march5, "010305" },
        { "@D12", march5, "20010305" },
        { "@D13", march5, "03/01" },
        { "@D14", march5, "03/2001" },
        { "@D15", march5, "01/03" },
        { "@D16", march5, "2001/03" },
        { "@D2_", march5, " 3 05 2001" }, // "_" is a blank separator
        { "@D2`", march5, " 3,05,2001" }, // "`" a comma
        { "@D*1", march5, "*3/*5/*1" },   // the fill replaces every leading zero
        { "@D_1", Day(2010, 10, 10), "10/10/10" },
        { "@D6b", 0, "          " },
        { "@D6b", 3, "          " },        // before the first date: no date
        { "@D1", 0, " 0/00/00" },           // without "b" no date shows as zeros
        { "@D2", 2'994'626, "12/31/9999" }, // the last date
        { "@D2", 4, " 1/01/1801" },         // the first
    };
    // clang-format on
    ExpectShown(rows);
}

TEST_F(DatePictureTest, MonthNamesFromTheLocale)
{
    SetMonthName(10, "listopad");
    SetMonthName(5, "svibanj");
    // clang-format off
    const ShowRow rows[] = {
        { "@D3", Day(1959, 10, 31), "LIS 31,1959" },         // upper-cased, first three letters
        { "@D4", Day(2001, 5, 1), "svibanj  1, 2001     " }, // layout 4 keeps the case
    };
    // clang-format on
    ExpectShown(rows);
}

TEST_F(DatePictureTest, ReadsDatesBack)
{
    // clang-format off
    const ReadRow rows[] = {
        { "@D1", " 1/01/00", Day(2000, 1, 1) },
        { "@D1", "1/5/00", Day(2000, 1, 5) }, // a short part ends at the separator
        { "@D1", "010500", Day(2000, 1, 5) }, // separators may be left out
        { "@D2", "12/31/1999", Day(1999, 12, 31) },
        { "@D2-", "12-31-1999", Day(1999, 12, 31) },
        { "@D6", "29/02/2024", Day(2024, 2, 29) },
        { "@D3", "oct 31,1959", Day(1959, 10, 31) }, // names in any case
        { "@D3", "OcT 31,1959", Day(1959, 10, 31) },
        { "@D4", "MARCH  5, 2001", Day(2001, 3, 5) },
        { "@D4", "march 5, 2001", Day(2001, 3, 5) }, // the rest of the word is skipped
        { "@D8", " 5 Mar 2001", Day(2001, 3, 5) },
        { "@D13", "03/01", Day(2001, 3, 1) }, // no day: the first
        { "@D14", "03/2001", Day(2001, 3, 1) },
        { "@D15", "01/03", Day(2001, 3, 1) },
        { "@D16", "2001/03", Day(2001, 3, 1) },
        { "@D14", "  /2001", -1 }, // a month is needed too
        { "@D1", "01/01/60", Day(1960, 1, 1) }, // window 80 of 2026: 1946 to 2045
        { "@D1", "01/01/45", Day(2045, 1, 1) },
        { "@D1", "01/01/46", Day(1946, 1, 1) },
        { "@D1<50", "01/01/60", Day(2060, 1, 1) }, // 1976 to 2075
        { "@D1<90", "01/01/60", Day(1960, 1, 1) }, // 1936 to 2035
        { "@D1>90", "01/01/60", Day(2060, 1, 1) }, // window 9: 2017 to 2116
        { "@D1>90", "01/01/16", Day(2116, 1, 1) },
        { "@D2", "01/01/0060", Day(1960, 1, 1) },            // a year below 100 is windowed
        { "@D1", "", 0 },                                    // nothing read
        { "@D1", "  /  /  ", 0 },
        { "@D1", "00/05/01", -1 }, // month 0
        { "@D1", "13/01/01", Day(2002, 1, 1) },              // as DATE: the month carries
        { "@D1", "02/30/01", Day(2001, 3, 2) },              // ... and so does the day
        { "@D3", "xyz 31,1959", -1 },                        // no such month
    };
    // clang-format on
    ExpectRead(rows);
}

// --- times -----------------------------------------------------------------------------------

TEST_F(TimePictureTest, EveryLayout)
{
    // clang-format off
    const ShowRow rows[] = {
        { "@T3", Time(13, 5), " 1:05PM" },
        { "@T3", Time(0, 30), "12:30AM" },
        { "@T3", Time(12, 0), "12:00PM" },
        { "@T4.", Time(9, 5, 7), " 9.05.07" },
        { "@T1", Time(23, 59), "23:59" },
        { "@T01", Time(9, 5), "09:05" }, // "0" fill
        { "@T*1", Time(9, 5), "*9:*5" }, // the fill replaces every leading zero
        { "@T2", Time(23, 59), "2359" },
        { "@T4-", Time(0, 0, 1), " 0-00-01" },
        { "@T5", Time(9, 5, 7), " 90507" },
        { "@T6", Time(23, 59, 59), "11:59:59PM" },
        { "@T1", 1, " 0:00" },                                 // midnight
        { "@T1b", 0, "     " },
        { "@T1", 8'640'000, "23:59" }, // the last hundredth
        { "@T1b", 8'640'001, "     " },                        // beyond it: no time
    };
    // clang-format on
    ExpectShown(rows);
}

TEST_F(TimePictureTest, MarksFromTheLocale)
{
    SetMorningMark("a");
    SetAfternoonMark("p");
    EXPECT_EQ(FormatNumber("@T3", Time(13, 5)), " 1:05p "); // a one-character mark
    EXPECT_EQ(Deformat("@T3", " 1:05p "), std::to_string(Time(13, 5)));
    EXPECT_EQ(Deformat("@T3", "12:05a "), std::to_string(Time(0, 5)));
}

TEST_F(TimePictureTest, ReadsTimesBack)
{
    // clang-format off
    const ReadRow rows[] = {
        { "@T3", " 1:05PM", Time(13, 5) },
        { "@T3", " 1:05pm", Time(13, 5) }, // marks in any case
        { "@T3", "12:30AM", Time(0, 30) }, // 12 in the morning is 0
        { "@T3", "12:30PM", Time(12, 30) },
        { "@T3", " 1:05  ", Time(1, 5) }, // no mark
        { "@T4.", " 9.05.07", Time(9, 5, 7) },
        { "@T4", "9:5:7", Time(9, 5, 7) },
        { "@T5", "090507", Time(9, 5, 7) },
        { "@T1", "00:00", 1 },     // midnight is a time
        { "@T1", "", 0 },          // nothing read
        { "@T4", "24:00:00", -1 }, // out of range
        { "@T1", "12:60", -1 },
        { "@T4", "12:00:60", -1 },
    };
    // clang-format on
    ExpectRead(rows);
}

// --- the Windows pictures -------------------------------------------------------------------

TEST_F(WindowsPictureTest, FromTheDefaultSettings)
{
    // clang-format off
    const ShowRow rows[] = {
        { "@D17", Day(2000, 1, 1), "01/01/00" },
        { "@D18", Day(2000, 1, 1), "January 01, 2000  " },
        { "@D18", Day(2001, 9, 5), "September 05, 2001" }, // keeps its case
        { "@D17-", Day(2000, 1, 1), "01-01-00" },          // modifiers apply
        { "@T7", Time(13, 5), "01:05 PM" },
        { "@T8", Time(0, 5, 7), "12:05:07 AM" },
    };
    // clang-format on
    ExpectShown(rows);
    // clang-format off
    const ReadRow read[] = {
        { "@D17", "12/31/99", Day(1999, 12, 31) },
        { "@D18", "december 31, 1999", Day(1999, 12, 31) },
        { "@T7", "01:05 PM", Time(13, 5) },
    };
    // clang-format on
    ExpectRead(read);
}

TEST_F(WindowsPictureTest, FromCroatianSettings)
{
    IntlSettings settings;
    settings.shortDate = "d.M.yyyy";
    settings.longDate = "d. MMMM yyyy.";
    settings.clockKind = 1;
    settings.hourLeadingZero = 0;
    settings.timeSeparator = ':';
    SetIntlSettingsForTesting(settings);
    BuildWindowsPictures();
    // clang-format off
    const ShowRow rows[] = {
        { "@D17", Day(2001, 3, 5), " 5. 3.2001" },
        { "@D17", Day(2001, 12, 31), "31.12.2001" },
        { "@D18", Day(2001, 3, 5), " 5. March 2001.    " },
        { "@T7", Time(9, 5), " 9:05" },
        { "@T8", Time(21, 5, 7), "21:05:07" },
    };
    // clang-format on
    ExpectShown(rows);
    // clang-format off
    const ReadRow read[] = {
        { "@D17", "5.3.2001", Day(2001, 3, 5) },
        { "@D18", " 5. march 2001.", Day(2001, 3, 5) },
        { "@T8", "21:05:07", Time(21, 5, 7) },
    };
    // clang-format on
    ExpectRead(read);
}

TEST_F(WindowsPictureTest, LongDateFormats)
{
    struct Row {
        const char* longDate;
        const char* shown; // 5 March 2001
    };
    // clang-format off
    const Row rows[] = {
        { "dddd, d. MMMM yyyy.", " 5. March 2001.    " }, // the weekday is skipped
        { "d. MMMM yyyy. (dddd)", " 5. March 2001    " }, // with the text before it
        { "yyyy-MM-dd", "2001-03-05" },
        { "MMM d, yy", "Mar  5, 01" },
        { "M/d/y", " 3/ 5/1" },
        { "d.M.yyyy (yy)", " 5. 3.2001 ()" },  // each part is shown once
        { "'Datum' d.M.", nullptr }, // no date field first: the default
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.longDate);
        IntlSettings settings;
        settings.longDate = row.longDate;
        SetIntlSettingsForTesting(settings);
        BuildWindowsPictures();
        if (row.shown == nullptr) {
            // A format that does not start with a date field falls back to the default.
            EXPECT_EQ(FormatNumber("@D18", Day(2001, 3, 5)), "March 05, 2001    ");
            continue;
        }
        EXPECT_EQ(FormatNumber("@D18", Day(2001, 3, 5)), row.shown);
    }
}

TEST_F(WindowsPictureTest, ShortDateOrders)
{
    struct Row {
        const char* shortDate;
        const char* shown; // 5 March 2001
    };
    // clang-format off
    const Row rows[] = {
        { "MM/dd/yy", "03/05/01" },
        { "dd.MM.yyyy", "05.03.2001" },
        { "yyyy-M-d", "2001- 3- 5" },
        { "yy/MM/dd", "01/03/05" },
        { "dd-MM", "05-03-01" }, // the year is never left out; "-" before the month
        { "MM", "03/ 5/01" },    // nothing after the month: "/"
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shortDate);
        IntlSettings settings;
        settings.shortDate = row.shortDate;
        SetIntlSettingsForTesting(settings);
        BuildWindowsPictures();
        EXPECT_EQ(FormatNumber("@D17", Day(2001, 3, 5)), row.shown);
    }
}

TEST_F(WindowsPictureTest, TimeMarksFromTheSettings)
{
    IntlSettings settings;
    settings.morningMark = "dp";
    settings.afternoonMark = "p";
    SetIntlSettingsForTesting(settings);
    BuildWindowsPictures();
    EXPECT_EQ(FormatNumber("@T7", Time(13, 5)), "01:05 p ");
    EXPECT_EQ(FormatNumber("@T7", Time(1, 5)), "01:05 dp");
    EXPECT_EQ(FormatNumber("@T3", Time(13, 5)), " 1:05PM"); // the others keep the locale's
    EXPECT_EQ(Deformat("@T7", "01:05 p "), std::to_string(Time(13, 5)));
}

// A name shorter than its field closes up on what follows it, even a letter: reading stops at
// the end of the name and leaves the letter to its own position.
TEST_F(WindowsPictureTest, ANameClosesUpOnALetter)
{
    IntlSettings settings;
    settings.longDate = "MMMM'x'd, yyyy";
    SetIntlSettingsForTesting(settings);
    BuildWindowsPictures();
    EXPECT_EQ(FormatNumber("@D18", Day(2001, 5, 5)), "Mayx 5, 2001      ");
    EXPECT_EQ(Deformat("@D18", "Mayx 5, 2001"), std::to_string(Day(2001, 5, 5)));
    EXPECT_EQ(Deformat("@D18", "MAYx 5, 2001"), std::to_string(Day(2001, 5, 5)));
    EXPECT_EQ(Deformat("@D18", "Septemberx 5, 2001"), std::to_string(Day(2001, 9, 5)));
}

} // namespace

// FORMAT and DEFORMAT keep the picture they compiled last: a text that changes in the same
// buffer is compiled again, and so is a Windows picture once the settings are built again.
TEST_F(WindowsPictureTest, TheKeptPictureFollowsItsTextAndTheSettings)
{
    char text[8] = "@D17";
    const std::string day = std::to_string(Day(2001, 3, 5));
    EXPECT_EQ(Format(text, day.c_str()), "03/05/01");
    std::memcpy(text, "@D6", 4);
    EXPECT_EQ(Format(text, day.c_str()), " 5/03/2001");
    std::memcpy(text, "@D17", 5);
    EXPECT_EQ(Format(text, day.c_str()), "03/05/01");
    IntlSettings settings;
    settings.shortDate = "d.M.yyyy";
    SetIntlSettingsForTesting(settings);
    BuildWindowsPictures();
    EXPECT_EQ(Format(text, day.c_str()), " 5. 3.2001");
    EXPECT_EQ(picturetest::Deformat(text, "5.3.2001"), day);
}
