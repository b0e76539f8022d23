#include "application/Log.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QMutex>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

const char kLogFileName[] = "quorvel_client_log.txt";

QTextStream& logStream()
{
    static QTextStream stream;
    return stream;
}

QMutex& logMutex()
{
    static QMutex mutex;
    return mutex;
}

void writeLine(const char* prefix, const QString& line)
{
    if (prefix) {
        std::printf("%s%s\n", prefix, line.toUtf8().constData());
        logStream() << prefix;
    }
    logStream() << line << Qt::endl;
}

} // namespace

void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const QString line =
        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm::ss.zzz ")) + message;

    QMutexLocker locker(&logMutex());
    switch (type) {
    case QtDebugMsg:
        writeLine(nullptr, line);
        break;
    case QtWarningMsg:
        writeLine("Warning: ", line);
        break;
    case QtCriticalMsg:
        writeLine("Critical: ", line);
        break;
    case QtFatalMsg:
        writeLine("Fatal: ", line);
        std::fflush(stdout);
        std::abort();
    default:
        break;
    }
}

namespace QuorvelClient {
namespace Application {

void openLog()
{
    const QString fileName = QLatin1String(kLogFileName);
    qDebug() << "LogPath:" << fileName;
    // Open for the whole run: messages may come until the last moment of the process.
    static QFile* const file = new QFile(fileName);
    if (!file->open(QIODevice::WriteOnly))
        qFatal("Cannot open log file");
    logStream().setDevice(file);
    // Qt 6 returns its default handler here; chaining to it would echo every line to stderr.
    qInstallMessageHandler(messageHandler);
}

} // namespace Application
} // namespace QuorvelClient
