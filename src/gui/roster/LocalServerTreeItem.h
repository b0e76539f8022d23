#pragma once

#include "core/Camera.h"
#include "core/LocalVideoServer.h"
#include "utils/MemoryChecker.h"

#include <QObject>
#include <QTreeWidgetItem>

#include <memory>

namespace QuorvelClient {
namespace GUI {

class CameraTreeItem;

namespace Internal {
class LocalServerTreeItemPrivate;
}

// The roster row of one local video server with a camera row per camera. Its icon, tooltip, weight and texts
// follow the server's state; access denied and a bad answer drop the camera rows at once.
class LocalServerTreeItem : public QObject, public QTreeWidgetItem, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum { Type = 1003 };

    LocalServerTreeItem(Core::LocalVideoServerPtr server, QTreeWidgetItem* parent = nullptr);
    ~LocalServerTreeItem() override;

    Core::LocalVideoServerPtr server() const;
    // Puts the item widgets on the row and its camera rows, once; the row must be in a tree widget.
    void createWidget();

signals:
    // Never emitted: the roster takes local rows out itself.
    void invalidated();

private slots:
    void onServerStateChanged(Core::LocalVideoServer::LocalVideoServerState newState);
    void onCameraAdded(Core::CameraPtr camera);
    void removeCamera(Core::camera_id_t cameraId);
    void removeCameras();
    void setName(QString);

private:
    void setState(Core::LocalVideoServer::LocalVideoServerState state);
    void updateText();
    void updateToolTip();
    void addCameraItem(CameraTreeItem* item);

    std::unique_ptr<Internal::LocalServerTreeItemPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
