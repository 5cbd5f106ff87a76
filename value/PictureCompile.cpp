// Compiling picture texts into their row of positions: the common steps, then one compiler per
// kind. Date and time layouts are tables of short codes, one character per position.

#include "PictureInternal.h"
#include "RuntimeThread.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

namespace value {

namespace {

using picture::IsDigit;
using picture::RowBuilder;

/// Reads a picture text left to right.
class Cursor {
public:
    explicit Cursor(std::string_view text)
        : m_text(text)
    {
    }
    char Peek(std::size_t ahead = 0) const
    {
        return m_at + ahead < m_text.size() ? m_text[m_at + ahead] : '\0';
    }
    char Take() { return m_at < m_text.size() ? m_text[m_at++] : '\0'; }
    bool AtEnd() const { return m_at >= m_text.size(); }
    /// Reads decimal digits into `value` (kept below 10000); false when there are none.
    bool Number(int& value)
    {
        if (!IsDigit(Peek()))
            return false;
        value = 0;
        while (IsDigit(Peek()))
            value = std::min(value * 10 + (Take() - '0'), 10000);
        return true;
    }
    /// True when nothing but blanks and tabs is left.
    bool OnlyBlanksLeft()
    {
        while (Peek() == ' ' || Peek() == '\t')
            Take();
        return AtEnd();
    }
    /// The text up to the next `stop`, which is consumed; false when there is none.
    bool Until(char stop, std::string_view& text)
    {
        const std::size_t end = m_text.find(stop, m_at);
        if (end == std::string_view::npos)
            return false;
        text = m_text.substr(m_at, end - m_at);
        m_at = end + 1;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// The character a separator modifier, grouping or decimal character stands for: "`" is a
/// comma and "_" a blank.
char SeparatorCharacter(char code)
{
    switch (code) {
    case '`':
        return ',';
    case '_':
        return ' ';
    default:
        return code;
    }
}

bool IsFill(char c)
{
    return c == '0' || c == '_' || c == '*';
}

// --- strings ---------------------------------------------------------------------------------

bool CompileString(CompiledPicture& picture, Cursor cursor)
{
    int width = 0;
    if (!cursor.Number(width) || width < 1 || width > static_cast<int>(kStringPictureWidth)
        || !cursor.OnlyBlanksLeft())
        return false;
    picture.kind = PictureKind::String;
    picture.width = static_cast<std::uint8_t>(width);
    return true;
}

// --- numbers ---------------------------------------------------------------------------------

/// An optional currency text: "$", or the text between two "~". False for an unclosed "~".
bool ReadCurrency(Cursor& cursor, std::string_view& currency)
{
    if (cursor.Peek() == '$') {
        cursor.Take();
        currency = "$";
        return true;
    }
    if (cursor.Peek() == '~') {
        cursor.Take();
        return cursor.Until('~', currency);
    }
    return true;
}

bool IsGroupingCode(char c)
{
    return c == '.' || c == '`' || c == '_';
}

bool IsDecimalCode(char c)
{
    return IsGroupingCode(c) || c == 'v' || c == 'V';
}

/// What a numeric picture text says, before it is laid out.
struct NumericParts {
    std::string_view leadCurrency;
    std::string_view trailCurrency;
    char leadSign = 0;  ///< "-" or "("
    char trailSign = 0; ///< "-" or ")"
    char fill = 0;      ///< "0", "_", "*" or none
    int width = 0;
    char grouping = 0; ///< the grouping code as written, 0 for none
    char decimal = 0;  ///< the decimal code as written, 0 for none
    int places = 0;
};

bool ParseNumeric(Cursor& cursor, NumericParts& parts)
{
    if (!ReadCurrency(cursor, parts.leadCurrency))
        return false;
    if (cursor.Peek() == '-' || cursor.Peek() == '(')
        parts.leadSign = cursor.Take();
    if (IsFill(cursor.Peek()) && IsDigit(cursor.Peek(1)))
        parts.fill = cursor.Take();
    if (!cursor.Number(parts.width) || parts.width < 1
        || parts.width > static_cast<int>(kPicturePositions))
        return false;
    if (IsGroupingCode(cursor.Peek()) && IsDecimalCode(cursor.Peek(1))) {
        parts.grouping = cursor.Take();
        parts.decimal = cursor.Take();
    } else if (IsDecimalCode(cursor.Peek())) {
        // A lone separator followed by no places is the grouping character.
        if (IsGroupingCode(cursor.Peek()) && !IsDigit(cursor.Peek(1)))
            parts.grouping = cursor.Take();
        else
            parts.decimal = cursor.Take();
    }
    if (parts.decimal != 0)
        cursor.Number(parts.places);
    if (parts.leadSign == '(') {
        if (cursor.Take() != ')')
            return false;
        parts.trailSign = ')';
    } else if (parts.leadSign == 0 && cursor.Peek() == '-') {
        parts.trailSign = cursor.Take();
    }
    if (parts.leadCurrency.empty() && !ReadCurrency(cursor, parts.trailCurrency))
        return false;
    return cursor.OnlyBlanksLeft();
}

/// Lays the integer positions out from the right: a grouping separator after every three
/// digits while room for another digit remains to its left.
void LayIntegerPositions(
    CompiledPicture& picture, RowBuilder& row, const NumericParts& parts, int count)
{
    const bool implied = parts.decimal == 'v' || parts.decimal == 'V';
    char grouping = 0;
    if (parts.grouping != 0)
        grouping = SeparatorCharacter(parts.grouping);
    else if (parts.fill == 0 || parts.fill == '*')
        grouping = parts.decimal == '`' ? '.' : ',';
    const char leadingFill = parts.fill == '*' ? '*' : ' ';

    // Written straight into the row, from its right end.
    PicturePosition* const row0 = row.Reserve(static_cast<std::size_t>(count));
    if (row0 == nullptr)
        return;
    PicturePosition* at = row0 + count;
    int digits = 0;
    int groupings = 0;
    for (int i = 0; i < count; ++i) {
        --at;
        // A grouping is due after every three digits. Left over as the last position it can
        // hold no digit after it, so it stays empty; only a field too narrow for any grouping
        // takes a fourth digit there instead (@N4).
        if (grouping != 0 && digits > 0 && digits % 3 == 0 && at[1].role != PictureRole::Grouping
            && (count - i >= 2 || groupings > 0)) {
            *at = { grouping, PictureRole::Grouping };
            ++groupings;
            continue;
        }
        if (digits == 0)
            *at = { '0', implied ? PictureRole::ImpliedDecimalPoint : PictureRole::DigitZeroShown };
        else if (parts.fill == '0')
            *at = { '0', PictureRole::DigitZeroShown };
        else
            *at = { leadingFill, PictureRole::DigitZeroBlank };
        ++digits;
    }
    picture.integerDigits = static_cast<std::uint8_t>(digits);
    picture.suppressedGrouping = parts.fill == '0' ? grouping : leadingFill;
}

bool CompileNumeric(CompiledPicture& picture, Cursor cursor)
{
    NumericParts parts;
    if (!ParseNumeric(cursor, parts))
        return false;
    const bool implied = parts.decimal == 'v' || parts.decimal == 'V';
    const int pointWidth = parts.decimal != 0 && !implied ? 1 : 0;
    const int fixed = static_cast<int>(parts.leadCurrency.size() + parts.trailCurrency.size())
        + (parts.leadSign != 0 ? 1 : 0) + (parts.trailSign != 0 ? 1 : 0) + pointWidth
        + parts.places;
    const int integerPositions = parts.width - fixed;
    if (integerPositions < (implied ? 1 : 0))
        return false;

    picture.kind = PictureKind::Numeric;
    picture.subKind = 3;
    picture.places = static_cast<std::uint8_t>(parts.places);
    picture.hasSign = parts.leadSign != 0 || parts.trailSign != 0;
    picture.signFloats = parts.fill != '*' && parts.fill != '0';
    // Only a leading sign floats; a picture with no sign at all floats a "-".
    picture.floatingSign = parts.leadSign != 0 ? parts.leadSign : picture.hasSign ? '\0' : '-';
    RowBuilder row(picture);
    for (char c : parts.leadCurrency)
        row.Add(PictureRole::Currency, c);
    if (parts.leadSign != 0)
        row.Add(PictureRole::Sign, parts.leadSign);
    LayIntegerPositions(picture, row, parts, integerPositions);
    if (pointWidth != 0)
        row.Add(PictureRole::DecimalPoint, SeparatorCharacter(parts.decimal));
    for (int i = 0; i < parts.places; ++i)
        row.Add(PictureRole::DigitZeroShown, '0');
    if (parts.trailSign != 0)
        row.Add(PictureRole::Sign, parts.trailSign);
    for (char c : parts.trailCurrency)
        row.Add(PictureRole::Currency, c);
    picture.width = static_cast<std::uint8_t>(row.Count());
    return !row.Failed() && static_cast<int>(row.Count()) == parts.width;
}

// --- scientific numbers ------------------------------------------------------------------------

inline constexpr int kExponentDigits = 3;

bool CompileScientific(CompiledPicture& picture, Cursor cursor)
{
    int width = 0;
    if (!cursor.Number(width) || width < 7 || width > static_cast<int>(kPicturePositions))
        return false;
    char decimal = 0;
    int places = 0;
    if (IsGroupingCode(cursor.Peek())) {
        decimal = SeparatorCharacter(cursor.Take());
        cursor.Number(places);
    }
    if (!cursor.OnlyBlanksLeft())
        return false;
    // sign, mantissa digit, point and places, "e", exponent sign and digits
    const int needed = 2 + (decimal != 0 ? 1 + places : 0) + 2 + kExponentDigits;
    if (needed > width)
        return false;
    picture.kind = PictureKind::Scientific;
    picture.subKind = 2;
    picture.places = static_cast<std::uint8_t>(places);
    RowBuilder row(picture);
    for (int i = needed; i < width; ++i)
        row.Add(PictureRole::Literal, ' ');
    row.Add(PictureRole::Sign, '-');
    row.Add(PictureRole::DigitZeroShown, '0');
    if (decimal != 0)
        row.Add(PictureRole::DecimalPoint, decimal);
    for (int i = 0; i < places; ++i)
        row.Add(PictureRole::DigitZeroShown, '0');
    row.Add(PictureRole::Literal, 'e');
    row.Add(PictureRole::ExponentSign, '+');
    for (int i = 0; i < kExponentDigits; ++i)
        row.Add(PictureRole::DigitZeroShown, '0');
    picture.width = static_cast<std::uint8_t>(row.Count());
    return !row.Failed();
}

// --- patterns ----------------------------------------------------------------------------------

/// The text between the kind letter and the same letter closing the picture; false when it is
/// missing or empty.
bool PatternBody(std::string_view body, char kindLetter, std::string_view& inner)
{
    if (body.size() < 2 || UpperAscii(body.back()) != kindLetter)
        return false;
    inner = body.substr(0, body.size() - 1);
    return true;
}

void CountDigits(CompiledPicture& picture, std::size_t count)
{
    int digits = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const PictureRole role = picture.positions[i].role;
        if (role == PictureRole::DigitZeroShown || role == PictureRole::DigitZeroBlank)
            ++digits;
    }
    picture.integerDigits = static_cast<std::uint8_t>(digits);
}

bool CompilePattern(CompiledPicture& picture, std::string_view body)
{
    std::string_view inner;
    if (!PatternBody(body, 'P', inner))
        return false;
    picture.kind = PictureKind::Pattern;
    picture.subKind = 3;
    RowBuilder row(picture);
    for (char c : inner) {
        if (c == '#')
            row.Add(PictureRole::DigitZeroShown, '0');
        else if (c == '<')
            row.Add(PictureRole::DigitZeroBlank, ' ');
        else
            row.Add(PictureRole::Literal, c);
    }
    picture.width = static_cast<std::uint8_t>(row.Count());
    CountDigits(picture, row.Count());
    return !row.Failed();
}

/// The @K escape, a backslash: the character after it is a literal.
constexpr char kKeyInEscape = '\x5c';

bool CompileKeyIn(CompiledPicture& picture, std::string_view body)
{
    std::string_view inner;
    if (!PatternBody(body, 'K', inner))
        return false;
    picture.kind = PictureKind::KeyIn;
    RowBuilder row(picture);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const char c = inner[i];
        switch (c) {
        case '#':
            row.Add(PictureRole::DigitZeroShown, '0');
            break;
        case '<':
            row.Add(PictureRole::DigitZeroBlank, ' ');
            break;
        case '@':
            row.Add(PictureRole::KeyInClass1, ' ');
            break;
        case '^':
            row.Add(PictureRole::KeyInClass2, ' ');
            break;
        case '_':
            row.Add(PictureRole::KeyInClass3, ' ');
            break;
        case '?':
            row.Add(PictureRole::KeyInClass4, ' ');
            break;
        case '|':
            row.Add(PictureRole::KeyInClass5, ' ');
            break;
        case kKeyInEscape:
            // The next character is a literal; a "\" with nothing after it stands for itself.
            row.Add(PictureRole::Literal, i + 1 < inner.size() ? inner[++i] : c);
            break;
        default:
            row.Add(PictureRole::Literal, c);
            break;
        }
    }
    picture.width = static_cast<std::uint8_t>(row.Count());
    CountDigits(picture, row.Count());
    return !row.Failed();
}

// --- dates and times -----------------------------------------------------------------------------

bool IsDateDigitRole(PictureRole role)
{
    return role == PictureRole::MonthDigit || role == PictureRole::DayDigit
        || role == PictureRole::YearDigit;
}

bool IsTimeDigitRole(PictureRole role)
{
    return role == PictureRole::HourDigit || role == PictureRole::MinuteDigit
        || role == PictureRole::SecondDigit;
}

/// An optional separator modifier; false for a character that is none.
bool ReadSeparator(Cursor& cursor, char& separator)
{
    const char c = cursor.Peek();
    if (c == '.' || c == '-' || c == '_' || c == '`') {
        separator = SeparatorCharacter(cursor.Take());
        return true;
    }
    return true;
}

/// Replaces the characters of the digit (and month-name) positions by the fill and those of
/// the separator positions by the separator, where given.
void ApplyModifiers(
    CompiledPicture& picture, char fill, char separator, bool (*isFilled)(PictureRole))
{
    const char fillCharacter = fill == '_' ? ' ' : fill;
    for (std::size_t i = 0; i < picture.width; ++i) {
        PicturePosition& position = picture.positions[i];
        if (fill != 0 && isFilled(position.role))
            position.character = fillCharacter;
        else if (separator != 0 && position.role == PictureRole::Separator)
            position.character = separator;
    }
}

bool CompileDate(CompiledPicture& picture, Cursor cursor)
{
    char fill = 0;
    if (IsFill(cursor.Peek()) && IsDigit(cursor.Peek(1)))
        fill = cursor.Take();
    int number = 0;
    if (!cursor.Number(number) || !picture::CompileDateLayout(picture, number))
        return false;
    int window = kPictureDefaultWindow;
    if (cursor.Peek() == '<' || cursor.Peek() == '>') {
        const bool after = cursor.Take() == '>';
        int w = 0;
        if (!cursor.Number(w) || w > 99)
            return false;
        if (w == 0)
            w = kPictureDefaultWindow;
        window = after ? 99 - w : w;
    }
    char separator = 0;
    ReadSeparator(cursor, separator);
    if (!cursor.OnlyBlanksLeft())
        return false;
    picture.window = static_cast<std::uint8_t>(window);
    ApplyModifiers(picture, fill, separator,
        [](PictureRole role) { return IsDateDigitRole(role) || role == PictureRole::MonthName; });
    return picture.width != 0;
}

bool CompileTime(CompiledPicture& picture, Cursor cursor)
{
    char fill = 0;
    if (IsFill(cursor.Peek()) && IsDigit(cursor.Peek(1)))
        fill = cursor.Take();
    int number = 0;
    if (!cursor.Number(number) || !picture::CompileTimeLayout(picture, number))
        return false;
    char separator = 0;
    ReadSeparator(cursor, separator);
    if (!cursor.OnlyBlanksLeft())
        return false;
    ApplyModifiers(picture, fill, separator, IsTimeDigitRole);
    return picture.width != 0;
}

// Date layouts, one code per position: M/m month digit with a blank/zero character, D/d the
// day, y a year digit, N a month-name character, "_" a literal blank; "/", "," and " " are
// separator positions.
constexpr std::string_view kDateLayouts[] = {
    "Mm/dd/yy",
    "Mm/dd/yyyy",
    "NNN_Dd,yyyy",
    "NNNNNNNNNNNN_Dd,_yyyy",
    "Dd/mm/yy",
    "Dd/mm/yyyy",
    "Dd NNN yy",
    "Dd NNN yyyy",
    "yy/mm/dd",
    "yyyy/mm/dd",
    "yymmdd",
    "yyyymmdd",
    "mm/yy",
    "mm/yyyy",
    "yy/mm",
    "yyyy/mm",
};

// Time layouts: H/h an hour digit with a blank/zero character, m a minute digit, s a second
// digit, ":" a separator position, A and a the two characters of the AM/PM mark.
constexpr std::string_view kTimeLayouts[] = {
    "Hh:mm",
    "Hhmm",
    "Hh:mmAa",
    "Hh:mm:ss",
    "Hhmmss",
    "Hh:mm:ssAa",
};

PicturePosition DateCode(char code)
{
    switch (code) {
    case 'M':
        return { ' ', PictureRole::MonthDigit };
    case 'm':
        return { '0', PictureRole::MonthDigit };
    case 'D':
        return { ' ', PictureRole::DayDigit };
    case 'd':
        return { '0', PictureRole::DayDigit };
    case 'y':
        return { '0', PictureRole::YearDigit };
    case 'N':
        return { ' ', PictureRole::MonthName };
    case '_':
        return { ' ', PictureRole::Literal };
    default:
        return { code, PictureRole::Separator };
    }
}

PicturePosition TimeCode(char code)
{
    switch (code) {
    case 'H':
        return { ' ', PictureRole::HourDigit };
    case 'h':
        return { '0', PictureRole::HourDigit };
    case 'm':
        return { '0', PictureRole::MinuteDigit };
    case 's':
        return { '0', PictureRole::SecondDigit };
    case 'A':
        return { ' ', PictureRole::TimeMark };
    case 'a':
        return { ' ', PictureRole::TimeMarkTail };
    default:
        return { code, PictureRole::Separator };
    }
}

void CopyRow(CompiledPicture& picture, const CompiledPicture& from)
{
    picture.width = from.width;
    picture.hasTimeMark = from.hasTimeMark;
    std::copy(from.positions, from.positions + from.width, picture.positions);
}

} // namespace

namespace picture {

bool CompileDateLayout(CompiledPicture& picture, int number)
{
    picture.kind = PictureKind::Date;
    picture.subKind = 1;
    picture.number = static_cast<std::uint8_t>(std::clamp(number, 0, 255));
    if (number == 17 || number == 18) {
        const WindowsPictures& windows = CurrentWindowsPictures();
        CopyRow(picture, number == 17 ? windows.shortDate : windows.longDate);
        return picture.width != 0;
    }
    if (number < 1 || number > static_cast<int>(std::size(kDateLayouts)))
        return false;
    const std::string_view layout = kDateLayouts[number - 1];
    for (std::size_t i = 0; i < layout.size(); ++i)
        picture.positions[i] = DateCode(layout[i]);
    picture.width = static_cast<std::uint8_t>(layout.size());
    return true;
}

bool CompileTimeLayout(CompiledPicture& picture, int number)
{
    picture.kind = PictureKind::Time;
    picture.subKind = 1;
    picture.number = static_cast<std::uint8_t>(std::clamp(number, 0, 255));
    if (number == 7 || number == 8) {
        const WindowsPictures& windows = CurrentWindowsPictures();
        CopyRow(picture, number == 7 ? windows.shortTime : windows.longTime);
        return picture.width != 0;
    }
    if (number < 1 || number > static_cast<int>(std::size(kTimeLayouts)))
        return false;
    const std::string_view layout = kTimeLayouts[number - 1];
    for (std::size_t i = 0; i < layout.size(); ++i)
        picture.positions[i] = TimeCode(layout[i]);
    picture.width = static_cast<std::uint8_t>(layout.size());
    picture.hasTimeMark = layout.find('A') != std::string_view::npos;
    return true;
}

} // namespace picture

namespace {

/// Compiles the text after a leading "@"; false when it is no valid picture.
bool CompileText(CompiledPicture& picture, const char* start)
{
    std::size_t length = 0;
    while (length <= kPictureTextLimit && start[length] != '\0')
        ++length;
    if (length < 1 || length > kPictureTextLimit)
        return false;
    bool blankWhenZero = false;
    if (start[length - 1] == 'b' || start[length - 1] == 'B') {
        blankWhenZero = true;
        --length;
    }
    if (length < 2)
        return false;
    const std::string_view body(start + 1, length - 1);
    bool compiled = false;
    switch (UpperAscii(start[0])) {
    case 'S':
        compiled = CompileString(picture, Cursor(body));
        break;
    case 'N':
        compiled = CompileNumeric(picture, Cursor(body));
        break;
    case 'E':
        compiled = CompileScientific(picture, Cursor(body));
        break;
    case 'D':
        compiled = CompileDate(picture, Cursor(body));
        break;
    case 'T':
        compiled = CompileTime(picture, Cursor(body));
        break;
    case 'P':
        compiled = CompilePattern(picture, body);
        break;
    case 'K':
        compiled = CompileKeyIn(picture, body);
        break;
    default:
        break;
    }
    picture.blankWhenZero = blankWhenZero;
    return compiled && picture.width != 0;
}

} // namespace

void CompilePicture(CompiledPicture& picture, const char* text)
{
    // The header is cleared here and the row written as far as the width reaches; only an
    // invalid picture is cleared whole.
    std::memset(static_cast<void*>(&picture), 0, offsetof(CompiledPicture, positions));
    picture.source = nullptr;
    if (text == nullptr) {
        picture.kind = PictureKind::String;
        picture.width = static_cast<std::uint8_t>(kStringPictureWidth);
        return;
    }
    if (!CompileText(picture, *text == '@' ? text + 1 : text)) {
        picture = picture::kEmptyPicture;
        return;
    }
    picture.source = text;
}

const CompiledPicture& picture::CompileRecent(const char* text)
{
    RecentPicture& recent = CurrentRuntimeThread().recentPicture;
    const std::uint32_t generation = WindowsPicturesGeneration();
    const std::size_t length
        = text == nullptr ? sizeof recent.text : ::strnlen(text, sizeof recent.text);
    if (length >= sizeof recent.text) {
        // No picture, or a text too long to be one: compiled every time, never kept.
        recent.valid = false;
        CompilePicture(recent.compiled, text);
        return recent.compiled;
    }
    if (recent.valid && recent.generation == generation
        && std::memcmp(recent.text, text, length + 1) == 0)
        return recent.compiled;
    std::memcpy(recent.text, text, length + 1);
    CompilePicture(recent.compiled, recent.text);
    recent.generation = generation;
    recent.valid = true;
    return recent.compiled;
}

} // namespace value
