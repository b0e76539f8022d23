#pragma once

#include "core/Camera.h"
#include "core/LocalVideoServer.h"
#include "core/VideoServer.h"

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

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
    void expandAll();
    void collapseAll();
    void removeOpenedCamera(Core::CameraPtr camera);
    void removeAllOpenedCameras();
    void addOpenedCamera(Core::CameraPtr camera);

private slots:
    void requestServerList();
    void onServersListReceived(QVariant serversList);
    void onServersListRequestError(int errorCode);
    void updateLocalServersStatuses();
    void applyFilter(QString text);
    void itemPressed(QTreeWidgetItem* item, int column);
    void serverItemInvalidated();

private:
    void setupTree();
    void createInternetRoot();
    // The rows under both roots.
    QList<QTreeWidgetItem*> serverRows() const;
    bool takeReply();
    void releasePendingRequest();
    void mergeServer(const Core::VideoServerPtr& fresh);
    void sortTree();

    std::unique_ptr<Internal::RosterWidgetPrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
