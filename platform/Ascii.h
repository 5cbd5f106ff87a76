#pragma once

#include <string>
#include <string_view>

// ASCII case folding for the names and keywords the system matches without regard to case:
// profile sections and keys, resource names, locale settings, driver options, bind names,
// declaration labels. Only 'a' to 'z' fold; bytes above 0x7F are Windows-1250 letters whose
// case these names never fold, so they must match exactly (the runtime's own case rules for
// values live in the collation tables).

namespace platform {

constexpr char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = AsciiUpper(c);
    return upper;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

} // namespace platform
