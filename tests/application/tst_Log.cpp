#include "application/Log.h"
#include "core/Camera.h"
#include "gui/playback/controls/ControlPanel.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>
#include <cstdlib>

namespace {

const QString kStamp = "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d::\\d\\d\\.\\d{3} ";

QStringList logLines(const QString& dir)
{
    QFile file(dir + "/quorvel_client_log.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A camera name that would start a line of its own, end a C string early and show the rest of the line reversed.
QString forgingName()
{
    return QStringLiteral("Door\r\n07.12.2026 00:00::00.000 Warning: forged by the peer") + QChar(0) + QChar(0x202E) +
           QStringLiteral("txt.exe");
}

// The same as one line of the log shows it.
const QString kForgingShown =
    QStringLiteral("Door\\r\\n07.12.2026 00:00::00.000 Warning: forged by the peer\\u0000\\u202Etxt.exe");

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
        // Child mode of peerTextsStayOnTheirLine().
        if (qEnvironmentVariableIsSet("QUORVEL_LOG_PEER")) {
            QDir::setCurrent(qEnvironmentVariable("QUORVEL_LOG_PEER"));
            QuorvelClient::Application::openLog();
            auto camera = std::make_shared<QuorvelClient::Core::Camera>(
                3, forgingName(), QStringLiteral("127.0.0.1:9"), 0, QStringLiteral("Yard"), true, true, true,
                QSize(640, 480), QStringLiteral("h264"), QuorvelClient::Core::Camera::CameraFlags(), QString());
            camera->setServerType(1);
            QuorvelClient::GUI::ControlPanel panel;
            panel.addCamera(camera);
            panel.setActiveCamera(camera->globalId());
            panel.searchArchive(camera, 10, 20, 30, 40);
            qWarning().noquote() << "Camera:" << camera->name() << QStringLiteral("\u2028next\U000E0041");
            // The panel's requests are left unanswered.
            std::fflush(stdout);
            std::_Exit(0);
        }
    }

private slots:
    void everyLevelHasItsPrefixAndFatalAborts();
    void linesFromManyThreadsNeverInterleave();
    void peerTextsStayOnTheirLine();
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

// A zone search of a camera whose name holds line breaks, a NUL and a right-to-left override writes one line, and
// so does a warning with that name on standard output.
void tst_Log::peerTextsStayOnTheirLine()
{
    const QString dir = TestSupport::rootDir() + "/peer";
    QVERIFY(QDir().mkpath(dir));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUORVEL_LOG_PEER", dir);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);

    QFile file(dir + "/quorvel_client_log.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const QByteArray& hidden : {QByteArray("\r"), QByteArray(1, '\0'), QByteArray("\u202E"), QByteArray("\u2028")})
        QVERIFY(!bytes.contains(hidden));
    const QStringList lines = QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts);
    const QString warning =
        "Warning: " + kStamp + QRegularExpression::escape("Camera: " + kForgingShown + " \\u2028next\\U000E0041");
    compareLines(lines.filter("forged"), {kStamp + QRegularExpression::escape("Search in archive for cam Yard-" +
                                                                              kForgingShown + " zone: 10,20,30,40"),
                                          warning});
    for (const QString& line : lines)
        QVERIFY2(QRegularExpression("^(Warning: )?" + kStamp).match(line).hasMatch(), qPrintable(line));
    compareLines(QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), {warning});
}

QUORVEL_TEST_MAIN(tst_Log)
#include "tst_Log.moc"
