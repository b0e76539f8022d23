#pragma once

#include "core/Camera.h"
#include "core/VideoServer.h"
#include "utils/MemoryChecker.h"

#include <QObject>
#include <QTreeWidgetItem>

#include <memory>

namespace QuorvelClient {
namespace GUI {

class CameraTreeItem;

namespace Internal {
class ServerTreeItemPrivate;
}

// The roster row of one account video server with a camera row per camera; everything it shows is recomputed
// from the record whenever the record announces a change.
class ServerTreeItem : public QObject, public QTreeWidgetItem, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum { Type = 1001 };

    ServerTreeItem(Core::VideoServerPtr server, QTreeWidgetItem* parent = nullptr);
    ~ServerTreeItem() override;

    Core::VideoServerPtr server() const;
    // Puts the item widgets on the row and its camera rows; the row must be in a tree widget.
    void createWidget();

signals:
    void invalidated();

private slots:
    void onServerStateChanged(Core::VideoServer::VideoServerFlags newFlags);
    void onCameraAdded(Core::CameraPtr camera);
    void removeCameras();
    void removeCamera(Core::camera_id_t cameraId);
    void setName(QString);

private:
    void setState(Core::VideoServer::VideoServerFlags flags);
    void updateText();
    void updateToolTip();
    void addCameraItem(CameraTreeItem* item);

    std::unique_ptr<Internal::ServerTreeItemPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
