#include "support/TestEnvironment.h"
#include "utils/DriveType.h"
#include "utils/Settings.h"

#include <QDir>
#include <QSettings>

class tst_Settings : public QObject
{
    Q_OBJECT
private slots:
    void storeLivesInWorkingDirectory();
    void absentKeysReturnCallersDefault();
    void valuesReachTheIniFile();
};

void tst_Settings::storeLivesInWorkingDirectory()
{
    Utils::Settings* settings = Utils::Settings::instance();
    QCOMPARE(Utils::Settings::instance(), settings);
    QCOMPARE(settings->fileName(), QDir::current().absoluteFilePath(QStringLiteral("QuorvelClient.ini")));
}

void tst_Settings::absentKeysReturnCallersDefault()
{
    Utils::Settings* settings = Utils::Settings::instance();
    QCOMPARE(settings->value(QStringLiteral("panel/volume"), 100).toInt(), 100);
    QCOMPARE(settings->value(QStringLiteral("panel/quality"), 2).toInt(), 2);
    QVERIFY(!settings->value(QStringLiteral("auth/email")).isValid());
    QCOMPARE(settings->value(QStringLiteral("auth/email")).toString(), QString());
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

QUORVEL_TEST_MAIN(tst_Settings)
#include "tst_Settings.moc"
