#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

namespace TestPeer {

// A plain HTTP forward proxy on 127.0.0.1 that only forwards to loopback addresses. It records the request line
// and the Proxy-Authorization header of every request it forwards.
class HttpProxy : public QObject
{
    Q_OBJECT
public:
    explicit HttpProxy(QObject* parent = nullptr);

    bool listen();
    quint16 port() const;

    QList<QByteArray> requestLines() const;
    QList<QByteArray> authorizations() const;

private:
    void onNewConnection();
    void forward(class QTcpSocket* client, const QByteArray& head);

    QTcpServer m_server;
    QList<QByteArray> m_requestLines;
    QList<QByteArray> m_authorizations;
};

} // namespace TestPeer
