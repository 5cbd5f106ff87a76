#include "DisplaySession.h"

#include "DisplayDialogs.h"
#include "DisplayRegistry.h"

#include <QGuiApplication>
#include <QPointer>
#include <QSessionManager>

namespace platform::display {

namespace {

/// The warning shown when the session's end is refused; no controls: no refusal. GUI thread.
DialogTemplate& SessionWarning()
{
    static DialogTemplate warning;
    return warning;
}

} // namespace

bool AnswerSessionEndOnGui()
{
    const DialogTemplate& warning = SessionWarning();
    if (warning.controls.empty())
        return true;
    bool windowOpen = false;
    for (const WindowHandle handle : WindowHandles()) {
        const Entry* entry = FindEntry(handle);
        windowOpen = windowOpen || (entry != nullptr && entry->kind != EntryKind::Control);
    }
    if (!windowOpen)
        return true;
    OpenDialogOnGui(warning, nullptr);
    return false;
}

} // namespace platform::display

namespace platform {

void RefuseSessionEnd(const DialogTemplate& warning)
{
    InvokeOnGui([&warning] {
        display::SessionWarning() = warning;
        // One connection per application object (the display may run more than once).
        static QPointer<QGuiApplication> connectedTo;
        auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
        if (application == nullptr || connectedTo == application)
            return;
        connectedTo = application;
        QObject::connect(application, &QGuiApplication::commitDataRequest, application,
            [](QSessionManager& manager) {
                if (!display::AnswerSessionEndOnGui())
                    manager.cancel();
            });
    });
}

} // namespace platform
