#include "UseBinding.h"

#include "InternalError.h"

#include <value/TypeCodes.h>

#include <algorithm>

namespace window {

namespace {

constexpr std::uint8_t kArrayType = static_cast<std::uint8_t>(value::TypeCode::Array);

} // namespace

UseBinding::UseBinding(std::span<void* const> addresses)
{
    const auto end = std::find(addresses.begin(), addresses.end(), nullptr);
    m_addresses = addresses.first(static_cast<std::size_t>(end - addresses.begin()));
}

std::optional<value::ValueReference> UseBinding::Bind(const UseDescriptor& use)
{
    if (m_next >= m_addresses.size()) {
        RaiseUseListError();
        return std::nullopt;
    }
    void* const address = m_addresses[m_next++];
    if (use.type == kArrayType || use.size < 0) {
        RaiseUseListError();
        return std::nullopt;
    }
    const std::uint32_t size
        = use.size != 0 ? static_cast<std::uint32_t>(use.size) : value::TypeCodeSize(use.type);
    if (size == 0) {
        RaiseUseListError();
        return std::nullopt;
    }
    return value::ValueReference::Make(static_cast<value::TypeCode>(use.type), address, size);
}

} // namespace window
