#pragma once

#include "utils/MemoryChecker.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class StreamerClientPrivate;
}

// Carries one GET of a command to a streaming server or a local video server over plain HTTP and answers it
// with exactly one signal: the parsed JSON document (or the raw body), or an error code with the HTTP status.
// A failed request may be sent again on the same object from the error slot.
class StreamerClient : public QObject, public Utils::MemoryChecker
{
    Q_OBJECT
public:
    // An empty host takes "streamer/host" and "streamer/version" from the settings; port 0 takes "streamer/port".
    explicit StreamerClient(const QString& host = QString(), int port = 0);
    ~StreamerClient() override;

    // The parameters of the last request().
    QVariantMap params() const;
    // A request not answered in full this long after it was sent (followed redirects included) fails with -4,
    // however steadily the peer sends; by default a request waits for ever.
    void setRequestTimeout(int milliseconds);
    // A quiet client writes no line of its own for a failure; failureLine() holds it for the issuer, which may sum
    // up the failures of many requests.
    void setQuiet(bool quiet);
    // The line of the last failure of a quiet client; empty after a success.
    QString failureLine() const;

signals:
    void responceReceived(const QVariant& response);
    void error(int errorCode, int httpStatus);

public slots:
    void request(const QString& command, const QVariantMap& params, bool parsingNeeded = true);
    // The same with the reply read in one pass into a Core::ArchiveList, for the long lists of "archive/list".
    void requestArchiveList(const QString& command, const QVariantMap& params);

private slots:
    void onHttpDone(bool errorOccured);

private:
    void send(const QString& command, const QVariantMap& params);

    std::unique_ptr<Internal::StreamerClientPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient
