#pragma once

#include "peer/FakeProxy.h"
#include "peer/FakeService.h"

#include <QObject>

namespace TestSupport {

// The fake service behind a fake proxy: the client's own proxy settings lead its requests for the API host
// (and for any other name mapped on the proxy) to loopback servers. The test CA is trusted process-wide.
class FakeNetwork : public QObject
{
    Q_OBJECT
public:
    explicit FakeNetwork(QObject* parent = nullptr);

    // Starts the service and the proxy and maps the API host's port 443 to the service.
    bool start();
    // Writes the proxy settings that lead the client through the proxy.
    void useProxy(const QString& user = QString(), const QString& password = QString());

    FakeService service;
    FakeProxy proxy;
};

} // namespace TestSupport
