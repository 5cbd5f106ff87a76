// Formatting values through compiled pictures: numbers, patterns and scientific numbers here,
// dates and times in PictureDates.cpp; FORMAT and the entry controls' text on top.

#include "Decimal.h"
#include "PictureInternal.h"
#include "StringStack.h"

#include <algorithm>
#include <cstring>

namespace value {

namespace picture {

std::size_t WriteNumber(std::int64_t value, char* out)
{
    char reversed[24];
    std::size_t length = 0;
    do {
        reversed[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && length < sizeof reversed);
    for (std::size_t i = 0; i < length; ++i)
        out[i] = reversed[length - 1 - i];
    return length;
}

namespace {

bool IsDigitRole(PictureRole role)
{
    return role == PictureRole::DigitZeroShown || role == PictureRole::DigitZeroBlank
        || role == PictureRole::ImpliedDecimalPoint;
}

/// The position of the highest non-zero integer digit, or kUnitsPosition - 1 when the integer
/// part is zero.
int HighestIntegerDigit(const DecimalRegister& reg)
{
    for (int position = reg.high; position >= kUnitsPosition; --position) {
        if (reg.DigitAt(position) != 0)
            return position;
    }
    return kUnitsPosition - 1;
}

void FormatOverflow(const CompiledPicture& picture, char* out)
{
    for (std::size_t i = 0; i < picture.width; ++i) {
        const PicturePosition& position = picture.positions[i];
        if (IsDigitRole(position.role) || position.role == PictureRole::Grouping)
            out[i] = '#';
        else if (position.role == PictureRole::Sign || position.role >= PictureRole::KeyInClass1)
            out[i] = ' ';
        else
            out[i] = position.character;
    }
}

} // namespace

// The row is walked once from the right: the places first, then the integer digits upwards.
// Digits above the highest non-zero one are the suppressed leading part.
void FormatNumber(const CompiledPicture& picture, DecimalRegister& reg, char* out)
{
    const bool numeric = picture.kind == PictureKind::Numeric;
    RoundDecimal(reg, numeric ? picture.places : 0);
    const bool zero = DecimalSign(reg) == 0;
    if (picture.blankWhenZero && zero) {
        std::memset(out, ' ', picture.width);
        return;
    }
    const bool negative = numeric && !zero && reg.sign != 0;
    const int highest = HighestIntegerDigit(reg);
    const int digitsNeeded = highest - (kUnitsPosition - 1);
    // Without a sign position a negative number needs a free leading position for its "-".
    const bool needsRoom = negative && !picture.hasSign;
    if (digitsNeeded > picture.integerDigits
        || (needsRoom && std::max(digitsNeeded, 1) >= picture.integerDigits)) {
        FormatOverflow(picture, out);
        return;
    }

    bool pendingSign = negative && picture.signFloats && picture.floatingSign != '\0';
    const char floating = picture.floatingSign;
    bool seenDigit = false;
    int leftmostInteger = -1;
    int position = kUnitsPosition - picture.places;
    if (!numeric)
        position = kUnitsPosition;
    for (int i = static_cast<int>(picture.width) - 1; i >= 0; --i) {
        const PicturePosition& at = picture.positions[i];
        char& o = out[i];
        switch (at.role) {
        case PictureRole::DigitZeroShown:
        case PictureRole::DigitZeroBlank:
        case PictureRole::ImpliedDecimalPoint:
            seenDigit = true;
            if (position <= highest) {
                o = static_cast<char>('0' + reg.DigitAt(position));
            } else if (pendingSign && at.role == PictureRole::DigitZeroBlank) {
                o = floating;
                pendingSign = false;
            } else {
                o = at.character;
            }
            if (position >= kUnitsPosition)
                leftmostInteger = i;
            ++position;
            break;
        case PictureRole::Grouping:
            if (position <= highest) {
                o = at.character;
            } else if (pendingSign) {
                o = floating;
                pendingSign = false;
            } else {
                o = picture.suppressedGrouping;
            }
            break;
        case PictureRole::Sign:
            if (!seenDigit) {
                o = negative ? at.character : ' ';
            } else {
                o = negative && (!picture.signFloats || pendingSign) ? at.character : ' ';
                pendingSign = false;
            }
            break;
        case PictureRole::KeyInClass1:
        case PictureRole::KeyInClass2:
        case PictureRole::KeyInClass3:
        case PictureRole::KeyInClass4:
        case PictureRole::KeyInClass5:
            o = ' ';
            break;
        default:
            o = at.character;
            break;
        }
    }
    if (needsRoom && !picture.signFloats && leftmostInteger >= 0)
        out[leftmostInteger] = '-';
}

void FormatScientific(const CompiledPicture& picture, const DecimalRegister& reg, char* out)
{
    int highest = -1;
    for (int position = reg.high; position >= reg.low; --position) {
        if (reg.DigitAt(position) != 0) {
            highest = position;
            break;
        }
    }
    if (highest < 0 && picture.blankWhenZero) {
        std::memset(out, ' ', picture.width);
        return;
    }
    // The mantissa: one digit and the picture's places, rounded half away from zero.
    std::uint8_t mantissa[kPicturePositions + 1] = {};
    const int count = picture.places + 1;
    int exponent = 0;
    if (highest >= 0) {
        exponent = highest - kUnitsPosition;
        for (int k = 0; k < count; ++k)
            mantissa[k] = static_cast<std::uint8_t>(reg.DigitAt(highest - k));
        bool carry = reg.DigitAt(highest - count) >= 5;
        for (int k = count - 1; k >= 0 && carry; --k) {
            carry = ++mantissa[k] == 10;
            if (carry)
                mantissa[k] = 0;
        }
        if (carry) {
            mantissa[0] = 1;
            ++exponent;
        }
    }
    const bool negative = highest >= 0 && reg.sign != 0;
    char exponentDigits[3] = { '0', '0', '0' };
    const int magnitude = exponent < 0 ? -exponent : exponent;
    exponentDigits[0] = static_cast<char>('0' + magnitude / 100 % 10);
    exponentDigits[1] = static_cast<char>('0' + magnitude / 10 % 10);
    exponentDigits[2] = static_cast<char>('0' + magnitude % 10);

    int digit = 0;
    int exponentDigit = -1; // counts the exponent's digits once its sign is passed
    for (std::size_t i = 0; i < picture.width; ++i) {
        const PicturePosition& at = picture.positions[i];
        switch (at.role) {
        case PictureRole::Sign:
            out[i] = negative ? '-' : ' ';
            break;
        case PictureRole::ExponentSign:
            out[i] = exponent < 0 ? '-' : '+';
            exponentDigit = 0;
            break;
        case PictureRole::DigitZeroShown:
            if (exponentDigit >= 0)
                out[i] = exponentDigits[std::min(exponentDigit++, 2)];
            else
                out[i] = static_cast<char>('0' + mantissa[std::min(digit++, count - 1)]);
            break;
        default:
            out[i] = at.character;
            break;
        }
    }
}

} // namespace picture

namespace {

/// The integer part of the register, truncated toward zero and kept within ±10^12.
std::int64_t IntegerPart(const DecimalRegister& reg)
{
    std::int64_t value = 0;
    for (int position = reg.high; position >= kUnitsPosition; --position) {
        value = value * 10 + reg.DigitAt(position);
        if (value > 1'000'000'000'000)
            value = 1'000'000'000'000;
    }
    return reg.sign != 0 ? -value : value;
}

std::int32_t ClampToLong(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

/// Writes exactly picture.width characters for `reg` into `out`.
void FormatRegister(const CompiledPicture& picture, DecimalRegister& reg, char* out)
{
    switch (picture.kind) {
    case PictureKind::Numeric:
    case PictureKind::Pattern:
    case PictureKind::KeyIn:
        picture::FormatNumber(picture, reg, out);
        break;
    case PictureKind::Scientific:
        picture::FormatScientific(picture, reg, out);
        break;
    case PictureKind::Date:
        picture::FormatDate(picture, ClampToLong(IntegerPart(reg)), out);
        break;
    case PictureKind::Time:
        picture::FormatTime(picture, ClampToLong(IntegerPart(reg)), out);
        break;
    case PictureKind::String: {
        char text[kDecimalTextCapacity];
        const std::size_t length = static_cast<std::size_t>(DecimalToText(reg, text));
        const std::size_t kept = std::min<std::size_t>(length, picture.width);
        std::memcpy(out, text, kept);
        std::memset(out + kept, ' ', picture.width - kept);
        break;
    }
    }
}

/// A key-in picture shows a value's characters in its input positions, in order.
std::size_t FormatKeyInText(const CompiledPicture& picture, std::string_view value, char* out)
{
    std::size_t next = 0;
    for (std::size_t i = 0; i < picture.width; ++i) {
        const PicturePosition& at = picture.positions[i];
        if (at.role == PictureRole::Literal)
            out[i] = at.character;
        else
            out[i] = next < value.size() ? value[next++] : ' ';
    }
    return picture.width;
}

} // namespace

void FormatDecimal(const CompiledPicture& picture, char* buffer, std::size_t length)
{
    if (DecimalDepth() == 0)
        PushLongDecimal(0);
    const std::size_t width = picture.width;
    if (width == 0) {
        std::memset(buffer, ' ', length);
    } else if (length >= width) {
        FormatRegister(picture, TopDecimal(), buffer);
        std::memset(buffer + width, ' ', length - width);
    } else {
        char field[kStringPictureWidth];
        FormatRegister(picture, TopDecimal(), field);
        std::memcpy(buffer, field, length);
    }
    DropDecimal();
}

void FormatToStack(const char* text)
{
    const CompiledPicture& picture = value::picture::CompileRecent(text);
    char field[kStringPictureWidth];
    FormatDecimal(picture, field, picture.width);
    if (picture.width == 0) {
        PushEmpty();
        return;
    }
    PushString(field, picture.width);
    Materialize();
}

std::size_t FormatValueText(const CompiledPicture& picture, std::string_view value, char* buffer)
{
    const std::size_t width = picture.width;
    if (picture.kind == PictureKind::String) {
        const std::size_t kept = std::min(value.size(), width);
        std::copy_n(value.data(), kept, buffer); // an empty view may have no data
        std::memset(buffer + kept, ' ', width - kept);
        return width;
    }
    if (width == 0)
        return 0;
    if (picture.kind == PictureKind::KeyIn)
        return FormatKeyInText(picture, value, buffer);
    char text[kStringPictureWidth + 1];
    const std::size_t kept = std::min(value.size(), kStringPictureWidth);
    std::copy_n(value.data(), kept, text);
    text[kept] = '\0';
    const int depth = DecimalDepth();
    PushTextDecimal(text);
    if (DecimalDepth() == depth) {
        // Every register is in use: nothing to format from.
        std::memset(buffer, ' ', width);
        return width;
    }
    FormatDecimal(picture, buffer, width);
    return width;
}

} // namespace value
