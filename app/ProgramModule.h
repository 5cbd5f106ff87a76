#pragma once

#include <value/Module.h>

#include <span>

namespace app {

/// The level of this program's own module-level routines: below every runtime entry, so they
/// start after the runtime's modules and end before them.
inline constexpr std::int32_t kProgramLevel = 5;

/// The program module's descriptor, registered once at entry. Registration fills in its list
/// link and module handle.
value::ProgramDescriptor& ProgramModule();

/// The program's initialiser table: the runtime's entries, then this program's ten routines.
std::span<const value::InitEntry> ProgramInitialisers();

} // namespace app
