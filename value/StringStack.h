#pragma once

#include <cstdint>
#include <string_view>

// The string stack: every string expression of the runtime is evaluated here. Operands are
// pushed, operators take their operands from the top and leave their result there, and the
// finished value is popped into a STRING, CSTRING or PSTRING destination, whose type decides
// blank filling, truncation and termination.
//
// Each thread has a stack of its own, kept in its RuntimeThread (value/RuntimeThread.h): every
// function here works on the calling thread's stack, and no other thread ever sees it. Values
// are Windows-1250 bytes with no terminator: an address and a length.

namespace value {

inline constexpr int kStringStackCapacity = 32;
inline constexpr std::uint32_t kInlineCapacity = 20;

/// Where an entry's characters live.
enum class EntryKind : std::uint32_t {
    Borrowed = 0, ///< in storage the entry does not own: a variable, a literal, a caller's buffer
    Owned = 1,    ///< in a heap block (value/Heap.h) that the entry releases when dropped
    Inline = 2,   ///< in the entry's own inline buffer
};

struct StackEntry {
    EntryKind kind = EntryKind::Borrowed;
    const char* address = nullptr; ///< may be null only when length is 0
    std::uint32_t length = 0;
    char inlineText[kInlineCapacity] = {};

    std::string_view View() const
    {
        return length == 0 ? std::string_view {} : std::string_view(address, length);
    }

    /// True when the entry is well formed: an inline address points into its own buffer and
    /// fits it, a null address has length 0.
    bool CheckInvariants() const;
};

/// The convention of a null source with a length: 0 clears to blanks (or empty), a negative
/// length to low values (0x00), a positive one to high values (0xFF).
enum class ClearValue : std::int8_t { Low = -1, Blank = 0, High = 1 };

/// A heap block handed to the caller by PopToBlock; the caller releases it with ReleaseBlock.
struct BlockDescriptor {
    char* address = nullptr;
    std::uint32_t length = 0;
};

/// The entries of one thread's stack, bottom first; its RuntimeThread holds it. Destroying it
/// releases the owned blocks of the entries still on it.
struct StringStackStorage {
    int depth = 0;
    StackEntry entries[kStringStackCapacity];

    StringStackStorage() = default;
    ~StringStackStorage();
    StringStackStorage(const StringStackStorage&) = delete;
    StringStackStorage& operator=(const StringStackStorage&) = delete;
};

// Inspection. Index 0 is the bottom, StackDepth() - 1 the top.
int StackDepth();
const StackEntry& StackEntryAt(int index);
const StackEntry& StackTop();
/// Drops every entry, releasing owned blocks.
void ResetStringStack();

// Pushing. On a full stack (32 entries) a push does nothing; PushOwned then releases the block
// it was handed, since no entry takes it over.

/// Pushes a borrowed entry. A null address forces length 0.
void PushString(const char* address, std::uint32_t length);
inline void PushString(std::string_view text)
{
    PushString(text.data(), static_cast<std::uint32_t>(text.size()));
}
/// Pushes an owned entry for a heap block the caller hands over. A null address forces length 0.
void PushOwned(char* block, std::uint32_t length);
/// Pushes a borrowed empty value (null address, length 0).
void PushEmpty();
/// Pushes the signed decimal text of the value, inline: "-" for negatives, no leading zeros.
void PushLong(std::int32_t value);
/// Pushes the value with 14 significant digits, inline; "12" for 12.0, "NaN", "(+Infinity)".
void PushReal(double value);
/// A true flag pushes "1", a false one the empty value.
void PushBool(bool flag);
/// Pushes a NUL-terminated text (null counts as empty) and materialises it at once, so the
/// entry never refers to the caller's buffer.
void PushCString(const char* text);
/// Turns a borrowed top into one the stack holds itself: up to 20 characters inline, longer
/// ones in a new heap block. A failed allocation leaves the empty value.
void Materialize();

// Popping.

/// Assigns the top to a STRING of the given size and drops it.
void PopToString(char* destination, std::uint32_t size);
/// Assigns the top to a CSTRING of the given size (terminator included) and drops it.
void PopToCString(char* destination, std::uint32_t size);
/// Assigns the top to a PSTRING of the given size (length byte included) and drops it.
void PopToPString(char* destination, std::uint32_t size);
/// Removes the top and hands it to the caller as a heap block of exactly its length: an owned
/// top's block is handed over as it is, anything else is copied. The empty value, or a failed
/// allocation, gives a null address and length 0.
void PopToBlock(BlockDescriptor& block);
/// Removes the top and answers its length.
std::uint32_t PopLength();
/// Answers the length of the top.
std::uint32_t PeekLength();
/// Removes the top and answers whether it held a non-blank character.
bool PopTruth();
/// Removes the top and answers the number its text starts with (blanks skipped; 0 if none).
/// At most the first 39 characters are read.
double PopReal();
/// Removes the top and pushes the number its text holds onto the decimal registers
/// (PushTextDecimal in value/Decimal.h). At most the first 99 characters are read.
void PopDecimal();
/// Removes the top decimal register and pushes its text ("-" for negatives, the register's
/// places after a "."); an empty register stack pushes "0".
void PushDecimalText();
/// Removes the top, releasing an owned block.
void Drop();

// Assigning. A non-null source copies min(room, length) bytes (the source may overlap the
// destination); a null source clears the destination by the sign of `length` (ClearValue).
// A destination size of 0 is left alone.

void AssignString(char* destination, std::uint32_t size, const char* source, std::int64_t length);
void AssignCString(char* destination, std::uint32_t size, const char* source, std::int64_t length);
void AssignPString(char* destination, std::uint32_t size, const char* source, std::int64_t length);

// Operators.

/// Replaces the second (left) and the top (right) by left followed by right, in one heap block
/// of exactly the summed length; two empty operands give the empty value.
void Concat();
/// As Concat, with the top as the left operand.
void ConcatReversed();
/// Replaces the top by `count` characters from position `start` (1-based; negative counts
/// from the end, -1 being the last character). A count is taken as unsigned, so a negative
/// one selects up to the end.
void SubTop(std::int32_t start, std::uint32_t count);
/// Shortens the top by its trailing blanks (0x20 only).
void ClipTop();
/// `text` without its trailing blanks (0x20 only): what ClipTop does, for text held elsewhere.
inline std::string_view WithoutTrailingBlanks(std::string_view text)
{
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view {} : text.substr(0, end + 1);
}
/// Materialises the top and upper-cases every character that has a case partner.
void UpperTop();
/// INSTRING: searches the second entry for the top, removes both and answers where it was
/// found: the 1-based position for step 1, else the number of the step, counted from the
/// beginning; 0 when not found. A step of 0 is the substring's length; a start below 1, or an
/// empty substring, finds nothing. The match is byte for byte.
std::int32_t InString(std::uint32_t step, std::int32_t start);
/// Compares the second (left) with the top (right), removes both and answers <0, 0 or >0.
/// The shorter operand continues as blanks, so trailing blanks never decide the order.
std::int32_t CompareTop();
/// As CompareTop, after cutting both operands to the shorter one's length.
std::int32_t ComparePrefix();
/// Makes the top exactly n characters long: longer tops are cut in place, shorter ones are
/// copied into a new block and blank filled. A failed allocation leaves the top unchanged.
void ForceLength(std::uint32_t n);
/// Moves the entry d places below the top to the top; the entries above it move down one.
void BringToTop(std::uint8_t d);

} // namespace value
