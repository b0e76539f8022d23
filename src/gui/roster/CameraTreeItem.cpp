#include "gui/roster/CameraTreeItem.h"

#include "core/PreviewLoader.h"
#include "gui/roster/CameraWidget.h"
#include "gui/roster/RowTexts.h"
#include "utils/CutText.h"

#include <QPointer>
#include <QTreeWidget>

namespace QuorvelClient {
namespace GUI {

namespace Internal {

class CameraTreeItemPrivate
{
public:
    Core::CameraPtr camera;
    // Owned by the tree view once set on the row.
    QPointer<CameraWidget> widget;
    // The status sentence, before the widget's cut texts are added to make the tooltip.
    QString sentence;
    // The camera is on the preview loader's list on behalf of this row.
    bool previewListed = false;
};

} // namespace Internal

CameraTreeItem::CameraTreeItem(Core::CameraPtr camera, QTreeWidgetItem* parent)
    : QObject(nullptr), QTreeWidgetItem(parent, Type), m_cameraId(camera->id()), d(new Internal::CameraTreeItemPrivate)
{
    d->camera = camera;
    connect(camera.get(), &Core::Camera::flagsChanged, this, &CameraTreeItem::setState);
    connect(camera.get(), &Core::Camera::previewChanged, this, &CameraTreeItem::onPreviewChanged);
    // The tooltip from the start: the widget comes only when the row is first painted.
    setState(camera->flags());
}

CameraTreeItem::~CameraTreeItem()
{
    // A row deleted with its parent row goes before the view hides its widget, so the widget's previewOff() would
    // reach nobody and the loader would refresh the camera for ever.
    if (d->previewListed)
        Core::PreviewLoader::instance()->removeCamera(d->camera->globalId());
}

void CameraTreeItem::createWidget()
{
    // Made on the viewport, where the view would move it: moving a finished widget there costs nearly as much again.
    auto* widget = new CameraWidget(d->camera->name(), QString(), d->camera->flags() == Core::Camera::CameraFlags(),
                                    treeWidget()->viewport());
    treeWidget()->setItemWidget(this, 0, widget);
    d->widget = widget;
    setState(d->camera->flags());
    // A row made again for a camera that already has a preview shows it at once.
    const QByteArray preview = d->camera->preview();
    if (!preview.isEmpty())
        widget->setPreview(preview);
    connect(widget, &CameraWidget::previewOn, this, &CameraTreeItem::onPreviewShow);
    connect(widget, &CameraWidget::previewOff, this, &CameraTreeItem::onPreviewHide);
    connect(widget, &CameraWidget::cutTextsChanged, this, &CameraTreeItem::updateToolTip);
}

Core::CameraPtr CameraTreeItem::camera() const
{
    return d->camera;
}

void CameraTreeItem::removeRows(QTreeWidgetItem* serverRow, Core::camera_id_t cameraId, int most)
{
    // Stops at the last row there can be: a list of thousands of cameras replaced would walk every row for each.
    for (int i = 0; i < serverRow->childCount() && most > 0; ++i) {
        QTreeWidgetItem* item = serverRow->child(i);
        if (item->type() == Type && static_cast<CameraTreeItem*>(item)->m_cameraId == cameraId) {
            // Taken out first, so that the view hides the row's widget while the row can still hear of it.
            serverRow->removeChild(item);
            delete item;
            --i;
            --most;
        }
    }
}

bool CameraTreeItem::removeAllRows(QTreeWidgetItem* serverRow)
{
    if (serverRow->childCount() == 0)
        return false;
    for (int i = 0; i < serverRow->childCount(); ++i) {
        QTreeWidgetItem* item = serverRow->child(i);
        if (item->type() == Type)
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    const QList<QTreeWidgetItem*> items = serverRow->takeChildren();
    qDeleteAll(items);
    return true;
}

void CameraTreeItem::setState(Core::Camera::CameraFlags flags)
{
    const QString status = Core::Camera::flagsToString(flags);
    const bool online = flags == Core::Camera::CameraFlags();
    d->sentence = tr("\"%1\" camera is %2").arg(Utils::cutText(d->camera->name()), online ? tr("online") : status);
    if (d->widget) {
        d->widget->setState(status);
        d->widget->setOnline(online);
    }
    updateToolTip();
}

void CameraTreeItem::updateToolTip()
{
    setData(0, Qt::ToolTipRole, rowToolTip(d->sentence, d->widget ? d->widget->cutTexts() : QStringList()));
}

void CameraTreeItem::onPreviewChanged(QByteArray preview)
{
    if (!d->widget)
        return;
    if (d->widget->setPreview(preview) && treeWidget())
        treeWidget()->update();
}

void CameraTreeItem::onPreviewShow()
{
    d->previewListed = true;
    Core::PreviewLoader::instance()->addCamera(d->camera);
}

void CameraTreeItem::onPreviewHide()
{
    d->previewListed = false;
    Core::PreviewLoader::instance()->removeCamera(d->camera->globalId());
}

} // namespace GUI
} // namespace QuorvelClient
