#include "Resources.h"

namespace platform {

namespace {

char FoldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace

// A program holds a few dozen resources at most: a linear search is all it needs.
std::optional<std::span<const std::byte>> FindResource(std::string_view type, std::string_view name)
{
    for (const ResourceEntry& entry : kResourceTable) {
        if (EqualsIgnoringAsciiCase(entry.name, name) && EqualsIgnoringAsciiCase(entry.type, type))
            return entry.bytes;
    }
    return std::nullopt;
}

std::size_t ResourceSize(std::string_view type, std::string_view name)
{
    const auto bytes = FindResource(type, name);
    return bytes ? bytes->size() : 0;
}

} // namespace platform
