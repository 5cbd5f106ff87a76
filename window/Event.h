#pragma once

#include <cstdint>
#include <memory>

namespace platform {
struct DroppedFiles;
}

// One event of a window: what happened (the internal code), to which control, and the key and
// mouse state that came with it. Control kinds that need to act when their event is delivered
// derive from Event and override the preparation and completion steps.

namespace window {

class WindowObject;

class Event {
public:
    Event() = default;
    virtual ~Event() = default;
    Event(const Event&) = default;
    Event& operator=(const Event&) = default;

    /// Runs when the event becomes the window's current event, before the loop body sees it.
    /// The plain event does nothing.
    virtual void Prepare() { }
    /// Runs after the loop body has answered. The plain event does nothing.
    virtual void Complete() { }

    WindowObject* owner = nullptr;       ///< valid only while the window with `ownerSerial` is open
    std::uint64_t ownerSerial = 0;       ///< identifies the owner among open windows
    std::int32_t code = 0;               ///< internal code (with the 0x1400 base)
    std::int32_t thread = -1;            ///< thread slot of the owner window
    std::int32_t control = 0;            ///< field equate of the control, 0 when none
    std::int32_t previousSelection = 0;  ///< the window's selected control when it was made
    std::uint32_t keyCode = 0;           ///< low 11 bits: the key code procedures see
    std::uint8_t keyState[2] = { 0, 0 }; ///< shift state and character of the keystroke
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;
    /// For "EVENT:Selected": made because the user moved the focus, which is where the user
    /// put it (or has moved on since): delivering it does not move the focus again.
    bool focusFromUser = false;
    /// For "EVENT:CloseDown": the window that asked (its serial), 0 otherwise.
    std::uint64_t requesterSerial = 0;
    /// For "EVENT:Drop" of files: what was dropped, null otherwise.
    std::shared_ptr<const platform::DroppedFiles> dropped;
};

} // namespace window
