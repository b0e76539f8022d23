#include "peer/FakeProxy.h"

#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

namespace TestSupport {

FakeProxy::FakeProxy(QObject* parent) : QTcpServer(parent) {}

FakeProxy::~FakeProxy()
{
    PeerThread::releaseServer(this);
}

bool FakeProxy::start(quint16 port)
{
    PeerThread::adopt(this);
    return PeerThread::call(this, [this, port] { return listen(QHostAddress::LocalHost, port); });
}

void FakeProxy::map(const QString& host, int port, const QHostAddress& targetAddress, quint16 targetPort)
{
    PeerThread::call(this, [&] {
        m_targets.insert(host.toLower() + ':' + QString::number(port), qMakePair(targetAddress, targetPort));
    });
}

void FakeProxy::requireCredentials(const QByteArray& user, const QByteArray& password)
{
    PeerThread::call(this, [&] { m_credentials = "Basic " + (user + ':' + password).toBase64(); });
}

void FakeProxy::incomingConnection(qintptr socketDescriptor)
{
    auto* client = new QTcpSocket(this);
    if (!client->setSocketDescriptor(socketDescriptor)) {
        delete client;
        return;
    }
    auto buffer = std::make_shared<QByteArray>();
    auto upstream = std::make_shared<QPointer<QTcpSocket>>();

    connect(client, &QTcpSocket::disconnected, client, [client, upstream] {
        if (*upstream)
            (*upstream)->disconnectFromHost();
        client->deleteLater();
    });
    connect(client, &QTcpSocket::readyRead, this, [this, client, buffer, upstream] {
        if (*upstream) {
            (*upstream)->write(client->readAll());
            return;
        }
        *buffer += client->readAll();
        const int headEnd = buffer->indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QByteArray head = buffer->left(headEnd);
        QByteArray rest = buffer->mid(headEnd + 4);
        buffer->clear();
        QList<QByteArray> lines = head.split('\n');
        for (QByteArray& line : lines)
            line = line.trimmed();
        Entry entry;
        entry.requestLine = lines.value(0);
        for (const QByteArray& line : lines) {
            if (line.startsWith("Proxy-Authorization:"))
                entry.proxyAuthorization = line.mid(20).trimmed();
        }
        m_entries << entry;

        const QList<QByteArray> parts = entry.requestLine.split(' ');
        const bool tunnel = parts.value(0) == "CONNECT";
        QString host;
        int port = 0;
        QByteArray originTarget;
        if (tunnel) {
            const QByteArray authority = parts.value(1);
            const int colon = authority.lastIndexOf(':');
            host = QString::fromLatin1(authority.left(colon));
            port = authority.mid(colon + 1).toInt();
        } else {
            const QUrl url = QUrl::fromEncoded(parts.value(1));
            host = url.host();
            port = url.port(80);
            const int schemeEnd = parts.value(1).indexOf("://");
            const int pathStart = schemeEnd < 0 ? -1 : parts.value(1).indexOf('/', schemeEnd + 3);
            originTarget = pathStart < 0 ? QByteArray("/") : parts.value(1).mid(pathStart);
        }

        if (!m_credentials.isEmpty() && entry.proxyAuthorization != m_credentials) {
            client->write("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"fake\"\r\n"
                          "Content-Length: 0\r\nConnection: close\r\n\r\n");
            client->disconnectFromHost();
            return;
        }
        const auto target = m_targets.constFind(host.toLower() + ':' + QString::number(port));
        if (target == m_targets.constEnd()) {
            client->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            client->disconnectFromHost();
            return;
        }

        auto* up = new QTcpSocket(client);
        *upstream = up;
        QByteArray forward;
        if (!tunnel) {
            forward = parts.value(0) + ' ' + originTarget + ' ' + parts.value(2) + "\r\n";
            for (int i = 1; i < lines.size(); ++i) {
                if (!lines.at(i).startsWith("Proxy-"))
                    forward += lines.at(i) + "\r\n";
            }
            forward += "\r\n";
        }
        forward += rest;
        connect(up, &QTcpSocket::connected, client, [client, up, tunnel, forward] {
            if (tunnel)
                client->write("HTTP/1.1 200 Connection established\r\n\r\n");
            up->write(forward);
        });
        // Data moves on only as fast as the client takes it, so that a large reply is not piled up here.
        up->setReadBufferSize(1 << 20);
        auto pump = [client, up] {
            if (client->bytesToWrite() < (1 << 20))
                client->write(up->readAll());
        };
        connect(up, &QTcpSocket::readyRead, client, pump);
        connect(client, &QTcpSocket::bytesWritten, up, pump);
        connect(up, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
        connect(up, &QTcpSocket::errorOccurred, client, [client, up](QAbstractSocket::SocketError) {
            if (up->state() != QAbstractSocket::ConnectedState && !up->property("wasConnected").toBool()) {
                client->write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            }
            client->disconnectFromHost();
        });
        connect(up, &QTcpSocket::connected, up, [up] { up->setProperty("wasConnected", true); });
        up->connectToHost(target.value().first, target.value().second);
    });
}

} // namespace TestSupport
