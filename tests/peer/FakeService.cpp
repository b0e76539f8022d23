#include "peer/FakeService.h"

#include <QJsonDocument>
#include <QVariantList>

namespace TestSupport {

FakeService::FakeService(QObject* parent, const QByteArray& apiVersion)
    : FakeHttpServer(parent), m_prefix('/' + apiVersion + '/'), m_roster(sampleRoster())
{
    setRoute(m_prefix + "public/sessions",
             [this](const PeerRequest& request, QTcpSocket* socket) { onSessions(request, socket); });
    setRoute(m_prefix + "public/partners/info", [this](const PeerRequest& request, QTcpSocket* socket) {
        if (request.queryItem(QStringLiteral("partnerId")) != m_partnerId) {
            sendReply(socket, failure(10004));
            return;
        }
        sendReply(socket, envelope(QVariantMap{{"name", m_partnerName}, {"login_uri", m_loginUri}}));
    });
    setRoute(m_prefix + "public/version/client", [this](const PeerRequest&, QTcpSocket* socket) {
        QVariantMap response{{"version", m_version}};
        if (!m_info.isNull())
            response.insert(QStringLiteral("info"), m_info);
        sendReply(socket, envelope(response));
    });
    setRoute(m_prefix + "public/roster", [this](const PeerRequest& request, QTcpSocket* socket) {
        if (!m_sessions.contains(request.queryItem(QStringLiteral("sessionId")))) {
            sendReply(socket, failure(10002));
            return;
        }
        if (m_rosterHeld) {
            m_heldRosters << socket;
            return;
        }
        sendReply(socket, rosterReply());
    });
}

FakeService::~FakeService()
{
    stopServing();
}

QVariantMap FakeService::generatedRoster(int servers, int camerasEach)
{
    const QVariantMap services{{"enabled", QVariantMap{{"active", "true"}}},
                               {"archive", QVariantMap{{"active", "true"}}}};
    QVariantMap roster;
    for (int s = 0; s < servers; ++s) {
        QVariantMap cameras;
        for (int c = 1; c <= camerasEach; ++c) {
            cameras.insert(QString::asprintf("%03d", c), QVariantMap{{"id", c},
                                                                     {"name", QString("Camera %1").arg(c)},
                                                                     {"online", true},
                                                                     {"width", 1280},
                                                                     {"height", 720},
                                                                     {"vcodec", "h264"},
                                                                     {"services", services}});
        }
        const QString id = QString::asprintf("srv-%03d", s);
        roster.insert(id, QVariantMap{{"id", id},
                                      {"name", QString("Server %1").arg(s)},
                                      {"online", true},
                                      {"owner", true},
                                      {"live", true},
                                      {"archive", true},
                                      {"info", QVariantMap{{"functions", QVariantList{"speed_play", "arc_search"}}}},
                                      {"cameras", cameras}});
    }
    return roster;
}

void FakeService::addAccount(const QString& login, const QString& password)
{
    PeerThread::call(this, [&] { m_accounts.insert(login, password); });
}

void FakeService::releaseHeldRosters()
{
    PeerThread::call(this, [this] {
        for (const QPointer<QTcpSocket>& socket : std::as_const(m_heldRosters)) {
            if (socket && socket->state() == QAbstractSocket::ConnectedState)
                sendReply(socket, rosterReply());
        }
        m_heldRosters.clear();
    });
}

void FakeService::setPartner(const QString& partnerId, const QString& name, const QString& loginUri)
{
    PeerThread::call(this, [&] {
        m_partnerId = partnerId;
        m_partnerName = name;
        m_loginUri = loginUri;
    });
}

void FakeService::setClientVersion(const QString& version, const QString& info)
{
    PeerThread::call(this, [&] {
        m_version = version;
        m_info = info;
    });
}

PeerReply FakeService::envelope(const QVariant& response)
{
    const QVariantMap reply{{"success", true}, {"response", response}};
    return PeerReply::json(QJsonDocument::fromVariant(reply).toJson(QJsonDocument::Compact));
}

PeerReply FakeService::failure(int code)
{
    const QVariantMap reply{{"success", false}, {"response", QVariantMap{{"code", code}}}};
    return PeerReply::json(QJsonDocument::fromVariant(reply).toJson(QJsonDocument::Compact));
}

void FakeService::onSessions(const PeerRequest& request, QTcpSocket* socket)
{
    if (m_signInsToDrop > 0) {
        --m_signInsToDrop;
        sendReply(socket, PeerReply::withBehaviour(PeerReply::CloseWithoutReply));
        return;
    }
    if (request.method != "POST") {
        sendReply(socket, failure(10000));
        return;
    }
    const QString login = request.formItem(QStringLiteral("login"));
    const auto account = m_accounts.constFind(login);
    if (account == m_accounts.constEnd() || account.value() != request.formItem(QStringLiteral("password"))) {
        sendReply(socket, failure(10001));
        return;
    }
    const QString session = QStringLiteral("s%1-%2").arg(m_sessions.size() + 1).arg(QString::number(qHash(login), 16));
    m_sessions << session;
    sendReply(socket,
              envelope(QVariantMap{{"session_id", session}, {"partner_id", m_partnerId}, {"user_id", m_userId}}));
}

QVariantMap FakeService::sampleRoster()
{
    auto camera = [](int id, const QString& name, bool online) {
        return QVariantMap{{"id", id},
                           {"name", name},
                           {"online", online},
                           {"width", 1280},
                           {"height", 720},
                           {"vcodec", "h264"},
                           {"services", QVariantMap{{"enabled", QVariantMap{{"active", "true"}}},
                                                    {"archive", QVariantMap{{"active", "true"}}}}}};
    };
    const QVariantMap office{
        {"id", "srv-office"},
        {"name", "Office"},
        {"online", true},
        {"owner", true},
        {"live", true},
        {"archive", true},
        {"info", QVariantMap{{"functions", QVariantList{"speed_play", "arc_search"}}}},
        {"cameras", QVariantMap{{"1", camera(1, "Entrance", true)}, {"2", camera(2, "Yard", false)}}}};
    const QVariantMap home{{"id", "srv-home"},      {"name", "Home"},
                           {"online", false},       {"owner", false},
                           {"live", true},          {"archive", false},
                           {"info", QVariantMap()}, {"cameras", QVariantMap{{"1", camera(1, "Hall", false)}}}};
    return QVariantMap{{"a", office}, {"b", home}};
}

} // namespace TestSupport
