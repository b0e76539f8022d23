#include "support/TestEnvironment.h"
#include "utils/DriveType.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QDir>
#include <QSettings>

class tst_Settings : public QObject
{
    Q_OBJECT
private slots:
    void storeLivesInWorkingDirectory();
    void valuesReachTheIniFile();
    void storedTextConvertsToTheKeysType();
    void onlyTheOwnerReadsTheFile();
};

void tst_Settings::storeLivesInWorkingDirectory()
{
    Utils::Settings* settings = Utils::Settings::instance();
    QCOMPARE(Utils::Settings::instance(), settings);
    QCOMPARE(settings->fileName(), QDir::current().absoluteFilePath(QStringLiteral("QuorvelClient.ini")));
}

void tst_Settings::valuesReachTheIniFile()
{
    Utils::Settings* settings = Utils::Settings::instance();
    settings->setValue(QStringLiteral("auth/email"), QStringLiteral("user@quorvel.example"));
    settings->setValue(QStringLiteral("auth/saveAuth"), true);
    settings->setValue(QStringLiteral("cameras/srv:1/3"), 90.0);
    settings->sync();

    QSettings file(QStringLiteral("QuorvelClient.ini"), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("auth/email")).toString(), QStringLiteral("user@quorvel.example"));
    // Values come back as text; readers convert them.
    QCOMPARE(file.value(QStringLiteral("auth/saveAuth")).toString(), QStringLiteral("true"));
    QCOMPARE(settings->value(QStringLiteral("cameras/srv:1/3"), 0).toInt(), 90);
}

void tst_Settings::storedTextConvertsToTheKeysType()
{
    // Hand-edited or old files hold text; each key reads it in its own type.
    Utils::Settings* settings = Utils::Settings::instance();
    settings->setValue(QStringLiteral("proxy/port"), QStringLiteral("abc"));
    settings->setValue(QStringLiteral("proxy/useProxy"), QStringLiteral("false"));
    settings->setValue(QStringLiteral("common/noWatchLimit"), QStringLiteral("yes"));
    QCOMPARE(Utils::Keys::proxyPort().value(), 0);
    QCOMPARE(Utils::Keys::proxyUseProxy().value(), false);
    QCOMPARE(Utils::Keys::noWatchLimit().value(), true);
    QCOMPARE(Utils::Keys::panelVolume().value(), 100);
    Utils::Keys::cameraRotation(QStringLiteral("srv %2"), 4).setValue(180);
    QCOMPARE(settings->value(QStringLiteral("cameras/srv %2/4")).toInt(), 180);
}

void tst_Settings::onlyTheOwnerReadsTheFile()
{
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QString path = Utils::Settings::instance()->fileName();
    Utils::Keys::authPassword().setValue(QStringLiteral("secret"));
    Utils::Settings::instance()->sync();
    QCOMPARE(QFile(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);
    // A rewrite replaces the file and keeps its mode.
    Utils::Keys::proxyPassword().setValue(QStringLiteral("other"));
    Utils::Settings::instance()->sync();
    QCOMPARE(QFile(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);
}

QUORVEL_TEST_MAIN(tst_Settings)
#include "tst_Settings.moc"
