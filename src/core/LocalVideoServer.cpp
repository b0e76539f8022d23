#include "core/LocalVideoServer.h"

#include "utils/LogCap.h"
#include "utils/Mask.h"

#include <QDebug>

namespace QuorvelClient {
namespace Core {

namespace {

void registerLocalVideoServerTypes()
{
    qRegisterMetaType<LocalVideoServerPtr>("Core::LocalVideoServerPtr");
    qRegisterMetaType<LocalVideoServer::LocalVideoServerState>("Core::LocalVideoServer::LocalVideoServerState");
}
Q_CONSTRUCTOR_FUNCTION(registerLocalVideoServerTypes)

} // namespace

namespace Internal {

class LocalVideoServerPrivate
{
public:
    LocalVideoServer::LocalVideoServerState state = LocalVideoServer::Offline;
    QString host;
    int port = 0;
    QString name;
    QString password;
    QMap<camera_id_t, CameraPtr> cameras;
    QString id;
    bool archiveExportSupported = false;
    bool archiveSearchSupported = false;
};

} // namespace Internal

LocalVideoServer::LocalVideoServer(LocalVideoServerState state, const QString& host, int port, const QString& name,
                                   const QString& password, bool archiveExportSupported, bool archiveSearchSupported)
    : QObject(nullptr), d(new Internal::LocalVideoServerPrivate)
{
    d->state = state;
    d->host = host;
    d->port = port;
    d->name = name;
    d->password = password;
    d->archiveExportSupported = archiveExportSupported;
    d->archiveSearchSupported = archiveSearchSupported;
    d->id = host + QLatin1Char(':') + QString::number(port);
    // A long list file makes thousands at once.
    static Utils::LogCap created(QStringLiteral("local videoservers created"), QtDebugMsg,
                                 Utils::LogCap::UntilEventLoop);
    if (created.next())
        qDebug() << "Created" << int(state) << host << port << name << Utils::maskSecret(password);
}

LocalVideoServer::~LocalVideoServer() = default;

LocalVideoServer::LocalVideoServerState LocalVideoServer::state() const
{
    return d->state;
}

QString LocalVideoServer::host() const
{
    return d->host;
}

int LocalVideoServer::port() const
{
    return d->port;
}

QString LocalVideoServer::name() const
{
    return d->name;
}

QString LocalVideoServer::password() const
{
    return d->password;
}

QString LocalVideoServer::id() const
{
    return d->id;
}

bool LocalVideoServer::isArchiveExportSupported() const
{
    return d->archiveExportSupported;
}

bool LocalVideoServer::isArchiveSearchSupported() const
{
    return d->archiveSearchSupported;
}

bool LocalVideoServer::hasCamera(camera_id_t id) const
{
    return d->cameras.contains(id);
}

QMap<camera_id_t, CameraPtr> LocalVideoServer::cameras() const
{
    return d->cameras;
}

bool LocalVideoServer::isEmpty() const
{
    return d->host.isEmpty() || d->port == 0 || d->name.isEmpty();
}

void LocalVideoServer::setState(LocalVideoServerState state)
{
    if (state == d->state)
        return;
    d->state = state;
    emit stateChanged(state);
}

void LocalVideoServer::setName(const QString& name)
{
    if (name == d->name)
        return;
    d->name = name;
    emit nameChanged(name);
}

void LocalVideoServer::setPassword(const QString& password)
{
    d->password = password;
}

void LocalVideoServer::setArchiveExportSupported(bool supported)
{
    if (supported == d->archiveExportSupported)
        return;
    d->archiveExportSupported = supported;
    for (const CameraPtr& camera : std::as_const(d->cameras))
        camera->setArchiveExportSupported(supported);
}

void LocalVideoServer::setArchiveSearchSupported(bool supported)
{
    if (supported == d->archiveSearchSupported)
        return;
    d->archiveSearchSupported = supported;
    for (const CameraPtr& camera : std::as_const(d->cameras))
        camera->setArchiveSearchSupported(supported);
}

void LocalVideoServer::addCamera(CameraPtr camera)
{
    if (!camera || hasCamera(camera->id()))
        return;
    d->cameras.insert(camera->id(), camera);
    camera->setServerType(1);
    camera->setPassword(d->password);
    emit cameraAdded(camera);
}

void LocalVideoServer::removeCamera(camera_id_t id)
{
    if (!d->cameras.contains(id))
        return;
    // A reply may take every camera of the server away at once.
    static Utils::LogCap removals(QStringLiteral("cameras removed"), QtDebugMsg, Utils::LogCap::UntilEventLoop);
    removeCamera(id, removals.next() > 0);
}

void LocalVideoServer::removeCamera(camera_id_t id, bool logged)
{
    const auto it = d->cameras.find(id);
    if (it == d->cameras.end())
        return;
    if (logged)
        qDebug().noquote() << "Local videoserver: removed camera" << globalIdText(it.value()->globalId()) << id;
    d->cameras.erase(it);
    emit cameraRemoved(id);
}

void LocalVideoServer::removeAllCameras(bool logged)
{
    if (d->cameras.isEmpty())
        return;
    if (logged)
        qDebug() << "Local videoserver: removed all cameras" << d->host;
    d->cameras.clear();
    emit camerasRemoved();
}

bool LocalVideoServer::operator==(const LocalVideoServer& other) const
{
    return d->name == other.d->name && d->host == other.d->host && d->port == other.d->port &&
           d->password == other.d->password;
}

bool LocalVideoServer::operator!=(const LocalVideoServer& other) const
{
    return !(*this == other);
}

QString LocalVideoServer::stateText(LocalVideoServerState state)
{
    switch (state) {
    case Online:
        return tr("online");
    case AccessDenied:
        return tr("access denied, please check server's password");
    case IncorrectAnswer:
        return tr("incorrect answer, maybe, you have old version of server or client");
    case Offline:
        return tr("offline");
    }
    return tr("unknown state");
}

QString LocalVideoServer::shortStateText(LocalVideoServerState state)
{
    switch (state) {
    case AccessDenied:
        return tr("unavailable: wrong password or old version");
    case IncorrectAnswer:
        return tr("old version or bad connection");
    case Offline:
        return tr("offline");
    case Online:
        break;
    }
    return QString();
}

} // namespace Core
} // namespace QuorvelClient
