#include "BindScope.h"

#include <platform/Ascii.h>
#include <value/RuntimeFault.h>
#include <value/RuntimeThread.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace value {

namespace {

using Binding = BindScopeStack::Binding;
using Scope = BindScopeStack::Scope;

std::vector<Scope>& Scopes()
{
    return CurrentRuntimeThread().bindScopes.scopes;
}

} // namespace

void PushBindScope()
{
    Scopes().emplace_back();
}

void PopBindScope()
{
    std::vector<Scope>& scopes = Scopes();
    if (scopes.empty()) {
        RuntimeErrorStop(kMismatchedPopScope, {});
        return;
    }
    scopes.pop_back();
}

std::size_t BindScopeDepth()
{
    return Scopes().size();
}

bool Bind(std::string_view name, const ValueReference& variable)
{
    std::vector<Scope>& scopes = Scopes();
    if (scopes.empty())
        return false;
    Scope& scope = scopes.back();
    std::string key = platform::AsciiUpperCase(name);
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
    const std::string key = platform::AsciiUpperCase(name);
    const std::vector<Scope>& scopes = Scopes();
    for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
        for (const Binding& binding : *scope) {
            if (binding.name == key)
                return binding.variable;
        }
    }
    return std::nullopt;
}

} // namespace value
