#pragma once

namespace app {

/// The program proper: sets up the global objects, runs the main frame procedure on this
/// thread until the frame closes, then takes the global objects down again. Errors of the
/// global objects are reported by the objects themselves; nothing here looks at results.
void ProgramMain();

/// Closes every window still open, stops the engine's timer and releases what the window
/// engine still holds. Runs after ProgramMain, before the program's module ends.
void RuntimeShutdown();

} // namespace app
