#include "gui/roster/RosterTree.h"

#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/CameraWidget.h"
#include "gui/roster/LocalServerTreeItem.h"
#include "gui/roster/ServerTreeItem.h"
#include "gui/roster/ServerWidget.h"

#include <QEvent>
#include <QHash>
#include <QStyledItemDelegate>

#include <memory>

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

// The height of a row's widget with and without its state line.
int widgetHeight(QWidget* viewport, int type, bool withState)
{
    static int heights[2][2] = {{-1, -1}, {-1, -1}};
    const bool camera = type == CameraTreeItem::Type;
    int& height = heights[camera][withState];
    if (height < 0) {
        const QString state = withState ? QStringLiteral("A") : QString();
        // Made where the rows' widgets are, and polished as a shown one is: a frame's style sheet border counts
        // only then.
        std::unique_ptr<QWidget> widget;
        if (camera)
            widget = std::make_unique<CameraWidget>(QStringLiteral("A"), state, true, viewport);
        else
            widget = std::make_unique<ServerWidget>(QStringLiteral("A"), state, viewport);
        widget->ensurePolished();
        height = widget->sizeHint().height();
    }
    return height;
}

// Whether the row's widget will show a state line, or -1 for a row without a widget of its own.
int withStateLine(const QTreeWidgetItem* item)
{
    switch (item->type()) {
    case CameraTreeItem::Type:
        return static_cast<const CameraTreeItem*>(item)->camera()->flags() != Core::Camera::CameraFlags();
    case ServerTreeItem::Type:
        return !Core::VideoServer::flagsToString(static_cast<const ServerTreeItem*>(item)->server()->flags()).isEmpty();
    case LocalServerTreeItem::Type:
        return !Core::LocalVideoServer::shortStateText(static_cast<const LocalServerTreeItem*>(item)->server()->state())
                    .isEmpty();
    default:
        return -1;
    }
}

// Sizes a row that has no widget yet as the view will size it with its widget: the taller of the widget and what
// the row draws itself.
class RowDelegate : public QStyledItemDelegate
{
public:
    explicit RowDelegate(RosterTree* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() != 0 || m_tree->indexWidget(index))
            return size;
        const QTreeWidgetItem* item = m_tree->itemFromIndex(index);
        const int withState = item ? withStateLine(item) : -1;
        if (withState < 0)
            return size;
        size.setHeight(qMax(size.height(), widgetHeight(m_tree->viewport(), item->type(), withState)));
        return size;
    }

private:
    RosterTree* m_tree;
};

} // namespace

RosterTree::RosterTree(QWidget* parent) : QTreeWidget(parent)
{
    setItemDelegate(new RowDelegate(this));
}

void RosterTree::loadShownRows()
{
    const int bottom = viewport()->height();
    // Should a widget come out of another height than its row had, other rows come into view.
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

RosterTree::Batch::Batch(RosterTree* tree) : m_tree(tree)
{
    ++m_tree->m_batches;
}

RosterTree::Batch::~Batch()
{
    --m_tree->m_batches;
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

void RosterTree::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    // With a layout pending the view leaves a changed row to it; placed at once, a row costs as much as the rows
    // above it.
    if (m_batches > 0)
        scheduleDelayedItemsLayout();
    QTreeWidget::dataChanged(topLeft, bottomRight, roles);
}

void RosterTree::updateEditorGeometries()
{
    // The view calls this for each row added or taken out, and runs a pending layout from it; in a batch the
    // widgets are placed by the one layout that follows.
    if (m_batches > 0) {
        scheduleDelayedItemsLayout();
        return;
    }
    QTreeWidget::updateEditorGeometries();
}

} // namespace GUI
} // namespace QuorvelClient
