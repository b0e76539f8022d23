#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

namespace TestSupport {

// Collects every Qt message while it lives (the previous handler is restored afterwards); an inner capture
// takes the messages until it ends.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();

    QStringList messages() const;
    bool contains(const QString& text) const;
    bool absent(const QString& text) const { return !contains(text); }
    int count(const QString& text) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    MessageCapture* m_outer;
    QtMessageHandler m_previous;
    mutable QMutex m_mutex;
    QStringList m_messages;
};

} // namespace TestSupport
