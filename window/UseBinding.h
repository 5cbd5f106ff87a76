#pragma once

#include <value/ValueReference.h>
#include <window/Descriptor.h>

#include <cstddef>
#include <optional>
#include <span>

// Binding controls to the variables of the procedure that opens their window. The descriptor
// holds no addresses: the procedure hands over a zero-terminated list of variable addresses,
// in the declaration order of the controls that have a use descriptor, and each such control
// (or check item) takes the next one as it is built.

namespace window {

/// The use-variable list of one window and its cursor.
class UseBinding {
public:
    /// A list with no variables: any control that asks for one is an error.
    UseBinding() = default;
    /// The list ends at its first null address or at the end of the span, whichever comes
    /// first, so a list without its terminating 0 is never read past its end. The addresses
    /// must outlive the binding's references.
    explicit UseBinding(std::span<void* const> addresses);

    /// Takes the next address for a control with this use descriptor and answers how to reach
    /// the variable. A size of 0 takes the size from the variable, which an address alone
    /// gives only for types of fixed size (LONG, BYTE, REAL ...): for a string, group or
    /// decimal the declared size cannot be found, so size 0 is refused. Internal error 501
    /// ("Internal error 01", through the run-time error stop) when the list is exhausted,
    /// for type code 24 (an array, which no control can show), for a size of 0 the type does
    /// not fix, and for a negative size; a type without a value reference at all raises
    /// value::ValueReference's own 501. On any error the answer is empty; the address is
    /// consumed all the same (except when there was none), so the controls after a refused
    /// one still receive their own variables.
    std::optional<value::ValueReference> Bind(const UseDescriptor& use);

    /// Addresses taken so far.
    std::size_t Taken() const { return m_next; }
    /// Addresses not yet taken.
    std::size_t Remaining() const { return m_addresses.size() - m_next; }

private:
    std::span<void* const> m_addresses;
    std::size_t m_next = 0;
};

} // namespace window
