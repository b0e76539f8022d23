#pragma once

#include "core/ArchivePlaySpeed.h"
#include "core/Camera.h"
#include "core/QualitySettings.h"

#include <QString>
#include <QVariantMap>

namespace QuorvelClient {
namespace Core {

class LocalVideoServer;
class StreamerClient;

// How a camera's server is reached: where to ask, with which "server" value and credential. Made from the camera,
// the settings and the session as they are when it is made; it reads nothing afterwards.
//
// The two kinds differ in more than the address, and peers rely on each difference:
// - an account camera's video URLs name the streaming host without a port, while its streaming commands go to
//   "streamer/port";
// - video and export URLs carry "server=1" for a local camera, while streaming commands about a camera carry its
//   server id for both kinds.
class CameraEndpoint
{
public:
    enum class ServerKind : quint8 { Account = 0, Local = 1 };

    explicit CameraEndpoint(const CameraPtr& camera);
    // A local video server itself, for the commands about the server ("streams/info", "vs_info/").
    explicit CameraEndpoint(const LocalVideoServer& server);

    // Camera::serverType() 1 is a local server's camera; every other value an account camera.
    static ServerKind kindOf(const Camera& camera);

    ServerKind kind() const { return m_kind; }
    bool isLocal() const { return m_kind == ServerKind::Local; }
    // Where streaming commands go: the streaming host and "streamer/port", or the local server's host and port.
    QString host() const { return m_host; }
    int port() const { return m_port; }
    // The interface version before each command; empty for a local server.
    QString version() const { return m_version; }
    // False for a local camera whose server id names no host and port: there is nothing to ask.
    bool isReachable() const { return !isLocal() || !m_host.isEmpty(); }

    // "http://<host>[/<version>]" for an account camera, "http://<server id>" for a local one.
    QString videoBase() const { return m_videoBase; }
    // The "server" of video and export URLs: the server id, or "1" on a local server.
    QString serverValue() const { return m_serverValue; }
    // The session id, or the local server's password percent-encoded (once: the clients send "%XX" as it is).
    QString credential() const { return m_credential; }

    // "camera", "server" (the server id) and "sessionId" of a streaming command about the camera; for a local
    // server's own commands "server" is "1" and there is no "camera".
    QVariantMap requestParams() const;
    QString liveUrl(QualitySettings::Type quality) const;
    QString archiveUrl(int startId, int endId, qint64 from, QualitySettings::Type quality,
                       ArchivePlaySpeed speed) const;

    // A new client aimed at the server, without a Qt parent; the caller releases it with deleteLater().
    StreamerClient* newClient() const;

private:
    ServerKind m_kind = ServerKind::Account;
    QString m_host;
    int m_port = 0;
    QString m_version;
    QString m_videoBase;
    QString m_serverValue;
    QString m_credential;
    QString m_serverId;
    int m_cameraId = -1;
};

} // namespace Core
} // namespace QuorvelClient
