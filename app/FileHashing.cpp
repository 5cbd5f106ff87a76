#include "FileHashing.h"

#include "Globals.h"
#include "Messages.h"
#include "ProgramText.h"

#include <platform/Clock.h>
#include <platform/Display.h>
#include <window/EventCodes.h>
#include <window/InterruptibleWork.h>
#include <window/Window.h>

namespace app {

namespace {

/// The virtual key that cancels hashing as "Prekini" does.
constexpr std::int64_t kEscapeKey = 0x1B;
/// Work shorter than this shows no progress: a flash of a line helps nobody.
constexpr std::uint32_t kProgressShownAfterMs = 500;
/// The progress line changes at most this often, so that a screen reader can keep up.
constexpr std::uint32_t kProgressEveryMs = 250;

platform::WindowHandle ControlOf(platform::WindowHandle window, std::int32_t equate)
{
    return platform::FindControl(
        window, window::kControlIdOffset + static_cast<std::uint32_t>(equate));
}

/// What stops hashing in `window`: "Prekini" and Esc have done their job once they stopped it;
/// a close request (the close box, the program ending) and "Zatvori" stop it and then close the
/// window.
window::Interruption StopsHashing(const platform::Message& message, platform::WindowHandle window,
    const FileHashingFields& fields)
{
    if (window::IsCloseRequest(message, window))
        return window::Interruption::Stop;
    if (message.window != window)
        return window::Interruption::None;
    switch (message.message) {
    case platform::Msg::kCommand:
        if (message.wParam != platform::Notify::kClicked)
            return window::Interruption::None;
        if (message.id
            == window::kControlIdOffset + static_cast<std::uint32_t>(fields.cancelButton))
            return window::Interruption::StopAndDrop;
        if (message.id == window::kControlIdOffset + static_cast<std::uint32_t>(fields.closeButton))
            return window::Interruption::Stop;
        return window::Interruption::None;
    case platform::Msg::kKeyDown:
        return message.wParam == kEscapeKey ? window::Interruption::StopAndDrop
                                            : window::Interruption::None;
    default:
        return window::Interruption::None;
    }
}

/// The progress line and "Prekini" while a file is hashed: shown once the work has lasted
/// kProgressShownAfterMs, then updated at most every kProgressEveryMs. Used on the hashing
/// thread without the runtime lock: it touches only the two controls, through the platform's
/// calls on handles taken before.
class HashingProgress {
public:
    HashingProgress(platform::WindowHandle line, platform::WindowHandle cancel)
        : m_line(line)
        , m_cancel(cancel)
        , m_started(platform::TickMilliseconds())
    {
    }

    void Update(std::uint64_t done, std::uint64_t total)
    {
        const std::uint32_t elapsed = platform::TickMilliseconds() - m_started;
        if (elapsed < kProgressShownAfterMs
            || (m_shown && elapsed - m_lastShown < kProgressEveryMs))
            return;
        m_lastShown = elapsed;
        platform::SetWindowText(m_line, ProgramText(HashProgressText(done, total, elapsed)));
        if (!m_shown) {
            m_shown = true;
            platform::ShowWindow(m_line, true);
            platform::ShowWindow(m_cancel, true);
        }
    }

    /// Hides both: the work is over.
    void Hide()
    {
        platform::ShowWindow(m_cancel, false);
        platform::ShowWindow(m_line, false);
        platform::SetWindowText(m_line, "");
    }

    /// Says the work was cancelled, in the line (shown if it was not), "Prekini" hidden.
    void ShowCancelled()
    {
        platform::ShowWindow(m_cancel, false);
        platform::SetWindowText(m_line, ProgramText("Prekinuto."));
        platform::ShowWindow(m_line, true);
    }

private:
    platform::WindowHandle m_line;
    platform::WindowHandle m_cancel;
    std::uint32_t m_started;
    std::uint32_t m_lastShown = 0;
    bool m_shown = false;
};

/// The idleOnly buttons disabled for its lifetime, the focus given back to the one that had it.
class IdleOnlyButtons {
public:
    IdleOnlyButtons(platform::WindowHandle window, std::span<const std::int32_t> buttons)
        : m_window(window)
        , m_buttons(buttons)
        , m_focused(platform::FocusedWindow())
    {
        for (const std::int32_t button : m_buttons)
            platform::EnableWindow(ControlOf(m_window, button), false);
    }
    IdleOnlyButtons(const IdleOnlyButtons&) = delete;
    IdleOnlyButtons& operator=(const IdleOnlyButtons&) = delete;

    ~IdleOnlyButtons()
    {
        for (const std::int32_t button : m_buttons) {
            const platform::WindowHandle control = ControlOf(m_window, button);
            platform::EnableWindow(control, true);
            if (control == m_focused)
                platform::SetFocus(control);
        }
    }

private:
    platform::WindowHandle m_window;
    std::span<const std::int32_t> m_buttons;
    platform::WindowHandle m_focused;
};

} // namespace

platform::FileHashError HashFileShowingProgress(platform::WindowHandle window,
    const FileHashingFields& fields, const std::string& ansiPath, char* digest)
{
    const IdleOnlyButtons idleOnly(window, fields.idleOnly);
    HashingProgress progress(
        ControlOf(window, fields.progressLine), ControlOf(window, fields.cancelButton));
    progress.Hide();
    platform::FileHashError error = platform::FileHashError::None;
    // Reading a file can take long and touches no runtime state: the other windows go on,
    // and this window's own messages are looked at for what stops it.
    (void)window::RunInterruptibleWork(
        [window, fields](
            const platform::Message& message) { return StopsHashing(message, window, fields); },
        [&](window::WorkInterruptions& interruptions) {
            error = platform::HashFile(
                ansiPath, digest, [&](std::uint64_t done, std::uint64_t total) {
                    progress.Update(done, total);
                    return interruptions.Stopped();
                });
        });
    if (error == platform::FileHashError::Cancelled)
        progress.ShowCancelled();
    else
        progress.Hide();
    return error;
}

void HideHashingProgress(platform::WindowHandle window, const FileHashingFields& fields)
{
    HashingProgress(ControlOf(window, fields.progressLine), ControlOf(window, fields.cancelButton))
        .Hide();
}

std::string_view FileHashErrorReason(platform::FileHashError error)
{
    switch (error) {
    case platform::FileHashError::FileNotFound:
        return "datoteka ne postoji.";
    case platform::FileHashError::PathNotFound:
        return "datoteka ne postoji: nema mape u kojoj bi trebala biti.";
    case platform::FileHashError::IsDirectory:
        return "to je mapa, a ne datoteka.";
    case platform::FileHashError::NotAFile:
        return "to je cijev, ure\u0111aj ili priklju\u010Dnica, a ne obi\u010Dna datoteka.";
    case platform::FileHashError::AccessDenied:
        return "nemate dozvolu za \u010Ditanje.";
    case platform::FileHashError::ReadFailed:
        return "gre\u0161ka pri \u010Ditanju.";
    case platform::FileHashError::InvalidName:
    default:
        return "naziv datoteke nije valjan.";
    }
}

void ReportFileNotHashed(platform::FileHashError error, std::string_view ansiPath)
{
    if (error == platform::FileHashError::NoName) {
        AppErrors.Raise(kMessageNoFile);
        return;
    }
    AppErrors.SetFileName(ansiPath);
    AppErrors.RaiseWithText(kMessageFileNotHashed, ProgramText(FileHashErrorReason(error)));
}

} // namespace app
