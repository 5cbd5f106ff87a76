#pragma once

// The window engine's internal errors. Each goes to the run-time error stop
// (value::RuntimeErrorStop) with the tag of the part that found it, which normally ends the
// program; when an installed stop returns
// (tests install one that does), the caller carries on with a harmless result.

namespace window {

/// The tags that follow an internal error's text (" : " and the tag), naming the part of the
/// engine that found the fault.
inline constexpr const char* kTagWindowLoading = "WSLDIAL"; ///< window loading, class registration
inline constexpr const char* kTagControlCreation = "CTLMAIN";
inline constexpr const char* kTagUseBinding = "CTLUSE";
inline constexpr const char* kTagTextBox = "CTLTEXT";
inline constexpr const char* kTagListUtilities = "CTLLUTIL";

inline constexpr int kUseListError = 501;       ///< "Internal error 01"
inline constexpr int kDescriptorNotFound = 502; ///< "Internal error 02"
inline constexpr int kClassNotRegistered = 503; ///< "Internal error 03"

/// A control asks for a variable the procedure did not hand over, or its use descriptor
/// cannot be bound (type 24, or a size the variable cannot give). Internal error 501, "CTLUSE".
void RaiseUseListError();

/// No descriptor holds the window being opened. Internal error 502, "WSLDIAL".
void RaiseDescriptorNotFound();

/// A window class or a control class could not be registered with the display. Internal
/// error 503, "WSLDIAL".
void RaiseClassNotRegistered();

} // namespace window
