#pragma once

#include <framework/ErrorManager.h>
#include <framework/IniManager.h>
#include <value/DeclaredStrings.h>

#include <cstdint>

namespace app {

// The per-thread globals are constinit so that other files reach them directly rather than
// through a per-thread initialisation call (g++ 12 with -fsanitize=null also miscompiles the
// null check of that call's result and reports a store to a null pointer).

/// The request handed to the next procedure this thread starts; its init reads it into the
/// procedure's REQUEST field. Each runtime thread has its own.
extern constinit thread_local std::uint8_t ThreadRequest;

/// The response of the last procedure this thread returned from.
extern constinit thread_local std::uint8_t ThreadResponse;

/// The scrolling request a toolbar passes to a procedure (its VCRREQUEST field).
extern constinit thread_local std::int32_t ThreadScrollRequest;

/// The path the file dialog last returned.
extern value::STRING<255> DialogFileName;

/// The path of the file to hash.
extern value::CSTRING<127> InputFileName;

/// The program's error manager: its messages and how they are shown.
extern framework::ErrorManager AppErrors;

/// The program's settings file, bound to "varn.INI" at start-up.
extern framework::IniManager AppIni;

} // namespace app
