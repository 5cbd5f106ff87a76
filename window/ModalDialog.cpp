#include <platform/Display.h>
#include <window/Engine.h>
#include <window/ModalDialog.h>
#include <window/ThreadTable.h>

namespace window {

namespace {

platform::WindowHandle LiveHandle(const WindowObject* window)
{
    if (window == nullptr || window->Handle() == 0 || !platform::IsWindow(window->Handle()))
        return 0;
    return window->Handle();
}

/// The modal count stays raised for exactly as long as the dialog is up, whatever ends the wait.
class ModalState {
public:
    ModalState() { EnterModalState(); }
    ~ModalState() { LeaveModalState(); }
    ModalState(const ModalState&) = delete;
    ModalState& operator=(const ModalState&) = delete;
};

} // namespace

ModalDialogEnd RunModalDialog(
    const std::function<platform::WindowHandle(platform::WindowHandle owner)>& open)
{
    const platform::WindowHandle focused = platform::FocusedWindow();
    platform::WindowHandle owner = LiveHandle(CurrentWindow());
    if (owner == 0)
        owner = LiveHandle(ApplicationFrame());
    ModalDialogEnd end;
    end.dialog = open(owner);
    if (end.dialog == 0 && owner != 0) {
        // The owner went between the look and the opening: the display picks one.
        end.dialog = open(0);
    }
    if (end.dialog == 0)
        return end;
    {
        ModalState modal;
        end.answer = WaitForDialog(end.dialog);
    }
    // The thread was asked to end while the dialog was up: the dialog goes with it.
    if (platform::IsWindow(end.dialog))
        platform::DestroyWindow(end.dialog);
    if (focused != 0 && platform::IsWindow(focused))
        platform::SetFocus(focused);
    return end;
}

} // namespace window
