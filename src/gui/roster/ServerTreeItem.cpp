#include "gui/roster/ServerTreeItem.h"

#include "gui/roster/CameraCount.h"
#include "gui/roster/CameraTreeItem.h"
#include "gui/roster/RosterTree.h"
#include "gui/roster/RowTexts.h"
#include "gui/roster/ServerWidget.h"
#include "utils/CutText.h"
#include "utils/LogCap.h"

#include <QDebug>
#include <QIcon>
#include <QPointer>
#include <QTreeWidget>

namespace QuorvelClient {
namespace GUI {

namespace {

// Flags as Qt 4 logged them: "QFlags(0x2|0x8)", "QFlags()" for none.
QString flagsText(Core::VideoServer::VideoServerFlags flags)
{
    QStringList bits;
    for (int bit = 1; bit <= 0x8; bit <<= 1) {
        if (flags.toInt() & bit)
            bits << QStringLiteral("0x%1").arg(bit, 0, 16);
    }
    return QStringLiteral("QFlags(%1)").arg(bits.join(QLatin1Char('|')));
}

} // namespace

namespace Internal {

class ServerTreeItemPrivate
{
public:
    Core::VideoServerPtr server;
    // Owned by the tree view once set on the row.
    QPointer<ServerWidget> widget;
    // The status sentence, before the widget's cut texts are added to make the tooltip.
    QString sentence;
};

} // namespace Internal

ServerTreeItem::ServerTreeItem(Core::VideoServerPtr server, QTreeWidgetItem* parent)
    : QObject(nullptr), QTreeWidgetItem(parent, Type), d(new Internal::ServerTreeItemPrivate)
{
    d->server = server;
    Core::VideoServer* record = server.get();
    connect(record, &Core::VideoServer::flagsChanged, this, &ServerTreeItem::onServerStateChanged);
    connect(record, &Core::VideoServer::aliasChanged, this, &ServerTreeItem::setName);
    connect(record, &Core::VideoServer::cameraAdded, this, &ServerTreeItem::onCameraAdded);
    connect(record, &Core::VideoServer::cameraRemoved, this, &ServerTreeItem::removeCamera);
    connect(record, &Core::VideoServer::camerasRemoved, this, &ServerTreeItem::removeCameras);
    connect(record, &Core::VideoServer::invalidated, this, &ServerTreeItem::invalidated);

    const QMap<Core::camera_id_t, Core::CameraPtr> cameras = server->cameras();
    for (const Core::CameraPtr& camera : cameras)
        addCameraItem(new CameraTreeItem(camera));
    // The row's state, icon and tooltip from the start: its widget comes only when the row is first painted.
    setState(server->flags());
}

ServerTreeItem::~ServerTreeItem() = default;

Core::VideoServerPtr ServerTreeItem::server() const
{
    return d->server;
}

void ServerTreeItem::createWidget()
{
    d->widget = new ServerWidget(d->server->alias(), Core::VideoServer::flagsToString(d->server->flags()));
    treeWidget()->setItemWidget(this, 0, d->widget);
    connect(d->widget, &ServerWidget::cutTextsChanged, this, &ServerTreeItem::updateToolTip);
    setState(d->server->flags());
    treeWidget()->update();
}

void ServerTreeItem::onServerStateChanged(Core::VideoServer::VideoServerFlags newFlags)
{
    // A roster reply may change every server at once.
    static Utils::LogCap changes(QStringLiteral("videoserver state changes"), QtDebugMsg,
                                 Utils::LogCap::UntilEventLoop);
    if (changes.next())
        qDebug().noquote() << "Videoserver state changed to:" << flagsText(newFlags);
    setState(newFlags);
}

void ServerTreeItem::setState(Core::VideoServer::VideoServerFlags flags)
{
    setText(1, QString::number(d->server->flags().toInt()));
    const bool available = d->server->isAvailable();
    if (d->widget) {
        d->widget->setState(Core::VideoServer::flagsToString(flags));
        d->widget->setBold(available);
    }
    if (available) {
        setIcon(0, RosterTree::icon(QStringLiteral(":icons/server-icon.png")));
        d->sentence = tr("Videoserver \"%1\" is online").arg(Utils::cutText(d->server->alias()));
    } else {
        setIcon(0, RosterTree::icon(QStringLiteral(":icons/off-server-icon.png")));
        d->sentence =
            tr("Videoserver \"%1\" is %2")
                .arg(Utils::cutText(d->server->alias()), Core::VideoServer::flagsToString(d->server->flags()));
    }
    updateToolTip();
    updateText();
}

void ServerTreeItem::updateToolTip()
{
    setToolTip(0, rowToolTip(d->sentence, d->widget ? d->widget->cutTexts() : QStringList()));
}

void ServerTreeItem::updateText()
{
    QString text = d->server->alias();
    if (d->server->isAvailable())
        text += cameraCountText(childCount(), tr("camera"), tr("s"), tr("s%1"));
    if (d->widget)
        d->widget->setName(text);
    setText(2, text);
}

void ServerTreeItem::setName(QString)
{
    updateText();
}

void ServerTreeItem::onCameraAdded(Core::CameraPtr camera)
{
    addCameraItem(new CameraTreeItem(camera));
}

void ServerTreeItem::addCameraItem(CameraTreeItem* item)
{
    addChild(item);
    updateText();
}

void ServerTreeItem::removeCamera(Core::camera_id_t cameraId)
{
    // Each camera the record holds has a row, so the rows beyond them are the most the camera can have: more than
    // one only when the record took a camera again under its id.
    CameraTreeItem::removeRows(this, cameraId, childCount() - int(d->server->cameras().size()));
    updateText();
}

void ServerTreeItem::removeCameras()
{
    if (CameraTreeItem::removeAllRows(this))
        updateText();
}

} // namespace GUI
} // namespace QuorvelClient
