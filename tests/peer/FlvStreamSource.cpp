#include "peer/FlvStreamSource.h"

#include "peer/FakeHttpServer.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QUrl>

#include <algorithm>

namespace TestSupport {

namespace {

quint32 readBig(const QByteArray& data, int at, int length)
{
    quint32 value = 0;
    for (int i = 0; i < length; ++i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

// Writes the FLV time stamp: 24 low bits, then the high byte.
void writeTime(QByteArray* tag, qint64 time)
{
    (*tag)[4] = char((time >> 16) & 0xff);
    (*tag)[5] = char((time >> 8) & 0xff);
    (*tag)[6] = char(time & 0xff);
    (*tag)[7] = char((time >> 24) & 0xff);
}

const int kScriptTag = 18;
const int kFrameGap = 40;

} // namespace

FlvStreamSource::FlvStreamSource(QObject* parent) : QObject(parent)
{
    m_clock.start();
    // Children, so that they move to the peers' thread with the source.
    m_server.setParent(this);
    m_pump.setParent(this);
    connect(&m_server, &QTcpServer::newConnection, this, &FlvStreamSource::onNewConnection);
    connect(&m_pump, &QTimer::timeout, this, &FlvStreamSource::pump);
    m_pump.setInterval(10);
}

FlvStreamSource::~FlvStreamSource()
{
    // The servers it is attached to stop handing it requests before it goes.
    for (const auto& [host, prefix] : std::as_const(m_hosts)) {
        if (host) {
            host->removeRoute(prefix + "/flv/live");
            host->removeRoute(prefix + "/flv/archive");
        }
    }
    PeerThread::release(this, [this] {
        m_pump.stop();
        m_server.close();
        for (QTcpSocket* socket : findChildren<QTcpSocket*>())
            socket->abort();
    });
    qDeleteAll(m_streams);
}

bool FlvStreamSource::listen(quint16 port)
{
    PeerThread::adopt(this);
    return PeerThread::call(this, [this, port] {
        if (!m_server.listen(QHostAddress::LocalHost, port))
            return false;
        m_port = m_server.serverPort();
        return true;
    });
}

quint16 FlvStreamSource::port() const
{
    return PeerThread::call(this, [this] { return m_port; });
}

QString FlvStreamSource::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

bool FlvStreamSource::loadClip(const QString& path, Clip* clip)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (data.size() < 13 || !data.startsWith("FLV"))
        return false;
    const int headerSize = int(readBig(data, 5, 4));
    clip->header = data.left(headerSize + 4);
    clip->tags.clear();
    clip->duration = 0;
    int at = headerSize + 4;
    while (at + 11 <= data.size()) {
        const int size = int(readBig(data, at + 1, 3));
        const int total = 11 + size + 4;
        if (at + total > data.size())
            break;
        Tag tag;
        tag.type = quint8(data.at(at)) & 0x1f;
        tag.time = qint64(readBig(data, at + 4, 3)) | (qint64(quint8(data.at(at + 7))) << 24);
        tag.bytes = data.mid(at, total);
        clip->duration = qMax(clip->duration, tag.time + kFrameGap);
        clip->tags.append(tag);
        at += total;
    }
    return !clip->tags.isEmpty();
}

bool FlvStreamSource::setLiveClip(const QString& path)
{
    Clip clip;
    if (!loadClip(path, &clip))
        return false;
    PeerThread::call(this, [&] { m_live = clip; });
    return true;
}

bool FlvStreamSource::setArchiveClip(const QString& path)
{
    Clip clip;
    if (!loadClip(path, &clip))
        return false;
    PeerThread::call(this, [&] { m_archive = clip; });
    return true;
}

void FlvStreamSource::setAnswer(Answer answer)
{
    PeerThread::call(this, [this, answer] { m_answer = answer; });
}

void FlvStreamSource::setBurst(int milliseconds)
{
    PeerThread::call(this, [this, milliseconds] { m_burst = milliseconds; });
}

void FlvStreamSource::setArchiveLoops(int loops)
{
    PeerThread::call(this, [this, loops] { m_archiveLoops = qMax(1, loops); });
}

void FlvStreamSource::setStallAfter(qint64 bytes, int closeAfterMs)
{
    PeerThread::call(this, [this, bytes, closeAfterMs] {
        m_stallAfter = bytes;
        m_closeStalledAfter = closeAfterMs;
    });
}

void FlvStreamSource::setTrickleAfter(qint64 bytes, int bytesPerTick)
{
    PeerThread::call(this, [this, bytes, bytesPerTick] {
        m_trickleAfter = bytes;
        m_tricklePerTick = qMax(1, bytesPerTick);
    });
}

void FlvStreamSource::setRefusing(bool refusing)
{
    PeerThread::call(this, [this, refusing] {
        if (refusing)
            m_server.close();
        else if (!m_server.isListening())
            m_server.listen(QHostAddress::LocalHost, m_port);
    });
}

void FlvStreamSource::cutStreams()
{
    PeerThread::call(this, [this] {
        for (Stream* stream : std::as_const(m_streams)) {
            if (stream->socket)
                stream->socket->abort();
        }
        qDeleteAll(m_streams);
        m_streams.clear();
    });
}

void FlvStreamSource::stallStreams()
{
    PeerThread::call(this, [this] {
        for (Stream* stream : std::as_const(m_streams))
            stream->stalled = true;
    });
}

int FlvStreamSource::openStreams() const
{
    return PeerThread::call(this, [this] {
        int count = 0;
        for (const Stream* stream : m_streams) {
            if (stream->socket && stream->socket->state() == QAbstractSocket::ConnectedState)
                ++count;
        }
        return count;
    });
}

int FlvStreamSource::stalledStreams() const
{
    return PeerThread::call(this, [this] {
        return int(std::count_if(m_streams.cbegin(), m_streams.cend(), [this](const Stream* stream) {
            return stream->socket && m_stallAfter > 0 && stream->sent >= m_stallAfter;
        }));
    });
}

QList<FlvStreamSource::Request> FlvStreamSource::requests() const
{
    return PeerThread::call(this, [this] { return m_requests; });
}

int FlvStreamSource::requestCount(const QByteArray& path) const
{
    return PeerThread::call(this, [&] {
        int count = 0;
        for (const Request& request : m_requests) {
            if (path.isEmpty() || request.path.endsWith(path))
                ++count;
        }
        return count;
    });
}

void FlvStreamSource::clearRequests()
{
    PeerThread::call(this, [this] { m_requests.clear(); });
}

void FlvStreamSource::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FlvStreamSource::onReadyRead(QTcpSocket* socket)
{
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    head = head.left(head.indexOf("\r\n\r\n") + 4);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    if (requestLine.size() < 2 || !serve(socket, requestLine.at(1), head)) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }
}

void FlvStreamSource::attachTo(TestSupport::FakeHttpServer* server, const QByteArray& prefix)
{
    // The server's sockets are written by this source's pump: both serve on the peers' thread.
    PeerThread::adopt(this);
    m_hosts << qMakePair(QPointer<FakeHttpServer>(server), prefix);
    const auto route = [this](const TestSupport::PeerRequest& request, QTcpSocket* socket) {
        QByteArray head = request.requestLine + "\r\n";
        for (const auto& header : request.headers)
            head += header.first + ": " + header.second + "\r\n";
        serve(socket, request.target, head + "\r\n");
    };
    server->setRoute(prefix + "/flv/live", route);
    server->setRoute(prefix + "/flv/archive", route);
}

bool FlvStreamSource::serve(QTcpSocket* socket, const QByteArray& target, const QByteArray& head)
{
    const QUrl url(QString::fromLatin1(target));
    const QByteArray path = url.path(QUrl::FullyEncoded).toLatin1();
    const bool live = path.endsWith("/flv/live");
    if (!live && !path.endsWith("/flv/archive"))
        return false;
    m_requests.append({target, path, QUrlQuery(url), head, m_clock.elapsed()});
    emit requestReceived(target);

    switch (m_answer) {
    case Answer::NotFound:
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
        socket->disconnectFromHost();
        break;
    case Answer::Close:
        socket->disconnectFromHost();
        break;
    case Answer::Garbage: {
        QByteArray body(64 * 1024, '\0');
        QRandomGenerator generator(7);
        for (char& byte : body)
            byte = char(generator.bounded(256));
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
        break;
    }
    case Answer::Stream:
        startStream(socket, live);
        break;
    }
    return true;
}

void FlvStreamSource::startStream(QTcpSocket* socket, bool live)
{
    const Clip* clip = live ? &m_live : &m_archive;
    if (clip->tags.isEmpty()) {
        socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: video/x-flv\r\nCache-Control: no-cache\r\n"
                  "Connection: close\r\n\r\n");
    auto* stream = new Stream;
    stream->socket = socket;
    stream->clip = clip;
    stream->live = live;
    stream->clock.start();
    m_streams.append(stream);
    send(stream, clip->header);
    pump();
    if (!m_pump.isActive())
        m_pump.start();
}

bool FlvStreamSource::send(Stream* stream, const QByteArray& bytes)
{
    if (m_trickleAfter > 0) {
        stream->held += bytes;
        release(stream, 0);
        return true;
    }
    qint64 size = bytes.size();
    if (m_stallAfter > 0 && stream->sent + size >= m_stallAfter) {
        size = qMax<qint64>(0, m_stallAfter - stream->sent);
        stream->stalled = true;
        if (m_closeStalledAfter >= 0) {
            auto* close = new QTimer(stream->socket);
            close->setSingleShot(true);
            connect(close, &QTimer::timeout, stream->socket, &QTcpSocket::abort);
            close->start(m_closeStalledAfter);
        }
    }
    stream->socket->write(bytes.constData(), size);
    stream->sent += size;
    return !stream->stalled;
}

void FlvStreamSource::release(Stream* stream, qint64 extra)
{
    const qint64 size = qMin<qint64>(stream->held.size(), qMax<qint64>(0, m_trickleAfter - stream->sent) + extra);
    if (size <= 0)
        return;
    stream->socket->write(stream->held.constData(), size);
    stream->held.remove(0, size);
    stream->sent += size;
}

void FlvStreamSource::pump()
{
    for (int i = m_streams.size() - 1; i >= 0; --i) {
        Stream* stream = m_streams.at(i);
        QTcpSocket* socket = stream->socket;
        if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
            delete m_streams.takeAt(i);
            continue;
        }
        if (stream->stalled)
            continue;
        if (m_trickleAfter > 0)
            release(stream, m_tricklePerTick);
        const qint64 now = stream->clock.elapsed() + m_burst;
        bool finished = false;
        while (!finished) {
            if (stream->next >= stream->clip->tags.size()) {
                if (!stream->live && stream->loop + 1 >= m_archiveLoops) {
                    finished = true;
                    break;
                }
                stream->next = 0;
                ++stream->loop;
            }
            const Tag& tag = stream->clip->tags.at(stream->next);
            const qint64 time = tag.time + stream->loop * stream->clip->duration;
            if (time > now)
                break;
            ++stream->next;
            if (stream->loop > 0 && tag.type == kScriptTag)
                continue;
            QByteArray bytes = tag.bytes;
            writeTime(&bytes, time);
            if (!send(stream, bytes))
                break;
        }
        if (finished) {
            socket->disconnectFromHost();
            delete m_streams.takeAt(i);
        }
    }
    if (m_streams.isEmpty())
        m_pump.stop();
}

} // namespace TestSupport
