#include "core/HttpExchange.h"

#include "utils/Mask.h"
#include "utils/PathAndQuery.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QDeadlineTimer>
#include <QNetworkProxy>
#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace QuorvelClient {
namespace Core {

namespace Internal {

class HttpExchangePrivate
{
public:
    enum Phase { Idle, Connecting, Tunnelling, Exchanging };

    explicit HttpExchangePrivate(HttpExchange* owner) : q(owner)
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, q, [this] {
            fail(HttpExchange::TimeoutError, QStringLiteral("The peer did not answer in time"));
        });
    }

    HttpExchange* q;

    QString host;
    int port = 80;
    HttpExchange::ConnectionMode mode = HttpExchange::ConnectionModeHttp;
    bool useProxy = false;
    QString proxyHost;
    int proxyPort = 0;
    QString proxyUser;
    QString proxyPassword;
    qint64 maxBody = ReplyLimits::json;
    int requestTimeout = 0;
    // When the request and the redirects it follows are given up; runs out while an exchange is under way.
    QDeadlineTimer due{QDeadlineTimer::Forever};
    QTimer timer;
    bool followingRedirect = false;
    bool quiet = false;
    QString failureLine;

    // The connection, kept between requests while the peer keeps it open.
    QTcpSocket* socket = nullptr;
    QString socketKey;
    bool reusable = false;

    Phase phase = Idle;
    QByteArray pending;
    std::optional<HttpReplyReader> reader;
    int redirects = 0;
    // Tells a failure queued by an earlier request() from one of the current request.
    quint64 generation = 0;
    bool inRequest = false;

    // The last finished exchange.
    QUrl url;
    bool headerValid = false;
    int status = 0;
    QByteArray reason;
    HttpReplyReader::Headers headers;
    QByteArray body;
    HttpExchange::Error error = HttpExchange::NoError;
    QString errorText;

    bool tls() const { return mode == HttpExchange::ConnectionModeHttps; }
    // Plain requests through the proxy go to it in absolute form; HTTPS goes through a CONNECT tunnel.
    bool forwarded() const { return useProxy && !tls(); }
    // What a kept connection must have been opened for to carry the next request.
    QString connectionKey() const;
    QByteArray proxyAuthorization() const;

    void openSocket();
    void dropSocket();
    void onConnected();
    void startExchange();
    void onReadyRead();
    void onClosed();
    void onSocketError(QAbstractSocket::SocketError socketError);
    void onTunnelAnswered();

    void takeHead();
    void complete();
    void fail(HttpExchange::Error kind, const QString& text);
    void failHeader();
    void emitDone(bool errorOccured);
};

QString HttpExchangePrivate::connectionKey() const
{
    QString key = QStringLiteral("%1 %2 %3").arg(tls() ? 1 : 0).arg(Utils::authority(host, port)).arg(useProxy);
    if (useProxy)
        key += QStringLiteral(" %1 %2 %3 %4").arg(Utils::authority(proxyHost, proxyPort), proxyUser, proxyPassword);
    return key;
}

QByteArray HttpExchangePrivate::proxyAuthorization() const
{
    if (proxyUser.isEmpty())
        return QByteArray();
    return "Basic " + (proxyUser + QLatin1Char(':') + proxyPassword).toUtf8().toBase64();
}

void HttpExchangePrivate::openSocket()
{
    dropSocket();
    QTcpSocket* s = tls() ? new QSslSocket : new QTcpSocket;
    // The process environment may name a proxy for libvlc; these connections follow the settings alone.
    s->setProxy(QNetworkProxy::NoProxy);
    // Bytes wait in the kernel rather than in the socket until the reader has taken what came before them.
    s->setReadBufferSize(256 * 1024);
    socket = s;
    socketKey = connectionKey();
    phase = Connecting;
    QObject::connect(s, &QAbstractSocket::connected, q, [this] { onConnected(); });
    QObject::connect(s, &QIODevice::readyRead, q, [this] { onReadyRead(); });
    QObject::connect(s, &QAbstractSocket::disconnected, q, [this] { onClosed(); });
    QObject::connect(s, &QAbstractSocket::errorOccurred, q,
                     [this](QAbstractSocket::SocketError socketError) { onSocketError(socketError); });
    if (auto* ssl = qobject_cast<QSslSocket*>(s)) {
        QObject::connect(ssl, &QSslSocket::encrypted, q, [this] { startExchange(); });
        // Reported, never ignored: a peer whose certificate does not verify gets no request.
        QObject::connect(ssl, &QSslSocket::sslErrors, q, &HttpExchange::sslErrors);
        ssl->setPeerVerifyName(host);
    }
    if (useProxy)
        s->connectToHost(proxyHost, quint16(proxyPort));
    else if (auto* ssl = qobject_cast<QSslSocket*>(s))
        ssl->connectToHostEncrypted(host, quint16(port));
    else
        s->connectToHost(host, quint16(port));
}

void HttpExchangePrivate::dropSocket()
{
    reusable = false;
    if (!socket)
        return;
    QTcpSocket* s = socket;
    socket = nullptr;
    QObject::disconnect(s, nullptr, q, nullptr);
    s->abort();
    // This may run inside one of the socket's own signals.
    s->deleteLater();
}

void HttpExchangePrivate::onConnected()
{
    if (!tls()) {
        startExchange();
        return;
    }
    if (!useProxy)
        return; // encrypted() follows
    phase = Tunnelling;
    reader.emplace(0, true);
    const QByteArray authority = Utils::authority(host, port).toUtf8();
    QByteArray connect = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    const QByteArray credentials = proxyAuthorization();
    if (!credentials.isEmpty())
        connect += "Proxy-Authorization: " + credentials + "\r\n";
    socket->write(connect + "\r\n");
}

void HttpExchangePrivate::startExchange()
{
    phase = Exchanging;
    reader.emplace(maxBody);
    socket->write(pending);
    pending.clear();
}

void HttpExchangePrivate::onReadyRead()
{
    if (phase != Tunnelling && phase != Exchanging) {
        // Bytes nobody asked for: the connection is not used again.
        if (phase == Idle)
            dropSocket();
        return;
    }
    char buffer[64 * 1024];
    HttpReplyReader::State state = reader->state();
    while (state == HttpReplyReader::ReadingHead || state == HttpReplyReader::ReadingBody) {
        const qint64 n = socket->read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        state = reader->feed(buffer, n);
    }
    if (phase == Tunnelling) {
        if (state == HttpReplyReader::Complete)
            onTunnelAnswered();
        else if (state != HttpReplyReader::ReadingHead)
            fail(HttpExchange::ProxyError, QStringLiteral("The proxy's answer to CONNECT is not valid"));
        return;
    }
    switch (state) {
    case HttpReplyReader::Complete:
        complete();
        break;
    case HttpReplyReader::Invalid:
        if (reader->headComplete())
            fail(HttpExchange::ClosedError, QStringLiteral("Reply body not valid: %1").arg(reader->problem()));
        else
            failHeader();
        break;
    case HttpReplyReader::TooLarge:
        fail(HttpExchange::TooLargeError, reader->problem());
        break;
    case HttpReplyReader::ReadingHead:
    case HttpReplyReader::ReadingBody:
        break;
    }
}

void HttpExchangePrivate::onTunnelAnswered()
{
    const int proxyStatus = reader->statusCode();
    if (proxyStatus < 200 || proxyStatus > 299) {
        fail(HttpExchange::ProxyError, QStringLiteral("The proxy refused the tunnel: %1 %2")
                                           .arg(proxyStatus)
                                           .arg(Utils::logExcerpt(reader->reasonPhrase())));
        return;
    }
    phase = Connecting;
    reader.reset();
    static_cast<QSslSocket*>(socket)->startClientEncryption();
}

void HttpExchangePrivate::onClosed()
{
    if (phase == Idle) {
        dropSocket();
        return;
    }
    if (phase == Exchanging && socket && socket->bytesAvailable() > 0) {
        QPointer<HttpExchange> guard(q);
        const quint64 current = generation;
        onReadyRead();
        if (!guard || current != generation || phase != Exchanging)
            return;
    }
    if (phase != Exchanging) {
        fail(phase == Tunnelling ? HttpExchange::ProxyError : HttpExchange::SocketError,
             QStringLiteral("Connection closed"));
        return;
    }
    switch (reader->finish()) {
    case HttpReplyReader::Complete:
        complete();
        break;
    case HttpReplyReader::Invalid:
        failHeader();
        break;
    case HttpReplyReader::ReadingHead:
        fail(HttpExchange::ClosedError, QStringLiteral("Connection closed before the reply"));
        break;
    default:
        fail(HttpExchange::ClosedError, QStringLiteral("Connection closed before the end of the reply"));
        break;
    }
}

void HttpExchangePrivate::onSocketError(QAbstractSocket::SocketError socketError)
{
    if (socketError == QAbstractSocket::RemoteHostClosedError) {
        onClosed();
        return;
    }
    if (phase == Idle) {
        dropSocket();
        return;
    }
    const QString text = socket ? socket->errorString() : QString();
    fail(useProxy && phase != Exchanging ? HttpExchange::ProxyError : HttpExchange::SocketError, text);
}

void HttpExchangePrivate::takeHead()
{
    headerValid = reader && reader->headComplete();
    status = headerValid ? reader->statusCode() : 0;
    reason = headerValid ? reader->reasonPhrase() : QByteArray();
    headers = headerValid ? reader->headers() : HttpReplyReader::Headers();
    body.clear();
}

void HttpExchangePrivate::complete()
{
    takeHead();
    body = reader->takeBody();
    const bool keep = reader->keepAlive();
    reader.reset();
    phase = Idle;
    timer.stop();
    if (keep)
        reusable = true;
    else
        dropSocket();
    if (forwarded() && status == 407) {
        error = HttpExchange::ProxyError;
        errorText = QStringLiteral("The proxy asks for credentials");
        emitDone(true);
        return;
    }
    error = HttpExchange::NoError;
    errorText.clear();
    emitDone(false);
}

void HttpExchangePrivate::fail(HttpExchange::Error kind, const QString& text)
{
    takeHead();
    error = kind;
    errorText = text;
    reader.reset();
    phase = Idle;
    timer.stop();
    dropSocket();
    emitDone(true);
}

void HttpExchangePrivate::failHeader()
{
    headerValid = false;
    status = 0;
    reason.clear();
    headers.clear();
    body.clear();
    error = HttpExchange::NoError;
    errorText.clear();
    reader.reset();
    phase = Idle;
    timer.stop();
    dropSocket();
    emitDone(false);
}

void HttpExchangePrivate::emitDone(bool errorOccured)
{
    if (inRequest) {
        // Never from inside request(): the receiver may send again on this object.
        const quint64 current = generation;
        QMetaObject::invokeMethod(
            q,
            [this, current, errorOccured] {
                if (current == generation)
                    emit q->done(errorOccured);
            },
            Qt::QueuedConnection);
        return;
    }
    emit q->done(errorOccured);
}

} // namespace Internal

HttpExchange::HttpExchange(QObject* parent) : QObject(parent), d(new Internal::HttpExchangePrivate(this)) {}

HttpExchange::~HttpExchange()
{
    d->dropSocket();
}

void HttpExchange::applyProxySettings()
{
    d->useProxy = Utils::Keys::proxyUseProxy().value();
    if (!d->useProxy)
        return;
    d->proxyHost = Utils::Keys::proxyHost().value();
    d->proxyPort = Utils::Keys::proxyPort().value();
    d->proxyUser = Utils::Keys::proxyUsername().value();
    d->proxyPassword = Utils::Keys::proxyPassword().value();
}

void HttpExchange::setHost(const QString& host, ConnectionMode mode, int port)
{
    d->host = host;
    d->mode = mode;
    d->port = port > 0 ? port : (mode == ConnectionModeHttps ? 443 : 80);
}

QString HttpExchange::host() const
{
    return d->host;
}

int HttpExchange::port() const
{
    return d->port;
}

HttpExchange::ConnectionMode HttpExchange::mode() const
{
    return d->mode;
}

void HttpExchange::setMaxBodyBytes(qint64 bytes)
{
    d->maxBody = bytes;
}

void HttpExchange::setRequestTimeout(int milliseconds)
{
    d->requestTimeout = milliseconds;
}

void HttpExchange::setQuiet(bool quiet)
{
    d->quiet = quiet;
}

QString HttpExchange::failureLine() const
{
    return d->failureLine;
}

void HttpExchange::keepOrLog(const QString& line)
{
    if (d->quiet)
        d->failureLine = line;
    else
        qDebug().noquote() << line;
}

void HttpExchange::request(const QByteArray& method, const QByteArray& pathAndQuery, const RawHeaders& headers,
                           const QByteArray& body, bool hasBody)
{
    ++d->generation;
    d->redirects = 0;
    if (d->phase != Internal::HttpExchangePrivate::Idle) {
        // The exchange still running is given up, and its connection with it.
        d->reader.reset();
        d->phase = Internal::HttpExchangePrivate::Idle;
        d->dropSocket();
    }

    QByteArray target = pathAndQuery;
    if (target.isEmpty() || target.startsWith('?') || target.startsWith('#'))
        target.prepend('/');
    const QByteArray authority = Utils::authority(d->host, d->port).toUtf8();
    const QByteArray scheme = d->tls() ? "https://" : "http://";
    d->url = QUrl::fromEncoded(scheme + authority + target, QUrl::TolerantMode);

    QByteArray out = method + ' ' + (d->forwarded() ? scheme + authority + target : target) + " HTTP/1.1\r\n";
    for (const auto& header : headers)
        out += header.first + ": " + header.second + "\r\n";
    if (d->forwarded()) {
        // Sent up front, so that the request needs no second try after a 407.
        const QByteArray credentials = d->proxyAuthorization();
        if (!credentials.isEmpty())
            out += "Proxy-Authorization: " + credentials + "\r\n";
    }
    if (hasBody)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "\r\n";
    if (hasBody)
        out += body;
    d->pending = out;
    if (!d->followingRedirect)
        d->due = d->requestTimeout > 0 ? QDeadlineTimer(d->requestTimeout) : QDeadlineTimer(QDeadlineTimer::Forever);
    if (d->due.isForever())
        d->timer.stop();
    else
        d->timer.start(int(qMax<qint64>(0, d->due.remainingTime())));

    d->inRequest = true;
    const bool reuse = d->socket && d->reusable && d->socketKey == d->connectionKey() &&
                       d->socket->state() == QAbstractSocket::ConnectedState && d->socket->bytesAvailable() == 0;
    if (reuse) {
        d->reusable = false;
        d->startExchange();
    } else {
        d->openSocket();
    }
    d->inRequest = false;
}

bool HttpExchange::settle(bool errorOccured, const QByteArray& method, const char* invalidHeaderLabel, bool logRedirect,
                          QByteArray* body)
{
    const int status = statusCode();
    d->failureLine.clear();
    if (errorOccured) {
        if (error() == TooLargeError) {
            logFailure("HTTP reply too large:", errorString());
            emit failed(responseHeaderValid() ? -2 : -4, status);
            return false;
        }
        logFailure("HTTP error:", int(error()), errorString());
        emit failed(-4, status);
        return false;
    }
    if (!responseHeaderValid()) {
        logFailure(invalidHeaderLabel);
        emit failed(-4, status);
        return false;
    }
    if (status == 301 || status == 302) {
        const QByteArray location = responseHeader("Location");
        const QString logged = Utils::maskUrlSecrets(Utils::logExcerpt(location));
        if (logRedirect)
            qDebug() << "HTTP Redirection to" << logged;
        if (redirectCount() >= maxRedirects) {
            logFailure("HTTP error: too many redirections:", redirectCount());
            emit failed(-3, status);
            return false;
        }
        if (!followRedirect(method, location)) {
            logFailure("Bad redirect address:", logged);
            emit failed(-3, status);
        }
        return false;
    }
    if (status > 302) {
        logFailure("HTTP error: HTTP status:", status, Utils::logExcerpt(reasonPhrase()));
        emit failed(-3, status);
        return false;
    }
    *body = readAll();
    return true;
}

bool HttpExchange::followRedirect(const QByteArray& method, const QByteArray& location)
{
    QUrl target(QString::fromUtf8(location), QUrl::TolerantMode);
    if (location.isEmpty() || !target.isValid())
        return false;
    if (target.isRelative() || target.host().isEmpty())
        target = d->url.resolved(target);
    if (!target.isValid() || target.host().isEmpty())
        return false;

    // An https Location is followed over TLS: a request meant for TLS is not sent in the clear.
    const bool tls = target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const int redirects = d->redirects;
    setHost(target.host(), tls ? ConnectionModeHttps : ConnectionModeHttp, target.port(tls ? 443 : 80));
    RawHeaders headers;
    headers << qMakePair(QByteArrayLiteral("Host"), Utils::authority(d->host, d->port).toUtf8());
    headers << qMakePair(QByteArrayLiteral("Accept"), QByteArrayLiteral("*/*"));
    // The redirect is part of the request it answers, within the same time.
    d->followingRedirect = true;
    request(method, Utils::pathAndQuery(target), headers);
    d->followingRedirect = false;
    d->redirects = redirects + 1;
    return true;
}

int HttpExchange::redirectCount() const
{
    return d->redirects;
}

void HttpExchange::abort()
{
    ++d->generation;
    d->timer.stop();
    d->reader.reset();
    d->phase = Internal::HttpExchangePrivate::Idle;
    d->dropSocket();
}

bool HttpExchange::isBusy() const
{
    return d->phase != Internal::HttpExchangePrivate::Idle;
}

bool HttpExchange::responseHeaderValid() const
{
    return d->headerValid;
}

int HttpExchange::statusCode() const
{
    return d->status;
}

QByteArray HttpExchange::reasonPhrase() const
{
    return d->reason;
}

QByteArray HttpExchange::responseHeader(const QByteArray& name) const
{
    for (const auto& header : d->headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

QByteArray HttpExchange::readAll()
{
    QByteArray body;
    body.swap(d->body);
    return body;
}

HttpExchange::Error HttpExchange::error() const
{
    return d->error;
}

QString HttpExchange::errorString() const
{
    return d->errorText;
}

QUrl HttpExchange::lastUrl() const
{
    return d->url;
}

} // namespace Core
} // namespace QuorvelClient
