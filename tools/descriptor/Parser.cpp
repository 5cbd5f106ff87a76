#include "Parser.h"

#include <platform/Ascii.h>
#include <platform/Text.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace descriptor {

namespace {

/// Thrown inside the parser only; `Parse` turns it into its answer.
struct Failure {
    unsigned line;
    std::string message;
};

[[noreturn]] void Fail(unsigned line, std::string message)
{
    throw Failure { line, std::move(message) };
}

enum class TokenType { Word, Number, Text, Open, Close, End, Eof };

struct Token {
    TokenType type = TokenType::Eof;
    unsigned line = 1;
    std::string_view spelling; ///< the source characters (texts: with their quotes)
    std::int64_t number = 0;   ///< numbers only: within [-2^31, 2^32 - 1]
    std::string text;          ///< texts only: the Windows-1250 bytes
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsWordStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsWordPart(char c)
{
    return IsWordStart(c) || IsDigit(c);
}

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// The length of the UTF-8 sequence a lead byte starts; 1 for a byte that starts none, which
/// the conversion then refuses.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

/// The characters of a source line that are one character: an ASCII byte or a whole UTF-8
/// sequence (or one stray byte).
std::string_view CharacterAt(std::string_view text, std::size_t pos)
{
    const std::size_t length = SequenceLength(static_cast<unsigned char>(text[pos]));
    return text.substr(pos, length);
}

class Lexer {
public:
    explicit Lexer(std::string_view text)
        : m_text(text)
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_pos = 3;
    }

    Token Next()
    {
        for (;;) {
            while (m_pos < m_text.size() && IsBlank(m_text[m_pos]))
                ++m_pos;
            if (m_pos >= m_text.size())
                return Token { TokenType::Eof, m_line, {}, 0, {} };
            if (m_text[m_pos] != '#')
                break;
            while (m_pos < m_text.size() && m_text[m_pos] != '\n')
                ++m_pos;
        }
        const char c = m_text[m_pos];
        const unsigned line = m_line;
        switch (c) {
        case '\n':
            ++m_line;
            return Single(TokenType::End, line);
        case ';':
            return Single(TokenType::End, line);
        case '{':
            return Single(TokenType::Open, line);
        case '}':
            return Single(TokenType::Close, line);
        case '"':
            return LexText();
        default:
            break;
        }
        if (c == '-' || IsDigit(c))
            return LexNumber();
        if (IsWordStart(c)) {
            const std::size_t start = m_pos;
            while (m_pos < m_text.size() && IsWordPart(m_text[m_pos]))
                ++m_pos;
            return Token { TokenType::Word, line, m_text.substr(start, m_pos - start), 0, {} };
        }
        Fail(line, "unexpected character `" + std::string(CharacterAt(m_text, m_pos)) + "`");
    }

private:
    static bool IsBlank(char c)
    {
        return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
    }

    Token Single(TokenType type, unsigned line)
    {
        return Token { type, line, m_text.substr(m_pos++, 1), 0, {} };
    }

    Token LexNumber()
    {
        const std::size_t start = m_pos;
        if (m_text[m_pos] == '-')
            ++m_pos;
        while (m_pos < m_text.size() && (IsWordPart(m_text[m_pos]) || m_text[m_pos] == '.'))
            ++m_pos;
        const std::string_view spelling = m_text.substr(start, m_pos - start);
        const bool negative = spelling.front() == '-';
        std::string_view digits = spelling.substr(negative ? 1 : 0);
        unsigned base = 10;
        if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            base = 16;
            digits.remove_prefix(2);
        }
        if (digits.empty())
            Fail(m_line, "bad number `" + std::string(spelling) + "`");
        // Anything above 2^33 is out of range whatever follows, so the sum cannot overflow.
        constexpr std::uint64_t kCap = std::uint64_t { 1 } << 33;
        std::uint64_t magnitude = 0;
        for (const char digit : digits) {
            const int value = base == 16 ? HexDigit(digit) : (IsDigit(digit) ? digit - '0' : -1);
            if (value < 0)
                Fail(m_line, "bad number `" + std::string(spelling) + "`");
            if (magnitude < kCap)
                magnitude = magnitude * base + static_cast<unsigned>(value);
        }
        const std::int64_t number = negative ? -static_cast<std::int64_t>(std::min(magnitude, kCap))
                                             : static_cast<std::int64_t>(std::min(magnitude, kCap));
        if (number < std::numeric_limits<std::int32_t>::min()
            || number > std::numeric_limits<std::uint32_t>::max())
            Fail(m_line,
                "number `" + std::string(spelling) + "` does not fit in 32 bits (-2147483648 to "
                    + "0xFFFFFFFF)");
        return Token { TokenType::Number, m_line, spelling, number, {} };
    }

    Token LexText()
    {
        const std::size_t start = m_pos++;
        const unsigned line = m_line;
        std::string text;
        std::size_t runStart = m_pos;
        for (;;) {
            if (m_pos >= m_text.size() || m_text[m_pos] == '\n')
                Fail(line, "unterminated text: the closing `\"` is missing");
            const char c = m_text[m_pos];
            if (c == '"') {
                Convert(m_text.substr(runStart, m_pos - runStart), text, line);
                ++m_pos;
                break;
            }
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            Convert(m_text.substr(runStart, m_pos - runStart), text, line);
            text += Escape(line);
            runStart = m_pos;
        }
        return Token { TokenType::Text, line, m_text.substr(start, m_pos - start), 0,
            std::move(text) };
    }

    /// Reads the escape at m_pos (a backslash) and answers its byte.
    char Escape(unsigned line)
    {
        ++m_pos;
        if (m_pos >= m_text.size() || m_text[m_pos] == '\n')
            Fail(line, "unterminated text: the closing `\"` is missing");
        const char c = m_text[m_pos++];
        switch (c) {
        case '"':
        case '\\':
            return c;
        case 't':
            return '\t';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 'x': {
            const int high = m_pos < m_text.size() ? HexDigit(m_text[m_pos]) : -1;
            const int low = m_pos + 1 < m_text.size() ? HexDigit(m_text[m_pos + 1]) : -1;
            if (high < 0 || low < 0)
                Fail(line, "`\\x` needs two hexadecimal digits");
            m_pos += 2;
            if (high == 0 && low == 0)
                Fail(line, "a text cannot hold a NUL byte (`\\x00`)");
            return static_cast<char>(high * 16 + low);
        }
        default:
            Fail(line,
                "unknown escape `\\" + std::string(CharacterAt(m_text, m_pos - 1))
                    + "` (known: \\\" \\\\ \\t \\n \\r \\xNN)");
        }
    }

    /// Appends the Windows-1250 form of a run of UTF-8 source characters.
    static void Convert(std::string_view run, std::string& out, unsigned line)
    {
        std::size_t pos = 0;
        while (pos < run.size()) {
            const std::size_t length = SequenceLength(static_cast<unsigned char>(run[pos]));
            const std::string_view character = run.substr(pos, length);
            bool wellFormed = character.size() == length
                && (length > 1 || static_cast<unsigned char>(character[0]) < 0x80);
            for (std::size_t i = 1; wellFormed && i < character.size(); ++i)
                wellFormed = (static_cast<unsigned char>(character[i]) & 0xC0) == 0x80;
            if (!wellFormed)
                Fail(line, "malformed UTF-8 in a text");
            const auto converted = platform::Utf8ToAnsi(character);
            if (!converted)
                Fail(line, "`" + std::string(character) + "` has no Windows-1250 form");
            if (converted->find('\0') != std::string::npos)
                Fail(line, "a text cannot hold a NUL byte");
            out += *converted;
            pos += length;
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    unsigned m_line = 1;
};

struct FieldKeyword {
    std::string_view keyword;
    Field field;
};

constexpr FieldKeyword kFieldKeywords[] = {
    { "text", Field::Text },
    { "title", Field::Text },
    { "font", Field::Font },
    { "colours", Field::Colours },
    { "cursor", Field::Cursor },
    { "icon", Field::Icon },
    { "help", Field::Help },
    { "use", Field::Use },
    { "picture", Field::Picture },
    { "pictureoption", Field::PictureOption },
    { "options", Field::Options },
    { "action", Field::Action },
    { "repeat", Field::Repeat },
    { "angle", Field::Angle },
    { "from", Field::From },
    { "format", Field::Format },
    { "frame", Field::Frame },
    { "palette", Field::Palette },
    { "timer", Field::Timer },
    { "zones", Field::Zones },
    { "wallpaper", Field::Wallpaper },
    { "docking", Field::Docking },
};

std::optional<Field> FieldFromKeyword(std::string_view keyword)
{
    for (const FieldKeyword& entry : kFieldKeywords) {
        if (entry.keyword == keyword)
            return entry.field;
    }
    return std::nullopt;
}

/// Whether `keyword` names a field of `kind`: a window's text is its `title`, every other
/// kind's is its `text`.
bool KindTakes(Kind kind, std::string_view keyword, Field field)
{
    if (field == Field::Text && (keyword == "title") != (kind == Kind::Window))
        return false;
    return HasField(kind, field);
}

std::string Article(Kind kind)
{
    return "a `" + std::string(KindKeyword(kind)) + "`";
}

std::int32_t ToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

/// What one window's records have used so far: equates are unique within a window.
struct WindowScope {
    std::map<std::int32_t, unsigned> equates;
    unsigned menuBarLine = 0;
    unsigned toolbarLine = 0;
};

/// Which fields of one record were written, so that a second one is refused.
struct Given {
    std::set<std::string> fields; ///< field keywords; help parts as "help message" etc.
};

class Parser {
public:
    Parser(std::string_view text, const ParseOptions& options)
        : m_lexer(text)
        , m_options(options)
    {
        Advance();
    }

    DescriptorSource ParseFile()
    {
        DescriptorSource source;
        SkipEnds();
        if (!IsWord("descriptor"))
            Fail(m_token.line, "a declaration starts with `descriptor \"MODULE\"`");
        ParseModuleName(source);
        std::map<std::string, unsigned> windowLines;
        for (;;) {
            SkipEnds();
            if (m_token.type == TokenType::Eof)
                break;
            if (IsWord("descriptor"))
                Fail(m_token.line, "the module is named once, by the first statement");
            if (!IsWord("window"))
                RefuseTopLevel();
            WindowScope scope;
            Record window = ParseRecord(Kind::Window, scope);
            const auto [where, added]
                = windowLines.emplace(platform::AsciiUpperCase(window.name), m_recordLine);
            if (!added)
                Fail(m_recordLine,
                    "window \"" + Display(window.name) + "\" is already declared on line "
                        + std::to_string(where->second));
            source.windows.push_back(std::move(window));
        }
        if (source.windows.empty())
            Fail(m_token.line, "a declaration needs at least one `window`");
        return source;
    }

private:
    void Advance() { m_token = m_lexer.Next(); }

    void SkipEnds()
    {
        while (m_token.type == TokenType::End)
            Advance();
    }

    bool IsWord(std::string_view word) const
    {
        return m_token.type == TokenType::Word && m_token.spelling == word;
    }

    bool AtStatementEnd() const
    {
        return m_token.type == TokenType::End || m_token.type == TokenType::Close
            || m_token.type == TokenType::Eof;
    }

    static std::string Display(std::string_view ansi)
    {
        const auto utf8 = platform::AnsiToUtf8(ansi);
        return utf8 ? *utf8 : std::string(ansi);
    }

    std::string Describe(const Token& token) const
    {
        switch (token.type) {
        case TokenType::Word:
        case TokenType::Number:
        case TokenType::Open:
        case TokenType::Close:
            return "`" + std::string(token.spelling) + "`";
        case TokenType::Text:
            return "the text " + std::string(token.spelling);
        case TokenType::End:
            return token.spelling == ";" ? "`;`" : "the end of the line";
        case TokenType::Eof:
            break;
        }
        return "the end of the file";
    }

    /// Refuses anything after a statement's values but its end.
    void ExpectEnd(std::string_view what)
    {
        if (!AtStatementEnd())
            Fail(m_token.line, "unexpected " + Describe(m_token) + " after " + std::string(what));
    }

    [[noreturn]] void RefuseTopLevel()
    {
        if (m_token.type != TokenType::Word)
            Fail(m_token.line, "expected a `window` record, found " + Describe(m_token));
        if (KindFromKeyword(m_token.spelling))
            Fail(m_token.line,
                "`" + std::string(m_token.spelling) + "` records belong inside a window");
        Fail(m_token.line,
            "unknown record kind `" + std::string(m_token.spelling)
                + "`: a declaration holds `window` records");
    }

    void ParseModuleName(DescriptorSource& source)
    {
        const unsigned line = m_token.line;
        Advance();
        source.moduleName = ExpectText("`descriptor`");
        Advance();
        ExpectEnd("the module name");
        const std::string resource = ResourceName(source.moduleName);
        if (resource == "_RSC")
            Fail(line,
                "the module name \"" + Display(source.moduleName)
                    + "\" gives an empty resource name (nothing after its \"$\")");
        for (const char c : resource) {
            // The resource name becomes a file name and a name in the build's resource table.
            if (c <= ' ' || c > '~' || c == '"' || c == ';' || c == '[' || c == '\\' || c == ']')
                Fail(line,
                    "the module name \"" + Display(source.moduleName)
                        + "\" makes no resource name: use printable ASCII without blanks, "
                          "quotes, `;`, `[`, `]` or `\\`");
        }
        if (!m_options.resourceName.empty()
            && platform::AsciiUpperCase(m_options.resourceName) != resource)
            Fail(line,
                "module \"" + Display(source.moduleName) + "\" is stored as " + resource
                    + ", but the file is named for " + std::string(m_options.resourceName));
    }

    std::string ExpectText(std::string_view what)
    {
        if (m_token.type != TokenType::Text)
            Fail(m_token.line,
                std::string(what) + " needs a text in double quotes, found " + Describe(m_token));
        return m_token.text;
    }

    /// A 32-bit number; `default` stands for 0x80000000.
    std::int64_t ExpectNumber(std::string_view what)
    {
        if (IsWord("default"))
            return std::numeric_limits<std::int32_t>::min();
        if (m_token.type != TokenType::Number)
            Fail(m_token.line, std::string(what) + " needs a number, found " + Describe(m_token));
        return m_token.number;
    }

    std::int32_t Int32(std::string_view what)
    {
        const std::int32_t value = ToInt32(ExpectNumber(what));
        Advance();
        return value;
    }

    std::uint32_t Bits32(std::string_view what) { return static_cast<std::uint32_t>(Int32(what)); }

    std::int64_t Ranged(std::string_view what, std::int64_t low, std::int64_t high)
    {
        const std::int64_t value = ExpectNumber(what);
        if (value < low || value > high)
            Fail(m_token.line,
                std::string(what) + " takes " + std::to_string(low) + " to " + std::to_string(high)
                    + ", not " + (IsWord("default") ? "`default`" : Describe(m_token)));
        Advance();
        return value;
    }

    std::uint8_t Byte(std::string_view what)
    {
        return static_cast<std::uint8_t>(Ranged(what, 0, 0xFF));
    }

    std::uint16_t Word16(std::string_view what)
    {
        return static_cast<std::uint16_t>(Ranged(what, 0, 0xFFFF));
    }

    std::uint32_t Colour(std::string_view what)
    {
        if (IsWord("none")) {
            Advance();
            return kNoColour;
        }
        return Bits32(what);
    }

    std::string Text(std::string_view what)
    {
        std::string text = ExpectText(what);
        Advance();
        return text;
    }

    /// Parses a record from its keyword on, with its block if it has one.
    Record ParseRecord(Kind kind, WindowScope& scope)
    {
        Record record;
        record.kind = kind;
        const unsigned line = m_token.line;
        const std::string header(m_token.spelling);
        Advance();
        if (kind == Kind::Window) {
            record.name = Text("`window`");
            if (record.name.empty())
                Fail(line, "a window needs a name");
        } else if (kind == Kind::MenuBar || kind == Kind::Toolbar) {
            if (m_token.type == TokenType::Number)
                record.equate = Int32("the equate");
        } else {
            if (m_token.type != TokenType::Number)
                Fail(m_token.line,
                    "`" + header + "` needs its field equate (a number), found "
                        + Describe(m_token));
            record.equate = Int32("the equate");
        }
        if (record.equate != 0) {
            const auto [where, added] = scope.equates.emplace(record.equate, line);
            if (!added)
                Fail(line,
                    "equate " + std::to_string(record.equate) + " is already used on line "
                        + std::to_string(where->second));
        }
        // The block may open on the record's line or on the next one.
        if (m_token.type == TokenType::End) {
            SkipEnds();
            if (m_token.type != TokenType::Open) {
                m_recordLine = line;
                return record;
            }
        }
        if (m_token.type == TokenType::Open)
            ParseBlock(record, scope);
        else
            ExpectEnd("`" + header + "`");
        m_recordLine = line;
        return record;
    }

    void ParseBlock(Record& record, WindowScope& scope)
    {
        const unsigned openLine = m_token.line;
        // Groups and menus nest; a bound keeps the parser, printer and encoder, which recurse,
        // within their stacks whatever the input.
        if (++m_depth > kMaxDepth)
            Fail(openLine, "records nest deeper than " + std::to_string(kMaxDepth) + " levels");
        Advance();
        Given given;
        for (;;) {
            SkipEnds();
            if (m_token.type == TokenType::Close) {
                Advance();
                break;
            }
            if (m_token.type == TokenType::Eof)
                Fail(openLine,
                    "the `{` of " + Article(record.kind) + " is never closed (missing `}`)");
            if (m_token.type != TokenType::Word)
                Fail(m_token.line, "expected a field or a record, found " + Describe(m_token));
            const std::string_view word = m_token.spelling;
            if (const auto child = KindFromKeyword(word)) {
                if (!CanHold(record.kind, *child))
                    Fail(m_token.line, Article(record.kind) + " cannot hold " + Article(*child));
                NoteSingleChild(*child, scope);
                record.children.push_back(ParseRecord(*child, scope));
                continue;
            }
            ParseField(record, word, given);
        }
        --m_depth;
        ExpectEnd("`}`");
    }

    void NoteSingleChild(Kind kind, WindowScope& scope)
    {
        unsigned* seen = kind == Kind::MenuBar ? &scope.menuBarLine
            : kind == Kind::Toolbar            ? &scope.toolbarLine
                                               : nullptr;
        if (seen == nullptr)
            return;
        if (*seen != 0)
            Fail(m_token.line,
                "a window has one `" + std::string(KindKeyword(kind)) + "`; the first is on line "
                    + std::to_string(*seen));
        *seen = m_token.line;
    }

    void Once(Given& given, const std::string& key, std::string_view what)
    {
        if (!given.fields.insert(key).second)
            Fail(m_token.line, std::string(what) + " is given twice");
    }

    void ParseField(Record& record, std::string_view word, Given& given)
    {
        const std::string keyword(word);
        const std::string what = "`" + keyword + "`";
        if (keyword == "attributes" || keyword == "position") {
            Once(given, keyword, what);
            Advance();
            if (keyword == "attributes")
                record.attributes = Bits32(what);
            else
                ParsePosition(record.position);
            ExpectEnd(what);
            return;
        }
        const auto field = FieldFromKeyword(word);
        if (!field)
            Fail(m_token.line, "unknown field or record kind " + what);
        if (!KindTakes(record.kind, word, *field))
            Fail(m_token.line, what + " is not a field of " + Article(record.kind));
        if (*field == Field::Help) {
            ParseHelp(record.fields.help, given);
            return;
        }
        Once(given, keyword, what);
        Advance();
        ParseFieldValues(record.fields, *field, what);
        ExpectEnd(what);
    }

    void ParsePosition(Position& position)
    {
        for (auto& value : position) {
            if (IsWord("default")) {
                value.reset();
                Advance();
            } else {
                value = Int32("`position` (x y width height)");
            }
        }
    }

    void ParseFieldValues(Fields& fields, Field field, const std::string& what)
    {
        switch (field) {
        case Field::Text:
            fields.text = Text(what);
            break;
        case Field::Font: {
            Font font;
            font.face = Text("`font` (face size colour weight)");
            font.size = Int32("`font` (face size colour weight)");
            font.colour = Colour("`font` (face size colour weight)");
            font.weight = Int32("`font` (face size colour weight)");
            fields.font = font;
            break;
        }
        case Field::Colours: {
            Colours colours;
            colours.text = Colour("`colours` (text background selected)");
            colours.background = Colour("`colours` (text background selected)");
            colours.selected = Colour("`colours` (text background selected)");
            fields.colours = colours;
            break;
        }
        case Field::Cursor:
            fields.cursor = Text(what);
            break;
        case Field::Icon:
            fields.icon = Text(what);
            break;
        case Field::Use:
            fields.use = ParseUse();
            break;
        case Field::Picture:
            if (m_token.type == TokenType::Text && !m_token.text.empty() && m_token.text[0] == '@')
                Fail(m_token.line, "write the picture without its leading `@`");
            fields.picture = Text(what);
            break;
        case Field::PictureOption:
            fields.pictureOption = Int32(what);
            break;
        case Field::Options:
            fields.options = Byte(what);
            break;
        case Field::Action:
            fields.action = Int32(what);
            break;
        case Field::Repeat:
            fields.repeatDelay = Word16("`repeat` (delay interval)");
            fields.repeatInterval = Word16("`repeat` (delay interval)");
            break;
        case Field::Angle:
            fields.angle = static_cast<std::int16_t>(Ranged(what, -32768, 32767));
            break;
        case Field::From:
            fields.from = Text(what);
            break;
        case Field::Format:
            fields.format = Text(what);
            break;
        case Field::Frame:
            fields.frame = Bits32(what);
            break;
        case Field::Palette:
            fields.palette = Int32(what);
            break;
        case Field::Timer:
            fields.timer = Int32(what);
            break;
        case Field::Zones:
            fields.zones = ParseValueList(what);
            break;
        case Field::Wallpaper:
            fields.wallpaperMode = Byte("`wallpaper` (mode image)");
            fields.wallpaper = Text("`wallpaper` (mode image)");
            break;
        case Field::Docking:
            fields.docking[0] = Byte(what);
            fields.docking[1] = Byte(what);
            break;
        case Field::Help:
            break;
        }
    }

    std::vector<std::int32_t> ParseValueList(std::string_view what)
    {
        std::vector<std::int32_t> values;
        values.push_back(Int32(what));
        while (m_token.type == TokenType::Number || IsWord("default"))
            values.push_back(Int32(what));
        return values;
    }

    Use ParseUse()
    {
        constexpr std::string_view kWhat = "`use` (type size)";
        Use use;
        if (m_token.type == TokenType::Word) {
            const auto type = TypeFromName(m_token.spelling);
            if (!type)
                Fail(m_token.line, "unknown type `" + std::string(m_token.spelling) + "` in `use`");
            use.type = *type;
            Advance();
        } else {
            use.type = Byte(kWhat);
        }
        use.size = Int32(kWhat);
        if (IsWord("picture")) {
            Advance();
            use.picture = Text("the `picture` of `use`");
        }
        return use;
    }

    /// `help` with any of its parts; several `help` statements may share the parts out.
    void ParseHelp(Help& help, Given& given)
    {
        Advance();
        bool any = false;
        while (m_token.type == TokenType::Word) {
            const std::string part(m_token.spelling);
            const std::string what = "`help " + part + "`";
            if (part != "message" && part != "tip" && part != "text" && part != "key"
                && part != "alert")
                Fail(m_token.line,
                    "unknown part `" + part + "` of `help` (message, tip, text, key, alert)");
            Once(given, "help " + part, what);
            Advance();
            if (part == "message")
                help.message = Text(what);
            else if (part == "tip")
                help.tip = Text(what);
            else if (part == "text")
                help.text = Text(what);
            else if (part == "key")
                help.key = Int32(what);
            else
                help.alerts = ParseValueList(what);
            any = true;
        }
        if (!any)
            Fail(m_token.line, "`help` needs at least one of message, tip, text, key, alert");
        ExpectEnd("`help`");
    }

    static constexpr int kMaxDepth = 64;

    Lexer m_lexer;
    const ParseOptions& m_options;
    int m_depth = 0; ///< blocks open around the current statement
    Token m_token;
    unsigned m_recordLine = 0; ///< the line of the record ParseRecord answered last
};

} // namespace

ParseResult Parse(std::string_view text, const ParseOptions& options)
{
    try {
        Parser parser(text, options);
        return parser.ParseFile();
    } catch (const Failure& failure) {
        return ParseError { failure.line, failure.message };
    }
}

} // namespace descriptor
