#include "core/RestClient.h"

#include "core/HttpExchange.h"
#include "utils/LogCap.h"
#include "utils/PathAndQuery.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace QuorvelClient {
namespace Core {

namespace Internal {

class RestClientPrivate
{
public:
    HttpExchange http;
    QString method;
};

} // namespace Internal

RestClient::RestClient() : QObject(nullptr), d(new Internal::RestClientPrivate)
{
    d->http.applyProxySettings();
    d->http.setMaxBodyBytes(ReplyLimits::json);
    connect(&d->http, &HttpExchange::done, this, &RestClient::onHttpDone);
    connect(&d->http, &HttpExchange::failed, this, &RestClient::error);
    connect(&d->http, &HttpExchange::sslErrors, this, &RestClient::onSslErrors);
}

RestClient::~RestClient() = default;

void RestClient::request(const QString& command, const QVariantMap& params, const QString& method_)
{
    d->method = method_;
    const QString host = Utils::Keys::restHost().value();
    const QString version = Utils::Keys::restVersion().value();
    d->http.setHost(host, HttpExchange::ConnectionModeHttps, 0);

    QByteArray path = QStringLiteral("/%1/%2").arg(version, command).toUtf8();
    const QByteArray query = Utils::queryString(params, Utils::QueryEncoding::Strict);
    if (method_ == QLatin1String("GET") && !query.isEmpty())
        path += '?' + query;

    HttpExchange::RawHeaders headers;
    headers << qMakePair(QByteArrayLiteral("Host"), Utils::authority(host).toUtf8());
    const bool post = method_ == QLatin1String("POST");
    if (post)
        headers << qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/x-www-form-urlencoded"));
    d->http.request(method_.toLatin1(), path, headers, post ? query : QByteArray(), post);
}

void RestClient::request(const QString& command, const QVariantMap& params)
{
    request(command, params, QStringLiteral("GET"));
}

void RestClient::onSslErrors(const QList<QSslError>& errors)
{
    qDebug() << "SSL errors:";
    // A peer's chain of certificates may be long.
    Utils::LogCap shown(QStringLiteral("SSL errors"));
    for (const QSslError& e : errors) {
        if (shown.next())
            qDebug() << e.error() << e.errorString();
    }
    // The exchange is not let through: a peer whose certificate does not verify gets no credentials.
}

void RestClient::onHttpDone(bool errorOccured)
{
    QByteArray body;
    if (!d->http.settle(errorOccured, d->method.toLatin1(), "HTTP responce is invalid", true, &body))
        return;
    const int status = d->http.statusCode();
    if (body.isEmpty()) {
        emit error(-2, status);
        return;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        emit error(-2, status);
        return;
    }
    const QVariantMap envelope = document.isObject() ? document.object().toVariantMap() : QVariantMap();
    if (!envelope.contains(QStringLiteral("success"))) {
        emit error(-2, status);
        return;
    }
    if (!envelope.value(QStringLiteral("success")).toBool()) {
        const int code = envelope.value(QStringLiteral("response")).toMap().value(QStringLiteral("code")).toInt();
        emit error(code, status);
        return;
    }
    emit responceReceived(envelope.value(QStringLiteral("response")));
}

QString RestClient::errorString(int errorCode)
{
    const QString service = QObject::tr("Quorvel");
    const QString application = QCoreApplication::applicationName();
    switch (errorCode) {
    case -4:
        return QObject::tr("Error communicating with %1 servers. There may be a problem with your computer's "
                           "internet connection or with application's proxy settings.\nPlease check your internet "
                           "connection or set correct proxy settings in the \"Settings\" menu and try again")
            .arg(service);
    case -3:
        return QObject::tr("Error communicating with %1 server. It is possible that %1 service is temporary "
                           "unavailable. Please contact our support or try again later")
            .arg(service);
    case -2:
        return QObject::tr("Error in HTTP data format. Please check your internet connection and check if you are "
                           "using the latest version of %1")
            .arg(application);
    case -1:
        return QObject::tr("%1 reports about unknown service error. Please update %2").arg(service, application);
    case 10000:
        return QObject::tr("%1 service error: the command is not supported. Please update %2")
            .arg(service, application);
    case 10001:
        return QObject::tr("Could not sign in. Please check your login and password and try again");
    case 10002:
        return QObject::tr("Error checking session code. Please try to restart %1").arg(application);
    case 10003:
        return QObject::tr("Access error: you don't have enough rights for requested operation");
    case 10004:
        return QObject::tr("%1 service error: requestet resource is not found").arg(service);
    case 10005:
        return QObject::tr("%1 service error: resource already exists").arg(service);
    case 10006:
        return QObject::tr("%1 service error: requested user does not exist").arg(service);
    case 10016:
        return QObject::tr("You have attempted to sign in too often in a short period of time. Please try again in "
                           "30 seconds");
    default:
        return QObject::tr("Unknown error");
    }
}

} // namespace Core
} // namespace QuorvelClient
