#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace TestSupport {

// Records every Qt message while it lives (on top of the handler in place, which still sees them).
class LogRecorder
{
public:
    LogRecorder();
    ~LogRecorder();

    QStringList messages() const;
    // The messages that contain the text.
    QStringList matching(const QString& text) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QtMessageHandler m_previous;
};

} // namespace TestSupport
