#include "utils/SettingsKeys.h"

#include "utils/ServiceHosts.h"
#include "utils/Settings.h"

namespace Utils {

template <typename T> T SettingKey<T>::value() const
{
    return Settings::instance()->value(m_name, QVariant::fromValue(m_default)).template value<T>();
}

template <typename T> void SettingKey<T>::setValue(const T& value) const
{
    Settings::instance()->setValue(m_name, QVariant::fromValue(value));
}

template <typename T> QVariant SettingKey<T>::stored() const
{
    return Settings::instance()->value(m_name);
}

template <typename T> bool SettingKey<T>::isStored() const
{
    return Settings::instance()->contains(m_name);
}

template <typename T> void SettingKey<T>::remove() const
{
    Settings::instance()->remove(m_name);
}

template class SettingKey<QString>;
template class SettingKey<bool>;
template class SettingKey<int>;
template class SettingKey<QByteArray>;

namespace Keys {

#define QUORVEL_SETTING_KEY(function, type, name, defaultValue)                                                        \
    const SettingKey<type>& function()                                                                                 \
    {                                                                                                                  \
        static const SettingKey<type> key(QStringLiteral(name), defaultValue);                                         \
        return key;                                                                                                    \
    }

QUORVEL_SETTING_KEY(language, QString, "common/language", QString())

QUORVEL_SETTING_KEY(authEmail, QString, "auth/email", QString())
QUORVEL_SETTING_KEY(authPassword, QString, "auth/password", QString())
QUORVEL_SETTING_KEY(authSaveAuth, bool, "auth/saveAuth", false)
QUORVEL_SETTING_KEY(authLocalOnly, bool, "auth/localOnly", false)

QUORVEL_SETTING_KEY(proxyUseProxy, bool, "proxy/useProxy", false)
QUORVEL_SETTING_KEY(proxyHost, QString, "proxy/host", QString())
QUORVEL_SETTING_KEY(proxyPort, int, "proxy/port", 0)
QUORVEL_SETTING_KEY(proxyUsername, QString, "proxy/username", QString())
QUORVEL_SETTING_KEY(proxyPassword, QString, "proxy/password", QString())

QUORVEL_SETTING_KEY(restHost, QString, "rest/host", QString::fromLatin1(ServiceHosts::apiHost))
QUORVEL_SETTING_KEY(restVersion, QString, "rest/version", QStringLiteral("3.1"))

QUORVEL_SETTING_KEY(streamerHost, QString, "streamer/host", QString::fromLatin1(ServiceHosts::streamerHost))
QUORVEL_SETTING_KEY(streamerVersion, QString, "streamer/version", QString())
QUORVEL_SETTING_KEY(streamerPort, int, "streamer/port", 80)

QUORVEL_SETTING_KEY(videoLiveCodec, QString, "video/liveCodec", QString())
QUORVEL_SETTING_KEY(videoArchiveCodec, QString, "video/archiveCodec", QString())

QUORVEL_SETTING_KEY(mainWindowGeometry, QByteArray, "mainWindow/geometry", QByteArray())
QUORVEL_SETTING_KEY(rosterGeometry, QByteArray, "roster/geometry", QByteArray())
QUORVEL_SETTING_KEY(playbackWindowGeometry, QByteArray, "playbackWindow/geometry", QByteArray())

QUORVEL_SETTING_KEY(arcExportPath, QString, "arcExport/path", QString())
QUORVEL_SETTING_KEY(coloredArchive, bool, "common/coloredArchive", false)
QUORVEL_SETTING_KEY(noWatchLimit, bool, "common/noWatchLimit", false)

QUORVEL_SETTING_KEY(panelVolume, int, "panel/volume", 100)
QUORVEL_SETTING_KEY(panelQuality, int, "panel/quality", 2)

#undef QUORVEL_SETTING_KEY

SettingKey<int> cameraRotation(const QString& serverId, int cameraId)
{
    return SettingKey<int>(QStringLiteral("cameras/%1/%2").arg(serverId, QString::number(cameraId)), 0);
}

} // namespace Keys

} // namespace Utils
