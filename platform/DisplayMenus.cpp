#include "DisplayMenus.h"

#include "DisplayRegistry.h"
#include "DisplayText.h"
#include "DisplayWindows.h"

#include <QAction>
#include <QLayout>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace platform::display {

namespace {

QMenuBar* MenuBarFor(Entry& entry, bool create)
{
    if (auto* main = qobject_cast<QMainWindow*>(entry.widget.data()))
        return main->menuBar();
    QWidget* content = entry.widget.data();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(content))
        content = sub->widget();
    if (content == nullptr || content->layout() == nullptr)
        return nullptr;
    auto* bar = qobject_cast<QMenuBar*>(content->layout()->menuBar());
    if (bar == nullptr && create) {
        bar = new QMenuBar(content);
        bar->setNativeMenuBar(false);
        content->layout()->setMenuBar(bar);
    }
    return bar;
}

/// An item that posts Msg::kCommand with `id` to `window`'s thread when chosen.
QAction* MakeCommandItem(const MenuItem& item, QWidget* menu, WindowHandle window)
{
    auto* action = new QAction(FromAnsi(item.text), menu);
    menu->addAction(action);
    const std::uint32_t id = item.id;
    QObject::connect(action, &QAction::triggered, action, [action, window, id] {
        // As with the system's menus, choosing an item does not tick it: the program does.
        if (action->isCheckable())
            action->setChecked(!action->isChecked());
        if (const Entry* owner = FindEntry(window)) {
            Message message;
            message.message = Msg::kCommand;
            message.id = id;
            PostTo(*owner, std::move(message));
        }
    });
    return action;
}

void AddMenuItems(
    QWidget* menu, const std::vector<MenuItem>& items, Entry& entry, WindowHandle window)
{
    for (const MenuItem& item : items) {
        if (item.separator) {
            if (auto* popup = qobject_cast<QMenu*>(menu))
                popup->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (!item.items.empty()) {
            auto* sub = new QMenu(FromAnsi(item.text), menu);
            AddMenuItems(sub, item.items, entry, window);
            action = sub->menuAction();
            menu->addAction(action);
        } else {
            action = MakeCommandItem(item, menu, window);
        }
        action->setEnabled(item.enabled);
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        if (item.id != 0)
            entry.menuItems[item.id] = action;
    }
}

/// The action of menu item `id` of the window, null when there is none.
QAction* ItemAction(Entry& window, std::uint32_t id)
{
    auto found = window.menuItems.find(id);
    return found != window.menuItems.end() ? found->second.data() : nullptr;
}

/// Lists the frame's MDI children at the end of `menu`, below a separator, numbered in opening
/// order, the active one ticked, replacing the list it held.
void ListWindows(QMenu* menu, WindowHandle frame)
{
    static const char* const kListed = "varnWindowList";
    for (QAction* old : menu->actions()) {
        if (old->property(kListed).toBool()) {
            menu->removeAction(old);
            delete old;
        }
    }
    QMdiArea* area = MdiAreaOf(FindEntry(frame));
    if (area == nullptr)
        return;
    const QList<QMdiSubWindow*> children = area->subWindowList(QMdiArea::CreationOrder);
    if (children.isEmpty())
        return;
    menu->addSeparator()->setProperty(kListed, true);
    int number = 0;
    for (QMdiSubWindow* child : children) {
        ++number;
        QAction* item
            = menu->addAction(QStringLiteral("&%1 %2").arg(number).arg(child->windowTitle()));
        item->setProperty(kListed, true);
        item->setCheckable(true);
        item->setChecked(child == area->activeSubWindow());
        const QPointer<QMdiSubWindow> target(child);
        QObject::connect(item, &QAction::triggered, item, [area, target] {
            if (!target.isNull())
                area->setActiveSubWindow(target.data());
        });
    }
}

} // namespace

QMenu* MenuOfItem(Entry& window, std::uint32_t id)
{
    const QAction* action = ItemAction(window, id);
    return action != nullptr ? action->menu() : nullptr;
}

std::optional<MenuItem> DescribeMenuItemOnGui(Entry& window, std::uint32_t id)
{
    const QAction* action = ItemAction(window, id);
    if (action == nullptr)
        return std::nullopt;
    MenuItem item;
    item.id = id;
    item.text = ToAnsi(action->text());
    item.enabled = action->isEnabled();
    item.checkable = action->isCheckable();
    item.checked = action->isChecked();
    if (QMenuBar* bar = MenuBarFor(window, false)) {
        const QWidget* corner = bar->cornerWidget(Qt::TopRightCorner);
        item.rightJustified = corner != nullptr && action->parent() == corner;
    }
    if (const QMenu* menu = action->menu()) {
        for (const QAction* inner : menu->actions()) {
            MenuItem child;
            child.separator = inner->isSeparator();
            child.text = ToAnsi(inner->text());
            item.items.push_back(std::move(child));
        }
    }
    return item;
}

} // namespace platform::display

namespace platform {

using display::Entry;
using display::EntryKind;
using display::WithEntry;

void SetMenuBar(WindowHandle window, const std::vector<MenuItem>& menus)
{
    WithEntry(window, [window, &menus](Entry& entry) {
        if (entry.kind == EntryKind::Control || entry.kind == EntryKind::Dialog)
            return;
        QMenuBar* bar = display::MenuBarFor(entry, true);
        if (bar == nullptr)
            return;
        bar->clear();
        for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
            delete old;
        if (QWidget* corner = bar->cornerWidget(Qt::TopRightCorner)) {
            bar->setCornerWidget(nullptr, Qt::TopRightCorner);
            delete corner;
        }
        entry.menuItems.clear();
        // A right-justified entry of the bar and every entry after it sit at the bar's right end.
        const auto right = std::find_if(
            menus.begin(), menus.end(), [](const MenuItem& item) { return item.rightJustified; });
        display::AddMenuItems(bar, std::vector<MenuItem>(menus.begin(), right), entry, window);
        if (right != menus.end()) {
            auto* corner = new QMenuBar(bar);
            corner->setNativeMenuBar(false);
            display::AddMenuItems(corner, std::vector<MenuItem>(right, menus.end()), entry, window);
            bar->setCornerWidget(corner, Qt::TopRightCorner);
            corner->show();
        }
    });
}

void EnableMenuItem(WindowHandle window, std::uint32_t id, bool enabled)
{
    WithEntry(window, [id, enabled](Entry& entry) {
        if (QAction* action = display::ItemAction(entry, id))
            action->setEnabled(enabled);
    });
}

void CheckMenuItem(WindowHandle window, std::uint32_t id, bool checked)
{
    WithEntry(window, [id, checked](Entry& entry) {
        if (QAction* action = display::ItemAction(entry, id)) {
            action->setCheckable(true);
            action->setChecked(checked);
        }
    });
}

void SetWindowListMenu(WindowHandle frame, std::uint32_t menuId)
{
    WithEntry(frame, [frame, menuId](Entry& entry) {
        QMenu* menu = display::MenuOfItem(entry, menuId);
        if (entry.kind != EntryKind::Frame || menu == nullptr)
            return;
        QObject::connect(
            menu, &QMenu::aboutToShow, menu, [menu, frame] { display::ListWindows(menu, frame); });
    });
}

} // namespace platform
