#pragma once

#include <platform/MessageQueue.h>

#include <cstdint>
#include <functional>

// What every modal dialog of the runtime (message box, file dialog) does around its own work:
// where it opens, how the thread waits for it, and what is put back afterwards.

namespace window {

/// How a modal dialog the thread waited for ended.
struct ModalDialogEnd {
    platform::WindowHandle dialog = 0; ///< 0: nothing could be opened
    std::int64_t answer = 0;           ///< the wParam of its Msg::kDialogFinished; 0 if none
};

/// Opens a dialog with `open` and waits for its end. `open` is given the owner (the calling
/// thread's current window, else the application frame; 0 lets the display choose) and
/// answers the dialog's handle, 0 when it could not be shown; when the owner went between the
/// look and the opening it is asked once more with 0. While the dialog is up the runtime lock
/// is released and the program is modal (no thread starts, no frame or MDI window opens). A
/// dialog still up when the wait ends (the thread was asked to end) is taken down; the control
/// that had the focus gets it back.
ModalDialogEnd RunModalDialog(
    const std::function<platform::WindowHandle(platform::WindowHandle owner)>& open);

} // namespace window
