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

// Characters that would end the line, hide the rest of it or turn its display around: controls, line and paragraph
// separators, format characters (bidirectional overrides among them) and halves of no pair.
bool isHidden(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// The message with such characters written as escapes, so that a text from a peer writes one line and no more.
QString escaped(const QString& message)
{
    const auto plain = [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; };
    qsizetype first = 0;
    while (first < message.size() && plain(message.at(first)))
        ++first;
    if (first == message.size())
        return message;
    QString result = message.left(first);
    for (qsizetype i = first; i < message.size(); ++i) {
        const QChar c = message.at(i);
        char32_t code = c.unicode();
        const bool pair = c.isHighSurrogate() && i + 1 < message.size() && message.at(i + 1).isLowSurrogate();
        if (pair)
            code = QChar::surrogateToUcs4(c, message.at(i + 1));
        if (plain(c) || !isHidden(code)) {
            result += c;
            if (pair)
                result += message.at(++i);
            continue;
        }
        if (pair)
            ++i;
        if (code == '\n')
            result += QLatin1String("\\n");
        else if (code == '\r')
            result += QLatin1String("\\r");
        else if (code == '\t')
            result += QLatin1String("\\t");
        else
            result += (code > 0xffff ? QLatin1String("\\U") : QLatin1String("\\u")) +
                      QString::number(uint(code), 16).toUpper().rightJustified(code > 0xffff ? 8 : 4, QLatin1Char('0'));
    }
    return result;
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
        QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm::ss.zzz ")) + escaped(message);

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
