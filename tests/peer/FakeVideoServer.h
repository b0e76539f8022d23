#pragma once

#include "peer/FakeHttpServer.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QTcpSocket>

#include <functional>

namespace TestSupport {

struct FakeCamera
{
    int id = 1;
    QString name;
    int status = 1; // 0 offline
    QString vcodec = QStringLiteral("h264");
    int width = 640;
    int height = 480;
};

struct FakeRecord
{
    int startId = 0;
    int endId = 0;
    qint64 startMs = 0; // since the epoch
    qint64 durationMs = 0;
    int type = 0;
    bool motion = false; // found by a zone search
};

// The HTTP interface of a streaming server of the service and of a local video server: "preview/live" (JPEG
// bytes), "streams/info", "vs_info/", "archive/days" and "archive/list" under "/" or "/<version>/". The
// "sessionId" parameter (decoded once) must be the password or a session that the session check accepts,
// otherwise the answer is 403. Failures can be scripted per command, and a command's replies held back until
// released; more routes can be added with setRoute().
class FakeVideoServer : public FakeHttpServer
{
    Q_OBJECT
public:
    explicit FakeVideoServer(QObject* parent = nullptr, const QByteArray& version = QByteArray());
    ~FakeVideoServer() override;

    void setPassword(const QString& password)
    {
        PeerThread::call(this, [&] { m_password = password; });
    }
    QString password() const
    {
        return PeerThread::call(this, [this] { return m_password; });
    }
    // The check runs on the peers' thread.
    void setSessionCheck(const std::function<bool(const QString&)>& check)
    {
        PeerThread::call(this, [&] { m_sessionCheck = check; });
    }

    void setCameras(const QList<FakeCamera>& cameras)
    {
        PeerThread::call(this, [&] { m_cameras = cameras; });
    }
    QList<FakeCamera> cameras() const
    {
        return PeerThread::call(this, [this] { return m_cameras; });
    }
    void setFunctions(const QStringList& functions)
    {
        PeerThread::call(this, [&] { m_functions = functions; });
    }
    void setRecords(int camera, const QList<FakeRecord>& records)
    {
        PeerThread::call(this, [&] { m_records.insert(camera, records); });
    }
    // A few records per camera on each of the last three days before `now`.
    void fillSampleRecords(const QDateTime& now);

    // Answers every request for the command ("preview/live", "vs_info/", ...) with this reply until cleared.
    void failCommand(const QString& command, const PeerReply& reply)
    {
        PeerThread::call(this, [&] { m_failures.insert(command, reply); });
    }
    // Answers the next `count` requests of the command with this reply, then serves it again.
    void failNext(const QString& command, int count, const PeerReply& reply);
    void clearFailures();

    // While on, the requests of the command wait unanswered; releaseHeld() answers those waiting, in arrival order
    // and with the failures scripted at that moment.
    void holdReplies(const QString& command, bool hold = true);
    int heldCount() const
    {
        return PeerThread::call(this, [this] { return int(m_heldRequests.size()); });
    }
    void releaseHeld();

    // The path of a command on this server ("/archive/list" or "/<version>/archive/list").
    QByteArray commandPath(const QString& command) const;
    // A JPEG picture that tells the camera by its colour.
    static QByteArray previewJpeg(int camera, const QSize& size = QSize(320, 240));

private:
    using CommandHandler = std::function<void(const PeerRequest&, QTcpSocket*)>;
    void addCommand(const QString& command, const CommandHandler& handler);
    void serve(const QString& command, const CommandHandler& handler, const PeerRequest& request, QTcpSocket* socket);
    bool accessGranted(const PeerRequest& request) const;
    const FakeCamera* camera(int id) const;
    QList<FakeRecord> recordsIn(const PeerRequest& request) const;

    QByteArray m_prefix;
    QString m_password;
    std::function<bool(const QString&)> m_sessionCheck;
    QList<FakeCamera> m_cameras;
    QStringList m_functions{QStringLiteral("arc_export"), QStringLiteral("arc_search")};
    QMap<int, QList<FakeRecord>> m_records;
    QMap<QString, PeerReply> m_failures;
    QMap<QString, QList<PeerReply>> m_nextFailures;
    QSet<QString> m_held;
    struct HeldRequest
    {
        PeerRequest request;
        QPointer<QTcpSocket> socket;
        QString command;
        CommandHandler handler;
    };
    QList<HeldRequest> m_heldRequests;
};

} // namespace TestSupport
