// The string functions that work on the string stack's top entries: UPPER and INSTRING.

#include "Collation.h"
#include "StringStack.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstring>

namespace value {

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

/// Needles longer than this, in haystacks longer than kSkipTableHaystack, are searched with a
/// skip table; below, building the table costs more than it saves.
constexpr std::size_t kSkipTableNeedle = 4;
constexpr std::size_t kSkipTableHaystack = 256;
/// The table holds one byte per character, so no jump is longer than this.
constexpr std::size_t kMaxSkip = 255;

/// Whether `needle` lies in `haystack` at `offset`.
bool MatchesAt(std::string_view haystack, std::string_view needle, std::size_t offset)
{
    return std::memcmp(haystack.data() + offset, needle.data(), needle.size()) == 0;
}

std::size_t FindCharacter(std::string_view haystack, char c, std::size_t first)
{
    const void* found = std::memchr(haystack.data() + first, c, haystack.size() - first);
    return found == nullptr
        ? kNotFound
        : static_cast<std::size_t>(static_cast<const char*>(found) - haystack.data());
}

/// Horspool's search: the character under the needle's last position decides how far the
/// needle may move, by how close to the end of the needle it last occurs there. Characters
/// that occur only further back than kMaxSkip jump kMaxSkip, which still cannot pass a match.
std::size_t FindWithSkipTable(std::string_view haystack, std::string_view needle, std::size_t first)
{
    const std::size_t length = needle.size();
    const std::size_t reach = std::min(length, kMaxSkip);
    std::array<unsigned char, 256> skip;
    skip.fill(static_cast<unsigned char>(reach));
    for (std::size_t i = length - reach; i + 1 < length; ++i)
        skip[static_cast<unsigned char>(needle[i])] = static_cast<unsigned char>(length - 1 - i);

    const char lastOfNeedle = needle[length - 1];
    const std::size_t last = haystack.size() - length;
    const char* tail = haystack.data() + length - 1; // tail[offset]: under the needle's end
    auto skipFor = [&skip](char c) { return skip[static_cast<unsigned char>(c)]; };
    for (std::size_t offset = first; offset <= last;) {
        // Most characters of a text do not occur in the needle's tail. Running over them at the
        // full jump, a constant stride, lets the next load start before this look-up ends. The
        // needle's last character may jump as far, but only after a failed comparison.
        while (tail[offset] != lastOfNeedle && skipFor(tail[offset]) == reach) {
            offset += reach;
            if (offset > last)
                return kNotFound;
        }
        char under = tail[offset];
        if (under == lastOfNeedle
            && std::memcmp(haystack.data() + offset, needle.data(), length - 1) == 0)
            return offset;
        offset += skipFor(under);
    }
    return kNotFound;
}

std::size_t FindPlain(std::string_view haystack, std::string_view needle, std::size_t first)
{
    const std::size_t last = haystack.size() - needle.size();
    for (std::size_t offset = first; offset <= last; ++offset) {
        if (haystack[offset] == needle[0] && MatchesAt(haystack, needle, offset))
            return offset;
    }
    return kNotFound;
}

/// The first offset from `first` on where `needle` occurs. The haystack is at least as long as
/// the needle, the needle is not empty and `first` is a possible offset.
std::size_t FindFrom(std::string_view haystack, std::string_view needle, std::size_t first)
{
    if (needle.size() == 1)
        return FindCharacter(haystack, needle[0], first);
    if (needle.size() > kSkipTableNeedle && haystack.size() > kSkipTableHaystack)
        return FindWithSkipTable(haystack, needle, first);
    return FindPlain(haystack, needle, first);
}

/// INSTRING on plain values; see InString.
std::int32_t FindStepped(
    std::string_view haystack, std::string_view needle, std::uint32_t step, std::int32_t start)
{
    if (needle.empty() || start < 1 || haystack.size() < needle.size())
        return 0;
    const std::size_t stride = step == 0 ? needle.size() : step;
    const std::size_t first = static_cast<std::size_t>(start) - 1;
    const std::size_t last = haystack.size() - needle.size();
    if (first > last)
        return 0;
    std::size_t found = kNotFound;
    if (stride == 1) {
        found = FindFrom(haystack, needle, first);
    } else {
        for (std::size_t offset = first; offset <= last; offset += stride) {
            if (MatchesAt(haystack, needle, offset)) {
                found = offset;
                break;
            }
        }
    }
    // Values are at most 4 GiB - 1 long, and the runtime's positions are 32-bit.
    return found == kNotFound ? 0 : static_cast<std::int32_t>(found / stride + 1);
}

} // namespace

void UpperTop()
{
    Materialize();
    const StackEntry& top = StackTop();
    if (top.length == 0)
        return; // the empty value, or a copy the heap could not make
    // Materialised: the characters belong to the stack now, so they may be written.
    assert(top.kind != EntryKind::Borrowed);
    char* text = const_cast<char*>(top.address);
    for (std::uint32_t i = 0; i < top.length; ++i)
        text[i] = static_cast<char>(ToUpperChar(static_cast<unsigned char>(text[i])));
}

std::int32_t InString(std::uint32_t step, std::int32_t start)
{
    assert(StackDepth() >= 2 && "INSTRING needs the string and the substring");
    std::int32_t result
        = FindStepped(StackEntryAt(StackDepth() - 2).View(), StackTop().View(), step, start);
    Drop();
    Drop();
    return result;
}

} // namespace value
