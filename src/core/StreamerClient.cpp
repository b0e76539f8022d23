#include "core/StreamerClient.h"

#include "core/HttpExchange.h"
#include "utils/ServiceHosts.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonParseError>

#include <cstring>

namespace QuorvelClient {
namespace Core {

namespace Internal {

class StreamerClientPrivate
{
public:
    HttpExchange http;
    QString host;
    int port = 0;
    QString version;
    bool parsingNeeded = true;
    QVariantMap params;
};

} // namespace Internal

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

QByteArray encodeQueryPart(const QString& text, bool key)
{
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           (c != '\0' && std::strchr("-._~!$'()*,;:@/?", c)) || (!key && c == '=');
        // A value the issuer percent-encoded already travels as it is, never encoded twice.
        const bool triplet =
            c == '%' && i + 2 < utf8.size() && isHexDigit(utf8.at(i + 1)) && isHexDigit(utf8.at(i + 2));
        if (plain || triplet) {
            out += c;
        } else {
            out += '%';
            out += hex[(uchar(c) >> 4) & 0xF];
            out += hex[uchar(c) & 0xF];
        }
    }
    return out;
}

} // namespace

StreamerClient::StreamerClient(const QString& host, int port) : QObject(nullptr), d(new Internal::StreamerClientPrivate)
{
    d->host = host;
    d->port = port;
    if (d->port == 0)
        d->port = Utils::Keys::streamerPort().value();
    if (d->host.isEmpty()) {
        d->host =
            Utils::Keys::streamerHost().value();
        d->version = Utils::Keys::streamerVersion().value();
    }
    d->http.setHost(d->host, HttpExchange::ConnectionModeHttp, d->port);
    d->http.applyProxySettings();
    connect(&d->http, &HttpExchange::done, this, &StreamerClient::onHttpDone);
}

StreamerClient::~StreamerClient() = default;

QVariantMap StreamerClient::params() const
{
    return d->params;
}

QByteArray StreamerClient::queryString(const QVariantMap& params)
{
    QByteArray query;
    for (auto it = params.constBegin(); it != params.constEnd(); ++it) {
        query += query.isEmpty() ? '?' : '&';
        query += encodeQueryPart(it.key(), true) + '=' + encodeQueryPart(it.value().toString(), false);
    }
    return query;
}

void StreamerClient::request(const QString& command, const QVariantMap& params, bool parsingNeeded)
{
    d->params = params;
    d->parsingNeeded = parsingNeeded;

    const QString path =
        d->version.isEmpty() ? QStringLiteral("/%1").arg(command) : QStringLiteral("/%1/%2").arg(d->version, command);
    HttpExchange::RawHeaders headers;
    headers << qMakePair(QByteArrayLiteral("Accept"), QByteArrayLiteral("*/*"));
    headers << qMakePair(QByteArrayLiteral("Host"), (d->host + ':' + QString::number(d->port)).toUtf8());
    // A request sent again after a redirect goes to the client's own server, not to the redirect's.
    d->http.setHost(d->host, HttpExchange::ConnectionModeHttp, d->port);
    d->http.request("GET", encodeQueryPart(path, false) + queryString(params), headers);
}

void StreamerClient::onHttpDone(bool errorOccured)
{
    const int status = d->http.statusCode();
    int code = 0;
    switch (d->http.settle(errorOccured, "GET", "HTTP response is invalid", false, &code)) {
    case HttpExchange::Failed:
        emit error(code, status);
        return;
    case HttpExchange::Redirected:
        return;
    case HttpExchange::Answered:
        break;
    }

    const QByteArray body = d->http.readAll();
    if (body.isEmpty()) {
        qDebug() << "HTTP bad data: empty responce";
        emit error(-2, status);
        return;
    }
    if (!d->parsingNeeded) {
        emit responceReceived(QVariant(body));
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        qDebug() << "HTTP bad data: cannot parse responce:" << QString::fromUtf8(body);
        emit error(-2, status);
        return;
    }
    emit responceReceived(document.toVariant());
}

} // namespace Core
} // namespace QuorvelClient
