#include "peer/FakeHttpServer.h"

#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <sys/socket.h>

namespace TestSupport {

QByteArray PeerRequest::header(const QByteArray& name) const
{
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

QList<QByteArray> PeerRequest::headerNames() const
{
    QList<QByteArray> names;
    for (const auto& h : headers)
        names << h.first;
    return names;
}

static QString decodedItem(const QByteArray& encoded, const QString& key)
{
    for (const QByteArray& pair : encoded.split('&')) {
        const int eq = pair.indexOf('=');
        const QByteArray k = eq < 0 ? pair : pair.left(eq);
        if (QString::fromUtf8(QByteArray::fromPercentEncoding(k)) == key)
            return QString::fromUtf8(QByteArray::fromPercentEncoding(eq < 0 ? QByteArray() : pair.mid(eq + 1)));
    }
    return QString();
}

QString PeerRequest::queryItem(const QString& key) const
{
    return decodedItem(query, key);
}

QString PeerRequest::formItem(const QString& key) const
{
    return decodedItem(body, key);
}

PeerReply PeerReply::json(const QByteArray& body, int status)
{
    PeerReply reply;
    reply.status = status;
    reply.headers << qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/json"));
    reply.body = body;
    return reply;
}

PeerReply PeerReply::redirect(int status, const QByteArray& location)
{
    PeerReply reply;
    reply.status = status;
    if (!location.isNull())
        reply.headers << qMakePair(QByteArrayLiteral("Location"), location);
    return reply;
}

PeerReply PeerReply::withBehaviour(Behaviour behaviour)
{
    PeerReply reply = json(QByteArrayLiteral("{\"success\":true,\"response\":{\"padding\":\"0123456789abcdef\"}}"));
    reply.behaviour = behaviour;
    return reply;
}

PeerReply PeerReply::rawBytes(const QByteArray& bytes)
{
    PeerReply reply;
    reply.behaviour = Raw;
    reply.raw = bytes;
    return reply;
}

PeerReply PeerReply::filler(qint64 bytes, Framing framing)
{
    PeerReply reply;
    reply.behaviour = Filler;
    reply.fillerBytes = bytes;
    reply.framing = framing;
    return reply;
}

PeerReply PeerReply::trickle(int intervalMs, const PeerReply& reply)
{
    PeerReply trickled = reply;
    trickled.behaviour = Trickle;
    trickled.trickleMs = intervalMs;
    return trickled;
}

QList<QPair<QByteArray, PeerReply>> PeerReply::drops()
{
    return {{"closed after reading", withBehaviour(CloseWithoutReply)},
            {"reset after reading", withBehaviour(Reset)},
            {"broken status line", rawBytes("HTTP/1.1 2")},
            {"garbage", rawBytes("\x16\x03\x01 not http at all\r\n\r\n")}};
}

bool parseRequest(QByteArray& buffer, PeerRequest& request)
{
    const int headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    PeerRequest r;
    r.requestLine = lines.value(0).trimmed();
    const QList<QByteArray> parts = r.requestLine.split(' ');
    r.method = parts.value(0);
    r.target = parts.value(1);
    r.version = parts.value(2);
    QByteArray originForm = r.target;
    if (!originForm.startsWith('/')) {
        const int schemeEnd = originForm.indexOf("://");
        if (schemeEnd >= 0) {
            const int pathStart = originForm.indexOf('/', schemeEnd + 3);
            originForm = pathStart < 0 ? QByteArray("/") : originForm.mid(pathStart);
        }
    }
    const int q = originForm.indexOf('?');
    r.path = q < 0 ? originForm : originForm.left(q);
    r.query = q < 0 ? QByteArray() : originForm.mid(q + 1);
    qsizetype contentLength = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        r.headers << qMakePair(name, value);
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    if (buffer.size() < headEnd + 4 + contentLength)
        return false;
    r.body = buffer.mid(headEnd + 4, contentLength);
    buffer.remove(0, headEnd + 4 + contentLength);
    request = r;
    return true;
}

FakeHttpServer::FakeHttpServer(QObject* parent) : QTcpServer(parent)
{
    qRegisterMetaType<TestSupport::PeerRequest>();
}

FakeHttpServer::~FakeHttpServer()
{
    stopServing();
}

void FakeHttpServer::stopServing()
{
    PeerThread::releaseServer(this);
}

bool FakeHttpServer::start(const QHostAddress& address, quint16 port)
{
    PeerThread::adopt(this);
    return PeerThread::call(this, [&] { return listen(address, port); });
}

void FakeHttpServer::setTls(const QSslCertificate& certificate, const QSslKey& key)
{
    PeerThread::call(this, [&] {
        m_certificate = certificate;
        m_key = key;
    });
}

void FakeHttpServer::setRoute(const QByteArray& path, const Handler& handler)
{
    PeerThread::call(this, [&] { m_routes.insert(path, handler); });
}

void FakeHttpServer::removeRoute(const QByteArray& path)
{
    PeerThread::call(this, [&] { m_routes.remove(path); });
}

void FakeHttpServer::enqueueReply(const PeerReply& reply)
{
    PeerThread::call(this, [&] { m_queue << reply; });
}

void FakeHttpServer::setFixedReply(const PeerReply& reply)
{
    PeerThread::call(this, [&] {
        m_fixed = reply;
        m_hasFixed = true;
    });
}

void FakeHttpServer::clearScript()
{
    PeerThread::call(this, [this] {
        m_queue.clear();
        m_hasFixed = false;
    });
}

void FakeHttpServer::incomingConnection(qintptr socketDescriptor)
{
    QTcpSocket* socket = nullptr;
    if (isTls()) {
        auto* ssl = new QSslSocket(this);
        if (!ssl->setSocketDescriptor(socketDescriptor)) {
            delete ssl;
            return;
        }
        ssl->setLocalCertificate(m_certificate);
        ssl->setPrivateKey(m_key);
        ssl->setPeerVerifyMode(QSslSocket::VerifyNone);
        // A client that refuses the certificate simply drops the connection.
        connect(ssl, &QSslSocket::sslErrors, ssl, [] {});
        ssl->startServerEncryption();
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(socketDescriptor)) {
            delete socket;
            return;
        }
    }
    ++m_connections;
    socket->setProperty("keepAlive", m_keepAlive);
    m_buffers.insert(socket, QByteArray());
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_buffers.remove(socket);
        socket->deleteLater();
    });
}

void FakeHttpServer::onReadyRead(QTcpSocket* socket)
{
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return;
    it.value() += socket->readAll();
    PeerRequest request;
    if (!parseRequest(it.value(), request))
        return;
    request.tls = isTls();
    if (!socket->property("keepAlive").toBool()) {
        // One request per connection: later bytes on it are not read as requests.
        m_buffers.remove(socket);
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    }
    m_requests << request;
    emit requestReceived(request);
    dispatch(request, socket);
}

void FakeHttpServer::dispatch(const PeerRequest& request, QTcpSocket* socket)
{
    if (!m_queue.isEmpty()) {
        sendReply(socket, m_queue.takeFirst());
        return;
    }
    if (m_hasFixed) {
        sendReply(socket, m_fixed);
        return;
    }
    const auto route = m_routes.constFind(request.path);
    if (route != m_routes.constEnd()) {
        route.value()(request, socket);
        return;
    }
    handleUnrouted(request, socket);
}

void FakeHttpServer::handleUnrouted(const PeerRequest&, QTcpSocket* socket)
{
    PeerReply reply;
    reply.status = 404;
    reply.body = QByteArrayLiteral("no such route");
    sendReply(socket, reply);
}

QByteArray FakeHttpServer::reasonFor(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 300:
        return "Multiple Choices";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 409:
        return "Conflict";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

namespace {

// Writes the filler body a megabyte at a time as the connection takes it, so that a reply of any size costs
// the peer little memory; stops when the client goes.
void sendFiller(QTcpSocket* socket, qint64 bytes, PeerReply::Framing framing)
{
    auto left = std::make_shared<qint64>(bytes);
    auto* ssl = qobject_cast<QSslSocket*>(socket);
    auto more = [socket, ssl, left, framing] {
        // Over TLS, bytes already encrypted wait apart from the plain ones.
        if (socket->bytesToWrite() + (ssl ? ssl->encryptedBytesToWrite() : 0) > (1 << 20))
            return;
        if (*left == 0) {
            if (framing == PeerReply::Chunked)
                socket->write("0\r\n\r\n");
            *left = -1;
            socket->disconnectFromHost();
            return;
        }
        if (*left < 0)
            return;
        const qint64 n = qMin<qint64>(*left, 1 << 20);
        *left -= n;
        const QByteArray data(n, 'x');
        if (framing == PeerReply::Chunked)
            socket->write(QByteArray::number(n, 16) + "\r\n" + data + "\r\n");
        else
            socket->write(data);
    };
    QObject::connect(socket, &QIODevice::bytesWritten, socket, more);
    if (ssl)
        QObject::connect(ssl, &QSslSocket::encryptedBytesWritten, socket, more);
    more();
}

// Writes the bytes one at a time, one every intervalMs, for as long as the client stays.
void sendTrickle(QTcpSocket* socket, const QByteArray& bytes, int intervalMs, bool keepAlive)
{
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, bytes, sent, keepAlive] {
        socket->write(bytes.mid((*sent)++, 1));
        if (*sent < bytes.size())
            return;
        timer->stop();
        if (!keepAlive)
            socket->disconnectFromHost();
    });
    timer->start(intervalMs);
}

} // namespace

void FakeHttpServer::sendReply(QTcpSocket* socket, const PeerReply& reply)
{
    const bool keepAlive = socket->property("keepAlive").toBool();
    switch (reply.behaviour) {
    case PeerReply::NeverAnswer:
        return;
    case PeerReply::CloseWithoutReply:
        socket->disconnectFromHost();
        return;
    case PeerReply::Reset: {
        // No lingering: closing sends a reset instead of an orderly end.
        const linger noLinger{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &noLinger, sizeof noLinger);
        socket->abort();
        return;
    }
    case PeerReply::Raw:
        socket->write(reply.raw);
        socket->disconnectFromHost();
        return;
    default:
        break;
    }
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                     (reply.reason.isEmpty() ? reasonFor(reply.status) : reply.reason) + "\r\n";
    for (const auto& h : reply.headers)
        out += h.first + ": " + h.second + "\r\n";
    if (reply.behaviour == PeerReply::Filler) {
        if (reply.framing == PeerReply::ByLength)
            out += "Content-Length: " + QByteArray::number(reply.fillerBytes) + "\r\n";
        else if (reply.framing == PeerReply::Chunked)
            out += "Transfer-Encoding: chunked\r\n";
        socket->write(out + "Connection: close\r\n\r\n");
        sendFiller(socket, reply.fillerBytes, reply.framing);
        return;
    }
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += keepAlive ? QByteArray("\r\n") : QByteArray("Connection: close\r\n\r\n");
    if (reply.behaviour == PeerReply::Trickle) {
        sendTrickle(socket, out + reply.body, reply.trickleMs, keepAlive);
        return;
    }
    if (reply.behaviour == PeerReply::CloseMidReply) {
        out += reply.body.left(reply.body.size() / 2);
        socket->write(out);
        socket->flush();
        // Give the partial reply time to leave before the connection goes.
        QTimer::singleShot(50, socket, [socket] { socket->abort(); });
        return;
    }
    out += reply.body;
    socket->write(out);
    if (!keepAlive)
        socket->disconnectFromHost();
}

} // namespace TestSupport
