#include "Resources.h"

#include "Ascii.h"

namespace platform {

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
