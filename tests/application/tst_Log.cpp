#include "application/Log.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList logLines(const QString& dir = QString())
{
    QFile file((dir.isEmpty() ? QString() : dir + "/") + QStringLiteral("quorvel_client_log.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

const QString kStamp = QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d::\\d\\d\\.\\d{3} ");

// Sends standard output into a file while it lives.
class StdoutToFile
{
public:
    explicit StdoutToFile(const QString& path)
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
    ~StdoutToFile()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }

private:
    int m_saved;
};

} // namespace

class tst_Log : public QObject
{
    Q_OBJECT
public:
    tst_Log()
    {
        // A writer that deadlocks fails the test within seconds, not after QtTest's five minutes.
        qputenv("QTEST_FUNCTION_TIMEOUT", "20000");
        // Child mode of fatalMessageIsWrittenThenAborts().
        if (qEnvironmentVariableIsSet("QUORVEL_LOG_FATAL_CHILD")) {
            QDir::setCurrent(qEnvironmentVariable("QUORVEL_LOG_FATAL_CHILD"));
            QuorvelClient::Application::openLog();
            qDebug() << "before fatal";
            qFatal("fatal abc");
        }
    }

private slots:
    void initTestCase();
    void linesCarryTimeAndPrefix();
    void warningsAreEchoedOnStandardOutput();
    void linesFromManyThreadsNeverInterleave();
    void fatalMessageIsWrittenThenAborts();
};

void tst_Log::initTestCase()
{
    QFile old(QStringLiteral("quorvel_client_log.txt"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("line of an earlier run\n");
    old.close();
    QuorvelClient::Application::openLog();
    // The earlier run's log is gone.
    QVERIFY(logLines().isEmpty());
}

void tst_Log::linesCarryTimeAndPrefix()
{
    const QDateTime before = QDateTime::currentDateTime();
    qDebug() << "Settings are loading from:" << QStringLiteral("/x/QuorvelClient.ini");
    qInfo() << "an info message writes nothing";
    qDebug("Пароль и камера №1");
    qCritical("critical abc");

    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 3);
    QVERIFY2(QRegularExpression("^" + kStamp + "Settings are loading from: \"/x/QuorvelClient.ini\"$")
                 .match(lines[0])
                 .hasMatch(),
             qPrintable(lines[0]));
    const QDateTime stamped = QDateTime::fromString(lines[0].left(25), QStringLiteral("dd.MM.yyyy hh:mm::ss.zzz "));
    QVERIFY(stamped.isValid());
    QVERIFY(qAbs(stamped.msecsTo(before)) < 5000);
    QVERIFY(lines[1].endsWith(QStringLiteral(" Пароль и камера №1")));
    QVERIFY(QRegularExpression("^Critical: " + kStamp + "critical abc$").match(lines[2]).hasMatch());
}

void tst_Log::warningsAreEchoedOnStandardOutput()
{
    const int before = logLines().size();
    const QString echoPath = TestSupport::rootDir() + QStringLiteral("/stdout.txt");
    {
        StdoutToFile redirect(echoPath);
        qWarning("warning abc");
        qDebug("debug is not echoed");
    }
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), before + 2);
    QVERIFY(QRegularExpression("^Warning: " + kStamp + "warning abc$").match(lines[before]).hasMatch());

    QFile echo(echoPath);
    QVERIFY(echo.open(QIODevice::ReadOnly));
    const QString echoed = QString::fromUtf8(echo.readAll());
    QVERIFY2(QRegularExpression("^Warning: " + kStamp + "warning abc\n$").match(echoed).hasMatch(), qPrintable(echoed));
}

void tst_Log::linesFromManyThreadsNeverInterleave()
{
    const int before = logLines().size();
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
    const QStringList lines = logLines().mid(before);
    QCOMPARE(lines.size(), 800);
    const QRegularExpression whole("^" + kStamp + "thread \\d line \\d+ \"x{40}\"$");
    for (const QString& line : lines)
        QVERIFY2(whole.match(line).hasMatch(), qPrintable(line));
}

void tst_Log::fatalMessageIsWrittenThenAborts()
{
    const QString dir = TestSupport::rootDir() + QStringLiteral("/fatal");
    QVERIFY(QDir().mkpath(dir));
    QProcess child;
    child.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVEL_LOG_FATAL_CHILD"), dir);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    const QStringList lines = logLines(dir);
    QVERIFY2(lines.size() >= 2, qPrintable(lines.join('\n')));
    QVERIFY(lines[lines.size() - 2].endsWith(QStringLiteral("before fatal")));
    QVERIFY(QRegularExpression("^Fatal: " + kStamp + "fatal abc$").match(lines.last()).hasMatch());
    QVERIFY(QString::fromUtf8(child.readAllStandardOutput()).contains(QStringLiteral("fatal abc")));
}

QUORVEL_TEST_MAIN(tst_Log)
#include "tst_Log.moc"
