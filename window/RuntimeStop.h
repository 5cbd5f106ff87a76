#pragma once

#include <string>
#include <string_view>

// Ending the program from anywhere in a procedure: the halt (with an optional message first)
// and the run-time error stop (a numbered fault, shown to the user, then exit code 2). Both
// close every file still open and end the process at once: the caller's frames are not
// unwound and the display is not shut down in order (nothing of it keeps data that would be
// lost), so a stop from any thread at any depth ends the process without waiting on anything.

namespace window {

/// The exit code of a run-time error stop.
inline constexpr int kRuntimeErrorExitCode = 2;

/// Called by Halt with the exit code in place of its own steps.
using HaltHook = void (*)(int exitCode);
/// Called by the run-time error stop with the error number, the message pushed on the string
/// stack, in place of the box; the program ends after it all the same.
using ErrorHook = void (*)(int errorNumber);

/// Install the program's hooks (null removes one); each answers the hook it replaces.
HaltHook SetHaltHook(HaltHook hook);
ErrorHook SetErrorHook(ErrorHook hook);

/// The message of a run-time error stop: the text of `errorNumber` (its message override,
/// else the program's string table; leading blanks dropped, at most 79 characters), followed
/// by " : " and `extraText` when that is not empty. For error 0 the extra text alone.
std::string RuntimeErrorMessage(int errorNumber, std::string_view extraText);

/// Ends the program with `exitCode`. With a halt hook installed it only calls the hook and
/// returns. Otherwise a non-empty `text` is first shown in a box captioned "Halt" (OK, stop
/// icon), then every open file is closed and the process ends.
void Halt(int exitCode, std::string_view text);

/// The run-time error stop: posts `errorNumber` (when not 0) as the current error, shows
/// RuntimeErrorMessage with "\nDo you want to GPF?" in a box captioned "Runtime error" (Yes and
/// No, No the default, stop icon) or, with an error hook installed while the runtime is
/// active, hands the message to the hook instead; then closes every open file and ends the
/// process with exit code 2, whatever was answered. Without a display the message goes to
/// standard error. A stop raised while another is under way ends the process at once.
[[noreturn]] void RuntimeErrorStop(int errorNumber, std::string_view extraText);

/// A fault the engine found: the run-time error stop (through value::RuntimeErrorStop, so an
/// installed stop sees it) with the tag of the module that found it as the extra text.
void InternalError(int errorNumber, std::string_view moduleTag);

/// Makes RuntimeErrorStop the process's run-time error stop and the message box its stop
/// notice (the runtime-version refusal), for the lifetime of the object; the stops installed
/// before come back afterwards.
class RuntimeStopInstallation {
public:
    RuntimeStopInstallation();
    ~RuntimeStopInstallation();
    RuntimeStopInstallation(const RuntimeStopInstallation&) = delete;
    RuntimeStopInstallation& operator=(const RuntimeStopInstallation&) = delete;

private:
    void (*m_previousStop)(int, std::string_view);
    void (*m_previousNotice)(std::string_view, std::string_view);
};

} // namespace window
