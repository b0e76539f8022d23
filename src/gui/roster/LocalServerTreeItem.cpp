#include "gui/roster/LocalServerTreeItem.h"

#include "gui/roster/CameraCount.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterTree.h"
#include "gui/roster/RowTexts.h"
#include "gui/roster/ServerWidget.h"
#include "utils/CutText.h"

#include <QIcon>
#include <QPointer>
#include <QTreeWidget>

namespace QuorvelClient {
namespace GUI {

namespace Internal {

class LocalServerTreeItemPrivate
{
public:
    Core::LocalVideoServerPtr server;
    // Owned by the tree view once set on the row.
    QPointer<ServerWidget> widget;
    // The status sentence, before the widget's cut texts are added to make the tooltip.
    QString sentence;
};

} // namespace Internal

LocalServerTreeItem::LocalServerTreeItem(Core::LocalVideoServerPtr server, QTreeWidgetItem* parent)
    : QObject(nullptr), QTreeWidgetItem(parent, Type), d(new Internal::LocalServerTreeItemPrivate)
{
    d->server = server;
    Core::LocalVideoServer* record = server.get();
    connect(record, &Core::LocalVideoServer::stateChanged, this, &LocalServerTreeItem::onServerStateChanged);
    connect(record, &Core::LocalVideoServer::cameraAdded, this, &LocalServerTreeItem::onCameraAdded);
    connect(record, &Core::LocalVideoServer::cameraRemoved, this, &LocalServerTreeItem::removeCamera);
    connect(record, &Core::LocalVideoServer::camerasRemoved, this, &LocalServerTreeItem::removeCameras);
    connect(record, &Core::LocalVideoServer::nameChanged, this, &LocalServerTreeItem::setName);

    setState(server->state());
    const QMap<Core::camera_id_t, Core::CameraPtr> cameras = server->cameras();
    for (const Core::CameraPtr& camera : cameras)
        addCameraItem(new CameraTreeItem(camera));
    updateText();
}

LocalServerTreeItem::~LocalServerTreeItem() = default;

Core::LocalVideoServerPtr LocalServerTreeItem::server() const
{
    return d->server;
}

void LocalServerTreeItem::createWidget()
{
    if (d->widget)
        return;
    d->widget = new ServerWidget(d->server->name(), Core::LocalVideoServer::shortStateText(d->server->state()));
    treeWidget()->setItemWidget(this, 0, d->widget);
    connect(d->widget, &ServerWidget::cutTextsChanged, this, &LocalServerTreeItem::updateToolTip);
    setState(d->server->state());
    treeWidget()->update();
}

void LocalServerTreeItem::onServerStateChanged(Core::LocalVideoServer::LocalVideoServerState newState)
{
    // The roster logs the change, with the others of its poll cycle.
    setState(newState);
}

void LocalServerTreeItem::setState(Core::LocalVideoServer::LocalVideoServerState state)
{
    using Core::LocalVideoServer;
    setText(1, QString::number(int(d->server->state())));
    if (d->widget) {
        d->widget->setState(LocalVideoServer::shortStateText(state));
        d->widget->setBold(state == LocalVideoServer::Online);
    }

    const QString name = Utils::cutText(d->server->name());
    QString icon;
    QString tooltip;
    switch (state) {
    case LocalVideoServer::Online:
        icon = QStringLiteral(":icons/server-icon.png");
        tooltip = tr("Videoserver \"%1\" is online").arg(name);
        break;
    case LocalVideoServer::AccessDenied:
        icon = QStringLiteral(":icons/disable-server-icon.png");
        tooltip = tr("Access for server \"%1\" is denied, please check the server's password").arg(name);
        break;
    case LocalVideoServer::IncorrectAnswer:
        icon = QStringLiteral(":icons/disable-server-icon.png");
        tooltip = tr("Videoserver %1 sends some bad data, please, update server and client software").arg(name);
        break;
    case LocalVideoServer::Offline:
        icon = QStringLiteral(":icons/off-server-icon.png");
        tooltip = tr("Videoserver \"%1\" is offline").arg(name);
        break;
    }
    if (!icon.isEmpty()) {
        QFont font = this->font(0);
        font.setWeight(state == LocalVideoServer::Offline ? QFont::Normal : QFont::Bold);
        setFont(0, font);
        setIcon(0, RosterTree::icon(icon));
        d->sentence = tooltip;
        updateToolTip();
        if (state == LocalVideoServer::AccessDenied || state == LocalVideoServer::IncorrectAnswer)
            CameraTreeItem::removeAllRows(this);
    }
    updateText();
}

void LocalServerTreeItem::updateToolTip()
{
    setToolTip(0, rowToolTip(d->sentence, d->widget ? d->widget->cutTexts() : QStringList()));
}

void LocalServerTreeItem::updateText()
{
    QString text = d->server->name();
    if (d->server->state() == Core::LocalVideoServer::Online)
        text += cameraCountText(childCount(), tr("camera"), tr("s"), tr("s%1"));
    if (d->widget)
        d->widget->setName(text);
    setText(2, text);
}

void LocalServerTreeItem::setName(QString)
{
    updateText();
}

void LocalServerTreeItem::onCameraAdded(Core::CameraPtr camera)
{
    addCameraItem(new CameraTreeItem(camera));
}

void LocalServerTreeItem::addCameraItem(CameraTreeItem* item)
{
    addChild(item);
    updateText();
}

void LocalServerTreeItem::removeCamera(Core::camera_id_t cameraId)
{
    // The record announces a camera only while it does not hold its id: a camera has one row at most.
    CameraTreeItem::removeRows(this, cameraId, 1);
    updateText();
}

void LocalServerTreeItem::removeCameras()
{
    if (CameraTreeItem::removeAllRows(this))
        updateText();
}

} // namespace GUI
} // namespace QuorvelClient
