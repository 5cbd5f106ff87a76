#include "ValueReference.h"

#include <value/RuntimeFault.h>
#include <value/StringStack.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace value {

namespace {

constexpr int kNoValueReference = 501;

bool HasReference(TypeCode type)
{
    switch (type) {
    case TypeCode::Byte:
    case TypeCode::Short:
    case TypeCode::UShort:
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::Long:
    case TypeCode::ULong:
    case TypeCode::SReal:
    case TypeCode::Real:
    case TypeCode::String:
    case TypeCode::CString:
    case TypeCode::PString:
    case TypeCode::Memo:
    case TypeCode::Group:
        return true;
    default:
        return false;
    }
}

template<typename T> T Load(const void* address)
{
    T value;
    std::memcpy(&value, address, sizeof value);
    return value;
}

template<typename T> void Store(void* address, T value)
{
    std::memcpy(address, &value, sizeof value);
}

/// Truncates toward zero and keeps the low 64 bits, as a narrowing assignment does; NaN and
/// infinities give 0.
std::uint64_t Wrapped(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double kTwoTo63 = 9223372036854775808.0;
    constexpr double kTwoTo64 = 2 * kTwoTo63;
    double whole = std::trunc(value);
    if (whole > -kTwoTo63 && whole < kTwoTo63)
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(whole));
    // Beyond 64 bits only the low ones count; fmod is exact, and unsigned negation wraps.
    auto low = static_cast<std::uint64_t>(std::fmod(std::fabs(whole), kTwoTo64));
    return whole < 0 ? 0 - low : low;
}

template<typename T> void StoreWrapped(void* address, double value)
{
    Store(address, static_cast<T>(Wrapped(value)));
}

} // namespace

std::optional<ValueReference> ValueReference::Make(TypeCode type, void* address, std::uint32_t size)
{
    if (!HasReference(type)) {
        RuntimeErrorStop(kNoValueReference, "String Stack Error");
        return std::nullopt;
    }
    return ValueReference(type, address, size);
}

void ValueReference::Push() const
{
    const char* text = static_cast<const char*>(m_address);
    switch (m_type) {
    case TypeCode::Byte:
        return PushLong(Load<std::uint8_t>(m_address));
    case TypeCode::Short:
        return PushLong(Load<std::int16_t>(m_address));
    case TypeCode::UShort:
        return PushLong(Load<std::uint16_t>(m_address));
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::Long:
        return PushLong(Load<std::int32_t>(m_address));
    case TypeCode::ULong:
        return PushReal(Load<std::uint32_t>(m_address));
    case TypeCode::SReal:
        return PushReal(static_cast<double>(Load<float>(m_address)));
    case TypeCode::Real:
        return PushReal(Load<double>(m_address));
    case TypeCode::CString: {
        const void* nul = std::memchr(text, '\0', m_size);
        auto length = nul == nullptr
            ? m_size
            : static_cast<std::uint32_t>(static_cast<const char*>(nul) - text);
        return PushString(text, length);
    }
    case TypeCode::PString: {
        std::uint32_t length = m_size == 0 ? 0 : static_cast<unsigned char>(text[0]);
        return PushString(text + 1, m_size == 0 ? 0 : std::min(length, m_size - 1));
    }
    default: // STRING, MEMO and GROUP are their bytes
        return PushString(text, m_size);
    }
}

void ValueReference::Pop() const
{
    char* text = static_cast<char*>(m_address);
    switch (m_type) {
    case TypeCode::Byte:
        return StoreWrapped<std::uint8_t>(m_address, PopReal());
    case TypeCode::Short:
        return StoreWrapped<std::int16_t>(m_address, PopReal());
    case TypeCode::UShort:
        return StoreWrapped<std::uint16_t>(m_address, PopReal());
    case TypeCode::Date:
    case TypeCode::Time:
    case TypeCode::Long:
        return StoreWrapped<std::int32_t>(m_address, PopReal());
    case TypeCode::ULong:
        return StoreWrapped<std::uint32_t>(m_address, PopReal());
    case TypeCode::SReal:
        return Store(m_address, static_cast<float>(PopReal()));
    case TypeCode::Real:
        return Store(m_address, PopReal());
    case TypeCode::CString:
        return PopToCString(text, m_size);
    case TypeCode::PString:
        return PopToPString(text, m_size);
    default:
        return PopToString(text, m_size);
    }
}

} // namespace value
