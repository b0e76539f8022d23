#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Every key of "QuorvelClient.ini", once, with its type and the default its readers fall back to. Code asks the
// table and never spells a key.
namespace Utils {

template <typename T> class SettingKey
{
public:
    SettingKey(QString name, T defaultValue) : m_name(std::move(name)), m_default(std::move(defaultValue)) {}

    const QString& name() const { return m_name; }
    const T& defaultValue() const { return m_default; }

    // The stored value converted to the key's type (text that is no number reads 0, as QVariant converts it),
    // or the default when the key is absent.
    T value() const;
    void setValue(const T& value) const;
    // What the file holds, unconverted: for readers with a rule of their own about stray text.
    QVariant stored() const;
    bool isStored() const;
    void remove() const;

private:
    QString m_name;
    T m_default;
};

namespace Keys {

// Interface language, "ru" or "en"; empty means the system locale.
const SettingKey<QString>& language();

const SettingKey<QString>& authEmail();
const SettingKey<QString>& authPassword();
const SettingKey<bool>& authSaveAuth();
const SettingKey<bool>& authLocalOnly();

const SettingKey<bool>& proxyUseProxy();
const SettingKey<QString>& proxyHost();
const SettingKey<int>& proxyPort();
const SettingKey<QString>& proxyUsername();
const SettingKey<QString>& proxyPassword();

const SettingKey<QString>& restHost();
const SettingKey<QString>& restVersion();

const SettingKey<QString>& streamerHost();
const SettingKey<QString>& streamerVersion();
const SettingKey<int>& streamerPort();

const SettingKey<QString>& videoLiveCodec();
const SettingKey<QString>& videoArchiveCodec();

const SettingKey<QByteArray>& mainWindowGeometry();
const SettingKey<QByteArray>& rosterGeometry();
const SettingKey<QByteArray>& playbackWindowGeometry();

// Export folder; empty selects the export panel's own default folder.
const SettingKey<QString>& arcExportPath();
const SettingKey<bool>& coloredArchive();
const SettingKey<bool>& noWatchLimit();

// Sound volume of the control panel, 0 to 200 (per cent).
const SettingKey<int>& panelVolume();
// Stream quality, a QualitySettings::Type.
const SettingKey<int>& panelQuality();

// Rotation of one camera's picture in degrees, "cameras/<server id>/<camera number>".
SettingKey<int> cameraRotation(const QString& serverId, int cameraId);

} // namespace Keys

} // namespace Utils
