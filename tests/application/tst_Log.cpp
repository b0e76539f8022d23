#include "application/Log.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace {

const QString kStamp = "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d::\\d\\d\\.\\d{3} ";

QStringList logLines(const QString& dir)
{
    QFile file(dir + "/quorvel_client_log.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Each line matches its pattern, in order and with none left over.
void compareLines(const QStringList& lines, const QStringList& patterns)
{
    QVERIFY2(lines.size() == patterns.size(), qPrintable(lines.join('\n')));
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(QRegularExpression('^' + patterns[i] + '$').match(lines[i]).hasMatch(), qPrintable(lines[i]));
}

} // namespace

class tst_Log : public QObject
{
    Q_OBJECT
public:
    tst_Log()
    {
        // A writer that deadlocks fails the test within seconds, not after QtTest's five minutes.
        qputenv("QTEST_FUNCTION_TIMEOUT", "20000");
        // Child mode of everyLevelHasItsPrefixAndFatalAborts().
        if (qEnvironmentVariableIsSet("QUORVEL_LOG_CHILD")) {
            QDir::setCurrent(qEnvironmentVariable("QUORVEL_LOG_CHILD"));
            QuorvelClient::Application::openLog();
            qDebug() << "Settings are loading from:" << QStringLiteral("/x/QuorvelClient.ini");
            qInfo() << "an info message writes nothing";
            qDebug("Пароль и камера №1");
            qWarning("warning abc");
            qCritical("critical abc");
            qFatal("fatal abc");
        }
    }

private slots:
    void everyLevelHasItsPrefixAndFatalAborts();
    void linesFromManyThreadsNeverInterleave();
};

void tst_Log::everyLevelHasItsPrefixAndFatalAborts()
{
    const QString dir = TestSupport::rootDir() + "/child";
    QVERIFY(QDir().mkpath(dir));
    QFile old(dir + "/quorvel_client_log.txt");
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("line of an earlier run\n") > 0);
    old.close();
    const QDateTime before = QDateTime::currentDateTime();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVEL_LOG_CHILD", dir);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    // The earlier run's lines are gone; the fatal line is written before the process aborts.
    const QStringList echoed{"Warning: " + kStamp + "warning abc", "Critical: " + kStamp + "critical abc",
                             "Fatal: " + kStamp + "fatal abc"};
    const QStringList lines = logLines(dir);
    compareLines(lines, QStringList{kStamp + "Settings are loading from: \"/x/QuorvelClient.ini\"",
                                    kStamp + "Пароль и камера №1"} +
                            echoed);
    const QDateTime stamped = QDateTime::fromString(lines.value(0).left(25), "dd.MM.yyyy hh:mm::ss.zzz ");
    QVERIFY(qAbs(stamped.msecsTo(before)) < 30000);
    // Warnings and worse are echoed on standard output too.
    compareLines(QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), echoed);
}

void tst_Log::linesFromManyThreadsNeverInterleave()
{
    QuorvelClient::Application::openLog();
    QList<QThread*> threads;
    for (int t = 0; t < 4; ++t) {
        threads << QThread::create([t] {
            for (int i = 0; i < 200; ++i)
                qDebug() << "thread" << t << "line" << i << QString(40, QLatin1Char('x'));
        });
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        QVERIFY(thread->wait(15000));
        delete thread;
    }
    const QStringList lines = logLines(QDir::currentPath());
    QCOMPARE(lines.size(), 800);
    const QRegularExpression whole("^" + kStamp + "thread \\d line \\d+ \"x{40}\"$");
    for (const QString& line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
}

QUORVEL_TEST_MAIN(tst_Log)
#include "tst_Log.moc"
