#include "core/SessionManager.h"

#include "core/RestClient.h"
#include "utils/Mask.h"

#include <QCoreApplication>
#include <QDebug>
#include <QList>
#include <QPointer>
#include <QVariantMap>

namespace QuorvelClient {
namespace Core {

namespace Internal {

class SessionManagerPrivate
{
public:
    enum State {
        NoSession = 0,
        SessionRequested = 1,
        SessionHeld = 2,
        PartnerRequested = 3,
        PartnerHeld = 4,
        PartnerFailed = 5
    };

    QString login;
    QString password;
    QString sessionId;
    int state = NoSession;
    PartnerInfo partner;
    // Requests still in flight, released with the manager if it goes first.
    QList<QPointer<RestClient>> pending;
};

QPointer<SessionManager>& currentManager()
{
    static QPointer<SessionManager> manager;
    return manager;
}

} // namespace Internal

SessionManager* SessionManager::instance()
{
    return Internal::currentManager();
}

void SessionManager::create(const QString& login, const QString& password)
{
    QPointer<SessionManager> old = Internal::currentManager();
    Internal::currentManager() = new SessionManager(login, password);
    if (old) {
        // create() may run inside a slot of one of the old manager's own signals: it is only cut off here.
        old->abandon();
        old->deleteLater();
    }
}

SessionManager::SessionManager(const QString& login, const QString& password)
    : QObject(QCoreApplication::instance()), d(new Internal::SessionManagerPrivate)
{
    d->login = login;
    d->password = password;
    if (login.isEmpty() && password.isEmpty()) {
        d->state = Internal::SessionManagerPrivate::SessionHeld;
        d->sessionId = QStringLiteral("localview");
    }
}

SessionManager::~SessionManager()
{
    abandon();
}

void SessionManager::abandon()
{
    disconnect(this, nullptr, nullptr, nullptr);
    for (const QPointer<RestClient>& client : std::as_const(d->pending)) {
        if (client) {
            client->disconnect(this);
            client->deleteLater();
        }
    }
    d->pending.clear();
}

QString SessionManager::sessionId() const
{
    return d->sessionId;
}

QString SessionManager::partnerId() const
{
    return d->partner.partnerId;
}

QString SessionManager::loginUri() const
{
    return d->partner.loginUri;
}

QString SessionManager::partnerQuery() const
{
    return d->partner.partnerQuery;
}

void SessionManager::requestSessionId()
{
    if (d->state == Internal::SessionManagerPrivate::SessionRequested)
        return;
    auto* client = new RestClient;
    d->pending << client;
    connect(client, &RestClient::responceReceived, this, &SessionManager::onSessionIdReceived);
    connect(client, &RestClient::error, this, &SessionManager::onSessionIdRequestError);
    const QVariantMap params{{QStringLiteral("login"), d->login},
                             {QStringLiteral("password"), d->password},
                             {QStringLiteral("clientType"), QStringLiteral("windows")},
                             {QStringLiteral("clientVersion"), QCoreApplication::applicationVersion()}};
    client->request(QStringLiteral("public/sessions"), params, QStringLiteral("POST"));
    d->state = Internal::SessionManagerPrivate::SessionRequested;
}

void SessionManager::requestPartnerInfo()
{
    if (d->state == Internal::SessionManagerPrivate::PartnerRequested)
        return;
    auto* client = new RestClient;
    d->pending << client;
    connect(client, &RestClient::responceReceived, this, &SessionManager::onPartnerInfoReceived);
    connect(client, &RestClient::error, this, &SessionManager::onPartnerInfoRequestError);
    client->request(QStringLiteral("public/partners/info"), {{QStringLiteral("partnerId"), d->partner.partnerId}},
                    QStringLiteral("GET"));
    d->state = Internal::SessionManagerPrivate::PartnerRequested;
}

void SessionManager::releaseSender()
{
    auto* client = qobject_cast<RestClient*>(sender());
    if (!client)
        return;
    d->pending.removeAll(QPointer<RestClient>(client));
    client->deleteLater();
}

void SessionManager::onSessionIdReceived(const QVariant& data)
{
    qDebug() << "Auth ok";
    const QVariantMap map = data.toMap();
    d->sessionId = map.value(QStringLiteral("session_id")).toString();
    d->partner.partnerId = map.value(QStringLiteral("partner_id")).toString();
    if (!d->partner.partnerId.isEmpty())
        d->partner.partnerQuery = QStringLiteral("&partner=") + d->partner.partnerId;
    const int userId = map.value(QStringLiteral("user_id")).toInt();
    qDebug() << "sessionId received" << Utils::maskSecret(d->sessionId) << "user_id" << userId;
    qDebug() << "partner_.id received" << d->partner.partnerId;
    releaseSender();
    d->state = Internal::SessionManagerPrivate::SessionHeld;
    emit newSessionId();
}

void SessionManager::onSessionIdRequestError(int errorCode)
{
    qDebug() << "Session id request error:" << errorCode;
    releaseSender();
    d->state = Internal::SessionManagerPrivate::NoSession;
    emit error(errorCode);
}

void SessionManager::onPartnerInfoReceived(const QVariant& data)
{
    qDebug() << "Partber info received";
    const QVariantMap map = data.toMap();
    d->partner.partnerName = map.value(QStringLiteral("name")).toString();
    d->partner.loginUri = map.value(QStringLiteral("login_uri")).toString();
    qDebug() << "partner info received" << d->partner.partnerId << d->partner.partnerName << d->partner.loginUri;
    releaseSender();
    d->state = Internal::SessionManagerPrivate::PartnerHeld;
}

void SessionManager::onPartnerInfoRequestError(int errorCode)
{
    qDebug() << "Partber info request error:" << errorCode;
    releaseSender();
    d->state = Internal::SessionManagerPrivate::PartnerFailed;
}

} // namespace Core
} // namespace QuorvelClient
