#pragma once

#include "utils/MemoryChecker.h"

#include <QList>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class RestClientPrivate;
}

// Carries one request to the service's REST API over HTTPS and answers it with exactly one signal: the
// "response" of a successful reply envelope, or an error code with the HTTP status.
class RestClient : public QObject, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    RestClient();
    ~RestClient() override;

    // The user message for an error code of a client or of the service.
    static QString errorString(int errorCode);

signals:
    void responceReceived(const QVariant& response_);
    void error(int errorCode, int httpStatus);

public slots:
    void request(const QString& command, const QVariantMap& params, const QString& method_);
    void request(const QString& command, const QVariantMap& params);

private slots:
    void onHttpDone(bool errorOccured);
    void onSslErrors(const QList<QSslError>& errors);

private:
    std::unique_ptr<Internal::RestClientPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient
