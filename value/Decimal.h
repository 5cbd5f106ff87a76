#pragma once

#include <cstdint>

// Exact decimal arithmetic: DECIMAL and PDECIMAL values, and every expression that mixes them
// with whole numbers or text, are evaluated on a stack of unpacked decimal registers. Operands
// are pushed, the operations combine the top registers, and the result is popped into its
// destination, rounded half away from zero to the destination's places.
//
// Each thread has ten registers of its own, kept in its RuntimeThread (value/RuntimeThread.h):
// every function here works on the calling thread's registers and no other thread sees them.
//
// Nothing here reports an error: a destination too small for the integer digits keeps the low
// ones, PopLong and PopULong wrap modulo 2^32, a division by zero gives 0, and results beyond 32
// integer digits or 32 places are cut at the register's edge. The generated code keeps within
// ten registers; should a push find all ten in use it is refused and the stack left as it was,
// and a pop or an operation that finds too few registers takes the missing ones as 0.

namespace value {

inline constexpr int kDecimalRegisters = 10;
inline constexpr int kDecimalPositions = 64;
/// The position of the units digit; the places are below it, the tens and higher above it.
inline constexpr int kUnitsPosition = 32;
/// Room for the longest text DecimalToText writes: sign, 32 digits, point, 32 places.
inline constexpr int kDecimalTextCapacity = 66;

/// One unpacked register: a digit (0-9) per byte, position 32 the units. Only the positions
/// low..high belong to the value; the others may hold anything. Zero may carry either sign.
struct DecimalRegister {
    std::uint8_t digits[kDecimalPositions];
    std::uint8_t sign; ///< 0 positive, 1 negative
    std::uint8_t low;  ///< lowest position in use
    std::uint8_t high; ///< highest position in use

    /// The digit at `position`: 0 outside low..high.
    int DigitAt(int position) const
    {
        return position >= low && position <= high ? digits[position] : 0;
    }
    /// True when low <= high < 64 and every digit in use is 0 to 9.
    bool CheckInvariants() const;
};
static_assert(sizeof(DecimalRegister) == 67);

/// One thread's registers, bottom first; its RuntimeThread holds it.
struct DecimalStackStorage {
    std::uint8_t count = 0;
    DecimalRegister registers[kDecimalRegisters];
};

// Inspection. Index 0 is the bottom.
int DecimalDepth();
const DecimalRegister& DecimalAt(int index);
/// The top register; the stack must not be empty.
DecimalRegister& TopDecimal();
/// Empties the calling thread's register stack.
void ResetDecimalStack();

// Pushing. Sizes are in bytes, places in digits; both storage formats hold 2 * size - 1 digits,
// the last `places` of them decimal places.

/// Pushes a DECIMAL: the sign in the first nibble (any non-zero nibble reads as negative), then
/// the digits. A digit nibble above 9 reads as 0.
void PushDecimal(const void* address, std::uint32_t size, std::uint32_t places);
/// Pushes a PDECIMAL: the digits, then the sign in the last nibble (only 0xD reads as
/// negative). A digit nibble above 9 reads as 0.
void PushPDecimal(const void* address, std::uint32_t size, std::uint32_t places);
void PushLongDecimal(std::int32_t value);
void PushULongDecimal(std::uint32_t value);
/// Pushes the number a NUL-terminated text holds (null reads as empty): leading blanks, one
/// optional "-" (a "+" ends the number), integer digits, then "." or "," and the places, then
/// "e" or "E", an optional "-" and the exponent's digits. The first character that does not fit
/// ends the number; text without digits gives 0, and a zero is always positive. Digits beyond
/// the register's 32 integer digits or 32 places are cut.
void PushTextDecimal(const char* text);

// Popping.

/// Rounds the top to `places`, stores it as a DECIMAL and removes it. Integer digits that do
/// not fit are dropped; a stored zero is written positive.
void PopToDecimal(void* address, std::uint32_t size, std::uint32_t places);
/// As PopToDecimal, stored as a PDECIMAL (sign nibble 0xF positive, 0xD negative).
void PopToPDecimal(void* address, std::uint32_t size, std::uint32_t places);
/// Removes the top and answers its integer part modulo 2^32; the places are dropped.
std::uint32_t PopULong();
/// As PopULong, negated for a negative register: truncation toward zero, wrapping.
std::int32_t PopLong();
/// Removes the top and answers whether it is not zero.
bool PopDecimalTruth();
/// Removes the top.
void DropDecimal();

// Arithmetic. The binary operations replace the second register and the top by their result.

/// -1, 0 or 1; a zero of either sign answers 0.
int DecimalSign(const DecimalRegister& reg);
/// Compares the second register with the top, removes both and answers -1, 0 or 1. Zeros of
/// either sign are equal.
int CompareDecimals();
/// As CompareDecimals, comparing the top with the second.
int CompareDecimalsMirrored();
void AddDecimals();
/// Second minus top.
void SubtractDecimals();
/// The product, its places cut at the register's 32.
void MultiplyDecimals();
/// Second divided by top, cut (toward zero) at 32 places. A divisor that is a power of ten
/// moves the digits; a zero divisor gives 0.
void DivideDecimals();
/// Rounds to `places`, half away from zero; a register with no more places than that is left
/// as it is.
void RoundDecimal(DecimalRegister& reg, std::uint32_t places);
void AbsDecimal();
void NegateDecimal();

/// Writes the register as text ("-" for a negative non-zero value, no leading zeros, the
/// register's places after a ".") into `buffer`, which holds kDecimalTextCapacity characters,
/// and answers its length. No terminator is written.
int DecimalToText(const DecimalRegister& reg, char* buffer);

} // namespace value
