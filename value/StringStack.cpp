#include "StringStack.h"

#include "Collation.h"
#include "Decimal.h"
#include "Heap.h"
#include "RuntimeThread.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>

namespace value {

namespace {

/// The calling thread's stack.
StringStackStorage& Stack()
{
    return CurrentRuntimeThread().stringStack;
}

StackEntry& Top(StringStackStorage& stack)
{
    assert(stack.depth > 0 && "string stack is empty");
    return stack.entries[stack.depth - 1];
}

StackEntry& Second(StringStackStorage& stack)
{
    assert(stack.depth > 1 && "string stack holds fewer than two entries");
    return stack.entries[stack.depth - 2];
}

bool IsFull(const StringStackStorage& stack)
{
    return stack.depth >= kStringStackCapacity;
}

char* MutableAddress(const StackEntry& entry)
{
    // Owned and inline characters belong to the stack, so writing them is allowed.
    assert(entry.kind != EntryKind::Borrowed);
    return const_cast<char*>(entry.address);
}

void Release(StackEntry& entry)
{
    if (entry.kind == EntryKind::Owned)
        ReleaseBlock(MutableAddress(entry));
}

void SetBorrowed(StackEntry& entry, const char* address, std::uint32_t length)
{
    entry.kind = EntryKind::Borrowed;
    entry.address = address;
    entry.length = address == nullptr ? 0 : length;
}

void SetEmpty(StackEntry& entry)
{
    SetBorrowed(entry, nullptr, 0);
}

void SetOwned(StackEntry& entry, char* block, std::uint32_t length)
{
    entry.kind = EntryKind::Owned;
    entry.address = block;
    entry.length = length;
}

void SetInline(StackEntry& entry, const char* text, std::uint32_t length)
{
    assert(length <= kInlineCapacity);
    std::memmove(entry.inlineText, text, length);
    entry.kind = EntryKind::Inline;
    entry.address = entry.inlineText;
    entry.length = length;
}

/// Copies an entry to another slot. An inline address moves with its buffer by the same
/// distance, so a top that SubTop advanced keeps pointing at the same character.
void MoveEntry(StackEntry& to, const StackEntry& from)
{
    if (&to == &from)
        return;
    to = from;
    if (from.kind == EntryKind::Inline)
        to.address = to.inlineText + (from.address - from.inlineText);
}

/// memcpy, for values whose address may be null when they are empty.
void CopyBytes(char* to, const char* from, std::uint32_t length)
{
    if (length != 0)
        std::memcpy(to, from, length);
}

StackEntry* NewTop(StringStackStorage& stack)
{
    if (IsFull(stack))
        return nullptr;
    return &stack.entries[stack.depth++];
}

/// Copies `length` characters into a new block: the block, or null when the heap says no.
char* CopyToBlock(const char* text, std::uint32_t length, bool zeroed)
{
    char* block = zeroed ? AllocateZeroedBlock(length) : AllocateBlock(length);
    if (block != nullptr)
        std::memcpy(block, text, length);
    return block;
}

/// Compares the first `limit` characters of both values by the collating comparison, the
/// shorter value continuing as blanks.
std::int32_t CompareBlankPadded(
    const StackEntry& left, const StackEntry& right, std::uint32_t limit)
{
    return CompareStrings(left.View().substr(0, limit), right.View().substr(0, limit));
}

/// Removes the top, releasing an owned block.
void DropTop(StringStackStorage& stack)
{
    assert(stack.depth > 0 && "drop from an empty string stack");
    if (stack.depth == 0)
        return;
    Release(stack.entries[--stack.depth]);
}

void DropTwo(StringStackStorage& stack)
{
    DropTop(stack);
    DropTop(stack);
}

void ConcatOperands(StringStackStorage& stack, const StackEntry& left, const StackEntry& right)
{
    std::uint64_t total = std::uint64_t { left.length } + right.length;
    char* block = total == 0 || total > UINT32_MAX ? nullptr : AllocateBlock(total);
    if (block != nullptr) {
        CopyBytes(block, left.address, left.length);
        CopyBytes(block + left.length, right.address, right.length);
    }
    DropTwo(stack);
    StackEntry& result = *NewTop(stack); // two entries were just removed, so there is room
    if (block != nullptr)
        SetOwned(result, block, static_cast<std::uint32_t>(total));
    else
        SetEmpty(result);
}

/// The first selected character of SubTop, counted from 0.
std::uint32_t FirstSelected(std::int32_t start, std::uint32_t length)
{
    if (start > 0)
        return std::min(static_cast<std::uint32_t>(start - 1), length);
    if (start < 0)
        return static_cast<std::uint32_t>(
            std::max<std::int64_t>(std::int64_t { length } + start, 0));
    return 0;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// The decimal text-to-number conversion of the runtime: blanks skipped, an optional sign,
/// then the longest prefix that reads as a number; 0 when there is none. Overflow gives an
/// infinity and underflow 0, with the sign kept. Independent of the process locale.
double ParseReal(const char* text, const char* end)
{
    while (text != end && IsSpace(*text))
        ++text;
    bool negative = false;
    if (text != end && (*text == '+' || *text == '-')) {
        negative = *text == '-';
        ++text;
    }
    if (text == end || *text == '+' || *text == '-')
        return 0.0;
    double result = 0.0;
    auto [stop, error] = std::from_chars(text, end, result, std::chars_format::general);
    if (error == std::errc::invalid_argument)
        return 0.0;
    if (error == std::errc::result_out_of_range) {
        const char* exponent
            = std::find_if(text, stop, [](char c) { return c == 'e' || c == 'E'; });
        bool tiny = exponent != stop && exponent + 1 != stop && exponent[1] == '-';
        result = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -result : result;
}

} // namespace

bool StackEntry::CheckInvariants() const
{
    if (address == nullptr)
        return length == 0;
    switch (kind) {
    case EntryKind::Borrowed:
    case EntryKind::Owned:
        return true;
    case EntryKind::Inline:
        return address >= inlineText && address + length <= inlineText + kInlineCapacity;
    }
    return false;
}

StringStackStorage::~StringStackStorage()
{
    while (depth > 0)
        Release(entries[--depth]);
}

int StackDepth()
{
    return Stack().depth;
}

const StackEntry& StackEntryAt(int index)
{
    const StringStackStorage& stack = Stack();
    assert(index >= 0 && index < stack.depth);
    return stack.entries[index];
}

const StackEntry& StackTop()
{
    return Top(Stack());
}

void ResetStringStack()
{
    StringStackStorage& stack = Stack();
    while (stack.depth > 0)
        Release(stack.entries[--stack.depth]);
}

void PushString(const char* address, std::uint32_t length)
{
    if (StackEntry* entry = NewTop(Stack()))
        SetBorrowed(*entry, address, length);
}

void PushOwned(char* block, std::uint32_t length)
{
    StackEntry* entry = NewTop(Stack());
    if (entry == nullptr) {
        ReleaseBlock(block); // handed over, and nobody else will free it
        return;
    }
    if (block == nullptr)
        SetEmpty(*entry);
    else
        SetOwned(*entry, block, length);
}

void PushEmpty()
{
    PushString(nullptr, 0);
}

void PushLong(std::int32_t value)
{
    StackEntry* entry = NewTop(Stack());
    if (entry == nullptr)
        return;
    char text[kInlineCapacity];
    auto result = std::to_chars(text, text + sizeof text, value);
    SetInline(*entry, text, static_cast<std::uint32_t>(result.ptr - text));
}

void PushReal(double value)
{
    StackEntry* entry = NewTop(Stack());
    if (entry == nullptr)
        return;
    if (std::isnan(value)) {
        SetInline(*entry, "NaN", 3);
        return;
    }
    if (std::isinf(value)) {
        SetInline(*entry, value > 0 ? "(+Infinity)" : "(-Infinity)", 11);
        return;
    }
    // 14 significant digits; the longest texts ("-1.2345678901234e-308") need one digit less
    // to fit the inline buffer.
    char text[32];
    for (int digits = 14;; --digits) {
        auto result
            = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
        auto length = static_cast<std::uint32_t>(result.ptr - text);
        if (length <= kInlineCapacity) {
            if (length > 0 && text[length - 1] == '.')
                --length;
            SetInline(*entry, text, length);
            return;
        }
    }
}

void PushBool(bool flag)
{
    if (flag)
        PushLong(1);
    else
        PushEmpty();
}

void PushCString(const char* text)
{
    if (IsFull(Stack()))
        return;
    PushString(text, text == nullptr ? 0 : static_cast<std::uint32_t>(std::strlen(text)));
    Materialize();
}

void Materialize()
{
    StackEntry& top = Top(Stack());
    if (top.kind != EntryKind::Borrowed || top.length == 0)
        return;
    if (top.length <= kInlineCapacity) {
        SetInline(top, top.address, top.length);
        return;
    }
    if (char* block = CopyToBlock(top.address, top.length, false))
        SetOwned(top, block, top.length);
    else
        SetEmpty(top);
}

void PopToString(char* destination, std::uint32_t size)
{
    StringStackStorage& stack = Stack();
    const StackEntry& top = Top(stack);
    AssignString(destination, size, top.address, top.length);
    DropTop(stack);
}

void PopToCString(char* destination, std::uint32_t size)
{
    StringStackStorage& stack = Stack();
    const StackEntry& top = Top(stack);
    AssignCString(destination, size, top.address, top.length);
    DropTop(stack);
}

void PopToPString(char* destination, std::uint32_t size)
{
    StringStackStorage& stack = Stack();
    const StackEntry& top = Top(stack);
    AssignPString(destination, size, top.address, top.length);
    DropTop(stack);
}

void PopToBlock(BlockDescriptor& block)
{
    StringStackStorage& stack = Stack();
    StackEntry& top = Top(stack);
    if (top.kind == EntryKind::Owned) {
        block = { MutableAddress(top), top.length };
        --stack.depth; // the block now belongs to the caller
        return;
    }
    char* copy = top.length == 0 ? nullptr : CopyToBlock(top.address, top.length, true);
    block = { copy, copy == nullptr ? 0 : top.length };
    DropTop(stack);
}

std::uint32_t PopLength()
{
    StringStackStorage& stack = Stack();
    std::uint32_t length = Top(stack).length;
    DropTop(stack);
    return length;
}

std::uint32_t PeekLength()
{
    return Top(Stack()).length;
}

bool PopTruth()
{
    ClipTop();
    return PopLength() != 0;
}

double PopReal()
{
    ClipTop();
    StringStackStorage& stack = Stack();
    const StackEntry& top = Top(stack);
    char text[40];
    std::uint32_t length = std::min<std::uint32_t>(top.length, sizeof text - 1);
    CopyBytes(text, top.address, length);
    text[length] = '\0';
    DropTop(stack);
    return ParseReal(text, text + length);
}

void PopDecimal()
{
    StringStackStorage& stack = Stack();
    const StackEntry& top = Top(stack);
    char text[100];
    std::uint32_t length = std::min<std::uint32_t>(top.length, sizeof text - 1);
    CopyBytes(text, top.address, length);
    text[length] = '\0';
    DropTop(stack);
    PushTextDecimal(text);
}

void PushDecimalText()
{
    DecimalRegister top {};
    top.low = top.high = kUnitsPosition;
    if (DecimalDepth() > 0) {
        top = TopDecimal();
        DropDecimal();
    }
    char text[kDecimalTextCapacity];
    PushString(text, static_cast<std::uint32_t>(DecimalToText(top, text)));
    Materialize();
}

void Drop()
{
    DropTop(Stack());
}

void AssignString(char* destination, std::uint32_t size, const char* source, std::int64_t length)
{
    if (size == 0)
        return;
    if (source == nullptr) {
        std::memset(destination, length < 0 ? 0x00 : length > 0 ? 0xFF : ' ', size);
        return;
    }
    auto count = static_cast<std::uint32_t>(std::min<std::int64_t>(size, length));
    std::memmove(destination, source, count);
    std::memset(destination + count, ' ', size - count);
}

void AssignCString(char* destination, std::uint32_t size, const char* source, std::int64_t length)
{
    if (size == 0)
        return;
    std::uint32_t count = 0;
    if (source == nullptr) {
        if (length > 0) {
            count = size - 1;
            std::memset(destination, 0xFF, count);
        }
    } else {
        count = static_cast<std::uint32_t>(std::min<std::int64_t>(size - 1, length));
        std::memmove(destination, source, count);
    }
    destination[count] = '\0';
}

void AssignPString(char* destination, std::uint32_t size, const char* source, std::int64_t length)
{
    if (size == 0)
        return;
    // The length byte cannot count past 255, whatever the declared size.
    std::uint32_t room = std::min<std::uint32_t>(size - 1, 255);
    std::uint32_t count = 0;
    if (source == nullptr) {
        if (length != 0) {
            count = room;
            std::memset(destination + 1, length < 0 ? 0x00 : 0xFF, count);
        }
    } else {
        count = static_cast<std::uint32_t>(std::min<std::int64_t>(room, length));
        std::memmove(destination + 1, source, count);
    }
    destination[0] = static_cast<char>(count);
}

void Concat()
{
    StringStackStorage& stack = Stack();
    ConcatOperands(stack, Second(stack), Top(stack));
}

void ConcatReversed()
{
    StringStackStorage& stack = Stack();
    ConcatOperands(stack, Top(stack), Second(stack));
}

void SubTop(std::int32_t start, std::uint32_t count)
{
    StringStackStorage& stack = Stack();
    StackEntry& top = Top(stack);
    std::uint32_t first = FirstSelected(start, top.length);
    std::uint32_t selected = std::min(count, top.length - first);
    if (top.kind == EntryKind::Owned && start != 1) {
        char* block = start == 0 || selected == 0
            ? nullptr
            : CopyToBlock(top.address + first, selected, true);
        DropTop(stack);
        PushOwned(block, selected);
        return;
    }
    top.address += first;
    top.length = selected;
}

void ClipTop()
{
    StackEntry& top = Top(Stack());
    while (top.length > 0 && top.address[top.length - 1] == ' ')
        --top.length;
}

std::int32_t CompareTop()
{
    StringStackStorage& stack = Stack();
    const StackEntry& left = Second(stack);
    const StackEntry& right = Top(stack);
    std::int32_t result = CompareBlankPadded(left, right, std::max(left.length, right.length));
    DropTwo(stack);
    return result;
}

std::int32_t ComparePrefix()
{
    StringStackStorage& stack = Stack();
    const StackEntry& left = Second(stack);
    const StackEntry& right = Top(stack);
    std::int32_t result = CompareBlankPadded(left, right, std::min(left.length, right.length));
    DropTwo(stack);
    return result;
}

void ForceLength(std::uint32_t n)
{
    StringStackStorage& stack = Stack();
    StackEntry& top = Top(stack);
    if (top.length >= n) {
        top.length = n;
        return;
    }
    char* block = AllocateZeroedBlock(n);
    if (block == nullptr)
        return;
    AssignString(block, n, top.address, top.length);
    DropTop(stack);
    PushOwned(block, n);
}

void BringToTop(std::uint8_t d)
{
    StringStackStorage& stack = Stack();
    assert(d < stack.depth && "no entry that deep");
    if (d == 0 || d >= stack.depth)
        return;
    int from = stack.depth - 1 - d;
    StackEntry moved;
    MoveEntry(moved, stack.entries[from]);
    for (int i = from; i < stack.depth - 1; ++i)
        MoveEntry(stack.entries[i], stack.entries[i + 1]);
    MoveEntry(stack.entries[stack.depth - 1], moved);
}

} // namespace value
