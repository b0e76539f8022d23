#pragma once

#include "core/Camera.h"
#include "core/LocalVideoServer.h"
#include "core/VideoServer.h"

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

class QKeyEvent;
class QTreeWidgetItem;

namespace QuorvelClient {
namespace GUI {

namespace Internal {
class RosterWidgetPrivate;
}

// The tree of everything the user can watch: the account's video servers under "Internet videoservers" and the
// local video servers under "Local videoservers", each with its cameras. `init` starts a session's requests and
// timers, `deinit` stops them; the rows follow the records, which later replies change in place.
class RosterWidget : public QWidget
{
    Q_OBJECT
public:
    explicit RosterWidget(QWidget* parent = nullptr);
    ~RosterWidget() override;

signals:
    void openCamerasRequested(Core::GlobalCameraList cameras, bool newLayout);
    void localVideoserverStateChanged(Core::LocalVideoServer* server,
                                      Core::LocalVideoServer::LocalVideoServerState state);
    void relogin();
    void badSession();

public slots:
    void init(bool localOnly);
    void deinit();
    void showProperties();
    void payForService();
    void expandAll();
    void collapseAll();
    void addLocalServer();
    void removeLocalServers();
    void removeOpenedCamera(Core::CameraPtr camera);
    void removeAllOpenedCameras();
    void addOpenedCamera(Core::CameraPtr camera);

private slots:
    void requestServerList();
    void onServersListReceived(QVariant serversList);
    void onServersListRequestError(int errorCode);
    void loadLocalRoster();
    void saveLocalRoster();
    void updateLocalServersStatuses();
    void getLocalServerCameras(Core::LocalVideoServerPtr server);
    void getLocalServerInfo(Core::LocalVideoServerPtr server);
    void onLocalCamerasReceived(QVariant responce);
    void onCameraListRequestError(int errorCode, int httpStatus);
    void onLocalVsInfoReceived(QVariant responce);
    void onVsInfoRequestError(int errorCode, int httpStatus);
    void applyFilter(QString text);
    void itemPressed(QTreeWidgetItem* item, int column);
    void serverItemInvalidated();
    void onLocalVideoserverStateChanged(Core::LocalVideoServer::LocalVideoServerState state);
    void itemClicked(QTreeWidgetItem* item, int column);
    void showContextMenu(QPoint pos);
    void openCameras();
    void openAllCameras();
    void showInCurrentTab();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupTree();
    void createActions();
    // The cameras of the selected camera rows, at most the first 16 of them.
    Core::GlobalCameraList selectedCameras() const;
    void createInternetRoot();
    // The rows under both roots.
    QList<QTreeWidgetItem*> serverRows() const;
    bool takeReply();
    void releasePendingRequest();
    void mergeServer(const Core::VideoServerPtr& fresh);
    void sortTree();
    // Takes a local server into the map with its row under the local root; neither saves nor polls.
    void addLocalServerItem(Core::LocalVideoServerPtr server);
    // Asks the servers waiting in the poll cycle while fewer than a fixed number of servers are being asked.
    void pollWaitingServers();
    // Sends "streams/info" (or "vs_info/") to the server unless one is still pending.
    void askLocalServer(const Core::LocalVideoServerPtr& server, bool cameraList);
    // Takes the row of an equal server out of the tree and the server's id out of the map; neither saves nor polls.
    void removeLocalServerItem(Core::LocalVideoServerPtr server);
    void editLocalServer(const Core::LocalVideoServerPtr& current);
    // Takes the cameras off a polled server, its line counted with the others of the poll cycle.
    void removeAllLocalCameras(const Core::LocalVideoServerPtr& server);
    // The local server a reply of a pending request belongs to, null when it left the map meanwhile; the request
    // is forgotten and its client released.
    Core::LocalVideoServerPtr takeLocalReply(bool cameraList);

    std::unique_ptr<Internal::RosterWidgetPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
