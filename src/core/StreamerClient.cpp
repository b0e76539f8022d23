#include "core/StreamerClient.h"

#include "core/ArchiveList.h"
#include "core/HttpExchange.h"
#include "utils/Mask.h"
#include "utils/PathAndQuery.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace QuorvelClient {
namespace Core {

namespace Internal {

enum class ReplyForm { Raw, Json, ArchiveList };

class StreamerClientPrivate
{
public:
    HttpExchange http;
    QString host;
    int port = 0;
    QString version;
    ReplyForm form = ReplyForm::Json;
    QVariantMap params;
};

} // namespace Internal

StreamerClient::StreamerClient(const QString& host, int port) : QObject(nullptr), d(new Internal::StreamerClientPrivate)
{
    d->host = host;
    d->port = port;
    if (d->port == 0)
        d->port = Utils::Keys::streamerPort().value();
    if (d->host.isEmpty()) {
        d->host = Utils::Keys::streamerHost().value();
        d->version = Utils::Keys::streamerVersion().value();
    }
    d->http.setHost(d->host, HttpExchange::ConnectionModeHttp, d->port);
    d->http.applyProxySettings();
    connect(&d->http, &HttpExchange::done, this, &StreamerClient::onHttpDone);
    connect(&d->http, &HttpExchange::failed, this, &StreamerClient::error);
}

StreamerClient::~StreamerClient() = default;

QVariantMap StreamerClient::params() const
{
    return d->params;
}

void StreamerClient::setRequestTimeout(int milliseconds)
{
    d->http.setRequestTimeout(milliseconds);
}

void StreamerClient::setQuiet(bool quiet)
{
    d->http.setQuiet(quiet);
}

QString StreamerClient::failureLine() const
{
    return d->http.failureLine();
}

void StreamerClient::request(const QString& command, const QVariantMap& params, bool parsingNeeded)
{
    d->form = parsingNeeded ? Internal::ReplyForm::Json : Internal::ReplyForm::Raw;
    d->http.setMaxBodyBytes(parsingNeeded ? ReplyLimits::json : ReplyLimits::raw);
    send(command, params);
}

void StreamerClient::requestArchiveList(const QString& command, const QVariantMap& params)
{
    d->form = Internal::ReplyForm::ArchiveList;
    d->http.setMaxBodyBytes(ReplyLimits::archiveList);
    send(command, params);
}

void StreamerClient::send(const QString& command, const QVariantMap& params)
{
    d->params = params;
    const QString path =
        d->version.isEmpty() ? QStringLiteral("/%1").arg(command) : QStringLiteral("/%1/%2").arg(d->version, command);
    HttpExchange::RawHeaders headers;
    headers << qMakePair(QByteArrayLiteral("Accept"), QByteArrayLiteral("*/*"));
    headers << qMakePair(QByteArrayLiteral("Host"), Utils::authority(d->host, d->port).toUtf8());
    // A request sent again after a followed redirect goes to the client's own server, not to the redirect's:
    // the issuer asked this server, and a redirect answers one request only.
    d->http.setHost(d->host, HttpExchange::ConnectionModeHttp, d->port);
    QByteArray target = Utils::percentEncoded(path, Utils::QueryEncoding::Lenient);
    const QByteArray query = Utils::queryString(params, Utils::QueryEncoding::Lenient);
    if (!query.isEmpty())
        target += '?' + query;
    d->http.request("GET", target, headers);
}

void StreamerClient::onHttpDone(bool errorOccured)
{
    QByteArray body;
    if (!d->http.settle(errorOccured, "GET", "HTTP response is invalid", false, &body))
        return;
    const int status = d->http.statusCode();
    if (body.isEmpty()) {
        d->http.logFailure("HTTP bad data: empty responce");
        emit error(-2, status);
        return;
    }
    QVariant response;
    bool parsed = true;
    switch (d->form) {
    case Internal::ReplyForm::Raw:
        response = body;
        break;
    case Internal::ReplyForm::Json: {
        QJsonParseError parseError;
        response = QJsonDocument::fromJson(body, &parseError).toVariant();
        parsed = parseError.error == QJsonParseError::NoError;
        break;
    }
    case Internal::ReplyForm::ArchiveList: {
        ArchiveList list;
        parsed = list.read(body);
        response = QVariant::fromValue(list);
        break;
    }
    }
    if (!parsed) {
        d->http.logFailure("HTTP bad data: cannot parse responce:", Utils::logExcerpt(body));
        emit error(-2, status);
        return;
    }
    // The text is read; only what was read out of it is kept while the receivers work.
    body = QByteArray();
    emit responceReceived(response);
}

} // namespace Core
} // namespace QuorvelClient
