#include "support/LogRecorder.h"

#include <QMutex>
#include <QMutexLocker>

namespace TestSupport {

namespace {
QMutex g_mutex;
QStringList g_messages;
QtMessageHandler g_previous = nullptr;
} // namespace

LogRecorder::LogRecorder()
{
    QMutexLocker locker(&g_mutex);
    g_messages.clear();
    m_previous = qInstallMessageHandler(&LogRecorder::handler);
    g_previous = m_previous;
}

LogRecorder::~LogRecorder()
{
    qInstallMessageHandler(m_previous);
    QMutexLocker locker(&g_mutex);
    g_previous = nullptr;
}

QStringList LogRecorder::messages() const
{
    QMutexLocker locker(&g_mutex);
    return g_messages;
}

QStringList LogRecorder::matching(const QString& text) const
{
    return messages().filter(text);
}

void LogRecorder::clear()
{
    QMutexLocker locker(&g_mutex);
    g_messages.clear();
}

void LogRecorder::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    QtMessageHandler previous;
    {
        QMutexLocker locker(&g_mutex);
        g_messages.append(message);
        previous = g_previous;
    }
    if (previous)
        previous(type, context, message);
}

} // namespace TestSupport
