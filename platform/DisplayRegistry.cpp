#include "DisplayRegistry.h"

#include <QVariant>

#include <atomic>

namespace platform::display {

namespace {

const char* const kHandleProperty = "varnHandle";

/// Every handle ever given out; 0 is none. Never reused, not even by a later display.
std::atomic<WindowHandle> g_lastHandle { 0 };

} // namespace

std::map<WindowHandle, Entry>& Entries()
{
    static std::map<WindowHandle, Entry> entries;
    return entries;
}

void Prune()
{
    std::erase_if(Entries(), [](const auto& item) { return item.second.widget.isNull(); });
}

WindowHandle Register(QWidget* widget, Entry entry)
{
    const WindowHandle handle = ++g_lastHandle;
    widget->setProperty(kHandleProperty, QVariant::fromValue(handle));
    if (entry.kind != EntryKind::Control)
        entry.window = handle;
    entry.widget = widget;
    Entries()[handle] = std::move(entry);
    return handle;
}

Entry* FindEntry(WindowHandle handle)
{
    if (handle == 0)
        return nullptr;
    auto found = Entries().find(handle);
    if (found == Entries().end())
        return nullptr;
    if (found->second.widget.isNull()) {
        Entries().erase(found);
        return nullptr;
    }
    return &found->second;
}

WindowHandle HandleOf(const QObject* object)
{
    for (; object != nullptr; object = object->parent()) {
        const QVariant handle = object->property(kHandleProperty);
        if (handle.isValid())
            return handle.value<WindowHandle>();
    }
    return 0;
}

WindowHandle OwnHandleOf(const QObject* object)
{
    return object->property(kHandleProperty).value<WindowHandle>();
}

std::vector<WindowHandle> WindowHandles()
{
    Prune();
    std::vector<WindowHandle> handles;
    for (const auto& [handle, entry] : Entries()) {
        if (entry.kind != EntryKind::Control)
            handles.push_back(handle);
    }
    return handles;
}

WindowHandle RegisterDialog(QWidget* dialog, std::shared_ptr<MessageQueue> queue)
{
    Prune();
    Entry entry;
    entry.kind = EntryKind::Dialog;
    entry.queue = std::move(queue);
    return Register(dialog, std::move(entry));
}

void PostTo(const Entry& entry, Message message)
{
    if (entry.queue == nullptr)
        return;
    message.window = entry.window;
    entry.queue->Post(std::move(message));
}

void PostCommand(WindowHandle control, std::int64_t notification)
{
    if (const Entry* entry = FindEntry(control)) {
        Message message;
        message.message = Msg::kCommand;
        message.id = entry->id;
        message.wParam = notification;
        PostTo(*entry, std::move(message));
    }
}

} // namespace platform::display
