#include "support/MessageCapture.h"

namespace TestSupport {

namespace {
MessageCapture* g_active = nullptr;
}

MessageCapture::MessageCapture()
    : m_outer(g_active)
{
    g_active = this;
    m_previous = qInstallMessageHandler(&MessageCapture::handler);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(m_previous);
    g_active = m_outer;
}

void MessageCapture::handler(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (!g_active)
        return;
    QMutexLocker locker(&g_active->m_mutex);
    g_active->m_messages.append(message);
}

QStringList MessageCapture::messages() const
{
    QMutexLocker locker(&m_mutex);
    return m_messages;
}

bool MessageCapture::contains(const QString& text) const
{
    return count(text) > 0;
}

int MessageCapture::count(const QString& text) const
{
    QMutexLocker locker(&m_mutex);
    int n = 0;
    for (const QString& m : m_messages)
        n += m.contains(text) ? 1 : 0;
    return n;
}

void MessageCapture::clear()
{
    QMutexLocker locker(&m_mutex);
    m_messages.clear();
}

} // namespace TestSupport
