#pragma once

#include <value/ValueReference.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Bind scopes: the names under which variables are bound for expressions evaluated at run
// time. Each runtime thread has its own stack of scopes, kept in its RuntimeThread
// (value/RuntimeThread.h); a procedure opens one as it starts and closes it as it ends, so that
// what it bound disappears with it. A name is looked up from the innermost scope outwards.

namespace value {

/// One thread's scopes, outermost first; its RuntimeThread holds them.
struct BindScopeStack {
    struct Binding {
        std::string name; ///< upper case
        ValueReference variable;
    };
    using Scope = std::vector<Binding>;
    std::vector<Scope> scopes;
};

/// The run-time error for closing a scope when none is open.
inline constexpr int kMismatchedPopScope = 802;

/// Opens a new innermost scope on the calling thread.
void PushBindScope();

/// Closes the innermost scope and forgets what was bound in it. With none open it is the
/// run-time error stop 802.
void PopBindScope();

/// Scopes open on the calling thread.
std::size_t BindScopeDepth();

/// Binds `name` (compared without regard to case) to `variable` in the innermost scope,
/// replacing what that scope had under the name. Answers false when no scope is open.
bool Bind(std::string_view name, const ValueReference& variable);

/// The variable bound to `name` in the innermost scope that has it.
std::optional<ValueReference> FindBinding(std::string_view name);

} // namespace value
