#include "LocaleTexts.h"

#include <array>
#include <cassert>

namespace value {

namespace {

/// A text of at most Limit bytes held in place, so the tables need no allocation and a reader
/// never sees storage that a setter is about to free.
template<std::size_t Limit> class BoundedText {
public:
    constexpr BoundedText() = default;
    constexpr BoundedText(std::string_view text) { Assign(text); }

    constexpr void Assign(std::string_view text)
    {
        m_length = text.size() < Limit ? text.size() : Limit;
        for (std::size_t i = 0; i < m_length; ++i)
            m_text[i] = text[i];
    }
    constexpr std::string_view View() const { return std::string_view(m_text.data(), m_length); }

private:
    std::array<char, Limit> m_text {};
    std::size_t m_length = 0;
};

constexpr std::array<std::string_view, kMonthCount> kDefaultMonthNames
    = { "January", "February", "March", "April", "May", "June", "July", "August", "September",
          "October", "November", "December" };

struct Texts {
    std::array<BoundedText<kMonthNameLimit>, kMonthCount> monthNames;
    std::array<BoundedText<kMonthAbbreviationLimit>, kMonthCount> monthAbbreviations;
    BoundedText<kTimeMarkLimit> morningMark;
    BoundedText<kTimeMarkLimit> afternoonMark;
    bool showLongFileNames = false;
};

constexpr Texts DefaultTexts()
{
    Texts texts;
    for (std::size_t i = 0; i < kDefaultMonthNames.size(); ++i) {
        texts.monthNames[i].Assign(kDefaultMonthNames[i]);
        texts.monthAbbreviations[i].Assign(kDefaultMonthNames[i]);
    }
    texts.morningMark.Assign("AM");
    texts.afternoonMark.Assign("PM");
    return texts;
}

// Constant-initialised, so the texts are valid even for code that runs during static
// initialisation of other files.
constinit Texts g_texts = DefaultTexts();

bool IsMonth(int month)
{
    assert(month >= 1 && month <= kMonthCount && "month out of range");
    return month >= 1 && month <= kMonthCount;
}

std::size_t MonthIndex(int month)
{
    return static_cast<std::size_t>(month - 1);
}

} // namespace

std::string_view MonthName(int month)
{
    if (!IsMonth(month))
        return {};
    return g_texts.monthNames[MonthIndex(month)].View();
}

std::string_view MonthAbbreviation(int month)
{
    if (!IsMonth(month))
        return {};
    return g_texts.monthAbbreviations[MonthIndex(month)].View();
}

std::string_view MorningMark()
{
    return g_texts.morningMark.View();
}

std::string_view AfternoonMark()
{
    return g_texts.afternoonMark.View();
}

bool ShowLongFileNames()
{
    return g_texts.showLongFileNames;
}

void SetMonthName(int month, std::string_view text)
{
    if (IsMonth(month))
        g_texts.monthNames[MonthIndex(month)].Assign(text);
}

void SetMonthAbbreviation(int month, std::string_view text)
{
    if (IsMonth(month))
        g_texts.monthAbbreviations[MonthIndex(month)].Assign(text);
}

void SetMorningMark(std::string_view text)
{
    g_texts.morningMark.Assign(text);
}

void SetAfternoonMark(std::string_view text)
{
    g_texts.afternoonMark.Assign(text);
}

void SetShowLongFileNames(bool show)
{
    g_texts.showLongFileNames = show;
}

void ResetLocaleTexts()
{
    g_texts = DefaultTexts();
}

} // namespace value
