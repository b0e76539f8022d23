#include "core/VideoServer.h"

namespace QuorvelClient {
namespace Core {

namespace {

void registerVideoServerTypes()
{
    qRegisterMetaType<VideoServerPtr>("Core::VideoServerPtr");
    qRegisterMetaType<VideoServer::VideoServerFlags>("Core::VideoServer::VideoServerFlags");
}
Q_CONSTRUCTOR_FUNCTION(registerVideoServerTypes)

} // namespace

namespace Internal {

class VideoServerPrivate
{
public:
    VideoServer::VideoServerFlags flags;
    QString id;
    qint64 value1 = 0;
    qint64 value2 = 0;
    qint64 value3 = 0;
    QString alias;
    bool owner = false;
    bool liveEnabled = false;
    bool archiveEnabled = false;
    bool setupEnabled = false;
    bool isPublic = false;
    QMap<camera_id_t, CameraPtr> cameras;
    bool speedPlaySupported = false;
    bool archiveSearchSupported = false;
    QString serviceStatus;
    bool hasArchive = false;
};

} // namespace Internal

VideoServer::VideoServer(VideoServerFlags flags, const QString& id, qint64 value1, qint64 value2, qint64 value3,
                         const QString& alias, bool owner, bool liveEnabled, bool archiveEnabled, bool setupEnabled,
                         bool isPublic, bool speedPlaySupported, bool archiveSearchSupported)
    : QObject(nullptr), d(new Internal::VideoServerPrivate)
{
    d->flags = flags;
    d->id = id;
    d->value1 = value1;
    d->value2 = value2;
    d->value3 = value3;
    d->alias = alias;
    d->owner = owner;
    d->liveEnabled = liveEnabled;
    d->archiveEnabled = archiveEnabled;
    d->setupEnabled = setupEnabled;
    d->isPublic = isPublic;
    d->speedPlaySupported = speedPlaySupported;
    d->archiveSearchSupported = archiveSearchSupported;
}

VideoServer::~VideoServer() = default;

VideoServer::VideoServerFlags VideoServer::flags() const
{
    return d->flags;
}

QString VideoServer::id() const
{
    return d->id;
}

qint64 VideoServer::value1() const
{
    return d->value1;
}

qint64 VideoServer::value2() const
{
    return d->value2;
}

qint64 VideoServer::value3() const
{
    return d->value3;
}

QString VideoServer::alias() const
{
    return d->alias;
}

bool VideoServer::isOwner() const
{
    return d->owner;
}

bool VideoServer::isLiveEnabled() const
{
    return d->liveEnabled;
}

bool VideoServer::isArchiveEnabled() const
{
    return d->archiveEnabled;
}

bool VideoServer::isSetupEnabled() const
{
    return d->setupEnabled;
}

bool VideoServer::isPublic() const
{
    return d->isPublic;
}

bool VideoServer::isSpeedPlaySupported() const
{
    return d->speedPlaySupported;
}

bool VideoServer::isArchiveSearchSupported() const
{
    return d->archiveSearchSupported;
}

QString VideoServer::serviceStatus() const
{
    return d->serviceStatus;
}

bool VideoServer::hasArchive() const
{
    return d->hasArchive;
}

bool VideoServer::hasCamera(camera_id_t id) const
{
    return d->cameras.contains(id);
}

QMap<camera_id_t, CameraPtr> VideoServer::cameras() const
{
    return d->cameras;
}

bool VideoServer::isAvailable() const
{
    if (d->flags == VideoServerFlags() || d->flags == VideoServerFlags(SomeCamerasNotPaid))
        return true;
    return d->hasArchive;
}

void VideoServer::setFlags(VideoServerFlags flags)
{
    if (flags == d->flags)
        return;
    d->flags = flags;
    emit flagsChanged(flags);
}

void VideoServer::setAlias(const QString& alias)
{
    if (alias == d->alias)
        return;
    d->alias = alias;
    emit aliasChanged(alias);
}

void VideoServer::setLiveEnabled(bool enabled)
{
    if (enabled == d->liveEnabled)
        return;
    d->liveEnabled = enabled;
    emit liveEnabledChanged(enabled);
}

void VideoServer::setArchiveEnabled(bool enabled)
{
    if (enabled == d->archiveEnabled)
        return;
    d->archiveEnabled = enabled;
    emit archiveEnabledChanged(enabled);
}

void VideoServer::setSetupEnabled(bool enabled)
{
    if (enabled == d->setupEnabled)
        return;
    d->setupEnabled = enabled;
    emit setupEnabledChanged(enabled);
}

void VideoServer::setPublic(bool isPublic)
{
    if (isPublic == d->isPublic)
        return;
    d->isPublic = isPublic;
    emit isPublicChanged(isPublic);
}

void VideoServer::setServiceStatus(const QString& serviceStatus)
{
    d->serviceStatus = serviceStatus;
}

void VideoServer::setHasArchive(bool hasArchive)
{
    d->hasArchive = hasArchive;
}

void VideoServer::addCamera(CameraPtr camera)
{
    if (!camera)
        return;
    d->cameras.insert(camera->id(), camera);
    camera->setServerType(0);
    emit cameraAdded(camera);
}

void VideoServer::removeCamera(camera_id_t id)
{
    if (d->cameras.remove(id) == 0)
        return;
    emit cameraRemoved(id);
}

void VideoServer::removeAllCameras()
{
    d->cameras.clear();
    emit camerasRemoved();
}

bool VideoServer::operator==(const VideoServer& other) const
{
    if (d->flags != other.d->flags || d->id != other.d->id || d->alias != other.d->alias ||
        d->value1 != other.d->value1 || d->value2 != other.d->value2 || d->liveEnabled != other.d->liveEnabled ||
        d->archiveEnabled != other.d->archiveEnabled || d->setupEnabled != other.d->setupEnabled ||
        d->isPublic != other.d->isPublic || d->cameras.size() != other.d->cameras.size())
        return false;
    // Same numbers holding the very same camera objects, in order.
    for (auto a = d->cameras.cbegin(), b = other.d->cameras.cbegin(); a != d->cameras.cend(); ++a, ++b) {
        if (a.key() != b.key() || a.value() != b.value())
            return false;
    }
    return true;
}

bool VideoServer::operator!=(const VideoServer& other) const
{
    return !(*this == other);
}

QString VideoServer::flagsToString(VideoServerFlags flags)
{
    QString text;
    if (flags.testFlag(AllCamerasNotPaid))
        text += tr("cameras were not paid");
    else if (flags.testFlag(SomeCamerasNotPaid))
        text += tr("some cameras were not paid");
    if (flags.testFlag(Blocked)) {
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        text += tr("blocked");
    }
    if (flags.testFlag(Offline)) {
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        text += tr("offline");
    }
    return text;
}

void VideoServer::invalidate()
{
    emit invalidated();
}

} // namespace Core
} // namespace QuorvelClient
