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
        if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
            continue;
        // A failure message is cut short: the child's failures and its last lines go first.
        QByteArrayList told;
        const QByteArrayList lines = child.readAll().split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith("FAIL!") || line.trimmed().startsWith("Loc:"))
                told << line;
        }
        told << lines.mid(qMax<qsizetype>(0, lines.size() - 6));
        QFAIL((QByteArray(zone) + ": " + told.join('\n')).constData());
    }
}

} // namespace TestSupport

// Declares the test function that reruns the others under both zones: put it in the private slots of the test class.
#define QUORVEL_ZONE_RERUNS                                                                                            \
    void otherZones()                                                                                                  \
    {                                                                                                                  \
        TestSupport::rerunInOtherZones();                                                                              \
    }
