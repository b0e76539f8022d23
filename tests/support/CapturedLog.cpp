#include "support/CapturedLog.h"

#include <QMutex>
#include <QtGlobal>

namespace TestSupport {

namespace {

QMutex g_mutex;
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker locker(&g_mutex);
        g_lines.append(message);
    }
    static const bool echo = qEnvironmentVariableIsSet("QUORVEL_TEST_ECHO");
    if ((echo || type != QtDebugMsg) && g_previous)
        g_previous(type, context, message);
}

} // namespace

CapturedLog::CapturedLog()
{
    clear();
    g_previous = qInstallMessageHandler(record);
}

CapturedLog::~CapturedLog()
{
    qInstallMessageHandler(g_previous);
}

QStringList CapturedLog::lines() const
{
    QMutexLocker locker(&g_mutex);
    return g_lines;
}

QStringList CapturedLog::linesStartingWith(const QString& prefix) const
{
    QStringList result;
    for (const QString& line : lines()) {
        if (line.startsWith(prefix))
            result.append(line);
    }
    return result;
}

int CapturedLog::count(const QString& prefix) const
{
    return linesStartingWith(prefix).size();
}

void CapturedLog::clear()
{
    QMutexLocker locker(&g_mutex);
    g_lines.clear();
}

} // namespace TestSupport
