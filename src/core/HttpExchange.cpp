#include "core/HttpExchange.h"

#include "utils/Mask.h"
#include "utils/PathAndQuery.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCoreApplication>
#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace QuorvelClient {
namespace Core {

namespace Internal {

class HttpExchangePrivate
{
public:
    QString host;
    int port = 80;
    HttpExchange::ConnectionMode mode = HttpExchange::ConnectionModeHttp;
    QNetworkProxy proxy = QNetworkProxy(QNetworkProxy::NoProxy);
    QPointer<QNetworkReply> reply;
    int redirects = 0;

    // The last finished exchange.
    QUrl url;
    bool headerValid = false;
    int status = 0;
    QByteArray reason;
    QList<QNetworkReply::RawHeaderPair> headers;
    QByteArray body;
    int error = 0;
    QString errorText;

    void dropReply()
    {
        if (!reply)
            return;
        QNetworkReply* r = reply;
        reply = nullptr;
        QObject::disconnect(r, nullptr, nullptr, nullptr);
        r->abort();
        r->deleteLater();
    }
};

} // namespace Internal

namespace {

// Errors that QNetworkReply derives from an HTTP status that did arrive; the clients judge the status themselves.
bool isStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

} // namespace

HttpExchange::HttpExchange(QObject* parent) : QObject(parent), d(new Internal::HttpExchangePrivate) {}

HttpExchange::~HttpExchange()
{
    d->dropReply();
}

QNetworkAccessManager* HttpExchange::networkAccessManager()
{
    static QPointer<QNetworkAccessManager> manager;
    if (!manager) {
        // Released first thing when the application object goes: torn down later among its children, a manager
        // that has used TLS trips over parts of Qt that are already gone.
        manager = new QNetworkAccessManager;
        qAddPostRoutine([] { delete manager.data(); });
        manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        manager->setAutoDeleteReplies(false);
    }
    return manager;
}

void HttpExchange::applyProxySettings()
{
    if (!Utils::Keys::proxyUseProxy().value()) {
        d->proxy = QNetworkProxy(QNetworkProxy::NoProxy);
        return;
    }
    d->proxy = QNetworkProxy(QNetworkProxy::HttpProxy, Utils::Keys::proxyHost().value(),
                             quint16(Utils::Keys::proxyPort().value()),
                             Utils::Keys::proxyUsername().value(),
                             Utils::Keys::proxyPassword().value());
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

void HttpExchange::request(const QByteArray& method, const QByteArray& pathAndQuery, const RawHeaders& headers,
                           const QByteArray& body, bool hasBody)
{
    d->dropReply();
    d->redirects = 0;

    QUrl base;
    base.setScheme(d->mode == ConnectionModeHttps ? QStringLiteral("https") : QStringLiteral("http"));
    base.setHost(d->host);
    base.setPort(d->port);
    QByteArray target = pathAndQuery;
    if (target.isEmpty() || target.startsWith('?') || target.startsWith('#'))
        target.prepend('/');
    d->url = QUrl::fromEncoded(base.toEncoded() + target, QUrl::TolerantMode);

    QNetworkRequest req(d->url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    req.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    for (const auto& header : headers)
        req.setRawHeader(header.first, header.second);

    QNetworkAccessManager* manager = networkAccessManager();
    // The manager's proxy is read when a request starts, so each exchange carries the proxy of its own client.
    manager->setProxy(d->proxy);
    QNetworkReply* reply =
        hasBody ? manager->sendCustomRequest(req, method, body) : manager->sendCustomRequest(req, method);
    d->reply = reply;
    connect(reply, &QNetworkReply::finished, this, &HttpExchange::onFinished);
    connect(reply, &QNetworkReply::sslErrors, this, &HttpExchange::sslErrors);
}

HttpExchange::Outcome HttpExchange::settle(bool errorOccured, const QByteArray& method,
                                           const char* invalidHeaderLabel, bool logRedirect, int* errorCode)
{
    const int status = statusCode();
    if (errorOccured) {
        qDebug() << "HTTP error:" << error() << errorString();
        *errorCode = -4;
        return Failed;
    }
    if (!responseHeaderValid()) {
        qDebug() << invalidHeaderLabel;
        *errorCode = -4;
        return Failed;
    }
    if (status == 301 || status == 302) {
        const QByteArray location = responseHeader("Location");
        if (logRedirect)
            qDebug() << "HTTP Redirection to" << Utils::maskUrlSecrets(QString::fromUtf8(location));
        if (redirectCount() >= maxRedirects) {
            qDebug() << "HTTP error: too many redirections:" << redirectCount();
            *errorCode = -3;
            return Failed;
        }
        if (!followRedirect(method, location)) {
            qDebug() << "Bad redirect address:" << Utils::maskUrlSecrets(QString::fromUtf8(location));
            *errorCode = -3;
            return Failed;
        }
        return Redirected;
    }
    if (status > 302) {
        qDebug() << "HTTP error: HTTP status:" << status << QString::fromUtf8(reasonPhrase());
        *errorCode = -3;
        return Failed;
    }
    return Answered;
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

    const bool tls = target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const int redirects = d->redirects;
    setHost(target.host(), tls ? ConnectionModeHttps : ConnectionModeHttp, target.port(tls ? 443 : 80));
    RawHeaders headers;
    headers << qMakePair(QByteArrayLiteral("Host"), (target.host() + ':' + QString::number(d->port)).toUtf8());
    headers << qMakePair(QByteArrayLiteral("Accept"), QByteArrayLiteral("*/*"));
    request(method, Utils::pathAndQuery(target), headers);
    d->redirects = redirects + 1;
    return true;
}

int HttpExchange::redirectCount() const
{
    return d->redirects;
}

void HttpExchange::abort()
{
    d->dropReply();
}

bool HttpExchange::isBusy() const
{
    return !d->reply.isNull();
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

int HttpExchange::error() const
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

void HttpExchange::onFinished()
{
    QNetworkReply* reply = d->reply;
    if (!reply || sender() != reply)
        return;
    d->reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    d->headerValid = status.isValid();
    d->status = status.toInt();
    d->reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    d->headers = reply->rawHeaderPairs();
    d->body = reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    const bool transportError = error != QNetworkReply::NoError && !(d->headerValid && isStatusError(error));
    d->error = transportError ? int(error) : 0;
    d->errorText = transportError ? reply->errorString() : QString();
    reply->deleteLater();

    emit done(transportError);
}

} // namespace Core
} // namespace QuorvelClient
