// The Windows date pictures 17 and 18 and time pictures 7 and 8, built from the international
// settings. Only the order and kind of the date fields are taken from sShortDate; sLongDate is
// followed more closely, its texts between fields kept as separator positions.

#include "IntlSettings.h"
#include "PictureInternal.h"

#include <algorithm>
#include <atomic>

namespace value {

namespace {

using picture::RowBuilder;
using picture::WindowsPictures;

std::size_t RunLength(std::string_view text, std::size_t at)
{
    std::size_t end = at;
    while (end < text.size() && text[end] == text[at])
        ++end;
    return end - at;
}

void AddTwoDigits(RowBuilder& row, PictureRole role, bool leadingZero)
{
    row.Add(role, leadingZero ? '0' : ' ');
    row.Add(role, '0');
}

void StartDate(CompiledPicture& picture, int number)
{
    picture = picture::kEmptyPicture;
    picture.kind = PictureKind::Date;
    picture.subKind = 1;
    picture.number = static_cast<std::uint8_t>(number);
    picture.window = kPictureDefaultWindow;
}

void Finish(CompiledPicture& picture, const RowBuilder& row)
{
    if (row.Failed() || row.Count() == 0)
        picture = picture::kEmptyPicture;
    else
        picture.width = static_cast<std::uint8_t>(row.Count());
}

/// The first run of `letter` in `text`: its length, 0 when there is none.
std::size_t FirstRun(std::string_view text, char letter)
{
    const std::size_t at = text.find(letter);
    return at == std::string_view::npos ? 0 : RunLength(text, at);
}

bool IsDateField(char c)
{
    return c == 'd' || c == 'M' || c == 'y';
}

void BuildShortDate(CompiledPicture& picture, std::string_view format)
{
    StartDate(picture, 17);
    const bool dayZero = FirstRun(format, 'd') >= 2;
    const bool monthZero = FirstRun(format, 'M') >= 2;
    const int yearDigits = FirstRun(format, 'y') >= 3 ? 4 : 2;
    // The separator follows the last "M"; a format that ends with the month has it before the
    // first one.
    const std::size_t lastMonth = format.rfind('M');
    const std::size_t firstMonth = format.find('M');
    char separator = '/';
    if (lastMonth != std::string_view::npos && lastMonth + 1 < format.size())
        separator = format[lastMonth + 1];
    else if (firstMonth != std::string_view::npos && firstMonth > 0
        && !IsDateField(format[firstMonth - 1]))
        separator = format[firstMonth - 1];
    const char first = format.empty() ? '\0' : format.front();
    const char* order = first == 'd' ? "dmy" : first == 'y' ? "ymd" : "mdy";

    RowBuilder row(picture);
    for (int part = 0; part < 3; ++part) {
        if (part > 0)
            row.Add(PictureRole::Separator, separator);
        switch (order[part]) {
        case 'd':
            AddTwoDigits(row, PictureRole::DayDigit, dayZero);
            break;
        case 'm':
            AddTwoDigits(row, PictureRole::MonthDigit, monthZero);
            break;
        default:
            for (int i = 0; i < yearDigits; ++i)
                row.Add(PictureRole::YearDigit, '0');
            break;
        }
    }
    Finish(picture, row);
}

/// Moves `at` past text that is no date field, quoted parts included.
std::size_t SkipToField(std::string_view format, std::size_t at)
{
    while (at < format.size() && !IsDateField(format[at])) {
        if (format[at] == '\'') {
            const std::size_t close = format.find('\'', at + 1);
            at = close == std::string_view::npos ? format.size() : close + 1;
        } else {
            ++at;
        }
    }
    return at;
}

void AddField(RowBuilder& row, char letter, std::size_t run)
{
    switch (letter) {
    case 'd':
        AddTwoDigits(row, PictureRole::DayDigit, run >= 2);
        break;
    case 'M':
        if (run <= 2) {
            AddTwoDigits(row, PictureRole::MonthDigit, run == 2);
        } else {
            for (std::size_t i = 0; i < (run == 3 ? 3u : 9u); ++i)
                row.Add(PictureRole::MonthName, ' ');
        }
        break;
    default:
        for (std::size_t i = 0; i < std::min<std::size_t>(run, 4); ++i)
            row.Add(PictureRole::YearDigit, '0');
        break;
    }
}

/// Builds picture 18 from `format`; false when it yields no date field.
bool BuildLongDateFrom(CompiledPicture& picture, std::string_view format)
{
    StartDate(picture, 18);
    RowBuilder row(picture);
    std::size_t fieldsEnd = 0; // the row's length after its last field
    bool endsWithWeekday = false;
    bool shown[3] = {}; // day, month, year: each is shown once
    std::size_t at = 0;
    while (at < format.size()) {
        const char c = format[at];
        if (IsDateField(c)) {
            const std::size_t run = RunLength(format, at);
            at += run;
            if (c == 'd' && run >= 3) {
                // A weekday: never shown, together with the text that follows it.
                at = SkipToField(format, at);
                endsWithWeekday = true;
                continue;
            }
            bool& once = shown[c == 'd' ? 0 : c == 'M' ? 1 : 2];
            if (once)
                continue;
            once = true;
            AddField(row, c, run);
            fieldsEnd = row.Count();
            endsWithWeekday = false;
        } else if (c == '\'') {
            std::size_t close = format.find('\'', at + 1);
            if (close == std::string_view::npos)
                close = format.size();
            for (std::size_t i = at + 1; i < close; ++i)
                row.Add(PictureRole::Separator, format[i]);
            at = close + 1;
        } else {
            row.Add(PictureRole::Separator, c);
            ++at;
        }
    }
    if (fieldsEnd == 0 || row.Failed())
        return false;
    // A weekday at the end goes with the text that led up to it.
    picture.width = static_cast<std::uint8_t>(endsWithWeekday ? fieldsEnd : row.Count());
    return true;
}

void BuildLongDate(CompiledPicture& picture, std::string_view format)
{
    if (format.empty() || !IsDateField(format.front()) || !BuildLongDateFrom(picture, format))
        BuildLongDateFrom(picture, IntlSettings {}.longDate);
}

void BuildTime(CompiledPicture& picture, const IntlSettings& settings, int number)
{
    picture = picture::kEmptyPicture;
    picture.kind = PictureKind::Time;
    picture.subKind = 1;
    picture.number = static_cast<std::uint8_t>(number);
    RowBuilder row(picture);
    AddTwoDigits(row, PictureRole::HourDigit, settings.hourLeadingZero != 0);
    row.Add(PictureRole::Separator, settings.timeSeparator);
    AddTwoDigits(row, PictureRole::MinuteDigit, true);
    if (number == 8) {
        row.Add(PictureRole::Separator, settings.timeSeparator);
        AddTwoDigits(row, PictureRole::SecondDigit, true);
    }
    if (settings.clockKind == 0) {
        row.Add(PictureRole::Literal, ' ');
        row.Add(PictureRole::TimeMark, ' ');
        row.Add(PictureRole::TimeMarkTail, ' ');
        picture.hasTimeMark = true;
    }
    Finish(picture, row);
}

void CopyMark(char (&mark)[2], std::string_view text)
{
    mark[0] = !text.empty() ? text[0] : ' ';
    mark[1] = text.size() > 1 ? text[1] : ' ';
}

WindowsPictures BuildFrom(const IntlSettings& settings)
{
    WindowsPictures pictures;
    BuildShortDate(pictures.shortDate, settings.shortDate);
    BuildLongDate(pictures.longDate, settings.longDate);
    BuildTime(pictures.shortTime, settings, 7);
    BuildTime(pictures.longTime, settings, 8);
    CopyMark(pictures.morningMark, settings.morningMark);
    CopyMark(pictures.afternoonMark, settings.afternoonMark);
    return pictures;
}

// Written during start-up only (and by tests), read-only afterwards.
WindowsPictures& State()
{
    static WindowsPictures pictures = BuildFrom(IntlSettings {});
    return pictures;
}

} // namespace

namespace picture {

const WindowsPictures& CurrentWindowsPictures()
{
    return State();
}

} // namespace picture

namespace {
std::atomic<std::uint32_t> g_windowsPicturesGeneration { 0 };
}

std::uint32_t picture::WindowsPicturesGeneration()
{
    return g_windowsPicturesGeneration.load(std::memory_order_acquire);
}

void BuildWindowsPictures()
{
    State() = BuildFrom(CurrentIntlSettings());
    g_windowsPicturesGeneration.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace value
