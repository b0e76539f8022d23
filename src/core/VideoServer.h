#pragma once

#include "core/Camera.h"
#include "utils/MemoryChecker.h"

#include <QFlags>
#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class VideoServerPrivate;
}

class VideoServer;
typedef std::shared_ptr<VideoServer> VideoServerPtr;

// One video server of the service account, refreshed in place by the roster.
class VideoServer : public QObject, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    enum VideoServerFlag { SomeCamerasNotPaid = 0x1, AllCamerasNotPaid = 0x2, Blocked = 0x4, Offline = 0x8 };
    Q_DECLARE_FLAGS(VideoServerFlags, VideoServerFlag)
    Q_FLAG(VideoServerFlags)

    VideoServer(VideoServerFlags flags, const QString& id, qint64 value1, qint64 value2, qint64 value3,
                const QString& alias, bool owner, bool liveEnabled, bool archiveEnabled, bool setupEnabled,
                bool isPublic, bool speedPlaySupported, bool archiveSearchSupported);
    ~VideoServer() override;

    VideoServerFlags flags() const;
    QString id() const;
    qint64 value1() const;
    qint64 value2() const;
    qint64 value3() const;
    QString alias() const;
    bool isOwner() const;
    bool isLiveEnabled() const;
    bool isArchiveEnabled() const;
    bool isSetupEnabled() const;
    bool isPublic() const;
    bool isSpeedPlaySupported() const;
    bool isArchiveSearchSupported() const;
    QString serviceStatus() const;
    bool hasArchive() const;
    bool hasCamera(camera_id_t id) const;
    QMap<camera_id_t, CameraPtr> cameras() const;

    // Online with at most some cameras unpaid, or else holding archive.
    bool isAvailable() const;

    void setFlags(VideoServerFlags flags);
    void setAlias(const QString& alias);
    void setLiveEnabled(bool enabled);
    void setArchiveEnabled(bool enabled);
    void setSetupEnabled(bool enabled);
    void setPublic(bool isPublic);
    void setServiceStatus(const QString& serviceStatus);
    void setHasArchive(bool hasArchive);

    void addCamera(CameraPtr camera);
    void removeCamera(camera_id_t id);
    void removeAllCameras();

    bool operator==(const VideoServer& other) const;
    bool operator!=(const VideoServer& other) const;

    static QString flagsToString(VideoServerFlags flags);

public slots:
    void invalidate();

signals:
    void aliasChanged(QString newAlias);
    void flagsChanged(Core::VideoServer::VideoServerFlags newFlags);
    void liveEnabledChanged(bool enabled);
    void archiveEnabledChanged(bool enabled);
    void setupEnabledChanged(bool enabled);
    void isPublicChanged(bool isPublic);
    void cameraAdded(Core::CameraPtr camera);
    void cameraRemoved(Core::camera_id_t id);
    void camerasRemoved();
    void invalidated();

private:
    std::unique_ptr<Internal::VideoServerPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_OPERATORS_FOR_FLAGS(QuorvelClient::Core::VideoServer::VideoServerFlags)
Q_DECLARE_METATYPE(QuorvelClient::Core::VideoServerPtr)
