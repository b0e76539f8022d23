#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class SessionManagerPrivate;
}

// The partner data that comes with a session.
struct PartnerInfo
{
    QString partnerId;
    QString partnerName;
    QString loginUri;
    QString partnerQuery; // "&partner=" and the partner id
};

// The process-wide holder of the signed-in session. A manager made with an empty login and an empty password
// is a local-only session with the session id "localview".
class SessionManager : public QObject
{
    Q_OBJECT
public:
    static SessionManager* instance();
    // Makes a new manager the instance at once. The old one answers nobody any more and is deleted safely later,
    // together with a request it still had outstanding.
    static void create(const QString& login, const QString& password);

    SessionManager(const QString& login, const QString& password);
    ~SessionManager() override;

    QString sessionId() const;
    QString partnerId() const;
    QString loginUri() const;
    QString partnerQuery() const;

signals:
    void newSessionId();
    void error(int code);

public slots:
    void requestSessionId();
    void requestPartnerInfo();

private slots:
    void onSessionIdReceived(const QVariant& data);
    void onSessionIdRequestError(int errorCode);
    void onPartnerInfoReceived(const QVariant& data);
    void onPartnerInfoRequestError(int errorCode);

private:
    void releaseSender();
    void abandon();

    std::unique_ptr<Internal::SessionManagerPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient
