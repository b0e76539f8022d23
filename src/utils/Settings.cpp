#include "utils/Settings.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace Utils {

namespace Internal {

class SettingsPrivate
{
public:
    QSettings* settings = nullptr;
};

namespace {

const char kFileName[] = "QuorvelClient.ini";
const char kRosterFileName[] = "local_roster.txt";

void migrateOldSettings(const QString& newFileName)
{
    QSettings old(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TarnwellLabs"),
                  QStringLiteral("QuorvelClient"));
    const QString oldPath = old.fileName();

    if (!old.allKeys().isEmpty()) {
        if (QFile::copy(oldPath, newFileName)) {
            qDebug() << "Copied old settings file" << oldPath;
            if (QFile::remove(oldPath))
                qDebug() << "Removed old settings file" << oldPath;
            else
                qWarning() << "Cannot remove old settings file" << oldPath;
        } else {
            qWarning() << "Cannot copy old settings file" << oldPath;
        }
    } else {
        qDebug() << "No old settings found" << oldPath;
    }

    QDir oldDir(oldPath);
    oldDir.cdUp();
    const QString oldRosterPath = oldDir.absolutePath() + QLatin1Char('/') + QLatin1String(kRosterFileName);
    if (QFile::exists(oldRosterPath)) {
        if (QFile::copy(oldRosterPath, QLatin1String(kRosterFileName))) {
            qDebug() << "Copied local roster" << oldRosterPath;
            if (QFile::remove(oldRosterPath))
                qDebug() << "Removed old local roster" << oldRosterPath;
            else
                qWarning() << "Cannot remove old local roster" << oldRosterPath;
        } else {
            qWarning() << "Cannot copy old local roster" << oldRosterPath;
        }
    }
}

} // namespace

} // namespace Internal

Settings::Settings() : d(std::make_shared<Internal::SettingsPrivate>())
{
    const QString fileName = QLatin1String(Internal::kFileName);
    Internal::migrateOldSettings(fileName);
    // Made before the first write, since QSettings would create it with the umask's mode; a rewrite keeps the
    // mode of the file it replaces.
    QFile file(fileName);
    if (!file.exists() && !file.open(QIODevice::WriteOnly))
        qWarning() << "Cannot create settings file" << fileName;
    file.close();
    if (file.exists() && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        qWarning() << "Cannot restrict access to settings file" << fileName;
    d->settings = new QSettings(fileName, QSettings::IniFormat);
}

Settings* Settings::instance()
{
    static Settings* const settings = new Settings;
    return settings;
}

QVariant Settings::value(const QString& key, const QVariant& defaultValue) const
{
    return d->settings->value(key, defaultValue);
}

void Settings::setValue(const QString& key, const QVariant& value)
{
    d->settings->setValue(key, value);
}

bool Settings::contains(const QString& key) const
{
    return d->settings->contains(key);
}

void Settings::remove(const QString& key)
{
    d->settings->remove(key);
}

QString Settings::fileName() const
{
    return d->settings->fileName();
}

void Settings::sync()
{
    d->settings->sync();
}

} // namespace Utils
