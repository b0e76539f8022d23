#pragma once

#include <QString>

namespace QuorvelClient {
namespace Application {

class UpdateManager;

// One result of the update check: the running and the offered version, the update level (0 up to date,
// 1 update available, 2 important, 3 critical) and the service's text about the update.
class UpdateInfo
{
public:
    // The running application version on both sides, level 0.
    UpdateInfo();
    UpdateInfo(const int version[3], const QString& info);

    int level() const;
    QString currentVersion() const { return m_currentVersion; }
    QString version() const { return m_version; }
    QString info() const { return m_info; }

    // Compares the offered version text only.
    bool operator==(const UpdateInfo& other) const;

    QString title() const;
    QString message() const;

    static QString versionToString(const int version[3]);
    // Reads three dot-separated integers; text after a fourth dot is ignored. False on anything else.
    static bool parseVersion(const QString& text, int version[3]);
    int calculateLevel(const int version[3]) const;

private:
    friend class UpdateManager;

    QString m_currentVersion;
    QString m_version;
    int m_level;
    QString m_info;
};

} // namespace Application
} // namespace QuorvelClient
