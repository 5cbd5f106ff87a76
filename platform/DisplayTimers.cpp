#include "DisplayRegistry.h"

#include <QTimer>

#include <algorithm>

// Window timers: each tick is posted to the window's thread, and not again while the last one
// still waits there.

namespace platform {

using display::Entry;
using display::FindEntry;
using display::WithEntry;

void SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t milliseconds)
{
    WithEntry(window, [window, id, milliseconds](Entry& entry) {
        QPointer<QTimer>& timer = entry.timers[id];
        if (timer.isNull()) {
            timer = new QTimer(entry.widget.data());
            QObject::connect(timer.data(), &QTimer::timeout, timer.data(), [window, id] {
                const Entry* owner = FindEntry(window);
                if (owner == nullptr || owner->queue == nullptr)
                    return;
                Message message;
                message.message = Msg::kTimer;
                message.window = owner->window;
                message.id = id;
                owner->queue->PostUnlessQueued(std::move(message));
            });
        }
        // The system's shortest interval is ten milliseconds; none shorter keeps the loop busy.
        timer->start(static_cast<int>(std::clamp<std::uint32_t>(milliseconds, 10, 0x7FFFFFFF)));
    });
}

void KillTimer(WindowHandle window, std::uint32_t id)
{
    WithEntry(window, [id](Entry& entry) {
        auto found = entry.timers.find(id);
        if (found == entry.timers.end())
            return;
        delete found->second.data();
        entry.timers.erase(found);
    });
}

} // namespace platform
