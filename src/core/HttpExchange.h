#pragma once

#include "core/HttpReplyReader.h"

#include <QByteArray>
#include <QDebug>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslError>
#include <QString>
#include <QUrl>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class HttpExchangePrivate;
}

// One HTTP/1.1 connection of a REST or streaming-server client and its exchanges: requests with raw headers in
// the caller's order and no others (but Content-Length of a body and the proxy's credentials), no automatic
// redirects, no time-out unless one is set, the proxy of the settings. Each request() puts exactly one request on
// the wire: a connection that fails is reported, never tried again. The connection is kept for the next request
// while the peer keeps it open.
class HttpExchange : public QObject
{
    Q_OBJECT
public:
    enum ConnectionMode { ConnectionModeHttp, ConnectionModeHttps };
    // What went wrong with a finished exchange, beside a reply that is no HTTP.
    enum Error { NoError, SocketError, ClosedError, ProxyError, TooLargeError, TimeoutError };

    using RawHeaders = QList<QPair<QByteArray, QByteArray>>;

    // Most redirects followed for one request.
    static constexpr int maxRedirects = 10;

    explicit HttpExchange(QObject* parent = nullptr);
    ~HttpExchange() override;

    // Reads "proxy/useProxy" and, when set, "proxy/host", "proxy/port", "proxy/username", "proxy/password".
    void applyProxySettings();

    // Port 0 takes the mode's default port (80 or 443).
    void setHost(const QString& host, ConnectionMode mode = ConnectionModeHttp, int port = 0);
    QString host() const;
    int port() const;
    ConnectionMode mode() const;

    // The longest body read; a longer reply fails with TooLargeError.
    void setMaxBodyBytes(qint64 bytes);
    // A request not answered in full this long after request() (connecting and followed redirects included) fails
    // with TimeoutError, however steadily the peer sends; 0, the default, waits for ever.
    void setRequestTimeout(int milliseconds);

    // A quiet exchange writes no line of its own for a failure: the line is kept as failureLine(), for an issuer
    // that sums up the failures of many requests.
    void setQuiet(bool quiet);
    // The line of the last failure of a quiet exchange, as qDebug() would write it; empty after a success.
    QString failureLine() const;
    // Logs a failure's line as qDebug() does with these items, or keeps it when quiet.
    template <typename... Items> void logFailure(const Items&... items)
    {
        QString line;
        {
            QDebug stream(&line);
            (stream << ... << items);
        }
        line.chop(line.endsWith(QLatin1Char(' ')) ? 1 : 0);
        keepOrLog(line);
    }

    // Sends one request to the current host; an empty path goes as "/". Aborts an exchange still running.
    // A body is sent only when hasBody is true.
    void request(const QByteArray& method, const QByteArray& pathAndQuery, const RawHeaders& headers,
                 const QByteArray& body = QByteArray(), bool hasBody = false);

    // Answers a 301/302: aims the connection at the Location (resolved against the address of the request it
    // answers; https over TLS on 443 by default, any other scheme over plain HTTP on 80 by default) and re-sends
    // the method without a body with "Host" (host:port) and "Accept: */*". False, with nothing sent, when the
    // Location is not a usable URL.
    bool followRedirect(const QByteArray& method, const QByteArray& location);
    // Redirects followed since the last request().
    int redirectCount() const;

    // Settles a finished exchange the way both clients do. A failure is logged and reported through
    // failed(code, status): -4 for a network or proxy error or a header that is not valid (logged with
    // invalidHeaderLabel), -3 for a bad Location, a chain over maxRedirects or a status above 302, -2 for a body
    // over its bound. A 301/302 is followed (logged first when logRedirect is set). True when the exchange
    // answered with a status of 300 or below; *body then holds its body.
    bool settle(bool errorOccured, const QByteArray& method, const char* invalidHeaderLabel, bool logRedirect,
                QByteArray* body);

    void abort();
    bool isBusy() const;

    // The last finished exchange.
    bool responseHeaderValid() const;
    int statusCode() const;
    QByteArray reasonPhrase() const;
    QByteArray responseHeader(const QByteArray& name) const;
    QByteArray readAll();
    Error error() const;
    QString errorString() const;
    QUrl lastUrl() const;

signals:
    void done(bool errorOccured);
    void sslErrors(const QList<QSslError>& errors);
    void failed(int errorCode, int httpStatus);

private:
    void keepOrLog(const QString& line);

    std::unique_ptr<Internal::HttpExchangePrivate> d;
    friend class Internal::HttpExchangePrivate;
};

} // namespace Core
} // namespace QuorvelClient
