#include "gui/roster/RosterTree.h"

#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/CameraWidget.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/ServerTreeItem.h"
#include "gui/roster/ServerWidget.h"

#include <QEvent>
#include <QHash>

namespace QuorvelClient {
namespace GUI {

namespace {

bool createWidget(QTreeWidgetItem* item)
{
    switch (item->type()) {
    case CameraTreeItem::Type:
        static_cast<CameraTreeItem*>(item)->createWidget();
        return true;
    case ServerTreeItem::Type:
        static_cast<ServerTreeItem*>(item)->createWidget();
        return true;
    case LocalServerTreeItem::Type:
        static_cast<LocalServerTreeItem*>(item)->createWidget();
        return true;
    default:
        return false;
    }
}

} // namespace

RosterTree::RosterTree(QWidget* parent) : QTreeWidget(parent) {}

void RosterTree::loadShownRows()
{
    const int bottom = viewport()->height();
    // New widgets change the heights of rows that had a size from before, which may bring more rows into view.
    for (int round = 0; round < 3; ++round) {
        QList<QTreeWidgetItem*> missing;
        for (QTreeWidgetItem* item = itemAt(0, 0); item; item = itemBelow(item)) {
            if (visualItemRect(item).top() >= bottom)
                break;
            if (!itemWidget(item, 0))
                missing << item;
        }
        bool created = false;
        // Made after the walk: each new widget asks for a new layout, which the walk would run at once.
        for (QTreeWidgetItem* item : std::as_const(missing))
            created = createWidget(item) || created;
        if (!created)
            return;
    }
}

void RosterTree::deferLayout()
{
    // While a layout is pending the view takes changed rows without placing them.
    scheduleDelayedItemsLayout();
}

QSize RosterTree::cameraWidgetSize(bool withState)
{
    static QSize sizes[2];
    QSize& size = sizes[withState];
    if (!size.isValid())
        size = CameraWidget(QStringLiteral("A"), withState ? QStringLiteral("A") : QString(), true).sizeHint();
    return size;
}

QSize RosterTree::serverWidgetSize(bool withState)
{
    static QSize sizes[2];
    QSize& size = sizes[withState];
    if (!size.isValid())
        size = ServerWidget(QStringLiteral("A"), withState ? QStringLiteral("A") : QString()).sizeHint();
    return size;
}

QIcon RosterTree::icon(const QString& resource)
{
    // Kept for the life of the process: an icon made from a file decodes the file at once.
    static auto* icons = new QHash<QString, QIcon>;
    auto found = icons->find(resource);
    if (found == icons->end())
        found = icons->insert(resource, QIcon(resource));
    return found.value();
}

bool RosterTree::viewportEvent(QEvent* event)
{
    // Before the view paints: its paint lays the new widgets out, and they are painted in the same pass.
    if (event->type() == QEvent::Paint)
        loadShownRows();
    return QTreeWidget::viewportEvent(event);
}

} // namespace GUI
} // namespace QuorvelClient
