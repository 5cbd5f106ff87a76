#pragma once

#include <value/TypeCodes.h>

#include <cstdint>
#include <optional>

namespace value {

/// How ANY variables and bound variables reach a value of a given type: the type code, the
/// variable's address and its declared size. Reading pushes the value on the string stack as
/// text; writing pops the top into the variable, with the conversions of an assignment
/// (strings truncated or blank filled, numbers truncated toward zero and wrapped to the
/// type's width; nothing raises an error).
class ValueReference {
public:
    /// Answers the reference for a type that has one. For any other type code the runtime
    /// stops with fault 501 "String Stack Error"; should the stop return, the answer is empty.
    static std::optional<ValueReference> Make(TypeCode type, void* address, std::uint32_t size);

    TypeCode Type() const { return m_type; }
    void* Address() const { return m_address; }
    std::uint32_t Size() const { return m_size; }

    /// Pushes the value's text on the string stack. A string is pushed borrowed, whole: a
    /// STRING with its trailing blanks, a CSTRING up to its NUL, a PSTRING by its length byte.
    void Push() const;
    /// Pops the top of the string stack into the variable.
    void Pop() const;

private:
    ValueReference(TypeCode type, void* address, std::uint32_t size)
        : m_type(type)
        , m_address(address)
        , m_size(size)
    {
    }

    TypeCode m_type;
    void* m_address;
    std::uint32_t m_size;
};

} // namespace value
