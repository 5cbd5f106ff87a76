#pragma once

#include <type_traits>

// Sets of named bits as enum classes: an enum that specialises IsBitmask gets |, &, ^, ~ and
// their assignments, and Any() and Bits() to test and read a set, so a mask of one kind never
// mixes with a mask of another or with a plain number unnoticed.

namespace files {

template<typename E> struct IsBitmask : std::false_type {
};

template<typename E>
concept Bitmask = std::is_enum_v<E> && IsBitmask<E>::value;

/// The set's bits as a number, for the places where the number itself is what is asked for.
template<Bitmask E> constexpr std::underlying_type_t<E> Bits(E set)
{
    return static_cast<std::underlying_type_t<E>>(set);
}

/// True when the set holds any bit.
template<Bitmask E> constexpr bool Any(E set)
{
    return Bits(set) != 0;
}

template<Bitmask E> constexpr E operator|(E a, E b)
{
    return static_cast<E>(Bits(a) | Bits(b));
}
template<Bitmask E> constexpr E operator&(E a, E b)
{
    return static_cast<E>(Bits(a) & Bits(b));
}
template<Bitmask E> constexpr E operator^(E a, E b)
{
    return static_cast<E>(Bits(a) ^ Bits(b));
}
template<Bitmask E> constexpr E operator~(E a)
{
    return static_cast<E>(~Bits(a));
}
template<Bitmask E> constexpr E& operator|=(E& a, E b)
{
    return a = a | b;
}
template<Bitmask E> constexpr E& operator&=(E& a, E b)
{
    return a = a & b;
}
template<Bitmask E> constexpr E& operator^=(E& a, E b)
{
    return a = a ^ b;
}

} // namespace files
