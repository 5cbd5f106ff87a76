#pragma once

// The window engine's internal errors. Each goes to the run-time error stop
// (value::RuntimeErrorStop), which normally ends the program; when an installed stop returns
// (tests install one that does), the caller carries on with a harmless result.

namespace window {

inline constexpr int kUseListError = 501;       ///< "Internal error 01"
inline constexpr int kDescriptorNotFound = 502; ///< "Internal error 02"
inline constexpr int kClassNotRegistered = 503; ///< "Internal error 03"

/// A control asks for a variable the procedure did not hand over, or its use descriptor
/// cannot be bound (type 24, or a size the variable cannot give). Internal error 501.
void RaiseUseListError();

/// No descriptor holds the window being opened. Internal error 502.
void RaiseDescriptorNotFound();

/// A window class or a control class could not be registered with the display. Internal
/// error 503.
void RaiseClassNotRegistered();

} // namespace window
