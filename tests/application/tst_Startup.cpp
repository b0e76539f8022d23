#include "support/ClientRun.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <sys/resource.h>

using TestSupport::ClientRun;

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void secondStartLeavesRunningInstanceAlone();
    void oldSettingsAreMovedIntoWorkingDirectory();
    void existingSettingsBlockTheMove();
    void oldRosterMovesWithoutOldSettings();
    void languageFollowsSettingsOrLocale_data();
    void languageFollowsSettingsOrLocale();
    void unopenableLogStopsBeforeSettings();
    void openFileLimitIsRaised();
};

void tst_Startup::secondStartLeavesRunningInstanceAlone()
{
    ClientRun run(QStringLiteral("single"));
    QVERIFY(run.startAndWait());
    const QString log = run.log();
    QVERIFY(log.contains(QStringLiteral("Settings are loading from: \"%1/QuorvelClient.ini\"").arg(run.workDir())));
    QVERIFY(!log.contains(QStringLiteral("LogPath:")));
    ClientRun::writeFile(run.workDir() + QStringLiteral("/QuorvelClient.ini"), "[common]\nlanguage=en\n");

    // An old lock of a live owner is still honoured.
    const QFileInfoList locks = QDir(run.tmpDir()).entryInfoList({QStringLiteral("*.lock")}, QDir::Files);
    QCOMPARE(locks.size(), 1);
    QFile lock(locks.first().absoluteFilePath());
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    lock.close();

    QProcess* second = run.start();
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(run.log(), log);
    QCOMPARE(ClientRun::readFile(run.workDir() + QStringLiteral("/QuorvelClient.ini")),
             QByteArray("[common]\nlanguage=en\n"));

    // Once the first instance is gone, the next start runs again and truncates the old log.
    run.stop();
    QVERIFY(run.startAndWait());
    QCOMPARE(run.log().count(QStringLiteral("Settings are loading from:")), 1);
}

void tst_Startup::oldSettingsAreMovedIntoWorkingDirectory()
{
    ClientRun run(QStringLiteral("move"));
    run.writeOldSettings("[panel]\nvolume=40\n");
    QVERIFY(run.startAndWait());
    QVERIFY(!QFile::exists(run.oldSettings()));
    QSettings moved(run.workDir() + QStringLiteral("/QuorvelClient.ini"), QSettings::IniFormat);
    QCOMPARE(moved.value(QStringLiteral("panel/volume")).toInt(), 40);
    const QString log = run.log();
    QVERIFY(log.contains(QStringLiteral("Copied old settings file \"%1\"").arg(run.oldSettings())));
    QVERIFY(log.contains(QStringLiteral("Removed old settings file \"%1\"").arg(run.oldSettings())));
    QVERIFY(log.indexOf(QStringLiteral("Copied old settings file")) <
            log.indexOf(QStringLiteral("Settings are loading from:")));
}

void tst_Startup::existingSettingsBlockTheMove()
{
    ClientRun run(QStringLiteral("blocked"));
    run.writeOldSettings("[panel]\nvolume=40\n");
    ClientRun::writeFile(run.workDir() + QStringLiteral("/QuorvelClient.ini"), "[panel]\nvolume=70\n");
    for (int start = 0; start < 2; ++start) {
        QVERIFY(run.startAndWait());
        run.stop();
        QVERIFY(run.log().contains(QStringLiteral("Warning: ")));
        QVERIFY(run.log().contains(QStringLiteral("Cannot copy old settings file \"%1\"").arg(run.oldSettings())));
        QCOMPARE(ClientRun::readFile(run.oldSettings()), QByteArray("[panel]\nvolume=40\n"));
        QSettings current(run.workDir() + QStringLiteral("/QuorvelClient.ini"), QSettings::IniFormat);
        QCOMPARE(current.value(QStringLiteral("panel/volume")).toInt(), 70);
    }
}

void tst_Startup::oldRosterMovesWithoutOldSettings()
{
    ClientRun run(QStringLiteral("roster"));
    QDir().mkpath(run.oldDir());
    const QString oldRoster = run.oldDir() + QStringLiteral("/local_roster.txt");
    const QByteArray roster = "[{\"ip\":\"127.0.0.1\",\"name\":\"Hall\",\"password\":\"p\",\"port\":8080}]";
    ClientRun::writeFile(oldRoster, roster);
    QVERIFY(run.startAndWait());
    const QString log = run.log();
    QVERIFY(log.contains(QStringLiteral("No old settings found \"%1\"").arg(run.oldSettings())));
    QVERIFY(log.contains(QStringLiteral("Copied local roster \"%1\"").arg(oldRoster)));
    QVERIFY(log.contains(QStringLiteral("Removed old local roster \"%1\"").arg(oldRoster)));
    QCOMPARE(ClientRun::readFile(run.workDir() + QStringLiteral("/local_roster.txt")), roster);
    QVERIFY(!QFile::exists(oldRoster));
}

void tst_Startup::languageFollowsSettingsOrLocale_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("unexpected");
    QTest::newRow("russian locale") << QByteArray() << "ru_RU.UTF-8"
                                    << QStringList{"No language in settings. Setup locale: \"ru_RU\"",
                                                   "Loading language: \"ru\""}
                                    << QStringList{};
    QTest::newRow("stored en wins") << QByteArray("[common]\nlanguage=en\n") << "ru_RU.UTF-8"
                                    << QStringList{"Loading language: \"en\""}
                                    << QStringList{"No language in settings"};
    QTest::newRow("neutral locale") << QByteArray() << "C"
                                    << QStringList{"Setup locale: \"C\"", "Loading language: \"en\""}
                                    << QStringList{"Loading language: \"C\""};
    QTest::newRow("german locale") << QByteArray() << "de_DE.UTF-8" << QStringList{"Loading language: \"de\""}
                                   << QStringList{};
}

void tst_Startup::languageFollowsSettingsOrLocale()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, locale);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, unexpected);
    ClientRun run(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'), {QStringLiteral("LANG=") + locale});
    if (!ini.isEmpty())
        ClientRun::writeFile(run.workDir() + QStringLiteral("/QuorvelClient.ini"), ini);
    QVERIFY(run.startAndWait());
    const QString log = run.log();
    for (const QString& line : expected)
        QVERIFY2(log.contains(line), qPrintable(log));
    for (const QString& line : unexpected)
        QVERIFY2(!log.contains(line), qPrintable(log));
}

void tst_Startup::unopenableLogStopsBeforeSettings()
{
    // A folder in the log file's place cannot be opened for writing, even by root.
    ClientRun run(QStringLiteral("nolog"));
    QVERIFY(QDir().mkpath(run.logPath()));
    QProcess* process = run.start();
    QVERIFY(process->waitForFinished(20000));
    QCOMPARE(process->exitStatus(), QProcess::CrashExit);
    QVERIFY(QString::fromUtf8(process->readAll()).contains(QStringLiteral("Cannot open log file")));
    QVERIFY(!QFile::exists(run.workDir() + QStringLiteral("/QuorvelClient.ini")));
}

void tst_Startup::openFileLimitIsRaised()
{
    rlimit limit;
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max <= 256)
        QSKIP("The hard limit of open files is too low to lower the soft one");
    ClientRun run(QStringLiteral("filelimit"));
    run.setChildSetup([] {
        rlimit low;
        ::getrlimit(RLIMIT_NOFILE, &low);
        low.rlim_cur = 256;
        ::setrlimit(RLIMIT_NOFILE, &low);
    });
    QVERIFY(run.startAndWait());
    // The soft and the hard limit.
    const QString limits =
        QString::fromLatin1(ClientRun::readFile(QStringLiteral("/proc/%1/limits").arg(run.process()->processId())));
    const QString hard = limit.rlim_max == RLIM_INFINITY ? "unlimited" : QString::number(limit.rlim_max);
    QCOMPARE(QRegularExpression("Max open files +(\\S+) +(\\S+)").match(limits).capturedTexts().mid(1),
             QStringList({hard, hard}));
}

QUORVEL_TEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
