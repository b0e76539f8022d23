#include "core/Camera.h"

#include "core/PreviewLoader.h"

#include <QDebug>
#include <QStringList>

namespace QuorvelClient {
namespace Core {

namespace {

void registerCameraTypes()
{
    // Signals name the types as seen from inside QuorvelClient; queued connections look them up by these names.
    qRegisterMetaType<CameraPtr>("Core::CameraPtr");
    qRegisterMetaType<GlobalCameraList>("Core::GlobalCameraList");
    qRegisterMetaType<camera_id_t>("Core::camera_id_t");
    qRegisterMetaType<camera_global_id_t>("Core::camera_global_id_t");
    qRegisterMetaType<Camera::CameraFlags>("Core::Camera::CameraFlags");
}
Q_CONSTRUCTOR_FUNCTION(registerCameraTypes)

} // namespace

QString globalIdText(const camera_global_id_t& id)
{
    QString text;
    QDebug(&text).nospace() << "QPair(" << id.first << "," << id.second << ")";
    return text;
}

namespace Internal {

class CameraPrivate
{
public:
    QString serverId;
    camera_id_t id = 0;
    QString name;
    qint64 serverValue = 0;
    QString fullName;
    int serverType = 0;
    QString password;
    QByteArray preview;
    bool speedPlaySupported = false;
    bool archiveExportSupported = false;
    bool archiveSearchSupported = false;
    QSize resolution;
    QString vcodec;
    Camera::CameraFlags flags;
    QString serviceStatus;
};

} // namespace Internal

Camera::Camera(camera_id_t id, const QString& name, const QString& serverId, qint64 serverValue,
               const QString& serverName, bool speedPlaySupported, bool archiveExportSupported,
               bool archiveSearchSupported, const QSize& resolution, const QString& vcodec, CameraFlags flags,
               const QString& serviceStatus)
    : QObject(nullptr), d(new Internal::CameraPrivate)
{
    d->serverId = serverId;
    d->id = id;
    d->name = name;
    d->serverValue = serverValue;
    d->fullName = serverName + QLatin1Char('-') + name;
    d->speedPlaySupported = speedPlaySupported;
    d->archiveExportSupported = archiveExportSupported;
    d->archiveSearchSupported = archiveSearchSupported;
    d->resolution = resolution;
    d->vcodec = vcodec;
    d->flags = flags;
    d->serviceStatus = serviceStatus;
}

Camera::~Camera() = default;

camera_id_t Camera::id() const
{
    return d->id;
}

QString Camera::name() const
{
    return d->name;
}

QString Camera::fullName() const
{
    return d->fullName;
}

QString Camera::serverId() const
{
    return d->serverId;
}

qint64 Camera::serverValue() const
{
    return d->serverValue;
}

int Camera::serverType() const
{
    return d->serverType;
}

QString Camera::password() const
{
    return d->password;
}

QByteArray Camera::preview() const
{
    return d->preview;
}

Camera::CameraFlags Camera::flags() const
{
    return d->flags;
}

QSize Camera::resolution() const
{
    return d->resolution;
}

QString Camera::vcodec() const
{
    return d->vcodec;
}

QString Camera::serviceStatus() const
{
    return d->serviceStatus;
}

bool Camera::isSpeedPlaySupported() const
{
    return d->speedPlaySupported;
}

bool Camera::isArchiveExportSupported() const
{
    return d->archiveExportSupported;
}

bool Camera::isArchiveSearchSupported() const
{
    return d->archiveSearchSupported;
}

camera_global_id_t Camera::globalId() const
{
    return camera_global_id_t(d->serverId, d->id);
}

QString Camera::serverHost() const
{
    const QStringList parts = d->serverId.split(QLatin1Char(':'));
    return parts.size() == 2 ? parts.at(0) : QString();
}

int Camera::serverPort() const
{
    const QStringList parts = d->serverId.split(QLatin1Char(':'));
    return parts.size() == 2 ? parts.at(1).toInt(nullptr, 10) : 0;
}

void Camera::setName(const QString& name)
{
    d->name = name;
}

void Camera::setPassword(const QString& password)
{
    d->password = password;
}

void Camera::setServiceStatus(const QString& serviceStatus)
{
    d->serviceStatus = serviceStatus;
}

void Camera::setArchiveExportSupported(bool supported)
{
    d->archiveExportSupported = supported;
}

void Camera::setArchiveSearchSupported(bool supported)
{
    d->archiveSearchSupported = supported;
}

void Camera::setServerType(int serverType)
{
    d->serverType = serverType;
    if (serverType == 1)
        d->serverValue = 1;
}

void Camera::setPreview(const QByteArray& preview)
{
    d->preview = preview;
    emit previewChanged(d->preview);
}

void Camera::clearPreview()
{
    if (d->preview.isEmpty())
        return;
    d->preview.clear();
    emit previewChanged(d->preview);
}

void Camera::setFlags(CameraFlags newFlags)
{
    if (newFlags == d->flags)
        return;
    d->flags = newFlags;
    // A camera that is back asks for its preview before its listeners hear of it.
    if (newFlags)
        clearPreview();
    else
        PreviewLoader::instance()->request(globalId());
    emit flagsChanged(newFlags);
}

bool Camera::operator==(const Camera& other) const
{
    return d->serverId == other.d->serverId && d->id == other.d->id && d->name == other.d->name;
}

QString Camera::flagsToString(CameraFlags flags)
{
    QString text;
    if (flags.testFlag(NotPaid))
        text += tr("not paid for");
    if (flags.testFlag(Offline)) {
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        text += tr("offline");
    }
    return text;
}

} // namespace Core
} // namespace QuorvelClient
