#include <value/Decimal.h>
#include <value/RuntimeThread.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

namespace value {

namespace {

constexpr int kTopPosition = kDecimalPositions - 1;
constexpr int kMaxPlaces = kUnitsPosition;

// The arithmetic reads eight digit bytes at a time as one 64-bit word, the lowest position in
// the lowest byte.
static_assert(std::endian::native == std::endian::little, "digit words are read little-endian");
constexpr int kWordDigits = 8;
constexpr std::uint64_t kByteOnes = 0x0101010101010101;
/// The complement that makes a byte of 10 or more carry out: 246 + 10 = 256.
constexpr std::uint64_t kCarryBias = 0xF6;

[[gnu::always_inline]] inline std::uint64_t LoadWord(const std::uint8_t* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

[[gnu::always_inline]] inline void StoreWord(std::uint8_t* bytes, std::uint64_t word)
{
    std::memcpy(bytes, &word, sizeof word);
}

/// Adds two words of digits and a carry into the lowest byte; answers the word of digits and
/// sets `carry` to the carry out of the highest byte. Each byte of `x` is biased by 246, so
/// that a digit sum of 10 or more overflows its byte and the ordinary binary carry moves it on;
/// the bytes that did not carry out lose the bias again.
[[gnu::always_inline]] inline std::uint64_t AddDigitWords(
    std::uint64_t x, std::uint64_t y, std::uint64_t& carry)
{
    const std::uint64_t biased = x + kCarryBias * kByteOnes;
    const std::uint64_t partial = biased + y;
    const std::uint64_t sum = partial + carry;
    carry = (partial < biased || sum < partial) ? 1 : 0;
    // Bit 8k of biased ^ y ^ sum is the carry into byte k.
    const std::uint64_t carriedOut = (((biased ^ y ^ sum) >> 8) & kByteOnes) | (carry << 56);
    return sum - (~carriedOut & kByteOnes) * kCarryBias;
}

/// Subtracts a word of digits and a borrow from the lowest byte; answers the word of digits
/// and sets `borrow` to the borrow out of the highest byte. A byte whose difference is
/// negative borrows from the next exactly as the binary subtraction does, and holds 256 + d
/// where the digit d + 10 belongs.
[[gnu::always_inline]] inline std::uint64_t SubtractDigitWords(
    std::uint64_t x, std::uint64_t y, std::uint64_t& borrow)
{
    const std::uint64_t partial = x - y;
    const std::uint64_t difference = partial - borrow;
    borrow = (x < y || partial < borrow) ? 1 : 0;
    // Bit 8k of x ^ y ^ difference is the borrow into byte k.
    const std::uint64_t borrowedOut = (((x ^ y ^ difference) >> 8) & kByteOnes) | (borrow << 56);
    return difference - borrowedOut * kCarryBias;
}

/// The bytes `from` to `to` (0-7, either may lie outside) of a word.
[[gnu::always_inline]] inline std::uint64_t ByteRangeMask(int from, int to)
{
    const std::uint64_t above
        = from <= 0 ? ~std::uint64_t { 0 } : ~std::uint64_t { 0 } << (8 * from);
    const std::uint64_t below
        = to >= 7 ? ~std::uint64_t { 0 } : ~(~std::uint64_t { 0 } << (8 * (to + 1)));
    return above & below;
}

/// Bytes of 0 then of 0xFF, and the reverse: eight bytes read from the right place give the
/// mask of the positions at or above a register's low, or at or below its high.
constexpr auto kFromLowMasks = [] {
    std::array<std::uint8_t, 2 * kDecimalPositions> bytes {};
    for (int i = kDecimalPositions; i < 2 * kDecimalPositions; ++i)
        bytes[static_cast<std::size_t>(i)] = 0xFF;
    return bytes;
}();
constexpr auto kToHighMasks = [] {
    std::array<std::uint8_t, 2 * kDecimalPositions> bytes {};
    for (int i = 0; i < kDecimalPositions; ++i)
        bytes[static_cast<std::size_t>(i)] = 0xFF;
    return bytes;
}();

/// The word `index` (0-7) of a register's digits, its bytes outside low..high 0.
[[gnu::always_inline]] inline std::uint64_t RegisterWord(
    const std::uint8_t* digits, int low, int high, int index)
{
    const int base = index * kWordDigits;
    // Position base + k is at or above low when byte base + k - low + 64 of the first table is
    // set, and at or below high when byte base + k - high + 63 of the second is.
    return LoadWord(digits + base)
        & LoadWord(kFromLowMasks.data() + (base - low + kDecimalPositions))
        & LoadWord(kToHighMasks.data() + (base - high + kDecimalPositions - 1));
}

/// A register's digits with its low and high held apart, so that writing a result into the
/// same register's digits does not make them read again.
struct WordSource {
    const std::uint8_t* digits;
    int low;
    int high;

    explicit WordSource(const DecimalRegister& reg)
        : digits(reg.digits)
        , low(reg.low)
        , high(reg.high)
    {
    }
    std::uint64_t Word(int index) const { return RegisterWord(digits, low, high, index); }
};

/// A limb of eight digits, base 10^8: the products of two fit a 64-bit word with room to add
/// eight of them, and a limb converts to and from a word of digit bytes without division.
constexpr std::uint64_t kLimbBase = 100'000'000;
/// Limbs for a numerator of up to 95 shifted places and 64 digits, and one more.
constexpr int kMaxLimbs = 21;

/// The value of a word of eight digit bytes, the lowest position in the lowest byte.
[[gnu::always_inline]] inline std::uint64_t WordValue(std::uint64_t word)
{
    word = (word & 0x00FF00FF00FF00FF) + ((word >> 8) & 0x00FF00FF00FF00FF) * 10;
    word = (word & 0x0000FFFF0000FFFF) + ((word >> 16) & 0x0000FFFF0000FFFF) * 100;
    return (word & 0xFFFFFFFF) + (word >> 32) * 10000;
}

/// The eight digit bytes of a limb below 10^8, the lowest digit in the lowest byte.
[[gnu::always_inline]] inline std::uint64_t LimbDigits(std::uint64_t limb)
{
    // Two lanes of four digits, then four of two, then eight of one; x / 100 is
    // (x * 5243) >> 19 below 10^4 and x / 10 is (x * 103) >> 10 below 100.
    std::uint64_t word = (limb % 10000) | ((limb / 10000) << 32);
    std::uint64_t high = ((word * 5243) >> 19) & 0x0000007F0000007F;
    word = (word - high * 100) | (high << 16);
    high = ((word * 103) >> 10) & 0x000F000F000F000F;
    return (word - high * 10) | (high << 8);
}

/// The digit bytes of positions from..from+7 of a register, 0 outside low..high.
[[gnu::always_inline]] inline std::uint64_t DigitsFrom(const DecimalRegister& reg, int from)
{
    const int first = std::max(from, int { reg.low });
    const int last = std::min(from + kWordDigits - 1, int { reg.high });
    if (first > last)
        return 0;
    if (from >= 0 && from <= kDecimalPositions - kWordDigits) {
        // Within the register, the masks come from the tables as for RegisterWord.
        return LoadWord(reg.digits + from)
            & LoadWord(kFromLowMasks.data() + (from - reg.low + kDecimalPositions))
            & LoadWord(kToHighMasks.data() + (from - reg.high + kDecimalPositions - 1));
    }
    // from lies within -7..63 here; read the register's own bytes and move them into place.
    const int base = std::clamp(from, 0, kDecimalPositions - kWordDigits);
    std::uint64_t word = LoadWord(reg.digits + base);
    const int shift = from - base;
    word = shift >= 0 ? word >> (8 * shift) : word << (-8 * shift);
    return word & ByteRangeMask(first - from, last - from);
}

/// The digits low..high of a register, shifted up by `zeros` places, as limbs least
/// significant first; answers their count without leading zero limbs.
int ToLimbs(const DecimalRegister& reg, int zeros, std::uint64_t* limbs)
{
    int limbCount = (zeros + reg.high - reg.low + kWordDigits) / kWordDigits;
    for (int limb = 0; limb < limbCount; ++limb)
        limbs[limb] = WordValue(DigitsFrom(reg, reg.low - zeros + limb * kWordDigits));
    while (limbCount > 0 && limbs[limbCount - 1] == 0)
        --limbCount;
    return limbCount;
}

/// Writes the result's digits low..high from `digits` (the one at `low` first), lowers `high`
/// past leading zeros as TrimHigh does and gives a zero the positive sign.
void StoreResult(DecimalRegister& reg, const std::uint8_t* digits, int low, int high, bool negative)
{
    const int count = high - low + 1;
    std::uint64_t any = 0;
    int i = 0;
    for (; i + kWordDigits <= count; i += kWordDigits) {
        const std::uint64_t word = LoadWord(digits + i);
        StoreWord(reg.digits + low + i, word);
        any |= word;
    }
    for (; i < count; ++i) {
        reg.digits[low + i] = digits[i];
        any |= digits[i];
    }
    const bool zero = any == 0;
    const int floor = std::max(low, kUnitsPosition);
    while (high > floor && reg.digits[high] == 0)
        --high;
    reg.low = static_cast<std::uint8_t>(low);
    reg.high = static_cast<std::uint8_t>(std::max(high, low));
    reg.sign = negative && !zero ? 1 : 0;
}

DecimalStackStorage& Stack()
{
    return CurrentRuntimeThread().decimalStack;
}

void SetZero(DecimalRegister& reg)
{
    reg.digits[kUnitsPosition] = 0;
    reg.sign = 0;
    reg.low = kUnitsPosition;
    reg.high = kUnitsPosition;
}

bool IsZero(const DecimalRegister& reg)
{
    for (int position = reg.low; position <= reg.high; ++position)
        if (reg.digits[position] != 0)
            return false;
    return true;
}

/// A fresh top register, or null when all ten are in use.
DecimalRegister* NewTop()
{
    DecimalStackStorage& stack = Stack();
    if (stack.count >= kDecimalRegisters)
        return nullptr;
    return &stack.registers[stack.count++];
}

/// Removes the top into `out`; an empty stack gives 0.
void PopInto(DecimalRegister& out)
{
    DecimalStackStorage& stack = Stack();
    if (stack.count == 0) {
        SetZero(out);
        return;
    }
    out = stack.registers[--stack.count];
}

/// Lowers `high` past leading zeros, keeping at least the units (or `low`, when higher).
void TrimHigh(DecimalRegister& reg)
{
    const int floor = std::max<int>(reg.low, kUnitsPosition);
    while (reg.high > floor && reg.digits[reg.high] == 0)
        --reg.high;
    if (reg.high < reg.low)
        reg.high = reg.low;
}

/// Stores the digits of positions `low` to `high`, `digits` holding the one at `low` first,
/// into the register.
void Fill(DecimalRegister& reg, const std::uint8_t* digits, int low, int high, bool negative)
{
    reg.low = static_cast<std::uint8_t>(low);
    reg.high = static_cast<std::uint8_t>(high);
    std::memcpy(reg.digits + low, digits, static_cast<std::size_t>(high - low + 1));
    reg.sign = negative ? 1 : 0;
    TrimHigh(reg);
    if (IsZero(reg))
        reg.sign = 0;
}

/// The register for the binary operations: the second is replaced, the top removed. With
/// fewer than two registers the missing operands read as 0 and a result is still left.
struct Operands {
    DecimalRegister left;
    DecimalRegister right;
    DecimalRegister* result;
};

Operands TakeOperands()
{
    Operands operands {};
    PopInto(operands.right);
    PopInto(operands.left);
    operands.result = NewTop(); // one was just freed, so this always succeeds
    return operands;
}

// Packed storage is read and written four bytes at a time, from its last byte backwards: the
// eight nibbles of four bytes are a word of eight digits, the last byte's low nibble lowest, so
// that they run upwards as the register's positions do.

/// Up to four bytes read as one number, the last byte lowest.
std::uint32_t ReadBigEndian(const std::uint8_t* bytes, int count)
{
    if (count == 4) {
        std::uint32_t packed;
        std::memcpy(&packed, bytes, sizeof packed);
        return __builtin_bswap32(packed);
    }
    std::uint32_t packed = 0;
    for (int b = 0; b < count; ++b)
        packed = packed << 8 | bytes[b];
    return packed;
}

/// Writes the low `count` bytes of a number, up to four, the lowest byte last.
void WriteBigEndian(std::uint32_t packed, std::uint8_t* bytes, int count)
{
    if (count == 4) {
        const std::uint32_t stored = __builtin_bswap32(packed);
        std::memcpy(bytes, &stored, sizeof stored);
        return;
    }
    for (int b = count - 1; b >= 0; --b, packed >>= 8)
        bytes[b] = static_cast<std::uint8_t>(packed);
}

/// The eight nibbles of four bytes read as ReadBigEndian does, the lowest first; a nibble above
/// 9 reads as 0.
[[gnu::always_inline]] inline std::uint64_t UnpackFour(std::uint32_t packed)
{
    const auto spread = [](std::uint32_t four) {
        std::uint64_t word = four;
        word = (word | word << 16) & 0x0000FFFF0000FFFF;
        return (word | word << 8) & 0x00FF00FF00FF00FF;
    };
    const std::uint64_t nibbles
        = spread(packed & 0x0F0F0F0F) | spread((packed >> 4) & 0x0F0F0F0F) << 8;
    const std::uint64_t aboveNine = ((nibbles + 0x7676767676767676) >> 7) & kByteOnes;
    return nibbles & ~(aboveNine * 0xFF);
}

/// Eight nibbles, the lowest first, as four bytes for WriteBigEndian.
[[gnu::always_inline]] inline std::uint32_t PackFour(std::uint64_t nibbles)
{
    std::uint64_t pairs = (nibbles & 0x000F000F000F000F) | ((nibbles >> 4) & 0x00F000F000F000F0);
    pairs = (pairs | pairs >> 8) & 0x0000FFFF0000FFFF;
    return static_cast<std::uint32_t>(pairs | pairs >> 16);
}

std::uint8_t NibbleDigit(int nibble)
{
    return static_cast<std::uint8_t>(nibble > 9 ? 0 : nibble);
}

/// The digits of positions `position` to `position` + 7 (from -8 to 64) as a word, those
/// outside low..high read as 0. Taken from the two words that hold them, so that it reads
/// whole words as the arithmetic stored them.
[[gnu::always_inline]] inline std::uint64_t DigitsAt(const DecimalRegister& reg, int position)
{
    const int k = (position + 8) / 8 - 1;
    const int shift = 8 * ((position + 8) % 8);
    const std::uint64_t lower = k >= 0 && k < kDecimalPositions / kWordDigits
        ? RegisterWord(reg.digits, reg.low, reg.high, k)
        : 0;
    if (shift == 0)
        return lower;
    const std::uint64_t upper = k + 1 < kDecimalPositions / kWordDigits
        ? RegisterWord(reg.digits, reg.low, reg.high, k + 1)
        : 0;
    return lower >> shift | upper << (64 - shift);
}

/// Unpacks all `count` bytes into the register, the lowest digit at `low`, when every digit
/// lands on a register position. The nibbles run from position low - 1 (PDECIMAL's sign) or
/// low (DECIMAL's last digit) upwards; they are gathered into whole words of the register, so
/// that the arithmetic reads back exactly the words written here. Positions outside the field
/// receive whatever falls there (zeros, the sign nibble); they are not part of the value.
void UnpackWhole(
    const std::uint8_t* bytes, int count, int low, int firstNibble, DecimalRegister& reg)
{
    const int base = low - (1 - firstNibble); // -1 at the least
    const int shift = 8 * ((base + 8) % 8);
    int k = (base + 8) / 8 - 1; // the word holding position `base`
    std::uint64_t pending = 0;  // the lower part of word k, when shift is not 0
    const std::uint8_t* end = bytes + count;
    for (int i = 0; i < count; i += 4, ++k) {
        const int taken = std::min(count - i, 4); // less at the start of an odd size
        const std::uint64_t eight = UnpackFour(ReadBigEndian(end - i - taken, taken));
        const std::uint64_t word = shift == 0 ? eight : pending | eight << shift;
        pending = shift == 0 ? 0 : eight >> (64 - shift);
        if (k >= 0 && k < kDecimalPositions / kWordDigits)
            StoreWord(reg.digits + 8 * k, word);
    }
    if (shift != 0 && k < kDecimalPositions / kWordDigits)
        StoreWord(reg.digits + 8 * k, pending);
}

/// Writes the register's digits from `low` on into 2 * size - 1 nibbles from `firstNibble` on,
/// when every position they take is a register position (size at most 32); answers whether any
/// digit written is not zero.
bool PackWhole(
    const DecimalRegister& reg, std::uint8_t* bytes, std::uint32_t size, int low, int firstNibble)
{
    const auto count = static_cast<int>(size);
    const int fieldHigh = low + 2 * count - 2;
    std::uint64_t any = 0;
    std::uint8_t* end = bytes + count;
    for (int i = 0; i < count; i += 4) {
        const int position = low - (1 - firstNibble) + 2 * i;
        const std::uint64_t eight
            = DigitsAt(reg, position) & ByteRangeMask(low - position, fieldHigh - position);
        any |= eight;
        const int taken = std::min(count - i, 4); // less at the start of an odd size
        WriteBigEndian(PackFour(eight), end - i - taken, taken);
    }
    return any != 0;
}

/// Unpacks 2 * size - 1 digit nibbles; `firstNibble` is the index of the first digit nibble
/// (1 for DECIMAL, whose sign comes first; 0 for PDECIMAL).
void PushPacked(const std::uint8_t* bytes, std::uint32_t size, std::uint32_t places,
    int firstNibble, bool negative)
{
    DecimalRegister* reg = NewTop();
    if (reg == nullptr)
        return;
    const std::int64_t digitCount = 2 * std::int64_t { size } - 1;
    const std::int64_t low = std::int64_t { kUnitsPosition } - places;
    const std::int64_t high = low + digitCount - 1;
    const std::int64_t usedLow = std::max<std::int64_t>(low, 0);
    const std::int64_t usedHigh = std::min<std::int64_t>(high, kTopPosition);
    if (size == 0 || usedHigh < usedLow) {
        SetZero(*reg);
        return;
    }
    if (usedLow == low && usedHigh == high) {
        // Every digit lands in the register, so size is at most 32.
        UnpackWhole(bytes, static_cast<int>(size), static_cast<int>(low), firstNibble, *reg);
    } else {
        for (std::int64_t position = usedLow; position <= usedHigh; ++position) {
            const std::int64_t nibble = firstNibble + (high - position);
            const std::uint8_t byte = bytes[nibble / 2];
            reg->digits[position] = NibbleDigit(nibble % 2 == 0 ? byte >> 4 : byte & 0x0F);
        }
    }
    reg->low = static_cast<std::uint8_t>(usedLow);
    reg->high = static_cast<std::uint8_t>(usedHigh);
    reg->sign = negative ? 1 : 0;
}

/// Rounds the top to `places` and writes its digits into 2 * size - 1 nibbles from
/// `firstNibble` on; answers whether the stored value is negative (a stored zero is not). The
/// sign's nibble is the caller's to write.
bool PopPacked(std::uint8_t* bytes, std::uint32_t size, std::uint32_t places, int firstNibble)
{
    DecimalStackStorage& stack = Stack();
    DecimalRegister zero;
    DecimalRegister* top = &zero;
    if (stack.count > 0)
        top = &stack.registers[--stack.count];
    else
        SetZero(zero);
    DecimalRegister& reg = *top;
    RoundDecimal(reg, places);
    const std::int64_t digitCount = 2 * std::int64_t { size } - 1;
    const std::int64_t low = std::int64_t { kUnitsPosition } - places;
    const std::int64_t high = low + digitCount - 1;
    if (low >= 0 && high <= kTopPosition)
        return PackWhole(reg, bytes, size, static_cast<int>(low), firstNibble) && reg.sign != 0;
    bool anyDigit = false;
    for (std::int64_t k = 0; k < digitCount; ++k) {
        const std::int64_t position = high - k;
        const int digit = position >= 0 && position <= kTopPosition
            ? reg.DigitAt(static_cast<int>(position))
            : 0;
        anyDigit = anyDigit || digit != 0;
        const std::int64_t nibble = firstNibble + k;
        std::uint8_t& byte = bytes[nibble / 2];
        byte = nibble % 2 == 0 ? static_cast<std::uint8_t>((byte & 0x0F) | (digit << 4))
                               : static_cast<std::uint8_t>((byte & 0xF0) | digit);
    }
    return anyDigit && reg.sign != 0;
}

/// Compares magnitudes: -1, 0 or 1.
int CompareMagnitudes(const DecimalRegister& a, const DecimalRegister& b)
{
    const int low = std::min(a.low, b.low);
    for (int position = std::max(a.high, b.high); position >= low; --position) {
        const int difference = a.DigitAt(position) - b.DigitAt(position);
        if (difference != 0)
            return difference < 0 ? -1 : 1;
    }
    return 0;
}

int SignClass(const DecimalRegister& reg)
{
    return DecimalSign(reg);
}

int Compare(const DecimalRegister& left, const DecimalRegister& right)
{
    const int leftClass = SignClass(left);
    const int rightClass = SignClass(right);
    if (leftClass != rightClass)
        return leftClass < rightClass ? -1 : 1;
    const int magnitude = CompareMagnitudes(left, right);
    return leftClass < 0 ? -magnitude : magnitude;
}

/// left + right, with `rightSign` in place of the right register's own sign. `result` may be
/// the left register.
void Add(const DecimalRegister& left, const DecimalRegister& right, std::uint8_t rightSign,
    DecimalRegister& result)
{
    const int low = std::min(left.low, right.low);
    const int high = std::max(left.high, right.high);
    const std::uint8_t leftSign = left.sign;
    const WordSource x(left);
    const WordSource y(right);
    // The words from the one holding `low` to the one holding high + 1, where a carry lands;
    // a carry past position 63 is cut. Each word of the result is written once both operands'
    // words have been read, so `result` may be the left register. Whole words are written: the
    // positions outside low..high are not part of the value.
    const int first = low / kWordDigits;
    const int last = std::min((high + 1) / kWordDigits, kDecimalPositions / kWordDigits - 1);
    std::uint8_t* out = result.digits;
    bool negative = leftSign != 0;
    if (leftSign == rightSign) {
        std::uint64_t carry = 0;
        for (int word = first; word <= last; ++word)
            StoreWord(out + word * kWordDigits, AddDigitWords(x.Word(word), y.Word(word), carry));
    } else {
        std::uint64_t borrow = 0;
        for (int word = first; word <= last; ++word)
            StoreWord(
                out + word * kWordDigits, SubtractDigitWords(x.Word(word), y.Word(word), borrow));
        if (borrow != 0) {
            // The right magnitude is the larger: the words hold left - right + 10^(8 * (last +
            // 1)), and subtracting them from 0 over the same words leaves right - left.
            borrow = 0;
            for (int word = first; word <= last; ++word)
                StoreWord(out + word * kWordDigits,
                    SubtractDigitWords(0, LoadWord(out + word * kWordDigits), borrow));
            negative = rightSign != 0;
        }
    }
    int top = -1; // the highest position whose digit is not 0
    for (int word = last; word >= first; --word) {
        const std::uint64_t digits = LoadWord(out + word * kWordDigits);
        if (digits != 0) {
            top = word * kWordDigits + (63 - std::countl_zero(digits)) / 8;
            break;
        }
    }
    const bool grows = top > high; // only a carry lies above high
    const int floor = std::max(low, kUnitsPosition);
    const int newHigh = grows ? top : high > floor ? std::max(top, floor) : high;
    result.low = static_cast<std::uint8_t>(low);
    result.high = static_cast<std::uint8_t>(newHigh);
    result.sign = negative && top >= 0 ? 1 : 0;
}

/// The product of the registers, `result` may be either. Position i times position j lands
/// on i + j - 32; what falls below position 0 or above 63 is cut.
void Multiply(const DecimalRegister& left, const DecimalRegister& right, DecimalRegister& result)
{
    const bool negative = left.sign != right.sign;
    const int offset = left.low + right.low - kUnitsPosition; // the product's lowest digit
    const int low = std::max(offset, 0);
    const int high = std::clamp(left.high + right.high + 1 - kUnitsPosition, low, kTopPosition);
    std::uint64_t a[kDecimalPositions / kWordDigits];
    std::uint64_t b[kDecimalPositions / kWordDigits];
    const int aCount = ToLimbs(left, 0, a);
    const int bCount = ToLimbs(right, 0, b);
    std::uint64_t product[2 * kDecimalPositions / kWordDigits] = {};
    for (int i = 0; i < aCount; ++i)
        for (int j = 0; j < bCount; ++j)
            product[i + j] += a[i] * b[j];
    // Product digits from `offset` up; low - offset is below 32 + 1 and high - offset below
    // the product's length, so the buffer covers every digit read.
    alignas(8) std::uint8_t digits[2 * kDecimalPositions + kWordDigits] = {};
    // Only the limbs holding product digits low - offset to high - offset are written out.
    const int firstNeeded = (low - offset) / kWordDigits;
    const int lastNeeded = std::min((high - offset) / kWordDigits, aCount + bCount - 1);
    std::uint64_t carry = 0;
    for (int k = 0; k <= lastNeeded; ++k) {
        const std::uint64_t column = product[k] + carry;
        carry = column / kLimbBase;
        if (k >= firstNeeded)
            StoreWord(digits + k * kWordDigits, LimbDigits(column % kLimbBase));
    }
    StoreResult(result, digits + (low - offset), low, high, negative);
}

/// The single position holding 1 when the register is a power of ten, else -1.
int PowerOfTenPosition(const DecimalRegister& reg)
{
    int found = -1;
    for (int position = reg.low; position <= reg.high; ++position) {
        if (reg.digits[position] == 0)
            continue;
        if (reg.digits[position] != 1 || found >= 0)
            return -1;
        found = position;
    }
    return found;
}

/// A dividend shifted down by `shift` positions (up when negative); what leaves the register
/// is cut.
void Shift(const DecimalRegister& dividend, int shift, bool negative, DecimalRegister& result)
{
    std::uint8_t digits[kDecimalPositions] = {};
    int low = kTopPosition;
    int high = 0;
    for (int position = dividend.low; position <= dividend.high; ++position) {
        const int target = position - shift;
        if (target < 0 || target > kTopPosition)
            continue;
        digits[target] = dividend.digits[position];
        low = std::min(low, target);
        high = std::max(high, target);
    }
    if (low > high) {
        SetZero(result);
        return;
    }
    low = std::min(low, kUnitsPosition);
    high = std::max(high, kUnitsPosition);
    Fill(result, digits + low, low, high, negative);
}

/// Multiplies limbs by `factor` (below the base) in place and answers the carry out.
std::uint64_t ScaleLimbs(std::uint64_t* limbs, int count, std::uint64_t factor)
{
    std::uint64_t carry = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t product = limbs[i] * factor + carry;
        limbs[i] = product % kLimbBase;
        carry = product / kLimbBase;
    }
    return carry;
}

/// Long division on limbs. Both operands are read as whole numbers of units of 10^-32; the
/// dividend is scaled by a further 10^32 so that the quotient comes out in the same units, cut
/// toward zero, and the quotient's digits above position 63 are cut. `result` may be either
/// operand.
void LongDivide(const DecimalRegister& dividend, const DecimalRegister& divisor, bool negative,
    DecimalRegister& result)
{
    // dividend * 10^(dividend.low + 32) / (divisor * 10^divisor.low), the digits in use taken
    // as whole numbers: the difference of the powers goes to whichever side keeps it whole.
    const int shift = dividend.low + kUnitsPosition - divisor.low;
    std::uint64_t u[kMaxLimbs + 1] = {};
    std::uint64_t v[kMaxLimbs];
    const int uCount = ToLimbs(dividend, std::max(shift, 0), u);
    const int n = ToLimbs(divisor, std::max(-shift, 0), v); // not zero: at least one limb
    std::uint64_t q[kMaxLimbs] = {};
    if (n == 1) {
        std::uint64_t rest = 0;
        for (int j = uCount - 1; j >= 0; --j) {
            const std::uint64_t part = rest * kLimbBase + u[j];
            q[j] = part / v[0];
            rest = part % v[0];
        }
    } else if (uCount >= n) {
        // Knuth's algorithm D: scaled so that the divisor's top limb is at least half the base,
        // each quotient limb estimated from the top two limbs is at most two too large.
        const std::uint64_t scale = kLimbBase / (v[n - 1] + 1);
        ScaleLimbs(v, n, scale);
        u[uCount] = ScaleLimbs(u, uCount, scale);
        for (int j = uCount - n; j >= 0; --j) {
            const std::uint64_t top = u[j + n] * kLimbBase + u[j + n - 1];
            std::uint64_t estimate = top / v[n - 1];
            std::uint64_t rest = top % v[n - 1];
            while (estimate >= kLimbBase || estimate * v[n - 2] > rest * kLimbBase + u[j + n - 2]) {
                --estimate;
                rest += v[n - 1];
                if (rest >= kLimbBase)
                    break;
            }
            // Subtract estimate * divisor from u[j..j+n].
            std::uint64_t carry = 0;
            std::uint64_t borrow = 0;
            for (int i = 0; i < n; ++i) {
                const std::uint64_t product = estimate * v[i] + carry;
                carry = product / kLimbBase;
                const std::uint64_t subtrahend = product % kLimbBase + borrow;
                borrow = u[i + j] < subtrahend ? 1 : 0;
                u[i + j] = u[i + j] + borrow * kLimbBase - subtrahend;
            }
            const std::uint64_t subtrahend = carry + borrow;
            if (u[j + n] < subtrahend) {
                // One too large: add the divisor back; the carry out cancels the borrow.
                --estimate;
                std::uint64_t addCarry = 0;
                for (int i = 0; i < n; ++i) {
                    const std::uint64_t sum = u[i + j] + v[i] + addCarry;
                    addCarry = sum >= kLimbBase ? 1 : 0;
                    u[i + j] = sum - addCarry * kLimbBase;
                }
                u[j + n] = u[j + n] + addCarry - subtrahend;
            } else {
                u[j + n] -= subtrahend;
            }
            q[j] = estimate;
        }
    }
    // Quotient digit k is position k: the first eight limbs.
    alignas(8) std::uint8_t digits[kDecimalPositions];
    for (int limb = 0; limb < kDecimalPositions / kWordDigits; ++limb)
        StoreWord(digits + limb * kWordDigits, LimbDigits(q[limb]));
    int low = kUnitsPosition;
    for (int word = 0; word < kUnitsPosition / kWordDigits; ++word) {
        const std::uint64_t bytes = LoadWord(digits + word * kWordDigits);
        if (bytes != 0) {
            low = word * kWordDigits + std::countr_zero(bytes) / 8;
            break;
        }
    }
    StoreResult(result, digits + low, low, kTopPosition, negative);
}

void Divide(const DecimalRegister& left, const DecimalRegister& right, DecimalRegister& result)
{
    if (IsZero(right)) {
        SetZero(result);
        return;
    }
    const bool negative = left.sign != right.sign;
    const int power = PowerOfTenPosition(right);
    if (power >= 0)
        Shift(left, power - kUnitsPosition, negative, result);
    else
        LongDivide(left, right, negative, result);
}

void AddOperands(const DecimalRegister& left, const DecimalRegister& right, DecimalRegister& result)
{
    Add(left, right, right.sign, result);
}

/// A binary operation on a stack of fewer than two registers: the missing operands read as 0.
/// The operations work in place on the stack otherwise; this path is kept out of their way.
[[gnu::cold, gnu::noinline]] void ApplyToFewOperands(
    void (*operation)(const DecimalRegister&, const DecimalRegister&, DecimalRegister&),
    bool negateRight)
{
    Operands operands = TakeOperands();
    if (negateRight)
        operands.right.sign ^= 1;
    operation(operands.left, operands.right, *operands.result);
}

/// Pushes a whole number's magnitude.
void PushMagnitude(std::uint64_t magnitude, bool negative)
{
    DecimalRegister* reg = NewTop();
    if (reg == nullptr)
        return;
    SetZero(*reg);
    int position = kUnitsPosition;
    while (magnitude != 0) {
        reg->digits[position] = static_cast<std::uint8_t>(magnitude % 10);
        reg->high = static_cast<std::uint8_t>(position++);
        magnitude /= 10;
    }
    reg->sign = negative && !IsZero(*reg) ? 1 : 0;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// The exponent after "e": an optional "-" and digits, held within a range that already moves
/// every digit out of the register.
int ParseExponent(const char* text)
{
    const bool negative = *text == '-';
    if (negative)
        ++text;
    int exponent = 0;
    for (; IsDigit(*text); ++text)
        exponent = std::min(exponent * 10 + (*text - '0'), 1000);
    return negative ? -exponent : exponent;
}

} // namespace

bool DecimalRegister::CheckInvariants() const
{
    if (low > high || high > kTopPosition || sign > 1)
        return false;
    for (int position = low; position <= high; ++position)
        if (digits[position] > 9)
            return false;
    return true;
}

int DecimalDepth()
{
    return Stack().count;
}

const DecimalRegister& DecimalAt(int index)
{
    const DecimalStackStorage& stack = Stack();
    assert(index >= 0 && index < stack.count);
    return stack.registers[index];
}

DecimalRegister& TopDecimal()
{
    DecimalStackStorage& stack = Stack();
    assert(stack.count > 0 && "the decimal stack is empty");
    return stack.registers[stack.count - 1];
}

void ResetDecimalStack()
{
    Stack().count = 0;
}

void PushDecimal(const void* address, std::uint32_t size, std::uint32_t places)
{
    const auto* bytes = static_cast<const std::uint8_t*>(address);
    const bool negative = size != 0 && (bytes[0] >> 4) != 0;
    PushPacked(bytes, size, places, 1, negative);
}

void PushPDecimal(const void* address, std::uint32_t size, std::uint32_t places)
{
    const auto* bytes = static_cast<const std::uint8_t*>(address);
    const bool negative = size != 0 && (bytes[size - 1] & 0x0F) == 0x0D;
    PushPacked(bytes, size, places, 0, negative);
}

void PushLongDecimal(std::int32_t value)
{
    const std::int64_t wide = value;
    PushMagnitude(static_cast<std::uint64_t>(wide < 0 ? -wide : wide), wide < 0);
}

void PushULongDecimal(std::uint32_t value)
{
    PushMagnitude(value, false);
}

void PushTextDecimal(const char* text)
{
    DecimalRegister* reg = NewTop();
    if (reg == nullptr)
        return;
    SetZero(*reg);
    if (text == nullptr)
        return;
    while (*text == ' ' || *text == '\t')
        ++text;
    const bool negative = *text == '-';
    if (negative)
        ++text;
    const char* integer = text;
    while (IsDigit(*text))
        ++text;
    const int integerDigits = static_cast<int>(text - integer);
    const char* places = text;
    int placeDigits = 0;
    if (*text == '.' || *text == ',') {
        places = ++text;
        while (IsDigit(*text))
            ++text;
        placeDigits = static_cast<int>(text - places);
    }
    if (integerDigits + placeDigits == 0)
        return;
    const int exponent = *text == 'e' || *text == 'E' ? ParseExponent(text + 1) : 0;

    // The digit `power` places above the units lands on position 32 + power + exponent.
    std::uint8_t digits[kDecimalPositions] = {};
    int low = kUnitsPosition;
    int high = kUnitsPosition;
    const auto place = [&](char c, std::int64_t power) {
        const std::int64_t position = kUnitsPosition + power + exponent;
        if (position < 0 || position > kTopPosition)
            return;
        digits[position] = static_cast<std::uint8_t>(c - '0');
        low = std::min(low, static_cast<int>(position));
        high = std::max(high, static_cast<int>(position));
    };
    for (int i = 0; i < integerDigits; ++i)
        place(integer[i], std::int64_t { integerDigits } - 1 - i);
    for (int i = 0; i < placeDigits; ++i)
        place(places[i], -1 - std::int64_t { i });
    Fill(*reg, digits + low, low, high, negative);
}

void PopToDecimal(void* address, std::uint32_t size, std::uint32_t places)
{
    if (size == 0) {
        DecimalRegister discarded;
        PopInto(discarded);
        return;
    }
    auto* bytes = static_cast<std::uint8_t*>(address);
    const bool negative = PopPacked(bytes, size, places, 1);
    bytes[0] = static_cast<std::uint8_t>((bytes[0] & 0x0F) | (negative ? 0xF0 : 0x00));
}

void PopToPDecimal(void* address, std::uint32_t size, std::uint32_t places)
{
    if (size == 0) {
        DecimalRegister discarded;
        PopInto(discarded);
        return;
    }
    auto* bytes = static_cast<std::uint8_t*>(address);
    const bool negative = PopPacked(bytes, size, places, 0);
    bytes[size - 1]
        = static_cast<std::uint8_t>((bytes[size - 1] & 0xF0) | (negative ? 0x0D : 0x0F));
}

std::uint32_t PopULong()
{
    DecimalRegister reg;
    PopInto(reg);
    std::uint32_t value = 0;
    for (int position = reg.high; position >= kUnitsPosition; --position)
        value = value * 10u + static_cast<std::uint32_t>(reg.DigitAt(position));
    return value;
}

std::int32_t PopLong()
{
    const bool negative = Stack().count > 0 && TopDecimal().sign != 0;
    const std::uint32_t magnitude = PopULong();
    return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

bool PopDecimalTruth()
{
    DecimalRegister reg;
    PopInto(reg);
    return !IsZero(reg);
}

void DropDecimal()
{
    DecimalStackStorage& stack = Stack();
    if (stack.count > 0)
        --stack.count;
}

int DecimalSign(const DecimalRegister& reg)
{
    if (IsZero(reg))
        return 0;
    return reg.sign != 0 ? -1 : 1;
}

int CompareDecimals()
{
    DecimalRegister right;
    DecimalRegister left;
    PopInto(right);
    PopInto(left);
    return Compare(left, right);
}

int CompareDecimalsMirrored()
{
    return -CompareDecimals();
}

void AddDecimals()
{
    DecimalStackStorage& stack = Stack();
    if (stack.count < 2) [[unlikely]] {
        ApplyToFewOperands(AddOperands, false);
        return;
    }
    --stack.count;
    DecimalRegister& left = stack.registers[stack.count - 1];
    const DecimalRegister& right = stack.registers[stack.count];
    Add(left, right, right.sign, left);
}

void SubtractDecimals()
{
    DecimalStackStorage& stack = Stack();
    if (stack.count < 2) [[unlikely]] {
        ApplyToFewOperands(AddOperands, true);
        return;
    }
    --stack.count;
    DecimalRegister& left = stack.registers[stack.count - 1];
    const DecimalRegister& right = stack.registers[stack.count];
    Add(left, right, right.sign ^ 1, left);
}

void MultiplyDecimals()
{
    DecimalStackStorage& stack = Stack();
    if (stack.count < 2) [[unlikely]] {
        ApplyToFewOperands(Multiply, false);
        return;
    }
    --stack.count;
    DecimalRegister& left = stack.registers[stack.count - 1];
    Multiply(left, stack.registers[stack.count], left);
}

void DivideDecimals()
{
    DecimalStackStorage& stack = Stack();
    if (stack.count < 2) [[unlikely]] {
        ApplyToFewOperands(Divide, false);
        return;
    }
    --stack.count;
    DecimalRegister& left = stack.registers[stack.count - 1];
    Divide(left, stack.registers[stack.count], left);
}

void RoundDecimal(DecimalRegister& reg, std::uint32_t places)
{
    if (places >= static_cast<std::uint32_t>(kMaxPlaces) + 1)
        return; // the register holds no more than 32 places
    const int newLow = kUnitsPosition - static_cast<int>(places);
    if (reg.low >= newLow)
        return;
    const bool roundUp = reg.DigitAt(newLow - 1) >= 5;
    if (reg.high < newLow) {
        reg.digits[newLow] = 0;
        reg.high = static_cast<std::uint8_t>(newLow);
    }
    reg.low = static_cast<std::uint8_t>(newLow);
    if (!roundUp)
        return;
    for (int position = newLow; position <= reg.high; ++position) {
        if (reg.digits[position] < 9) {
            ++reg.digits[position];
            return;
        }
        reg.digits[position] = 0;
    }
    if (reg.high < kTopPosition) { // a carry past the highest digit adds a leading 1
        ++reg.high;
        reg.digits[reg.high] = 1;
    }
}

void AbsDecimal()
{
    if (Stack().count > 0)
        TopDecimal().sign = 0;
}

void NegateDecimal()
{
    if (Stack().count > 0)
        TopDecimal().sign ^= 1;
}

int DecimalToText(const DecimalRegister& reg, char* buffer)
{
    int length = 0;
    if (DecimalSign(reg) < 0)
        buffer[length++] = '-';
    int position = std::max<int>(reg.high, kUnitsPosition);
    while (position > kUnitsPosition && reg.DigitAt(position) == 0)
        --position;
    for (; position >= kUnitsPosition; --position)
        buffer[length++] = static_cast<char>('0' + reg.DigitAt(position));
    if (reg.low < kUnitsPosition) {
        buffer[length++] = '.';
        for (position = kUnitsPosition - 1; position >= reg.low; --position)
            buffer[length++] = static_cast<char>('0' + reg.DigitAt(position));
    }
    return length;
}

} // namespace value
