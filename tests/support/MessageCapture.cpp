#include "support/MessageCapture.h"

#include <QMutex>

namespace TestSupport {

namespace {
// Guards the active capture and every capture's messages: a thread of a player still stopping may log while the
// capture that took its messages ends.
QBasicMutex g_mutex;
MessageCapture* g_active = nullptr;
} // namespace

MessageCapture::MessageCapture()
{
    QMutexLocker locker(&g_mutex);
    m_outer = g_active;
    g_active = this;
    m_previous = qInstallMessageHandler(&MessageCapture::handler);
}

MessageCapture::~MessageCapture()
{
    QMutexLocker locker(&g_mutex);
    qInstallMessageHandler(m_previous);
    g_active = m_outer;
}

void MessageCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    QMutexLocker locker(&g_mutex);
    if (g_active)
        g_active->m_messages.append(message);
}

QStringList MessageCapture::messages() const
{
    QMutexLocker locker(&g_mutex);
    return m_messages;
}

bool MessageCapture::contains(const QString& text) const
{
    return count(text) > 0;
}

int MessageCapture::count(const QString& text) const
{
    QMutexLocker locker(&g_mutex);
    int n = 0;
    for (const QString& m : m_messages)
        n += m.contains(text) ? 1 : 0;
    return n;
}

void MessageCapture::clear()
{
    QMutexLocker locker(&g_mutex);
    m_messages.clear();
}

} // namespace TestSupport
