#pragma once

#include <platform/Display.h>

#include <cstdint>
#include <memory>

// Dialogs built from templates: window-modal (or application-modal) over their owner, never
// running a loop of their own; pressing a button ends one and posts the answer to the thread
// that opened it. GUI thread only.

namespace platform::display {

/// Opens `dialog` as OpenDialog does, its answer going to `queue` (none: the answer goes
/// nowhere). Answers the dialog's handle, 0 when its owner is gone.
WindowHandle OpenDialogOnGui(const DialogTemplate& dialog, std::shared_ptr<MessageQueue> queue);

/// The button of the next dialog to open that is pressed as soon as it is shown.
void SetNextDialogAnswer(std::uint32_t buttonId);

/// Forgets an answer SetNextDialogAnswer left for a dialog that never opened.
void ForgetNextDialogAnswer();

/// Presses dialog button `buttonId` as the user would (Escape's answer when it is escapeId).
void PressDialogButton(WindowHandle dialog, std::uint32_t buttonId);

} // namespace platform::display
