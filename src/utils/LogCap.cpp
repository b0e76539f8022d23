#include "utils/LogCap.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

namespace Utils {

LogCap::LogCap(const QString& what, QtMsgType type, Run run, qsizetype shown)
    : m_what(what), m_type(type), m_run(run), m_shown(shown)
{
}

// A cap that waits for the event loop lives until the process ends, when the log may be gone already.
LogCap::~LogCap()
{
    if (m_run == UntilClosed)
        close();
}

qsizetype LogCap::next(qsizetype count)
{
    if (m_run == UntilEventLoop) {
        // Without an event loop a run would never end.
        if (!QCoreApplication::instance())
            return count;
        if (m_counted == 0)
            QTimer::singleShot(0, QCoreApplication::instance(), [this] { close(); });
    }
    m_counted += count;
    const qsizetype lines = qBound<qsizetype>(0, m_shown - m_logged, count);
    m_logged += lines;
    return lines;
}

void LogCap::close()
{
    const qsizetype held = m_counted - m_logged;
    m_counted = 0;
    m_logged = 0;
    if (held <= 0)
        return;
    const QString line = QStringLiteral("\u2026 and %1 more %2").arg(held).arg(m_what);
    switch (m_type) {
    case QtWarningMsg:
        qWarning().noquote() << line;
        break;
    case QtCriticalMsg:
        qCritical().noquote() << line;
        break;
    default:
        qDebug().noquote() << line;
        break;
    }
}

} // namespace Utils
