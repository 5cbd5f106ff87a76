#include <platform/CharacterSet.h>
#include <platform/Text.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <tuple>

namespace platform {

namespace {

/// The diacritics of the code page's letters, in the order the sort ranks them (see
/// SingleCharacterOrder). SharpS is not a diacritic: ß is filed as an s that ranks after all
/// the others, which is where "ss" falls for a one-character comparison.
enum class Mark : std::uint8_t {
    None,
    Caron,
    Acute,
    Breve,
    Circumflex,
    Ring,
    Diaeresis,
    DoubleAcute,
    DotAbove,
    Ogonek,
    Cedilla,
    Stroke,
    SharpS,
};

/// A letter of the code page outside ASCII as its base letter and diacritic. The base keeps
/// the letter's case: 'C' for Č, 'c' for č. Letters with a stroke have no canonical Unicode
/// decomposition; they are filed here as the base letter with a stroke all the same.
struct Decomposition {
    char16_t codePoint;
    char16_t base;
    Mark mark;
};

constexpr char16_t kGreekSmallMu = 0x03BC;

// clang-format off
constexpr Decomposition kLetters[] = {
    { 0x00C1, 'A', Mark::Acute },      { 0x00E1, 'a', Mark::Acute },
    { 0x0102, 'A', Mark::Breve },      { 0x0103, 'a', Mark::Breve },
    { 0x00C2, 'A', Mark::Circumflex }, { 0x00E2, 'a', Mark::Circumflex },
    { 0x00C4, 'A', Mark::Diaeresis },  { 0x00E4, 'a', Mark::Diaeresis },
    { 0x0104, 'A', Mark::Ogonek },     { 0x0105, 'a', Mark::Ogonek },
    { 0x010C, 'C', Mark::Caron },      { 0x010D, 'c', Mark::Caron },
    { 0x0106, 'C', Mark::Acute },      { 0x0107, 'c', Mark::Acute },
    { 0x00C7, 'C', Mark::Cedilla },    { 0x00E7, 'c', Mark::Cedilla },
    { 0x010E, 'D', Mark::Caron },      { 0x010F, 'd', Mark::Caron },
    { 0x0110, 'D', Mark::Stroke },     { 0x0111, 'd', Mark::Stroke },
    { 0x011A, 'E', Mark::Caron },      { 0x011B, 'e', Mark::Caron },
    { 0x00C9, 'E', Mark::Acute },      { 0x00E9, 'e', Mark::Acute },
    { 0x00CB, 'E', Mark::Diaeresis },  { 0x00EB, 'e', Mark::Diaeresis },
    { 0x0118, 'E', Mark::Ogonek },     { 0x0119, 'e', Mark::Ogonek },
    { 0x00CD, 'I', Mark::Acute },      { 0x00ED, 'i', Mark::Acute },
    { 0x00CE, 'I', Mark::Circumflex }, { 0x00EE, 'i', Mark::Circumflex },
    { 0x013D, 'L', Mark::Caron },      { 0x013E, 'l', Mark::Caron },
    { 0x0139, 'L', Mark::Acute },      { 0x013A, 'l', Mark::Acute },
    { 0x0141, 'L', Mark::Stroke },     { 0x0142, 'l', Mark::Stroke },
    { 0x0147, 'N', Mark::Caron },      { 0x0148, 'n', Mark::Caron },
    { 0x0143, 'N', Mark::Acute },      { 0x0144, 'n', Mark::Acute },
    { 0x00D3, 'O', Mark::Acute },      { 0x00F3, 'o', Mark::Acute },
    { 0x00D4, 'O', Mark::Circumflex }, { 0x00F4, 'o', Mark::Circumflex },
    { 0x00D6, 'O', Mark::Diaeresis },  { 0x00F6, 'o', Mark::Diaeresis },
    { 0x0150, 'O', Mark::DoubleAcute },{ 0x0151, 'o', Mark::DoubleAcute },
    { 0x0158, 'R', Mark::Caron },      { 0x0159, 'r', Mark::Caron },
    { 0x0154, 'R', Mark::Acute },      { 0x0155, 'r', Mark::Acute },
    { 0x0160, 'S', Mark::Caron },      { 0x0161, 's', Mark::Caron },
    { 0x015A, 'S', Mark::Acute },      { 0x015B, 's', Mark::Acute },
    { 0x015E, 'S', Mark::Cedilla },    { 0x015F, 's', Mark::Cedilla },
                                       { 0x00DF, 's', Mark::SharpS },
    { 0x0164, 'T', Mark::Caron },      { 0x0165, 't', Mark::Caron },
    { 0x0162, 'T', Mark::Cedilla },    { 0x0163, 't', Mark::Cedilla },
    { 0x00DA, 'U', Mark::Acute },      { 0x00FA, 'u', Mark::Acute },
    { 0x016E, 'U', Mark::Ring },       { 0x016F, 'u', Mark::Ring },
    { 0x00DC, 'U', Mark::Diaeresis },  { 0x00FC, 'u', Mark::Diaeresis },
    { 0x0170, 'U', Mark::DoubleAcute },{ 0x0171, 'u', Mark::DoubleAcute },
    { 0x00DD, 'Y', Mark::Acute },      { 0x00FD, 'y', Mark::Acute },
    { 0x017D, 'Z', Mark::Caron },      { 0x017E, 'z', Mark::Caron },
    { 0x0179, 'Z', Mark::Acute },      { 0x017A, 'z', Mark::Acute },
    { 0x017B, 'Z', Mark::DotAbove },   { 0x017C, 'z', Mark::DotAbove },
    { 0x00B5, kGreekSmallMu, Mark::None }, // the micro sign is a Greek mu
};
// clang-format on

bool IsAsciiUpper(char32_t c)
{
    return c >= 'A' && c <= 'Z';
}

bool IsAsciiLower(char32_t c)
{
    return c >= 'a' && c <= 'z';
}

/// The base and diacritic of a letter; nothing for a character that is not a letter.
std::optional<Decomposition> Decompose(unsigned char ansi)
{
    const std::optional<char32_t> codePoint = AnsiToUnicode(ansi);
    if (!codePoint)
        return std::nullopt;
    if (IsAsciiUpper(*codePoint) || IsAsciiLower(*codePoint)) {
        const auto letter = static_cast<char16_t>(*codePoint);
        return Decomposition { letter, letter, Mark::None };
    }
    for (const Decomposition& letter : kLetters) {
        if (letter.codePoint == *codePoint)
            return letter;
    }
    return std::nullopt;
}

/// Only the Latin bases change case here; the Greek mu has no partner in the code page.
char16_t OtherCase(char16_t base)
{
    if (IsAsciiUpper(base))
        return static_cast<char16_t>(base - 'A' + 'a');
    if (IsAsciiLower(base))
        return static_cast<char16_t>(base - 'a' + 'A');
    return base;
}

char16_t FoldedBase(char16_t base)
{
    return IsAsciiUpper(base) ? OtherCase(base) : base;
}

enum class CharacterClass : std::uint8_t { Control, Symbol, Digit, Letter };

struct CharacterInfo {
    CharacterClass characterClass = CharacterClass::Symbol;
    bool upper = false;
    bool lower = false;
    unsigned char partner = 0; ///< the other-case form, or the character itself
    char16_t foldedBase = 0;
    Mark mark = Mark::None;
};

using CharacterTable = std::array<CharacterInfo, 256>;

CharacterClass ClassOf(unsigned char ansi, bool isLetter)
{
    if (isLetter)
        return CharacterClass::Letter;
    if (ansi >= '0' && ansi <= '9')
        return CharacterClass::Digit;
    if (ansi < 0x20 || ansi == 0x7F || !AnsiToUnicode(ansi))
        return CharacterClass::Control;
    return CharacterClass::Symbol;
}

CharacterTable BuildCharacterTable()
{
    std::array<std::optional<Decomposition>, 256> letters;
    for (std::size_t i = 0; i < letters.size(); ++i)
        letters[i] = Decompose(static_cast<unsigned char>(i));

    CharacterTable table;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto ansi = static_cast<unsigned char>(i);
        CharacterInfo& info = table[i];
        info.characterClass = ClassOf(ansi, letters[i].has_value());
        info.partner = ansi;
        if (!letters[i])
            continue;
        const Decomposition& letter = *letters[i];
        info.upper = IsAsciiUpper(letter.base);
        info.lower = !info.upper;
        info.foldedBase = FoldedBase(letter.base);
        info.mark = letter.mark;
        const char16_t otherBase = OtherCase(letter.base);
        for (std::size_t j = 0; j < letters.size(); ++j) {
            if (j != i && letters[j] && letters[j]->base == otherBase
                && letters[j]->mark == letter.mark)
                info.partner = static_cast<unsigned char>(j);
        }
    }
    return table;
}

const CharacterTable& Characters()
{
    static const CharacterTable table = BuildCharacterTable();
    return table;
}

} // namespace

bool IsAlphabetic(unsigned char ansi)
{
    return Characters()[ansi].characterClass == CharacterClass::Letter;
}

bool IsUpper(unsigned char ansi)
{
    return Characters()[ansi].upper;
}

bool IsLower(unsigned char ansi)
{
    return Characters()[ansi].lower;
}

unsigned char LowerCaseOf(unsigned char ansi)
{
    const CharacterInfo& info = Characters()[ansi];
    return info.upper ? info.partner : ansi;
}

unsigned char UpperCaseOf(unsigned char ansi)
{
    const CharacterInfo& info = Characters()[ansi];
    return info.lower ? info.partner : ansi;
}

std::array<unsigned char, 254> SingleCharacterOrder()
{
    const CharacterTable& table = Characters();
    // Non-letters leave base, mark and case at their defaults, so within their class they
    // fall back to the last key, their own code.
    const auto key = [&table](unsigned char ansi) {
        const CharacterInfo& info = table[ansi];
        return std::tuple(info.characterClass, info.foldedBase, info.mark, info.upper, ansi);
    };
    std::array<unsigned char, 254> order {};
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<unsigned char>(i + 1);
    std::sort(order.begin(), order.end(),
        [&key](unsigned char a, unsigned char b) { return key(a) < key(b); });
    return order;
}

} // namespace platform
