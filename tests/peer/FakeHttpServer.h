#pragma once

#include "peer/PeerThread.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QUrlQuery>

#include <algorithm>
#include <functional>

class QTcpSocket;

namespace TestSupport {

using RawHeaders = QList<QPair<QByteArray, QByteArray>>;

// One request as the peer read it off the wire.
struct PeerRequest
{
    QByteArray requestLine; // e.g. "GET /a?b=c HTTP/1.1"
    QByteArray method;
    QByteArray target; // as sent: origin form, or absolute form through a forwarding proxy
    QByteArray path;   // target without query, still encoded
    QByteArray query;  // encoded, without "?"
    QByteArray version;
    RawHeaders headers; // in the order received
    QByteArray body;
    bool tls = false;

    QByteArray header(const QByteArray& name) const;
    QList<QByteArray> headerNames() const;
    // Query items decoded once (for the peer's own logic; tests compare `query` byte for byte).
    QString queryItem(const QString& key) const;
    QString formItem(const QString& key) const;
};

// A reply the peer sends, or a way of failing to send one.
struct PeerReply
{
    enum Behaviour {
        Normal,
        CloseMidReply,     // headers announce the whole body, half of it is sent, then the connection is closed
        CloseWithoutReply, // the connection is closed as soon as the request is read
        NeverAnswer,       // the connection stays open and silent
        Raw,               // `raw` is written as it is, then the connection is closed
        Reset,             // the connection is reset as soon as the request is read
        Filler,            // a body of `fillerBytes` made as it is sent, framed by `framing`
        Trickle            // the whole reply sent one byte every `trickleMs`
    };
    enum Framing { ByLength, Chunked, UntilClose };

    int status = 200;
    QByteArray reason;
    RawHeaders headers;
    QByteArray body;
    Behaviour behaviour = Normal;
    QByteArray raw;
    qint64 fillerBytes = 0;
    Framing framing = ByLength;
    int trickleMs = 0;

    static PeerReply json(const QByteArray& body, int status = 200);
    static PeerReply redirect(int status, const QByteArray& location);
    static PeerReply withBehaviour(Behaviour behaviour);
    static PeerReply rawBytes(const QByteArray& bytes);
    static PeerReply filler(qint64 bytes, Framing framing);
    // The reply, one byte every intervalMs: a slow server that never stays silent for long.
    static PeerReply trickle(int intervalMs, const PeerReply& reply = json("[]"));
    // The ways a peer drops a request after reading it, by name: closed, reset, a broken status line, garbage.
    static QList<QPair<QByteArray, PeerReply>> drops();
};

// A loopback HTTP/1.1 server (optionally over TLS) that records every request and answers through routes.
// A route handler gets the request and the socket; it may answer with sendReply() or keep the socket for a
// stream of its own. Scripted replies, when queued, answer before any route. From start() on it serves on the
// peers' thread (PeerThread): handlers run there, and requestReceived() reaches receivers of other threads queued.
class FakeHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    using Handler = std::function<void(const PeerRequest&, QTcpSocket*)>;

    explicit FakeHttpServer(QObject* parent = nullptr);
    ~FakeHttpServer() override;

    bool start(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    // Stops listening: new connections are refused, those open go on.
    void close()
    {
        PeerThread::call(this, [this] { QTcpServer::close(); });
    }
    quint16 port() const
    {
        return PeerThread::call(this, [this] { return serverPort(); });
    }

    // Keeps connections open for further requests, and announces no "Connection: close", from the next
    // connection on; by default each connection carries one request.
    void setKeepAlive(bool keepAlive)
    {
        PeerThread::call(this, [this, keepAlive] { m_keepAlive = keepAlive; });
    }

    // Serves TLS with this certificate and key from the next connection on.
    void setTls(const QSslCertificate& certificate, const QSslKey& key);
    bool isTls() const
    {
        return PeerThread::call(this, [this] { return !m_key.isNull(); });
    }

    // Routes match the path exactly (encoded, without the query).
    void setRoute(const QByteArray& path, const Handler& handler);
    void removeRoute(const QByteArray& path);

    // The next request (any path) is answered with this reply; several queue up in order.
    void enqueueReply(const PeerReply& reply);
    // Every request is answered with this reply until cleared.
    void setFixedReply(const PeerReply& reply);
    void clearScript();

    QList<PeerRequest> requests() const
    {
        return PeerThread::call(this, [this] { return m_requests; });
    }
    PeerRequest lastRequest() const
    {
        return PeerThread::call(this, [this] { return m_requests.value(m_requests.size() - 1); });
    }
    // The requests whose path ends so, and the last of them (empty when none).
    int requestCount(const QByteArray& pathEnd) const
    {
        return PeerThread::call(this, [&] {
            return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                                     [&](const PeerRequest& request) { return request.path.endsWith(pathEnd); }));
        });
    }
    PeerRequest lastRequest(const QByteArray& pathEnd) const
    {
        return PeerThread::call(this, [&] {
            for (auto it = m_requests.crbegin(); it != m_requests.crend(); ++it) {
                if (it->path.endsWith(pathEnd))
                    return *it;
            }
            return PeerRequest();
        });
    }
    void clearRequests()
    {
        PeerThread::call(this, [this] { m_requests.clear(); });
    }
    int connectionCount() const
    {
        return PeerThread::call(this, [this] { return m_connections; });
    }

    // Writes a whole reply (or the failure it scripts) and closes the connection when done, unless it is kept
    // alive.
    static void sendReply(QTcpSocket* socket, const PeerReply& reply);
    static QByteArray reasonFor(int status);

signals:
    void requestReceived(const TestSupport::PeerRequest& request);

protected:
    // Stops listening, closes every connection and brings the server back to the calling thread. Subclasses call
    // it first in their destructor, so that no request reaches their members while they go.
    void stopServing();
    void incomingConnection(qintptr socketDescriptor) override;
    // Answers a request that no route and no script took: 404.
    virtual void handleUnrouted(const PeerRequest& request, QTcpSocket* socket);

private:
    void onReadyRead(QTcpSocket* socket);
    void dispatch(const PeerRequest& request, QTcpSocket* socket);

    QSslCertificate m_certificate;
    QSslKey m_key;
    QMap<QByteArray, Handler> m_routes;
    QList<PeerReply> m_queue;
    bool m_hasFixed = false;
    PeerReply m_fixed;
    QList<PeerRequest> m_requests;
    QMap<QTcpSocket*, QByteArray> m_buffers;
    int m_connections = 0;
    bool m_keepAlive = false;
};

// Parses one request head and body out of the buffer; false while it is incomplete.
bool parseRequest(QByteArray& buffer, PeerRequest& request);

} // namespace TestSupport

Q_DECLARE_METATYPE(TestSupport::PeerRequest)
Q_DECLARE_METATYPE(TestSupport::PeerReply)
