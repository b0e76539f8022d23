#pragma once

#include "peer/FakeHttpServer.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QVariantMap>

namespace TestSupport {

// The service's REST API over TLS: the reply envelope {"success", "response"} for "public/sessions",
// "public/partners/info", "public/version/client" and "public/roster" under "/<version>/".
class FakeService : public FakeHttpServer
{
    Q_OBJECT
public:
    explicit FakeService(QObject* parent = nullptr, const QByteArray& apiVersion = "3.1");
    ~FakeService() override;

    void addAccount(const QString& login, const QString& password);
    void setPartner(const QString& partnerId, const QString& name, const QString& loginUri);
    void setUserId(int userId)
    {
        PeerThread::call(this, [this, userId] { m_userId = userId; });
    }
    void setClientVersion(const QString& version, const QString& info = QString());
    // The next sign-ins are read and then dropped: the connection closes without an answer.
    void dropSignIns(int count)
    {
        PeerThread::call(this, [this, count] { m_signInsToDrop = count; });
    }
    // The payload of "public/roster": an object whose values are server objects.
    void setRoster(const QVariantMap& servers)
    {
        PeerThread::call(this, [&] { m_roster = servers; });
    }
    // While held, "public/roster" requests stay unanswered until releaseHeldRosters() answers them with the roster
    // set by then (to connections still open).
    void setRosterHeld(bool held)
    {
        PeerThread::call(this, [this, held] { m_rosterHeld = held; });
    }
    void releaseHeldRosters();
    // While not 0, "public/roster" (a released one too) is answered with failure(code).
    void setRosterFailure(int code)
    {
        PeerThread::call(this, [this, code] { m_rosterFailure = code; });
    }
    static QVariantMap sampleRoster();
    // Servers "srv-000" ... named "Server 0" ..., online, paid, with speed play and archive search, each with
    // cameras 1 to camerasEach, online at 1280 x 720.
    static QVariantMap generatedRoster(int servers, int camerasEach);

    // Session ids handed out so far.
    QStringList sessions() const
    {
        return PeerThread::call(this, [this] { return m_sessions; });
    }

    static PeerReply envelope(const QVariant& response);
    static PeerReply failure(int code);

private:
    PeerReply rosterReply() const { return m_rosterFailure ? failure(m_rosterFailure) : envelope(m_roster); }
    void onSessions(const PeerRequest& request, QTcpSocket* socket);

    QByteArray m_prefix;
    QMap<QString, QString> m_accounts;
    QString m_partnerId = QStringLiteral("42");
    QString m_partnerName = QStringLiteral("Quorvel Partner");
    QString m_loginUri = QStringLiteral("https://partner.quorvel.example/login");
    int m_userId = 7;
    QString m_version = QStringLiteral("5.6.0");
    QString m_info;
    QVariantMap m_roster;
    bool m_rosterHeld = false;
    int m_rosterFailure = 0;
    QList<QPointer<QTcpSocket>> m_heldRosters;
    QStringList m_sessions;
    int m_signInsToDrop = 0;
};

} // namespace TestSupport
