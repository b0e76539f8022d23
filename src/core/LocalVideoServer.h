#pragma once

#include "core/Camera.h"
#include "utils/MemoryChecker.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class LocalVideoServerPrivate;
}

class LocalVideoServer;
typedef std::shared_ptr<LocalVideoServer> LocalVideoServerPtr;

// A video server of the local network, asked directly with its password; its id host:port is fixed at birth.
class LocalVideoServer : public QObject, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum LocalVideoServerState : int { Online = 0, AccessDenied = 1, IncorrectAnswer = 2, Offline = 3 };
    Q_ENUM(LocalVideoServerState)

    LocalVideoServer(LocalVideoServerState state, const QString& host, int port, const QString& name,
                     const QString& password, bool archiveExportSupported, bool archiveSearchSupported);
    ~LocalVideoServer() override;

    LocalVideoServerState state() const;
    QString host() const;
    int port() const;
    QString name() const;
    QString password() const;
    QString id() const;
    bool isArchiveExportSupported() const;
    bool isArchiveSearchSupported() const;
    bool hasCamera(camera_id_t id) const;
    QMap<camera_id_t, CameraPtr> cameras() const;
    // True when the host or the name is empty or the port is 0.
    bool isEmpty() const;

    void setState(LocalVideoServerState state);
    void setName(const QString& name);
    // Cameras already added keep the password they copied.
    void setPassword(const QString& password);
    void setArchiveExportSupported(bool supported);
    void setArchiveSearchSupported(bool supported);

    void addCamera(CameraPtr camera);
    // A camera removed writes a line of its own, up to the log cap's count of those removed at once. A caller that
    // removes the cameras of many servers sums the lines up itself, and says with `logged` which ones are written.
    void removeCamera(camera_id_t id);
    void removeCamera(camera_id_t id, bool logged);
    void removeAllCameras(bool logged = true);

    bool operator==(const LocalVideoServer& other) const;
    bool operator!=(const LocalVideoServer& other) const;

    static QString stateText(LocalVideoServerState state);
    static QString shortStateText(LocalVideoServerState state);

signals:
    void nameChanged(QString newName);
    void stateChanged(Core::LocalVideoServer::LocalVideoServerState newState);
    void cameraAdded(Core::CameraPtr camera);
    void cameraRemoved(Core::camera_id_t id);
    void camerasRemoved();

private:
    std::unique_ptr<Internal::LocalVideoServerPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_METATYPE(QuorvelClient::Core::LocalVideoServerPtr)
