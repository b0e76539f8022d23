#pragma once

#include <QProcess>
#include <QtTest>

namespace TestSupport {

// True inside a run that rerunInZone() started.
inline bool inZoneRun()
{
    return qEnvironmentVariableIsSet("QUORVEL_ZONE_RUN");
}

// Runs every test of this executable again in a child process under the time zone `zone` (a TZ value).
inline void rerunInZone(const QString& zone)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), zone);
    env.insert(QStringLiteral("QUORVEL_ZONE_RUN"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(300000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.right(4000).constData());
}

} // namespace TestSupport

// Declares the test function that runs every test again under UTC and under Central European time, where the
// last Sunday of March is 23 hours long: put it in the private slots of the test class.
#define QUORVEL_ZONE_RERUNS                                                                                            \
    void otherZones_data()                                                                                             \
    {                                                                                                                  \
        QTest::addColumn<QString>("zone");                                                                             \
        QTest::newRow("UTC") << "UTC";                                                                                 \
        QTest::newRow("Berlin") << "Europe/Berlin";                                                                    \
    }                                                                                                                  \
    void otherZones()                                                                                                  \
    {                                                                                                                  \
        if (TestSupport::inZoneRun())                                                                                  \
            QSKIP("runs in the parent only");                                                                          \
        QFETCH(QString, zone);                                                                                         \
        TestSupport::rerunInZone(zone);                                                                                \
    }
