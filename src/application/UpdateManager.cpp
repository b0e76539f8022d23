#include "application/UpdateManager.h"

#include "core/RestClient.h"
#include "utils/Mask.h"

#include <QDebug>
#include <QTimer>
#include <QVariantMap>

namespace QuorvelClient {
namespace Application {

namespace Internal {

class UpdateManagerPrivate
{
public:
    UpdateInfo info;
    QTimer* timer = nullptr;
};

} // namespace Internal

UpdateManager::UpdateManager(int intervalMinutes, QObject* parent)
    : QObject(parent), d(new Internal::UpdateManagerPrivate)
{
    d->timer = new QTimer(this);
    d->timer->setObjectName(QStringLiteral("updateCheckTimer"));
    d->timer->setInterval(intervalMinutes * 60000);
    connect(d->timer, &QTimer::timeout, this, &UpdateManager::checkForUpdates);
    d->timer->start();
}

UpdateManager::~UpdateManager() = default;

const UpdateInfo& UpdateManager::updateInfo() const
{
    return d->info;
}

void UpdateManager::start()
{
    if (!d->timer->isActive())
        d->timer->start();
}

void UpdateManager::stop()
{
    d->timer->stop();
}

void UpdateManager::checkForUpdates()
{
    emit updatesCheckStarted();
    qDebug() << "Checking for updates...";
    auto* client = new Core::RestClient;
    connect(client, &Core::RestClient::responceReceived, this, &UpdateManager::onUpdatesCheckResultReceived);
    connect(client, &Core::RestClient::error, this, &UpdateManager::onUpdatesCheckError);
    client->request(QStringLiteral("public/version/client"), QVariantMap(), QStringLiteral("GET"));
}

void UpdateManager::releaseSender()
{
    if (auto* client = qobject_cast<Core::RestClient*>(sender()))
        client->deleteLater();
}

void UpdateManager::onUpdatesCheckResultReceived(const QVariant& reply)
{
    QString text;
    QDebug(&text).nospace() << reply;
    // Release notes of any ordinary length are logged whole.
    constexpr qsizetype kReplyLogged = 64 * 1024;
    qDebug().noquote() << "update responce:" << Utils::logExcerpt(text.toUtf8(), kReplyLogged);
    const QVariantMap map = reply.toMap();
    const QString versionText = map.value(QStringLiteral("version")).toString();
    if (map.isEmpty() || versionText.isEmpty()) {
        releaseSender();
        emit updateError();
        return;
    }
    const QString infoText = map.value(QStringLiteral("info")).toString();

    int version[3];
    if (!UpdateInfo::parseVersion(versionText, version)) {
        releaseSender();
        emit updateError();
        return;
    }
    releaseSender();
    qDebug() << "Updates checked, found version" << UpdateInfo::versionToString(version);
    emit updatesChecked();
    try {
        const UpdateInfo found(version, infoText);
        if (!(found == d->info)) {
            d->info.m_currentVersion = found.m_currentVersion;
            d->info.m_version = found.m_version;
            d->info.m_level = found.m_level;
            d->info.m_info = found.m_info;
            emit updateFound();
        }
    } catch (const std::exception& e) {
        qDebug() << "Update check error:" << e.what();
        emit updateError();
    }
}

void UpdateManager::onUpdatesCheckError(int errorCode)
{
    releaseSender();
    qDebug() << "Update check error:" << Core::RestClient::errorString(errorCode);
    emit updateError();
}

} // namespace Application
} // namespace QuorvelClient
