#include "core/CameraEndpoint.h"

#include "core/LocalVideoServer.h"
#include "core/SessionManager.h"
#include "core/StreamerClient.h"
#include "utils/PathAndQuery.h"
#include "utils/SettingsKeys.h"

namespace QuorvelClient {
namespace Core {

namespace {

const char kLiveQuery[] =
    "/flv/live?server=%1&camera=%2&sessionId=%3&q=%4&vcodec=flv&vcodec=h264&vcodec=mpeg4&acodec=mp3";
const char kArchiveQuery[] = "/flv/archive?server=%1&camera=%2&sessionId=%3&startId=%4&endId=%5&startTime=%6&q=%7"
                             "&vcodec=flv&vcodec=h264&acodec=mp3&speed=%8&vcodec=mpeg4";

QString encodedPassword(const QString& password)
{
    return QString::fromLatin1(Utils::percentEncoded(password, Utils::QueryEncoding::Strict));
}

} // namespace

CameraEndpoint::ServerKind CameraEndpoint::kindOf(const Camera& camera)
{
    return camera.serverType() == 1 ? ServerKind::Local : ServerKind::Account;
}

CameraEndpoint::CameraEndpoint(const CameraPtr& camera)
{
    m_kind = kindOf(*camera);
    m_serverId = camera->serverId();
    m_cameraId = camera->id();
    if (isLocal()) {
        m_host = camera->serverHost();
        m_port = camera->serverPort();
        m_videoBase = QStringLiteral("http://") + m_serverId;
        m_serverValue = QStringLiteral("1");
        m_credential = encodedPassword(camera->password());
        return;
    }
    m_host = Utils::Keys::streamerHost().value();
    m_port = Utils::Keys::streamerPort().value();
    m_version = Utils::Keys::streamerVersion().value();
    m_videoBase = m_version.isEmpty() ? QStringLiteral("http://%1").arg(m_host)
                                      : QStringLiteral("http://%1/%2").arg(m_host, m_version);
    m_serverValue = m_serverId;
    SessionManager* session = SessionManager::instance();
    m_credential = session ? session->sessionId() : QString();
}

CameraEndpoint::CameraEndpoint(const LocalVideoServer& server)
{
    m_kind = ServerKind::Local;
    m_host = server.host();
    m_port = server.port();
    m_serverId = server.id();
    m_videoBase = QStringLiteral("http://") + m_serverId;
    m_serverValue = QStringLiteral("1");
    m_credential = encodedPassword(server.password());
}

QVariantMap CameraEndpoint::requestParams() const
{
    QVariantMap params;
    params.insert(QStringLiteral("sessionId"), m_credential);
    if (m_cameraId < 0) {
        params.insert(QStringLiteral("server"), m_serverValue);
        return params;
    }
    params.insert(QStringLiteral("server"), m_serverId);
    params.insert(QStringLiteral("camera"), m_cameraId);
    return params;
}

// One pass over the placeholders: an encoded password may hold "%3A" and the like.
QString CameraEndpoint::liveUrl(QualitySettings::Type quality) const
{
    return m_videoBase +
           QString::fromLatin1(kLiveQuery)
               .arg(m_serverValue, QString::number(m_cameraId), m_credential, QString::number(int(quality)));
}

QString CameraEndpoint::archiveUrl(int startId, int endId, qint64 from, QualitySettings::Type quality,
                                   ArchivePlaySpeed speed) const
{
    return m_videoBase + QString::fromLatin1(kArchiveQuery)
                             .arg(m_serverValue, QString::number(m_cameraId), m_credential, QString::number(startId),
                                  QString::number(endId), QString::number(from), QString::number(int(quality)),
                                  QString::number(speedMultiplier(speed)));
}

StreamerClient* CameraEndpoint::newClient() const
{
    // An account camera's client reads the streaming host, port and version itself, as every default client does.
    return isLocal() ? new StreamerClient(m_host, m_port) : new StreamerClient();
}

} // namespace Core
} // namespace QuorvelClient
