#pragma once

#include "utils/MemoryChecker.h"

#include <QByteArray>
#include <QFlags>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class CameraPrivate;
}

class Camera;

typedef int camera_id_t;
// Ordered by the server id first, then by the camera number.
typedef QPair<QString, camera_id_t> camera_global_id_t;
typedef std::shared_ptr<Camera> CameraPtr;
typedef QMap<camera_global_id_t, CameraPtr> GlobalCameraList;

// A global id as log lines show it: QPair("server",3).
QString globalIdText(const camera_global_id_t& id);

// One camera of an account server or of a local video server. Made only by the roster and held through CameraPtr.
class Camera : public QObject, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum CameraFlag { NotPaid = 0x1, Offline = 0x2 };
    Q_DECLARE_FLAGS(CameraFlags, CameraFlag)
    Q_FLAG(CameraFlags)

    Camera(camera_id_t id, const QString& name, const QString& serverId, qint64 serverValue, const QString& serverName,
           bool speedPlaySupported, bool archiveExportSupported, bool archiveSearchSupported, const QSize& resolution,
           const QString& vcodec, CameraFlags flags, const QString& serviceStatus);
    ~Camera() override;

    camera_id_t id() const;
    QString name() const;
    QString fullName() const;
    QString serverId() const;
    qint64 serverValue() const;
    int serverType() const;
    QString password() const;
    QByteArray preview() const;
    CameraFlags flags() const;
    QSize resolution() const;
    QString vcodec() const;
    QString serviceStatus() const;
    bool isSpeedPlaySupported() const;
    bool isArchiveExportSupported() const;
    bool isArchiveSearchSupported() const;
    camera_global_id_t globalId() const;

    // The host and port of a server id of the form host:port; empty and 0 for any other id.
    QString serverHost() const;
    int serverPort() const;

    void setName(const QString& name);
    void setPassword(const QString& password);
    void setServiceStatus(const QString& serviceStatus);
    void setArchiveExportSupported(bool supported);
    void setArchiveSearchSupported(bool supported);
    void setServerType(int serverType);
    void setPreview(const QByteArray& preview);
    void clearPreview();
    void setFlags(CameraFlags newFlags);

    bool operator==(const Camera& other) const;

    static QString flagsToString(CameraFlags flags);

signals:
    void flagsChanged(Core::Camera::CameraFlags newFlags);
    void previewChanged(QByteArray newPreview);
    // Declared for listeners; an emptied preview is announced through previewChanged.
    void previewRemoved();

private:
    std::unique_ptr<Internal::CameraPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_OPERATORS_FOR_FLAGS(QuorvelClient::Core::Camera::CameraFlags)
Q_DECLARE_METATYPE(QuorvelClient::Core::CameraPtr)
Q_DECLARE_METATYPE(QuorvelClient::Core::GlobalCameraList)
