#pragma once

#include <platform/Display.h>
#include <window/WindowObject.h>

#include <cstdint>
#include <vector>

// A window object with a platform window on the display: created when the window opens,
// destroyed when it closes, with its controls and an optional timer. Windows built from
// descriptors derive from it.

namespace window {

class DisplayWindow : public WindowObject {
public:
    explicit DisplayWindow(platform::WindowOptions options);
    /// Closes the window if it is still open (the caller holds the runtime lock).
    ~DisplayWindow() override;

    /// A control made with the window: field `equate`, control id equate + 0x4000.
    void AddControlOptions(std::int32_t equate, platform::ControlOptions options);
    /// A timer of `hundredths` hundredths of a second, started when the window opens; 0: none.
    void SetTimerPeriod(std::uint32_t hundredths) { m_timerPeriod = hundredths; }

    bool CreatePlatformWindow() override;
    void DestroyPlatformWindow() override;
    bool HasPlatformWindow() const override;
    /// Raises the window; an MDI child raises the application frame.
    void BringToTop() override;
    void GiveFocus(std::int32_t equate) override;
    void CursorPosition(std::int32_t& x, std::int32_t& y) const override;
    void Beep() override;

protected:
    /// The options the platform window is created with (a derived window fills them in before
    /// CreatePlatformWindow).
    platform::WindowOptions& Options() { return m_options; }
    const platform::WindowOptions& Options() const { return m_options; }
    /// Forgets the controls added so far (a window rebuilt for another opening).
    void ClearControlOptions() { m_pending.clear(); }

private:
    struct PendingControl {
        std::int32_t equate;
        platform::ControlOptions options;
    };

    platform::WindowOptions m_options;
    std::vector<PendingControl> m_pending;
    std::uint32_t m_timerPeriod = 0;
};

} // namespace window
