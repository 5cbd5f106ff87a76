// Finding a window's descriptor among the program's resources.
//
// Kept apart from Descriptor.cpp so that a program which only reads blocks (the descriptor
// fuzzer) links no resource lookup and needs no resource table of its own.

#include "Descriptor.h"
#include "InternalError.h"

#include <platform/Resources.h>
#include <value/Collation.h>

#include <cstring>
#include <utility>

namespace window {

namespace {

constexpr std::string_view kDescriptorType = "DABDUMP";

/// The module that supplied the last descriptor found: searched first next time. Process-wide,
/// guarded by the runtime lock that every window-building thread holds.
platform::ModuleHandle g_resourceModule = 0;

/// A NUL-terminated copy for the collating comparison; nothing for a name with a NUL inside,
/// which no NUL-terminated name in a descriptor can equal.
std::optional<std::string> Terminated(std::string_view name)
{
    if (name.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(name);
}

/// The window record named `windowName`, walking the sibling chain from the first window; 0
/// when none matches. A malformed record ends the walk: the windows before it could still
/// match. The chain cannot visit more records than fit in the block, which cuts off a cycle.
std::int32_t FindWindowRecord(const DescriptorBlock& block, const char* windowName)
{
    const std::size_t room = block.Size() / layout::kHeadSize;
    std::size_t steps = 0;
    for (std::int32_t offset = block.FirstWindowOffset(); offset != 0 && steps < room; ++steps) {
        const auto record = block.RecordAt(offset);
        if (!record)
            return 0;
        if (record->Is(RecordType::Window)) {
            const auto name = record->String(layout::kWindowName);
            // A string read from the block ends at a NUL inside the block, so data() is a
            // terminated string.
            if (name && value::CompareCStrings(name->data(), windowName) == 0)
                return offset;
        }
        offset = record->NextSibling();
    }
    return 0;
}

/// Looks in one module: the loaded descriptor when the module's resource holds the window.
std::optional<WindowDescriptor> SearchModule(const ResourceModule& module,
    const std::string& resourceName, const char* moduleName, const char* windowName)
{
    if (module.find == nullptr)
        return std::nullopt;
    const auto resource = module.find(kDescriptorType, resourceName);
    if (!resource)
        return std::nullopt;
    // The resource starts with the module name; one without its NUL is malformed.
    const auto* bytes = reinterpret_cast<const char*>(resource->data());
    const auto* nul = static_cast<const char*>(std::memchr(bytes, '\0', resource->size()));
    if (nul == nullptr || value::CompareCStrings(bytes, moduleName) != 0)
        return std::nullopt;
    const auto bodyStart = static_cast<std::size_t>(nul - bytes) + 1;
    auto block = DescriptorBlock::FromBody(resource->subspan(bodyStart));
    if (!block)
        return std::nullopt;
    const std::int32_t window = FindWindowRecord(*block, windowName);
    if (window == 0)
        return std::nullopt;
    return WindowDescriptor { std::move(*block), window, module.handle };
}

} // namespace

std::span<const ResourceModule> ProgramResourceModules()
{
    static const ResourceModule kModules[] = {
        { platform::OwnModuleHandle(), &platform::FindResource },
    };
    return kModules;
}

std::string DescriptorResourceName(std::string_view moduleName)
{
    const std::size_t dollar = moduleName.find('$');
    std::string name(dollar == std::string_view::npos ? moduleName : moduleName.substr(dollar + 1));
    name += "_RSC";
    return name;
}

std::optional<WindowDescriptor> FindWindowDescriptor(
    std::string_view moduleName, std::string_view windowName)
{
    return FindWindowDescriptor(moduleName, windowName, ProgramResourceModules());
}

std::optional<WindowDescriptor> FindWindowDescriptor(std::string_view moduleName,
    std::string_view windowName, std::span<const ResourceModule> modules)
{
    const auto module = Terminated(moduleName);
    const auto window = Terminated(windowName);
    if (!module || !window)
        return std::nullopt;
    const std::string resourceName = DescriptorResourceName(moduleName);

    // The module that supplied the last descriptor is searched first, then the others in
    // order, as descriptors mostly come from the module that supplied the last one.
    const ResourceModule* first = nullptr;
    for (const ResourceModule& candidate : modules) {
        if (g_resourceModule != 0 && candidate.handle == g_resourceModule)
            first = &candidate;
    }
    const auto search = [&](const ResourceModule& candidate) {
        return SearchModule(candidate, resourceName, module->c_str(), window->c_str());
    };
    std::optional<WindowDescriptor> found;
    if (first != nullptr)
        found = search(*first);
    for (auto candidate = modules.begin(); !found && candidate != modules.end(); ++candidate) {
        if (&*candidate != first)
            found = search(*candidate);
    }
    if (found)
        g_resourceModule = found->module;
    return found;
}

std::optional<WindowDescriptor> RequireWindowDescriptor(
    std::string_view moduleName, std::string_view windowName)
{
    auto found = FindWindowDescriptor(moduleName, windowName);
    if (!found)
        RaiseDescriptorNotFound();
    return found;
}

platform::ModuleHandle CurrentResourceModule()
{
    return g_resourceModule;
}

void ResetDescriptorLookup()
{
    g_resourceModule = 0;
}

} // namespace window
