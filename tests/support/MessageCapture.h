#pragma once

#include <QStringList>
#include <QtGlobal>

namespace TestSupport {

// Collects every Qt message while it lives (the previous handler is restored afterwards); an inner capture
// takes the messages until it ends. Messages may come from any thread, also while a capture ends.
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
    QStringList m_messages;
};

} // namespace TestSupport
