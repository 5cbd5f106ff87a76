#include "LocaleFile.h"

#include "Collation.h"
#include "ErrorCode.h"
#include "IntlSettings.h"
#include "LocaleTexts.h"
#include "MessageOverrides.h"

#include <platform/Ascii.h>
#include <platform/CharacterSet.h>
#include <platform/File.h>
#include <platform/Path.h>
#include <platform/Text.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace value {

namespace {

constexpr std::int32_t kFileNotFound = 2;
constexpr std::size_t kReadBlockSize = 2048;
constexpr char kEndOfFile = 0x1A;
constexpr std::size_t kCaseListLimit = 128;
constexpr std::string_view kWindows = "WINDOWS";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}

// Setting names and keywords are ASCII; the collation tables are not used here because the
// file itself may be in the middle of changing them.
bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return platform::EqualsIgnoringAsciiCase(a, b);
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

/// Reads the byte escapes of a raw value. Digits after "<" are read in full whatever their
/// number, but a code above 255 is no byte: the "<" then stands for itself and the digits
/// follow as written. The character ending the digits is consumed only when there is one, so
/// "<65" at the end of a value is "A".
std::string DecodeValue(std::string_view raw)
{
    std::string decoded;
    decoded.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c != '<' || i + 1 == raw.size()) {
            decoded.push_back(c);
            ++i;
            continue;
        }
        if (raw[i + 1] == '<') {
            decoded.push_back('<');
            i += 2;
            continue;
        }
        std::size_t end = i + 1;
        unsigned code = 0;
        for (; end < raw.size() && IsDigit(raw[end]); ++end) {
            if (code <= 255) // stops growing once too big, so it cannot overflow
                code = code * 10 + static_cast<unsigned>(raw[end] - '0');
        }
        if (end == i + 1 || code > 255) {
            decoded.push_back('<');
            ++i;
            continue;
        }
        decoded.push_back(static_cast<char>(code));
        i = end < raw.size() ? end + 1 : end;
    }
    if (const std::size_t nul = decoded.find('\0'); nul != std::string::npos)
        decoded.resize(nul);
    return decoded;
}

struct Setting {
    std::string name;
    std::string value;
};

/// Cuts a file's bytes into settings. It takes the file in pieces of any size, so a file is
/// read block by block with no limit on its length, and it keeps at most one name and one
/// value: the limits of the format bound its memory.
class SettingReader {
public:
    /// Reads `bytes`. Answers false once the end-of-file mark has been seen; bytes after it,
    /// in this piece or later ones, are not looked at.
    bool Take(std::string_view bytes, std::vector<Setting>& settings)
    {
        for (const char c : bytes) {
            if (m_ended)
                break;
            if (c == kEndOfFile) {
                EndLine(settings);
                m_ended = true;
            } else if (c == '\r' || c == '\n') {
                EndLine(settings);
            } else if (m_inValue) {
                if (m_rawValue.size() < kLocaleValueLimit)
                    m_rawValue.push_back(c);
            } else {
                TakeNameCharacter(c);
            }
        }
        return !m_ended;
    }

    /// Ends the file: a last line without a line end is a line all the same.
    void Finish(std::vector<Setting>& settings)
    {
        if (!m_ended)
            EndLine(settings);
        m_ended = true;
    }

private:
    void TakeNameCharacter(char c)
    {
        if (c == '=') {
            m_inValue = true;
        } else if (c == ' ') {
            // Blanks in a name are ignored: "ORV COLSEQ" is ORVCOLSEQ.
        } else if (IsControl(c) || m_name.size() == kLocaleNameLimit) {
            // The character that runs past the limit goes with what was collected.
            m_name.clear();
        } else {
            m_name.push_back(c);
        }
    }

    void EndLine(std::vector<Setting>& settings)
    {
        if (m_inValue && !m_name.empty())
            settings.push_back({ m_name, DecodeValue(TrimTrailingBlanks(m_rawValue)) });
        m_inValue = false;
        m_name.clear();
        m_rawValue.clear();
    }

    std::string m_name;
    std::string m_rawValue;
    bool m_inValue = false;
    bool m_ended = false;
};

// --- value syntax ------------------------------------------------------------------------

/// Whether a value that does not begin with a double quote is a comma-separated list or one
/// item.
enum class ValueForm {
    List,
    OneItem,
};

void SkipBlanks(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
}

/// The items of a value beginning with a double quote. A quoted part of an item runs to the
/// next lone double quote (or the end of the value); text directly before or after it belongs
/// to the same item.
std::vector<std::string> SplitQuotedList(std::string_view value)
{
    std::vector<std::string> items;
    std::size_t pos = 0;
    for (;;) {
        std::string item;
        while (pos < value.size() && value[pos] != ',' && !IsBlank(value[pos])) {
            if (value[pos] != '"') {
                item.push_back(value[pos++]);
                continue;
            }
            for (++pos; pos < value.size(); ++pos) {
                if (value[pos] != '"') {
                    item.push_back(value[pos]);
                } else if (pos + 1 < value.size() && value[pos + 1] == '"') {
                    item.push_back('"');
                    ++pos;
                } else {
                    ++pos;
                    break;
                }
            }
        }
        items.push_back(std::move(item));
        SkipBlanks(value, pos);
        bool comma = false;
        if (pos < value.size() && value[pos] == ',') {
            comma = true;
            ++pos;
            SkipBlanks(value, pos);
        }
        if (pos >= value.size()) {
            if (comma)
                items.emplace_back(); // "a", ends with an empty item as "a," does
            return items;
        }
    }
}

std::vector<std::string> SplitItems(std::string_view value, ValueForm form)
{
    std::size_t start = 0;
    SkipBlanks(value, start);
    value.remove_prefix(start);
    if (value.empty())
        return {};
    if (value.front() == '"')
        return SplitQuotedList(value.substr(0, kLocaleQuotedValueLimit));
    if (form == ValueForm::OneItem)
        return { std::string(value) };
    std::vector<std::string> items;
    for (;;) {
        const std::size_t comma = value.find(',');
        items.emplace_back(value.substr(0, comma));
        if (comma == std::string_view::npos)
            return items;
        value.remove_prefix(comma + 1);
    }
}

// --- character sets ----------------------------------------------------------------------

/// Converts byte by byte; a byte without a form in the other set is kept.
std::string ConvertKeeping(
    std::string_view text, std::optional<unsigned char> (*convert)(unsigned char))
{
    std::string converted(text);
    for (char& c : converted) {
        if (const auto other = convert(static_cast<unsigned char>(c)))
            c = static_cast<char>(*other);
    }
    return converted;
}

/// Converts byte by byte; a byte without a form in the other set is left out.
std::string ConvertDropping(
    std::string_view text, std::optional<unsigned char> (*convert)(unsigned char))
{
    std::string converted;
    converted.reserve(text.size());
    for (const char c : text) {
        if (const auto other = convert(static_cast<unsigned char>(c)))
            converted.push_back(static_cast<char>(*other));
    }
    return converted;
}

/// The items of a value, in ANSI.
std::vector<std::string> AnsiItems(
    std::string_view value, LocaleCharacterSet characterSet, ValueForm form = ValueForm::List)
{
    if (characterSet == LocaleCharacterSet::Ansi)
        return SplitItems(value, form);
    return SplitItems(ConvertKeeping(value, platform::OemToAnsiChar), form);
}

std::string_view ItemAt(const std::vector<std::string>& items, std::size_t index)
{
    return index < items.size() ? std::string_view(items[index]) : std::string_view {};
}

// --- settings ----------------------------------------------------------------------------

void ApplyCharacterSet(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = SplitItems(value, ValueForm::List);
    characterSet = EqualsNoCase(ItemAt(items, 0), "OEM") ? LocaleCharacterSet::Oem
                                                         : LocaleCharacterSet::Ansi;
}

/// Both weight tables get the same order: each gets the sequence in its own character set,
/// without the characters that have no form there.
void ApplyCollatingSequenceSetting(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = SplitItems(value, ValueForm::OneItem);
    const std::string_view written = ItemAt(items, 0);
    std::string ansi;
    std::string oem;
    if (written == kWindows) {
        const auto order = platform::SingleCharacterOrder();
        ansi.assign(order.begin(), order.end());
        oem = ConvertDropping(ansi, platform::AnsiToOemChar);
    } else if (characterSet == LocaleCharacterSet::Ansi) {
        ansi = written;
        oem = ConvertDropping(written, platform::AnsiToOemChar);
    } else {
        ansi = ConvertDropping(written, platform::OemToAnsiChar);
        oem = written;
    }
    CharacterTables& tables = MutableTables();
    ApplyCollatingSequence(tables.weights, ansi);
    ApplyCollatingSequence(tables.oemWeights, oem);
}

/// Makes `c` a letter without partner, and its old partner too, so that pairing never leaves
/// a letter pointing at one that has moved on to another partner.
void Unpair(CharacterTables& tables, unsigned char c)
{
    if (const unsigned char partner = tables.partners[c]; partner != 0) {
        tables.partners[partner] = 0;
        tables.classes[partner] = kClassOther;
    }
    tables.partners[c] = 0;
    tables.classes[c] = kClassOther;
}

void Pair(CharacterTables& tables, unsigned char upper, unsigned char lower)
{
    if (upper < 0x80 || lower < 0x80 || upper == lower)
        return;
    Unpair(tables, upper);
    Unpair(tables, lower);
    tables.partners[upper] = lower;
    tables.partners[lower] = upper;
    tables.classes[upper] = kClassUpper;
    tables.classes[lower] = kClassLower;
}

void ClearUpperHalf(CharacterTables& tables)
{
    for (std::size_t c = 0x80; c < 0x100; ++c) {
        tables.partners[c] = 0;
        tables.classes[c] = kClassOther;
    }
}

void ApplyCase(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = AnsiItems(value, characterSet);
    CharacterTables& tables = MutableTables();
    if (items.empty()) {
        const CharacterTables defaults = CharacterTables::Defaults();
        tables.partners = defaults.partners;
        tables.classes = defaults.classes;
        return;
    }
    ClearUpperHalf(tables);
    if (items.size() >= 2 && items[0] != kWindows && items[0].size() == items[1].size()) {
        const std::size_t count = std::min(items[0].size(), kCaseListLimit);
        for (std::size_t i = 0; i < count; ++i) {
            Pair(tables, static_cast<unsigned char>(items[0][i]),
                static_cast<unsigned char>(items[1][i]));
        }
        return;
    }
    for (unsigned c = 0x80; c < 0x100; ++c) {
        const auto letter = static_cast<unsigned char>(c);
        if (platform::IsAlphabetic(letter) && platform::IsUpper(letter))
            Pair(tables, letter, platform::LowerCaseOf(letter));
    }
}

/// Sets months from the first item on, up to the first missing or empty one.
void ApplyMonths(std::string_view value, LocaleCharacterSet characterSet,
    void (*set)(int month, std::string_view text))
{
    const auto items = AnsiItems(value, characterSet);
    for (int month = 1; month <= kMonthCount; ++month) {
        const std::string_view item = ItemAt(items, static_cast<std::size_t>(month - 1));
        if (item.empty())
            return;
        set(month, item);
    }
}

void ApplyMonthNames(std::string_view value, LocaleCharacterSet& characterSet)
{
    ApplyMonths(value, characterSet, SetMonthName);
}

void ApplyMonthAbbreviations(std::string_view value, LocaleCharacterSet& characterSet)
{
    ApplyMonths(value, characterSet, SetMonthAbbreviation);
}

/// A missing or empty item keeps its mark, as with the month names.
void ApplyTimeMarks(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = AnsiItems(value, characterSet);
    if (ItemAt(items, 0) == kWindows) {
        // The Windows marks as start-up read them: the profile's, else the user's locale's.
        const IntlSettings& windows = CurrentIntlSettings();
        SetMorningMark(windows.morningMark);
        SetAfternoonMark(windows.afternoonMark);
        return;
    }
    if (const std::string_view morning = ItemAt(items, 0); !morning.empty())
        SetMorningMark(morning);
    if (const std::string_view afternoon = ItemAt(items, 1); !afternoon.empty())
        SetAfternoonMark(afternoon);
}

/// The OEM copy holds the same entries in the OEM set; an entry with a character the OEM set
/// lacks is left out of it, since kept unchanged it would stand for some other character.
std::array<Digraph, kMaxDigraphs> OemDigraphs(const std::array<Digraph, kMaxDigraphs>& ansi)
{
    std::array<Digraph, kMaxDigraphs> oem {};
    std::size_t count = 0;
    for (const Digraph& entry : ansi) {
        if (entry.character == 0)
            break;
        const auto character = platform::AnsiToOemChar(entry.character);
        const auto first = platform::AnsiToOemChar(entry.first);
        const auto second = platform::AnsiToOemChar(entry.second);
        if (character && first && second)
            oem[count++] = Digraph { *character, *first, *second };
    }
    return oem;
}

void ApplyDigraphs(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = AnsiItems(value, characterSet);
    std::array<Digraph, kMaxDigraphs> list {};
    std::size_t count = 0;
    for (const std::string& item : items) {
        if (item.empty())
            break;
        for (std::size_t pos = 0; pos + 3 <= item.size() && count < list.size(); pos += 3) {
            list[count++] = Digraph { static_cast<unsigned char>(item[pos]),
                static_cast<unsigned char>(item[pos + 1]),
                static_cast<unsigned char>(item[pos + 2]) };
        }
    }
    CharacterTables& tables = MutableTables();
    tables.digraphs = list;
    tables.oemDigraphs = OemDigraphs(list);
}

void ApplyButtons(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = AnsiItems(value, characterSet);
    const std::size_t count = std::min(items.size(), static_cast<std::size_t>(kButtonCaptionCount));
    for (std::size_t n = 0; n < count; ++n) {
        if (!items[n].empty())
            SetMessageOverride(kButtonCaptionBase + static_cast<std::int32_t>(n), items[n]);
    }
}

void ApplyLongFileNames(std::string_view value, LocaleCharacterSet& characterSet)
{
    const auto items = AnsiItems(value, characterSet);
    SetShowLongFileNames(EqualsNoCase(ItemAt(items, 0), "on"));
}

/// The message number of an "ORVMSG<digits>" name: capitals, nothing but digits after the
/// prefix, and a number that fits 31 bits.
std::optional<std::int32_t> MessageNumber(std::string_view name)
{
    constexpr std::string_view kPrefix = "ORVMSG";
    if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    std::int64_t number = 0;
    for (const char c : name.substr(kPrefix.size())) {
        if (!IsDigit(c))
            return std::nullopt;
        number = number * 10 + (c - '0');
        if (number > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

/// An empty text would hide the message it replaces, so it is ignored like an empty button
/// caption.
void ApplyMessage(std::int32_t number, std::string_view value, LocaleCharacterSet characterSet)
{
    const auto items = AnsiItems(value, characterSet, ValueForm::OneItem);
    if (const std::string_view text = ItemAt(items, 0); !text.empty())
        SetMessageOverride(number, text);
}

struct SettingHandler {
    std::string_view name;
    void (*apply)(std::string_view value, LocaleCharacterSet& characterSet);
};

constexpr std::array<SettingHandler, 9> kHandlers = { {
    { "ORVCHARSET", ApplyCharacterSet },
    { "ORVCOLSEQ", ApplyCollatingSequenceSetting },
    { "ORVCASE", ApplyCase },
    { "ORVMONTH", ApplyMonthNames },
    { "ORVMON", ApplyMonthAbbreviations },
    { "ORVAMPM", ApplyTimeMarks },
    { "ORVDIGRAPH", ApplyDigraphs },
    { "ORVBUTTON", ApplyButtons },
    { "ORVLFN", ApplyLongFileNames },
} };

void ApplySettings(const std::vector<Setting>& settings)
{
    LocaleCharacterSet characterSet = LocaleCharacterSet::Ansi;
    for (const Setting& setting : settings)
        ApplyLocaleSetting(setting.name, setting.value, characterSet);
}

} // namespace

void ApplyLocaleSetting(
    std::string_view name, std::string_view value, LocaleCharacterSet& characterSet)
{
    for (const SettingHandler& handler : kHandlers) {
        if (EqualsNoCase(name, handler.name)) {
            handler.apply(value, characterSet);
            return;
        }
    }
    if (const auto number = MessageNumber(name))
        ApplyMessage(*number, value, characterSet);
}

void ApplyLocaleSetting(std::string_view name, std::string_view value)
{
    LocaleCharacterSet characterSet = LocaleCharacterSet::Ansi;
    ApplyLocaleSetting(name, value, characterSet);
}

void ParseLocaleText(std::string_view bytes)
{
    SettingReader reader;
    std::vector<Setting> settings;
    reader.Take(bytes, settings);
    reader.Finish(settings);
    ApplySettings(settings);
}

platform::SystemError LoadLocaleFile(std::string_view path)
{
    auto file = platform::File::Open(path, platform::kAccessRead | platform::kShareDenyNone);
    if (!file) {
        PostErrorCode(kFileNotFound);
        return file.Error();
    }
    SettingReader reader;
    std::vector<Setting> settings;
    std::array<char, kReadBlockSize> block;
    for (;;) {
        const auto count = file->Read(block.data(), block.size());
        if (!count) {
            // Settings are held back until the whole file is read, so a file that fails
            // half-way changes nothing, as one that cannot be opened.
            PostErrorCode(kFileNotFound);
            return count.Error();
        }
        if (*count == 0 || !reader.Take(std::string_view(block.data(), *count), settings))
            break;
    }
    file->Close();
    reader.Finish(settings);
    ApplySettings(settings);
    return platform::SystemError::None;
}

platform::SystemError LoadLocaleEnvironment()
{
    const auto program = platform::OwnProgramPath();
    if (!program) {
        PostErrorCode(kFileNotFound);
        return platform::SystemError::FileNotFound;
    }
    return LoadLocaleFile(platform::EnvironmentFilePath(*program));
}

} // namespace value
