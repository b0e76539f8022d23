#include "support/LogCapture.h"

#include <QMutex>
#include <QtGlobal>

namespace TestSupport {

namespace {

QMutex mutex;
QStringList recorded;
QtMessageHandler previous = nullptr;
int depth = 0;

void capture(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker locker(&mutex);
        recorded << message;
    }
    if (type != QtDebugMsg && previous)
        previous(type, context, message);
}

} // namespace

LogCapture::LogCapture()
{
    QMutexLocker locker(&mutex);
    if (depth++ == 0) {
        recorded.clear();
        previous = qInstallMessageHandler(capture);
    }
}

LogCapture::~LogCapture()
{
    QMutexLocker locker(&mutex);
    if (--depth == 0)
        qInstallMessageHandler(previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker locker(&mutex);
    return recorded;
}

bool LogCapture::contains(const QString& text) const
{
    QMutexLocker locker(&mutex);
    for (const QString& line : recorded) {
        if (line.contains(text))
            return true;
    }
    return false;
}

void LogCapture::clear()
{
    QMutexLocker locker(&mutex);
    recorded.clear();
}

} // namespace TestSupport
