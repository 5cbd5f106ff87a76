#include "DisplayRegistry.h"
#include "DisplayWindows.h"

#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>

// Laying out a frame's MDI children and listing them.

namespace platform {

using display::Entry;

void ArrangeMdiChildren(WindowHandle frame, MdiArrangement how)
{
    display::WithEntry(frame, [how](Entry& entry) {
        QMdiArea* area = display::MdiAreaOf(&entry);
        if (area == nullptr)
            return;
        const QList<QMdiSubWindow*> children = area->subWindowList(QMdiArea::CreationOrder);
        switch (how) {
        case MdiArrangement::Tile:
            area->tileSubWindows();
            return;
        case MdiArrangement::Cascade: {
            // Each keeps its own size (the toolkit's cascade would shrink hand-placed contents
            // to nothing), one title bar lower and further right than the one behind it.
            const int step = area->style()->pixelMetric(QStyle::PM_TitleBarHeight);
            int offset = 0;
            for (QMdiSubWindow* child : children) {
                if (child->isMinimized() || !child->isVisible())
                    continue;
                if (child->isMaximized())
                    child->showNormal();
                child->move(offset, offset);
                child->raise();
                offset += step;
            }
            return;
        }
        case MdiArrangement::ArrangeIcons: {
            // Minimised children in a row along the bottom, left to right, in opening order.
            int x = 0;
            for (QMdiSubWindow* child : children) {
                if (!child->isMinimized())
                    continue;
                const QSize size = child->size();
                child->move(x, area->viewport()->height() - size.height());
                x += size.width();
            }
            return;
        }
        case MdiArrangement::TileHorizontal:
        case MdiArrangement::TileVertical: {
            QList<QMdiSubWindow*> shown;
            for (QMdiSubWindow* child : children) {
                if (!child->isMinimized() && child->isVisible())
                    shown.push_back(child);
            }
            if (shown.isEmpty())
                return;
            const QSize space = area->viewport()->size();
            const int count = static_cast<int>(shown.size());
            for (int i = 0; i < count; ++i) {
                QMdiSubWindow* child = shown[i];
                if (child->isMaximized())
                    child->showNormal();
                if (how == MdiArrangement::TileHorizontal) {
                    const int top = space.height() * i / count;
                    child->setGeometry(
                        0, top, space.width(), space.height() * (i + 1) / count - top);
                } else {
                    const int left = space.width() * i / count;
                    child->setGeometry(
                        left, 0, space.width() * (i + 1) / count - left, space.height());
                }
            }
            return;
        }
        }
    });
}

std::vector<WindowHandle> MdiChildren(WindowHandle frame)
{
    return display::OnGui<std::vector<WindowHandle>>({}, [frame] {
        std::vector<WindowHandle> handles;
        Entry* entry = display::FindEntry(frame);
        QMdiArea* area = display::MdiAreaOf(entry);
        if (area == nullptr)
            return handles;
        for (QMdiSubWindow* child : area->subWindowList(QMdiArea::CreationOrder)) {
            if (WindowHandle handle = display::HandleOf(child))
                handles.push_back(handle);
        }
        return handles;
    });
}

} // namespace platform
