#include "Collation.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace value {

namespace {

constexpr CharacterTables MakeDefaults()
{
    CharacterTables tables {};
    for (std::size_t c = 0; c < 256; ++c) {
        tables.weights[c] = static_cast<unsigned char>(c);
        tables.oemWeights[c] = static_cast<unsigned char>(c);
        tables.partners[c] = 0;
        tables.classes[c] = kClassOther;
    }
    for (std::size_t c = 'A'; c <= 'Z'; ++c) {
        std::size_t lower = c + ('a' - 'A');
        tables.partners[c] = static_cast<unsigned char>(lower);
        tables.partners[lower] = static_cast<unsigned char>(c);
        tables.classes[c] = kClassUpper;
        tables.classes[lower] = kClassLower;
    }
    for (std::size_t c = '0'; c <= '9'; ++c)
        tables.classes[c] = kClassDigit;
    return tables;
}

// Built at compile time, so code that compares strings during static initialisation of
// another file already sees the defaults.
constinit CharacterTables g_tables = MakeDefaults();

bool IsPermutation(const std::array<unsigned char, 256>& weights)
{
    std::array<bool, 256> seen {};
    for (unsigned char weight : weights) {
        if (seen[weight])
            return false;
        seen[weight] = true;
    }
    return true;
}

bool HasDigraphs()
{
    return g_tables.digraphs[0].character != 0;
}

/// The digraph entry of `c`, or null. An entry whose expansion holds a 0 is not a usable
/// expansion (it would end a C string early) and is passed over.
const Digraph* FindDigraph(unsigned char c)
{
    for (const Digraph& digraph : g_tables.digraphs) {
        if (digraph.character == 0)
            return nullptr;
        if (digraph.character == c && digraph.first != 0 && digraph.second != 0)
            return &digraph;
    }
    return nullptr;
}

unsigned char Weigh(unsigned char c)
{
    return g_tables.weights[c];
}

std::int32_t WeightDifference(unsigned char a, unsigned char b)
{
    return Weigh(a) - Weigh(b);
}

/// The characters of a value with every digraph replaced by its two characters. A value of
/// known length ends at its end; a C string (no end given) at its terminator, which the stream
/// never yields.
class ExpandedStream {
public:
    ExpandedStream(const unsigned char* next, const unsigned char* end)
        : m_next(next)
        , m_end(end)
    {
    }

    bool AtEnd() const
    {
        return m_pending == 0 && (m_end != nullptr ? m_next == m_end : *m_next == 0);
    }

    unsigned char Next()
    {
        assert(!AtEnd());
        if (m_pending != 0) {
            unsigned char c = m_pending;
            m_pending = 0;
            return c;
        }
        unsigned char c = *m_next++;
        if (const Digraph* digraph = FindDigraph(c)) {
            m_pending = digraph->second;
            return digraph->first;
        }
        return c;
    }

private:
    const unsigned char* m_next;
    const unsigned char* m_end;
    unsigned char m_pending = 0;
};

/// What an exhausted stream does while the other one goes on.
enum class Exhausted {
    Continues,  ///< it yields `filler` (a blank for values, the terminator 0 for C strings)
    SortsFirst, ///< the comparison ends: the exhausted side is smaller by 1
};

struct StreamRule {
    unsigned char filler = ' ';
    Exhausted exhausted = Exhausted::Continues;
    bool fold = false;                ///< upper-case each character after expansion
    std::uint64_t limit = UINT64_MAX; ///< characters compared at most
};

/// How two expanded streams compared: a difference, or none because both ended together or
/// because the limit was reached first.
struct StreamOrder {
    std::int32_t difference = 0;
    bool bothEnded = false;
};

StreamOrder CompareStreams(ExpandedStream a, ExpandedStream b, const StreamRule& rule)
{
    for (std::uint64_t i = 0; i < rule.limit; ++i) {
        bool aEnded = a.AtEnd();
        bool bEnded = b.AtEnd();
        if (aEnded && bEnded)
            return { 0, true };
        if (rule.exhausted == Exhausted::SortsFirst && (aEnded || bEnded))
            return { aEnded ? -1 : 1, false };
        unsigned char ca = aEnded ? rule.filler : a.Next();
        unsigned char cb = bEnded ? rule.filler : b.Next();
        if (rule.fold) {
            ca = ToUpperChar(ca);
            cb = ToUpperChar(cb);
        }
        if (ca != cb)
            return { WeightDifference(ca, cb), false };
    }
    return { 0, false };
}

const unsigned char* Bytes(const char* text)
{
    return reinterpret_cast<const unsigned char*>(text);
}

/// The number of leading bytes on which a and b agree, out of n.
std::size_t CommonPrefix(const unsigned char* a, const unsigned char* b, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t wordA = 0;
        std::uint64_t wordB = 0;
        std::memcpy(&wordA, a + i, 8);
        std::memcpy(&wordB, b + i, 8);
        if (std::uint64_t differing = wordA ^ wordB) {
            int bit = std::endian::native == std::endian::little ? std::countr_zero(differing)
                                                                 : std::countl_zero(differing);
            return i + static_cast<std::size_t>(bit / 8);
        }
    }
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

/// The first character of `text` from `from` on that is not a blank, as an offset.
std::size_t FirstNonBlank(const unsigned char* text, std::size_t from, std::size_t length)
{
    while (from < length && text[from] == ' ')
        ++from;
    return from;
}

/// The first pair of differing characters of two NUL-terminated strings, compared after
/// `fold`. With digraphs in use and folding on, a digraph character never counts as equal to a
/// different character (its expansion may differ from the other's although their upper-case
/// forms agree). Answers the offset; at the common terminator both characters are 0.
std::size_t FirstCDifference(const unsigned char* a, const unsigned char* b, bool fold)
{
    bool digraphs = fold && HasDigraphs();
    std::size_t i = 0;
    for (;; ++i) {
        unsigned char ca = a[i];
        unsigned char cb = b[i];
        if (ca == cb) {
            if (ca == 0)
                return i;
            continue;
        }
        if (!fold || ca == 0 || cb == 0 || ToUpperChar(ca) != ToUpperChar(cb))
            return i;
        if (digraphs && (FindDigraph(ca) != nullptr || FindDigraph(cb) != nullptr))
            return i;
    }
}

/// The tie-break when the expanded streams agree to their ends: the characters where the
/// values first differed, so a character and its expansion sort next to each other but never
/// compare equal.
std::int32_t TieBreak(unsigned char a, unsigned char b, bool fold)
{
    if (fold) {
        if (std::int32_t folded = WeightDifference(ToUpperChar(a), ToUpperChar(b)))
            return folded;
    }
    return WeightDifference(a, b);
}

std::int32_t CompareCStringsWith(const char* a, const char* b, bool fold)
{
    const unsigned char* ua = Bytes(a);
    const unsigned char* ub = Bytes(b);
    std::size_t i = FirstCDifference(ua, ub, fold);
    unsigned char ca = ua[i];
    unsigned char cb = ub[i];
    if (ca == cb)
        return 0; // both at the terminator
    if (!HasDigraphs())
        return fold ? WeightDifference(ToUpperChar(ca), ToUpperChar(cb)) : WeightDifference(ca, cb);
    StreamRule rule;
    rule.filler = 0;
    rule.fold = fold;
    StreamOrder order
        = CompareStreams(ExpandedStream(ua + i, nullptr), ExpandedStream(ub + i, nullptr), rule);
    return order.difference != 0 ? order.difference : TieBreak(ca, cb, fold);
}

/// The number of characters the prefix [0, end) of a C string stands for once expanded.
std::uint64_t ExpandedLength(const unsigned char* text, std::size_t end)
{
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < end; ++i)
        length += FindDigraph(text[i]) != nullptr ? 2u : 1u;
    return length;
}

} // namespace

CharacterTables CharacterTables::Defaults()
{
    return MakeDefaults();
}

bool CharacterTables::CheckInvariants() const
{
    if (!IsPermutation(weights) || !IsPermutation(oemWeights))
        return false;
    for (std::size_t c = 0; c < 256; ++c) {
        unsigned char partner = partners[c];
        switch (classes[c]) {
        case kClassUpper:
        case kClassLower: {
            // A letter and its partner are a pair of opposite cases, each naming the other.
            unsigned char opposite = classes[c] == kClassUpper ? kClassLower : kClassUpper;
            if (partner == 0 || classes[partner] != opposite || partners[partner] != c)
                return false;
            break;
        }
        case kClassOther:
        case kClassDigit:
            if (partner != 0)
                return false;
            break;
        default:
            return false;
        }
    }
    for (const auto* list : { &digraphs, &oemDigraphs }) {
        for (const Digraph& digraph : *list) {
            if (digraph.character == 0)
                break;
            if (digraph.first == 0 || digraph.second == 0)
                return false;
        }
    }
    return true;
}

const CharacterTables& Tables()
{
    return g_tables;
}

CharacterTables& MutableTables()
{
    return g_tables;
}

void ResetCharacterTables()
{
    g_tables = MakeDefaults();
}

unsigned char ToUpperChar(unsigned char c)
{
    // A lower-case letter without a partner would otherwise turn into 0, which ends C strings.
    unsigned char partner = g_tables.partners[c];
    return g_tables.classes[c] == kClassLower && partner != 0 ? partner : c;
}

unsigned char ToLowerChar(unsigned char c)
{
    unsigned char partner = g_tables.partners[c];
    return g_tables.classes[c] == kClassUpper && partner != 0 ? partner : c;
}

bool IsUpperChar(unsigned char c)
{
    return g_tables.classes[c] == kClassUpper;
}

bool IsAlnumChar(unsigned char c)
{
    return g_tables.classes[c] != kClassOther;
}

bool IsLetterChar(unsigned char c)
{
    return g_tables.partners[c] != 0;
}

std::int32_t CompareChars(unsigned char a, unsigned char b)
{
    return WeightDifference(a, b);
}

std::int32_t CompareStrings(std::string_view a, std::string_view b)
{
    const unsigned char* ua = Bytes(a.data());
    const unsigned char* ub = Bytes(b.data());
    std::size_t common = std::min(a.size(), b.size());
    std::size_t i = CommonPrefix(ua, ub, common);
    unsigned char ca = ' ';
    unsigned char cb = ' ';
    if (i < common) {
        ca = ua[i];
        cb = ub[i];
    } else if (a.size() > common) {
        i = FirstNonBlank(ua, common, a.size());
        if (i == a.size())
            return 0;
        ca = ua[i];
    } else {
        i = FirstNonBlank(ub, common, b.size());
        if (i == b.size())
            return 0;
        cb = ub[i];
    }
    if (!HasDigraphs())
        return WeightDifference(ca, cb);
    // A value that ran out before i contributes no characters: its stream starts exhausted.
    auto streamFrom = [i](const unsigned char* text, std::size_t length) {
        std::size_t from = std::min(i, length);
        return ExpandedStream(text + from, text + length);
    };
    StreamOrder order = CompareStreams(streamFrom(ua, a.size()), streamFrom(ub, b.size()), {});
    return order.difference != 0 ? order.difference : WeightDifference(ca, cb);
}

std::int32_t CompareCStrings(const char* a, const char* b)
{
    return CompareCStringsWith(a, b, false);
}

std::int32_t CompareCStringsNoCase(const char* a, const char* b)
{
    return CompareCStringsWith(a, b, true);
}

std::int32_t CompareNoCaseN(const char* a, const char* b, std::uint32_t n)
{
    const unsigned char* ua = Bytes(a);
    const unsigned char* ub = Bytes(b);
    if (!HasDigraphs()) {
        for (std::uint32_t i = 0; i < n; ++i) {
            unsigned char ca = ToUpperChar(ua[i]);
            unsigned char cb = ToUpperChar(ub[i]);
            if (ca != cb)
                return WeightDifference(ca, cb);
            if (ca == 0)
                return 0;
        }
        return 0;
    }
    // With digraphs, n counts characters of the expanded values.
    std::size_t i = FirstCDifference(ua, ub, true);
    std::uint64_t compared = ExpandedLength(ua, i);
    if (ua[i] == ub[i] || compared >= n)
        return 0;
    StreamRule rule;
    rule.exhausted = Exhausted::SortsFirst;
    rule.fold = true;
    rule.limit = n - compared;
    StreamOrder order
        = CompareStreams(ExpandedStream(ua + i, nullptr), ExpandedStream(ub + i, nullptr), rule);
    if (order.difference != 0)
        return order.difference;
    return order.bothEnded ? TieBreak(ua[i], ub[i], true) : 0;
}

void ApplyCollatingSequence(std::array<unsigned char, 256>& weights, std::string_view sequence)
{
    std::array<bool, 256> inSequence {};
    std::array<unsigned char, 256> distinct {};
    std::size_t count = 0;
    for (char ch : sequence) {
        auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            break;
        if (!inSequence[c]) {
            inSequence[c] = true;
            distinct[count++] = c;
        }
    }
    // The characters of the sequence take, in their order, the codes they occupy. A complete
    // order of the 222 printable characters (0x20-0x7E, 0x80-0xFE) is the case where those
    // codes are exactly the printable ones, so it needs no rule of its own; and 222 characters
    // that include a control character are shared out the same way rather than numbered from
    // 0x20, which would give a control character a weight that a character outside the
    // sequence keeps.
    for (std::size_t c = 0; c < 256; ++c)
        weights[c] = static_cast<unsigned char>(c);
    std::size_t next = 0;
    for (std::size_t code = 0; code < 256; ++code) {
        if (inSequence[code])
            weights[distinct[next++]] = static_cast<unsigned char>(code);
    }
}

void ClipCString(char* text)
{
    if (text == nullptr)
        return;
    std::size_t length = std::strlen(text);
    while (length > 0 && text[length - 1] == ' ')
        --length;
    text[length] = '\0';
}

void LowerBuffer(char* text, std::uint32_t count)
{
    if (text == nullptr)
        return;
    if (count == 65535)
        count = static_cast<std::uint32_t>(std::strlen(text));
    for (std::uint32_t i = 0; i < count; ++i)
        text[i] = static_cast<char>(ToLowerChar(static_cast<unsigned char>(text[i])));
}

} // namespace value
