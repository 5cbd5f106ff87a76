#include "BindScope.h"

#include <value/RuntimeFault.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace value {

namespace {

struct Binding {
    std::string name; ///< upper case
    ValueReference variable;
};

using Scope = std::vector<Binding>;

// Every runtime thread is an operating-system thread of its own, so the thread's scopes need
// no switching when another thread takes the runtime.
thread_local std::vector<Scope> t_scopes;

std::string UpperCase(std::string_view name)
{
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
        [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

} // namespace

void PushBindScope()
{
    t_scopes.emplace_back();
}

void PopBindScope()
{
    if (t_scopes.empty()) {
        RuntimeErrorStop(kMismatchedPopScope, {});
        return;
    }
    t_scopes.pop_back();
}

std::size_t BindScopeDepth()
{
    return t_scopes.size();
}

bool Bind(std::string_view name, const ValueReference& variable)
{
    if (t_scopes.empty())
        return false;
    Scope& scope = t_scopes.back();
    std::string key = UpperCase(name);
    const auto found = std::find_if(
        scope.begin(), scope.end(), [&](const Binding& binding) { return binding.name == key; });
    if (found != scope.end())
        found->variable = variable;
    else
        scope.push_back(Binding { std::move(key), variable });
    return true;
}

std::optional<ValueReference> FindBinding(std::string_view name)
{
    const std::string key = UpperCase(name);
    for (auto scope = t_scopes.rbegin(); scope != t_scopes.rend(); ++scope) {
        for (const Binding& binding : *scope) {
            if (binding.name == key)
                return binding.variable;
        }
    }
    return std::nullopt;
}

} // namespace value
