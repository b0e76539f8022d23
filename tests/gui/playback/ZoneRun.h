#pragma once

#include <QProcess>
#include <QtTest>

namespace TestSupport {

// Runs every test of this executable again in a child process under UTC, and in one under Central European time,
// where the last Sunday of March is 23 hours long.
inline void rerunInOtherZones()
{
    if (qEnvironmentVariableIsSet("QUORVEL_ZONE_RUN"))
        QSKIP("runs in the parent only");
    for (const char* zone : {"UTC", "Europe/Berlin"}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), QLatin1String(zone));
        env.insert(QStringLiteral("QUORVEL_ZONE_RUN"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(300000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 (QByteArray(zone) + ": " + child.readAll().right(4000)).constData());
    }
}

} // namespace TestSupport

// Declares the test function that reruns the others under both zones: put it in the private slots of the test class.
#define QUORVEL_ZONE_RERUNS                                                                                            \
    void otherZones()                                                                                                  \
    {                                                                                                                  \
        TestSupport::rerunInOtherZones();                                                                              \
    }
