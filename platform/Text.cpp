#include <platform/Text.h>

#include <algorithm>
#include <array>
#include <cstdint>

// Both code pages are ASCII below 0x80, so only their upper halves are tabulated. Everything
// else is derived from these two tables at compile time: the reverse lookups, the UTF-8 forms
// and the direct byte-to-byte tables between the code pages, which go through Unicode so that
// a character converts only when both code pages really hold it.

namespace platform {

namespace {

/// Marks a byte with no Unicode form. U+0000 can never be the form of a byte at or above 0x80.
constexpr char16_t kUndefined = 0;

/// Windows-1250, bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kAnsiUpperHalf = {
    0x20AC, kUndefined, 0x201A, kUndefined, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    kUndefined, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,     // 88
    kUndefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,     // 90
    kUndefined, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,     // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,         // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,         // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,         // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,         // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,         // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,         // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,         // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,         // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,         // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,         // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,         // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,         // F8
};

/// Code page 852, bytes 0x80 to 0xFF. Every byte is defined.
constexpr std::array<char16_t, 128> kOemUpperHalf = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7, // 80
    0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE, 0x0179, 0x00C4, 0x0106, // 88
    0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A, // 90
    0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D, // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D, 0x017E, // A0
    0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB, // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x011A, // B0
    0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, // C8
    0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE, // D0
    0x011B, 0x2518, 0x250C, 0x2588, 0x2584, 0x0162, 0x016E, 0x2580, // D8
    0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161, // E0
    0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4, // E8
    0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8, // F0
    0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0, // F8
};

struct ReverseEntry {
    char16_t codePoint;
    unsigned char byte;
};

/// The defined upper-half characters of a code page sorted by code point, for binary search.
struct ReverseTable {
    std::array<ReverseEntry, 128> entries {};
    std::size_t count = 0;

    constexpr std::optional<unsigned char> Find(char32_t codePoint) const
    {
        if (codePoint < 0x80)
            return static_cast<unsigned char>(codePoint);
        const auto* end = entries.begin() + count;
        const auto* found = std::lower_bound(entries.begin(), end, codePoint,
            [](const ReverseEntry& entry, char32_t wanted) { return entry.codePoint < wanted; });
        if (found == end || found->codePoint != codePoint)
            return std::nullopt;
        return found->byte;
    }
};

constexpr ReverseTable MakeReverseTable(const std::array<char16_t, 128>& upperHalf)
{
    ReverseTable table;
    for (std::size_t i = 0; i < upperHalf.size(); ++i) {
        if (upperHalf[i] != kUndefined)
            table.entries[table.count++] = { upperHalf[i], static_cast<unsigned char>(0x80 + i) };
    }
    std::sort(table.entries.begin(), table.entries.begin() + table.count,
        [](const ReverseEntry& a, const ReverseEntry& b) { return a.codePoint < b.codePoint; });
    return table;
}

constexpr ReverseTable kAnsiReverse = MakeReverseTable(kAnsiUpperHalf);
constexpr ReverseTable kOemReverse = MakeReverseTable(kOemUpperHalf);

/// A byte of one code page as a byte of the other; kNoByte where the other lacks it.
using ByteMap = std::array<std::uint16_t, 256>;
constexpr std::uint16_t kNoByte = 0x100;

constexpr ByteMap MakeByteMap(
    const std::array<char16_t, 128>& fromUpperHalf, const ReverseTable& to)
{
    ByteMap map {};
    for (std::size_t byte = 0; byte < 0x80; ++byte)
        map[byte] = static_cast<std::uint16_t>(byte);
    for (std::size_t i = 0; i < fromUpperHalf.size(); ++i) {
        map[0x80 + i] = kNoByte;
        if (fromUpperHalf[i] == kUndefined)
            continue;
        if (const std::optional<unsigned char> target = to.Find(fromUpperHalf[i]))
            map[0x80 + i] = *target;
    }
    return map;
}

constexpr ByteMap kAnsiToOem = MakeByteMap(kAnsiUpperHalf, kOemReverse);
constexpr ByteMap kOemToAnsi = MakeByteMap(kOemUpperHalf, kAnsiReverse);

/// The UTF-8 form of a Windows-1250 upper-half byte; length 0 for the undefined bytes. Every
/// character of the code page lies below U+10000, so three bytes suffice.
struct Utf8Form {
    std::array<char, 3> bytes {};
    std::size_t length = 0;
};

constexpr std::array<Utf8Form, 128> MakeUtf8Forms()
{
    std::array<Utf8Form, 128> forms {};
    for (std::size_t i = 0; i < kAnsiUpperHalf.size(); ++i) {
        const std::uint32_t codePoint = kAnsiUpperHalf[i];
        Utf8Form& form = forms[i];
        if (codePoint == kUndefined)
            continue;
        if (codePoint < 0x800) {
            form.bytes[0] = static_cast<char>(0xC0 | (codePoint >> 6));
            form.bytes[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
            form.length = 2;
        } else {
            form.bytes[0] = static_cast<char>(0xE0 | (codePoint >> 12));
            form.bytes[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            form.bytes[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
            form.length = 3;
        }
    }
    return forms;
}

constexpr std::array<Utf8Form, 128> kAnsiUtf8Forms = MakeUtf8Forms();

/// Decodes the UTF-8 sequence starting at `position` and moves past it. Answers nothing for a
/// malformed sequence; the ranges allowed for the second byte are what exclude overlong forms
/// (E0, F0), surrogates (ED) and values above U+10FFFF (F4).
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& position)
{
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    std::size_t length = 0;
    std::uint32_t value = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        if (lead == 0xE0)
            secondLow = 0xA0;
        else if (lead == 0xED)
            secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        if (lead == 0xF0)
            secondLow = 0x90;
        else if (lead == 0xF4)
            secondHigh = 0x8F;
    } else {
        return std::nullopt; // a continuation byte, C0, C1 or F5 to FF
    }
    if (text.size() - position < length)
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[position + i]);
        const unsigned char low = i == 1 ? secondLow : 0x80;
        const unsigned char high = i == 1 ? secondHigh : 0xBF;
        if (byte < low || byte > high)
            return std::nullopt;
        value = (value << 6) | (byte & 0x3Fu);
    }
    position += length;
    return static_cast<char32_t>(value);
}

Result<std::string> MapBytes(std::string_view text, const ByteMap& map)
{
    std::string result(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint16_t mapped = map[static_cast<unsigned char>(text[i])];
        if (mapped == kNoByte)
            return SystemError::NoUnicodeTranslation;
        result[i] = static_cast<char>(mapped);
    }
    return result;
}

SystemError MapBuffer(char* data, std::size_t size, const ByteMap& map)
{
    // Check every byte before changing any, so that a failure leaves the record as it was.
    for (std::size_t i = 0; i < size; ++i) {
        if (map[static_cast<unsigned char>(data[i])] == kNoByte)
            return SystemError::NoUnicodeTranslation;
    }
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(map[static_cast<unsigned char>(data[i])]);
    return SystemError::None;
}

std::optional<unsigned char> MapChar(unsigned char byte, const ByteMap& map)
{
    if (map[byte] == kNoByte)
        return std::nullopt;
    return static_cast<unsigned char>(map[byte]);
}

} // namespace

Result<std::string> AnsiToUtf8(std::string_view ansi)
{
    std::string result;
    result.reserve(ansi.size());
    for (const char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            result.push_back(c);
            continue;
        }
        const Utf8Form& form = kAnsiUtf8Forms[byte - 0x80u];
        if (form.length == 0)
            return SystemError::NoUnicodeTranslation;
        result.append(form.bytes.data(), form.length);
    }
    return result;
}

Result<std::string> Utf8ToAnsi(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    std::size_t position = 0;
    while (position < utf8.size()) {
        const std::optional<char32_t> codePoint = DecodeUtf8(utf8, position);
        if (!codePoint)
            return SystemError::NoUnicodeTranslation;
        const std::optional<unsigned char> byte = kAnsiReverse.Find(*codePoint);
        if (!byte)
            return SystemError::NoUnicodeTranslation;
        result.push_back(static_cast<char>(*byte));
    }
    return result;
}

std::string Utf8ToAnsiShown(std::string_view utf8)
{
    std::string result;
    result.reserve(utf8.size());
    std::size_t position = 0;
    while (position < utf8.size()) {
        const std::size_t start = position;
        const std::optional<char32_t> codePoint = DecodeUtf8(utf8, position);
        if (!codePoint)
            position = start + 1; // a malformed byte stands for itself
        const std::optional<unsigned char> byte
            = codePoint ? kAnsiReverse.Find(*codePoint) : std::nullopt;
        result.push_back(byte ? static_cast<char>(*byte) : '?');
    }
    return result;
}

Result<std::string> OemToAnsi(std::string_view oem)
{
    return MapBytes(oem, kOemToAnsi);
}

Result<std::string> AnsiToOem(std::string_view ansi)
{
    return MapBytes(ansi, kAnsiToOem);
}

SystemError AnsiToOemBuffer(char* data, std::size_t size)
{
    return MapBuffer(data, size, kAnsiToOem);
}

SystemError OemToAnsiBuffer(char* data, std::size_t size)
{
    return MapBuffer(data, size, kOemToAnsi);
}

std::optional<unsigned char> AnsiToOemChar(unsigned char ansi)
{
    return MapChar(ansi, kAnsiToOem);
}

std::optional<unsigned char> OemToAnsiChar(unsigned char oem)
{
    return MapChar(oem, kOemToAnsi);
}

std::optional<char32_t> AnsiToUnicode(unsigned char ansi)
{
    if (ansi < 0x80)
        return ansi;
    const char16_t codePoint = kAnsiUpperHalf[ansi - 0x80u];
    if (codePoint == kUndefined)
        return std::nullopt;
    return codePoint;
}

std::optional<unsigned char> UnicodeToAnsi(char32_t codePoint)
{
    return kAnsiReverse.Find(codePoint);
}

} // namespace platform
