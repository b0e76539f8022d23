#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslError>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

namespace QuorvelClient {
namespace Core {

namespace Internal {
class HttpExchangePrivate;
}

// One HTTP connection target and its exchanges for the REST and streaming-server clients: requests with raw
// headers in the caller's order, no automatic redirects, no time-out, the proxy of the settings. All exchanges of
// the process share one network access manager on the GUI thread.
class HttpExchange : public QObject
{
    Q_OBJECT
public:
    enum ConnectionMode { ConnectionModeHttp, ConnectionModeHttps };
    // What is left of a finished exchange once network errors and redirects are dealt with.
    enum Outcome { Answered, Redirected, Failed };

    using RawHeaders = QList<QPair<QByteArray, QByteArray>>;

    // Most redirects followed for one request.
    static constexpr int maxRedirects = 10;

    explicit HttpExchange(QObject* parent = nullptr);
    ~HttpExchange() override;

    static QNetworkAccessManager* networkAccessManager();

    // Reads "proxy/useProxy" and, when set, "proxy/host", "proxy/port", "proxy/username", "proxy/password".
    void applyProxySettings();

    // Port 0 takes the mode's default port (80 or 443).
    void setHost(const QString& host, ConnectionMode mode = ConnectionModeHttp, int port = 0);
    QString host() const;
    int port() const;
    ConnectionMode mode() const;

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

    // The part of a finished exchange that both clients answer alike: a network error or an invalid header fails
    // with -4 (logging invalidHeaderLabel), a 301/302 is followed with the method (logging "HTTP Redirection to"
    // first when logRedirect is set), and a bad Location, a chain over maxRedirects or a status above 302 fails
    // with -3. *errorCode receives the code of a failure.
    Outcome settle(bool errorOccured, const QByteArray& method, const char* invalidHeaderLabel, bool logRedirect,
                   int* errorCode);

    void abort();
    bool isBusy() const;

    // The last finished exchange.
    bool responseHeaderValid() const;
    int statusCode() const;
    QByteArray reasonPhrase() const;
    QByteArray responseHeader(const QByteArray& name) const;
    QByteArray readAll();
    int error() const;
    QString errorString() const;
    QUrl lastUrl() const;

signals:
    void done(bool errorOccured);
    void sslErrors(const QList<QSslError>& errors);

private:
    void onFinished();

    std::unique_ptr<Internal::HttpExchangePrivate> d;
};

} // namespace Core
} // namespace QuorvelClient
