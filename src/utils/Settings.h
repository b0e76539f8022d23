#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace Utils {

namespace Internal {
class SettingsPrivate;
}

// The process-wide store over "QuorvelClient.ini" in the working directory. The first instance() call moves
// the older per-user settings and local server list into the working directory. Keys and their defaults are in
// utils/SettingsKeys.h. The file holds passwords, so only its owner may read it.
class Settings
{
public:
    static Settings* instance();

    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    void setValue(const QString& key, const QVariant& value);
    bool contains(const QString& key) const;
    void remove(const QString& key);
    QString fileName() const;

    // Writes pending changes to the file; called at shut-down.
    void sync();

private:
    Settings();

    std::shared_ptr<Internal::SettingsPrivate> d;
};

} // namespace Utils
