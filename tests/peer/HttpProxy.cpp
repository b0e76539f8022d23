#include "peer/HttpProxy.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

namespace TestPeer {

HttpProxy::HttpProxy(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpProxy::onNewConnection);
}

bool HttpProxy::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 HttpProxy::port() const
{
    return m_server.serverPort();
}

QList<QByteArray> HttpProxy::requestLines() const
{
    return m_requestLines;
}

QList<QByteArray> HttpProxy::authorizations() const
{
    return m_authorizations;
}

void HttpProxy::onNewConnection()
{
    while (QTcpSocket* client = m_server.nextPendingConnection()) {
        client->setParent(this);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QTcpSocket::readyRead, this, [this, client] {
            QByteArray head = client->property("head").toByteArray() + client->readAll();
            if (!head.contains("\r\n\r\n")) {
                client->setProperty("head", head);
                return;
            }
            disconnect(client, &QTcpSocket::readyRead, this, nullptr);
            forward(client, head);
        });
    }
}

void HttpProxy::forward(QTcpSocket* client, const QByteArray& head)
{
    const int lineEnd = head.indexOf("\r\n");
    const QByteArray line = head.left(lineEnd);
    m_requestLines.append(line);
    QByteArray authorization;
    for (const QByteArray& header : head.mid(lineEnd + 2).split('\n')) {
        if (header.toLower().startsWith("proxy-authorization:"))
            authorization = header.mid(20).trimmed();
    }
    m_authorizations.append(authorization);

    const QList<QByteArray> parts = line.split(' ');
    const QUrl url(parts.size() == 3 ? QString::fromLatin1(parts.at(1)) : QString());
    const QHostAddress address(url.host());
    if (url.scheme() != QLatin1String("http") || !address.isLoopback()) {
        client->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        client->disconnectFromHost();
        return;
    }

    QByteArray request = parts.at(0) + ' ' + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + ' ' +
                         parts.at(2) + head.mid(lineEnd);
    auto* upstream = new QTcpSocket(client);
    connect(upstream, &QTcpSocket::connected, upstream, [upstream, request] { upstream->write(request); });
    connect(upstream, &QTcpSocket::readyRead, client, [upstream, client] { client->write(upstream->readAll()); });
    connect(upstream, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
    connect(upstream, &QTcpSocket::errorOccurred, client, [client] { client->disconnectFromHost(); });
    connect(client, &QTcpSocket::readyRead, upstream, [upstream, client] { upstream->write(client->readAll()); });
    connect(client, &QTcpSocket::disconnected, upstream, [upstream] { upstream->abort(); });
    upstream->connectToHost(address, quint16(url.port(80)));
}

} // namespace TestPeer
