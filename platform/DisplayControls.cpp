#include "DisplayControls.h"

#include "DisplayInput.h"
#include "DisplayLook.h"
#include "DisplayRegistry.h"
#include "DisplayText.h"

#include <QWidget>

namespace platform::display {

WindowHandle CreateControlOnGui(const ControlOptions& options, bool inDialog)
{
    Prune();
    Entry* parent = FindEntry(options.parent);
    if (parent == nullptr)
        return 0;
    QWidget* parentWidget = parent->client.data();
    if (parentWidget == nullptr)
        return 0;
    const ControlAdapter* adapter = AdapterFor(options.kind);
    QWidget* widget = adapter != nullptr ? adapter->Make(options, parentWidget, inDialog) : nullptr;
    if (widget == nullptr)
        return 0;
    if (IsGiven(options.font))
        widget->setFont(ToQFont(options.font, widget->font()));
    ApplyColours(widget, options.textColour, options.backgroundColour);
    Place(widget, options.rect);
    widget->setEnabled(options.enabled);
    if (!options.accessibleName.empty())
        widget->setAccessibleName(FromAnsi(options.accessibleName));
    if (!options.accessibleDescription.empty())
        widget->setAccessibleDescription(FromAnsi(options.accessibleDescription));
    if (adapter->TakesFocus())
        widget->setFocusPolicy(options.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    else
        widget->setFocusPolicy(Qt::NoFocus);

    Entry entry;
    entry.kind = EntryKind::Control;
    entry.queue = parent->queue;
    entry.window = parent->window;
    entry.id = options.id;
    entry.control = options.kind;
    entry.adapter = adapter;
    if (adapter->HoldsControls())
        entry.client = widget;
    const WindowHandle window = parent->window;
    const WindowHandle handle = Register(widget, std::move(entry));
    if (options.defaultButton && options.kind == ControlKind::Button) {
        if (Entry* owner = FindEntry(window))
            owner->defaultButton = handle;
    }
    if (!inDialog) {
        adapter->Connect(*widget, handle);
        WatchInput(widget);
    }
    widget->setVisible(options.visible);
    return handle;
}

ControlOptions DescribeControlOnGui(const Entry& control)
{
    const QWidget* widget = control.widget.data();
    ControlOptions options;
    options.kind = control.control;
    options.id = control.id;
    options.rect = { widget->x(), widget->y(), widget->width(), widget->height() };
    options.tabStop = widget->focusPolicy() == Qt::StrongFocus;
    options.enabled = widget->isEnabled();
    options.visible = !widget->isHidden();
    options.accessibleName = ToAnsi(widget->accessibleName());
    options.accessibleDescription = ToAnsi(widget->accessibleDescription());
    control.adapter->Describe(*widget, options);
    options.textColour = TextColourOf(widget);
    const QFont font = widget->font();
    options.font.face = ToAnsi(font.family());
    options.font.pointSize = font.pointSize();
    options.font.weight = font.weight() >= QFont::Bold ? 700 : 400;
    return options;
}

namespace {

/// The test driver's observer of the accessibility events the display raises.
AccessibleEventObserver g_accessibleEventObserver = nullptr;

} // namespace

void RaiseAccessibleEvent(QWidget& widget, QAccessible::Event event)
{
    QAccessibleEvent raised(&widget, event);
    QAccessible::updateAccessibility(&raised);
    if (g_accessibleEventObserver != nullptr)
        g_accessibleEventObserver(widget, event);
}

void ObserveAccessibleEvents(AccessibleEventObserver observer)
{
    g_accessibleEventObserver = observer;
}

namespace {

/// The entry of `handle` when it is a control, or null.
const Entry* ControlEntry(WindowHandle handle)
{
    const Entry* entry = FindEntry(handle);
    return entry != nullptr && entry->kind == EntryKind::Control ? entry : nullptr;
}

/// True when the control is enabled and not hidden, by its own flags (not its window's).
bool IsUsable(const Entry& control)
{
    return control.widget->isEnabled() && !control.widget->isHidden();
}

} // namespace

} // namespace platform::display

namespace platform {

using display::Entry;
using display::OnGui;

WindowHandle CreateControl(const ControlOptions& options)
{
    return OnGui<WindowHandle>(
        0, [&options] { return display::CreateControlOnGui(options, false); });
}

WindowHandle FindControl(WindowHandle window, std::uint32_t id)
{
    return OnGui<WindowHandle>(0, [window, id] {
        display::Prune();
        for (const auto& [handle, entry] : display::Entries()) {
            if (entry.kind == display::EntryKind::Control && entry.window == window
                && entry.id == id)
                return handle;
        }
        return WindowHandle { 0 };
    });
}

std::uint32_t ControlId(WindowHandle control)
{
    return OnGui<std::uint32_t>(0, [control] {
        const Entry* entry = display::FindEntry(control);
        return entry != nullptr ? entry->id : 0;
    });
}

bool IsTabStop(WindowHandle control)
{
    return OnGui(false, [control] {
        const Entry* entry = display::ControlEntry(control);
        return entry != nullptr && entry->widget->focusPolicy() == Qt::StrongFocus
            && display::IsUsable(*entry);
    });
}

bool TakesKeyboardInput(WindowHandle control)
{
    return OnGui(false, [control] {
        const Entry* entry = display::ControlEntry(control);
        return entry != nullptr && entry->adapter->TakesKeyboardInput()
            && display::IsUsable(*entry);
    });
}

std::u32string UnspellableCharacters(WindowHandle control)
{
    return OnGui<std::u32string>({}, [control] {
        const Entry* entry = display::ControlEntry(control);
        return entry != nullptr ? display::Unspellable(entry->adapter->EditedText(*entry->widget))
                                : std::u32string();
    });
}

void SetAccessibleDescription(WindowHandle control, std::string_view text)
{
    display::WithEntry(control, [text](Entry& entry) {
        if (entry.kind == display::EntryKind::Control)
            entry.widget->setAccessibleDescription(display::FromAnsi(text));
    });
}

void SetIcon(WindowHandle control, StandardIcon icon)
{
    display::WithEntry(control, [icon](Entry& entry) {
        if (entry.adapter != nullptr)
            entry.adapter->SetIcon(*entry.widget, icon);
    });
}

void SetTextColour(WindowHandle control, std::uint32_t colour)
{
    display::WithEntry(control, [colour](Entry& entry) {
        if (entry.kind == display::EntryKind::Control)
            display::ReplaceTextColour(entry.widget.data(), colour);
    });
}

void SetAccessibleName(WindowHandle control, std::string_view text)
{
    display::WithEntry(control, [text](Entry& entry) {
        if (entry.kind == display::EntryKind::Control)
            entry.widget->setAccessibleName(display::FromAnsi(text));
    });
}

void Announce(WindowHandle control, std::string_view text)
{
    // The toolkit has no announcement of its own: a name change together with an alert on the
    // control is what a screen reader speaks without the focus moving. Both are raised even
    // when the name stays the same, so that an answer given twice is heard twice.
    display::WithEntry(control, [text](Entry& entry) {
        if (entry.kind != display::EntryKind::Control)
            return;
        QWidget& widget = *entry.widget;
        widget.setAccessibleName(display::FromAnsi(text));
        display::RaiseAccessibleEvent(widget, QAccessible::NameChanged);
        display::RaiseAccessibleEvent(widget, QAccessible::Alert);
    });
}

void SetChecked(WindowHandle control, bool checked)
{
    display::WithEntry(control, [checked](Entry& entry) {
        if (entry.adapter != nullptr)
            entry.adapter->SetChecked(*entry.widget, checked);
    });
}

bool IsChecked(WindowHandle control)
{
    return OnGui(false, [control] {
        const Entry* entry = display::ControlEntry(control);
        return entry != nullptr && entry->adapter->IsChecked(*entry->widget);
    });
}

} // namespace platform
