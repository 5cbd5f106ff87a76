#include <files/ErrorState.h>
#include <files/FileOps.h>
#include <platform/Process.h>
#include <value/Module.h>
#include <value/RuntimeFault.h>
#include <value/StringStack.h>
#include <window/Engine.h>
#include <window/MessageBox.h>
#include <window/RuntimeStop.h>

#include <atomic>

namespace window {

namespace {

std::atomic<HaltHook> g_haltHook { nullptr };
std::atomic<ErrorHook> g_errorHook { nullptr };
/// Set by the first stop; a stop raised while it runs (from the box, a file closing or
/// another thread) goes straight to the end.
std::atomic<bool> g_stopping { false };

/// Shows a stop in the box when one can be shown, else on standard error.
void ShowStop(std::string_view caption, std::string_view text, std::uint32_t buttons,
    std::uint32_t defaultButton)
{
    if (CanShowMessage())
        ShowMessage(text, caption, buttons, defaultButton, kIconStop);
    else
        platform::ShowStopNotice(caption, text);
}

void ShowStopNotice(std::string_view title, std::string_view text)
{
    ShowStop(title, text, kButtonOk, kButtonOk);
}

[[noreturn]] void CloseFilesAndEnd(int exitCode)
{
    files::UsedFileList::CloseAll();
    value::ExitProgram(exitCode);
}

} // namespace

HaltHook SetHaltHook(HaltHook hook)
{
    return g_haltHook.exchange(hook);
}

ErrorHook SetErrorHook(ErrorHook hook)
{
    return g_errorHook.exchange(hook);
}

std::string RuntimeErrorMessage(int errorNumber, std::string_view extraText)
{
    if (errorNumber == 0)
        return std::string(extraText);
    std::string message = files::ErrorTextOf(errorNumber);
    if (!extraText.empty()) {
        message += " : ";
        message += extraText;
    }
    return message;
}

void Halt(int exitCode, std::string_view text)
{
    if (HaltHook hook = g_haltHook.load()) {
        hook(exitCode);
        return;
    }
    if (!text.empty())
        ShowStop("Halt", text, kButtonOk, kButtonOk);
    CloseFilesAndEnd(exitCode);
}

void RuntimeErrorStop(int errorNumber, std::string_view extraText)
{
    if (g_stopping.exchange(true))
        value::ExitProgram(kRuntimeErrorExitCode);
    if (errorNumber != 0)
        files::PostError(errorNumber);
    std::string message = RuntimeErrorMessage(errorNumber, extraText);
    ErrorHook hook = g_errorHook.load();
    if (hook != nullptr && RuntimeActive()) {
        value::PushString(message);
        hook(errorNumber);
    } else {
        // Either answer ends the program: the offered fault would only end it less cleanly.
        message += "\nDo you want to GPF?";
        ShowStop("Runtime error", message, kButtonYes | kButtonNo, kButtonNo);
    }
    CloseFilesAndEnd(kRuntimeErrorExitCode);
}

void InternalError(int errorNumber, std::string_view moduleTag)
{
    value::RuntimeErrorStop(errorNumber, moduleTag);
}

RuntimeStopInstallation::RuntimeStopInstallation()
    : m_previousStop(value::SetRuntimeErrorStopHook(&RuntimeErrorStop))
    , m_previousNotice(value::SetStopNoticeHook(&ShowStopNotice))
{
}

RuntimeStopInstallation::~RuntimeStopInstallation()
{
    value::SetStopNoticeHook(m_previousNotice);
    value::SetRuntimeErrorStopHook(m_previousStop);
}

} // namespace window
