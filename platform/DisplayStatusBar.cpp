#include "DisplayRegistry.h"
#include "DisplayText.h"

#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QStatusBar>

// A window's status bar: zones of fixed or remaining width, left to right.

namespace platform {

using display::Entry;
using display::EntryKind;
using display::WithEntry;

void SetStatusBar(WindowHandle window, const std::vector<std::int32_t>& widths)
{
    WithEntry(window, [&widths](Entry& entry) {
        if (entry.kind == EntryKind::Control || entry.kind == EntryKind::Dialog)
            return;
        QStatusBar* bar = nullptr;
        if (auto* main = qobject_cast<QMainWindow*>(entry.widget.data())) {
            bar = main->statusBar();
        } else {
            QWidget* content = entry.widget.data();
            if (auto* sub = qobject_cast<QMdiSubWindow*>(content))
                content = sub->widget();
            bar = content->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
            if (bar == nullptr && !widths.empty()) {
                bar = new QStatusBar(content);
                content->layout()->addWidget(bar);
            }
        }
        if (bar == nullptr)
            return;
        for (const QPointer<QLabel>& zone : entry.statusZones)
            delete zone.data();
        entry.statusZones.clear();
        for (const std::int32_t width : widths) {
            auto* zone = new QLabel(bar);
            if (width >= 0)
                zone->setFixedWidth(width);
            bar->addWidget(zone, width < 0 ? 1 : 0);
            entry.statusZones.emplace_back(zone);
        }
        bar->setVisible(!widths.empty());
    });
}

void SetStatusText(WindowHandle window, std::size_t zone, std::string_view text)
{
    WithEntry(window, [zone, text](Entry& entry) {
        if (zone < entry.statusZones.size() && !entry.statusZones[zone].isNull())
            entry.statusZones[zone]->setText(display::FromAnsi(text));
    });
}

std::string StatusText(WindowHandle window, std::size_t zone)
{
    std::string text;
    WithEntry(window, [zone, &text](Entry& entry) {
        if (zone < entry.statusZones.size() && !entry.statusZones[zone].isNull())
            text = display::ToAnsi(entry.statusZones[zone]->text());
    });
    return text;
}

} // namespace platform
